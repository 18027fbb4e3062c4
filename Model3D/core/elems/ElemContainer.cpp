#include "Model3D/core/elems/ElemContainer.h"

namespace Modeler {

ElemContainer::ElemContainer() = default;

ElemContainer::~ElemContainer() = default;

void ElemContainer::EnsureRestored() const {
	if (purged.load(std::memory_order_acquire)) const_cast<ElemContainer*>(this)->Restore();
}

ElemContainer::ElemList& ElemContainer::GetElems() {
	EnsureRestored();
	return elems;
}

const ElemContainer::ElemList& ElemContainer::GetElems() const {
	EnsureRestored();
	return elems;
}

ElemContainer::GuidIndexMap& ElemContainer::GetElemGuidIndexMap() {
	EnsureRestored();
	return elemGuidIndexMap;
}

const ElemContainer::GuidIndexMap& ElemContainer::GetElemGuidIndexMap() const {
	EnsureRestored();
	return elemGuidIndexMap;
}

ElemContainer::IndicesList& ElemContainer::GetElemIndices() {
	EnsureRestored();
	return elemIndices;
}

const ElemContainer::IndicesList& ElemContainer::GetElemIndices() const {
	EnsureRestored();
	return elemIndices;
}

UInt32 ElemContainer::GetElemCount() const {
	if (!purged.load(std::memory_order_acquire)) return static_cast<UInt32>(elems.GetSize());
	// A restore may be running in another thread: read under the lock.
	Kit::FastLockGuard guard(lock);
	return purged.load(std::memory_order_relaxed) ? purgedElemCount : static_cast<UInt32>(elems.GetSize());
}

Int32 ElemContainer::GetElemIdx(const Kit::Guid& guid) const {
	EnsureRestored();
	if (guid.IsNull()) return -1;
	const UInt32* index = elemGuidIndexMap.GetPtr(guid);
	if (index == nullptr || *index >= elems.GetSize()) return -1;
	const Kit::ConstSharedPtr<Elem>& elem = elems[*index];
	if (elem == nullptr || elem->GetElemId().guid != guid) return -1;
	return static_cast<Int32>(*index);
}

UInt32 ElemContainer::BodyCountOf(UInt32 elemIdx) const {
	const Elem* elem = elems[elemIdx].Get();
	if (elem == nullptr || elem->GetConstBaseElem() == nullptr) return 0;
	return elem->GetBodyCount();
}

void ElemContainer::CalculateAbsoluteBodyIndices() const {
	const UInt32 n = static_cast<UInt32>(elems.GetSize());
	elemIndices.SetSize(n);
	if (n == 0) return;
	UInt32 bind = 1;
	for (UInt32 i = 0; i < n; ++i) {
		elemIndices[i].absoluteBodyIdx = bind;
		bind += BodyCountOf(i);
	}
	bindIndexValid.store(true, std::memory_order_release);
}

UInt32 ElemContainer::GetBind(UInt32 elemIdx, UInt32 bodyIdx) const {
	EnsureRestored();
	const UInt32 n = static_cast<UInt32>(elems.GetSize());
	if (!bindIndexValid.load(std::memory_order_acquire)) {
		Kit::FastLockGuard guard(bindIndexLock);
		if (!bindIndexValid.load(std::memory_order_relaxed)) CalculateAbsoluteBodyIndices();
	}
	if (elemIdx < n) return elemIndices[elemIdx].absoluteBodyIdx + bodyIdx;
	if (n == 0) return 1;
	return elemIndices[n - 1].absoluteBodyIdx + BodyCountOf(n - 1);
}

namespace {

// A body of a valid element that takes part in the global polygon numbering.
bool AdvancesNumbering(const Body* body) {
	return body != nullptr && body->GetShapeType() != EmptyBodyShapeType && body->GetPolygonCount() > 0;
}

} // namespace

void ElemContainer::CalculateGPgons(UInt32 first) {
	EnsureRestored();
	const UInt32 n = static_cast<UInt32>(elems.GetSize());
	if (first >= n) return;
	elemIndices.SetSize(n);

	// Offsets run in unsigned arithmetic: gPgons[j] + mpuid is the global index modulo
	// 2^32, whatever the mpuids are.
	UInt32 c = 0;
	UInt32 d = 0;

	// Continue from the last body before first that advanced the numbering. Bodies that
	// did not advance it (deleted placeholders, empty bodies) are passed over: their
	// mpuids are not part of the numbering, and taking them would shift or repeat the
	// indices that follow. A body without an entry (never numbered) is passed over too.
	bool found = false;
	for (UInt32 k = first; k-- > 0 && !found;) {
		const Elem* elem = elems[k].Get();
		if (elem == nullptr || elem->GetConstBaseElem() == nullptr || elem->IsInvalid()) continue;
		const Kit::PagedArray<UInt32>& offsets = elemIndices[k].gPgons;
		for (UInt32 j = elem->GetBodyCount(); j-- > 0;) {
			const Body* body = elem->GetConstBody(j).Get();
			if (!AdvancesNumbering(body) || j >= offsets.GetSize()) continue;
			d = static_cast<UInt32>(body->GetConstPolygon(static_cast<Int32>(body->GetPolygonCount() - 1)).mpuid);
			c = offsets[j];
			found = true;
			break;
		}
	}

	for (UInt32 e = first; e < n; ++e) {
		const Elem* elem = elems[e].Get();
		const UInt32 bodyCount = BodyCountOf(e);
		Kit::PagedArray<UInt32>& offsets = elemIndices[e].gPgons;
		offsets.SetSize(bodyCount);
		const bool valid = elem != nullptr && !elem->IsInvalid();
		for (UInt32 j = 0; j < bodyCount; ++j) {
			const Body* body = valid ? elem->GetConstBody(j).Get() : nullptr;
			if (AdvancesNumbering(body)) {
				const UInt32 firstId = static_cast<UInt32>(body->GetConstPolygon(0).mpuid);
				c = c + d - firstId + 1;
				d = static_cast<UInt32>(body->GetConstPolygon(static_cast<Int32>(body->GetPolygonCount() - 1)).mpuid);
			}
			offsets[j] = c;
		}
	}
}

Int32 ElemContainer::GetGlobPgonIdx(UInt32 elemIdx, UInt32 bodyIdx) const {
	EnsureRestored();
	if (elemIdx >= elemIndices.GetSize()) return 0;
	const Kit::PagedArray<UInt32>& offsets = elemIndices[elemIdx].gPgons;
	if (bodyIdx >= offsets.GetSize()) return 0;
	return static_cast<Int32>(offsets[bodyIdx]);
}

UInt32 ElemContainer::GetGPgonCount() const {
	UInt32 count = 0;
	for (USize i = 0; i < elemIndices.GetSize(); ++i)
		count += static_cast<UInt32>(elemIndices[i].gPgons.GetSize());
	return count;
}

} // namespace Modeler
