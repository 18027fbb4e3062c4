// The orientation of three points, decided exactly: a floating-point filter answers
// almost every call, and only when the rounding error could change the sign is the
// determinant summed exactly.
#pragma once

#include <cmath>

namespace Modeler::Decomposition {

// The exact sign of (b − a) × (c − a), computed without the filter.
int ExactOrientation(double ax, double ay, double bx, double by, double cx, double cy);

// +1 when a, b, c turn counter-clockwise, −1 when clockwise, 0 when collinear. Exact for
// finite coordinates whose products neither overflow nor underflow.
inline int Orientation(double ax, double ay, double bx, double by, double cx, double cy) {
	const double left = (ax - cx) * (by - cy);
	const double right = (ay - cy) * (bx - cx);
	const double det = left - right;
	// Bound of the rounding error of the three subtractions and two products above
	// (3 + 16ε)ε with ε = 2⁻⁵³.
	const double bound = 3.3306690738754716e-16 * (std::fabs(left) + std::fabs(right));
	if (det > bound) return 1;
	if (-det > bound) return -1;
	// Corners on a common horizontal or vertical line: both products are exactly zero.
	if ((ax == cx || by == cy) && (ay == cy || bx == cx)) return 0;
	return ExactOrientation(ax, ay, bx, by, cx, cy);
}

} // namespace Modeler::Decomposition
