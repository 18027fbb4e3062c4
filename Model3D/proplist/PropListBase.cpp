#include "Model3D/proplist/PropListBase.h"

#include "Model3D/proplist/detail/NameHash.h"
#include "platform/KitException.h"
#include "platform/KitText.h"

#include <cstring>
#include <new>

namespace Kit {

UInt32 CalcStrHashValue(const char* name) {
	return name == nullptr ? 0 : PropListDetail::HashName(name, std::strlen(name));
}

Int32 CalcLongCheckSum(const void* bytes, UInt64 length) {
	const char* p = static_cast<const char*>(bytes);
	UInt32 sum = 0;
	const UInt64 words = length / 4;
	for (UInt64 k = 0; k < words; ++k) {
		Int32 word;
		std::memcpy(&word, p + k * 4, 4);
		sum += static_cast<UInt32>(word);
	}
	for (UInt64 k = words * 4; k < length; ++k)
		sum += static_cast<UInt32>(static_cast<Int32>(static_cast<signed char>(p[k])));
	return static_cast<Int32>(sum);
}

USize UStrLen(const UniChar* text) {
	USize n = 0;
	if (text != nullptr) {
		while (text[n] != 0)
			++n;
	}
	return n;
}

namespace PropListText {

namespace {

Int32 ClampToInt32(USize n) {
	return n > 0x7FFFFFF0u ? 0x7FFFFFF0 : static_cast<Int32>(n);
}

} // namespace

void CopyUStr(const UniChar* text, char* buffer, UInt32 size) {
	if (buffer == nullptr || size == 0) return;
	std::memset(buffer, 0, size);
	CHUnicode2ANSI(text, -1, buffer, ClampToInt32(size));
}

void CopyUStr(const UniChar* text, UniChar* buffer, UInt32 size) {
	if (buffer == nullptr || size == 0) return;
	USize n = 0;
	if (text != nullptr) {
		while (n + 1 < size && text[n] != 0) {
			buffer[n] = text[n];
			++n;
		}
	}
	buffer[n] = 0;
}

void CopyUStr(const UniChar* text, AutoArrayPtr<char>& target) {
	const USize units = UStrLen(text);
	// A surrogate pair converts to one character, so 'units' is an upper bound.
	USize converted = 0;
	for (USize k = 0; k < units; ++k) {
		if (text[k] >= 0xD800 && text[k] <= 0xDBFF && k + 1 < units && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF)
			++k;
		++converted;
	}
	char* array = new (std::nothrow) char[converted + 1]();
	if (array == nullptr) throw OutOfMemoryException("Cannot allocate a text buffer", __FILE__, __LINE__);
	CHUnicode2ANSI(text, ClampToInt32(units), array, ClampToInt32(converted + 1));
	target.Reset(array);
}

void AnsiToUnicode(const char* text, USize length, UniChar* destination) {
	// One unit per byte in the host's code page; the conversion works on a terminated
	// copy so that it never looks past 'length'.
	for (USize k = 0; k < length; ++k) {
		const char one[2] = {text[k], '\0'};
		UniChar unit[2] = {0, 0};
		CHANSI2Unicode(one, 1, unit, 2);
		destination[k] = unit[0];
	}
}

} // namespace PropListText

} // namespace Kit
