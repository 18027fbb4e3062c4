#include "Model3D/persistence/conversion/BinaryPartConversion.h"
#include "fixtures/LegacyRecords.h"
#include "fixtures/ModelFileImage.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Fixtures::Bytes;
constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

// Equal images, or where the first difference is.
testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected) {
	if (actual == expected) return testing::AssertionSuccess();
	USize at = 0;
	while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
		++at;
	return testing::AssertionFailure() << "images of " << actual.size() << " and " << expected.size()
	                                   << " bytes differ from byte " << at;
}

Int32 SizeOf(const Bytes& b) {
	return static_cast<Int32>(b.size());
}

// A part of the other byte order becomes, field for field, the part the test writer
// writes in this order (parameter tails stay in the order of the platform that wrote
// them), and converting it back gives the original bytes.
TEST(BinaryPartConversion, ForeignPartsBecomeNativeAndBack) {
	for (const Int32 version : Fixtures::BinaryPartVersions()) {
		if (version == 4018) continue;
		SCOPED_TRACE(version);
		const Bytes big = Fixtures::BinaryPartImage(version, BE, BE);
		const Bytes little = Fixtures::BinaryPartImage(version, LE, BE);
		ASSERT_FALSE(SameBytes(big, little));

		Bytes part = big;
		ASSERT_EQ(FCSwapBinaryPart(BE, part.data(), SizeOf(part)), 0);
		EXPECT_TRUE(SameBytes(part, little));
		ASSERT_EQ(FCSwapBinaryPart_R(LE, part.data(), SizeOf(part), BE), 0);
		EXPECT_TRUE(SameBytes(part, big));

		// A part made here goes out through its handle and comes back unchanged.
		const Bytes native = Fixtures::BinaryPartImage(version, LE, LE);
		GSHandle handle = BMAllocateHandle(SizeOf(native));
		std::memcpy(*handle, native.data(), native.size());
		EXPECT_EQ(FCSwap_BINARYPart(LE, handle, BE), 0);
		EXPECT_NE(std::memcmp(*handle, native.data(), native.size()), 0);
		EXPECT_EQ(FCSwap_BINARYPart(BE, handle, LE), 0);
		EXPECT_EQ(std::memcmp(*handle, native.data(), native.size()), 0);
		BMKillHandle(&handle);
	}
}

// The lights and materials of a 4032 part, read by their own readers where the sections
// before them end.
void ReadListForms(const Bytes& part, std::vector<LGHT>& lights, std::vector<UMAT>& materials) {
	using Fixtures::FileSection;
	USize at = 68;
	for (const FileSection s : {FileSection::Body, FileSection::Tran, FileSection::Pgon, FileSection::Pedg,
	                            FileSection::Edge, FileSection::Vert, FileSection::Vect, FileSection::Teve})
		at += 2 * static_cast<USize>(Fixtures::FormNamed(Fixtures::SectionForm(s, 4032)).size);
	IO::MemoryIChannel channel(part.data() + at, part.size() - at);
	channel.SetProtocol(Kit::Native_Platform_Sign);
	for (LGHT& light : lights)
		ASSERT_EQ(light.Read(channel, 4032), 0);
	channel.Skip(2 * (544 + 44));
	for (UMAT& material : materials)
		ASSERT_EQ(material.Read(channel, 4032), 0);
}

// The lights and materials that went out to the other byte order and came back read as
// they were written.
TEST(BinaryPartConversion, ListFormsReadBackAfterTheRoundTrip) {
	const Bytes native = Fixtures::BinaryPartImage(4032, LE, LE);
	Bytes part = native;
	ASSERT_EQ(FCSwapBinaryPart_R(LE, part.data(), SizeOf(part), BE), 0);
	ASSERT_EQ(FCSwapBinaryPart(BE, part.data(), SizeOf(part)), 0);
	std::vector<LGHT> lights(2);
	std::vector<UMAT> materials(2);
	ReadListForms(part, lights, materials);
	EXPECT_EQ(lights, Fixtures::ListFormLights());
	EXPECT_EQ(materials, Fixtures::ListFormMaterials());
}

TEST(BinaryPartConversion, SameByteOrderChangesNothing) {
	for (const Int32 version : Fixtures::BinaryPartVersions()) {
		SCOPED_TRACE(version);
		for (const Kit::PlatformSign order : {LE, BE}) {
			const Bytes original = Fixtures::BinaryPartImage(version, order, order);
			Bytes part = original;
			EXPECT_EQ(FCSwapBinaryPart_R(order, part.data(), SizeOf(part), order), 0);
			EXPECT_TRUE(SameBytes(part, original));
		}
	}
}

// Versions outside the families, foreign 4018 parts (whose bodies nobody can convert)
// and missing blocks are refused.
TEST(BinaryPartConversion, RefusesWhatItCannotConvert) {
	for (const Int32 version : {0, -1, 4000, 4002, 4003, 4007, 4023, 4024, 4033, 0x7FFFFFFF}) {
		SCOPED_TRACE(version);
		for (const Kit::PlatformSign order : {LE, BE}) {
			Bytes part = Fixtures::Int32sBytes({version, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, order);
			const Bytes original = part;
			EXPECT_EQ(FCSwapBinaryPart(order, part.data(), SizeOf(part)), -1);
			EXPECT_EQ(part, original);
		}
	}
	Bytes foreign4018 = Fixtures::BinaryPartImage(4018, BE, BE);
	EXPECT_EQ(FCSwapBinaryPart(BE, foreign4018.data(), SizeOf(foreign4018)), -1);
	EXPECT_EQ(FCSwapBinaryPart(BE, nullptr, 100), -1);
	EXPECT_EQ(FCSwap_BINARYPart(BE, nullptr, LE), -1);
	char* empty = nullptr;
	EXPECT_EQ(FCSwap_BINARYPart(BE, &empty, LE), -1);
}

// Every strict prefix of a part fails without touching a byte outside it (the prefix is
// a buffer of its own size, so a read past it shows under the sanitizers). Only 4022 may
// stop cleanly where its optional light parameter section begins.
TEST(BinaryPartConversion, EveryPrefixFailsCleanly) {
	for (const Int32 version : {4001, 4008, 4012, 4016, 4022, 4026, 4029, 4031, 4032}) {
		SCOPED_TRACE(version);
		const Bytes whole = Fixtures::BinaryPartImage(version, BE, BE);
		int cleanStops = 0;
		for (USize length = 0; length < whole.size(); ++length) {
			Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
			const Int16 result = FCSwapBinaryPart(BE, prefix.data(), SizeOf(prefix));
			if (result == 0) {
				++cleanStops;
				continue;
			}
			EXPECT_TRUE(result == -1 || result == -7003) << "length " << length << ": " << result;
		}
		EXPECT_EQ(cleanStops, version == 4022 ? 1 : 0);
	}
}

// Counts that the block cannot hold are refused before anything is read past it.
TEST(BinaryPartConversion, ForgedCountsAreRefused) {
	for (const UInt32 countAt : {8u, 12u, 36u, 48u, 52u}) {
		SCOPED_TRACE(countAt);
		Bytes part = Fixtures::BinaryPartImage(4031, BE, BE);
		for (const Int32 forged : {-1, 0x7FFFFFFF}) {
			Bytes copy = part;
			const Bytes count = Fixtures::Int32sBytes({forged}, BE);
			std::memcpy(copy.data() + countAt, count.data(), 4);
			EXPECT_NE(FCSwapBinaryPart(BE, copy.data(), SizeOf(copy)), 0);
		}
	}
}

} // namespace
