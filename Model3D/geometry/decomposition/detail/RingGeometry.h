// Geometric questions about corners of the ring, all decided by the exact orientation.
#pragma once

#include "Model3D/geometry/decomposition/detail/Orientation.h"
#include "Model3D/geometry/decomposition/detail/Workspace.h"

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

} // namespace Modeler::Decomposition
