#include "Model3D/attributes/fills/FillConversion.h"
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "platform/ARxAttributes.h"
#include "platform/BMMemory.h"
#include "platform/KitUtils.h"
#include "platform/PFFileRef.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace Modeler {

using namespace AttributesDetail;

namespace {

constexpr const char* AddFillFailedMessage = "Cannot add a new fill!";
constexpr const char* AddTextureFailedMessage = "Cannot add a new texture!";

// String list and entry of the format of generated fill names.
constexpr Int32 FillNameList = 2008;
constexpr Int32 FillNameEntry = 6;

// Largest count a table can be asked to reach.
constexpr UInt32 MaxTableCount = static_cast<UInt32>(std::numeric_limits<Int32>::max() - 1);

// Copies a 32-byte fill name, always leaving it zero-terminated.
void CopyFillName(char* destination, const char* source) {
	std::memcpy(destination, source, sizeof(UFIL::name));
	destination[sizeof(UFIL::name) - 1] = '\0';
}

void FreeTexturePixels(RTXT* texture) {
	if (texture->pixels != nullptr) BMKillHandle(&texture->pixels);
	texture->pixels = nullptr;
	texture->status |= RTXTPixelsNotLoaded;
}

// A copy of a pixel handle; null when there is nothing to copy or memory runs out.
GSHandle CopyPixels(GSConstHandle pixels) {
	if (pixels == nullptr) return nullptr;
	const Int64 size = BMGetHandleSize(pixels);
	GSHandle copy = BMAllocateHandle(size);
	if (copy != nullptr) BNCopyMemory(*copy, *pixels, size);
	return copy;
}

struct FillDeleter {
	void operator()(PlanAttr::Fill* fill) const { delete fill; }
};

struct RecordDeleter {
	void operator()(char* record) const { BMKillPtr(&record); }
};

} // namespace

Attributes::OnlyModifier::OnlyModifier(const Kit::SharedPtr<Attributes>& attributes) : store(attributes) {
	if (store == nullptr) ThrowIllegalArgument("Attributes::OnlyModifier: no attribute store", __LINE__);
}

UMAT* Attributes::OnlyModifier::GetMaterialPtr(UInt32 i) {
	if (i == 0 || i > store->materials.GetSize()) ThrowIllegalArgument(MaterialIndexMessage, __LINE__);
	return &store->materials[i - 1];
}

UFIL* Attributes::OnlyModifier::GetFillPtr(UInt32 i) {
	return CheckedItem<UFIL>(store->fills, i, FillIndexMessage, __LINE__);
}

char* Attributes::OnlyModifier::GetFillDescriptorPtr(UInt32 i) {
	return CheckedItem<char>(store->fillDescriptors, i, FillDescriptorIndexMessage, __LINE__);
}

RTXT* Attributes::OnlyModifier::GetTexturePtr(UInt32 i) {
	return CheckedItem<RTXT>(store->textures, i, TextureIndexMessage, __LINE__);
}

TXTA* Attributes::OnlyModifier::GetTextureAttributesPtr(UInt32 i) {
	return CheckedItem<TXTA>(store->textureAttributes, i, TextureAttributesIndexMessage, __LINE__);
}

UInt32 Attributes::OnlyModifier::AddMaterial(const UMAT& material) {
	store->materials.Push(material);
	return static_cast<UInt32>(store->materials.GetSize());
}

void Attributes::OnlyModifier::GenerateFillName(Int16 index, char* name) {
	char format[OUFixStringBufferSize];
	if (!OUGetFixString(format, FillNameList, FillNameEntry, GetTextResModule()) ||
	    !IsFormatFor(format, FormatArgument::Int, 1))
		std::strcpy(format, "%d");
	char text[OUFixStringBufferSize];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
	std::snprintf(text, sizeof text, format, static_cast<int>(index));
#pragma GCC diagnostic pop
	std::memset(name, 0, sizeof(UFIL::name));
	std::copy_n(text, std::min(std::strlen(text), sizeof(UFIL::name) - 1), name); // the memset above ends it
}

Int32 Attributes::OnlyModifier::AddFillDefinition(Int32 byteCount, const char* bytes) {
	if (byteCount <= 0) ThrowIllegalArgument("fillDefByteCount must be positive!", __LINE__);
	if (bytes == nullptr) ThrowIllegalArgument("AddFillDefinition: no definition bytes", __LINE__);
	const Int32 start = vaManager.AppendItems(&store->fillDescriptors, byteCount);
	if (start < 0) ThrowOutOfMemory("Cannot add a new fill definition!", __LINE__);
	std::memcpy(Item<char>(store->fillDescriptors, start), bytes, static_cast<USize>(byteCount));
	return start;
}

Int32 Attributes::OnlyModifier::AddFillHead(Int16 hostFillIdx, const char* name, Int32 defStart, Int32 defByteCount) {
	DESC& fills = store->fills;
	const Int32 index = vaManager.AppendItem(&fills);
	// Fill indices travel as Int16 (materials refer to fills by minus the index).
	if (index <= 0 || index > std::numeric_limits<Int16>::max()) {
		if (index > 0) fills.itemCount = index - 1;
		ThrowOutOfMemory(AddFillFailedMessage, __LINE__);
	}
	UFIL* fill = Item<UFIL>(fills, index);
	if (name != nullptr && name[0] != '\0')
		CopyFillName(fill->name, name);
	else
		GenerateFillName(static_cast<Int16>(index), fill->name);
	fill->status = 0;
	fill->hostFillIdx = hostFillIdx;
	fill->defStart = defStart;
	fill->defByteCount = defByteCount;
	return index;
}

Int32 Attributes::OnlyModifier::AddFill(const UFIL& fill, const char* definition) {
	const Int32 start = AddFillDefinition(fill.defByteCount, definition);
	try {
		return AddFillHead(0, fill.name, start, fill.defByteCount);
	} catch (...) {
		// The definition goes too, so that a failed add leaves the store as it was.
		store->fillDescriptors.itemCount = start - 1;
		throw;
	}
}

Int32 Attributes::OnlyModifier::AddFill(Int16 hostFillIdx, const char* definition, Int32 byteCount) {
	const Int32 start = AddFillDefinition(byteCount, definition);
	// The name lies at byte 4 of the definition; a definition too short to hold all of
	// it gives only what it has.
	char name[sizeof(UFIL::name)] = {};
	const Int32 nameBytes = std::clamp<Int32>(byteCount - 4, 0, sizeof name);
	std::memcpy(name, definition + 4, static_cast<USize>(nameBytes));
	try {
		return AddFillHead(hostFillIdx, name, start, byteCount);
	} catch (...) {
		store->fillDescriptors.itemCount = start - 1;
		throw;
	}
}

void Attributes::OnlyModifier::ExpandFillDef(UInt32 fillIndex) {
	const UFIL* fill = GetFillPtr(fillIndex);
	if (fill->defByteCount > 0 || fill->hostFillIdx < 1) return;

	PlanAttr::Fill* hostFill = nullptr;
	Int32 hostLength = 0;
	if (ARxgetFillAttr(fill->hostFillIdx, &hostFill, &hostLength) != NoError || hostFill == nullptr) {
		delete hostFill;
		ThrowOutOfMemory("Cannot expand a fill!", __LINE__);
	}
	std::unique_ptr<PlanAttr::Fill, FillDeleter> hostOwner(hostFill);

	char* rawRecord = nullptr;
	IMConvertFillToRecord(reinterpret_cast<char*>(hostFill), &rawRecord);
	std::unique_ptr<char, RecordDeleter> record(rawRecord);
	hostOwner.reset();

	// The record carries its own length; it is the one to trust, and it must lie
	// within the record's block.
	Int32 length = 0;
	if (record != nullptr && BMGetPtrSize(record.get()) >= Int64(sizeof length))
		std::memcpy(&length, record.get(), sizeof length);
	if (length <= 0 || length > BMGetPtrSize(record.get())) ThrowOutOfMemory("Cannot expand a fill!", __LINE__);

	const Int32 start = AddFillDefinition(length, record.get());
	UFIL* expanded = GetFillPtr(fillIndex);
	expanded->status = 0;
	expanded->defStart = start;
	expanded->defByteCount = length;
}

void Attributes::OnlyModifier::CopyFillDescriptors(Int32 to, Int32 from, Int32 count) {
	const DESC& desc = store->fillDescriptors;
	if (count <= 0) return;
	const auto inTable = [&desc, count](Int32 first) {
		return first >= 1 && Int64(first) + count - 1 <= desc.itemCount;
	};
	if (!inTable(to) || !inTable(from)) ThrowIllegalArgument(FillDescriptorIndexMessage, __LINE__);
	BNCopyMemory(Item<char>(desc, to), Item<char>(desc, from), Int64(count) * desc.itemSize);
}

Int32 Attributes::OnlyModifier::AddTexture(const RTXT& texture, const TXTA& attributes) {
	DESC& textures = store->textures;
	DESC& textureAttributes = store->textureAttributes;
	const Int32 textureIndex = vaManager.AppendItem(&textures);
	if (textureIndex <= 0) ThrowOutOfMemory(AddTextureFailedMessage, __LINE__);
	const Int32 attributesIndex = vaManager.AppendItem(&textureAttributes);
	if (attributesIndex != textureIndex) {
		textures.itemCount = textureIndex - 1;
		ThrowOutOfMemory(AddTextureFailedMessage, __LINE__);
	}

	// The store owns what its records point to: a clone of the file reference and its
	// own copy of any pixels handed in.
	RTXT copy = texture;
	TXTA attributesCopy = attributes;
	attributesCopy.fileRef = PFCloneFileRef(attributes.fileRef);
	copy.pixels = CopyPixels(texture.pixels);
	if ((attributes.fileRef != nullptr && attributesCopy.fileRef == nullptr) ||
	    (texture.pixels != nullptr && copy.pixels == nullptr)) {
		PFFreeFileRef(&attributesCopy.fileRef);
		if (copy.pixels != nullptr) BMKillHandle(&copy.pixels);
		textures.itemCount = textureIndex - 1;
		textureAttributes.itemCount = attributesIndex - 1;
		ThrowOutOfMemory(AddTextureFailedMessage, __LINE__);
	}
	*Item<RTXT>(textures, textureIndex) = copy;
	*Item<TXTA>(textureAttributes, attributesIndex) = attributesCopy;
	return textureIndex;
}

void Attributes::OnlyModifier::GrowMaterialCapacity(UInt32 n) {
	if (n < store->materials.GetSize())
		ThrowRunTimeError("GrowMaterialCapacity: current size > requested size", __LINE__);
}

namespace {

void GrowTable(DESC* desc, UInt32 n, const char* orderMessage, const char* failMessage, UInt32 line) {
	if (n < static_cast<UInt32>(desc->itemCount)) ThrowRunTimeError(orderMessage, line);
	if (n > MaxTableCount || vaManager.Resize(desc, -1, static_cast<Int32>(n)) != 0)
		ThrowOutOfMemory(failMessage, line);
}

void TruncateTable(DESC* desc, UInt32 n, Int32 room, const char* orderMessage, const char* failMessage, UInt32 line) {
	if (static_cast<UInt32>(desc->itemCount) < n) ThrowRunTimeError(orderMessage, line);
	if (vaManager.Resize(desc, static_cast<Int32>(n), room) != 0) ThrowOutOfMemory(failMessage, line);
}

} // namespace

void Attributes::OnlyModifier::GrowFillCapacity(UInt32 n) {
	GrowTable(&store->fills, n, "GrowFillCapacity: current size > requested size", "GrowFillCapacity failed", __LINE__);
}

void Attributes::OnlyModifier::GrowFillDescriptorCapacity(UInt32 n) {
	GrowTable(&store->fillDescriptors, n, "GrowFillDescriptorCapacity: current size > requested size",
	          "GrowFillDescriptorCapacity failed", __LINE__);
}

void Attributes::OnlyModifier::GrowTextureCapacity(UInt32 n) {
	GrowTable(&store->textures, n, "GrowTextureCapacity: current size >= requested size", "GrowTextureCapacity failed",
	          __LINE__);
}

void Attributes::OnlyModifier::GrowTextureAttributesCapacity(UInt32 n) {
	GrowTable(&store->textureAttributes, n, "GrowTextureAttributesrCapacity: current size > requested size",
	          "GrowTextureAttributesrCapacity failed", __LINE__);
}

void Attributes::OnlyModifier::TruncateMaterialCount(UInt32 n) {
	if (store->materials.GetSize() < n)
		ThrowRunTimeError("TruncateMaterialCount: current size < requested size", __LINE__);
	store->materials.SetSize(n);
}

void Attributes::OnlyModifier::TruncateFillCount(UInt32 n) {
	TruncateTable(&store->fills, n, TableIncrement, "TruncateFillCount: current size < requested size",
	              "TruncateFillCount failed", __LINE__);
}

void Attributes::OnlyModifier::TruncateFillDescriptorCount(UInt32 n) {
	TruncateTable(&store->fillDescriptors, n, FillDescriptorIncrement,
	              "TruncateFillDescriptorCount: current size < requested size", "TruncateFillDescriptorCount failed",
	              __LINE__);
}

void Attributes::OnlyModifier::TruncateTextureCount(UInt32 n) {
	DESC& textures = store->textures;
	if (static_cast<UInt32>(textures.itemCount) < n)
		ThrowRunTimeError("TruncateTextureCount: current size < requested size", __LINE__);
	// The pixels of the dropped textures belong to the store and go with them.
	for (Int32 i = static_cast<Int32>(n) + 1; i <= textures.itemCount; ++i)
		FreeTexturePixels(Item<RTXT>(textures, i));
	TruncateTable(&textures, n, TableIncrement, "TruncateTextureCount: current size < requested size",
	              "TruncateTextureCount failed", __LINE__);
}

void Attributes::OnlyModifier::TruncateTextureAttributesCount(UInt32 n) {
	DESC& textureAttributes = store->textureAttributes;
	if (static_cast<UInt32>(textureAttributes.itemCount) < n)
		ThrowRunTimeError("TruncateTextureAttributesrCount: current size < requested size", __LINE__);
	// Likewise the file references of the dropped entries.
	for (Int32 i = static_cast<Int32>(n) + 1; i <= textureAttributes.itemCount; ++i)
		PFFreeFileRef(&Item<TXTA>(textureAttributes, i)->fileRef);
	TruncateTable(&textureAttributes, n, TableIncrement,
	              "TruncateTextureAttributesrCount: current size < requested size",
	              "TruncateTextureAttributesrCount failed", __LINE__);
}

void Attributes::OnlyModifier::ReleaseUnusedMemory() {
	vaManager.ReleaseUnusedMemory(&store->textures);
	vaManager.ReleaseUnusedMemory(&store->textureAttributes);
	vaManager.ReleaseUnusedMemory(&store->fills);
	vaManager.ReleaseUnusedMemory(&store->fillDescriptors);
}

void Attributes::OnlyModifier::SetLastUpdateStamp(const ModStamp& stamp) {
	store->lastUpdateStamp = stamp;
}

void Attributes::OnlyModifier::ClearAttributes() {
	store->ClearAttributes();
}

} // namespace Modeler
