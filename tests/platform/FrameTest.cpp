#include "platform/KitException.h"
#include "platform/KitFrame.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;
constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;

const Kit::ClassInfo outerInfo("FrameTestOuter", "{2B0F7C54-9A1E-4C3D-8E21-5F6A7B8C9D0E}", Kit::ClassVersion(2, 3));
const Kit::ClassInfo innerInfo("FrameTestInner", "{7D3E1A90-4B2C-4F5E-9A8B-1C2D3E4F5A6B}", Kit::ClassVersion(1, 0));

// An outer object holding a count, an inner framed array and a trailing double.
std::vector<char> WriteNested(Kit::PlatformSign sign, const std::vector<Int32>& values) {
	IO::MemoryOChannel out;
	out.SetProtocol(sign);
	{
		Kit::OutputFrame outer(out, outerInfo);
		out.Write(UInt32(values.size()));
		{
			Kit::OutputFrame inner(out, innerInfo);
			for (Int32 v : values)
				out.Write(v);
		}
		out.Write(6.25);
	}
	EXPECT_EQ(out.GetOutputStatus(), 0);
	return out.TakeBytes();
}

// Reads what WriteNested wrote; returns the values, and the status of the outer frame.
Int32 ReadNested(IO::MemoryIChannel& in, std::vector<Int32>& values, Kit::ClassVersion& innerVersion) {
	values.clear();
	Kit::InputFrame outer(in, outerInfo);
	if (outer.GetStatus() == 0) {
		EXPECT_EQ(outer.GetVersion(), Kit::ClassVersion(2, 3));
	}
	UInt32 n = 0;
	in.Read(n);
	if (n > in.GetAvailable() / 4) return -1;
	{
		Kit::InputFrame inner(in, innerInfo);
		innerVersion = inner.GetVersion();
		for (UInt32 i = 0; i < n; ++i) {
			Int32 v = 0;
			in.Read(v);
			values.push_back(v);
		}
	}
	double d = 0;
	in.Read(d);
	if (in.GetInputStatus() == 0) {
		EXPECT_EQ(d, 6.25);
	}
	outer.Close();
	return outer.GetStatus();
}

TEST(FrameTest, ClassVersionOrderAndStream) {
	EXPECT_LT(Kit::ClassVersion(1, 9), Kit::ClassVersion(2, 0));
	EXPECT_LT(Kit::ClassVersion(1, 0), Kit::ClassVersion(1, 1));
	EXPECT_GT(Kit::ClassVersion(3, 0), Kit::ClassVersion(2, 65535));
	EXPECT_EQ(Kit::ClassVersion(1, 2), Kit::ClassVersion(1, 2));

	IO::MemoryOChannel out;
	out.SetProtocol(BE);
	Kit::ClassVersion(0x0102, 0x0304).Write(out);
	EXPECT_EQ(out.GetBytes(), (std::vector<char>{1, 2, 3, 4}));
	IO::MemoryIChannel in(out.GetBytes());
	in.SetProtocol(BE);
	Kit::ClassVersion v;
	v.Read(in);
	EXPECT_EQ(v, Kit::ClassVersion(0x0102, 0x0304));
	v.Read(in); // past the end
	EXPECT_EQ(v, Kit::ClassVersion());
	EXPECT_NE(in.GetInputStatus(), 0);
}

TEST(FrameTest, ClassInfoAndRegistry) {
	Kit::Guid id;
	ASSERT_TRUE(Kit::Guid::FromString("{2B0F7C54-9A1E-4C3D-8E21-5F6A7B8C9D0E}", id));
	EXPECT_EQ(outerInfo.GetId(), id);
	EXPECT_EQ(outerInfo.GetName(), "FrameTestOuter");
	EXPECT_THROW(Kit::ClassInfo("Bad", "{not-a-guid}", Kit::ClassVersion(1, 0)), Kit::IllegalArgumentException);

	EXPECT_TRUE(Kit::classManager.Register(outerInfo));
	EXPECT_TRUE(Kit::classManager.Register(outerInfo)); // the same again is fine
	const Kit::ClassInfo* found = Kit::classManager.FindByName("FrameTestOuter");
	ASSERT_NE(found, nullptr);
	EXPECT_EQ(*found, outerInfo);
	EXPECT_EQ(Kit::classManager.FindById(id), found);

	// Conflicts: same name with another id, same id with another name or version.
	EXPECT_FALSE(Kit::classManager.Register(Kit::ClassInfo("FrameTestOuter", innerInfo.GetId(), {1, 0})));
	EXPECT_FALSE(Kit::classManager.Register(Kit::ClassInfo("OtherName", id, {2, 3})));
	EXPECT_FALSE(Kit::classManager.Register(Kit::ClassInfo("FrameTestOuter", id, {9, 9})));
	EXPECT_FALSE(Kit::classManager.Register(Kit::ClassInfo("NullId", Kit::NULLGuid, {1, 0})));
	EXPECT_EQ(Kit::classManager.FindByName("OtherName"), nullptr);
	EXPECT_EQ(Kit::classManager.FindById(innerInfo.GetId() == id ? Kit::NULLGuid : Kit::Guid::Generate()), nullptr);
	EXPECT_EQ(Kit::classManager.FindByName("FrameTestOuter")->GetVersion(), Kit::ClassVersion(2, 3));
}

TEST(FrameTest, NestedFramesRoundTripInBothByteOrders) {
	const std::vector<Int32> values = {1, -2, 0x7FFFFFFF, 0};
	for (Kit::PlatformSign sign : {LE, BE}) {
		std::vector<char> bytes = WriteNested(sign, values);
		IO::MemoryIChannel in(bytes);
		in.SetProtocol(sign);
		std::vector<Int32> back;
		Kit::ClassVersion innerVersion;
		EXPECT_EQ(ReadNested(in, back, innerVersion), 0);
		EXPECT_EQ(back, values);
		EXPECT_EQ(innerVersion, Kit::ClassVersion(1, 0));
		EXPECT_EQ(in.GetInputStatus(), 0);
		EXPECT_EQ(in.GetAvailable(), 0u);
	}

	// The frame header follows the protocol: big-endian bytes start with "KFRM".
	std::vector<char> be = WriteNested(BE, values);
	EXPECT_EQ(std::string(be.begin(), be.begin() + 4), "KFRM");
	EXPECT_EQ(std::string(be.end() - 4, be.end()), "KFEN");
	// Read with the wrong protocol, the magic does not match.
	IO::MemoryIChannel wrongOrder(be);
	Kit::InputFrame frame(wrongOrder, outerInfo);
	EXPECT_EQ(frame.GetStatus(), Kit::ChannelFormatError);
}

TEST(FrameTest, ExplicitVersionAndStatusHelpers) {
	IO::MemoryOChannel out;
	{
		Kit::OutputFrame frame(out, innerInfo, Kit::ClassVersion(1, 7));
		EXPECT_EQ(frame.GetVersion(), Kit::ClassVersion(1, 7));
		out.Write(Int16(5));
		frame.Close();
		frame.Close(); // closing twice writes one end marker
	}
	IO::MemoryIChannel in(out.GetBytes());
	Kit::InputFrame frame(in, innerInfo);
	EXPECT_EQ(frame.GetVersion(), Kit::ClassVersion(1, 7));
	Int16 v = 0;
	in.Read(v);
	frame.Close();
	EXPECT_EQ(v, 5);
	EXPECT_NO_THROW(frame.CheckStatus());
	EXPECT_EQ(in.GetAvailable(), 0u);
}

TEST(FrameTest, WrongClassCorruptMagicAndMissingEndAreReported) {
	const std::vector<Int32> values = {10, 20, 30};
	const std::vector<char> good = WriteNested(LE, values);

	{ // another class's frame
		IO::MemoryIChannel in(good);
		Kit::InputFrame frame(in, innerInfo);
		EXPECT_EQ(frame.GetStatus(), Kit::ChannelFormatError);
		EXPECT_EQ(in.GetInputStatus(), Kit::ChannelFormatError);
		EXPECT_THROW(frame.CheckStatus(), Kit::InternalErrorException);
		UInt32 next = 1;
		in.Read(next); // the channel is poisoned: nothing more is taken as data
		EXPECT_EQ(next, 0u);
	}
	{ // corrupted magic
		std::vector<char> bad = good;
		bad[1] ^= 0x01;
		IO::MemoryIChannel in(bad);
		Kit::InputFrame frame(in, outerInfo);
		EXPECT_NE(frame.GetStatus(), 0);
		EXPECT_EQ(frame.GetVersion(), Kit::ClassVersion());
	}
	{ // the inner frame's end marker damaged: the inner close reports it
		std::vector<char> bad = good;
		const USize innerEnd = 4 + 16 + 4 + 4 + (4 + 16 + 4) + 4 * values.size();
		ASSERT_LT(innerEnd, bad.size());
		bad.at(innerEnd) = 'X';
		IO::MemoryIChannel in(bad);
		std::vector<Int32> back;
		Kit::ClassVersion innerVersion;
		EXPECT_EQ(ReadNested(in, back, innerVersion), Kit::ChannelFormatError);
		EXPECT_EQ(in.GetInputStatus(), Kit::ChannelFormatError);
	}
	{ // a reader that reads less than was written finds no end marker
		IO::MemoryIChannel in(good);
		Kit::InputFrame outer(in, outerInfo);
		UInt32 n = 0;
		in.Read(n);
		outer.Close();
		EXPECT_EQ(outer.GetStatus(), Kit::ChannelFormatError);
	}
	{ // a damaged class id in the inner frame
		std::vector<char> bad = good;
		bad[4 + 16 + 4 + 4 + 4 + 3] ^= 0x40;
		IO::MemoryIChannel in(bad);
		std::vector<Int32> back;
		Kit::ClassVersion innerVersion;
		EXPECT_NE(ReadNested(in, back, innerVersion), 0);
	}
}

TEST(FrameTest, EveryTruncationIsReportedWithoutReadingPastTheEnd) {
	const std::vector<Int32> values = {1, 2, 3, 4, 5};
	const std::vector<char> good = WriteNested(BE, values);
	for (USize length = 0; length < good.size(); ++length) {
		// An exact-size copy, so that ASan catches any read past the end.
		std::unique_ptr<char[]> cut(new char[length]);
		if (length > 0) std::memcpy(cut.get(), good.data(), length);
		IO::MemoryIChannel in(cut.get(), length);
		in.SetProtocol(BE);
		std::vector<Int32> back;
		Kit::ClassVersion innerVersion;
		EXPECT_NE(ReadNested(in, back, innerVersion), 0) << "length " << length;
		EXPECT_NE(in.GetInputStatus(), 0) << "length " << length;
	}
}

} // namespace
