#include "Model3D/core/frame/SizeReport.h"

#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Row(UInt32 recordSize, UInt32 itemCount, UInt32 usedBytes, UInt32 allocBytes, const char* name = "Bodies") {
	IO::MemoryOChannel out;
	Modeler::PrintOneSizeReport(out, name, recordSize, itemCount, usedBytes, allocBytes);
	return out.GetText();
}

} // namespace

TEST(SizeReport, RowWithoutRecordSizeOrAllocation) {
	// name (15) + 2 + empty record size (5) + 2, then three 13-wide numbers.
	const std::string lead = std::string("Bodies") + std::string(9 + 2 + 5 + 2, ' ');
	EXPECT_EQ(Row(0, 12, 1000, 0),
	          lead + "           12" + "  " + "        1 000" + "  " + "            0" + "       " + "  -  \n");
}

TEST(SizeReport, FillFactorAndRecordSize) {
	const std::string row = Row(44, 3, 1, 3);
	EXPECT_EQ(row.substr(0, 22), "Bodies              44");
	EXPECT_NE(row.find("33.3%\n"), std::string::npos) << row;
}

TEST(SizeReport, DigitGroupingKeepsThirteenColumns) {
	// Each number column is 13 wide and separated by two spaces from its neighbour.
	const std::string row = Row(1, 1234, 1234567, 4294967295u, "x");
	EXPECT_EQ(row.substr(24, 13), "        1 234");
	EXPECT_EQ(row.substr(39, 13), "    1 234 567");
	EXPECT_EQ(row.substr(54, 13), "4 294 967 295");
	EXPECT_EQ(Row(1, 999, 0, 1, "x").substr(24, 13), "          999");
	EXPECT_EQ(Row(1, 100000, 0, 1, "x").substr(24, 13), "      100 000");
}

TEST(SizeReport, LongNamesAreCutToFifteen) {
	EXPECT_EQ(Row(0, 0, 0, 0, "A very long label indeed").substr(0, 17), "A very long lab  ");
}

TEST(SizeReport, Header) {
	IO::MemoryOChannel out;
	Modeler::PrintOneSizeReportHeader(out, "Model");
	EXPECT_EQ(out.GetText(), "Model            Recor     Item count     Used bytes     Alloc byte       Fill factor\n");
}

TEST(SizeReport, CPrintfCutsAt511) {
	IO::MemoryOChannel out;
	const std::string longText(600, 'a');
	CPrintf(out, "%s|", longText.c_str());
	EXPECT_EQ(out.GetText(), std::string(511, 'a'));
	out.Clear();
	CPrintf(out, "%d-%s", 42, "x");
	EXPECT_EQ(out.GetText(), "42-x");
}
