// Checked reading of additional-parameter blocks, shared by the accessors and the
// conversions of the parametric-object library stand-in. Internal to platform/Parx*.cpp.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"
#include "platform/ParxBlock.h"

#include <cstring>
#include <vector>

// Internal to the parameter-block code: not exported.
#pragma GCC visibility push(hidden)
namespace Parx::Detail {

enum class Kind { Int, Num, String };

// Reads a value at p, swapping its bytes when the block is in the other byte order.
template <typename T> inline T Load(const char* p, bool swapped) {
	T value;
	std::memcpy(&value, p, sizeof(T));
	return swapped ? ByteSwap(value) : value;
}

// Which layout a block version has; false for unknown versions.
bool IsCurrentLayout(Int32 version);
bool IsOldLayout(Int32 version);

struct BlockView {
	const char* base = nullptr;
	Int64 size = 0;
	bool swapped = false; // the block is in the other byte order
	bool oldLayout = false;
	Int32 count = 0;
	Int16 version = 0;
	Int64 headerSize = 0;
	Int64 recordSize = 0;

	const char* Record(Int32 i) const { return base + headerSize + Int64(i) * recordSize; }
	Int64 DataStart() const { return headerSize + Int64(count) * recordSize; }
};

struct RecordInfo {
	Int16 typeCode = 0;
	Kind kind = Kind::Int;
	bool isArray = false;
	Int32 dim1 = 0;
	Int32 dim2 = 0;
	bool fix = false;
	Int64 dataOffset = 0;
	Int64 dataLen = 0;
	UInt64 elements = 1; // element count: 1 for scalars, dim1 x max(dim2, 1) for arrays
	const char* record = nullptr;
	const char* name = nullptr;
	Int32 nameSize = 0; // bytes of the name field
};

// Opens a block: the header must fit and its version must have the expected layout
// (oldLayout false: version 21 only). The records must fit the handle.
bool OpenBlock(GSConstHandle handle, bool swapped, bool oldLayout, BlockView& view);
// Decodes and checks record i (names terminated, dimensions consistent, data inside the
// block and large enough for the elements, strings terminated inside their data).
bool DecodeRecord(const BlockView& view, Int32 i, RecordInfo& info);
// Decodes every record and also requires their data areas to follow one another
// without overlapping.
bool DecodeAll(const BlockView& view, std::vector<RecordInfo>& records);

} // namespace Parx::Detail
#pragma GCC visibility pop

#pragma GCC visibility pop
