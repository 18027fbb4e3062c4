#include "Model3D/core/model/detail/ModelRegistry.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "platform/KitArray.h"
#include "platform/KitException.h"

#include <new>

namespace Modeler::ModelRegistry {

namespace {

// Never destroyed, so that models released during program exit still find it.
Kit::Array<Model3D*>& Slots() {
	static Kit::Array<Model3D*>* slots = new Kit::Array<Model3D*>;
	return *slots;
}

} // namespace

UInt32 Append(Model3D* model) {
	Kit::FastLockGuard guard(GetRegistryLock());
	Kit::Array<Model3D*>& slots = Slots();
	try {
		slots.Push(model);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	return slots.GetSize();
}

void Remove(UInt32 position, const Model3D* model) {
	Kit::FastLockGuard guard(GetRegistryLock());
	Kit::Array<Model3D*>& slots = Slots();
	if (position >= 1 && position <= slots.GetSize() && slots[position - 1] == model) slots[position - 1] = nullptr;
}

UInt32 GetSize() {
	Kit::FastLockGuard guard(GetRegistryLock());
	return Slots().GetSize();
}

Model3D* GetAt(UInt32 position) {
	Kit::FastLockGuard guard(GetRegistryLock());
	const Kit::Array<Model3D*>& slots = Slots();
	return position >= 1 && position <= slots.GetSize() ? slots[position - 1] : nullptr;
}

const Kit::Array<Model3D*>& GetSlotsLocked() {
	return Slots();
}

} // namespace Modeler::ModelRegistry
