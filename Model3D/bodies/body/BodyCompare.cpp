// Body: equality with coordinate tolerances, and the debug self-check.
#include "Model3D/bodies/body/Body.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"

#include <atomic>

namespace Modeler {

// The status word is not compared.
bool Body::operator==(const Body& other) const {
	if (this == &other) return true;
	return GetVertexCount() == other.GetVertexCount() && HeaderEquals(other) && BodyRules::GeometryEquals(*this, other);
}

namespace {

// Switched by the host or a test while other threads check bodies.
std::atomic<bool> checkEnabled{false};
thread_local bool checkRunning = false;

} // namespace

void Body::SetCheckEnabled(bool enabled) {
	checkEnabled.store(enabled, std::memory_order_relaxed);
}

bool Body::IsCheckEnabled() {
	return checkEnabled.load(std::memory_order_relaxed);
}

bool Body::Check() const {
	return BodyRules::DebugCheckPolyEdges(*this, checkEnabled.load(std::memory_order_relaxed), checkRunning);
}

} // namespace Modeler
