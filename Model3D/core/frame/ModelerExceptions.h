// The module's own exception family, offered to the host.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitException.h"

namespace Modeler {

enum : Int32 {
	ModelerErrorId = -7003,
	ModelerOutOfMemoryId = -108,
	ModelerInternalErrorId = -50,
};

class M3D_EXPORT ModelerException : public virtual Kit::RootException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerException, ModelerErrorId)
};

class M3D_EXPORT ModelerOutOfMemoryException : public ModelerException, public Kit::OutOfMemoryException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerOutOfMemoryException, ModelerOutOfMemoryId)
};

class M3D_EXPORT ModelerOutOf_Big_MemoryException : public ModelerException, public Kit::OutOfMemoryException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerOutOf_Big_MemoryException, ModelerOutOfMemoryId)
};

class M3D_EXPORT ModelerInternalErrorException : public ModelerException, public Kit::InternalErrorException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerInternalErrorException, ModelerInternalErrorId)
};

} // namespace Modeler
