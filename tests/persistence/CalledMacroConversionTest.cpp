#include "Model3D/persistence/conversion/CalledMacroConversion.h"

#include "fixtures/CalledMacroFixtures.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using Fixtures::CalledMacroNameListBytes;
using Fixtures::SampleCalledMacroEntries;
using Fixtures::SampleCalledMacros;
using Bytes = std::vector<char>;

namespace {

constexpr Kit::PlatformSign Little = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;
constexpr Kit::PlatformSign Orders[] = {Little, Big};
constexpr Int16 ItemListModes[] = {0, 2, 7};

GSHandle HandleOf(const Bytes& bytes) {
	GSHandle h = BMAllocateHandle(Int64(bytes.size()));
	if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
	return h;
}

Bytes BytesOf(GSConstHandle h) {
	return Bytes(*h, *h + BMGetHandleSize(h));
}

// Converts a copy of 'bytes'; returns the result and the converted bytes.
Int16 Convert(const Bytes& bytes, Kit::PlatformSign from, Int16 mode, Kit::PlatformSign to, Bytes* out) {
	GSHandle h = HandleOf(bytes);
	const Int16 result = SwapLP_CalledMacroSection(from, h, mode, to);
	*out = BytesOf(h);
	BMKillHandle(&h);
	return result;
}

Bytes ItemListBytes(Kit::PlatformSign order) {
	GSHandle h = nullptr;
	EXPECT_EQ(MakeCalledMacroSection(SampleCalledMacros(), order, &h), NoError);
	if (h == nullptr) return {};
	Bytes bytes = BytesOf(h);
	BMKillHandle(&h);
	return bytes;
}

} // namespace

TEST(CalledMacroConversion, SectionsConvertBetweenByteOrdersAndBack) {
	const auto entries = SampleCalledMacroEntries();
	for (const Kit::PlatformSign from : Orders) {
		for (const Kit::PlatformSign to : Orders) {
			SCOPED_TRACE(testing::Message() << from << " to " << to);
			Bytes converted;
			Bytes back;
			// The name list, against its independent builder.
			const Bytes names = CalledMacroNameListBytes(entries, from);
			EXPECT_EQ(Convert(names, from, CalledMacroNameListMode, to, &converted), 0);
			EXPECT_EQ(converted, CalledMacroNameListBytes(entries, to));
			EXPECT_EQ(Convert(converted, to, CalledMacroNameListMode, from, &back), 0);
			EXPECT_EQ(back, names);

			// The item list: the same bytes as written in the target order, read back as
			// the same items from a channel of that order.
			const Bytes items = ItemListBytes(from);
			EXPECT_EQ(items, Fixtures::CalledMacroListBytes(SampleCalledMacros(), from));
			for (const Int16 mode : ItemListModes) {
				EXPECT_EQ(Convert(items, from, mode, to, &converted), 0);
				EXPECT_EQ(converted, ItemListBytes(to));
				IO::MemoryIChannel in(converted.data(), converted.size());
				IO::SetPlatformIProtocol(in, to);
				Kit::Array<SyCalledMacroItem> read;
				EXPECT_EQ(ReadCalledMacroList(in, read), NoError);
				EXPECT_EQ(read, SampleCalledMacros());
				EXPECT_EQ(Convert(converted, to, mode, from, &back), 0);
				EXPECT_EQ(back, items);
			}
		}
	}
	// An empty name list converts to itself.
	Bytes converted;
	EXPECT_EQ(Convert({}, Big, CalledMacroNameListMode, Little, &converted), 0);
	EXPECT_TRUE(converted.empty());
}

TEST(CalledMacroConversion, CutAndForgedSectionsFailCleanly) {
	// Name list: a cut inside an entry fails before that entry is touched; the entries
	// before it are converted. A cut between entries is a shorter, valid list.
	const auto entries = SampleCalledMacroEntries();
	const Bytes big = CalledMacroNameListBytes(entries, Big);
	const Bytes little = CalledMacroNameListBytes(entries, Little);
	std::vector<USize> boundaries = {0};
	for (const auto& e : entries)
		boundaries.push_back(boundaries.back() + e.name.size() + 1 + 32);
	for (USize n = 0; n < big.size(); ++n) {
		SCOPED_TRACE(testing::Message() << "name list cut at " << n);
		USize done = 0;
		for (const USize b : boundaries)
			if (b <= n) done = b;
		Bytes expected(little.begin(), little.begin() + Int64(done));
		expected.insert(expected.end(), big.begin() + Int64(done), big.begin() + Int64(n));
		Bytes converted;
		EXPECT_EQ(Convert(Bytes(big.begin(), big.begin() + Int64(n)), Big, CalledMacroNameListMode, Little, &converted),
		          done == n ? 0 : -7003);
		EXPECT_EQ(converted, expected);
	}

	// Item list: every strict prefix fails and leaves the handle as it was.
	const Bytes items = ItemListBytes(Big);
	for (USize n = 0; n < items.size(); ++n) {
		const Bytes cut(items.begin(), items.begin() + Int64(n));
		Bytes converted;
		EXPECT_NE(Convert(cut, Big, 0, Little, &converted), 0) << n << " bytes";
		EXPECT_EQ(converted, cut) << n << " bytes";
	}
	struct Forgery {
		const char* what;
		Bytes bytes;
		Int16 expected;
	};
	Bytes hugeCount = items;
	std::memset(hugeCount.data() + 24, 0x7F, 4); // the item count, after the frame header
	Bytes trailing = items;
	trailing.push_back(0);
	const Forgery forgeries[] = {
	    {"count beyond the bytes", hugeCount, -7003},
	    {"a byte after the stream", trailing, -1},
	    {"a name list as an item list", CalledMacroNameListBytes(entries, Big), -1},
	};
	for (const Forgery& f : forgeries) {
		SCOPED_TRACE(f.what);
		Bytes converted;
		EXPECT_EQ(Convert(f.bytes, Big, 0, Little, &converted), f.expected);
		EXPECT_EQ(converted, f.bytes);
	}

	// No handle, or a handle without a block.
	EXPECT_EQ(SwapLP_CalledMacroSection(Big, nullptr, 0, Little), -1);
	EXPECT_EQ(SwapLP_CalledMacroSection(Big, nullptr, CalledMacroNameListMode, Little), -1);
	char* noBlock = nullptr;
	EXPECT_EQ(SwapLP_CalledMacroSection(Big, &noBlock, 0, Little), -1);
}
