// Accessors and checksum of additional-parameter blocks.
#include "platform/Parx.h"

#include "platform/KitException.h"
#include "platform/ParxBlockView.h"

#include <cstring>

using namespace Parx;
using namespace Parx::Detail;

namespace {

// Reports a failure through 'err' when given, else throws.
bool Report(GSErrCode* err, GSErrCode code) {
	if (err != nullptr) {
		*err = code;
		return false;
	}
	if (code == ParxBadIndexError)
		throw Kit::IllegalArgumentException("Parx: parameter index out of range", __FILE__, __LINE__);
	throw Kit::InternalErrorException("Parx: damaged or unsupported parameter block", __FILE__, __LINE__);
}

bool Open(GSConstHandle handle, BlockView& view, GSErrCode* err) {
	if (!OpenBlock(handle, false, false, view)) return Report(err, ParxBadBlockError);
	if (err != nullptr) *err = NoError;
	return true;
}

bool OpenRecord(GSConstHandle handle, Int32 i, RecordInfo& info, GSErrCode* err) {
	BlockView view;
	if (!Open(handle, view, err)) return false;
	if (i < 0 || i >= view.count) return Report(err, ParxBadIndexError);
	if (!DecodeRecord(view, i, info)) return Report(err, ParxBadBlockError);
	return true;
}

} // namespace

bool ParxIsIntType(Int16 typeCode) {
	switch (typeCode) {
	case IntegerType:
	case BooleanType:
	case PenType:
	case MaterialType:
	case LineTypeType:
	case FillPatternType:
		return true;
	default:
		return false;
	}
}

bool ParxIsNumType(Int16 typeCode) {
	return typeCode == RealNumType || typeCode == LengthType || typeCode == AngleType;
}

Int32 ParxGetVarNumber(GSConstHandle handle, GSErrCode* err) {
	BlockView view;
	return Open(handle, view, err) ? view.count : 0;
}

Int16 ParxGetVarType(GSConstHandle handle, Int32 i, bool* isArray, Int32* dim1, Int32* dim2, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return 0;
	if (isArray != nullptr) *isArray = info.isArray;
	if (dim1 != nullptr) *dim1 = info.dim1;
	if (dim2 != nullptr) *dim2 = info.dim2;
	return info.typeCode;
}

void ParxGetVarName(GSConstHandle handle, Int32 i, char* buffer, Int32 bufferSize, GSErrCode* err) {
	if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err) || buffer == nullptr || bufferSize <= 0) return;
	const USize length = std::strlen(info.name); // terminated inside the record (checked)
	const USize n = length < USize(bufferSize - 1) ? length : USize(bufferSize - 1);
	std::memcpy(buffer, info.name, n);
	buffer[n] = '\0';
}

Int32 ParxGetIntVar(GSConstHandle handle, Int32 i, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return 0;
	if (info.kind != Kind::Int || info.isArray) {
		Report(err, ParxBadBlockError);
		return 0;
	}
	return Load<Int32>(info.record + offsetof(Record21, value), false);
}

double ParxGetNumVar(GSConstHandle handle, Int32 i, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return 0.0;
	if (info.kind != Kind::Num || info.isArray) {
		Report(err, ParxBadBlockError);
		return 0.0;
	}
	return Load<double>(info.record + offsetof(Record21, value), false);
}

const UniChar* ParxGetUStrVarRef(GSConstHandle handle, Int32 i, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return nullptr;
	if (info.kind != Kind::String) {
		Report(err, ParxBadBlockError);
		return nullptr;
	}
	// Aligned and terminated inside the block (checked by DecodeRecord).
	return reinterpret_cast<const UniChar*>(*handle + info.dataOffset);
}

const void* ParxGetUArrayRef(GSConstHandle handle, Int32 i, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return nullptr;
	if (!info.isArray && info.kind != Kind::String) return info.record + offsetof(Record21, value);
	return *handle + info.dataOffset;
}

bool ParxIsVarFix(GSConstHandle handle, Int32 i, GSErrCode* err) {
	RecordInfo info;
	if (!OpenRecord(handle, i, info, err)) return false;
	return info.fix;
}

Int32 ParxCalcCheckSumAddParHdl(GSConstHandle handle, GSErrCode* err) {
	BlockView view;
	std::vector<RecordInfo> records;
	if (!Open(handle, view, err)) return 0;
	if (!DecodeAll(view, records)) {
		Report(err, ParxBadBlockError);
		return 0;
	}
	// A multiplicative hash over what the parameters mean; reserved bytes and the
	// position of the data in the block do not count.
	UInt32 sum = static_cast<UInt32>(view.count);
	const auto add = [&sum](UInt32 value) { sum = sum * 31u + value; };
	const auto addBytes = [&add](const char* p, Int64 n) {
		for (Int64 k = 0; k < n; ++k)
			add(static_cast<UInt8>(p[k]));
	};
	for (const RecordInfo& r : records) {
		add(static_cast<UInt16>(r.typeCode));
		add(r.isArray ? 1 : 0);
		add(static_cast<UInt32>(r.dim1));
		add(static_cast<UInt32>(r.dim2));
		add(r.fix ? 1 : 0);
		addBytes(r.name, static_cast<Int64>(std::strlen(r.name)));
		if (!r.isArray && r.kind == Kind::Int)
			addBytes(r.record + offsetof(Record21, value), 4);
		else if (!r.isArray && r.kind == Kind::Num)
			addBytes(r.record + offsetof(Record21, value), 8);
		else
			addBytes(view.base + r.dataOffset, r.dataLen);
	}
	return static_cast<Int32>(sum);
}
