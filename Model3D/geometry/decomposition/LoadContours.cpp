#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <cmath>
#include <utility>

namespace Modeler::Decomposition {

namespace {

// Appends the contour through 'first' to the ring as it runs, leaving out corners that
// repeat the one before, and marks (and counts) its nodes seen. Returns the contour with its area
// (count < 3 when it has none), or count < 0 when a node is not sound or its nodes
// disagree on being outer.
Contour AppendContour(Workspace& ws, const PNODArray& nodes, Int32 first, Int32 nodeCount, Int32& seen) {
	const bool isOuter = nodes[static_cast<USize>(first)].outer != 0;
	Contour contour;
	contour.first = static_cast<Int32>(ws.ring.size());
	Vertex origin;
	Int32 i = first;
	do {
		const PNOD& node = nodes[static_cast<USize>(i)];
		if (!NodeIsSound(nodes, node, i, nodeCount) || (node.outer != 0) != isOuter) {
			contour.count = -1;
			return contour;
		}
		ws.seen[static_cast<USize>(i)] = 1;
		++seen;
		i = node.next;
		if (contour.count > 0) {
			Vertex& last = ws.ring.back();
			if (last.x == node.u && last.y == node.v) {
				ws.mended = true;
				continue;
			}
			// Twice the area, summed from the first corner side by side.
			contour.area += (last.x - origin.x) * (node.v - origin.y) - (last.y - origin.y) * (node.u - origin.x);
			last.next = static_cast<Int32>(ws.ring.size());
		}
		Vertex corner;
		corner.x = node.u;
		corner.y = node.v;
		corner.vertex = node.vertex;
		corner.prev = static_cast<Int32>(ws.ring.size()) - 1;
		ws.ring.push_back(corner);
		if (contour.count++ == 0) origin = corner;
	} while (i != first);
	// Corners at the end that repeat the first add nothing to the area.
	while (contour.count > 1 && ws.ring.back().x == origin.x && ws.ring.back().y == origin.y) {
		ws.ring.pop_back();
		--contour.count;
		ws.mended = true;
	}
	if (contour.count < 3) {
		contour.area = 0.0;
		return contour;
	}
	const Int32 last = contour.first + contour.count - 1;
	ws.ring[static_cast<USize>(contour.first)].prev = last;
	ws.ring[static_cast<USize>(last)].next = contour.first;
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
	ws.seen.assign(static_cast<USize>(nodeCount), 0);
	Contour outline;
	outline.count = -1;
	// Contours are read until every node has been seen.
	for (Int32 start = 0, seen = 0; seen < nodeCount; ++start) {
		if (ws.seen[static_cast<USize>(start)] != 0) continue;
		const bool isOuter = nodes[static_cast<USize>(start)].outer != 0;
		const Contour contour = AppendContour(ws, nodes, start, nodeCount, seen);
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
