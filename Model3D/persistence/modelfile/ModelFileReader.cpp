// The model-file reader: its entry points, the size header and the channel helpers.
#include "Model3D/persistence/modelfile/ModelFileReader.h"

#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/modelfile/detail/ModelFileReading.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <algorithm>
#include <cstring>

namespace Modeler {

namespace ModelFile {

namespace {

constexpr Int32 VersionWarning = 44;
constexpr Int32 CapacityWarning = 45;

[[noreturn]] void Fail(const char* message) {
	throw Kit::InternalErrorException(message, __FILE__, __LINE__);
}

bool Between(Int32 v, Int32 low, Int32 high) {
	return v >= low && v <= high;
}

// The store's table counts, to cut it back to after a failed read.
struct StoreCounts {
	UInt32 materials, fills, fillDescriptors, textures, textureAttributes;

	explicit StoreCounts(const Attributes::Viewer& a)
	    : materials(a.GetMaterialCount()), fills(a.GetFillCount()), fillDescriptors(a.GetFillDescriptorCount()),
	      textures(a.GetTextureCount()), textureAttributes(a.GetTextureAttributeCount()) {}

	// Never throws: a failure here must not hide the reader's own.
	void Restore(Attributes::Modifier& a) const noexcept {
		try {
			a.TruncateMaterialCount(std::min(materials, a.GetMaterialCount()));
			a.TruncateFillCount(std::min(fills, a.GetFillCount()));
			a.TruncateFillDescriptorCount(std::min(fillDescriptors, a.GetFillDescriptorCount()));
			a.TruncateTextureCount(std::min(textures, a.GetTextureCount()));
			a.TruncateTextureAttributesCount(std::min(textureAttributes, a.GetTextureAttributeCount()));
		} catch (...) {
		}
	}
};

} // namespace

RecordSizes RecordSizesOf(Int32 v) {
	RecordSizes s{};
	s.body = v <= 4002 ? 76 : v <= 4012 ? 76 : v <= 4017 ? 124 : v == 4018 ? 128 : v <= 4026 ? 136 : 140;
	s.tran = v > 4011 ? 104 : 0;
	s.pgon = v <= 4002 ? 24 : v <= 4014 ? 28 : v <= 4030 ? 32 : 40;
	s.pedg = 4;
	s.edge = v < 4015 ? 20 : 24;
	s.vert = v < 4011 ? 12 : 24;
	s.vect = v < 4012 ? 12 : 24;
	s.teve = v > 4011 ? 8 : 0;
	s.bext = Between(v, 4008, 4012) ? 36 : 0;
	// Lights and materials of the stream forms: their smallest records.
	s.light = v <= 4002 ? 0 : v == 4008 ? 60 : v <= 4021 ? 64 : v <= 4027 ? 68 : v <= 4031 ? 80 : 60;
	s.texture = v <= 4002 ? 0 : v <= 4027 ? 60 : v <= 4030 ? 540 : 544;
	s.fill = v <= 4002 ? 0 : 44;
	s.material = v <= 4002 ? 36 : v == 4008 ? 70 : v <= 4031 ? 100 : 96;
	return s;
}

FileReader::FileReader(Kit::IChannel& ch, Kit::Array<LGHT>& lights, Attributes::Modifier& attrs,
                       const ReadOptions& options)
    : ch(ch), lights(lights), attrs(attrs), options(options), lightsAtEntry(lights.GetSize()) {
	this->options.materialMode = std::clamp<Int16>(options.materialMode, 0, 3);
}

void FileReader::ReadBytes(void* destination, UInt64 n, const char* message) {
	if (n > ch.GetAvailable() || ch.ReadBin(destination, n) != 0) Fail(message);
}

void FileReader::Skip(UInt64 n, const char* message) {
	if (n > ch.GetAvailable() || ch.Skip(n) != 0) Fail(message);
}

Int32 FileReader::ReadInt32(const char* message) {
	Int32 value = 0;
	ReadBytes(&value, sizeof value, message);
	IVLong(options.platform, Kit::Native_Platform_Sign, &value);
	return value;
}

void FileReader::Report(Int32 code) const {
	if (options.onlyBody != 0)
		OUError(code);
	else
		OUWarning(code);
}

void FileReader::CheckInputStatus() const {
	if (ch.GetInputStatus() != 0) Fail("InputStatus error!");
}

void FileReader::CheckVersion() const {
	const Int32 v = header.version;
	if (v > MSIZE_VERSION) {
		OUWarning(VersionWarning);
		Fail("Invalid version! (> MSIZE_VERSION)");
	}
	if (Between(v, 4003, 4007) || Between(v, 4009, 4011)) {
		OUWarning(VersionWarning);
		Fail("Invalid version! (>= 4003 && < 4008 || >=4009 && < 4012)");
	}
	if (v < 0) {
		OUWarning(VersionWarning);
		Fail("Invalid version! (negative)");
	}
}

// Every count is checked against the bytes the channel still holds before any room is
// taken for it, so that a forged header fails here instead of asking for gigabytes.
void FileReader::CheckCountsFit() const {
	const Int32 counts[] = {header.bodyCount,    header.pgonCount, header.pedgCount,     header.edgeCount,
	                        header.vertCount,    header.vectCount, header.bextCount,     header.lightCount,
	                        header.textureCount, header.fillCount, header.materialCount, header.fideSize,
	                        header.tranCount,    header.teveCount};
	for (const Int32 n : counts) {
		if (n < 0) Fail("The model file's header has a negative count");
	}
	const auto bytes = [](Int32 count, Int32 size) { return UInt64(static_cast<UInt32>(count)) * UInt32(size); };
	const UInt64 needed = bytes(header.bodyCount, sizes.body) + bytes(header.tranCount, sizes.tran) +
	                      bytes(header.pgonCount, sizes.pgon) + bytes(header.pedgCount, sizes.pedg) +
	                      bytes(header.edgeCount, sizes.edge) + bytes(header.vertCount, sizes.vert) +
	                      bytes(header.vectCount, sizes.vect) + bytes(header.teveCount, sizes.teve) +
	                      bytes(header.bextCount, sizes.bext) + bytes(header.lightCount, sizes.light) +
	                      bytes(header.textureCount + (skipTexture ? 1 : 0), sizes.texture) +
	                      bytes(header.fillCount, sizes.fill) + bytes(header.materialCount, sizes.material) +
	                      bytes(header.fideSize, 1);
	if (needed > ch.GetAvailable()) Fail("The model file is shorter than its header says");
}

void FileReader::ReserveStore() {
	try {
		attrs.GrowTextureCapacity(attrs.GetTextureCount() + static_cast<UInt32>(header.textureCount));
		attrs.GrowTextureAttributesCapacity(attrs.GetTextureAttributeCount() +
		                                    static_cast<UInt32>(header.textureCount));
		if (options.readSurfaces) {
			attrs.GrowFillCapacity(attrs.GetFillCount() + static_cast<UInt32>(header.fillCount));
			attrs.GrowMaterialCapacity(attrs.GetMaterialCount() + static_cast<UInt32>(header.materialCount));
			attrs.GrowFillDescriptorCapacity(attrs.GetFillDescriptorCount() + static_cast<UInt32>(header.fideSize));
		}
	} catch (const Kit::RootException&) {
		Report(CapacityWarning);
		throw;
	}
}

void FileReader::ReadHeader() {
	char raw[sizeof(MSIZ)] = {};
	ReadBytes(raw, sizeof(Int32), "Read error!");
	auto version = LoadUnaligned<Int32>(raw);
	IVLong(options.platform, Kit::Native_Platform_Sign, &version);
	if (options.onlyBody != 0 && (version < 4012 || version == 4030)) {
		if (version == 4030)
			OUWarning(VersionWarning);
		else
			OUError(VersionWarning);
		Fail("Wrong version!");
	}
	if (version == 4030) {
		OUWarning(VersionWarning);
		Fail("Invalid version! (4030)");
	}
	ReadBytes(raw + sizeof(Int32), static_cast<UInt64>(MsizBytes(version)) - sizeof(Int32), "Read error!");
	Int32 offset = 0;
	IV_MSIZ(options.platform, raw, &offset, Kit::Native_Platform_Sign);
	std::memcpy(&header, raw, sizeof header);
	header.version = version;

	if (options.skipFirstTexture && version <= 4025 && header.textureCount > 0) {
		skipTexture = true;
		--header.textureCount;
	}
	if (version < 4008) header.bextCount = header.fideSize = 0;
	if (version < 4014) header.tranCount = 0;
	if (version < 4016) header.teveCount = header.reserved2 = 0;
	if (version <= 4002) header.lightCount = header.textureCount = header.fillCount = 0;
	if (!Between(version, 4008, 4012)) header.bextCount = 0;

	CheckVersion();
	sizes = RecordSizesOf(version);
	CheckCountsFit();
	ReserveStore();
	textureMap.assign(static_cast<USize>(header.textureCount) + 1, 0);
	addedTextures.assign(static_cast<USize>(header.textureCount), 0);
}

void FileReader::NormalizeBodies() {
	for (const Kit::SharedPtr<CandidateBody>& body : bodies) {
		if (body == nullptr) continue;
		if (!options.readSurfaces) body->MakeWireOnly();
		const Int16 type = body->GetShapeType();
		if (type == 30600) body->SetShapeType(30900);
		if (type == 30500 || type == 30700) {
			body->SetShapeType(30900);
			body->SetStatus(BodyDeleted);
		}
	}
}

// Reads a file with the given options; on failure the lights and the store go back to
// what they held and 'bodies' is left as it was.
void ReadFile(Kit::IChannel& ch, BodyArray& bodies, Kit::Array<LGHT>& lights, Attributes::Modifier& attrs,
              const ReadOptions& options) {
	const UInt32 lightCount = lights.GetSize();
	const StoreCounts storeCounts(attrs);
	FileReader reader(ch, lights, attrs, options);
	try {
		reader.ReadHeader();
		reader.ReadBodies();
		reader.ReadAttributes();
		reader.FinishBodies();
		reader.ReadTexturePixels();
		reader.ReadLightParameters();
		reader.CheckInputStatus();
		reader.NormalizeBodies();
	} catch (...) {
		if (lights.GetSize() > lightCount) lights.SetSize(lightCount);
		storeCounts.Restore(attrs);
		throw;
	}
	if (!reader.Bodies().empty()) bodies = std::move(reader.Bodies());
}

} // namespace ModelFile

void FLReadModel(Kit::IChannel& ch, Kit::Array<Kit::SharedPtr<CandidateBody>>& bodies, Kit::Array<LGHT>& lights,
                 Attributes::Modifier& attrs, Kit::PlatformSign sourcePlatform, bool adjustAttributes,
                 Int16 materialMode, Int16 readSurfaces, Int16 edgePen, Int16 defaultMaterial, bool skipFirstTexture) {
	ModelFile::ReadOptions options;
	options.platform = sourcePlatform;
	options.adjustAttributes = adjustAttributes && readSurfaces != 0;
	options.materialMode = materialMode;
	options.readSurfaces = readSurfaces != 0;
	options.edgePen = edgePen;
	options.defaultMaterial = defaultMaterial;
	options.skipFirstTexture = skipFirstTexture;
	ModelFile::ReadFile(ch, bodies, lights, attrs, options);
}

void FLRead1Body(Kit::IChannel& ch, Kit::Array<Kit::SharedPtr<CandidateBody>>& bodies, Kit::Array<LGHT>& lights,
                 Attributes::Modifier& attrs, Kit::PlatformSign sourcePlatform, Int32 bodyIndex, Int16 materialMode,
                 Int16 readSurfaces, Int16 edgePen, Int16 defaultMaterial) {
	ModelFile::ReadOptions options;
	options.platform = sourcePlatform;
	options.materialMode = materialMode;
	options.readSurfaces = readSurfaces != 0;
	options.edgePen = edgePen;
	options.defaultMaterial = defaultMaterial;
	options.onlyBody = bodyIndex;
	ModelFile::ReadFile(ch, bodies, lights, attrs, options);
}

} // namespace Modeler
