#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/LightConversion.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

using Bytes = std::vector<char>;
using PlainSwap = std::function<void(Kit::PlatformSign, char*, Int32*, Int32, Kit::PlatformSign)>;
using CheckedSwap = std::function<Int16(Kit::PlatformSign, char*, Int32, Int32*, Int32, Kit::PlatformSign)>;

// One record form: its size, a sample record built in a given byte order, and the plain
// and checked conversions (version-dependent ones bound to one version).
struct FormCase {
	std::string name;
	Int32 size;
	std::function<Bytes(Kit::PlatformSign)> build;
	PlainSwap plain;
	CheckedSwap checked;
};

template <typename Plain, typename Checked>
FormCase Form(std::string name, Int32 size, std::function<Bytes(Kit::PlatformSign)> build, Plain plain,
              Checked checked) {
	return FormCase{
	    std::move(name), size, std::move(build),
	    [plain](Kit::PlatformSign from, char* b, Int32* o, Int32 n, Kit::PlatformSign to) { plain(from, b, o, n, to); },
	    [checked](Kit::PlatformSign from, char* b, Int32 s, Int32* o, Int32 n, Kit::PlatformSign to) {
		    return checked(from, b, s, o, n, to);
	    }};
}

// Binds the version argument of IV_BODY_51 / IV_VERT / IV_VECT.
template <void (*Plain)(Kit::PlatformSign, char*, Int32*, Int32, Int32, Kit::PlatformSign),
          Int16 (*Checked)(Kit::PlatformSign, char*, Int32, Int32*, Int32, Int32, Kit::PlatformSign)>
FormCase VersionedForm(std::string name, Int32 size, Int32 version, std::function<Bytes(Kit::PlatformSign)> build) {
	return FormCase{std::move(name), size, std::move(build),
	                [version](Kit::PlatformSign from, char* b, Int32* o, Int32 n, Kit::PlatformSign to) {
		                Plain(from, b, o, n, version, to);
	                },
	                [version](Kit::PlatformSign from, char* b, Int32 s, Int32* o, Int32 n, Kit::PlatformSign to) {
		                return Checked(from, b, s, o, n, version, to);
	                }};
}

// A fixed-size light: the common part, and for form 700 its UInt32 at +60.
Bytes LghtBytes(const LGHT_455& light, bool withWord, Kit::PlatformSign order) {
	Fixtures::RecordBytes b(order);
	Fixtures::PutLghtCommon(b, light, 0);
	if (withWord) b.At(60).U32(0x8A7B6C5Du);
	return b.Bytes();
}

std::vector<FormCase> AllForms() {
	using namespace Fixtures;
	const std::vector<std::array<float, 3>> floatVert = {{1.5f, -2.75f, 1234.5625f}};
	const std::vector<VERT> doubleVert = {{0.1, -2.5e10, 7.0 / 3.0}};
	return {
	    VersionedForm<IV_BODY_51, IV_BODY_51_Checked>("BODY 41 (4001)", 76, 4001,
	                                                  [](auto o) { return Body41Bytes(SampleBody41(), o); }),
	    VersionedForm<IV_BODY_51, IV_BODY_51_Checked>("BODY 41 (4002)", 76, 4002,
	                                                  [](auto o) { return Body41Bytes(SampleBody41(), o); }),
	    VersionedForm<IV_BODY_51, IV_BODY_51_Checked>("BODY 51", 76, 4008,
	                                                  [](auto o) { return Body51Bytes(SampleBody51(), o); }),
	    Form(
	        "BODY 60", 124, [](auto o) { return Body60Bytes(SampleBody60(), o); }, IV_BODY_60, IV_BODY_60_Checked),
	    Form(
	        "BODY 90", 136, [](auto o) { return Body90Bytes(SampleBody90(), o); }, IV_BODY_90, IV_BODY_90_Checked),
	    Form(
	        "BODY", 140, [](auto o) { return BodyBytes(SampleBody(), o); }, IV_BODY, IV_BODY_Checked),
	    Form(
	        "TRAN", 104, [](auto o) { return TranBytes(SampleTran(), o); }, IV_TRAN, IV_TRAN_Checked),
	    Form(
	        "PGON 41", 24, [](auto o) { return Pgon41Bytes(SamplePgon41(), o); }, IV_PGON_41, IV_PGON_41_Checked),
	    Form(
	        "PGON 51", 28, [](auto o) { return Pgon51Bytes(SamplePgon51(), o); }, IV_PGON_51, IV_PGON_51_Checked),
	    Form(
	        "PGON 110", 32, [](auto o) { return Pgon110Bytes(SamplePgon110(), o); }, IV_PGON_110, IV_PGON_110_Checked),
	    Form(
	        "PGON", 40, [](auto o) { return PgonBytes(SamplePgon(), o); }, IV_PGON, IV_PGON_Checked),
	    Form(
	        "PEDG", 4, [](auto o) { return Int32sBytes({-0x12345678}, o); }, IV_PEDG, IV_PEDG_Checked),
	    Form(
	        "EDGE 51", 20, [](auto o) { return Edge51Bytes(SampleEdge51(), o); }, IV_EDGE_51, IV_EDGE_51_Checked),
	    Form(
	        "EDGE", 24, [](auto o) { return EdgeBytes(SampleEdge(), o); }, IV_EDGE, IV_EDGE_Checked),
	    VersionedForm<IV_VERT, IV_VERT_Checked>("VERT floats (4008)", 12, 4008,
	                                            [floatVert](auto o) { return VertFloatBytes(floatVert, o); }),
	    VersionedForm<IV_VECT, IV_VECT_Checked>("VECT floats (4011)", 12, 4011,
	                                            [floatVert](auto o) { return VertFloatBytes(floatVert, o); }),
	    VersionedForm<IV_VERT, IV_VERT_Checked>("VERT doubles (4012)", 24, 4012,
	                                            [doubleVert](auto o) { return VertDoubleBytes(doubleVert, o); }),
	    VersionedForm<IV_VECT, IV_VECT_Checked>("VECT doubles (4032)", 24, 4032,
	                                            [doubleVert](auto o) { return VertDoubleBytes(doubleVert, o); }),
	    Form(
	        "TEVE", 8,
	        [](auto o) {
		        return TeveBytes({{0.375f, -1e-3f}}, o);
	        },
	        IV_TEVE, IV_TEVE_Checked),
	    Form(
	        "BEXT 51", 36, [](auto o) { return Bext51Bytes(SampleBext51(), o); }, IV_BEXT_51, IV_BEXT_51_Checked),
	    Form(
	        "UFIL", 44, [](auto o) { return UfilBytes("Brick", 0x8001, -12, 1, 288, o); }, IV_UFIL, IV_UFIL_Checked),
	    Form(
	        "UMAT 41", 36, [](auto o) { return Umat41Bytes(3, o); }, IV_UMAT_41, IV_UMAT_41_Checked),
	    Form(
	        "UMAT 455", 70, [](auto o) { return Umat455Bytes(5, o); }, IV_UMAT_455, IV_UMAT_455_Checked),
	    Form(
	        "LGHT 455", 60, [](auto o) { return LghtBytes(SampleLght455(2), false, o); }, IV_LGHT_455,
	        IV_LGHT_455_Checked),
	    Form(
	        "LGHT 700", 64, [](auto o) { return LghtBytes(SampleLght455(3), true, o); }, IV_LGHT_700,
	        IV_LGHT_700_Checked),
	};
}

Bytes Repeat(const Bytes& prefix, const Bytes& record, int times) {
	Bytes all = prefix;
	for (int i = 0; i < times; ++i)
		all.insert(all.end(), record.begin(), record.end());
	return all;
}

// Records built in big-endian order, converted, equal the same records built in
// little-endian order byte for byte: every field has the right offset and width, and
// reserved bytes stay untouched. Converting back gives the original bytes.
TEST(RecordConversionSwapTest, ForeignRecordsBecomeNativeAndBack) {
	const Bytes prefix = {'\x5A', '\x5B', '\x5C', '\x5D', '\x5E', '\x5F', '\x60', '\x61'};
	for (const FormCase& form : AllForms()) {
		SCOPED_TRACE(form.name);
		const Bytes big = form.build(BE);
		const Bytes little = form.build(LE);
		ASSERT_EQ(big.size(), static_cast<USize>(form.size));
		ASSERT_NE(big, little);

		Bytes buffer = Repeat(prefix, big, 3);
		Int32 offset = 8;
		form.plain(BE, buffer.data(), &offset, 3, LE);
		EXPECT_EQ(offset, 8 + 3 * form.size);
		EXPECT_EQ(buffer, Repeat(prefix, little, 3));

		offset = 8;
		form.plain(LE, buffer.data(), &offset, 3, BE);
		EXPECT_EQ(offset, 8 + 3 * form.size);
		EXPECT_EQ(buffer, Repeat(prefix, big, 3));

		// The checked form does the same in a buffer of exactly the right size.
		Bytes exact = Repeat({}, big, 2);
		offset = 0;
		EXPECT_EQ(form.checked(BE, exact.data(), static_cast<Int32>(exact.size()), &offset, 2, LE), 0);
		EXPECT_EQ(offset, 2 * form.size);
		EXPECT_EQ(exact, Repeat({}, little, 2));
	}
}

TEST(RecordConversionSwapTest, SamePlatformOnlyMovesTheOffset) {
	for (const FormCase& form : AllForms()) {
		SCOPED_TRACE(form.name);
		for (Kit::PlatformSign sign : {LE, BE}) {
			const Bytes original = Repeat({}, form.build(sign), 2);
			Bytes buffer = original;
			Int32 offset = 0;
			form.plain(sign, buffer.data(), &offset, 2, sign);
			EXPECT_EQ(offset, 2 * form.size);
			EXPECT_EQ(buffer, original);
		}
	}
}

TEST(RecordConversionSwapTest, DoubleSwapOfArbitraryBytesIsIdentity) {
	std::mt19937 random(20240611u);
	for (const FormCase& form : AllForms()) {
		SCOPED_TRACE(form.name);
		Bytes original(static_cast<USize>(5 * form.size));
		for (char& c : original)
			c = static_cast<char>(random() & 0xFF);
		Bytes buffer = original;
		Int32 offset = 0;
		form.plain(LE, buffer.data(), &offset, 5, BE);
		EXPECT_NE(buffer, original);
		offset = 0;
		form.plain(BE, buffer.data(), &offset, 5, LE);
		EXPECT_EQ(offset, 5 * form.size);
		EXPECT_EQ(buffer, original);
	}
}

// Swapped values read back field by field, for the forms whose layouts are most easily
// confused: the status word of PGON 51 is 16 bits wide, that of PGON 110 32 bits.
TEST(RecordConversionSwapTest, SwappedFieldsReadBackAtTheirOffsets) {
	using Fixtures::NativeAt;
	Bytes pgon51 = Fixtures::Pgon51Bytes(Fixtures::SamplePgon51(), BE);
	Int32 offset = 0;
	IV_PGON_51(BE, pgon51.data(), &offset, 1, LE);
	EXPECT_EQ(NativeAt<UInt16>(pgon51, 0), 0x8031);
	EXPECT_EQ(NativeAt<Int16>(pgon51, 2), 0x0304);
	EXPECT_EQ(NativeAt<Int32>(pgon51, 8), -0x22334455);
	EXPECT_EQ(NativeAt<Int32>(pgon51, 20), 0x52637485);
	EXPECT_EQ(NativeAt<UInt32>(pgon51, 24), 0xDEADBEEFu);

	Bytes pgon110 = Fixtures::Pgon110Bytes(Fixtures::SamplePgon110(), BE);
	offset = 0;
	IV_PGON_110(BE, pgon110.data(), &offset, 1, LE);
	EXPECT_EQ(NativeAt<UInt32>(pgon110, 0), 0x80040021u);
	EXPECT_EQ(NativeAt<Int16>(pgon110, 4), 0x0506);
	EXPECT_EQ(NativeAt<Int16>(pgon110, 6), 0x0708);
	EXPECT_EQ(NativeAt<Int32>(pgon110, 24), 0x53647586);

	Bytes tran = Fixtures::TranBytes(Fixtures::SampleTran(), BE);
	offset = 0;
	IV_TRAN(BE, tran.data(), &offset, 1, LE);
	EXPECT_EQ(NativeAt<UInt16>(tran, 0), 0x8043);
	EXPECT_EQ(NativeAt<Int16>(tran, 6), -0x1D1E);
	EXPECT_EQ(NativeAt<double>(tran, 8), 1.0 / 3.0 - 1e7);
	EXPECT_EQ(NativeAt<double>(tran, 96), 1.0 / 3.0 + 11 * 12.375);
}

// Vertices and normals are three floats up to version 4011 and three doubles from 4012.
TEST(RecordConversionSwapTest, VerticesAreFloatsBelow4012AndDoublesFrom4012) {
	using Fixtures::NativeAt;
	Bytes floats = Fixtures::VertFloatBytes({{1.5f, -2.75f, 3.125f}, {4.0f, 5.5f, -6.25f}}, BE);
	Int32 offset = 0;
	IV_VERT(BE, floats.data(), &offset, 2, 4011, LE);
	EXPECT_EQ(offset, 24);
	EXPECT_EQ(NativeAt<float>(floats, 0), 1.5f);
	EXPECT_EQ(NativeAt<float>(floats, 8), 3.125f);
	EXPECT_EQ(NativeAt<float>(floats, 20), -6.25f);

	Bytes doubles = Fixtures::VertDoubleBytes({{1.5, -2.75, 3.125}, {4.0, 5.5, -6.25}}, BE);
	offset = 0;
	IV_VECT(BE, doubles.data(), &offset, 2, 4012, LE);
	EXPECT_EQ(offset, 48);
	EXPECT_EQ(NativeAt<double>(doubles, 0), 1.5);
	EXPECT_EQ(NativeAt<double>(doubles, 16), 3.125);
	EXPECT_EQ(NativeAt<double>(doubles, 40), -6.25);

	// Doubles handed to the float form are swapped in 4-byte steps: wrong values.
	Bytes misread = Fixtures::VertDoubleBytes({{1.5, -2.75, 3.125}}, BE);
	offset = 0;
	IV_VERT(BE, misread.data(), &offset, 2, 4008, LE);
	EXPECT_NE(NativeAt<double>(misread, 0), 1.5);

	EXPECT_EQ(VertRecordSize(4008), 12);
	EXPECT_EQ(VertRecordSize(4011), 12);
	EXPECT_EQ(VertRecordSize(4012), 24);
}

TEST(RecordConversionSwapTest, SizeHeadersStopAtTheirLength) {
	using Fixtures::NativeAt;
	struct Header {
		const char* name;
		Int32 values;
		void (*plain)(Kit::PlatformSign, char*, Int32*, Kit::PlatformSign);
		Int16 (*checked)(Kit::PlatformSign, char*, Int32, Int32*, Kit::PlatformSign);
	};
	const Header headers[] = {
	    {"MSIZ 41", 13, IV_MSIZ_41, IV_MSIZ_41_Checked},
	    {"MSIZ 51", 15, IV_MSIZ_51, IV_MSIZ_51_Checked},
	    {"MSIZ", 17, IV_MSIZ, IV_MSIZ_Checked},
	};
	for (const Header& h : headers) {
		SCOPED_TRACE(h.name);
		std::vector<Int32> values;
		for (Int32 i = 0; i < 18; ++i)
			values.push_back(4032 + i * 0x01010100);
		Bytes buffer = Fixtures::Int32sBytes(values, BE);
		const Bytes original = buffer;
		Int32 offset = 0;
		h.plain(BE, buffer.data(), &offset, LE);
		EXPECT_EQ(offset, 4 * h.values);
		EXPECT_EQ(NativeAt<Int32>(buffer, 0), 4032);
		EXPECT_EQ(NativeAt<Int32>(buffer, 4 * (h.values - 1)), values[h.values - 1]);
		// The value after the header is not part of it.
		EXPECT_TRUE(std::equal(buffer.begin() + 4 * h.values, buffer.end(), original.begin() + 4 * h.values));

		offset = 0;
		buffer = original;
		EXPECT_EQ(h.checked(BE, buffer.data(), 4 * h.values - 1, &offset, LE), RecordConversionOverrun);
		EXPECT_EQ(offset, 0);
		EXPECT_EQ(buffer, original);
		EXPECT_EQ(h.checked(BE, buffer.data(), 4 * h.values, &offset, LE), RecordConversionNoError);
		EXPECT_EQ(offset, 4 * h.values);
	}
}

// Offsets and counts that do not fit the buffer are refused before anything is touched;
// the buffers are heap blocks of exactly the given size, so a read past them would show
// under the address sanitizer.
TEST(RecordConversionSwapTest, ForgedOffsetsAndCountsAreRefused) {
	constexpr Int32 maxInt = std::numeric_limits<Int32>::max();
	for (const FormCase& form : AllForms()) {
		SCOPED_TRACE(form.name);
		const Bytes original = Repeat({}, form.build(BE), 2);
		const Int32 size = static_cast<Int32>(original.size());
		Bytes buffer = original;

		struct Attempt {
			Int32 offset;
			Int32 count;
			Int16 expected;
		};
		const Attempt refused[] = {
		    {0, 3, RecordConversionOverrun},
		    {1, 2, RecordConversionOverrun},
		    {size + 1, 0, RecordConversionOverrun},
		    {size - form.size + 1, 1, RecordConversionOverrun},
		    {0, maxInt, RecordConversionOverrun},
		    {maxInt - 1, 1, RecordConversionOverrun},
		    {-form.size, 1, RecordConversionBadStructure},
		    {0, -1, RecordConversionBadStructure},
		};
		for (const Attempt& a : refused) {
			Int32 offset = a.offset;
			EXPECT_EQ(form.checked(BE, buffer.data(), size, &offset, a.count, LE), a.expected)
			    << "offset " << a.offset << " count " << a.count;
			EXPECT_EQ(offset, a.offset);
		}
		Int32 offset = 0;
		EXPECT_EQ(form.checked(BE, buffer.data(), -1, &offset, 0, LE), RecordConversionBadStructure);
		EXPECT_EQ(form.checked(BE, nullptr, size, &offset, 1, LE), RecordConversionBadStructure);
		EXPECT_EQ(form.checked(BE, buffer.data(), size, nullptr, 1, LE), RecordConversionBadStructure);
		EXPECT_EQ(buffer, original);

		// An empty range at the very end is fine; so is the last record alone.
		offset = size;
		EXPECT_EQ(form.checked(BE, buffer.data(), size, &offset, 0, LE), RecordConversionNoError);
		EXPECT_EQ(offset, size);
		offset = form.size;
		EXPECT_EQ(form.checked(BE, buffer.data(), size, &offset, 1, LE), RecordConversionNoError);
		EXPECT_EQ(offset, size);
		EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + form.size, original.begin()));
		EXPECT_NE(buffer, original);

		// The plain form ignores what it cannot convert.
		offset = 0;
		form.plain(BE, nullptr, &offset, 1, LE);
		form.plain(BE, buffer.data(), nullptr, 1, LE);
		form.plain(BE, buffer.data(), &offset, -3, LE);
		EXPECT_EQ(offset, 0);
	}
}

// Counts whose byte size wraps around in 32 bits to exactly the buffer size.
TEST(RecordConversionSwapTest, CountsThatWrapIn32BitsAreRefused) {
	Bytes pedg = Fixtures::Int32sBytes({7}, BE);
	Int32 offset = 0;
	EXPECT_EQ(IV_PEDG_Checked(BE, pedg.data(), 4, &offset, 0x40000001, LE), RecordConversionOverrun);
	EXPECT_EQ(offset, 0);

	Bytes teve = Fixtures::TeveBytes({{1.0f, 2.0f}}, BE);
	EXPECT_EQ(IV_TEVE_Checked(BE, teve.data(), 8, &offset, 0x20000001, LE), RecordConversionOverrun);
	EXPECT_EQ(offset, 0);
	EXPECT_EQ(teve, Fixtures::TeveBytes({{1.0f, 2.0f}}, BE));
}

} // namespace
