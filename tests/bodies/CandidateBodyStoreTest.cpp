// The body builder: checked storage, raw records, header and clearing, copies, the
// legacy record and the quick stream.
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using Modeler::CandidateBody;

namespace {

// A unit square in z = 0 from four stored vertices and edges, polygon not yet stored.
// References 1, 2, 3, 4 run counter-clockwise seen from +z.
CandidateBody SquareEdges(Int16 hasPolygons = 1) {
	CandidateBody b;
	b.StoreVertex(0, 0, 0);
	b.StoreVertex(1, 0, 0);
	b.StoreVertex(1, 1, 0);
	b.StoreVertex(0, 1, 0);
	for (Int32 i = 0; i < 4; ++i)
		b.StoreEdge(1, i, (i + 1) % 4, -2, -2, 0, hasPolygons);
	return b;
}

} // namespace

TEST(CandidateBodyStore, NormalsAreScaledOrRefusedWithoutStoringAnything) {
	CandidateBody b;
	EXPECT_EQ(b.StorePolyNormal(0, 0, 3), 0);
	EXPECT_DOUBLE_EQ(b.GetConstPolyNormal(0).z, 1.0);
	EXPECT_EQ(b.StorePolyNormal(0, 0, 1.000004), 1);
	EXPECT_EQ(b.GetConstPolyNormal(1).z, 1.000004); // inside the tolerance: kept as given
	EXPECT_THROW(b.StorePolyNormal(0.001, 0, 0), Kit::KitException);
	EXPECT_THROW(b.StoreUnitPolyNormal(0, 0.001, 0), Kit::InternalErrorException);
	EXPECT_EQ(b.GetPolyNormalCount(), 2u);
	b.DeleteLastPolyNormal();
	b.DeleteLastPolyNormal();
	b.DeleteLastPolyNormal(); // nothing left: no effect
	EXPECT_EQ(b.GetPolyNormalCount(), 0u);
}

TEST(CandidateBodyStore, EdgesAndPolygonsCheckTheirArguments) {
	CandidateBody b = SquareEdges();
	EXPECT_THROW(b.StoreEdge(0, -1, 1, 0, 0, 0, 1), Kit::KitException);
	EXPECT_EQ(b.GetEdgeCount(), 4u);
	const Int32 e = b.StoreEdge(3, 0, 1, 5, 6, 0x40000, 0);
	EXPECT_EQ(b.GetConstEdge(e).pgon1, -1);
	EXPECT_EQ(b.GetConstEdge(e).pgon2, -1);
	EXPECT_EQ(b.GetConstEdge(e).color, 3);
	EXPECT_EQ(b.GetConstEdge(e).status, 0x40000u);

	EXPECT_THROW(b.StorePolygon(0, 0, 0, 1, -1, nullptr, 0), Kit::KitException);
	EXPECT_THROW(b.StorePolygonWithPolyEdges(0, 0, 1, -1, nullptr, 0), Kit::IllegalArgumentException);
	EXPECT_EQ(b.GetPolygonCount(), 0u);
	const Int32 p = b.StorePolygon(2, 3, 77, 1, 0, nullptr, 0x10);
	EXPECT_EQ(b.GetConstPolygon(p).fpedg, 1);
	EXPECT_EQ(b.GetConstPolygon(p).lpedg, 0);
	EXPECT_EQ(b.GetConstPolygon(p).mpuid, 77);
	const UInt32 q = b.StorePolygonWithPolyEdges(2, 3, 1, 0, nullptr, 0);
	EXPECT_EQ(b.GetConstPolygon(q).fpedg, 0);
	EXPECT_EQ(b.GetConstPolygon(q).lpedg, -1);
	const Int32 refs[] = {1, 2, 3, 4};
	const UInt32 r = b.StorePolygonWithPolyEdges(2, 3, 1, 4, refs, 0);
	EXPECT_EQ(b.GetConstPolygon(r).fpedg, 0);
	EXPECT_EQ(b.GetConstPolygon(r).lpedg, 3);
	b.CalculatePolygonMPUIDs();
	EXPECT_EQ(b.GetConstPolygon(2).mpuid, 3);
}

TEST(CandidateBodyStore, EmptyPolygonAfterPolyEdgesKeepsRangeZeroToMinusOne) {
	CandidateBody b;
	const Int32 refs[] = {1, 2, 3};
	b.StorePolygonWithPolyEdges(1, 0, 1, 3, refs, 0);
	const UInt32 empty = b.StorePolygonWithPolyEdges(1, 0, 1, 0, nullptr, 0);
	EXPECT_EQ(b.GetConstPolygon(empty).fpedg, 0);
	EXPECT_EQ(b.GetConstPolygon(empty).lpedg, -1);
	EXPECT_EQ(b.GetPolyEdgeCount(), 3u);
}

TEST(CandidateBodyStore, AttachFillsFreeSlotsAndCountsConflicts) {
	CandidateBody b = SquareEdges(1);
	b.StoreEdge(0, 0, 2, -1, -1, 0, 1); // edge 4: both sides taken by "no polygon"
	const Int32 refs[] = {1, -5, 0, 2};
	EXPECT_EQ(b.AttachPolygonToPolyEdges(0, 4, refs), 1);
	EXPECT_EQ(b.GetConstEdge(0).pgon1, 0);
	EXPECT_EQ(b.GetConstEdge(1).pgon1, 0);
	EXPECT_EQ(b.GetConstEdge(4).pgon1, -1);
	EXPECT_EQ(b.AttachPolygonToPolyEdges(0, 1, refs), 0); // already attached: no change
	EXPECT_EQ(b.GetConstEdge(0).pgon2, -2);
	EXPECT_EQ(b.AttachPolygonToPolyEdges(1, 1, refs), 0);
	EXPECT_EQ(b.GetConstEdge(0).pgon2, 1);
	EXPECT_EQ(b.AttachPolygonToPolyEdges(2, 1, refs), 1); // a third polygon
	EXPECT_THROW(b.AttachPolygonToPolyEdges(-1, 1, refs), Kit::IllegalArgumentException);
	EXPECT_THROW(b.AttachPolygonToPolyEdges(0, 0, refs), Kit::IllegalArgumentException);
	const Int32 missing[] = {99};
	EXPECT_THROW(b.AttachPolygonToPolyEdges(0, 1, missing), Kit::IllegalArgumentException);
}

TEST(CandidateBodyStore, CompletePolygonGetsNormalAndEdgesOrNothing) {
	CandidateBody b = SquareEdges();
	const Int32 ccw[] = {1, 2, 3, 4};
	const Int32 p = b.StoreAndCheckCompletePolygon(5, 2, 4, ccw, 0, true);
	ASSERT_EQ(p, 0);
	const Modeler::PGON& pg = b.GetConstPolygon(p);
	EXPECT_EQ(pg.ivect, 1);
	EXPECT_NEAR(b.GetConstPolyNormal(0).z, 1.0, 1e-12);
	EXPECT_EQ(pg.iumat, 5);
	EXPECT_EQ(pg.irtxt, 2);
	for (Int32 i = 0; i < 4; ++i)
		EXPECT_EQ(b.GetConstEdge(i).pgon1, 0);
	// Too few references: nothing at all.
	EXPECT_EQ(b.StoreAndCheckCompletePolygon(0, 0, 2, ccw, 0, true), -1);
	// A reference to a missing edge is refused before anything is stored.
	const Int32 bad[] = {1, 2, 9};
	EXPECT_THROW(b.StoreAndCheckCompletePolygon(0, 0, 3, bad, 0, true), Kit::IllegalArgumentException);
	EXPECT_EQ(b.GetPolygonCount(), 1u);
	EXPECT_EQ(b.GetPolyNormalCount(), 1u);
	EXPECT_EQ(b.GetPolyEdgeCount(), 4u);
}

TEST(CandidateBodyStore, RawRecordsReturnTheLastIndex) {
	CandidateBody b;
	const VERT v[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
	EXPECT_EQ(b.AddNVertexRec(v, 3), 2);
	EXPECT_EQ(b.AddVertexRec(v[0]), 3);
	EXPECT_EQ(b.AddNVertexRec(v, 0), 3);
	EXPECT_THROW(b.AddNVertexRec(nullptr, 2), Kit::IllegalArgumentException);
	EXPECT_EQ(b.AddNPolyEdgeRec(nullptr, 0), -1);
	Modeler::PGON p;
	p.cpols = Modeler::PGON::AllocateCache(1);
	ASSERT_NE(p.cpols, nullptr);
	EXPECT_EQ(b.AddPolygonRec(p), 0);
	EXPECT_TRUE(b.GetConstPolygon(0).IsDecomposedIntoTriangles());
	EXPECT_NE(b.GetConstPolygon(0).cpols, p.cpols); // deep copy
}

TEST(CandidateBodyStore, HeaderClearingAndLegacyRecord) {
	CandidateBody b;
	EXPECT_EQ(b.GetSectBkgColor(), -2);
	EXPECT_TRUE(b.GetLocalBounds().IsEmpty());
	b.SetStatus(Modeler::BodyDeleted);
	EXPECT_TRUE(b.IsInvisible()); // unlike Body, a deleted builder is invisible
	EXPECT_FALSE(b.IsMarkedShadow());
	b.SetStatus(Modeler::BodyCut | Modeler::BodyClosed);
	b.SetShapeType(12);
	Modeler::BodyInfo info;
	info.ifill = -3;
	info.sbkgc = 4;
	info.sconc = 5;
	info.sfilc = 6;
	info.sltype = 7;
	b.SetupFromBodyInfo(info);
	const Int32 coor[4] = {1, -2, 0, 3};
	b.SetLocalCoordSys(coor);
	b.AddVertexRec(VERT{1, 2, 3});
	b.CalculateBounds();
	BODY rec;
	b.ToBODY(&rec);
	EXPECT_EQ(rec.btypeOrCut, Modeler::BodyCutShapeType);
	EXPECT_EQ(rec.btype, 12);
	EXPECT_EQ(rec.status & Modeler::BodyCut, 0u);
	EXPECT_EQ(rec.lvert, 1);
	const CandidateBody back(rec);
	EXPECT_EQ(back.GetStatus(), b.GetStatus());
	EXPECT_EQ(back.GetShapeType(), 12);
	EXPECT_EQ(back.GetSectLineType(), 7);
	EXPECT_TRUE(back.HasSameLocalCoordSys(&b));
	EXPECT_EQ(back.GetLocalBounds(), b.GetLocalBounds());
	EXPECT_FALSE(back.HasVertices());

	b.MakeEmpty();
	EXPECT_EQ(b.GetShapeType(), Modeler::EmptyBodyShapeType);
	EXPECT_EQ(b.GetStatus(), 0u);
	EXPECT_TRUE(b.GetLocalBounds().IsEmpty());
}

TEST(CandidateBodyStore, WireOnlyDropsPolygonsAndFreesEdgeSides) {
	CandidateBody b(*Fixtures::MakeCube());
	b.SetStatusMask(Modeler::BodyCurved);
	b.SetMaterialIdx(4);
	b.MakeWireOnly();
	EXPECT_FALSE(b.IsCurved());
	EXPECT_EQ(b.GetMaterialIdx(), 0);
	EXPECT_EQ(b.GetEdgeCount(), 12u);
	EXPECT_FALSE(b.HasPolygons() || b.HasPolyEdges() || b.HasPolyNormals());
	for (UInt32 i = 0; i < b.GetEdgeCount(); ++i)
		EXPECT_TRUE(b.GetConstEdge(i).pgon1 == -1 && b.GetConstEdge(i).pgon2 == -1);
}

TEST(CandidateBodyStore, CopiesCompareEqualAndDifferencesShow) {
	const CandidateBody a(*Fixtures::MakeWallWithWindow());
	CandidateBody b(a);
	EXPECT_TRUE(a == b);
	b.SetStatus(0x1234); // the status word is not compared
	EXPECT_TRUE(a == b);
	VERT v = b.GetConstVertex(3);
	v.x += 1e-5;
	b.SetVertex(3, v);
	EXPECT_TRUE(a == b);
	v.x += 1e-5;
	b.SetVertex(3, v);
	EXPECT_TRUE(a != b);
	b = a;
	EXPECT_TRUE(a == b);
	b.SetPolyEdge(2, -b.GetConstPolyEdge(2));
	EXPECT_FALSE(a == b);
}

TEST(CandidateBodyStream, RoundTripKeepsEverything) {
	CandidateBody a(*Fixtures::MakeWallWithWindow());
	a.SetStatus(0x40007);
	a.StoreTextureVertex(0.25, 0.5);
	Modeler::PGON& p = a.GetPolygon(1);
	p.cpols = Modeler::PGON::AllocateCache(2);
	IO::MemoryOChannel out;
	a.QuickWrite(out);
	IO::MemoryIChannel in(out.GetBytes());
	CandidateBody b;
	b.QuickRead(in);
	EXPECT_TRUE(a == b);
	EXPECT_EQ(b.GetStatus(), a.GetStatus());
	EXPECT_EQ(b.GetTextureVertexCount(), 1u);
	EXPECT_FALSE(b.GetConstPolygon(1).IsDecomposedIntoTriangles());
	EXPECT_EQ(in.GetAvailable(), 0u);
}

TEST(CandidateBodyStream, TruncatedOrForgedStreamsThrow) {
	const CandidateBody a(*Fixtures::MakeCube());
	IO::MemoryOChannel out;
	a.QuickWrite(out);
	const std::vector<char>& bytes = out.GetBytes();
	for (USize n = 0; n < bytes.size(); n += 7) {
		IO::MemoryIChannel in(bytes.data(), n);
		CandidateBody b(a);
		EXPECT_THROW(b.QuickRead(in), Kit::InternalErrorException) << n;
		EXPECT_FALSE(b.HasVertices() || b.HasPolygons());
	}
	// A vertex count of 2^32 − 1 would need 100 GB: refused before allocating.
	std::vector<char> forged(bytes.begin(), bytes.begin() + 72);
	forged.resize(forged.size() + 4, '\xff');
	forged.resize(forged.size() + 48, 0);
	IO::MemoryIChannel in(forged);
	CandidateBody b;
	EXPECT_THROW(b.QuickRead(in), Kit::InternalErrorException);
}

TEST(CandidateBodyStream, HeaderFormsMatchTheFinishedBody) {
	Fixtures::BodyData d = Fixtures::WallWithWindowData();
	d.status = Modeler::BodyClosed | Modeler::BodyCut | Modeler::BodyHasSharpEdge;
	d.edgePenIdx = 3;
	d.iumat = 4;
	d.btype = 12;
	d.ifill = -5;
	d.sconc = 6;
	d.sfilc = 7;
	d.sltype = 8;
	d.fatherBind = 99;
	d.wrap = 2;
	// (A negative entry naming a vertex that edges use would be corrected by ToBody.)
	const Int32 coor[4] = {1, 3, 0, 5};
	std::copy(coor, coor + 4, d.coor);
	const Kit::SharedPtr<Modeler::Body> body = Fixtures::MakeBody(d);
	const CandidateBody candidate(*body);

	// The same legacy record, byte for byte.
	BODY fromBody, fromCandidate;
	body->ToBODY(&fromBody);
	candidate.ToBODY(&fromCandidate);
	EXPECT_EQ(std::memcmp(&fromBody, &fromCandidate, sizeof(BODY)), 0);

	// The same 72-byte header block in the quick streams, but for the owner's flag byte.
	IO::MemoryOChannel bodyOut, candidateOut;
	body->QuickWrite(bodyOut);
	candidate.QuickWrite(candidateOut);
	std::vector<char> a(bodyOut.GetBytes().begin(), bodyOut.GetBytes().begin() + 72);
	std::vector<char> b(candidateOut.GetBytes().begin(), candidateOut.GetBytes().begin() + 72);
	a[68] = b[68] = 0;
	EXPECT_EQ(a, b);

	// Both ways round the conversion keep header and geometry.
	EXPECT_TRUE(*CandidateBody(*body).ToBody() == *body);
	EXPECT_TRUE(CandidateBody(*candidate.ToBody()) == candidate);
	EXPECT_EQ(CandidateBody(fromCandidate).GetStatus(), body->GetStatus());
}
