// Byte-order conversion of the fill definition block (FIDE) of model files, in its
// three forms.
//
// Each definition is walked twice: a first pass only checks that every count and
// length fits, the second converts. Both passes read every count in the byte order of
// the data before the field is converted, so the walk is the same in both directions.
#include "Model3D/attributes/records/FillConversionRecord.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"
#include "platform/ByteOrder.h"

namespace {

using Modeler::FillDefHeader;
using Modeler::FillDefPolyHead;
using Modeler::FillDefVectorLine;
using RecordConversion::LayoutView;
namespace Tables = RecordConversion::Tables;

// One fill definition of 'length' bytes at 'record'. Offsets are relative to the record;
// every access is checked against the length first.
class FillDefWalker {
public:
	FillDefWalker(Kit::PlatformSign from, Kit::PlatformSign to, char* record, Int64 length, bool convert)
	    : from(from), to(to), record(record), length(length), convert(convert),
	      dataForeign(from != Kit::Native_Platform_Sign) {}

	// True when 'count' pieces of 'size' bytes from 'at' lie inside the definition.
	bool Fits(Int64 at, Int64 count, Int64 size) const { return RecordConversion::RangeFits(at, count, size, length); }

	// The value of the field in the running platform's byte order. Counts are read before
	// their piece is converted, so the walk is the same in both directions.
	template <typename T> T Read(Int64 at) const {
		const auto value = LoadUnaligned<T>(record + at);
		return dataForeign ? ByteSwap(value) : value;
	}

	// Converts 'count' consecutive pieces of the layout from 'at'.
	void Swap(Int64 at, Int64 count, const LayoutView& layout) {
		if (convert) RecordConversion::SwapRecordsAt(from, to, record + at, count, layout);
	}

private:
	Kit::PlatformSign from;
	Kit::PlatformSign to;
	char* record;
	Int64 length;
	bool convert;
	bool dataForeign;
};

// Line items of the old forms: the item, then its dash lengths (doubles).
template <typename Item> bool WalkOldItems(FillDefWalker& w, Int64 at, Int32 n, const LayoutView& item) {
	for (Int32 i = 0; i < n; ++i) {
		if (!w.Fits(at, 1, sizeof(Item))) return false;
		const auto m = w.Read<Int16>(at + Int64(offsetof(Item, dashCount)));
		w.Swap(at, 1, item);
		at += Int64(sizeof(Item));
		if (m < 0 || !w.Fits(at, m, sizeof(double))) return false;
		w.Swap(at, m, Tables::FillDefDash);
		at += Int64{m} * Int64(sizeof(double));
	}
	return true;
}

template <typename Header, typename Item>
bool WalkOldDef(FillDefWalker& w, const LayoutView& header, const LayoutView& item) {
	if (!w.Fits(0, 1, sizeof(Header))) return false;
	const auto n = w.Read<Int16>(offsetof(Header, itemCount));
	w.Swap(0, 1, header);
	if (n < 0 || !w.Fits(sizeof(Header), n, sizeof(Item))) return false;
	return WalkOldItems<Item>(w, sizeof(Header), n, item);
}

bool WalkDef455(FillDefWalker& w) {
	return WalkOldDef<FillDef455Header, FillDef455Item>(w, Tables::FillDef455Header, Tables::FillDef455Item);
}

bool WalkDef510(FillDefWalker& w) {
	return WalkOldDef<FillDef510Header, FillDef510Item>(w, Tables::FillDef510Header, Tables::FillDef510Item);
}

bool WalkVectorItems(FillDefWalker& w, Int32 n) {
	if (n < 0 || !w.Fits(sizeof(FillDefHeader), n, sizeof(FillDefVectorLine))) return false;
	Int64 at = sizeof(FillDefHeader);
	for (Int32 i = 0; i < n; ++i) {
		if (!w.Fits(at, 1, sizeof(FillDefVectorLine))) return false;
		const auto m = w.Read<Int16>(at + Int64(offsetof(FillDefVectorLine, dashCount)));
		w.Swap(at, 1, Tables::FillDefVectorLine);
		at += Int64(sizeof(FillDefVectorLine));
		if (m < 0 || !w.Fits(at, m, sizeof(double))) return false;
		w.Swap(at, m, Tables::FillDefDash);
		at += Int64{m} * Int64(sizeof(double));
	}
	return true;
}

// 'count' pieces of the layout from *at; *at moves past them.
bool WalkSection(FillDefWalker& w, Int64* at, Int64 count, const LayoutView& piece) {
	if (!w.Fits(*at, count, piece.size)) return false;
	w.Swap(*at, count, piece);
	*at += count * Int64{piece.size};
	return true;
}

bool WalkSymbolItems(FillDefWalker& w, Int32 hotSpots, Int32 lines, Int32 arcs, Int32 polygons) {
	if (hotSpots < 0 || lines < 0 || arcs < 0 || polygons < 0) return false;
	Int64 at = sizeof(FillDefHeader);
	if (!WalkSection(w, &at, hotSpots, Tables::FillDefHotSpot) || !WalkSection(w, &at, lines, Tables::FillDefLine) ||
	    !WalkSection(w, &at, arcs, Tables::FillDefArc))
		return false;
	for (Int32 p = 0; p < polygons; ++p) {
		if (!w.Fits(at, 1, sizeof(FillDefPolyHead))) return false;
		const auto lastCoord = w.Read<Int32>(at + Int64(offsetof(FillDefPolyHead, lastCoord)));
		const auto lastContourEnd = w.Read<Int32>(at + Int64(offsetof(FillDefPolyHead, lastContourEnd)));
		const auto arcCount = w.Read<Int32>(at + Int64(offsetof(FillDefPolyHead, arcCount)));
		w.Swap(at, 1, Tables::FillDefPolyHead);
		at += Int64(sizeof(FillDefPolyHead));
		if (lastCoord < -1 || lastContourEnd < -1 || arcCount < 0) return false;
		if (!WalkSection(w, &at, Int64{lastCoord} + 1, Tables::FillDefCoord) ||
		    !WalkSection(w, &at, Int64{lastContourEnd} + 1, Tables::FillDefContourEnd) ||
		    !WalkSection(w, &at, arcCount, Tables::FillDefPolyArc))
			return false;
	}
	return true;
}

bool WalkDefCurrent(FillDefWalker& w, Int32 version) {
	if (!w.Fits(0, 1, sizeof(FillDefHeader))) return false;
	const auto fillType = w.Read<Int16>(offsetof(FillDefHeader, fillType));
	const auto hotSpots = w.Read<Int32>(offsetof(FillDefHeader, hotSpotCount));
	const auto lines = w.Read<Int32>(offsetof(FillDefHeader, lineCount));
	const auto arcs = w.Read<Int32>(offsetof(FillDefHeader, arcCount));
	const auto polygons = w.Read<Int32>(offsetof(FillDefHeader, polygonCount));
	// Before the modification time was kept, the word at +40 held something else.
	w.Swap(0, 1, version < FillDefTimeVersion ? LayoutView(Tables::FillDefHeaderUntimed) : Tables::FillDefHeader);
	if (fillType == Modeler::SymbolFillDefType) return WalkSymbolItems(w, hotSpots, lines, arcs, polygons);
	// Vector fills, and plain fills whose line count is 0.
	return WalkVectorItems(w, lines);
}

// Walks the definitions of [*offset, *offset + blockSize): each is checked, then
// converted. 'walk' checks or converts one definition.
template <typename Walk>
Int16 SwapFillBlock(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Kit::PlatformSign to,
                    Walk walk) {
	if (buffer == nullptr || offset == nullptr || *offset < 0 || blockSize < 0) return RecordConversionBadStructure;
	const bool dataForeign = from != Kit::Native_Platform_Sign;
	const Int64 end = Int64{*offset} + Int64{blockSize};
	Int64 at = *offset;
	while (at < end) {
		if (end - at < 4) return RecordConversionBadStructure;
		auto length = LoadUnaligned<Int32>(buffer + at);
		if (dataForeign) length = ByteSwap(length);
		if (length <= 0 || length > end - at) return RecordConversionBadStructure;
		FillDefWalker check(from, to, buffer + at, length, false);
		if (!walk(check)) return RecordConversionBadStructure;
		FillDefWalker convert(from, to, buffer + at, length, true);
		walk(convert);
		at += length;
	}
	*offset = static_cast<Int32>(end);
	return RecordConversionNoError;
}

} // namespace

Int16 FCSwapFillDef455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Kit::PlatformSign to) {
	return SwapFillBlock(from, buffer, offset, blockSize, to, WalkDef455);
}

Int16 FCSwapFillDef510(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Kit::PlatformSign to) {
	return SwapFillBlock(from, buffer, offset, blockSize, to, WalkDef510);
}

Int16 FCSwapFillDef(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Int32 version,
                    Kit::PlatformSign to) {
	return SwapFillBlock(from, buffer, offset, blockSize, to,
	                     [version](FillDefWalker& w) { return WalkDefCurrent(w, version); });
}

Int16 IV_FIDE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Int32 version,
              Kit::PlatformSign to) {
	if (version <= FillDef455LastVersion) return FCSwapFillDef455(from, buffer, offset, blockSize, to);
	if (version <= FillDef510LastVersion) return FCSwapFillDef510(from, buffer, offset, blockSize, to);
	return FCSwapFillDef(from, buffer, offset, blockSize, version, to);
}
