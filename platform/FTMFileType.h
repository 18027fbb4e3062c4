// The file type manager of the input/output library: file types known by their MIME
// type text.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

namespace FTM {

using TypeID = Int32;

// The file types the module's picture reading knows. Unknown types are negative.
enum : TypeID {
	UnknownType = -1,
	PNGFileType = 1,
	JPEGFileType = 2,
};

class FileTypeManager {
public:
	// The type of a MIME type text ("image/png", "image/jpeg" and its older spellings),
	// compared without regard to case and ignoring parameters after ';'; UnknownType for
	// anything else and for null.
	static TypeID SearchForMime(const char* mimeType);
};

} // namespace FTM

#pragma GCC visibility pop
