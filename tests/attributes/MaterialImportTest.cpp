#include "AttributesTestSupport.h"
#include "fixtures/PictureFiles.h"
#include "fixtures/TempDir.h"

#include "Model3D/attributes/environment/AttributeEnvironment.h"
#include "Model3D/attributes/import/HostMaterialValues.h"
#include "Model3D/attributes/import/MaterialImport.h"
#include "platform/ARxAttributes.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/PFPictureFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace AttributesTest;
using namespace TestSupport;
using Modeler::Attributes;

namespace {

// A host material table behind the attribute environment's callbacks.
std::vector<PlanAttr::Material> hostMaterials;

Int16 GetMaterial(ADB::IDType type, Int16 index, ADB::GeneralAttribute** out) {
	if (type != ADB::GetId(IAMaterialTypeCode) || index < 1 || USize(index) > hostMaterials.size()) return -1;
	*out = hostMaterials[USize(index) - 1].Clone();
	return 0;
}
Int16 AddMaterial(ADB::IDType, ADB::GeneralAttribute* attribute, Int32) {
	hostMaterials.push_back(dynamic_cast<PlanAttr::Material&>(*attribute));
	attribute->SetIndex(Int16(hostMaterials.size()));
	return 0;
}
Int16 CountMaterials(ADB::IDType, Int16* count) {
	*count = Int16(hostMaterials.size());
	return 0;
}
Int16 IndexMaterial(ADB::IDType, const Kit::UniString& name, Int16* index) {
	for (USize i = 0; i < hostMaterials.size(); ++i)
		if (hostMaterials[i].GetName() == name) {
			*index = Int16(i + 1);
			return 0;
		}
	return -1;
}
Int16 NameMaterial(ADB::IDType, Int16 index, Kit::UniString* name) {
	if (index < 1 || USize(index) > hostMaterials.size()) return -1;
	*name = hostMaterials[USize(index) - 1].GetName();
	return 0;
}

// The host's environment, pens, fills, library folder and name buffers for one test.
struct HostScope {
	TempDir library;
	HostScope() {
		hostMaterials.clear();
		IASetEnv(nullptr, nullptr, GetMaterial, AddMaterial, CountMaterials, IndexMaterial, NameMaterial, nullptr);
		const Kit_RGBColor pens[] = {
		    {65535, 0, 0}, {0, 65535, 0}, {0, 0, 65535}, {1000, 1000, 1000}, {65535, 0, 13000}};
		ARxSetPenTable(pens, 5);
		PFSetLibraryFolder(IO::Location(library.Path()));
		std::strcpy(gPenMatFormat, "Pen %d");
		std::strcpy(gParxMatFormat, "Material %d");
		std::strcpy(gErrorMatName, "Error");
	}
	~HostScope() {
		IASetEnv(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
		ARxClearAttributeTables();
		PFSetLibraryFolder(IO::Location());
		gPenMatFormat[0] = gParxMatFormat[0] = gErrorMatName[0] = '\0';
	}
};

PlanAttr::Material MakeHostMaterial(const char* name, UInt16 red, const char* texture = nullptr) {
	PlanAttr::Material m;
	m.SetName(Kit::UniString(name));
	m.SetType(4);
	m.SetSurfaceColor(Kit::RGBColor{red, 200, 300});
	IMSetupMater(&m);
	if (texture != nullptr) {
		m.SetTextureName(Kit::UniString(texture));
		m.SetTextureStatus(RTXTOwnProportions);
		m.SetTextureSize(2.0, 1.0);
		m.SetTextureRotation(90.0);
	}
	return m;
}

TEST(MaterialImport, PresetsSetTheLightingOfEachBaseType) {
	struct Row {
		Int16 type;
		Int16 ambient, diffuse, specular, transparency, shininess, transparencyAtt, emissionAtt;
		bool specularIsSurface;
		UInt16 emissionRed;
	};
	const Row rows[] = {
	    {1, 50, 50, 50, 0, 300, 0, 0, true, 0},       {12, 100, 100, 0, 0, 0, 0, 0, false, 0},
	    {23, 100, 0, 100, 0, 1000, 0, 0, true, 0},    {4, 100, 50, 50, 0, 1000, 0, 0, true, 0},
	    {15, 100, 25, 75, 90, 4000, 200, 0, true, 0}, {26, 100, 50, 0, 0, 0, 0, 100, false, 65535},
	    {7, 0, 0, 0, 0, 0, 0, 0, false, 0},           {8, 11, 11, 11, 11, 11, 11, 11, false, 11},
	    {0, 11, 11, 11, 11, 11, 11, 11, false, 11},
	};
	for (const Row& r : rows) {
		PlanAttr::Material m;
		m.SetType(r.type);
		m.SetSurfaceColor(Kit::RGBColor{5, 6, 7});
		m.SetAmbientPc(11), m.SetDiffusePc(11), m.SetSpecularPc(11), m.SetTransparencyPc(11);
		m.SetShininess(11), m.SetTransparencyAtt(11), m.SetEmissionAtt(11);
		m.SetSpecularColor(Kit::RGBColor{11, 11, 11});
		m.SetEmissionColor(Kit::RGBColor{11, 11, 11});
		IMSetupMater(&m);
		EXPECT_EQ(m.GetAmbientPc(), r.ambient) << r.type;
		EXPECT_EQ(m.GetDiffusePc(), r.diffuse) << r.type;
		EXPECT_EQ(m.GetSpecularPc(), r.specular) << r.type;
		EXPECT_EQ(m.GetTransparencyPc(), r.transparency) << r.type;
		EXPECT_EQ(m.GetShininess(), r.shininess) << r.type;
		EXPECT_EQ(m.GetTransparencyAtt(), r.transparencyAtt) << r.type;
		EXPECT_EQ(m.GetEmissionAtt(), r.emissionAtt) << r.type;
		EXPECT_EQ(m.GetEmissionColor().red, r.emissionRed) << r.type;
		const Kit::RGBColor specular = r.ambient == 11       ? Kit::RGBColor{11, 11, 11}
		                               : r.specularIsSurface ? Kit::RGBColor{5, 6, 7}
		                                                     : Kit::RGBColor{};
		EXPECT_EQ(m.GetSpecularColor(), specular) << r.type;
	}
}

TEST(MaterialImport, PensBecomeLightenedMaterialsAndColoursFindTheirPen) {
	HostScope host;
	UMAT u;
	IMPenToUMAT(5, &u);
	EXPECT_STREQ(u.name, "Pen 5");
	EXPECT_EQ(u.surfaceColor, (Kit::RGBColor{55370, 10000, 19000}));
	EXPECT_EQ(u.materialType, 2);
	EXPECT_EQ(u.ambientPc, 100);
	EXPECT_EQ(u.diffusePc, 100);
	EXPECT_EQ(u.hostMaterialIdx, -5);
	std::strcpy(gPenMatFormat, "%s pen"); // a format that does not take one integer
	IMPenToUMAT(3, &u);
	EXPECT_STREQ(u.name, "3");

	const Kit_RGBColor probes[] = {{65000, 100, 0}, {500, 500, 500}, {0, 0, 0}, {32768, 32768, 0}};
	const Int16 expected[] = {1, 4, 4, 4};
	for (USize i = 0; i < std::size(probes); ++i)
		EXPECT_EQ(IMSearchSimilar(&probes[i]), expected[i]) << i;
	const float blue[3] = {0.0f, 0.1f, 2.0f};
	EXPECT_EQ(IARGBfloat2Pen(blue), 3);
	// Equal distance to both pens: the lower wins.
	const Kit_RGBColor blackAndWhite[] = {{0, 0, 0}, {65534, 65534, 65534}};
	ARxSetPenTable(blackAndWhite, 2);
	const float grey[3] = {0.5f, 0.5f, 0.5f};
	EXPECT_EQ(IARGBfloat2Pen(grey), 1);
	const Kit_RGBColor middle{32767, 32767, 32767};
	EXPECT_EQ(IMSearchSimilar(&middle), 1);
	ARxSetPenTable(nullptr, 0);
	EXPECT_EQ(IMSearchSimilar(&probes[0]), 0);
}

TEST(MaterialImport, EachHostMaterialPenAndFillIsStoredOnce) {
	HostScope host;
	WriteFile(host.library.Path() / "Brick.png", EncodePng(MakeRampPicture(30, 20), PngKind::Rgb));
	hostMaterials = {MakeHostMaterial("Brick", 100, "Brick"), MakeHostMaterial("Wall", 200, "Brick"),
	                 MakeHostMaterial("Glass", 300, "Missing")};
	Attributes::Modifier m(Attributes::New());

	Int16 results[8] = {};
	IMgl2loc(&m, 2, 1, &results[0]);
	IMgl2loc(&m, 2, 1, &results[1]);      // the same host material
	IMgl2loc(&m, 2, 2, &results[2]);      // another, with the same texture
	IMgl2loc(&m, 5, 0, &results[3]);      // pen 5
	IMgl2loc(&m, 5, 0, &results[4]);      // pen 5 again
	IMgl2loc(&m, 1, -32005, &results[5]); // pen 5 by its material code
	IMgl2loc(&m, 5, 9, &results[6]);      // no host material 9: pen 5's material
	IMgl2loc(&m, 1, -7, &results[7]);     // already a store index
	EXPECT_EQ(std::vector<Int16>(results, results + 8), (std::vector<Int16>{1, 1, 2, 3, 3, 3, 3, 7}));
	EXPECT_EQ(m.GetMaterialCount(), 3u);
	// Both textured materials share one texture, sized from the picture file.
	ASSERT_EQ(m.GetTextureCount(), 1u);
	EXPECT_EQ(m.GetConstMaterialPtr(1)->textureIdx, 1);
	EXPECT_EQ(m.GetConstMaterialPtr(2)->textureIdx, 1);
	EXPECT_NEAR(m.GetConstMaterialPtr(1)->textureCos, 0.0f, 1e-6f);
	EXPECT_NEAR(m.GetConstMaterialPtr(1)->textureSin, 1.0f, 1e-6f);
	const RTXT& texture = *m.GetConstTexturePtr(1);
	EXPECT_EQ(texture.pixelWidth, 30);
	EXPECT_EQ(texture.pixelHeight, 20);
	EXPECT_EQ(texture.status, RTXTOwnProportions | RTXTPixelsNotLoaded);
	EXPECT_EQ(m.LoadAllTexturesPixels(Modeler::LoadPixelsOnly), 30 * 20 * 4);

	// A texture that cannot be found gives a material without one.
	Int16 glass = 0;
	IMgl2loc(&m, 1, 3, &glass);
	EXPECT_EQ(m.GetConstMaterialPtr(UInt32(glass))->textureIdx, 0);
	// Inserting a host material equal to a stored one finds it, with texture and all.
	EXPECT_EQ(IMInsertintoUmat(&m, 1, -1, &hostMaterials[0]), 1);
	PlanAttr::Material turned = hostMaterials[0];
	turned.SetTextureRotation(45.0);
	const Int16 turnedIndex = IMInsertintoUmat(&m, 1, -1, &turned);
	EXPECT_EQ(turnedIndex, Int16(m.GetMaterialCount()));
	EXPECT_EQ(m.GetConstMaterialPtr(UInt32(turnedIndex))->textureIdx, 1);
	EXPECT_EQ(IMInsertintoUmat(&m, -1, -1, &turned), IMRefusedErr);

	// Fills: the same host fill twice, then a differently named one.
	PlanAttr::Fill solid;
	solid.SetName(Kit::UniString("Solid"));
	solid.SetType(PlanAttr::PlainFill);
	PlanAttr::Fill other = solid;
	other.SetName(Kit::UniString("Other"));
	EXPECT_EQ(IMInsertintoUfil(&m, 4, &solid), 1);
	EXPECT_EQ(IMInsertintoUfil(&m, 4, &solid), 1);
	EXPECT_EQ(IMInsertintoUfil(&m, 4, &other), 2);
	EXPECT_EQ(IMInsertintoUfil(&m, -1, &other), IMRefusedErr);
	EXPECT_EQ(m.GetConstFillPtr(1)->hostFillIdx, 4);
}

TEST(MaterialImport, FileMaterialsMergeOrMapAsTheModeSays) {
	HostScope host;
	hostMaterials = {MakeHostMaterial("Oak", 10)};
	Attributes::Modifier m(Attributes::New());
	UMAT existing;
	existing.SetName("Existing");
	m.AddMaterial(existing);

	std::vector<UMAT> file(5);
	file[0].SetName("Same");
	file[0].hostMaterialIdx = 3;
	file[1] = file[0]; // identical contents: merges in mode 1
	file[2].SetName("Oak");
	file[2].fillRef = -3;
	file[3].SetName("");
	file[3].fillRef = -2;
	file[3].textureIdx = 2;
	file[4].SetName("Unknown");
	file[4].textureIdx = 9;
	const Int16 fillMap[] = {7, 8, 9};
	const Int16 textureMap[] = {4, 5};

	struct Case {
		Int16 mode;
		Int32 fillCount;
		std::vector<Int16> map;
		Int16 oakFillRef;
		Int32 added;
	};
	const Case cases[] = {
	    {0, 3, {6, 6, 6, 6, 6}, -3, 0},
	    {1, 3, {2, 2, 3, 4, 5}, -9, 4},
	    {2, 2, {6, 6, 2, 6, 6}, 0, 1},
	    {3, 3, {2, 2, 3, 4, 5}, -9, 4},
	};
	for (const Case& c : cases) {
		Attributes::Modifier store(Attributes::New());
		store.AddMaterial(existing);
		std::vector<UMAT> materials = file;
		std::vector<Int16> map(5, -99);
		Int32 count = 5;
		Int32 fillCount = c.fillCount;
		Int32 textureCount = 2;
		IMAdjustUmatsInBinary(&store, c.mode, &count, map.data(), materials.data(), 6, &fillCount, fillMap,
		                      &textureCount, textureMap);
		EXPECT_EQ(map, c.map) << "mode " << c.mode;
		EXPECT_EQ(materials[2].fillRef, c.oakFillRef) << "mode " << c.mode;
		EXPECT_EQ(materials[3].textureIdx, 5) << "mode " << c.mode;
		EXPECT_EQ(materials[4].textureIdx, 0) << "mode " << c.mode;
		EXPECT_EQ(count, 5 + c.added) << "mode " << c.mode;
		EXPECT_EQ(store.GetMaterialCount(), 1u + UInt32(c.added)) << "mode " << c.mode;
		if (c.mode == 1) { // a nameless material gets a generated name
			EXPECT_STREQ(store.GetConstMaterialPtr(4)->name, "Material 4");
		}
	}
	// An empty list maps to the first material when the store has one.
	Int16 map[1] = {-99};
	Int32 count = 0, fills = 0, textures = 0;
	IMAdjustUmatsInBinary(&m, 1, &count, map, nullptr, 6, &fills, nullptr, &textures, nullptr);
	EXPECT_EQ(map[0], 1);
	Attributes::Modifier empty(Attributes::New());
	IMAdjustUmatsInBinary(&empty, 1, &count, map, nullptr, 6, &fills, nullptr, &textures, nullptr);
	EXPECT_EQ(map[0], 0);
}

TEST(MaterialImport, FileFillsMergeOrMapAsTheModeSays) {
	HostScope host;
	PlanAttr::Fill hatch;
	hatch.SetName(Kit::UniString("Hatch"));
	hatch.SetType(PlanAttr::PlainFill);
	ARxAddFillAttr(hatch);
	const std::string a = MakeDefinition(60, "Stone", 1);
	const std::string b = MakeDefinition(40, "Hatch", 2);
	const std::string definitions = a + a + b;
	UFIL fills[3] = {MakeUfil("Stone", 60), MakeUfil("Stone", 60), MakeUfil("Hatch", 40)};
	fills[0].defStart = 1;
	fills[1].defStart = 61;
	fills[2].defStart = 121;
	struct Case {
		Int16 mode;
		std::vector<Int16> map;
		Int32 added;
	};
	const Case cases[] = {{0, {4, 4, 4}, 0}, {1, {1, 1, 2}, 2}, {2, {4, 4, 1}, 1}, {3, {1, 1, 2}, 2}};
	for (const Case& c : cases) {
		Attributes::Modifier store(Attributes::New());
		std::vector<Int16> map(3, -99);
		Int32 count = 3;
		IMAdjustUfilsInBinary(&store, c.mode, &count, map.data(), 4, fills, definitions.data());
		EXPECT_EQ(map, c.map) << "mode " << c.mode;
		EXPECT_EQ(count, 3 + c.added) << "mode " << c.mode;
	}
	// A fill whose definition cannot lie in the block takes the default.
	UFIL broken = MakeUfil("Broken", 40);
	broken.defStart = 0;
	Attributes::Modifier store(Attributes::New());
	Int16 map[1] = {-99};
	Int32 count = 1;
	IMAdjustUfilsInBinary(&store, 1, &count, map, 4, &broken, definitions.data());
	EXPECT_EQ(map[0], 4);
}

TEST(AttributeEnvironment, CallbacksAnswerOrTheirAbsenceIsReported) {
	{
		HostScope host;
		hostMaterials = {MakeHostMaterial("Oak", 10), MakeHostMaterial("Pine", 20)};
		EXPECT_EQ(IAnumMaterAttr(), 2);
		EXPECT_EQ(IAindexMaterAttr(Kit::UniString("Pine")), 2);
		EXPECT_EQ(IAindexMaterAttr(Kit::UniString("Elm")), IAMissingErr);
		EXPECT_EQ(IAindexMaterAttr(Kit::UniString()), IAMissingErr);
		Kit::UniString name;
		IAnameMaterAttr(1, name);
		EXPECT_EQ(name, Kit::UniString("Oak"));
		EXPECT_THROW(IAnameMaterAttr(3, name), Kit::InternalErrorException);
		PlanAttr::Material fetched;
		char found = 0;
		IAgetMaterAttr(2, &fetched, &found);
		EXPECT_EQ(found, 1);
		EXPECT_EQ(fetched, hostMaterials[1]);
		IAgetMaterAttr(5, &fetched, &found);
		EXPECT_EQ(found, 0);
		EXPECT_THROW(IAgetMaterAttr(5, &fetched, nullptr), Kit::InternalErrorException);
		EXPECT_THROW(IAgetMaterAttr(1, nullptr, &found), Kit::IllegalArgumentException);
		EXPECT_EQ(IAaddMaterAttr(&fetched), 3);
		EXPECT_EQ(hostMaterials.size(), 3u);
	}
	// Without callbacks.
	EXPECT_EQ(IAnumMaterAttr(), 0);
	EXPECT_EQ(IAindexMaterAttr(Kit::UniString("Oak")), IAMissingErr);
	PlanAttr::Material material;
	EXPECT_EQ(IAaddMaterAttr(&material), 0);
	char found = 1;
	IAgetMaterAttr(1, &material, &found);
	EXPECT_EQ(found, 0);
	Kit::UniString name;
	EXPECT_THROW(IAnameMaterAttr(1, name), Kit::InternalErrorException);
	int marker = 0;
	EXPECT_EQ(IASetEnv(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &marker), &marker);
}

// A handle of doubles for IADab2Mater.
struct Numbers {
	GSHandle h;
	explicit Numbers(std::vector<double> values, USize room = 0)
	    : h(BMAllocateHandle(Int64(std::max(room, values.size()) * sizeof(double)))) {
		std::memcpy(*h, values.data(), values.size() * sizeof(double));
	}
	~Numbers() { BMKillHandle(&h); }
	double** Get() const { return reinterpret_cast<double**>(h); }
	Int16 Count() const { return Int16(BMGetHandleSize(h) / 8); }
};

TEST(AttributeEnvironment, MaterialsFromParametricObjectNumbers) {
	HostScope host;
	const Kit::UniString textureName("Bark");
	PlanAttr::Material m;
	// Type 21: base type 1 with fill and texture; 10 values + fill, fill colour and one more.
	Numbers type21({21, 0.5, 0.25, 1.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 7, 3, 0});
	Numbers texture({0, 2.5, 1.5, 0x41, 30.0});
	IADab2Mater(Kit::UniString("Bark"), 0, type21.Count(), type21.Get(), &textureName, 5, texture.Get(), &m);
	EXPECT_EQ(m.GetType(), 0);
	EXPECT_EQ(m.GetSurfaceColor(), (Kit::RGBColor{32768, 16384, 65535}));
	EXPECT_EQ(m.GetSpecularColor(), m.GetSurfaceColor());
	EXPECT_EQ(m.GetAmbientPc(), 10);
	EXPECT_EQ(m.GetShininess(), 50);
	EXPECT_EQ(m.GetTransparencyAtt(), 60);
	EXPECT_EQ(m.GetFillIndex(), 7);
	EXPECT_EQ(m.GetFillColor(), 3);
	EXPECT_EQ(m.GetTextureStatus(), 0x1000 | (0x41 << 3) | 0x0001);
	EXPECT_EQ(m.GetTextureWidth(), 2.5);
	EXPECT_EQ(m.GetTextureRotation(), 30.0);
	EXPECT_EQ(m.GetName(), Kit::UniString("Bark"));
	// t = 3 is refused for a type of 20 or more.
	EXPECT_THROW(
	    IADab2Mater(Kit::UniString("Bark"), 0, type21.Count(), type21.Get(), &textureName, 3, texture.Get(), &m),
	    Kit::InternalErrorException);

	// Type 5 (other base types take 4 values) gets its preset; a long name becomes "???".
	Numbers type5({5, 0.0, 1.0, 0.0});
	IADab2Mater(Kit::UniString(std::string(256, 'x')), 0, 4, type5.Get(), nullptr, 0, nullptr, &m);
	EXPECT_EQ(m.GetName(), Kit::UniString("???"));
	EXPECT_EQ(m.GetType(), 5);
	EXPECT_EQ(m.GetTransparencyPc(), 90);
	EXPECT_EQ(m.GetSpecularColor(), (Kit::RGBColor{0, 65535, 0}));

	// Type 10 takes 17 values and the fill index.
	std::vector<double> values(18, 0.5);
	values[0] = 10;
	values[17] = 4;
	Numbers type10(values);
	IADab2Mater(Kit::UniString("Base"), 0, 18, type10.Get(), nullptr, 0, nullptr, &m);
	EXPECT_EQ(m.GetEmissionAtt(), 50);
	EXPECT_EQ(m.GetFillIndex(), 4);

	// Counts that do not match the type, handles shorter than their count, bad numbers.
	Numbers nan({5, std::nan(""), 1.0, 0.0});
	Numbers shortHandle({5, 0.0}, 2);
	const auto refuses = [&](Int16 n, double** v) {
		EXPECT_THROW(IADab2Mater(Kit::UniString("x"), 0, n, v, nullptr, 0, nullptr, &m), Kit::InternalErrorException)
		    << n;
	};
	refuses(5, type5.Get());
	refuses(0, type5.Get());
	refuses(4, nan.Get());
	refuses(4, shortHandle.Get());
	refuses(17, type10.Get());
	refuses(4, nullptr);
}

} // namespace
