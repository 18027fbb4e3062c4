#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(KitPagedArray, ItemsKeepTheirAddressesWhileGrowing) {
	Kit::PagedArray<Int32> array;
	std::vector<const Int32*> addresses;
	for (Int32 i = 0; i < 1000; ++i) {
		array.Push(i * 3);
		addresses.push_back(&array[i]);
	}
	array.SetSize(1500); // growing by size does not move anything either
	ASSERT_EQ(array.GetSize(), 1500u);
	for (Int32 i = 0; i < 1000; ++i) {
		ASSERT_EQ(&array[i], addresses[i]) << i;
		ASSERT_EQ(array[i], i * 3) << i;
	}
	EXPECT_EQ(array[1499], 0); // new items are zero
	EXPECT_EQ(array.GetCapacity() % Kit::PagedArray<Int32>::PageSize, 0u);

	// Pushing an item of the array itself is safe.
	array.Push(array[10]);
	EXPECT_EQ(array.GetLast(), 30);
}

class Item : public Kit::SharedObject {};

TEST(KitPagedArray, ShrinkingReleasesSharedPointersAndGrowingAgainGivesEmptyItems) {
	Kit::SharedPtr<Item> item(new Item);
	Kit::PagedArray<Kit::SharedPtr<Item>> array;
	for (int i = 0; i < 20; ++i)
		array.Push(item);
	EXPECT_EQ(item->GetRefCount(), 21);
	array.SetSize(3); // drops items inside a kept page and whole pages
	EXPECT_EQ(item->GetRefCount(), 4);
	array.SetSize(12);
	for (USize i = 3; i < 12; ++i)
		EXPECT_TRUE(array[i].IsNull()) << i;
	array.DeleteLast();
	array.Clear();
	EXPECT_EQ(item->GetRefCount(), 1);
}

TEST(KitPagedArray, CopiesAreDeepAndMovedFromArraysAreEmpty) {
	Kit::PagedArray<Int32> a;
	for (Int32 i = 0; i < 20; ++i)
		a.Push(i);
	Kit::PagedArray<Int32> b = a;
	b[0] = 100;
	EXPECT_EQ(a[0], 0);
	EXPECT_EQ(b.GetSize(), 20u);

	Kit::PagedArray<Int32> c = std::move(a);
	EXPECT_EQ(c.GetSize(), 20u);
	EXPECT_EQ(a.GetSize(), 0u); // NOLINT: the moved-from array is valid and empty
	a.Push(5);                  // and usable
	EXPECT_EQ(a.GetSize(), 1u);
	EXPECT_EQ(a[0], 5);

	b = std::move(c);
	EXPECT_EQ(b.GetSize(), 20u);
	EXPECT_EQ(b[19], 19);
	EXPECT_EQ(c.GetSize(), 0u); // NOLINT
	Int64 sum = 0;
	c.ForEach([&sum](Int32 v) { sum += v; });
	EXPECT_EQ(sum, 0);
}

// Random pushes, appends, resizes and moves of an array of strings (items that own
// memory, so that a missed construction or destruction shows under the sanitizers),
// against a vector; the runs must cover the items in order, and items must keep their
// addresses while the array grows.
TEST(KitPagedArray, MatchesAVectorOverRandomEditsAndItsRunsCoverItInOrder) {
	std::mt19937 random(7);
	Kit::PagedArray<std::string> array;
	std::vector<std::string> oracle;
	for (int step = 0; step < 400; ++step) {
		const USize before = array.GetSize();
		const std::string* first = before > 0 ? &array[0] : nullptr;
		const std::string* last = before > 0 ? &array[before - 1] : nullptr;
		switch (random() % 6) {
		case 0:
		case 1: {
			const std::string item = "item " + std::to_string(step) + std::string(random() % 40, 'x');
			array.Push(item);
			oracle.push_back(item);
			break;
		}
		case 2: {
			std::vector<std::string> items(random() % 70, "appended " + std::to_string(step));
			array.Append(items.data(), items.size());
			oracle.insert(oracle.end(), items.begin(), items.end());
			break;
		}
		case 3: {
			const USize n = random() % (2 * before + 30);
			array.SetSize(n);
			oracle.resize(n);
			break;
		}
		case 4: {
			Kit::PagedArray<std::string> moved(std::move(array));
			ASSERT_EQ(array.GetSize(), 0u); // NOLINT: the moved-from array is empty
			array = std::move(moved);       // the items stay where they are
			break;
		}
		default:
			if (before > 0 && random() % 8 == 0) {
				array = Kit::PagedArray<std::string>(array);
				first = last = nullptr;
			}
		}
		ASSERT_EQ(array.GetSize(), oracle.size());
		if (first != nullptr && array.GetSize() >= before) {
			ASSERT_EQ(&array[0], first);
			ASSERT_EQ(&array[before - 1], last);
		}
		std::vector<std::string> runs;
		array.ForEachRun([&runs](const std::string* items, USize n) { runs.insert(runs.end(), items, items + n); });
		ASSERT_EQ(runs, oracle) << "step " << step;
		ASSERT_GE(array.GetCapacity(), array.GetSize());
	}
	EXPECT_GT(oracle.size(), 0u);

	// Past the slabs that double, into those of fixed size.
	Kit::PagedArray<Int32> big;
	for (Int32 i = 0; i < 300000; ++i)
		big.Push(i);
	Int32 expected = 0;
	USize runs = 0;
	big.ForEachRun([&](const Int32* items, USize n) {
		++runs;
		for (USize k = 0; k < n; ++k)
			ASSERT_EQ(items[k], expected++);
	});
	EXPECT_EQ(expected, 300000);
	EXPECT_LT(runs, 30u);
	EXPECT_EQ(&big[325000] - &big[265000], 60000); // within one slab of the fixed size
}

} // namespace
