// The model-file reader: the file's fills and materials brought into the store through
// the import functions, which reuse equal entries and give the index maps.
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/FillAdjustment.h"
#include "Model3D/persistence/modelfile/detail/ModelFileReading.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"

#include <string>
#include <vector>

namespace Modeler::ModelFile {

namespace {

[[noreturn]] void Fail(const std::string& message) {
	throw Kit::InternalErrorException(message.c_str(), __FILE__, __LINE__);
}

// A block of BMAllocatePtr memory (the form the fill rebuilds take), freed on every way out.
class FillBlock {
public:
	explicit FillBlock(UInt32 size) : block(BMAllocatePtr(size)) {
		if (block == nullptr && size > 0) throw Kit::OutOfMemoryException("fill definitions", __FILE__, __LINE__);
	}
	~FillBlock() { BMKillPtr(&block); }
	FillBlock(const FillBlock&) = delete;
	FillBlock& operator=(const FillBlock&) = delete;
	char*& Get() { return block; }

private:
	char* block;
};

// Every fill head must name bytes inside the definition block: the import functions take
// the block without its size.
void CheckFillHeads(const std::vector<UFIL>& heads, UInt32 blockSize) {
	for (USize k = 0; k < heads.size(); ++k) {
		const UFIL& h = heads[k];
		if (h.defByteCount <= 0) continue;
		if (h.defStart < 1 || Int64{h.defStart} - 1 + h.defByteCount > Int64{blockSize})
			Fail("The model file's fill " + std::to_string(k + 1) + " names bytes outside its fill definitions");
	}
}

} // namespace

std::vector<UFIL> FileReader::ReadFillHeads() {
	std::vector<UFIL> heads(static_cast<USize>(header.fillCount));
	ReadBytes(heads.data(), heads.size() * sizeof(UFIL), "UFIL read error!");
	if (Foreign()) {
		Int32 offset = 0;
		IV_UFIL(options.platform, reinterpret_cast<char*>(heads.data()), &offset, header.fillCount,
		        Kit::Native_Platform_Sign);
	}
	return heads;
}

// Reads the definition block into 'block' (fideSize bytes of BMAllocatePtr memory), in the
// running platform's order and, for old versions, rebuilt in the current form; the heads
// then name their definitions in the rebuilt block.
void FileReader::ReadFillDefinitions(std::vector<UFIL>& heads, char*& block, UInt32& fideSize) {
	const Int32 v = header.version;
	ReadBytes(block, fideSize, "msiz.mfide read error!");
	if (Foreign() && fideSize > 0) {
		Int32 offset = 0;
		if (IV_FIDE(options.platform, block, &offset, header.fideSize, v, Kit::Native_Platform_Sign) != 0)
			Fail("msiz.mfide read error!");
	}
	const auto count = static_cast<Int32>(heads.size());
	if (v == 4008 && FCAdjustFill455(count, heads.data(), &fideSize, &block) != 0) Fail("FCAdjustFill455 error!");
	if (v > 4008 && v < 4017 && FCAdjustFill510(count, heads.data(), &fideSize, &block) != 0)
		Fail("FCAdjustFill510 () error!");
	CheckFillHeads(heads, fideSize);
}

// Version 4008 without merging: the heads and definitions rebuilt in the current form are
// added fill by fill; the materials of form 455 are appended.
void FileReader::ReadOldFillsAndMaterials() {
	std::vector<UFIL> heads = ReadFillHeads();
	attrs.ReadMaterial455(ch, options.platform, static_cast<UInt32>(header.materialCount));
	auto fideSize = static_cast<UInt32>(header.fideSize);
	FillBlock block(fideSize);
	ReadFillDefinitions(heads, block.Get(), fideSize);
	for (const UFIL& head : heads)
		AddFill(head, head.defStart > 0 ? block.Get() + head.defStart - 1 : nullptr);
}

Int32 FileReader::AddFill(const UFIL& head, const char* definition) {
	return IMAddUfil(&attrs, &head, definition);
}

Int16 FileReader::InsertMaterial(UMAT& material) {
	return IMInsertUmat(&attrs, &material);
}

// Fill heads, materials and fill definitions are read into tables of their own, old
// definition forms are rebuilt in the current one, and the import functions merge them
// into the store and give the fill and material maps.
void FileReader::ReadAdjustedAttributes() {
	const Kit::PlatformSign sign = options.platform;
	const Int32 v = header.version;
	Int32 fillCount = header.fillCount;
	Int32 materialCount = header.materialCount;

	std::vector<UFIL> heads = ReadFillHeads();

	std::vector<UMAT> materials(static_cast<USize>(materialCount));
	if (v == 4008) {
		std::vector<UMAT_455> old(materials.size());
		ReadBytes(old.data(), old.size() * sizeof(UMAT_455), "UMAT read error!");
		if (Foreign()) {
			Int32 offset = 0;
			IV_UMAT_455(sign, reinterpret_cast<char*>(old.data()), &offset, materialCount, Kit::Native_Platform_Sign);
		}
		for (USize m = 0; m < old.size(); ++m)
			FCUmatFromUmat455(&materials[m], &old[m]);
	} else {
		const Kit::PlatformSign previous = ch.GetProtocol();
		IO::SetPlatformIProtocol(ch, sign);
		for (UMAT& material : materials) {
			if (material.Read(ch, v) != 0) {
				IO::SetPlatformIProtocol(ch, previous);
				throw Kit::RunTimeErrorException("UMAT::Read failed", "Model3D/FL", __LINE__);
			}
		}
		IO::SetPlatformIProtocol(ch, previous);
	}
	if (v < 4026) {
		for (UMAT& material : materials) {
			if (material.textureIdx > 0) --material.textureIdx;
		}
	}

	auto fideSize = static_cast<UInt32>(header.fideSize);
	FillBlock block(fideSize);
	ReadFillDefinitions(heads, block.Get(), fideSize);

	const Int16 mode = options.materialMode;
	Int16 defaultFill = 0;
	if (options.defaultMaterial >= 1 && static_cast<UInt32>(options.defaultMaterial) <= attrs.GetMaterialCount())
		defaultFill = attrs.GetConstMaterialPtr(static_cast<UInt32>(options.defaultMaterial))->fillRef;
	std::vector<Int16> fillMap(static_cast<USize>(std::max(fillCount, 1)), 0);
	IMAdjustUfilsInBinary(&attrs, mode, &fillCount, fillMap.data(), defaultFill, heads.data(), block.Get());

	materialMap.assign(static_cast<USize>(std::max(materialCount, 1)), 0);
	Int32 textureCount = header.textureCount;
	IMAdjustUmatsInBinary(&attrs, mode, &materialCount, materialMap.data(), materials.data(), options.defaultMaterial,
	                      &fillCount, fillMap.data(), &textureCount, textureMap.data());
}

} // namespace Modeler::ModelFile
