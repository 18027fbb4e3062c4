#include "platform/ParxBlockView.h"

#include "platform/BMMemory.h"
#include "platform/Parx.h"

namespace Parx::Detail {

bool IsCurrentLayout(Int32 version) {
	return version == CurrentBlockVersion;
}

bool IsOldLayout(Int32 version) {
	return version == OldBlockVersion || version == OldBlockVersionChecked;
}

bool OpenBlock(GSConstHandle handle, bool swapped, bool oldLayout, BlockView& view) {
	if (handle == nullptr || *handle == nullptr) return false;
	view = BlockView{};
	view.base = *handle;
	view.size = BMGetHandleSize(handle);
	view.swapped = swapped;
	view.oldLayout = oldLayout;
	view.headerSize = oldLayout ? Int64(sizeof(BlockHeader18)) : Int64(sizeof(BlockHeader21));
	view.recordSize = oldLayout ? Int64(sizeof(Record18)) : Int64(sizeof(Record21));
	if (view.size < view.headerSize) return false;
	view.count = Load<Int32>(view.base, swapped);
	view.version = Load<Int16>(view.base + 4, swapped);
	if (oldLayout ? !IsOldLayout(view.version) : !IsCurrentLayout(view.version)) return false;
	if (view.count < 0 || view.DataStart() > view.size) return false;
	return true;
}

namespace {

bool KindOf(Int16 typeCode, Kind& kind) {
	if (ParxIsIntType(typeCode))
		kind = Kind::Int;
	else if (ParxIsNumType(typeCode))
		kind = Kind::Num;
	else if (typeCode == StringType)
		kind = Kind::String;
	else
		return false;
	return true;
}

// Checks that 'count' strings end inside [from, from + length): UTF-16 texts end with
// a zero unit, 8-bit texts with a zero byte.
bool StringsTerminated(const char* from, Int64 length, UInt64 count, bool wide) {
	const Int64 unit = wide ? 2 : 1;
	Int64 pos = 0;
	for (UInt64 k = 0; k < count; ++k) {
		for (;;) {
			if (pos + unit > length) return false;
			const bool zero = wide ? (from[pos] == 0 && from[pos + 1] == 0) : from[pos] == 0;
			pos += unit;
			if (zero) break;
		}
	}
	return true;
}

} // namespace

bool DecodeRecord(const BlockView& view, Int32 i, RecordInfo& info) {
	if (i < 0 || i >= view.count) return false;
	const char* r = view.Record(i);
	const bool s = view.swapped;
	info = RecordInfo{};
	info.record = r;
	Int64 dataOffset = 0;
	Int64 dataLen = 0;
	if (view.oldLayout) {
		info.typeCode = Load<Int16>(r + offsetof(Record18, typeCode), s);
		const UInt8 isArray = Load<UInt8>(r + offsetof(Record18, isArray), s);
		const UInt8 fix = Load<UInt8>(r + offsetof(Record18, fix), s);
		if (isArray > 1 || fix > 1) return false;
		info.isArray = isArray != 0;
		info.fix = fix != 0;
		info.dim1 = Load<Int32>(r + offsetof(Record18, dim1), s);
		info.dim2 = Load<Int32>(r + offsetof(Record18, dim2), s);
		dataOffset = Load<Int32>(r + offsetof(Record18, dataOffset), s);
		dataLen = Load<Int32>(r + offsetof(Record18, dataLen), s);
		info.name = r + offsetof(Record18, name);
		info.nameSize = sizeof(Record18::name);
	} else {
		info.typeCode = Load<Int16>(r + offsetof(Record21, typeCode), s);
		const UInt8 isArray = Load<UInt8>(r + offsetof(Record21, isArray), s);
		const UInt8 fix = Load<UInt8>(r + offsetof(Record21, fix), s);
		if (isArray > 1 || fix > 1) return false;
		info.isArray = isArray != 0;
		info.fix = fix != 0;
		info.dim1 = Load<Int32>(r + offsetof(Record21, dim1), s);
		info.dim2 = Load<Int32>(r + offsetof(Record21, dim2), s);
		dataOffset = Load<Int32>(r + offsetof(Record21, dataOffset), s);
		dataLen = Load<Int32>(r + offsetof(Record21, dataLen), s);
		info.name = r + offsetof(Record21, name);
		info.nameSize = sizeof(Record21::name);
	}
	if (!KindOf(info.typeCode, info.kind)) return false;
	if (std::memchr(info.name, 0, static_cast<USize>(info.nameSize)) == nullptr) return false;
	// Dimensions: an array has dim1 > 0 and dim2 >= 0; a scalar has both 0.
	if (info.dim1 < 0 || info.dim2 < 0 || info.isArray != (info.dim1 != 0) || (!info.isArray && info.dim2 != 0))
		return false;
	info.elements = info.isArray ? UInt64(info.dim1) * UInt64(info.dim2 < 1 ? 1 : info.dim2) : 1;
	// Data inside the block, after the records.
	if (dataOffset < view.DataStart() || dataLen < 0 || dataOffset + dataLen > view.size) return false;
	info.dataOffset = dataOffset;
	info.dataLen = dataLen;
	const char* values = view.base + dataOffset;
	switch (info.kind) {
	case Kind::Int:
	case Kind::Num: {
		const Int64 elementSize = info.kind == Kind::Int ? 4 : 8;
		if (!info.isArray) {
			// The value lives in the record.
			if (dataLen != 0) return false;
		} else {
			if (info.elements > UInt64(dataLen / elementSize)) return false;
			// Arrays are handed out as pointers into the block, so they must be aligned.
			if (!view.oldLayout && dataOffset % elementSize != 0) return false;
		}
		break;
	}
	case Kind::String: {
		const bool wide = !view.oldLayout;
		if (wide && (dataOffset % 2 != 0 || dataLen % 2 != 0)) return false;
		if (!StringsTerminated(values, dataLen, info.elements, wide)) return false;
		break;
	}
	}
	return true;
}

bool DecodeAll(const BlockView& view, std::vector<RecordInfo>& records) {
	records.clear();
	records.reserve(static_cast<USize>(view.count));
	Int64 end = view.DataStart();
	for (Int32 i = 0; i < view.count; ++i) {
		RecordInfo info;
		if (!DecodeRecord(view, i, info)) return false;
		if (info.dataLen != 0) {
			if (info.dataOffset < end) return false;
			end = info.dataOffset + info.dataLen;
		}
		records.push_back(info);
	}
	return true;
}

} // namespace Parx::Detail
