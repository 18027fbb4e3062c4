#include "Model3D/core/frame/ModuleFrame.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

TEST(ModuleFrame, InitCreatesTemporaryFolderAndExitRemovesIt) {
	TestSupport::TempDir dir;
	IO::Location parent(dir.Path() / "not" / "yet" / "there");
	ASSERT_EQ(M3DInit(&parent, 11, 22), 0);
	ASSERT_NE(GetTemporaryFolder(), nullptr);
	const fs::path temp = GetTemporaryFolder()->GetLocation().GetPath();
	EXPECT_EQ(temp.filename(), "3D");
	EXPECT_TRUE(fs::is_directory(temp));
	EXPECT_EQ(Modeler::GetMessageResModule(), 11);
	EXPECT_EQ(Modeler::GetTextResModule(), 22);

	// A second start without an end fails and keeps the first folder.
	EXPECT_EQ(M3DInit(&parent, 1, 2), -7003);
	EXPECT_NE(GetTemporaryFolder(), nullptr);

	std::ofstream(temp / "leftover.bin") << "data";
	fs::create_directories(temp / "sub" / "deeper");
	M3DExit();
	EXPECT_EQ(GetTemporaryFolder(), nullptr);
	EXPECT_FALSE(fs::exists(temp));
	EXPECT_TRUE(fs::exists(temp.parent_path()));

	// The module can be started again after it was stopped.
	ASSERT_EQ(M3DInit(&parent, 0, 0), 0);
	M3DExit();
}

TEST(ModuleFrame, InitFailuresReturnTheModuleError) {
	EXPECT_EQ(M3DInit(nullptr, 0, 0), -7003);
	EXPECT_EQ(GetTemporaryFolder(), nullptr);

	TestSupport::TempDir dir;
	const fs::path file = dir.Path() / "plain-file";
	std::ofstream(file) << "x";
	IO::Location onFile(file);
	EXPECT_EQ(M3DInit(&onFile, 0, 0), -7003);
	EXPECT_EQ(GetTemporaryFolder(), nullptr);

	// "3D" exists as a file: the temporary folder cannot be made.
	std::ofstream(dir.Path() / "3D") << "x";
	IO::Location parent(dir.Path());
	EXPECT_EQ(M3DInit(&parent, 0, 0), -7003);
	EXPECT_EQ(GetTemporaryFolder(), nullptr);
	M3DExit();
}

TEST(ModuleFrame, RegistryLockIsReentrantAndExclusive) {
	Kit::FastLock& lock = Modeler::GetRegistryLock();
	lock.Acquire();
	lock.Acquire();
	bool otherGotIt = true;
	std::thread other([&] {
		otherGotIt = lock.TryAcquire();
		if (otherGotIt) lock.Release();
	});
	other.join();
	EXPECT_FALSE(otherGotIt);
	lock.Release();
	lock.Release();
	std::thread again([&] {
		otherGotIt = lock.TryAcquire();
		if (otherGotIt) lock.Release();
	});
	again.join();
	EXPECT_TRUE(otherGotIt);
}
