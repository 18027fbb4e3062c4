// PNG through libpng's simplified reading interface, which reports every failure in
// the image structure instead of jumping out of the caller.
#include "platform/detail/RxDecoders.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace Rx::Detail {

namespace {

constexpr UInt8 PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Starts reading: the header is read and checked, no pixels yet.
bool BeginRead(png_image& image, const UInt8* data, USize size) {
	std::memset(&image, 0, sizeof image);
	image.version = PNG_IMAGE_VERSION;
	return png_image_begin_read_from_memory(&image, data, size) != 0;
}

} // namespace

bool IsPng(const UInt8* data, USize size) {
	return size >= sizeof PngSignature && std::memcmp(data, PngSignature, sizeof PngSignature) == 0;
}

GSErrCode ReadPngSize(const UInt8* data, USize size, Int32* width, Int32* height) {
	png_image image;
	if (!BeginRead(image, data, size)) return RxBadDataErr;
	*width = Int32(std::min<png_uint_32>(image.width, 0x7FFFFFFF));
	*height = Int32(std::min<png_uint_32>(image.height, 0x7FFFFFFF));
	png_image_free(&image);
	return NoError;
}

GSErrCode DecodePng(const UInt8* data, USize size, KitPixMap*** picture) {
	*picture = nullptr;
	png_image image;
	if (!BeginRead(image, data, size)) return RxBadDataErr;
	if (!IsAllowedSize(image.width, image.height)) {
		png_image_free(&image);
		return RxTooLargeErr;
	}
	const bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
	KitPixMap** result = RxCreateKitPixMap(Int32(image.width), Int32(image.height), 72.0, 72.0, RxPixelARGB32);
	if (result == nullptr) {
		png_image_free(&image);
		return RxNoMemoryErr;
	}
	image.format = PNG_FORMAT_ARGB;
	// The stride is counted in components, one byte each here.
	if (png_image_finish_read(&image, nullptr, (*result)->baseAddr, (*result)->rowBytes, nullptr) == 0) {
		png_image_free(&image);
		RxDeleteKitPixMap(&result);
		return RxBadDataErr;
	}
	if (!hasAlpha) {
		const KitPixMap& p = **result;
		for (Int32 y = 0; y < p.height; ++y) {
			char* row = p.baseAddr + Int64(y) * p.rowBytes;
			for (Int32 x = 0; x < p.width; ++x)
				row[Int64(x) * 4] = 0;
		}
	}
	*picture = result;
	return NoError;
}

} // namespace Rx::Detail
