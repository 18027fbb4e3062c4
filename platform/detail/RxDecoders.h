// The decoders behind Rx::ImageBase, one per format. Each reads a whole picture file
// from memory; the size functions read the header only.
#pragma once

#include "platform/KitTypes.h"
#include "platform/RxPixMap.h"

// Internal to the raster stand-in: not part of what the library exports.
#pragma GCC visibility push(hidden)

namespace Rx::Detail {

bool IsPng(const UInt8* data, USize size);
GSErrCode ReadPngSize(const UInt8* data, USize size, Int32* width, Int32* height);
// A new picture (72 pixels per inch) in *picture, or an error code with null there.
GSErrCode DecodePng(const UInt8* data, USize size, KitPixMap*** picture);

bool IsJpeg(const UInt8* data, USize size);
GSErrCode ReadJpegSize(const UInt8* data, USize size, Int32* width, Int32* height);
GSErrCode DecodeJpeg(const UInt8* data, USize size, KitPixMap*** picture);

// Whether a picture of this size may be decoded.
inline bool IsAllowedSize(Int64 width, Int64 height) {
	return width >= 1 && height >= 1 && width <= RxMaxSide && height <= RxMaxSide && width * height <= RxMaxPixelCount;
}

} // namespace Rx::Detail

#pragma GCC visibility pop
