// Intrusive reference counting: Kit::SharedObject and the smart pointers that hold it.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <atomic>
#include <compare>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace Kit {

// A reference-counted object. The count is 0 after construction; the first pointer
// that takes the object raises it to 1, and the object deletes itself through its
// virtual destructor when the last pointer lets go. Copying an object does not copy
// its count.
class SharedObject {
public:
	SharedObject() = default;
	SharedObject(const SharedObject&) noexcept {}
	SharedObject& operator=(const SharedObject&) noexcept { return *this; }
	virtual ~SharedObject() = default;

	void AddRef() const noexcept { refCount.fetch_add(1, std::memory_order_relaxed); }
	void Release() const noexcept {
		if (refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
	}
	// Raises the count only when it is not already 0; used by registries that must
	// never hand out an object that is being destroyed.
	bool TryAddRef() const noexcept {
		Int32 count = refCount.load(std::memory_order_relaxed);
		while (count > 0) {
			if (refCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) return true;
		}
		return false;
	}
	Int32 GetRefCount() const noexcept { return refCount.load(std::memory_order_acquire); }

private:
	mutable std::atomic<Int32> refCount{0};
};

template <typename T> class ConstSharedPtr;

template <typename T> class SharedPtr {
public:
	SharedPtr() noexcept = default;
	SharedPtr(std::nullptr_t) noexcept {}
	SharedPtr(T* object) noexcept : ptr(object) { Acquire(); }
	SharedPtr(const SharedPtr& other) noexcept : ptr(other.ptr) { Acquire(); }
	SharedPtr(SharedPtr&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	SharedPtr(const SharedPtr<U>& other) noexcept : ptr(other.Get()) {
		Acquire();
	}
	~SharedPtr() { Drop(); }

	SharedPtr& operator=(SharedPtr other) noexcept {
		std::swap(ptr, other.ptr);
		return *this;
	}

	T* Get() const noexcept { return ptr; }
	T* operator->() const noexcept { return ptr; }
	T& operator*() const noexcept { return *ptr; }
	explicit operator bool() const noexcept { return ptr != nullptr; }
	bool IsNull() const noexcept { return ptr == nullptr; }
	KIT_REINITIALIZES void Clear() noexcept { SharedPtr().Swap(*this); }
	void Swap(SharedPtr& other) noexcept { std::swap(ptr, other.ptr); }

	// Takes an object whose count was already raised for this pointer.
	static SharedPtr Adopt(T* object) noexcept {
		SharedPtr p;
		p.ptr = object;
		return p;
	}

	// Lets go of the object without lowering its count, which the caller takes over.
	[[nodiscard]] T* Detach() noexcept { return std::exchange(ptr, nullptr); }

	template <typename U> friend bool operator==(const SharedPtr& a, const SharedPtr<U>& b) noexcept {
		return a.Get() == b.Get();
	}
	friend bool operator==(const SharedPtr& a, std::nullptr_t) noexcept { return a.ptr == nullptr; }

private:
	void Acquire() noexcept {
		if (ptr != nullptr) ptr->AddRef();
	}
	void Drop() noexcept {
		if (ptr != nullptr) ptr->Release();
	}

	T* ptr = nullptr;
};

// A shared pointer that grants only const access.
template <typename T> class ConstSharedPtr {
public:
	ConstSharedPtr() noexcept = default;
	ConstSharedPtr(std::nullptr_t) noexcept {}
	ConstSharedPtr(const T* object) noexcept : ptr(object) { Acquire(); }
	ConstSharedPtr(const ConstSharedPtr& other) noexcept : ptr(other.ptr) { Acquire(); }
	ConstSharedPtr(ConstSharedPtr&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<const U*, const T*>>>
	ConstSharedPtr(const SharedPtr<U>& other) noexcept : ptr(other.Get()) {
		Acquire();
	}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<const U*, const T*>>>
	ConstSharedPtr(SharedPtr<U>&& other) noexcept : ptr(other.Detach()) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<const U*, const T*>>>
	ConstSharedPtr(const ConstSharedPtr<U>& other) noexcept : ptr(other.Get()) {
		Acquire();
	}
	~ConstSharedPtr() { Drop(); }

	ConstSharedPtr& operator=(ConstSharedPtr other) noexcept {
		std::swap(ptr, other.ptr);
		return *this;
	}

	const T* Get() const noexcept { return ptr; }
	const T* operator->() const noexcept { return ptr; }
	const T& operator*() const noexcept { return *ptr; }
	explicit operator bool() const noexcept { return ptr != nullptr; }
	bool IsNull() const noexcept { return ptr == nullptr; }
	KIT_REINITIALIZES void Clear() noexcept { ConstSharedPtr().Swap(*this); }
	void Swap(ConstSharedPtr& other) noexcept { std::swap(ptr, other.ptr); }

	static ConstSharedPtr Adopt(const T* object) noexcept {
		ConstSharedPtr p;
		p.ptr = object;
		return p;
	}

	template <typename U> friend bool operator==(const ConstSharedPtr& a, const ConstSharedPtr<U>& b) noexcept {
		return a.Get() == b.Get();
	}
	template <typename U> friend bool operator==(const ConstSharedPtr& a, const SharedPtr<U>& b) noexcept {
		return a.Get() == b.Get();
	}
	friend bool operator==(const ConstSharedPtr& a, std::nullptr_t) noexcept { return a.ptr == nullptr; }

private:
	void Acquire() noexcept {
		if (ptr != nullptr) ptr->AddRef();
	}
	void Drop() noexcept {
		if (ptr != nullptr) ptr->Release();
	}

	const T* ptr = nullptr;
};

// Removes constness from a shared pointer; for owners that know the object is theirs.
template <typename T> SharedPtr<T> ConstCast(const ConstSharedPtr<T>& p) noexcept {
	return SharedPtr<T>(const_cast<T*>(p.Get()));
}

template <typename T, typename U> SharedPtr<T> StaticCast(const SharedPtr<U>& p) noexcept {
	return SharedPtr<T>(static_cast<T*>(p.Get()));
}

template <typename T, typename U> ConstSharedPtr<T> StaticCast(const ConstSharedPtr<U>& p) noexcept {
	return ConstSharedPtr<T>(static_cast<const T*>(p.Get()));
}

// A polymorphic object that can copy itself.
class Object {
public:
	virtual ~Object() = default;
	virtual Object* Clone() const = 0;
};

} // namespace Kit

#pragma GCC visibility pop
