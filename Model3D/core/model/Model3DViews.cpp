// The three views of a model.
#include "Model3D/core/model/Model3DViews.h"

#include "platform/KitException.h"
#include "platform/KitUtils.h"

namespace Modeler {

namespace {

const Kit::ConstSharedPtr<Model3D>& CheckedModel(const Kit::ConstSharedPtr<Model3D>& model) {
	if (model == nullptr)
		throw Kit::IllegalArgumentException("Model3DViewer: null model", "Model3D/Model3DViews", __LINE__);
	return model;
}

const Kit::SharedPtr<Model3D>& CheckedModel(const Kit::SharedPtr<Model3D>& model) {
	if (model == nullptr)
		throw Kit::IllegalArgumentException("Model3DOnlyModifier: null model", "Model3D/Model3DViews", __LINE__);
	return model;
}

} // namespace

// ---- viewer -----------------------------------------------------------------------

Model3DViewer::Model3DViewer(const Kit::ConstSharedPtr<Model3D>& model)
    : viewedContainer(CheckedModel(model)), viewedModel(model) {}

Kit::ConstSharedPtr<Elem> Model3DViewer::GetConstElem(UInt32 elemIdx) const {
	return viewedModel->GetElems()[elemIdx];
}

Kit::ConstSharedPtr<Elem> Model3DViewer::GetConstElemPtr(const Kit::Guid& elemGuid) const {
	const Int32 elemIdx = viewedModel->GetElemIdx(elemGuid);
	if (elemIdx < 0) return nullptr;
	return viewedModel->GetElems()[static_cast<UInt32>(elemIdx)];
}

const Kit::ConstSharedPtr<Body>& Model3DViewer::GetConstBody(UInt32 elemIdx, UInt32 bodyIdx) const {
	return viewedModel->GetElems()[elemIdx]->GetConstBody(bodyIdx);
}

const Body* Model3DViewer::GetConstBodyRecPtr(UInt32 elemIdx, UInt32 bodyIdx) const {
	return GetConstBody(elemIdx, bodyIdx).Get();
}

const HOTS* Model3DViewer::GetConstHotspotRecPtr(UInt32 globalHotspotIdx) const {
	const Model3D& model = viewedModel->mainModel != nullptr ? *viewedModel->mainModel : *viewedModel;
	UInt32 elemIdx = 0;
	UInt32 hotspotIdx = 0;
	model.GetElemHotspotIdx(globalHotspotIdx, &elemIdx, &hotspotIdx);
	// Number 0 and numbers past the last hotspot address nothing.
	const ElemContainer::ElemList& elems = model.GetElems();
	if (globalHotspotIdx == 0 || elemIdx >= elems.GetSize()) return nullptr;
	const Elem* elem = elems[elemIdx].Get();
	const BaseElem* base = elem != nullptr ? elem->GetConstBaseElem() : nullptr;
	if (base == nullptr || hotspotIdx >= base->GetHotspotCount()) return nullptr;
	return &base->GetConstHotspot(hotspotIdx);
}

Kit::Guid Model3DViewer::GetParentGuid(UInt32 elemIdx) const {
	const Elem* elem = viewedModel->GetElems()[elemIdx].Get();
	if (elem == nullptr || !elem->IsChild()) return Kit::NULLGuid;
	return viewedModel->GetParentGuid(elem->GetElemId().guid);
}

Int32 Model3DViewer::GetParentElemIdx(UInt32 elemIdx) const {
	return viewedModel->GetElemIdx(GetParentGuid(elemIdx));
}

Kit::ConstSharedPtr<Elem> Model3DViewer::GetParentElem(UInt32 elemIdx) const {
	return GetConstElemPtr(GetParentGuid(elemIdx));
}

UInt32 Model3DViewer::GetBaseElemCount() const {
	Kit::HashTable<const BaseElem*, UInt32> baseElems;
	viewedModel->GetBaseElemSet(baseElems);
	return static_cast<UInt32>(baseElems.GetSize());
}

UInt32 Model3DViewer::GetLightSourceCount() const {
	const ElemContainer::ElemList& elems = viewedModel->GetElems();
	UInt32 count = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		if (elem != nullptr && elem->GetConstBaseElem() != nullptr)
			count += elem->GetConstBaseElem()->GetLightSourceCount();
	}
	return count;
}

UInt32 Model3DViewer::GetHotspotCount() const {
	const Model3D& model = viewedModel->mainModel != nullptr ? *viewedModel->mainModel : *viewedModel;
	const ElemContainer::ElemList& elems = model.GetElems();
	UInt32 count = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		if (elem != nullptr && elem->GetConstBaseElem() != nullptr) count += elem->GetHotspotCount();
	}
	return count;
}

void Model3DViewer::WriteLightSources(Kit::OChannel& channel) const {
	const ElemContainer::ElemList& elems = viewedModel->GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		const BaseElem* base = elem != nullptr ? elem->GetConstBaseElem() : nullptr;
		if (base == nullptr) continue;
		for (UInt32 l = 0; l < base->GetLightSourceCount(); ++l) {
			LGHT light = base->GetLightSource(l);
			light.Transform(elem->GetConstTrafo());
			// The channel status is checked as well: a failure while the parameter list
			// is written leaves the result of Write at 0.
			if (light.Write(channel) != 0 || channel.GetOutputStatus() != 0)
				throw Kit::RunTimeErrorException("WriteLightSource failed", "Model3D/Model3D", 1953);
		}
	}
}

// ---- only-modifier ----------------------------------------------------------------

Model3DOnlyModifier::Model3DOnlyModifier(const Kit::SharedPtr<Model3D>& model)
    : modifiedContainer(CheckedModel(model)), modifiedModel(model) {}

UInt32 Model3DOnlyModifier::AddElem(const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent) {
	return modifiedModel->AddElem(elem, parent);
}

void Model3DOnlyModifier::ReplaceElem(UInt32 elemIdx, const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent) {
	modifiedModel->ReplaceElem(elemIdx, elem, parent);
}

void Model3DOnlyModifier::EmptyElem(UInt32 elemIdx) {
	modifiedModel->EmptyElem(elemIdx);
}

void Model3DOnlyModifier::RemoveInvalidElems() {
	modifiedModel->RemoveInvalidElems();
}

void Model3DOnlyModifier::DeleteLightSourcesOfElem(const Kit::Guid& elemGuid) {
	modifiedModel->DeleteLightSourcesOfElem(elemGuid);
}

void Model3DOnlyModifier::SetInfStamp(const ModStamp& stamp) {
	modifiedModel->infStamp = stamp;
	modifiedModel->guid = stamp.IsZero() ? Kit::NULLGuid : Kit::Guid::Generate();
}

void Model3DOnlyModifier::PushLastConversionStamp(bool shiftPrevious) {
	ModStamp stamp;
	stamp.Generate();
	const UInt64 projectStamp = OUGetProjectModiStamp();
	Model3D& model = *modifiedModel;
	if (shiftPrevious) model.prevConversionModStamp = model.lastConversionModStamp;
	model.lastConversionModStamp = stamp;
	model.lastConversionStamp = projectStamp;
	if (!stamp.IsZero()) SetInfStamp(stamp);
}

void Model3DOnlyModifier::ResetLastConversionStamp() {
	Model3D& model = *modifiedModel;
	model.prevConversionModStamp = model.lastConversionModStamp;
	model.lastConversionModStamp.Reset();
	model.lastConversionStamp = 0;
}

void Model3DOnlyModifier::SetConditions(const char* conditionBlock, const char* progressBlock) {
	if (modifiedModel->mainModel != nullptr)
		modifiedModel->mainModel->SetConditions(conditionBlock, progressBlock);
	else
		modifiedModel->SetConditions(conditionBlock, progressBlock);
}

// ---- modifier ---------------------------------------------------------------------

Model3DModifier::Model3DModifier(const Kit::SharedPtr<Model3D>& model)
    : Model3DViewer(model), Model3DOnlyModifier(model) {}

void Model3DModifier::DeleteElem(Int32 elemIdx) {
	modifiedModel->DeleteElem(elemIdx);
}

void Model3DModifier::DeleteElems(bool (*predicate)(const Elem&)) {
	modifiedModel->DeleteElems(predicate);
}

} // namespace Modeler
