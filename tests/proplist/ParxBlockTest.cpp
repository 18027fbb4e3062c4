#include "Model3D/proplist/PropertyList.h"
#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/Parx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using Modeler::PropertyList;
using L = Kit::PropertyListTypes;

namespace {

// Owns a handle for the length of a test.
struct Handle {
	GSHandle h = nullptr;
	explicit Handle(GSHandle h) : h(h) {}
	explicit Handle(const std::vector<char>& bytes) : h(BMAllocateHandle(static_cast<Int64>(bytes.size()), 0, 0)) {
		std::memcpy(*h, bytes.data(), bytes.size());
	}
	Handle(const Handle&) = delete;
	~Handle() { BMKillHandle(&h); }
	std::vector<char> Bytes() const { return std::vector<char>(*h, *h + BMGetHandleSize(h)); }
};

template <typename T> T Get(GSConstHandle h, Int64 at) {
	T value;
	std::memcpy(&value, *h + at, sizeof value);
	return value;
}

template <typename T> void Put(std::vector<char>& bytes, USize at, T value) {
	std::memcpy(bytes.data() + at, &value, sizeof value);
}

PropertyList MakeList() {
	PropertyList list;
	list.SetIntEntry(list.PushEntry("count", L::Int, L::Scalar), 12);
	list.SetNumEntry(list.PushEntry("length", L::Num, L::Scalar), 2.75);
	list.SetStringEntry(list.PushEntry("label", L::String, L::Scalar), u"Gr\u00FCn");
	const UInt32 ints = list.PushEntry("ints", L::Int, L::OneDim, 3);
	list.SetIntArrayVal(ints, 2, 1, -5);
	const UInt32 nums = list.PushEntry("matrix", L::Num, L::TwoDim, 2, 2);
	list.SetNumArrayVal(nums, 2, 1, 0.125);
	const UInt32 strs = list.PushEntry("texts", L::String, L::OneDim, 3);
	list.SetStringArrayVal(strs, 3, 1, u"last");
	list.SetEntryFix(1, true);
	list.SetEntryFix(strs, true);
	return list;
}

// An old (version 18) block: 8-byte header, 48-byte records, 8-bit strings.
std::vector<char> MakeOldBlock() {
	std::vector<char> bytes(8 + 3 * 48);
	Put<Int32>(bytes, 0, 3);
	Put<Int16>(bytes, 4, 18);
	const auto record = [&](int k, Int16 type, Int32 dim1, UInt8 fix, const char* name) {
		const USize r = 8 + 48 * USize(k);
		Put<Int16>(bytes, r, type);
		bytes[r + 2] = dim1 != 0 ? 1 : 0;
		bytes[r + 3] = static_cast<char>(fix);
		Put<Int32>(bytes, r + 4, dim1);
		std::strcpy(bytes.data() + r + 32, name);
		return r;
	};
	const Int32 dataStart = 8 + 3 * 48;
	USize r = record(0, Parx::PenType, 0, 1, "pen");
	Put<Int32>(bytes, r + 12, dataStart);
	Put<Int32>(bytes, r + 24, 7);
	r = record(1, Parx::StringType, 2, 0, "names");
	Put<Int32>(bytes, r + 12, dataStart);
	const char strings[] = "caf\xE9\0tea"; // two 8-bit texts
	Put<Int32>(bytes, r + 16, sizeof strings);
	bytes.insert(bytes.end(), strings, strings + sizeof strings);
	r = record(2, Parx::AngleType, 2, 0, "angles");
	Put<Int32>(bytes, r + 12, dataStart + Int32(sizeof strings));
	Put<Int32>(bytes, r + 16, 16);
	for (const double v : {0.5, 1.5})
		bytes.insert(bytes.end(), reinterpret_cast<const char*>(&v), reinterpret_cast<const char*>(&v) + 8);
	return bytes;
}

} // namespace

TEST(ParxBlock, OneNumScalarLayout) {
	PropertyList list;
	list.SetNumEntry(list.PushEntry("x", L::Num, L::Scalar), 3.5);
	Handle block(list.WriteToAddParHandle());
	ASSERT_EQ(BMGetHandleSize(block.h), 80);
	EXPECT_EQ(Get<Int32>(block.h, 0), 1);
	EXPECT_EQ(Get<Int16>(block.h, 4), 21);
	EXPECT_EQ(Get<Int16>(block.h, 16), 4);
	EXPECT_EQ(Get<Int32>(block.h, 20), 0);
	EXPECT_EQ(Get<Int32>(block.h, 24), 0);
	EXPECT_EQ(Get<double>(block.h, 32), 3.5);
	EXPECT_STREQ(*block.h + 40, "x");
	EXPECT_EQ(Get<Int32>(block.h, 72), 80);
	EXPECT_EQ(Get<Int32>(block.h, 76), 0);
}

TEST(ParxBlock, CreateMakesUnnamedIntScalars) {
	PropertyList list = MakeList();
	list.Create(3);
	ASSERT_EQ(list.GetEntryNum(), 3u);
	for (UInt32 i = 0; i < 3; ++i) {
		EXPECT_STREQ(list.GetEntryName(i), "");
		EXPECT_EQ(list.GetEntryType(i), L::Int);
		EXPECT_TRUE(list.IsEntryScalar(i));
		EXPECT_FALSE(list.IsEntryFix(i));
	}
	Handle block(list.WriteToAddParHandle());
	EXPECT_EQ(BMGetHandleSize(block.h), 16 + 3 * 64);
	PropertyList read;
	read.ReadFromAddParHandle(block.h);
	EXPECT_TRUE(read.Equals(list));
}

TEST(ParxBlock, RoundTripAndChecksum) {
	PropertyList list = MakeList();
	list.PushEntry("a-name-that-is-longer-than-thirty-one-characters", L::Int, L::Scalar);
	Handle block(list.WriteToAddParHandle());
	EXPECT_EQ(ParxGetVarNumber(block.h), 7);
	bool isArray = false;
	Int32 d1 = -1, d2 = -1;
	EXPECT_EQ(ParxGetVarType(block.h, 4, &isArray, &d1, &d2), Parx::RealNumType);
	EXPECT_TRUE(isArray);
	EXPECT_EQ(d1, 2);
	EXPECT_EQ(d2, 2);

	PropertyList read;
	read.PushEntry("old", L::Int, L::Scalar);
	read.SetEntryFix(0, true);
	read.ReadFromAddParHandle(block.h);
	ASSERT_EQ(read.GetEntryNum(), 7u);
	EXPECT_STREQ(read.GetEntryName(6), "a-name-that-is-longer-than-thir");
	read.SetEntryFix(6, false);
	read.SetEntryName(6, list.GetEntryName(6));
	EXPECT_TRUE(read.Equals(list));
	for (UInt32 i = 0; i < list.GetEntryNum(); ++i)
		EXPECT_EQ(read.IsEntryFix(i), list.IsEntryFix(i)) << i;
	EXPECT_EQ(std::u16string(read.GetStringEntry(2)), u"Gr\u00FCn");

	// Equal parameters give equal checksums, whatever list the block came from.
	Handle same(read.WriteToAddParHandle());
	EXPECT_EQ(ParxCalcCheckSumAddParHdl(same.h), ParxCalcCheckSumAddParHdl(block.h));
	read.SetNumArrayVal(4, 1, 2, 9.0);
	Handle changed(read.WriteToAddParHandle());
	EXPECT_NE(ParxCalcCheckSumAddParHdl(changed.h), ParxCalcCheckSumAddParHdl(block.h));
}

TEST(ParxBlock, SwappedBlockReadsBackOnTheOtherPlatform) {
	const PropertyList list = MakeList();
	Handle block(list.WriteToAddParHandle());
	const std::vector<char> native = block.Bytes();
	const Int32 checksum = ParxCalcCheckSumAddParHdl(block.h);

	// To the big-endian platform: every field is in the other byte order.
	ASSERT_EQ(ParxSwapAddParHdl(Kit::Native_Platform_Sign, block.h, 21, Kit::BigEndian_Platform_Sign), 0);
	EXPECT_EQ(Get<Int32>(block.h, 0), ByteSwap<Int32>(6));
	EXPECT_EQ(Get<Int16>(block.h, 16), 0); // type code 0 reads the same
	EXPECT_EQ(Get<Int32>(block.h, 32), ByteSwap<Int32>(12));
	GSErrCode err = 0;
	ParxGetVarNumber(block.h, &err);
	EXPECT_NE(err, 0); // not a native block any more

	// Back on the native platform.
	ASSERT_EQ(ParxSwapAddParHdl(Kit::BigEndian_Platform_Sign, block.h, 21, Kit::Native_Platform_Sign), 0);
	EXPECT_EQ(block.Bytes(), native);
	EXPECT_EQ(ParxCalcCheckSumAddParHdl(block.h), checksum);
	PropertyList read;
	read.ReadFromAddParHandle(block.h);
	EXPECT_TRUE(read.Equals(list));

	// Same byte order: nothing changes. Unknown versions are refused.
	EXPECT_EQ(ParxSwapAddParHdl(Kit::Native_Platform_Sign, block.h, 21, Kit::Native_Platform_Sign), 0);
	EXPECT_EQ(ParxSwapAddParHdl(Kit::Native_Platform_Sign, block.h, 20, Kit::BigEndian_Platform_Sign),
	          ParxBadBlockError);
	EXPECT_EQ(block.Bytes(), native);
}

TEST(ParxBlock, OldBlocksConvert) {
	const std::vector<char> old = MakeOldBlock();
	for (const bool swapped : {false, true}) {
		Handle block(old);
		if (swapped) {
			// Written on the other platform: swap there, then back here with the light-section name.
			ASSERT_EQ(SwapVarHdl(Kit::Native_Platform_Sign, block.h, 18, Kit::BigEndian_Platform_Sign), 0);
			EXPECT_NE(block.Bytes(), old);
			ASSERT_EQ(SwapVarHdl(Kit::BigEndian_Platform_Sign, block.h, 18, Kit::Native_Platform_Sign), 0);
			EXPECT_EQ(block.Bytes(), old);
		}
		ASSERT_EQ(ConvertOldsParam_To_NewParam(block.h, 1.0, 1.0, 18), 0);
		EXPECT_EQ(Get<Int16>(block.h, 4), 21);
		PropertyList list;
		list.ReadFromAddParHandle(block.h);
		ASSERT_EQ(list.GetEntryNum(), 3u);
		EXPECT_EQ(list.GetIntEntry(list.GetIndexFromName("PEN")), 7);
		EXPECT_TRUE(list.IsEntryFix(0));
		EXPECT_EQ(std::u16string(list.GetStringArrayVal(1, 1, 1)), u"caf\u00E9");
		EXPECT_EQ(std::u16string(list.GetStringArrayVal(1, 2, 1)), u"tea");
		EXPECT_EQ(list.GetNumArrayVal(2, 2, 1), 1.5);
		// Converting a current block only checks it.
		const std::vector<char> converted = block.Bytes();
		EXPECT_EQ(ConvertOldsParam_To_NewParam(block.h, 1.0, 1.0, 21), 0);
		EXPECT_EQ(block.Bytes(), converted);
	}
	Handle block(old);
	EXPECT_EQ(ConvertOldsParam_To_NewParam(block.h, 0, 0, 20), ParxBadBlockError);
	EXPECT_EQ(ConvertOldsParam_To_NewParam(block.h, 0, 0, 21), ParxBadBlockError); // not a v21 block
	std::vector<char> forged = old;
	Put<Int32>(forged, 8 + 48 + 16, 4); // the two strings no longer end inside their data
	Handle bad(forged);
	EXPECT_EQ(ConvertOldsParam_To_NewParam(bad.h, 0, 0, 18), ParxBadBlockError);
	EXPECT_EQ(bad.Bytes(), forged);
}

TEST(ParxBlock, ForgedBlocksAreRefused) {
	const PropertyList list = MakeList();
	Handle good(list.WriteToAddParHandle());
	const std::vector<char> bytes = good.Bytes();
	// Record k starts at 16 + 64 k; fields: type +0, isArray +2, dim1 +4, dim2 +8, fix +12,
	// name +24, dataOffset +56, dataLen +60.
	const auto at = [](int k, int field) { return USize(16 + 64 * k + field); };
	struct Forgery {
		const char* what;
		USize where;
		Int32 value;
		int width;
	};
	const Forgery forgeries[] = {
	    {"count beyond the handle", 0, 1000, 4},
	    {"negative count", 0, -1, 4},
	    {"version 20", 4, 20, 2},
	    {"unknown type code", at(0, 0), 9, 2},
	    {"array flag without dimension", at(0, 2), 1, 1},
	    {"negative dimension", at(3, 4), -3, 4},
	    {"dimension larger than the data", at(3, 4), 100000, 4},
	    {"second dimension on a scalar", at(1, 8), 2, 4},
	    {"data offset past the handle", at(3, 56), 1 << 30, 4},
	    {"data offset inside the records", at(3, 56), 20, 4},
	    {"misaligned doubles", at(4, 56), 16 + 64 * 6 + 4, 4},
	    {"data length past the handle", at(5, 60), 1 << 30, 4},
	    {"strings not ending in their data", at(5, 60), 2, 4},
	    {"data on an int scalar", at(0, 60), 8, 4},
	};
	for (const Forgery& f : forgeries) {
		std::vector<char> forged = bytes;
		if (f.width == 4)
			Put<Int32>(forged, f.where, f.value);
		else if (f.width == 2)
			Put<Int16>(forged, f.where, static_cast<Int16>(f.value));
		else
			forged[f.where] = static_cast<char>(f.value);
		Handle block(forged);
		PropertyList read = MakeList();
		EXPECT_THROW(read.ReadFromAddParHandle(block.h), Kit::KitException) << f.what;
		EXPECT_EQ(read.GetEntryNum(), 0u) << f.what;
		EXPECT_EQ(ParxSwapAddParHdl(Kit::Native_Platform_Sign, block.h, 21, Kit::BigEndian_Platform_Sign),
		          ParxBadBlockError)
		    << f.what;
		EXPECT_EQ(block.Bytes(), forged) << f.what; // refused blocks are left alone
		GSErrCode err = 0;
		ParxCalcCheckSumAddParHdl(block.h, &err);
		EXPECT_EQ(err, ParxBadBlockError) << f.what;
	}

	// An unterminated name.
	std::vector<char> forged = bytes;
	std::memset(forged.data() + at(2, 24), 'x', 32);
	Handle noName(forged);
	char name[32];
	GSErrCode err = 0;
	ParxGetVarName(noName.h, 2, name, sizeof name, &err);
	EXPECT_EQ(err, ParxBadBlockError);
	EXPECT_STREQ(name, "");

	// Index and type errors through the error code; a too-small handle.
	err = 0;
	EXPECT_EQ(ParxGetIntVar(good.h, 6, &err), 0);
	EXPECT_EQ(err, ParxBadIndexError);
	EXPECT_THROW(ParxGetNumVar(good.h, 0), Kit::KitException);
	Handle tiny(std::vector<char>(bytes.begin(), bytes.begin() + 10));
	EXPECT_THROW(ParxGetVarNumber(tiny.h), Kit::KitException);
	EXPECT_EQ(ParxGetVarNumber(nullptr, &err), 0);
	EXPECT_EQ(err, ParxBadBlockError);
}

TEST(ParxBlock, DamagedBlocksNeverBreakTheReaders) {
	const std::vector<char> bytes = Handle(MakeList().WriteToAddParHandle()).Bytes();
	std::mt19937 random(11);
	for (int round = 0; round < 2000; ++round) {
		std::vector<char> damaged = bytes;
		for (int k = 0, n = 1 + random() % 3; k < n; ++k)
			damaged[random() % damaged.size()] = static_cast<char>(random());
		Handle block(damaged);
		PropertyList list;
		try {
			list.ReadFromAddParHandle(block.h);
		} catch (const Kit::KitException&) {
			EXPECT_EQ(list.GetEntryNum(), 0u);
		}
		ParxSwapAddParHdl(Kit::BigEndian_Platform_Sign, block.h, 21, Kit::Native_Platform_Sign);
		ConvertOldsParam_To_NewParam(block.h, 1, 1, 18);
	}
}
