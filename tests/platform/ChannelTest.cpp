#include "platform/KitChannel.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;
constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;

std::vector<unsigned char> Bytes(const IO::MemoryOChannel& out) {
	return std::vector<unsigned char>(out.GetBuffer(), out.GetBuffer() + out.GetDataSize());
}

void WriteAllTypes(Kit::OChannel& out) {
	out.Write(true).Write('x').Write(Int8(-5)).Write(UInt8(200));
	out.Write(Int16(-2)).Write(UInt16(0xABCD));
	out.Write(Int32(-123456789)).Write(UInt32(0xCAFEBABE));
	out.Write(Int64(-1234567890123LL)).Write(UInt64(0xFEDCBA9876543210ull));
	out.Write(1.5f).Write(-2.0e-300);
}

void ReadAndCheckAllTypes(Kit::IChannel& in) {
	bool b = false;
	char c = 0;
	Int8 i8 = 0;
	UInt8 u8 = 0;
	Int16 i16 = 0;
	UInt16 u16 = 0;
	Int32 i32 = 0;
	UInt32 u32 = 0;
	Int64 i64 = 0;
	UInt64 u64 = 0;
	float f = 0;
	double d = 0;
	in.Read(b).Read(c).Read(i8).Read(u8).Read(i16).Read(u16).Read(i32).Read(u32).Read(i64).Read(u64).Read(f).Read(d);
	EXPECT_EQ(in.GetInputStatus(), 0);
	EXPECT_TRUE(b);
	EXPECT_EQ(c, 'x');
	EXPECT_EQ(i8, -5);
	EXPECT_EQ(u8, 200);
	EXPECT_EQ(i16, -2);
	EXPECT_EQ(u16, 0xABCD);
	EXPECT_EQ(i32, -123456789);
	EXPECT_EQ(u32, 0xCAFEBABEu);
	EXPECT_EQ(i64, -1234567890123LL);
	EXPECT_EQ(u64, 0xFEDCBA9876543210ull);
	EXPECT_EQ(f, 1.5f);
	EXPECT_EQ(d, -2.0e-300);
	EXPECT_EQ(in.GetAvailable(), 0u);
}

TEST(ChannelTest, BigEndianProtocolWritesExactBytes) {
	IO::MemoryOChannel out;
	IO::SetPlatformOProtocol(out, BE);
	out.Write(UInt16(0x0102)).Write(Int32(0x03040506)).Write(UInt64(0x0708090A0B0C0D0Eull));
	out.Write(1.0);   // 3F F0 00 ...
	out.Write(-1.0f); // BF 80 00 00
	out.Write(true);
	const std::vector<unsigned char> expected = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
	                                             0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x3F, 0xF0, 0,    0,
	                                             0,    0,    0,    0,    0xBF, 0x80, 0,    0,    0x01};
	EXPECT_EQ(Bytes(out), expected);

	// The native protocol writes the little-endian images.
	IO::MemoryOChannel native;
	native.Write(UInt16(0x0102)).Write(Int32(0x03040506));
	EXPECT_EQ(Bytes(native), (std::vector<unsigned char>{0x02, 0x01, 0x06, 0x05, 0x04, 0x03}));
}

TEST(ChannelTest, EveryTypeRoundTripsInBothProtocols) {
	for (Kit::PlatformSign sign : {LE, BE}) {
		IO::MemoryOChannel out;
		out.SetProtocol(sign);
		WriteAllTypes(out);
		EXPECT_EQ(out.GetOutputStatus(), 0);

		IO::MemoryIChannel in(out.GetBytes());
		in.SetProtocol(sign);
		ReadAndCheckAllTypes(in);
	}

	// Reading big-endian data with the native protocol gives swapped values.
	IO::MemoryOChannel out;
	out.SetProtocol(BE);
	out.Write(UInt32(0x11223344));
	IO::MemoryIChannel in(out.GetBytes());
	UInt32 v = 0;
	in.Read(v);
	EXPECT_EQ(v, 0x44332211u);
}

TEST(ChannelTest, GuidFieldsFollowProtocolAndDataBytesStayRaw) {
	Kit::Guid g;
	ASSERT_TRUE(Kit::Guid::FromString("{00112233-4455-6677-8899-AABBCCDDEEFF}", g));
	IO::MemoryOChannel out;
	out.SetProtocol(BE);
	out.Write(g);
	const std::vector<unsigned char> expected = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
	                                             0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
	EXPECT_EQ(Bytes(out), expected);
	IO::MemoryIChannel in(out.GetBytes());
	in.SetProtocol(BE);
	Kit::Guid back;
	in.Read(back);
	EXPECT_EQ(back, g);
}

TEST(ChannelTest, ProtocolSwitchMidStream) {
	IO::MemoryOChannel out;
	out.Write(UInt32(0x01020304));
	out.SetProtocol(BE);
	out.Write(UInt32(0x01020304));
	out.SetProtocol(LE);
	out.Write(Int16(0x0506));
	EXPECT_EQ(Bytes(out), (std::vector<unsigned char>{4, 3, 2, 1, 1, 2, 3, 4, 6, 5}));

	IO::MemoryIChannel in(out.GetBytes());
	UInt32 a = 0, b = 0;
	Int16 c = 0;
	in.Read(a);
	in.SetProtocol(BE);
	in.Read(b);
	in.SetProtocol(LE);
	in.Read(c);
	EXPECT_EQ(a, 0x01020304u);
	EXPECT_EQ(b, 0x01020304u);
	EXPECT_EQ(c, 0x0506);
	EXPECT_EQ(in.GetInputStatus(), 0);
}

TEST(ChannelTest, EndOfInputIsStickyAndYieldsZeros) {
	const unsigned char data[] = {1, 2, 3, 4, 5, 6};
	IO::MemoryIChannel in(data, sizeof data);
	EXPECT_EQ(in.GetAvailable(), 6u);
	UInt32 first = 0;
	in.Read(first);
	EXPECT_EQ(first, 0x04030201u);
	EXPECT_EQ(in.GetAvailable(), 2u);

	// Only two bytes remain: a 4-byte read fails and yields zero, not a half value.
	Int32 partial = 77;
	in.Read(partial);
	EXPECT_EQ(partial, 0);
	EXPECT_EQ(in.GetInputStatus(), Kit::ChannelEndOfInput);

	// The status stays, every later read yields zero even where bytes would exist.
	in.ResetInputStatus();
	in.SignalInputError(Kit::ChannelFormatError);
	UInt8 byte = 9;
	in.Read(byte);
	EXPECT_EQ(byte, 0);
	in.SignalInputError(Kit::ChannelReadError); // the first error is kept
	EXPECT_EQ(in.GetInputStatus(), Kit::ChannelFormatError);

	double d = 1.0;
	bool b = true;
	Kit::Guid g = Kit::Guid::Generate();
	in.Read(d).Read(b).Read(g);
	EXPECT_EQ(d, 0.0);
	EXPECT_FALSE(b);
	EXPECT_TRUE(g.IsNull());
}

TEST(ChannelTest, ReadBinZeroFillsWhatIsMissing) {
	const char data[] = {'a', 'b', 'c'};
	IO::MemoryIChannel in(data, sizeof data);
	char buffer[8];
	std::memset(buffer, 'z', sizeof buffer);
	EXPECT_EQ(in.ReadBin(buffer, 5), Kit::ChannelEndOfInput);
	EXPECT_EQ(std::memcmp(buffer, "abc\0\0", 5), 0);
	EXPECT_EQ(buffer[5], 'z'); // nothing written beyond n

	std::memset(buffer, 'z', sizeof buffer);
	EXPECT_NE(in.ReadBin(buffer, 4), 0);
	EXPECT_EQ(std::memcmp(buffer, "\0\0\0\0", 4), 0);

	// A null destination is an error, not a crash.
	IO::MemoryIChannel other(data, sizeof data);
	EXPECT_NE(other.ReadBin(nullptr, 2), 0);
	EXPECT_EQ(other.ReadBin(nullptr, 0), other.GetInputStatus());

	// A null source reads as empty, whatever size it claims.
	IO::MemoryIChannel nullData(nullptr, 10);
	EXPECT_EQ(nullData.GetAvailable(), 0u);
	EXPECT_EQ(nullData.Skip(1), Kit::ChannelEndOfInput);
}

TEST(ChannelTest, SkipWithinAndPastTheEnd) {
	std::vector<char> data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
	IO::MemoryIChannel in(data);
	EXPECT_EQ(in.Skip(3), 0);
	UInt8 v = 0;
	in.Read(v);
	EXPECT_EQ(v, 4);
	EXPECT_EQ(in.Skip(6), 0);
	EXPECT_EQ(in.GetAvailable(), 0u);
	EXPECT_EQ(in.Skip(0), 0);
	EXPECT_EQ(in.Skip(1), Kit::ChannelEndOfInput);

	IO::MemoryIChannel huge(data);
	EXPECT_EQ(huge.Skip(~UInt64(0)), Kit::ChannelEndOfInput);
	EXPECT_EQ(huge.GetAvailable(), 0u);
}

// A channel without its own skip, to exercise the default read-and-drop skip.
class CountingIChannel : public Kit::IChannel {
public:
	explicit CountingIChannel(UInt64 size) : size(size) {}

protected:
	UInt64 DoRead(void* destination, UInt64 n) override {
		const UInt64 count = std::min(n, size - position);
		std::memset(destination, 0x5A, static_cast<USize>(count));
		position += count;
		return count;
	}
	UInt64 DoGetAvailable() const override { return size - position; }

private:
	UInt64 size;
	UInt64 position = 0;
};

TEST(ChannelTest, DefaultSkipReadsAndDrops) {
	CountingIChannel in(10000);
	EXPECT_EQ(in.Skip(9000), 0);
	EXPECT_EQ(in.GetAvailable(), 1000u);
	EXPECT_EQ(in.Skip(1001), Kit::ChannelEndOfInput);
	EXPECT_EQ(in.GetAvailable(), 0u);
}

// An output channel whose sink fails after a number of bytes.
class FailingOChannel : public Kit::OChannel {
public:
	explicit FailingOChannel(UInt64 capacity) : capacity(capacity) {}
	UInt64 written = 0;

protected:
	bool DoWrite(const void*, UInt64 n) override {
		if (written + n > capacity) return false;
		written += n;
		return true;
	}

private:
	UInt64 capacity;
};

TEST(ChannelTest, WriteFailureIsStickyAndStopsOutput) {
	FailingOChannel out(6);
	out.Write(Int32(1));
	EXPECT_EQ(out.GetOutputStatus(), 0);
	out.Write(Int32(2));
	EXPECT_EQ(out.GetOutputStatus(), Kit::ChannelWriteError);
	out.Write(Int8(3)); // would fit, but the channel has failed
	EXPECT_EQ(out.written, 4u);
	EXPECT_NE(out.WriteBin("x", 1), 0);
	EXPECT_NE(IO::MemoryOChannel().WriteBin(nullptr, 3), 0);
}

TEST(ChannelTest, TextOutputHasNoTerminator) {
	IO::MemoryOChannel out;
	out << "n=" << Int32(-5) << " u=" << UInt32(7) << " big=" << Int64(1) << std::string("!") << 0.5;
	const char* null = nullptr;
	out << null;
	EXPECT_EQ(out.GetText(), "n=-5 u=7 big=1!0.5");
}

} // namespace
