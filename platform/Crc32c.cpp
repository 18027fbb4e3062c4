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
// The processor's CRC-32C instruction, eight bytes at a time.
__attribute__((target("sse4.2"))) UInt32 CrcByInstruction(const unsigned char* p, USize size, UInt32 crc) {
	UInt64 wide = ~crc;
	for (; size >= 8; size -= 8, p += 8) {
		UInt64 word;
		std::memcpy(&word, p, sizeof word);
		wide = _mm_crc32_u64(wide, word);
	}
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
