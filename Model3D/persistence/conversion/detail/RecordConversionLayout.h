// Field layouts of flat records and the one byte-order walk over them. A layout lists
// every byte of one record form as runs of equal fields (offset, kind, count), in
// ascending order and without gaps; the record tables themselves are in
// RecordConversionTables.h. Records with a variable part convert each fixed piece of it
// through a layout too, so that every field of every record is swapped here.
#pragma once

#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "platform/KitTypes.h"

namespace RecordConversion {

enum class FieldKind : UInt8 {
	StatusW, // 16-bit status word
	StatusL, // 32-bit status word
	Int16,
	UInt16,
	Int32,
	UInt32,
	Int64,
	Float,
	Double,
	Color, // Kit::RGBColor, three UInt16
	Guid,  // Kit::Guid
	// The kinds below make one field of 'count' bytes each, not 'count' fields.
	CText, // zero-terminated 8-bit text; converted up to its terminator or the field's end
	PText, // 8-bit text after a length byte; the length is cut to the field
	Keep,  // reserved bytes or padding, left as they are
	Clear, // bytes that are set to 0 whenever the record changes byte order
};

// Bytes of one field of the kind; 1 for the kinds whose run is one field of 'count' bytes.
constexpr UInt32 FieldWidth(FieldKind kind) {
	switch (kind) {
	case FieldKind::StatusW:
	case FieldKind::Int16:
	case FieldKind::UInt16:
		return 2;
	case FieldKind::StatusL:
	case FieldKind::Int32:
	case FieldKind::UInt32:
	case FieldKind::Float:
		return 4;
	case FieldKind::Int64:
	case FieldKind::Double:
		return 8;
	case FieldKind::Color:
		return 6;
	case FieldKind::Guid:
		return 16;
	case FieldKind::CText:
	case FieldKind::PText:
	case FieldKind::Keep:
	case FieldKind::Clear:
		return 1;
	}
	return 0;
}

struct FieldRun {
	UInt32 offset;
	FieldKind kind;
	UInt32 count;
};

constexpr UInt32 RunBytes(const FieldRun& run) {
	return run.count * FieldWidth(run.kind);
}

// A layout of any length, as the walk takes it.
struct LayoutView {
	UInt32 size;
	const FieldRun* runs;
	USize runCount;
};

template <USize N> struct RecordLayout {
	UInt32 size;
	FieldRun runs[N];

	constexpr operator LayoutView() const { return LayoutView{size, runs, N}; }
};

// True when the runs follow each other from byte 0 to the record's end, so that every
// byte of the record belongs to exactly one run. Every table is checked with this at
// compile time.
template <USize N> constexpr bool IsCompleteLayout(const RecordLayout<N>& layout) {
	UInt32 end = 0;
	for (const FieldRun& run : layout.runs) {
		if (run.count == 0 || FieldWidth(run.kind) == 0 || run.offset != end) return false;
		end += RunBytes(run);
	}
	return end == layout.size;
}

// Converts 'count' consecutive records of the layout that start at 'first' (which need
// not be aligned) from the byte order of platform 'from' to that of 'to'. Nothing
// happens when both have the same byte order. Nothing is checked here.
void SwapRecordsAt(Kit::PlatformSign from, Kit::PlatformSign to, char* first, Int64 count, const LayoutView& layout);

// Converts one value of a fixed-width kind at p, in the same way as a field of a layout.
void SwapValue(Kit::PlatformSign from, Kit::PlatformSign to, char* p, FieldKind kind);

// True when 'count' items of 'itemSize' bytes starting at byte 'at' end at or before
// 'limit'. Negative values never fit, and no value can make the sum wrap around.
constexpr bool RangeFits(Int64 at, Int64 count, Int64 itemSize, Int64 limit) {
	if (at < 0 || count < 0 || itemSize < 0 || at > limit) return false;
	return count == 0 || itemSize <= (limit - at) / count;
}

// RecordConversionBadStructure for a null buffer or offset pointer or a negative size,
// offset or count; otherwise RecordConversionNoError.
Int16 CheckRequest(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count);

// The range check of the checked conversions: CheckRequest's result when that fails;
// RecordConversionOverrun when 'count' records of 'recordSize' bytes from *offset run
// past 'bufferSize'; RecordConversionNoError when they fit.
Int16 CheckRecordRange(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count, UInt32 recordSize);

// Converts 'count' records that start at buffer + *offset and advances *offset by the
// bytes they take. Does nothing for a null buffer or offset pointer or a count that is
// not positive; trusts its caller that the records lie inside the buffer.
void SwapRecords(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32* offset, Int32 count,
                 const LayoutView& layout);

// SwapRecords after CheckRecordRange: converts nothing and leaves *offset as it was unless
// the whole range fits.
Int16 SwapRecordsChecked(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32 bufferSize, Int32* offset,
                         Int32 count, const LayoutView& layout);

} // namespace RecordConversion
