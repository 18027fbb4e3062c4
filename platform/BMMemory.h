// Memory blocks of the root library: relocatable handles and fixed pointers, and the
// raw memory helpers.
//
// A handle is a pointer to a master pointer: *h is the block's data. Resizing a handle
// may move the data, but the handle itself (the master pointer's address) stays the
// same, so everybody holding the handle sees the new data. A pointer block never moves.
//
// Every BM call sets a per-thread result code that BMError() returns: NoError, or
// BMOutOfMemory for a failed allocation and for a negative or oversized request, or
// BMNilHandle when a null handle or pointer was passed where a block was needed.
// Failed allocations return null; nothing here throws.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <cstring>
#include <type_traits>

// Allocation flags.
enum : UInt32 {
	ALLOCATE_CLEAR = 2, // zero-fill the new bytes
};

enum : GSErrCode {
	BMOutOfMemory = -108,
	BMNilHandle = -109,
};

// Largest block the allocator hands out (1 TiB); larger requests fail as out of memory
// instead of reaching the system allocator.
constexpr Int64 BMMaxBlockSize = Int64(1) << 40;

GSHandle BMAllocateHandle(Int64 size, UInt32 flags = 0, Int16 reserved = 0);
// Resizes the block of h, keeping the first min(old, new) bytes; with ALLOCATE_CLEAR the
// grown part is zero-filled. Returns h, or null on failure (h is then unchanged and
// still valid). A null h allocates a new handle.
GSHandle BMReallocHandle(GSHandle h, Int64 newSize, UInt32 flags = 0, Int16 reserved = 0);
// The data size of the handle's block; 0 for a null handle.
Int64 BMGetHandleSize(GSConstHandle h);
// Frees the handle and sets *h to null; a null argument or null handle is ignored.
void BMKillHandle(GSHandle* h);

GSPtr BMAllocatePtr(Int64 size, UInt32 flags = 0, Int16 reserved = 0);
// The data size of a block from BMAllocatePtr; 0 for null.
Int64 BMGetPtrSize(GSConstPtr p);
// Frees the block and sets *p to null; null is ignored.
void BMKillPtr(GSPtr* p);

// The result code of the calling thread's last BM call.
GSErrCode BMError();

// Copies n bytes; the ranges may overlap. Nothing happens for n <= 0.
void BNCopyMemory(void* destination, const void* source, Int64 n);
// Sets n bytes to 'value'.
void BNFillMemory(void* destination, Int64 n, UInt8 value);
// Zeroes n bytes.
void BNClear(void* destination, Int64 n);
// True when the n bytes at a and b are equal (always true for n <= 0).
bool BNCompareMemory(const void* a, const void* b, Int64 n);

// Zeroes a plain record.
template <typename T> inline void BNClear(T& record) {
	static_assert(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>, "BNClear is for plain records");
	std::memset(static_cast<void*>(&record), 0, sizeof(T));
}

#pragma GCC visibility pop
