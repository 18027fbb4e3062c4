#include "Model3D/persistence/base/MainContainerBase.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "fixtures/TempDir.h"
#include "platform/KitLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class TestContainer : public Modeler::MainContainerBase {
public:
	explicit TestContainer(Modeler::DiskCachingMethod m = Modeler::DiskCachingOn) : MainContainerBase(m) {}
};

// Counts live instances so that tests see exactly which objects were deleted.
class Tracked : public Kit::Object {
public:
	explicit Tracked(int value) : value(value) { ++alive; }
	Tracked(const Tracked& other) : Kit::Object(other), value(other.value) { ++alive; }
	~Tracked() override { --alive; }
	Kit::Object* Clone() const override { return new Tracked(*this); }

	int value;
	static inline int alive = 0;
};

} // namespace

TEST(MainContainerBase, SwapFolderIsCreatedEmptiedAndRemoved) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<TestContainer> c(new TestContainer());
	EXPECT_TRUE(c->GetSwapFolderLocation().IsEmpty());

	const fs::path expected = GetTemporaryFolder()->GetLocation().GetPath() / "Swap-7";
	fs::create_directories(expected / "old-sub");
	std::ofstream(expected / "stale.bin") << "stale";

	c->CreateSwapFolder(IO::Name("Swap-7"));
	EXPECT_EQ(c->GetSwapFolderLocation().GetPath(), expected);
	EXPECT_TRUE(fs::is_directory(expected));
	EXPECT_TRUE(fs::is_empty(expected));

	std::ofstream(expected / "ModelElems-7") << "cache";
	c->RemoveSwapFolder();
	EXPECT_FALSE(fs::exists(expected));
	EXPECT_TRUE(c->GetSwapFolderLocation().IsEmpty());
	c->RemoveSwapFolder(); // nothing left to remove: no effect
}

TEST(MainContainerBase, SwapFolderFailureLogsAndThrows) {
	Kit::logger.Clear();
	Kit::SharedPtr<TestContainer> c(new TestContainer());
	// No temporary folder before M3DInit.
	EXPECT_THROW(c->CreateSwapFolder(IO::Name("Swap-1")), Kit::RunTimeErrorException);
	{
		TestSupport::ModuleScope module;
		const fs::path blocker = GetTemporaryFolder()->GetLocation().GetPath() / "Swap-2";
		std::ofstream(blocker) << "a file where the folder should be";
		try {
			c->CreateSwapFolder(IO::Name("Swap-2"));
			FAIL() << "expected an exception";
		} catch (const Kit::RunTimeErrorException& e) {
			EXPECT_STREQ(e.GetMessage(), "Error in MainContainerBase::CreateSwapFolder");
			EXPECT_STREQ(e.GetFileName(), "Model3D/MainContainerBase");
			EXPECT_EQ(e.GetLineNumber(), 146u);
		}
		EXPECT_TRUE(c->GetSwapFolderLocation().IsEmpty());
	}
	const auto lines = Kit::logger.GetLines();
	ASSERT_GE(lines.size(), 2u);
	EXPECT_EQ(lines.back().category, "Modeler");
	EXPECT_EQ(lines.back().text.rfind("MainContainerBase::CreateSwapFolder failed: ", 0), 0u);
	EXPECT_NE(lines.back().text.find("Swap-2"), std::string::npos);
}

TEST(MainContainerBase, UserDataOwnership) {
	Tracked::alive = 0;
	{
		Kit::SharedPtr<TestContainer> c(new TestContainer(Modeler::DiskCachingOff));
		EXPECT_EQ(c->SearchUserDataKey(5), 0xFFFFFFFFu);
		EXPECT_EQ(c->GetUserData(5), nullptr);

		auto* first = new Tracked(1);
		c->SetUserData(5, first);
		c->SetUserData(9, new Tracked(9));
		EXPECT_EQ(c->SearchUserDataKey(9), 1u);
		c->SetUserData(5, first); // same object: kept
		EXPECT_EQ(Tracked::alive, 2);
		EXPECT_EQ(c->GetUserData(5), first);

		c->SetUserData(5, new Tracked(2)); // replaces and deletes the first
		EXPECT_EQ(Tracked::alive, 2);
		EXPECT_EQ(static_cast<Tracked*>(c->GetUserData(5))->value, 2);
		EXPECT_EQ(c->GetUserDataCount(), 2u);
	}
	EXPECT_EQ(Tracked::alive, 0); // the container deleted what it owned
}

TEST(MainContainerBase, DeepCopyClonesUserData) {
	Tracked::alive = 0;
	{
		Kit::SharedPtr<TestContainer> source(new TestContainer());
		Kit::SharedPtr<TestContainer> target(new TestContainer(Modeler::DiskCachingOff));
		source->SetUserTag(77);
		source->SetUserData(1, new Tracked(10));
		source->SetUserData(2, nullptr);
		target->SetUserData(3, new Tracked(30));

		DeepCopyMainContainerBase(target, *source);
		EXPECT_EQ(target->GetUserTag(), 77u);
		EXPECT_EQ(target->SearchUserDataKey(3), 0xFFFFFFFFu);
		ASSERT_NE(target->GetUserData(1), nullptr);
		EXPECT_NE(target->GetUserData(1), source->GetUserData(1));
		EXPECT_EQ(static_cast<Tracked*>(target->GetUserData(1))->value, 10);
		EXPECT_EQ(target->GetUserData(2), nullptr);
		EXPECT_EQ(target->GetDiskCachingMethod(), Modeler::DiskCachingOff);
		EXPECT_EQ(Tracked::alive, 2);

		// Onto itself: nothing changes, nothing is deleted.
		DeepCopyMainContainerBase(source, *source);
		EXPECT_EQ(static_cast<Tracked*>(source->GetUserData(1))->value, 10);
		EXPECT_EQ(source->GetRefCount(), 1);
	}
	EXPECT_EQ(Tracked::alive, 0);
}
