#include "platform/FTMFileType.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace FTM {

TypeID FileTypeManager::SearchForMime(const char* mimeType) {
	if (mimeType == nullptr) return UnknownType;
	std::string text(mimeType);
	text = text.substr(0, text.find(';'));
	const auto notSpace = [](unsigned char c) { return std::isspace(c) == 0; };
	text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
	text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
	std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });

	struct Entry {
		const char* mime;
		TypeID type;
	};
	static constexpr Entry known[] = {
	    {"image/png", PNGFileType},  {"image/x-png", PNGFileType},  {"image/jpeg", JPEGFileType},
	    {"image/jpg", JPEGFileType}, {"image/pjpeg", JPEGFileType},
	};
	for (const Entry& entry : known)
		if (text == entry.mime) return entry.type;
	return UnknownType;
}

} // namespace FTM
