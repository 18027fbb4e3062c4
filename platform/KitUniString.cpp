#include "platform/KitUniString.h"

namespace Kit {

namespace {

constexpr char32_t Replacement = 0xFFFD;

char32_t FoldCase(char32_t c) {
	if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
	return c;
}

// Decodes one code point starting at text[i]; advances i.
char32_t DecodeUtf8(std::string_view text, USize& i) {
	const auto byte = [&](USize k) { return static_cast<unsigned char>(text[k]); };
	const unsigned char lead = byte(i++);
	if (lead < 0x80) return lead;
	int extra = 0;
	char32_t cp = 0;
	if ((lead & 0xE0) == 0xC0) {
		extra = 1;
		cp = lead & 0x1F;
	} else if ((lead & 0xF0) == 0xE0) {
		extra = 2;
		cp = lead & 0x0F;
	} else if ((lead & 0xF8) == 0xF0) {
		extra = 3;
		cp = lead & 0x07;
	} else {
		return Replacement;
	}
	for (int k = 0; k < extra; ++k) {
		if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return Replacement;
		cp = (cp << 6) | (byte(i++) & 0x3F);
	}
	static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
	if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Replacement;
	return cp;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
	std::u16string out;
	out.reserve(utf8.size());
	for (USize i = 0; i < utf8.size();) {
		char32_t cp = DecodeUtf8(utf8, i);
		if (cp >= 0x10000) {
			cp -= 0x10000;
			out += static_cast<char16_t>(0xD800 + (cp >> 10));
			out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
		} else {
			out += static_cast<char16_t>(cp);
		}
	}
	return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
	std::string out;
	out.reserve(utf16.size());
	for (USize i = 0; i < utf16.size(); ++i) {
		char32_t cp = utf16[i];
		if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
			cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
			++i;
		} else if (cp >= 0xD800 && cp <= 0xDFFF) {
			cp = Replacement;
		}
		if (cp < 0x80) {
			out += static_cast<char>(cp);
		} else if (cp < 0x800) {
			out += static_cast<char>(0xC0 | (cp >> 6));
			out += static_cast<char>(0x80 | (cp & 0x3F));
		} else if (cp < 0x10000) {
			out += static_cast<char>(0xE0 | (cp >> 12));
			out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
			out += static_cast<char>(0x80 | (cp & 0x3F));
		} else {
			out += static_cast<char>(0xF0 | (cp >> 18));
			out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
			out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
			out += static_cast<char>(0x80 | (cp & 0x3F));
		}
	}
	return out;
}

UniString::UniString(const char* utf8) : chars(utf8 != nullptr ? Utf8ToUtf16(utf8) : std::u16string()) {}

UniString::UniString(std::string_view utf8) : chars(Utf8ToUtf16(utf8)) {}

UniString::UniString(const UniChar* text) : chars(text != nullptr ? std::u16string(text) : std::u16string()) {}

std::string UniString::ToUtf8() const {
	return Utf16ToUtf8(chars);
}

bool UniString::IsEqualNoCase(const UniString& other) const {
	if (chars.size() != other.chars.size()) return false;
	// Compared over the whole length: the strings may hold zero characters.
	for (USize i = 0; i < chars.size(); ++i) {
		if (FoldCase(chars[i]) != FoldCase(other.chars[i])) return false;
	}
	return true;
}

int ucsicmp(const UniChar* a, const UniChar* b) {
	for (;; ++a, ++b) {
		const char32_t ca = FoldCase(*a);
		const char32_t cb = FoldCase(*b);
		if (ca != cb) return ca < cb ? -1 : 1;
		if (ca == 0) return 0;
	}
}

} // namespace Kit
