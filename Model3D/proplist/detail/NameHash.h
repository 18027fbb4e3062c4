// The hash of an entry name whose length is known (see CalcStrHashValue).
#pragma once

#include "platform/KitTypes.h"

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

} // namespace Kit::PropListDetail
