#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "platform/BMMemory.h"
#include "platform/PFFileRef.h"

#include <new>

namespace Modeler {

using namespace AttributesDetail;

namespace {

constexpr const char* CreateFailedMessage = "Cannot create 3D model attributes!";

} // namespace

Attributes::Attributes()
    : MainContainerBase(DiskCachingOff), textures{}, textureAttributes{}, fills{}, fillDescriptors{} {
	// The tables are created in this order; a failure frees those already made, since
	// the destructor does not run for a constructor that throws.
	if (vaManager.Init(&textures, TableIncrement, sizeof(RTXT)) != 0 ||
	    vaManager.Init(&textureAttributes, TableIncrement, sizeof(TXTA)) != 0 ||
	    vaManager.Init(&fills, TableIncrement, sizeof(UFIL)) != 0 ||
	    vaManager.Init(&fillDescriptors, FillDescriptorIncrement, 1) != 0) {
		FreeTables();
		ThrowOutOfMemory(CreateFailedMessage, __LINE__);
	}
}

Attributes::~Attributes() {
	ClearTextureCache();
	FreeTables();
	materials.Clear();
}

Kit::SharedPtr<Attributes> Attributes::New() {
	Attributes* attributes = new (std::nothrow) Attributes();
	if (attributes == nullptr) ThrowOutOfMemory(CreateFailedMessage, __LINE__);
	return Kit::SharedPtr<Attributes>(attributes);
}

void Attributes::FreeTables() {
	vaManager.Free(&textures);
	vaManager.Free(&textureAttributes);
	vaManager.Free(&fills);
	vaManager.Free(&fillDescriptors);
}

void Attributes::ClearTextureCache() {
	// Both tables are walked to their own counts: the range operations may leave them
	// with different counts, and every file reference and pixel handle must be freed.
	if (textureAttributes.data != nullptr) {
		for (Int32 i = 1; i <= textureAttributes.itemCount; ++i)
			PFFreeFileRef(&Item<TXTA>(textureAttributes, i)->fileRef);
	}
	if (textures.data != nullptr) {
		for (Int32 i = 1; i <= textures.itemCount; ++i) {
			RTXT* texture = Item<RTXT>(textures, i);
			if (texture->pixels != nullptr) BMKillHandle(&texture->pixels);
			texture->pixels = nullptr;
			texture->status = static_cast<UInt16>((texture->status | RTXTPixelsNotLoaded) & ~RTXTHasSummedArea);
		}
	}
}

void Attributes::UnloadAllTexturesPixels() const {
	for (Int32 i = 1; i <= textures.itemCount; ++i) {
		RTXT* texture = Item<RTXT>(textures, i);
		if ((texture->status & RTXTResidentPixels) == 0 && texture->pixels != nullptr) {
			BMKillHandle(&texture->pixels);
			texture->pixels = nullptr;
			texture->status = static_cast<UInt16>((texture->status | RTXTPixelsNotLoaded) & ~RTXTHasSummedArea);
		}
	}
}

void Attributes::ClearAttributes() {
	ClearTextureCache();
	// Shrinking to count 0 keeps the table usable even when the block cannot shrink,
	// so the results only report a table that was never created.
	vaManager.Resize(&textures, 0, TableIncrement);
	vaManager.Resize(&textureAttributes, 0, TableIncrement);
	vaManager.Resize(&fills, 0, TableIncrement);
	vaManager.Resize(&fillDescriptors, 0, FillDescriptorIncrement);
	materials.Clear();
}

} // namespace Modeler
