#include "platform/KitShared.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<int> destroyedCount{0};

class Counted : public Kit::SharedObject {
public:
	~Counted() override { destroyedCount.fetch_add(1); }
	int value = 0;
};

class Derived : public Counted {};

TEST(KitShared, CountReturnsToZeroAcrossThreadsAndObjectDiesOnce) {
	destroyedCount = 0;
	Counted* raw = new Counted;
	{
		Kit::SharedPtr<Counted> root(raw);
		std::vector<std::thread> threads;
		for (int t = 0; t < 4; ++t) {
			threads.emplace_back([root] {
				Kit::SharedPtr<Counted> local;
				for (int i = 0; i < 100000; ++i) {
					Kit::SharedPtr<Counted> copy = root;
					Kit::ConstSharedPtr<Counted> constCopy = copy;
					local = copy;
					if (i % 3 == 0) local.Clear();
				}
			});
		}
		for (auto& thread : threads)
			thread.join();
		EXPECT_EQ(raw->GetRefCount(), 1);
		EXPECT_EQ(destroyedCount.load(), 0);
	}
	EXPECT_EQ(destroyedCount.load(), 1);
}

TEST(KitShared, LastOwnerAmongThreadsDeletesExactlyOnce) {
	destroyedCount = 0;
	for (int round = 0; round < 200; ++round) {
		Kit::SharedPtr<Counted> p(new Counted);
		std::vector<std::thread> threads;
		for (int t = 0; t < 4; ++t)
			threads.emplace_back([copy = p]() mutable { copy.Clear(); });
		p.Clear();
		for (auto& thread : threads)
			thread.join();
	}
	EXPECT_EQ(destroyedCount.load(), 200);
}

TEST(KitShared, ConversionsCastsAndMovesKeepTheCountRight) {
	destroyedCount = 0;
	{
		Kit::SharedPtr<Derived> derived(new Derived);
		Kit::SharedPtr<Counted> base = derived;
		Kit::ConstSharedPtr<Counted> constBase = derived;
		Kit::ConstSharedPtr<Derived> constDerived = Kit::StaticCast<Derived>(constBase);
		EXPECT_EQ(derived->GetRefCount(), 4);
		EXPECT_TRUE(constBase == derived);
		EXPECT_TRUE(constDerived == constBase);
		EXPECT_TRUE(base == derived);

		Kit::SharedPtr<Counted> writable = Kit::ConstCast(constBase);
		writable->value = 7;
		EXPECT_EQ(constDerived->value, 7);
		EXPECT_EQ(derived->GetRefCount(), 5);

		Kit::SharedPtr<Counted> moved = std::move(writable);
		EXPECT_TRUE(writable.IsNull());
		EXPECT_EQ(derived->GetRefCount(), 5);
		Kit::ConstSharedPtr<Counted> movedConst = std::move(constBase);
		EXPECT_TRUE(constBase == nullptr);
		EXPECT_EQ(derived->GetRefCount(), 5);

		moved = moved; // self-assignment keeps the object
		EXPECT_EQ(moved->value, 7);
		EXPECT_EQ(derived->GetRefCount(), 5);
		EXPECT_EQ(destroyedCount.load(), 0);
	}
	EXPECT_EQ(destroyedCount.load(), 1);

	// A copied object starts with its own count; TryAddRef refuses an unowned object.
	Counted* loose = new Counted;
	EXPECT_FALSE(loose->TryAddRef());
	Kit::SharedPtr<Counted> owner(loose);
	Counted copyOfObject(*loose);
	EXPECT_EQ(copyOfObject.GetRefCount(), 0);
	EXPECT_TRUE(loose->TryAddRef());
	Kit::SharedPtr<Counted> adopted = Kit::SharedPtr<Counted>::Adopt(loose);
	EXPECT_EQ(loose->GetRefCount(), 2);
}

} // namespace
