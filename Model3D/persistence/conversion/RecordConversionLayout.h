// Field layouts of flat records and the generic byte-order walk over them. A layout
// lists the converted fields of one record form as runs of equal fields (offset, kind,
// count); bytes outside every run are padding or reserved and stay as they are.
#pragma once

#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"

#include <cstring>

namespace RecordConversion {

enum class FieldKind : UInt8 { StatusW, StatusL, Int16, Int32, UInt32, Int64, Float, Double };

constexpr UInt32 FieldWidth(FieldKind kind) {
	switch (kind) {
	case FieldKind::StatusW:
	case FieldKind::Int16:
		return 2;
	case FieldKind::StatusL:
	case FieldKind::Int32:
	case FieldKind::UInt32:
	case FieldKind::Float:
		return 4;
	case FieldKind::Int64:
	case FieldKind::Double:
		return 8;
	}
	return 0;
}

struct FieldRun {
	UInt32 offset;
	FieldKind kind;
	UInt32 count;
};

template <USize N> struct RecordLayout {
	UInt32 size;
	FieldRun runs[N];
};

// True when the runs are in ascending order, do not overlap and lie inside the record.
// Every layout is checked with this at compile time.
template <USize N> constexpr bool IsSoundLayout(const RecordLayout<N>& layout) {
	UInt32 end = 0;
	for (const FieldRun& run : layout.runs) {
		if (run.count == 0 || run.offset < end) return false;
		end = run.offset + run.count * FieldWidth(run.kind);
	}
	return end <= layout.size;
}

// Swaps one value of type T at 'p' with the primitive 'swap'. The value is copied into
// an aligned local first: records in file buffers need not be aligned.
template <typename T>
inline void SwapField(Kit::PlatformSign from, Kit::PlatformSign to, char* p,
                      void (*swap)(Kit::PlatformSign, Kit::PlatformSign, T*) noexcept) {
	T value;
	std::memcpy(&value, p, sizeof(T));
	swap(from, to, &value);
	std::memcpy(p, &value, sizeof(T));
}

inline void SwapRun(Kit::PlatformSign from, Kit::PlatformSign to, char* p, const FieldRun& run) {
	const UInt32 width = FieldWidth(run.kind);
	for (UInt32 i = 0; i < run.count; ++i, p += width) {
		switch (run.kind) {
		case FieldKind::StatusW:
			SwapField<UInt16>(from, to, p, IVSTATW);
			break;
		case FieldKind::StatusL:
			SwapField<UInt32>(from, to, p, IVSTATL);
			break;
		case FieldKind::Int16:
			SwapField<Int16>(from, to, p, IVShort);
			break;
		case FieldKind::Int32:
			SwapField<Int32>(from, to, p, IVLong);
			break;
		case FieldKind::UInt32:
			SwapField<UInt32>(from, to, p, IVULong);
			break;
		case FieldKind::Int64:
			SwapField<Int64>(from, to, p, IVInt64);
			break;
		case FieldKind::Float:
			SwapField<float>(from, to, p, IVFloat);
			break;
		case FieldKind::Double:
			SwapField<double>(from, to, p, IVDouble);
			break;
		}
	}
}

// Converts 'count' records of the given layout that start at buffer + *offset, and
// advances *offset by the bytes they take. Nothing is checked here: the callers check
// the range first when they know the buffer size.
template <USize N>
void SwapRecords(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32* offset, Int32 count,
                 const RecordLayout<N>& layout) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	char* record = buffer + *offset;
	if (Kit::NeedsSwap(from, to)) {
		for (Int32 r = 0; r < count; ++r, record += layout.size) {
			for (const FieldRun& run : layout.runs)
				SwapRun(from, to, record + run.offset, run);
		}
	}
	*offset = static_cast<Int32>(Int64{*offset} + Int64{count} * Int64{layout.size});
}

// The result of a range check: 0 when 'count' records of 'recordSize' bytes starting
// at *offset lie inside a buffer of 'bufferSize' bytes; −1 for a null buffer or offset
// pointer or a negative size, offset or count; −7003 when the records run past the
// buffer. Sums are taken in 64 bits so that no forged value can wrap around.
Int16 CheckRecordRange(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count, UInt32 recordSize);

} // namespace RecordConversion
