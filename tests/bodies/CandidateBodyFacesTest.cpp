// Faces given as vertex loops: the edges they make and share, their orientation, and the
// loops the builder refuses.
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using Modeler::CandidateBody;

namespace {

using Loops = CandidateBody::FaceLoops;

// The contours of polygon p as loops of start vertices.
template <typename B> Loops LoopsOf(const B& body, Int32 p) {
	const Modeler::PGON& pg = body.GetConstPolygon(p);
	Loops loops(1);
	for (Int32 i = pg.fpedg; i <= pg.lpedg; ++i) {
		const Int32 ref = body.GetConstPolyEdge(i);
		if (ref == 0) {
			loops.emplace_back();
			continue;
		}
		const EDGE& e = body.GetConstEdge(ref > 0 ? ref - 1 : -ref - 1);
		loops.back().push_back(ref > 0 ? e.vert1 : e.vert2);
	}
	return loops;
}

template <typename B> Vector3dTpl<double> NormalOf(const B& body, Int32 p) {
	const Int32 ivect = body.GetConstPolygon(p).ivect;
	const VECT& n = body.GetConstPolyNormal(std::abs(ivect) - 1);
	const double s = ivect < 0 ? -1 : 1;
	return {s * n.x, s * n.y, s * n.z};
}

// Loops equal up to where each one starts.
bool SameCycles(const Loops& a, const Loops& b) {
	if (a.size() != b.size()) return false;
	for (USize k = 0; k < a.size(); ++k) {
		std::vector<Int32> rotated = b[k];
		const auto start = std::find(rotated.begin(), rotated.end(), a[k][0]);
		if (start == rotated.end()) return false;
		std::rotate(rotated.begin(), start, rotated.end());
		if (rotated != a[k]) return false;
	}
	return true;
}

CandidateBody VerticesOf(const Modeler::Body& body) {
	CandidateBody b;
	for (Int32 i = 0; i < static_cast<Int32>(body.GetVertexCount()); ++i) {
		const VERT& v = body.GetConstVertex(i);
		b.StoreVertex(v.x, v.y, v.z);
	}
	return b;
}

} // namespace

// The fixtures are built edge by edge (find or make by vertex pair, references written by
// hand). The face calls must give the same edges, references and normal directions, also
// when holes, or every loop together with a given normal, are handed over the wrong way
// round.
TEST(CandidateBodyFaces, LoopsGiveTheBodiesBuiltEdgeByEdge) {
	enum Variant { AsBuilt, HolesReversed, AllReversedWithNormal };
	for (const auto& fixture : {Fixtures::MakeCube(), Fixtures::MakeWallWithWindow()}) {
		for (const Variant variant : {AsBuilt, HolesReversed, AllReversedWithNormal}) {
			CandidateBody b = VerticesOf(*fixture);
			for (Int32 p = 0; p < static_cast<Int32>(fixture->GetPolygonCount()); ++p) {
				Loops loops = LoopsOf(*fixture, p);
				for (USize k = variant == HolesReversed ? 1 : 0; variant != AsBuilt && k < loops.size(); ++k)
					std::reverse(loops[k].begin(), loops[k].end());
				const Int32 got = variant == AllReversedWithNormal ? b.StoreFace(loops, NormalOf(*fixture, p), 7)
				                                                   : b.StoreFace(loops, 7);
				EXPECT_EQ(got, p);
			}
			ASSERT_EQ(b.GetEdgeCount(), fixture->GetEdgeCount());
			ASSERT_EQ(b.GetPolyEdgeCount(), fixture->GetPolyEdgeCount());
			for (Int32 e = 0; e < static_cast<Int32>(b.GetEdgeCount()); ++e) {
				const EDGE& got = b.GetConstEdge(e);
				const EDGE& want = fixture->GetConstEdge(e);
				EXPECT_EQ(std::vector<Int32>({got.vert1, got.vert2, got.pgon1, got.pgon2}),
				          std::vector<Int32>({want.vert1, want.vert2, want.pgon1, want.pgon2}))
				    << "edge " << e;
			}
			for (Int32 i = 0; i < static_cast<Int32>(b.GetPolyEdgeCount()); ++i)
				EXPECT_EQ(b.GetConstPolyEdge(i), fixture->GetConstPolyEdge(i)) << "poly-edge " << i;
			const Kit::SharedPtr<Modeler::Body> built = b.ToBody();
			ASSERT_EQ(built->GetPolygonCount(), fixture->GetPolygonCount());
			for (Int32 p = 0; p < static_cast<Int32>(built->GetPolygonCount()); ++p) {
				EXPECT_TRUE(SameCycles(LoopsOf(*built, p), LoopsOf(*fixture, p))) << "polygon " << p;
				const auto got = NormalOf(*built, p), want = NormalOf(*fixture, p);
				EXPECT_NEAR(got.x * want.x + got.y * want.y + got.z * want.z, 1.0, 1e-9) << "polygon " << p;
				EXPECT_EQ(built->GetConstPolygon(p).iumat, 7);
				EXPECT_EQ(built->GetConstPolygon(p).status & Modeler::PgonHasHoles,
				          fixture->GetConstPolygon(p).status & Modeler::PgonHasHoles);
			}
		}
	}
}

TEST(CandidateBodyFaces, GivenNormalTurnsTheLoopsAndEdgesAreFoundEitherWay) {
	CandidateBody b = VerticesOf(*Fixtures::MakeCube());
	// The bottom square (z = 0) listed counter-clockwise seen from above, given an outward
	// normal pointing down: the builder turns it.
	const Int32 p = b.StoreFace({{0, 1, 3, 2}}, Vector3dTpl<double>{0, 0, -5});
	EXPECT_EQ(NormalOf(b, p).z, -1.0);
	EXPECT_EQ(b.FindEdge(2, 3), 1); // first step of the turned loop 2 → 3 → 1 → 0
	EXPECT_EQ(b.FindEdge(3, 2), -1);
	EXPECT_EQ(b.FindEdge(0, 3), 0);
	// An edge added by hand is found too.
	const Int32 e = b.StoreEdge(0, 4, 5, -2, -2, 0, 1);
	EXPECT_EQ(b.FindEdge(5, 4), -(e + 1));
}

TEST(CandidateBodyFaces, RefusedLoopsStoreNothingAndSayWhy) {
	CandidateBody b = VerticesOf(*Fixtures::MakeCube());
	b.StoreFace({{0, 1, 5, 4}});
	b.StoreFace({{0, 4, 6, 2}});
	b.StoreEdge(0, 6, 7, -2, -2, 0, 0); // a wire: no free side
	const struct {
		Loops loops;
		const char* says;
	} cases[] = {
	    {{}, "no loop"},
	    {{{0, 1}}, "fewer than 3"},
	    {{{0, 1, 8}}, "vertex 8 does not exist"},
	    {{{0, -1, 2}}, "vertex -1 does not exist"},
	    {{{0, 1, 1, 3}}, "vertex 1 follows itself"},
	    {{{0, 1, 0}}, "vertex 0 follows itself"},
	    {{{0, 1, 4, 5}}, "no area"},                   // a bow tie: the two halves cancel
	    {{{0, 1, 3, 2}, {0, 1, 1}}, "follows itself"}, // a hole that is no loop
	    {{{0, 4, 1}}, "vertices 0 and 4 is already used by two faces"},
	    {{{6, 7, 5}}, "vertices 6 and 7 is already used"},
	};
	for (const auto& c : cases) {
		const UInt32 counts[] = {b.GetEdgeCount(), b.GetPolyEdgeCount(), b.GetPolyNormalCount(), b.GetPolygonCount()};
		try {
			b.StoreFace(c.loops);
			ADD_FAILURE() << "accepted: " << c.says;
		} catch (const Kit::IllegalArgumentException& x) {
			EXPECT_NE(std::string(x.GetMessage()).find(c.says), std::string::npos) << x.GetMessage();
		}
		const UInt32 after[] = {b.GetEdgeCount(), b.GetPolyEdgeCount(), b.GetPolyNormalCount(), b.GetPolygonCount()};
		EXPECT_TRUE(std::equal(counts, counts + 4, after)) << c.says;
	}
	EXPECT_THROW(b.StoreFace({{0, 1, 3}}, Vector3dTpl<double>{0, 0, 0}), Kit::IllegalArgumentException);
}
