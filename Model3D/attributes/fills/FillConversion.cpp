#include "Model3D/attributes/fills/FillConversion.h"

#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"
#include "platform/PlanAttrFill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

using namespace Modeler;

namespace {

constexpr Int64 HeaderSize = Int64(sizeof(FillDefHeader));

template <typename T> void WriteAt(char* base, Int64 offset, const T& value) {
	std::memcpy(base + offset, &value, sizeof(T));
}

// Frees a handle when it goes out of scope.
struct HandleGuard {
	GSHandle h = nullptr;
	HandleGuard() = default;
	HandleGuard(const HandleGuard&) = delete;
	HandleGuard& operator=(const HandleGuard&) = delete;
	~HandleGuard() { BMKillHandle(&h); }
};

struct SymbolDetailsGuard {
	PlanAttr::SymbolFillDetails d;
	SymbolDetailsGuard() = default;
	SymbolDetailsGuard(const SymbolDetailsGuard&) = delete;
	SymbolDetailsGuard& operator=(const SymbolDetailsGuard&) = delete;
	~SymbolDetailsGuard() { PlanAttr::FreeSymbolFillDetails(d); }
};

[[noreturn]] void ThrowInternal(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, __FILE__, line);
}

// Number of whole items of type T in the handle's block, or -1 when the block does not
// hold whole items.
template <typename T> Int64 ItemCount(GSConstHandle h) {
	const Int64 bytes = BMGetHandleSize(h);
	if (bytes % Int64(sizeof(T)) != 0) return -1;
	return bytes / Int64(sizeof(T));
}

template <typename T> T HandleItem(GSConstHandle h, Int64 index) {
	return LoadUnaligned<T>(*h + index * Int64(sizeof(T)));
}

// A new handle of 'bytes' zeroed bytes; Kit::OutOfMemoryException when it fails.
GSHandle NewHandle(Int64 bytes) {
	GSHandle h = BMAllocateHandle(bytes, ALLOCATE_CLEAR, 0);
	if (h == nullptr) throw Kit::OutOfMemoryException("Cannot allocate fill details", __FILE__, __LINE__);
	return h;
}

// The UTF-8 form of the name cut to at most 31 bytes without splitting a character.
void StoreName(const Kit::UniString& name, char (&target)[32]) {
	std::string utf8 = name.ToUtf8();
	USize length = std::min<USize>(utf8.size(), sizeof(target) - 1);
	if (length < utf8.size()) {
		while (length > 0 && (static_cast<UInt8>(utf8[length]) & 0xC0) == 0x80)
			--length;
	}
	std::memset(target, 0, sizeof(target));
	std::memcpy(target, utf8.data(), length);
}

Kit::UniString LoadName(const char (&source)[32]) {
	USize length = 0;
	while (length < sizeof(source) && source[length] != '\0')
		++length;
	return Kit::UniString(std::string_view(source, length));
}

// The fill value x 100, truncated and kept within the range of the Int16 field.
Int16 FillValueToPc(double value) {
	const double pc = std::trunc(value * 100.0);
	if (std::isnan(pc)) return 0;
	if (pc <= double(std::numeric_limits<Int16>::min())) return std::numeric_limits<Int16>::min();
	if (pc >= double(std::numeric_limits<Int16>::max())) return std::numeric_limits<Int16>::max();
	return static_cast<Int16>(pc);
}

// ---- flattening ---------------------------------------------------------------------

// The host's vector details, checked: each line's dash run lies within the dash block.
struct VectorSource {
	HandleGuard lines;
	HandleGuard dashes;
	Int32 lineCount = 0;
	Int64 detailBytes = 0;
};

void FetchVectorDetails(const PlanAttr::Fill& fill, VectorSource& src) {
	const PlanAttr::VectorFillData& data = fill.GetVectorFillData();
	if (data.GetVectorFillDetails(&src.lines.h, &src.dashes.h) != NoError)
		ThrowInternal("Cannot get the vector fill details", __LINE__);
	src.lineCount = data.GetLineNumber();
	const Int64 lineItems = ItemCount<PlanAttr::VectorFillLine>(src.lines.h);
	const Int64 dashItems = ItemCount<double>(src.dashes.h);
	if (src.lineCount < 0 || lineItems != src.lineCount || dashItems < 0)
		ThrowInternal("Inconsistent vector fill details", __LINE__);
	src.detailBytes = 0;
	for (Int64 i = 0; i < lineItems; ++i) {
		const PlanAttr::VectorFillLine line = HandleItem<PlanAttr::VectorFillLine>(src.lines.h, i);
		if (line.dashCount < 0 || line.firstDash < 0 || Int64(line.firstDash) + line.dashCount > dashItems)
			ThrowInternal("Inconsistent vector fill details", __LINE__);
		src.detailBytes += Int64(sizeof(FillDefVectorLine)) + Int64(line.dashCount) * Int64(sizeof(double));
	}
}

void WriteVectorDetails(const VectorSource& src, char* record) {
	Int64 offset = HeaderSize;
	for (Int32 i = 0; i < src.lineCount; ++i) {
		const PlanAttr::VectorFillLine line = HandleItem<PlanAttr::VectorFillLine>(src.lines.h, i);
		FillDefVectorLine item{};
		item.values[0] = line.frequency;
		item.values[1] = line.direction;
		item.values[2] = line.offsetLine;
		item.values[3] = line.offsetX;
		item.values[4] = line.offsetY;
		item.dashCount = line.dashCount;
		WriteAt(record, offset, item);
		offset += Int64(sizeof(item));
		for (Int16 k = 0; k < line.dashCount; ++k) {
			WriteAt(record, offset, HandleItem<double>(src.dashes.h, Int64(line.firstDash) + k));
			offset += Int64(sizeof(double));
		}
	}
}

// The host's symbol details, checked: whole items, counts as the fill reports them, and
// polygon heads that account for exactly the coordinates, contour ends and arcs given.
struct SymbolSource {
	SymbolDetailsGuard blocks;
	Int64 hotSpots = 0;
	Int64 lines = 0;
	Int64 arcs = 0;
	Int64 polygons = 0;
	Int64 detailBytes = 0;
};

void FetchSymbolDetails(const PlanAttr::Fill& fill, SymbolSource& src) {
	const PlanAttr::SymbolFillData& data = fill.GetSymbolFillData();
	if (data.GetSymbolFillDetails(src.blocks.d) != NoError)
		ThrowInternal("Cannot get the symbol fill details", __LINE__);
	const PlanAttr::SymbolFillDetails& d = src.blocks.d;
	src.hotSpots = ItemCount<PlanAttr::SymbolHotSpot>(d.hotSpots);
	src.lines = ItemCount<PlanAttr::SymbolLine>(d.lines);
	src.arcs = ItemCount<PlanAttr::SymbolArc>(d.arcs);
	src.polygons = ItemCount<PlanAttr::SymbolPolyHead>(d.polyHeads);
	const Int64 coords = ItemCount<PlanAttr::FillCoord>(d.polyCoords);
	const Int64 contourEnds = ItemCount<Int32>(d.polyContourEnds);
	const Int64 polyArcs = ItemCount<PlanAttr::SymbolPolyArc>(d.polyArcs);
	if (src.hotSpots != data.GetHotSpotNumber() || src.lines != data.GetLineNumber() ||
	    src.arcs != data.GetArcNumber() || src.polygons != data.GetFillNumber() || coords < 0 || contourEnds < 0 ||
	    polyArcs < 0)
		ThrowInternal("Inconsistent symbol fill details", __LINE__);

	Int64 usedCoords = 0;
	Int64 usedEnds = 0;
	Int64 usedArcs = 0;
	for (Int64 i = 0; i < src.polygons; ++i) {
		const PlanAttr::SymbolPolyHead head = HandleItem<PlanAttr::SymbolPolyHead>(d.polyHeads, i);
		if (head.lastCoord < -1 || head.lastContourEnd < -1 || head.arcCount < 0)
			ThrowInternal("Inconsistent symbol fill details", __LINE__);
		usedCoords += Int64(head.lastCoord) + 1;
		usedEnds += Int64(head.lastContourEnd) + 1;
		usedArcs += head.arcCount;
	}
	if (usedCoords != coords || usedEnds != contourEnds || usedArcs != polyArcs)
		ThrowInternal("Inconsistent symbol fill details", __LINE__);

	src.detailBytes = src.hotSpots * Int64(sizeof(FillDefHotSpot)) + src.lines * Int64(sizeof(FillDefLine)) +
	                  src.arcs * Int64(sizeof(FillDefArc)) + src.polygons * Int64(sizeof(FillDefPolyHead)) +
	                  coords * Int64(sizeof(FillDefCoord)) + contourEnds * Int64(sizeof(Int32)) +
	                  polyArcs * Int64(sizeof(FillDefPolyArc));
}

void WriteSymbolDetails(const SymbolSource& src, char* record) {
	const PlanAttr::SymbolFillDetails& d = src.blocks.d;
	Int64 offset = HeaderSize;
	for (Int64 i = 0; i < src.hotSpots; ++i) {
		const PlanAttr::SymbolHotSpot h = HandleItem<PlanAttr::SymbolHotSpot>(d.hotSpots, i);
		WriteAt(record, offset, FillDefHotSpot{h.x, h.y});
		offset += Int64(sizeof(FillDefHotSpot));
	}
	for (Int64 i = 0; i < src.lines; ++i) {
		const PlanAttr::SymbolLine l = HandleItem<PlanAttr::SymbolLine>(d.lines, i);
		WriteAt(record, offset, FillDefLine{l.begX, l.begY, l.endX, l.endY});
		offset += Int64(sizeof(FillDefLine));
	}
	for (Int64 i = 0; i < src.arcs; ++i) {
		const PlanAttr::SymbolArc a = HandleItem<PlanAttr::SymbolArc>(d.arcs, i);
		WriteAt(record, offset, FillDefArc{a.centerX, a.centerY, a.radius, a.begAngle, a.endAngle});
		offset += Int64(sizeof(FillDefArc));
	}
	Int64 coord = 0;
	Int64 contourEnd = 0;
	Int64 polyArc = 0;
	for (Int64 i = 0; i < src.polygons; ++i) {
		const PlanAttr::SymbolPolyHead head = HandleItem<PlanAttr::SymbolPolyHead>(d.polyHeads, i);
		WriteAt(record, offset, FillDefPolyHead{head.lastCoord, head.lastContourEnd, head.arcCount, 0});
		offset += Int64(sizeof(FillDefPolyHead));
		for (Int64 k = 0; k <= head.lastCoord; ++k, ++coord) {
			const PlanAttr::FillCoord c = HandleItem<PlanAttr::FillCoord>(d.polyCoords, coord);
			WriteAt(record, offset, FillDefCoord{c.x, c.y});
			offset += Int64(sizeof(FillDefCoord));
		}
		for (Int64 k = 0; k <= head.lastContourEnd; ++k, ++contourEnd) {
			WriteAt(record, offset, HandleItem<Int32>(d.polyContourEnds, contourEnd));
			offset += Int64(sizeof(Int32));
		}
		for (Int64 k = 0; k < head.arcCount; ++k, ++polyArc) {
			const PlanAttr::SymbolPolyArc a = HandleItem<PlanAttr::SymbolPolyArc>(d.polyArcs, polyArc);
			WriteAt(record, offset, FillDefPolyArc{a.begIndex, a.endIndex, a.arcAngle});
			offset += Int64(sizeof(FillDefPolyArc));
		}
	}
}

FillDefHeader MakeHeader(const PlanAttr::Fill& fill, Int32 byteCount) {
	FillDefHeader header{};
	header.byteCount = byteCount;
	StoreName(fill.GetName(), header.name);
	header.hostFillIdx = fill.GetIndex();
	header.flags = fill.GetFlags();
	header.modificationTime = fill.GetModificationTime();
	header.auxWord = fill.GetAuxWord();
	header.pattern = fill.GetPattern();
	header.xSpacingFactor = fill.GetXSpacingFactor();
	header.ySpacingFactor = fill.GetYSpacingFactor();
	header.angle = fill.GetAngle();
	header.offset1[0] = fill.GetOffset1().x;
	header.offset1[1] = fill.GetOffset1().y;
	header.offset2[0] = fill.GetOffset2().x;
	header.offset2[1] = fill.GetOffset2().y;
	header.fillType = fill.GetType();
	header.fillValuePc = FillValueToPc(fill.GetFillValue());
	return header;
}

Int32 CheckedRecordLength(Int64 detailBytes) {
	const Int64 length = HeaderSize + detailBytes;
	if (length > std::numeric_limits<Int32>::max()) ThrowInternal("Fill definition too large", __LINE__);
	return static_cast<Int32>(length);
}

char* AllocateRecord(Int32 length) {
	char* record = BMAllocatePtr(length, ALLOCATE_CLEAR, 0);
	if (record == nullptr) throw Kit::OutOfMemoryException("Cannot allocate a fill definition", __FILE__, __LINE__);
	return record;
}

// ---- building -----------------------------------------------------------------------

void BuildVectorDetails(const char* record, const FillDefHeader& header, PlanAttr::Fill& fill) {
	// First pass: count the dashes (the record has been checked, so every item lies
	// within it).
	Int64 dashTotal = 0;
	Int64 offset = HeaderSize;
	for (Int32 i = 0; i < header.lineCount; ++i) {
		const FillDefVectorLine item = LoadUnaligned<FillDefVectorLine>(record + offset);
		if (item.dashCount < 0) ThrowInternal("Negative dash count in a fill definition", __LINE__);
		dashTotal += item.dashCount;
		offset += Int64(sizeof(item)) + Int64(item.dashCount) * Int64(sizeof(double));
	}

	HandleGuard lines;
	HandleGuard dashes;
	lines.h = NewHandle(Int64(header.lineCount) * Int64(sizeof(PlanAttr::VectorFillLine)));
	dashes.h = NewHandle(dashTotal * Int64(sizeof(double)));

	offset = HeaderSize;
	Int64 dash = 0;
	for (Int32 i = 0; i < header.lineCount; ++i) {
		const FillDefVectorLine item = LoadUnaligned<FillDefVectorLine>(record + offset);
		offset += Int64(sizeof(item));
		PlanAttr::VectorFillLine line;
		line.frequency = item.values[0];
		line.direction = item.values[1];
		line.offsetLine = item.values[2];
		line.offsetX = item.values[3];
		line.offsetY = item.values[4];
		line.dashCount = item.dashCount;
		line.firstDash = static_cast<Int32>(dash);
		WriteAt(*lines.h, Int64(i) * Int64(sizeof(line)), line);
		for (Int16 k = 0; k < item.dashCount; ++k, ++dash) {
			WriteAt(*dashes.h, dash * Int64(sizeof(double)), LoadUnaligned<double>(record + offset));
			offset += Int64(sizeof(double));
		}
	}
	if (fill.GetVectorFillData().SetVectorFillDetails(lines.h, dashes.h) != NoError)
		ThrowInternal("The vector fill details were refused", __LINE__);
}

// Where the sections of a checked symbol record start, and the totals of its polygon
// sections.
struct SymbolRecordLayout {
	Int64 hotSpotsAt = 0;
	Int64 linesAt = 0;
	Int64 arcsAt = 0;
	Int64 polygonsAt = 0;
	Int64 coords = 0;
	Int64 contourEnds = 0;
	Int64 polyArcs = 0;
};

SymbolRecordLayout ReadSymbolLayout(const char* record, const FillDefHeader& header) {
	SymbolRecordLayout layout;
	Int64 offset = HeaderSize;
	layout.hotSpotsAt = offset;
	offset += Int64(header.hotSpotCount) * Int64(sizeof(FillDefHotSpot));
	layout.linesAt = offset;
	offset += Int64(header.lineCount) * Int64(sizeof(FillDefLine));
	layout.arcsAt = offset;
	offset += Int64(header.arcCount) * Int64(sizeof(FillDefArc));
	layout.polygonsAt = offset;
	for (Int32 i = 0; i < header.polygonCount; ++i) {
		const FillDefPolyHead head = LoadUnaligned<FillDefPolyHead>(record + offset);
		layout.coords += Int64(head.lastCoord) + 1;
		layout.contourEnds += Int64(head.lastContourEnd) + 1;
		layout.polyArcs += head.arcCount;
		offset += Int64(sizeof(head)) + (Int64(head.lastCoord) + 1) * Int64(sizeof(FillDefCoord)) +
		          (Int64(head.lastContourEnd) + 1) * Int64(sizeof(Int32)) +
		          Int64(head.arcCount) * Int64(sizeof(FillDefPolyArc));
	}
	return layout;
}

void AllocateSymbolBlocks(const FillDefHeader& header, const SymbolRecordLayout& layout,
                          PlanAttr::SymbolFillDetails& d) {
	d.hotSpots = NewHandle(Int64(header.hotSpotCount) * Int64(sizeof(PlanAttr::SymbolHotSpot)));
	d.lines = NewHandle(Int64(header.lineCount) * Int64(sizeof(PlanAttr::SymbolLine)));
	d.arcs = NewHandle(Int64(header.arcCount) * Int64(sizeof(PlanAttr::SymbolArc)));
	d.polyHeads = NewHandle(Int64(header.polygonCount) * Int64(sizeof(PlanAttr::SymbolPolyHead)));
	d.polyCoords = NewHandle(layout.coords * Int64(sizeof(PlanAttr::FillCoord)));
	d.polyContourEnds = NewHandle(layout.contourEnds * Int64(sizeof(Int32)));
	d.polyArcs = NewHandle(layout.polyArcs * Int64(sizeof(PlanAttr::SymbolPolyArc)));
}

void CopySymbolHotSpots(const char* record, Int32 count, Int64 at, GSHandle hotSpots) {
	for (Int32 i = 0; i < count; ++i) {
		const FillDefHotSpot h = LoadUnaligned<FillDefHotSpot>(record + at + Int64(i) * Int64(sizeof(h)));
		PlanAttr::SymbolHotSpot item;
		item.x = h.x;
		item.y = h.y;
		WriteAt(*hotSpots, Int64(i) * Int64(sizeof(item)), item);
	}
}

void CopySymbolLines(const char* record, Int32 count, Int64 at, GSHandle lines) {
	for (Int32 i = 0; i < count; ++i) {
		const FillDefLine l = LoadUnaligned<FillDefLine>(record + at + Int64(i) * Int64(sizeof(l)));
		PlanAttr::SymbolLine item;
		item.begX = l.begX;
		item.begY = l.begY;
		item.endX = l.endX;
		item.endY = l.endY;
		WriteAt(*lines, Int64(i) * Int64(sizeof(item)), item);
	}
}

void CopySymbolArcs(const char* record, Int32 count, Int64 at, GSHandle arcs) {
	for (Int32 i = 0; i < count; ++i) {
		const FillDefArc a = LoadUnaligned<FillDefArc>(record + at + Int64(i) * Int64(sizeof(a)));
		PlanAttr::SymbolArc item;
		item.centerX = a.centerX;
		item.centerY = a.centerY;
		item.radius = a.radius;
		item.begAngle = a.begAngle;
		item.endAngle = a.endAngle;
		WriteAt(*arcs, Int64(i) * Int64(sizeof(item)), item);
	}
}

// Where the next polygon starts in the record and where its parts go in the blocks.
struct SymbolPolygonCursor {
	Int64 offset = 0;
	Int64 coord = 0;
	Int64 contourEnd = 0;
	Int64 polyArc = 0;
};

// Polygon i: its head, coordinates, contour ends and arcs; moves the cursor past it.
void CopySymbolPolygon(const char* record, Int32 i, SymbolPolygonCursor& at, const PlanAttr::SymbolFillDetails& d) {
	const FillDefPolyHead head = LoadUnaligned<FillDefPolyHead>(record + at.offset);
	at.offset += Int64(sizeof(head));
	PlanAttr::SymbolPolyHead h;
	h.lastCoord = head.lastCoord;
	h.lastContourEnd = head.lastContourEnd;
	h.arcCount = head.arcCount;
	WriteAt(*d.polyHeads, Int64(i) * Int64(sizeof(h)), h);
	for (Int64 k = 0; k <= head.lastCoord; ++k, ++at.coord) {
		const FillDefCoord c = LoadUnaligned<FillDefCoord>(record + at.offset);
		at.offset += Int64(sizeof(c));
		PlanAttr::FillCoord item;
		item.x = c.x;
		item.y = c.y;
		WriteAt(*d.polyCoords, at.coord * Int64(sizeof(item)), item);
	}
	for (Int64 k = 0; k <= head.lastContourEnd; ++k, ++at.contourEnd) {
		WriteAt(*d.polyContourEnds, at.contourEnd * Int64(sizeof(Int32)), LoadUnaligned<Int32>(record + at.offset));
		at.offset += Int64(sizeof(Int32));
	}
	for (Int64 k = 0; k < head.arcCount; ++k, ++at.polyArc) {
		const FillDefPolyArc a = LoadUnaligned<FillDefPolyArc>(record + at.offset);
		at.offset += Int64(sizeof(a));
		PlanAttr::SymbolPolyArc item;
		item.begIndex = a.begIndex;
		item.endIndex = a.endIndex;
		item.arcAngle = a.arcAngle;
		WriteAt(*d.polyArcs, at.polyArc * Int64(sizeof(item)), item);
	}
}

void BuildSymbolDetails(const char* record, const FillDefHeader& header, PlanAttr::Fill& fill) {
	const SymbolRecordLayout layout = ReadSymbolLayout(record, header);
	SymbolDetailsGuard blocks;
	PlanAttr::SymbolFillDetails& d = blocks.d;
	AllocateSymbolBlocks(header, layout, d);
	CopySymbolHotSpots(record, header.hotSpotCount, layout.hotSpotsAt, d.hotSpots);
	CopySymbolLines(record, header.lineCount, layout.linesAt, d.lines);
	CopySymbolArcs(record, header.arcCount, layout.arcsAt, d.arcs);
	SymbolPolygonCursor cursor;
	cursor.offset = layout.polygonsAt;
	for (Int32 i = 0; i < header.polygonCount; ++i)
		CopySymbolPolygon(record, i, cursor, d);
	if (fill.GetSymbolFillData().SetSymbolFillDetails(d) != NoError)
		ThrowInternal("The symbol fill details were refused", __LINE__);
}

// Builds a host fill from a record that IMCheckFillRecord has accepted.
std::unique_ptr<PlanAttr::Fill> BuildFill(const char* record) {
	std::unique_ptr<PlanAttr::Fill> fill(new (std::nothrow) PlanAttr::Fill());
	if (fill == nullptr) throw Kit::OutOfMemoryException("Cannot create a fill", __FILE__, __LINE__);

	const FillDefHeader header = LoadUnaligned<FillDefHeader>(record);
	fill->SetName(LoadName(header.name));
	fill->SetIndex(header.hostFillIdx);
	fill->SetFlags(header.flags);
	fill->SetModificationTime(header.modificationTime);
	fill->SetVersionNumber();
	fill->SetPattern(header.pattern);
	fill->SetXSpacingFactor(header.xSpacingFactor);
	fill->SetYSpacingFactor(header.ySpacingFactor);
	fill->SetAngle(header.angle);
	fill->SetOffset1(PlanAttr::FillCoord{header.offset1[0], header.offset1[1]});
	fill->SetOffset2(PlanAttr::FillCoord{header.offset2[0], header.offset2[1]});
	fill->SetType(header.fillType);

	if (header.fillType == VectorFillDefType)
		BuildVectorDetails(record, header, *fill);
	else if (header.fillType == SymbolFillDefType)
		BuildSymbolDetails(record, header, *fill);
	return fill;
}

} // namespace

void IMConvertFillToRecord(char* fillPtr, char** record) {
	if (record == nullptr || fillPtr == nullptr)
		throw Kit::IllegalArgumentException("IMConvertFillToRecord: null argument", __FILE__, __LINE__);
	const PlanAttr::Fill& fill = *reinterpret_cast<const PlanAttr::Fill*>(fillPtr);

	char* result = nullptr;
	switch (fill.GetType()) {
	case PlanAttr::VectorFill: {
		VectorSource src;
		FetchVectorDetails(fill, src);
		const Int32 length = CheckedRecordLength(src.detailBytes);
		result = AllocateRecord(length);
		FillDefHeader header = MakeHeader(fill, length);
		header.lineCount = src.lineCount;
		WriteAt(result, 0, header);
		WriteVectorDetails(src, result);
		break;
	}
	case PlanAttr::SymbolFill: {
		SymbolSource src;
		FetchSymbolDetails(fill, src);
		const Int32 length = CheckedRecordLength(src.detailBytes);
		result = AllocateRecord(length);
		FillDefHeader header = MakeHeader(fill, length);
		header.hotSpotCount = static_cast<Int32>(src.hotSpots);
		header.lineCount = static_cast<Int32>(src.lines);
		header.arcCount = static_cast<Int32>(src.arcs);
		header.polygonCount = static_cast<Int32>(src.polygons);
		WriteAt(result, 0, header);
		WriteSymbolDetails(src, result);
		break;
	}
	case PlanAttr::PlainFill:
		result = AllocateRecord(PlainFillDefSize);
		WriteAt(result, 0, MakeHeader(fill, PlainFillDefSize));
		break;
	default:
		throw Kit::IllegalArgumentException("IMConvertFillToRecord: unknown fill type", __FILE__, __LINE__);
	}

	const Int32 length = LoadUnaligned<Int32>(result);
	WriteAt(result, offsetof(FillDefHeader, checksum), FillDefChecksum(result, length));
	*record = result;
}

void IMConvertFillToClass(char* record, char** fill) {
	if (fill == nullptr || record == nullptr)
		throw Kit::IllegalArgumentException("IMConvertFillToClass: null argument", __FILE__, __LINE__);
	const Int32 declaredLength = LoadUnaligned<Int32>(record);
	if (IMCheckFillRecord(record, declaredLength) != NoError) ThrowInternal("Bad fill definition", __LINE__);
	*fill = reinterpret_cast<char*>(BuildFill(record).release());
}

GSErrCode IMConvertFillToClass(const char* record, Int64 availableBytes, char** fill) {
	if (fill == nullptr) return BadFillDefinitionErr;
	*fill = nullptr;
	if (IMCheckFillRecord(record, availableBytes) != NoError) return BadFillDefinitionErr;
	try {
		*fill = reinterpret_cast<char*>(BuildFill(record).release());
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "IMConvertFillToClass: " << e.Describe() << "\n";
		return IMFillConversionFailedErr;
	}
	return NoError;
}
