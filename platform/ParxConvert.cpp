// Byte-order conversion and version conversion of additional-parameter blocks.
#include "platform/BMMemory.h"
#include "platform/KitText.h"
#include "platform/Parx.h"
#include "platform/ParxBlockView.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

using namespace Parx;
using namespace Parx::Detail;

namespace {

template <typename T> void SwapAt(char* p) {
	T value;
	std::memcpy(&value, p, sizeof(T));
	value = ByteSwap(value);
	std::memcpy(p, &value, sizeof(T));
}

template <typename T> void SwapRun(char* p, UInt64 count) {
	for (UInt64 k = 0; k < count; ++k)
		SwapAt<T>(p + k * sizeof(T));
}

void SwapRecordData(char* base, const RecordInfo& r, bool oldLayout) {
	char* values = base + r.dataOffset;
	switch (r.kind) {
	case Kind::Int:
		if (r.isArray) SwapRun<Int32>(values, r.elements);
		break;
	case Kind::Num:
		if (r.isArray) SwapRun<double>(values, r.elements);
		break;
	case Kind::String:
		// Every unit of the area, padding included; 8-bit texts need nothing.
		if (!oldLayout) SwapRun<UInt16>(values, UInt64(r.dataLen) / 2);
		break;
	}
}

} // namespace

GSErrCode ParxSwapAddParHdl(Kit::PlatformSign from, GSHandle handle, Int32 version, Kit::PlatformSign to) {
	if (handle == nullptr || *handle == nullptr) return ParxBadBlockError;
	const bool oldLayout = IsOldLayout(version);
	if (!oldLayout && !IsCurrentLayout(version)) return ParxBadBlockError;
	if (!Kit::NeedsSwap(from, to)) return NoError;

	// The block is read in its present byte order and checked whole before any byte
	// changes, so a refused block is left as it was.
	const bool presentlyForeign = from != Kit::Native_Platform_Sign;
	BlockView view;
	std::vector<RecordInfo> records;
	try {
		if (!OpenBlock(handle, presentlyForeign, oldLayout, view) || view.version != version ||
		    !DecodeAll(view, records))
			return ParxBadBlockError;
	} catch (const std::bad_alloc&) {
		return BMOutOfMemory;
	}

	char* base = *handle;
	SwapAt<Int32>(base);
	SwapAt<Int16>(base + 4);
	for (const RecordInfo& r : records) {
		char* record = base + (r.record - view.base);
		if (oldLayout) {
			SwapAt<Int16>(record + offsetof(Record18, typeCode));
			SwapAt<Int32>(record + offsetof(Record18, dim1));
			SwapAt<Int32>(record + offsetof(Record18, dim2));
			SwapAt<Int32>(record + offsetof(Record18, dataOffset));
			SwapAt<Int32>(record + offsetof(Record18, dataLen));
		} else {
			SwapAt<Int16>(record + offsetof(Record21, typeCode));
			SwapAt<Int32>(record + offsetof(Record21, dim1));
			SwapAt<Int32>(record + offsetof(Record21, dim2));
			SwapAt<Int32>(record + offsetof(Record21, dataOffset));
			SwapAt<Int32>(record + offsetof(Record21, dataLen));
		}
		char* value = record + (oldLayout ? offsetof(Record18, value) : offsetof(Record21, value));
		if (!r.isArray && r.kind == Kind::Int)
			SwapAt<Int32>(value);
		else if (!r.isArray && r.kind == Kind::Num)
			SwapAt<double>(value);
		SwapRecordData(base, r, oldLayout);
	}
	return NoError;
}

GSErrCode SwapVarHdl(Kit::PlatformSign from, GSHandle handle, Int32 mode, Kit::PlatformSign to) {
	return ParxSwapAddParHdl(from, handle, mode, to);
}

namespace {

Int64 Round8(Int64 n) {
	return (n + 7) & ~Int64(7);
}

// Byte length of the UTF-16 form of 'count' 8-bit strings starting at p (checked to be
// terminated inside the record's data).
Int64 WideLength(const char* p, UInt64 count) {
	Int64 bytes = 0;
	for (UInt64 k = 0; k < count; ++k) {
		const Int64 n = static_cast<Int64>(std::strlen(p)) + 1;
		bytes += n * 2;
		p += n;
	}
	return bytes;
}

GSErrCode ConvertOldBlock(GSHandle handle) {
	BlockView view;
	std::vector<RecordInfo> records;
	if (!OpenBlock(handle, false, true, view) || !DecodeAll(view, records)) return ParxBadBlockError;

	// Size of the version-21 form.
	std::vector<Int64> newLengths(records.size(), 0);
	Int64 size = Int64(sizeof(BlockHeader21)) + Int64(view.count) * Int64(sizeof(Record21));
	for (USize k = 0; k < records.size(); ++k) {
		const RecordInfo& r = records[k];
		Int64 extent = 0;
		if (r.kind == Kind::String)
			extent = WideLength(view.base + r.dataOffset, r.elements);
		else if (r.isArray)
			extent = static_cast<Int64>(r.elements) * (r.kind == Kind::Int ? 4 : 8);
		newLengths[k] = Round8(extent);
		size += newLengths[k];
		if (size > 0x7FFFFFF0) return ParxBadBlockError;
	}

	std::vector<char> converted(static_cast<USize>(size), 0);
	char* out = converted.data();
	const BlockHeader21 header{view.count, CurrentBlockVersion, {}};
	std::memcpy(out, &header, sizeof header);
	Int64 dataOffset = Int64(sizeof(BlockHeader21)) + Int64(view.count) * Int64(sizeof(Record21));
	for (USize k = 0; k < records.size(); ++k) {
		const RecordInfo& r = records[k];
		Record21 record{};
		record.typeCode = r.typeCode;
		record.isArray = r.isArray ? 1 : 0;
		record.dim1 = r.dim1;
		record.dim2 = r.dim2;
		record.fix = r.fix ? 1 : 0;
		std::memcpy(record.value, r.record + offsetof(Record18, value), sizeof record.value);
		std::strncpy(record.name, r.name, sizeof record.name - 1);
		record.dataOffset = static_cast<Int32>(dataOffset);
		record.dataLen = r.isArray || r.kind == Kind::String ? static_cast<Int32>(newLengths[k]) : 0;
		const char* source = view.base + r.dataOffset;
		char* target = out + dataOffset;
		if (r.kind == Kind::String) {
			for (UInt64 e = 0; e < r.elements; ++e) {
				const USize n = std::strlen(source);
				std::vector<UniChar> units(n + 1, 0);
				CHANSI2Unicode(source, static_cast<Int32>(n), units.data(), static_cast<Int32>(n + 1));
				std::memcpy(target, units.data(), (n + 1) * sizeof(UniChar));
				target += (n + 1) * sizeof(UniChar);
				source += n + 1;
			}
		} else if (r.isArray) {
			std::memcpy(target, source, static_cast<USize>(r.elements * (r.kind == Kind::Int ? 4 : 8)));
		}
		std::memcpy(out + sizeof(BlockHeader21) + k * sizeof(Record21), &record, sizeof record);
		dataOffset += record.dataLen;
	}

	if (BMReallocHandle(handle, size, 0) == nullptr) return BMError() != NoError ? BMError() : BMOutOfMemory;
	std::memcpy(*handle, converted.data(), static_cast<USize>(size));
	return NoError;
}

} // namespace

GSErrCode ConvertOldsParam_To_NewParam(GSHandle handle, double /*oldGdlVersion*/, double /*newGdlVersion*/,
                                       Int32 version) {
	try {
		if (IsCurrentLayout(version)) {
			BlockView view;
			std::vector<RecordInfo> records;
			return OpenBlock(handle, false, false, view) && DecodeAll(view, records) ? NoError : ParxBadBlockError;
		}
		if (IsOldLayout(version)) return ConvertOldBlock(handle);
		return ParxBadBlockError;
	} catch (const std::bad_alloc&) {
		return BMOutOfMemory;
	}
}
