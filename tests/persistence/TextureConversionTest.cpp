#include "Model3D/persistence/conversion/TextureConversion.h"
#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using Fixtures::CName;
using Fixtures::RecordBytes;
using Bytes = std::vector<char>;

namespace {

constexpr Kit::PlatformSign Native = Kit::Native_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;

enum class Name { Pascal, C, Utf16 };

struct TextureForm {
	const char* label;
	Int32 size;
	Name name;
	void (*plain)(Kit::PlatformSign, char*, Int32*, Int32, Kit::PlatformSign);
	Int16 (*checked)(Kit::PlatformSign, char*, Int32, Int32*, Int32, Kit::PlatformSign);
};

const TextureForm TextureForms[] = {
    {"700", 60, Name::Pascal, IV_RTXT_700, IV_RTXT_700_Checked},
    {"900", 60, Name::C, IV_RTXT_900, IV_RTXT_900_Checked},
    {"130", 540, Name::Utf16, IV_RTXT_130, IV_RTXT_130_Checked},
    {"current", 544, Name::Utf16, IV_RTXT, IV_RTXT_Checked},
};

// Two texture records after a 3-byte lead, so that nothing is aligned. 'converted'
// writes form 700's +14…+19 as 0, as a change of byte order leaves them.
Bytes TextureBytes(const TextureForm& form, Kit::PlatformSign order, bool converted) {
	RecordBytes b(order);
	b.Raw("abc", 3);
	for (Int16 k = 0; k < 2; ++k) {
		const USize at = 3 + USize(k) * USize(form.size);
		b.At(at).U16(UInt16(0x8102 + k)).I16(Int16(0x0120 + k)).F32(1.25f + k).F32(-3.5f).Reserved(2);
		if (form.name == Name::Pascal) {
			b.At(at + 14).I16(converted ? 0 : 0x7172).I32(converted ? 0 : 0x73747576);
			b.At(at + 20).Raw("\x04Wood", 5).Reserved(27);
		} else if (form.name == Name::C) {
			CName(b.Reserved(6).At(at + 20), "Stone");
		} else {
			// The name, its terminator, then units past the name, which are swapped too.
			b.Reserved(6).At(at + 20).U16(u'G').U16(u'\u00e4').U16(0);
			for (UInt16 i = 0; i < 253; ++i)
				b.U16(UInt16(0x0102 + 3 * i));
		}
		b.At(at + (form.size == 544 ? 532 : USize(form.size) - 8)).I16(Int16(0x0203 + k)).I16(-0x0405);
		if (form.size == 544)
			b.I64(0x0102030405060708 + k);
		else
			b.U32(0x0A0B0C0D + UInt32(k));
	}
	return b.Bytes();
}

} // namespace

TEST(TextureConversion, RecordsSwapFieldByField) {
	for (const TextureForm& form : TextureForms) {
		SCOPED_TRACE(form.label);
		const Bytes big = TextureBytes(form, Big, false);
		const Int32 size = Int32(big.size());
		Bytes buffer = big;
		Int32 offset = 3;
		form.plain(Big, buffer.data(), &offset, 2, Native);
		EXPECT_EQ(buffer, TextureBytes(form, Native, true));
		EXPECT_EQ(offset, size);
		// Back: the original, less what the change of byte order cleared.
		offset = 3;
		EXPECT_EQ(form.checked(Native, buffer.data(), size, &offset, 2, Big), RecordConversionNoError);
		EXPECT_EQ(buffer, TextureBytes(form, Big, true));
		EXPECT_EQ(offset, size);
		// The same platform only moves the offset; a range past the buffer changes nothing.
		buffer = big;
		offset = 3;
		form.plain(Big, buffer.data(), &offset, 2, Big);
		EXPECT_EQ(offset, size);
		offset = 4;
		EXPECT_EQ(form.checked(Big, buffer.data(), size, &offset, 2, Native), RecordConversionOverrun);
		EXPECT_EQ(buffer, big);
		EXPECT_EQ(offset, 4);
	}
}

TEST(TextureConversion, PixelBlocksSwapOnlyTheirCounts) {
	const auto blocks = [](const std::vector<Int32>& counts, Kit::PlatformSign order) {
		RecordBytes b(order);
		b.Raw("ab", 2);
		for (const Int32 n : counts)
			b.I32(n).Reserved(USize(std::max(n, 0)));
		return b.Bytes();
	};
	const std::vector<Int32> counts = {5, 0, 0x0102, 3};
	const Bytes big = blocks(counts, Big);
	const Bytes native = blocks(counts, Native);
	const Int32 size = Int32(big.size());
	Bytes buffer = big;
	Int32 offset = 2;
	IV_PICT(Big, buffer.data(), &offset, 4, Native);
	EXPECT_EQ(buffer, native);
	EXPECT_EQ(offset, size);
	// The other way round each count is read before it is converted.
	offset = 2;
	EXPECT_EQ(IV_PICT_Checked(Native, buffer.data(), size, &offset, 4, Big), RecordConversionNoError);
	EXPECT_EQ(buffer, big);
	EXPECT_EQ(offset, size);

	// Every shorter buffer: the blocks that fit are converted, the walk stops at the start
	// of the first that does not, and nothing from there on is touched.
	std::vector<Int32> starts = {2};
	for (const Int32 n : counts)
		starts.push_back(starts.back() + 4 + n);
	for (Int32 cut = 2; cut < size; ++cut) {
		buffer = big;
		offset = 2;
		EXPECT_EQ(IV_PICT_Checked(Big, buffer.data(), cut, &offset, 4, Native), RecordConversionOverrun) << cut;
		EXPECT_EQ(offset, *std::prev(std::upper_bound(starts.begin(), starts.end(), cut))) << cut;
		EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + offset, native.begin())) << cut;
		EXPECT_TRUE(std::equal(buffer.begin() + offset, buffer.end(), big.begin() + offset)) << cut;
	}
	// A negative count is a bad structure; the plain form stops at it too.
	for (const bool checked : {true, false}) {
		buffer = blocks({5, -2, 3}, Big);
		offset = 2;
		if (checked)
			EXPECT_EQ(IV_PICT_Checked(Big, buffer.data(), Int32(buffer.size()), &offset, 3, Native), -1);
		else
			IV_PICT(Big, buffer.data(), &offset, 3, Native);
		EXPECT_EQ(offset, 2 + 4 + 5);
	}
}

TEST(TextureConversion, OldFormsBecomeCurrent) {
	struct NameCase {
		UInt8 length;
		std::string text, expected8;
		std::u16string expected;
	};
	const NameCase names[] = {
	    {31, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"},
	    {0, "", "", u""},
	    {6, "Caf\xE9 \x80", "Caf\xE9 \x80", u"Caf\u00e9 \u20ac"},                    // default code page
	    {200, std::string(31, 'q'), std::string(31, 'q'), std::u16string(31, u'q')}, // length past the field
	};
	for (const NameCase& c : names) {
		SCOPED_TRACE(c.expected8);
		RTXT_700 old;
		std::memset(&old, 0x77, sizeof old); // junk wherever no field is set
		old.status = 0x9003;
		old.pixelDepth = 32;
		old.xSize = 2.5f;
		old.ySize = -0.75f;
		old.name[0] = c.length;
		std::memcpy(old.name + 1, c.text.data(), c.text.size());
		old.pixelWidth = 640;
		old.pixelHeight = -480;
		RTXT_900 t900;
		RTXT_130 t130;
		RTXT texture;
		std::memset(&t900, 0x55, sizeof t900);
		std::memset(&t130, 0x55, sizeof t130);
		std::memset(&texture, 0x55, sizeof texture);
		FCRTXT900FromRTXT700(&t900, &old);
		FCRTXT130FromRTXT900(&t130, &t900);
		FCRTXTFromRTXT130(&texture, &t130);

		// Each form keeps every field the next one has, and what it lacks is 0.
		RTXT expected{};
		expected.status = 0x9003;
		expected.pixelDepth = 32;
		expected.xSize = 2.5f;
		expected.ySize = -0.75f;
		std::copy(c.expected.begin(), c.expected.end(), expected.textureName);
		expected.pixelWidth = 640;
		expected.pixelHeight = -480;
		EXPECT_EQ(std::memcmp(&texture, &expected, sizeof expected), 0);
		RTXT_130 expected130{};
		std::memcpy(&expected130, &expected, sizeof expected130);
		EXPECT_EQ(std::memcmp(&t130, &expected130, sizeof expected130), 0);
		RTXT_900 expected900{0x9003, 32, 2.5f, -0.75f, {}, {}, 640, -480, 0};
		std::copy(c.expected8.begin(), c.expected8.end(), expected900.name);
		EXPECT_EQ(std::memcmp(&t900, &expected900, sizeof expected900), 0);
	}

	// A form-130 name without a terminator is cut to the 255 units the texture holds.
	RTXT_130 full{};
	std::fill(std::begin(full.textureName), std::end(full.textureName), u'n');
	RTXT texture{};
	FCRTXTFromRTXT130(&texture, &full);
	EXPECT_EQ(std::u16string(texture.textureName), std::u16string(255, u'n'));
}
