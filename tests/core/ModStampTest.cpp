#include "Model3D/core/frame/ModStamp.h"
#include "Model3D/core/frame/ModelerExceptions.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

TEST(ModStamp, DefaultIsZeroAndGeneratedStampsIncrease) {
	Modeler::ModStamp a;
	EXPECT_TRUE(a.IsZero());
	a.Generate();
	EXPECT_FALSE(a.IsZero());
	Modeler::ModStamp b;
	b.Generate();
	EXPECT_TRUE(a < b);
	EXPECT_TRUE(b > a);
	b.Reset();
	EXPECT_TRUE(b.IsZero());
}

TEST(ModStamp, ConcurrentStampsAreUnique) {
	constexpr int PerThread = 10000;
	std::vector<std::vector<UInt32>> values(4);
	std::vector<std::thread> threads;
	for (auto& v : values)
		threads.emplace_back([&v] {
			for (int i = 0; i < PerThread; ++i) {
				Modeler::ModStamp s;
				s.Generate();
				v.push_back(s.GetValue());
			}
		});
	for (auto& t : threads)
		t.join();
	std::set<UInt32> all;
	for (const auto& v : values)
		all.insert(v.begin(), v.end());
	EXPECT_EQ(all.size(), 4u * PerThread);
}

TEST(ModelerExceptions, IdsNamesAndCatchability) {
	try {
		throw Modeler::ModelerOutOfMemoryException("ReadBextToBody failed", "Model3D/FL", 12);
	} catch (const std::bad_alloc& e) {
		EXPECT_STREQ(e.what(), "ReadBextToBody failed");
	}
	try {
		throw Modeler::ModelerInternalErrorException("x");
	} catch (const Kit::InternalErrorException& e) {
		EXPECT_EQ(e.GetId(), -50);
		EXPECT_STREQ(e.GetName(), "ModelerInternalErrorException");
	}
	const Modeler::ModelerOutOf_Big_MemoryException big;
	EXPECT_EQ(big.GetId(), -108);
	const Modeler::ModelerException plain("m", "f", 3, big);
	EXPECT_EQ(plain.GetId(), -7003);
	ASSERT_NE(plain.GetCause(), nullptr);
	EXPECT_STREQ(plain.GetCause()->GetName(), "ModelerOutOf_Big_MemoryException");
	std::unique_ptr<Kit::KitException> clone(plain.Clone());
	EXPECT_NE(dynamic_cast<Modeler::ModelerException*>(clone.get()), nullptr);
	EXPECT_STREQ(clone->GetMessage(), "m");
	EXPECT_EQ(clone->GetLineNumber(), 3u);
}
