#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <cmath>

namespace Model3D::Decomposition {

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

// Twice the signed area of the contour through 'first', taken about its first corner.
double ContourArea(const PNODArray& nodes, Int32 first, double vSign) {
	const PNOD& origin = nodes[static_cast<USize>(first)];
	double area = 0.0;
	Int32 i = origin.next;
	Int32 j = nodes[static_cast<USize>(i)].next;
	while (j != first) {
		const PNOD& a = nodes[static_cast<USize>(i)];
		const PNOD& b = nodes[static_cast<USize>(j)];
		area += (a.u - origin.u) * (b.v - origin.v) - (a.v - origin.v) * (b.u - origin.u);
		i = j;
		j = b.next;
	}
	return area * vSign;
}

// Appends the contour through 'first' to the ring, backwards when 'reverse', leaving out
// corners that repeat the one before. Returns the contour, or count < 3 when it has none.
Contour AppendContour(Workspace& ws, const PNODArray& nodes, Int32 first, bool reverse) {
	const double vSign = ws.mirrored ? -1.0 : 1.0;
	Contour contour;
	contour.first = static_cast<Int32>(ws.ring.size());
	Int32 i = first;
	do {
		const PNOD& node = nodes[static_cast<USize>(i)];
		const double x = node.u, y = node.v * vSign;
		if (contour.count > 0 && ws.ring.back().x == x && ws.ring.back().y == y) {
			ws.mended = true;
		} else {
			Vertex vertex;
			vertex.x = x;
			vertex.y = y;
			vertex.node = i;
			ws.ring.push_back(vertex);
			++contour.count;
		}
		i = reverse ? node.prev : node.next;
	} while (i != first);
	while (contour.count > 1 && ws.ring.back().x == ws.ring[static_cast<USize>(contour.first)].x &&
	       ws.ring.back().y == ws.ring[static_cast<USize>(contour.first)].y) {
		ws.ring.pop_back();
		--contour.count;
		ws.mended = true;
	}
	if (contour.count < 3) {
		ws.ring.resize(static_cast<USize>(contour.first));
		contour.count = 0;
		return contour;
	}
	const Int32 last = contour.first + contour.count - 1;
	contour.leftmost = contour.first;
	for (Int32 k = contour.first; k <= last; ++k) {
		Vertex& vertex = ws.ring[static_cast<USize>(k)];
		vertex.prev = k == contour.first ? last : k - 1;
		vertex.next = k == last ? contour.first : k + 1;
		const Vertex& best = ws.ring[static_cast<USize>(contour.leftmost)];
		if (vertex.x < best.x || (vertex.x == best.x && vertex.y < best.y)) contour.leftmost = k;
	}
	return contour;
}

} // namespace

Loaded LoadContours(Workspace& ws, const PNODArray& nodes, Int32 nodeCount, Int32& outer) {
	ws.ring.clear();
	ws.holes.clear();
	ws.mended = false;
	ws.mirrored = false;
	if (!LinksAreConsistent(nodes, nodeCount)) return Loaded::BadInput;

	// Find the contours: one pass per cycle, marking its nodes.
	ws.seen.assign(static_cast<USize>(nodeCount), 0);
	Int32 outerFirst = None;
	ws.partCorners.clear(); // first nodes of the holes, for now
	for (Int32 start = 0; start < nodeCount; ++start) {
		if (ws.seen[static_cast<USize>(start)] != 0) continue;
		const bool isOuter = nodes[static_cast<USize>(start)].outer != 0;
		Int32 i = start;
		do {
			if ((nodes[static_cast<USize>(i)].outer != 0) != isOuter) return Loaded::BadInput;
			ws.seen[static_cast<USize>(i)] = 1;
			i = nodes[static_cast<USize>(i)].next;
		} while (i != start);
		if (isOuter) {
			if (outerFirst != None) return Loaded::BadInput;
			outerFirst = start;
		} else {
			ws.partCorners.push_back(start);
		}
	}
	if (outerFirst == None) return Loaded::BadInput;

	const double outerArea = ContourArea(nodes, outerFirst, 1.0);
	if (!(outerArea != 0.0)) return Loaded::NoArea;
	ws.mirrored = outerArea < 0.0;
	const Contour outline = AppendContour(ws, nodes, outerFirst, false);
	if (outline.count == 0) return Loaded::NoArea;
	outer = outline.first;

	const double vSign = ws.mirrored ? -1.0 : 1.0;
	for (const Int32 first : ws.partCorners) {
		const double area = ContourArea(nodes, first, vSign);
		if (area == 0.0) {
			ws.mended = true;
			continue;
		}
		// Holes run clockwise once the outline runs counter-clockwise.
		const bool reverse = area > 0.0;
		ws.mended = ws.mended || reverse;
		const Contour hole = AppendContour(ws, nodes, first, reverse);
		if (hole.count == 0)
			ws.mended = true;
		else
			ws.holes.push_back(hole);
	}
	return Loaded::Polygon;
}

} // namespace Model3D::Decomposition
