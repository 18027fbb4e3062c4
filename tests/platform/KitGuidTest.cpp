#include "platform/KitGuid.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <unordered_set>

namespace {

TEST(KitGuid, TextRoundTripAndAcceptedForms) {
	for (int i = 0; i < 100; ++i) {
		const Kit::Guid g = Kit::Guid::Generate();
		const std::string text = g.ToString();
		ASSERT_EQ(text.size(), 38u);
		Kit::Guid back;
		ASSERT_TRUE(Kit::Guid::FromString(text.c_str(), back)) << text;
		ASSERT_EQ(back, g);
		// Without braces and in lower case it reads the same.
		std::string lower = text.substr(1, 36);
		for (char& c : lower)
			c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
		Kit::Guid fromLower;
		ASSERT_TRUE(Kit::Guid::FromString(lower.c_str(), fromLower)) << lower;
		ASSERT_EQ(fromLower, g);
	}

	Kit::Guid known;
	ASSERT_TRUE(Kit::Guid::FromString("{01234567-89AB-CDEF-0123-456789ABCDEF}", known));
	EXPECT_EQ(known.data1, 0x01234567u);
	EXPECT_EQ(known.data2, 0x89ABu);
	EXPECT_EQ(known.data3, 0xCDEFu);
	EXPECT_EQ(known.data4[0], 0x01);
	EXPECT_EQ(known.data4[7], 0xEF);
	EXPECT_EQ(known.ToString(), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
	EXPECT_EQ(Kit::NULLGuid.ToString(), "{00000000-0000-0000-0000-000000000000}");
}

TEST(KitGuid, MalformedTextIsRefusedAndLeavesTheResultAlone) {
	const Kit::Guid original = Kit::Guid::Generate();
	for (const char* bad : {"", "{}", "01234567-89AB-CDEF-0123-456789ABCDE", // one digit short
	                        "01234567-89AB-CDEF-0123-456789ABCDEFF",         // one too many
	                        "0123456789AB-CDEF-0123-456789ABCDEF--", "0123456G-89AB-CDEF-0123-456789ABCDEF",
	                        "{01234567-89AB-CDEF-0123-456789ABCDEF", "01234567+89AB-CDEF-0123-456789ABCDEF",
	                        "0-234567-89AB-CDEF-0123-456789ABCDEF"}) {
		Kit::Guid result = original;
		EXPECT_FALSE(Kit::Guid::FromString(bad, result)) << bad;
		EXPECT_EQ(result, original) << bad;
	}
	Kit::Guid result;
	EXPECT_FALSE(Kit::Guid::FromString(nullptr, result));
}

TEST(KitGuid, ByteOrderConversionSwapsTheIntegerFieldsOnly) {
	Kit::Guid g;
	ASSERT_TRUE(Kit::Guid::FromString("{01234567-89AB-CDEF-0123-456789ABCDEF}", g));
	Kit::Guid swapped = g;
	swapped.IV(Kit::BigEndian_Platform_Sign, Kit::LittleEndian_Platform_Sign);
	EXPECT_EQ(swapped.data1, 0x67452301u);
	EXPECT_EQ(swapped.data2, 0xAB89u);
	EXPECT_EQ(swapped.data3, 0xEFCDu);
	EXPECT_EQ(swapped.data4, g.data4);
	swapped.IV(Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign);
	EXPECT_EQ(swapped, g);

	Kit::Guid same = g;
	same.IV(Kit::Native_Platform_Sign, Kit::Native_Platform_Sign);
	EXPECT_EQ(same, g);
	same.IV(Kit::BigEndian_Platform_Sign, Kit::BigEndian_Platform_Sign);
	EXPECT_EQ(same, g);
}

TEST(KitGuid, GeneratedIdentifiersAreUniqueRandomVersionFour) {
	std::unordered_set<Kit::Guid> seen;
	for (int i = 0; i < 20000; ++i) {
		const Kit::Guid g = Kit::Guid::Generate();
		ASSERT_FALSE(g.IsNull());
		ASSERT_EQ(g.data3 >> 12, 4);
		ASSERT_EQ(g.data4[0] & 0xC0, 0x80);
		ASSERT_TRUE(seen.insert(g).second) << g.ToString();
	}
	EXPECT_TRUE(Kit::NULLGuid.IsNull());
}

} // namespace
