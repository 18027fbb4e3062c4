#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "platform/BMMemory.h"

namespace Modeler {

using namespace AttributesDetail;

namespace {

// Writes entries first..first + count - 1 of a table as one raw block.
void WriteRawRange(Kit::OChannel& channel, const DESC& desc, UInt32 first, UInt32 count, const char* indexMessage,
                   const char* failMessage, UInt32 line) {
	CheckWriteRange(static_cast<UInt64>(desc.itemCount), first, count, indexMessage, line);
	if (count == 0) return;
	const UInt64 bytes = UInt64(count) * static_cast<UInt64>(desc.itemSize);
	if (channel.WriteBin(VAManager::ItemPtr(desc, static_cast<Int32>(first)), bytes) != 0)
		ThrowRunTimeError(failMessage, line);
}

} // namespace

Attributes::Viewer::Viewer(const Kit::ConstSharedPtr<Attributes>& attributes) : store(attributes) {
	if (store == nullptr) ThrowIllegalArgument("Attributes::Viewer: no attribute store", __LINE__);
}

UInt32 Attributes::Viewer::GetMaterialCount() const {
	return static_cast<UInt32>(store->materials.GetSize());
}

UInt32 Attributes::Viewer::GetFillCount() const {
	return static_cast<UInt32>(store->fills.itemCount);
}

UInt32 Attributes::Viewer::GetFillDescriptorCount() const {
	return static_cast<UInt32>(store->fillDescriptors.itemCount);
}

UInt32 Attributes::Viewer::GetTextureCount() const {
	return static_cast<UInt32>(store->textures.itemCount);
}

UInt32 Attributes::Viewer::GetTextureAttributeCount() const {
	return static_cast<UInt32>(store->textureAttributes.itemCount);
}

UInt32 Attributes::Viewer::GetAllItemsCount() const {
	return GetMaterialCount() + GetFillCount() + GetTextureCount();
}

const UMAT* Attributes::Viewer::GetConstMaterialPtr(UInt32 i) const {
	if (i == 0 || i > store->materials.GetSize()) ThrowIllegalArgument(MaterialIndexMessage, __LINE__);
	return &store->materials[i - 1];
}

const UFIL* Attributes::Viewer::GetConstFillPtr(UInt32 i) const {
	return CheckedItem<const UFIL>(store->fills, i, FillIndexMessage, __LINE__);
}

const char* Attributes::Viewer::GetConstFillDescriptorPtr(UInt32 i) const {
	return CheckedItem<const char>(store->fillDescriptors, i, FillDescriptorIndexMessage, __LINE__);
}

const RTXT* Attributes::Viewer::GetConstTexturePtr(UInt32 i) const {
	return CheckedItem<const RTXT>(store->textures, i, TextureIndexMessage, __LINE__);
}

const TXTA* Attributes::Viewer::GetConstTextureAttributesPtr(UInt32 i) const {
	return CheckedItem<const TXTA>(store->textureAttributes, i, TextureAttributesIndexMessage, __LINE__);
}

ModStamp Attributes::Viewer::GetLastUpdateStamp() const {
	return store->lastUpdateStamp;
}

UInt32 Attributes::Viewer::GetFillDescriptorMinSize() const {
	const DESC& desc = store->fillDescriptors;
	return static_cast<UInt32>(desc.increment) * static_cast<UInt32>(desc.itemSize);
}

UInt64 Attributes::Viewer::GetTexturePixelBytes() const {
	const DESC& desc = store->textures;
	UInt64 bytes = 0;
	for (Int32 i = 1; i <= desc.itemCount; ++i) {
		const RTXT* texture = Item<const RTXT>(desc, i);
		if (texture->pixels != nullptr) bytes += static_cast<UInt64>(BMGetHandleSize(texture->pixels));
	}
	return bytes;
}

void Attributes::Viewer::UnloadAllTexturesPixels() const {
	store->UnloadAllTexturesPixels();
}

void Attributes::Viewer::WriteMaterialFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const {
	CheckWriteRange(store->materials.GetSize(), first, count, MaterialIndexMessage, __LINE__);
	for (UInt32 i = 0; i < count; ++i) {
		if (store->materials[first - 1 + i].Write(channel) != 0)
			ThrowRunTimeError("WriteMaterialFile failed", __LINE__);
	}
}

void Attributes::Viewer::WriteFillFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const {
	WriteRawRange(channel, store->fills, first, count, FillIndexMessage, "WriteFillFile failed", __LINE__);
}

void Attributes::Viewer::WriteFillDescriptorFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const {
	WriteRawRange(channel, store->fillDescriptors, first, count, FillDescriptorIndexMessage,
	              "WriteFillDescriptorFile failed", __LINE__);
}

// The pixel handle of a texture is an address in this process: it goes out as null, so
// that the same textures always write the same bytes.
void Attributes::Viewer::WriteTextureFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const {
	CheckWriteRange(static_cast<UInt64>(store->textures.itemCount), first, count, TextureIndexMessage, __LINE__);
	for (UInt32 i = first; i < first + count; ++i) {
		RTXT texture = *GetConstTexturePtr(i);
		texture.pixels = nullptr;
		if (channel.WriteBin(&texture, sizeof texture) != 0) ThrowRunTimeError("WriteTextureFile failed", __LINE__);
	}
}

void Attributes::Viewer::WriteTextureAttributesFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const {
	WriteRawRange(channel, store->textureAttributes, first, count, TextureAttributesIndexMessage,
	              "WriteTextureAttributesFile failed", __LINE__);
}

bool Attributes::Viewer::IsViewerOf(const Kit::ConstSharedPtr<Attributes>& attributes) const {
	return store == attributes;
}

Attributes::Modifier::Modifier(const Kit::SharedPtr<Attributes>& attributes)
    : Viewer(Kit::ConstSharedPtr<Attributes>(attributes)), OnlyModifier(attributes) {}

} // namespace Modeler
