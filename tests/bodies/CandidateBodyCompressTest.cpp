// The builder's conversion into a Body, with and without compression.
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/builder/CandidateBody.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using Modeler::CandidateBody;

namespace {

// Runs ToBody with the compression switch set as given.
Kit::SharedPtr<Modeler::Body> Convert(const CandidateBody& b, bool compress) {
	CandidateBody::SetCompressionOverride(compress);
	Kit::SharedPtr<Modeler::Body> body = b.ToBody();
	CandidateBody::ResetCompressionOverride();
	return body;
}

std::vector<Int32> Refs(const Modeler::Body& b, Int32 p) {
	std::vector<Int32> r;
	const Modeler::PGON& pg = b.GetConstPolygon(p);
	for (Int32 k = pg.fpedg; k <= pg.lpedg; ++k)
		r.push_back(b.GetConstPolyEdge(k));
	return r;
}

// One triangle (vertices 0, 1, 2, edges 1, 2, 3 counter-clockwise about +z) stored
// with its computed normal.
CandidateBody Triangle() {
	CandidateBody b;
	b.StoreVertex(0, 0, 0);
	b.StoreVertex(1, 0, 0);
	b.StoreVertex(0, 1, 0);
	b.StoreEdge(0, 0, 1, -2, -2, 0, 1);
	b.StoreEdge(0, 1, 2, -2, -2, 0, 1);
	b.StoreEdge(0, 2, 0, -2, -2, 0, 1);
	const Int32 refs[] = {1, 2, 3};
	b.StoreAndCheckCompletePolygon(1, 0, 3, refs, 0, true);
	return b;
}

} // namespace

TEST(CandidateBodyToBody, RoundTripThroughBodyAndBack) {
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	const CandidateBody b(*wall);
	for (bool compress : {true, false}) {
		const Kit::SharedPtr<Modeler::Body> body = Convert(b, compress);
		EXPECT_EQ(body->GetRefCount(), 1);
		EXPECT_TRUE(*body == *wall);
		EXPECT_TRUE(CandidateBody(*body) == b);
	}
	EXPECT_EQ(CandidateBody::IsCompressionOn(), true); // the default preference
}

TEST(CandidateBodyToBody, SeparatorsAtTheEndsAndDoubledAreRemoved) {
	CandidateBody b = Triangle();
	b.StoreVertex(5, 5, 0);
	b.StoreEdge(0, 0, 3, 0, -1, 0, 1); // a fourth edge on polygon 0
	const Int32 refs[] = {0, 1, 2, 0, 0, 4, 0};
	b.StorePolygon(1, 0, 9, 1, 7, refs, 0);
	const Kit::SharedPtr<Modeler::Body> on = Convert(b, true);
	EXPECT_EQ(Refs(*on, 1), (std::vector<Int32>{1, 2, 0, 4}));
	EXPECT_EQ(Refs(*on, 0), (std::vector<Int32>{1, 2, 3}));
	EXPECT_EQ(on->GetConstPolygon(1).mpuid, 9);
	const Kit::SharedPtr<Modeler::Body> off = Convert(b, false);
	EXPECT_EQ(Refs(*off, 1), (std::vector<Int32>(refs, refs + 7)));
}

TEST(CandidateBodyToBody, UnusedVerticesGoOnlyWhenSomethingAsksForCompression) {
	CandidateBody b = Triangle();
	for (int i = 0; i < 4; ++i)
		b.StoreTextureVertex(i * 0.25, 0);
	b.StoreVertex(9, 9, 9); // vertex 3: nothing uses it
	EXPECT_EQ(Convert(b, true)->GetVertexCount(), 4u);

	b.StoreVertex(0, 0, -5);                            // vertex 4
	b.StoreEdge(0, 2, 4, -1, -1, Modeler::EdgeWire, 1); // removable wire edge 3
	const Kit::SharedPtr<Modeler::Body> body = Convert(b, true);
	EXPECT_EQ(body->GetVertexCount(), 3u); // vertex 4 went with its wire edge, vertex 3 too
	EXPECT_EQ(body->GetEdgeCount(), 3u);
	EXPECT_EQ(body->GetTextureVertexCount(), 3u);
	EXPECT_EQ(body->GetConstTextureVertex(2).u, 0.5f);
	EXPECT_EQ(body->GetLocalBounds(), (F_Box3D{0, 0, 1, 1, 0, 0})); // from the kept vertices only
	EXPECT_EQ(Convert(b, false)->GetVertexCount(), 5u);

	// A wire edge without the wire bit stays, and so do its vertices; a removable wire
	// edge at a vertex that a polygon edge uses does not take that vertex along.
	b.StoreEdge(0, 0, 3, -1, -1, 0, 1);
	b.StoreEdge(0, 0, 2, -1, -1, Modeler::EdgeWire, 1);
	const Kit::SharedPtr<Modeler::Body> kept = Convert(b, true);
	EXPECT_EQ(kept->GetVertexCount(), 4u);
	ASSERT_EQ(kept->GetEdgeCount(), 4u);
	EXPECT_EQ(kept->GetConstEdge(3).vert2, 3);
	EXPECT_EQ(kept->GetConstPolygon(0).ivect, 1);
}

TEST(CandidateBodyToBody, CoordinateSystemVerticesAreKeptAndMarked) {
	CandidateBody b = Triangle();
	b.StoreVertex(7, 7, 7);               // vertex 3, no edge
	b.StoreVertex(8, 8, 8);               // vertex 4, unused: dropped
	b.StoreVertex(6, 6, 6);               // vertex 5, no edge
	const Int32 coor[4] = {4, -2, 0, -6}; // vertex 3 positive without edge; vertex 1 negative with edges
	b.SetLocalCoordSys(coor);
	const Kit::SharedPtr<Modeler::Body> body = Convert(b, true);
	ASSERT_EQ(body->GetVertexCount(), 5u);
	EXPECT_EQ(body->GetLocalCoordSys()[0], -4);
	EXPECT_EQ(body->GetLocalCoordSys()[1], 2);
	EXPECT_EQ(body->GetLocalCoordSys()[2], 0);
	EXPECT_EQ(body->GetLocalCoordSys()[3], -5);
	EXPECT_EQ(body->GetConstVertex(4).x, 6.0);
}

TEST(CandidateBodyToBody, InconsistentReferencesGiveABodyWithoutGeometry) {
	auto expectEmpty = [](const CandidateBody& b) {
		const Kit::SharedPtr<Modeler::Body> body = Convert(b, true);
		EXPECT_EQ(body->GetVertexCount() + body->GetEdgeCount() + body->GetPolygonCount() + body->GetPolyEdgeCount() +
		              body->GetPolyNormalCount(),
		          0u);
		EXPECT_EQ(body->GetLocalBounds(), (F_Box3D{0, 0, 0, 0, 0, 0}));
		EXPECT_EQ(body->GetLocalCoordSys()[0], 0);
		EXPECT_EQ(body->GetMaterialIdx(), 3); // the header stays
	};
	CandidateBody base = Triangle();
	base.SetMaterialIdx(3);
	const Int32 coor[4] = {1, 0, 0, 0};
	base.SetLocalCoordSys(coor);

	CandidateBody polygon7(base);
	polygon7.GetEdge(1).pgon2 = 7; // 1 polygon
	expectEmpty(polygon7);

	CandidateBody badRef(base);
	badRef.SetPolyEdge(1, 9);
	expectEmpty(badRef);
	badRef.StoreEdge(0, 0, 1, -1, -1, Modeler::EdgeWire, 1); // asks for compression: still checked
	expectEmpty(badRef);

	CandidateBody badNormal(base);
	badNormal.GetPolygon(0).ivect = 0;
	expectEmpty(badNormal);

	CandidateBody badCoor(base);
	const Int32 far[4] = {0, 0, 40, 0};
	badCoor.SetLocalCoordSys(far);
	expectEmpty(badCoor);

	CandidateBody badVertex(base);
	badVertex.StoreEdge(0, 0, 17, -1, -1, Modeler::EdgeWire, 1);
	expectEmpty(badVertex);

	CandidateBody wireInPolygon(base);
	wireInPolygon.StoreEdge(0, 0, 1, -1, -1, Modeler::EdgeWire, 1);
	wireInPolygon.SetPolyEdge(0, 4); // the polygon runs along the removable edge
	expectEmpty(wireInPolygon);
}

TEST(CandidateBodyToBody, TheBuilderIsLeftUnchanged) {
	CandidateBody b = Triangle();
	b.StoreEdge(0, 0, 1, -1, -1, Modeler::EdgeWire, 1);
	const CandidateBody copy(b);
	Convert(b, true);
	EXPECT_TRUE(b == copy);
	EXPECT_EQ(b.GetEdgeCount(), 4u);
}

// A builder handed over (std::move(b).ToBody()) gives the body that ToBody gives from a
// kept builder, compressed or not, consistent or not, small or with arrays large enough
// to be mapped apart, and is left without geometry but with its header.
TEST(CandidateBodyToBody, HandingOverTheBuilderGivesTheSameBodyAndEmptiesIt) {
	CandidateBody wire(*Fixtures::MakeWallWithWindow());
	wire.StoreEdge(0, 0, 1, -1, -1, Modeler::EdgeWire, 1); // something to compress
	CandidateBody badRef = Triangle();
	badRef.SetPolyEdge(1, 9);
	CandidateBody grid; // 300 × 300 vertices: its edge and poly-edge slabs are mapped
	for (Int32 k = 0; k < 300 * 300; ++k)
		grid.StoreVertex(k % 300, k / 300, 0.01 * (k % 7));
	for (Int32 j = 0; j + 1 < 300; ++j) {
		for (Int32 i = 0; i + 1 < 300; ++i) {
			const Int32 v = j * 300 + i;
			grid.StoreFace({{v, v + 1, v + 301, v + 300}}, 1);
		}
	}
	const CandidateBody builders[] = {CandidateBody(*Fixtures::MakeWallWithWindow()), wire, badRef,
	                                  CandidateBody(*Fixtures::MakeCurvedTexturedCube()), grid};
	for (const CandidateBody& builder : builders) {
		for (bool compress : {true, false}) {
			CandidateBody handed(builder);
			handed.SetMaterialIdx(5);
			const Kit::SharedPtr<Modeler::Body> kept = Convert(handed, compress);
			CandidateBody::SetCompressionOverride(compress);
			const Kit::SharedPtr<Modeler::Body> moved = std::move(handed).ToBody();
			CandidateBody::ResetCompressionOverride();
			EXPECT_TRUE(*moved == *kept) << builder.GetVertexCount() << " vertices, compress " << compress;
			EXPECT_EQ(handed.GetVertexCount() + handed.GetTextureVertexCount() + handed.GetEdgeCount() +
			              handed.GetPolyEdgeCount() + handed.GetPolyNormalCount() + handed.GetPolygonCount(),
			          0u);
			EXPECT_EQ(handed.GetMaterialIdx(), 5);
		}
	}
}

namespace {

// The host may flip the compression and check switches while other threads freeze bodies:
// the switches are read without a race (ThreadSanitizer watches this test) and every
// frozen body is right either way.
TEST(CandidateBodyCompress, ConcurrentSwitchesWhileThreadsFreezeBodies) {
	const Kit::SharedPtr<Modeler::Body> wall = Fixtures::MakeWallWithWindow();
	const Modeler::CandidateBody builder(*wall);
	std::atomic<bool> done{false};
	std::atomic<int> wrong{0};
	std::vector<std::thread> threads;
	for (int t = 0; t < 2; ++t) {
		threads.emplace_back([&] {
			while (!done.load()) {
				Modeler::CandidateBody copy(builder);
				wrong += *copy.ToBody() == *wall ? 0 : 1;
			}
		});
	}
	for (int i = 0; i < 200; ++i) {
		Modeler::CandidateBody::SetCompressionOverride(i % 2 == 0);
		Modeler::CandidateBody::SetCheckEnabled(i % 3 == 0);
		Modeler::Body::SetCheckEnabled(i % 5 == 0);
		std::this_thread::yield();
	}
	done = true;
	for (std::thread& t : threads)
		t.join();
	Modeler::CandidateBody::ResetCompressionOverride();
	Modeler::CandidateBody::SetCheckEnabled(false);
	Modeler::Body::SetCheckEnabled(false);
	EXPECT_EQ(wrong.load(), 0);
}

} // namespace
