#include "platform/KitPrefs.h"

#include "platform/KitLogger.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

class SvcPrefs : public testing::Test {
protected:
	void SetUp() override {
		const char* base = std::getenv("M3D_TEST_TMP");
		folder = std::filesystem::path(base != nullptr ? base : std::filesystem::temp_directory_path().string()) /
		         ("svc-prefs-" + std::to_string(::getpid()));
		std::filesystem::create_directories(folder);
		file = folder / "prefs.ini";
		DBResetAllBools();
	}
	void TearDown() override {
		::unsetenv("M3D_PREFS");
		::unsetenv("M3D_PREF_Atelier_compress");
		::unsetenv("M3D_PREF_Render_fast_mode");
		DBResetAllBools();
		std::error_code ignored;
		std::filesystem::remove_all(folder, ignored);
	}
	void WriteFile(const std::string& text) {
		std::ofstream(file) << text;
		::setenv("M3D_PREFS", file.c_str(), 1);
	}

	std::filesystem::path folder;
	std::filesystem::path file;
};

TEST_F(SvcPrefs, DefaultWhenNothingIsSet) {
	EXPECT_TRUE(DBGetBool("Atelier", "compress", true));
	EXPECT_FALSE(DBGetBool("Atelier", "compress", false));
	::setenv("M3D_PREFS", (folder / "missing.ini").c_str(), 1);
	EXPECT_TRUE(DBGetBool("Atelier", "compress", true));
}

TEST_F(SvcPrefs, EnvironmentVariableWithAllAcceptedWords) {
	for (const char* word : {"0", "false", "No", "OFF", " off "}) {
		::setenv("M3D_PREF_Atelier_compress", word, 1);
		EXPECT_FALSE(DBGetBool("Atelier", "compress", true)) << word;
	}
	for (const char* word : {"1", "TRUE", "yes", "On"}) {
		::setenv("M3D_PREF_Atelier_compress", word, 1);
		EXPECT_TRUE(DBGetBool("Atelier", "compress", false)) << word;
	}
	// A word that is none of them counts as absent.
	::setenv("M3D_PREF_Atelier_compress", "maybe", 1);
	EXPECT_TRUE(DBGetBool("Atelier", "compress", true));
	EXPECT_FALSE(DBGetBool("Atelier", "compress", false));
	// Characters that cannot be in a variable name become '_'.
	::setenv("M3D_PREF_Render_fast_mode", "no", 1);
	EXPECT_FALSE(DBGetBool("Render", "fast mode", true));
}

TEST_F(SvcPrefs, FileSectionsCommentsAndCase) {
	WriteFile("# preferences\n"
	          "[Other]\n"
	          "compress = no\n"
	          "[ atelier ]\r\n"
	          "; a comment\n"
	          "Compress = off\r\n"
	          "smooth=bogus\n"
	          "smooth=YES\n"
	          "[Last]\n"
	          "flag=on\n");
	EXPECT_FALSE(DBGetBool("Atelier", "compress", true));
	EXPECT_TRUE(DBGetBool("Atelier", "smooth", false)); // the bad value is skipped
	EXPECT_TRUE(DBGetBool("Last", "flag", false));
	EXPECT_TRUE(DBGetBool("Last", "compress", true)); // other sections do not leak
	EXPECT_FALSE(DBGetBool("Atelier", "missing", false));
}

TEST_F(SvcPrefs, ProcessValueBeatsEnvironmentWhichBeatsFile) {
	WriteFile("[Atelier]\ncompress=yes\n");
	EXPECT_TRUE(DBGetBool("Atelier", "compress", false));
	::setenv("M3D_PREF_Atelier_compress", "no", 1);
	EXPECT_FALSE(DBGetBool("Atelier", "compress", true));
	DBSetBool("Atelier", "compress", true);
	EXPECT_TRUE(DBGetBool("ATELIER", "Compress", false));
	DBResetBool("Atelier", "compress");
	EXPECT_FALSE(DBGetBool("Atelier", "compress", true));
}

// A bad value or an unreadable file is reported once however often it is read, and then
// counts as absent.
TEST_F(SvcPrefs, BadValuesAndMissingFilesAreWarnedAboutOnce) {
	const auto warningsWith = [](const std::string& a, const std::string& b) {
		int n = 0;
		for (const Kit::LogLine& line : Kit::logger.GetLines())
			n += line.level == Kit::LogLevel::Warning && line.category == "Kit" &&
			             line.text.find(a) != std::string::npos && line.text.find(b) != std::string::npos
			         ? 1
			         : 0;
		return n;
	};
	Kit::logger.Clear();
	::setenv("M3D_PREF_Atelier_compress", "maybe-once", 1);
	::setenv("M3D_PREFS", (folder / "missing-once.ini").c_str(), 1);
	for (int i = 0; i < 3; ++i)
		EXPECT_TRUE(DBGetBool("Atelier", "compress", true));
	EXPECT_EQ(warningsWith("M3D_PREF_Atelier_compress", "\"maybe-once\""), 1);
	EXPECT_EQ(warningsWith("missing-once.ini", "cannot be read"), 1);

	WriteFile("[Atelier]\nsmooth = sometimes-once\n");
	for (int i = 0; i < 3; ++i)
		EXPECT_FALSE(DBGetBool("Atelier", "smooth", false));
	EXPECT_EQ(warningsWith("[Atelier] smooth", "\"sometimes-once\""), 1);
}

TEST(SvcPrefsParse, Words) {
	bool value = true;
	EXPECT_FALSE(DBParseBool(nullptr, value));
	EXPECT_FALSE(DBParseBool("", value));
	EXPECT_FALSE(DBParseBool("2", value));
	EXPECT_TRUE(value); // unchanged by a failed parse
	EXPECT_TRUE(DBParseBool("oFf", value));
	EXPECT_FALSE(value);
}

} // namespace
