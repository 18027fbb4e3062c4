// Texture pictures: reading a texture's picture file, preparing its 32-bit pixels
// (fitted to the texture's aspect, with a mask in the first byte of each pixel), the
// summed-area table that may follow the pixels, and the comparison of two textures.
// Attributes::LoadTextures (ModelerAttributes.h) puts these together.
//
// Pixels are those of the raster library's pixel type 0: alpha, red, green, blue, so the
// first byte of a pixel is its alpha (0 in pictures without an alpha channel).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/attributes/records/AttributeRecords.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/RxPixMap.h"

// Side codes of StretchTextureBounds: which sides of the picture were moved.
enum : Int16 {
	TextureSidesKept = 0,
	TextureRowsAdded = 1,      // extended: margins above and below
	TextureColumnsAdded = 2,   // extended: margins left and right
	TextureColumnsCropped = 3, // cropped: columns taken away left and right
	TextureRowsCropped = 4,    // cropped: rows taken away above and below
};

// Flag of IMGetPictFileDef: the name is a texture file (else a library part).
constexpr Int32 IMTextureFileFlag = 0x8000;

// Fits 'bounds' (a picture's rectangle) to the aspect xSize : ySize. Mode 1 extends the
// rectangle on the short side, modes 2 and 3 crop it on the long side, by 'margin'
// pixels at each end; mode 0, and sizes that are not positive and finite, leave it
// unchanged (side code 0, margin untouched). Returns the side code.
M3D_C_EXPORT Int16 StretchTextureBounds(Int16 mode, double xSize, double ySize, Int16* margin, KitRect* bounds);

// The texture pixels of 'picture': with fitAspect, the picture fitted to the texture's
// aspect by the aspect mode in *status (new margins white); else the picture as it is.
// The result must be exactly pixelWidth x pixelHeight, or null is returned (the pixels
// are never resized to fit). The mask bit of *status is cleared when every first byte
// is 0; then, and when no mask was asked for, the first bytes mark the margins of an
// extended picture (0) and the picture itself (0xFF). Only depth 32 is made. The handle
// (BMAllocateHandle) belongs to the caller; null on any failure.
M3D_C_EXPORT GSHandle PixMap2TexturePixels(KitPixMap** picture, double xSize, double ySize, Int16 depth,
                                           Int32 pixelWidth, Int32 pixelHeight, UInt16* status, bool fitAspect);

// Fills 'table' with the summed-area table of the width x height pixels of the handle:
// four cells per pixel, one per byte, each the sum of that byte over the pixels above
// and to the left, the pixel itself included. The cells are computed in unsigned 32-bit
// arithmetic and are read as UInt32: a sum beyond 2^32 wraps, and the sum of any
// rectangle, taken from four cells with unsigned arithmetic, stays exact. (The largest
// picture the raster library makes, 2^24 pixels, sums to at most 255 x 2^24 < 2^32.)
// Throws Kit::IllegalArgumentException for a null table, null pixels or a handle smaller
// than the pixels.
M3D_C_EXPORT void IMCreateSummedAreaTableFromPixmap(GSHandle pixels, UInt32 width, UInt32 height, Int32* table);

// Reads picture 'pictIndex' of the referenced file into a new picture (72 pixels per
// inch) that *picture receives; the caller frees it with RxDeleteKitPixMap. Throws
// Kit::InternalErrorException (without message) when the file cannot be read or
// decoded; *picture is then null.
M3D_C_EXPORT void IMLoadAKitPixMap(char* fileRef, Int32 pictIndex, KitPixMap*** picture, UInt32 pixelType);

// The pixel size of picture 'pictIndex' of the referenced file, from its header. Throws
// Kit::InternalErrorException (without message) when it cannot be read, or when a side
// does not fit in 16 bits; the outputs are then 0.
M3D_C_EXPORT void IMGetPictSize(char* fileRef, Int32 pictIndex, Int16* width, Int16* height);

// Resolves a picture name to a new file reference (*fileRef; the caller frees it): as a
// texture file when 'flags' has IMTextureFileFlag, else as a library part. With 'found'
// given, *found tells whether it was resolved, and so does the result (1 or 0); without
// it a failure throws Kit::InternalErrorException and success returns 0.
M3D_C_EXPORT Int16 IMGetPictFileDef(const Kit::UniString& name, Int32 flags, char** fileRef, char* found);

// Whether two textures are the same: status (low 13 bits), depth, sizes, name (without
// regard to case), pixel size and residency agree; then resident textures by their
// pixels' bytes, the others by their picture file and index.
M3D_C_EXPORT bool IsTexturesEqual(const RTXT& texture1, const TXTA& attributes1, const RTXT& texture2,
                                  const TXTA& attributes2);
