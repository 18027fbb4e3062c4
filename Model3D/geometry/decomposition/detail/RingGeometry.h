// Geometric questions about corners of the ring, all decided by the exact orientation.
#pragma once

#include "Model3D/geometry/decomposition/detail/Orientation.h"
#include "Model3D/geometry/decomposition/detail/Workspace.h"

#include <algorithm>

namespace Modeler::Decomposition {

inline int Orient(const Vertex& a, const Vertex& b, const Vertex& c) {
	return Orientation(a.x, a.y, b.x, b.y, c.x, c.y);
}

inline bool SamePlace(const Vertex& a, const Vertex& b) {
	return a.x == b.x && a.y == b.y;
}

inline bool StrictlyBetween(double a, double b, double c) {
	return (a < b && b < c) || (a > b && b > c);
}

// For collinear a, b, c: true when b lies strictly between a and c, so that the path
// a → b → c goes straight on at b instead of folding back. Exact: only comparisons.
inline bool GoesStraight(const Vertex& a, const Vertex& b, const Vertex& c) {
	if (a.x != c.x) return StrictlyBetween(a.x, b.x, c.x);
	return b.x == a.x && StrictlyBetween(a.y, b.y, c.y);
}

// True when the path a → b → c turns left at b or goes straight on: b is a fit corner of a
// convex part running counter-clockwise.
inline bool TurnsLeftOrStraight(const Vertex& a, const Vertex& b, const Vertex& c) {
	const int turn = Orient(a, b, c);
	return turn > 0 || (turn == 0 && GoesStraight(a, b, c));
}

// True when the point q lies strictly inside the angle the ring encloses at corner v
// (between v → next and v → prev, counter-clockwise).
inline bool InsideCornerAngle(const std::vector<Vertex>& ring, const Vertex& v, const Vertex& q) {
	const Vertex& prev = ring[static_cast<USize>(v.prev)];
	const Vertex& next = ring[static_cast<USize>(v.next)];
	const int leftOfOut = Orient(v, next, q);
	const int leftOfIn = Orient(prev, v, q);
	const int turn = Orient(prev, v, next);
	if (turn > 0) return leftOfOut > 0 && leftOfIn > 0;
	if (turn < 0) return leftOfOut > 0 || leftOfIn > 0;
	return GoesStraight(prev, v, next) && leftOfIn > 0;
}

// True when q lies on the ray from 'from' through 'toward', beyond 'from'.
inline bool OnRay(const Vertex& from, const Vertex& toward, const Vertex& q) {
	if (Orient(from, toward, q) != 0) return false;
	if (from.x != toward.x) return (toward.x > from.x) == (q.x > from.x) && q.x != from.x;
	return (toward.y > from.y) == (q.y > from.y) && q.y != from.y;
}

// True when the sides prev → corner → next of a corner standing at the triangle corner x
// run along the triangle sides towards y and w.
inline bool FoldsOver(const Vertex& x, const Vertex& y, const Vertex& w, const Vertex& prev, const Vertex& next) {
	return (OnRay(x, y, prev) && OnRay(x, w, next)) || (OnRay(x, w, prev) && OnRay(x, y, next));
}

// True when the corner p of the ring keeps the triangle a, b, c (counter-clockwise) from
// being cut off: it lies inside, on the closing side a–c (a T-junction), or at or on
// another side with one of its sides running into the triangle.
inline bool Blocks(const Vertex* ring, const Vertex& p, const Vertex& a, const Vertex& b, const Vertex& c) {
	if (p.x < std::min({a.x, b.x, c.x}) || p.x > std::max({a.x, b.x, c.x}) || p.y < std::min({a.y, b.y, c.y}) ||
	    p.y > std::max({a.y, b.y, c.y}))
		return false;
	const int ab = Orient(a, b, p), bc = Orient(b, c, p), ca = Orient(c, a, p);
	if (ab < 0 || bc < 0 || ca < 0) return false;
	if (ab > 0 && bc > 0 && ca > 0) return true;
	if (ab > 0 && bc > 0) return true; // on the closing side
	const Vertex& prev = ring[p.prev];
	const Vertex& next = ring[p.next];
	// At a corner or on a side: blocking when a side of p enters the triangle there.
	auto enters = [&](const Vertex& q) {
		return (ab != 0 || Orient(a, b, q) > 0) && (bc != 0 || Orient(b, c, q) > 0) && (ca != 0 || Orient(c, a, q) > 0);
	};
	if (enters(prev) || enters(next)) return true;
	// At a corner, sides of p running back along both sides of the triangle: what is left
	// there is a sliver without area (a used-up piece), not room for the triangle.
	if (ab == 0 && bc == 0) return FoldsOver(b, a, c, prev, next);
	if (ab == 0 && ca == 0) return FoldsOver(a, b, c, prev, next);
	if (bc == 0 && ca == 0) return FoldsOver(c, a, b, prev, next);
	return false;
}

} // namespace Modeler::Decomposition
