#include "Model3D/persistence/conversion/RecordConversion.h"
#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

// Copies a record out of a byte buffer after converting it to the running platform.
template <typename Record>
Record Native(std::vector<char> bytes, Kit::PlatformSign order,
              void (*swap)(Kit::PlatformSign, char*, Int32*, Int32, Kit::PlatformSign)) {
	Int32 offset = 0;
	swap(order, bytes.data(), &offset, 1, LE);
	EXPECT_EQ(offset, static_cast<Int32>(sizeof(Record)));
	Record record;
	std::memcpy(&record, bytes.data(), sizeof(Record));
	return record;
}

// A polygon with a triangle cache and every field set, as a destination that was used
// before: the converters must free the cache and clear what the old form lacks.
void MakeUsed(Modeler::PGON& pgon) {
	pgon.status = 0xFFFFFFFFu;
	pgon.dummy = 0xFFFF;
	pgon.iumat = -1;
	pgon.irtxt = pgon.ivect = pgon.fpedg = pgon.lpedg = pgon.mpuid = pgon.alignment = -1;
	pgon.SetCache(Modeler::PGON::AllocateCache(2));
	ASSERT_TRUE(pgon.IsDecomposedIntoTriangles());
}

TEST(RecordConversionFormsTest, Pgon41InBothByteOrders) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		const PGON_41 old = Native<PGON_41>(Fixtures::Pgon41Bytes(Fixtures::SamplePgon41(), order), order, IV_PGON_41);
		Modeler::PGON pgon;
		MakeUsed(pgon);
		FCPgonFromPgon41(&pgon, &old);
		EXPECT_EQ(pgon.status, 0x00008021u);
		EXPECT_EQ(pgon.dummy, 0);
		EXPECT_EQ(pgon.iumat, 0x0102);
		EXPECT_EQ(pgon.irtxt, 0x11223344);
		EXPECT_EQ(pgon.ivect, -0x21324354);
		EXPECT_EQ(pgon.fpedg, 0x31425364);
		EXPECT_EQ(pgon.lpedg, 0x41526374);
		EXPECT_EQ(pgon.mpuid, 0);
		EXPECT_EQ(pgon.alignment, 0);
		EXPECT_FALSE(pgon.IsDecomposedIntoTriangles());
	}
}

// The 16-bit status lands in the low half of the 32-bit status, without sign extension.
TEST(RecordConversionFormsTest, Pgon51KeepsStatusBitsInTheLowHalf) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		const PGON_51 old = Native<PGON_51>(Fixtures::Pgon51Bytes(Fixtures::SamplePgon51(), order), order, IV_PGON_51);
		Modeler::PGON pgon;
		MakeUsed(pgon);
		FCPgonFromPgon51(&pgon, &old);
		EXPECT_EQ(pgon.status, 0x00008031u);
		EXPECT_TRUE(pgon.IsInvisible());
		EXPECT_TRUE(pgon.HasHoles());
		EXPECT_EQ(pgon.dummy, 0);
		EXPECT_EQ(pgon.iumat, 0x0304);
		EXPECT_EQ(pgon.irtxt, 0x12233445);
		EXPECT_EQ(pgon.ivect, -0x22334455);
		EXPECT_EQ(pgon.fpedg, 0x32435465);
		EXPECT_EQ(pgon.lpedg, 0x42536475);
		EXPECT_EQ(pgon.mpuid, 0x52637485);
		EXPECT_EQ(pgon.alignment, 0);
		EXPECT_FALSE(pgon.IsDecomposedIntoTriangles());
	}

	PGON_51 allBits{};
	allBits.status = 0xFFFF;
	Modeler::PGON pgon;
	FCPgonFromPgon51(&pgon, &allBits);
	EXPECT_EQ(pgon.status, 0x0000FFFFu);
}

TEST(RecordConversionFormsTest, Pgon110DropsItsDummyWord) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		const PGON_110 old =
		    Native<PGON_110>(Fixtures::Pgon110Bytes(Fixtures::SamplePgon110(), order), order, IV_PGON_110);
		Modeler::PGON pgon;
		MakeUsed(pgon);
		FCPgonFromPgon110(&pgon, &old);
		EXPECT_EQ(pgon.status, 0x80040021u);
		EXPECT_EQ(pgon.dummy, 0);
		EXPECT_EQ(pgon.iumat, 0x0708);
		EXPECT_EQ(pgon.irtxt, 0x13243546);
		EXPECT_EQ(pgon.ivect, 0x23344556);
		EXPECT_EQ(pgon.fpedg, -0x33445566);
		EXPECT_EQ(pgon.lpedg, 0x43546576);
		EXPECT_EQ(pgon.mpuid, 0x53647586);
		EXPECT_EQ(pgon.alignment, 0);
		EXPECT_FALSE(pgon.IsDecomposedIntoTriangles());
	}
}

TEST(RecordConversionFormsTest, Edge51InBothByteOrders) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		const EDGE_51 old = Native<EDGE_51>(Fixtures::Edge51Bytes(Fixtures::SampleEdge51(), order), order, IV_EDGE_51);
		EDGE edge{0xFFFFFFFFu, -1, -1, -1, -1, -1, -1};
		FCEdgeFromEdge51(&edge, &old);
		EXPECT_EQ(edge.status, 0x00008001u);
		EXPECT_EQ(edge.dummy, 0);
		EXPECT_EQ(edge.color, 0x0D0E);
		EXPECT_EQ(edge.vert1, 0x15263748);
		EXPECT_EQ(edge.vert2, -0x25364758);
		EXPECT_EQ(edge.pgon1, 0x35465768);
		EXPECT_EQ(edge.pgon2, 0x45566778);
	}
}

// An old polygon array converted record by record equals the current records that the
// same polygons would have been written as: the converters and the swap agree on every
// record of a multi-record buffer, not only the first.
TEST(RecordConversionFormsTest, ArrayOfForeignPgons51ConvertsRecordByRecord) {
	std::vector<char> bytes;
	std::vector<PGON_51> expected;
	for (Int32 i = 0; i < 4; ++i) {
		PGON_51 p = Fixtures::SamplePgon51();
		p.status = static_cast<UInt16>(0x8000 | i);
		p.fpedg = 10 * i + 1;
		p.lpedg = 10 * i + 4;
		p.mpuid = -i;
		expected.push_back(p);
		const std::vector<char> one = Fixtures::Pgon51Bytes(p, BE);
		bytes.insert(bytes.end(), one.begin(), one.end());
	}
	Int32 offset = 0;
	ASSERT_EQ(IV_PGON_51_Checked(BE, bytes.data(), static_cast<Int32>(bytes.size()), &offset, 4, LE), 0);
	ASSERT_EQ(offset, 4 * PGON_51_Size);
	for (Int32 i = 0; i < 4; ++i) {
		PGON_51 old;
		std::memcpy(&old, bytes.data() + i * PGON_51_Size, sizeof old);
		Modeler::PGON pgon;
		FCPgonFromPgon51(&pgon, &old);
		EXPECT_EQ(pgon.status, 0x8000u + static_cast<UInt32>(i));
		EXPECT_EQ(pgon.fpedg, 10 * i + 1);
		EXPECT_EQ(pgon.lpedg, 10 * i + 4);
		EXPECT_EQ(pgon.GetEdgeCount(), 4);
		EXPECT_EQ(pgon.mpuid, -i);
	}
}

TEST(RecordConversionFormsTest, NullArgumentsAreIgnored) {
	const PGON_41 p41 = Fixtures::SamplePgon41();
	const EDGE_51 e51 = Fixtures::SampleEdge51();
	Modeler::PGON pgon;
	pgon.status = 7;
	FCPgonFromPgon41(&pgon, nullptr);
	FCPgonFromPgon51(&pgon, nullptr);
	FCPgonFromPgon110(&pgon, nullptr);
	EXPECT_EQ(pgon.status, 7u);
	FCPgonFromPgon41(nullptr, &p41);
	EDGE edge{};
	edge.status = 9;
	FCEdgeFromEdge51(&edge, nullptr);
	EXPECT_EQ(edge.status, 9u);
	FCEdgeFromEdge51(nullptr, &e51);
}

} // namespace
