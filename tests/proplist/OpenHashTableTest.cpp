#include "platform/KitOpenHashTable.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

namespace {

// Every key in one of four home slots: long probe sequences that wrap around the end.
struct CrowdingHash {
	USize operator()(UInt32 key) const { return key % 4; }
};

// Random adds, puts, deletes, lookups, clears and copies against std::unordered_map; the
// whole table is compared with the oracle after every step. The small key range makes
// deletes hit and re-adds land on deletion marks; the bursts of growth and shrinking
// size force rehashes with and without marks.
template <typename Hash> void RunAgainstOracle(UInt32 seed) {
	Kit::OpenHashTable<UInt32, Int32, Hash> table;
	std::unordered_map<UInt32, Int32> oracle;
	std::mt19937 random(seed);
	const auto expectSame = [&](const Kit::OpenHashTable<UInt32, Int32, Hash>& t) {
		ASSERT_EQ(t.GetSize(), oracle.size());
		USize items = 0;
		for (const auto& item : t) {
			++items;
			const auto it = oracle.find(item.first);
			ASSERT_NE(it, oracle.end()) << item.first;
			ASSERT_EQ(item.second, it->second) << item.first;
		}
		ASSERT_EQ(items, oracle.size());
		for (const auto& [key, value] : oracle) {
			const Int32* found = t.GetPtr(key);
			ASSERT_NE(found, nullptr) << key;
			ASSERT_EQ(*found, value) << key;
		}
	};
	for (int step = 0; step < 6000; ++step) {
		// Phases: grow to a few hundred keys, churn, shrink.
		const int phase = step / 1000 % 3;
		const UInt32 keyRange = phase == 1 ? 64 : 600;
		const UInt32 key = random() % keyRange;
		const Int32 value = static_cast<Int32>(random() % 1000000); // small enough that sums never overflow
		const UInt32 op = random() % 100;
		if (op < (phase == 2 ? 20u : 45u)) {
			ASSERT_EQ(table.Add(key, value), oracle.emplace(key, value).second) << step;
		} else if (op < 60) {
			table.Put(key, value);
			oracle[key] = value;
		} else if (op < (phase == 2 ? 95u : 80u)) {
			ASSERT_EQ(table.Delete(key), oracle.erase(key) != 0) << step;
		} else if (op < 97) {
			Int32 got = 0;
			const auto it = oracle.find(key);
			ASSERT_EQ(table.Get(key, &got), it != oracle.end()) << step;
			if (it != oracle.end()) {
				ASSERT_EQ(got, it->second);
			}
			ASSERT_FALSE(table.ContainsKey(key + 1000000)); // never added
		} else if (op < 98) {
			table[key] += value;
			oracle[key] += value;
		} else if (op < 99) {
			const auto copy = table;
			table = Kit::OpenHashTable<UInt32, Int32, Hash>();
			ASSERT_TRUE(table.IsEmpty());
			table = copy;
		} else if (step % 7 == 0) {
			table.Clear();
			oracle.clear();
			table.Reserve(random() % 300);
		}
		expectSame(table);
		if (::testing::Test::HasFatalFailure()) return;
	}
	// Churn at a steady size reuses deletion marks instead of growing for ever.
	table.Clear();
	for (UInt32 k = 0; k < 20000; ++k) {
		table.Add(k, 1);
		if (k >= 50) table.Delete(k - 50);
	}
	EXPECT_EQ(table.GetSize(), 50u);
	EXPECT_LE(table.GetCapacity(), 1024u);
	for (UInt32 k = 20000 - 50; k < 20000; ++k)
		EXPECT_TRUE(table.ContainsKey(k)) << k;
}

} // namespace

TEST(OpenHashTable, MatchesAnUnorderedMapThroughRandomEdits) {
	RunAgainstOracle<std::hash<UInt32>>(1);
	RunAgainstOracle<CrowdingHash>(2);
}
