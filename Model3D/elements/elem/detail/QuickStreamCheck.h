// Checks shared by the elements' quick-stream readers and writers.
#pragma once

#include "platform/KitChannel.h"
#include "platform/KitException.h"
#include "platform/KitTypes.h"

namespace Modeler::QuickStream {

// A failed channel, as the readers and writers report it.
inline void CheckInput(const Kit::IChannel& ch) {
	if (ch.GetInputStatus() != 0) throw Kit::InternalErrorException();
}

inline void CheckOutput(const Kit::OChannel& ch) {
	if (ch.GetOutputStatus() != 0) throw Kit::InternalErrorException();
}

[[noreturn]] inline void Forged(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, "Model3D/ElemStream", line);
}

// Refuses a count of records of at least 'minBytes' each that the rest of the stream
// cannot hold, before anything is allocated for it.
inline void CheckCount(const Kit::IChannel& ch, UInt32 count, UInt64 minBytes, const char* message, UInt32 line) {
	if (UInt64(count) * minBytes > ch.GetAvailable()) Forged(message, line);
}

// Reads a shared-object index that must name an object read before (0 … known − 1) or
// the next new one (known). Returns true for a new object.
inline bool ReadSharedIndex(Kit::IChannel& ch, USize known, Int32& index, const char* message, UInt32 line) {
	ch.Read(index);
	CheckInput(ch);
	if (index < 0 || UInt64(index) > known) Forged(message, line);
	return UInt64(index) == known;
}

} // namespace Modeler::QuickStream
