#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

namespace Modeler::Decomposition {

namespace {

constexpr Int32 Written = -3;

} // namespace

// The corner to list a part from (its corners given as half-edges, 'straight' telling
// which of them go straight on, at least one of them does). Its fan (c0, ci, ci+1) has a
// triangle without area for every straight corner on the two sides through c0, so the
// best is the strictly convex corner with the fewest straight corners next to it.
USize FanStart(const UInt8* straight, const Int32* corners, USize m) {
	auto isStraight = [&](USize i) { return straight[static_cast<USize>(corners[i < m ? i : i - m])] != 0; };
	USize first = 0;
	while (first < m && isStraight(first))
		++first;
	if (first == m) return 0;
	USize gapBefore = 0;
	while (gapBefore < m && isStraight(first + m - 1 - gapBefore))
		++gapBefore;
	USize best = first, bestCost = m;
	for (USize i = first; i < first + m;) {
		USize gapAfter = 0;
		const USize at = i < m ? i : i - m;
		while (gapAfter < m && isStraight(at + 1 + gapAfter))
			++gapAfter;
		if (gapBefore + gapAfter < bestCost) {
			bestCost = gapBefore + gapAfter;
			best = at;
		}
		gapBefore = gapAfter;
		i += gapAfter + 1;
	}
	return best;
}

void WriteParts(Workspace& ws, Kit::PagedArray<Int32>& result) {
	// Every triangle is a part until merged; a merge takes two half-edges away.
	const auto halfEdges = static_cast<USize>(ws.heNext.size());
	const USize parts = halfEdges / 3 - static_cast<USize>(ws.mergedDiagonals);
	const USize corners = halfEdges - 2 * static_cast<USize>(ws.mergedDiagonals);
	result.SetSize(1 + parts + corners);
	result[0] = -static_cast<Int32>(parts);
	if (ws.partCorners.size() < halfEdges) ws.partCorners.resize(halfEdges);
	Int32* part = ws.partCorners.data();
	USize out = 1;
	for (USize h = 0; h < halfEdges; ++h) {
		if (ws.heNext[h] < 0 || ws.twin[h] == Written) continue;
		USize m = 0;
		bool anyStraight = false;
		for (auto e = static_cast<Int32>(h); m < halfEdges && ws.twin[static_cast<USize>(e)] != Written;
		     e = ws.heNext[static_cast<USize>(e)]) {
			ws.twin[static_cast<USize>(e)] = Written;
			part[m++] = e;
			anyStraight = anyStraight || ws.straight[static_cast<USize>(e)] != 0;
		}
		const USize start = anyStraight ? FanStart(ws.straight.data(), part, m) : 0;
		result[out++] = static_cast<Int32>(m);
		const auto put = [&](USize k) {
			const Int32 corner = ws.triangles[static_cast<USize>(part[k])];
			result[out++] = ws.ring[static_cast<USize>(corner)].vertex;
		};
		for (USize k = start; k < m; ++k)
			put(k);
		for (USize k = 0; k < start; ++k)
			put(k);
	}
}

} // namespace Modeler::Decomposition
