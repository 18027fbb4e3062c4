// Host materials and pens to material records, and the lighting presets of the base
// material types.
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "platform/ARxAttributes.h"

#include <algorithm>
#include <cstdlib>

namespace Modeler::ImportDetail {

Int16 BaseType(Int16 type) {
	if (type >= 20) return static_cast<Int16>(type - 20);
	if (type >= 10) return static_cast<Int16>(type - 10);
	return type;
}

const Preset* FindPreset(Int16 baseType) {
	static constexpr Kit::RGBColor Black{0, 0, 0};
	static constexpr Preset presets[] = {
	    {50, 50, 50, 0, 300, 0, true, Black, 0},                       // 1
	    {100, 100, 0, 0, 0, 0, false, Black, 0},                       // 2
	    {100, 0, 100, 0, 1000, 0, true, Black, 0},                     // 3
	    {100, 50, 50, 0, 1000, 0, true, Black, 0},                     // 4
	    {100, 25, 75, 90, 4000, 200, true, Black, 0},                  // 5
	    {100, 50, 0, 0, 0, 0, false, Kit::RGBColor{65535, 0, 0}, 100}, // 6
	    {0, 0, 0, 0, 0, 0, false, Black, 0},                           // 7
	};
	return baseType >= 1 && baseType <= 7 ? &presets[baseType - 1] : nullptr;
}

} // namespace Modeler::ImportDetail

using namespace Modeler::ImportDetail;

void IMMater2Umat(const PlanAttr::Material& m, UMAT* u, Int16 hostMaterialIdx) {
	if (u == nullptr) return;
	ToRecordName(m.GetName(), u->name);
	u->materialType = m.GetType();
	u->surfaceColor = m.GetSurfaceColor();
	u->ambientPc = m.GetAmbientPc();
	u->diffusePc = m.GetDiffusePc();
	u->specularPc = m.GetSpecularPc();
	u->transparencyPc = m.GetTransparencyPc();
	u->shininess = m.GetShininess();
	u->transparencyAtt = m.GetTransparencyAtt();
	u->specularColor = m.GetSpecularColor();
	u->emissionColor = m.GetEmissionColor();
	u->emissionAtt = m.GetEmissionAtt();
	u->hostMaterialIdx = hostMaterialIdx;
	u->fillRef = m.GetFillIndex();
	u->hostWord2 = m.GetAuxWord();
	u->textureIdx = 0;
	u->textureCos = 0.0f;
	u->textureSin = 0.0f;
	ReadHostParameters(m, u->params, &u->paramChecksum);
	u->reserved1 = 0;
	u->reserved2 = 0;
}

void IMSetupMater(PlanAttr::Material* m) {
	if (m == nullptr) return;
	const Preset* preset = FindPreset(BaseType(m->GetType()));
	if (preset == nullptr) return;
	m->SetAmbientPc(preset->ambient);
	m->SetDiffusePc(preset->diffuse);
	m->SetSpecularPc(preset->specular);
	m->SetTransparencyPc(preset->transparency);
	m->SetShininess(preset->shininess);
	m->SetTransparencyAtt(preset->transparencyAtt);
	m->SetSpecularColor(preset->specularIsColour ? m->GetSurfaceColor() : Kit::RGBColor{});
	m->SetEmissionColor(preset->emission);
	m->SetEmissionAtt(preset->emissionAtt);
}

void IMErrorMater(PlanAttr::Material* m) {
	if (m == nullptr) return;
	m->SetName(FromRecordText(gErrorMatName));
	m->SetType(0);
	m->SetSurfaceColor(Kit::RGBColor{52428, 0, 0});
	m->SetAmbientPc(100);
	m->SetDiffusePc(10);
	m->SetSpecularPc(100);
	m->SetTransparencyPc(0);
	m->SetShininess(2000);
	m->SetTransparencyAtt(0);
	m->SetSpecularColor(Kit::RGBColor{52428, 52428, 52428});
	m->SetEmissionColor(Kit::RGBColor{});
	m->SetEmissionAtt(0);
	m->SetFillIndex(0);
}

void IMPenToUMAT(Int16 pen, UMAT* u) {
	if (u == nullptr) return;
	Kit::RGBColor color;
	ARxgetPenRGB(pen, &color); // a pen that does not exist is black
	const auto lighten = [](UInt16 v) { return static_cast<UInt16>(UInt32(v) * 9 / 13 + 10000); };
	*u = UMAT();
	u->SetName(FormatWithIndex(gPenMatFormat, pen, sizeof u->name).c_str());
	u->materialType = 2;
	u->surfaceColor = Kit::RGBColor{lighten(color.red), lighten(color.green), lighten(color.blue)};
	const Preset& preset = *FindPreset(2);
	u->ambientPc = preset.ambient;
	u->diffusePc = preset.diffuse;
	u->specularPc = preset.specular;
	u->transparencyPc = preset.transparency;
	u->shininess = preset.shininess;
	u->transparencyAtt = preset.transparencyAtt;
	u->emissionAtt = preset.emissionAtt;
	u->hostMaterialIdx = static_cast<Int16>(-pen);
}

Int16 IMStorePenAsUmat(Modeler::Attributes::Modifier* modifier, Int16 pen) {
	return AddOrFirst("IMStorePenAsUmat", [&] {
		UMAT u;
		IMPenToUMAT(pen, &u);
		return modifier->AddMaterial(u);
	});
}

Int16 IMSearchSimilar(const Kit_RGBColor* color) {
	if (color == nullptr) return 0;
	Int16 best = 0;
	Int32 bestDistance = 100000;
	const Int16 penCount = ARxnumPenAttr();
	for (Int16 pen = 1; pen <= penCount && pen > 0; ++pen) {
		Kit::RGBColor c;
		if (ARxgetPenRGB(pen, &c) != NoError) continue;
		const Int32 distance = std::max({std::abs(Int32(c.red) - color->red), std::abs(Int32(c.green) - color->green),
		                                 std::abs(Int32(c.blue) - color->blue)});
		if (distance < bestDistance) {
			bestDistance = distance;
			best = pen;
		}
	}
	return best;
}
