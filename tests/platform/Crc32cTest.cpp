#include "platform/Crc32c.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The definition, one bit at a time.
UInt32 BitwiseCrc32c(const unsigned char* p, USize n) {
	UInt32 crc = ~UInt32(0);
	for (USize i = 0; i < n; ++i) {
		crc ^= p[i];
		for (int bit = 0; bit < 8; ++bit)
			crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0x82F63B78u : 0u);
	}
	return ~crc;
}

} // namespace

// Both ways of computing it: the processor's instruction where there is one, and tables.
class Crc32c : public testing::TestWithParam<UInt32 (*)(const void*, USize, UInt32)> {};

TEST_P(Crc32c, MatchesTheCheckValueAndTheBitwiseDefinitionInAnyPieces) {
	const auto crc = GetParam();
	EXPECT_EQ(crc("123456789", 9, 0), 0xE3069283u);
	EXPECT_EQ(crc(nullptr, 0, 0), 0u);

	std::mt19937 random(7);
	// Long enough for the runs that are cut into lanes.
	std::vector<unsigned char> bytes(7000);
	for (unsigned char& b : bytes)
		b = static_cast<unsigned char>(random());
	// Every start (alignment) and length, against the definition; every split point of
	// one range continues to the same value.
	for (USize start = 0; start < 9; ++start)
		for (USize n = 0; start + n <= bytes.size(); n += 1 + n / 8)
			ASSERT_EQ(crc(bytes.data() + start, n, 0), BitwiseCrc32c(bytes.data() + start, n)) << start << " " << n;
	const UInt32 whole = crc(bytes.data(), bytes.size(), 0);
	for (USize split = 0; split <= bytes.size(); split += 1 + split / 16)
		ASSERT_EQ(crc(bytes.data() + split, bytes.size() - split, crc(bytes.data(), split, 0)), whole);
}

INSTANTIATE_TEST_SUITE_P(Ways, Crc32c, testing::Values(&Kit::Crc32c, &Kit::Crc32cWithTables));
