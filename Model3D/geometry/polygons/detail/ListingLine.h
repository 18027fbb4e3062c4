// One line of a body listing: entry 'entry' of the host's listing strings (list 2500)
// printed with the arguments. A host text whose conversions do not take them
// ('signature': d int, u unsigned, f double) is replaced by the module's own text, since
// a mismatched format would read arguments that are not there.
#pragma once

#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "platform/KitChannel.h"
#include "platform/KitUtils.h"

namespace Modeler {

constexpr Int32 ListingStrings = 2500;

template <typename... Args> void ListingLine(Kit::OChannel& ch, Int32 entry, const char* signature, Args... args) {
	char format[OUFixStringBufferSize];
	const char* text = format;
	if (!OUGetFixString(format, ListingStrings, entry, GetTextResModule()) || !FormatMatches(format, signature))
		text = OUGetBuiltInString(ListingStrings, entry);
	if (text == nullptr || !FormatMatches(text, signature)) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
	CPrintf(ch, text, args...);
#pragma GCC diagnostic pop
}

} // namespace Modeler
