// The raster library's picture decoding: PNG and JPEG data (a memory handle holding a
// whole picture file) to KitPixMap pictures.
//
// The format is told by the data's own signature; a file type identifier of the file
// type manager (FTMFileType.h) that names a raster format only confirms it, 0 (or any
// negative identifier) means "unknown". Pictures are refused from their header, before
// any pixel memory is taken, when they are larger than RxMaxPixelCount pixels or
// RxMaxSide on a side, so a forged header cannot make a huge allocation. Corrupt and
// truncated data give RxBadDataErr; nothing here throws or ends the process.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"
#include "platform/RxPixMap.h"

namespace Rx {

class ImageBase {
public:
	// The picture's width and height in pixels, read from its header only. A picture
	// larger than allowed still reports its size here (with NoError); only decoding
	// refuses it.
	static GSErrCode GetInfo(GSConstHandle data, Int32 fileType, Int32* width, Int32* height);

	// Decodes the picture into a new KitPixMap of 'pixelType' (RxPixelARGB32) at 72 pixels
	// per inch, which *picture receives (null on failure). Pictures with an alpha channel
	// keep it in the first byte; those without get 0 there.
	static GSErrCode ConvertToPixMap(GSConstHandle data, KitPixMap*** picture, Int32 fileType, UInt32 pixelType);
};

} // namespace Rx

#pragma GCC visibility pop
