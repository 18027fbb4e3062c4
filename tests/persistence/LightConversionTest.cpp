#include "Model3D/persistence/conversion/LightConversion.h"
#include "fixtures/LegacyRecords.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"
#include "platform/Parx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using Fixtures::PutLghtCommon;
using Fixtures::RecordBytes;
using Fixtures::SampleLght455;
using L = Kit::PropertyListTypes;

namespace {

constexpr Kit::PlatformSign Native = Kit::Native_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;

// The tail of a light: head in the order of 'order' and 'n' pattern bytes.
void PutTail(RecordBytes& b, Kit::PlatformSign order, UInt32 n) {
	RecordBytes head(order);
	head.U16(order).I16(21).U32(n);
	b.Raw(head.Bytes().data(), head.Size());
	b.Reserved(n);
}

struct Light10 {
	LGHT_455 common;
	Int32 reserved;
	bool hasParams;
	bool tail;
	UInt32 tailLength;
};

std::vector<char> Light10Bytes(const std::vector<Light10>& lights, Kit::PlatformSign order) {
	RecordBytes b(order);
	for (const Light10& l : lights) {
		const USize start = b.Size();
		PutLghtCommon(b, l.common, start);
		b.At(start + 60).I32(l.reserved).I32(l.hasParams ? 0x10001 : 0);
		if (l.tail) PutTail(b, order, l.tailLength);
	}
	return b.Bytes();
}

void PutGuid(RecordBytes& b, const Kit::Guid& g) {
	b.U32(g.data1).U16(g.data2).U16(g.data3).Raw(g.data4.data(), 8);
}

} // namespace

TEST(LightConversion, FixedFormsSwapFieldByField) {
	for (const bool form700 : {false, true}) {
		SCOPED_TRACE(form700 ? "700" : "455");
		const Int32 size = form700 ? LGHT_700_Size : LGHT_455_Size;
		const auto build = [&](Kit::PlatformSign order) {
			RecordBytes b(order);
			b.Reserved(4); // the records start at offset 4
			for (Int16 k = 0; k < 2; ++k) {
				PutLghtCommon(b, SampleLght455(k), 4 + USize(k) * USize(size));
				if (form700) b.U32(0x8A7B6C5Du + UInt32(k)); // +60: a UInt32 of its own
			}
			return b.Bytes();
		};
		const std::vector<char> big = build(Big);
		const std::vector<char> native = build(Native);
		ASSERT_NE(big, native);
		const Int32 bufferSize = static_cast<Int32>(big.size());

		std::vector<char> buffer = big;
		Int32 offset = 4;
		if (form700)
			IV_LGHT_700(Big, buffer.data(), &offset, 2, Native);
		else
			IV_LGHT_455(Big, buffer.data(), &offset, 2, Native);
		EXPECT_EQ(buffer, native);
		EXPECT_EQ(offset, 4 + 2 * size);

		// Back, checked; and the same platform only moves the offset.
		offset = 4;
		EXPECT_EQ(form700 ? IV_LGHT_700_Checked(Native, buffer.data(), bufferSize, &offset, 2, Big)
		                  : IV_LGHT_455_Checked(Native, buffer.data(), bufferSize, &offset, 2, Big),
		          0);
		EXPECT_EQ(buffer, big);
		EXPECT_EQ(offset, bufferSize);
		offset = 4;
		IV_LGHT_455(Big, buffer.data(), &offset, 1, Big);
		EXPECT_EQ(buffer, big);
		EXPECT_EQ(offset, 4 + LGHT_455_Size);

		// A range past the buffer or a bad request changes nothing.
		const auto checked = [&](char* p, Int32 n, Int32* off, Int32 count) {
			return form700 ? IV_LGHT_700_Checked(Big, p, n, off, count, Native)
			               : IV_LGHT_455_Checked(Big, p, n, off, count, Native);
		};
		offset = 5;
		EXPECT_EQ(checked(buffer.data(), bufferSize, &offset, 2), RecordConversionOverrun);
		offset = 4;
		EXPECT_EQ(checked(buffer.data(), bufferSize, &offset, 0x7FFFFFFF), RecordConversionOverrun);
		EXPECT_EQ(checked(buffer.data(), bufferSize, &offset, -1), RecordConversionBadStructure);
		EXPECT_EQ(checked(nullptr, bufferSize, &offset, 1), RecordConversionBadStructure);
		EXPECT_EQ(checked(buffer.data(), bufferSize, nullptr, 1), RecordConversionBadStructure);
		offset = -4;
		EXPECT_EQ(checked(buffer.data(), bufferSize, &offset, 1), RecordConversionBadStructure);
		EXPECT_EQ(buffer, big);
		EXPECT_EQ(offset, -4);
	}
}

TEST(LightConversion, OldFormsBecomeLights) {
	const LGHT_455 old = SampleLght455(3);
	LGHT_700 old700;
	std::memcpy(static_cast<void*>(&old700), &old, sizeof old);
	old700.spare = 0xFFFFFFFF;

	for (const bool form700 : {false, true}) {
		LGHT light;
		light.type = 99;
		light.padding = 0;
		light.params.SetIntEntry(light.params.PushEntry("stale", L::Int, L::Scalar), 5);
		if (form700)
			FCLghtFromLght700(&light, &old700);
		else
			FCLghtFromLght455(&light, &old);
		EXPECT_EQ(light.type, old.type);
		EXPECT_EQ(light.color, old.color);
		EXPECT_EQ(light.posX, old.posX);
		EXPECT_EQ(light.posY, old.posY);
		EXPECT_EQ(light.posZ, old.posZ);
		EXPECT_EQ(light.dirX, old.dirX);
		EXPECT_EQ(light.dirY, old.dirY);
		EXPECT_EQ(light.dirZ, old.dirZ);
		const float extras[7] = {light.extra1, light.extra2, light.extra3, light.extra4,
		                         light.extra5, light.extra6, light.extra7};
		for (int i = 0; i < 7; ++i)
			EXPECT_EQ(extras[i], old.extra[i]) << i;
		EXPECT_EQ(light.padding, 0u);
		EXPECT_EQ(light.params.GetEntryNum(), 0u);
	}
	LGHT untouched;
	FCLghtFromLght455(&untouched, nullptr);
	FCLghtFromLght700(nullptr, &old700);
	EXPECT_EQ(untouched, LGHT());
}

TEST(LightConversion, Form10StepsOverTails) {
	const std::vector<Light10> lights = {
	    {SampleLght455(0), 0x01020304, false, false, 0},
	    {SampleLght455(1), -7, true, true, 13},
	    {SampleLght455(2), 0, false, false, 0},
	};
	const std::vector<char> big = Light10Bytes(lights, Big);
	// Converted: fixed parts in the running order, tails as they were written.
	std::vector<char> expected = Light10Bytes(lights, Native);
	std::memcpy(expected.data() + 2 * 68, big.data() + 2 * 68, 8 + 13);
	const Int32 size = static_cast<Int32>(big.size());
	ASSERT_EQ(size, 3 * 68 + 8 + 13);

	std::vector<char> buffer = big;
	Int32 offset = 0;
	IV_LGHT_10(Big, buffer.data(), &offset, 3, Native);
	EXPECT_EQ(buffer, expected);
	EXPECT_EQ(offset, size);

	buffer = big;
	offset = 0;
	EXPECT_EQ(IV_LGHT_10_Checked(Big, buffer.data(), size, &offset, 3, 4026, Native), 0);
	EXPECT_EQ(buffer, expected);
	EXPECT_EQ(offset, size);

	// Versions 4022–4024 keep the parameters elsewhere: a set flag has no tail.
	std::vector<Light10> noTails = lights;
	noTails[1].tail = false;
	const std::vector<char> big4023 = Light10Bytes(noTails, Big);
	buffer = big4023;
	offset = 0;
	EXPECT_EQ(IV_LGHT_10_Checked(Big, buffer.data(), static_cast<Int32>(buffer.size()), &offset, 3, 4023, Native), 0);
	EXPECT_EQ(buffer, Light10Bytes(noTails, Native));
	EXPECT_EQ(offset, 3 * 68);

	// A tail longer than the buffer stops the walk at that record, which stays as it was.
	for (const Int32 cut : {68 + 60, 68 + 70, 68 + 68 + 8 + 12}) {
		buffer = std::vector<char>(big.begin(), big.begin() + cut);
		offset = 0;
		EXPECT_EQ(IV_LGHT_10_Checked(Big, buffer.data(), cut, &offset, 3, 4026, Native), RecordConversionOverrun);
		EXPECT_EQ(offset, 68);
		EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 68, expected.begin()));
		EXPECT_TRUE(std::equal(buffer.begin() + 68, buffer.end(), big.begin() + 68));
	}
}

TEST(LightConversion, CurrentFormTailsAndReadBack) {
	// A light of version 4030 written on a big-endian platform, with a parameter block.
	LGHT light;
	const LGHT_455 old = SampleLght455(4);
	FCLghtFromLght455(&light, &old);
	light.params.SetNumEntry(light.params.PushEntry("intensity", L::Num, L::Scalar), 0.5);
	light.params.SetStringEntry(light.params.PushEntry("name", L::String, L::Scalar), u"Sun");

	GSHandle h = light.params.WriteToAddParHandle();
	ASSERT_EQ(ParxSwapAddParHdl(Native, h, 21, Big), 0);
	const std::vector<char> block(*h, *h + BMGetHandleSize(h));
	BMKillHandle(&h);

	const Kit::Guid guid = Kit::Guid::Generate();
	RecordBytes b(Big);
	PutLghtCommon(b, SampleLght455(5), 0);
	PutGuid(b.At(60), guid);
	b.At(76).I32(0);
	PutLghtCommon(b, old, 80);
	PutGuid(b.At(140), guid);
	b.At(156).I32(1);
	b.At(160).U16(Big).I16(21).U32(static_cast<UInt32>(block.size()));
	b.Raw(block.data(), block.size());
	const std::vector<char> big = b.Bytes();
	const Int32 size = static_cast<Int32>(big.size());

	std::vector<char> buffer = big;
	Int32 offset = 0;
	ASSERT_EQ(IV_LGHT(Big, buffer.data(), &offset, size, 2, Native), 0);
	EXPECT_EQ(offset, size);
	Kit::Guid converted;
	std::memcpy(&converted, buffer.data() + 60, sizeof converted);
	EXPECT_EQ(converted, guid);
	// The tail is left for LGHT::Read, which converts it by its own sign.
	EXPECT_TRUE(std::equal(buffer.begin() + 160, buffer.end(), big.begin() + 160));

	IO::MemoryIChannel in(buffer.data() + 80, buffer.size() - 80);
	LGHT read;
	ASSERT_EQ(read.Read(in, 4030), 0);
	EXPECT_EQ(read, light);
	EXPECT_EQ(in.GetAvailable(), 0u);

	// Converting back gives the original bytes.
	offset = 0;
	ASSERT_EQ(IV_LGHT(Native, buffer.data(), &offset, size, 2, Big), 0);
	EXPECT_EQ(buffer, big);

	// Forged byte counts: the walk stops at the light whose tail runs past the buffer.
	for (const UInt32 forged : {UInt32(block.size() + 1), UInt32(0x7FFFFFF0), UInt32(0xFFFFFFFF)}) {
		buffer = big;
		RecordBytes n(Big);
		n.U32(forged);
		std::memcpy(buffer.data() + 164, n.Bytes().data(), 4);
		const std::vector<char> forgedBytes = buffer;
		offset = 0;
		const Int32 code = IV_LGHT(Big, buffer.data(), &offset, size, 2, Native);
		EXPECT_EQ(code, RecordConversionOverrun);
		EXPECT_EQ(static_cast<Int16>(code & 0xFFFF), -7003);
		EXPECT_EQ(offset, 80);
		EXPECT_TRUE(std::equal(buffer.begin() + 80, buffer.end(), forgedBytes.begin() + 80));
	}
	offset = 0;
	EXPECT_EQ(IV_LGHT(Big, buffer.data(), &offset, 159, 2, Native), RecordConversionOverrun);
	EXPECT_EQ(IV_LGHT(Big, buffer.data(), &offset, -1, 1, Native), RecordConversionBadStructure);
}
