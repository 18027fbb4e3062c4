// Kit::PagedArray: a growable array stored in fixed pages of 8 items. Items never
// move when the array grows, so references to them stay valid until they are removed.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace Kit {

template <typename T> class PagedArray {
public:
	static constexpr USize PageSize = 8;

	PagedArray() = default;
	PagedArray(const PagedArray& other) { *this = other; }
	// A moved-from array is empty (the defaulted moves would leave its count behind
	// without the pages).
	PagedArray(PagedArray&& other) noexcept : pages(std::move(other.pages)), count(std::exchange(other.count, 0)) {
		other.pages.clear();
	}
	PagedArray& operator=(const PagedArray& other) {
		if (this != &other) {
			Clear();
			for (USize i = 0; i < other.count; ++i)
				Push(other[i]);
		}
		return *this;
	}
	PagedArray& operator=(PagedArray&& other) noexcept {
		if (this != &other) {
			pages = std::move(other.pages);
			other.pages.clear();
			count = std::exchange(other.count, 0);
		}
		return *this;
	}

	USize GetSize() const { return count; }
	bool IsEmpty() const { return count == 0; }

	T& operator[](USize i) { return (*pages[i / PageSize])[i % PageSize]; }
	const T& operator[](USize i) const { return (*pages[i / PageSize])[i % PageSize]; }
	T& GetLast() { return (*this)[count - 1]; }
	const T& GetLast() const { return (*this)[count - 1]; }

	void Push(const T& item) {
		EnsurePages(count + 1);
		(*this)[count] = item;
		++count;
	}
	void Push(T&& item) {
		EnsurePages(count + 1);
		(*this)[count] = std::move(item);
		++count;
	}
	// Resizes; new items are value-initialised, removed items are reset so that
	// whatever they held is released now.
	void SetSize(USize n) {
		if (n > count) {
			EnsurePages(n);
		} else {
			for (USize i = n; i < count; ++i)
				(*this)[i] = T{};
			pages.resize((n + PageSize - 1) / PageSize);
		}
		count = n;
	}
	void DeleteLast() { SetSize(count - 1); }
	KIT_REINITIALIZES void Clear() {
		pages.clear();
		count = 0;
	}
	USize GetCapacity() const { return pages.size() * PageSize; }

	template <typename F> void ForEach(F&& f) const {
		for (USize i = 0; i < count; ++i)
			f((*this)[i]);
	}

private:
	using Page = std::array<T, PageSize>;

	void EnsurePages(USize n) {
		while (pages.size() * PageSize < n)
			pages.push_back(std::make_unique<Page>());
	}

	std::vector<std::unique_ptr<Page>> pages;
	USize count = 0;
};

} // namespace Kit

#pragma GCC visibility pop
