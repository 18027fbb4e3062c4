#include "platform/BMMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

thread_local GSErrCode lastError = NoError;

GSErrCode SetError(GSErrCode code) {
	lastError = code;
	return code;
}

bool IsValidSize(Int64 size) {
	return size >= 0 && size <= BMMaxBlockSize;
}

// The master block of a handle. The data pointer comes first so that a pointer to the
// master block is the handle itself.
struct MasterBlock {
	char* data;
	Int64 size;
};
static_assert(offsetof(MasterBlock, data) == 0);

MasterBlock* ToMaster(GSConstHandle h) {
	return reinterpret_cast<MasterBlock*>(const_cast<GSHandle>(h));
}

// Pointer blocks carry their size in a header in front of the data, padded so that the
// data stays aligned for any type.
constexpr USize PtrHeaderSize = alignof(std::max_align_t) > sizeof(Int64) ? alignof(std::max_align_t) : sizeof(Int64);

// Data blocks never have size 0 for the system allocator, so that a zero-size block
// still has a unique non-null address.
char* AllocateData(Int64 size, bool clear) {
	const USize bytes = size > 0 ? static_cast<USize>(size) : 1;
	return static_cast<char*>(clear ? std::calloc(bytes, 1) : std::malloc(bytes));
}

} // namespace

GSHandle BMAllocateHandle(Int64 size, UInt32 flags, Int16 /*reserved*/) {
	if (!IsValidSize(size)) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	auto* master = static_cast<MasterBlock*>(std::malloc(sizeof(MasterBlock)));
	if (master == nullptr) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	master->data = AllocateData(size, (flags & ALLOCATE_CLEAR) != 0);
	if (master->data == nullptr) {
		std::free(master);
		SetError(BMOutOfMemory);
		return nullptr;
	}
	master->size = size;
	SetError(NoError);
	return &master->data;
}

GSHandle BMReallocHandle(GSHandle h, Int64 newSize, UInt32 flags, Int16 reserved) {
	if (h == nullptr) return BMAllocateHandle(newSize, flags, reserved);
	if (!IsValidSize(newSize)) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	MasterBlock* master = ToMaster(h);
	const USize bytes = newSize > 0 ? static_cast<USize>(newSize) : 1;
	char* data = static_cast<char*>(std::realloc(master->data, bytes));
	if (data == nullptr) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	if ((flags & ALLOCATE_CLEAR) != 0 && newSize > master->size)
		std::memset(data + master->size, 0, static_cast<USize>(newSize - master->size));
	master->data = data;
	master->size = newSize;
	SetError(NoError);
	return h;
}

Int64 BMGetHandleSize(GSConstHandle h) {
	if (h == nullptr) {
		SetError(BMNilHandle);
		return 0;
	}
	SetError(NoError);
	return ToMaster(h)->size;
}

void BMKillHandle(GSHandle* h) {
	if (h == nullptr || *h == nullptr) {
		SetError(NoError);
		return;
	}
	MasterBlock* master = ToMaster(*h);
	std::free(master->data);
	std::free(master);
	*h = nullptr;
	SetError(NoError);
}

GSPtr BMAllocatePtr(Int64 size, UInt32 flags, Int16 /*reserved*/) {
	if (!IsValidSize(size)) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	char* block = AllocateData(size + static_cast<Int64>(PtrHeaderSize), (flags & ALLOCATE_CLEAR) != 0);
	if (block == nullptr) {
		SetError(BMOutOfMemory);
		return nullptr;
	}
	std::memcpy(block, &size, sizeof size);
	SetError(NoError);
	return block + PtrHeaderSize;
}

Int64 BMGetPtrSize(GSConstPtr p) {
	if (p == nullptr) {
		SetError(BMNilHandle);
		return 0;
	}
	Int64 size;
	std::memcpy(&size, p - PtrHeaderSize, sizeof size);
	SetError(NoError);
	return size;
}

void BMKillPtr(GSPtr* p) {
	if (p == nullptr || *p == nullptr) {
		SetError(NoError);
		return;
	}
	std::free(*p - PtrHeaderSize);
	*p = nullptr;
	SetError(NoError);
}

GSErrCode BMError() {
	return lastError;
}

void BNCopyMemory(void* destination, const void* source, Int64 n) {
	if (n > 0 && destination != nullptr && source != nullptr) std::memmove(destination, source, static_cast<USize>(n));
}

void BNFillMemory(void* destination, Int64 n, UInt8 value) {
	if (n > 0 && destination != nullptr) std::memset(destination, value, static_cast<USize>(n));
}

void BNClear(void* destination, Int64 n) {
	BNFillMemory(destination, n, 0);
}

bool BNCompareMemory(const void* a, const void* b, Int64 n) {
	if (n <= 0 || a == b) return true;
	if (a == nullptr || b == nullptr) return false;
	return std::memcmp(a, b, static_cast<USize>(n)) == 0;
}
