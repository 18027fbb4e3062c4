// Write faults of the element cache file, injected by tests of interrupted purges: the
// cache file writer behaves as if the disk filled up after a given number of bytes.
#pragma once

#include "platform/KitTypes.h"

namespace Modeler::CacheFileFaults {

// From now on, every cache file written takes at most 'bytes' bytes; the writes beyond
// fail. NoLimit turns the fault off.
inline constexpr UInt64 NoLimit = ~UInt64(0);
void FailWritesAfter(UInt64 bytes);

} // namespace Modeler::CacheFileFaults
