#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/query/BodyQueryInterfaceImp.h"
#include "Model3D/bodies/records/BodyInfo.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

using Modeler::IConstBodyImp;

namespace {

struct Point {
	double x, y, z;
};

// Vertex index of the start of a signed 1-based edge reference.
Int32 StartVertex(const Cut::IConstBody& b, Int32 ref) {
	const EDGE& e = b.GetConstEdge(static_cast<UInt32>(std::abs(ref) - 1));
	return ref > 0 ? e.vert1 : e.vert2;
}

Int32 EndVertex(const Cut::IConstBody& b, Int32 ref) {
	const EDGE& e = b.GetConstEdge(static_cast<UInt32>(std::abs(ref) - 1));
	return ref > 0 ? e.vert2 : e.vert1;
}

// Splits a polygon's poly-edges into contours at the 0 separators.
std::vector<std::vector<Int32>> Contours(const Cut::IConstBody& b, UInt32 polygon) {
	const Cut::PGON& p = b.GetConstPolygon(polygon);
	std::vector<std::vector<Int32>> contours(1);
	for (Int32 k = p.fpedg; k <= p.lpedg; ++k) {
		const Int32 ref = b.GetConstPolyEdge(static_cast<UInt32>(k));
		if (ref == 0)
			contours.emplace_back();
		else
			contours.back().push_back(ref);
	}
	return contours;
}

// Checks the topology seen through the interface: every contour is a closed chain of
// edges, each edge names the polygons that use it, and each edge of a closed body is
// used by exactly two polygons. Returns the number of contours.
UInt32 CheckTopology(const Cut::IConstBody& b) {
	UInt32 contourCount = 0;
	std::vector<std::multiset<Int32>> users(b.GetEdgeCount());
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p) {
		for (const std::vector<Int32>& contour : Contours(b, p)) {
			++contourCount;
			EXPECT_GE(contour.size(), 3u) << "polygon " << p;
			for (size_t i = 0; i < contour.size(); ++i) {
				const Int32 next = contour[(i + 1) % contour.size()];
				EXPECT_EQ(EndVertex(b, contour[i]), StartVertex(b, next)) << "polygon " << p;
				users[static_cast<size_t>(std::abs(contour[i]) - 1)].insert(static_cast<Int32>(p));
			}
		}
	}
	for (UInt32 e = 0; e < b.GetEdgeCount(); ++e) {
		const EDGE& edge = b.GetConstEdge(e);
		EXPECT_EQ(users[e], (std::multiset<Int32>{edge.pgon1, edge.pgon2})) << "edge " << e;
	}
	return contourCount;
}

// Volume from the polygons: 1/3 · Σ (area vector of each contour · a contour point). The
// area vector is checked to point along the polygon's signed normal reference, so a
// wrong sign convention for ivect or a broken contour shows.
double Volume(const Cut::IConstBody& b) {
	double volume = 0;
	for (UInt32 p = 0; p < b.GetPolygonCount(); ++p) {
		const Int32 ivect = b.GetConstPolygon(p).ivect;
		const VECT& n = b.GetConstPolyNormal(static_cast<UInt32>(std::abs(ivect) - 1));
		const double sign = ivect < 0 ? -1.0 : 1.0;
		double polyArea = 0;
		for (const std::vector<Int32>& contour : Contours(b, p)) {
			std::vector<Point> pts;
			for (Int32 ref : contour) {
				Point q{};
				b.GetVertexCoords(static_cast<UInt32>(StartVertex(b, ref)), nullptr, &q.x, &q.y, &q.z);
				pts.push_back(q);
			}
			double ax = 0, ay = 0, az = 0;
			for (size_t i = 0; i < pts.size(); ++i) {
				const Point& u = pts[i];
				const Point& v = pts[(i + 1) % pts.size()];
				ax += 0.5 * (u.y * v.z - u.z * v.y);
				ay += 0.5 * (u.z * v.x - u.x * v.z);
				az += 0.5 * (u.x * v.y - u.y * v.x);
			}
			polyArea += sign * (ax * n.x + ay * n.y + az * n.z);
			volume += (ax * pts[0].x + ay * pts[0].y + az * pts[0].z) / 3.0;
		}
		EXPECT_GT(polyArea, 0.0) << "polygon " << p << " runs against its normal";
	}
	return volume;
}

class NoBodyAdapter : public IConstBodyImp {
public:
	NoBodyAdapter() = default;
};

// Moves every vertex by +10 in x: shows that the vertex position operation reads
// through the overridable vertex access.
class ShiftedAdapter : public IConstBodyImp {
public:
	explicit ShiftedAdapter(const Modeler::Body* b) : IConstBodyImp(b) {}
	const VERT& GetConstVertex(UInt32 i) const override {
		shifted = IConstBodyImp::GetConstVertex(i);
		shifted.x += 10;
		return shifted;
	}

private:
	mutable VERT shifted{};
};

} // namespace

TEST(BodyQueryInterfaceTest, CubeAnsweredThroughTheInterface) {
	const Kit::SharedPtr<Modeler::Body> cube = Fixtures::MakeCube(2.0);
	const IConstBodyImp imp(cube.Get());
	const Cut::IConstBody& b = imp;

	EXPECT_EQ(b.GetPolygonCount(), 6u);
	EXPECT_EQ(b.GetPolyNormalCount(), 6u);
	EXPECT_EQ(b.GetPolyEdgeCount(), 24u);
	EXPECT_EQ(b.GetEdgeCount(), 12u);
	EXPECT_EQ(b.GetVertexCount(), 8u);
	EXPECT_EQ(b.GetTextureVertexCount(), 0u);
	EXPECT_TRUE(b.IsClosed());
	EXPECT_FALSE(b.IsSurface());
	EXPECT_EQ(b.GetStatus(), Modeler::BodyClosed);

	for (UInt32 i = 0; i < 8; ++i) {
		const VERT& v = b.GetConstVertex(i);
		EXPECT_EQ(&v, &cube->GetConstVertex(static_cast<Int32>(i))); // in place, not a copy
		EXPECT_EQ(v.x, (i & 1) ? 2.0 : 0.0);
		EXPECT_EQ(v.y, (i & 2) ? 2.0 : 0.0);
		EXPECT_EQ(v.z, (i & 4) ? 2.0 : 0.0);
		double x = -1, y = -1, z = -1;
		b.GetVertexCoords(i, nullptr, &x, &y, &z);
		EXPECT_EQ(x, v.x);
		EXPECT_EQ(y, v.y);
		EXPECT_EQ(z, v.z);
	}

	// The front face (−y): vertices 0 → 1 → 5 → 4, normal reference 4 = normal index 3.
	const Cut::PGON& front = b.GetConstPolygon(Fixtures::BoxFront);
	EXPECT_EQ(static_cast<const void*>(&front), static_cast<const void*>(&cube->GetConstPolygon(Fixtures::BoxFront)));
	EXPECT_EQ(front.ivect, 4);
	EXPECT_EQ(front.fpedg, 8);
	EXPECT_EQ(front.lpedg, 11);
	EXPECT_EQ(front.status, 0u);
	const VECT& n = b.GetConstPolyNormal(static_cast<UInt32>(front.ivect - 1));
	EXPECT_EQ(n.x, 0.0);
	EXPECT_EQ(n.y, -1.0);
	EXPECT_EQ(n.z, 0.0);
	const Int32 expectedRefs[] = {-4, 9, -5, 10};
	for (UInt32 k = 0; k < 4; ++k)
		EXPECT_EQ(b.GetConstPolyEdge(8 + k), expectedRefs[k]) << k;
	// Edge 8 (reference 9) runs 1 → 5 between the front and the right face.
	const EDGE& e8 = b.GetConstEdge(8);
	EXPECT_EQ(e8.vert1, 1);
	EXPECT_EQ(e8.vert2, 5);
	EXPECT_EQ(e8.pgon1, Fixtures::BoxFront);
	EXPECT_EQ(e8.pgon2, Fixtures::BoxRight);

	EXPECT_EQ(CheckTopology(b), 6u);
	// Euler: V − E + F = 2 for a cube.
	EXPECT_EQ(static_cast<Int32>(b.GetVertexCount()) - static_cast<Int32>(b.GetEdgeCount()) +
	              static_cast<Int32>(b.GetPolygonCount()),
	          2);
	EXPECT_NEAR(Volume(b), 8.0, 1e-12);
}

TEST(BodyQueryInterfaceTest, WallWithWindowHoleAnsweredThroughTheInterface) {
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	const IConstBodyImp imp(wall.Get());
	const Cut::IConstBody& b = imp;

	EXPECT_EQ(b.GetPolygonCount(), 10u);
	EXPECT_EQ(b.GetPolyNormalCount(), 3u);
	EXPECT_EQ(b.GetPolyEdgeCount(), 50u); // 10 quadrilaterals, two hole contours of 4 and their separators
	EXPECT_EQ(b.GetEdgeCount(), 24u);
	EXPECT_EQ(b.GetVertexCount(), 16u);

	// The front face: outer contour 0 → 1 → 5 → 4, separator, hole 8 → 12 → 13 → 9; its
	// normal is the +y normal (index 1) referenced reversed.
	const Cut::PGON& front = b.GetConstPolygon(Fixtures::WallFront);
	EXPECT_EQ(front.status, static_cast<UInt32>(Modeler::PgonHasHoles));
	EXPECT_EQ(front.ivect, -2);
	EXPECT_EQ(front.fpedg, 8);
	EXPECT_EQ(front.lpedg, 16);
	const Int32 expectedRefs[] = {-4, 9, -5, 10, 0, 11, 12, 13, 14};
	for (UInt32 k = 0; k < 9; ++k)
		EXPECT_EQ(b.GetConstPolyEdge(8 + k), expectedRefs[k]) << k;
	const std::vector<Int32> holeStarts = {8, 12, 13, 9};
	const std::vector<std::vector<Int32>> contours = Contours(b, Fixtures::WallFront);
	ASSERT_EQ(contours.size(), 2u);
	for (size_t i = 0; i < 4; ++i)
		EXPECT_EQ(StartVertex(b, contours[1][i]), holeStarts[i]);
	double x = 0, y = 0, z = 0;
	b.GetVertexCoords(13, nullptr, &x, &y, &z);
	EXPECT_EQ(x, 2.0);
	EXPECT_EQ(y, 0.0);
	EXPECT_EQ(z, 2.0);

	// Edge 9 (reference 10) runs from the hole corner 8 up to 12, between the front face
	// and the left reveal.
	const EDGE& e = b.GetConstEdge(10);
	EXPECT_EQ(e.vert1, 8);
	EXPECT_EQ(e.vert2, 12);
	EXPECT_EQ(e.pgon1, Fixtures::WallFront);
	EXPECT_EQ(e.pgon2, Fixtures::RevealLeft);
	const VECT& ny = b.GetConstPolyNormal(1);
	EXPECT_EQ(ny.y, 1.0);

	// Twelve contours (ten outer, two holes); a solid with one through-hole has
	// V − E + F − holes = 0.
	const UInt32 contourCount = CheckTopology(b);
	EXPECT_EQ(contourCount, 12u);
	const Int32 holes = static_cast<Int32>(contourCount - b.GetPolygonCount());
	EXPECT_EQ(static_cast<Int32>(b.GetVertexCount()) - static_cast<Int32>(b.GetEdgeCount()) +
	              static_cast<Int32>(b.GetPolygonCount()) - holes,
	          0);
	// 4 · 0.3 · 3 minus the 1 · 0.3 · 1 window.
	EXPECT_NEAR(Volume(b), 3.3, 1e-12);
}

TEST(BodyQueryInterfaceTest, HeaderAttributesAndStatusBits) {
	Fixtures::BodyData d = Fixtures::CubeData();
	d.status = Modeler::BodyMulColor | Modeler::BodyMulUmat; // 0x600
	d.edgePenIdx = 7;
	d.iumat = 3;
	d.btype = 5;
	d.ifill = 11;
	d.sbkgc = -2;
	d.sconc = 13;
	d.sfilc = 14;
	d.sltype = 15;
	d.fatherBind = 42;
	d.wrap = 2;
	const Int32 coor[4] = {1, -2, 3, 4};
	for (int i = 0; i < 4; ++i)
		d.coor[i] = coor[i];
	d.textureVertices.Push(TEVE{0.25f, 0.5f});
	d.textureVertices.Push(TEVE{0.75f, 1.0f});
	const Kit::SharedPtr<Modeler::Body> body = Fixtures::MakeBody(d);
	const IConstBodyImp imp(body.Get());
	const Cut::IConstBody& b = imp;

	EXPECT_EQ(b.GetStatus(), 0x600u);
	EXPECT_TRUE(b.IsMulUmat());
	EXPECT_TRUE(b.IsMulColor());
	EXPECT_FALSE(b.IsClosed());
	EXPECT_FALSE(b.IsSurface());
	EXPECT_EQ(b.GetMaterialIdx(), 3);
	EXPECT_EQ(b.GetColorIdx(), 7);
	EXPECT_EQ(b.GetShapeType(), 5);
	EXPECT_EQ(b.GetFatherBind(), 42u);
	EXPECT_EQ(b.GetWrapping(), 2);

	Int16 ifill = 0, sbkgc = 0, sconc = 0, sfilc = 0, sltype = 0;
	b.GetVisualAttribs(&ifill, &sbkgc, &sconc, &sfilc, &sltype);
	EXPECT_EQ(ifill, 11);
	EXPECT_EQ(sbkgc, -2);
	EXPECT_EQ(sconc, 13);
	EXPECT_EQ(sfilc, 14);
	EXPECT_EQ(sltype, 15);

	Modeler::BodyInfo expected;
	expected.ifill = 11;
	expected.sbkgc = -2;
	expected.sconc = 13;
	expected.sfilc = 14;
	expected.sltype = 15;
	EXPECT_EQ(imp.GetBodyInfo(), expected);
	Modeler::BodyInfo other = expected;
	EXPECT_EQ(other, expected);
	other.sltype = 16;
	EXPECT_NE(other, expected);
	EXPECT_NE(Modeler::BodyInfo(), expected);

	Int32 out[4] = {0, 0, 0, 0};
	b.GetLocalCoordSys(out);
	const Int32* inPlace = b.GetLocalCoordSys();
	EXPECT_EQ(inPlace, body->GetLocalCoordSys());
	for (int i = 0; i < 4; ++i) {
		EXPECT_EQ(out[i], coor[i]);
		EXPECT_EQ(inPlace[i], coor[i]);
	}

	EXPECT_EQ(b.GetTextureVertexCount(), 2u);
	EXPECT_EQ(b.GetConstTextureVertex(1).u, 0.75f);
	EXPECT_EQ(b.GetConstTextureVertex(1).v, 1.0f);

	// A surface body that is closed answers the other two bits.
	Fixtures::BodyData s = Fixtures::CubeData();
	s.status = Modeler::BodyClosed | Modeler::BodySurface;
	const Kit::SharedPtr<Modeler::Body> surface = Fixtures::MakeBody(s);
	const IConstBodyImp simp(surface.Get());
	EXPECT_TRUE(simp.IsClosed());
	EXPECT_TRUE(simp.IsSurface());
	EXPECT_FALSE(simp.IsMulUmat());
	EXPECT_FALSE(simp.IsMulColor());
}

TEST(BodyQueryInterfaceTest, VertexPositionThroughTransformation) {
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	const IConstBodyImp imp(wall.Get());

	// 90° about z, then moved by (10, 20, 30): (x, y, z) → (10 − y, 20 + x, 30 + z).
	TRANMAT tm;
	Geometry::TMIdentity(&tm);
	tm.matrix[0] = 0, tm.matrix[1] = -1, tm.matrix[4] = 1, tm.matrix[5] = 0;
	tm.matrix[3] = 10, tm.matrix[7] = 20, tm.matrix[11] = 30;
	Geometry::TMFillStatus(&tm);

	double x = 0, y = 0, z = 0;
	imp.GetVertexCoords(15, &tm, &x, &y, &z); // hole corner (2, 0.3, 2)
	EXPECT_NEAR(x, 9.7, 1e-12);
	EXPECT_NEAR(y, 22.0, 1e-12);
	EXPECT_NEAR(z, 32.0, 1e-12);
	// The body itself is untouched.
	EXPECT_EQ(imp.GetConstVertex(15).x, 2.0);

	// The position operation reads the vertex through the overridable access.
	const ShiftedAdapter shifted(wall.Get());
	const Cut::IConstBody& b = shifted;
	b.GetVertexCoords(15, nullptr, &x, &y, &z);
	EXPECT_EQ(x, 12.0);
	EXPECT_EQ(y, 0.3);
	EXPECT_EQ(z, 2.0);
}

TEST(BodyQueryInterfaceTest, BadIndicesAndOutputsAreRefused) {
	const Kit::SharedPtr<Modeler::Body> cube = Fixtures::MakeCube();
	const IConstBodyImp imp(cube.Get());
	const Cut::IConstBody& b = imp;
	const UInt32 huge = std::numeric_limits<UInt32>::max();
	double x, y, z;

	// The last index of every array is answered, the next one is refused.
	EXPECT_NO_THROW(b.GetConstPolygon(5));
	EXPECT_NO_THROW(b.GetConstPolyEdge(23));
	EXPECT_NO_THROW(b.GetConstEdge(11));
	EXPECT_NO_THROW(b.GetConstVertex(7));
	EXPECT_NO_THROW(b.GetConstPolyNormal(5));
	for (UInt32 delta : {0u, 1u}) {
		EXPECT_THROW(b.GetConstPolygon(6 + delta), Kit::IllegalArgumentException);
		EXPECT_THROW(b.GetConstPolyEdge(24 + delta), Kit::IllegalArgumentException);
		EXPECT_THROW(b.GetConstEdge(12 + delta), Kit::IllegalArgumentException);
		EXPECT_THROW(b.GetConstVertex(8 + delta), Kit::IllegalArgumentException);
		EXPECT_THROW(b.GetConstPolyNormal(6 + delta), Kit::IllegalArgumentException);
		EXPECT_THROW(b.GetConstTextureVertex(delta), Kit::IllegalArgumentException); // none stored
		EXPECT_THROW(b.GetVertexCoords(8 + delta, nullptr, &x, &y, &z), Kit::IllegalArgumentException);
	}
	// An index that would be negative as a signed body index.
	EXPECT_THROW(b.GetConstVertex(huge), Kit::IllegalArgumentException);
	EXPECT_THROW(b.GetConstPolyEdge(huge), Kit::IllegalArgumentException);
	EXPECT_THROW(b.GetConstPolygon(0x80000000u), Kit::IllegalArgumentException);

	Int16 v = 0;
	EXPECT_THROW(b.GetVisualAttribs(&v, &v, nullptr, &v, &v), Kit::IllegalArgumentException);
	EXPECT_THROW(b.GetLocalCoordSys(nullptr), Kit::IllegalArgumentException);
	EXPECT_THROW(b.GetVertexCoords(0, nullptr, &x, nullptr, &z), Kit::IllegalArgumentException);

	// An adapter without a body refuses every query.
	const NoBodyAdapter none;
	EXPECT_THROW(none.GetVertexCount(), Kit::LogicErrorException);
	EXPECT_THROW(none.GetConstVertex(0), Kit::LogicErrorException);
	EXPECT_THROW(none.GetStatus(), Kit::LogicErrorException);
	EXPECT_THROW(none.GetLocalCoordSys(), Kit::LogicErrorException);
}

TEST(BodyQueryInterfaceTest, CopiesShareTheBodyAndNeverOwnIt) {
	const Kit::SharedPtr<Modeler::Body> cube = Fixtures::MakeCube(3.0);
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	{
		Cut::IConstBody* owned = new IConstBodyImp(cube.Get());
		delete owned; // through the interface: the body stays
	}
	EXPECT_EQ(cube->GetConstVertex(7).x, 3.0);

	IConstBodyImp a(cube.Get());
	IConstBodyImp copy(a);
	EXPECT_EQ(&copy.GetConstVertex(7), &cube->GetConstVertex(7));
	copy = IConstBodyImp(wall.Get());
	EXPECT_EQ(copy.GetVertexCount(), 16u);
	EXPECT_EQ(a.GetVertexCount(), 8u); // the source keeps its body
	a = copy;
	EXPECT_EQ(&a.GetConstPolygon(2), &copy.GetConstPolygon(2));
	EXPECT_EQ(a.GetPolyEdgeCount(), 50u);
}
