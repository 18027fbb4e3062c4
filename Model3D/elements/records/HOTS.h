// HOTS: a hotspot of an element, a point in the element's own coordinates with host
// tags. Streamed as its raw 32-byte image.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

struct M3D_EXPORT HOTS {
	double x;
	double y;
	double z;
	Int16 hostTag1;
	Int16 hostTag2;
	Int32 hostId;
};

static_assert(std::is_trivially_copyable_v<HOTS> && sizeof(HOTS) == 32);
static_assert(offsetof(HOTS, y) == 8 && offsetof(HOTS, z) == 16 && offsetof(HOTS, hostTag1) == 24);
static_assert(offsetof(HOTS, hostTag2) == 26 && offsetof(HOTS, hostId) == 28);

// Largest coordinate difference that still counts as the same hotspot.
constexpr double HOTSEqualityEps = 1e-5;

// Coordinates within HOTSEqualityEps, tags and id equal.
M3D_EXPORT bool operator==(const HOTS& a, const HOTS& b);
inline bool operator!=(const HOTS& a, const HOTS& b) {
	return !(a == b);
}
