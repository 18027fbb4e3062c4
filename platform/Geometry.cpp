#include "platform/Geometry.h"

#include <cmath>
#include <cstring>

namespace Geometry {

namespace {

bool IsNearly(double a, double b) {
	return std::fabs(a - b) <= TMStatusEps;
}

bool LinearPartIsIdentity(const TRANMAT& tm) {
	const double* m = tm.matrix;
	return IsNearly(m[0], 1.0) && IsNearly(m[1], 0.0) && IsNearly(m[2], 0.0) && IsNearly(m[4], 0.0) &&
	       IsNearly(m[5], 1.0) && IsNearly(m[6], 0.0) && IsNearly(m[8], 0.0) && IsNearly(m[9], 0.0) &&
	       IsNearly(m[10], 1.0);
}

bool TranslationIsZero(const TRANMAT& tm) {
	return IsNearly(tm.matrix[3], 0.0) && IsNearly(tm.matrix[7], 0.0) && IsNearly(tm.matrix[11], 0.0);
}

// Rows of the 3×3 part are orthonormal (then so are the columns).
bool LinearPartIsOrthogonal(const TRANMAT& tm) {
	const double* m = tm.matrix;
	const Vector3d r0(m[0], m[1], m[2]);
	const Vector3d r1(m[4], m[5], m[6]);
	const Vector3d r2(m[8], m[9], m[10]);
	constexpr double eps = 1e-9;
	return std::fabs(r0 * r0 - 1.0) <= eps && std::fabs(r1 * r1 - 1.0) <= eps && std::fabs(r2 * r2 - 1.0) <= eps &&
	       std::fabs(r0 * r1) <= eps && std::fabs(r0 * r2) <= eps && std::fabs(r1 * r2) <= eps;
}

// Determinant small against the product of the row lengths: the rows are (nearly)
// linearly dependent whatever the scale of the matrix.
bool LinearPartIsSingular(const TRANMAT& tm, double det) {
	const double* m = tm.matrix;
	const double scale = Vector3d(m[0], m[1], m[2]).GetLength() * Vector3d(m[4], m[5], m[6]).GetLength() *
	                     Vector3d(m[8], m[9], m[10]).GetLength();
	return !(std::fabs(det) > TMStatusEps * scale);
}

} // namespace

void TMIdentity(TRANMAT* tm) {
	std::memset(tm, 0, sizeof(TRANMAT));
	tm->matrix[0] = tm->matrix[5] = tm->matrix[10] = 1.0;
	// What TMFillStatus computes for the identity, without computing it.
	tm->status = TR_IDENT | TR_NO_NORMAL_TRANSF | TR_NO_TRANSLATION | TR_ORTHOGONAL;
}

double TMDeterminant(const TRANMAT& tm) {
	const double* m = tm.matrix;
	return m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
	       m[2] * (m[4] * m[9] - m[5] * m[8]);
}

void TMFillStatus(TRANMAT* tm) {
	UInt16 status = 0;
	const bool linearIdentity = LinearPartIsIdentity(*tm);
	const bool noTranslation = TranslationIsZero(*tm);
	if (linearIdentity && noTranslation) status |= TR_IDENT;
	if (linearIdentity) status |= TR_NO_NORMAL_TRANSF;
	if (noTranslation) status |= TR_NO_TRANSLATION;
	if (LinearPartIsOrthogonal(*tm)) status |= TR_ORTHOGONAL;
	const double det = TMDeterminant(*tm);
	if (LinearPartIsSingular(*tm, det))
		status |= TR_SINGULAR;
	else if (det < 0.0)
		status |= TR_MIRROR;
	tm->status = status;
}

void TMPoint(const TRANMAT* tm, double* x, double* y, double* z) {
	const double* m = tm->matrix;
	const double px = *x, py = *y, pz = *z;
	*x = m[0] * px + m[1] * py + m[2] * pz + m[3];
	*y = m[4] * px + m[5] * py + m[6] * pz + m[7];
	*z = m[8] * px + m[9] * py + m[10] * pz + m[11];
}

void TMVector(const TRANMAT* tm, double* x, double* y, double* z) {
	const double* m = tm->matrix;
	const double vx = *x, vy = *y, vz = *z;
	*x = m[0] * vx + m[1] * vy + m[2] * vz;
	*y = m[4] * vx + m[5] * vy + m[6] * vz;
	*z = m[8] * vx + m[9] * vy + m[10] * vz;
}

void TMDirVector(const TRANMAT* tm, double* x, double* y, double* z) {
	const double before = Vector3d(*x, *y, *z).GetLength();
	TMVector(tm, x, y, z);
	const double after = Vector3d(*x, *y, *z).GetLength();
	if (before > 0.0 && after > 0.0) {
		const double f = before / after;
		*x *= f;
		*y *= f;
		*z *= f;
	}
}

void TMPoint(const TRANMAT& tm, Vector3d& p) {
	TMPoint(&tm, &p.x, &p.y, &p.z);
}

void TMVector(const TRANMAT& tm, Vector3d& v) {
	TMVector(&tm, &v.x, &v.y, &v.z);
}

// With n = (a, b, c) of unit length and r = √(a² + b²):
//   u axis = (a·c/r, b·c/r, −r), v axis = (−b/r, a/r, 0),
// both unit, perpendicular to n and to each other, and u × v = n. For a normal along z
// (r = 0) the axes are (±1, 0, 0) and (0, 1, 0), again with u × v = n.
void TMDirCoeffs(double nx, double ny, double nz, double* c1, double* c2, double* c3, double* c4) {
	const double len = Vector3d(nx, ny, nz).GetLength();
	if (!(len > 0.0)) {
		*c1 = 1.0;
		*c2 = 0.0;
		*c3 = 1.0;
		*c4 = 0.0;
		return;
	}
	const double a = nx / len, b = ny / len, c = nz / len;
	const double r = std::sqrt(a * a + b * b);
	if (r < 1e-12) {
		*c1 = 1.0;
		*c2 = 0.0;
		*c3 = c < 0.0 ? -1.0 : 1.0;
		*c4 = 0.0;
		return;
	}
	*c1 = a / r;
	*c2 = b / r;
	*c3 = c;
	*c4 = r;
}

} // namespace Geometry
