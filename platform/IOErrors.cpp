#include "platform/IOErrors.h"

namespace IO {

const char* GetErrorText(Int32 code) {
	switch (code) {
	case NoIOError:
		return "no error";
	case ErrIO:
		return "input/output error";
	case ErrNotOpen:
		return "file not open";
	case ErrEndOfFile:
		return "end of file";
	case ErrNotFound:
		return "no such file or folder";
	case ErrAlreadyExists:
		return "already exists";
	case ErrAccessDenied:
		return "permission denied";
	case ErrBadName:
		return "bad name";
	case ErrNotAFolder:
		return "not a folder";
	case ErrIsAFolder:
		return "is a folder";
	case ErrAlreadyOpen:
		return "already open";
	default:
		return "unknown error";
	}
}

} // namespace IO
