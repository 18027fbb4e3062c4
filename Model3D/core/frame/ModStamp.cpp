#include "Model3D/core/frame/ModStamp.h"

#include <atomic>

namespace Modeler {

namespace {
std::atomic<UInt32> stampCounter{0};
}

void ModStamp::Generate() {
	value = stampCounter.fetch_add(1, std::memory_order_relaxed) + 1;
}

} // namespace Modeler
