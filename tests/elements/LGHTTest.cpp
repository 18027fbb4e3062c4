#include "Model3D/elements/records/LGHT.h"
#include "fixtures/LegacyRecords.h"
#include "platform/BMMemory.h"
#include "platform/Geometry.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"
#include "platform/Parx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using Fixtures::RecordBytes;
using L = Kit::PropertyListTypes;

namespace {

constexpr Kit::PlatformSign Little = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;

// A light whose fields all have distinct values with asymmetric bytes.
LGHT SampleLight(bool withParams = true) {
	LGHT light;
	light.type = 0x1203;
	light.color = {0x1234, 0x5678, 0x9ABC};
	for (int i = 0; i < 13; ++i)
		light.*LGHTRecord::Floats[i] = 1.1f + 0.37f * static_cast<float>(i) * (i % 2 == 0 ? 1.0f : -1.0f);
	if (withParams) {
		light.params.SetNumEntry(light.params.PushEntry("intensity", L::Num, L::Scalar), 0.75);
		light.params.SetIntEntry(light.params.PushEntry("shadows", L::Int, L::Scalar), 3);
		light.params.SetStringEntry(light.params.PushEntry("label", L::String, L::Scalar), u"Spot");
		const UInt32 cone = light.params.PushEntry("cone", L::Num, L::OneDim, 2);
		light.params.SetNumArrayVal(cone, 2, 1, 45.5);
	}
	return light;
}

// The fixed part as LGHT::Read takes it: type, colour, 13 floats in 'order'.
void PutFixed(RecordBytes& b, const LGHTRecord& r) {
	b.At(0).I16(r.type).U16(r.color.red).U16(r.color.green).U16(r.color.blue);
	b.At(8);
	for (float LGHTRecord::*f : LGHTRecord::Floats)
		b.F32(r.*f);
	b.At(60);
}

std::vector<char> HandleBytes(GSHandle h) {
	return std::vector<char>(*h, *h + BMGetHandleSize(h));
}

// A parameter block of the given version in the byte order of 'order'.
std::vector<char> BlockIn(std::vector<char> nativeBlock, Int16 version, Kit::PlatformSign order) {
	GSHandle h = BMAllocateHandle(static_cast<Int64>(nativeBlock.size()), 0, 0);
	std::memcpy(*h, nativeBlock.data(), nativeBlock.size());
	if (order != Kit::Native_Platform_Sign) {
		EXPECT_EQ(ParxSwapAddParHdl(Kit::Native_Platform_Sign, h, version, order), 0);
	}
	std::vector<char> bytes = HandleBytes(h);
	BMKillHandle(&h);
	return bytes;
}

std::vector<char> CurrentBlock(const Modeler::PropertyList& list) {
	GSHandle h = list.WriteToAddParHandle();
	std::vector<char> bytes = HandleBytes(h);
	BMKillHandle(&h);
	return bytes;
}

template <typename T> void Put(std::vector<char>& bytes, USize at, T value) {
	std::memcpy(bytes.data() + at, &value, sizeof value);
}

// A version-18 block with an integer "power" = 42 and a number "ratio" = 2.5.
std::vector<char> OldBlock() {
	std::vector<char> bytes(8 + 2 * 48, 0);
	Put<Int32>(bytes, 0, 2);
	Put<Int16>(bytes, 4, 18);
	const auto record = [&](USize r, Int16 type, const char* name) {
		Put<Int16>(bytes, r, type);
		Put<Int32>(bytes, r + 12, 8 + 2 * 48); // data offset: where the next data would go
		std::strcpy(bytes.data() + r + 32, name);
	};
	record(8, Parx::IntegerType, "power");
	Put<Int32>(bytes, 8 + 24, 42);
	record(56, Parx::RealNumType, "ratio");
	Put<double>(bytes, 56 + 24, 2.5);
	return bytes;
}

Modeler::PropertyList OldBlockList() {
	Modeler::PropertyList list;
	list.SetIntEntry(list.PushEntry("power", L::Int, L::Scalar), 42);
	list.SetNumEntry(list.PushEntry("ratio", L::Num, L::Scalar), 2.5);
	return list;
}

// The list's own stream in the byte order of 'order'.
std::vector<char> ListStream(const Modeler::PropertyList& list, Kit::PlatformSign order) {
	IO::MemoryOChannel out;
	IO::SetPlatformOProtocol(out, order);
	list.Write(out);
	return out.GetBytes();
}

// A light record of 'version' as written on the platform 'order'. 'block' is the
// parameter block (already in that order) for versions 4025–4031.
std::vector<char> LightStream(const LGHT& light, Int32 version, Kit::PlatformSign order, bool hasParams,
                              const std::vector<char>& block = {}, Int16 blockVersion = 21) {
	RecordBytes b(order);
	PutFixed(b, light);
	if (version >= 4032) {
		const std::vector<char> list = ListStream(light.params, order);
		b.Raw(list.data(), list.size());
		return b.Bytes();
	}
	if (version >= 4028) {
		const Kit::Guid guid = Kit::Guid::Generate();
		b.Raw(&guid, sizeof guid);
	} else {
		b.Reserved(4);
	}
	b.I32(hasParams ? 1 : 0);
	if (hasParams && version >= 4025) {
		b.U16(order).I16(blockVersion).U32(static_cast<UInt32>(block.size()));
		b.Raw(block.data(), block.size());
	}
	return b.Bytes();
}

Int32 ReadLight(LGHT& light, const std::vector<char>& bytes, Int32 version, Kit::PlatformSign order,
                UInt64* left = nullptr) {
	IO::MemoryIChannel in(bytes.data(), bytes.size());
	IO::SetPlatformIProtocol(in, order);
	const Int32 result = light.Read(in, version);
	if (left != nullptr) *left = in.GetAvailable();
	return result;
}

// An output channel that refuses everything after its first 'limit' bytes.
class LimitedOChannel : public Kit::OChannel {
public:
	explicit LimitedOChannel(UInt64 limit) : limit(limit) {}

protected:
	bool DoWrite(const void*, UInt64 n) override {
		if (n > limit) return false;
		limit -= n;
		return true;
	}

private:
	UInt64 limit;
};

TRAN RotationZ90AndShift(double tx, double ty, double tz) {
	TRAN t;
	Geometry::TMIdentity(&t);
	t.matrix[0] = 0.0;
	t.matrix[1] = -1.0;
	t.matrix[4] = 1.0;
	t.matrix[5] = 0.0;
	t.matrix[3] = tx;
	t.matrix[7] = ty;
	t.matrix[11] = tz;
	Geometry::TMFillStatus(&t);
	return t;
}

} // namespace

TEST(LGHT, DefaultCopyAndEquality) {
	const LGHT zero;
	EXPECT_EQ(zero.type, 0);
	EXPECT_EQ(zero.color, Kit::RGBColor{});
	for (float LGHTRecord::*f : LGHTRecord::Floats)
		EXPECT_EQ(zero.*f, 0.0f);
	EXPECT_EQ(zero.params.GetEntryNum(), 0u);
	EXPECT_EQ(zero.GetUsedBytes(), sizeof(LGHT));

	const LGHT sample = SampleLight();
	LGHT copy(sample);
	EXPECT_EQ(copy, sample);
	LGHT assigned;
	assigned = sample;
	EXPECT_EQ(assigned, sample);
	EXPECT_EQ(sample.GetUsedBytes(), sizeof(LGHT) + sample.params.GetAllocatedBytes());
	EXPECT_GT(sample.GetVariableBytes(), 4u * 36u);

	// Every fixed field takes part, floats without tolerance.
	copy.type = 0x1204;
	EXPECT_NE(copy, sample);
	for (UInt16 Kit::RGBColor::*c : {&Kit::RGBColor::red, &Kit::RGBColor::green, &Kit::RGBColor::blue}) {
		copy = sample;
		copy.color.*c ^= 1;
		EXPECT_NE(copy, sample);
	}
	for (float LGHTRecord::*f : LGHTRecord::Floats) {
		copy = sample;
		copy.*f = std::nextafter(copy.*f, 100.0f);
		EXPECT_NE(copy, sample);
	}

	// Lights that differ only in their lists are unequal; the list's own tolerance for
	// numbers applies.
	copy = sample;
	copy.params.SetNumEntry(0, 0.75 + 1e-6);
	EXPECT_EQ(copy, sample);
	copy.params.SetNumEntry(0, 0.75 + 1e-4);
	EXPECT_NE(copy, sample);
	copy = sample;
	copy.params.SetEntryName(1, "shadow");
	EXPECT_NE(copy, sample);
	EXPECT_NE(SampleLight(false), sample);
}

TEST(LGHT, TransformMovesPositionAndTurnsDirection) {
	LGHT light = SampleLight();
	light.SetPos(1.0f, 2.0f, 3.0f);
	light.SetDir(1.0f, 0.0f, 0.5f);
	const LGHT original = light;

	// Null and the identity change nothing.
	light.Transform(nullptr);
	EXPECT_EQ(light, original);
	TRAN identity;
	Geometry::TMIdentity(&identity);
	light.Transform(identity);
	EXPECT_EQ(light, original);
	// The status word decides: a matrix marked as identity is not applied.
	TRAN marked = RotationZ90AndShift(5, 5, 5);
	marked.status |= Geometry::TR_IDENT;
	light.Transform(marked);
	EXPECT_EQ(light, original);

	// A pure translation moves the position and leaves the direction.
	TRAN shift;
	Geometry::TMIdentity(&shift);
	shift.matrix[3] = 10.0;
	shift.matrix[7] = -4.0;
	shift.matrix[11] = 0.5;
	Geometry::TMFillStatus(&shift);
	light.Transform(shift);
	EXPECT_FLOAT_EQ(light.posX, 11.0f);
	EXPECT_FLOAT_EQ(light.posY, -2.0f);
	EXPECT_FLOAT_EQ(light.posZ, 3.5f);
	EXPECT_EQ(light.dirX, 1.0f);
	EXPECT_EQ(light.dirY, 0.0f);
	EXPECT_EQ(light.dirZ, 0.5f);

	// Rotation by 90° about z and a translation: the direction turns but is not moved.
	light = original;
	const TRAN t = RotationZ90AndShift(10.0, 20.0, 30.0);
	double px, py, pz, dx, dy, dz;
	light.GetTransformedPosAndDir(&t, &px, &py, &pz, &dx, &dy, &dz);
	EXPECT_NEAR(px, 8.0, 1e-12);
	EXPECT_NEAR(py, 21.0, 1e-12);
	EXPECT_NEAR(pz, 33.0, 1e-12);
	EXPECT_NEAR(dx, 0.0, 1e-12);
	EXPECT_NEAR(dy, 1.0, 1e-12);
	EXPECT_NEAR(dz, 0.5, 1e-12);
	light.Transform(t);
	EXPECT_FLOAT_EQ(light.posX, 8.0f);
	EXPECT_FLOAT_EQ(light.posY, 21.0f);
	EXPECT_FLOAT_EQ(light.posZ, 33.0f);
	EXPECT_NEAR(light.dirX, 0.0f, 1e-7);
	EXPECT_FLOAT_EQ(light.dirY, 1.0f);
	EXPECT_FLOAT_EQ(light.dirZ, 0.5f);
	// Only position and direction change.
	EXPECT_EQ(light.type, original.type);
	EXPECT_EQ(light.extra7, original.extra7);
	EXPECT_TRUE(light.params.Equals(original.params));

	// Without a transformation the values come back widened.
	original.GetTransformedPosAndDir(nullptr, &px, &py, &pz, &dx, &dy, &dz);
	EXPECT_EQ(px, 1.0);
	EXPECT_EQ(pz, 3.0);
	EXPECT_EQ(dz, 0.5);
}

TEST(LGHT, IVConvertsFixedFieldsOnly) {
	const LGHT sample = SampleLight();
	LGHT light = sample;
	light.IV(Little, Little);
	EXPECT_EQ(light, sample);

	light.IV(Kit::Native_Platform_Sign, Big);
	// The image now holds what a big-endian platform would have stored.
	RecordBytes expected(Big);
	PutFixed(expected, sample);
	EXPECT_EQ(0, std::memcmp(&light.GetRecord(), expected.Bytes().data(), 60));
	EXPECT_TRUE(light.params.Equals(sample.params));

	light.IV(Big, Kit::Native_Platform_Sign);
	EXPECT_EQ(light, sample);
}

TEST(LGHT, ReadsEveryVersionInBothByteOrders) {
	const LGHT sample = SampleLight();
	const LGHT plain = SampleLight(false);
	const Modeler::PropertyList oldList = OldBlockList();
	for (const Kit::PlatformSign order : {Little, Big}) {
		SCOPED_TRACE(order);
		const std::vector<char> block21 = BlockIn(CurrentBlock(sample.params), 21, order);
		const std::vector<char> block18 = BlockIn(OldBlock(), 18, order);
		for (const Int32 version : {4022, 4023, 4024, 4025, 4026, 4027, 4028, 4029, 4030, 4031, 4032, 4040}) {
			SCOPED_TRACE(version);
			UInt64 left = 1;
			LGHT light = SampleLight(); // the list is replaced, not added to
			light.type = 0;

			if (version >= 4032) {
				ASSERT_EQ(ReadLight(light, LightStream(sample, version, order, true), version, order, &left), 0);
				EXPECT_EQ(light, sample);
				EXPECT_EQ(left, 0u);
				continue;
			}
			// Without parameters.
			ASSERT_EQ(ReadLight(light, LightStream(plain, version, order, false), version, order, &left), 0);
			EXPECT_EQ(light, plain);
			EXPECT_EQ(left, 0u);

			// With parameters.
			light = SampleLight();
			if (version <= 4024) {
				ASSERT_EQ(ReadLight(light, LightStream(plain, version, order, true), version, order, &left), 0);
				EXPECT_EQ(left, 0u);
				ASSERT_EQ(light.params.GetEntryNum(), 1u);
				EXPECT_STREQ(light.params.GetEntryName(0), "_");
				EXPECT_EQ(light.params.GetEntryType(0), L::Int);
				EXPECT_EQ(light.params.GetIntEntry(0), 0);
				EXPECT_EQ(light.GetRecord().posZ, plain.posZ);
				continue;
			}
			ASSERT_EQ(ReadLight(light, LightStream(sample, version, order, true, block21), version, order, &left), 0);
			EXPECT_EQ(light, sample);
			EXPECT_EQ(left, 0u);

			// An old parameter block is brought to the current form.
			LGHT expected = plain;
			expected.params = oldList;
			ASSERT_EQ(ReadLight(light, LightStream(plain, version, order, true, block18, 18), version, order, &left),
			          0);
			EXPECT_EQ(light, expected);
			EXPECT_EQ(left, 0u);
		}
	}
}

TEST(LGHT, ReadRefusesBadInput) {
	const LGHT sample = SampleLight();
	const LGHT plain = SampleLight(false);
	for (const Kit::PlatformSign order : {Little, Big}) {
		SCOPED_TRACE(order);
		const std::vector<char> block = BlockIn(CurrentBlock(sample.params), 21, order);

		// A block longer than the input: refused before allocating; the fixed fields are
		// kept and the list stays empty.
		for (const UInt32 forged : {UInt32(block.size() + 1), UInt32(0x7FFFFFFF), UInt32(0xFFFFFFF0)}) {
			std::vector<char> bytes = LightStream(sample, 4026, order, true, block);
			RecordBytes length(order);
			length.U32(forged);
			std::memcpy(bytes.data() + 72, length.Bytes().data(), 4);
			LGHT light = SampleLight();
			EXPECT_EQ(ReadLight(light, bytes, 4026, order), -7003);
			EXPECT_EQ(light.params.GetEntryNum(), 0u);
			EXPECT_EQ(light.GetRecord().extra3, sample.extra3);
			EXPECT_EQ(light.type, sample.type);
		}

		// A damaged block gives the Parx code and an empty list.
		std::vector<char> damaged = block;
		RecordBytes count(order);
		count.I32(1000);
		std::memcpy(damaged.data(), count.Bytes().data(), 4);
		LGHT light = SampleLight();
		// A foreign block is checked by the byte-order conversion, a native one when the
		// list is loaded from it.
		EXPECT_EQ(ReadLight(light, LightStream(sample, 4030, order, true, damaged), 4030, order),
		          order == Big ? ParxBadBlockError : -7003);
		EXPECT_EQ(light.params.GetEntryNum(), 0u);

		// Every truncation of every form gives an error, never a crash; a fixed part cut
		// short leaves the light's fields as they were.
		for (const Int32 version : {4023, 4026, 4029, 4032}) {
			const std::vector<char> whole = LightStream(sample, version, order, true, block);
			for (USize cut = 0; cut < whole.size(); ++cut) {
				std::vector<char> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
				LGHT target = plain;
				target.type = 77;
				ASSERT_NE(ReadLight(target, bytes, version, order), 0) << "cut " << cut;
				if (cut < 60) {
					EXPECT_EQ(target.type, 77);
				}
				if (version > 4024) {
					EXPECT_EQ(target.params.GetEntryNum(), 0u);
				}
			}
		}
	}

	// Versions before the stream form are not read.
	LGHT light = sample;
	const std::vector<char> bytes = LightStream(sample, 4032, Little, true);
	EXPECT_EQ(ReadLight(light, bytes, 4021, Little), -1);
	EXPECT_EQ(light.params.GetEntryNum(), 0u);
	EXPECT_EQ(light.type, sample.type);
}

TEST(LGHT, WriteReadRoundTrip) {
	for (const Kit::PlatformSign order : {Little, Big}) {
		for (const LGHT& sample : {SampleLight(), SampleLight(false), LGHT()}) {
			SCOPED_TRACE(order == Big ? "big-endian channel" : "little-endian channel");
			IO::MemoryOChannel out;
			IO::SetPlatformOProtocol(out, order);
			ASSERT_EQ(sample.Write(out), 0);
			// Fixed part in the channel's order, then the list's stream in the same order.
			RecordBytes fixed(order);
			PutFixed(fixed, sample);
			ASSERT_GT(out.GetDataSize(), 60u);
			EXPECT_EQ(0, std::memcmp(out.GetBuffer(), fixed.Bytes().data(), 60));
			EXPECT_EQ(std::vector<char>(out.GetBytes().begin() + 60, out.GetBytes().end()),
			          ListStream(sample.params, order));
			// On the running platform's channel the fixed part is the record's own bytes, as
			// lights have always been written.
			if (order == Kit::Native_Platform_Sign) {
				EXPECT_EQ(0, std::memcmp(out.GetBuffer(), &sample.GetRecord(), 60));
			}

			LGHT light = SampleLight();
			light.type = 1;
			UInt64 left = 1;
			ASSERT_EQ(ReadLight(light, out.GetBytes(), 4032, order, &left), 0);
			EXPECT_EQ(light, sample);
			EXPECT_EQ(left, 0u);
		}
	}

	// Failures are returned, never thrown: in the fixed part the channel's status, in the
	// list −7003.
	const LGHT sample = SampleLight();
	LimitedOChannel shortFixed(30);
	EXPECT_EQ(sample.Write(shortFixed), Kit::ChannelWriteError);
	LimitedOChannel shortList(70);
	EXPECT_EQ(sample.Write(shortList), -7003);
}

TEST(LGHT, QuickStreamRoundTrip) {
	const std::vector<LGHT> lights = {SampleLight(), LGHT(), SampleLight(false)};
	IO::MemoryOChannel out;
	for (const LGHT& light : lights)
		light.QuickWrite(out);
	IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
	for (const LGHT& expected : lights) {
		LGHT light = SampleLight();
		light.QuickRead(in);
		EXPECT_EQ(light, expected);
	}
	EXPECT_EQ(in.GetAvailable(), 0u);
	EXPECT_EQ(in.GetInputStatus(), 0);

	// The image is the record, padding zeroed.
	LGHT padded = SampleLight();
	padded.padding = 0xDEADBEEF;
	IO::MemoryOChannel one;
	padded.QuickWrite(one);
	LGHTRecord image;
	std::memcpy(&image, one.GetBuffer(), sizeof image);
	EXPECT_EQ(image.padding, 0u);
	EXPECT_EQ(0, std::memcmp(&image, &SampleLight().GetRecord(), 60));

	// A failing raw write throws.
	LimitedOChannel full(10);
	EXPECT_THROW(SampleLight().QuickWrite(full), Kit::InternalErrorException);

	// Every truncation throws and leaves the old fixed fields with an empty list.
	const std::vector<char>& whole = one.GetBytes();
	for (USize cut = 0; cut < whole.size(); ++cut) {
		IO::MemoryIChannel cutIn(whole.data(), cut);
		LGHT light;
		light.type = 9;
		light.params.PushEntry("old", L::Int, L::Scalar);
		EXPECT_THROW(light.QuickRead(cutIn), Kit::InternalErrorException) << "cut " << cut;
		EXPECT_EQ(light.type, 9);
		EXPECT_EQ(light.params.GetEntryNum(), 0u);
	}
}
