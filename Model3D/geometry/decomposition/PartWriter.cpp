#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

namespace Modeler::Decomposition {

namespace {

constexpr Int32 Written = -3;

// The corner to list a part from (its corners given as half-edges, 'straight' telling
// which of them go straight on). Its fan (c0, ci, ci+1) has a triangle without area for
// every straight corner on the two sides through c0, so the best is the strictly convex
// corner with the fewest straight corners next to it.
USize FanStart(const std::vector<UInt8>& straight, const Int32* corners, USize m) {
	auto isStraight = [&](USize i) { return straight[static_cast<USize>(corners[i % m])] != 0; };
	USize first = 0;
	while (first < m && isStraight(first))
		++first;
	if (first == m) return 0;
	USize gapBefore = 0;
	while (gapBefore < m && isStraight(first + m - 1 - gapBefore))
		++gapBefore;
	if (gapBefore == 0 && first == 0) {
		bool any = false;
		for (USize i = 1; i < m && !any; ++i)
			any = isStraight(i);
		if (!any) return 0;
	}
	USize best = first, bestCost = m;
	for (USize i = first; i < first + m;) {
		USize gapAfter = 0;
		while (gapAfter < m && isStraight(i + 1 + gapAfter))
			++gapAfter;
		if (gapBefore + gapAfter < bestCost) {
			bestCost = gapBefore + gapAfter;
			best = i % m;
		}
		gapBefore = gapAfter;
		i += gapAfter + 1;
	}
	return best;
}

} // namespace

void WriteParts(Workspace& ws, Kit::PagedArray<Int32>& result) {
	// Collect the parts as runs of corners: count, then the corners.
	ws.partCorners.clear();
	Int32 parts = 0;
	const auto halfEdges = static_cast<Int32>(ws.heNext.size());
	for (Int32 h = 0; h < halfEdges; ++h) {
		if (ws.heNext[static_cast<USize>(h)] < 0 || ws.twin[static_cast<USize>(h)] == Written) continue;
		const USize countAt = ws.partCorners.size();
		ws.partCorners.push_back(0);
		Int32 e = h;
		for (Int32 guard = 0; guard < halfEdges && ws.twin[static_cast<USize>(e)] != Written; ++guard) {
			ws.twin[static_cast<USize>(e)] = Written;
			ws.partCorners.push_back(e);
			e = ws.heNext[static_cast<USize>(e)];
		}
		ws.partCorners[countAt] = static_cast<Int32>(ws.partCorners.size() - countAt - 1);
		++parts;
	}

	result.SetSize(ws.partCorners.size() + 1);
	result[0] = -parts;
	USize out = 1;
	for (USize i = 0; i < ws.partCorners.size();) {
		const auto m = static_cast<USize>(ws.partCorners[i]);
		const Int32* corners = ws.partCorners.data() + i + 1;
		const USize start = FanStart(ws.straight, corners, m);
		result[out++] = static_cast<Int32>(m);
		const auto put = [&](USize k) {
			const Int32 corner = ws.triangles[static_cast<USize>(corners[k])];
			result[out++] = ws.ring[static_cast<USize>(corner)].vertex;
		};
		for (USize k = start; k < m; ++k)
			put(k);
		for (USize k = 0; k < start; ++k)
			put(k);
		i += m + 1;
	}
}

} // namespace Modeler::Decomposition
