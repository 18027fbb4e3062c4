// The parametric-object library's functions over additional-parameter blocks (layout
// in ParxBlock.h). Blocks are handles from BMAllocateHandle.
//
// Every function checks what it reads against the handle's size: a count, offset,
// length or dimension that does not fit the block is an error, never a read outside it.
//
// Accessors take an optional error pointer as last argument. When it is given, a
// failure stores an error code there and the accessor returns 0 / false / null; when it
// is null, a failure throws (Kit::InternalErrorException for a damaged block,
// Kit::IllegalArgumentException for a parameter index out of range). The accessors read
// blocks of the current version (21) in native byte order only.
//
// The conversion functions return 0 or an error code and never throw.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"
#include "platform/ParxBlock.h"

enum : GSErrCode {
	ParxBadBlockError = -1,    // damaged block, or a block version that is not supported
	ParxBadIndexError = -1111, // parameter index out of range
};

// Number of parameters.
Int32 ParxGetVarNumber(GSConstHandle handle, GSErrCode* err = nullptr);
// Type code of parameter i (0-based); isArray, dim1 (0 for scalars) and dim2 (0 unless
// two-dimensional) go to the pointers that are given.
Int16 ParxGetVarType(GSConstHandle handle, Int32 i, bool* isArray, Int32* dim1, Int32* dim2, GSErrCode* err = nullptr);
// Copies the name into a buffer of bufferSize bytes (at most bufferSize - 1 characters).
void ParxGetVarName(GSConstHandle handle, Int32 i, char* buffer, Int32 bufferSize, GSErrCode* err = nullptr);

// True for the type codes whose values are Int32 / doubles.
bool ParxIsIntType(Int16 typeCode);
bool ParxIsNumType(Int16 typeCode);

// Value of an integer / numeric scalar.
Int32 ParxGetIntVar(GSConstHandle handle, Int32 i, GSErrCode* err = nullptr);
double ParxGetNumVar(GSConstHandle handle, Int32 i, GSErrCode* err = nullptr);
// Text of a string scalar, inside the block.
const UniChar* ParxGetUStrVarRef(GSConstHandle handle, Int32 i, GSErrCode* err = nullptr);
// Values of an array, inside the block: Int32s, doubles or UTF-16 strings one after the
// other; for an integer or numeric scalar its value in the record.
const void* ParxGetUArrayRef(GSConstHandle handle, Int32 i, GSErrCode* err = nullptr);
bool ParxIsVarFix(GSConstHandle handle, Int32 i, GSErrCode* err = nullptr);

// Checksum of the parameters (names, types, dimensions, values) of a version-21 block in
// native byte order; blocks with equal parameters give equal checksums.
Int32 ParxCalcCheckSumAddParHdl(GSConstHandle handle, GSErrCode* err = nullptr);

// Converts a whole block of the given version (21, or 18/19) from the byte order of
// platform 'from' to that of platform 'to'. The block is checked before anything is
// changed; a damaged block or an unknown version gives ParxBadBlockError.
GSErrCode ParxSwapAddParHdl(Kit::PlatformSign from, GSHandle handle, Int32 version, Kit::PlatformSign to);
// The same conversion under the name the model file's light-parameter section uses
// ('mode' is the block version).
GSErrCode SwapVarHdl(Kit::PlatformSign from, GSHandle handle, Int32 mode, Kit::PlatformSign to);

// Brings a native block of the given version to version 21, resizing the handle. A
// version-21 block is only checked. The two GDL versions are accepted for the host's
// sake and do not change the conversion. Unknown versions and damaged blocks give
// ParxBadBlockError; a failed allocation gives BMError().
GSErrCode ConvertOldsParam_To_NewParam(GSHandle handle, double oldGdlVersion, double newGdlVersion, Int32 version);

#pragma GCC visibility pop
