// The three views of a model: Model3DViewer (reading), Model3DOnlyModifier (changing the
// element list, stamps and conditions) and Model3DModifier (both, plus deleting elements
// and raising the host's events). A view is a small value object holding two shared
// references to one model (one as its container base, one typed); it keeps the model
// alive and carries no other state. Views take no locks.
//
// Element, body and hotspot indices handed to the reading operations are not checked;
// GetElemIdx and GetConstElemPtr are the checked lookups. The changing operations refuse
// an element index outside the list with Kit::IllegalArgumentException.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/core/model/Model3D.h"

namespace Modeler {

class M3D_EXPORT Model3DViewer {
public:
	// Throws Kit::IllegalArgumentException for a null model.
	explicit Model3DViewer(const Kit::ConstSharedPtr<Model3D>& model);
	Model3DViewer(const Model3DViewer&) = default;
	Model3DViewer& operator=(const Model3DViewer&) = default;
	virtual ~Model3DViewer() = default;

	bool operator==(const Model3DViewer& other) const { return viewedModel == other.viewedModel; }
	bool operator!=(const Model3DViewer& other) const { return !(*this == other); }

	// Model state.
	const Box3D& GetBounds() const { return viewedModel->GetBounds(); }
	Kit::Guid GetGuid() const { return viewedModel->GetGuid(); }
	const ModStamp& GetInfStamp() const { return viewedModel->GetInfStamp(); }
	const ModStamp& GetLastConversionModStamp() const { return viewedModel->GetLastConversionModStamp(); }
	const ModStamp& GetPrevConversionModStamp() const { return viewedModel->GetPrevConversionModStamp(); }
	UInt64 GetLastConversionStamp() const { return viewedModel->GetLastConversionStamp(); }
	UInt32 GetModelDataHoleCount() const { return viewedModel->GetDataHoleCount(); }
	Int16 GetCondition(Model3D::Condition condition) const { return viewedModel->GetCondition(condition); }
	Int16 GetProgressCondition(Model3D::Condition condition) const {
		return viewedModel->GetProgressCondition(condition);
	}
	void GetConditions(char* conditionBlock, char* progressBlock) const {
		viewedModel->GetConditions(conditionBlock, progressBlock);
	}
	Kit::ConstSharedPtr<Attributes> GetConstAttributesPtr() const { return viewedModel->GetConstAttributesPtr(); }
	Kit::Object* GetUserData(UInt32 key) const { return viewedContainer->GetUserData(key); }

	// Elements. While the model is purged the count is the one kept at purge time.
	UInt32 GetElemCount() const { return viewedModel->GetElemCount(); }
	UInt32 GetVOCACount() const { return viewedModel->GetElemCount(); }
	Kit::ConstSharedPtr<Elem> GetConstElem(UInt32 elemIdx) const;
	// The element with this GUID, or null.
	Kit::ConstSharedPtr<Elem> GetConstElemPtr(const Kit::Guid& elemGuid) const;
	Int32 GetElemIdx(const Kit::Guid& elemGuid) const { return viewedModel->GetElemIdx(elemGuid); }
	const Kit::ConstSharedPtr<Body>& GetConstBody(UInt32 elemIdx, UInt32 bodyIdx) const;
	const Body* GetConstBodyRecPtr(UInt32 elemIdx, UInt32 bodyIdx) const;
	// The hotspot with this 1-based global number, resolved in the main model when there
	// is one; null when the number addresses no hotspot.
	const HOTS* GetConstHotspotRecPtr(UInt32 globalHotspotIdx) const;

	// Parents. The element's parent is looked up only when its child flag is set.
	Kit::Guid GetParentGuid(UInt32 elemIdx) const;
	Kit::Guid GetParentGuid(const Kit::Guid& elemGuid) const { return viewedModel->GetParentGuid(elemGuid); }
	Int32 GetParentElemIdx(UInt32 elemIdx) const;
	Kit::ConstSharedPtr<Elem> GetParentElem(UInt32 elemIdx) const;

	// Binds and global indices.
	UInt32 GetBind(UInt32 elemIdx, UInt32 bodyIdx) const { return viewedModel->GetBind(elemIdx, bodyIdx); }
	void GetElemBodyIdx(UInt32 globalBodyIdx, UInt32* elemIdx, UInt32* bodyIdx) const {
		viewedModel->GetElemBodyIdx(globalBodyIdx, elemIdx, bodyIdx);
	}
	UInt32 GetGPgonCount() const { return viewedModel->GetGPgonCount(); }
	Int32 GetGlobPgonIdx(UInt32 elemIdx, UInt32 bodyIdx) const { return viewedModel->GetGlobPgonIdx(elemIdx, bodyIdx); }

	// Content.
	void GetBaseElemSet(Kit::HashTable<const BaseElem*, UInt32>& baseElems) const {
		viewedModel->GetBaseElemSet(baseElems);
	}
	// Number of distinct base elements.
	UInt32 GetBaseElemCount() const;
	// Sum of the light counts of the elements of this model.
	UInt32 GetLightSourceCount() const;
	// Sum of the hotspot counts of the elements, taken in the main model when there is one.
	UInt32 GetHotspotCount() const;
	void ClearCache() const { viewedModel->ClearCache(); }
	void ClearConvexPolygonCache() const { viewedModel->ClearConvexPolygonCache(); }
	void ClearNormalVectorCache() const { viewedModel->ClearNormalVectorCache(); }

	bool IsMainModelViewer() const { return viewedModel->mainModel == nullptr; }
	bool HasSameModel(const Kit::ConstSharedPtr<Model3D>& model) const { return viewedModel == model; }
	bool IsViewerOf(const Kit::ConstSharedPtr<Model3D>& model) const { return viewedModel == model; }

	// Every light of every element, in slot order, moved into model coordinates and
	// written in the model-file form. A failed write throws Kit::RunTimeErrorException;
	// the lights written before it stay in the channel.
	void WriteLightSources(Kit::OChannel& channel) const;

	// Statistics (figures beyond 4 GB are capped at 0xFFFFFFFF). Per-element figures:
	// every element counts the content of its base element, so shared content counts
	// once per element that uses it.
	UInt32 GetModelPolygonCount() const;
	UInt32 GetModelPolyEdgeCount() const;
	UInt32 GetModelEdgeCount() const;
	UInt32 GetModelVertexCount() const;
	UInt32 GetModelPolyNormalCount() const;
	UInt32 GetModelTextureVertexCount() const;
	UInt32 GetBodyCount() const { return viewedModel->GetBodyCount(); }
	UInt32 GetAllItemsCount() const;
	UInt32 GetUsedBytes() const;
	UInt32 GetAllocatedBytes() const;
	// Σ of the triangle-cache bytes of every element's polygons.
	UInt32 GetPolygonConvexPolyBytes() const;
	// Real figures: every distinct base element counted once.
	UInt32 GetRealMainUsedBytes() const;
	UInt32 GetRealMainAllocatedBytes() const;
	UInt32 GetRealMainAllItemsCount() const;
	// Of a derived model, the bytes and items of the content it does not share with its
	// main model; both byte figures get the same value. A main model counts as a derived
	// model that shares nothing.
	void GetRealClippedAllocationData(UInt32& usedBytes, UInt32& allocBytes, UInt32& itemCount) const;
	// Size report: detail < 3 writes nothing, 3 only the total line (labelled with the
	// title), above 3 a blank line, the header, one row per kind of content and the
	// total line. A derived model reports only what it does not share with its main model.
	void ReportSize(Kit::OChannel& channel, Int16 detail) const;
	void RepeatedTopologySaveReport(Kit::OChannel& channel) const { viewedModel->RepeatedTopologySaveReport(channel); }

	// Maintenance hooks; they have no effect.
	void CheckModel() const {}
	void DetailedCheckModel() const {}
	void GrowReport(int*, int*, int*) const {}
	void ReportDescPart(void (*)(const char*)) const {}

protected:
	Kit::ConstSharedPtr<MainContainerBase> viewedContainer;
	Kit::ConstSharedPtr<Model3D> viewedModel;

private:
	// What a derived model holds beyond its main model (the clipped-model walk); a new
	// base element, and its bodies, count for every new element that holds it.
	ContentFigures WalkClippedModel() const;
	// The bytes of the clipped-model walk's content with the model's own.
	UInt64 GetClippedBytes(const ContentFigures& clipped) const;
	UInt64 GetRealMainPolygonConvexPolyBytes() const;
	void ReportSizeMainModel(Kit::OChannel& channel, Int16 detail, const char* title) const;
	void ReportSizeClippedModel(Kit::OChannel& channel, Int16 detail, const char* title) const;
};

class M3D_EXPORT Model3DOnlyModifier {
public:
	// Throws Kit::IllegalArgumentException for a null model.
	explicit Model3DOnlyModifier(const Kit::SharedPtr<Model3D>& model);
	Model3DOnlyModifier(const Model3DOnlyModifier&) = default;
	Model3DOnlyModifier& operator=(const Model3DOnlyModifier&) = default;
	virtual ~Model3DOnlyModifier() = default;

	bool operator==(const Model3DOnlyModifier& other) const { return modifiedModel == other.modifiedModel; }
	bool operator!=(const Model3DOnlyModifier& other) const { return !(*this == other); }

	// Appends elem (which must not be null) and returns its slot. A non-null GUID is
	// entered in the GUID map, replacing the entry of an earlier element with the same
	// GUID. No event; bounds and global polygon indices are left to the caller.
	UInt32 AddElem(const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent);
	// Stores elem (not null) in the slot, moving the GUID entry to the new element.
	void ReplaceElem(UInt32 elemIdx, const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent);
	// Replaces the element by a copy with one empty body per body, no hotspots, no lights.
	void EmptyElem(UInt32 elemIdx);
	// Drops every invalid element, keeping the order of the others, and renumbers the GUID
	// map; parent entries are kept only for the remaining child elements.
	void RemoveInvalidElems();
	// Gives the element a base element without lights (other holders of the old one keep
	// theirs) and raises LightsOfElemDeleted; nothing when the GUID is not found.
	void DeleteLightSourcesOfElem(const Kit::Guid& elemGuid);

	void ClearModel() { modifiedModel->ClearModel(); }
	void CalculateBounds(UInt32 first) { modifiedModel->CalculateBounds(first); }
	void TruncateElemCount(UInt32 newCount) { modifiedModel->TruncateElemCount(newCount); }
	void CalculateGPgons(UInt32 first) { modifiedModel->CalculateGPgons(first); }
	// Rebuilds the mirror of a derived model from slot first on (nothing for a main model).
	void UpdateFromMainModel(UInt32 first) { modifiedModel->UpdateFromMainModel(first); }

	// Stamps of this model itself (not of the root of a main-model chain).
	void SetInfStamp(const ModStamp& stamp);
	// Takes a new conversion stamp and the project's modification stamp; the previous
	// conversion stamp is kept when shiftPrevious. The new stamp becomes the information
	// stamp.
	void PushLastConversionStamp(bool shiftPrevious);
	void ResetLastConversionStamp();

	void SetCondition(Model3D::Condition condition, Int16 value) { modifiedModel->SetCondition(condition, value); }
	void SetProgressCondition(Model3D::Condition condition, Int16 value) {
		modifiedModel->SetProgressCondition(condition, value);
	}
	void SetConditions(const char* conditionBlock, const char* progressBlock);
	void ClearDataHoleCount() { modifiedModel->ClearDataHoleCount(); }
	void ClearModelDataHoleCount() { modifiedModel->ClearDataHoleCount(); }
	void IncrementModelDataHoleCount() { modifiedModel->IncrementDataHoleCount(); }

	Kit::SharedPtr<Attributes> GetAttributesPtr() const { return modifiedModel->GetAttributesPtr(); }
	void SetUserData(UInt32 key, Kit::Object* object) const { modifiedContainer->SetUserData(key, object); }

	// Maintenance hooks; they have no effect.
	void Ready() {}
	void FlushElems() {}
	void FlushPolygons() {}
	void FlushVertices() {}
	void RegainElems() {}
	void RegainPolygons() {}
	void RegainVertices() {}
	void GrowBodyCapacity(UInt32) {}

protected:
	Kit::SharedPtr<MainContainerBase> modifiedContainer;
	Kit::SharedPtr<Model3D> modifiedModel;
};

class M3D_EXPORT Model3DModifier : public Model3DViewer, public Model3DOnlyModifier {
public:
	// Throws Kit::IllegalArgumentException for a null model.
	explicit Model3DModifier(const Kit::SharedPtr<Model3D>& model);
	Model3DModifier(const Model3DModifier&) = default;
	Model3DModifier& operator=(const Model3DModifier&) = default;
	~Model3DModifier() override = default;

	bool operator==(const Model3DModifier& other) const {
		return Model3DViewer::operator==(other) && Model3DOnlyModifier::operator==(other);
	}
	bool operator!=(const Model3DModifier& other) const { return !(*this == other); }

	// Turns the element into a deleted placeholder (the slot stays), counts a data hole
	// and raises ElemDeleted. An index outside the list throws
	// Kit::IllegalArgumentException.
	void DeleteElem(Int32 elemIdx);
	// Turns every valid element the predicate accepts into a deleted placeholder, raises
	// SyncDeletedElems, cuts a tail made only of placeholders and sets condition 18 to 8
	// (unless the hits reach the end of the list without being contiguous). A null
	// predicate throws Kit::IllegalArgumentException.
	void DeleteElems(bool (*predicate)(const Elem&));

	void SendRestartDelBoundsBuilding() { modifiedModel->SendRestartDelBoundsBuilding(); }
	void SendConvertStateChanged(UInt32 value1, UInt32 value2) {
		modifiedModel->SendConvertStateChanged(value1, value2);
	}
	void SendModelChanged() { modifiedModel->SendModelChanged(); }
	void SendModelCleared(bool flag) { modifiedModel->SendModelCleared(flag); }
	void SendColorShadesChanged() { modifiedModel->SendColorShadesChanged(); }
	void SendConvertStarted() { modifiedModel->SendConvertStarted(); }
	void SendSetFirstNewElem(UInt32 elemIdx) { modifiedModel->SendSetFirstNewElem(elemIdx); }
	void SendModelCompressed(Kit::Array<Int32>& indices) { modifiedModel->SendModelCompressed(indices); }

	Model3D* GetModel3D() const { return modifiedModel.Get(); }
};

} // namespace Modeler
