#include "BodyTestAccess.h"
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"

#include <gtest/gtest.h>

#include <cmath>

using Modeler::Body;
using Vec = Vector3dTpl<double>;

namespace {

const double R2 = 1 / std::sqrt(2.0);
const double R3 = 1 / std::sqrt(3.0);

// Unit cube, curved; polygons curved unless listed in flatMask (bit per BoxFace).
Fixtures::BodyData CurvedCube(UInt32 flatMask = 0) {
	Fixtures::BodyData d = Fixtures::CubeData();
	d.status |= Modeler::BodyCurved;
	for (USize p = 0; p < d.polygons.GetSize(); ++p) {
		if ((flatMask & (1u << p)) == 0) d.polygons[p].status |= Modeler::PgonCurved;
	}
	return d;
}

void MarkSharp(Fixtures::BodyData& d, Int32 a, Int32 b) {
	d.status |= Modeler::BodyHasSharpEdge;
	const Int32 k = d.FindEdge(a, b);
	ASSERT_GE(k, 0);
	d.edges[k].status |= Modeler::EdgeSharp;
}

// Signs of a unit-cube corner: −1 for coordinate 0, +1 for coordinate 1.
Vec CornerSigns(Int32 v) {
	return Vec((v & 1) ? 1 : -1, (v & 2) ? 1 : -1, (v & 4) ? 1 : -1);
}

// Round-normal entry of edge k at vertex v on the side of polygon p.
Int32 EdgeEntry(const Body& b, Int32 k, Int32 v, Int32 p) {
	const Int32 V = b.GetVertexCount(), E = b.GetEdgeCount();
	const EDGE& e = b.GetConstEdge(k);
	return V + k + (e.vert2 == v ? E : 0) + (e.pgon2 == p ? 2 * E : 0);
}

void ExpectVec(const Body& b, Int32 entry, const Vec& expected, const char* what) {
	const Vec n = b.GetRoundNormVector(entry);
	EXPECT_NEAR(n.x, expected.x, 1e-12) << what << " entry " << entry;
	EXPECT_NEAR(n.y, expected.y, 1e-12) << what << " entry " << entry;
	EXPECT_NEAR(n.z, expected.z, 1e-12) << what << " entry " << entry;
}

} // namespace

TEST(BodyRoundNormals, CurvedBoxWithoutSharpEdges) {
	const auto flat = Fixtures::MakeCube();
	EXPECT_EQ(flat->GetRoundNormVectorCount(), 0u);

	const auto cube = Fixtures::MakeBody(CurvedCube());
	ASSERT_EQ(cube->GetRoundNormVectorCount(), 8u);
	for (Int32 v = 0; v < 8; ++v)
		ExpectVec(*cube, v, CornerSigns(v) * R3, "corner");

	// Without poly-edges the sums come from the edges' polygon slots: same normals.
	Fixtures::BodyData noRefs = CurvedCube();
	noRefs.polyEdges.Clear();
	const auto edgesOnly = Fixtures::MakeBody(noRefs);
	ASSERT_EQ(edgesOnly->GetRoundNormVectorCount(), 8u);
	for (Int32 v = 0; v < 8; ++v)
		ExpectVec(*edgesOnly, v, CornerSigns(v) * R3, "edges only");

	// A flat top contributes nothing: the top corners only see the two side faces.
	const auto flatTop = Fixtures::MakeBody(CurvedCube(1u << Fixtures::BoxTop));
	for (Int32 v = 4; v < 8; ++v) {
		const Vec s = CornerSigns(v);
		ExpectVec(*flatTop, v, Vec(s.x, s.y, 0) * R2, "flat top");
	}
	// All polygons flat on a curved body: entries stay zero.
	const auto allFlat = Fixtures::MakeBody(CurvedCube(0x3F));
	ASSERT_EQ(allFlat->GetRoundNormVectorCount(), 8u);
	ExpectVec(*allFlat, 3, Vec(), "all flat");

	// Through a transformation: rotated unless the matrix says normals stay.
	TRAN rot{};
	rot.matrix[1] = -1, rot.matrix[4] = 1, rot.matrix[10] = 1; // 90° about z
	Geometry::TMFillStatus(&rot);
	const Vec r = cube->GetRoundNormVector(7, &rot);
	EXPECT_NEAR(r.x, -R3, 1e-12);
	EXPECT_NEAR(r.y, R3, 1e-12);
	rot.status |= Geometry::TR_NO_NORMAL_TRANSF;
	EXPECT_NEAR(cube->GetRoundNormVector(7, &rot).x, R3, 1e-12);
}

// Sharp rim around the top face: the top keeps its flat normal along the rim, the sides
// are rounded only among themselves; corners away from the rim stay fully rounded.
TEST(BodyRoundNormals, CurvedBoxWithSharpTopRim) {
	Fixtures::BodyData d = CurvedCube();
	MarkSharp(d, 4, 5);
	MarkSharp(d, 5, 7);
	MarkSharp(d, 7, 6);
	MarkSharp(d, 6, 4);
	const auto body = Fixtures::MakeBody(d);
	const Int32 V = 8, E = 12;
	ASSERT_EQ(body->GetRoundNormVectorCount(), static_cast<UInt32>(V + 4 * E));
	for (Int32 v = 0; v < V; ++v)
		ExpectVec(*body, v, CornerSigns(v) * R3, "vertex");

	for (Int32 k = 0; k < E; ++k) {
		const EDGE& e = body->GetConstEdge(k);
		const bool sharp = (e.status & Modeler::EdgeSharp) != 0;
		for (Int32 v : {e.vert1, e.vert2}) {
			for (Int32 p : {e.pgon1, e.pgon2}) {
				const Vec s = CornerSigns(v);
				Vec expected;
				if (sharp && p == Fixtures::BoxTop)
					expected = Vec(0, 0, 1);
				else if (v >= 4) // top corner, on a side face
					expected = Vec(s.x, s.y, 0) * R2;
				else // bottom corner: no sharp edge there
					expected = s * R3;
				ExpectVec(*body, EdgeEntry(*body, k, v, p), expected, "rim");
			}
		}
	}
}

// One sharp vertical edge and a flat top: at the top the walks stop at the flat top
// polygon; at the bottom they go all the way round back to the sharp edge.
TEST(BodyRoundNormals, WalksStopAtFlatPolygonsAndCloseAroundVertices) {
	Fixtures::BodyData d = CurvedCube(1u << Fixtures::BoxTop);
	MarkSharp(d, 3, 7);
	const Int32 c = d.FindEdge(3, 7);
	const Int32 backTop = d.FindEdge(6, 7), rightTop = d.FindEdge(5, 7);
	const Int32 backBottom = d.FindEdge(2, 3), rightBottom = d.FindEdge(1, 3);
	const auto body = Fixtures::MakeBody(d);
	using Fixtures::BoxBack, Fixtures::BoxRight, Fixtures::BoxTop, Fixtures::BoxBottom;

	ExpectVec(*body, EdgeEntry(*body, c, 7, BoxBack), Vec(0, 1, 0), "top end, back side");
	ExpectVec(*body, EdgeEntry(*body, c, 7, BoxRight), Vec(1, 0, 0), "top end, right side");
	ExpectVec(*body, EdgeEntry(*body, backTop, 7, BoxBack), Vec(0, 1, 0), "passed smooth edge");
	ExpectVec(*body, EdgeEntry(*body, backTop, 7, BoxTop), Vec(0, 1, 0), "passed smooth edge, flat side");
	ExpectVec(*body, EdgeEntry(*body, rightTop, 7, BoxRight), Vec(1, 0, 0), "passed smooth edge");
	const Vec around = Vec(1, 1, -1) * R3;
	ExpectVec(*body, EdgeEntry(*body, c, 3, BoxBack), around, "bottom end");
	ExpectVec(*body, EdgeEntry(*body, c, 3, BoxRight), around, "bottom end");
	ExpectVec(*body, EdgeEntry(*body, backBottom, 3, BoxBottom), around, "bottom edge");
	ExpectVec(*body, EdgeEntry(*body, rightBottom, 3, BoxRight), around, "bottom edge");
	ExpectVec(*body, 7, Vec(1, 1, 0) * R2, "vertex entry");
	// Entries not reached by any walk keep the seeded vertex sums.
	ExpectVec(*body, EdgeEntry(*body, d.FindEdge(0, 1), 0, BoxBottom), Vec(-1, -1, -1) * R3, "untouched");
}

TEST(BodyRoundNormals, CacheFollowsTheGeometry) {
	BodyTests::EditableBody body(*Fixtures::MakeBody(CurvedCube()));
	body.InitRoundNormVectors();
	EXPECT_EQ(body.GetUsedBytes(), sizeof(Body) + body.GetVarPart().GetSize() + 8 * 24);
	body.ClearRoundNormVectorCache();
	EXPECT_EQ(body.GetUsedBytes(), sizeof(Body) + body.GetVarPart().GetSize());
	body.InitRoundNormVectors();
	// A rotation changes the geometry: the cache is rebuilt from the rotated normals.
	TRAN rot{};
	rot.matrix[1] = -1, rot.matrix[4] = 1, rot.matrix[10] = 1;
	Geometry::TMFillStatus(&rot);
	body.Transform(rot);
	// Corner 1 (1, 0, 0) is now at (0, 1, 0), the +x/+y/−z corner of the turned cube.
	const Vec n = body.GetRoundNormVector(1);
	EXPECT_NEAR(n.x, R3, 1e-12);
	EXPECT_NEAR(n.y, R3, 1e-12);
	EXPECT_NEAR(n.z, -R3, 1e-12);
	// A copy does not take the cache over but computes the same.
	const Body copy(body);
	EXPECT_EQ(copy.GetUsedBytes(), sizeof(Body) + copy.GetVarPart().GetSize());
	EXPECT_EQ(copy.GetRoundNormVector(1), body.GetRoundNormVector(1));
}
