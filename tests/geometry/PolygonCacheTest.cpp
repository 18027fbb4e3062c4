// The polygon triangle cache and the drawing geometry of body polygons: triangles tile
// each polygon along its normal, failures give zero triangles, shading normals follow
// the sharp edges, the 2D record, and copies of body geometry between models.
#include "fixtures/BodyFixtures.h"
#include "fixtures/TempDir.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/model/Model3D.h"
#include "Model3D/core/model/Model3DViews.h"
#include "Model3D/elements/elem/Elem.h"
#include "Model3D/geometry/models/CopyGeometry.h"
#include "Model3D/geometry/polygons/DrawingGeometry.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <thread>
#include <vector>

using Modeler::Body;
using Modeler::CandidateBody;
using Vec = Vector3dTpl<double>;

namespace {

using Loop2D = std::vector<std::pair<double, double>>;

Vec Cross(const Vec& a, const Vec& b) {
	return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec& a, const Vec& b) {
	return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Length(const Vec& a) {
	return std::sqrt(Dot(a, a));
}

// One face (an outline with holes) on a tilted plane, so that the projection onto the
// plane is exercised: x' = x, y' = y·cos a, z' = y·sin a + x·0.3.
Kit::SharedPtr<Body> FaceBody(const std::vector<Loop2D>& loops, UInt32 status) {
	CandidateBody b;
	CandidateBody::FaceLoops indices;
	for (const Loop2D& loop : loops) {
		indices.emplace_back();
		for (const auto& [x, y] : loop)
			indices.back().push_back(static_cast<Int32>(b.StoreVertex(x, y * 0.8, y * 0.6 + x * 0.3)));
	}
	b.StoreFace(indices, 1, status);
	b.CalculateBounds();
	return b.ToBody();
}

// Twice the area of the triangles, and checks that each runs along the polygon normal
// and uses only the polygon's corners.
double CheckTriangles(const Body& body, Int32 p) {
	const Modeler::PGON& pgon = body.GetConstPolygon(p);
	std::set<Int32> corners;
	for (Int32 i = pgon.fpedg; i <= pgon.lpedg; ++i)
		if (body.GetConstPolyEdge(i) != 0) corners.insert(body.GetBodyVertIdxFromPolyVertIdx(i));
	const Vec n = pgon.GetNormalVector(body);
	double area2 = 0;
	for (Int32 t = 0; t < pgon.GetTriangleCount(body); ++t) {
		Vec c[3];
		for (Int32 k = 0; k < 3; ++k) {
			const Int32 v = pgon.GetTriangleVertexIndex(body, t, k);
			EXPECT_TRUE(corners.count(v) == 1) << "triangle " << t << " corner " << v;
			c[k] = body.GetVertexPoint(v);
		}
		const Vec cross = Cross(c[1] - c[0], c[2] - c[0]);
		EXPECT_GE(Dot(cross, n), -1e-9) << "triangle " << t << " runs against the normal";
		area2 += Length(cross);
	}
	return area2;
}

// Twice the area of the face: the outline's minus the holes' (Newell).
double FaceArea2(const Body& body, Int32 p) {
	const Modeler::PGON& pgon = body.GetConstPolygon(p);
	double total = 0;
	Vec sum{0, 0, 0};
	bool outer = true;
	for (Int32 i = pgon.fpedg; i <= pgon.lpedg + 1; ++i) {
		if (i > pgon.lpedg || body.GetConstPolyEdge(i) == 0) {
			total += outer ? Length(sum) : -Length(sum);
			sum = Vec{0, 0, 0};
			outer = false;
			continue;
		}
		Int32 a = 0, b = 0;
		DLgetPVerts(body, body.GetConstPolyEdge(i), &a, &b);
		sum = sum + Cross(body.GetVertexPoint(a), body.GetVertexPoint(b));
	}
	return total;
}

Loop2D Square(double x0, double y0, double x1, double y1) {
	return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

} // namespace

// Each polygon's triangles run along its normal, use only its corners and add up to its
// area, over concave outlines, holes, collinear runs and a comb.
TEST(PolygonCache, TrianglesTileEveryPolygonAlongItsNormal) {
	Loop2D comb;
	for (int i = 0; i < 8; ++i) {
		comb.push_back({2.0 * i, 0});
		comb.push_back({2.0 * i + 1, 0});
		comb.push_back({2.0 * i + 1, 5});
		comb.push_back({2.0 * i + 2, 5});
	}
	comb.push_back({16, -1});
	comb.push_back({0, -1});
	const struct {
		const char* name;
		std::vector<Loop2D> loops;
		UInt32 status;
	} faces[] = {
	    {"convex quad", {Square(0, 0, 2, 1)}, 0},
	    {"L shape", {{{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}}}, Modeler::PgonConcave},
	    {"collinear run", {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 2}, {2, 1}, {0, 2}}}, Modeler::PgonConcave},
	    {"comb", {comb}, Modeler::PgonConcave},
	    {"wall with a window", {Square(0, 0, 4, 3), Square(1, 1, 2, 2)}, 0},
	    {"two windows on a line", {Square(0, 0, 7, 3), Square(1, 1, 3, 2), Square(4, 1, 6, 2)}, 0},
	};
	for (const auto& f : faces) {
		const Kit::SharedPtr<Body> body = FaceBody(f.loops, f.status);
		ASSERT_EQ(body->GetPolygonCount(), 1u) << f.name;
		EXPECT_FALSE(body->GetConstPolygon(0).IsDecomposedIntoTriangles());
		EXPECT_GT(body->GetConstPolygon(0).GetTriangleCount(*body), 0) << f.name;
		EXPECT_NEAR(CheckTriangles(*body, 0), FaceArea2(*body, 0), 1e-9 * FaceArea2(*body, 0)) << f.name;
		// Copies of the body carry the cache; QuickWrite drops it.
		const Body copy(*body);
		EXPECT_EQ(copy.GetConstPolygon(0).GetCacheSize(), body->GetConstPolygon(0).GetCacheSize());
		IO::MemoryOChannel out;
		body->QuickWrite(out);
		EXPECT_FALSE(body->GetConstPolygon(0).IsDecomposedIntoTriangles()) << f.name;
	}
}

TEST(PolygonCache, ConvexPolygonsAreFannedWithoutACacheForPartQueries) {
	const Kit::SharedPtr<Body> cube = Fixtures::MakeCube();
	const Modeler::PGON& p = cube->GetConstPolygon(Fixtures::BoxTop);
	EXPECT_EQ(p.GetConvexPolygonCount(*cube), 1);
	EXPECT_EQ(p.GetConvexPolygonVertexCount(*cube, 0), 4);
	EXPECT_EQ(p.GetConvexPolygonVertexIndex(*cube, 0, 2), cube->GetBodyVertIdxFromPolyVertIdx(p.fpedg + 2));
	EXPECT_FALSE(p.IsDecomposedIntoTriangles());
	ASSERT_EQ(p.GetTriangleCount(*cube), 2);
	EXPECT_EQ(p.GetCacheSize(), 28u);
	const Int32 a = cube->GetBodyVertIdxFromPolyVertIdx(p.fpedg);
	for (Int32 t = 0; t < 2; ++t) {
		EXPECT_EQ(p.GetTriangleVertexIndex(*cube, t, 0), a);
		EXPECT_EQ(p.GetTriangleVertexIndex(*cube, t, 2), cube->GetBodyVertIdxFromPolyVertIdx(p.fpedg + 2 + t));
	}
}

// Complex polygons that cannot be cut: zero triangles and zero parts, cached, no throw.
TEST(PolygonCache, UndecomposablePolygonsHaveNoTrianglesAndNoException) {
	Fixtures::BodyData d;
	for (const auto& [x, y] : Loop2D{{0, 0}, {1, 0}, {2, 0}, {1, 0}})
		d.AddVertex(x, y, 0);
	d.AddNormal(0, 0, 1);
	d.AddFace(1, {{0, 1, 2, 3}}, Modeler::PgonConcave); // no area
	d.AddFace(1, {{0, 1, 3}}, Modeler::PgonConcave);    // two distinct corners
	const Kit::SharedPtr<Body> body = Fixtures::MakeBody(d);
	for (Int32 p = 0; p < 2; ++p) {
		const Modeler::PGON& pgon = body->GetConstPolygon(p);
		EXPECT_EQ(pgon.GetTriangleCount(*body), 0) << p;
		EXPECT_EQ(pgon.GetConvexPolygonCount(*body), 0) << p;
		EXPECT_EQ(pgon.GetConvexPolygonVertexCount(*body, 0), 0) << p;
		EXPECT_TRUE(pgon.IsDecomposedIntoTriangles()) << p;
	}
	// Two distinct corners after dropping the repeated one: no parts at all.
	Kit::PagedArray<Int32> parts;
	EXPECT_NO_THROW(DecomposePolygon(*body, body->GetConstPolygon(1), parts));
	EXPECT_TRUE(parts.IsEmpty());
}

TEST(DrawingGeometry, PolyEdgeEndsAndThe2DRecordOfAPolygonWithAHole) {
	const Kit::SharedPtr<Body> wall = Fixtures::MakeWallWithWindow();
	const EDGE& e0 = wall->GetConstEdge(0);
	Int32 a = 0, b = 0;
	DLgetPVerts(*wall, -1, &a, &b);
	EXPECT_EQ(std::make_pair(a, b), std::make_pair(e0.vert2, e0.vert1));
	EXPECT_THROW(DLgetPVerts(*wall, 0, &a, &b), Kit::IllegalArgumentException);

	// The wall's front (y = 0) seen from above collapses to a line: take the top instead,
	// and a square face with a square hole for the full record.
	const Kit::SharedPtr<Body> face = FaceBody({Square(0, 0, 4, 4), Square(1, 1, 2, 2)}, 0);
	Geometry::Polygon2DData data;
	DNPgonToPolygon2DData(face.Get(), 0, &data);
	EXPECT_EQ(data.contourCount, 2u);
	EXPECT_EQ(data.pointCount, 10u);
	EXPECT_EQ(Geometry::CheckPolygon2DDataIntegrity(&data), 0);
	EXPECT_EQ(data.box.xMax, 4.0);
	EXPECT_EQ(data.box.yMax, 4 * 0.8);
	// Oriented: the outline counter-clockwise, the hole clockwise, in x/y.
	const Geometry::Coord* p = Geometry::GetPoints(data);
	const Int32* ends = Geometry::GetContourEnds(data);
	for (UInt32 c = 1; c <= 2; ++c) {
		double area2 = 0;
		for (Int32 i = ends[c - 1] + 1; i < ends[c]; ++i)
			area2 += p[i].x * p[i + 1].y - p[i + 1].x * p[i].y;
		EXPECT_EQ(area2 > 0, c == 1) << c;
	}
	Geometry::FreePolygon2DData(&data);
	EXPECT_THROW(DNPgonToPolygon2DData(face.Get(), 1, &data), Kit::InternalErrorException);
	EXPECT_EQ(data.points, nullptr);
}

// A round column: curved sides meeting flat caps at sharp rims. Seen from a side face, a
// rim corner has a horizontal normal; seen from the cap, the cap's own; and the two side
// faces meeting at a corner agree on its normal.
TEST(DrawingGeometry, ShadingNormalsFollowSharpEdges) {
	CandidateBody b;
	b.SetStatus(Modeler::BodyClosed | Modeler::BodyCurved | Modeler::BodyHasSharpEdge);
	const int n = 12;
	std::vector<Int32> bottom, top;
	for (int i = 0; i < n; ++i) {
		const double t = 2 * std::numbers::pi * i / n;
		bottom.push_back(static_cast<Int32>(b.StoreVertex(std::cos(t), std::sin(t), 0)));
		top.push_back(static_cast<Int32>(b.StoreVertex(std::cos(t), std::sin(t), 2)));
	}
	b.StoreFace({bottom}, Vec{0, 0, -1});
	b.StoreFace({top}, Vec{0, 0, 1});
	for (int i = 0; i < n; ++i) {
		const int j = (i + 1) % n;
		const double mid = 2 * std::numbers::pi * (i + 0.5) / n;
		b.StoreFace({{bottom[i], bottom[j], top[j], top[i]}}, Vec{std::cos(mid), std::sin(mid), 0}, 0,
		            Modeler::PgonCurved);
		for (const auto& [u, v] : {std::pair(bottom[i], bottom[j]), std::pair(top[i], top[j])})
			b.GetEdge(std::abs(b.FindEdge(u, v)) - 1).status |= Modeler::EdgeSharp;
	}
	const Kit::SharedPtr<Body> column = b.ToBody();
	auto normalAt = [&](Int32 polygon, Int32 vertex) {
		const Modeler::PGON& p = column->GetConstPolygon(polygon);
		for (Int32 k = 0; k <= p.lpedg - p.fpedg; ++k)
			if (column->GetBodyVertIdxFromPolyVertIdx(p.fpedg + k) == vertex)
				return p.GetNormalVectorByVertex(*column, polygon, static_cast<UInt32>(k));
		ADD_FAILURE() << "vertex " << vertex << " is no corner of polygon " << polygon;
		return Vec{0, 0, 0};
	};
	const Vec cap = normalAt(1, top[3]);
	EXPECT_NEAR(cap.z, 1.0, 1e-12);
	const Vec fromLeft = normalAt(2 + 2, top[3]), fromRight = normalAt(2 + 3, top[3]);
	for (const Vec& side : {fromLeft, fromRight}) {
		EXPECT_NEAR(side.z, 0.0, 1e-12);
		EXPECT_NEAR(Length(side), 1.0, 1e-12);
	}
	EXPECT_NEAR(Dot(fromLeft, fromRight), 1.0, 1e-12);
	// A convex part's corner gives the same normal as the polygon's corner.
	const Modeler::PGON& side = column->GetConstPolygon(4);
	const Int32 v = side.GetConvexPolygonVertexIndex(*column, 0, 2);
	const Vec part = side.GetConvexPolygonNormalVectorByVertex(*column, 4, 0, 2);
	EXPECT_NEAR(Dot(part, normalAt(4, v)), 1.0, 1e-12);
}

// Threads sharing one body fill its caches at the same time: every thread sees the same
// triangles and normals as a single thread. Built with ThreadSanitizer in CI.
TEST(PolygonCacheThreads, ConcurrentQueriesOfOneSharedBodyAgree) {
	const Kit::SharedPtr<Body> wall = Fixtures::MakeWallWithWindow();
	auto snapshot = [](const Body& body) {
		std::vector<Int32> values;
		for (Int32 p = 0; p < static_cast<Int32>(body.GetPolygonCount()); ++p) {
			const Modeler::PGON& pgon = body.GetConstPolygon(p);
			for (Int32 t = 0; t < pgon.GetTriangleCount(body); ++t)
				for (Int32 k = 0; k < 3; ++k)
					values.push_back(pgon.GetTriangleVertexIndex(body, t, k));
		}
		values.push_back(static_cast<Int32>(body.GetRoundNormVectorCount()));
		return values;
	};
	const Body reference(*wall);
	const std::vector<Int32> expected = snapshot(reference);
	for (int round = 0; round < 20; ++round) {
		wall->ClearConvexPolygonCache();
		wall->ClearRoundNormVectorCache();
		std::vector<std::vector<Int32>> seen(4);
		std::vector<std::thread> threads;
		for (auto& s : seen)
			threads.emplace_back([&wall, &s, &snapshot] { s = snapshot(*wall); });
		for (auto& t : threads)
			t.join();
		for (const auto& s : seen)
			EXPECT_EQ(s, expected);
	}
}

TEST(DrawingGeometry, CopyingBodiesMakesOneClosedAttributeFreeElementPerBody) {
	TestSupport::ModuleScope module;
	auto source = Modeler::Model3D::New(nullptr, Modeler::DiskCachingOff, nullptr);
	auto target = Modeler::Model3D::New(nullptr, Modeler::DiskCachingOff, nullptr);
	Kit::SharedPtr<Modeler::BaseElem> base(new Modeler::BaseElem());
	Fixtures::BodyData painted = Fixtures::CubeData(2);
	painted.iumat = 5;
	painted.status = 0;
	for (const auto& body : {Fixtures::MakeBody(painted), Fixtures::MakeWallWithWindow(), Fixtures::MakeCube(1)})
		base->AddBody(body);
	Modeler::VOCA id;
	id.SetEmpty();
	id.guid = Kit::Guid::Generate();
	Kit::SharedPtr<Modeler::Elem> elem(new Modeler::Elem(id, true, false, base.Get()));
	Modeler::Model3DModifier src(source), dst(target);
	src.AddElem(elem, Kit::NULLGuid);

	UInt32 firstElem = 9, firstBody = 9, lastElem = 9, lastBody = 9;
	DLCopyGeometryOfBodies(src, 0, 0, 0, 2, dst, &firstElem, &firstBody, &lastElem, &lastBody);
	EXPECT_EQ(std::vector<UInt32>({firstElem, firstBody, lastElem, lastBody}), std::vector<UInt32>({0, 0, 2, 0}));
	ASSERT_EQ(dst.GetElemCount(), 3u);
	for (UInt32 i = 0; i < 3; ++i) {
		const auto copy = dst.GetConstElem(i);
		EXPECT_EQ(copy->GetElemId().guid, id.guid);
		EXPECT_TRUE(copy->IsParent());
		ASSERT_EQ(copy->GetBodyCount(), 1u);
		const Body& got = *copy->GetConstBody(0);
		EXPECT_TRUE(got.IsClosed());
		EXPECT_EQ(got.GetMaterialIdx(), 0);
		EXPECT_EQ(got.GetVertexCount(), base->GetConstBody(i)->GetVertexCount());
	}
	EXPECT_THROW(DLCopyGeometryOfBodies(src, 0, 0, 1, 0, dst, &firstElem, &firstBody, &lastElem, &lastBody),
	             Kit::IllegalArgumentException);
}
