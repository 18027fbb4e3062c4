// Body: equality with coordinate tolerances, and the debug self-check.
#include "Model3D/bodies/body/Body.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"

namespace Modeler {

// The status word is not compared.
bool Body::operator==(const Body& other) const {
	if (this == &other) return true;
	return GetVertexCount() == other.GetVertexCount() && HeaderEquals(other) && BodyRules::GeometryEquals(*this, other);
}

namespace {

bool checkEnabled = false;
thread_local bool checkRunning = false;

} // namespace

void Body::SetCheckEnabled(bool enabled) {
	checkEnabled = enabled;
}

bool Body::IsCheckEnabled() {
	return checkEnabled;
}

bool Body::Check() const {
	return BodyRules::DebugCheckPolyEdges(*this, checkEnabled, checkRunning);
}

} // namespace Modeler
