// Translation of the fill, material and texture indices of a model file into indices of
// the attribute store.
#include "Model3D/attributes/environment/AttributeEnvironment.h"
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "platform/ARxAttributes.h"

#include <memory>

using Modeler::Attributes;
using namespace Modeler::ImportDetail;

namespace {

enum AdjustMode : Int16 {
	AllToDefault = 0,
	InsertAll = 1,
	HostByNameElseDefault = 2,
	HostByNameElseInsert = 3,
};

// The store fill of the host fill named like the file's fill; 0 when the host has none.
Int16 HostFillByName(Attributes::Modifier* modifier, const UFIL& fill) {
	const Int16 hostIndex = ARxindexFillAttr(FromRecordText(RecordName(fill.name).c_str()));
	if (hostIndex < 1) return 0;
	PlanAttr::Fill* hostFill = nullptr;
	if (ARxgetFillAttr(hostIndex, &hostFill, nullptr) < 0 || hostFill == nullptr) {
		delete hostFill;
		return 0;
	}
	const std::unique_ptr<PlanAttr::Fill> owner(hostFill);
	const Int16 index = IMInsertintoUfil(modifier, 0, hostFill);
	return index > 0 ? index : Int16(0);
}

// The store material of the host material named like the file's material; 0 when the
// host has none (or fetching it fails).
Int16 HostMaterialByName(Attributes::Modifier* modifier, const UMAT& material) {
	const Int16 hostIndex = IAindexMaterAttr(FromRecordText(RecordName(material.name).c_str()));
	if (hostIndex < 1) return 0;
	try {
		PlanAttr::Material host;
		IAgetMaterAttr(hostIndex, &host, nullptr);
		const Int16 index = IMInsertintoUmat(modifier, hostIndex, -1, &host);
		return index > 0 ? index : Int16(0);
	} catch (const Kit::KitException&) {
		return 0;
	}
}

} // namespace

void IMAdjustUfilsInBinary(Attributes::Modifier* modifier, Int16 mode, Int32* count, Int16* map, Int16 defaultIdx,
                           const UFIL* fills, const char* definitions) {
	if (modifier == nullptr || count == nullptr || map == nullptr) return;
	const UInt32 before = modifier->GetFillCount();
	for (Int32 k = 0; k < *count; ++k) {
		const UFIL& fill = fills[k];
		// A fill whose definition cannot lie in the block is not taken over.
		const bool hasDefinition = definitions != nullptr && fill.defStart >= 1 && fill.defByteCount > 0;
		const char* definition = hasDefinition ? definitions + (fill.defStart - 1) : nullptr;
		Int16 index = defaultIdx;
		if (mode == InsertAll) {
			if (hasDefinition) index = IMInsertUfil(modifier, &fill, definition);
		} else if (mode == HostByNameElseDefault || mode == HostByNameElseInsert) {
			const Int16 host = HostFillByName(modifier, fill);
			if (host > 0)
				index = host;
			else if (mode == HostByNameElseInsert && hasDefinition)
				index = IMInsertUfil(modifier, &fill, definition);
		}
		map[k] = index;
	}
	if (*count == 0) map[0] = modifier->GetFillCount() > 0 ? 1 : 0;
	*count += Int32(modifier->GetFillCount() - before);
}

void IMAdjustUmatsInBinary(Attributes::Modifier* modifier, Int16 mode, Int32* count, Int16* map, UMAT* materials,
                           Int16 defaultIdx, Int32* fillCount, const Int16* fillMap, Int32* textureCount,
                           const Int16* textureMap) {
	if (modifier == nullptr || count == nullptr || map == nullptr || fillCount == nullptr || textureCount == nullptr)
		return;
	const UInt32 materialsBefore = modifier->GetMaterialCount();
	const UInt32 fillsBefore = modifier->GetFillCount();
	const UInt32 texturesBefore = modifier->GetTextureCount();

	for (Int32 k = 0; k < *count; ++k) {
		UMAT& m = materials[k];
		if (m.textureIdx > 0)
			m.textureIdx = m.textureIdx <= *textureCount && textureMap != nullptr ? textureMap[m.textureIdx - 1] : 0;
	}
	for (Int32 k = 0; k < *count; ++k) {
		UMAT& m = materials[k];
		if (mode != AllToDefault && m.fillRef < 0)
			m.fillRef = -Int32(m.fillRef) > *fillCount || fillMap == nullptr
			                ? Int16(0)
			                : static_cast<Int16>(-fillMap[-m.fillRef - 1]);
		Int16 index = defaultIdx;
		if (mode == InsertAll) {
			m.hostMaterialIdx = 0;
			index = IMInsertUmat(modifier, &m);
		} else if (mode == HostByNameElseDefault || mode == HostByNameElseInsert) {
			const Int16 host = HostMaterialByName(modifier, m);
			if (host > 0) {
				index = host;
			} else if (mode == HostByNameElseInsert) {
				m.hostMaterialIdx = 0;
				index = IMInsertUmat(modifier, &m);
			}
		}
		map[k] = index;
	}
	if (*count == 0) map[0] = modifier->GetMaterialCount() > 0 ? 1 : 0;
	*count += Int32(modifier->GetMaterialCount() - materialsBefore);
	*fillCount += Int32(modifier->GetFillCount() - fillsBefore);
	*textureCount += Int32(modifier->GetTextureCount() - texturesBefore);
}
