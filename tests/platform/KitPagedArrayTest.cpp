#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"

#include <gtest/gtest.h>

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

} // namespace
