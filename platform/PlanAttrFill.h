// PlanAttr::Fill: the host's 2D fill attribute object with its vector details (line
// families with dash patterns) and symbol details (a motif of hotspots, lines, arcs and
// polygons). Detail blocks are exchanged as the root library's memory handles.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrTypes.h"

#include <cstddef>
#include <vector>

// An 8 x 8 one-bit pattern.
struct KitPattern {
	UInt8 pat[8] = {};
	bool operator==(const KitPattern&) const = default;
};
static_assert(sizeof(KitPattern) == 8);

namespace PlanAttr {

enum FillType : Int16 {
	VectorFill = 0, // repeated line families with dash patterns
	SymbolFill = 1, // a repeated motif
	PlainFill = 2,  // no details, only the header and the fill value
};

struct FillCoord {
	double x = 0.0;
	double y = 0.0;
	bool operator==(const FillCoord&) const = default;
};

// One line family of a vector fill. 'firstDash' is the index of the family's first
// dash length in the dash block.
struct VectorFillLine {
	double frequency = 0.0;  // distance between the lines of the family
	double direction = 0.0;  // angle of the lines
	double offsetLine = 0.0; // shift along the line from one line to the next
	double offsetX = 0.0;    // origin of the family
	double offsetY = 0.0;
	Int16 dashCount = 0;
	Int16 filler = 0;
	Int32 firstDash = 0;
	bool operator==(const VectorFillLine&) const = default;
};
static_assert(sizeof(VectorFillLine) == 48);
static_assert(offsetof(VectorFillLine, dashCount) == 40);
static_assert(offsetof(VectorFillLine, firstDash) == 44);

struct SymbolHotSpot {
	double x = 0.0;
	double y = 0.0;
	bool operator==(const SymbolHotSpot&) const = default;
};
static_assert(sizeof(SymbolHotSpot) == 16);

struct SymbolLine {
	double begX = 0.0;
	double begY = 0.0;
	double endX = 0.0;
	double endY = 0.0;
	bool operator==(const SymbolLine&) const = default;
};
static_assert(sizeof(SymbolLine) == 32);

struct SymbolArc {
	double centerX = 0.0;
	double centerY = 0.0;
	double radius = 0.0;
	double begAngle = 0.0;
	double endAngle = 0.0;
	bool operator==(const SymbolArc&) const = default;
};
static_assert(sizeof(SymbolArc) == 40);

// Head of one symbol polygon: its coordinates, contour ends and arcs follow in the
// coordinate, contour-end and arc blocks, polygon after polygon.
struct SymbolPolyHead {
	Int32 lastCoord = 0;      // coordinate count - 1
	Int32 lastContourEnd = 0; // contour-end count - 1
	Int32 arcCount = 0;
	Int32 filler = 0;
	bool operator==(const SymbolPolyHead&) const = default;
};
static_assert(sizeof(SymbolPolyHead) == 16);
static_assert(offsetof(SymbolPolyHead, arcCount) == 8);

struct SymbolPolyArc {
	Int32 begIndex = 0; // index of the arc's first coordinate
	Int32 endIndex = 0; // index of its last coordinate
	double arcAngle = 0.0;
	bool operator==(const SymbolPolyArc&) const = default;
};
static_assert(sizeof(SymbolPolyArc) == 16);
static_assert(offsetof(SymbolPolyArc, arcAngle) == 8);

// The seven detail blocks of a symbol fill; every handle is owned by whoever holds
// the structure (see FreeSymbolFillDetails).
struct SymbolFillDetails {
	GSHandle hotSpots = nullptr;        // SymbolHotSpot items
	GSHandle lines = nullptr;           // SymbolLine items
	GSHandle arcs = nullptr;            // SymbolArc items
	GSHandle polyHeads = nullptr;       // SymbolPolyHead items
	GSHandle polyCoords = nullptr;      // FillCoord items
	GSHandle polyContourEnds = nullptr; // Int32 items
	GSHandle polyArcs = nullptr;        // SymbolPolyArc items
};

void FreeSymbolFillDetails(SymbolFillDetails& details);

class VectorFillData {
public:
	Int32 GetLineNumber() const { return static_cast<Int32>(lines.size()); }
	Int32 GetDashNumber() const { return static_cast<Int32>(dashes.size()); }
	// Sum of the dash counts of all lines (lines may share dashes of the block).
	Int64 GetLineDashSum() const;

	// Copies the line items and all dashes into new handles owned by the caller.
	GSErrCode GetVectorFillDetails(GSHandle* lineItems, GSHandle* dashItems) const;
	// Takes copies of the given blocks; a null handle stands for an empty block. Every
	// line's dashes must lie within the dash block and the dash block must hold whole
	// doubles, else BadDetailsErr and nothing changes.
	GSErrCode SetVectorFillDetails(GSConstHandle lineItems, GSConstHandle dashItems);

	bool operator==(const VectorFillData&) const = default;

private:
	std::vector<VectorFillLine> lines;
	std::vector<double> dashes;
};

class SymbolFillData {
public:
	Int32 GetHotSpotNumber() const { return static_cast<Int32>(hotSpots.size()); }
	Int32 GetLineNumber() const { return static_cast<Int32>(lines.size()); }
	Int32 GetArcNumber() const { return static_cast<Int32>(arcs.size()); }
	Int32 GetFillNumber() const { return static_cast<Int32>(polyHeads.size()); }
	// Total byte size of the seven detail blocks.
	Int64 GetDetailBytes() const;

	// Copies the seven blocks into new handles owned by the caller; on failure every
	// handle of 'details' is null.
	GSErrCode GetSymbolFillDetails(SymbolFillDetails& details) const;
	// Takes copies of the seven blocks (null handles stand for empty blocks). The blocks
	// must hold whole items and the polygon heads must account for exactly the
	// coordinates, contour ends and arcs given, else BadDetailsErr and nothing changes.
	GSErrCode SetSymbolFillDetails(const SymbolFillDetails& details);

	bool operator==(const SymbolFillData&) const = default;

private:
	std::vector<SymbolHotSpot> hotSpots;
	std::vector<SymbolLine> lines;
	std::vector<SymbolArc> arcs;
	std::vector<SymbolPolyHead> polyHeads;
	std::vector<FillCoord> polyCoords;
	std::vector<Int32> polyContourEnds;
	std::vector<SymbolPolyArc> polyArcs;
};

class Fill {
public:
	// Version number that SetVersionNumber stamps on a fill.
	static constexpr Int16 CurrentVersion = 2;

	Fill() = default;
	Fill(const Fill&) = default;
	Fill& operator=(const Fill&) = default;
	virtual ~Fill() = default;

	const Kit::UniString& GetName() const { return name; }
	void SetName(const Kit::UniString& value) { name = value; }
	// Attribute index of the fill in the host's fill table.
	Int16 GetIndex() const { return index; }
	void SetIndex(Int16 value) { index = value; }
	Int16 GetFlags() const { return flags; }
	void SetFlags(Int16 value) { flags = value; }
	Int32 GetModificationTime() const { return modificationTime; }
	void SetModificationTime(Int32 value) { modificationTime = value; }
	Int16 GetVersionNumber() const { return versionNumber; }
	void SetVersionNumber() { versionNumber = CurrentVersion; }
	// A further word of the host's, carried along unchanged.
	Int16 GetAuxWord() const { return auxWord; }
	void SetAuxWord(Int16 value) { auxWord = value; }

	const KitPattern& GetPattern() const { return pattern; }
	void SetPattern(const KitPattern& value) { pattern = value; }
	double GetXSpacingFactor() const { return xSpacingFactor; }
	void SetXSpacingFactor(double value) { xSpacingFactor = value; }
	double GetYSpacingFactor() const { return ySpacingFactor; }
	void SetYSpacingFactor(double value) { ySpacingFactor = value; }
	double GetAngle() const { return angle; }
	void SetAngle(double value) { angle = value; }
	const FillCoord& GetOffset1() const { return offset1; }
	void SetOffset1(const FillCoord& value) { offset1 = value; }
	const FillCoord& GetOffset2() const { return offset2; }
	void SetOffset2(const FillCoord& value) { offset2 = value; }

	Int16 GetType() const { return type; }
	void SetType(Int16 value) { type = value; }
	// The fill's further value (a percentage for plain fills).
	double GetFillValue() const { return fillValue; }
	void SetFillValue(double value) { fillValue = value; }

	const VectorFillData& GetVectorFillData() const { return vectorData; }
	VectorFillData& GetVectorFillData() { return vectorData; }
	const SymbolFillData& GetSymbolFillData() const { return symbolData; }
	SymbolFillData& GetSymbolFillData() { return symbolData; }

	// Byte length of the fill's flat definition record: a 152-byte header, then the
	// details of its type (136 zero bytes for a plain fill); -1 for an unknown type.
	Int64 GetDefinitionSize() const;

	bool operator==(const Fill&) const = default;

private:
	Kit::UniString name;
	Int16 index = 0;
	Int16 flags = 0;
	Int32 modificationTime = 0;
	Int16 versionNumber = 0;
	Int16 auxWord = 0;
	KitPattern pattern;
	double xSpacingFactor = 1.0;
	double ySpacingFactor = 1.0;
	double angle = 0.0;
	FillCoord offset1;
	FillCoord offset2;
	Int16 type = VectorFill;
	double fillValue = 0.0;
	VectorFillData vectorData;
	SymbolFillData symbolData;
};

} // namespace PlanAttr

#pragma GCC visibility pop
