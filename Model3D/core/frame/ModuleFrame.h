// Start and end of the module: the temporary folder, the host's resource modules and
// the registry lock.
#pragma once

#include "platform/IOFolder.h"
#include "platform/KitFastLock.h"

// Opens the folder 'tempParent' (creating it when missing) and makes the module's
// temporary folder "3D" inside it. Keeps the two resource-module handles. Returns 0, or
// -7003 on any failure (including a second call without M3DExit); never throws.
Int16 M3DInit(IO::Location* tempParent, Int64 messageResModule, Int64 textResModule);

// Deletes the temporary folder with everything in it and releases the folders.
void M3DExit();

// The module's temporary folder; null before M3DInit and after M3DExit.
extern "C" IO::Folder* GetTemporaryFolder();

namespace Modeler {

// The resource modules handed to M3DInit (0 until then).
Int64 GetMessageResModule();
Int64 GetTextResModule();

// The lock that guards the process-wide model registry.
Kit::FastLock& GetRegistryLock();

} // namespace Modeler
