#include "platform/KitText.h"

#include <cstring>

namespace {

// Windows-1252 characters 0x80-0x9F; the five unassigned positions map to the C1
// control of the same value, as the system code page converter does.
constexpr UniChar cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

UniChar ToUnicode(UInt8 c) {
	if (c >= 0x80 && c <= 0x9F) return cp1252High[c - 0x80];
	return c;
}

bool FromUnicode(UniChar u, char& c) {
	if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
		c = static_cast<char>(u);
		return true;
	}
	for (int i = 0; i < 32; ++i) {
		if (cp1252High[i] == u) {
			c = static_cast<char>(0x80 + i);
			return true;
		}
	}
	return false;
}

UInt8 FoldLatin1(UInt8 c) {
	if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<UInt8>(c + 0x20);
	// Windows-1252 upper-case letters in the high range: Š, Œ, Ž and Ÿ.
	switch (c) {
	case 0x8A:
		return 0x9A;
	case 0x8C:
		return 0x9C;
	case 0x8E:
		return 0x9E;
	case 0x9F:
		return 0xFF;
	default:
		return c;
	}
}

UInt8 FoldASCII(UInt8 c) {
	return (c >= 'A' && c <= 'Z') ? static_cast<UInt8>(c + 0x20) : c;
}

template <typename Fold> Int32 Compare(const char* a, const char* b, Fold fold) {
	if (a == nullptr) a = "";
	if (b == nullptr) b = "";
	for (;; ++a, ++b) {
		const UInt8 ca = fold(static_cast<UInt8>(*a));
		const UInt8 cb = fold(static_cast<UInt8>(*b));
		if (ca != cb) return ca < cb ? -1 : 1;
		if (ca == 0) return 0;
	}
}

} // namespace

Int32 CHCompareTexts(const char* a, const char* b, Int32 caseType, GSCharCode /*charCode*/) {
	if (caseType == CHCaseInsensitive) return Compare(a, b, FoldLatin1);
	return Compare(a, b, [](UInt8 c) { return c; });
}

Int32 CHCompareASCII(const char* a, const char* b, Int32 caseType) {
	if (caseType == CHCaseInsensitive) return Compare(a, b, FoldASCII);
	return Compare(a, b, [](UInt8 c) { return c; });
}

char* CHpascal2c(char* text, USize bufferSize) {
	if (text == nullptr || bufferSize == 0) return text;
	USize length = static_cast<UInt8>(text[0]);
	if (length > bufferSize - 1) length = bufferSize - 1;
	std::memmove(text, text + 1, length);
	text[length] = '\0';
	return text;
}

char* CHc2pascal(char* text) {
	if (text == nullptr) return text;
	USize length = std::strlen(text);
	if (length > 255) length = 255;
	std::memmove(text + 1, text, length);
	text[0] = static_cast<char>(length);
	return text;
}

char* CHTruncate(char* text, USize bufferSize) {
	if (text == nullptr || bufferSize == 0) return text;
	if (std::memchr(text, '\0', bufferSize) == nullptr) text[bufferSize - 1] = '\0';
	return text;
}

USize CHCopyC(const char* source, char* destination, USize destinationSize) {
	if (destination == nullptr || destinationSize == 0) return 0;
	USize n = 0;
	if (source != nullptr) {
		while (n + 1 < destinationSize && source[n] != '\0')
			++n;
		std::memmove(destination, source, n);
	}
	destination[n] = '\0';
	return n;
}

Int32 CHANSI2Unicode(const char* source, Int32 sourceLength, UniChar* destination, Int32 destinationSize,
                     GSCharCode /*charCode*/) {
	if (destination == nullptr || destinationSize <= 0) return 0;
	Int32 n = 0;
	if (source != nullptr) {
		for (Int32 i = 0; (sourceLength < 0 || i < sourceLength) && source[i] != '\0' && n + 1 < destinationSize; ++i)
			destination[n++] = ToUnicode(static_cast<UInt8>(source[i]));
	}
	destination[n] = 0;
	return n;
}

Int32 CHUnicode2ANSI(const UniChar* source, Int32 sourceLength, char* destination, Int32 destinationSize,
                     GSCharCode /*charCode*/) {
	if (destination == nullptr || destinationSize <= 0) return 0;
	Int32 n = 0;
	if (source != nullptr) {
		for (Int32 i = 0; (sourceLength < 0 || i < sourceLength) && source[i] != 0 && n + 1 < destinationSize; ++i) {
			UniChar u = source[i];
			// A surrogate pair is one character: one '?' for both units.
			if (u >= 0xD800 && u <= 0xDBFF && (sourceLength < 0 || i + 1 < sourceLength) && source[i + 1] >= 0xDC00 &&
			    source[i + 1] <= 0xDFFF)
				++i;
			char c;
			destination[n++] = FromUnicode(u, c) ? c : '?';
		}
	}
	destination[n] = '\0';
	return n;
}
