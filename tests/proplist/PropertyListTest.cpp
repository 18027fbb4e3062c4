#include "Model3D/proplist/PropertyList.h"
#include "Model3D/proplist/detail/NameHash.h"
#include "platform/KitException.h"
#include "platform/KitText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using Modeler::PropertyList;
using L = Kit::PropertyListTypes;

namespace {

std::u16string U(const UniChar* text) {
	return text == nullptr ? std::u16string() : std::u16string(text);
}

// Every name must be found: a unique name at its own index, a repeated one at one of
// the entries carrying it.
void ExpectAllFound(const PropertyList& list) {
	for (UInt32 i = 0; i < list.GetEntryNum(); ++i) {
		const char* name = list.GetEntryName(i);
		bool repeated = false;
		for (UInt32 j = 0; j < list.GetEntryNum(); ++j)
			repeated = repeated || (j != i && CHCompareASCII(name, list.GetEntryName(j), 0) == 0);
		const UInt32 found = list.GetIndexFromName(name);
		if (repeated) {
			ASSERT_NE(found, L::NoIndex) << name;
			EXPECT_EQ(CHCompareASCII(list.GetEntryName(found), name, 0), 0) << name;
		} else {
			EXPECT_EQ(found, i) << name;
		}
	}
}

} // namespace

TEST(PropertyListHash, FoldsCaseAndSamplesLongNames) {
	EXPECT_EQ(Kit::CalcStrHashValue(""), 0u);
	EXPECT_EQ(Kit::CalcStrHashValue("a"), 97u);
	EXPECT_EQ(Kit::CalcStrHashValue("ab"), 98u + 97u * 65599u);
	EXPECT_EQ(Kit::CalcStrHashValue("Width"), Kit::CalcStrHashValue("wIDTH"));
	// 16 characters: step 2, so odd positions do not count.
	EXPECT_EQ(Kit::CalcStrHashValue("abcdefghijklmnop"), Kit::CalcStrHashValue("aXcXeXgXiXkXmXoX"));
	EXPECT_NE(Kit::CalcStrHashValue("abcdefghijklmnop"), Kit::CalcStrHashValue("Xbcdefghijklmnop"));
	// 15 characters: every position counts.
	EXPECT_NE(Kit::CalcStrHashValue("abcdefghijklmno"), Kit::CalcStrHashValue("aXcdefghijklmno"));
}

TEST(PropertyListLookup, CollidingAndCaseFoldedNames) {
	PropertyList list;
	list.PushEntry("abcdefghijklmnop", L::Int, L::Scalar);
	list.PushEntry("aXcXeXgXiXkXmXoX", L::Int, L::Scalar); // same hash as the first
	list.PushEntry("Width", L::Num, L::Scalar);
	EXPECT_EQ(list.GetIndexFromName("abcdefghijklmnop"), 0u);
	EXPECT_EQ(list.GetIndexFromName("aXcXeXgXiXkXmXoX"), 1u);
	EXPECT_EQ(list.GetIndexFromName("WIDTH"), 2u);
	EXPECT_EQ(list.GetIndexFromName("width"), 2u);
	EXPECT_EQ(list.GetIndexFromName("aYcYeYgYiYkYmYoY"), L::NoIndex); // same hash, no such name
	EXPECT_EQ(list.GetIndexFromName("height"), L::NoIndex);

	// Deleting the indexed one of the pair leaves the other findable.
	list.DeleteEntries(0, 0);
	EXPECT_EQ(list.GetIndexFromName("aXcXeXgXiXkXmXoX"), 0u);
	EXPECT_EQ(list.GetIndexFromName("abcdefghijklmnop"), L::NoIndex);
	list.InsertNewEntry(0, "abcdefghijklmnop", L::String, L::Scalar);
	ExpectAllFound(list);
	list.SetEntryName(1, "renamed");
	EXPECT_EQ(list.GetIndexFromName("aXcXeXgXiXkXmXoX"), L::NoIndex);
	ExpectAllFound(list);
}

TEST(PropertyListLookup, IndexStaysRightThroughRandomEdits) {
	std::mt19937 random(12345);
	PropertyList list;
	PropertyList other;
	for (int k = 0; k < 6; ++k)
		other.PushEntry(("other" + std::to_string(k)).c_str(), L::Num, L::OneDim, 2);
	int serial = 0;
	const auto newName = [&] {
		// Every third name is 16 characters long and differs from the others of its kind
		// only at odd positions, which the hash skips: they all share one hash value.
		++serial;
		if (serial % 3 != 0) return "n" + std::to_string(serial);
		std::string name = "pqrstuvwxyzabcde";
		for (int k = 0, v = serial; k < 8; ++k, v /= 26)
			name[2 * k + 1] = static_cast<char>('a' + v % 26);
		return name;
	};
	for (int step = 0; step < 600; ++step) {
		const UInt32 count = list.GetEntryNum();
		switch (random() % 6) {
		case 0:
		case 1:
			list.InsertNewEntry(random() % (count + 1), newName().c_str(), L::Int, L::Scalar);
			break;
		case 2:
			if (count > 0) {
				const UInt32 first = random() % count;
				list.DeleteEntries(first, first + random() % 3);
			}
			break;
		case 3:
			if (count > 0) list.SetEntryName(random() % count, newName().c_str());
			break;
		case 4:
			if (count > 1) list.ReplaceEntry(random() % count, random() % count);
			break;
		case 5:
			list.InsertEntries(other, 1, 3, random() % (count + 1));
			break;
		}
		SCOPED_TRACE(step);
		ExpectAllFound(list);
		if (HasFailure()) return;
	}
}

TEST(PropertyListValues, ScalarsAndTheirStorage) {
	PropertyList list;
	const UInt32 n = list.PushEntry("n", L::Num, L::Scalar);
	const UInt32 i = list.PushEntry("i", L::Int, L::Scalar);
	const UInt32 s = list.PushEntry("s", L::String, L::Scalar);
	list.SetNumEntry(n, 2.5);
	list.SetIntEntry(i, -7);
	list.SetStringEntry(s, "Caf\xE9"); // Latin-1 e acute

	UInt32 byteLen = 0;
	Kit::PropertyListTypes::StorageType storage;
	list.GetArray(n, &byteLen, &storage);
	EXPECT_EQ(byteLen, 8u);
	EXPECT_EQ(storage, L::Num);
	EXPECT_EQ(*static_cast<const Int32*>(list.GetArray(i, &byteLen)), -7);
	EXPECT_EQ(byteLen, 4u);
	EXPECT_EQ(list.GetNumEntry(n), 2.5);
	EXPECT_EQ(U(list.GetStringEntry(s)), u"Caf\u00E9");
	list.GetArray(s, &byteLen);
	EXPECT_EQ(byteLen, 16u); // 5 units with terminator, padded to 8

	EXPECT_THROW(list.GetIntEntry(n), Kit::KitException);
	EXPECT_THROW(list.SetNumEntry(i, 1.0), Kit::KitException);
	EXPECT_THROW(list.GetNumEntry(9), Kit::KitException);

	char small[4];
	list.GetStringEntry(s, small, sizeof small);
	EXPECT_STREQ(small, "Caf");
	UniChar wide[3];
	list.GetStringEntry(s, wide, 3);
	EXPECT_EQ(U(wide), u"Ca");
	Kit::AutoArrayPtr<char> whole;
	list.GetStringEntry(s, whole);
	EXPECT_STREQ(whole.Get(), "Caf\xE9");

	char nameBuffer[3];
	list.GetEntryName(s, nameBuffer, 1);
	EXPECT_STREQ(nameBuffer, "");
	EXPECT_EQ(list.GetAllocatedBytes(), 3 * 36u + 512u + 512u);
}

TEST(PropertyListValues, ArraysElementsAndReferences) {
	PropertyList list;
	const UInt32 m = list.PushEntry("m", L::Num, L::TwoDim, 2, 3);
	const UInt32 v = list.PushEntry("v", L::Int, L::OneDim, 3);
	const UInt32 t = list.PushEntry("t", L::String, L::TwoDim, 2, 2);
	const double values[6] = {11, 12, 13, 21, 22, 23};
	list.SetNumArray(m, values);
	EXPECT_EQ(list.GetNumArrayVal(m, 2, 1), 21.0);
	EXPECT_EQ(list.GetNumArrayVal(m, 1, 3), 13.0);
	EXPECT_THROW(list.GetNumArrayVal(m, 3, 1), Kit::KitException);
	EXPECT_THROW(list.GetNumArrayVal(m, 1, 4), Kit::KitException);

	list["v"][2] = 42;
	EXPECT_EQ(list.GetIntArrayVal(v, 2, 1), 42);
	EXPECT_EQ(static_cast<double>(list["m"][2][3]), 23.0);
	list["m"][1][2] = 0.5;
	EXPECT_EQ(list.GetNumArrayVal(m, 1, 2), 0.5);
	EXPECT_THROW(list["missing"], Kit::KitException);
	EXPECT_THROW(list[7], Kit::KitException);

	// String elements: replacing one rebuilds the value around it.
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 2)), u"");
	list.SetStringArrayVal(t, 1, 2, u"hello world");
	list.SetStringArrayVal(t, 2, 1, "x");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 1, 1)), u"");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 1, 2)), u"hello world");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 1)), u"x");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 2)), u"");
	UInt32 byteLen = 0;
	list.GetStringArray(t, &byteLen);
	EXPECT_EQ(byteLen, 32u); // (1 + 12 + 2 + 1) units = 32 bytes
	list.SetStringArrayVal(t, 1, 2, u"");
	list.GetStringArray(t, &byteLen);
	EXPECT_EQ(byteLen, 16u); // 5 units padded to 8 bytes each side

	// A whole string array in one go, 8-bit form.
	list.SetStringArray(t, "a\0bb\0\0ccc");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 1, 2)), u"bb");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 1)), u"");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 2)), u"ccc");

	// The other entries kept their values through all the moves of the data block.
	EXPECT_EQ(list.GetNumArrayVal(m, 2, 2), 22.0);
	EXPECT_EQ(list.GetIntArrayVal(v, 2, 1), 42);
}

TEST(PropertyListStructure, TypeChangesAndFixedEntries) {
	PropertyList list;
	list.PushEntry("a", L::Int, L::Scalar);
	list.PushEntry("b", L::Num, L::OneDim, 4);
	list.PushEntry("c", L::Int, L::Scalar);
	EXPECT_THROW(list.ModifyEntryType(0, L::Int, L::OneDim, 0), Kit::KitException);
	EXPECT_THROW(list.ModifyEntryType(0, L::Int, L::TwoDim, 2, 0), Kit::KitException);
	EXPECT_THROW(list.InsertNewEntry(1, "bad", L::Num, L::TwoDim, 0, 3), Kit::KitException);
	EXPECT_THROW(list.InsertNewEntry(9, "far", L::Num, L::Scalar), Kit::KitException);
	EXPECT_EQ(list.GetEntryNum(), 3u);
	EXPECT_EQ(list.GetIndexFromName("bad"), L::NoIndex);
	ExpectAllFound(list);

	list.SetEntryFix(1, true);
	EXPECT_EQ(list.GetFixEntryNum(), 1u);
	EXPECT_THROW(list.SetEntryName(1, "other"), Kit::KitException);
	EXPECT_THROW(list.ModifyEntryType(1, L::Int, L::OneDim, 2), Kit::KitException);
	EXPECT_THROW(list.ModifyEntryType(1, L::Num, L::Scalar), Kit::KitException);
	EXPECT_THROW(list.ModifyArrayDimensions(1, L::Scalar), Kit::KitException);
	EXPECT_THROW(list.DeleteEntries(0, 2), Kit::KitException);
	EXPECT_EQ(list.GetEntryNum(), 3u);
	// Within the same storage and array-ness a fixed entry may change.
	list.ModifyEntryType(1, L::Num, L::TwoDim, 2, 2);
	UInt32 d1 = 0, d2 = 0;
	list.GetEntryType(1, nullptr, &d1, &d2);
	EXPECT_EQ(d1 * d2, 4u);
	EXPECT_STREQ(list.GetEntryName(1), "b");

	// ModifyEntryType loses the old value.
	list.SetIntEntry(2, 9);
	list.ModifyEntryType(2, L::Int, L::Scalar);
	EXPECT_EQ(list.GetIntEntry(2), 0);
}

// A name handed in from the list's own names block was read after the block was grown
// (freed) or shifted.
TEST(PropertyListStructure, InsertingANameOfTheListItselfKeepsIt) {
	PropertyList list;
	list.PushEntry("first_entry_name", L::Int, L::Scalar);
	for (int n = 0; n < 40; ++n) {
		const std::string tail = list.GetEntryName(0) + n % 10;
		list.InsertNewEntry(0, list.GetEntryName(0) + n % 10, L::Int, L::Scalar);
		ASSERT_EQ(std::string(list.GetEntryName(0)), tail);
	}
	ExpectAllFound(list);
}

TEST(PropertyListStructure, DimensionChangesKeepOverlappingElements) {
	PropertyList list;
	const UInt32 m = list.PushEntry("m", L::Num, L::TwoDim, 2, 3);
	const UInt32 s = list.PushEntry("s", L::Int, L::Scalar);
	const UInt32 t = list.PushEntry("t", L::String, L::OneDim, 3);
	const double values[6] = {11, 12, 13, 21, 22, 23};
	list.SetNumArray(m, values);
	list.ModifyArrayDimensions(m, L::TwoDim, 3, 2);
	const double expected[3][2] = {{11, 12}, {21, 22}, {0, 0}};
	for (UInt32 r = 1; r <= 3; ++r)
		for (UInt32 c = 1; c <= 2; ++c)
			EXPECT_EQ(list.GetNumArrayVal(m, r, c), expected[r - 1][c - 1]) << r << "," << c;

	list.SetIntEntry(s, 17);
	list.ModifyArrayDimensions(s, L::OneDim, 3);
	EXPECT_EQ(list.GetIntArrayVal(s, 1, 1), 17);
	EXPECT_EQ(list.GetIntArrayVal(s, 3, 1), 0);
	list.SetIntArrayVal(s, 3, 1, 5);
	list.ModifyArrayDimensions(s, L::Scalar);
	EXPECT_EQ(list.GetIntEntry(s), 17);

	list.SetStringArrayVal(t, 1, 1, u"one");
	list.SetStringArrayVal(t, 3, 1, u"three");
	list.ModifyArrayDimensions(t, L::TwoDim, 2, 2);
	EXPECT_EQ(U(list.GetStringArrayVal(t, 1, 1)), u"one");
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 1)), u""); // (2,1) held nothing before
	EXPECT_EQ(U(list.GetStringArrayVal(t, 2, 2)), u"");
	list.ModifyArrayDimensions(t, L::OneDim, 1);
	EXPECT_EQ(U(list.GetStringArrayVal(t, 1, 1)), u"one");
	UInt32 byteLen = 0;
	list.GetArray(t, &byteLen);
	EXPECT_EQ(byteLen, 8u);
	EXPECT_EQ(list.GetNumArrayVal(m, 2, 1), 21.0);
}

TEST(PropertyListStructure, CopiesBetweenLists) {
	PropertyList source;
	source.PushEntry("x", L::Int, L::Scalar);
	source.PushEntry("y", L::String, L::Scalar);
	source.PushEntry("z", L::Num, L::OneDim, 2);
	source.SetIntEntry(0, 1);
	source.SetStringEntry(1, u"why");
	const double z[2] = {3, 4};
	source.SetNumArray(2, z);
	source.SetEntryFix(1, true);

	PropertyList list;
	list.PushEntry("a", L::Int, L::Scalar);
	list.PushEntry("b", L::Int, L::Scalar);
	list.InsertEntries(source, 1, 2, 1);
	ASSERT_EQ(list.GetEntryNum(), 4u);
	EXPECT_STREQ(list.GetEntryName(1), "y");
	EXPECT_FALSE(list.IsEntryFix(1)); // copies are not fixed
	EXPECT_EQ(U(list.GetStringEntry(1)), u"why");
	EXPECT_EQ(list.GetNumArrayVal(2, 2, 1), 4.0);
	EXPECT_STREQ(list.GetEntryName(3), "b");
	ExpectAllFound(list);

	// From itself.
	list.InsertEntries(list, 0, 3, 4);
	ASSERT_EQ(list.GetEntryNum(), 8u);
	EXPECT_EQ(U(list.GetStringEntry(5)), u"why");

	// Overwrite entries 1..2 with source 0..1.
	list.CopyWithOverwrite(source, 0, 1, 1);
	ASSERT_EQ(list.GetEntryNum(), 8u);
	EXPECT_STREQ(list.GetEntryName(1), "x");
	EXPECT_STREQ(list.GetEntryName(2), "y");
	EXPECT_STREQ(list.GetEntryName(3), "b");
	list.SetEntryFix(3, true);
	EXPECT_THROW(list.CopyWithOverwrite(source, 0, 1, 2), Kit::KitException);
	EXPECT_EQ(list.GetEntryNum(), 8u);

	// Moving keeps the fix flag and the value.
	list.ReplaceEntry(3, 0);
	EXPECT_STREQ(list.GetEntryName(0), "b");
	EXPECT_TRUE(list.IsEntryFix(0));
	list.ReplaceEntry(0, 7);
	EXPECT_STREQ(list.GetEntryName(7), "b");
	EXPECT_TRUE(list.IsEntryFix(7));
	EXPECT_THROW(list.ReplaceEntry(0, 8), Kit::KitException);
	ExpectAllFound(list);
}

TEST(PropertyListCopy, AssignmentReusesAndFreesBlocks) {
	PropertyList big;
	for (int k = 0; k < 50; ++k)
		big.PushEntry(("entry" + std::to_string(k)).c_str(), L::Num, L::OneDim, 10);
	PropertyList small;
	small.PushEntry("s", L::Num, L::Scalar);
	small.SetNumEntry(0, 1.5);

	PropertyList target(big);
	EXPECT_TRUE(target.Equals(big));
	const UInt64 before = target.GetAllocatedBytes();
	target = small;
	EXPECT_TRUE(target.Equals(small));
	// Both blocks were large enough and were kept.
	EXPECT_EQ(target.GetAllocatedBytes(), before - UInt64(49) * 36);
	EXPECT_EQ(target.GetIndexFromName("s"), 0u);

	PropertyList empty;
	target = empty;
	EXPECT_EQ(target.GetAllocatedBytes(), 0u);
	EXPECT_EQ(target.GetEntryNum(), 0u);

	Modeler::PropertyList modeler(static_cast<const ParxGen::PropertyList&>(big));
	EXPECT_TRUE(modeler.Equals(big));
	modeler.Clear();
	EXPECT_EQ(modeler.GetAllocatedBytes(), 0u);
	EXPECT_TRUE(big.Equals(PropertyList(big)));
}

TEST(PropertyListCompare, EqualsAndCheckSum) {
	PropertyList a;
	a.PushEntry("a", L::Int, L::Scalar);
	a.SetIntEntry(0, 5);
	double numSum = 0;
	// count 1 + dim1 1 + storage 0 + array 0 + dim2 1 + name 'a' 97 + value 5
	EXPECT_EQ(a.CheckSum(&numSum), 105);
	EXPECT_EQ(numSum, 6.0);

	a.PushEntry("Len", L::Num, L::OneDim, 2);
	a.PushEntry("txt", L::String, L::Scalar);
	const double v[2] = {1.0, 2.25};
	a.SetNumArray(1, v);
	a.SetStringEntry(2, u"text");

	// The same contents built in another order give the same checksum.
	PropertyList b;
	b.PushEntry("txt", L::String, L::Scalar);
	b.InsertNewEntry(0, "a", L::Int, L::Scalar);
	b.InsertNewEntry(1, "LEN", L::Num, L::OneDim, 5);
	b.ModifyArrayDimensions(1, L::OneDim, 2);
	b.SetStringEntry(2, u"text");
	b.SetIntEntry(0, 5);
	b.SetNumArrayVal(1, 1, 1, 1.000001); // within the tolerance
	b.SetNumArrayVal(1, 2, 1, 2.25);
	b.SetEntryFix(2, true); // fix flags do not count
	EXPECT_TRUE(a.Equals(b));
	b.SetEntryName(1, "Len");
	EXPECT_EQ(a.CheckSum(), b.CheckSum());

	b.SetNumArrayVal(1, 1, 1, 1.0001);
	EXPECT_FALSE(a.Equals(b));
	EXPECT_NE(a.CheckSum(), b.CheckSum());
	b.SetNumArrayVal(1, 1, 1, 1.0);
	b.SetStringEntry(2, u"texT");
	EXPECT_FALSE(a.Equals(b));
	EXPECT_NE(a.CheckSum(), b.CheckSum());

	EXPECT_EQ(Kit::CalcLongCheckSum("\x01\x00\x00\x00\x02\x00\x00\x00\xFF", 9), 1 + 2 - 1);
}

// The short-name path of the hash (words of eight bytes, independent products) against
// the character walk: names of every length up to 17, of letters of both cases, the
// bytes around 'A'..'Z' and 'a'..'z', and bytes of 0x80 and up, with and without room
// for the 16-byte read behind them.
TEST(PropertyListHash, ShortNamePathMatchesTheCharacterWalk) {
	using Kit::PropListDetail::HashName;
	using Kit::PropListDetail::HashShortName;
	const std::string alphabet = std::string("@AZ[`az{09_-. ") + "\x7F\x80\xC1\xDA\xE1\xFA\xFF" + "MixedCase";
	std::mt19937 random(11);
	int shortOnes = 0;
	for (int round = 0; round < 4000; ++round) {
		const USize length = random() % 18;
		std::string block;
		for (USize k = 0; k < length; ++k)
			block += alphabet[random() % alphabet.size()];
		block += '\0';
		// Whatever follows the terminator must not count.
		for (USize k = 0, tail = random() % 20; k < tail; ++k)
			block += static_cast<char>(random());
		USize found = 99;
		UInt32 hash = 0;
		if (HashShortName(block.data(), block.size(), found, hash)) {
			++shortOnes;
			ASSERT_LT(length, 16u);
			ASSERT_GE(block.size(), 16u);
			EXPECT_EQ(found, length) << round;
			EXPECT_EQ(hash, HashName(block.data(), length)) << round;
			EXPECT_EQ(hash, Kit::CalcStrHashValue(block.c_str())) << round;
		} else {
			EXPECT_TRUE(length >= 16 || block.size() < 16) << round;
			EXPECT_EQ(found, 99u); // nothing stored
		}
	}
	EXPECT_GT(shortOnes, 1000);
}
