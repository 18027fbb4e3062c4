#include "fixtures/BodyFixtures.h"

#include "Model3D/bodies/body/Body.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using Modeler::Body;

namespace {

// A curved wall with texture vertices, a sharp edge, triangle caches and filled round
// normals.
Kit::SharedPtr<Body> RichWall() {
	Fixtures::BodyData d = Fixtures::WallWithWindowData();
	d.status |= Modeler::BodyCurved | Modeler::BodyHasSharpEdge;
	d.iumat = 5;
	d.wrap = 3;
	d.coor[0] = -2;
	for (USize i = 0; i < d.polygons.GetSize(); ++i)
		d.polygons[i].status |= Modeler::PgonCurved;
	d.edges[4].status |= Modeler::EdgeSharp;
	for (USize i = 0; i < d.vertices.GetSize(); ++i)
		d.textureVertices.Push(TEVE{float(i), -float(i)});
	d.polygons[1].SetCache(Modeler::PGON::AllocateCache(2));
	d.polygons[6].SetCache(Modeler::PGON::AllocateCache(0));
	auto body = Fixtures::MakeBody(d);
	body->InitRoundNormVectors();
	return body;
}

std::vector<char> Write(const Body& b) {
	IO::MemoryOChannel out;
	b.QuickWrite(out);
	return out.GetBytes();
}

template <typename T> T At(const std::vector<char>& bytes, USize offset) {
	T v;
	std::memcpy(&v, bytes.data() + offset, sizeof v);
	return v;
}

template <typename T> void Put(std::vector<char>& bytes, USize offset, T v) {
	ASSERT_LE(offset + sizeof v, bytes.size());
	const char* p = reinterpret_cast<const char*>(&v);
	std::copy(p, p + sizeof v, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Byte offsets of the count fields in a quick stream of a body with these counts.
struct Offsets {
	USize blockSize = 72, vertices, textureVertices, edges, polyEdges, width, normals, polygons, roundNormals, end;

	explicit Offsets(const Body& b) {
		const USize w = b.GetVarPart().GetPolyEdgeWidth();
		vertices = blockSize + 4;
		textureVertices = vertices + 4 + 24 * b.GetVertexCount();
		edges = textureVertices + 4 + 8 * b.GetTextureVertexCount();
		polyEdges = edges + 4 + 24 * b.GetEdgeCount();
		width = polyEdges + 4;
		normals = width + 4 + w * b.GetPolyEdgeCount();
		polygons = normals + 4 + 24 * b.GetPolyNormalCount();
		roundNormals = polygons + 4 + 40 * b.GetPolygonCount();
		end = roundNormals + 4 + 24 * b.GetRoundNormVectorCount();
	}
};

// Reads the bytes into a fresh body; expects a refusal that leaves the body empty.
void ExpectRejected(const std::vector<char>& bytes, const std::string& what) {
	Body body;
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	EXPECT_THROW(body.QuickRead(in), Kit::InternalErrorException) << what;
	EXPECT_FALSE(body.HasVertices()) << what;
	EXPECT_FALSE(body.HasPolygons()) << what;
	EXPECT_EQ(body.GetVarPart().GetSize(), 0u) << what;
	EXPECT_EQ(body.GetMaterialIdx(), 0) << what;
}

class FailingOChannel : public Kit::OChannel {
protected:
	bool DoWrite(const void*, UInt64) override { return false; }
};

} // namespace

TEST(BodyStream, QuickRoundTripKeepsBodyAndRoundNormals) {
	const auto wall = RichWall();
	const UInt32 roundCount = wall->GetRoundNormVectorCount();
	ASSERT_EQ(roundCount, 16u + 4 * 24);
	const std::vector<char> bytes = Write(*wall);
	// Writing dropped the triangle caches of the source.
	EXPECT_FALSE(wall->GetConstPolygon(1).IsDecomposedIntoTriangles());
	EXPECT_FALSE(wall->GetConstPolygon(6).IsDecomposedIntoTriangles());

	const Offsets off(*wall);
	ASSERT_EQ(bytes.size(), off.end);
	Body back;
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	back.QuickRead(in);
	EXPECT_EQ(in.GetAvailable(), 0u);
	EXPECT_TRUE(back == *wall);
	EXPECT_EQ(back.GetStatus(), wall->GetStatus());
	EXPECT_EQ(back.GetLocalCoordSys()[0], -2);
	EXPECT_EQ(back.GetConstTextureVertex(15).v, -15.0f);
	for (UInt32 p = 0; p < back.GetPolygonCount(); ++p)
		EXPECT_FALSE(back.GetConstPolygon(p).IsDecomposedIntoTriangles());
	ASSERT_EQ(back.GetRoundNormVectorCount(), roundCount);
	for (UInt32 i = 0; i < roundCount; ++i) {
		EXPECT_EQ(back.GetConstRoundNormVectorPtr(i)->x, wall->GetConstRoundNormVectorPtr(i)->x);
		EXPECT_EQ(back.GetConstRoundNormVectorPtr(i)->z, wall->GetConstRoundNormVectorPtr(i)->z);
	}
	EXPECT_EQ(back.GetUsedBytes(), wall->GetUsedBytes());
	// Writing the read body gives the same bytes.
	EXPECT_EQ(Write(back), bytes);
	// A memory channel is sized for the whole image before the first byte: the size
	// announced equals the size written.
	IO::MemoryOChannel fresh;
	back.QuickWrite(fresh);
	EXPECT_EQ(fresh.GetCapacity(), fresh.GetDataSize());

	// An empty body round-trips too.
	const Body empty(Body::EmptyBody);
	const std::vector<char> emptyBytes = Write(empty);
	EXPECT_EQ(emptyBytes.size(), 72u + 4 + 6 * 4 + 4 + 4);
	IO::MemoryOChannel freshForEmpty;
	empty.QuickWrite(freshForEmpty);
	EXPECT_EQ(freshForEmpty.GetCapacity(), emptyBytes.size());
	Body emptyBack;
	IO::MemoryIChannel emptyIn(emptyBytes.data(), emptyBytes.size());
	emptyBack.QuickRead(emptyIn);
	EXPECT_TRUE(emptyBack == empty);
	EXPECT_EQ(emptyBack.GetLocalBounds(), F_Box3D::Empty());
}

TEST(BodyStream, QuickStreamByteLayout) {
	const auto wall = RichWall();
	const std::vector<char> bytes = Write(*wall);
	const Offsets off(*wall);
	// Header block.
	EXPECT_EQ(At<UInt32>(bytes, 0), wall->GetStatus());
	EXPECT_EQ(At<Int16>(bytes, 6), 5);          // iumat
	EXPECT_EQ(At<Int16>(bytes, 12), -2);        // sbkgc
	EXPECT_EQ(At<Int16>(bytes, 24), 3);         // wrap
	EXPECT_EQ(At<Int32>(bytes, 28), -2);        // coor[0]
	EXPECT_EQ(At<float>(bytes, 44 + 8), 4.0f);  // bounds.xMax
	EXPECT_EQ(At<float>(bytes, 44 + 20), 3.0f); // bounds.zMax
	EXPECT_EQ(bytes[68], 1);                    // round normals valid
	EXPECT_EQ(bytes[26], 0);
	// Geometry block.
	EXPECT_EQ(At<UInt32>(bytes, off.blockSize), wall->GetVarPart().GetSize());
	EXPECT_EQ(At<UInt32>(bytes, off.vertices), 16u);
	EXPECT_EQ(At<double>(bytes, off.vertices + 4 + 24 * 7 + 16), 3.0); // vertex 7 z
	EXPECT_EQ(At<UInt32>(bytes, off.textureVertices), 16u);
	EXPECT_EQ(At<UInt32>(bytes, off.edges), 24u);
	EXPECT_EQ(At<UInt32>(bytes, off.edges + 4 + 24 * 4), static_cast<UInt32>(Modeler::EdgeSharp));
	EXPECT_EQ(At<UInt32>(bytes, off.polyEdges), 50u);
	EXPECT_EQ(At<UInt32>(bytes, off.width), 1u);
	EXPECT_EQ(static_cast<Int8>(bytes[off.width + 4]), wall->GetConstPolyEdge(0));
	EXPECT_EQ(At<UInt32>(bytes, off.normals), 3u);
	EXPECT_EQ(At<UInt32>(bytes, off.polygons), 10u);
	for (UInt32 p = 0; p < 10; ++p) {
		const USize at = off.polygons + 4 + 40 * p;
		EXPECT_EQ(At<Int32>(bytes, at + 12), wall->GetConstPolygon(p).ivect);
		EXPECT_EQ(At<Int32>(bytes, at + 20), wall->GetConstPolygon(p).lpedg);
		EXPECT_EQ(At<UInt64>(bytes, at + 32), 0u); // cache slot
		EXPECT_EQ(At<Int32>(bytes, at + 28), 0);   // alignment word
	}
	EXPECT_EQ(At<UInt32>(bytes, off.roundNormals), 16u + 96);
	EXPECT_EQ(At<double>(bytes, off.roundNormals + 4 + 8), wall->GetConstRoundNormVectorPtr(0)->y);
}

TEST(BodyStream, CorruptedQuickStreamsAreRejected) {
	const auto wall = RichWall();
	const std::vector<char> good = Write(*wall);
	const Offsets off(*wall);

	// Every truncation.
	for (USize n = 0; n < good.size(); ++n) {
		std::vector<char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
		ExpectRejected(cut, "truncated at " + std::to_string(n));
	}
	auto patched = [&](USize offset, UInt32 value) {
		std::vector<char> b = good;
		Put(b, offset, value);
		return b;
	};
	ExpectRejected(patched(off.width, 3), "width 3");
	ExpectRejected(patched(off.width, 0), "width 0");
	ExpectRejected(patched(off.width, 2), "width that the edge count does not call for");
	ExpectRejected(patched(off.vertices, 17), "one vertex too many");
	ExpectRejected(patched(off.vertices, 15), "one vertex too few");
	ExpectRejected(patched(off.normals, 0x10000000), "normal count beyond the block");
	ExpectRejected(patched(off.polygons, 0xFFFFFFFF), "polygon count beyond everything");
	ExpectRejected(patched(off.blockSize, 0xFFFFFFF0), "block larger than the stream");
	ExpectRejected(patched(off.blockSize, wall->GetVarPart().GetSize() - 1), "block one byte short");
	ExpectRejected(patched(off.roundNormals, 0x7FFFFFFF), "round normals beyond the stream");
	std::vector<char> longer = patched(off.blockSize, wall->GetVarPart().GetSize() + 8);
	longer.insert(longer.end(), 8, 0);
	ExpectRejected(longer, "parts do not fill the announced block");

	// The same stream read into a body that held geometry before.
	Body reused(*wall);
	const std::vector<char> bad = patched(off.width, 7);
	IO::MemoryIChannel in(bad.data(), bad.size());
	EXPECT_THROW(reused.QuickRead(in), Kit::InternalErrorException);
	EXPECT_FALSE(reused.HasVertices());
}

TEST(BodyStream, StaleRoundNormalCacheIsRecomputed) {
	const auto wall = RichWall();
	std::vector<char> bytes = Write(*wall);
	const Offsets off(*wall);
	// Claim a valid cache but store only 3 of the 112 entries.
	bytes.resize(off.roundNormals + 4 + 3 * 24);
	Put<UInt32>(bytes, off.roundNormals, 3);
	Body back;
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	back.QuickRead(in);
	ASSERT_EQ(back.GetRoundNormVectorCount(), wall->GetRoundNormVectorCount());
	EXPECT_EQ(back.GetConstRoundNormVectorPtr(111)->z, wall->GetConstRoundNormVectorPtr(111)->z);
}

TEST(BodyStream, WriteFailuresAreReported) {
	const auto wall = RichWall();
	FailingOChannel out;
	EXPECT_THROW(wall->QuickWrite(out), Kit::InternalErrorException);
	try {
		FailingOChannel out2;
		wall->WriteAsBODY(out2);
		ADD_FAILURE() << "no exception";
	} catch (const Kit::RunTimeErrorException& e) {
		EXPECT_STREQ(e.GetMessage(), "Body::WriteAsBODY failed");
		EXPECT_STREQ(e.GetFileName(), "Model3D/Body");
		EXPECT_EQ(e.GetLineNumber(), 1133u);
	}
}
