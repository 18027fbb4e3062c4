#include "platform/KitBlocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

// Blocks on both sides of the size from which they are mapped: every byte can be written
// and read back, mapped blocks start on a huge page and are counted while in use, and a
// block freed and handed out again goes to one holder only.
TEST(KitBlocks, EveryByteIsUsableAndMappedBlocksAreAlignedAndCounted) {
	const USize sizes[] = {1,
	                       4096,
	                       Kit::LargeBlockBytes - 1,
	                       Kit::LargeBlockBytes,
	                       Kit::LargeBlockBytes + 1,
	                       Kit::HugePageBytes,
	                       3 * Kit::HugePageBytes + 12345};
	for (const USize bytes : sizes) {
		const USize before = Kit::GetMappedBlockBytes();
		auto* block = static_cast<unsigned char*>(Kit::AllocateBlock(bytes));
		ASSERT_NE(block, nullptr) << bytes;
		const bool mapped = Kit::MapsLargeBlocks && bytes >= Kit::LargeBlockBytes;
		EXPECT_EQ(Kit::GetMappedBlockBytes() - before >= bytes, mapped) << bytes;
		if (mapped) {
			EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % Kit::HugePageBytes, 0u) << bytes;
		}
		for (USize i = 0; i < bytes; ++i)
			block[i] = static_cast<unsigned char>(i * 7 + bytes);
		for (USize i = 0; i < bytes; ++i)
			ASSERT_EQ(block[i], static_cast<unsigned char>(i * 7 + bytes)) << bytes << " at " << i;
		Kit::FreeBlock(block, bytes);
		EXPECT_EQ(Kit::GetMappedBlockBytes(), before) << bytes;

		// A freed block may be handed out again, but never to two holders at once.
		auto* first = static_cast<unsigned char*>(Kit::AllocateBlock(bytes));
		auto* second = static_cast<unsigned char*>(Kit::AllocateBlock(bytes));
		ASSERT_NE(first, nullptr);
		ASSERT_NE(second, nullptr);
		std::memset(first, 1, bytes);
		std::memset(second, 2, bytes);
		EXPECT_TRUE(first[0] == 1 && first[bytes - 1] == 1 && second[0] == 2 && second[bytes - 1] == 2) << bytes;
		Kit::FreeBlock(first, bytes);
		Kit::FreeBlock(second, bytes);
		EXPECT_EQ(Kit::GetMappedBlockBytes(), before) << bytes;
	}
	EXPECT_EQ(Kit::AllocateBlock(~USize(0) - 100), nullptr);
	Kit::FreeBlock(nullptr, Kit::LargeBlockBytes);
}

} // namespace
