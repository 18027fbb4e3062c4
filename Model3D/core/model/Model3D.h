// Modeler::Model3D: the container of one 3D model.
//
// A model holds an ordered list of placed elements (0-based element indices), finds them
// by GUID, remembers which element is the parent of which, and keeps the model's bounds,
// modification stamps and conditions. It points to the attribute store whose tables its
// bodies index. A model is reference-counted, created only by Model3D::New and listed in
// a process-wide registry whose 1-based position is the model's global index.
//
// A model made with a main model is a derived model: it takes its binds and global
// polygon indices from the root of its main-model chain and keeps its conditions (and
// the information stamp set through Model3D::SetInfStamp) there.
//
// The model is read and changed through three small views that keep it alive:
// Model3DViewer (reading), Model3DOnlyModifier (changing elements, stamps, conditions)
// and Model3DModifier (both, plus deleting elements and raising the host's events).
// Observers (IModel3DObserver) hear about its changes.
//
// This is the chief header of the model core: it brings in the views, the element
// container and the observer interface.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/core/elems/ElemContainer.h"
#include "Model3D/core/frame/ModStamp.h"
#include "Model3D/core/model/ModelFigures.h"
#include "Model3D/core/model/ModelObserver.h"
#include "Model3D/elements/elem/Elem.h"
#include "Model3D/persistence/base/MainContainerBase.h"
#include "platform/GeometryVector.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitGuid.h"
#include "platform/KitHashTable.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

namespace Modeler {

class Model3DViewer;
class Model3DOnlyModifier;
class Model3DModifier;

class M3D_EXPORT Model3D : public MainContainerBase {
public:
	using ElemContainer = Modeler::ElemContainer;
	using ElemIndices = Modeler::ElemIndices;
	using ModelEventSource = Modeler::ModelEventSource;

	// The host's conditions. Only the values 1, 5, 6 and 18 are stored; reading any other
	// gives 0 and setting any other does nothing.
	enum Condition : Int32 {
		Condition1 = 1,
		Condition5 = 5,
		Condition6 = 6,
		Condition18 = 18,
	};
	// Size in bytes of the condition block and of the progress block exchanged with the
	// host: four Int16 values, for the conditions 1, 5, 6 and 18 in this order.
	static constexpr USize ConditionBlockSize = 8;

	// The host's ordering for SortNewElems: true when a goes before b.
	class ElemComparator {
	public:
		virtual bool operator()(const Kit::ConstSharedPtr<Elem>& a, const Kit::ConstSharedPtr<Elem>& b) = 0;
		virtual ~ElemComparator() = default;
	};

	// Creates a model, enters it in the registry and returns the only reference. Holds
	// the registry lock throughout. Unless method is DiskCachingOff the model gets a
	// swap folder (the module must be started). A failed allocation throws
	// Kit::OutOfMemoryException.
	static Kit::SharedPtr<Model3D> New(Kit::SharedPtr<Attributes> attributes, DiskCachingMethod method,
	                                   Kit::SharedPtr<Model3D> mainModel);
	// One entry per registry slot, in slot order; null for a destroyed model and for one
	// whose destruction has begun.
	static Kit::Array<Kit::SharedPtr<Model3D>> GetModels();
	// The 1-based registry position of this model; 0 when it is not registered.
	UInt32 GetGlobalIndex() const;

	~Model3D() override;
	Model3D(const Model3D&) = delete;
	Model3D& operator=(const Model3D&) = delete;

	// State.
	const Box3D& GetBounds() const { return bounds; }
	Kit::Guid GetGuid() const { return guid; }
	const ModStamp& GetInfStamp() const { return infStamp; }
	// Sets the information stamp of the root of the main-model chain; a non-zero stamp
	// gives the root a new GUID, a zero one the null GUID.
	void SetInfStamp(const ModStamp& stamp);
	const ModStamp& GetLastConversionModStamp() const { return lastConversionModStamp; }
	const ModStamp& GetPrevConversionModStamp() const { return prevConversionModStamp; }
	UInt64 GetLastConversionStamp() const { return lastConversionStamp; }
	void SetLastConversionModStamp(const ModStamp& stamp) { lastConversionModStamp = stamp; }
	void SetLastConvModStamp(ModStamp stamp) { lastConversionModStamp = stamp; }
	void SetPrevConversionModStamp(const ModStamp& stamp) { prevConversionModStamp = stamp; }
	void SetLastConversionStamp(const UInt64& stamp) { lastConversionStamp = stamp; }
	UInt32 GetDataHoleCount() const { return dataHoleCount; }
	void ClearDataHoleCount() { dataHoleCount = 0; }
	void IncrementDataHoleCount() { ++dataHoleCount; }

	// Conditions, all kept on the root of the main-model chain. The block operations copy
	// ConditionBlockSize bytes; a null block pointer is skipped.
	Int16 GetCondition(Condition condition) const;
	void SetCondition(Condition condition, Int16 value);
	Int16 GetProgressCondition(Condition condition) const;
	void SetProgressCondition(Condition condition, Int16 value);
	void GetConditions(char* conditionBlock, char* progressBlock) const;
	void SetConditions(const char* conditionBlock, const char* progressBlock);
	// Zeroes both blocks, the data-hole count and the last conversion stamp of the root,
	// then raises AllConditionsCleared on the root.
	void ClearAllConditions();
	void PrintConditions() const {}

	Kit::ConstSharedPtr<Attributes> GetConstAttributesPtr() const { return attributes; }
	Kit::SharedPtr<Attributes> GetAttributesPtr() { return attributes; }

	// Observers.
	void Attach(IModel3DObserver& observer) const;
	void Detach(IModel3DObserver& observer) const;
	void SendSyncDeletedElems(UInt32 first, UInt32 last, UInt32 count);
	void SendElemsTruncated(Int32 newCount);
	void SendElemDeleted(Int32 elemIdx);
	void SendLightsOfElemDeleted(const Kit::Guid& elemGuid);
	void SendRestartDelBoundsBuilding();
	void SendConvertStateChanged(UInt32 value1, UInt32 value2);
	void SendModelChanged();
	void SendModelCleared(bool flag);
	void SendColorShadesChanged() const;
	void SendAllConditionsCleared();
	void SendEventBeforeClear();
	void SendConvertStarted();
	void SendSetFirstNewElem(UInt32 elemIdx);
	void SendModelCompressed(Kit::Array<Int32>& indices);

	// Element lookups. GetBind and GetGlobPgonIdx are answered by the root of the
	// main-model chain, the others by this model.
	Int32 GetElemIdx(const Kit::Guid& elemGuid) const;
	UInt32 GetBind(UInt32 elemIdx, UInt32 bodyIdx) const;
	void CalculateGPgons(UInt32 first);
	UInt32 GetGPgonCount() const;
	Int32 GetGlobPgonIdx(UInt32 elemIdx, UInt32 bodyIdx) const;
	// Element and 0-based body (hotspot) of a 1-based global body (hotspot) number. Past
	// the total, the element index is the element count. Null out-pointers are skipped.
	void GetElemBodyIdx(UInt32 globalBodyIdx, UInt32* elemIdx, UInt32* bodyIdx) const;
	void GetElemHotspotIdx(UInt32 globalHotspotIdx, UInt32* elemIdx, UInt32* hotspotIdx) const;

	// The parent of the element with this GUID; the null GUID when there is none.
	Kit::Guid GetParentGuid(const Kit::Guid& elemGuid) const;
	// Records parent as the parent of the element in slot elemIdx; nothing when either
	// GUID is null. An index outside the list throws Kit::IllegalArgumentException.
	void SetParentOfElem(UInt32 elemIdx, const Kit::Guid& parent);

	// Gathers the element boxes (elements whose bounds were calculated) from slot first
	// on. From 0 the bounds start empty; from a later slot they are widened, or restarted
	// when they are empty.
	void CalculateBounds(UInt32 first);
	// Cuts the list to newCount slots and raises ElemsTruncated; nothing when it is not
	// shorter than the list.
	void TruncateElemCount(UInt32 newCount);
	// Orders slots first … count − 1 by the comparator, updates their GUID entries and
	// renumbers the global polygon indices from first on. An exception thrown by the
	// comparator leaves the list unchanged.
	void SortNewElems(UInt32 first, ElemComparator& comparator) const;
	// Turns every element into a deleted placeholder, raises EventBeforeClear, clears the
	// caches and empties the list, the index records, the GUID map and the parent map.
	void ClearModel();

	void ClearConvexPolygonCache() const;
	void ClearNormalVectorCache() const;
	void ClearCache() const;
	// Empties the table, then counts, for every element, its base element.
	void GetBaseElemSet(Kit::HashTable<const BaseElem*, UInt32>& baseElems) const;

	// Creates the model's swap folder, named from its global index.
	void CreateSwapFolder();
	// With DiskCachingOn, writes the elements to the cache file in the swap folder and
	// frees them; the next access to the list restores them. Otherwise nothing.
	void Purge();
	// True while the elements live only in the cache file. A restore that fails (a
	// vanished or damaged cache file) throws to the accessing call and leaves the model
	// purged; it is tried again on the next access. HasRestoreFailed tells whether the
	// latest attempt failed, until one succeeds.
	bool IsPurged() const { return elemContainer.IsPurged(); }
	bool HasRestoreFailed() const { return elemContainer.HasRestoreFailed(); }
	// Writes the cache file of the elements without freeing them.
	void WriteAll();

	// Hands this derived model's whole element list over to its main model, together with
	// its GUID map and parent map (shared elements, not copies); this model is left empty
	// and still refers to its main model. Nothing for a main model. No event.
	void TransferToMain();

	// Statistics. Per-element figures: every element counts the content it uses, so
	// shared content is counted once per element.
	// Over the slots, the body count of each element's base element; an empty slot
	// counts 1.
	UInt32 GetBodyCount() const;
	// Σ Elem::GetUsedBytes + 4 bytes per global polygon entry + the model object.
	UInt64 GetUsedBytes() const;
	// Compares GetUsedBytes with GetRealMainUsedBytes and writes the saving that the
	// sharing of base elements brings.
	void RepeatedTopologySaveReport(Kit::OChannel& channel) const;

	// Maintenance hooks; they have no effect.
	void Ready() {}
	void Check() const {}
	void DetailedCheck() const {}
	void PackData() {}

private:
	friend class Model3DViewer;
	friend class Model3DOnlyModifier;
	friend class Model3DModifier;
	friend void MoveEnd(Model3DModifier* source, Model3DModifier* destination, UInt32 first);
	friend void DeepCopyModel3D(Kit::SharedPtr<Model3D> destination, const Model3D& source);

	Model3D(Kit::SharedPtr<Attributes> attributes, DiskCachingMethod method, Kit::SharedPtr<Model3D> mainModel);

	// Real figures: sums over the distinct base elements of the model (GetBaseElemSet),
	// each counted once however many elements share it, and over the elements (whose
	// count includes empty slots).
	ContentFigures GetRealMainFigures() const;
	UInt32 GetRealMainBodyCount() const { return GetRealMainFigures().bodies; }
	UInt32 GetRealMainHotspotCount() const { return GetRealMainFigures().hotspots; }
	UInt32 GetRealMainLightSourceCount() const { return GetRealMainFigures().lights; }
	UInt32 GetRealMainModelPolygonCount() const { return GetRealMainFigures().polygons; }
	UInt32 GetRealMainModelPolyEdgeCount() const { return GetRealMainFigures().polyEdges; }
	UInt32 GetRealMainModelEdgeCount() const { return GetRealMainFigures().edges; }
	UInt32 GetRealMainModelVertexCount() const { return GetRealMainFigures().vertices; }
	UInt32 GetRealMainModelPolyNormalCount() const { return GetRealMainFigures().polyNormals; }
	UInt32 GetRealMainModelTextureVertexCount() const { return GetRealMainFigures().textureVertices; }
	UInt64 GetRealMainModelPolyEdgeUsedBytes() const { return GetRealMainFigures().polyEdgeBytes; }
	// Σ Elem::GetSizeofElem + Σ over the distinct base elements of BaseElem::GetUsedBytes
	// + 4 bytes per global polygon entry + the model object.
	UInt64 GetRealMainUsedBytes() const { return GetRealMainUsedBytes(GetRealMainFigures()); }
	UInt64 GetRealMainUsedBytes(const ContentFigures& realMain) const;
	// The bytes of the model with content of 'contentBytes': plus 4 bytes per global
	// polygon entry and the model object.
	UInt64 GetModelBytes(UInt64 contentBytes) const;

	// The element list, restored first when purged.
	ElemContainer::ElemList& GetElems();
	const ElemContainer::ElemList& GetElems() const;
	UInt32 GetElemCount() const { return elemContainer.GetElemCount(); }
	// The root of the main-model chain (this model for a main model).
	Model3D& GetRoot();
	const Model3D& GetRoot() const;

	// The element operations of the views.
	UInt32 AddElem(const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent);
	void ReplaceElem(UInt32 elemIdx, const Kit::ConstSharedPtr<Elem>& elem, const Kit::Guid& parent);
	void EmptyElem(UInt32 elemIdx);
	void RemoveInvalidElems();
	void DeleteLightSourcesOfElem(const Kit::Guid& elemGuid);
	void DeleteElem(Int32 elemIdx);
	void DeleteElems(bool (*predicate)(const Elem&));
	// A deleted placeholder made from the element in the slot, stored with no parent.
	void ReplaceByDeletedPlaceholder(UInt32 elemIdx);
	// Removes the GUID map entry of the element in the slot when it names that slot.
	void ForgetGuidOfSlot(UInt32 elemIdx);
	// Throws Kit::IllegalArgumentException unless elemIdx addresses an element.
	void CheckElemIdx(Int64 elemIdx, const char* operation) const;
	// Rebuilds the mirror of the main model from slot first on: the list takes the main
	// model's length, and every slot from first on receives a new element with the
	// identity, flags, transformation and bounds of the main model's element and copies
	// of its bodies' header attributes (no geometry, no hotspots, no lights). Nothing for
	// a main model, or when first is at or beyond both element counts.
	void UpdateFromMainModel(UInt32 first);

	mutable ModelEventSource eventSource;
	Kit::SharedPtr<Model3D> mainModel;
	UInt32 dataHoleCount = 0;
	Box3D bounds = Box3D::Unit();
	Box3D auxBounds = Box3D::Unit();
	ModStamp infStamp;
	Kit::Guid guid;
	ModStamp prevConversionModStamp;
	ModStamp lastConversionModStamp;
	UInt64 lastConversionStamp = 0;
	Int16 progressConditions[4] = {0, 0, 0, 0};
	Int16 conditions[4] = {0, 0, 0, 0};
	ElemContainer elemContainer;
	Kit::HashTable<Kit::Guid, Kit::Guid> parentMap;
	Kit::SharedPtr<Attributes> attributes;
	// The registry slot + 1 once New has entered the model; 0 before.
	UInt32 registryIndex = 0;

	static_assert(sizeof(conditions) == ConditionBlockSize && sizeof(progressConditions) == ConditionBlockSize);
};

} // namespace Modeler

#include "Model3D/core/model/DerivedModel.h"
#include "Model3D/core/model/Model3DViews.h"
