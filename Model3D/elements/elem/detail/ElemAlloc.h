// Allocation of the element objects: a failed allocation, in the object itself or in
// anything its constructor allocates, becomes Kit::OutOfMemoryException.
#pragma once

#include "platform/KitException.h"

#include <new>
#include <utility>

namespace Modeler {

template <typename T, typename... Args> T* NewElemObject(Args&&... args) {
	T* object = nullptr;
	try {
		object = new (std::nothrow) T(std::forward<Args>(args)...);
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	if (object == nullptr) throw Kit::OutOfMemoryException();
	return object;
}

} // namespace Modeler
