#include "AttributesTestSupport.h"

#include "Model3D/attributes/fills/FillConversion.h"
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace AttributesTest;
using Modeler::Attributes;

namespace {

constexpr Kit::PlatformSign Native = Kit::Native_Platform_Sign;
constexpr Kit::PlatformSign Foreign = Kit::BigEndian_Platform_Sign;
constexpr Int32 CurrentVersion = 4032;

// A sink that refuses every byte.
class RefusingOChannel : public Kit::OChannel {
protected:
	bool DoWrite(const void*, UInt64) override { return false; }
};

void Reverse(std::vector<char>& bytes, size_t offset, size_t width) {
	std::reverse(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
	             bytes.begin() + static_cast<std::ptrdiff_t>(offset + width));
}

// Fill heads as a big-endian platform writes them.
std::vector<char> ForeignFills(const std::vector<char>& native) {
	std::vector<char> bytes = native;
	for (size_t r = 0; r < bytes.size() / sizeof(UFIL); ++r) {
		const size_t base = r * sizeof(UFIL);
		Reverse(bytes, base + 32, 2);
		Reverse(bytes, base + 34, 2);
		Reverse(bytes, base + 36, 4);
		Reverse(bytes, base + 40, 4);
	}
	return bytes;
}

// A store with three named fills whose definitions are real fill records.
Attributes::Modifier StoreWithFills() {
	Attributes::Modifier m(Attributes::New());
	for (int i = 0; i < 3; ++i) {
		PlanAttr::Fill fill;
		fill.SetName(Kit::UniString(std::string("Plain ") + char('A' + i)));
		fill.SetType(PlanAttr::PlainFill);
		fill.SetAngle(0.25 * i);
		fill.SetModificationTime(1000 + i);
		char* record = nullptr;
		IMConvertFillToRecord(reinterpret_cast<char*>(&fill), &record);
		m.AddFill(Int16(i + 1), record, 288);
		BMKillPtr(&record);
	}
	return m;
}

void ExpectSameFills(const Attributes::Viewer& a, const Attributes::Viewer& b) {
	ASSERT_EQ(a.GetFillCount(), b.GetFillCount());
	ASSERT_EQ(a.GetFillDescriptorCount(), b.GetFillDescriptorCount());
	for (UInt32 i = 1; i <= a.GetFillCount(); ++i)
		EXPECT_EQ(std::memcmp(a.GetConstFillPtr(i), b.GetConstFillPtr(i), sizeof(UFIL)), 0) << i;
	EXPECT_EQ(std::memcmp(a.GetConstFillDescriptorPtr(1), b.GetConstFillDescriptorPtr(1), a.GetFillDescriptorCount()),
	          0);
}

UMAT SampleMaterial(int i) {
	UMAT m;
	m.SetName((std::string("Material ") + std::to_string(i)).c_str());
	m.materialType = static_cast<Int16>(20 + i);
	m.surfaceColor = Kit::RGBColor{static_cast<UInt16>(1000 * i), 2, 65535};
	m.ambientPc = 30;
	m.diffusePc = static_cast<Int16>(-5 * i);
	m.shininess = 1250;
	m.hostMaterialIdx = static_cast<Int16>(-i);
	m.fillRef = -3;
	m.hostWord2 = 77;
	m.textureIdx = i;
	m.textureCos = 0.5f;
	m.textureSin = -0.75f;
	m.paramChecksum = 0x12345678;
	return m;
}

TEST(AttributesRange, EmptyRangesWriteNothingAndBadRangesAreRefused) {
	Attributes::Modifier m(Attributes::New());
	IO::MemoryOChannel out;
	m.WriteMaterialFile(out, 0, 0);
	m.WriteFillFile(out, 0, 0);
	m.WriteFillDescriptorFile(out, 0, 0);
	m.WriteTextureFile(out, 0, 0);
	m.WriteTextureAttributesFile(out, 7, 0);
	EXPECT_EQ(out.GetDataSize(), 0u);

	using E = Kit::IllegalArgumentException;
	EXPECT_EQ(ThrownMessage<E>([&] { m.WriteMaterialFile(out, 1, 1); }), "Material (umat) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { m.WriteFillFile(out, 1, 1); }), "Fill (ufil) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { m.WriteFillDescriptorFile(out, 1, 1); }), "Fill (fide) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { m.WriteTextureFile(out, 1, 1); }), "Texture (rtxt) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { m.WriteTextureAttributesFile(out, 1, 1); }), "Texture (txta) index out of range");

	Attributes::Modifier full = StoreWithFills();
	full.AddMaterial(UMAT());
	full.AddTexture(MakeTexture("t", 1, 1), TXTA{});
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteFillFile(out, 0, 1); }), "Fill (ufil) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteFillFile(out, 3, 2); }), "Fill (ufil) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteFillFile(out, 1, 0xFFFFFFFFu); }), "Fill (ufil) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteFillDescriptorFile(out, 2, 864); }), "Fill (fide) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteMaterialFile(out, 1, 2); }), "Material (umat) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteTextureFile(out, 2, 1); }), "Texture (rtxt) index out of range");
	EXPECT_EQ(ThrownMessage<E>([&] { full.WriteTextureAttributesFile(out, 0, 1); }),
	          "Texture (txta) index out of range");
	EXPECT_EQ(out.GetDataSize(), 0u);

	// The last entries exactly.
	full.WriteFillFile(out, 2, 2);
	full.WriteFillDescriptorFile(out, 864, 1);
	full.WriteTextureFile(out, 1, 1);
	full.WriteTextureAttributesFile(out, 1, 1);
	EXPECT_EQ(out.GetDataSize(), 2 * 44u + 1 + 544 + 16);
}

TEST(AttributesRange, FailedWritesAreReported) {
	Attributes::Modifier m = StoreWithFills();
	m.AddMaterial(UMAT());
	m.AddTexture(MakeTexture("t", 1, 1), TXTA{});
	using R = Kit::RunTimeErrorException;
	RefusingOChannel out;
	EXPECT_EQ(ThrownMessage<R>([&] { m.WriteFillFile(out, 1, 1); }), "WriteFillFile failed");
	EXPECT_EQ(ThrownMessage<R>([&] { m.WriteFillDescriptorFile(out, 1, 1); }), "WriteFillDescriptorFile failed");
	EXPECT_EQ(ThrownMessage<R>([&] { m.WriteTextureFile(out, 1, 1); }), "WriteTextureFile failed");
	EXPECT_EQ(ThrownMessage<R>([&] { m.WriteTextureAttributesFile(out, 1, 1); }), "WriteTextureAttributesFile failed");
	EXPECT_EQ(ThrownMessage<R>([&] { m.WriteMaterialFile(out, 1, 1); }), "WriteMaterialFile failed");
}

TEST(AttributesRange, TextureRangesAreRawRecords) {
	Attributes::Modifier m(Attributes::New());
	m.AddTexture(MakeTexture("a", 3, 4), TXTA{nullptr, 5, 0});
	m.AddTexture(MakeTexture("b", 6, 7), TXTA{nullptr, 8, 0});
	m.AddTexture(MakeTexture("c", 9, 10), TXTA{nullptr, 11, 0});
	IO::MemoryOChannel out;
	m.WriteTextureFile(out, 2, 2);
	ASSERT_EQ(out.GetDataSize(), 2 * sizeof(RTXT));
	EXPECT_EQ(std::memcmp(out.GetBuffer(), m.GetConstTexturePtr(2), 2 * sizeof(RTXT)), 0);
	out.Clear();
	m.WriteTextureAttributesFile(out, 1, 3);
	ASSERT_EQ(out.GetDataSize(), 3 * sizeof(TXTA));
	TXTA third;
	std::memcpy(&third, out.GetBuffer() + 2 * sizeof(TXTA), sizeof third);
	EXPECT_EQ(third.pictIndex, 11);
}

TEST(AttributesRange, FillsRoundTripInTheRunningByteOrder) {
	Attributes::Modifier source = StoreWithFills();
	IO::MemoryOChannel fillsOut;
	IO::MemoryOChannel fideOut;
	source.WriteFillFile(fillsOut, 1, source.GetFillCount());
	source.WriteFillDescriptorFile(fideOut, 1, source.GetFillDescriptorCount());

	Attributes::Modifier target(Attributes::New());
	target.GrowFillCapacity(3);
	target.GrowFillDescriptorCapacity(864);
	IO::MemoryIChannel fillsIn(fillsOut.GetBytes());
	IO::MemoryIChannel fideIn(fideOut.GetBytes());
	target.ReadFill(fillsIn, Native, 3);
	target.ReadFillDescriptor(fideIn, Native, 864, CurrentVersion);
	ExpectSameFills(source, target);
	EXPECT_EQ(fillsIn.GetAvailable(), 0u);
	EXPECT_EQ(fideIn.GetAvailable(), 0u);
}

TEST(AttributesRange, FillsFromTheOtherByteOrderAreConverted) {
	Attributes::Modifier source = StoreWithFills();
	IO::MemoryOChannel fillsOut;
	IO::MemoryOChannel fideOut;
	source.WriteFillFile(fillsOut, 1, 3);
	source.WriteFillDescriptorFile(fideOut, 1, 864);

	std::vector<char> foreignFills = ForeignFills(fillsOut.GetBytes());
	ASSERT_NE(foreignFills, fillsOut.GetBytes());
	std::vector<char> foreignFide = fideOut.GetBytes();
	Int32 offset = 0;
	ASSERT_EQ(IV_FIDE(Native, foreignFide.data(), &offset, 864, CurrentVersion, Foreign), 0);
	ASSERT_NE(foreignFide, fideOut.GetBytes());

	Attributes::Modifier target(Attributes::New());
	target.GrowFillCapacity(3);
	target.GrowFillDescriptorCapacity(864);
	IO::MemoryIChannel fillsIn(foreignFills);
	IO::MemoryIChannel fideIn(foreignFide);
	target.ReadFill(fillsIn, Foreign, 3);
	target.ReadFillDescriptor(fideIn, Foreign, 864, CurrentVersion);
	ExpectSameFills(source, target);
}

TEST(AttributesRange, FillReadsNeedReservedRoomAndTheBytes) {
	Attributes::Modifier source = StoreWithFills();
	IO::MemoryOChannel out;
	source.WriteFillFile(out, 1, 3);

	Attributes::Modifier target(Attributes::New());
	IO::MemoryIChannel in(out.GetBytes());
	target.ReadFill(in, Native, 0); // nothing to do
	// The new fills must fit the room reserved (10 items in a new store).
	EXPECT_EQ(ThrownMessage<Kit::IllegalArgumentException>([&] { target.ReadFill(in, Native, 11); }),
	          "Fill index out of range");
	EXPECT_EQ(ThrownMessage<Kit::IllegalArgumentException>(
	              [&] { target.ReadFillDescriptor(in, Native, 1001, CurrentVersion); }),
	          "Fill index out of range");
	// A count the channel cannot deliver.
	EXPECT_EQ(ThrownMessage<Kit::RunTimeErrorException>([&] { target.ReadFill(in, Native, 4); }),
	          "KModeler::Attributes::OnlyModifier::ReadFill: Kit::IChannel::ReadBin failed");
	EXPECT_EQ(
	    ThrownMessage<Kit::RunTimeErrorException>([&] { target.ReadFillDescriptor(in, Native, 133, CurrentVersion); }),
	    "KModeler::Attributes::OnlyModifier::ReadFillDescriptor: Kit::IChannel::ReadBin failed");
	EXPECT_EQ(target.GetFillCount(), 0u);
	EXPECT_EQ(target.GetFillDescriptorCount(), 0u);
	EXPECT_EQ(in.GetAvailable(), 132u); // nothing consumed

	// A foreign definition block that does not hold together is not taken in.
	std::vector<char> bad(40, '\0');
	const Int32 badLength = 4000;
	std::memcpy(bad.data(), &badLength, 4);
	Reverse(bad, 0, 4);
	IO::MemoryIChannel badIn(bad);
	EXPECT_THROW(target.ReadFillDescriptor(badIn, Foreign, 40, CurrentVersion), Kit::RunTimeErrorException);
	EXPECT_EQ(target.GetFillDescriptorCount(), 0u);
}

TEST(AttributesRange, MaterialsRoundTripInBothByteOrdersAfterExistingOnes) {
	Attributes::Modifier source(Attributes::New());
	for (int i = 1; i <= 3; ++i)
		source.AddMaterial(SampleMaterial(i));

	for (Kit::PlatformSign platform : {Native, Foreign}) {
		IO::MemoryOChannel out;
		out.SetProtocol(platform);
		source.WriteMaterialFile(out, 2, 2);
		if (platform == Native) {
			// The writer's output is exactly the materials' own file forms.
			IO::MemoryOChannel expected;
			source.GetConstMaterialPtr(2)->Write(expected);
			source.GetConstMaterialPtr(3)->Write(expected);
			EXPECT_EQ(out.GetBytes(), expected.GetBytes());
		}

		Attributes::Modifier target(Attributes::New());
		target.AddMaterial(SampleMaterial(9));
		IO::MemoryIChannel in(out.GetBytes());
		in.SetProtocol(0x1234);
		target.ReadMaterial(in, CurrentVersion, platform, 77, 2);
		EXPECT_EQ(in.GetProtocol(), 0x1234); // restored
		ASSERT_EQ(target.GetMaterialCount(), 3u);
		EXPECT_EQ(*target.GetConstMaterialPtr(1), SampleMaterial(9));
		EXPECT_EQ(*target.GetConstMaterialPtr(2), SampleMaterial(2)) << platform;
		EXPECT_EQ(*target.GetConstMaterialPtr(3), SampleMaterial(3)) << platform;
	}
}

TEST(AttributesRange, MaterialReadsRefuseShortInput) {
	Attributes::Modifier source(Attributes::New());
	source.AddMaterial(SampleMaterial(1));
	source.AddMaterial(SampleMaterial(2));
	IO::MemoryOChannel out;
	source.WriteMaterialFile(out, 1, 2);

	Attributes::Modifier target(Attributes::New());
	target.AddMaterial(UMAT());
	const std::string message = "Modeler::Attributes::OnlyModifier::ReadMaterial: UMAT::Read failed";
	// More materials than the bytes can hold: refused before any is made.
	IO::MemoryIChannel in(out.GetBytes());
	EXPECT_EQ(ThrownMessage<Kit::RunTimeErrorException>(
	              [&] { target.ReadMaterial(in, CurrentVersion, Native, 0, 0x7FFFFFFF); }),
	          message);
	EXPECT_EQ(target.GetMaterialCount(), 1u);
	// The bytes of one and a half materials: the second read fails and nothing is kept.
	std::vector<char> cut = out.GetBytes();
	cut.resize(cut.size() - 60);
	IO::MemoryIChannel cutIn(cut);
	EXPECT_EQ(
	    ThrownMessage<Kit::RunTimeErrorException>([&] { target.ReadMaterial(cutIn, CurrentVersion, Native, 0, 2); }),
	    message);
	EXPECT_EQ(target.GetMaterialCount(), 1u);
}

// A 70-byte material of the 4.55 form with every field set.
std::vector<char> Material455(int i) {
	UMAT_455 old{};
	std::snprintf(old.name, sizeof old.name, "Old %d", i);
	old.materialType = static_cast<Int16>(i);
	old.surfaceColor[0] = 0x1234;
	old.surfaceColor[2] = static_cast<UInt16>(i);
	old.coefficients[0] = 40;
	old.coefficients[5] = static_cast<Int16>(-i);
	old.specularColor[1] = 0xABCD;
	old.emissionColor[2] = 9;
	old.emissionAtt = 3;
	old.hostMaterialIdx = static_cast<Int16>(100 + i);
	old.fillRef = -2;
	std::vector<char> bytes(sizeof old);
	std::memcpy(bytes.data(), &old, sizeof old);
	return bytes;
}

TEST(AttributesRange, Materials455AreConvertedToCurrentMaterials) {
	for (Kit::PlatformSign platform : {Native, Foreign}) {
		std::vector<char> file;
		for (int i = 1; i <= 2; ++i) {
			std::vector<char> record = Material455(i);
			if (platform == Foreign) {
				for (size_t at = 32; at < 70; at += 2)
					Reverse(record, at, 2);
			}
			file.insert(file.end(), record.begin(), record.end());
		}

		Attributes::Modifier m(Attributes::New());
		m.AddMaterial(SampleMaterial(5));
		IO::MemoryIChannel in(file);
		m.ReadMaterial455(in, platform, 2);
		ASSERT_EQ(m.GetMaterialCount(), 3u);
		for (UInt32 i = 1; i <= 2; ++i) {
			const UMAT& read = *m.GetConstMaterialPtr(i + 1);
			EXPECT_EQ(std::string(read.name), "Old " + std::to_string(i));
			EXPECT_EQ(read.materialType, static_cast<Int16>(i));
			EXPECT_EQ(read.surfaceColor.red, 0x1234);
			EXPECT_EQ(read.surfaceColor.blue, i);
			EXPECT_EQ(read.ambientPc, 40);
			EXPECT_EQ(read.transparencyAtt, -static_cast<Int16>(i));
			EXPECT_EQ(read.specularColor.green, 0xABCD);
			EXPECT_EQ(read.emissionColor.blue, 9);
			EXPECT_EQ(read.emissionAtt, 3);
			EXPECT_EQ(read.hostMaterialIdx, static_cast<Int16>(100 + i));
			EXPECT_EQ(read.fillRef, -2);
			EXPECT_EQ(read.hostWord2, 0);
			EXPECT_EQ(read.textureIdx, 0);
			EXPECT_EQ(read.paramChecksum, 0);
		}
	}

	Attributes::Modifier m(Attributes::New());
	std::vector<char> one = Material455(1);
	IO::MemoryIChannel in(one);
	EXPECT_EQ(ThrownMessage<Kit::RunTimeErrorException>([&] { m.ReadMaterial455(in, Native, 2); }),
	          "Modeler::Attributes::OnlyModifier::ReadMaterial455: Kit::IChannel::ReadBin failed");
	EXPECT_EQ(ThrownMessage<Kit::RunTimeErrorException>([&] { m.ReadMaterial455(in, Native, 0xFFFFFFFFu); }),
	          "Modeler::Attributes::OnlyModifier::ReadMaterial455: Kit::IChannel::ReadBin failed");
	EXPECT_EQ(m.GetMaterialCount(), 0u);
}

} // namespace
