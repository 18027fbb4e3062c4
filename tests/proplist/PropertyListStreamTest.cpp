#include "Model3D/proplist/PropertyList.h"
#include "Model3D/proplist/detail/KitPropertyListIO.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using Modeler::PropertyList;
using L = Kit::PropertyListTypes;

namespace {

// Stream offsets: frame header (magic, class id, version) = 24 bytes, then the user-data
// version (two UInt16), the three counts and the entries of 29 bytes each.
constexpr USize UserDataVersionAt = 24;
constexpr USize CountAt = 28;
constexpr USize NamesLengthAt = 32;
constexpr USize EntriesAt = 40;
constexpr USize EntryBytes = 29;

PropertyList MakeMixedList(int copies = 1) {
	PropertyList list;
	for (int k = 0; k < copies; ++k) {
		const std::string p = std::to_string(k);
		const UInt32 i = list.PushEntry(("int" + p).c_str(), L::Int, L::Scalar);
		list.SetIntEntry(i, 1000 + k);
		const UInt32 n = list.PushEntry(("num" + p).c_str(), L::Num, L::Scalar);
		list.SetNumEntry(n, k * 0.25);
		const UInt32 s = list.PushEntry(("str" + p).c_str(), L::String, L::Scalar);
		list.SetStringEntry(s, u"abc");
		const UInt32 ia = list.PushEntry(("ints" + p).c_str(), L::Int, L::OneDim, 3);
		list.SetIntArrayVal(ia, 3, 1, -k);
		const UInt32 na = list.PushEntry(("nums" + p).c_str(), L::Num, L::TwoDim, 2, 3);
		list.SetNumArrayVal(na, 2, 3, 6.5);
		const UInt32 sa = list.PushEntry(("strs" + p).c_str(), L::String, L::TwoDim, 2, 2);
		list.SetStringArrayVal(sa, 1, 2, u"xy");
		list.SetStringArrayVal(sa, 2, 2, u"\u00E9t\u00E9");
		list.SetEntryFix(sa, k % 2 == 0);
	}
	return list;
}

std::vector<char> WriteList(const PropertyList& list, Kit::PlatformSign protocol = Kit::Native_Platform_Sign) {
	IO::MemoryOChannel out;
	out.SetProtocol(protocol);
	list.Write(out);
	EXPECT_EQ(out.GetOutputStatus(), 0);
	return out.GetBytes();
}

// Reads the bytes; true when accepted. A refused stream must leave the list empty.
bool ReadList(const std::vector<char>& bytes, PropertyList& list,
              Kit::PlatformSign protocol = Kit::Native_Platform_Sign) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	in.SetProtocol(protocol);
	try {
		list.Read(in);
		return true;
	} catch (const Kit::KitException&) {
		EXPECT_EQ(list.GetEntryNum(), 0u);
		EXPECT_EQ(list.GetAllocatedBytes(), 0u);
		return false;
	}
}

template <typename T> void Put(std::vector<char>& bytes, USize at, T value) {
	std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename T> T Get(const std::vector<char>& bytes, USize at) {
	T value;
	std::memcpy(&value, bytes.data() + at, sizeof value);
	return value;
}

} // namespace

TEST(PropertyListStream, RoundTripKeepsEverything) {
	const PropertyList list = MakeMixedList(3);
	for (const Kit::PlatformSign protocol : {Kit::Native_Platform_Sign, Kit::BigEndian_Platform_Sign}) {
		const std::vector<char> bytes = WriteList(list, protocol);
		PropertyList read;
		read.PushEntry("stale", L::Int, L::Scalar);
		ASSERT_TRUE(ReadList(bytes, read, protocol));
		EXPECT_TRUE(read.Equals(list));
		EXPECT_EQ(read.CheckSum(), list.CheckSum());
		for (UInt32 i = 0; i < list.GetEntryNum(); ++i) {
			EXPECT_EQ(read.IsEntryFix(i), list.IsEntryFix(i));
			UInt32 a = 0, b = 0;
			read.GetArray(i, &a);
			list.GetArray(i, &b);
			EXPECT_EQ(a, b); // padding survives, so dataLen does
			EXPECT_EQ(read.GetIndexFromName(list.GetEntryName(i)), i);
		}
		EXPECT_EQ(std::u16string(read.GetStringArrayVal(read.GetIndexFromName("strs2"), 2, 2)), u"\u00E9t\u00E9");
		EXPECT_EQ(read.GetIndexFromName("stale"), L::NoIndex);
	}
	// The big-endian stream really is in the other byte order.
	const std::vector<char> big = WriteList(list, Kit::BigEndian_Platform_Sign);
	EXPECT_EQ(Get<UInt32>(big, CountAt), ByteSwap<UInt32>(list.GetEntryNum()));
}

TEST(PropertyListStream, EmptyListAndUserDataVersions) {
	const std::vector<char> empty = WriteList(PropertyList());
	EXPECT_EQ(Get<UInt32>(empty, CountAt), 0u);
	EXPECT_EQ(Get<UInt32>(empty, NamesLengthAt), 0u);
	EXPECT_EQ(Get<UInt32>(empty, NamesLengthAt + 4), 0u);
	PropertyList read = MakeMixedList();
	ASSERT_TRUE(ReadList(empty, read));
	EXPECT_EQ(read.GetEntryNum(), 0u);
	EXPECT_EQ(read.GetAllocatedBytes(), 0u);

	std::vector<char> bytes = WriteList(MakeMixedList());
	ASSERT_EQ(Get<UInt16>(bytes, UserDataVersionAt), 1);
	ASSERT_EQ(Get<UInt16>(bytes, UserDataVersionAt + 2), 0);
	for (const auto& [major, minor] : {std::pair<UInt16, UInt16>{1, 1}, {2, 0}, {0, 5}}) {
		std::vector<char> forged = bytes;
		Put<UInt16>(forged, UserDataVersionAt, major);
		Put<UInt16>(forged, UserDataVersionAt + 2, minor);
		PropertyList list = MakeMixedList();
		// Newer versions are refused; 0.5 is not newer but the user data accepts only 1.0.
		EXPECT_FALSE(ReadList(forged, list)) << major << "." << minor;
	}
}

TEST(PropertyListStream, ForgedStreamsAreRefused) {
	const PropertyList source = MakeMixedList(2);
	const std::vector<char> bytes = WriteList(source);
	const USize dataLenOfFirstNum = EntriesAt + EntryBytes * 1 + 25; // entry 1 = "num0", field dataLen
	const USize dataOffsetOfFirstNum = dataLenOfFirstNum - 4;
	const USize storageOfEntry2 = EntriesAt + EntryBytes * 2;
	const USize nameOffsetOfEntry3 = EntriesAt + EntryBytes * 3 + 17;
	const USize dim1OfEntry4 = EntriesAt + EntryBytes * 4 + 5;
	ASSERT_EQ(Get<UInt32>(bytes, dataLenOfFirstNum), 8u);

	struct Forgery {
		const char* what;
		USize at;
		UInt32 value;
		bool asInt16;
	};
	const Forgery forgeries[] = {
	    {"names length of 4 GB", NamesLengthAt, 0xFFFFFFF0u, false},
	    {"data length of 4 GB", NamesLengthAt + 4, 0xFFFFFFF0u, false},
	    {"entry count of 100 million", CountAt, 100000000u, false},
	    {"data past the data block", dataLenOfFirstNum, 0x10000u, false},
	    {"data offset past the block", dataOffsetOfFirstNum, 0xFFFFFFF8u, false},
	    {"data length not matching the type", dataLenOfFirstNum, 16u, false},
	    {"storage type 3", storageOfEntry2, 3, true},
	    {"array type 7", storageOfEntry2 + 2, 7, true},
	    {"name offset out of order", nameOffsetOfEntry3, 1u, false},
	    {"dimension larger than the data", dim1OfEntry4, 1000u, false},
	    {"one dimension of zero", dim1OfEntry4, 0u, false},
	};
	for (const Forgery& f : forgeries) {
		std::vector<char> forged = bytes;
		if (f.asInt16)
			Put<Int16>(forged, f.at, static_cast<Int16>(f.value));
		else
			Put<UInt32>(forged, f.at, f.value);
		PropertyList list = MakeMixedList();
		EXPECT_FALSE(ReadList(forged, list)) << f.what;
	}

	// A 100-byte stream claiming 4 GB of names.
	std::vector<char> tiny(bytes.begin(), bytes.begin() + 100);
	Put<UInt32>(tiny, NamesLengthAt, 0xFFFFFFF0u);
	PropertyList list;
	EXPECT_FALSE(ReadList(tiny, list));

	// Every truncation is refused.
	for (USize length = 0; length < bytes.size(); ++length) {
		const std::vector<char> cut(bytes.begin(), bytes.begin() + length);
		EXPECT_FALSE(ReadList(cut, list)) << length;
	}
}

TEST(PropertyListStream, DamagedBytesNeverBreakTheReader) {
	const std::vector<char> bytes = WriteList(MakeMixedList(2));
	std::mt19937 random(7);
	int accepted = 0;
	for (int round = 0; round < 3000; ++round) {
		std::vector<char> damaged = bytes;
		for (int k = 0, n = 1 + random() % 4; k < n; ++k)
			damaged[random() % damaged.size()] = static_cast<char>(random());
		PropertyList list;
		if (ReadList(damaged, list)) {
			++accepted;
			// Whatever is accepted is a sound list: it writes and reads back equal.
			PropertyList again;
			ASSERT_TRUE(ReadList(WriteList(list), again));
			EXPECT_TRUE(again.Equals(list));
		}
	}
	// Damage to values and names is not detectable; damage to the structure is.
	EXPECT_GT(accepted, 0);
	EXPECT_LT(accepted, 3000);
}

namespace {

// User data that streams a value of its own, so the list takes its entry-by-entry path.
struct TaggedUserData {
	Int32 tag = 0;
	static const Kit::ClassInfo& GetClassInfo() {
		static const Kit::ClassInfo info("TaggedUserData", "{1F0E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}",
		                                 Kit::ClassVersion(2, 1));
		return info;
	}
	void Read(Kit::IChannel& channel, const Kit::ClassVersion& version) {
		if (version != Kit::ClassVersion(2, 1)) throw Kit::KitException();
		channel.Read(tag);
	}
	void Write(Kit::OChannel& channel, const Kit::ClassVersion&) const { channel.Write(tag); }
};

} // namespace

TEST(PropertyListStream, UserDataThatWritesGoesEntryByEntry) {
	Kit::PropertyList<TaggedUserData> list;
	for (int k = 0; k < 5; ++k) {
		const UInt32 i = list.PushEntry(("e" + std::to_string(k)).c_str(), L::Num, L::OneDim, k + 1);
		list.GetUserData(i).tag = 100 + k;
		list.SetNumArrayVal(i, k + 1, 1, k * 1.5);
	}
	for (const Kit::PlatformSign protocol : {Kit::Native_Platform_Sign, Kit::BigEndian_Platform_Sign}) {
		IO::MemoryOChannel out;
		out.SetProtocol(protocol);
		list.Write(out);
		Kit::PropertyList<TaggedUserData> read;
		IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
		in.SetProtocol(protocol);
		read.Read(in);
		ASSERT_TRUE(read.Equals(list));
		for (UInt32 i = 0; i < 5; ++i)
			EXPECT_EQ(read.GetUserData(i).tag, Int32(100 + i));
		// A truncated stream still leaves nothing behind.
		IO::MemoryIChannel cut(out.GetBuffer(), out.GetDataSize() - 3);
		cut.SetProtocol(protocol);
		EXPECT_THROW(read.Read(cut), Kit::KitException);
		EXPECT_EQ(read.GetEntryNum(), 0u);
	}
}
