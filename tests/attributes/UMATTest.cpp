#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/proplist/PropertyList.h"
#include "fixtures/LegacyRecords.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"
#include "platform/Parx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Fixtures::RecordBytes;
using L = Kit::PropertyListTypes;

namespace {

constexpr Kit::PlatformSign Little = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;

// A material whose fields all differ, with a list of three entries.
UMAT SampleMaterial() {
	UMAT m;
	m.SetName("Brick, red");
	m.materialType = 21;
	m.surfaceColor = {0x1234, 0x5678, 0x9ABC};
	m.ambientPc = 11;
	m.diffusePc = 12;
	m.specularPc = 13;
	m.transparencyPc = 14;
	m.shininess = 1500;
	m.transparencyAtt = 16;
	m.specularColor = {0x0102, 0x0304, 0x0506};
	m.emissionColor = {0xF1F2, 0xF3F4, 0xF5F6};
	m.emissionAtt = 17;
	m.hostMaterialIdx = -3;
	m.fillRef = -4;
	m.hostWord2 = 0x0708;
	m.SetTexuretIdx(5);
	m.textureCos = 0.5f;
	m.textureSin = -0.866f;
	m.paramChecksum = 0x10203040;
	m.reserved1 = 7;
	m.reserved2 = -8;
	m.params.SetIntEntry(m.params.PushEntry("count", L::Int, L::Scalar), 42);
	m.params.SetNumEntry(m.params.PushEntry("depth", L::Num, L::Scalar), 0.25);
	const UInt32 texts = m.params.PushEntry("texts", L::String, L::OneDim, 2);
	m.params.SetStringArrayVal(texts, 2, 1, u"Ziegel");
	return m;
}

// The fixed part that every version shares (84 bytes), in the given byte order.
RecordBytes FixedPart(const UMAT& m, Kit::PlatformSign order) {
	RecordBytes b(order);
	b.At(0).Raw(m.name, 32);
	b.At(32).I16(m.materialType);
	b.At(34).U16(m.surfaceColor.red).U16(m.surfaceColor.green).U16(m.surfaceColor.blue);
	b.At(40).I16(m.ambientPc).I16(m.diffusePc).I16(m.specularPc).I16(m.transparencyPc);
	b.I16(m.shininess).I16(m.transparencyAtt);
	b.At(52).U16(m.specularColor.red).U16(m.specularColor.green).U16(m.specularColor.blue);
	b.At(58).U16(m.emissionColor.red).U16(m.emissionColor.green).U16(m.emissionColor.blue);
	b.At(64).I16(m.emissionAtt).I16(m.hostMaterialIdx).I16(m.fillRef).I16(m.hostWord2);
	b.At(72).I32(m.textureIdx).F32(m.textureCos).F32(m.textureSin);
	b.At(84);
	return b;
}

// A material of versions up to 4031: the fixed part, the parameter-block flag, the
// checksum and the two reserved words.
std::vector<char> FlagForm(const UMAT& m, Int32 flag, Kit::PlatformSign order) {
	RecordBytes b = FixedPart(m, order);
	b.At(84).I32(flag).I32(m.paramChecksum).I32(m.reserved1).I32(m.reserved2);
	b.At(100);
	return b.Bytes();
}

// The old parameter block as it follows a material: raw head in the block's own byte
// order, then the block.
std::vector<char> BlockTail(const std::vector<char>& block, Int16 blockVersion, Kit::PlatformSign blockOrder) {
	RecordBytes b(blockOrder);
	b.U16(blockOrder).I16(blockVersion).U32(static_cast<UInt32>(block.size()));
	b.Raw(block.data(), block.size());
	return b.Bytes();
}

struct Handle {
	GSHandle h = nullptr;
	explicit Handle(GSHandle h) : h(h) {}
	Handle(const Handle&) = delete;
	~Handle() { BMKillHandle(&h); }
	std::vector<char> Bytes() const { return std::vector<char>(*h, *h + BMGetHandleSize(h)); }
};

// A version-21 block of the list, in the given byte order, and its checksum.
std::vector<char> Block21(const Modeler::PropertyList& list, Kit::PlatformSign order, Int32* checksum) {
	Handle block(list.WriteToAddParHandle());
	*checksum = ParxCalcCheckSumAddParHdl(block.h);
	if (order != Little) {
		EXPECT_EQ(ParxSwapAddParHdl(Little, block.h, 21, order), 0);
	}
	return block.Bytes();
}

// A version-18 block with one fixed pen parameter "pen" = 7 (native byte order).
std::vector<char> Block18() {
	RecordBytes b(Little);
	b.I32(1).I16(18).I16(0);
	b.At(8).I16(Parx::PenType).Raw("\0\1", 2).I32(0).I32(0).I32(8 + 48).I32(0).Raw("\0\0\0\0", 4);
	b.At(8 + 24).I32(7).I32(0);
	char name[16] = "pen";
	b.At(8 + 32).Raw(name, sizeof name);
	b.At(8 + 48);
	return b.Bytes();
}

std::vector<char> Concat(std::vector<char> a, const std::vector<char>& b) {
	a.insert(a.end(), b.begin(), b.end());
	return a;
}

// Reads a material from the bytes with the given input protocol. *left receives the
// bytes that the read left in the channel.
int ReadMaterial(const std::vector<char>& bytes, Kit::PlatformSign protocol, int version, UMAT& m,
                 UInt64* left = nullptr) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	IO::SetPlatformIProtocol(in, protocol);
	const int result = m.Read(in, version);
	if (left != nullptr) *left = in.GetAvailable();
	return result;
}

// Every fixed field but the checksum equal (the checksum is recomputed from old blocks).
void ExpectSameFixedFields(const UMAT& a, const UMAT& b) {
	EXPECT_STREQ(a.name, b.name);
	EXPECT_EQ(a.materialType, b.materialType);
	EXPECT_EQ(a.surfaceColor, b.surfaceColor);
	EXPECT_EQ(a.ambientPc, b.ambientPc);
	EXPECT_EQ(a.diffusePc, b.diffusePc);
	EXPECT_EQ(a.specularPc, b.specularPc);
	EXPECT_EQ(a.transparencyPc, b.transparencyPc);
	EXPECT_EQ(a.shininess, b.shininess);
	EXPECT_EQ(a.transparencyAtt, b.transparencyAtt);
	EXPECT_EQ(a.specularColor, b.specularColor);
	EXPECT_EQ(a.emissionColor, b.emissionColor);
	EXPECT_EQ(a.emissionAtt, b.emissionAtt);
	EXPECT_EQ(a.hostMaterialIdx, b.hostMaterialIdx);
	EXPECT_EQ(a.fillRef, b.fillRef);
	EXPECT_EQ(a.hostWord2, b.hostWord2);
	EXPECT_EQ(a.GetTexuretIdx(), b.GetTexuretIdx());
	EXPECT_EQ(a.textureCos, b.textureCos);
	EXPECT_EQ(a.textureSin, b.textureSin);
	EXPECT_EQ(a.reserved1, b.reserved1);
	EXPECT_EQ(a.reserved2, b.reserved2);
}

} // namespace

TEST(UMAT, DefaultsAndCopies) {
	const UMAT d;
	char expectedName[32] = "Unused";
	EXPECT_EQ(std::memcmp(d.name, expectedName, 32), 0);
	EXPECT_EQ(d.materialType, 0);
	EXPECT_EQ(d.surfaceColor, Kit::RGBColor{});
	EXPECT_EQ(d.GetTexuretIdx(), 0);
	EXPECT_EQ(d.textureCos, 0.0f);
	EXPECT_EQ(d.paramChecksum, 0);
	EXPECT_EQ(d.params.GetEntryNum(), 0u);

	const UMAT sample = SampleMaterial();
	UMAT copy(sample);
	EXPECT_EQ(copy, sample);
	ExpectSameFixedFields(copy, sample);
	EXPECT_EQ(copy.paramChecksum, sample.paramChecksum);
	// The list is a copy of its own.
	copy.params.SetIntEntry(0, 43);
	EXPECT_NE(copy, sample);
	EXPECT_EQ(sample.params.GetIntEntry(0), 42);

	UMAT assigned;
	assigned = sample;
	EXPECT_EQ(assigned, sample);
	assigned = d;
	EXPECT_EQ(assigned, d);
	EXPECT_EQ(assigned.params.GetEntryNum(), 0u);
}

TEST(UMAT, WriteLayoutAndRoundTrip) {
	for (const UMAT& m : {UMAT(), SampleMaterial()}) {
		IO::MemoryOChannel out;
		ASSERT_EQ(m.Write(out), 0);
		const std::vector<char> bytes = out.GetBytes();
		ASSERT_GT(bytes.size(), USize(UMATFixedFileSize));
		// The fixed part is the shared 84 bytes, then checksum and the reserved words.
		RecordBytes fixed = FixedPart(m, Little);
		fixed.I32(m.paramChecksum).I32(m.reserved1).I32(m.reserved2);
		EXPECT_EQ(std::vector<char>(bytes.begin(), bytes.begin() + UMATFixedFileSize), fixed.Bytes());

		for (const int version : {4032, 4040}) {
			UMAT back = SampleMaterial();
			UInt64 left = 1;
			ASSERT_EQ(ReadMaterial(bytes, Little, version, back, &left), 0);
			EXPECT_EQ(left, 0u);
			EXPECT_EQ(back, m);
			ExpectSameFixedFields(back, m);
			EXPECT_EQ(back.paramChecksum, m.paramChecksum);
		}
	}

	// A sink that refuses the bytes: its status, no exception.
	struct RefusingChannel : Kit::OChannel {
		bool DoWrite(const void*, UInt64) override { return false; }
	} refusing;
	int written = 0;
	EXPECT_NO_THROW(written = SampleMaterial().Write(refusing));
	EXPECT_EQ(written, refusing.GetOutputStatus());
	EXPECT_NE(written, 0);

	// Written for the other platform, the material reads back there.
	const UMAT m = SampleMaterial();
	IO::MemoryOChannel out;
	IO::SetPlatformOProtocol(out, Big);
	ASSERT_EQ(m.Write(out), 0);
	EXPECT_EQ(Fixtures::NativeAt<Int16>(out.GetBytes(), 32), ByteSwap(m.materialType));
	UMAT back;
	ASSERT_EQ(ReadMaterial(out.GetBytes(), Big, 4032, back), 0);
	EXPECT_EQ(back, m);
}

TEST(UMAT, ReadsFlagFormsOfBothPlatforms) {
	const UMAT m = SampleMaterial();
	UMAT fixedOnly = m;
	fixedOnly.params.Clear();
	for (const Kit::PlatformSign order : {Little, Big}) {
		SCOPED_TRACE(order);
		const std::vector<char> trailer = {'T', 'A', 'I', 'L'};
		// Flag 0: nothing follows the record, for 4031 and 4024.
		for (const int version : {4031, 4024}) {
			UMAT back = SampleMaterial();
			UInt64 left = 0;
			ASSERT_EQ(ReadMaterial(Concat(FlagForm(m, 0, order), trailer), order, version, back, &left), 0);
			EXPECT_EQ(left, trailer.size());
			EXPECT_EQ(back, fixedOnly);
		}
		// Up to 4023 a set flag announces nothing: the bytes after the record stay.
		for (const int version : {4023, 4010}) {
			UMAT back;
			UInt64 left = 0;
			ASSERT_EQ(ReadMaterial(Concat(FlagForm(m, 1, order), trailer), order, version, back, &left), 0);
			EXPECT_EQ(left, trailer.size());
			EXPECT_EQ(back, fixedOnly);
		}
		// The record of version 4032 has no flag: the same bytes read as 4032 are shifted.
		UMAT shifted;
		ReadMaterial(FlagForm(m, 0, order), order, 4032, shifted);
		EXPECT_NE(shifted.paramChecksum, m.paramChecksum);
	}
}

TEST(UMAT, ReadsOldParameterBlocks) {
	const UMAT m = SampleMaterial();
	for (const Kit::PlatformSign recordOrder : {Little, Big}) {
		for (const Kit::PlatformSign blockOrder : {Little, Big}) {
			SCOPED_TRACE(std::to_string(recordOrder) + "/" + std::to_string(blockOrder));
			Int32 checksum = 0;
			const std::vector<char> block = Block21(m.params, blockOrder, &checksum);
			const std::vector<char> bytes = Concat(FlagForm(m, 1, recordOrder), BlockTail(block, 21, blockOrder));
			UMAT back;
			UInt64 left = 1;
			ASSERT_EQ(ReadMaterial(bytes, recordOrder, 4028, back, &left), 0);
			EXPECT_EQ(left, 0u);
			ExpectSameFixedFields(back, m);
			EXPECT_TRUE(back.params.Equals(m.params));
			// The checksum is that of the block, not the stored one.
			EXPECT_EQ(back.paramChecksum, checksum);
			EXPECT_NE(back.paramChecksum, m.paramChecksum);
		}
	}

	// A block of version 18 is converted before it is loaded.
	UMAT back;
	const std::vector<char> old = Concat(FlagForm(m, 1, Big), BlockTail(Block18(), 18, Little));
	ASSERT_EQ(ReadMaterial(old, Big, 4025, back), 0);
	ASSERT_EQ(back.params.GetEntryNum(), 1u);
	EXPECT_STREQ(back.params.GetEntryName(0), "pen");
	EXPECT_EQ(back.params.GetIntEntry(0), 7);
	EXPECT_TRUE(back.params.IsEntryFix(0));
	EXPECT_NE(back.paramChecksum, m.paramChecksum);
}

TEST(UMAT, RefusesBadInputWithoutThrowing) {
	const UMAT m = SampleMaterial();
	Int32 checksum = 0;
	const std::vector<char> block = Block21(m.params, Little, &checksum);
	const std::vector<char> good = Concat(FlagForm(m, 1, Little), BlockTail(block, 21, Little));

	// Truncated anywhere: the channel's error, an empty list, no exception.
	for (USize size : {USize(0), USize(50), USize(99), USize(104), good.size() - 1}) {
		SCOPED_TRACE(size);
		UMAT back = SampleMaterial();
		const std::vector<char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
		int result = 0;
		EXPECT_NO_THROW(result = ReadMaterial(cut, Little, 4030, back));
		EXPECT_NE(result, 0);
		EXPECT_EQ(back.params.GetEntryNum(), 0u);
	}

	// A forged byte count far beyond the input is refused before anything is allocated.
	std::vector<char> forged = good;
	const UInt32 huge = 0xFFFFFFF0u;
	std::memcpy(forged.data() + 104, &huge, 4);
	UMAT back;
	EXPECT_EQ(ReadMaterial(forged, Little, 4030, back), UMATReadWriteFailed);
	EXPECT_EQ(back.params.GetEntryNum(), 0u);

	// A damaged block, a block version the library does not know.
	std::vector<char> damaged = good;
	const Int32 count = 1000;
	std::memcpy(damaged.data() + 108, &count, 4);
	EXPECT_NE(ReadMaterial(damaged, Little, 4030, back), 0);
	EXPECT_EQ(back.params.GetEntryNum(), 0u);
	std::vector<char> unknown = good;
	const Int16 version = 20;
	std::memcpy(unknown.data() + 102, &version, 2);
	EXPECT_NE(ReadMaterial(unknown, Little, 4030, back), 0);
	EXPECT_EQ(back.params.GetEntryNum(), 0u);

	// A damaged list stream of version 4032.
	IO::MemoryOChannel out;
	ASSERT_EQ(m.Write(out), 0);
	std::vector<char> stream = out.GetBytes();
	stream.resize(stream.size() - 3);
	int result = 0;
	EXPECT_NO_THROW(result = ReadMaterial(stream, Little, 4032, back));
	EXPECT_NE(result, 0);
	EXPECT_EQ(back.params.GetEntryNum(), 0u);
	for (USize at = UMATFixedFileSize; at < UMATFixedFileSize + 40; ++at) {
		std::vector<char> bad = out.GetBytes();
		bad[at] = static_cast<char>(bad[at] ^ 0x5A);
		EXPECT_NO_THROW(ReadMaterial(bad, Little, 4032, back));
	}
}
