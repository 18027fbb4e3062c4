// The process-wide model registry: one non-owning pointer per model ever created, in
// creation order. A model's 1-based position is its global index; the slot of a
// destroyed model is set to null and never reused, so the registry only grows.
//
// Every function takes the module's registry lock (GetRegistryLock, re-entrant) for
// itself; a caller that needs several steps to be one holds the lock around them.
#pragma once

#include "platform/KitArray.h"
#include "platform/KitTypes.h"

namespace Modeler {

class Model3D;

namespace ModelRegistry {

// Appends the model and returns its 1-based position.
UInt32 Append(Model3D* model);
// Sets slot 'position' (1-based) to null when it holds the model.
void Remove(UInt32 position, const Model3D* model);
// Number of slots, including those of destroyed models.
UInt32 GetSize();
// The pointer in slot 'position' (1-based); null for a destroyed model or a position
// outside the registry.
Model3D* GetAt(UInt32 position);
// All slots, for a caller that holds the registry lock while it reads them.
const Kit::Array<Model3D*>& GetSlotsLocked();

} // namespace ModelRegistry

} // namespace Modeler
