#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
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

// An item that counts its live copies, so that every construction is matched by one
// destruction.
struct Counted {
	static inline Int64 live = 0;
	std::string text;
	Counted() { ++live; }
	explicit Counted(std::string t) : text(std::move(t)) { ++live; }
	Counted(const Counted& other) : text(other.text) { ++live; }
	Counted& operator=(const Counted&) = default;
	~Counted() { --live; }
};

// Random pushes, bulk appends (also of the array's own items), resizes, copies and moves
// against a std::vector: after every step the items equal the oracle's, items that stayed
// kept their addresses, the contiguous runs cover the items in order, and exactly the
// items in the array are alive.
TEST(KitPagedArray, RandomEditsMatchAVectorAndNeverMoveItems) {
	std::mt19937 random(2024);
	std::vector<std::string> oracle;
	{
		Kit::PagedArray<Counted> array;
		Int32 next = 0;
		for (Int32 step = 0; step < 400; ++step) {
			std::vector<const Counted*> before;
			for (USize i = 0; i < array.GetSize(); ++i)
				before.push_back(&array[i]);
			const UInt32 op = random() % 8;
			if (op <= 2) {
				const USize n = 1 + random() % 40;
				for (USize k = 0; k < n; ++k) {
					array.Push(Counted(std::to_string(next)));
					oracle.push_back(std::to_string(next++));
				}
			} else if (op == 3 && !array.IsEmpty()) {
				// Up to 5 of its own first items (they lie in one block).
				const USize n = std::min<USize>(array.GetSize(), 5);
				array.Append(&array[0], n);
				oracle.insert(oracle.end(), oracle.begin(), oracle.begin() + static_cast<std::ptrdiff_t>(n));
			} else if (op == 4) {
				const USize n = random() % (array.GetSize() + 30);
				array.SetSize(n);
				oracle.resize(n);
				before.resize(std::min(before.size(), n));
			} else if (op == 5 && !array.IsEmpty()) {
				array.DeleteLast();
				oracle.pop_back();
				before.pop_back();
			} else if (op == 6) {
				Kit::PagedArray<Counted> copy(array);
				copy.Push(Counted("extra")); // the copy is its own
				array = copy;
				array.DeleteLast();
				before.clear(); // a copy has new items
			} else {
				Kit::PagedArray<Counted> moved(std::move(array));
				EXPECT_TRUE(array.IsEmpty()); // NOLINT: a moved-from array is empty
				array = std::move(moved);
			}
			ASSERT_EQ(array.GetSize(), oracle.size()) << "step " << step;
			ASSERT_GE(array.GetCapacity(), array.GetSize());
			ASSERT_EQ(array.GetCapacity() % Kit::PagedArray<Counted>::PageSize, 0u);
			for (USize i = 0; i < before.size(); ++i)
				ASSERT_EQ(&array[i], before[i]) << "step " << step << ", item " << i;
			USize seen = 0;
			array.ForEachRun([&](const Counted* items, USize n) {
				for (USize k = 0; k < n; ++k, ++seen)
					ASSERT_EQ(&items[k], &array[seen]);
			});
			ASSERT_EQ(seen, array.GetSize());
			for (USize i = 0; i < oracle.size(); ++i)
				ASSERT_EQ(array[i].text, oracle[i]) << "step " << step << ", item " << i;
			ASSERT_EQ(Counted::live, static_cast<Int64>(array.GetSize())) << "step " << step;
		}
		array.Clear();
		EXPECT_EQ(Counted::live, 0);
		EXPECT_EQ(array.GetCapacity(), 0u);
		array.Push(Counted("again"));
		EXPECT_EQ(array[0].text, "again");
	}
	EXPECT_EQ(Counted::live, 0);
}

} // namespace
