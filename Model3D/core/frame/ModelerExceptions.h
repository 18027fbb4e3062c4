// The module's own exception family, offered to the host.
#pragma once

#include "platform/KitException.h"

namespace Modeler {

enum : Int32 {
	ModelerErrorId = -7003,
	ModelerOutOfMemoryId = -108,
	ModelerInternalErrorId = -50,
};

class ModelerException : public virtual Kit::RootException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerException, ModelerErrorId)
};

class ModelerOutOfMemoryException : public ModelerException, public Kit::OutOfMemoryException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerOutOfMemoryException, ModelerOutOfMemoryId)
};

class ModelerOutOf_Big_MemoryException : public ModelerException, public Kit::OutOfMemoryException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerOutOf_Big_MemoryException, ModelerOutOfMemoryId)
};

class ModelerInternalErrorException : public ModelerException, public Kit::InternalErrorException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(ModelerInternalErrorException, ModelerInternalErrorId)
};

} // namespace Modeler
