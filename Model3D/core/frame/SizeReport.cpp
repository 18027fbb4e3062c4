#include "Model3D/core/frame/SizeReport.h"

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

void CPrintf(Kit::OChannel& channel, const char* format, ...) {
	char buffer[512];
	va_list args;
	va_start(args, format);
	const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
	va_end(args);
	if (n < 0) return;
	channel << buffer;
}

namespace Modeler {

namespace {

constexpr const char* RowFormat = "%-15.15s  %5.5s  %13.13s  %13.13s  %13.13s       %5s\n";

// "%13lu", then a space after characters 1, 4 and 7 of the last ten characters, so
// that the digits fall into groups of 1, 3, 3 and 3 and the text stays 13 wide.
std::string GroupedNumber(UInt32 value) {
	char plain[32];
	std::snprintf(plain, sizeof plain, "%13lu", static_cast<unsigned long>(value));
	const std::string text(plain);
	const std::string lastTen = text.substr(text.size() - 10);
	std::string grouped;
	for (USize i = 0; i < lastTen.size(); ++i) {
		grouped += lastTen[i];
		if (i == 0 || i == 3 || i == 6) grouped += ' ';
	}
	return grouped;
}

} // namespace

UInt32 CappedFigure(UInt64 value) {
	return value > std::numeric_limits<UInt32>::max() ? std::numeric_limits<UInt32>::max() : static_cast<UInt32>(value);
}

void PrintOneSizeReportHeader(Kit::OChannel& channel, const char* title) {
	CPrintf(channel, RowFormat, title, "Record size", "Item count", "Used bytes", "Alloc byte", "Fill factor");
}

void PrintOneSizeReport(Kit::OChannel& channel, const char* name, UInt32 recordSize, UInt32 itemCount, UInt32 usedBytes,
                        UInt32 allocBytes) {
	char recordColumn[16] = "";
	if (recordSize != 0)
		std::snprintf(recordColumn, sizeof recordColumn, "%5lu", static_cast<unsigned long>(recordSize));

	char fillColumn[32] = "  -  ";
	if (allocBytes != 0) std::snprintf(fillColumn, sizeof fillColumn, "%3.1f%%", usedBytes * 100.0 / allocBytes);

	CPrintf(channel, RowFormat, name, recordColumn, GroupedNumber(itemCount).c_str(), GroupedNumber(usedBytes).c_str(),
	        GroupedNumber(allocBytes).c_str(), fillColumn);
}

} // namespace Modeler
