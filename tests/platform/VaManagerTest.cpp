#include "platform/VaManager.h"
#include "platform/BMMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

struct Table {
	DESC desc{};
	Table(Int32 increment, Int32 itemSize) { EXPECT_EQ(vaManager.Init(&desc, increment, itemSize), 0); }
	~Table() { vaManager.Free(&desc); }
	Int32* Int(Int32 i) const { return reinterpret_cast<Int32*>(VAManager::ItemPtr(desc, i)); }
};

TEST(VaManager, InitMakesAnEmptyTableWithRoomForOneIncrement) {
	Table t(10, 4);
	EXPECT_EQ(t.desc.itemCount, 0);
	EXPECT_EQ(t.desc.allocCount, 10);
	EXPECT_EQ(t.desc.increment, 10);
	EXPECT_EQ(t.desc.itemSize, 4);
	ASSERT_NE(t.desc.data, nullptr);
	// Items 1..10 plus the unused item 0.
	EXPECT_EQ(BMGetHandleSize(t.desc.data), 11 * 4);

	DESC bad{};
	EXPECT_NE(vaManager.Init(&bad, 0, 4), 0);
	EXPECT_EQ(bad.data, nullptr);
	EXPECT_NE(vaManager.Init(&bad, 10, 0), 0);
	EXPECT_NE(vaManager.Init(nullptr, 10, 4), 0);
}

TEST(VaManager, AppendsKeepItemsAndZeroFillNewOnes) {
	Table t(4, 4);
	for (Int32 i = 1; i <= 25; ++i) {
		ASSERT_EQ(vaManager.AppendItem(&t.desc), i);
		EXPECT_EQ(*t.Int(i), 0);
		*t.Int(i) = i * 7;
	}
	EXPECT_EQ(t.desc.itemCount, 25);
	EXPECT_GE(t.desc.allocCount, 25);
	EXPECT_EQ(t.desc.allocCount % 4, 0);
	for (Int32 i = 1; i <= 25; ++i)
		EXPECT_EQ(*t.Int(i), i * 7);

	const Int32 first = vaManager.AppendItems(&t.desc, 100);
	EXPECT_EQ(first, 26);
	EXPECT_EQ(t.desc.itemCount, 125);
	for (Int32 i = 26; i <= 125; ++i)
		ASSERT_EQ(*t.Int(i), 0);

	EXPECT_EQ(vaManager.AppendItems(&t.desc, 0), 126);
	EXPECT_EQ(t.desc.itemCount, 125);
	EXPECT_LT(vaManager.AppendItems(&t.desc, -1), 0);
	// A count that cannot be held fails without changing the table.
	EXPECT_LT(vaManager.AppendItems(&t.desc, std::numeric_limits<Int32>::max()), 0);
	EXPECT_EQ(t.desc.itemCount, 125);
	EXPECT_EQ(*t.Int(25), 25 * 7);
}

TEST(VaManager, ResizeGrowsRoomAndTruncatesCount) {
	Table t(10, 4);
	vaManager.AppendItems(&t.desc, 5);
	for (Int32 i = 1; i <= 5; ++i)
		*t.Int(i) = i;

	// Count kept, room grows; a smaller room never shrinks the table.
	ASSERT_EQ(vaManager.Resize(&t.desc, -1, 50), 0);
	EXPECT_EQ(t.desc.itemCount, 5);
	EXPECT_EQ(t.desc.allocCount, 50);
	ASSERT_EQ(vaManager.Resize(&t.desc, -1, 20), 0);
	EXPECT_EQ(t.desc.allocCount, 50);
	// The same count with a smaller room changes nothing.
	ASSERT_EQ(vaManager.Resize(&t.desc, 5, 10), 0);
	EXPECT_EQ(t.desc.itemCount, 5);
	EXPECT_EQ(t.desc.allocCount, 50);

	// Truncating releases room down to the room figure and keeps the first items.
	ASSERT_EQ(vaManager.Resize(&t.desc, 3, 10), 0);
	EXPECT_EQ(t.desc.itemCount, 3);
	EXPECT_EQ(t.desc.allocCount, 10);
	EXPECT_EQ(*t.Int(3), 3);

	// Items that come back into use are zero, not the old contents.
	ASSERT_EQ(vaManager.Resize(&t.desc, 5, 10), 0);
	EXPECT_EQ(*t.Int(4), 0);
	EXPECT_EQ(*t.Int(5), 0);
	EXPECT_EQ(vaManager.AppendItem(&t.desc), 6);

	EXPECT_NE(vaManager.Resize(&t.desc, -2, 10), 0);
	EXPECT_EQ(t.desc.itemCount, 6);
}

TEST(VaManager, ReleaseUnusedMemoryShrinksToTheCountAndFreeEmpties) {
	Table t(1000, 1);
	vaManager.AppendItems(&t.desc, 17);
	std::memset(VAManager::ItemPtr(t.desc, 1), 'x', 17);
	vaManager.ReleaseUnusedMemory(&t.desc);
	EXPECT_EQ(t.desc.allocCount, 17);
	EXPECT_EQ(BMGetHandleSize(t.desc.data), 18);
	EXPECT_EQ(*VAManager::ItemPtr(t.desc, 17), 'x');
	EXPECT_EQ(VAManager::AllocatedBytes(t.desc), 17);

	vaManager.Free(&t.desc);
	EXPECT_EQ(t.desc.data, nullptr);
	EXPECT_EQ(t.desc.itemCount, 0);
	EXPECT_EQ(t.desc.allocCount, 0);
	// A freed table refuses work instead of touching a missing block.
	EXPECT_EQ(vaManager.AppendItem(&t.desc), 0);
	EXPECT_NE(vaManager.Resize(&t.desc, 0, 10), 0);
	vaManager.Free(&t.desc);
}

} // namespace
