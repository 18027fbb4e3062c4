#include "Model3D/persistence/conversion/RecordConversion.h"
#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

template <typename Record> Record FromBytes(const std::vector<char>& bytes) {
	EXPECT_EQ(bytes.size(), sizeof(Record));
	Record record;
	std::memcpy(&record, bytes.data(), sizeof(Record));
	return record;
}

// A body filled with non-zero garbage: converters must set every field.
BODY UsedBody() {
	BODY body;
	std::memset(&body, 0x7B, sizeof body);
	return body;
}

void ExpectSampleBox(const BODY& body) {
	const float expected[6] = {-1.5f, -2.75f, -0.125f, 10.5f, 20.25f, 3.0625f};
	for (int i = 0; i < 6; ++i)
		EXPECT_EQ(body.box[i], expected[i]) << "box " << i;
}

// fpgon … lvect as the samples fill them: base + i · 0x01010101.
void ExpectSampleRanges(const BODY& body, Int32 base) {
	const Int32 got[10] = {body.fpgon, body.lpgon, body.fpedg, body.lpedg, body.fedge,
	                       body.ledge, body.fvert, body.lvert, body.fvect, body.lvect};
	for (Int32 i = 0; i < 10; ++i)
		EXPECT_EQ(got[i], base + i * 0x01010101) << "range " << i;
	EXPECT_EQ(body.fspare, 0);
	EXPECT_EQ(body.lspare, -1);
}

void ExpectZero(const Int32* values, int n) {
	for (int i = 0; i < n; ++i)
		EXPECT_EQ(values[i], 0) << "value " << i;
}

// A version-4001 body from either platform: swapped as form 41, moved to form 51, then
// to the current BODY. Its shape type 30500 comes out as 500.
TEST(RecordConversionBodyFormsTest, Body41ThroughForm51) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		std::vector<char> bytes = Fixtures::Body41Bytes(Fixtures::SampleBody41(), order);
		Int32 offset = 0;
		ASSERT_EQ(IV_BODY_51_Checked(order, bytes.data(), static_cast<Int32>(bytes.size()), &offset, 1, 4001, LE), 0);
		const BODY_41 old = FromBytes<BODY_41>(bytes);
		BODY_51 mid;
		std::memset(&mid, 0x7B, sizeof mid);
		FCBody51FromBody41(&mid, &old);
		EXPECT_EQ(mid.btype, 500);
		EXPECT_EQ(mid.fatherBind, 0x1A2B3C4D);

		BODY body = UsedBody();
		FCBodyFromBody51(&body, &mid);
		EXPECT_EQ(body.status, 0x00009001u);
		EXPECT_EQ(body.itran, 0);
		EXPECT_EQ(body.ifill, 0);
		EXPECT_EQ(body.sbkgc, -2);
		EXPECT_EQ(body.fatherBind, 0x1A2B3C4Du);
		EXPECT_EQ(body.btypeOrCut, 500);
		EXPECT_EQ(body.btype, 500);
		EXPECT_EQ(body.edgePenIdx, 0x0102);
		EXPECT_EQ(body.iumat, 0x0304);
		ExpectSampleBox(body);
		ExpectSampleRanges(body, 0x10203040);
		ExpectZero(body.reserved1, 3);
		EXPECT_EQ(body.fteve, 0);
		EXPECT_EQ(body.reserved2, 0);
		EXPECT_EQ(body.wrap, 0);
		ExpectZero(body.coor, 4);
		EXPECT_EQ(body.sconc, 0);
		EXPECT_EQ(body.sfilc, 0);
		EXPECT_EQ(body.sltype, 0);
		EXPECT_EQ(body.filler, 0);
	}

	// Only shape types above 30000 lose the offset.
	for (UInt16 btype : {UInt16(30000), UInt16(29999), UInt16(7)}) {
		Fixtures::Body41Values values = Fixtures::SampleBody41();
		values.btype = btype;
		const BODY_41 old = FromBytes<BODY_41>(Fixtures::Body41Bytes(values, LE));
		BODY_51 mid{};
		FCBody51FromBody41(&mid, &old);
		EXPECT_EQ(mid.btype, static_cast<Int16>(btype));
	}
}

// A version-4008 body: form 51 with its extension record applied on top.
TEST(RecordConversionBodyFormsTest, Body51WithExtension) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		std::vector<char> bodyBytes = Fixtures::Body51Bytes(Fixtures::SampleBody51(), order);
		std::vector<char> bextBytes = Fixtures::Bext51Bytes(Fixtures::SampleBext51(), order);
		Int32 offset = 0;
		IV_BODY_51(order, bodyBytes.data(), &offset, 1, 4008, LE);
		offset = 0;
		IV_BEXT_51(order, bextBytes.data(), &offset, 1, LE);
		const BODY_51 old = FromBytes<BODY_51>(bodyBytes);
		const BEXT_51 ext = FromBytes<BEXT_51>(bextBytes);

		BODY body = UsedBody();
		FCBodyFromBody51(&body, &old);
		EXPECT_EQ(body.status, 0x00009002u);
		EXPECT_EQ(body.btypeOrCut, 0x0506);
		EXPECT_EQ(body.btype, 0x0506);
		EXPECT_EQ(body.fatherBind, 0x2B3C4D5Eu);
		EXPECT_EQ(body.edgePenIdx, 0x0708);
		EXPECT_EQ(body.iumat, 0x090A);
		ExpectSampleBox(body);
		ExpectSampleRanges(body, 0x11213141);

		FCBodyFromBext51(&body, &ext);
		EXPECT_EQ(body.btypeOrCut, 0x0506);
		EXPECT_EQ(body.btype, 0x1314);
		EXPECT_EQ(body.wrap, 0x1516);
		EXPECT_EQ(body.coor[0], 0x4758697A);
		EXPECT_EQ(body.coor[3], -0x778899AA);
		EXPECT_EQ(body.status, 0x00009002u);
		EXPECT_EQ(body.reserved2, 0);
		ExpectSampleRanges(body, 0x11213141);
	}
}

TEST(RecordConversionBodyFormsTest, Body60DropsItsReservedWords) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		std::vector<char> bytes = Fixtures::Body60Bytes(Fixtures::SampleBody60(), order);
		Int32 offset = 0;
		IV_BODY_60(order, bytes.data(), &offset, 1, LE);
		const BODY_60 old = FromBytes<BODY_60>(bytes);
		BODY body = UsedBody();
		FCBodyFromBody60(&body, &old);
		EXPECT_EQ(body.status, 0x80011003u);
		EXPECT_EQ(body.itran, 0x01020304);
		EXPECT_EQ(body.ifill, 0);
		EXPECT_EQ(body.sbkgc, -2);
		EXPECT_EQ(body.fatherBind, 0x090A0B0Cu);
		EXPECT_EQ(body.btypeOrCut, 0x0D0E);
		EXPECT_EQ(body.btype, 0x0D0E);
		EXPECT_EQ(body.edgePenIdx, 0x1112);
		EXPECT_EQ(body.iumat, 0x1314);
		ExpectSampleBox(body);
		ExpectSampleRanges(body, 0x12223242);
		ExpectZero(body.reserved1, 3);
		EXPECT_EQ(body.fteve, 0x14243444);
		EXPECT_EQ(body.reserved2, 0x1516);
		EXPECT_EQ(body.wrap, 0x1718);
		for (Int32 i = 0; i < 4; ++i)
			EXPECT_EQ(body.coor[i], -0x15253545 + i * 0x01010101);
		EXPECT_EQ(body.sconc, 0);
		EXPECT_EQ(body.sfilc, 0);
		EXPECT_EQ(body.sltype, 0);
		EXPECT_EQ(body.filler, 0);

		BODY same = UsedBody();
		FCBodyFromBody601(&same, &old);
		EXPECT_EQ(std::memcmp(&same, &body, sizeof body), 0);
	}
}

TEST(RecordConversionBodyFormsTest, Body90KeepsItsFieldsInPlace) {
	for (Kit::PlatformSign order : {LE, BE}) {
		SCOPED_TRACE(order);
		std::vector<char> bytes = Fixtures::Body90Bytes(Fixtures::SampleBody90(), order);
		Int32 offset = 0;
		IV_BODY_90(order, bytes.data(), &offset, 1, LE);
		const BODY_90 old = FromBytes<BODY_90>(bytes);
		BODY body = UsedBody();
		FCBodyFromBody90(&body, &old);
		EXPECT_EQ(body.status, 0x80021004u);
		EXPECT_EQ(body.itran, 0x21222324);
		EXPECT_EQ(body.ifill, 0x2526);
		EXPECT_EQ(body.sbkgc, -2);
		EXPECT_EQ(body.fatherBind, 0x2728292Au);
		EXPECT_EQ(body.btypeOrCut, 0x2B2C);
		EXPECT_EQ(body.btype, 0x2B2C);
		EXPECT_EQ(body.edgePenIdx, 0x2F30);
		EXPECT_EQ(body.iumat, 0x3132);
		ExpectSampleBox(body);
		ExpectSampleRanges(body, 0x16263646);
		for (Int32 i = 0; i < 3; ++i)
			EXPECT_EQ(body.reserved1[i], 0x17273747 + i * 0x01010101);
		EXPECT_EQ(body.fteve, 0x18283848);
		EXPECT_EQ(body.reserved2, 0x3334);
		EXPECT_EQ(body.wrap, 0x3536);
		EXPECT_EQ(body.coor[0], -0x19293949);
		EXPECT_EQ(body.sconc, 0x3738);
		EXPECT_EQ(body.sfilc, 0x393A);
		EXPECT_EQ(body.sltype, 0);
		EXPECT_EQ(body.filler, 0);
	}
}

// A current body read from a foreign file equals the one written natively.
TEST(RecordConversionBodyFormsTest, CurrentBodySwapsToTheNativeRecord) {
	const BODY sample = Fixtures::SampleBody();
	std::vector<char> bytes = Fixtures::BodyBytes(sample, BE);
	Int32 offset = 0;
	ASSERT_EQ(IV_BODY_Checked(BE, bytes.data(), static_cast<Int32>(bytes.size()), &offset, 1, LE), 0);
	const BODY body = FromBytes<BODY>(bytes);
	EXPECT_EQ(std::memcmp(&body, &sample, sizeof body), 0);
}

} // namespace
