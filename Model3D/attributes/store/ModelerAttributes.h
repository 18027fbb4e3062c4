// Modeler::Attributes: the attribute store of a 3D model. It keeps the tables that
// bodies and polygons refer to by 1-based index: materials (UMAT), fill heads (UFIL)
// with their fill definitions (one byte table), and textures (RTXT) with their texture
// attributes (TXTA). Index 0 is never valid; an index is valid when 1 <= index <= count.
//
// The store is reference-counted and created only by Attributes::New. It is read and
// written through three small views that keep it alive: Attributes::Viewer (reading),
// Attributes::OnlyModifier (writing) and Attributes::Modifier (both).
//
// Failures are root-library exceptions: Kit::IllegalArgumentException for bad indices
// and ranges, Kit::RunTimeErrorException for size-order violations and channel
// failures, Kit::OutOfMemoryException when a table cannot be allocated or grown.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/attributes/records/AttributeRecords.h"
#include "Model3D/attributes/records/UFIL.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/bodies/builder/BodyCheckStatus.h"
#include "Model3D/core/frame/ModStamp.h"
#include "Model3D/persistence/base/MainContainerBase.h"
#include "platform/KitChannel.h"
#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"
#include "platform/VaManager.h"

namespace Modeler {

// How textures are loaded: LoadPixelsAndSummedAreaTable also builds the summed-area
// table of the textures that keep their own proportions (status bit 0x1000) and are not
// resident; any other value loads the pixels only.
using LoadTextureParameters = Int32;
constexpr LoadTextureParameters LoadPixelsAndSummedAreaTable = 0;
constexpr LoadTextureParameters LoadPixelsOnly = 1;

// Result of LoadTextures when a texture's summed-area table failed and its handle could
// not be taken back to the plain pixels.
constexpr Int32 LoadTexturesFailed = -1111;

class M3D_EXPORT Attributes : public MainContainerBase {
public:
	class Viewer;
	class OnlyModifier;
	class Modifier;

	// Growth steps of the tables, in items.
	static constexpr Int32 TableIncrement = 10;
	static constexpr Int32 FillDescriptorIncrement = 1000;
	// Bytes per texture as the size accounting counts it (RTXT and TXTA together).
	static constexpr UInt32 TextureAccountingSize = sizeof(RTXT) + sizeof(TXTA);

	// A new, empty store; the returned pointer holds the only reference. Throws
	// Kit::OutOfMemoryException "Cannot create 3D model attributes!" when a table
	// cannot be created.
	static Kit::SharedPtr<Attributes> New();

	~Attributes() override;

	// Empties every table: drops the texture cache, sets the texture, texture-attribute,
	// fill and fill-descriptor counts to 0 and destroys the materials.
	void ClearAttributes();
	// For every texture: frees its pixels (marking them not loaded) and frees the file
	// reference of its texture attributes. Textures must be added again before their
	// pixels can be loaded.
	void ClearTextureCache();
	// Frees the loaded pixels of every texture that is not resident.
	void UnloadAllTexturesPixels() const;
	// Loads the pixels of texture 'index' (1..count; another index throws
	// Kit::IllegalArgumentException), or of every texture when index < 1, from their
	// picture files. A texture whose picture cannot be read or decoded, or whose picture
	// (fitted to the texture's aspect unless it keeps its own proportions) is not exactly
	// pixelWidth x pixelHeight, stays unloaded; pictures are never resized to fit.
	// Returns the byte size of the pixel handles of the textures visited (saturating at
	// the largest Int32), or LoadTexturesFailed.
	Int32 LoadTextures(Int16 index, LoadTextureParameters parameters) const;

	Attributes(const Attributes&) = delete;
	Attributes& operator=(const Attributes&) = delete;

private:
	Attributes();

	// The pieces of the store's teardown, shared by the destructor and ClearAttributes.
	void FreeTables();
	// Loads one texture; the byte size of its pixel handle (0 when it stays unloaded),
	// or LoadTexturesFailed.
	Int64 LoadTexture(Int32 index, LoadTextureParameters parameters) const;

	DESC textures;          // RTXT
	DESC textureAttributes; // TXTA; entry i belongs to texture i
	DESC fills;             // UFIL
	Kit::PagedArray<UMAT> materials;
	DESC fillDescriptors; // the fill definitions of all fills, as bytes
	ModStamp lastUpdateStamp;
};

// Reading access to a store.
class M3D_EXPORT Attributes::Viewer : public IBodyCheckAttributes {
public:
	// Throws Kit::IllegalArgumentException for a null store.
	explicit Viewer(const Kit::ConstSharedPtr<Attributes>& attributes);
	Viewer(const Viewer&) = default;
	Viewer& operator=(const Viewer&) = default;
	virtual ~Viewer() = default;

	UInt32 GetMaterialCount() const override;
	UInt32 GetFillCount() const;
	UInt32 GetFillDescriptorCount() const;
	UInt32 GetTextureCount() const;
	UInt32 GetTextureAttributeCount() const;
	// Materials + fills + textures.
	UInt32 GetAllItemsCount() const;

	// Entry i (1-based); an index outside 1..count throws Kit::IllegalArgumentException
	// with the table's message. The fill-descriptor variant addresses byte i.
	const UMAT* GetConstMaterialPtr(UInt32 i) const;
	const UFIL* GetConstFillPtr(UInt32 i) const;
	const char* GetConstFillDescriptorPtr(UInt32 i) const;
	const RTXT* GetConstTexturePtr(UInt32 i) const;
	const TXTA* GetConstTextureAttributesPtr(UInt32 i) const;

	ModStamp GetLastUpdateStamp() const;
	// The growth step of the fill-descriptor table in bytes.
	UInt32 GetFillDescriptorMinSize() const;
	// Sum of the sizes of all loaded pixel handles.
	UInt64 GetTexturePixelBytes() const;
	UInt64 GetUsedBytes() const;
	UInt64 GetAllocatedBytes() const;
	// Size report rows (level > 3: one row per table; level >= 3: the summary row).
	void ReportSize(Kit::OChannel& channel, Int16 level) const;

	void UnloadAllTexturesPixels() const;
	// Attributes::LoadTextures of one texture, or of all.
	Int32 LoadTexturePixels(Int16 index, LoadTextureParameters parameters) const;
	Int32 LoadAllTexturesPixels(LoadTextureParameters parameters) const;

	// Write 'count' entries from entry 'first' on. A count of 0 writes nothing; otherwise
	// a range outside the table throws Kit::IllegalArgumentException with the table's
	// index message and a failed write Kit::RunTimeErrorException. Fills, descriptors,
	// textures and texture attributes are raw native-order blocks; materials are written
	// one by one with UMAT::Write.
	void WriteMaterialFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const;
	void WriteFillFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const;
	void WriteFillDescriptorFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const;
	void WriteTextureFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const;
	void WriteTextureAttributesFile(Kit::OChannel& channel, UInt32 first, UInt32 count) const;

	bool IsViewerOf(const Kit::ConstSharedPtr<Attributes>& attributes) const;
	bool operator==(const Viewer& other) const { return store == other.store; }
	bool operator!=(const Viewer& other) const { return !(*this == other); }

private:
	Kit::ConstSharedPtr<Attributes> store;
};

// Writing access to a store.
class M3D_EXPORT Attributes::OnlyModifier {
public:
	// Throws Kit::IllegalArgumentException for a null store.
	explicit OnlyModifier(const Kit::SharedPtr<Attributes>& attributes);
	OnlyModifier(const OnlyModifier&) = default;
	OnlyModifier& operator=(const OnlyModifier&) = default;
	virtual ~OnlyModifier() = default;

	// Writable entry i, checked as the viewer's getters.
	UMAT* GetMaterialPtr(UInt32 i);
	UFIL* GetFillPtr(UInt32 i);
	char* GetFillDescriptorPtr(UInt32 i);
	RTXT* GetTexturePtr(UInt32 i);
	TXTA* GetTextureAttributesPtr(UInt32 i);

	// Appends a copy of the material; returns its index (the new count).
	UInt32 AddMaterial(const UMAT& material);
	// Appends the definition (fill.defByteCount bytes) and a fill head named after
	// fill.name (or a generated name when that is empty) with no host fill. Returns
	// the new fill index.
	Int32 AddFill(const UFIL& fill, const char* definition);
	// Appends the definition (byteCount bytes) and a fill head for the host fill
	// 'hostFillIdx', named after the name in the definition's header. Returns the new
	// fill index.
	Int32 AddFill(Int16 hostFillIdx, const char* definition, Int32 byteCount);
	// Brings in the definition of a fill that has none yet from its host fill. Nothing
	// happens when the fill has a definition or no host fill.
	void ExpandFillDef(UInt32 fill);
	// Copies 'count' fill-descriptor bytes from byte 'from' to byte 'to'; both ranges
	// must lie within the table.
	void CopyFillDescriptors(Int32 to, Int32 from, Int32 count);
	// Appends the texture and its attributes (with a clone of the file reference, owned
	// by the store). Returns the new texture index.
	Int32 AddTexture(const RTXT& texture, const TXTA& attributes);

	// Reserve room for n entries without changing the count; n below the count throws
	// Kit::RunTimeErrorException.
	void GrowMaterialCapacity(UInt32 n);
	void GrowFillCapacity(UInt32 n);
	void GrowFillDescriptorCapacity(UInt32 n);
	void GrowTextureCapacity(UInt32 n);
	void GrowTextureAttributesCapacity(UInt32 n);
	// Set the count to n, dropping the entries above; n above the count throws
	// Kit::RunTimeErrorException.
	void TruncateMaterialCount(UInt32 n);
	void TruncateFillCount(UInt32 n);
	void TruncateFillDescriptorCount(UInt32 n);
	void TruncateTextureCount(UInt32 n);
	void TruncateTextureAttributesCount(UInt32 n);

	// Range readers of the model-file reader. 'platform' is the sign of the platform
	// that wrote the file; foreign records are converted to the running platform.
	// ReadFill and ReadFillDescriptor read into room reserved beforehand by the grow
	// operations; the material readers append.
	void ReadFill(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n);
	void ReadFillDescriptor(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n, Int32 version);
	// 'first' is not used: the materials are appended.
	void ReadMaterial(Kit::IChannel& channel, Int32 version, Kit::PlatformSign platform, UInt32 first, UInt32 n);
	// Reads n materials of the 70-byte version-4.55 form.
	void ReadMaterial455(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n);

	// Shrinks the allocation of every table but the materials to its count.
	void ReleaseUnusedMemory();
	void SetLastUpdateStamp(const ModStamp& stamp);
	void ClearAttributes();

	bool operator==(const OnlyModifier& other) const { return store == other.store; }
	bool operator!=(const OnlyModifier& other) const { return !(*this == other); }

private:
	Kit::SharedPtr<Attributes> GetAttributesPtr() const { return store; }
	Int32 AddFillHead(Int16 hostFillIdx, const char* name, Int32 defStart, Int32 defByteCount);
	Int32 AddFillDefinition(Int32 byteCount, const char* bytes);
	static void GenerateFillName(Int16 index, char* name);

	Kit::SharedPtr<Attributes> store;
};

// Reading and writing access to one store.
class M3D_EXPORT Attributes::Modifier : public Attributes::Viewer, public Attributes::OnlyModifier {
public:
	explicit Modifier(const Kit::SharedPtr<Attributes>& attributes);
	Modifier(const Modifier&) = default;
	Modifier& operator=(const Modifier&) = default;

	bool operator==(const Modifier& other) const {
		return Viewer::operator==(other) && OnlyModifier::operator==(other);
	}
	bool operator!=(const Modifier& other) const { return !(*this == other); }
};

} // namespace Modeler
