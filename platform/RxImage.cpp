#include "platform/RxImage.h"

#include "platform/BMMemory.h"
#include "platform/FTMFileType.h"
#include "platform/detail/RxDecoders.h"

namespace Rx {

namespace {

enum class Format { Unknown, Png, Jpeg };

// The format by the data's signature. A declared type that names another raster format
// than the data has is not an error: picture files are often misnamed.
Format FindFormat(GSConstHandle data, Int32 fileType, const UInt8** bytes, USize* size) {
	if (data == nullptr || *data == nullptr) return Format::Unknown;
	if (fileType > 0 && fileType != FTM::PNGFileType && fileType != FTM::JPEGFileType) return Format::Unknown;
	*bytes = reinterpret_cast<const UInt8*>(*data);
	*size = static_cast<USize>(BMGetHandleSize(data));
	if (Detail::IsPng(*bytes, *size)) return Format::Png;
	if (Detail::IsJpeg(*bytes, *size)) return Format::Jpeg;
	return Format::Unknown;
}

} // namespace

GSErrCode ImageBase::GetInfo(GSConstHandle data, Int32 fileType, Int32* width, Int32* height) {
	if (width == nullptr || height == nullptr) return RxBadPixMapErr;
	*width = 0;
	*height = 0;
	const UInt8* bytes = nullptr;
	USize size = 0;
	switch (FindFormat(data, fileType, &bytes, &size)) {
	case Format::Png:
		return Detail::ReadPngSize(bytes, size, width, height);
	case Format::Jpeg:
		return Detail::ReadJpegSize(bytes, size, width, height);
	case Format::Unknown:
		break;
	}
	return RxUnsupportedErr;
}

GSErrCode ImageBase::ConvertToPixMap(GSConstHandle data, KitPixMap*** picture, Int32 fileType, UInt32 pixelType) {
	if (picture == nullptr) return RxBadPixMapErr;
	*picture = nullptr;
	if (pixelType != RxPixelARGB32) return RxBadPixMapErr;
	const UInt8* bytes = nullptr;
	USize size = 0;
	switch (FindFormat(data, fileType, &bytes, &size)) {
	case Format::Png:
		return Detail::DecodePng(bytes, size, picture);
	case Format::Jpeg:
		return Detail::DecodeJpeg(bytes, size, picture);
	case Format::Unknown:
		break;
	}
	return RxUnsupportedErr;
}

} // namespace Rx
