#include "BodyTestAccess.h"
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"

#include <gtest/gtest.h>

#include <vector>

using BodyTests::EditableBody;
using Modeler::Body;
using Vec = Vector3dTpl<double>;

namespace {

TRAN Make(std::initializer_list<double> m) {
	TRAN t{};
	int i = 0;
	for (double v : m)
		t.matrix[i++] = v;
	Geometry::TMFillStatus(&t);
	return t;
}

std::vector<Int32> PolyEdges(const Body& b) {
	std::vector<Int32> refs;
	for (UInt32 i = 0; i < b.GetPolyEdgeCount(); ++i)
		refs.push_back(b.GetConstPolyEdge(i));
	return refs;
}

// Every polygon's outer contour, projected by the polygon's own normal, must run
// counter-clockwise and every hole clockwise: the signed area of each contour seen from
// the normal's tip.
void ExpectOrientedContours(const Body& body) {
	for (UInt32 p = 0; p < body.GetPolygonCount(); ++p) {
		const Modeler::PGON& pgon = body.GetConstPolygon(p);
		const Vec n = pgon.GetNormalVector(body);
		std::vector<Vec> contour;
		int contourIndex = 0;
		auto close = [&] {
			Vec area;
			for (USize i = 0; i < contour.size(); ++i)
				area += contour[i] ^ contour[(i + 1) % contour.size()];
			if (contourIndex == 0)
				EXPECT_GT(area * n, 0.0) << "outer contour of polygon " << p;
			else
				EXPECT_LT(area * n, 0.0) << "hole of polygon " << p;
			contour.clear();
			++contourIndex;
		};
		for (Int32 k = 0; k < pgon.GetEdgeCount(); ++k) {
			bool sep = false;
			const Vec v = pgon.GetVertex(body, k, &sep);
			if (sep)
				close();
			else
				contour.push_back(v);
		}
		close();
	}
}

} // namespace

TEST(BodyTransform, ReorientPolyEdgesReversesEachContour) {
	Fixtures::BodyData d;
	d.AddVertex(0, 0, 0);
	for (int i = 0; i < 5; ++i)
		d.edges.Push(EDGE{0, 0, 0, 0, 0, -1, -1});
	for (Int32 r : {1, 2, 3, 0, 4, 5, 7, 0, 0, -2, 1, -3})
		d.polyEdges.Push(r);
	EditableBody body(*Fixtures::MakeBody(d));
	body.ReorientPolyEdges(0, 5);
	EXPECT_EQ(PolyEdges(body), (std::vector<Int32>{-3, -2, -1, 0, -5, -4, 7, 0, 0, -2, 1, -3}));
	// Odd contour: the middle element is negated once; empty contours stay.
	body.ReorientPolyEdges(7, 11);
	EXPECT_EQ(PolyEdges(body), (std::vector<Int32>{-3, -2, -1, 0, -5, -4, 7, 0, 0, 3, -1, 2}));
	// Reversing twice restores; a range reaching past the end is cut.
	body.ReorientPolyEdges(0, 5);
	body.ReorientPolyEdges(7, 400);
	EXPECT_EQ(PolyEdges(body), (std::vector<Int32>{1, 2, 3, 0, 4, 5, 7, 0, 0, -2, 1, -3}));
}

TEST(BodyTransform, RotationMovesVerticesNormalsAndBounds) {
	const auto wall = Fixtures::MakeWallWithWindow();
	// 90° about z, then translate by (0, 0, 10): (x, y, z) → (−y, x, z + 10).
	const TRAN t = Make({0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 10});
	const Body moved(*wall, &t);
	for (UInt32 i = 0; i < wall->GetVertexCount(); ++i) {
		const VERT& a = wall->GetConstVertex(i);
		const VERT& b = moved.GetConstVertex(i);
		EXPECT_DOUBLE_EQ(b.x, -a.y);
		EXPECT_DOUBLE_EQ(b.y, a.x);
		EXPECT_DOUBLE_EQ(b.z, a.z + 10);
	}
	EXPECT_EQ(moved.GetConstPolyNormal(0).y, 1.0); // +x became +y
	EXPECT_EQ(moved.GetLocalBounds(), (F_Box3D{-0.3f, 0, 0, 4, 10, 13}));
	EXPECT_EQ(PolyEdges(moved), PolyEdges(*wall)); // no reorientation
	ExpectOrientedContours(moved);
	// The same through the transforming accessors of the untransformed body.
	F_Box3D viaTran;
	wall->GetBounds(&t, viaTran);
	EXPECT_EQ(viaTran, moved.GetLocalBounds());
	EXPECT_EQ(wall->GetPolyNormalFromId(-2, &t), moved.GetPolyNormalFromId(-2));
}

TEST(BodyTransform, MirrorReorientsMultiContourPolygons) {
	const auto wall = Fixtures::MakeWallWithWindow();
	ExpectOrientedContours(*wall);
	// Mirror on the plane x = 2 (x → 4 − x): the window stays inside the wall.
	const TRAN t = Make({-1, 0, 0, 4, 0, 1, 0, 0, 0, 0, 1, 0});
	ASSERT_NE(t.status & Geometry::TR_MIRROR, 0);
	const Body mirrored(*wall, &t);
	// The normals are mirrored by the matrix and stay referenced as they were: the left
	// face (now at x = 4) keeps ivect −1, and normal 1 became −x, so it faces +x.
	for (UInt32 p = 0; p < wall->GetPolygonCount(); ++p)
		EXPECT_EQ(mirrored.GetConstPolygon(p).ivect, wall->GetConstPolygon(p).ivect);
	EXPECT_EQ(mirrored.GetConstPolygon(Fixtures::WallLeft).GetNormalVector(mirrored), Vec(1, 0, 0));
	// Each contour reversed and negated; the separators of the holes stay in place.
	const Modeler::PGON& front = wall->GetConstPolygon(Fixtures::WallFront);
	const std::vector<Int32> before = PolyEdges(*wall);
	const std::vector<Int32> after = PolyEdges(mirrored);
	for (Int32 i = 0; i < 4; ++i) {
		EXPECT_EQ(after[front.fpedg + i], -before[front.fpedg + 3 - i]);
		EXPECT_EQ(after[front.fpedg + 5 + i], -before[front.fpedg + 8 - i]);
	}
	EXPECT_EQ(after[front.fpedg + 4], 0);
	// The result is again a correctly oriented solid.
	ExpectOrientedContours(mirrored);
	EXPECT_EQ(mirrored.GetLocalBounds(), wall->GetLocalBounds());

	// Flipping polygons negates the normal references and reverses the contours: each
	// polygon stays consistent, now facing the other way.
	EditableBody flipped(*wall);
	flipped.ReorientPolygons(Fixtures::WallFront);
	EXPECT_EQ(flipped.GetConstPolygon(Fixtures::WallTop).ivect, wall->GetConstPolygon(Fixtures::WallTop).ivect);
	for (UInt32 p = Fixtures::WallFront; p < wall->GetPolygonCount(); ++p)
		EXPECT_EQ(flipped.GetConstPolygon(p).ivect, -wall->GetConstPolygon(p).ivect);
	EXPECT_EQ(PolyEdges(flipped)[front.fpedg + 5], -before[front.fpedg + 8]);
	ExpectOrientedContours(flipped);
}

TEST(BodyTransform, NoNormalBitAndPartialTransforms) {
	const auto cube = Fixtures::MakeCube();
	// A rotation marked "no normal transformation": vertices move, normals stay.
	TRAN t = Make({0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0});
	t.status |= Geometry::TR_NO_NORMAL_TRANSF;
	const Body b(*cube, &t);
	EXPECT_EQ(b.GetConstVertex(1).y, 1.0);
	for (UInt32 i = 0; i < cube->GetPolyNormalCount(); ++i)
		EXPECT_EQ(b.GetConstPolyNormal(i).x, cube->GetConstPolyNormal(i).x);

	// The identity bit makes a transform do nothing, whatever the matrix says.
	TRAN fake = Make({2, 0, 0, 5, 0, 2, 0, 0, 0, 0, 2, 0});
	fake.status |= Geometry::TR_IDENT;
	EXPECT_TRUE(Body(*cube, &fake) == *cube);

	// A part of the vertices and normals; ranges reaching past the end are cut.
	const TRAN scale = Make({3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 3, 0});
	EditableBody part(*cube);
	part.TransformPart_NoReorient(6, 100, 4, 1, scale);
	EXPECT_EQ(part.GetConstVertex(5).x, 1.0);
	EXPECT_EQ(part.GetConstVertex(6).y, 3.0);
	EXPECT_EQ(part.GetConstVertex(7).z, 3.0);
	EXPECT_EQ(part.GetConstPolyNormal(3).y, -1.0);
	EXPECT_EQ(part.GetConstPolyNormal(4).z, 3.0); // not renormalised
	EXPECT_EQ(part.GetConstPolyNormal(5).z, -1.0);
	// −1111 as a count, or an empty body, means "do nothing".
	EditableBody untouched(*cube);
	untouched.TransformPart_NoReorient(0, Modeler::NoTransformCount, 0, 6, scale);
	untouched.TransformPart_NoReorient(0, 8, 0, Modeler::NoTransformCount, scale);
	EXPECT_TRUE(untouched == *cube);
	EditableBody marked(*cube);
	Fixtures::BodyData d = Fixtures::CubeData();
	d.btype = Modeler::EmptyBodyShapeType;
	EditableBody typed(*Fixtures::MakeBody(d));
	typed.Transform(scale);
	EXPECT_EQ(typed.GetConstVertex(7).x, 1.0);
}
