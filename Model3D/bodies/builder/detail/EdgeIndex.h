// The builder's vertex-pair index of its edges, used by the face calls. It covers the
// first 'indexed' edges; later edges are added on the next lookup.
#pragma once

#include "Model3D/bodies/builder/CandidateBody.h"

#include <unordered_map>

namespace Modeler {

struct CandidateBody::EdgeIndex {
	// Key of the unordered vertex pair.
	static UInt64 Key(Int32 a, Int32 b) {
		const UInt32 lo = static_cast<UInt32>(a < b ? a : b), hi = static_cast<UInt32>(a < b ? b : a);
		return (UInt64(lo) << 32) | hi;
	}

	std::unordered_map<UInt64, Int32> edgeOf; // the first edge between the pair
	USize indexed = 0;
};

} // namespace Modeler
