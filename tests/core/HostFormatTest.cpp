#include "Model3D/core/frame/detail/HostFormat.h"

#include <gtest/gtest.h>

using Modeler::CountFormatConversions;
using Modeler::FormatArgument;

TEST(HostFormat, CountsOnlyConversionsOfTheGivenKind) {
	constexpr FormatArgument Int = FormatArgument::Int;
	constexpr FormatArgument Unsigned = FormatArgument::Unsigned;
	const struct {
		const char* format;
		FormatArgument argument;
		Int32 conversions;
	} cases[] = {
	    {"", Int, 0},
	    {"plain text", Int, 0},
	    {"100%% sure", Int, 0},
	    {"%%d", Int, 0},
	    {"Fill %d", Int, 1},
	    {"%i and %d", Int, 2},
	    {"%-+ #05d|%12i|%.3d|%7.d|%%", Int, 4},
	    {"%d%d%d", Int, 3},
	    {"Fill %u", Int, -1},
	    {"Fill %s", Int, -1},
	    {"Fill %ld", Int, -1},
	    {"Fill %hd", Int, -1},
	    {"Fill %*d", Int, -1},
	    {"Fill %.*d", Int, -1},
	    {"Fill %n", Int, -1},
	    {"Fill %f", Int, -1},
	    {"Fill %", Int, -1},
	    {"Fill %-", Int, -1},
	    {"Fill %5.", Int, -1},
	    {"%d then %s", Int, -1},
	    {"Folder-%u", Unsigned, 1},
	    {"%x %X %o %u", Unsigned, 4},
	    {"%08X", Unsigned, 1},
	    {"Folder-%d", Unsigned, -1},
	    {"Folder-%i", Unsigned, -1},
	    {"Folder-%lu", Unsigned, -1},
	    {"Folder-%p", Unsigned, -1},
	    {"Folder-%c", Unsigned, -1},
	    {"Folder-%u%", Unsigned, -1},
	};
	for (const auto& c : cases) {
		EXPECT_EQ(CountFormatConversions(c.format, c.argument), c.conversions) << c.format;
		EXPECT_EQ(Modeler::IsFormatFor(c.format, c.argument, 1), c.conversions == 1) << c.format;
	}
}
