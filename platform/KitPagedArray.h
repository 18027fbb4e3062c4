// Kit::PagedArray: a growable array stored in pages of 8 items. Items never move when
// the array grows, so references to them stay valid until they are removed.
//
// The pages are taken from blocks that double in size: block b holds 2^b pages, so
// that an array of n items makes about log2(n / 8) allocations and reaches item i by a
// bit count instead of a page table. Only the items below the size are constructed;
// the rest of the last block is raw storage.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace Kit {

template <typename T> class PagedArray {
public:
	static constexpr USize PageSize = 8;

	PagedArray() = default;
	PagedArray(const PagedArray& other) {
		try {
			Append(other);
		} catch (...) {
			Clear(); // no destructor runs for a constructor that throws
			throw;
		}
	}
	// A moved-from array is empty and usable.
	PagedArray(PagedArray&& other) noexcept { Steal(other); }
	PagedArray& operator=(const PagedArray& other) {
		if (this != &other) {
			SetSize(0);
			Append(other);
		}
		return *this;
	}
	PagedArray& operator=(PagedArray&& other) noexcept {
		if (this != &other) {
			Clear();
			Steal(other);
		}
		return *this;
	}
	~PagedArray() { Clear(); }

	USize GetSize() const { return count; }
	bool IsEmpty() const { return count == 0; }

	T& operator[](USize i) { return At(i); }
	const T& operator[](USize i) const { return At(i); }
	T& GetLast() { return At(count - 1); }
	const T& GetLast() const { return At(count - 1); }

	void Push(const T& item) {
		new (NextSlot()) T(item);
		++count;
	}
	void Push(T&& item) {
		new (NextSlot()) T(std::move(item));
		++count;
	}
	// Appends n items copied from 'items' (which may be items of this array: they do not
	// move).
	void Append(const T* items, USize n) {
		while (n > 0) {
			T* slot = NextSlot();
			const USize run = std::min(n, BlockEnd(BlockOf(count)) - count);
			CopyConstruct(items, run, slot);
			count += run;
			items += run;
			n -= run;
		}
	}
	// Resizes; new items are value-initialised, removed items are destroyed so that
	// whatever they held is released now. The storage stays until Clear.
	void SetSize(USize n) {
		while (count < n) {
			T* slot = NextSlot();
			const USize run = std::min(n, BlockEnd(BlockOf(count)) - count);
			std::uninitialized_value_construct_n(slot, run);
			count += run;
		}
		if constexpr (!std::is_trivially_destructible_v<T>) {
			for (; count > n; --count)
				At(count - 1).~T();
		}
		count = n;
	}
	void DeleteLast() { SetSize(count - 1); }
	// Destroys the items and frees every block.
	KIT_REINITIALIZES void Clear() {
		SetSize(0);
		for (USize b = 0; b < blockCount; ++b)
			FreeBlock(Block(b));
		delete[] table;
		table = nullptr;
		first = nullptr;
		blockCount = 0;
	}
	USize GetCapacity() const { return BlockBegin(blockCount); }

	template <typename F> void ForEach(F&& f) const {
		ForEachRun([&f](const T* items, USize n) {
			for (USize k = 0; k < n; ++k)
				f(items[k]);
		});
	}
	// Calls f(items, n) for each stretch of items that lie one after the other in memory,
	// in index order.
	template <typename F> void ForEachRun(F&& f) const {
		for (USize b = 0; b < blockCount && BlockBegin(b) < count; ++b)
			f(static_cast<const T*>(Block(b)), std::min(count, BlockEnd(b)) - BlockBegin(b));
	}
	// Copy-constructs every item into the raw storage at 'out' (room for GetSize() items).
	void CopyConstructTo(T* out) const {
		ForEachRun([&out](const T* items, USize n) {
			CopyConstruct(items, n, out);
			out += n;
		});
	}

private:
	// Item i lies in block BlockOf(i), which covers BlockBegin(b) … BlockEnd(b) − 1.
	static USize BlockOf(USize i) { return static_cast<USize>(std::bit_width(i / PageSize + 1)) - 1; }
	static constexpr USize BlockBegin(USize b) { return PageSize * ((USize(1) << b) - 1); }
	static constexpr USize BlockEnd(USize b) { return BlockBegin(b + 1); }
	// Enough blocks for every index a USize can hold.
	static constexpr USize MaxBlocks = 8 * sizeof(USize) - 3;

	T* Block(USize b) const { return b == 0 ? first : table[b]; }
	T& At(USize i) const {
		const USize b = BlockOf(i);
		return Block(b)[i - BlockBegin(b)];
	}

	static void CopyConstruct(const T* from, USize n, T* to) {
		if constexpr (std::is_trivially_copyable_v<T>) {
			if (n > 0) std::memcpy(static_cast<void*>(to), from, n * sizeof(T));
		} else {
			std::uninitialized_copy_n(from, n, to);
		}
	}

	// The raw slot of item 'count', with a new block when the last one is full.
	T* NextSlot() {
		const USize b = BlockOf(count);
		if (b == blockCount) AddBlock();
		return Block(b) + (count - BlockBegin(b));
	}

	static constexpr bool OverAligned = alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__;
	static T* AllocateBlock(USize items) {
		if constexpr (OverAligned)
			return static_cast<T*>(::operator new(items * sizeof(T), std::align_val_t(alignof(T))));
		else
			return static_cast<T*>(::operator new(items * sizeof(T)));
	}
	static void FreeBlock(T* block) {
		if constexpr (OverAligned)
			::operator delete(static_cast<void*>(block), std::align_val_t(alignof(T)));
		else
			::operator delete(static_cast<void*>(block));
	}

	// The table of blocks is made with the second block and doubles from 4 entries.
	void AddBlock() {
		if (blockCount == MaxBlocks) throw std::bad_alloc();
		if (blockCount >= 1 && (blockCount == 1 || (blockCount >= 4 && std::has_single_bit(blockCount)))) {
			const USize entries = blockCount == 1 ? 4 : std::min(2 * blockCount, MaxBlocks);
			T** grown = new T*[entries]();
			if (table != nullptr) std::copy(table, table + blockCount, grown);
			delete[] table;
			table = grown;
		}
		T* block = AllocateBlock(PageSize << blockCount);
		if (blockCount == 0)
			first = block;
		else
			table[blockCount] = block;
		++blockCount;
	}

	void Append(const PagedArray& other) {
		other.ForEachRun([this](const T* items, USize n) { Append(items, n); });
	}

	void Steal(PagedArray& other) noexcept {
		first = std::exchange(other.first, nullptr);
		table = std::exchange(other.table, nullptr);
		blockCount = std::exchange(other.blockCount, 0);
		count = std::exchange(other.count, 0);
	}

	T* first = nullptr;   // block 0
	T** table = nullptr;  // blocks 1 … blockCount − 1 at their index; null below two blocks
	USize blockCount = 0; // blocks allocated
	USize count = 0;      // items constructed
};

} // namespace Kit

#pragma GCC visibility pop
