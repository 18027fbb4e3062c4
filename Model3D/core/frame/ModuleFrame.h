// Start and end of the module: the temporary folder, the host's resource modules and
// the registry lock.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/IOFolder.h"
#include "platform/KitFastLock.h"

// Opens the folder 'tempParent' (creating it when missing) and makes the module's
// temporary folder "3D" inside it. Keeps the two resource-module handles. Returns 0, or
// -7003 on any failure (including a second call without M3DExit); never throws. A
// failure is logged as an error line (category "Modeler") naming the folder and the
// reason.
M3D_EXPORT Int16 M3DInit(IO::Location* tempParent, Int64 messageResModule, Int64 textResModule);

// Deletes the temporary folder with everything in it and releases the folders.
M3D_EXPORT void M3DExit();

// The module's temporary folder; null before M3DInit and after M3DExit.
M3D_C_EXPORT IO::Folder* GetTemporaryFolder();

namespace Modeler {

// The resource modules handed to M3DInit (0 until then).
M3D_EXPORT Int64 GetMessageResModule();
M3D_EXPORT Int64 GetTextResModule();

// The lock that guards the process-wide model registry.
M3D_EXPORT Kit::FastLock& GetRegistryLock();

} // namespace Modeler
