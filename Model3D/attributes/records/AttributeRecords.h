// Texture records of the attribute store and the variable-array descriptor of its
// tables. RTXT is also the texture's file form; TXTA lives only in memory.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"
#include "platform/VaManager.h"

#include <cstddef>

// RTXT status bits.
enum : UInt16 {
	RTXTMaskRequested = 0x0001,   // a mask in the first byte of each pixel was asked for
	RTXTAspectModeMask = 0x0006,  // (status >> 1) & 3: none, extend, crop, crop
	RTXTOwnProportions = 0x1000,  // the picture keeps its own proportions
	RTXTPixelsNotLoaded = 0x2000, // no pixels in memory
	RTXTResidentPixels = 0x4000,  // the pixels stay loaded and are compared by contents
	RTXTHasSummedArea = 0x8000,   // a summed-area table follows the pixels
};

// A texture: its size in model units, its name, its pixel size, and the loaded 32-bit
// pixels (a handle, null when not loaded; meaningless in a file).
struct M3D_EXPORT RTXT {
	UInt16 status;
	Int16 pixelDepth; // bits per loaded pixel; always 32
	float xSize;      // width in model units
	float ySize;      // height in model units
	char reserved[8];
	UniChar textureName[256]; // at most 255 units, zero-terminated
	Int16 pixelWidth;
	Int16 pixelHeight;
	GSHandle pixels;
};
static_assert(sizeof(RTXT) == 544);
static_assert(offsetof(RTXT, status) == 0);
static_assert(offsetof(RTXT, pixelDepth) == 2);
static_assert(offsetof(RTXT, xSize) == 4);
static_assert(offsetof(RTXT, ySize) == 8);
static_assert(offsetof(RTXT, reserved) == 12);
static_assert(offsetof(RTXT, textureName) == 20);
static_assert(offsetof(RTXT, pixelWidth) == 532);
static_assert(offsetof(RTXT, pixelHeight) == 534);
static_assert(offsetof(RTXT, pixels) == 536);

// Where the picture of a texture comes from: a file reference of the parametric-object
// library (see platform/PFFileRef.h; the attribute store owns the one it keeps) and the
// index of the picture in that file.
struct M3D_EXPORT TXTA {
	char* fileRef;
	Int32 pictIndex;
	Int32 reserved;
};
static_assert(sizeof(TXTA) == 16);
static_assert(offsetof(TXTA, fileRef) == 0);
static_assert(offsetof(TXTA, pictIndex) == 8);
