// Reading the body records of model files: every layout boundary, both byte orders, and
// blocks the channel cannot deliver.
#include "fixtures/LegacyRecords.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Modeler::CandidateBody;

namespace {

constexpr Kit::PlatformSign Orders[] = {Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign};

std::vector<char> Repeat(const std::vector<char>& record, int n) {
	std::vector<char> out;
	for (int i = 0; i < n; ++i)
		out.insert(out.end(), record.begin(), record.end());
	return out;
}

// The message and source line of the read failure that 'read' throws, or "none".
template <typename F> std::string ReadFailure(F read) {
	try {
		read();
	} catch (const Kit::RunTimeErrorException& e) {
		return std::string(e.GetMessage()) + "@" + e.GetFileName() + ":" + std::to_string(e.GetLineNumber());
	}
	return "none";
}

const std::string OldFailure = "ReadOldElems failed@Model3D/CandidateBody:940";
const std::string CurrentFailure = "ReadCurrElems failed@Model3D/CandidateBody:959";

} // namespace

TEST(CandidateBodyRead, VerticesAndNormalsInFloatAndDoubleLayouts) {
	const std::vector<std::array<float, 3>> floats = {{1.5f, -2.25f, 3.0f}, {-0.5f, 4.0f, 1e-3f}};
	const std::vector<VERT> doubles = {{1.1, -2.2, 3.3}, {4.4, 5.5, -6.6}};
	for (Kit::PlatformSign order : Orders) {
		for (Int32 version : {4002, 4008, 4010, 4011, 4012, 4032}) {
			CandidateBody b;
			const bool floatVertex = version <= 4010;
			const bool floatNormal = version <= 4011;
			std::vector<char> bytes =
			    floatVertex ? Fixtures::VertFloatBytes(floats, order) : Fixtures::VertDoubleBytes(doubles, order);
			const std::vector<char> normals =
			    floatNormal ? Fixtures::VertFloatBytes(floats, order) : Fixtures::VertDoubleBytes(doubles, order);
			bytes.insert(bytes.end(), normals.begin(), normals.end());
			IO::MemoryIChannel ch(bytes);
			b.ReadVertex(ch, order, 2, version);
			b.ReadPolyNormal(ch, order, 2, version);
			EXPECT_EQ(ch.GetAvailable(), 0u) << version;
			ASSERT_EQ(b.GetVertexCount(), 2u);
			ASSERT_EQ(b.GetPolyNormalCount(), 2u);
			for (Int32 i = 0; i < 2; ++i) {
				const VERT& v = b.GetConstVertex(i);
				const VECT& n = b.GetConstPolyNormal(i);
				if (floatVertex)
					EXPECT_TRUE(v.x == floats[i][0] && v.y == floats[i][1] && v.z == floats[i][2]) << version;
				else
					EXPECT_TRUE(v.x == doubles[i].x && v.y == doubles[i].y && v.z == doubles[i].z) << version;
				if (floatNormal)
					EXPECT_TRUE(n.x == floats[i][0] && n.y == floats[i][1] && n.z == floats[i][2]) << version;
				else
					EXPECT_TRUE(n.x == doubles[i].x && n.y == doubles[i].y && n.z == doubles[i].z) << version;
			}
		}
	}
}

TEST(CandidateBodyRead, TextureVerticesExistFrom4012) {
	const std::vector<TEVE> teve = {{0.25f, -0.75f}, {1.5f, 2.0f}};
	for (Kit::PlatformSign order : Orders) {
		const std::vector<char> bytes = Fixtures::TeveBytes(teve, order);
		IO::MemoryIChannel old(bytes);
		CandidateBody b;
		b.ReadTextureVertex(old, order, 2, 4011);
		EXPECT_EQ(b.GetTextureVertexCount(), 0u);
		EXPECT_EQ(old.GetAvailable(), bytes.size()); // nothing consumed
		IO::MemoryIChannel cur(bytes);
		b.ReadTextureVertex(cur, order, 2, 4012);
		ASSERT_EQ(b.GetTextureVertexCount(), 2u);
		EXPECT_EQ(b.GetConstTextureVertex(1).u, 1.5f);
		EXPECT_EQ(b.GetConstTextureVertex(0).v, -0.75f);
	}
}

TEST(CandidateBodyRead, EdgesAndPolyEdges) {
	const EDGE_51 old = Fixtures::SampleEdge51();
	EDGE oldConverted;
	FCEdgeFromEdge51(&oldConverted, &old);
	const EDGE cur = Fixtures::SampleEdge();
	for (Kit::PlatformSign order : Orders) {
		for (Int32 version : {4013, 4014, 4015, 4031}) {
			const bool isOld = version <= 4014;
			const EDGE& expected = isOld ? oldConverted : cur;
			const std::vector<char> bytes =
			    Repeat(isOld ? Fixtures::Edge51Bytes(old, order) : Fixtures::EdgeBytes(cur, order), 3);
			IO::MemoryIChannel ch(bytes);
			CandidateBody b;
			b.ReadEdge(ch, order, 3, version);
			ASSERT_EQ(b.GetEdgeCount(), 3u);
			EXPECT_EQ(ch.GetAvailable(), 0u);
			EXPECT_EQ(std::memcmp(&b.GetConstEdge(2), &expected, sizeof(EDGE)), 0) << version << " " << order;
		}
		// More poly-edges than one read chunk holds.
		std::vector<Int32> refs;
		for (Int32 i = 0; i < 10000; ++i)
			refs.push_back((i % 3 == 0) ? 0 : (i % 2 ? -i : i * 1000));
		IO::MemoryIChannel ch(Fixtures::Int32sBytes(refs, order));
		CandidateBody b;
		b.ReadPolyEdge(ch, order, static_cast<UInt32>(refs.size()), 4002);
		ASSERT_EQ(b.GetPolyEdgeCount(), refs.size());
		for (USize i = 0; i < refs.size(); ++i)
			ASSERT_EQ(b.GetConstPolyEdge(static_cast<Int32>(i)), refs[i]) << i;
	}
}

TEST(CandidateBodyRead, PolygonsOfEveryLayout) {
	Modeler::PGON from41, from51, from110;
	const PGON_41 p41 = Fixtures::SamplePgon41();
	const PGON_51 p51 = Fixtures::SamplePgon51();
	const PGON_110 p110 = Fixtures::SamplePgon110();
	FCPgonFromPgon41(&from41, &p41);
	FCPgonFromPgon51(&from51, &p51);
	FCPgonFromPgon110(&from110, &p110);
	const Fixtures::PgonValues cur = Fixtures::SamplePgon();
	Modeler::PGON fromCur;
	fromCur.status = cur.status;
	fromCur.dummy = cur.dummy;
	fromCur.iumat = cur.iumat;
	fromCur.irtxt = cur.irtxt;
	fromCur.ivect = cur.ivect;
	fromCur.fpedg = cur.fpedg;
	fromCur.lpedg = cur.lpedg;
	fromCur.mpuid = cur.mpuid;

	struct Case {
		Int32 version;
		const Modeler::PGON* expected;
	};
	const Case cases[] = {{4001, &from41},  {4002, &from41},  {4003, &from51},  {4014, &from51},  {4015, &from110},
	                      {4025, &from110}, {4026, &from110}, {4030, &from110}, {4031, &fromCur}, {4032, &fromCur}};
	for (Kit::PlatformSign order : Orders) {
		for (const Case& c : cases) {
			std::vector<char> record;
			if (c.version <= 4002)
				record = Fixtures::Pgon41Bytes(p41, order);
			else if (c.version <= 4014)
				record = Fixtures::Pgon51Bytes(p51, order);
			else if (c.version <= 4030)
				record = Fixtures::Pgon110Bytes(p110, order);
			else
				record = Fixtures::PgonBytes(cur, order);
			IO::MemoryIChannel ch(Repeat(record, 2));
			CandidateBody b;
			b.ReadPolygon(ch, order, 2, c.version);
			ASSERT_EQ(b.GetPolygonCount(), 2u);
			EXPECT_EQ(ch.GetAvailable(), 0u);
			const Modeler::PGON& p = b.GetConstPolygon(1);
			const Modeler::PGON& e = *c.expected;
			const Int32 shift = c.version < 4026 ? 1 : 0;
			EXPECT_EQ(p.status, e.status) << c.version << " " << order;
			EXPECT_EQ(p.iumat, e.iumat) << c.version;
			EXPECT_EQ(p.irtxt, e.irtxt - shift) << c.version;
			EXPECT_EQ(p.ivect, e.ivect) << c.version;
			EXPECT_EQ(p.fpedg, e.fpedg) << c.version;
			EXPECT_EQ(p.lpedg, e.lpedg) << c.version;
			EXPECT_EQ(p.mpuid, e.mpuid) << c.version;
			EXPECT_EQ(p.cpols, nullptr);
		}
	}
}

TEST(CandidateBodyRead, TextureIndicesMoveDownBefore4026OnlyForTheNewPolygons) {
	PGON_110 rec = Fixtures::SamplePgon110();
	CandidateBody b;
	Modeler::PGON existing;
	existing.irtxt = 5;
	b.AddPolygonRec(existing);
	for (Int32 version : {4020, 4026}) {
		for (Int32 irtxt : {3, 0, -2}) {
			rec.irtxt = irtxt;
			IO::MemoryIChannel ch(Fixtures::Pgon110Bytes(rec, Kit::Native_Platform_Sign));
			b.ReadPolygon(ch, Kit::Native_Platform_Sign, 1, version);
			const Int32 expected = (version < 4026 && irtxt > 0) ? irtxt - 1 : irtxt;
			EXPECT_EQ(b.GetConstPolygon(static_cast<Int32>(b.GetPolygonCount()) - 1).irtxt, expected) << version;
		}
	}
	EXPECT_EQ(b.GetConstPolygon(0).irtxt, 5);
}

TEST(CandidateBodyRead, BlocksTheChannelCannotDeliverThrowAndStoreNothing) {
	const Kit::PlatformSign order = Kit::BigEndian_Platform_Sign;
	CandidateBody b;
	IO::MemoryIChannel first(Fixtures::Int32sBytes({1, 2, 3}, order));
	b.ReadPolyEdge(first, order, 3, 4031);

	const std::vector<char> twoEdges = Repeat(Fixtures::Edge51Bytes(Fixtures::SampleEdge51(), order), 2);
	IO::MemoryIChannel shortOld(twoEdges);
	EXPECT_EQ(ReadFailure([&] { b.ReadEdge(shortOld, order, 3, 4014); }), OldFailure);
	IO::MemoryIChannel shortCur(twoEdges);
	EXPECT_EQ(ReadFailure([&] { b.ReadEdge(shortCur, order, 2, 4015); }), CurrentFailure); // 48 bytes needed
	IO::MemoryIChannel huge(twoEdges);
	EXPECT_EQ(ReadFailure([&] { b.ReadPolyEdge(huge, order, 0xFFFFFFFFu, 4031); }), CurrentFailure);
	IO::MemoryIChannel vertices(twoEdges);
	EXPECT_EQ(ReadFailure([&] { b.ReadVertex(vertices, order, 4, 4010); }), OldFailure);
	IO::MemoryIChannel polygons(twoEdges);
	EXPECT_EQ(ReadFailure([&] { b.ReadPolygon(polygons, order, 2, 4031); }), CurrentFailure);
	EXPECT_EQ(ReadFailure([&] { b.ReadPolygon(polygons, order, 2, 4030); }), OldFailure);
	EXPECT_EQ(ReadFailure([&] { b.ReadPolyNormal(polygons, order, 2, 4011); }), "none"); // 24 of 40 bytes

	EXPECT_EQ(b.GetEdgeCount() + b.GetVertexCount() + b.GetPolygonCount(), 0u);
	EXPECT_EQ(b.GetPolyEdgeCount(), 3u); // records of earlier calls stay
	EXPECT_EQ(b.GetConstPolyEdge(2), 3);
	EXPECT_EQ(b.GetPolyNormalCount(), 2u);

	// A zero count reads nothing, even from an empty channel.
	IO::MemoryIChannel empty(std::vector<char>{});
	b.ReadPolygon(empty, order, 0, 4031);
	b.ReadVertex(empty, order, 0, 4001);
	EXPECT_EQ(b.GetPolygonCount(), 0u);
}

TEST(CandidateBodyRead, BodyExtensionSetsShapeWrappingAndCoordinateSystem) {
	CandidateBody b;
	b.SetMaterialIdx(4);
	const BEXT_51 ext = Fixtures::SampleBext51();
	b.ApplyBEXT(ext);
	EXPECT_EQ(b.GetShapeType(), ext.btype);
	EXPECT_EQ(b.GetWrapping(), ext.wrap);
	EXPECT_EQ(std::memcmp(b.GetLocalCoordSys(), ext.coor, sizeof ext.coor), 0);
	EXPECT_EQ(b.GetMaterialIdx(), 4);
}
