// Materials into the store, reusing equal ones, and the mapping of host materials and
// pens to store materials.
#include "Model3D/attributes/environment/AttributeEnvironment.h"
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "platform/KitText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

using Modeler::Attributes;
using namespace Modeler::ImportDetail;

namespace {

constexpr double AngleTolerance = 1e-5;
constexpr UInt16 ComparedTextureStatusBits = 0x1FFF;
constexpr Int32 PenMaterialBase = 32000;

bool SameNames(const char (&a)[32], const char (&b)[32]) {
	return CHCompareTexts(RecordName(a).c_str(), RecordName(b).c_str(), CHCaseInsensitive, CC_Default) == 0;
}

// Type, colours and lighting coefficients.
bool SameLighting(const UMAT& a, const UMAT& b) {
	return a.materialType == b.materialType && a.surfaceColor == b.surfaceColor && a.ambientPc == b.ambientPc &&
	       a.diffusePc == b.diffusePc && a.specularPc == b.specularPc && a.transparencyPc == b.transparencyPc &&
	       a.shininess == b.shininess && a.transparencyAtt == b.transparencyAtt && a.specularColor == b.specularColor &&
	       a.emissionColor == b.emissionColor && a.emissionAtt == b.emissionAtt;
}

bool SameParameters(const UMAT& a, const UMAT& b) {
	const bool aEmpty = a.params.GetEntryNum() == 0;
	const bool bEmpty = b.params.GetEntryNum() == 0;
	if (aEmpty || bEmpty) return aEmpty && bEmpty;
	return a.paramChecksum == b.paramChecksum && a.params.Equals(b.params);
}

// Whether the store material's texture is the host material's.
bool SameTexture(const Attributes::Viewer& store, const UMAT& stored, const PlanAttr::Material& m, Int16 pictIndex) {
	const RTXT& texture = *store.GetConstTexturePtr(UInt32(stored.textureIdx));
	const double angle = std::atan2(double(stored.textureSin), double(stored.textureCos));
	if (std::abs(angle - m.GetTextureRotation() * std::numbers::pi / 180.0) > AngleTolerance ||
	    (texture.status & ComparedTextureStatusBits) != (m.GetTextureStatus() & ComparedTextureStatusBits) ||
	    std::abs(double(texture.xSize) - m.GetTextureWidth()) > AngleTolerance ||
	    std::abs(double(texture.ySize) - m.GetTextureHeight()) > AngleTolerance)
		return false;
	const UniChar* name = texture.textureName;
	const USize length = USize(std::find(name, name + std::size(texture.textureName), UniChar(0)) - name);
	const Kit::UniString& hostName = m.GetTextureName();
	if (Kit::UniString(name, length) != Kit::UniString(hostName.ToUStr(), std::min<USize>(hostName.GetLength(), 255)))
		return false;
	if (UInt32(stored.textureIdx) > store.GetTextureAttributeCount()) return false;
	return store.GetConstTextureAttributesPtr(UInt32(stored.textureIdx))->pictIndex == pictIndex;
}

} // namespace

Int16 IMStoreinUmat(Attributes::Modifier* modifier, Int16 hostMaterialIdx, Int16 pictIndex,
                    const PlanAttr::Material& material) {
	bool added = false;
	const Int16 index = AddOrFirst("IMStoreinUmat", [&] {
		UMAT u;
		IMMater2Umat(material, &u, hostMaterialIdx);
		const UInt32 i = modifier->AddMaterial(u);
		added = true;
		return i;
	});
	if (added) IMAddRtxt2Umat(modifier, material, index, pictIndex);
	return index;
}

Int16 IMInsertUmat(Attributes::Modifier* modifier, UMAT* u) {
	if (modifier == nullptr || u == nullptr) return IMRefusedErr;
	if (u->params.GetEntryNum() != 0 && u->paramChecksum == 0) u->paramChecksum = u->params.CheckSum(nullptr);
	for (UInt32 i = 1; i <= modifier->GetMaterialCount(); ++i) {
		const UMAT& s = *modifier->GetConstMaterialPtr(i);
		if (s.hostMaterialIdx != u->hostMaterialIdx) continue;
		if (s.hostMaterialIdx != 0) return static_cast<Int16>(i);
		if (SameNames(s.name, u->name) && SameLighting(s, *u) && s.fillRef == u->fillRef &&
		    s.hostWord2 == u->hostWord2 && s.textureIdx == u->textureIdx &&
		    std::abs(s.textureCos - u->textureCos) <= AngleTolerance &&
		    std::abs(s.textureSin - u->textureSin) <= AngleTolerance && SameParameters(s, *u))
			return static_cast<Int16>(i);
	}
	bool added = false;
	const Int16 index = AddOrFirst("IMInsertUmat", [&] {
		const UInt32 i = modifier->AddMaterial(*u);
		added = true;
		return i;
	});
	if (added && modifier->GetConstMaterialPtr(UInt32(index))->name[0] == '\0') {
		Kit::UniString name;
		IMUmatNoName(index, name);
		ToRecordName(name, modifier->GetMaterialPtr(UInt32(index))->name);
	}
	return index;
}

Int16 IMInsertintoUmat(Attributes::Modifier* modifier, Int16 hostMaterialIdx, Int16 pictIndex,
                       PlanAttr::Material* material) {
	if (modifier == nullptr || material == nullptr || hostMaterialIdx < 0) return IMRefusedErr;
	// The host material as a record, for comparing; its parameters are read once.
	UMAT host;
	IMMater2Umat(*material, &host, hostMaterialIdx);
	for (UInt32 i = 1; i <= modifier->GetMaterialCount(); ++i) {
		const UMAT& s = *modifier->GetConstMaterialPtr(i);
		if (!SameNames(s.name, host.name) || !SameLighting(s, host)) continue;
		if (s.textureIdx >= 1 && UInt32(s.textureIdx) <= modifier->GetTextureCount() &&
		    !SameTexture(*modifier, s, *material, pictIndex))
			continue;
		if (s.params.Equals(host.params)) return static_cast<Int16>(i);
	}
	return IMStoreinUmat(modifier, hostMaterialIdx, pictIndex, *material);
}

Int16 IMFindUMat(const Attributes::Viewer* viewer, Int16 hostMaterialIdx) {
	if (viewer == nullptr) return 0;
	for (UInt32 i = 1; i <= viewer->GetMaterialCount(); ++i)
		if (viewer->GetConstMaterialPtr(i)->hostMaterialIdx == hostMaterialIdx) return static_cast<Int16>(i);
	return 0;
}

void IMgl2loc(Attributes::Modifier* modifier, Int16 pen, Int16 hostMaterial, Int16* storeMaterial) {
	if (storeMaterial == nullptr) return;
	*storeMaterial = IMRefusedErr;
	if (modifier == nullptr) return;
	if (hostMaterial < -PenMaterialBase) {
		const Int16 materialPen = static_cast<Int16>(-hostMaterial - PenMaterialBase);
		const Int16 found = IMFindUMat(modifier, static_cast<Int16>(-materialPen));
		*storeMaterial = found != 0 ? found : IMStorePenAsUmat(modifier, materialPen);
		return;
	}
	if (hostMaterial < 0) {
		*storeMaterial = static_cast<Int16>(-hostMaterial);
		return;
	}
	const Int16 key = hostMaterial != 0 ? hostMaterial : static_cast<Int16>(-pen);
	const Int16 found = IMFindUMat(modifier, key);
	if (found != 0) {
		*storeMaterial = found;
		return;
	}
	if (hostMaterial != 0) {
		PlanAttr::Material material;
		char exists = 0;
		IAgetMaterAttr(hostMaterial, &material, &exists);
		if (exists != 0) {
			*storeMaterial = IMStoreinUmat(modifier, hostMaterial, -1, material);
			return;
		}
		const Int16 penMaterial = IMFindUMat(modifier, static_cast<Int16>(-pen));
		if (penMaterial != 0) {
			*storeMaterial = penMaterial;
			return;
		}
	}
	*storeMaterial = IMStorePenAsUmat(modifier, pen);
}
