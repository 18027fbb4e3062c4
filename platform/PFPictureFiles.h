// The parametric-object library's picture files: texture and library-part names
// resolved to file references, and the data of a picture read from its file.
//
// Names are resolved in one library folder that the host sets with
// PFSetLibraryFolder (it holds the textures and the library parts). A name is a plain
// file name, with or without its extension; names that would leave the folder (with a
// path separator, "." or "..") are not found.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/IOLocation.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"

enum : GSErrCode {
	PFFileNotFoundErr = -1200, // no such file in the library folder, or no folder set
	PFNoPictureErr = -1201,    // the file holds no picture of that index
	PFFileTooLargeErr = -1202, // the file is larger than PFMaxPictureFileSize
	PFReadErr = -1203,         // the file could not be read
	PFNoMemoryErr = -1204,
};

// The largest picture file that is read (256 MiB; a picture of the largest size the
// raster library decodes is far smaller in any format).
constexpr Int64 PFMaxPictureFileSize = Int64(256) << 20;

// Room for a MIME type text, with its terminating zero.
constexpr USize PFMimeTypeSize = 64;

// Sets the library folder; an empty location clears it.
void PFSetLibraryFolder(const IO::Location& folder);
IO::Location PFGetLibraryFolder();

// Resolves a texture name: the file 'name' in the library folder or, when there is none
// of that name, 'name' with one of the picture extensions (.png, .jpg, .jpeg, in this
// order). *fileRef receives a new reference (null on failure).
GSErrCode PFTexture2File(const Kit::UniString& name, char** fileRef);

// Resolves a library-part name the same way, with the library-part extension (.gsm) tried
// first and then the picture extensions; the stand-in's library parts are picture
// files. 'reserved' must be null.
GSErrCode PFMacro2File(const Kit::UniString& name, char** fileRef, void* reserved = nullptr);

// Reads picture 'pictIndex' of the referenced file into a new handle that *data receives
// (the caller frees it with BMKillHandle), and its MIME type into typeText (at least
// PFMimeTypeSize bytes): taken from the data's signature, else from the file's extension,
// else "application/octet-stream". A picture file holds one picture, which the indices
// 0 and below name; a higher index gives PFNoPictureErr.
GSErrCode PFGetImageDataFromFile(const char* fileRef, Int32 pictIndex, GSHandle* data, char* typeText);

#pragma GCC visibility pop
