// Kit::PagedArray: a growable array whose items never move when it grows, so references
// to them stay valid until they are removed.
//
// The items live in pages of 8 (PageSize), found through a table of page addresses whose
// first entries are kept inside the array. The pages are cut from slabs: the first slab
// is one page, each next one twice as many up to 8 Ki pages, and all later ones
// SlabPagesMax, about a huge page of memory (Kit::AllocateBlock). Which pages a slab
// holds follows from their numbers alone, so an array of up to 8 items costs one
// allocation, a large one an allocation per 64 Ki items or per huge page, and the items
// of a slab can be copied as one run. Only the items below the size are constructed;
// the rest of the last slab is raw memory.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitBlocks.h"
#include "platform/KitTypes.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace Kit {

template <typename T> class PagedArray {
	static_assert(alignof(T) <= alignof(std::max_align_t), "slabs are aligned as malloc aligns");

public:
	static constexpr USize PageSize = 8;
	static constexpr USize DoublingSlabs = 13; // slabs that grow before their size is fixed
	// The fixed size: as many pages as fit in a huge page, at least as many as the last
	// doubling slab.
	static constexpr USize SlabPagesMax = std::max(USize(1) << DoublingSlabs, HugePageBytes / (PageSize * sizeof(T)));

	PagedArray() = default;
	PagedArray(const PagedArray& other) {
		try {
			*this = other;
		} catch (...) {
			Clear();
			throw;
		}
	}
	// A moved-from array is empty.
	PagedArray(PagedArray&& other) noexcept { TakeFrom(other); }
	PagedArray& operator=(const PagedArray& other) {
		if (this != &other) {
			Clear();
			Reserve(other.count);
			other.ForEachRun([this](const T* items, USize n) {
				T* to = Locate(count);
				for (USize k = 0; k < n; ++k) {
					::new (static_cast<void*>(to + k)) T(items[k]);
					++count;
				}
			});
		}
		return *this;
	}
	PagedArray& operator=(PagedArray&& other) noexcept {
		if (this != &other) {
			Clear();
			TakeFrom(other);
		}
		return *this;
	}
	~PagedArray() { Clear(); }

	USize GetSize() const { return count; }
	bool IsEmpty() const { return count == 0; }

	T& operator[](USize i) { return *Locate(i); }
	const T& operator[](USize i) const { return *Locate(i); }
	T& GetLast() { return (*this)[count - 1]; }
	const T& GetLast() const { return (*this)[count - 1]; }

	// The item may be one of the array's own: growing moves nothing.
	void Push(const T& item) {
		Reserve(count + 1);
		::new (static_cast<void*>(Locate(count))) T(item);
		++count;
	}
	void Push(T&& item) {
		Reserve(count + 1);
		::new (static_cast<void*>(Locate(count))) T(std::move(item));
		++count;
	}
	// Appends n items copied from 'items' (they may be the array's own: growing moves nothing).
	void Append(const T* items, USize n) {
		Reserve(count + n);
		while (n > 0) {
			const USize run = std::min(n, PageSize - count % PageSize);
			T* to = Locate(count);
			if constexpr (std::is_trivially_copyable_v<T>) {
				std::copy(items, items + run, to);
				count += run;
			} else {
				for (USize k = 0; k < run; ++k) {
					::new (static_cast<void*>(to + k)) T(items[k]);
					++count;
				}
			}
			items += run;
			n -= run;
		}
	}
	// Resizes; new items are value-initialised, removed items are destroyed now (so that
	// whatever they held is released) and slabs left without items are freed.
	void SetSize(USize n) {
		if (n > count) {
			Reserve(n);
			while (count < n) {
				::new (static_cast<void*>(Locate(count))) T();
				++count;
			}
		} else {
			DestroyFrom(n);
			FreeSlabsFrom(n == 0 ? 0 : SlabOf((n - 1) / PageSize) + 1);
		}
	}
	void DeleteLast() { SetSize(count - 1); }
	KIT_REINITIALIZES void Clear() {
		DestroyFrom(0);
		FreeSlabsFrom(0);
		FreeTable();
	}
	// As Clear, but the slabs go back to the system at once, also those that would be
	// kept for reuse (Kit::ReleaseBlock).
	KIT_REINITIALIZES void Release() {
		DestroyFrom(0);
		FreeSlabsFrom(0, ReleaseBlock);
		FreeTable();
	}
	// Makes room for n items without constructing them.
	void Reserve(USize n) {
		while (GetCapacity() < n)
			AddSlab();
	}
	USize GetCapacity() const { return pageCount * PageSize; }

	template <typename F> void ForEach(F&& f) const {
		ForEachRun([&f](const T* items, USize n) {
			for (USize k = 0; k < n; ++k)
				f(items[k]);
		});
	}
	// Calls f(first, n) for each run of items stored one after the other, in order.
	template <typename F> void ForEachRun(F&& f) const {
		for (USize i = 0; i < count;) {
			const USize run = std::min(count - i, RunAt(i));
			f(static_cast<const T*>(Locate(i)), run);
			i += run;
		}
	}

private:
	static constexpr USize SlabPages(USize j) { return j <= DoublingSlabs ? USize(1) << j : SlabPagesMax; }
	// Number of the first page of slab j.
	static constexpr USize SlabStart(USize j) {
		if (j <= DoublingSlabs + 1) return (USize(1) << j) - 1;
		return (USize(2) << DoublingSlabs) - 1 + (j - DoublingSlabs - 1) * SlabPagesMax;
	}
	// The slab of page p.
	static USize SlabOf(USize p) {
		constexpr USize growingPages = (USize(2) << DoublingSlabs) - 1;
		if (p < growingPages) return static_cast<USize>(std::bit_width(p + 1)) - 1;
		return DoublingSlabs + 1 + (p - growingPages) / SlabPagesMax;
	}
	T* Locate(USize i) const { return pages[i / PageSize] + i % PageSize; }
	// Items from i to the end of its slab (whose pages lie one after the other).
	static USize RunAt(USize i) {
		const USize j = SlabOf(i / PageSize);
		return (SlabStart(j) + SlabPages(j)) * PageSize - i;
	}
	USize SlabCount() const { return pageCount == 0 ? 0 : SlabOf(pageCount - 1) + 1; }
	void AddSlab() {
		const USize n = SlabPages(SlabCount());
		if (pageCount + n > tableCapacity) GrowTable(std::max(2 * tableCapacity, pageCount + n));
		T* slab = static_cast<T*>(AllocateBlock(n * PageSize * sizeof(T)));
		if (slab == nullptr) throw std::bad_alloc();
		for (USize k = 0; k < n; ++k)
			pages[pageCount++] = slab + k * PageSize;
	}
	void GrowTable(USize capacity) {
		T** table = new T*[capacity];
		std::copy(pages, pages + pageCount, table);
		if (pages != inlinePages) delete[] pages;
		pages = table;
		tableCapacity = capacity;
	}
	void TakeFrom(PagedArray& other) noexcept {
		if (other.pages == other.inlinePages) {
			std::copy(other.inlinePages, other.inlinePages + other.pageCount, inlinePages);
		} else {
			pages = std::exchange(other.pages, other.inlinePages);
			tableCapacity = std::exchange(other.tableCapacity, InlinePages);
		}
		pageCount = std::exchange(other.pageCount, 0);
		count = std::exchange(other.count, 0);
	}
	void DestroyFrom(USize n) {
		if constexpr (!std::is_trivially_destructible_v<T>) {
			while (count > n)
				Locate(--count)->~T();
		}
		count = std::min(count, n);
	}
	void FreeSlabsFrom(USize j, void (*free)(void*, USize) noexcept = FreeBlock) {
		for (USize last = SlabCount(); last > j; --last) {
			const USize first = SlabStart(last - 1);
			free(pages[first], SlabPages(last - 1) * PageSize * sizeof(T));
			pageCount = first;
		}
	}
	void FreeTable() {
		if (pages != inlinePages) {
			delete[] pages;
			pages = inlinePages;
			tableCapacity = InlinePages;
		}
	}

	// The page table starts inside the array: the first two slabs (three pages) need no
	// allocation of their own.
	static constexpr USize InlinePages = 3;
	T* inlinePages[InlinePages] = {};
	T** pages = inlinePages;
	USize pageCount = 0;
	USize tableCapacity = InlinePages;
	USize count = 0;
};

} // namespace Kit

#pragma GCC visibility pop
