#include "BodyTestAccess.h"
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <cmath>

using Modeler::Body;
using Vec = Vector3dTpl<double>;

namespace {

// Volume of a closed body from its polygons: V = 1/3 · Σ (area vector · point on face),
// with every contour's area vector from the cross products of its start vertices.
// Holes run the other way and so subtract; wrong orientations or broken contours show.
double Volume(const Body& body) {
	double volume = 0;
	for (UInt32 p = 0; p < body.GetPolygonCount(); ++p) {
		const Modeler::PGON& pgon = body.GetConstPolygon(p);
		Vec area, anchor;
		std::vector<Vec> contour;
		auto close = [&] {
			for (USize i = 0; i < contour.size(); ++i)
				area += (contour[i] ^ contour[(i + 1) % contour.size()]) * 0.5;
			contour.clear();
		};
		for (Int32 k = 0; k < pgon.GetEdgeCount(); ++k) {
			bool separator = false;
			const Vec v = pgon.GetVertex(body, k, &separator);
			if (separator) {
				close();
				continue;
			}
			if (k == 0) anchor = v;
			contour.push_back(v);
		}
		close();
		// The area vector must point along the polygon normal.
		const Vec n = pgon.GetNormalVector(body);
		EXPECT_GT(n * area, 0.0) << "polygon " << p;
		volume += (area * anchor) / 3.0;
	}
	return volume;
}

} // namespace

TEST(BodyQuery, FixturesAreConsistentSolids) {
	EXPECT_NEAR(Volume(*Fixtures::MakeCube(2.0)), 8.0, 1e-12);
	// Wall 4 × 0.3 × 3 less a 1 × 0.3 × 1 window.
	EXPECT_NEAR(Volume(*Fixtures::MakeWallWithWindow()), 3.6 - 0.3, 1e-12);
	Body::SetCheckEnabled(true);
	EXPECT_TRUE(Fixtures::MakeWallWithWindow()->Check());
	Body::SetCheckEnabled(false);
}

TEST(BodyQuery, TopologyOfPolyEdges) {
	const auto wall = Fixtures::MakeWallWithWindow();
	// Every pair of consecutive references inside a contour meets at a vertex; across a
	// separator the pair reports it.
	Int32 separatorPairs = 0;
	for (auto p = wall->BeginPolygons(); p != wall->EndPolygons(); ++p) {
		for (Int32 i = p->fpedg; i < p->lpedg; ++i) {
			bool sep = false;
			Int32 a = -5, b = -5, c = -5;
			wall->GetBodyVertIndicesFromPolyEdges(i, &sep, &a, &b, &c);
			if (sep) {
				++separatorPairs;
				EXPECT_EQ(a, -5);
				continue;
			}
			EXPECT_EQ(a, wall->GetBodyVertIdxFromPolyVertIdx(i));
			EXPECT_EQ(b, wall->GetBodyVertIdxFromPolyVertIdx(i + 1));
			const EDGE oriented = p->GetOrientedEdge(*wall, i + 1 - p->fpedg);
			EXPECT_EQ(oriented.vert1, b);
			EXPECT_EQ(oriented.vert2, c);
		}
	}
	EXPECT_EQ(separatorPairs, 4);
	const Modeler::PGON& front = wall->GetConstPolygon(Fixtures::WallFront);
	EXPECT_EQ(wall->GetBodyVertIdxFromPolyVertIdx(front.fpedg + 4), -1);
	bool sep = false;
	EXPECT_EQ(front.GetVertex(*wall, 4, &sep), Vec());
	EXPECT_TRUE(sep);

	// A reference −3 starts at edges[2].vert2; two references that do not meet throw.
	BodyTests::EditableBody body(*wall);
	body.SetPolyEdge(0, -3);
	EXPECT_EQ(body.GetBodyVertIdxFromPolyVertIdx(0), body.GetConstEdge(2).vert2);
	body.SetPolyEdge(0, 3);
	EXPECT_EQ(body.GetBodyVertIdxFromPolyVertIdx(0), body.GetConstEdge(2).vert1);
	const EDGE& e1 = body.GetConstEdge(0);
	Int32 far = -1; // an edge touching neither end of edge 0
	for (UInt32 k = 0; k < body.GetEdgeCount() && far < 0; ++k) {
		const EDGE& e = body.GetConstEdge(k);
		if (e.vert1 != e1.vert1 && e.vert1 != e1.vert2 && e.vert2 != e1.vert1 && e.vert2 != e1.vert2)
			far = static_cast<Int32>(k);
	}
	body.SetPolyEdge(0, 1);
	body.SetPolyEdge(1, far + 1);
	bool s;
	Int32 a, b, c;
	EXPECT_THROW(body.GetBodyVertIndicesFromPolyEdges(0, &s, &a, &b, &c), Kit::LogicErrorException);
}

TEST(BodyQuery, VerticesPositionAndNormals) {
	Fixtures::BodyData d = Fixtures::CubeData();
	d.AddVertex(1e-5, 0, -1e-5); // 8: exactly at the tolerance from vertex 0
	d.AddVertex(2e-5, 0, 0);     // 9: outside
	const auto body = Fixtures::MakeBody(d);
	EXPECT_TRUE(body->GetVerticesPosition(3, 3).IsSameIndex());
	EXPECT_TRUE(body->GetVerticesPosition(0, 8).IsSamePosition());
	EXPECT_TRUE(body->GetVerticesPosition(9, 0).IsDifferent());
	EXPECT_EQ(body->GetVerticesPosition(0, 1).GetValue(), 0);

	EXPECT_EQ(body->GetPolyNormalFromId(5), Vec(0, 0, 1));
	EXPECT_EQ(body->GetPolyNormalFromId(-5), Vec(0, 0, -1));
	EXPECT_EQ(body->GetPolyNormalFromId(0), Vec());
	TRAN rot;
	Geometry::TMIdentity(&rot);
	rot.matrix[0] = 0, rot.matrix[1] = -1, rot.matrix[4] = 1, rot.matrix[5] = 0; // 90° about z
	Geometry::TMFillStatus(&rot);
	const Vec n = body->GetPolyNormalFromId(-1, &rot);
	EXPECT_NEAR(n.y, -1.0, 1e-15);
	rot.status |= Geometry::TR_NO_NORMAL_TRANSF;
	EXPECT_EQ(body->GetPolyNormalFromId(-1, &rot), Vec(-1, 0, 0));
	// Points always go through the matrix.
	EXPECT_EQ(body->GetVertexPoint(1, &rot), Vec(0, 1, 0));
	double x, y, z;
	body->GetVertexCoords(1, nullptr, &x, &y, &z);
	EXPECT_EQ(x, 1.0);
}

TEST(BodyQuery, BoundsLeaveOutCoordinateSystemVertices) {
	Fixtures::BodyData d = Fixtures::CubeData();
	for (int i = 0; i < 7; ++i)
		d.AddVertex(0.5, 0.5, 0.5);
	d.AddVertex(9, -9, 5); // vertex 15
	BodyTests::EditableBody body(*Fixtures::MakeBody(d));
	F_Box3D box;
	body.GetBounds(nullptr, box);
	EXPECT_EQ(box, (F_Box3D{0, -9, 9, 1, 0, 5}));
	const Int32 excluded[4] = {0, 0, 0, ~15};
	body.SetLocalCoordSys(excluded);
	body.GetBounds(nullptr, box);
	EXPECT_EQ(box, (F_Box3D{0, 0, 1, 1, 0, 1}));
	const Int32 counted[4] = {16, 0, 0, 0}; // positive: vertex 15 counts
	body.SetLocalCoordSys(counted);
	body.CalculateBounds();
	EXPECT_EQ(body.GetLocalBounds().xMax, 9.0f);

	// Through a transformation: scale by 2 and move by (1, 0, 0).
	TRAN t;
	Geometry::TMIdentity(&t);
	t.matrix[0] = t.matrix[5] = t.matrix[10] = 2;
	t.matrix[3] = 1;
	Geometry::TMFillStatus(&t);
	body.SetLocalCoordSys(excluded);
	body.GetBounds(&t, box);
	EXPECT_EQ(box, (F_Box3D{1, 0, 3, 2, 0, 2}));
	// No counted vertex: the empty box.
	BodyTests::EditableBody none;
	none.GetBounds(nullptr, box);
	EXPECT_TRUE(box.IsEmpty());
}

TEST(BodyQuery, EqualityTolerances) {
	const Fixtures::BodyData base = Fixtures::WallWithWindowData();
	const auto a = Fixtures::MakeBody(base);
	auto variant = [&](auto change) {
		Fixtures::BodyData d = Fixtures::WallWithWindowData();
		change(d);
		return Fixtures::MakeBody(d);
	};
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData&) {}));
	// Not compared: body status, edge status.
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData& d) { d.status = 0x12345; }));
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData& d) { d.edges[3].status = Modeler::EdgeSharp; }));
	// Coordinates: exactly 1e-5 (representable steps around it) is equal, 2e-5 is not.
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData& d) { d.vertices[5].x += 0.99e-5; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.vertices[5].x += 2e-5; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.vertices[5].z -= 2e-5; }));
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData& d) { d.polyNormals[1].y -= 1e-5 / 2; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.polyNormals[1].y -= 2e-5; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.bounds.zMax += 1e-3f; }));
	// A difference of exactly 1e-5 (0 against 1e-5) still counts as equal.
	EXPECT_TRUE(*a == *variant([](Fixtures::BodyData& d) { d.vertices[0].x = 1e-5; }));
	// Texture vertices.
	auto withTexture = [&](float u) {
		return variant([u](Fixtures::BodyData& d) { d.textureVertices.Push(TEVE{u, 0}); });
	};
	EXPECT_TRUE(*withTexture(0.5f) == *withTexture(0.500005f));
	EXPECT_FALSE(*withTexture(0.5f) == *withTexture(0.50003f));
	EXPECT_FALSE(*a == *withTexture(0.5f));
	// Exact fields.
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.edges[0].color = 1; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.edges[0].dummy = 1; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.polyEdges[3] = -d.polyEdges[3]; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.polygons[2].mpuid = 4; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.polygons[2].status = 0; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.coor[2] = 1; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.sltype = 1; }));
	EXPECT_FALSE(*a == *variant([](Fixtures::BodyData& d) { d.fatherBind = 1; }));
	EXPECT_TRUE(*a != *variant([](Fixtures::BodyData& d) { d.wrap = 1; }));
	EXPECT_FALSE(*a == *Fixtures::MakeCube());
}

TEST(BodyQuery, ReindexAttributes) {
	Fixtures::BodyData d = Fixtures::CubeData();
	d.iumat = 2;
	d.ifill = ~1; // fill entry 1
	d.polygons[0].iumat = 1;
	d.polygons[0].irtxt = 3;
	d.polygons[1].iumat = 0;
	d.polygons[1].irtxt = -4;
	d.polygons[2].iumat = 9; // outside the map: left alone
	BodyTests::EditableBody body(*Fixtures::MakeBody(d));
	const Kit::Array<Int32> materials{10, 20, 30};
	const Kit::Array<Int32> fills{~5, ~6};
	const Kit::Array<Int32> textures{7, 8, 9};
	body.ReindexAttributes(materials, fills, textures);
	EXPECT_EQ(body.GetMaterialIdx(), 20);
	EXPECT_EQ(body.GetFillType(), ~6);
	EXPECT_EQ(body.GetConstPolygon(0).iumat, 10);
	EXPECT_EQ(body.GetConstPolygon(0).irtxt, 9);
	EXPECT_EQ(body.GetConstPolygon(1).iumat, 0);
	EXPECT_EQ(body.GetConstPolygon(1).irtxt, -4);
	EXPECT_EQ(body.GetConstPolygon(2).iumat, 9);
	// A positive fill is not a table reference.
	BodyTests::EditableBody positive;
	Fixtures::BodyData p;
	p.ifill = 1;
	positive.CopyAttributes(*Fixtures::MakeBody(p));
	positive.ReindexAttributes(materials, fills, textures);
	EXPECT_EQ(positive.GetFillType(), 1);
}

TEST(BodyQuery, CheckFindsBrokenReferences) {
	Body::SetCheckEnabled(true);
	BodyTests::EditableBody body(*Fixtures::MakeCube());
	EXPECT_TRUE(body.Check());
	body.SetPolyEdge(3, 40); // edge 39 of 12
	EXPECT_FALSE(body.Check());
	Body::SetCheckEnabled(false);
	EXPECT_TRUE(body.Check()); // disabled: nothing is visited
}
