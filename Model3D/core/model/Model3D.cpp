// Model3D: creation and registry, stamps, conditions, events and the swap folder.
#include "Model3D/core/model/Model3D.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "Model3D/core/model/detail/ModelRegistry.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace Modeler {

namespace {

// The host's string list with the swap-folder name pattern, and its entry.
constexpr Int32 FolderNameList = 10000;
constexpr Int32 SwapFolderNameEntry = 49;

// Position of a stored condition in the condition blocks, or -1.
Int32 ConditionSlot(Model3D::Condition condition) {
	switch (static_cast<Int32>(condition)) {
	case Model3D::Condition1:
		return 0;
	case Model3D::Condition5:
		return 1;
	case Model3D::Condition6:
		return 2;
	case Model3D::Condition18:
		return 3;
	default:
		return -1;
	}
}

} // namespace

// ---- creation, registry, lifetime -------------------------------------------------

Model3D::Model3D(Kit::SharedPtr<Attributes> attributesPtr, DiskCachingMethod method, Kit::SharedPtr<Model3D> main)
    : MainContainerBase(method), mainModel(std::move(main)), attributes(std::move(attributesPtr)) {
	if (method != DiskCachingOff) CreateSwapFolder();
	// A derived model starts as a full mirror of its main model. Should that fail, the
	// destructor does not run: the swap folder is removed here.
	if (mainModel != nullptr) {
		try {
			UpdateFromMainModel(0);
		} catch (...) {
			RemoveSwapFolder();
			throw;
		}
	}
}

Kit::SharedPtr<Model3D> Model3D::New(Kit::SharedPtr<Attributes> attributes, DiskCachingMethod method,
                                     Kit::SharedPtr<Model3D> mainModel) {
	// Held for the whole construction: the constructor asks for the registry size to
	// name the swap folder, and no other thread may register a model meanwhile.
	Kit::FastLockGuard guard(GetRegistryLock());
	Model3D* model = nullptr;
	try {
		model = new (std::nothrow) Model3D(std::move(attributes), method, std::move(mainModel));
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	if (model == nullptr) throw Kit::OutOfMemoryException();
	Kit::SharedPtr<Model3D> result(model);
	model->registryIndex = ModelRegistry::Append(model);
	return result;
}

Model3D::~Model3D() {
	RemoveSwapFolder();
	ModelRegistry::Remove(registryIndex, this);
	// The members go in reverse order of declaration: attributes, parent map, element
	// container, main model, observers (which are told by their base), then the base.
}

Kit::Array<Kit::SharedPtr<Model3D>> Model3D::GetModels() {
	Kit::FastLockGuard guard(GetRegistryLock());
	const Kit::Array<Model3D*>& slots = ModelRegistry::GetSlotsLocked();
	Kit::Array<Kit::SharedPtr<Model3D>> models;
	try {
		models.reserve(slots.GetSize());
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	for (Model3D* model : slots) {
		// A model whose count already reached zero is being destroyed and has not cleared
		// its slot yet: it must not be handed out again.
		if (model != nullptr && model->TryAddRef())
			models.Push(Kit::SharedPtr<Model3D>::Adopt(model));
		else
			models.Push(nullptr);
	}
	return models;
}

UInt32 Model3D::GetGlobalIndex() const {
	Kit::FastLockGuard guard(GetRegistryLock());
	return registryIndex != 0 && ModelRegistry::GetAt(registryIndex) == this ? registryIndex : 0;
}

void Model3D::CreateSwapFolder() {
	Kit::FastLockGuard guard(GetRegistryLock());
	// The folder is numbered one above the global index, also while the model is being
	// constructed and not registered yet (it will get the index registry size + 1). So a
	// model that makes its folder again after registration gets the same folder back and
	// never another model's.
	const UInt32 index = GetGlobalIndex();
	const UInt32 number = index != 0 ? index + 1 : ModelRegistry::GetSize() + 2;

	char format[OUFixStringBufferSize];
	if (!OUGetFixString(format, FolderNameList, SwapFolderNameEntry, GetTextResModule()) ||
	    !IsFormatFor(format, FormatArgument::Unsigned, 1))
		throw Kit::RunTimeErrorException("Error in Model3D::CreateSwapFolder", "Model3D/Model3D", __LINE__);
	char name[OUFixStringBufferSize];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
	std::snprintf(name, sizeof name, format, static_cast<unsigned int>(number));
#pragma GCC diagnostic pop
	MainContainerBase::CreateSwapFolder(IO::Name(name));
}

void Model3D::Purge() {
	if (GetDiskCachingMethod() != DiskCachingOn) return;
	elemContainer.PurgeToFile(GetSwapFolderLocation(), static_cast<Int32>(GetGlobalIndex()));
}

void Model3D::WriteAll() {
	elemContainer.WriteToFile(GetSwapFolderLocation(), static_cast<Int32>(GetGlobalIndex()));
}

Model3D& Model3D::GetRoot() {
	Model3D* model = this;
	while (model->mainModel != nullptr)
		model = model->mainModel.Get();
	return *model;
}

const Model3D& Model3D::GetRoot() const {
	const Model3D* model = this;
	while (model->mainModel != nullptr)
		model = model->mainModel.Get();
	return *model;
}

// ---- stamps -----------------------------------------------------------------------

void Model3D::SetInfStamp(const ModStamp& stamp) {
	Model3D& root = GetRoot();
	root.infStamp = stamp;
	root.guid = stamp.IsZero() ? Kit::NULLGuid : Kit::Guid::Generate();
}

// ---- conditions -------------------------------------------------------------------

Int16 Model3D::GetCondition(Condition condition) const {
	const Int32 slot = ConditionSlot(condition);
	return slot >= 0 ? GetRoot().conditions[slot] : Int16{0};
}

void Model3D::SetCondition(Condition condition, Int16 value) {
	if (const Int32 slot = ConditionSlot(condition); slot >= 0) GetRoot().conditions[slot] = value;
}

Int16 Model3D::GetProgressCondition(Condition condition) const {
	const Int32 slot = ConditionSlot(condition);
	return slot >= 0 ? GetRoot().progressConditions[slot] : Int16{0};
}

void Model3D::SetProgressCondition(Condition condition, Int16 value) {
	if (const Int32 slot = ConditionSlot(condition); slot >= 0) GetRoot().progressConditions[slot] = value;
}

void Model3D::GetConditions(char* conditionBlock, char* progressBlock) const {
	const Model3D& root = GetRoot();
	if (conditionBlock != nullptr) std::memcpy(conditionBlock, root.conditions, ConditionBlockSize);
	if (progressBlock != nullptr) std::memcpy(progressBlock, root.progressConditions, ConditionBlockSize);
}

void Model3D::SetConditions(const char* conditionBlock, const char* progressBlock) {
	Model3D& root = GetRoot();
	if (conditionBlock != nullptr) std::memcpy(root.conditions, conditionBlock, ConditionBlockSize);
	if (progressBlock != nullptr) std::memcpy(root.progressConditions, progressBlock, ConditionBlockSize);
}

void Model3D::ClearAllConditions() {
	Model3D& root = GetRoot();
	std::memset(root.conditions, 0, ConditionBlockSize);
	std::memset(root.progressConditions, 0, ConditionBlockSize);
	root.dataHoleCount = 0;
	root.lastConversionStamp = 0;
	root.SendAllConditionsCleared();
}

// ---- observers and events ---------------------------------------------------------

void Model3D::Attach(IModel3DObserver& observer) const {
	eventSource.Attach(observer);
}

void Model3D::Detach(IModel3DObserver& observer) const {
	eventSource.Detach(observer);
}

void Model3D::SendSyncDeletedElems(UInt32 first, UInt32 last, UInt32 count) {
	eventSource.Raise("SyncDeletedElems", [&](IModel3DObserver& o) { o.SyncDeletedElems(*this, first, last, count); });
}

void Model3D::SendElemsTruncated(Int32 newCount) {
	eventSource.Raise("ElemsTruncated",
	                  [&](IModel3DObserver& o) { o.ElemsTruncated(*this, static_cast<UInt32>(newCount)); });
}

void Model3D::SendElemDeleted(Int32 elemIdx) {
	eventSource.Raise("ElemDeleted", [&](IModel3DObserver& o) { o.ElemDeleted(*this, static_cast<UInt32>(elemIdx)); });
}

void Model3D::SendLightsOfElemDeleted(const Kit::Guid& elemGuid) {
	eventSource.Raise("LightsOfElemDeleted", [&](IModel3DObserver& o) { o.LightsOfElemDeleted(*this, elemGuid); });
}

void Model3D::SendRestartDelBoundsBuilding() {
	eventSource.Raise("RestartDelBoundsBuilding", [&](IModel3DObserver& o) { o.RestartDelBoundsBuilding(*this); });
}

void Model3D::SendConvertStateChanged(UInt32 value1, UInt32 value2) {
	eventSource.Raise("ConvertStateChanged",
	                  [&](IModel3DObserver& o) { o.ConvertStateChanged(*this, value1, value2); });
}

void Model3D::SendModelChanged() {
	eventSource.Raise("ModelChanged", [&](IModel3DObserver& o) { o.ModelChanged(*this); });
}

void Model3D::SendModelCleared(bool flag) {
	eventSource.Raise("ModelCleared", [&](IModel3DObserver& o) { o.ModelCleared(*this, flag); });
}

void Model3D::SendColorShadesChanged() const {
	eventSource.Raise("ColorShadesChanged", [&](IModel3DObserver& o) { o.ColorShadesChanged(*this); });
}

void Model3D::SendAllConditionsCleared() {
	eventSource.Raise("AllConditionsCleared", [&](IModel3DObserver& o) { o.AllConditionsCleared(*this); });
}

void Model3D::SendEventBeforeClear() {
	eventSource.Raise("EventBeforeClear", [&](IModel3DObserver& o) { o.EventBeforeClear(*this); });
}

void Model3D::SendConvertStarted() {
	eventSource.Raise("ConvertStarted", [&](IModel3DObserver& o) { o.ConvertStarted(*this); });
}

void Model3D::SendSetFirstNewElem(UInt32 elemIdx) {
	eventSource.Raise("SetFirstNewElem", [&](IModel3DObserver& o) { o.SetFirstNewElem(*this, elemIdx); });
}

void Model3D::SendModelCompressed(Kit::Array<Int32>& indices) {
	eventSource.Raise("ModelCompressed", [&](IModel3DObserver& o) { o.ModelCompressed(*this, indices); });
}

} // namespace Modeler
