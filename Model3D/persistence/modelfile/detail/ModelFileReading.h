// The model-file reader's steps, shared by FLReadModel and FLRead1Body: the size header
// with its checks, the bodies with their record ranges, the attribute sections, the
// texture pixels and the light parameter section.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/elements/records/LGHT.h"
#include "Model3D/persistence/modelfile/ModelFileLayout.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitShared.h"

#include <vector>

namespace Modeler::ModelFile {

struct ReadOptions {
	Kit::PlatformSign platform = Kit::Native_Platform_Sign;
	bool adjustAttributes = false;
	Int16 materialMode = 0; // clamped to 0..3
	bool readSurfaces = true;
	Int16 edgePen = 0;
	Int16 defaultMaterial = 0;
	bool skipFirstTexture = false;
	Int32 onlyBody = 0; // FLRead1Body: the body to keep, from 1; 0 keeps every body
};

// Bytes of the fixed records of one version; 0 where the version has no such section.
struct RecordSizes {
	Int32 body, tran, pgon, pedg, edge, vert, vect, teve, bext, light, texture, fill, material;
};
RecordSizes RecordSizesOf(Int32 version);

// What a BODY record says about its records, in file numbering (from 1).
struct BodyRanges {
	Int32 fvert, lvert, fteve, fedge, ledge, fpedg, lpedg, fvect, lvect, fpgon, lpgon, itran;
	Int32 shared; // the body whose polygons it takes, from 1; 0 = none
};

using BodyArray = Kit::Array<Kit::SharedPtr<CandidateBody>>;

class FileReader {
public:
	FileReader(Kit::IChannel& ch, Kit::Array<LGHT>& lights, Attributes::Modifier& attrs, const ReadOptions& options);

	// Reads and checks the size header and reserves the store's room.
	void ReadHeader();
	// The bodies with their records, transformations and extensions.
	void ReadBodies();
	// Lights, textures, fills, materials and fill definitions, with the index maps.
	void ReadAttributes();
	// Pens, material and texture indices of the bodies.
	void FinishBodies();
	void ReadTexturePixels();
	void ReadLightParameters();
	// Wire-only bodies without surfaces, shape types of old files.
	void NormalizeBodies();

	Int32 Version() const { return header.version; }
	BodyArray& Bodies() { return bodies; }

	// Throws "InputStatus error!" when the channel has failed.
	void CheckInputStatus() const;

private:
	// ---- header ----
	void CheckVersion() const;
	void CheckCountsFit() const;
	void ReserveStore();

	// ---- bodies ----
	void ReadBodyRecords(std::vector<BODY>& records);
	void ResolveSharing(std::vector<BODY>& records);
	void ReadTransformations();
	void ReadSections();
	void ShareRecords();
	void ApplyTransformations();
	void ReadBodyExtensions();
	// Reads the section's records of every body that owns them, skipping the rest.
	template <typename Range, typename Read>
	void ReadSection(const char* name, Int32 count, Int32 recordSize, bool read, Range range, Read readRecords);

	// ---- attributes ----
	void ReadLights();
	void ReadTextures();
	void ReadOldMaterials();
	void ReadAdjustedAttributes();
	void ReadAppendedAttributes();
	// Version 4008 without merging: fill heads and definitions rebuilt in the current
	// form, materials of form 455.
	void ReadOldFillsAndMaterials();
	void SkipMaterials(UInt32 n);
	std::vector<UFIL> ReadFillHeads();
	void ReadFillDefinitions(std::vector<UFIL>& heads, char*& block, UInt32& fideSize);
	void AddTexture(const RTXT& texture, Int32 slot, UInt32 storeTexturesBefore);
	// The store index of an equal material, added when the store has none.
	Int16 InsertMaterial(UMAT& material);
	// Adds a fill and its definition; a failure is logged and answered with fill 1.
	Int32 AddFill(const UFIL& head, const char* definition);

	// Warnings of a whole-file read are errors when one body is read.
	void Report(Int32 code) const;

	// ---- channel ----
	void ReadBytes(void* destination, UInt64 n, const char* message);
	void Skip(UInt64 n, const char* message);
	Int32 ReadInt32(const char* message);
	bool Foreign() const { return Kit::NeedsSwap(options.platform, Kit::Native_Platform_Sign); }

	Kit::IChannel& ch;
	Kit::Array<LGHT>& lights;
	Attributes::Modifier& attrs;
	ReadOptions options;
	MSIZ header{};
	RecordSizes sizes{};
	bool skipTexture = false;

	BodyArray bodies;
	std::vector<BodyRanges> ranges;
	std::vector<TRAN> trafos;

	// Index maps of the file's attributes (file index − 1 → store index); empty when the
	// file's indices stay as they are.
	std::vector<Int16> materialMap;
	std::vector<Int16> textureMap;
	// Store textures added by this read, by file texture (index − 1); 0 = none.
	std::vector<Int32> addedTextures;
	UInt32 lightsAtEntry = 0;
};

} // namespace Modeler::ModelFile
