#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using Fixtures::CName;
using Fixtures::MaterialBody;
using Fixtures::NativeAt;
using Fixtures::RecordBytes;
using Fixtures::UfilBytes;
using Fixtures::Umat41Bytes;
using Fixtures::Umat455Bytes;
using Bytes = std::vector<char>;

namespace {

constexpr Kit::PlatformSign Little = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;
constexpr Kit::PlatformSign Orders[] = {Little, Big};

Bytes Concat(Bytes a, const Bytes& b) {
	a.insert(a.end(), b.begin(), b.end());
	return a;
}

// The 100-byte material record of binary parts. 'cleared' writes the checksum and the
// first reserved word as 0, as a conversion leaves them.
Bytes UmatBinaryBytes(Int16 seed, Int32 texture, Int32 flag, bool cleared, Kit::PlatformSign order) {
	RecordBytes b(order);
	CName(b, "Oak");
	b.At(32);
	MaterialBody(b, seed);
	b.At(66).I16(static_cast<Int16>(seed + 7)).I16(-2).I16(0x1357);
	b.At(72).I32(texture).F32(0.75f).F32(-0.5f);
	b.At(84).I32(flag).I32(cleared ? 0 : 0x11223344).I32(cleared ? 0 : 0x55667788).I32(-9).At(100);
	return b.Bytes();
}

// A parameter tail: head in the tail's own byte order, then n bytes.
Bytes UmatTail(UInt32 n, Kit::PlatformSign order) {
	RecordBytes b(order);
	b.U16(order).I16(21).U32(n).Reserved(n);
	return b.Bytes();
}

// ---- fill definitions --------------------------------------------------------------

struct OldLine {
	double a, b;
	float f1, f2;
	std::vector<double> dashes;
};

const std::vector<OldLine> SampleOldLines = {{1.5, -2.25, 0.5f, 3.0f, {0.1, 0.2, 0.3}}, {7.0, 8.0, -1.0f, 2.0f, {}}};

Bytes Def455(const std::vector<OldLine>& lines, Kit::PlatformSign order, Int32 lengthAdjust = 0,
             Int16 countAdjust = 0) {
	Int32 length = 66;
	for (const OldLine& l : lines)
		length += 26 + 8 * Int32(l.dashes.size());
	RecordBytes b(order);
	b.At(0).I32(length + lengthAdjust);
	const char name[] = "\x05Tiles";
	b.Raw(name, 6).Reserved(26);
	b.At(36).I16(12).I16(-3).At(40).Reserved(8).At(48).F64(0.125).F64(-4.5);
	b.At(64).I16(static_cast<Int16>(Int16(lines.size()) + countAdjust));
	for (const OldLine& l : lines) {
		b.F64(l.a).F64(l.b).F32(l.f1).F32(l.f2).I16(Int16(l.dashes.size()));
		for (const double d : l.dashes)
			b.F64(d);
	}
	return b.Bytes();
}

Bytes Def510(const std::vector<OldLine>& lines, Int32 time, Kit::PlatformSign order, Int16 countAdjust = 0) {
	Int32 length = 80;
	for (const OldLine& l : lines)
		length += 32 + 8 * Int32(l.dashes.size());
	RecordBytes b(order);
	b.At(0).I32(length);
	CName(b, "Stripes");
	b.At(36).I16(14).I16(5).I32(time).I16(-77).I16(3).At(48).Reserved(8).At(56).F64(2.0).F64(0.5);
	b.At(72).I16(static_cast<Int16>(Int16(lines.size()) + countAdjust)).Reserved(6);
	for (const OldLine& l : lines) {
		b.F64(l.a).F64(l.b).F32(l.f1).F32(l.f2).I16(Int16(l.dashes.size())).Reserved(6);
		for (const double d : l.dashes)
			b.F64(d);
	}
	return b.Bytes();
}

struct Counts {
	Int32 hotSpots = 0, lines = 0, arcs = 0, polygons = 0;
};

// The 152-byte header of a current definition.
void CurrentHeader(RecordBytes& b, Int32 length, Int32 time, Int16 type, const Counts& c) {
	b.At(0).I32(length);
	CName(b, "Herringbone");
	b.At(36).I16(9).I16(0x0102).I32(time).I16(-1234).I16(77).At(48).Reserved(8);
	for (int i = 0; i < 7; ++i)
		b.F64(1.0 + i * 0.5);
	b.At(112).I16(type).I16(250).Reserved(4).At(120).I32(c.hotSpots).I32(c.lines).I32(c.arcs).I32(c.polygons);
	b.Reserved(16).At(152);
}

struct Line {
	double values[5];
	std::vector<double> dashes;
};

const std::vector<Line> SampleLines = {{{1, 2, 3, 4, 5}, {}}, {{0.5, -0.5, 9, 8.25, 1e-3}, {1.0, -2.0, 4.5}}};

Bytes DefVector(const std::vector<Line>& lines, Int32 time, Kit::PlatformSign order, Int16 type = 0) {
	Int32 length = 152;
	for (const Line& l : lines)
		length += 48 + 8 * Int32(l.dashes.size());
	RecordBytes b(order);
	CurrentHeader(b, length, time, type, Counts{0, Int32(lines.size()), 0, 0});
	for (const Line& l : lines) {
		for (const double v : l.values)
			b.F64(v);
		b.I16(Int16(l.dashes.size())).Reserved(6);
		for (const double d : l.dashes)
			b.F64(d);
	}
	return b.Bytes();
}

// A symbol fill: 2 hotspots, 1 line, 1 arc, 2 polygons (3 coordinates, 1 contour end,
// 1 arc item; then 0 coordinates, 0 contour ends, no arcs).
Bytes DefSymbol(Kit::PlatformSign order) {
	const Int32 length = 152 + 2 * 16 + 32 + 40 + (16 + 3 * 16 + 4 + 16) + 16;
	RecordBytes b(order);
	CurrentHeader(b, length, 0x01020304, 1, Counts{2, 1, 1, 2});
	for (int i = 0; i < 2 * 2 + 4 + 5; ++i)
		b.F64(0.25 * i - 1.0);
	b.I32(2).I32(0).I32(1).Reserved(4);
	for (int i = 0; i < 6; ++i)
		b.F64(i * 1.5);
	b.I32(2).I32(0).I32(2).F64(3.14159);
	b.I32(-1).I32(-1).I32(0).Reserved(4);
	b.At(USize(length));
	return b.Bytes();
}

// A plain fill: the header and 136 bytes that stay as they are.
Bytes DefPlain(Kit::PlatformSign order) {
	RecordBytes b(order);
	CurrentHeader(b, 288, 42, 2, Counts{});
	b.Reserved(136).At(288);
	return b.Bytes();
}

using FillSwap = Int16 (*)(Kit::PlatformSign, char*, Int32*, Int32, Int32, Kit::PlatformSign);

// Converts the block (placed after a 3-byte lead, so that nothing is aligned) and
// returns the converted block; *offset ends where the conversion left it.
Bytes SwapBlock(const Bytes& block, Int32 version, Kit::PlatformSign from, Kit::PlatformSign to, Int16* result,
                Int32* endOffset) {
	Bytes buffer = Concat(Bytes{'x', 'y', 'z'}, block);
	Int32 offset = 3;
	*result = IV_FIDE(from, buffer.data(), &offset, Int32(block.size()), version, to);
	*endOffset = offset;
	return Bytes(buffer.begin() + 3, buffer.end());
}

} // namespace

TEST(AttributeConversion, UfilSwapsFieldByField) {
	Bytes little = Concat(UfilBytes("Brick", 0x8001, -12, 1, 288, Little), UfilBytes("", 2, 3, 289, 152, Little));
	const Bytes big = Concat(UfilBytes("Brick", 0x8001, -12, 1, 288, Big), UfilBytes("", 2, 3, 289, 152, Big));
	Bytes buffer = little;
	Int32 offset = 0;
	IV_UFIL(Little, buffer.data(), &offset, 2, Big);
	EXPECT_EQ(offset, 88);
	EXPECT_EQ(buffer, big);
	offset = 0;
	EXPECT_EQ(IV_UFIL_Checked(Big, buffer.data(), Int32(buffer.size()), &offset, 2, Little), RecordConversionNoError);
	EXPECT_EQ(offset, 88);
	EXPECT_EQ(buffer, little);
	// Same byte order: nothing changes, the offset moves.
	offset = 44;
	IV_UFIL(Little, buffer.data(), &offset, 1, Little);
	EXPECT_EQ(offset, 88);
	EXPECT_EQ(buffer, little);

	// A count that runs past the buffer, negative counts and offsets change nothing.
	offset = 44;
	EXPECT_EQ(IV_UFIL_Checked(Little, buffer.data(), Int32(buffer.size()), &offset, 2, Big), RecordConversionOverrun);
	EXPECT_EQ(IV_UFIL_Checked(Little, buffer.data(), Int32(buffer.size()), &offset, 0x7FFFFFFF, Big),
	          RecordConversionOverrun);
	EXPECT_EQ(IV_UFIL_Checked(Little, buffer.data(), Int32(buffer.size()), &offset, -1, Big),
	          RecordConversionBadStructure);
	EXPECT_EQ(offset, 44);
	EXPECT_EQ(buffer, little);
}

TEST(AttributeConversion, OldMaterialsSwapAndConvert) {
	// Form 41: swapped, then turned into a material field by field.
	Bytes buffer = Concat(Umat41Bytes(1, Big), Umat41Bytes(2, Big));
	Int32 offset = 0;
	ASSERT_EQ(IV_UMAT_41_Checked(Big, buffer.data(), Int32(buffer.size()), &offset, 2, Little),
	          RecordConversionNoError);
	EXPECT_EQ(offset, 72);
	EXPECT_EQ(buffer, Concat(Umat41Bytes(1, Little), Umat41Bytes(2, Little)));
	EXPECT_EQ(IV_UMAT_41_Checked(Big, buffer.data(), Int32(buffer.size()) - 1, &offset, 2, Little),
	          RecordConversionOverrun);

	UMAT_41 old41;
	std::memcpy(&old41, buffer.data() + 36, sizeof old41);
	UMAT m;
	m.params.PushEntry("stale", Kit::PropertyListTypes::Int, Kit::PropertyListTypes::Scalar);
	m.SetTexuretIdx(9);
	m.hostWord2 = 5;
	m.paramChecksum = m.reserved1 = m.reserved2 = 1;
	FCUmatFromUmat41(&m, &old41);
	EXPECT_EQ(m.name[0], '\0');
	EXPECT_EQ(m.hostMaterialIdx, 9);
	EXPECT_EQ(m.materialType, 3);
	EXPECT_EQ(m.surfaceColor, (Kit::RGBColor{0x8120, 0x8121, 0x8122}));
	EXPECT_EQ(m.ambientPc, 200);
	EXPECT_EQ(m.diffusePc, 201);
	EXPECT_EQ(m.specularPc, 202);
	EXPECT_EQ(m.transparencyPc, 203);
	EXPECT_EQ(m.shininess, 204);
	EXPECT_EQ(m.transparencyAtt, 205);
	EXPECT_EQ(m.specularColor, (Kit::RGBColor{0xC220, 0xC221, 0xC222}));
	EXPECT_EQ(m.emissionColor, (Kit::RGBColor{0xC223, 0xC224, 0xC225}));
	EXPECT_EQ(m.emissionAtt, -2);
	EXPECT_EQ(m.fillRef, 0);
	EXPECT_EQ(m.hostWord2, 0);
	EXPECT_EQ(m.GetTexuretIdx(), 0);
	EXPECT_EQ(m.textureCos, 0.0f);
	EXPECT_EQ(m.textureSin, 0.0f);
	EXPECT_EQ(m.paramChecksum, 0);
	EXPECT_EQ(m.reserved1, 0);
	EXPECT_EQ(m.reserved2, 0);
	EXPECT_EQ(m.params.GetEntryNum(), 0u);

	// Form 455: the first 70 bytes of the material.
	buffer = Umat455Bytes(4, Big);
	offset = 0;
	IV_UMAT_455(Big, buffer.data(), &offset, 1, Little);
	EXPECT_EQ(offset, 70);
	EXPECT_EQ(buffer, Umat455Bytes(4, Little));
	UMAT_455 old455;
	std::memcpy(&old455, buffer.data(), sizeof old455);
	m.params.PushEntry("stale", Kit::PropertyListTypes::Int, Kit::PropertyListTypes::Scalar);
	m.SetTexuretIdx(9);
	m.hostWord2 = 5;
	m.textureSin = 1.0f;
	FCUmatFromUmat455(&m, &old455);
	EXPECT_STREQ(m.name, "Glass");
	EXPECT_EQ(m.materialType, 5);
	EXPECT_EQ(m.surfaceColor, (Kit::RGBColor{0x8140, 0x8141, 0x8142}));
	EXPECT_EQ(m.shininess, 404);
	EXPECT_EQ(m.emissionColor, (Kit::RGBColor{0xC243, 0xC244, 0xC245}));
	EXPECT_EQ(m.emissionAtt, -4);
	EXPECT_EQ(m.hostMaterialIdx, 11);
	EXPECT_EQ(m.fillRef, -6);
	EXPECT_EQ(m.hostWord2, 0);
	EXPECT_EQ(m.GetTexuretIdx(), 0);
	EXPECT_EQ(m.textureSin, 0.0f);
	EXPECT_EQ(m.params.GetEntryNum(), 0u);
}

TEST(AttributeConversion, CurrentMaterialsWithTails) {
	// Two foreign records, the first with a 24-byte parameter tail.
	const Bytes tail = UmatTail(24, Big);
	const Bytes big = Concat(Concat(UmatBinaryBytes(1, 3, 1, false, Big), tail), UmatBinaryBytes(2, 0, 0, false, Big));
	Bytes buffer = big;
	Int32 offset = 0;
	ASSERT_EQ(IV_UMAT(Big, buffer.data(), Int32(buffer.size()), 4030, &offset, 2, 10, Little), 0);
	EXPECT_EQ(offset, 100 + 8 + 24 + 100);
	const Bytes little =
	    Concat(Concat(UmatBinaryBytes(1, 3, 1, true, Little), tail), UmatBinaryBytes(2, 0, 0, true, Little));
	EXPECT_EQ(buffer, little);

	// Back to the other platform: the same records, the tail kept as it is.
	offset = 0;
	ASSERT_EQ(IV_UMAT(Little, buffer.data(), Int32(buffer.size()), 4030, &offset, 2, 10, Big), 0);
	EXPECT_EQ(buffer, Concat(Concat(UmatBinaryBytes(1, 3, 1, true, Big), tail), UmatBinaryBytes(2, 0, 0, true, Big)));

	// A tail from this platform inside a foreign record; up to 4023 a set flag has no tail.
	buffer = Concat(UmatBinaryBytes(1, 3, 1, false, Big), UmatTail(5, Little));
	offset = 0;
	ASSERT_EQ(IV_UMAT(Big, buffer.data(), Int32(buffer.size()), 4024, &offset, 1, 10, Little), 0);
	EXPECT_EQ(offset, 113);
	buffer = Concat(UmatBinaryBytes(1, 3, 1, false, Big), UmatBinaryBytes(2, 4, 1, false, Big));
	offset = 0;
	ASSERT_EQ(IV_UMAT(Big, buffer.data(), Int32(buffer.size()), 4023, &offset, 2, 10, Little), 0);
	EXPECT_EQ(offset, 200);
	EXPECT_EQ(buffer, Concat(UmatBinaryBytes(1, 3, 1, true, Little), UmatBinaryBytes(2, 4, 1, true, Little)));
}

TEST(AttributeConversion, MaterialTextureIndexRule) {
	// textureCount 10: indices 0..11 are acceptable after conversion.
	struct Case {
		Int32 stored;   // as the foreign record holds it (written big-endian)
		Int32 expected; // after conversion to this platform
	};
	const Case cases[] = {
	    {11, 11},                // in range
	    {ByteSwap(Int32(3)), 3}, // already in this byte order: converted back
	    {12, 0},                 // out of range either way
	    {-1, 0},                 // negative either way
	    {0x7FFF0000, 0},         // 0x0000FF7F converted, 0x7FFF0000 back: both out of range
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.stored);
		Bytes buffer = UmatBinaryBytes(1, c.stored, 0, false, Big);
		Int32 offset = 0;
		ASSERT_EQ(IV_UMAT(Big, buffer.data(), Int32(buffer.size()), 4030, &offset, 1, 10, Little), 0);
		EXPECT_EQ(NativeAt<Int32>(buffer, 72), c.expected);
	}
	// Converting away from this platform applies no range rule.
	Bytes buffer = UmatBinaryBytes(1, 500, 0, false, Little);
	Int32 offset = 0;
	ASSERT_EQ(IV_UMAT(Little, buffer.data(), Int32(buffer.size()), 4030, &offset, 1, 10, Big), 0);
	EXPECT_EQ(NativeAt<Int32>(buffer, 72), ByteSwap(Int32(500)));
}

TEST(AttributeConversion, MaterialForgedTailsAreRefused) {
	const Bytes first = UmatBinaryBytes(1, 3, 0, false, Big);
	const Bytes second = UmatBinaryBytes(2, 3, 1, false, Big);
	for (const UInt32 forged : {UInt32(25), UInt32(0x7FFFFFFF), UInt32(0xFFFFFFFF)}) {
		SCOPED_TRACE(forged);
		const Bytes original = Concat(Concat(first, second), UmatTail(24, Big));
		Bytes buffer = original;
		const UInt32 count = ByteSwap(forged);
		std::memcpy(buffer.data() + 200 + 4, &count, 4);
		const Bytes forgedBytes = buffer;
		Int32 offset = 0;
		EXPECT_EQ(IV_UMAT(Big, buffer.data(), Int32(buffer.size()), 4030, &offset, 2, 10, Little), -1);
		// The first record is converted; the offset stays at the failing one, untouched.
		EXPECT_EQ(offset, 100);
		EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 100), UmatBinaryBytes(1, 3, 0, true, Little));
		EXPECT_EQ(Bytes(buffer.begin() + 100, buffer.end()), Bytes(forgedBytes.begin() + 100, forgedBytes.end()));
	}
	// A record or a tail head cut by the buffer's end; bad arguments.
	Bytes buffer = Concat(first, second);
	Int32 offset = 0;
	EXPECT_EQ(IV_UMAT(Big, buffer.data(), 199, 4030, &offset, 2, 10, Little), -1);
	EXPECT_EQ(offset, 100);
	offset = 0;
	EXPECT_EQ(IV_UMAT(Big, buffer.data(), 200, 4030, &offset, 2, 10, Little), -1);
	offset = 0;
	EXPECT_EQ(IV_UMAT(Big, buffer.data(), 200, 4030, &offset, -1, 10, Little), -1);
	EXPECT_EQ(IV_UMAT(Big, nullptr, 200, 4030, &offset, 1, 10, Little), -1);
	offset = -4;
	EXPECT_EQ(IV_UMAT(Big, buffer.data(), 200, 4030, &offset, 1, 10, Little), -1);
}

TEST(AttributeConversion, FillDefinitionsOfEveryForm) {
	struct Form {
		const char* what;
		Int32 version;
		Bytes little;
		Bytes big;
	};
	// Fields cleared by the conversion are written as 0 here.
	const Form forms[] = {
	    {"455", 4008, Concat(Def455(SampleOldLines, Little), Def455({}, Little)),
	     Concat(Def455(SampleOldLines, Big), Def455({}, Big))},
	    {"510", 4012, Concat(Def510(SampleOldLines, 0, Little), Def510({}, 0, Little)),
	     Concat(Def510(SampleOldLines, 0, Big), Def510({}, 0, Big))},
	    {"vector", 4019, DefVector(SampleLines, 0, Little), DefVector(SampleLines, 0, Big)},
	    {"vector, time", 4030, DefVector(SampleLines, 0x0A0B0C0D, Little), DefVector(SampleLines, 0x0A0B0C0D, Big)},
	    {"symbol", 4032, DefSymbol(Little), DefSymbol(Big)},
	    {"plain", 4032, DefPlain(Little), DefPlain(Big)},
	    {"mixed", 4032, Concat(Concat(DefPlain(Little), DefSymbol(Little)), DefVector(SampleLines, 5, Little)),
	     Concat(Concat(DefPlain(Big), DefSymbol(Big)), DefVector(SampleLines, 5, Big))},
	};
	for (const Form& f : forms) {
		SCOPED_TRACE(f.what);
		Int16 result = 1;
		Int32 end = 0;
		const Bytes big = SwapBlock(f.little, f.version, Little, Big, &result, &end);
		EXPECT_EQ(result, 0);
		EXPECT_EQ(end, 3 + Int32(f.little.size()));
		EXPECT_EQ(big, f.big);
		EXPECT_EQ(SwapBlock(big, f.version, Big, Little, &result, &end), f.little);
		EXPECT_EQ(result, 0);
		// Within one byte order nothing changes, but the block is still walked.
		EXPECT_EQ(SwapBlock(f.little, f.version, Little, Little, &result, &end), f.little);
		EXPECT_EQ(result, 0);
		EXPECT_EQ(end, 3 + Int32(f.little.size()));
	}

	// The dispatch by version equals the form functions.
	Bytes block = Def510(SampleOldLines, 0, Big);
	Int32 offset = 0;
	EXPECT_EQ(FCSwapFillDef510(Big, block.data(), &offset, Int32(block.size()), Little), 0);
	EXPECT_EQ(block, Def510(SampleOldLines, 0, Little));
	block = Def455(SampleOldLines, Big);
	offset = 0;
	EXPECT_EQ(FCSwapFillDef455(Big, block.data(), &offset, Int32(block.size()), Little), 0);
	EXPECT_EQ(block, Def455(SampleOldLines, Little));

	// The old time words are cleared: +40 of form 510, and of current forms before 4020.
	Int16 result = 1;
	Int32 end = 0;
	EXPECT_EQ(SwapBlock(Def510(SampleOldLines, 99, Big), 4012, Big, Little, &result, &end),
	          Def510(SampleOldLines, 0, Little));
	EXPECT_EQ(SwapBlock(DefVector(SampleLines, 99, Big), 4019, Big, Little, &result, &end),
	          DefVector(SampleLines, 0, Little));
	EXPECT_EQ(SwapBlock(DefVector(SampleLines, 99, Big), 4020, Big, Little, &result, &end),
	          DefVector(SampleLines, 99, Little));
}

TEST(AttributeConversion, ForgedFillDefinitionsAreRefused) {
	// Writes a forged value at 'at' in the block's byte order.
	const auto forge = [](Bytes bytes, USize at, auto value, Kit::PlatformSign order) {
		if (order != Little) value = ByteSwap(value);
		std::memcpy(bytes.data() + at, &value, sizeof value);
		return bytes;
	};
	struct Forgery {
		const char* what;
		Int32 version;
		std::function<Bytes(Kit::PlatformSign)> make;
	};
	const Forgery forgeries[] = {
	    {"455 count beyond length", 4008, [](auto o) { return Def455(SampleOldLines, o, 0, 1); }},
	    {"455 negative count", 4008, [](auto o) { return Def455(SampleOldLines, o, 0, -3); }},
	    {"455 length beyond block", 4008, [](auto o) { return Def455(SampleOldLines, o, 8); }},
	    {"455 length below header", 4008, [&](auto o) { return forge(Def455({}, o), 0, Int32(10), o); }},
	    {"455 dash count beyond length", 4008,
	     [&](auto o) { return forge(Def455(SampleOldLines, o), 66 + 24, Int16(4), o); }},
	    {"510 count beyond length", 4012, [](auto o) { return Def510(SampleOldLines, 0, o, 1); }},
	    {"510 negative dash count", 4012,
	     [&](auto o) { return forge(Def510(SampleOldLines, 0, o), 80 + 24, Int16(-1), o); }},
	    {"vector count", 4030, [&](auto o) { return forge(DefVector(SampleLines, 0, o), 124, Int32(1000), o); }},
	    {"vector negative count", 4030, [&](auto o) { return forge(DefVector(SampleLines, 0, o), 124, Int32(-1), o); }},
	    {"vector dash count", 4030, [&](auto o) { return forge(DefVector(SampleLines, 0, o), 240, Int16(4), o); }},
	    {"vector negative dashes", 4030,
	     [&](auto o) { return forge(DefVector(SampleLines, 0, o), 240, Int16(-2), o); }},
	    {"zero length", 4030, [&](auto o) { return forge(DefVector(SampleLines, 0, o), 0, Int32(0), o); }},
	    {"symbol polygons", 4032, [&](auto o) { return forge(DefSymbol(o), 132, Int32(3), o); }},
	    {"symbol arcs", 4032, [&](auto o) { return forge(DefSymbol(o), 128, Int32(0x7FFFFFFF), o); }},
	    {"symbol coordinates", 4032, [&](auto o) { return forge(DefSymbol(o), 256, Int32(1000), o); }},
	    {"symbol coordinates below -1", 4032, [&](auto o) { return forge(DefSymbol(o), 256, Int32(-2), o); }},
	    {"symbol polygon arcs", 4032, [&](auto o) { return forge(DefSymbol(o), 264, Int32(-1), o); }},
	    {"tail shorter than a length", 4032,
	     [](auto) {
		     return Bytes{'a', 'b', 'c'};
	     }},
	};
	for (const Forgery& f : forgeries) {
		SCOPED_TRACE(f.what);
		for (const Kit::PlatformSign from : Orders) {
			const Bytes block = f.make(from);
			for (const Kit::PlatformSign to : Orders) {
				Int16 result = 0;
				Int32 end = -1;
				EXPECT_EQ(SwapBlock(block, f.version, from, to, &result, &end), block);
				EXPECT_EQ(result, -1);
				EXPECT_EQ(end, 3);
			}
		}
	}

	// A bad definition after a good one: the good one is converted, the offset stays.
	const Bytes block = Concat(DefVector(SampleLines, 0, Big), Bytes{0, 0});
	Int16 result = 0;
	Int32 end = -1;
	const Bytes after = SwapBlock(block, 4030, Big, Little, &result, &end);
	EXPECT_EQ(result, -1);
	EXPECT_EQ(end, 3);
	EXPECT_EQ(after, Concat(DefVector(SampleLines, 0, Little), Bytes{0, 0}));

	// Bad arguments.
	Bytes buffer = DefPlain(Little);
	Int32 offset = 0;
	EXPECT_EQ(IV_FIDE(Little, buffer.data(), &offset, -1, 4030, Big), -1);
	EXPECT_EQ(IV_FIDE(Little, nullptr, &offset, 288, 4030, Big), -1);
	EXPECT_EQ(IV_FIDE(Little, buffer.data(), nullptr, 288, 4030, Big), -1);
	// An empty block is fine.
	EXPECT_EQ(IV_FIDE(Little, buffer.data(), &offset, 0, 4030, Big), 0);
	EXPECT_EQ(offset, 0);
	EXPECT_EQ(buffer, DefPlain(Little));
}
