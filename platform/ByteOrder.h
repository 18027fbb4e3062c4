// Byte-order primitives. Each IV… function converts values in place from the byte
// order of platform 'from' to that of platform 'to'; nothing happens when both signs
// stand for the same byte order.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <bit>
#include <cstring>
#include <type_traits>

template <typename T> inline T ByteSwap(T value) noexcept {
	static_assert(std::is_trivially_copyable_v<T>);
	if constexpr (sizeof(T) == 1) {
		return value;
	} else {
		unsigned char bytes[sizeof(T)];
		std::memcpy(bytes, &value, sizeof(T));
		for (USize i = 0; i < sizeof(T) / 2; ++i) {
			const unsigned char t = bytes[i];
			bytes[i] = bytes[sizeof(T) - 1 - i];
			bytes[sizeof(T) - 1 - i] = t;
		}
		std::memcpy(&value, bytes, sizeof(T));
		return value;
	}
}

// The value of type T stored at p. Records inside byte buffers need not be aligned for
// their fields, so they are never read through a cast pointer.
template <typename T> inline T LoadUnaligned(const void* p) noexcept {
	static_assert(std::is_trivially_copyable_v<T>);
	T value;
	std::memcpy(&value, p, sizeof(T));
	return value;
}

// Stores 'value' at p, which need not be aligned for T.
template <typename T> inline void StoreUnaligned(void* p, const T& value) noexcept {
	static_assert(std::is_trivially_copyable_v<T>);
	std::memcpy(p, &value, sizeof(T));
}

// Swaps the value at p (which need not be aligned) when the two platforms differ.
template <typename T> inline void IVValue(Kit::PlatformSign from, Kit::PlatformSign to, void* p) noexcept {
	if (p == nullptr || !Kit::NeedsSwap(from, to)) return;
	StoreUnaligned(p, ByteSwap(LoadUnaligned<T>(p)));
}

template <typename T>
inline void IVValues(Kit::PlatformSign from, Kit::PlatformSign to, void* p, USize count) noexcept {
	if (p == nullptr || !Kit::NeedsSwap(from, to)) return;
	for (USize i = 0; i < count; ++i)
		IVValue<T>(from, to, static_cast<char*>(p) + i * sizeof(T));
}

inline void IVShort(Kit::PlatformSign from, Kit::PlatformSign to, Int16* p) noexcept {
	IVValue<Int16>(from, to, p);
}
inline void IVUShort(Kit::PlatformSign from, Kit::PlatformSign to, UInt16* p) noexcept {
	IVValue<UInt16>(from, to, p);
}
inline void IVLong(Kit::PlatformSign from, Kit::PlatformSign to, Int32* p) noexcept {
	IVValue<Int32>(from, to, p);
}
inline void IVULong(Kit::PlatformSign from, Kit::PlatformSign to, UInt32* p) noexcept {
	IVValue<UInt32>(from, to, p);
}
inline void IVFloat(Kit::PlatformSign from, Kit::PlatformSign to, float* p) noexcept {
	IVValue<float>(from, to, p);
}
inline void IVDouble(Kit::PlatformSign from, Kit::PlatformSign to, double* p) noexcept {
	IVValue<double>(from, to, p);
}
inline void IVInt64(Kit::PlatformSign from, Kit::PlatformSign to, Int64* p) noexcept {
	IVValue<Int64>(from, to, p);
}
inline void IVUShorts(Kit::PlatformSign from, Kit::PlatformSign to, UInt16* p, USize count) noexcept {
	IVValues<UInt16>(from, to, p, count);
}
inline void IVShorts(Kit::PlatformSign from, Kit::PlatformSign to, Int16* p, USize count) noexcept {
	IVValues<Int16>(from, to, p, count);
}
inline void IVLongs(Kit::PlatformSign from, Kit::PlatformSign to, Int32* p, USize count) noexcept {
	IVValues<Int32>(from, to, p, count);
}
inline void IVDoubles(Kit::PlatformSign from, Kit::PlatformSign to, double* p, USize count) noexcept {
	IVValues<double>(from, to, p, count);
}

// 8-bit texts: both platforms use the same single-byte code page here, so the bytes
// stay as they are. They are kept as functions so that every call site converts
// where the file format says so.
inline void IVChars(Kit::PlatformSign, Kit::PlatformSign, USize, char*) noexcept {}
inline void IVCString(Kit::PlatformSign, Kit::PlatformSign, char*) noexcept {}
inline void IVPString(Kit::PlatformSign, Kit::PlatformSign, unsigned char*) noexcept {}

// Status words: stored as plain 16- and 32-bit words whose bits keep their values,
// so converting them is a byte swap.
inline void IVSTATW(Kit::PlatformSign from, Kit::PlatformSign to, UInt16* p) noexcept {
	IVValue<UInt16>(from, to, p);
}
inline void IVSTATL(Kit::PlatformSign from, Kit::PlatformSign to, UInt32* p) noexcept {
	IVValue<UInt32>(from, to, p);
}

namespace Kit {
// A colour of three 16-bit channels (6 bytes).
struct RGBColor {
	UInt16 red = 0;
	UInt16 green = 0;
	UInt16 blue = 0;
	friend bool operator==(const RGBColor&, const RGBColor&) = default;
};
static_assert(sizeof(RGBColor) == 6);
} // namespace Kit

inline void IVKit_RGBColor(Kit::PlatformSign from, Kit::PlatformSign to, Kit::RGBColor* p) noexcept {
	if (p == nullptr) return;
	IVValues<UInt16>(from, to, p, 3);
}

#pragma GCC visibility pop
