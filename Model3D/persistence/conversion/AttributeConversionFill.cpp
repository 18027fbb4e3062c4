// Byte-order conversion of the fill definition block (FIDE) of model files, in its
// three forms.
//
// Each definition is walked twice: a first pass only checks that every count and
// length fits, the second converts. Both passes read every count in the byte order of
// the data before the field is converted, so the walk is the same in both directions.
#include "Model3D/attributes/records/FillConversionRecord.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/RecordConversionLayout.h"
#include "platform/ByteOrder.h"

#include <cstring>

namespace {

using Modeler::FillDefArc;
using Modeler::FillDefCoord;
using Modeler::FillDefHeader;
using Modeler::FillDefHotSpot;
using Modeler::FillDefLine;
using Modeler::FillDefPolyArc;
using Modeler::FillDefPolyHead;
using Modeler::FillDefVectorLine;
using RecordConversion::SwapField;

static_assert(sizeof(FillDefHeader) == FillDefHeaderSize);
static_assert(sizeof(FillDefVectorLine) == FillDefItemSize);

// One fill definition of 'length' bytes at 'record'. Field offsets are relative to the
// record; every access is checked against the length first.
class FillDefWalker {
public:
	FillDefWalker(Kit::PlatformSign from, Kit::PlatformSign to, char* record, Int64 length, bool convert)
	    : from(from), to(to), record(record), length(length), convert(convert && Kit::NeedsSwap(from, to)),
	      dataForeign(from != Kit::Native_Platform_Sign) {}

	bool Fits(Int64 at, Int64 size) const { return at >= 0 && size >= 0 && at <= length && size <= length - at; }

	// The value of the field in the running platform's byte order; then the field is
	// converted. The caller has checked that it fits.
	template <typename T> T Take(Int64 at) {
		T value;
		std::memcpy(&value, record + at, sizeof value);
		if (dataForeign) value = ByteSwap(value);
		Swap<T>(at, 1);
		return value;
	}

	template <typename T> void Swap(Int64 at, Int64 n) {
		if (!convert) return;
		for (Int64 i = 0; i < n; ++i) {
			char* p = record + at + i * Int64(sizeof(T));
			if constexpr (std::is_same_v<T, Int16>)
				SwapField<Int16>(from, to, p, IVShort);
			else if constexpr (std::is_same_v<T, Int32>)
				SwapField<Int32>(from, to, p, IVLong);
			else if constexpr (std::is_same_v<T, float>)
				SwapField<float>(from, to, p, IVFloat);
			else
				SwapField<double>(from, to, p, IVDouble);
		}
	}

	// A zero-terminated name in a field of 'size' bytes.
	void SwapCName(Int64 at, USize size) {
		if (convert) IVChars(from, to, strnlen(record + at, size), record + at);
	}

	// A length-prefixed name in a field of 'size' bytes; the length is cut to the field.
	void SwapPName(Int64 at, USize size) {
		if (!convert) return;
		const USize n = static_cast<unsigned char>(record[at]);
		IVChars(from, to, n < size ? n : size - 1, record + at + 1);
	}

	void Clear(Int64 at, Int64 size) {
		if (convert) std::memset(record + at, 0, static_cast<USize>(size));
	}

private:
	Kit::PlatformSign from;
	Kit::PlatformSign to;
	char* record;
	Int64 length;
	bool convert;
	bool dataForeign;
};

// Reserved words (zero in every definition written here) stay as they are.

// Line items of the old forms: two doubles, two floats, Int16 dash count m at +24, then
// m doubles from 'dashesAt'.
bool WalkOldItems(FillDefWalker& w, Int64 at, Int32 n, Int64 itemSize, Int64 dashesAt) {
	for (Int32 i = 0; i < n; ++i) {
		if (!w.Fits(at, itemSize)) return false;
		w.Swap<double>(at, 2);
		w.Swap<float>(at + 16, 2);
		const Int16 m = w.Take<Int16>(at + 24);
		if (m < 0 || !w.Fits(at + dashesAt, Int64{m} * 8)) return false;
		w.Swap<double>(at + dashesAt, m);
		at += itemSize + Int64{m} * 8;
	}
	return true;
}

bool WalkDef455(FillDefWalker& w) {
	if (!w.Fits(0, FillDef455HeaderSize)) return false;
	w.Take<Int32>(0);
	w.SwapPName(4, 32);
	w.Swap<Int16>(36, 2);
	w.Swap<double>(48, 2);
	const Int16 n = w.Take<Int16>(64);
	if (n < 0 || !w.Fits(FillDef455HeaderSize, Int64{n} * FillDef455ItemSize)) return false;
	return WalkOldItems(w, FillDef455HeaderSize, n, FillDef455ItemSize, 26);
}

bool WalkDef510(FillDefWalker& w) {
	if (!w.Fits(0, FillDef510HeaderSize)) return false;
	w.Take<Int32>(0);
	w.SwapCName(4, 32);
	w.Swap<Int16>(36, 2);
	w.Clear(40, 4);
	w.Swap<Int16>(44, 2);
	w.Swap<double>(56, 2);
	const Int16 n = w.Take<Int16>(72);
	if (n < 0 || !w.Fits(FillDef510HeaderSize, Int64{n} * FillDef510ItemSize)) return false;
	return WalkOldItems(w, FillDef510HeaderSize, n, FillDef510ItemSize, 32);
}

bool WalkVectorItems(FillDefWalker& w, Int32 n) {
	if (n < 0 || !w.Fits(FillDefHeaderSize, Int64{n} * FillDefItemSize)) return false;
	Int64 at = FillDefHeaderSize;
	for (Int32 i = 0; i < n; ++i) {
		if (!w.Fits(at, FillDefItemSize)) return false;
		w.Swap<double>(at, 5);
		const Int16 m = w.Take<Int16>(at + Int64(offsetof(FillDefVectorLine, dashCount)));
		if (m < 0 || !w.Fits(at + FillDefItemSize, Int64{m} * 8)) return false;
		w.Swap<double>(at + FillDefItemSize, m);
		at += FillDefItemSize + Int64{m} * 8;
	}
	return true;
}

bool WalkSymbolItems(FillDefWalker& w, Int32 hotSpots, Int32 lines, Int32 arcs, Int32 polygons) {
	if (hotSpots < 0 || lines < 0 || arcs < 0 || polygons < 0) return false;
	Int64 at = FillDefHeaderSize;
	const Int64 sections[][2] = {
	    {hotSpots, sizeof(FillDefHotSpot)}, {lines, sizeof(FillDefLine)}, {arcs, sizeof(FillDefArc)}};
	for (const auto& [count, size] : sections) {
		if (!w.Fits(at, count * size)) return false;
		w.Swap<double>(at, count * size / 8);
		at += count * size;
	}
	for (Int32 p = 0; p < polygons; ++p) {
		if (!w.Fits(at, sizeof(FillDefPolyHead))) return false;
		const Int32 lastCoord = w.Take<Int32>(at + Int64(offsetof(FillDefPolyHead, lastCoord)));
		const Int32 lastContourEnd = w.Take<Int32>(at + Int64(offsetof(FillDefPolyHead, lastContourEnd)));
		const Int32 arcCount = w.Take<Int32>(at + Int64(offsetof(FillDefPolyHead, arcCount)));
		if (lastCoord < -1 || lastContourEnd < -1 || arcCount < 0) return false;
		at += sizeof(FillDefPolyHead);
		const Int64 coords = Int64{lastCoord} + 1;
		const Int64 ends = Int64{lastContourEnd} + 1;
		if (!w.Fits(at, coords * Int64(sizeof(FillDefCoord)))) return false;
		w.Swap<double>(at, coords * 2);
		at += coords * Int64(sizeof(FillDefCoord));
		if (!w.Fits(at, ends * 4)) return false;
		w.Swap<Int32>(at, ends);
		at += ends * 4;
		if (!w.Fits(at, Int64{arcCount} * Int64(sizeof(FillDefPolyArc)))) return false;
		for (Int32 a = 0; a < arcCount; ++a, at += sizeof(FillDefPolyArc)) {
			w.Swap<Int32>(at + Int64(offsetof(FillDefPolyArc, begIndex)), 1);
			w.Swap<Int32>(at + Int64(offsetof(FillDefPolyArc, endIndex)), 1);
			w.Swap<double>(at + Int64(offsetof(FillDefPolyArc, arcAngle)), 1);
		}
	}
	return true;
}

bool WalkDefCurrent(FillDefWalker& w, Int32 version) {
	if (!w.Fits(0, FillDefHeaderSize)) return false;
	if (version < FillDefTimeVersion) w.Clear(offsetof(FillDefHeader, modificationTime), 4);
	w.Take<Int32>(offsetof(FillDefHeader, byteCount));
	w.SwapCName(offsetof(FillDefHeader, name), sizeof(FillDefHeader::name));
	w.Swap<Int16>(offsetof(FillDefHeader, hostFillIdx), 2);
	w.Swap<Int32>(offsetof(FillDefHeader, modificationTime), 1);
	w.Swap<Int16>(offsetof(FillDefHeader, checksum), 2);
	// The pattern at +48 is 8 single bytes. Spacing factors, angle and both offsets:
	w.Swap<double>(offsetof(FillDefHeader, xSpacingFactor), 7);
	const Int16 fillType = w.Take<Int16>(offsetof(FillDefHeader, fillType));
	w.Swap<Int16>(offsetof(FillDefHeader, fillValuePc), 1);
	const Int32 hotSpots = w.Take<Int32>(offsetof(FillDefHeader, hotSpotCount));
	const Int32 lines = w.Take<Int32>(offsetof(FillDefHeader, lineCount));
	const Int32 arcs = w.Take<Int32>(offsetof(FillDefHeader, arcCount));
	const Int32 polygons = w.Take<Int32>(offsetof(FillDefHeader, polygonCount));
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
		Int32 length;
		std::memcpy(&length, buffer + at, sizeof length);
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
