#include "platform/KitText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(SvcText, CaseTypeZeroIgnoresCaseForNames) {
	EXPECT_EQ(CHCompareTexts("Brick Wall", "BRICK wall", 0), 0);
	EXPECT_NE(CHCompareTexts("Brick Wall", "BRICK wall", CHCaseSensitive), 0);
	// Latin-1 letters of the default code page: "Ärmel" / "ärmel", and Œ / œ.
	EXPECT_EQ(CHCompareTexts("\xC4rmel", "\xE4rmel", 0), 0);
	EXPECT_EQ(CHCompareTexts("\x8C", "\x9C", 0), 0);
	EXPECT_NE(CHCompareTexts("\xC4rmel", "\xE4rmel", CHCaseSensitive), 0);
	// × and ÷ are not a case pair even though they sit 0x20 apart.
	EXPECT_NE(CHCompareTexts("\xD7", "\xF7", 0), 0);
	// Ordering is by folded bytes, unsigned; a prefix sorts first.
	EXPECT_LT(CHCompareTexts("abc", "ABD", 0), 0);
	EXPECT_GT(CHCompareTexts("abcd", "ABC", 0), 0);
	EXPECT_GT(CHCompareTexts("\xE9", "z", CHCaseSensitive), 0);
	EXPECT_EQ(CHCompareTexts(nullptr, "", 0), 0);
	EXPECT_LT(CHCompareTexts(nullptr, "a", 0), 0);

	EXPECT_EQ(CHCompareASCII("Width", "wIDTH", 0), 0);
	EXPECT_NE(CHCompareASCII("\xC4", "\xE4", 0), 0);
	EXPECT_NE(CHCompareASCII("Width", "wIDTH", CHCaseSensitive), 0);
}

TEST(SvcText, PascalAndCRoundTrip) {
	char buffer[300];
	std::strcpy(buffer, "Texture name");
	CHc2pascal(buffer);
	EXPECT_EQ(static_cast<UInt8>(buffer[0]), 12u);
	EXPECT_EQ(std::memcmp(buffer + 1, "Texture name", 12), 0);
	CHpascal2c(buffer);
	EXPECT_STREQ(buffer, "Texture name");

	// Longer than a length byte can say: cut to 255.
	std::memset(buffer, 'x', 280);
	buffer[280] = '\0';
	CHc2pascal(buffer);
	EXPECT_EQ(static_cast<UInt8>(buffer[0]), 255u);
	CHpascal2c(buffer, sizeof buffer);
	EXPECT_EQ(std::strlen(buffer), 255u);

	// A length byte that claims more than the field holds stays inside the field.
	char field[8] = {char(200), 'a', 'b', 'c', 'd', 'e', 'f', 'g'};
	CHpascal2c(field, sizeof field);
	EXPECT_STREQ(field, "abcdefg");

	char empty[1] = {0};
	CHpascal2c(empty, 1);
	EXPECT_EQ(empty[0], 0);
}

TEST(SvcText, TruncateAndCopyStayInsideTheirBuffers) {
	char name[40];
	std::memset(name, 'n', sizeof name); // no terminator at all
	CHTruncate(name, 32);
	EXPECT_EQ(std::strlen(name), 31u);
	std::strcpy(name, "short");
	CHTruncate(name, 32);
	EXPECT_STREQ(name, "short");

	char small[6];
	EXPECT_EQ(CHCopyC("material", small, sizeof small), 5u);
	EXPECT_STREQ(small, "mater");
	EXPECT_EQ(CHCopyC(nullptr, small, sizeof small), 0u);
	EXPECT_STREQ(small, "");
	EXPECT_EQ(CHCopyC("x", small, 0), 0u);
}

TEST(SvcText, AnsiToUnicodeUsesTheDefaultCodePage) {
	UniChar out[8];
	EXPECT_EQ(CHANSI2Unicode("\x80"
	                         "A\xE9\x9F",
	                         -1, out, 8),
	          4);
	EXPECT_EQ(out[0], 0x20AC); // euro sign
	EXPECT_EQ(out[1], u'A');
	EXPECT_EQ(out[2], 0x00E9);
	EXPECT_EQ(out[3], 0x0178);
	EXPECT_EQ(out[4], 0);

	// Bounded by the source length, the terminator and the destination.
	EXPECT_EQ(CHANSI2Unicode("abcdef", 3, out, 8), 3);
	EXPECT_EQ(out[3], 0);
	EXPECT_EQ(CHANSI2Unicode("abcdefghijkl", -1, out, 8), 7);
	EXPECT_EQ(out[7], 0);

	// Every non-zero byte survives the round trip through UTF-16.
	char all[256];
	for (int i = 1; i < 256; ++i)
		all[i - 1] = static_cast<char>(i);
	all[255] = '\0';
	UniChar wide[256];
	ASSERT_EQ(CHANSI2Unicode(all, -1, wide, 256), 255);
	char back[256];
	ASSERT_EQ(CHUnicode2ANSI(wide, -1, back, 256), 255);
	EXPECT_EQ(std::memcmp(all, back, 256), 0);

	// Characters outside the code page, a surrogate pair among them, become one '?' each.
	const UniChar foreign[] = {0x4E2D, u'x', 0xD83D, 0xDE00, 0};
	EXPECT_EQ(CHUnicode2ANSI(foreign, -1, back, 8), 3);
	EXPECT_STREQ(back, "?x?");
}

} // namespace
