// Result codes of the input/output services. Every code-returning function of the
// IO:: classes returns 0 on success or one of these (never throws for file-system
// failures).
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

namespace IO {

enum : Int32 {
	NoIOError = 0,
	ErrIO = -36,            // the operating system reported a read, write or other failure
	ErrNotOpen = -38,       // the file is not open, or not open in a mode that allows the call
	ErrEndOfFile = -39,     // a read or seek beyond the end of the file
	ErrNotFound = -43,      // the file or folder does not exist
	ErrAlreadyExists = -48, // an entry of that name already exists
	ErrAccessDenied = -54,  // permission denied
	ErrBadName = -37,       // empty name, or a name that is not a single path component
	ErrNotAFolder = -120,   // the location exists but is not a folder
	ErrIsAFolder = -121,    // the location is a folder where a file was expected
	ErrAlreadyOpen = -49,   // the file object is already open
};

// A short text for a result code ("no such file or folder"); "unknown error" for codes
// not listed above.
const char* GetErrorText(Int32 code);

} // namespace IO

#pragma GCC visibility pop
