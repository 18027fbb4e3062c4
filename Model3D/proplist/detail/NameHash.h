// The hash of an entry name whose length is known (see CalcStrHashValue), and a faster
// way to the length and hash of a short name inside a block that reaches on far enough.
#pragma once

#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// The weights cut into two signed 16-bit halves, w = low + high · 65536 (mod 2^32), for
// the multiply-and-add of pairs of 16-bit lanes. One entry more than Weights, so that 16
// halves can be loaded from any start a name of up to 15 characters uses.
struct WeightHalves {
	std::array<Int16, 32> low{};
	std::array<Int16, 32> high{};
};
constexpr WeightHalves SplitWeights = [] {
	WeightHalves halves;
	for (USize k = 0; k < Weights.size(); ++k) {
		const UInt32 w = Weights[k];
		const UInt32 low = w & 0xFFFF;
		// A low half of 0x8000 and up is taken as negative: the high half makes up for it.
		const UInt32 high = ((w >> 16) + (low >> 15)) & 0xFFFF;
		halves.low[k] = static_cast<Int16>(static_cast<Int32>(low) - static_cast<Int32>((low >> 15) << 16));
		halves.high[k] = static_cast<Int16>(static_cast<Int32>(high) - static_cast<Int32>((high >> 15) << 16));
	}
	return halves;
}();

// The sum of the 16 characters in 'low' and 'high' (first one lowest) times their weights
// from Weights[first] on, modulo 2^32: eight products of a character (below 256) and a
// signed half weight fit a 32-bit lane with room to spare.
inline UInt32 WeightedSum(UInt64 low, UInt64 high, USize first) {
	const __m128i chars = _mm_set_epi64x(static_cast<Int64>(high), static_cast<Int64>(low));
	const __m128i zero = _mm_setzero_si128();
	const __m128i chars0 = _mm_unpacklo_epi8(chars, zero);
	const __m128i chars1 = _mm_unpackhi_epi8(chars, zero);
	const auto load = [](const Int16* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
	const Int16* lowHalves = SplitWeights.low.data() + first;
	const Int16* highHalves = SplitWeights.high.data() + first;
	const __m128i lowSum =
	    _mm_add_epi32(_mm_madd_epi16(chars0, load(lowHalves)), _mm_madd_epi16(chars1, load(lowHalves + 8)));
	const __m128i highSum =
	    _mm_add_epi32(_mm_madd_epi16(chars0, load(highHalves)), _mm_madd_epi16(chars1, load(highHalves + 8)));
	__m128i sum = _mm_add_epi32(lowSum, _mm_slli_epi32(highSum, 16));
	sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
	sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
	return static_cast<UInt32>(_mm_cvtsi128_si32(sum));
}
#else
inline UInt32 WeightedSum(UInt64 low, UInt64 high, USize first) {
	const UInt32* weight = Weights.data() + first;
	UInt32 sum = 0;
	for (int i = 0; i < 8; ++i)
		sum += static_cast<UInt32>((low >> (8 * i)) & 0xFF) * weight[i];
	for (int i = 0; i < 8; ++i)
		sum += static_cast<UInt32>((high >> (8 * i)) & 0xFF) * weight[8 + i];
	return sum;
}
#endif

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
	hash = WeightedSum(FoldUpperAscii(low), FoldUpperAscii(high), 15 - n);
	length = n;
	return true;
}

} // namespace Kit::PropListDetail
