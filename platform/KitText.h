// Character helpers of the root library for 8-bit texts.
//
// 8-bit texts are in the default code page of the host, Windows-1252 (Latin-1 with
// typographic characters in 0x80-0x9F). Case type 0 (CHCaseInsensitive) compares
// letters without regard to case; this is what name lookups use (property-list entry
// names are hashed case-folded, so two names differing only in case are the same entry;
// material and fill names are matched the same way). Case type 1 compares exactly.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

enum CHCaseType : Int32 {
	CHCaseInsensitive = 0,
	CHCaseSensitive = 1,
};

// Character code of 8-bit texts; only the default code page is supported.
enum GSCharCode : Int32 {
	CC_Default = 0,
};

// Compares two zero-terminated 8-bit texts like strcmp: <0, 0 (equal) or >0. With case
// type 0, ASCII and Latin-1 letters fold to lower case first. Null counts as "".
Int32 CHCompareTexts(const char* a, const char* b, Int32 caseType = CHCaseInsensitive,
                     GSCharCode charCode = CC_Default);
// As CHCompareTexts, but only the ASCII letters A-Z fold with case type 0.
Int32 CHCompareASCII(const char* a, const char* b, Int32 caseType = CHCaseInsensitive);

// Converts, in place, a length-prefixed text (first byte = length) into a zero-
// terminated one. The buffer holds bufferSize bytes; a length byte that does not fit is
// cut to bufferSize - 1 characters. Returns text.
char* CHpascal2c(char* text, USize bufferSize = 256);
// Converts, in place, a zero-terminated text into a length-prefixed one; texts longer
// than 255 characters are cut to 255. Returns text.
char* CHc2pascal(char* text);

// Cuts a zero-terminated text so that it fits in bufferSize bytes with its terminator.
// Only the first bufferSize bytes are looked at. Returns text.
char* CHTruncate(char* text, USize bufferSize);

// Copies the zero-terminated 'source' into 'destination' of destinationSize bytes,
// cutting it to destinationSize - 1 characters; the result is always terminated (unless
// destinationSize is 0). Null source copies "". Returns the number of characters copied.
USize CHCopyC(const char* source, char* destination, USize destinationSize);

// Converts at most sourceLength bytes of an 8-bit text (stopping at a zero byte; pass a
// negative length for a zero-terminated text) into UTF-16 in 'destination', which holds
// destinationSize units including the terminating zero. Returns the number of units
// written without the terminator.
Int32 CHANSI2Unicode(const char* source, Int32 sourceLength, UniChar* destination, Int32 destinationSize,
                     GSCharCode charCode = CC_Default);
// The reverse; characters that the code page lacks become '?'.
Int32 CHUnicode2ANSI(const UniChar* source, Int32 sourceLength, char* destination, Int32 destinationSize,
                     GSCharCode charCode = CC_Default);

#pragma GCC visibility pop
