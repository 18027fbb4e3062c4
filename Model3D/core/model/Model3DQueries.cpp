// Model3D: lookups, binds and global indices, bounds, caches and the base-element set.
#include "Model3D/core/model/Model3D.h"

#include "platform/KitException.h"

#include <algorithm>
#include <new>

namespace Modeler {

namespace {

UInt32 BodyCountOf(const Elem* elem) {
	return elem != nullptr && elem->GetConstBaseElem() != nullptr ? elem->GetBodyCount() : 0;
}

UInt32 HotspotCountOf(const Elem* elem) {
	return elem != nullptr && elem->GetConstBaseElem() != nullptr ? elem->GetHotspotCount() : 0;
}

// Resolves a 1-based global number over per-element counts: the element whose range
// holds it and the 0-based position inside it. Past the total the element is the count
// and the position counts on from the total.
template <typename CountOf>
void ResolveGlobalIdx(const ElemContainer::ElemList& elems, UInt32 globalIdx, CountOf countOf, UInt32* elemIdx,
                      UInt32* localIdx) {
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	UInt64 sum = 0;
	UInt32 e = 0;
	for (; e < count; ++e) {
		const UInt32 n = countOf(elems[e].Get());
		if (sum + n >= globalIdx) break;
		sum += n;
	}
	if (elemIdx != nullptr) *elemIdx = e;
	if (localIdx != nullptr) *localIdx = static_cast<UInt32>(globalIdx - sum - 1);
}

} // namespace

Int32 Model3D::GetElemIdx(const Kit::Guid& elemGuid) const {
	return elemContainer.GetElemIdx(elemGuid);
}

UInt32 Model3D::GetBind(UInt32 elemIdx, UInt32 bodyIdx) const {
	return GetRoot().elemContainer.GetBind(elemIdx, bodyIdx);
}

void Model3D::CalculateGPgons(UInt32 first) {
	elemContainer.CalculateGPgons(first);
}

UInt32 Model3D::GetGPgonCount() const {
	return elemContainer.GetGPgonCount();
}

Int32 Model3D::GetGlobPgonIdx(UInt32 elemIdx, UInt32 bodyIdx) const {
	return GetRoot().elemContainer.GetGlobPgonIdx(elemIdx, bodyIdx);
}

void Model3D::GetElemBodyIdx(UInt32 globalBodyIdx, UInt32* elemIdx, UInt32* bodyIdx) const {
	ResolveGlobalIdx(GetElems(), globalBodyIdx, BodyCountOf, elemIdx, bodyIdx);
}

void Model3D::GetElemHotspotIdx(UInt32 globalHotspotIdx, UInt32* elemIdx, UInt32* hotspotIdx) const {
	ResolveGlobalIdx(GetElems(), globalHotspotIdx, HotspotCountOf, elemIdx, hotspotIdx);
}

void Model3D::CalculateBounds(UInt32 first) {
	bool restart;
	if (first == 0) {
		bounds = Box3D::Empty();
		restart = true;
	} else {
		restart = bounds.IsEmpty();
	}
	const ElemContainer::ElemList& elems = GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	for (UInt32 i = first; i < count; ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr || !elem->GetBoundsCalculated()) continue;
		const F_Box3D& box = elem->GetBounds();
		if (box.IsEmpty()) continue;
		const Box3D wide{box.xMin, box.yMin, box.xMax, box.yMax, box.zMin, box.zMax};
		if (restart) {
			bounds = wide;
			restart = false;
			continue;
		}
		bounds.xMin = std::min(bounds.xMin, wide.xMin);
		bounds.yMin = std::min(bounds.yMin, wide.yMin);
		bounds.zMin = std::min(bounds.zMin, wide.zMin);
		bounds.xMax = std::max(bounds.xMax, wide.xMax);
		bounds.yMax = std::max(bounds.yMax, wide.yMax);
		bounds.zMax = std::max(bounds.zMax, wide.zMax);
	}
}

void Model3D::ClearConvexPolygonCache() const {
	const ElemContainer::ElemList& elems = GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		if (const Elem* elem = elems[i].Get()) elem->ClearConvexPolygonCache();
	}
}

void Model3D::ClearNormalVectorCache() const {
	const ElemContainer::ElemList& elems = GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		const UInt32 bodyCount = BodyCountOf(elem);
		for (UInt32 j = 0; j < bodyCount; ++j) {
			if (const Body* body = elem->GetConstBody(j).Get()) body->ClearRoundNormVectorCache();
		}
	}
}

void Model3D::ClearCache() const {
	ClearConvexPolygonCache();
	ClearNormalVectorCache();
}

void Model3D::GetBaseElemSet(Kit::HashTable<const BaseElem*, UInt32>& baseElems) const {
	baseElems.Clear();
	const ElemContainer::ElemList& elems = GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		const BaseElem* base = elem != nullptr ? elem->GetConstBaseElem() : nullptr;
		if (base == nullptr) continue;
		if (UInt32* count = baseElems.GetPtr(base)) {
			++*count;
			continue;
		}
		try {
			baseElems.Put(base, 1);
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
	}
}

} // namespace Modeler
