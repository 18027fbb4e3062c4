#include "Model3D/core/frame/detail/HostFormat.h"

#include <cstring>
#include <string>

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

// The argument kind a conversion takes: 'd', 'u' or 'f'; 0 for any other conversion.
char ArgumentKind(char conversion) {
	if (conversion != '\0' && std::strchr("di", conversion) != nullptr) return 'd';
	if (conversion != '\0' && std::strchr("uxXo", conversion) != nullptr) return 'u';
	if (conversion != '\0' && std::strchr("fFeEgG", conversion) != nullptr) return 'f';
	return 0;
}

// The kinds of the conversions of 'format' in order, or false for a conversion that no
// kind describes (or a format ending inside one).
bool FormatSignature(const char* format, std::string& kinds) {
	kinds.clear();
	for (const char* p = format; *p != '\0'; ++p) {
		if (*p != '%') continue;
		++p;
		if (*p == '%') continue;
		while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr)
			++p;
		p = SkipDigits(p);
		if (*p == '.') p = SkipDigits(p + 1);
		const char kind = ArgumentKind(*p);
		if (kind == 0) return false;
		kinds += kind;
	}
	return true;
}

} // namespace

Int32 CountFormatConversions(const char* format, FormatArgument argument) {
	std::string kinds;
	const char wanted = argument == FormatArgument::Int ? 'd' : 'u';
	if (!FormatSignature(format, kinds) || kinds.find_first_not_of(wanted) != std::string::npos) return -1;
	return static_cast<Int32>(kinds.size());
}

bool IsFormatFor(const char* format, FormatArgument argument, Int32 count) {
	return CountFormatConversions(format, argument) == count;
}

bool FormatMatches(const char* format, const char* signature) {
	std::string kinds;
	return FormatSignature(format, kinds) && kinds == signature;
}

} // namespace Modeler
