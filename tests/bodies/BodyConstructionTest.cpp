#include "BodyTestAccess.h"
#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>

using Modeler::Body;
using Modeler::PGON;

namespace {

// A cube with every header field set to a distinct value and a triangle cache on
// polygon 2.
Fixtures::BodyData DecoratedCube() {
	Fixtures::BodyData d = Fixtures::CubeData(2.0);
	d.status = Modeler::BodyClosed | Modeler::BodyCut | Modeler::BodyOwnGeometry | Modeler::BodySharedGeometry;
	d.edgePenIdx = 3;
	d.iumat = 4;
	d.btype = 17;
	d.ifill = -6;
	d.sbkgc = 7;
	d.sconc = 8;
	d.sfilc = 9;
	d.sltype = 10;
	d.fatherBind = 11;
	d.wrap = 12;
	const Int32 coor[4] = {1, -2, 3, 0};
	std::memcpy(d.coor, coor, sizeof coor);
	d.textureVertices.Push(TEVE{0.25f, 0.75f});
	Int32* cache = PGON::AllocateCache(2);
	const Int32 triangles[6] = {0, 1, 5, 0, 5, 4};
	std::memcpy(cache + 1, triangles, sizeof triangles);
	d.polygons[2].SetCache(cache);
	return d;
}

void ExpectSameHeader(const Body& a, const Body& b) {
	EXPECT_EQ(a.GetEdgePenIdx(), b.GetEdgePenIdx());
	EXPECT_EQ(a.GetMaterialIdx(), b.GetMaterialIdx());
	EXPECT_EQ(a.GetShapeType(), b.GetShapeType());
	Int16 f1[5], f2[5];
	a.GetVisualAttribs(&f1[0], &f1[1], &f1[2], &f1[3], &f1[4]);
	b.GetVisualAttribs(&f2[0], &f2[1], &f2[2], &f2[3], &f2[4]);
	EXPECT_EQ(0, std::memcmp(f1, f2, sizeof f1));
	EXPECT_EQ(a.GetFatherBind(), b.GetFatherBind());
	EXPECT_EQ(a.GetWrapping(), b.GetWrapping());
	EXPECT_TRUE(a.HasSameLocalCoordSys(&b));
	EXPECT_EQ(a.GetLocalBounds(), b.GetLocalBounds());
}

} // namespace

TEST(PgonRecord, CopiesOwnTheirCache) {
	PGON a;
	EXPECT_FALSE(a.IsDecomposedIntoTriangles());
	EXPECT_EQ(a.GetCacheSize(), 0u);
	Int32* cache = PGON::AllocateCache(2);
	cache[1] = 4;
	cache[6] = 7;
	a.SetCache(cache);
	a.status = Modeler::PgonConcave;
	a.fpedg = 3;
	a.lpedg = 8;
	EXPECT_TRUE(a.IsComplex());
	EXPECT_EQ(a.GetEdgeCount(), 6);
	EXPECT_EQ(a.GetCacheSize(), 28u);

	PGON b(a);
	ASSERT_TRUE(b.IsDecomposedIntoTriangles());
	EXPECT_NE(b.cpols, a.cpols);
	EXPECT_EQ(b.cpols[6], 7);
	a.cpols[6] = 99; // the copy is independent
	EXPECT_EQ(b.cpols[6], 7);

	PGON c;
	c.SetCache(PGON::AllocateCache(5));
	c = a; // the old cache of c is freed (ASan would report the leak otherwise)
	EXPECT_EQ(c.GetCacheSize(), 28u);
	EXPECT_EQ(c.cpols[6], 99);
	c = PGON();
	EXPECT_FALSE(c.IsDecomposedIntoTriangles());
	b.ClearCache();
	EXPECT_EQ(b.GetCacheSize(), 0u);
	EXPECT_EQ(PGON::AllocateCache(-1), nullptr);

	PGON holes;
	holes.status = Modeler::PgonHasHoles;
	EXPECT_TRUE(holes.IsComplex());
}

TEST(BodyConstruction, DefaultEmptyAndArrays) {
	const Body plain;
	EXPECT_EQ(plain.GetStatus(), 0u);
	EXPECT_EQ(plain.GetSectBkgColor(), -2);
	EXPECT_EQ(plain.GetShapeType(), 0);
	EXPECT_EQ(plain.GetLocalBounds(), (F_Box3D{0, 0, 0, 0, 0, 0}));
	EXPECT_FALSE(plain.HasVertices());
	EXPECT_EQ(plain.GetVarPart().GetSize(), 0u);
	EXPECT_EQ(plain.GetRefCount(), 0);

	const Body empty(Body::EmptyBody);
	EXPECT_EQ(empty.GetShapeType(), Modeler::EmptyBodyShapeType);
	EXPECT_EQ(empty.GetLocalBounds(), F_Box3D::Empty());

	const Fixtures::BodyData d = DecoratedCube();
	const auto body = Fixtures::MakeBody(d);
	EXPECT_EQ(body->GetRefCount(), 1);
	EXPECT_EQ(body->GetStatus(), d.status);
	EXPECT_TRUE(body->IsCut());
	EXPECT_EQ(body->GetFillType(), -6);
	EXPECT_EQ(body->GetSectContourColor(), 8);
	EXPECT_EQ(body->GetSectFillColor(), 9);
	EXPECT_EQ(body->GetSectLineType(), 10);
	EXPECT_EQ(body->GetLocalBounds(), d.bounds);
	Int32 coor[4];
	body->GetLocalCoordSys(coor);
	EXPECT_EQ(coor[1], -2);
	EXPECT_EQ(body->GetLocalCoordSys()[2], 3);
	EXPECT_EQ(body->GetVertexCount(), 8u);
	EXPECT_EQ(body->GetEdgeCount(), 12u);
	EXPECT_EQ(body->GetPolyEdgeCount(), 24u);
	EXPECT_EQ(body->GetPolygonCount(), 6u);
	EXPECT_EQ(body->GetPolyNormalCount(), 6u);
	EXPECT_EQ(body->GetTextureVertexCount(), 1u);
	EXPECT_EQ(body->GetConstTextureVertex(0).v, 0.75f);
	// The polygon cache was deep-copied into the block.
	ASSERT_TRUE(body->GetConstPolygon(2).IsDecomposedIntoTriangles());
	EXPECT_NE(body->GetConstPolygon(2).cpols, d.polygons[2].cpols);
	EXPECT_EQ(body->GetConstPolygon(2).cpols[3], 5);
	for (UInt32 i = 0; i < d.polyEdges.GetSize(); ++i)
		EXPECT_EQ(body->GetConstPolyEdge(i), d.polyEdges[i]);
}

TEST(BodyConstruction, CopyModesAndTransformingCopy) {
	const auto src = Fixtures::MakeBody(DecoratedCube());
	src->InitRoundNormVectors();

	// Attributes only: header without the legacy sharing bits, no geometry.
	const Body attrs(*src, Body::CopyAttributesOnly, Modeler::BodyInvisible);
	EXPECT_FALSE(attrs.HasVertices());
	EXPECT_EQ(attrs.GetStatus(), (src->GetStatus() & ~0x3000u) | Modeler::BodyInvisible);
	EXPECT_TRUE(attrs.IsCut());
	ExpectSameHeader(attrs, *src);

	// Geometry only: geometry and bounds, header as after clearing.
	const Body geom(*src, Body::CopyGeometryOnly, Modeler::BodyCurved);
	EXPECT_EQ(geom.GetStatus(), static_cast<UInt32>(Modeler::BodyCurved));
	EXPECT_EQ(geom.GetMaterialIdx(), 0);
	EXPECT_EQ(geom.GetSectBkgColor(), -2);
	EXPECT_EQ(geom.GetLocalBounds(), src->GetLocalBounds());
	EXPECT_EQ(geom.GetVertexCount(), 8u);
	EXPECT_EQ(geom.GetConstPolygon(2).cpols[0], 2);

	// Full copy: equal, caches deep-copied, round normals not copied.
	const Body copy(*src);
	EXPECT_TRUE(copy == *src);
	EXPECT_EQ(copy.GetStatus(), src->GetStatus());
	EXPECT_NE(copy.GetConstPolygon(2).cpols, src->GetConstPolygon(2).cpols);
	EXPECT_EQ(copy.GetRefCount(), 0);
	EXPECT_EQ(copy.GetUsedBytes(), sizeof(Body) + copy.GetVarPart().GetSize());

	// Copy with a translation: moved vertices and bounds, normals alone (pure translation).
	TRAN t;
	Geometry::TMIdentity(&t);
	t.matrix[3] = 10;
	Geometry::TMFillStatus(&t);
	const Body moved(*src, &t);
	EXPECT_EQ(moved.GetConstVertex(7).x, 12.0);
	EXPECT_EQ(moved.GetLocalBounds().xMin, 10.0f);
	EXPECT_EQ(moved.GetLocalBounds().xMax, 12.0f);
	EXPECT_EQ(moved.GetConstPolyNormal(0).x, 1.0);
	EXPECT_FALSE(moved == *src);
}

TEST(BodyConstruction, LegacyRecordRoundTripOfCutBody) {
	const Fixtures::BodyData d = DecoratedCube();
	const auto body = Fixtures::MakeBody(d);
	BODY rec;
	std::memset(&rec, 0xCD, sizeof rec);
	body->ToBODY(&rec);

	const unsigned char* raw = reinterpret_cast<const unsigned char*>(&rec);
	UInt32 status;
	std::memcpy(&status, raw, 4);
	EXPECT_EQ(status, d.status & ~static_cast<UInt32>(Modeler::BodyCut));
	UInt16 at16;
	Int16 at18;
	std::memcpy(&at16, raw + 16, 2);
	std::memcpy(&at18, raw + 18, 2);
	EXPECT_EQ(at16, 30200);
	EXPECT_EQ(at18, 17);
	float box[6];
	std::memcpy(box, raw + 24, sizeof box);
	EXPECT_EQ(box[2], 0.0f); // zMin
	EXPECT_EQ(box[3], 2.0f); // xMax
	Int32 ranges[12];
	std::memcpy(ranges, raw + 48, sizeof ranges);
	const Int32 expected[12] = {1, 6, 1, 24, 1, 12, 1, 8, 1, 6, 0, -1};
	EXPECT_EQ(0, std::memcmp(ranges, expected, sizeof ranges));
	Int32 fteve;
	std::memcpy(&fteve, raw + 108, 4);
	EXPECT_EQ(fteve, 1);
	EXPECT_EQ(raw[138], 0);
	EXPECT_EQ(raw[4], 0);

	// Back into a body: bit 3 restored, header equal.
	const Body back(rec);
	EXPECT_TRUE(back.IsCut());
	EXPECT_EQ(back.GetStatus(), d.status);
	ExpectSameHeader(back, *body);
	EXPECT_FALSE(back.HasVertices());

	// An uncut body keeps its shape type at both offsets.
	const Body plain(*body, Body::CopyGeometryOnly, 0);
	BODY rec2;
	plain.ToBODY(&rec2);
	EXPECT_EQ(rec2.btypeOrCut, 0);
	EXPECT_EQ(Body(rec2).IsCut(), false);

	// WriteAsBODY writes exactly the record.
	IO::MemoryOChannel out;
	body->WriteAsBODY(out);
	ASSERT_EQ(out.GetDataSize(), sizeof(BODY));
	EXPECT_EQ(0, std::memcmp(out.GetBuffer(), &rec, sizeof rec));
}

TEST(BodyConstruction, MakeEmptyAndTransformOfEmptyBody) {
	BodyTests::EditableBody body(*Fixtures::MakeCube());
	body.MakeEmpty();
	EXPECT_EQ(body.GetShapeType(), Modeler::EmptyBodyShapeType);
	EXPECT_EQ(body.GetLocalBounds(), F_Box3D::Empty());
	EXPECT_FALSE(body.HasPolygons());
	TRAN t;
	Geometry::TMIdentity(&t);
	t.matrix[0] = -1;
	Geometry::TMFillStatus(&t);
	body.Transform(t);
	EXPECT_EQ(body.GetLocalBounds(), F_Box3D::Empty());
	EXPECT_EQ(body.GetShapeType(), Modeler::EmptyBodyShapeType);
}

TEST(BodyConstruction, StatusQueries) {
	BodyTests::EditableBody b;
	b.SetStatusMask(Modeler::BodyNeverCastsShadow);
	EXPECT_TRUE(b.NeverCastsShadow());
	b.SetStatusMask(Modeler::BodyAlwaysCastsShadow);
	EXPECT_FALSE(b.NeverCastsShadow());
	EXPECT_TRUE(b.AlwaysCastsShadow());
	b.SetStatusMask(Modeler::BodyInvisible | Modeler::BodyMulColor | Modeler::BodyMulUmat);
	EXPECT_TRUE(b.IsInvisible());
	EXPECT_TRUE(b.IsMarkedShadow());
	EXPECT_TRUE(b.IsMulColor() && b.IsMulUmat());
	b.ClrStatusMask(Modeler::BodyInvisible);
	EXPECT_FALSE(b.IsMarkedShadow());
	b.SetStatusMask(Modeler::BodyDeleted);
	EXPECT_FALSE(b.IsInvisible()); // the body reads bit 14 only
}
