// The hash of an entry name whose length is known (see CalcStrHashValue), and a faster
// way to the length and hash of a short name inside a block that reaches on far enough.
#pragma once

#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"

#include <array>
#include <bit>
#include <cstring>

namespace Kit::PropListDetail {

inline UInt32 HashName(const char* name, USize length) {
	const USize step = length < 16 ? 1 : length / 8;
	UInt32 hash = 0;
	for (USize pos = 0; pos < length; pos += step) {
		const UInt32 c = static_cast<UInt8>(name[pos]);
		// Upper-case ASCII letters count as lower-case ones.
		const UInt32 folded = c - 'A' < 26u ? c + ('a' - 'A') : c;
		hash = folded + hash * 65599u;
	}
	return hash;
}

namespace NameHashWords {

constexpr UInt64 Ones = 0x0101010101010101ull;
constexpr UInt64 HighBits = 0x8080808080808080ull;

// The eight bytes at p, the first one in the lowest bits.
inline UInt64 LoadLowFirst(const char* p) {
	UInt64 word;
	std::memcpy(&word, p, sizeof word);
	if constexpr (std::endian::native == std::endian::big) word = ByteSwap(word);
	return word;
}

// The high bit of the lowest zero byte is set (higher ones may be too); 0 without a zero byte.
inline UInt64 ZeroBytes(UInt64 word) {
	return (word - Ones) & ~word & HighBits;
}

// Each byte 'A'..'Z' turned into its lower-case letter; every other byte (0x80 and up
// included) left as it is.
inline UInt64 FoldUpperAscii(UInt64 word) {
	const UInt64 low7 = word & ~HighBits;
	const UInt64 atLeastA = low7 + (0x80 - 'A') * Ones;         // high bit: low7 >= 'A'
	const UInt64 aboveZ = low7 + (0x80 - 'Z' - 1) * Ones;       // high bit: low7 > 'Z'
	const UInt64 upper = atLeastA & ~aboveZ & ~word & HighBits; // and the byte is below 0x80
	return word + (upper >> 2);                                 // 0x80 >> 2 == 'a' - 'A'
}

// Weights[15 - length + i] is the factor of character i of a name of 'length' (< 16)
// characters: 65599 to the power length - 1 - i, and 0 from the terminator on.
constexpr std::array<UInt32, 31> Weights = [] {
	std::array<UInt32, 31> w{};
	UInt32 power = 1;
	for (int k = 14; k >= 0; --k) {
		w[static_cast<USize>(k)] = power;
		power *= 65599u;
	}
	return w;
}();

} // namespace NameHashWords

// For the zero-terminated name at p, of which 'available' bytes may be read: when the
// name is shorter than 16 characters and 16 bytes may be read, its length and hash (the
// same as HashName's) are stored and true returned; otherwise false, and nothing stored.
// The hash of such a name takes every character, so the terms are independent products
// rather than a chain of multiplications.
inline bool HashShortName(const char* p, USize available, USize& length, UInt32& hash) {
	using namespace NameHashWords;
	if (available < 16) return false;
	const UInt64 low = LoadLowFirst(p);
	const UInt64 high = LoadLowFirst(p + 8);
	const UInt64 zerosLow = ZeroBytes(low);
	const UInt64 zerosHigh = ZeroBytes(high);
	USize n = 0;
	if (zerosLow != 0)
		n = static_cast<USize>(std::countr_zero(zerosLow)) / 8;
	else if (zerosHigh != 0)
		n = 8 + static_cast<USize>(std::countr_zero(zerosHigh)) / 8;
	else
		return false;
	const UInt32* weight = Weights.data() + (15 - n);
	const UInt64 foldedLow = FoldUpperAscii(low);
	const UInt64 foldedHigh = FoldUpperAscii(high);
	UInt32 sum = 0;
#pragma GCC unroll 8
	for (int i = 0; i < 8; ++i)
		sum += static_cast<UInt32>((foldedLow >> (8 * i)) & 0xFF) * weight[i];
	if (n > 8) {
#pragma GCC unroll 8
		for (int i = 0; i < 8; ++i)
			sum += static_cast<UInt32>((foldedHigh >> (8 * i)) & 0xFF) * weight[8 + i];
	}
	length = n;
	hash = sum;
	return true;
}

} // namespace Kit::PropListDetail
