#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <cmath>
#include <utility>

namespace Modeler::Decomposition {

namespace {

// Coordinates beyond this cannot be multiplied without overflow in the orientation test.
constexpr double CoordinateLimit = 1e150;

bool LinksAreConsistent(const PNODArray& nodes, Int32 nodeCount) {
	for (Int32 i = 0; i < nodeCount; ++i) {
		const PNOD& node = nodes[static_cast<USize>(i)];
		if (node.next < 0 || node.next >= nodeCount || node.prev < 0 || node.prev >= nodeCount) return false;
		// prev(next(i)) = i for every i makes next a permutation, so contours are cycles.
		if (nodes[static_cast<USize>(node.next)].prev != i) return false;
		if (!(std::fabs(node.u) <= CoordinateLimit && std::fabs(node.v) <= CoordinateLimit)) return false;
	}
	return true;
}

// Appends the contour through 'first' to the ring as it runs, leaving out corners that
// repeat the one before, and marks its nodes seen. Returns the contour with its area
// (count < 3 when it has none), or count < 0 when its nodes disagree on being outer.
Contour AppendContour(Workspace& ws, const PNODArray& nodes, Int32 first) {
	const bool isOuter = nodes[static_cast<USize>(first)].outer != 0;
	Contour contour;
	contour.first = static_cast<Int32>(ws.ring.size());
	Int32 i = first;
	do {
		const PNOD& node = nodes[static_cast<USize>(i)];
		if ((node.outer != 0) != isOuter) {
			contour.count = -1;
			return contour;
		}
		ws.seen[static_cast<USize>(i)] = 1;
		if (contour.count > 0 && ws.ring.back().x == node.u && ws.ring.back().y == node.v) {
			ws.mended = true;
		} else {
			Vertex corner;
			corner.x = node.u;
			corner.y = node.v;
			corner.vertex = node.vertex;
			ws.ring.push_back(corner);
			++contour.count;
		}
		i = node.next;
	} while (i != first);
	const Vertex origin = ws.ring[static_cast<USize>(contour.first)];
	while (contour.count > 1 && ws.ring.back().x == origin.x && ws.ring.back().y == origin.y) {
		ws.ring.pop_back();
		--contour.count;
		ws.mended = true;
	}
	if (contour.count < 3) return contour;
	const Int32 last = contour.first + contour.count - 1;
	for (Int32 k = contour.first; k <= last; ++k) {
		Vertex& vertex = ws.ring[static_cast<USize>(k)];
		vertex.prev = k == contour.first ? last : k - 1;
		vertex.next = k == last ? contour.first : k + 1;
		const Vertex& following = ws.ring[static_cast<USize>(vertex.next)];
		contour.area +=
		    (vertex.x - origin.x) * (following.y - origin.y) - (vertex.y - origin.y) * (following.x - origin.x);
	}
	return contour;
}

// Makes a hole run clockwise (the outline running counter-clockwise) and finds its
// leftmost corner, the lowest of those.
void SettleHole(Workspace& ws, Contour& hole) {
	const Int32 last = hole.first + hole.count - 1;
	hole.leftmost = hole.first;
	for (Int32 k = hole.first; k <= last; ++k) {
		Vertex& vertex = ws.ring[static_cast<USize>(k)];
		if (hole.area > 0.0) std::swap(vertex.prev, vertex.next);
		const Vertex& best = ws.ring[static_cast<USize>(hole.leftmost)];
		if (vertex.x < best.x || (vertex.x == best.x && vertex.y < best.y)) hole.leftmost = k;
	}
	if (hole.area > 0.0) {
		hole.area = -hole.area;
		ws.mended = true;
	}
}

} // namespace

Loaded LoadContours(Workspace& ws, const PNODArray& nodes, Int32 nodeCount, Int32& outer) {
	ws.ring.clear();
	ws.holes.clear();
	ws.mended = false;
	ws.mirrored = false;
	if (!LinksAreConsistent(nodes, nodeCount)) return Loaded::BadInput;

	ws.seen.assign(static_cast<USize>(nodeCount), 0);
	Contour outline;
	outline.count = -1;
	for (Int32 start = 0; start < nodeCount; ++start) {
		if (ws.seen[static_cast<USize>(start)] != 0) continue;
		const bool isOuter = nodes[static_cast<USize>(start)].outer != 0;
		const Contour contour = AppendContour(ws, nodes, start);
		if (contour.count < 0 || (isOuter && outline.count >= 0)) return Loaded::BadInput;
		if (isOuter)
			outline = contour;
		else if (contour.count >= 3 && contour.area != 0.0)
			ws.holes.push_back(contour);
		else
			ws.mended = true;
	}
	if (outline.count < 0) return Loaded::BadInput;
	if (outline.count < 3 || !(outline.area != 0.0)) return Loaded::NoArea;
	outer = outline.first;

	// Work counter-clockwise: mirror a clockwise outline (and everything with it).
	ws.mirrored = outline.area < 0.0;
	if (ws.mirrored) {
		for (Vertex& vertex : ws.ring)
			vertex.y = -vertex.y;
		for (Contour& hole : ws.holes)
			hole.area = -hole.area;
	}
	for (Contour& hole : ws.holes)
		SettleHole(ws, hole);
	return Loaded::Polygon;
}

} // namespace Modeler::Decomposition
