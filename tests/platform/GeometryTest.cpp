#include "platform/Geometry.h"
#include "platform/GeometryVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

using Geometry::Vector3d;

namespace {

TRANMAT Make(std::initializer_list<double> m) {
	TRANMAT t{};
	int i = 0;
	for (double v : m)
		t.matrix[i++] = v;
	Geometry::TMFillStatus(&t);
	return t;
}

Vector3d Point(const TRANMAT& t, Vector3d p) {
	Geometry::TMPoint(&t, &p.x, &p.y, &p.z);
	return p;
}

Vector3d Vector(const TRANMAT& t, Vector3d v) {
	Geometry::TMVector(&t, &v.x, &v.y, &v.z);
	return v;
}

void ExpectNear(const Vector3d& a, const Vector3d& b, double eps = 1e-12) {
	EXPECT_NEAR(a.x, b.x, eps);
	EXPECT_NEAR(a.y, b.y, eps);
	EXPECT_NEAR(a.z, b.z, eps);
}

// Rotation by 'angle' around z, then translation.
TRANMAT RotZ(double angle, double tx = 0, double ty = 0, double tz = 0) {
	const double c = std::cos(angle), s = std::sin(angle);
	return Make({c, -s, 0, tx, s, c, 0, ty, 0, 0, 1, tz});
}

} // namespace

TEST(GeometryTM, IdentityAndStatusBits) {
	TRANMAT t;
	std::memset(&t, 0x5A, sizeof t);
	Geometry::TMIdentity(&t);
	EXPECT_EQ(t.reserved[0], 0);
	EXPECT_EQ(t.status & Geometry::TR_IDENT, Geometry::TR_IDENT);
	EXPECT_EQ(t.status & Geometry::TR_NO_NORMAL_TRANSF, Geometry::TR_NO_NORMAL_TRANSF);
	EXPECT_EQ(t.status & Geometry::TR_MIRROR, 0);
	ExpectNear(Point(t, {1.5, -2, 3}), {1.5, -2, 3});
	// The identity's preset status is exactly what the status computation gives.
	TRANMAT recomputed = t;
	Geometry::TMFillStatus(&recomputed);
	EXPECT_EQ(t.status, recomputed.status);

	// A pure translation moves points, leaves vectors alone and says so.
	const TRANMAT tr = Make({1, 0, 0, 5, 0, 1, 0, -1, 0, 0, 1, 2});
	EXPECT_EQ(tr.status & Geometry::TR_IDENT, 0);
	EXPECT_NE(tr.status & Geometry::TR_NO_NORMAL_TRANSF, 0);
	EXPECT_EQ(tr.status & Geometry::TR_NO_TRANSLATION, 0);
	ExpectNear(Point(tr, {1, 1, 1}), {6, 0, 3});
	ExpectNear(Vector(tr, {1, 1, 1}), {1, 1, 1});

	// A rotation is orthogonal, needs its normals transformed, does not mirror.
	const TRANMAT rot = RotZ(std::numbers::pi / 2);
	EXPECT_EQ(rot.status & (Geometry::TR_IDENT | Geometry::TR_NO_NORMAL_TRANSF | Geometry::TR_MIRROR), 0);
	EXPECT_NE(rot.status & Geometry::TR_ORTHOGONAL, 0);

	// Mirroring on x: negative determinant. A mirror composed with a rotation too.
	const TRANMAT mirror = Make({-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0});
	EXPECT_NE(mirror.status & Geometry::TR_MIRROR, 0);
	EXPECT_NE(mirror.status & Geometry::TR_ORTHOGONAL, 0);
	const TRANMAT rotMirror = Make({0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0}); // swap x and y
	EXPECT_NE(rotMirror.status & Geometry::TR_MIRROR, 0);
	EXPECT_NEAR(Geometry::TMDeterminant(rotMirror), -1.0, 1e-15);

	// Two mirrors make a rotation: no mirroring bit.
	const TRANMAT twoMirrors = Make({-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0});
	EXPECT_EQ(twoMirrors.status & Geometry::TR_MIRROR, 0);

	// Non-uniform scale: not orthogonal; a flattening matrix is singular, not mirrored.
	const TRANMAT scale = Make({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0});
	EXPECT_EQ(scale.status & Geometry::TR_ORTHOGONAL, 0);
	const TRANMAT flat = Make({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
	EXPECT_NE(flat.status & Geometry::TR_SINGULAR, 0);
	EXPECT_EQ(flat.status & Geometry::TR_MIRROR, 0);
	// A tiny but regular matrix is not singular: the test is relative to its scale.
	const TRANMAT tiny = Make({1e-6, 0, 0, 0, 0, 1e-6, 0, 0, 0, 0, -1e-6, 0});
	EXPECT_EQ(tiny.status & Geometry::TR_SINGULAR, 0);
	EXPECT_NE(tiny.status & Geometry::TR_MIRROR, 0);
}

TEST(GeometryTM, PointsVectorsAndDirections) {
	// 90° about z then translate (10, 0, 0): (1, 0, 0) → (0, 1, 0) → (10, 1, 0).
	const TRANMAT t = RotZ(std::numbers::pi / 2, 10, 0, 0);
	ExpectNear(Point(t, {1, 0, 0}), {10, 1, 0});
	ExpectNear(Point(t, {0, 2, 5}), {8, 0, 5});
	ExpectNear(Vector(t, {1, 0, 0}), {0, 1, 0});

	// 30° about z applied to (2, 0, 0): (√3, 1, 0).
	const TRANMAT t30 = RotZ(std::numbers::pi / 6);
	ExpectNear(Point(t30, {2, 0, 0}), {std::sqrt(3.0), 1, 0});

	// Directions keep their length under scaling; vectors do not.
	const TRANMAT scale = Make({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 7});
	Vector3d d(0, 0.6, 0.8);
	Geometry::TMDirVector(&scale, &d.x, &d.y, &d.z);
	ExpectNear(d, {0, 0.6, 0.8});
	ExpectNear(Vector(scale, {0, 0.6, 0.8}), {0, 1.2, 1.6});
	const TRANMAT shear = Make({1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0});
	Vector3d e(0, 2, 0);
	Geometry::TMDirVector(&shear, &e.x, &e.y, &e.z);
	ExpectNear(e, Vector3d(1, 1, 0) * std::sqrt(2.0));
}

// The projection of TMDirCoeffs must keep distances (no distortion) and map a contour
// that is counter-clockwise around the normal to a counter-clockwise (u, v) contour.
TEST(GeometryTM, DirCoeffsProjectWithoutDistortion) {
	const Vector3d normals[] = {{0, 0, 1},    {0, 0, -1}, {1, 0, 0},      {0, -1, 0},       {1, 2, 3},
	                            {-3, 1, 0.5}, {0, 0, 7},  {1e-13, 0, -1}, {0.3, -0.4, -0.8}};
	for (const Vector3d& raw : normals) {
		double c1, c2, c3, c4;
		Geometry::TMDirCoeffs(raw.x, raw.y, raw.z, &c1, &c2, &c3, &c4);
		Vector3d n = raw;
		ASSERT_TRUE(n.NormalizeVector());
		auto project = [&](const Vector3d& p) {
			return Vector3d((p.x * c1 + p.y * c2) * c3 - p.z * c4, p.y * c1 - p.x * c2, 0);
		};
		// Two in-plane axes a, b with a × b = n.
		Vector3d a = std::fabs(n.x) < 0.9 ? Vector3d(1, 0, 0) ^ n : Vector3d(0, 1, 0) ^ n;
		ASSERT_TRUE(a.NormalizeVector());
		const Vector3d b = n ^ a;
		const Vector3d o(0.5, -1, 2);
		const Vector3d p0 = o, p1 = o + a * 3.0, p2 = o + a * 3.0 + b * 2.0;
		const Vector3d q0 = project(p0), q1 = project(p1), q2 = project(p2);
		EXPECT_NEAR((q1 - q0).GetLength(), 3.0, 1e-9);
		EXPECT_NEAR((q2 - q1).GetLength(), 2.0, 1e-9);
		EXPECT_NEAR((q2 - q0).GetLength(), std::sqrt(13.0), 1e-9);
		// p0 → p1 → p2 turns left around n; its projection must turn left too.
		const double cross = (q1.x - q0.x) * (q2.y - q1.y) - (q1.y - q0.y) * (q2.x - q1.x);
		EXPECT_GT(cross, 0.0) << raw.x << " " << raw.y << " " << raw.z;
	}
	// A zero normal gives the plain (x, y) projection.
	double c1, c2, c3, c4;
	Geometry::TMDirCoeffs(0, 0, 0, &c1, &c2, &c3, &c4);
	EXPECT_EQ(c1, 1.0);
	EXPECT_EQ(c2, 0.0);
	EXPECT_EQ(c3, 1.0);
	EXPECT_EQ(c4, 0.0);
}

TEST(GeometryVector, UnitNormalReportsDegenerateInput) {
	Vector3d n(9, 9, 9);
	ASSERT_TRUE(Geometry::CalcUnitNormal({2, 0, 0}, {0, 3, 0}, &n));
	ExpectNear(n, {0, 0, 1});
	ASSERT_TRUE(Geometry::CalcUnitNormal({0, 3, 0}, {2, 0, 0}, &n));
	ExpectNear(n, {0, 0, -1});
	// Small but valid geometry (1 µm edges) still has a normal.
	ASSERT_TRUE(Geometry::CalcUnitNormal({1e-6, 0, 0}, {0, 0, 1e-6}, &n));
	ExpectNear(n, {0, -1, 0});

	n = Vector3d(9, 9, 9);
	EXPECT_FALSE(Geometry::CalcUnitNormal({0, 0, 0}, {0, 3, 0}, &n));
	EXPECT_FALSE(Geometry::CalcUnitNormal({1, 2, 3}, {-2, -4, -6}, &n));  // parallel
	EXPECT_FALSE(Geometry::CalcUnitNormal({1, 0, 0}, {1, 1e-12, 0}, &n)); // nearly parallel
	ExpectNear(n, {9, 9, 9});                                             // untouched
}

TEST(GeometryVector, CoordSwapAndBox) {
	Geometry::Coord c{1.5, -2.25};
	Geometry::IVCoord(Kit::BigEndian_Platform_Sign, Kit::Native_Platform_Sign, &c);
	EXPECT_NE(c.x, 1.5);
	Geometry::IVCoord(Kit::Native_Platform_Sign, Kit::BigEndian_Platform_Sign, &c);
	EXPECT_EQ(c.x, 1.5);
	EXPECT_EQ(c.y, -2.25);
	Geometry::F_Coord f{0.5f, 3.0f};
	Geometry::IVF_Coord(Kit::Native_Platform_Sign, Kit::Native_Platform_Sign, &f);
	EXPECT_EQ(f.x, 0.5f);
	Geometry::IVF_Coord(Kit::Native_Platform_Sign, Kit::BigEndian_Platform_Sign, &f);
	const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&f.x);
	EXPECT_EQ(bytes[0], 0x3F); // 0.5f is 0x3F000000, now stored big-endian

	Box3D box;
	EXPECT_TRUE(box.IsEmpty());
	box.Extend(1, 2, 3);
	EXPECT_FALSE(box.IsEmpty());
	EXPECT_EQ(box, (Box3D{1, 2, 1, 2, 3, 3}));
	box.Extend(Box3D{});
	box.Extend(Box3D{-1, 0, 0, 5, 2.5, 2.5});
	EXPECT_EQ(box, (Box3D{-1, 0, 1, 5, 2.5, 3}));
}
