// The root library's variable arrays: a DESC describes a growable table of fixed-size
// items kept in one relocatable block (a BM handle), and vaManager creates, grows,
// shrinks and frees such tables.
//
// Items are numbered from 1: item i lies at byte i * itemSize of the block, and the item
// at position 0 is never used, so the block holds allocCount + 1 items. Items that come
// into use (by an append or by a resize that raises the count) are always zero-filled,
// whatever the block held there before.
//
// Growth: when an append needs more room, the allocation grows to the larger of the
// needed count and one and a half times the current allocation, rounded up to a
// multiple of the increment. No operation throws; failures are reported by result.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <cstddef>

struct DESC {
	Int32 itemCount;  // items in use
	Int32 allocCount; // items allocated (not counting the unused item 0)
	Int32 increment;  // growth step in items
	Int32 itemSize;   // bytes per item
	GSHandle data;    // the item block; item i at byte i * itemSize
};
static_assert(sizeof(DESC) == 24);
static_assert(offsetof(DESC, itemCount) == 0);
static_assert(offsetof(DESC, allocCount) == 4);
static_assert(offsetof(DESC, increment) == 8);
static_assert(offsetof(DESC, itemSize) == 12);
static_assert(offsetof(DESC, data) == 16);

// Result codes of the manager.
enum : Int16 {
	VAOutOfMemory = -108, // the block could not be allocated or grown, or a count overflowed
	VABadArgument = -1,   // a negative count, an increment or item size below 1, no block
};

class VAManager {
public:
	// Makes an empty table (count 0) with room for 'increment' items. Returns 0, or an
	// error code with the descriptor left empty and without a block.
	Int16 Init(DESC* desc, Int32 increment, Int32 itemSize) const;

	// Appends one zero-filled item and returns its 1-based index; 0 when it cannot.
	Int32 AppendItem(DESC* desc) const;
	// Appends n zero-filled items and returns the index of the first; a negative code
	// when it cannot (n < 0, overflow, no memory). n = 0 changes nothing and returns
	// count + 1.
	Int32 AppendItems(DESC* desc, Int32 n) const;

	// Sets the count to newCount (or keeps it when newCount is -1) and makes room for at
	// least max(count, room) items. The allocation grows when it is smaller; it shrinks
	// to max(newCount, room) only when the count goes down (a block that cannot shrink
	// stays as it is). Items newly brought into use are zero-filled.
	// Returns 0, or an error code with the table unchanged.
	Int16 Resize(DESC* desc, Int32 newCount, Int32 room) const;

	// Shrinks the allocation to the count.
	void ReleaseUnusedMemory(DESC* desc) const;

	// Frees the block and leaves the descriptor empty (all fields 0, no block).
	void Free(DESC* desc) const;

	// Address of item i (1-based; 0 gives the unused first item). Not checked.
	static char* ItemPtr(const DESC& desc, Int32 i) {
		return *desc.data + static_cast<Int64>(i) * static_cast<Int64>(desc.itemSize);
	}
	// Bytes of the allocated items, as the table's allocation figure (allocCount * itemSize).
	static Int64 AllocatedBytes(const DESC& desc) {
		return static_cast<Int64>(desc.allocCount) * static_cast<Int64>(desc.itemSize);
	}

private:
	Int16 Reallocate(DESC* desc, Int32 newAllocCount) const;
};

// The process-wide manager (it keeps no state of its own).
extern const VAManager vaManager;

#pragma GCC visibility pop
