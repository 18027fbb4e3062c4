#include "Model3D/elements/records/HOTS.h"

#include <cmath>

bool operator==(const HOTS& a, const HOTS& b) {
	return std::fabs(a.x - b.x) <= HOTSEqualityEps && std::fabs(a.y - b.y) <= HOTSEqualityEps &&
	       std::fabs(a.z - b.z) <= HOTSEqualityEps && a.hostTag1 == b.hostTag1 && a.hostTag2 == b.hostTag2 &&
	       a.hostId == b.hostId;
}
