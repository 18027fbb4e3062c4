// A fresh, uniquely named folder on disk for one test, removed again afterwards. It
// is made under $M3D_TEST_TMP when that is set, else under the system's temporary
// folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace iotest {

class TestFolder {
public:
	TestFolder() {
		static std::atomic<int> counter{0};
		const char* env = std::getenv("M3D_TEST_TMP");
		std::filesystem::path base =
		    env != nullptr && *env != '\0' ? std::filesystem::path(env) : std::filesystem::temp_directory_path();
		const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
		std::string name = "io-";
		if (info != nullptr) name += std::string(info->test_suite_name()) + "-" + info->name();
		name += "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
		path = base / name;
		std::error_code ec;
		std::filesystem::remove_all(path, ec);
		std::filesystem::create_directories(path, ec);
	}
	TestFolder(const TestFolder&) = delete;
	TestFolder& operator=(const TestFolder&) = delete;
	~TestFolder() {
		std::error_code ec;
		std::filesystem::remove_all(path, ec);
	}

	const std::filesystem::path& Path() const { return path; }

private:
	std::filesystem::path path;
};

} // namespace iotest
