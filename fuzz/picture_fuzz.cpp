// Feeds arbitrary bytes to the texture pictures' decoder, as picture data in memory
// (first byte even) or as a picture file read through a file reference (odd). A picture
// either decodes to exactly the size its header tells, or is refused with an error code
// (the memory form) or Kit::InternalErrorException (the file form); nothing is left
// allocated on a refusal.
#include "FuzzSupport.h"

#include "Model3D/attributes/textures/TextureLoading.h"
#include "fixtures/PictureFiles.h"
#include "platform/BMMemory.h"
#include "platform/IOLocation.h"
#include "platform/KitException.h"
#include "platform/PFFileRef.h"
#include "platform/RxImage.h"

#include <filesystem>
#include <unistd.h>

namespace {

using FuzzSupport::Bytes;
using FuzzSupport::Require;

void RequireSize(KitPixMap** picture, Int32 width, Int32 height) {
	KitRect bounds{};
	Require(RxGetKitPixMapBounds(picture, &bounds) == NoError, "a decoded picture has bounds");
	Require((*picture)->width == width && (*picture)->height == height, "the picture has its header's size");
}

void DecodeInMemory(const std::uint8_t* data, USize size) {
	GSHandle handle = BMAllocateHandle(static_cast<Int64>(size));
	Require(handle != nullptr, "handle allocated");
	std::memcpy(*handle, data, size);
	Int32 width = 0, height = 0;
	const bool sized = Rx::ImageBase::GetInfo(handle, 0, &width, &height) == NoError;
	KitPixMap** picture = nullptr;
	if (Rx::ImageBase::ConvertToPixMap(handle, &picture, 0, RxPixelARGB32) == NoError) {
		Require(sized, "a decoded picture has a readable header");
		RequireSize(picture, width, height);
		RxDeleteKitPixMap(&picture);
	} else {
		Require(picture == nullptr, "a refused picture hands nothing out");
		FuzzSupport::Refused();
	}
	BMKillHandle(&handle);
}

const std::filesystem::path& PictureFile() {
	static const std::filesystem::path path =
	    std::filesystem::temp_directory_path() / ("m3d-fuzz-picture-" + std::to_string(::getpid()));
	return path;
}

void DecodeFile(const std::uint8_t* data, USize size) {
	TestSupport::WriteFile(PictureFile(), std::vector<UInt8>(data, data + size));
	char* ref = PFCreateFileRef(IO::Location(PictureFile()));
	Int16 width = 0, height = 0;
	bool sized = true;
	try {
		IMGetPictSize(ref, -1, &width, &height);
	} catch (const Kit::InternalErrorException&) {
		sized = false;
	}
	KitPixMap** picture = nullptr;
	try {
		IMLoadAKitPixMap(ref, -1, &picture, RxPixelARGB32);
		Require(sized, "a loaded picture has a readable size");
		RequireSize(picture, width, height);
		RxDeleteKitPixMap(&picture);
	} catch (const Kit::InternalErrorException&) {
		Require(picture == nullptr, "a refused picture hands nothing out");
		FuzzSupport::Refused();
	}
	PFFreeFileRef(&ref);
}

Bytes AsBytes(const std::vector<UInt8>& file) {
	return Bytes(file.begin(), file.end());
}

} // namespace

void WriteSeeds(FuzzSupport::SeedWriter& seeds) {
	using namespace TestSupport;
	const TestPicture ramp = MakeRampPicture(13, 7, 1);
	for (const char mode : {0, 1}) {
		for (const PngKind kind : {PngKind::Rgb, PngKind::Argb, PngKind::Grey})
			seeds.Add("png", {mode}, AsBytes(EncodePng(ramp, kind)));
		for (const JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Grey})
			seeds.Add("jpeg", {mode}, AsBytes(EncodeJpeg(ramp, kind, 80)));
	}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
	if (size < 1 || size > (1u << 20)) return 0;
	if ((data[0] & 1) == 0)
		DecodeInMemory(data + 1, size - 1);
	else
		DecodeFile(data + 1, size - 1);
	return 0;
}
