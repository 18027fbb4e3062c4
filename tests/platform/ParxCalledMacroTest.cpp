#include "platform/ParxCalledMacro.h"

#include "fixtures/CalledMacroFixtures.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using Fixtures::CalledMacroListBytes;
using Fixtures::SampleCalledMacros;
using Bytes = std::vector<char>;

namespace {

constexpr Kit::PlatformSign Orders[] = {Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign};

GSErrCode ReadList(const Bytes& bytes, Kit::PlatformSign order, Kit::Array<SyCalledMacroItem>& items,
                   UInt64* left = nullptr) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	in.SetProtocol(order);
	const GSErrCode err = ReadCalledMacroList(in, items);
	if (left != nullptr) *left = in.GetAvailable();
	return err;
}

} // namespace

TEST(ParxCalledMacro, ListsAreWrittenAndReadInTheChannelsByteOrder) {
	const Kit::Array<SyCalledMacroItem> lists[] = {SampleCalledMacros(), {}};
	for (const auto& items : lists) {
		for (const Kit::PlatformSign order : Orders) {
			SCOPED_TRACE(testing::Message() << items.GetSize() << " items, order " << order);
			IO::MemoryOChannel out;
			out.SetProtocol(order);
			EXPECT_EQ(WriteCalledMacroList(out, items), NoError);
			EXPECT_EQ(out.GetBytes(), CalledMacroListBytes(items, order));

			Kit::Array<SyCalledMacroItem> read;
			UInt64 left = 1;
			EXPECT_EQ(ReadList(out.GetBytes(), order, read, &left), NoError);
			EXPECT_EQ(read, items);
			EXPECT_EQ(left, 0u);
		}
	}
	// A newer minor version is read as it is.
	Kit::Array<SyCalledMacroItem> read;
	EXPECT_EQ(ReadList(CalledMacroListBytes(SampleCalledMacros(), Orders[1], 1, 7), Orders[1], read), NoError);
	EXPECT_EQ(read, SampleCalledMacros());
}

TEST(ParxCalledMacro, DamagedStreamsFailAndLeaveTheListAsItWas) {
	const Kit::Array<SyCalledMacroItem> kept = {
	    SyCalledMacroItem(Kit::UniString("kept"), Fixtures::DistinctGuid(9), {})};
	const Kit::PlatformSign order = Kit::BigEndian_Platform_Sign;
	const Bytes whole = CalledMacroListBytes(SampleCalledMacros(), order);

	for (USize n = 0; n < whole.size(); ++n) {
		Kit::Array<SyCalledMacroItem> items = kept;
		EXPECT_NE(ReadList(Bytes(whole.begin(), whole.begin() + Int64(n)), order, items), NoError) << n << " bytes";
		EXPECT_EQ(items, kept) << n << " bytes";
	}

	// Offsets in the stream: magic 0, class 4, version 20, count 24, first name length 28.
	const auto forged = [&](USize at, UInt32 bigEndianValue) {
		Bytes b = whole;
		for (int i = 0; i < 4; ++i)
			b[at + USize(i)] = char(bigEndianValue >> (24 - 8 * i));
		return b;
	};
	struct Damage {
		const char* what;
		Bytes bytes;
		GSErrCode expected;
	};
	const Damage damages[] = {
	    {"count beyond the bytes", forged(24, 0xFFFFFFFF), Kit::ChannelEndOfInput},
	    {"one item too many", forged(24, 4), Kit::ChannelEndOfInput},
	    {"name beyond the bytes", forged(28, 0x7FFFFFFF), Kit::ChannelEndOfInput},
	    {"another class", forged(4, 0x12345678), Kit::ChannelFormatError},
	    {"newer major version", CalledMacroListBytes(SampleCalledMacros(), order, 2, 0), Kit::ChannelFormatError},
	    {"no end marker", forged(whole.size() - 4, 0), Kit::ChannelFormatError},
	    {"wrong byte order", CalledMacroListBytes(SampleCalledMacros(), Kit::LittleEndian_Platform_Sign),
	     Kit::ChannelFormatError},
	};
	for (const Damage& d : damages) {
		SCOPED_TRACE(d.what);
		Kit::Array<SyCalledMacroItem> items = kept;
		EXPECT_EQ(ReadList(d.bytes, order, items), d.expected);
		EXPECT_EQ(items, kept);
	}
}
