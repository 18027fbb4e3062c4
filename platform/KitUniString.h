// Kit::UniString: a UTF-16 string with conversions to and from UTF-8.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <compare>
#include <string>
#include <string_view>

namespace Kit {

class UniString {
public:
	UniString() = default;
	UniString(const char* utf8); // null gives the empty string
	UniString(std::string_view utf8);
	UniString(const std::string& utf8) : UniString(std::string_view(utf8)) {}
	UniString(const UniChar* text); // zero-terminated; null gives the empty string
	UniString(const UniChar* text, USize length) : chars(text, length) {}
	explicit UniString(std::u16string text) : chars(std::move(text)) {}

	USize GetLength() const { return chars.size(); }
	bool IsEmpty() const { return chars.empty(); }
	UniChar operator[](USize i) const { return chars[i]; }
	const UniChar* ToUStr() const { return chars.c_str(); }
	const std::u16string& Chars() const { return chars; }

	std::string ToUtf8() const;

	UniString& Append(const UniString& other) {
		chars += other.chars;
		return *this;
	}
	UniString& operator+=(const UniString& other) { return Append(other); }
	UniString& operator+=(UniChar c) {
		chars += c;
		return *this;
	}
	KIT_REINITIALIZES void Clear() { chars.clear(); }

	// Case-insensitive comparison (ASCII and Latin-1 letters fold).
	bool IsEqualNoCase(const UniString& other) const;

	friend bool operator==(const UniString&, const UniString&) = default;
	friend auto operator<=>(const UniString& a, const UniString& b) { return a.chars <=> b.chars; }
	friend UniString operator+(UniString a, const UniString& b) { return a.Append(b); }

private:
	std::u16string chars;
};

// Case-insensitive comparison of zero-terminated UTF-16 texts: <0, 0 or >0.
int ucsicmp(const UniChar* a, const UniChar* b);

// UTF-8 <-> UTF-16 conversions; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

} // namespace Kit

#pragma GCC visibility pop
