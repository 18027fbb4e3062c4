#include "platform/BMMemory.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

namespace {

TEST(SvcMemory, HandleKeepsItsAddressAndContentsWhenResized) {
	GSHandle h = BMAllocateHandle(16, ALLOCATE_CLEAR);
	ASSERT_NE(h, nullptr);
	EXPECT_EQ(BMError(), NoError);
	EXPECT_EQ(BMGetHandleSize(h), 16);
	for (int i = 0; i < 16; ++i)
		ASSERT_EQ((*h)[i], 0) << i;
	for (int i = 0; i < 16; ++i)
		(*h)[i] = static_cast<char>(i + 1);

	// Growing with the clear flag keeps the old bytes, zeroes the new ones and keeps
	// the handle itself.
	GSHandle grown = BMReallocHandle(h, 100000, ALLOCATE_CLEAR);
	ASSERT_EQ(grown, h);
	EXPECT_EQ(BMGetHandleSize(h), 100000);
	for (int i = 0; i < 16; ++i)
		ASSERT_EQ((*h)[i], i + 1) << i;
	for (int i = 16; i < 100000; ++i)
		ASSERT_EQ((*h)[i], 0) << i;

	ASSERT_EQ(BMReallocHandle(h, 4), h);
	EXPECT_EQ(BMGetHandleSize(h), 4);
	EXPECT_EQ((*h)[3], 4);

	BMKillHandle(&h);
	EXPECT_EQ(h, nullptr);
	BMKillHandle(&h); // killing a null handle is harmless
	EXPECT_EQ(BMError(), NoError);
}

TEST(SvcMemory, BadSizesFailWithoutAllocatingAndLeaveTheBlockAlone) {
	EXPECT_EQ(BMAllocateHandle(-1), nullptr);
	EXPECT_EQ(BMError(), BMOutOfMemory);
	GSHandle good = BMAllocateHandle(0); // a good call resets the code
	EXPECT_EQ(BMError(), NoError);
	BMKillHandle(&good);

	EXPECT_EQ(BMAllocateHandle(BMMaxBlockSize + 1), nullptr);
	EXPECT_EQ(BMError(), BMOutOfMemory);
	EXPECT_EQ(BMAllocatePtr(INT64_MAX), nullptr);
	EXPECT_EQ(BMError(), BMOutOfMemory);
	EXPECT_EQ(BMAllocatePtr(INT64_MAX - 8), nullptr); // would overflow with the size header
	EXPECT_EQ(BMError(), BMOutOfMemory);
	EXPECT_EQ(BMAllocatePtr(-5), nullptr);
	EXPECT_EQ(BMError(), BMOutOfMemory);

	// A failed resize leaves the handle and its data valid.
	GSHandle h = BMAllocateHandle(8);
	ASSERT_NE(h, nullptr);
	std::memcpy(*h, "abcdefg", 8);
	EXPECT_EQ(BMReallocHandle(h, -3), nullptr);
	EXPECT_EQ(BMError(), BMOutOfMemory);
	EXPECT_EQ(BMReallocHandle(h, BMMaxBlockSize + 1), nullptr);
	EXPECT_EQ(BMGetHandleSize(h), 8);
	EXPECT_STREQ(*h, "abcdefg");
	BMKillHandle(&h);

	EXPECT_EQ(BMGetHandleSize(nullptr), 0);
	EXPECT_EQ(BMError(), BMNilHandle);
	EXPECT_EQ(BMGetPtrSize(nullptr), 0);
	EXPECT_EQ(BMError(), BMNilHandle);
}

TEST(SvcMemory, ZeroSizeBlocksAreDistinctAndFreeable) {
	GSHandle a = BMAllocateHandle(0);
	GSHandle b = BMAllocateHandle(0);
	ASSERT_NE(a, nullptr);
	ASSERT_NE(b, nullptr);
	EXPECT_NE(*a, nullptr);
	EXPECT_NE(*a, *b);
	EXPECT_EQ(BMGetHandleSize(a), 0);
	BMKillHandle(&a);
	BMKillHandle(&b);

	GSPtr p = BMAllocatePtr(0);
	ASSERT_NE(p, nullptr);
	EXPECT_EQ(BMGetPtrSize(p), 0);
	BMKillPtr(&p);
	EXPECT_EQ(p, nullptr);
}

TEST(SvcMemory, NullHandleReallocAllocates) {
	GSHandle h = BMReallocHandle(nullptr, 12, ALLOCATE_CLEAR);
	ASSERT_NE(h, nullptr);
	EXPECT_EQ(BMGetHandleSize(h), 12);
	EXPECT_EQ((*h)[11], 0);
	BMKillHandle(&h);
}

TEST(SvcMemory, PointersAreAlignedSizedAndCleared) {
	for (Int64 size : {1, 7, 24, 1000}) {
		GSPtr p = BMAllocatePtr(size, ALLOCATE_CLEAR);
		ASSERT_NE(p, nullptr);
		EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u);
		EXPECT_EQ(BMGetPtrSize(p), size);
		for (Int64 i = 0; i < size; ++i)
			ASSERT_EQ(p[i], 0);
		BNFillMemory(p, size, 0xAB); // the whole block is writable
		EXPECT_EQ(static_cast<UInt8>(p[size - 1]), 0xAB);
		EXPECT_EQ(BMGetPtrSize(p), size); // the size survives writes to the data
		BMKillPtr(&p);
		EXPECT_EQ(p, nullptr);
	}
}

TEST(SvcMemory, ErrorCodeBelongsToTheCallingThread) {
	ASSERT_EQ(BMAllocatePtr(-1), nullptr);
	ASSERT_EQ(BMError(), BMOutOfMemory);
	GSErrCode otherThreadCode = -1;
	std::thread([&] {
		GSPtr p = BMAllocatePtr(4);
		otherThreadCode = BMError();
		BMKillPtr(&p);
	}).join();
	EXPECT_EQ(otherThreadCode, NoError);
	EXPECT_EQ(BMError(), BMOutOfMemory);
}

TEST(SvcMemory, RawHelpers) {
	char buffer[16] = "0123456789";
	// Overlapping copy forward and backward.
	BNCopyMemory(buffer + 2, buffer, 8);
	EXPECT_STREQ(buffer, "0101234567");
	BNCopyMemory(buffer, buffer + 2, 8);
	EXPECT_STREQ(buffer, "0123456767");
	BNCopyMemory(buffer, nullptr, 0);

	EXPECT_TRUE(BNCompareMemory("abcd", "abce", 3));
	EXPECT_FALSE(BNCompareMemory("abcd", "abce", 4));
	EXPECT_TRUE(BNCompareMemory(nullptr, "x", 0));

	BNClear(buffer, 4);
	EXPECT_EQ(buffer[0], 0);
	EXPECT_EQ(buffer[3], 0);
	EXPECT_EQ(buffer[4], '4');

	struct Record {
		Int32 a;
		double b;
		char name[5];
	} record{7, 2.5, "abcd"};
	BNClear(record);
	EXPECT_EQ(record.a, 0);
	EXPECT_EQ(record.b, 0.0);
	EXPECT_EQ(record.name[3], 0);
}

} // namespace
