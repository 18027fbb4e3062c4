#include "platform/GeometryVector.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cmath>

namespace Geometry {

void Box3D::Extend(double x, double y, double z) {
	if (IsEmpty()) {
		xMin = xMax = x;
		yMin = yMax = y;
		zMin = zMax = z;
		return;
	}
	xMin = std::min(xMin, x);
	xMax = std::max(xMax, x);
	yMin = std::min(yMin, y);
	yMax = std::max(yMax, y);
	zMin = std::min(zMin, z);
	zMax = std::max(zMax, z);
}

void Box3D::Extend(const Box3D& other) {
	if (other.IsEmpty()) return;
	if (IsEmpty()) {
		*this = other;
		return;
	}
	xMin = std::min(xMin, other.xMin);
	xMax = std::max(xMax, other.xMax);
	yMin = std::min(yMin, other.yMin);
	yMax = std::max(yMax, other.yMax);
	zMin = std::min(zMin, other.zMin);
	zMax = std::max(zMax, other.zMax);
}

bool CalcUnitNormal(const Vector3d& u, const Vector3d& v, Vector3d* result) {
	constexpr double MinSine = 1e-10;
	const double lu2 = u.GetLengthSqr();
	const double lv2 = v.GetLengthSqr();
	const Vector3d n = u ^ v;
	const double ln2 = n.GetLengthSqr();
	// The sine test on squared lengths needs one root instead of three; where the squares
	// leave the range of doubles, the lengths themselves are compared.
	const double bound = MinSine * MinSine * lu2 * lv2;
	if (std::isfinite(ln2) && std::isfinite(bound) && bound > 0.0) {
		if (!(ln2 > bound)) return false;
	} else {
		const double lu = u.GetLength();
		const double lv = v.GetLength();
		if (!(lu > 0.0) || !(lv > 0.0) || !(n.GetLength() > MinSine * lu * lv)) return false;
	}
	if (result != nullptr) *result = n / std::sqrt(ln2);
	return true;
}

void IVCoord(Kit::PlatformSign from, Kit::PlatformSign to, Coord* c) {
	if (c == nullptr) return;
	IVDouble(from, to, &c->x);
	IVDouble(from, to, &c->y);
}

void IVF_Coord(Kit::PlatformSign from, Kit::PlatformSign to, F_Coord* c) {
	if (c == nullptr) return;
	IVFloat(from, to, &c->x);
	IVFloat(from, to, &c->y);
}

} // namespace Geometry
