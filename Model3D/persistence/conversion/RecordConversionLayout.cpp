// The byte-order walk over record layouts: the one place where record fields meet the
// platform's byte-order primitives.
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"

#include "platform/ByteOrder.h"
#include "platform/KitGuid.h"

#include <cstring>

namespace RecordConversion {

namespace {

// Swaps the value of type T at p with the primitive 'swap', through an aligned local.
template <typename T>
void SwapField(Kit::PlatformSign from, Kit::PlatformSign to, char* p,
               void (*swap)(Kit::PlatformSign, Kit::PlatformSign, T*) noexcept) {
	T value = LoadUnaligned<T>(p);
	swap(from, to, &value);
	StoreUnaligned(p, value);
}

void SwapGuid(Kit::PlatformSign from, Kit::PlatformSign to, char* p) {
	auto guid = LoadUnaligned<Kit::Guid>(p);
	guid.IV(from, to);
	StoreUnaligned(p, guid);
}

void SwapRun(Kit::PlatformSign from, Kit::PlatformSign to, char* p, const FieldRun& run) {
	switch (run.kind) {
	case FieldKind::CText:
		IVChars(from, to, strnlen(p, run.count), p);
		return;
	case FieldKind::PText: {
		const UInt32 length = static_cast<unsigned char>(*p);
		IVChars(from, to, length < run.count ? length : run.count - 1, p + 1);
		return;
	}
	case FieldKind::Keep:
		return;
	case FieldKind::Clear:
		std::memset(p, 0, run.count);
		return;
	default:
		break;
	}
	const UInt32 width = FieldWidth(run.kind);
	for (UInt32 i = 0; i < run.count; ++i, p += width)
		SwapValue(from, to, p, run.kind);
}

} // namespace

void SwapValue(Kit::PlatformSign from, Kit::PlatformSign to, char* p, FieldKind kind) {
	switch (kind) {
	case FieldKind::StatusW:
		SwapField<UInt16>(from, to, p, IVSTATW);
		break;
	case FieldKind::StatusL:
		SwapField<UInt32>(from, to, p, IVSTATL);
		break;
	case FieldKind::Int16:
		SwapField<Int16>(from, to, p, IVShort);
		break;
	case FieldKind::UInt16:
		SwapField<UInt16>(from, to, p, IVUShort);
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
	case FieldKind::Color:
		SwapField<Kit::RGBColor>(from, to, p, IVKit_RGBColor);
		break;
	case FieldKind::Guid:
		SwapGuid(from, to, p);
		break;
	case FieldKind::CText:
	case FieldKind::PText:
	case FieldKind::Keep:
	case FieldKind::Clear:
		break; // not single values
	}
}

void SwapRecordsAt(Kit::PlatformSign from, Kit::PlatformSign to, char* first, Int64 count, const LayoutView& layout) {
	if (!Kit::NeedsSwap(from, to)) return;
	char* record = first;
	for (Int64 r = 0; r < count; ++r, record += layout.size) {
		for (USize i = 0; i < layout.runCount; ++i)
			SwapRun(from, to, record + layout.runs[i].offset, layout.runs[i]);
	}
}

Int16 CheckRequest(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count) {
	if (buffer == nullptr || offset == nullptr || bufferSize < 0 || *offset < 0 || count < 0)
		return RecordConversionBadStructure;
	return RecordConversionNoError;
}

Int16 CheckRecordRange(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count, UInt32 recordSize) {
	if (const Int16 err = CheckRequest(buffer, bufferSize, offset, count); err != RecordConversionNoError) return err;
	if (!RangeFits(*offset, count, recordSize, bufferSize)) return RecordConversionOverrun;
	return RecordConversionNoError;
}

void SwapRecords(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32* offset, Int32 count,
                 const LayoutView& layout) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	SwapRecordsAt(from, to, buffer + *offset, count, layout);
	*offset = static_cast<Int32>(Int64{*offset} + Int64{count} * Int64{layout.size});
}

Int16 SwapRecordsChecked(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32 bufferSize, Int32* offset,
                         Int32 count, const LayoutView& layout) {
	const Int16 err = CheckRecordRange(buffer, bufferSize, offset, count, layout.size);
	if (err == RecordConversionNoError) SwapRecords(from, to, buffer, offset, count, layout);
	return err;
}

} // namespace RecordConversion
