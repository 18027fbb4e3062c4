// Kit::Guid: a 16-byte globally unique identifier.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <array>
#include <compare>
#include <functional>
#include <string>

namespace Kit {

struct Guid {
	UInt32 data1 = 0;
	UInt16 data2 = 0;
	UInt16 data3 = 0;
	std::array<UInt8, 8> data4{};

	// A new random (version 4) identifier.
	static Guid Generate();
	// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional); false on bad text.
	static bool FromString(const char* text, Guid& result);

	bool IsNull() const;
	// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
	std::string ToString() const;
	// Converts the three integer fields between the byte orders of two platforms.
	void IV(PlatformSign from, PlatformSign to);

	friend bool operator==(const Guid&, const Guid&) = default;
	friend auto operator<=>(const Guid&, const Guid&) = default;
};

static_assert(sizeof(Guid) == 16);

extern const Guid NULLGuid;

struct GuidHash {
	USize operator()(const Guid& g) const noexcept;
};

} // namespace Kit

template <> struct std::hash<Kit::Guid> : Kit::GuidHash {};

#pragma GCC visibility pop
