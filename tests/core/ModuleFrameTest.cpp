#include "Model3D/core/frame/ModuleFrame.h"

#include "fixtures/TempDir.h"
#include "platform/KitLogger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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

TEST(ModuleFrame, InitFailuresReturnTheModuleErrorAndLogWhy) {
	TestSupport::TempDir dir;
	const fs::path file = dir.Path() / "plain-file";
	std::ofstream(file) << "x";
	IO::Location onFile(file);
	IO::Location parent(dir.Path());
	const struct {
		IO::Location* where;
		const char* why;
	} cases[] = {
	    {nullptr, "no folder given"},
	    {&onFile, "the folder cannot be opened or made"},
	    {&parent, "its folder \"3D\" cannot be made"}, // "3D" exists as a file, made below
	};
	for (const auto& c : cases) {
		if (c.where == &parent) std::ofstream(dir.Path() / "3D") << "x";
		Kit::logger.Clear();
		EXPECT_EQ(M3DInit(c.where, 0, 0), -7003) << c.why;
		EXPECT_EQ(GetTemporaryFolder(), nullptr);
		const std::vector<Kit::LogLine> lines = Kit::logger.GetLines();
		ASSERT_EQ(lines.size(), 1u) << c.why;
		EXPECT_EQ(lines[0].level, Kit::LogLevel::Error);
		EXPECT_EQ(lines[0].text.rfind("M3DInit failed for ", 0), 0u) << lines[0].text;
		EXPECT_NE(lines[0].text.find(c.why), std::string::npos) << lines[0].text;
	}
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
