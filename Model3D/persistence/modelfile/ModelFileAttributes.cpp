// The model-file reader: light sources, textures, fills, materials and fill definitions,
// the texture pixels and the light parameter section of 4022–4024; and the final pass
// that moves the bodies' attribute indices into the store's numbering.
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/LightConversion.h"
#include "Model3D/persistence/conversion/TextureConversion.h"
#include "Model3D/persistence/modelfile/detail/ModelFileReading.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"
#include "platform/Parx.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace Modeler::ModelFile {

namespace {

constexpr Int32 AttributeWarning = 47;

[[noreturn]] void Fail(const char* message) {
	throw Kit::InternalErrorException(message, __FILE__, __LINE__);
}

// Old fixed light forms into lights.
template <typename Old, typename Swap, typename Convert>
void ReadOldLights(FileReader& reader, Kit::IChannel& ch, Kit::PlatformSign sign, Int32 count, Kit::Array<LGHT>& lights,
                   Swap swap, Convert convert, const char* readMessage) {
	std::vector<Old> records(static_cast<USize>(count));
	const UInt64 bytes = records.size() * sizeof(Old);
	if (bytes > ch.GetAvailable() || ch.ReadBin(records.data(), bytes) != 0) Fail(readMessage);
	if (Kit::NeedsSwap(sign, Kit::Native_Platform_Sign)) {
		Int32 offset = 0;
		swap(sign, reinterpret_cast<char*>(records.data()), &offset, count, Kit::Native_Platform_Sign);
	}
	(void)reader;
	for (const Old& record : records) {
		LGHT light;
		convert(&light, &record);
		lights.Push(light);
	}
}

// The texture record at 'p' of the version's form (running platform's order) as a
// current RTXT, going up the chain 700 → 900 → 130 → current.
RTXT CurrentTexture(const char* p, Int32 version) {
	RTXT_700 t700{};
	RTXT_900 t900{};
	RTXT_130 t130{};
	RTXT texture{};
	if (version <= 4020) {
		std::memcpy(&t700, p, sizeof t700);
		FCRTXT900FromRTXT700(&t900, &t700);
	} else if (version <= 4027) {
		std::memcpy(&t900, p, sizeof t900);
	}
	if (version <= 4027) {
		FCRTXT130FromRTXT900(&t130, &t900);
	} else if (version <= 4030) {
		std::memcpy(&t130, p, sizeof t130);
	}
	if (version <= 4030) {
		FCRTXTFromRTXT130(&texture, &t130);
	} else {
		std::memcpy(&texture, p, sizeof texture);
		texture.pixels = nullptr;
	}
	return texture;
}

const char* TextureFormName(Int32 version) {
	if (version <= 4020) return "RTXT_700";
	if (version <= 4027) return "RTXT_900";
	return version <= 4030 ? "RTXT_130" : "RTXT";
}

void SwapTextures(Kit::PlatformSign from, char* raw, Int32 count, Int32 version) {
	Int32 offset = 0;
	const Kit::PlatformSign to = Kit::Native_Platform_Sign;
	if (version <= 4020)
		IV_RTXT_700(from, raw, &offset, count, to);
	else if (version <= 4027)
		IV_RTXT_900(from, raw, &offset, count, to);
	else if (version <= 4030)
		IV_RTXT_130(from, raw, &offset, count, to);
	else
		IV_RTXT(from, raw, &offset, count, to);
}

} // namespace

void FileReader::ReadLights() {
	const Int32 n = header.lightCount;
	const Int32 v = header.version;
	if (n == 0) return;
	if (v == 4008) {
		ReadOldLights<LGHT_455>(*this, ch, options.platform, n, lights, IV_LGHT_455, FCLghtFromLght455,
		                        "Modeler::Model3DOnlyModifier::ReadLightSource455: Kit::IChannel::ReadBin failed");
		return;
	}
	if (v <= 4021) {
		ReadOldLights<LGHT_700>(*this, ch, options.platform, n, lights, IV_LGHT_700, FCLghtFromLght700,
		                        "ReadLightSource700: Kit::IChannel::ReadBin failed");
		return;
	}
	const Kit::PlatformSign previous = ch.GetProtocol();
	for (Int32 i = 0; i < n; ++i) {
		lights.Push(LGHT());
		IO::SetPlatformIProtocol(ch, options.platform);
		const Int32 result = lights[lights.GetSize() - 1].Read(ch, v);
		IO::SetPlatformIProtocol(ch, previous);
		if (result != 0) throw Kit::RunTimeErrorException("LGHT::Read failed", "Model3D/FL", __LINE__);
	}
}

// A texture of the file joins the store without pixels; those come from the pixel section.
void FileReader::AddTexture(const RTXT& read, Int32 slot, UInt32 storeTexturesBefore) {
	const Kit::UniString name(read.textureName);
	const Int16 index = IMstRtxt(&attrs, read.xSize, read.ySize, read.pixelWidth, read.pixelHeight, &name, nullptr, 0,
	                             static_cast<UInt16>(read.status | RTXTPixelsNotLoaded));
	textureMap[static_cast<USize>(slot)] = index;
	// Only a texture that this read added may receive pixels.
	addedTextures[static_cast<USize>(slot)] = static_cast<UInt32>(index) > storeTexturesBefore ? index : 0;
}

void FileReader::ReadTextures() {
	const Int32 v = header.version;
	const std::string form = TextureFormName(v);
	if (skipTexture) Skip(static_cast<UInt64>(sizes.texture), (form + " skip error!").c_str());
	const Int32 n = header.textureCount;
	if (n == 0) return;
	std::vector<char> raw(static_cast<USize>(n) * static_cast<USize>(sizes.texture));
	ReadBytes(raw.data(), raw.size(), (form + " read error!").c_str());
	if (Foreign()) SwapTextures(options.platform, raw.data(), n, v);
	const UInt32 before = attrs.GetTextureCount();
	for (Int32 t = 0; t < n; ++t) {
		RTXT texture = CurrentTexture(raw.data() + static_cast<USize>(t) * static_cast<USize>(sizes.texture), v);
		texture.textureName[std::size(texture.textureName) - 1] = 0;
		AddTexture(texture, t, before);
	}
}

// Files up to 4002: materials of form 41 and nothing else.
void FileReader::ReadOldMaterials() {
	const Int32 n = header.materialCount;
	if (!options.readSurfaces) {
		Skip(UInt64(static_cast<UInt32>(n)) * UMAT_41_Size, "Read error!");
		return;
	}
	if (options.materialMode == 0) {
		Skip(UInt64(static_cast<UInt32>(n)) * UMAT_41_Size, "Read error!");
		materialMap.assign(static_cast<USize>(std::max(n, 1)), options.defaultMaterial);
		return;
	}
	std::vector<UMAT_41> records(static_cast<USize>(n));
	ReadBytes(records.data(), records.size() * sizeof(UMAT_41), "UMAT read error!");
	if (options.materialMode != 1) return;
	if (Foreign()) {
		Int32 offset = 0;
		IV_UMAT_41(options.platform, reinterpret_cast<char*>(records.data()), &offset, n, Kit::Native_Platform_Sign);
	}
	materialMap.assign(static_cast<USize>(std::max(n, 1)), 0);
	if (n == 0) materialMap[0] = attrs.GetMaterialCount() > 0 ? 1 : 0;
	for (Int32 k = 0; k < n; ++k) {
		UMAT material;
		FCUmatFromUmat41(&material, &records[static_cast<USize>(k)]);
		materialMap[static_cast<USize>(k)] = InsertMaterial(material);
	}
}

void FileReader::ReadAppendedAttributes() {
	const Int32 v = header.version;
	const Kit::PlatformSign sign = options.platform;
	const auto fills = static_cast<UInt32>(header.fillCount);
	const auto materials = static_cast<UInt32>(header.materialCount);
	const auto fideSize = static_cast<UInt32>(header.fideSize);
	if (!options.readSurfaces) {
		Skip(UInt64(fills) * UFIL_Size, "UFIL read error!");
		SkipMaterials(materials);
		Skip(fideSize, "msiz.mfide read error!");
		return;
	}
	if (v == 4008) {
		ReadOldFillsAndMaterials();
		return;
	}
	attrs.ReadFill(ch, sign, fills);
	const UInt32 before = attrs.GetMaterialCount();
	attrs.ReadMaterial(ch, v, sign, before + 1, materials);
	if (v < 4026) {
		for (UInt32 m = before + 1; m <= attrs.GetMaterialCount(); ++m) {
			UMAT* material = attrs.GetMaterialPtr(m);
			if (material->textureIdx > 0) --material->textureIdx;
		}
	}
	attrs.ReadFillDescriptor(ch, sign, fideSize, v);
}

// Materials whose records are not kept: each is read to find where the next one starts.
void FileReader::SkipMaterials(UInt32 n) {
	const Kit::PlatformSign previous = ch.GetProtocol();
	IO::SetPlatformIProtocol(ch, options.platform);
	for (UInt32 m = 0; m < n; ++m) {
		UMAT material;
		if (header.version == 4008 ? ch.Skip(UMAT_455_Size) != 0 : material.Read(ch, header.version) != 0) {
			IO::SetPlatformIProtocol(ch, previous);
			Fail("UMAT read error!");
		}
	}
	IO::SetPlatformIProtocol(ch, previous);
}

void FileReader::ReadAttributes() {
	try {
		if (header.version <= 4002) {
			ReadOldMaterials();
			return;
		}
		ReadLights();
		ReadTextures();
		if (options.adjustAttributes)
			ReadAdjustedAttributes();
		else
			ReadAppendedAttributes();
	} catch (const Kit::RootException&) {
		Report(AttributeWarning);
		throw;
	}
}

void FileReader::FinishBodies() {
	const auto fileMaterials = static_cast<USize>(header.materialCount);
	const auto fileTextures = static_cast<USize>(header.textureCount);
	const auto material = [&](Int32 m) {
		return m >= 1 && static_cast<USize>(m - 1) < fileMaterials ? materialMap[static_cast<USize>(m - 1)]
		                                                           : materialMap[0];
	};
	for (const Kit::SharedPtr<CandidateBody>& body : bodies) {
		if (options.edgePen > 0) {
			body->SetEdgePenIdx(options.edgePen);
			for (UInt32 e = 0; e < body->GetEdgeCount(); ++e)
				body->GetEdge(static_cast<Int32>(e)).color = options.edgePen;
		}
		if (materialMap.empty()) continue;
		body->SetMaterialIdx(material(body->GetMaterialIdx()));
		for (UInt32 p = 0; p < body->GetPolygonCount(); ++p) {
			PGON& pgon = body->GetPolygon(static_cast<Int32>(p));
			pgon.iumat = material(pgon.iumat);
			if (pgon.irtxt > 0 && static_cast<USize>(pgon.irtxt - 1) < fileTextures)
				pgon.irtxt = textureMap[static_cast<USize>(pgon.irtxt - 1)];
		}
	}
}

void FileReader::ReadTexturePixels() {
	if (header.version <= 4003) return;
	try {
		for (Int32 t = 0; t < header.textureCount; ++t) {
			const Int32 n = ReadInt32("Read error!");
			if (n < 0) Fail("The model file's texture pixel count is negative");
			const Int32 index = addedTextures[static_cast<USize>(t)];
			RTXT* texture = index > 0 ? attrs.GetTexturePtr(static_cast<UInt32>(index)) : nullptr;
			Int64 expected = texture != nullptr ? Int64{texture->pixelWidth} * texture->pixelHeight * 4 : -1;
			if (texture != nullptr && (texture->status & RTXTHasSummedArea) != 0) expected *= 5;
			if (texture == nullptr || n == 0 || n != expected) {
				Skip(static_cast<UInt64>(n), "Read error!");
				continue;
			}
			if (static_cast<UInt64>(n) > ch.GetAvailable()) Fail("Read error!");
			GSHandle pixels = BMAllocateHandle(n);
			if (pixels == nullptr) throw Kit::OutOfMemoryException("texture pixels", __FILE__, __LINE__);
			if (ch.ReadBin(*pixels, static_cast<UInt64>(n)) != 0) {
				BMKillHandle(&pixels);
				Fail("Read error!");
			}
			BMKillHandle(&texture->pixels);
			texture->pixels = pixels;
			texture->pixelDepth = 32;
			texture->status = static_cast<UInt16>((texture->status & ~RTXTPixelsNotLoaded) | RTXTResidentPixels);
		}
	} catch (const Kit::RootException&) {
		Report(AttributeWarning);
		throw;
	}
}

void FileReader::ReadLightParameters() {
	const Int32 v = header.version;
	if (v < 4022 || v > 4024) return;
	try {
		const Int32 withParameters = ReadInt32("Read error!");
		const Int32 present = ReadInt32("Read error!");
		std::vector<LGHT*> pending;
		for (UInt32 i = lightsAtEntry; i < lights.GetSize(); ++i) {
			if (lights[i].params.GetEntryNum() != 0) pending.push_back(&lights[i]);
		}
		if (present == 0 || withParameters != static_cast<Int32>(pending.size())) return;
		const Int32 swapMode = v > 4022 ? 21 : 18;
		for (LGHT* light : pending) {
			light->params.Clear();
			const Int32 n = ReadInt32("Read error!");
			if (n < 0 || static_cast<UInt64>(n) > ch.GetAvailable()) Fail("The light parameters run past the file");
			GSHandle handle = BMAllocateHandle(n);
			if (handle == nullptr) throw Kit::OutOfMemoryException("light parameters", __FILE__, __LINE__);
			try {
				if (n > 0 && ch.ReadBin(*handle, static_cast<UInt64>(n)) != 0) Fail("Read error!");
				if (Foreign() && SwapVarHdl(options.platform, handle, swapMode, Kit::Native_Platform_Sign) != 0)
					Fail("The light parameters cannot be converted");
				if (ConvertOldsParam_To_NewParam(handle, 0, 0, 0x12 | (v > 4022 ? 1 : 0)) != 0)
					Fail("The light parameters cannot be converted");
				light->params.ReadFromAddParHandle(handle);
			} catch (...) {
				BMKillHandle(&handle);
				throw;
			}
			BMKillHandle(&handle);
		}
	} catch (const Kit::InternalErrorException&) {
		Report(AttributeWarning);
		throw;
	} catch (const Kit::RootException& e) {
		Report(AttributeWarning);
		throw Kit::InternalErrorException("The light parameters cannot be read", __FILE__, __LINE__, e);
	}
}

} // namespace Modeler::ModelFile
