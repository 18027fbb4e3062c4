#include "platform/Crc32c.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace Kit {

namespace {

constexpr UInt32 Polynomial = 0x82F63B78; // 0x1EDC6F41 bit-reversed

// Slice-by-8: table[k][b] is the CRC of byte b followed by k zero bytes, so eight bytes
// are folded in with eight independent look-ups.
using Tables = std::array<std::array<UInt32, 256>, 8>;

constexpr Tables MakeTables() {
	Tables t{};
	for (UInt32 b = 0; b < 256; ++b) {
		UInt32 crc = b;
		for (int bit = 0; bit < 8; ++bit)
			crc = (crc >> 1) ^ ((crc & 1) != 0 ? Polynomial : 0);
		t[0][b] = crc;
	}
	for (UInt32 b = 0; b < 256; ++b)
		for (USize k = 1; k < 8; ++k)
			t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
	return t;
}

constexpr Tables tables = MakeTables();

UInt32 LoadLittleEndian32(const unsigned char* p) {
	return UInt32(p[0]) | UInt32(p[1]) << 8 | UInt32(p[2]) << 16 | UInt32(p[3]) << 24;
}

#if defined(__x86_64__)
// Feeding zero bytes to a CRC state is linear in the state, so the shift over a fixed
// number of them is four look-ups: table[k][v] is the shift of v placed at byte k.
using ShiftTables = std::array<std::array<UInt32, 256>, 4>;

constexpr ShiftTables MakeShiftTables(USize zeroBytes) {
	std::array<UInt32, 32> basis{};
	for (USize bit = 0; bit < 32; ++bit) {
		UInt32 state = UInt32(1) << bit;
		for (USize i = 0; i < zeroBytes; ++i)
			state = (state >> 8) ^ tables[0][state & 0xFF];
		basis[bit] = state;
	}
	ShiftTables t{};
	for (USize k = 0; k < 4; ++k)
		for (UInt32 v = 0; v < 256; ++v)
			for (USize bit = 0; bit < 8; ++bit)
				if ((v >> bit & 1) != 0) t[k][v] ^= basis[8 * k + bit];
	return t;
}

UInt32 Shift(const ShiftTables& t, UInt32 state) {
	return t[0][state & 0xFF] ^ t[1][(state >> 8) & 0xFF] ^ t[2][(state >> 16) & 0xFF] ^ t[3][state >> 24];
}

UInt64 Load64(const unsigned char* p) {
	UInt64 word;
	std::memcpy(&word, p, sizeof word);
	return word;
}

// The processor's CRC-32C instruction takes three times as long to give its result as to
// accept the next one, so long runs are cut into three lanes computed side by side and
// joined by shifting the first two over the lanes that follow them.
constexpr USize Lane = 1024;
constexpr ShiftTables shiftOneLane = MakeShiftTables(Lane);
constexpr ShiftTables shiftTwoLanes = MakeShiftTables(2 * Lane);

__attribute__((target("sse4.2"))) UInt32 CrcByInstruction(const unsigned char* p, USize size, UInt32 crc) {
	UInt64 wide = ~crc;
	for (; size >= 3 * Lane; size -= 3 * Lane, p += 3 * Lane) {
		UInt64 second = 0;
		UInt64 third = 0;
		for (USize i = 0; i < Lane; i += 8) {
			wide = _mm_crc32_u64(wide, Load64(p + i));
			second = _mm_crc32_u64(second, Load64(p + Lane + i));
			third = _mm_crc32_u64(third, Load64(p + 2 * Lane + i));
		}
		wide = Shift(shiftTwoLanes, static_cast<UInt32>(wide)) ^ Shift(shiftOneLane, static_cast<UInt32>(second)) ^
		       static_cast<UInt32>(third);
	}
	for (; size >= 8; size -= 8, p += 8)
		wide = _mm_crc32_u64(wide, Load64(p));
	auto narrow = static_cast<UInt32>(wide);
	for (; size > 0; --size, ++p)
		narrow = _mm_crc32_u8(narrow, *p);
	return ~narrow;
}

bool HasCrcInstruction() {
	static const bool has = __builtin_cpu_supports("sse4.2") != 0;
	return has;
}
#endif

} // namespace

UInt32 Crc32c(const void* data, USize size, UInt32 crc) {
#if defined(__x86_64__)
	if (HasCrcInstruction()) return CrcByInstruction(static_cast<const unsigned char*>(data), size, crc);
#endif
	return Crc32cWithTables(data, size, crc);
}

UInt32 Crc32cWithTables(const void* data, USize size, UInt32 crc) {
	const unsigned char* p = static_cast<const unsigned char*>(data);
	crc = ~crc;
	for (; size >= 8; size -= 8, p += 8) {
		const UInt32 low = LoadLittleEndian32(p) ^ crc;
		const UInt32 high = LoadLittleEndian32(p + 4);
		crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
		      tables[4][low >> 24] ^ tables[3][high & 0xFF] ^ tables[2][(high >> 8) & 0xFF] ^
		      tables[1][(high >> 16) & 0xFF] ^ tables[0][high >> 24];
	}
	for (; size > 0; --size, ++p)
		crc = (crc >> 8) ^ tables[0][(crc ^ *p) & 0xFF];
	return ~crc;
}

} // namespace Kit
