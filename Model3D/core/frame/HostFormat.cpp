#include "Model3D/core/frame/detail/HostFormat.h"

#include <cstring>

namespace Modeler {

namespace {

bool IsDigit(char c) {
	return c >= '0' && c <= '9';
}

const char* SkipDigits(const char* p) {
	while (IsDigit(*p))
		++p;
	return p;
}

bool TakesArgument(char conversion, FormatArgument argument) {
	const char* accepted = argument == FormatArgument::Int ? "di" : "uxXo";
	return conversion != '\0' && std::strchr(accepted, conversion) != nullptr;
}

} // namespace

Int32 CountFormatConversions(const char* format, FormatArgument argument) {
	Int32 conversions = 0;
	for (const char* p = format; *p != '\0'; ++p) {
		if (*p != '%') continue;
		++p;
		if (*p == '%') continue;
		while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr)
			++p;
		p = SkipDigits(p);
		if (*p == '.') p = SkipDigits(p + 1);
		if (!TakesArgument(*p, argument)) return -1;
		++conversions;
	}
	return conversions;
}

bool IsFormatFor(const char* format, FormatArgument argument, Int32 count) {
	return CountFormatConversions(format, argument) == count;
}

} // namespace Modeler
