#include "platform/ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

template <typename T> std::array<unsigned char, sizeof(T)> BytesOf(const T& value) {
	std::array<unsigned char, sizeof(T)> bytes{};
	std::memcpy(bytes.data(), &value, sizeof(T));
	return bytes;
}

TEST(ByteOrderTest, ByteSwapReversesEveryWidth) {
	EXPECT_EQ(ByteSwap<UInt8>(0xAB), 0xAB);
	EXPECT_EQ(ByteSwap<UInt16>(0x1234), 0x3412);
	EXPECT_EQ(ByteSwap<Int16>(Int16(0x0180)), Int16(0x8001));
	EXPECT_EQ(ByteSwap<UInt32>(0x11223344u), 0x44332211u);
	EXPECT_EQ(ByteSwap<Int32>(-2), Int32(0xFEFFFFFF));
	EXPECT_EQ(ByteSwap<UInt64>(0x0102030405060708ull), 0x0807060504030201ull);

	// Floating-point values swap as their bit patterns and come back unchanged.
	const double d = -1234.5678e100;
	auto swapped = BytesOf(ByteSwap(d));
	auto plain = BytesOf(d);
	for (USize i = 0; i < sizeof d; ++i)
		EXPECT_EQ(swapped[i], plain[sizeof d - 1 - i]);
	EXPECT_EQ(ByteSwap(ByteSwap(d)), d);
	const float f = 3.25f;
	EXPECT_EQ(ByteSwap(ByteSwap(f)), f);
	EXPECT_NE(ByteSwap(f), f);
}

TEST(ByteOrderTest, NeedsSwapOnlyAcrossByteOrders) {
	EXPECT_FALSE(Kit::NeedsSwap(LE, LE));
	EXPECT_FALSE(Kit::NeedsSwap(BE, BE));
	EXPECT_TRUE(Kit::NeedsSwap(LE, BE));
	EXPECT_TRUE(Kit::NeedsSwap(BE, LE));
	// Every foreign sign stands for the opposite byte order.
	EXPECT_TRUE(Kit::NeedsSwap(0x1234, LE));
	EXPECT_FALSE(Kit::NeedsSwap(0x1234, BE));
}

TEST(ByteOrderTest, IVFunctionsConvertInBothDirections) {
	// Big-endian images of known values, converted to native and back.
	Int16 s = ByteSwap<Int16>(-300);
	IVShort(BE, LE, &s);
	EXPECT_EQ(s, -300);
	IVShort(LE, BE, &s);
	EXPECT_EQ(s, ByteSwap<Int16>(-300));

	UInt16 us = 0x0102;
	IVUShort(LE, BE, &us);
	EXPECT_EQ(BytesOf(us)[0], 0x01);
	IVUShort(BE, LE, &us);
	EXPECT_EQ(us, 0x0102);

	Int32 l = -70000;
	IVLong(LE, BE, &l);
	EXPECT_EQ(l, ByteSwap<Int32>(-70000));
	IVLong(BE, LE, &l);
	EXPECT_EQ(l, -70000);

	UInt32 ul = 0xDEADBEEF;
	IVULong(LE, BE, &ul);
	EXPECT_EQ(ul, 0xEFBEADDEu);
	IVULong(BE, LE, &ul);
	EXPECT_EQ(ul, 0xDEADBEEFu);

	Int64 ll = std::numeric_limits<Int64>::min() + 5;
	IVInt64(LE, BE, &ll);
	EXPECT_EQ(BytesOf(ll)[0], 0x80);
	IVInt64(BE, LE, &ll);
	EXPECT_EQ(ll, std::numeric_limits<Int64>::min() + 5);

	float f = -0.15625f;
	IVFloat(LE, BE, &f);
	IVFloat(BE, LE, &f);
	EXPECT_EQ(f, -0.15625f);

	double d = 1.0; // 3FF0 0000 0000 0000
	IVDouble(LE, BE, &d);
	EXPECT_EQ(BytesOf(d)[0], 0x3F);
	EXPECT_EQ(BytesOf(d)[1], 0xF0);
	IVDouble(BE, LE, &d);
	EXPECT_EQ(d, 1.0);

	// Same byte order on both sides: nothing changes; a null pointer is ignored.
	Int32 same = 0x01020304;
	IVLong(LE, LE, &same);
	IVLong(BE, BE, &same);
	EXPECT_EQ(same, 0x01020304);
	IVLong(LE, BE, nullptr);
}

TEST(ByteOrderTest, ArrayConversionsTouchExactlyCountItems) {
	UInt16 shorts[4] = {0x0102, 0x0304, 0x0506, 0x0708};
	IVUShorts(LE, BE, shorts, 3);
	EXPECT_EQ(shorts[0], 0x0201);
	EXPECT_EQ(shorts[2], 0x0605);
	EXPECT_EQ(shorts[3], 0x0708);

	Int32 longs[3] = {1, 2, 3};
	IVLongs(BE, LE, longs, 2);
	EXPECT_EQ(longs[0], 0x01000000);
	EXPECT_EQ(longs[1], 0x02000000);
	EXPECT_EQ(longs[2], 3);

	// Unaligned items inside a packed buffer.
	unsigned char raw[1 + 2 * sizeof(double)] = {};
	double values[2] = {2.5, -7.0};
	std::memcpy(raw + 1, values, sizeof values);
	IVDoubles(LE, BE, reinterpret_cast<double*>(raw + 1), 2);
	IVDoubles(BE, LE, reinterpret_cast<double*>(raw + 1), 2);
	EXPECT_EQ(std::memcmp(raw + 1, values, sizeof values), 0);

	Kit::RGBColor color{0x0102, 0x0304, 0x0506};
	IVKit_RGBColor(LE, BE, &color);
	EXPECT_EQ(color, (Kit::RGBColor{0x0201, 0x0403, 0x0605}));
	IVKit_RGBColor(BE, LE, &color);
	EXPECT_EQ(color, (Kit::RGBColor{0x0102, 0x0304, 0x0506}));

	UInt16 w = 0x8001;
	UInt32 lw = 0x80000001;
	IVSTATW(LE, BE, &w);
	IVSTATL(LE, BE, &lw);
	EXPECT_EQ(w, 0x0180);
	EXPECT_EQ(lw, 0x01000080u);

	char text[] = "AbC";
	IVChars(LE, BE, 3, text);
	IVCString(LE, BE, text);
	EXPECT_STREQ(text, "AbC");
}

} // namespace
