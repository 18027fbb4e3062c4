// The builder's geometric algorithms: contour normals, orientation codes, concave apexes,
// normal search, box wrapping, open-surface orientation and transformation.
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/BodyAlgorithms.h"
#include "Model3D/bodies/builder/CandidateBody.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <random>
#include <vector>

using Modeler::CandidateBody;
using Vec = Vector3dTpl<double>;

namespace {

// A closed loop of vertices in the given order with edges i → i + 1 (free polygon slots);
// references 1 … n walk it in that order.
CandidateBody Loop(const std::vector<VERT>& points) {
	CandidateBody b;
	const Int32 n = static_cast<Int32>(points.size());
	for (const VERT& p : points)
		b.StoreVertex(p.x, p.y, p.z);
	for (Int32 i = 0; i < n; ++i)
		b.StoreEdge(0, i, (i + 1) % n, -2, -2, 0, 1);
	return b;
}

std::vector<Int32> Refs(Int32 n, Int32 start = 0) {
	std::vector<Int32> r;
	for (Int32 i = 0; i < n; ++i)
		r.push_back((start + i) % n + 1);
	return r;
}

std::vector<Int32> PolygonRefs(const CandidateBody& b, Int32 p) {
	std::vector<Int32> r;
	const Modeler::PGON& pg = b.GetConstPolygon(p);
	for (Int32 k = pg.fpedg; k <= pg.lpedg; ++k)
		r.push_back(b.GetConstPolyEdge(k));
	return r;
}

Vec Normal(const CandidateBody& b, Int32 ivect) {
	const VECT& n = b.GetConstPolyNormal(std::abs(ivect) - 1);
	return ivect > 0 ? Vec(n.x, n.y, n.z) : Vec(-n.x, -n.y, -n.z);
}

// Every polygon's contours run counter-clockwise (outer) and clockwise (holes) about its
// normal.
void ExpectConsistentContours(const CandidateBody& b) {
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p) {
		std::vector<Int32> r = PolygonRefs(b, static_cast<Int32>(p));
		EXPECT_EQ(b.CheckPolygonNormal(b.GetConstPolygon(p).ivect, static_cast<Int32>(r.size()), r.data(), true, false),
		          Modeler::PgonNormalOk)
		    << "polygon " << p;
	}
}

const std::vector<VERT> LShape = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};

} // namespace

TEST(CandidateBodyAlgorithms, LoopNormalOfConvexAndConcaveContours) {
	CandidateBody square = Loop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
	std::vector<Int32> r = Refs(4);
	double x, y, z;
	square.CalculateLoopNormal(4, r.data(), &x, &y, &z);
	EXPECT_NEAR(z, 1.0, 1e-12);

	// The first corner of this walk is the concave one: its normal points down, the
	// orientation check notices and the stored polygon refers to the normal reversed.
	CandidateBody l = Loop(LShape);
	r = Refs(6, 2);
	l.CalculateLoopNormal(6, r.data(), &x, &y, &z);
	EXPECT_NEAR(z, -1.0, 1e-12);
	const Int32 p = l.StoreAndCheckCompletePolygon(1, 0, 6, r.data(), 0, true);
	EXPECT_EQ(l.GetConstPolygon(p).ivect, -1);
	EXPECT_NEAR(Normal(l, l.GetConstPolygon(p).ivect).z, 1.0, 1e-12);
	// Without the check the wrong normal stays.
	const Int32 q = l.StoreAndCheckCompletePolygon(1, 0, 6, r.data(), 0, false);
	EXPECT_GT(l.GetConstPolygon(q).ivect, 0);

	// Collinear points: no corner gives a normal, a segment gives a perpendicular one.
	CandidateBody line = Loop({{0, 0, 0}, {1, 1, 0}, {2, 2, 0}});
	r = Refs(3);
	line.CalculateLoopNormal(3, r.data(), &x, &y, &z);
	EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-12);
	EXPECT_NEAR(x + y, 0.0, 1e-12);
	CandidateBody point = Loop({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
	EXPECT_THROW(point.CalculateLoopNormal(3, r.data(), &x, &y, &z), Kit::InternalErrorException);
	EXPECT_FALSE(point.CalculateLoopNormal(0, 1, &x, &y, &z));
	EXPECT_THROW(point.StoreAndCheckCompletePolygon(0, 0, 3, r.data(), 0, true), Kit::InternalErrorException);
	EXPECT_EQ(point.GetPolyNormalCount() + point.GetPolygonCount(), 0u);
}

TEST(CandidateBodyAlgorithms, CornerHelpers) {
	CandidateBody l = Loop(LShape);
	Int32 a, b, c;
	l.GetPVert3(-2, -1, &a, &b, &c); // 2 → 1 → 0
	EXPECT_EQ(a, 2);
	EXPECT_EQ(b, 1);
	EXPECT_EQ(c, 0);
	EXPECT_THROW(l.GetPVert3(0, 1, &a, &b, &c), Kit::LogicErrorException);
	EXPECT_THROW(l.GetPVert3(1, 3, &a, &b, &c), Kit::LogicErrorException);
	double x, y, z;
	ASSERT_TRUE(l.CalcUnitNormalFrom3Verts(0, 1, 2, &x, &y, &z));
	EXPECT_NEAR(z, 1.0, 1e-12);
	ASSERT_TRUE(l.CalculateLoopNormal(0, 4, &x, &y, &z));
	EXPECT_NEAR(x * x + y * y + z * z, 1.0, 1e-12);
	EXPECT_NEAR(1 * x + 2 * y, 0.0, 1e-12); // perpendicular to the segment (0,0,0)–(1,2,0)
}

TEST(CandidateBodyAlgorithms, OrientationCodes) {
	CandidateBody sq = Loop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
	sq.StorePolyNormal(0, 0, 1);
	const Int32 ccw[] = {1, 2, 3, 4};
	const Int32 cw[] = {-4, -3, -2, -1};
	EXPECT_EQ(sq.CheckPolygonNormal(1, 4, ccw, true, false), Modeler::PgonNormalOk);
	EXPECT_EQ(sq.CheckPolygonNormal(1, 4, cw, true, false), Modeler::PgonNormalOuterClockwise);
	EXPECT_EQ(sq.CheckPolygonNormal(-1, 4, cw, true, false), Modeler::PgonNormalOk);
	const Int32 trailing[] = {1, 2, 3, 4, 0, 0};
	EXPECT_EQ(sq.CheckPolygonNormal(1, 6, trailing, true, false), Modeler::PgonNormalEmptyContour);
	EXPECT_EQ(sq.CheckPolygonNormal(1, 6, trailing, false, false), Modeler::PgonNormalOk);
	const Int32 leading[] = {0, 1, 2, 3, 4};
	EXPECT_EQ(sq.CheckPolygonNormal(1, 5, leading, false, false), Modeler::PgonNormalEmptyContour);
	// A counter-clockwise "hole" after the outer contour.
	const Int32 twice[] = {1, 2, 3, 4, 0, 1, 2, 3, 4};
	EXPECT_EQ(sq.CheckPolygonNormal(1, 9, twice, true, false), Modeler::PgonNormalHoleCounterClockwise);
	EXPECT_EQ(sq.CheckPolygonNormal(1, 9, twice, false, false), Modeler::PgonNormalOk);

	CandidateBody line = Loop({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
	line.StorePolyNormal(0, 0, 1);
	const Int32 tri[] = {1, 2, 3};
	EXPECT_EQ(line.CheckPolygonNormal(1, 3, tri, true, false), Modeler::PgonNormalDegenerate);

	// A tiny clockwise square passes unless the check is strict.
	CandidateBody tiny = Loop({{0, 0, 0}, {1e-3, 0, 0}, {1e-3, 1e-3, 0}, {0, 1e-3, 0}});
	tiny.StorePolyNormal(0, 0, 1);
	EXPECT_EQ(tiny.CheckPolygonNormal(1, 4, cw, true, false), Modeler::PgonNormalOk);
	EXPECT_EQ(tiny.CheckPolygonNormal(1, 4, cw, true, true), Modeler::PgonNormalOuterClockwise);

	EXPECT_THROW(sq.CheckPolygonNormal(2, 4, ccw, true, false), Kit::IllegalArgumentException);
	const Int32 missing[] = {1, 9};
	EXPECT_THROW(sq.CheckPolygonNormal(1, 2, missing, true, false), Kit::IllegalArgumentException);
}

// The builder checks turning sense without normalising per point; its codes must be those
// of the trapezoid sum over the unit axes of TMDirCoeffs, for contours of every size, in
// planes of every direction (along ±z, nearly so, tilted), about normals not quite of unit
// length. Sums within rounding of a threshold are not compared.
TEST(CandidateBodyAlgorithms, TurningSenseAgreesWithUnitAxesInEveryPlane) {
	std::mt19937 random(7);
	std::uniform_real_distribution<double> unit(-1.0, 1.0);
	const Vec directions[] = {{0, 0, 1}, {0, 0, -1}, {1e-13, 0, 1}, {0, -1e-13, -1}, {1, 0, 0}, {0, 1, 0}};
	int compared = 0;
	for (int trial = 0; trial < 600; ++trial) {
		Vec n = trial < 60 ? directions[trial % 6] : Vec(unit(random), unit(random), unit(random));
		if (n.GetLength() < 0.1) continue;
		n = n / n.GetLength() * (1.0 + 4e-6 * unit(random)); // within the builder's unit tolerance
		double c1, c2, c3, c4;
		Geometry::TMDirCoeffs(n.x, n.y, n.z, &c1, &c2, &c3, &c4);
		const Vec u(c1 * c3, c2 * c3, -c4), v(-c2, c1, 0); // unit axes, u × v = n
		const double size = std::pow(10.0, -6.0 + 3.5 * (unit(random) + 1.0));
		const Vec origin =
		    Vec(unit(random), unit(random), unit(random)) * (1e3 * size); // far, but not lost in rounding
		const int corners = 3 + trial % 6;
		std::vector<VERT> points;
		double sum = 0.0; // Σ (v1 + v0)(u1 − u0) over the unit axes
		for (int k = 0; k <= corners; ++k) {
			const double angle = 2.0 * M_PI * (k % corners) / corners * (trial % 2 == 0 ? 1.0 : -1.0);
			const double radius = k == corners ? 0.0 : size * (0.75 + 0.25 * unit(random));
			const Vec p = k == corners ? Vec(points[0].x, points[0].y, points[0].z)
			                           : origin + u * (radius * std::cos(angle)) + v * (radius * std::sin(angle));
			if (k > 0) {
				const Vec q(points.back().x, points.back().y, points.back().z);
				sum += (v * p + v * q) * (u * p - u * q);
			}
			if (k < corners) points.push_back({p.x, p.y, p.z});
		}
		CandidateBody b = Loop(points);
		b.StorePolyNormal(n.x, n.y, n.z);
		const std::vector<Int32> r = Refs(corners);
		for (const bool strict : {false, true}) {
			if (std::fabs(std::fabs(sum) - 1e-10) < 1e-16 || (!strict && std::fabs(sum - 1e-5) < 1e-11)) continue;
			const Int16 expected = std::fabs(sum) < 1e-10                ? Modeler::PgonNormalDegenerate
			                       : sum > 0.0 && (strict || sum > 1e-5) ? Modeler::PgonNormalOuterClockwise
			                                                             : Modeler::PgonNormalOk;
			EXPECT_EQ(b.CheckPolygonNormal(1, corners, r.data(), false, strict), expected) << "trial " << trial;
			++compared;
		}
	}
	EXPECT_GT(compared, 1000);
}

TEST(CandidateBodyAlgorithms, HolesAndTheFreeFunctionsAgreeWithTheBuilder) {
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	CandidateBody b(*wall);
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p) {
		std::vector<Int32> r = PolygonRefs(b, static_cast<Int32>(p));
		const Int32 ivect = b.GetConstPolygon(p).ivect;
		const Int32 n = static_cast<Int32>(r.size());
		EXPECT_EQ(b.CheckPolygonNormal(ivect, n, r.data(), true, false), Modeler::PgonNormalOk) << p;
		EXPECT_EQ(Modeler::CheckPgonNormal(*wall, ivect, n, r.data(), true, false), Modeler::PgonNormalOk) << p;
		for (Int32 k = 0; k + 2 < n; ++k) {
			if (r[k] == 0 || r[k + 1] == 0) continue;
			Int32 va, vb, vc;
			b.GetPVert3(r[k], r[k + 1], &va, &vb, &vc);
			const Int32 normal = std::abs(ivect) - 1;
			EXPECT_EQ(b.IsPgonApexConcave(normal, va, vb, vc), Modeler::IsPgonApexConcave(*wall, normal, va, vb, vc));
		}
	}
	// Turning the hole of the front face around breaks only the hole.
	const Modeler::PGON& front = b.GetConstPolygon(Fixtures::WallFront);
	std::vector<Int32> r = PolygonRefs(b, Fixtures::WallFront);
	Int32 sep = 0;
	while (r[sep] != 0)
		++sep;
	b.ReorientPolyEdges(front.fpedg + sep + 1, front.lpedg);
	r = PolygonRefs(b, Fixtures::WallFront);
	EXPECT_EQ(b.CheckPolygonNormal(front.ivect, static_cast<Int32>(r.size()), r.data(), true, false),
	          Modeler::PgonNormalHoleCounterClockwise);
	EXPECT_EQ(b.CheckPolygonNormal(front.ivect, static_cast<Int32>(r.size()), r.data(), false, false),
	          Modeler::PgonNormalOk);
	EXPECT_EQ(b.CheckPolygonNormal(-front.ivect, static_cast<Int32>(r.size()), r.data(), true, false),
	          Modeler::PgonNormalOuterClockwise);
}

TEST(CandidateBodyAlgorithms, ApexAndNormalSearch) {
	CandidateBody l = Loop(LShape);
	l.StorePolyNormal(0, 0, 1);
	EXPECT_EQ(l.IsPgonApexConcave(0, 2, 3, 4), 1); // the inner corner of the L
	EXPECT_EQ(l.IsPgonApexConcave(0, 0, 1, 2), -1);
	EXPECT_EQ(l.IsPgonApexConcave(0, 0, 0, 2), 0); // a side of length 0
	CandidateBody far = Loop({{0, 0, 0}, {1000, 0, 0}, {1000, 1e-3, 0}});
	far.StorePolyNormal(0, 0, 1);
	EXPECT_EQ(far.IsPgonApexConcave(0, 0, 1, 2), -1); // long sides are scaled, short ones not

	CandidateBody n;
	n.StorePolyNormal(1, 0, 0);
	n.StorePolyNormal(0, 1, 0);
	n.StorePolyNormal(0, 0.6, 0.8);
	n.StorePolyNormal(-1, 0, 0);
	n.StorePolyNormal(0, 0, 1);
	EXPECT_EQ(n.SearchPgonNormal(0, 4, 0, 0, -1), -5);
	EXPECT_EQ(n.SearchPgonNormal(0, 4, 0, 0, 1 + 5e-7), 5);
	EXPECT_EQ(n.SearchPgonNormal(0, 4, 1, 0, 0), 1); // found as itself before its reverse at 3
	EXPECT_EQ(n.SearchPgonNormal(1, 4, 1, 0, 0), -4);
	EXPECT_EQ(n.SearchPgonNormal(0, 3, 0, 0, 1), 0);
	EXPECT_EQ(n.SearchPgonNormal(0, 99, 0, 0, 1), 5);
	EXPECT_EQ(n.SearchPgonNormal(0, 4, 0, 0, 1 + 2e-6), 0);
}

TEST(CandidateBodyAlgorithms, MinMaxWrappingOnACube) {
	CandidateBody cube(*Fixtures::MakeCube(2.0));
	cube.CreateMinMaxWrapping();
	const Int32* c = cube.GetLocalCoordSys();
	// BoxData numbers vertex i by its bits: x = bit 0, y = bit 1, z = bit 2.
	EXPECT_EQ(c[0], 1);
	EXPECT_EQ(c[1], 2);
	EXPECT_EQ(c[2], 3);
	EXPECT_EQ(c[3], 5);
	EXPECT_EQ(cube.GetVertexCount(), 8u);
	EXPECT_EQ(cube.GetWrapping(), 99);
}

TEST(CandidateBodyAlgorithms, MinMaxWrappingAddsCornersWhereNoVertexIs) {
	CandidateBody oct;
	const VERT pts[] = {{1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 2}};
	for (const VERT& p : pts) {
		oct.StoreVertex(p.x, p.y, p.z);
		oct.StoreTextureVertex(0.5, 0.5);
	}
	for (Int32 i = 0; i < 6; ++i)
		oct.StoreEdge(0, i, (i + 1) % 6, -1, -1, 0, 0);
	oct.CalculateBounds();
	const F_Box3D before = oct.GetLocalBounds();
	oct.CreateMinMaxWrapping();
	ASSERT_EQ(oct.GetVertexCount(), 10u);
	EXPECT_EQ(oct.GetTextureVertexCount(), 10u);
	const VERT expected[4] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 2}};
	for (Int32 j = 0; j < 4; ++j) {
		const Int32 c = oct.GetLocalCoordSys()[j];
		ASSERT_EQ(c, -(6 + j + 1));
		const VERT& v = oct.GetConstVertex(~c);
		EXPECT_EQ(v.x, expected[j].x);
		EXPECT_EQ(v.y, expected[j].y);
		EXPECT_EQ(v.z, expected[j].z);
	}
	oct.CalculateBounds();
	EXPECT_EQ(oct.GetLocalBounds(), before); // the coordinate-system corners do not count

	// The corners survive compression as coordinate-system-only vertices.
	CandidateBody::SetCompressionOverride(true);
	oct.StoreEdge(0, 0, 1, -1, -1, Modeler::EdgeWire, 1); // asks for compression
	const Kit::SharedPtr<Modeler::Body> body = oct.ToBody();
	CandidateBody::ResetCompressionOverride();
	EXPECT_EQ(body->GetVertexCount(), 10u);
	for (Int32 j = 0; j < 4; ++j)
		EXPECT_LT(body->GetLocalCoordSys()[j], 0);
	EXPECT_EQ(body->GetLocalBounds(), before);
}

namespace {

// A strip of 2·n triangles between the rows y = 0 and y = 1, each triangle stored with
// the orientation 'up' says, and its normal matching its contour.
CandidateBody Strip(Int32 n, const std::vector<bool>& up, Int32 firstVertex = 0, double z = 0) {
	CandidateBody b;
	for (Int32 i = 0; i <= n; ++i) {
		b.StoreVertex(i, 0, z);
		b.StoreVertex(i, 1, z);
	}
	auto edge = [&](Int32 a, Int32 c) {
		for (UInt32 e = 0; e < b.GetEdgeCount(); ++e) {
			const EDGE& ed = b.GetConstEdge(e);
			if (ed.vert1 == a && ed.vert2 == c) return static_cast<Int32>(e) + 1;
			if (ed.vert1 == c && ed.vert2 == a) return -(static_cast<Int32>(e) + 1);
		}
		return b.StoreEdge(0, a, c, -2, -2, 0, 1) + 1;
	};
	USize t = 0;
	for (Int32 i = 0; i < n; ++i) {
		const Int32 b0 = 2 * i + firstVertex, t0 = b0 + 1, b1 = b0 + 2, t1 = b0 + 3;
		for (const std::array<Int32, 3>& tri : {std::array<Int32, 3>{b0, b1, t0}, std::array<Int32, 3>{b1, t1, t0}}) {
			std::array<Int32, 3> v = tri;
			if (!up[t++ % up.size()]) std::swap(v[1], v[2]);
			const Int32 refs[3] = {edge(v[0], v[1]), edge(v[1], v[2]), edge(v[2], v[0])};
			b.StoreAndCheckCompletePolygon(1, 0, 3, refs, 0, false);
		}
	}
	return b;
}

// Every edge with two polygons is walked once in each direction.
void ExpectOrientedSurface(const CandidateBody& b) {
	std::vector<Int32> sum(b.GetEdgeCount(), 0);
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p)
		for (Int32 r : PolygonRefs(b, static_cast<Int32>(p)))
			sum[std::abs(r) - 1] += r > 0 ? 1 : -1;
	for (UInt32 e = 0; e < b.GetEdgeCount(); ++e)
		EXPECT_LE(std::abs(sum[e]), 1) << "edge " << e;
	ExpectConsistentContours(b);
}

} // namespace

TEST(CandidateBodyAlgorithms, OpenSurfaceOrientation) {
	std::mt19937 random(7);
	for (int round = 0; round < 20; ++round) {
		std::vector<bool> up(16);
		for (USize i = 0; i < up.size(); ++i)
			up[i] = (random() & 1) != 0;
		CandidateBody b = Strip(8, up);
		const Int32 firstIvect = b.GetConstPolygon(0).ivect;
		const std::vector<Int32> firstRefs = PolygonRefs(b, 0);
		b.FixOpenBodySurfaceOrientation();
		ExpectOrientedSurface(b);
		EXPECT_EQ(b.GetConstPolygon(0).ivect, firstIvect); // the seed keeps its orientation
		EXPECT_EQ(PolygonRefs(b, 0), firstRefs);
	}
	// Two triangles running along their shared edge the same way: the second is turned.
	CandidateBody two = Strip(1, {true, false});
	two.StoreEdge(0, 0, 3, -1, -1, 0, 0); // six edges at least
	const Int32 before = two.GetConstPolygon(1).ivect;
	two.FixOpenBodySurfaceOrientation();
	EXPECT_EQ(two.GetConstPolygon(1).ivect, -before);
	ExpectOrientedSurface(two);
	// A closed body is left as it is.
	CandidateBody closed = Strip(1, {true, false});
	closed.StoreEdge(0, 0, 3, -1, -1, 0, 0);
	closed.SetStatusMask(Modeler::BodyClosed);
	const CandidateBody copy(closed);
	closed.FixOpenBodySurfaceOrientation();
	EXPECT_TRUE(closed == copy);
}

TEST(CandidateBodyAlgorithms, OpenSurfaceOrientationPerPatchAndBadLinks) {
	// Two strips that share nothing: each patch is oriented from its own first polygon.
	CandidateBody b = Strip(3, {true, false, false, true, true, false});
	const CandidateBody second = Strip(3, {false, true, true, false, false, true}, 0, 5.0);
	const Int32 v0 = static_cast<Int32>(b.GetVertexCount()), e0 = static_cast<Int32>(b.GetEdgeCount());
	const Int32 p0 = static_cast<Int32>(b.GetPolygonCount()), n0 = static_cast<Int32>(b.GetPolyNormalCount());
	for (UInt32 i = 0; i < second.GetVertexCount(); ++i)
		b.AddVertexRec(second.GetConstVertex(i));
	for (UInt32 i = 0; i < second.GetEdgeCount(); ++i) {
		EDGE e = second.GetConstEdge(i);
		e.vert1 += v0;
		e.vert2 += v0;
		e.pgon1 = e.pgon1 >= 0 ? e.pgon1 + p0 : e.pgon1;
		e.pgon2 = e.pgon2 >= 0 ? e.pgon2 + p0 : e.pgon2;
		b.AddEdgeRec(e);
	}
	for (UInt32 i = 0; i < second.GetPolyNormalCount(); ++i)
		b.AddPolyNormalRec(second.GetConstPolyNormal(i));
	for (UInt32 p = 0; p < second.GetPolygonCount(); ++p) {
		Modeler::PGON pg = second.GetConstPolygon(p);
		std::vector<Int32> r = PolygonRefs(second, p);
		for (Int32& ref : r)
			ref += ref > 0 ? e0 : -e0;
		pg.ivect += pg.ivect > 0 ? n0 : -n0;
		pg.fpedg = static_cast<Int32>(b.GetPolyEdgeCount());
		pg.lpedg = pg.fpedg + static_cast<Int32>(r.size()) - 1;
		b.AddNPolyEdgeRec(r.data(), static_cast<UInt32>(r.size()));
		b.AddPolygonRec(pg);
	}
	const Int32 seed2 = b.GetConstPolygon(p0).ivect;
	b.FixOpenBodySurfaceOrientation();
	ExpectOrientedSurface(b);
	EXPECT_EQ(b.GetConstPolygon(p0).ivect, seed2);

	// An edge naming a polygon that does not exist is reported, not followed.
	CandidateBody bad = Strip(3, {true, true});
	bad.GetEdge(0).pgon2 = 99;
	EXPECT_THROW(bad.FixOpenBodySurfaceOrientation(), Kit::InternalErrorException);
}

// The polygon to be turned names a normal or an edge that does not exist, as the most
// negative Int32: it is reported before anything is negated.
TEST(CandidateBodyAlgorithms, OpenSurfaceOrientationRefusesMostNegativeReferencesBeforeTurning) {
	for (const bool inNormal : {true, false}) {
		SCOPED_TRACE(inNormal ? "normal" : "edge");
		CandidateBody two = Strip(1, {true, false});
		two.StoreEdge(0, 0, 3, -1, -1, 0, 0);
		Modeler::PGON& turned = two.GetPolygon(1);
		if (inNormal)
			turned.ivect = std::numeric_limits<Int32>::min();
		else
			two.GetPolyEdge(turned.lpedg) = std::numeric_limits<Int32>::min();
		EXPECT_THROW(two.FixOpenBodySurfaceOrientation(), Kit::InternalErrorException);
	}
}

TEST(CandidateBodyAlgorithms, MirroringKeepsContoursCounterClockwiseAboutOutwardNormals) {
	CandidateBody b(*Fixtures::MakeWallWithWindow());
	TRAN mirror{};
	mirror.matrix[0] = -1;
	mirror.matrix[5] = 1;
	mirror.matrix[10] = 2;
	mirror.matrix[3] = 10;
	Geometry::TMFillStatus(&mirror);
	ASSERT_NE(mirror.status & Geometry::TR_MIRROR, 0);
	const std::vector<Int32> ivects = [&] {
		std::vector<Int32> v;
		for (UInt32 p = 0; p < b.GetPolygonCount(); ++p)
			v.push_back(b.GetConstPolygon(p).ivect);
		return v;
	}();
	b.Transform(mirror);
	ExpectConsistentContours(b);
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p)
		EXPECT_EQ(b.GetConstPolygon(p).ivect, ivects[p]);
	// Outward: the normal of every outer wall face points away from the wall's centre.
	const F_Box3D& box = b.GetLocalBounds();
	EXPECT_FLOAT_EQ(box.xMin, 6.0f);
	EXPECT_FLOAT_EQ(box.xMax, 10.0f);
	EXPECT_FLOAT_EQ(box.zMax, 6.0f);
	const Vec centre((box.xMin + box.xMax) / 2, (box.yMin + box.yMax) / 2, (box.zMin + box.zMax) / 2);
	for (Int32 p = Fixtures::WallBottom; p <= Fixtures::WallRight; ++p) {
		const Int32 first = b.GetBodyVertIdxFromPolyVertIdx(b.GetConstPolygon(p).fpedg);
		EXPECT_GT(Normal(b, b.GetConstPolygon(p).ivect) * (b.GetVertexPoint(first) - centre), 0.0) << p;
	}
	// The plain flip negates the references and reverses the contours: still consistent.
	b.ReorientPolygons(0);
	ExpectConsistentContours(b);
	EXPECT_EQ(b.GetConstPolygon(0).ivect, -ivects[0]);
}
