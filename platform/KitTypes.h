// Root types shared by the module and its host-library stand-ins.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the module is built for little-endian machines");

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
// The host's 32-bit unsigned word, as generated sources name it.
using ULong = UInt32;
using USize = std::size_t;
using UChar = UInt8;
using UniChar = char16_t;

using GSPtr = char*;
using GSConstPtr = const char*;
using GSHandle = char**;
using GSConstHandle = const char* const*;
using GSErrCode = Int32;

constexpr GSErrCode NoError = 0;

// Marks the member function that puts a moved-from container back into a defined, empty
// state (Clear), so that static analysis accepts its use after a move.
#if defined(__clang__)
#define KIT_REINITIALIZES [[clang::reinitializes]]
#else
#define KIT_REINITIALIZES
#endif

namespace Kit {

// Byte-order sign of a platform. The running (little-endian) platform is 0x5757;
// every other sign stands for the opposite byte order (0x4D4D is the big-endian one).
using PlatformSign = UInt16;

constexpr PlatformSign LittleEndian_Platform_Sign = 0x5757;
constexpr PlatformSign BigEndian_Platform_Sign = 0x4D4D;
constexpr PlatformSign Native_Platform_Sign = LittleEndian_Platform_Sign;

// True when data written on a platform with sign 'from' must be byte-swapped to be
// read on a platform with sign 'to'.
constexpr bool NeedsSwap(PlatformSign from, PlatformSign to) {
	return (from == Native_Platform_Sign) != (to == Native_Platform_Sign);
}

} // namespace Kit

#pragma GCC visibility pop
