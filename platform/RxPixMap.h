// The raster library's pictures in memory (KitPixMap) and the operations on them.
//
// A picture is handed around as a handle of its header (KitPixMap**, created by
// RxCreateKitPixMap and freed by RxDeleteKitPixMap). The header points at its pixel
// block: 'height' rows of 'width' pixels, 'rowBytes' bytes apart, top row first.
//
// Pixel type 0 (RxPixelARGB32), the only one there is, has 4 bytes per pixel in the
// memory order alpha, red, green, blue. A picture decoded from a file without an alpha
// channel has 0 in every alpha byte (the byte is unused, as in the host's xRGB
// pictures), so "every first byte is 0" tells a picture without a mask.
//
// No picture is larger than RxMaxPixelCount pixels or RxMaxSide pixels on a side;
// creating one fails instead. Nothing here throws.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

// A rectangle of pixels: the rows top..bottom - 1 and the columns left..right - 1.
struct KitRect {
	Int16 top = 0;
	Int16 left = 0;
	Int16 bottom = 0;
	Int16 right = 0;
	bool operator==(const KitRect&) const = default;
};

enum : UInt32 {
	RxPixelARGB32 = 0, // 32-bit pixels: alpha, red, green, blue
};

// The largest picture, in pixels: 4096 x 4096. A 32-bit picture of this size takes
// 64 MiB, and its summed-area table (four 32-bit sums per pixel) 256 MiB; the sums of
// a picture of this size stay below 2^32 (255 x 2^24 < 2^32).
constexpr Int64 RxMaxPixelCount = Int64(4096) * 4096;
// The longest side: pixel sizes travel as Int16.
constexpr Int32 RxMaxSide = 32767;

enum : GSErrCode {
	RxBadPixMapErr = -2100,  // a null picture or rectangle, or an unsupported pixel type
	RxTooLargeErr = -2101,   // a picture beyond RxMaxPixelCount or RxMaxSide
	RxNoMemoryErr = -2102,   // the pixel block could not be allocated
	RxBadDataErr = -2103,    // picture data that cannot be decoded (corrupt or truncated)
	RxUnsupportedErr = -2104 // picture data of a format the library does not read
};

struct KitPixMap {
	char* baseAddr;   // the first pixel of the top row
	Int32 rowBytes;   // bytes from one row to the next
	Int32 width;      // pixels per row
	Int32 height;     // rows
	UInt32 pixelType; // RxPixelARGB32
	double hRes;      // resolution in pixels per inch
	double vRes;
};

// One pixel of type RxPixelARGB32, in memory order.
struct RxPixel {
	UInt8 alpha;
	UInt8 red;
	UInt8 green;
	UInt8 blue;
};
static_assert(sizeof(RxPixel) == 4);

// A new picture of width x height pixels with zeroed pixels; null when a side is below 1
// or the picture is larger than allowed, for an unknown pixel type, or when memory runs
// out.
KitPixMap** RxCreateKitPixMap(Int32 width, Int32 height, double hRes, double vRes, UInt32 pixelType);
// Frees the picture and sets *pixMap to null; null arguments are ignored.
void RxDeleteKitPixMap(KitPixMap*** pixMap);

// The picture's rectangle: (0, 0, height, width).
GSErrCode RxGetKitPixMapBounds(KitPixMap** pixMap, KitRect* bounds);
void RxSetKitPixMapResolution(KitPixMap** pixMap, double hRes, double vRes);

// Sets every pixel to 'value'.
GSErrCode RxFillKitPixMap(KitPixMap** pixMap, const RxPixel& value);

// Draws the part 'sourceRect' of 'source' into the part 'destinationRect' of
// 'destination', scaling each axis on its own: an axis that shrinks averages the source
// pixels over each destination pixel's area (partly covered pixels by their share), an
// axis that grows (or keeps its size) interpolates bilinearly between pixel centres.
// All four bytes of a pixel are filtered alike.
//
// The rectangles may reach beyond their pictures: destination pixels outside the
// destination picture are not drawn, and neither are those whose centre falls outside
// the source picture (they keep their value), so a source rectangle larger than the
// picture leaves a margin. Near the picture's edge only the pixels inside it count.
// Empty rectangles draw nothing. The two pictures must be different.
GSErrCode RxStretchKitPixMap(KitPixMap** source, const KitRect* sourceRect, KitPixMap** destination,
                             const KitRect* destinationRect);

#pragma GCC visibility pop
