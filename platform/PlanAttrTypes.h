// Types and result codes shared by the host's attribute objects.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/ByteOrder.h"
#include "platform/KitTypes.h"

using Kit_RGBColor = Kit::RGBColor;

namespace PlanAttr {

// Result codes of the attribute objects.
constexpr GSErrCode BadDetailsErr = -2130; // detail blocks that do not fit together
constexpr GSErrCode NoMemoryErr = -108;    // a block could not be allocated

} // namespace PlanAttr

#pragma GCC visibility pop
