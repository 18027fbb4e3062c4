// File references of the parametric-object library. A file reference names one file
// (a picture, a library part) by its path. It is handed around as a char* to a block
// of its own (BMAllocatePtr) that holds a tag, the path's byte length and the path as
// zero-terminated UTF-8; whoever holds a reference owns it and frees it with
// PFFreeFileRef. A null reference names no file.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/IOLocation.h"
#include "platform/KitTypes.h"

// Result codes of the file-reference functions.
enum : GSErrCode {
	PFNoFileRefErr = -43,  // a null or damaged reference
	PFNoFileNameErr = -37, // the reference's path has no last name (empty or a root)
};

// A new reference to 'location'; null for an empty location or when memory runs out.
char* PFCreateFileRef(const IO::Location& location);

// A new reference naming the same file; null for a null (or damaged) reference or when
// memory runs out.
char* PFCloneFileRef(const char* fileRef);

// Frees the reference and sets *fileRef to null; null arguments are ignored.
void PFFreeFileRef(char** fileRef);

// True when both references are valid and name the same file: equal paths after
// lexical normalisation, or, for two existing files, the same file of the file system.
bool PFEqualFile(const char* fileRef1, const char* fileRef2);

// The last name of the referenced path (the file name). Returns NoError, or an error
// code with 'name' emptied.
GSErrCode PFGetFileName(const char* fileRef, IO::Name* name);

// The whole referenced path. Returns NoError, or an error code with 'location' cleared.
GSErrCode PFGetFileLocation(const char* fileRef, IO::Location* location);

#pragma GCC visibility pop
