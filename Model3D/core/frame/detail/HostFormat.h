// Format strings from the host's string lists. They are localised texts that the module
// hands to snprintf, so they are checked first: a conversion that does not match the
// arguments the module passes is undefined behaviour.
#pragma once

#include "platform/KitTypes.h"

namespace Modeler {

// The argument every conversion of a checked format must take: int for d and i,
// unsigned int for u, x, X and o.
enum class FormatArgument { Int, Unsigned };

// The number of conversions in 'format' when each of them takes one argument of the
// given kind (with optional flags "-+ #0", a width and a precision; "%%" is plain text),
// else -1: a conversion of another kind, one with a length modifier or a '*' (which
// would take a further argument), or a format ending inside a conversion.
Int32 CountFormatConversions(const char* format, FormatArgument argument);

// True when 'format' has exactly 'count' conversions, each taking one argument of the
// given kind.
bool IsFormatFor(const char* format, FormatArgument argument, Int32 count);

// True when the conversions of 'format' take, in order, the arguments that 'signature'
// names: 'd' int (d, i), 'u' unsigned int (u, x, X, o), 'f' double (f, F, e, E, g, G).
// Flags, a width and a precision are allowed; length modifiers and '*' are not.
bool FormatMatches(const char* format, const char* signature);

} // namespace Modeler
