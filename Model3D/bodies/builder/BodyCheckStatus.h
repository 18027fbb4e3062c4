// The result and the messages of the builder's validation-and-repair pass
// (CandidateBody::CheckAndFix).
//
// A failing check loads a localised format string of list 2006 through the caller's
// message loader and formats it, with its 1-based values, into the caller's message
// buffer. The indices below name those strings; the comment gives the values each format
// receives, in order (all passed as int).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

namespace Modeler {

// Outcome of CheckAndFix: 0 the body passed, 1 a defect was found (its message is in the
// caller's buffer).
class M3D_EXPORT CheckStatus {
public:
	enum : Int32 {
		Passed = 0,
		DefectFound = 1,
	};

	constexpr CheckStatus() = default;
	constexpr explicit CheckStatus(Int32 value) : value(value) {}

	constexpr Int32 GetValue() const { return value; }
	constexpr bool IsPassed() const { return value == Passed; }
	constexpr bool IsDefectFound() const { return value != Passed; }
	constexpr bool operator==(const CheckStatus&) const = default;

private:
	Int32 value = Passed;
};

// Loads the format string 'index' of string list 'listId' from the resource module
// 'module' into 'text' (room for CheckMessageBufferSize bytes); false when there is none.
using MessageLoader = bool (*)(char* text, Int16 listId, Int16 index, Int64 module);

// What the check needs of the attribute store that the body's indices refer to. The
// store's reading view (Attributes::Viewer) implements it.
class M3D_EXPORT IBodyCheckAttributes {
public:
	// Number of materials; valid material indices are 1..count.
	virtual UInt32 GetMaterialCount() const = 0;

protected:
	IBodyCheckAttributes() = default;
	IBodyCheckAttributes(const IBodyCheckAttributes&) = default;
	IBodyCheckAttributes& operator=(const IBodyCheckAttributes&) = default;
	~IBodyCheckAttributes() = default;
};

// The message buffer handed to CheckAndFix must hold at least this many bytes; longer
// messages are cut to fit.
constexpr USize CheckMessageBufferSize = 256;

namespace BodyCheckMessage {

enum : Int16 {
	List = 2006,

	EdgeVertexOutOfRange = 17,        // edge number
	EdgeSamePolygonTwice = 18,        // polygon (0-based, as stored), edge number
	EdgeSideNotUsedBy = 19,           // side (1 or 2), polygon number, edge number
	EdgeSideOpenInClosed = 20,        // side (1 or 2), polygon number, edge number
	NormalZeroLength = 21,            // normal number
	PolygonMaterial = 23,             // material index, polygon number
	PolygonNormalRef = 24,            // normal reference, polygon number
	PolygonEdgeOutOfRange = 25,       // edge index (0-based), polygon number
	PolygonChainBroken = 26,          // polygon number, edge number
	PolygonEdgeZeroLength = 27,       // polygon number, edge number
	PolygonEdgeOffPlane = 29,         // edge number, polygon number
	PolygonStartsWithSeparator = 30,  // polygon number
	PolygonConcaveCorner = 31,        // polygon number
	PolygonOuterClockwise = 32,       // polygon number
	PolygonHoleCounterClockwise = 33, // polygon number
	PolygonEmptyContour = 34,         // polygon number
	BodyMarkedCurved = 36,            // none (report line)
	BodyCurvedMarkRemoved = 37,       // none (report line)
	EdgeUnbalanced = 38,              // edge number
	EdgeUsedTooOften = 39,            // edge number
	EdgeThirdPolygon = 40,            // edge number, polygon number
	PolygonRangeOutside = 41,         // polygon number
};

} // namespace BodyCheckMessage

} // namespace Modeler
