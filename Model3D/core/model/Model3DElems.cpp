// Model3D: changes of the element list (adding, replacing, emptying, deleting, compacting,
// truncating, sorting, clearing) and the parent map.
#include "Model3D/core/model/Model3D.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "platform/KitException.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace Modeler {

namespace {

UInt32 BodyCountOf(const Elem* elem) {
	return elem != nullptr && elem->GetConstBaseElem() != nullptr ? elem->GetBodyCount() : 0;
}

const Kit::Guid& GuidOf(const Elem* elem) {
	return elem != nullptr ? elem->GetElemId().guid : Kit::NULLGuid;
}

[[noreturn]] void ThrowIllegalArgument(const char* message, UInt32 line) {
	throw Kit::IllegalArgumentException(message, "Model3D/Model3D", line);
}

} // namespace

ElemContainer::ElemList& Model3D::GetElems() {
	return elemContainer.GetElems();
}

const ElemContainer::ElemList& Model3D::GetElems() const {
	return elemContainer.GetElems();
}

void Model3D::CheckElemIdx(Int64 elemIdx, const char* message) const {
	if (elemIdx < 0 || elemIdx >= static_cast<Int64>(GetElems().GetSize())) ThrowIllegalArgument(message, __LINE__);
}

void Model3D::ForgetGuidOfSlot(UInt32 elemIdx) {
	const Kit::Guid& elemGuid = GuidOf(GetElems()[elemIdx].Get());
	if (elemGuid.IsNull()) return;
	// Only the entry that names this slot goes: with duplicate GUIDs another slot may
	// own the entry, and it must stay findable.
	ElemContainer::GuidIndexMap& guidMap = elemContainer.GetElemGuidIndexMap();
	const UInt32* mapped = guidMap.GetPtr(elemGuid);
	if (mapped != nullptr && *mapped == elemIdx) guidMap.Delete(elemGuid);
}

UInt32 Model3D::AddElem(const Kit::SharedPtr<Elem>& elem, const Kit::Guid& parent) {
	if (elem == nullptr) ThrowIllegalArgument("Model3D::AddElem: null element", __LINE__);
	ElemContainer::ElemList& elems = GetElems();
	const UInt32 elemIdx = static_cast<UInt32>(elems.GetSize());
	const Kit::Guid& elemGuid = elem->GetElemId().guid;
	try {
		elems.Push(Kit::ConstSharedPtr<Elem>(elem));
		try {
			if (!elemGuid.IsNull()) elemContainer.GetElemGuidIndexMap().Put(elemGuid, elemIdx);
		} catch (...) {
			elems.DeleteLast();
			throw;
		}
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	elemContainer.InvalidateBindIndex();
	SetParentOfElem(elemIdx, parent);
	return elemIdx;
}

void Model3D::ReplaceElem(UInt32 elemIdx, const Kit::ConstSharedPtr<Elem>& elem, const Kit::Guid& parent) {
	if (elem == nullptr) ThrowIllegalArgument("Model3D::ReplaceElem: null element", __LINE__);
	CheckElemIdx(elemIdx, "Model3D::ReplaceElem: element index out of range");
	ElemContainer::ElemList& elems = GetElems();
	const Elem* old = elems[elemIdx].Get();
	const Kit::Guid& oldGuid = GuidOf(old);
	const Kit::Guid& newGuid = elem->GetElemId().guid;

	// The new entry first: it is the only step that can fail, and nothing is changed yet.
	if (!newGuid.IsNull()) {
		try {
			elemContainer.GetElemGuidIndexMap().Put(newGuid, elemIdx);
		} catch (const Kit::KitException&) {
			throw;
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
	}
	if (oldGuid != newGuid) ForgetGuidOfSlot(elemIdx);
	if (BodyCountOf(old) != BodyCountOf(elem.Get())) elemContainer.InvalidateBindIndex();
	elems[elemIdx] = elem;
	SetParentOfElem(elemIdx, parent);
}

void Model3D::SetParentOfElem(UInt32 elemIdx, const Kit::Guid& parent) {
	CheckElemIdx(elemIdx, "Model3D::SetParentOfElem: element index out of range");
	const Kit::Guid& elemGuid = GuidOf(GetElems()[elemIdx].Get());
	if (elemGuid.IsNull() || parent.IsNull()) return;
	try {
		parentMap.Put(elemGuid, parent);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
}

Kit::Guid Model3D::GetParentGuid(const Kit::Guid& elemGuid) const {
	if (elemGuid.IsNull()) return Kit::NULLGuid;
	const Kit::Guid* parent = parentMap.GetPtr(elemGuid);
	return parent != nullptr ? *parent : Kit::NULLGuid;
}

void Model3D::EmptyElem(UInt32 elemIdx) {
	CheckElemIdx(elemIdx, "Model3D::EmptyElem: element index out of range");
	Kit::ConstSharedPtr<Elem>& slot = GetElems()[elemIdx];
	if (slot == nullptr) return;
	slot = Kit::ConstSharedPtr<Elem>(NewElemObject<Elem>(*slot, Elem::Empty));
}

void Model3D::ReplaceByDeletedPlaceholder(UInt32 elemIdx) {
	const Elem* current = GetElems()[elemIdx].Get();
	if (current == nullptr) return;
	Kit::SharedPtr<Elem> placeholder(NewElemObject<Elem>(*current, Elem::Shallow));
	placeholder->SetDeleted();
	ReplaceElem(elemIdx, placeholder, Kit::NULLGuid);
}

void Model3D::DeleteElem(Int32 elemIdx) {
	CheckElemIdx(elemIdx, "Model3D::DeleteElem: element index out of range");
	ReplaceByDeletedPlaceholder(static_cast<UInt32>(elemIdx));
	++dataHoleCount;
	SendElemDeleted(elemIdx);
}

void Model3D::DeleteElems(bool (*predicate)(const Elem&)) {
	if (predicate == nullptr) ThrowIllegalArgument("Model3D::DeleteElems: null predicate", __LINE__);
	ElemContainer::ElemList& elems = GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	UInt32 first = 0;
	UInt32 last = 0xFFFFFFFF;
	UInt32 deleted = 0;
	for (UInt32 i = 0; i < count; ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr || elem->IsInvalid() || !predicate(*elem)) continue;
		ReplaceByDeletedPlaceholder(i);
		if (deleted == 0) first = i;
		last = i;
		++deleted;
	}
	SendSyncDeletedElems(first, last, deleted);

	// Cut the tail, but only when it holds nothing but deleted placeholders.
	const UInt32 elemCount = static_cast<UInt32>(GetElems().GetSize());
	if (last + 1 == elemCount) {
		if (last - first + 1 != deleted) return;
		TruncateElemCount(first);
	} else {
		UInt32 lastValid = 0;
		for (UInt32 i = elemCount; i-- > 0;) {
			const Elem* elem = GetElems()[i].Get();
			if (elem != nullptr && !elem->IsInvalid()) {
				lastValid = i;
				break;
			}
		}
		if (lastValid < first) TruncateElemCount(first);
	}
	SetCondition(Condition18, 8);
}

void Model3D::RemoveInvalidElems() {
	ElemContainer::ElemList& elems = GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());

	// The new maps are built before anything moves, so that a failed allocation leaves
	// the model as it was.
	ElemContainer::GuidIndexMap newGuidMap;
	Kit::HashTable<Kit::Guid, Kit::Guid> newParentMap;
	UInt32 kept = 0;
	try {
		for (UInt32 i = 0; i < count; ++i) {
			const Elem* elem = elems[i].Get();
			if (elem == nullptr || elem->IsInvalid()) continue;
			const Kit::Guid& elemGuid = elem->GetElemId().guid;
			if (!elemGuid.IsNull()) {
				newGuidMap.Put(elemGuid, kept);
				if (elem->IsChild()) {
					const Kit::Guid parent = GetParentGuid(elemGuid);
					if (!parent.IsNull()) newParentMap.Put(elemGuid, parent);
				}
			}
			++kept;
		}
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}

	UInt32 target = 0;
	for (UInt32 i = 0; i < count; ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr || elem->IsInvalid()) continue;
		if (target != i) elems[target] = std::move(elems[i]);
		++target;
	}
	elems.SetSize(kept);
	elemContainer.GetElemGuidIndexMap() = std::move(newGuidMap);
	parentMap = std::move(newParentMap);
	elemContainer.InvalidateBindIndex();
}

void Model3D::DeleteLightSourcesOfElem(const Kit::Guid& guidArgument) {
	// A copy: the argument may live in the element that is about to be replaced.
	const Kit::Guid elemGuid = guidArgument;
	const Int32 elemIdx = GetElemIdx(elemGuid);
	if (elemIdx < 0) return;
	const Elem& elem = *GetElems()[static_cast<UInt32>(elemIdx)];
	const BaseElem* base = elem.GetConstBaseElem();
	if (base != nullptr && base->GetLightSourceCount() > 0) {
		// New objects throughout: other holders of the old element or base element keep
		// their lights.
		Kit::SharedPtr<Elem> copy(NewElemObject<Elem>(elem, Elem::Shallow));
		Kit::SharedPtr<BaseElem> newBase(NewElemObject<BaseElem>(*base));
		newBase->ClearLightSources();
		copy->SetBaseElem(newBase);
		ReplaceElem(static_cast<UInt32>(elemIdx), copy, GetParentGuid(copy->GetElemId().guid));
	}
	SendLightsOfElemDeleted(elemGuid);
}

void Model3D::TruncateElemCount(UInt32 newCount) {
	ElemContainer::ElemList& elems = GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	if (newCount >= count) return;
	for (UInt32 i = newCount; i < count; ++i)
		ForgetGuidOfSlot(i);
	elems.SetSize(newCount);
	elemContainer.InvalidateBindIndex();
	SendElemsTruncated(static_cast<Int32>(newCount));
}

void Model3D::SortNewElems(UInt32 first, ElemComparator& comparator) const {
	// Sorting changes the list of a model that the host reaches as const; the model is
	// never a const object itself.
	Model3D& self = const_cast<Model3D&>(*this);
	ElemContainer::ElemList& elems = self.GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	if (first < count) {
		// Sort copies of the slots: should the comparator throw, the list is untouched.
		std::vector<Kit::ConstSharedPtr<Elem>> sorted;
		try {
			sorted.reserve(count - first);
			for (UInt32 i = first; i < count; ++i)
				sorted.push_back(elems[i]);
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
		// A merge sort: unlike std::sort it never reads outside the range when the host's
		// comparator is deterministic but not a strict weak ordering.
		std::stable_sort(sorted.begin(), sorted.end(),
		                 [&comparator](const Kit::ConstSharedPtr<Elem>& a, const Kit::ConstSharedPtr<Elem>& b) {
			                 return comparator(a, b);
		                 });
		ElemContainer::GuidIndexMap& guidMap = self.elemContainer.GetElemGuidIndexMap();
		for (UInt32 i = first; i < count; ++i) {
			elems[i] = std::move(sorted[i - first]);
			const Kit::Guid& elemGuid = GuidOf(elems[i].Get());
			if (!elemGuid.IsNull()) {
				try {
					guidMap.Put(elemGuid, i);
				} catch (const std::bad_alloc&) {
					throw Kit::OutOfMemoryException();
				}
			}
		}
	}
	self.elemContainer.InvalidateBindIndex();
	self.elemContainer.CalculateGPgons(first);
}

void Model3D::ClearModel() {
	ElemContainer::ElemList& elems = GetElems();
	for (UInt32 i = 0; i < elems.GetSize(); ++i)
		ReplaceByDeletedPlaceholder(i);
	SendEventBeforeClear();
	ClearConvexPolygonCache();
	ClearNormalVectorCache();
	GetElems().Clear();
	elemContainer.GetElemIndices().Clear();
	elemContainer.GetElemGuidIndexMap().Clear();
	elemContainer.InvalidateBindIndex();
	parentMap.Clear();
}

} // namespace Modeler
