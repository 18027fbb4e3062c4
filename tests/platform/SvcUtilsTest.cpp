#include "platform/KitUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The kinds of the printf conversions of a format, in order: 'i' for an int-sized
// integer, 'f' for a double, 's' for a text. Anything the callers cannot match (a length
// modifier, '*', an unknown conversion) gives '!'.
std::string ConversionKinds(const char* format) {
	std::string kinds;
	for (const char* p = format; *p != '\0'; ++p) {
		if (*p != '%') continue;
		++p;
		if (*p == '%') continue;
		while (*p != '\0' && std::strchr("-+ #0123456789.", *p) != nullptr)
			++p;
		if (*p == '\0') return kinds + '!';
		if (std::strchr("diuxXc", *p) != nullptr)
			kinds += 'i';
		else if (std::strchr("fFeEgG", *p) != nullptr)
			kinds += 'f';
		else if (*p == 's')
			kinds += 's';
		else
			kinds += '!';
	}
	return kinds;
}

struct Expected {
	Int32 list;
	Int32 index;
	const char* kinds;
};

// What the callers pass to each entry they use.
const Expected usedEntries[] = {
    {2006, 17, "i"},       {2006, 18, "ii"},       {2006, 19, "iii"},   {2006, 20, "iii"},    {2006, 21, "i"},
    {2006, 23, "ii"},      {2006, 24, "ii"},       {2006, 25, "ii"},    {2006, 26, "ii"},     {2006, 27, "ii"},
    {2006, 29, "ii"},      {2006, 30, "i"},        {2006, 31, "i"},     {2006, 32, "i"},      {2006, 33, "i"},
    {2006, 34, "i"},       {2006, 36, ""},         {2006, 37, ""},      {2006, 38, "i"},      {2006, 39, "i"},
    {2006, 40, "ii"},      {2008, 6, "i"},         {2500, 45, "fff"},   {2500, 46, "fff"},    {2500, 58, "iiii"},
    {2500, 59, "iiii"},    {2500, 66, "i"},        {2500, 69, "ifff"},  {2500, 71, "iiiii"},  {2500, 73, "i"},
    {2500, 74, "i"},       {2500, 76, "iiiiiiii"}, {2500, 81, "i"},     {2500, 82, "i"},      {2500, 84, "iiiiiiii"},
    {2500, 85, "iiiiiii"}, {2500, 87, "ii"},       {2500, 107, "i"},    {2500, 108, "ii"},    {2500, 109, "i"},
    {2500, 122, "i"},      {2500, 123, "iff"},     {2500, 124, "iiii"}, {2500, 125, "iiiii"}, {10000, 49, "i"},
};

TEST(SvcUtils, EveryUsedEntryExistsAndTakesExactlyTheCallersArguments) {
	for (const Expected& e : usedEntries) {
		char buffer[OUFixStringBufferSize];
		ASSERT_TRUE(OUGetFixString(buffer, e.list, e.index, 0)) << e.list << "/" << e.index;
		EXPECT_GT(std::strlen(buffer), 0u);
		EXPECT_EQ(ConversionKinds(buffer), e.kinds) << e.list << "/" << e.index << ": " << buffer;
	}
	// Report labels are printed without arguments and cut to 15 characters.
	for (Int32 list : {2501, 2502}) {
		for (Int32 index : {1, 2, 3, 4, 5, 7, 8}) {
			char buffer[OUFixStringBufferSize];
			ASSERT_TRUE(OUGetFixString(buffer, list, index, 0)) << list << "/" << index;
			EXPECT_EQ(ConversionKinds(buffer), "") << buffer;
			EXPECT_LE(std::strlen(buffer), 15u) << buffer;
		}
	}
	for (Int32 index : {6, 9, 10, 11, 12, 13, 17, 18, 19}) {
		char buffer[OUFixStringBufferSize];
		const Int32 list = index == 6 ? 2501 : 2502;
		ASSERT_TRUE(OUGetFixString(buffer, list, index, 0)) << list << "/" << index;
		EXPECT_LE(std::strlen(buffer), 15u) << buffer;
	}
}

TEST(SvcUtils, SwapFolderPatternNamesEachModelApart) {
	char pattern[OUFixStringBufferSize];
	ASSERT_TRUE(OUGetFixString(pattern, 10000, 49, 1234));
	char a[300], b[300];
	std::snprintf(a, sizeof a, pattern, 1u);
	std::snprintf(b, sizeof b, pattern, 11u);
	EXPECT_STRNE(a, b);
	EXPECT_EQ(std::strchr(a, '/'), nullptr); // a single folder name
}

TEST(SvcUtils, MissingEntriesFailWithAnEmptyBuffer) {
	char buffer[OUFixStringBufferSize] = "stale";
	EXPECT_FALSE(OUGetFixString(buffer, 2502, 6, 0));
	EXPECT_STREQ(buffer, "");
	EXPECT_FALSE(OUGetFixString(buffer, 99999, 1, 0));
	EXPECT_FALSE(OUGetFixString(buffer, 2500, -1, 0));
	EXPECT_FALSE(OUGetFixString(nullptr, 2500, 66, 0));
	EXPECT_EQ(OUGetBuiltInString(2500, 10000), nullptr);

	// The message-loader form reads the same tables.
	EXPECT_TRUE(OULoadMessage(buffer, 2006, 21, 0));
	EXPECT_STREQ(buffer, OUGetBuiltInString(2006, 21));
}

TEST(SvcUtils, HostProviderWinsAndFallsBackToTheOwnTables) {
	struct Host {
		Int64 lastModule = 0;
	} host;
	OUSetFixStringProvider(
	    [](char* buffer, Int32 list, Int32 index, Int64 module, void* data) {
		    static_cast<Host*>(data)->lastModule = module;
		    if (list == 2502 && index == 4) {
			    std::strcpy(buffer, "Korper");
			    return true;
		    }
		    if (list == 2502 && index == 5) {
			    // An over-long answer is cut to the buffer size.
			    std::memset(buffer, 'L', 255);
			    buffer[255] = '\0';
			    return true;
		    }
		    std::strcpy(buffer, "garbage left by a failed lookup");
		    return false;
	    },
	    &host);
	char buffer[OUFixStringBufferSize];
	EXPECT_TRUE(OUGetFixString(buffer, 2502, 4, 77));
	EXPECT_STREQ(buffer, "Korper");
	EXPECT_EQ(host.lastModule, 77);
	EXPECT_TRUE(OUGetFixString(buffer, 2502, 5, 0));
	EXPECT_EQ(std::strlen(buffer), 255u);
	EXPECT_TRUE(OUGetFixString(buffer, 2502, 10, 0));
	EXPECT_STREQ(buffer, OUGetBuiltInString(2502, 10));
	EXPECT_FALSE(OUGetFixString(buffer, 4242, 1, 0));
	EXPECT_STREQ(buffer, "");
	OUSetFixStringProvider(nullptr, nullptr);
	EXPECT_TRUE(OUGetFixString(buffer, 2502, 4, 0));
	EXPECT_STREQ(buffer, OUGetBuiltInString(2502, 4));
}

TEST(SvcUtils, ProjectStampWarningsAndErrors) {
	OUSetProjectModiStamp(0x1234567890ull);
	EXPECT_EQ(OUGetProjectModiStamp(), 0x1234567890ull);
	OUSetProjectModiStamp(0);

	OUResetMessages();
	std::vector<std::pair<bool, Int32>> seen;
	OUSetMessageCallback(
	    [](bool isError, Int32 code, void* data) {
		    static_cast<std::vector<std::pair<bool, Int32>>*>(data)->emplace_back(isError, code);
	    },
	    &seen);
	OUWarning(44);
	OUWarning(45);
	OUError(46);
	OUSetMessageCallback(nullptr, nullptr);
	OUWarning(47);
	EXPECT_EQ(OUGetLastWarning(), 47);
	EXPECT_EQ(OUGetWarningCount(), 3u);
	EXPECT_EQ(OUGetLastError(), 46);
	EXPECT_EQ(OUGetErrorCount(), 1u);
	ASSERT_EQ(seen.size(), 3u);
	EXPECT_EQ(seen[0], std::make_pair(false, 44));
	EXPECT_EQ(seen[2], std::make_pair(true, 46));
	OUResetMessages();
	EXPECT_EQ(OUGetLastWarning(), 0);
	EXPECT_EQ(OUGetErrorCount(), 0u);
}

TEST(SvcUtils, LongOperationsNestAndBreakFollowsTheHost) {
	struct Host {
		std::vector<std::string> events;
		int breakAfter = 2;
	} host;
	TTSetLongCallback(
	    [](bool begins, bool finished, Int32 depth, void* data) {
		    static_cast<Host*>(data)->events.push_back(std::string(begins     ? "beg"
		                                                           : finished ? "end"
		                                                                      : "abort") +
		                                               std::to_string(depth));
	    },
	    &host);
	TTBegLong();
	TTBegLong();
	EXPECT_EQ(TTGetLongDepth(), 2);
	TTEndLong(false);
	TTEndLong();
	EXPECT_EQ(TTGetLongDepth(), 0);
	TTEndLong(); // unmatched: ignored
	EXPECT_EQ(TTGetLongDepth(), 0);
	TTSetLongCallback(nullptr, nullptr);
	EXPECT_EQ(host.events, (std::vector<std::string>{"beg1", "beg2", "abort1", "end0"}));

	EXPECT_FALSE(TTBreak());
	TTSetBreakCallback([](void* data) { return --static_cast<Host*>(data)->breakAfter <= 0; }, &host);
	EXPECT_FALSE(TTBreak());
	EXPECT_TRUE(TTBreak());
	TTSetBreakCallback(nullptr, nullptr);
	EXPECT_FALSE(TTBreak());
}

} // namespace
