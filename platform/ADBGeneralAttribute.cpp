#include "platform/ADBGeneralAttribute.h"

namespace ADB {

IDType GetId(UInt32 code) {
	// The stand-in's identifiers are the codes themselves.
	return static_cast<IDType>(code);
}

} // namespace ADB
