// Loading the pixels of the store's textures from their picture files.
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "Model3D/attributes/textures/TextureLoading.h"
#include "platform/BMMemory.h"
#include "platform/IOLocation.h"
#include "platform/KitException.h"
#include "platform/PFFileRef.h"

#include <algorithm>
#include <limits>

namespace Modeler {

using namespace AttributesDetail;

namespace {

// Cells of a summed-area table per pixel: one Int32 per pixel byte.
constexpr Int64 SummedAreaBytesPerPixel = 16;

struct PictureOwner {
	KitPixMap** p = nullptr;
	~PictureOwner() { RxDeleteKitPixMap(&p); }
};

// The picture of a texture, or null when its file cannot be named, read or decoded.
KitPixMap** LoadPicture(const TXTA& attributes) {
	IO::Name name;
	if (PFGetFileName(attributes.fileRef, &name) != NoError || name.IsEmpty()) return nullptr;
	KitPixMap** picture = nullptr;
	try {
		IMLoadAKitPixMap(attributes.fileRef, attributes.pictIndex, &picture, RxPixelARGB32);
	} catch (const Kit::KitException&) {
		RxDeleteKitPixMap(&picture);
	}
	return picture;
}

// Appends the summed-area table to the pixels. False only when a failed table leaves
// the handle at another size than the plain pixels.
bool AppendSummedAreaTable(RTXT& texture) {
	const Int64 pixelCount = Int64(texture.pixelWidth) * texture.pixelHeight;
	const Int64 pixelBytes = pixelCount * 4;
	const Int64 wanted = pixelBytes + pixelCount * SummedAreaBytesPerPixel;
	if (BMReallocHandle(texture.pixels, wanted) == nullptr || BMGetHandleSize(texture.pixels) != wanted)
		return true; // no room for a table: the pixels serve alone
	try {
		IMCreateSummedAreaTableFromPixmap(texture.pixels, UInt32(texture.pixelWidth), UInt32(texture.pixelHeight),
		                                  reinterpret_cast<Int32*>(*texture.pixels + pixelBytes));
		texture.status |= RTXTHasSummedArea;
		return true;
	} catch (const Kit::KitException&) {
		return BMReallocHandle(texture.pixels, pixelBytes) != nullptr && BMGetHandleSize(texture.pixels) == pixelBytes;
	}
}

} // namespace

Int64 Attributes::LoadTexture(Int32 index, LoadTextureParameters parameters) const {
	RTXT& texture = *Item<RTXT>(textures, index);
	if ((texture.status & RTXTPixelsNotLoaded) == 0 || texture.pixels != nullptr)
		return BMGetHandleSize(texture.pixels);
	if (index > textureAttributes.itemCount) return 0;
	const TXTA& attributes = *Item<TXTA>(textureAttributes, index);

	texture.pixelDepth = 32;
	PictureOwner picture{LoadPicture(attributes)};
	if (picture.p == nullptr) return 0;
	// A table bit left from pixels loaded before is not this load's: it is set again
	// only when a table is appended.
	UInt16 status = static_cast<UInt16>(texture.status & ~RTXTHasSummedArea);
	GSHandle pixels = PixMap2TexturePixels(picture.p, texture.xSize, texture.ySize, 32, texture.pixelWidth,
	                                       texture.pixelHeight, &status, (status & RTXTOwnProportions) == 0);
	if (pixels == nullptr) return 0;
	texture.pixels = pixels;
	texture.status = static_cast<UInt16>(status & ~RTXTPixelsNotLoaded);

	if (parameters == LoadPixelsAndSummedAreaTable && (status & RTXTResidentPixels) == 0 &&
	    (status & RTXTOwnProportions) != 0 && !AppendSummedAreaTable(texture))
		return LoadTexturesFailed;
	return BMGetHandleSize(texture.pixels);
}

Int32 Attributes::LoadTextures(Int16 index, LoadTextureParameters parameters) const {
	Int32 first = 1;
	Int32 last = textures.itemCount;
	if (index >= 1) {
		if (index > textures.itemCount) ThrowIllegalArgument(TextureIndexMessage, __LINE__);
		first = last = index;
	}
	Int64 total = 0;
	for (Int32 i = first; i <= last; ++i) {
		const Int64 bytes = LoadTexture(i, parameters);
		if (bytes == LoadTexturesFailed) return LoadTexturesFailed;
		total += bytes;
	}
	return static_cast<Int32>(std::min<Int64>(total, std::numeric_limits<Int32>::max()));
}

Int32 Attributes::Viewer::LoadTexturePixels(Int16 index, LoadTextureParameters parameters) const {
	return store->LoadTextures(index, parameters);
}

Int32 Attributes::Viewer::LoadAllTexturesPixels(LoadTextureParameters parameters) const {
	return store->LoadTextures(0, parameters);
}

} // namespace Modeler
