// Kit::Array: a growable contiguous array.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace Kit {

template <typename T> class Array : public std::vector<T> {
public:
	using Base = std::vector<T>;
	using Base::Base;

	Array() = default;
	Array(std::initializer_list<T> items) : Base(items) {}

	UInt32 GetSize() const { return static_cast<UInt32>(this->size()); }
	bool IsEmpty() const { return this->empty(); }
	void Push(const T& item) { this->push_back(item); }
	void Push(T&& item) { this->push_back(std::move(item)); }
	T Pop() {
		T item = std::move(this->back());
		this->pop_back();
		return item;
	}
	// Resizes; new items are value-initialised (zero for plain records).
	void SetSize(USize n) { this->resize(n); }
	KIT_REINITIALIZES void Clear() { this->clear(); }
	T& GetLast() { return this->back(); }
	const T& GetLast() const { return this->back(); }
	void Insert(USize index, const T& item) { this->insert(this->begin() + index, item); }
	void Delete(USize index) { this->erase(this->begin() + index); }
	void DeleteLast() { this->pop_back(); }
	void Fill(const T& item) { std::fill(this->begin(), this->end(), item); }
	// Index of the first item equal to 'item', or -1.
	Int64 FindFirst(const T& item) const {
		auto it = std::find(this->begin(), this->end(), item);
		return it == this->end() ? -1 : static_cast<Int64>(it - this->begin());
	}
	bool Contains(const T& item) const { return FindFirst(item) >= 0; }
};

} // namespace Kit

#pragma GCC visibility pop
