// Kit::AutoArrayPtr: sole owner of an array allocated with new[]; frees it with
// delete[] when it is destroyed or replaced.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <utility>

namespace Kit {

template <typename T> class AutoArrayPtr {
public:
	AutoArrayPtr() = default;
	explicit AutoArrayPtr(T* array) : array(array) {}
	AutoArrayPtr(const AutoArrayPtr&) = delete;
	AutoArrayPtr& operator=(const AutoArrayPtr&) = delete;
	AutoArrayPtr(AutoArrayPtr&& other) noexcept : array(std::exchange(other.array, nullptr)) {}
	AutoArrayPtr& operator=(AutoArrayPtr&& other) noexcept {
		if (this != &other) Reset(std::exchange(other.array, nullptr));
		return *this;
	}
	~AutoArrayPtr() { delete[] array; }

	T* Get() const { return array; }
	T& operator[](USize i) const { return array[i]; }
	explicit operator bool() const { return array != nullptr; }

	// Frees the array held so far and takes 'newArray'.
	void Reset(T* newArray = nullptr) {
		if (newArray != array) {
			delete[] array;
			array = newArray;
		}
	}
	// Gives up ownership.
	T* Release() { return std::exchange(array, nullptr); }

private:
	T* array = nullptr;
};

} // namespace Kit

#pragma GCC visibility pop
