// CRC-32C (Castagnoli, reflected polynomial 0x82F63B78), as used by iSCSI, ext4 and
// SCTP: the check value of "123456789" is 0xE3069283.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

namespace Kit {

// The CRC of the bytes [data, data + size). Pass the result of the previous piece as
// 'crc' to continue over data handed in pieces; the result equals that of one call
// over the whole. The CRC of nothing is 0.
UInt32 Crc32c(const void* data, USize size, UInt32 crc = 0);
// The same from tables alone, as Crc32c computes it where the processor has no CRC
// instruction.
UInt32 Crc32cWithTables(const void* data, USize size, UInt32 crc = 0);

} // namespace Kit

#pragma GCC visibility pop
