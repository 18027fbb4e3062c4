#include "BodyTestAccess.h"
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"

#include <gtest/gtest.h>

#include <vector>

using Modeler::Body;

namespace {

// A wire of E edges over two vertices, with one polygon whose poly-edges are the given
// references.
Kit::SharedPtr<Body> EdgeBody(UInt32 edgeCount, const std::vector<Int32>& refs) {
	Fixtures::BodyData d;
	d.AddVertex(0, 0, 0);
	d.AddVertex(1, 0, 0);
	for (UInt32 i = 0; i < edgeCount; ++i)
		d.edges.Push(EDGE{0, 0, 0, 0, 1, 0, -1});
	for (Int32 r : refs)
		d.polyEdges.Push(r);
	d.AddNormal(0, 0, 1);
	Modeler::PGON p;
	p.ivect = 1;
	p.fpedg = 0;
	p.lpedg = static_cast<Int32>(refs.size()) - 1;
	d.polygons.Push(p);
	return Fixtures::MakeBody(d);
}

} // namespace

TEST(BodyGeometryBlock, PolyEdgeWidthFollowsTheEdgeCount) {
	struct Case {
		UInt32 edges;
		UInt32 width;
	};
	const Case cases[] = {{0, 1}, {126, 1}, {127, 2}, {32766, 2}, {32767, 4}, {70000, 4}};
	for (const Case& c : cases) {
		const Int32 e = static_cast<Int32>(c.edges);
		// Negative references, the largest edge both ways and a separator.
		std::vector<Int32> refs = {-1, 1, 0};
		if (e > 0) refs.insert(refs.end(), {e, -e, -(e / 2 + 1)});
		const auto body = EdgeBody(c.edges, refs);
		const auto& part = body->GetVarPart();
		EXPECT_EQ(part.GetPolyEdgeWidth(), c.width) << c.edges;
		EXPECT_EQ(Body::VarPart::PolyEdgeWidthFor(c.edges), c.width);
		for (UInt32 i = 0; i < refs.size(); ++i)
			EXPECT_EQ(body->GetConstPolyEdge(i), refs[i]) << c.edges << " @" << i;
		EXPECT_EQ(body->GetPolyEdgeUsedBytes(), c.width * refs.size());
		// Block size = 24·(V + E + N) + 40·P + 8·T + w·PE.
		const UInt64 expected = 24 * (2 + UInt64(c.edges) + 1) + 40 * 1 + c.width * refs.size();
		EXPECT_EQ(part.GetSize(), expected);
		EXPECT_EQ(body->GetUsedBytes(), sizeof(Body) + expected);
	}
}

// The normals after an odd-sized one-byte poly-edge part must still be readable (and
// aligned: the sanitizer build checks alignment), and copies must keep everything.
TEST(BodyGeometryBlock, PartsStayIntactAfterOddPolyEdgeParts) {
	Fixtures::BodyData d = Fixtures::CubeData();
	d.polyEdges.Push(0); // 25 one-byte poly-edges
	d.textureVertices.Push(TEVE{1, 2});
	const auto body = Fixtures::MakeBody(d);
	ASSERT_EQ(body->GetVarPart().GetPolyEdgeWidth(), 1u);
	EXPECT_EQ(reinterpret_cast<uintptr_t>(&body->GetConstPolyNormal(0)) % alignof(VECT), 0u);
	EXPECT_EQ(reinterpret_cast<uintptr_t>(&body->GetConstPolygon(0)) % alignof(Modeler::PGON), 0u);
	for (UInt32 i = 0; i < d.polyNormals.GetSize(); ++i)
		EXPECT_EQ(body->GetConstPolyNormal(i).z, d.polyNormals[i].z);
	for (UInt32 i = 0; i < d.polygons.GetSize(); ++i)
		EXPECT_EQ(body->GetConstPolygon(i).ivect, d.polygons[i].ivect);
	EXPECT_EQ(body->GetVarPart().GetSize(), 24u * (8 + 12 + 6) + 40 * 6 + 8 * 1 + 25);

	BodyTests::EditableBody copy(*body);
	EXPECT_TRUE(copy == *body);
	copy.SetPolyEdge(24, -3);
	EXPECT_EQ(copy.GetConstPolyEdge(24), -3);
	EXPECT_EQ(body->GetConstPolyEdge(24), 0);
	copy.SetVertex(0, VERT{-1, -1, -1});
	EXPECT_EQ(copy.GetConstVertex(0).x, -1.0);
	EXPECT_EQ(body->GetConstVertex(0).x, 0.0);
}

TEST(BodyGeometryBlock, IteratorsWalkTheArrays) {
	const auto wall = Fixtures::MakeWallWithWindow();
	Int32 vertices = 0;
	double sumX = 0;
	for (auto it = wall->BeginVertices(); it != wall->EndVertices(); ++it, ++vertices)
		sumX += it->x;
	EXPECT_EQ(vertices, 16);
	EXPECT_DOUBLE_EQ(sumX, 4 * 4 + 4 * 3.0);

	Int32 edges = 0;
	for (auto it = wall->BeginEdges(); it != wall->EndEdges(); ++it) {
		EXPECT_GE((*it).pgon2, 0); // closed: every edge has two polygons
		++edges;
	}
	EXPECT_EQ(edges, 24);

	Int32 separators = 0, refs = 0;
	for (auto p = wall->BeginPolygons(); p != wall->EndPolygons(); ++p) {
		EXPECT_EQ(wall->EndPolyEdges(*p).GetIndex() - wall->BeginPolyEdges(*p).GetIndex(), p->GetEdgeCount());
		for (auto e = wall->BeginPolyEdges(*p); e != wall->EndPolyEdges(*p); ++e)
			(*e == 0 ? separators : refs)++;
	}
	EXPECT_EQ(separators, 2);
	EXPECT_EQ(refs, 48);
}
