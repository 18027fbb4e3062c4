#include "Model3D/elements/elem/Elem.h"

#include "Model3D/elements/elem/detail/BoundsStatistics.h"
#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "platform/KitFastLock.h"
#include "platform/KitHashTable.h"

#include <algorithm>
#include <atomic>

namespace Modeler {

namespace {

std::atomic<UInt32> generationCounter{0};
std::atomic<UInt64> transformedVertexCount{0};

// Serializes the first queries of elements whose bounds are pending.
Kit::FastLock& PendingBoundsLock() {
	static Kit::FastLock lock;
	return lock;
}

void Widen(F_Box3D& box, const F_Box3D& other) {
	box.xMin = std::min(box.xMin, other.xMin);
	box.yMin = std::min(box.yMin, other.yMin);
	box.zMin = std::min(box.zMin, other.zMin);
	box.xMax = std::max(box.xMax, other.xMax);
	box.yMax = std::max(box.yMax, other.yMax);
	box.zMax = std::max(box.zMax, other.zMax);
}

} // namespace

UInt64 BoundsStatistics::GetTransformedVertexCount() {
	return transformedVertexCount.load(std::memory_order_relaxed);
}

UInt32 Elem::NewGenId() {
	return generationCounter.fetch_add(1, std::memory_order_relaxed) + 1;
}

Elem::Elem(const VOCA& id, bool isParent, bool isChild, BaseElem* base)
    : elemId(id), genId(NewGenId()), baseElem(base != nullptr ? base : NewElemObject<BaseElem>()) {
	Geometry::TMIdentity(&trafo);
	flags = ElemValid;
	if (isParent) flags |= ElemParent;
	if (isChild) flags |= ElemChild;
}

Elem::Elem(const Elem& src, CopyType type) : Kit::SharedObject(src) {
	switch (type) {
	case Deep:
		DeepCopy(src);
		break;
	case Empty:
		EmptyCopy(src);
		break;
	case Shallow:
	default:
		*this = src;
		break;
	}
}

Elem& Elem::operator=(const Elem& src) {
	if (this != &src) {
		flags = src.flags;
		elemId = src.elemId;
		genId = src.genId;
		trafo = src.trafo;
		baseElem = src.baseElem;
		// The copies change the base element; the bounds copied are those of the source's.
		src.EnsureBounds();
		bodyBounds = src.bodyBounds;
		bounds = src.bounds;
		boundsPending.store(false, std::memory_order_release);
	}
	return *this;
}

Elem::~Elem() = default;

void Elem::ShallowCopy(const Elem& src, const VOCA* newId) {
	*this = src;
	if (newId != nullptr) elemId = *newId;
}

void Elem::DeepCopy(const Elem& src) {
	Kit::SharedPtr<BaseElem> copy;
	if (src.baseElem != nullptr) {
		copy = NewElemObject<BaseElem>();
		copy->DeepCopy(*src.baseElem);
	}
	*this = src;
	baseElem = copy;
}

void Elem::DeepCopyAttributes(const Elem& src) {
	Kit::SharedPtr<BaseElem> copy;
	if (src.baseElem != nullptr) {
		copy = NewElemObject<BaseElem>();
		copy->DeepCopyAttributes(*src.baseElem);
	}
	*this = src;
	baseElem = copy;
}

void Elem::EmptyCopy(const Elem& src) {
	const UInt32 bodyCount = src.baseElem != nullptr ? src.baseElem->GetBodyCount() : 0;
	Kit::ConstSharedPtr<Body> emptyBody(NewElemObject<Body>(Body::EmptyBody));
	Kit::SharedPtr<BaseElem> copy(NewElemObject<BaseElem>());
	for (UInt32 i = 0; i < bodyCount; ++i)
		copy->AddBody(emptyBody);
	*this = src;
	baseElem = copy;
	CalculateBounds();
}

void Elem::SetTrafo(const TRAN& t) {
	// The bounds stay those of the transformation held before.
	EnsureBounds();
	trafo = t;
	Geometry::TMFillStatus(&trafo);
	if ((trafo.status & Geometry::TR_MIRROR) != 0)
		throw Kit::OutOfMemoryException("Mirror flag in the TRANMAT.", "Model3D/Elem", 361);
}

void Elem::SetDeleted() {
	flags &= static_cast<UInt16>(~(ElemValid | ElemParent | ElemChild));
	elemId.guid = Kit::NULLGuid;
	genId = NewGenId();
}

void Elem::ClearConvexPolygonCache() const {
	if (baseElem != nullptr) baseElem->ClearConvexPolygonCache();
}

const F_Box3D& Elem::GetBodyBounds(UInt32 i) const {
	if (IsIdentityTrafo(trafo)) return baseElem->GetConstBody(i)->GetLocalBounds();
	EnsureBounds();
	return bodyBounds[i];
}

void Elem::CalculateBounds() {
	flags |= ElemBoundsCalculated;
	ComputeBounds();
	boundsPending.store(false, std::memory_order_release);
}

void Elem::ComputePendingBounds() const {
	Kit::FastLockGuard guard(PendingBoundsLock());
	if (!boundsPending.load(std::memory_order_relaxed)) return;
	ComputeBounds();
	boundsPending.store(false, std::memory_order_release);
}

namespace {

// The transformed boxes of the bodies of a base element, one per slot. A body that
// stands in several slots is transformed once.
void TransformBodyBoxes(const BaseElem& base, const TRAN& trafo, Kit::Array<F_Box3D>& boxes) {
	const UInt32 bodyCount = base.GetBodyCount();
	boxes.SetSize(bodyCount);
	Kit::HashTable<const Body*, UInt32> firstSlot;
	for (UInt32 i = 0; i < bodyCount; ++i) {
		const Body* body = base.GetConstBody(i).Get();
		if (const UInt32* first = firstSlot.GetPtr(body)) {
			boxes[i] = boxes[*first];
			continue;
		}
		body->GetBounds(&trafo, boxes[i]);
		transformedVertexCount.fetch_add(body->GetVertexCount(), std::memory_order_relaxed);
		if (bodyCount > 1) firstSlot.Add(body, i);
	}
}

} // namespace

void Elem::ComputeBounds() const {
	bounds = F_Box3D::Empty();
	if (baseElem == nullptr) {
		bodyBounds.Clear();
		return;
	}

	const bool identity = IsIdentityTrafo(trafo);
	const UInt32 bodyCount = baseElem->GetBodyCount();
	if (identity)
		bodyBounds.Clear();
	else
		TransformBodyBoxes(*baseElem, trafo, bodyBounds);

	bool started = false;
	for (UInt32 i = 0; i < bodyCount; ++i) {
		const F_Box3D& box = identity ? baseElem->GetConstBody(i)->GetLocalBounds() : bodyBounds[i];
		if (box.IsEmpty()) continue;
		if (started) {
			Widen(bounds, box);
		} else {
			bounds = box;
			started = true;
		}
	}

	const UInt32 hotspotCount = baseElem->GetHotspotCount();
	for (UInt32 i = 0; i < hotspotCount; ++i) {
		double x = 0.0, y = 0.0, z = 0.0;
		baseElem->GetHotspotCoords(i, &trafo, &x, &y, &z);
		const float fx = static_cast<float>(x);
		const float fy = static_cast<float>(y);
		const float fz = static_cast<float>(z);
		const F_Box3D point{fx, fy, fx, fy, fz, fz};
		if (started) {
			Widen(bounds, point);
		} else {
			bounds = point;
			started = true;
		}
	}
}

bool Elem::operator==(const Elem& other) const {
	if (!(elemId == other.elemId) || !(trafo == other.trafo)) return false;
	const BaseElem* a = baseElem.Get();
	const BaseElem* b = other.baseElem.Get();
	if (a == nullptr || b == nullptr) return a == b;
	return a == b || *a == *b;
}

UInt64 Elem::GetSizeofElem() const {
	// Pending bounds are counted as they will be: one box per body unless the
	// transformation is the identity.
	if (boundsPending.load(std::memory_order_acquire)) {
		const bool boxes = baseElem != nullptr && !IsIdentityTrafo(trafo);
		return sizeof(Elem) + (boxes ? UInt64(24) * baseElem->GetBodyCount() : 0);
	}
	return sizeof(Elem) + UInt64(24) * bodyBounds.size();
}

UInt64 Elem::GetUsedBytes() const {
	return GetSizeofElem() + (baseElem != nullptr ? baseElem->GetUsedBytes() : 0);
}

} // namespace Modeler
