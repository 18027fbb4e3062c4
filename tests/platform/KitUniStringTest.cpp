#include "platform/KitUniString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KitUniString, Utf8AndUtf16RoundTripIncludingSurrogates) {
	// ASCII, Latin-1, a BMP character, an astral one (U+1F600) and the edges of UTF-8.
	const std::string utf8 = "Wall \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \x7F \xF4\x8F\xBF\xBF";
	const Kit::UniString s(utf8);
	ASSERT_EQ(s.GetLength(), 16u);
	EXPECT_EQ(s[5], 0x00E9);
	EXPECT_EQ(s[7], 0x20AC);
	EXPECT_EQ(s[9], 0xD83D);
	EXPECT_EQ(s[10], 0xDE00);
	EXPECT_EQ(s[14], 0xDBFF);
	EXPECT_EQ(s[15], 0xDFFF);
	EXPECT_EQ(s.ToUtf8(), utf8);

	// Every code point survives UTF-16 -> UTF-8 -> UTF-16 (surrogates excluded).
	std::u16string all;
	for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x800 ? 1 : 97)) {
		if (cp >= 0xD800 && cp <= 0xDFFF) continue;
		if (cp >= 0x10000) {
			all += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
			all += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
		} else {
			all += static_cast<char16_t>(cp);
		}
	}
	EXPECT_EQ(Kit::Utf8ToUtf16(Kit::Utf16ToUtf8(all)), all);
}

TEST(KitUniString, InvalidInputBecomesReplacementCharacters) {
	// A lone lead byte, a truncated sequence at the end, an overlong '/', an encoded
	// surrogate and a byte that never starts a sequence.
	EXPECT_EQ(Kit::Utf8ToUtf16("a\xC3"
	                           "b"),
	          u"a\uFFFDb");
	EXPECT_EQ(Kit::Utf8ToUtf16("a\xE2\x82"), u"a\uFFFD");
	EXPECT_EQ(Kit::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");
	EXPECT_EQ(Kit::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");
	EXPECT_EQ(Kit::Utf8ToUtf16("\xFF"
	                           "x"),
	          u"\uFFFDx");
	// Unpaired surrogates in UTF-16.
	const char16_t lone[] = {u'x', 0xD800, u'y', 0xDC00, 0};
	EXPECT_EQ(Kit::Utf16ToUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
	const char16_t highAtEnd[] = {u'x', 0xD83D, 0};
	EXPECT_EQ(Kit::Utf16ToUtf8(highAtEnd), "x\xEF\xBF\xBD");
	EXPECT_EQ(Kit::UniString(static_cast<const char*>(nullptr)).GetLength(), 0u);
}

TEST(KitUniString, CaseInsensitiveComparison) {
	EXPECT_TRUE(Kit::UniString("Brick \xC3\x84").IsEqualNoCase(Kit::UniString("bRICK \xC3\xA4")));
	EXPECT_FALSE(Kit::UniString("Brick").IsEqualNoCase(Kit::UniString("Bricks")));
	// × (U+00D7) and ÷ (U+00F7) are not a case pair.
	EXPECT_FALSE(Kit::UniString("\xC3\x97").IsEqualNoCase(Kit::UniString("\xC3\xB7")));
	// Text after an embedded zero still counts.
	const Kit::UniString a(std::u16string(u"ab\0cd", 5));
	const Kit::UniString b(std::u16string(u"AB\0XY", 5));
	const Kit::UniString c(std::u16string(u"AB\0CD", 5));
	EXPECT_FALSE(a.IsEqualNoCase(b));
	EXPECT_TRUE(a.IsEqualNoCase(c));

	EXPECT_EQ(Kit::ucsicmp(u"abc", u"ABC"), 0);
	EXPECT_LT(Kit::ucsicmp(u"abc", u"ABD"), 0);
	EXPECT_GT(Kit::ucsicmp(u"abcd", u"ABC"), 0);
	EXPECT_LT(Kit::ucsicmp(u"", u"a"), 0);
}

} // namespace
