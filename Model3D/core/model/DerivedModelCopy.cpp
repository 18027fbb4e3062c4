// Copying elements between two models: MoveEnd and DeepCopyModel3D.
#include "Model3D/core/model/DerivedModel.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "platform/KitException.h"

#include <cstring>
#include <new>
#include <utility>

namespace Modeler {

namespace {

[[noreturn]] void ThrowIllegalArgument(const char* message, UInt32 line) {
	throw Kit::IllegalArgumentException(message, "Model3D/DerivedModel", line);
}

} // namespace

void MoveEnd(Model3DModifier* source, Model3DModifier* destination, UInt32 first) {
	if (source == nullptr || destination == nullptr) ThrowIllegalArgument("MoveEnd: null model", __LINE__);
	Model3D& src = *source->GetModel3D();
	Model3D& dst = *destination->GetModel3D();
	// Moving a tail onto itself and then cutting it off would only lose it.
	if (&src == &dst) return;

	ElemContainer::ElemList& srcElems = src.GetElems();
	ElemContainer::ElemList& dstElems = dst.GetElems();
	const UInt32 count = static_cast<UInt32>(srcElems.GetSize());
	if (first < count && dstElems.GetSize() < count)
		ThrowIllegalArgument("MoveEnd: the destination holds fewer elements than the source", __LINE__);

	dst.elemContainer.InvalidateBindIndex();
	ElemContainer::GuidIndexMap& dstGuidMap = dst.elemContainer.GetElemGuidIndexMap();
	for (UInt32 i = first; i < count; ++i) {
		dst.ForgetGuidOfSlot(i);
		dstElems[i] = srcElems[i];
		const Elem* elem = dstElems[i].Get();
		const Kit::Guid elemGuid = elem != nullptr ? elem->GetElemId().guid : Kit::NULLGuid;
		if (elemGuid.IsNull()) continue;
		try {
			dstGuidMap.Put(elemGuid, i);
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
		dst.SetParentOfElem(i, src.GetParentGuid(elemGuid));
	}
	src.TruncateElemCount(first);
}

void DeepCopyModel3D(Kit::SharedPtr<Model3D> destination, const Model3D& source) {
	if (destination == nullptr) ThrowIllegalArgument("DeepCopyModel3D: null destination", __LINE__);
	if (destination.Get() == &source) return;
	Model3D& dst = *destination;

	// Everything that allocates comes first: a failure leaves the destination's
	// elements and maps as they were.
	const ElemContainer::ElemList& srcElems = source.GetElems();
	ElemContainer::ElemList copies;
	ElemContainer::GuidIndexMap guidMap;
	ElemContainer::IndicesList indices;
	Kit::HashTable<Kit::Guid, Kit::Guid> parents;
	try {
		for (USize i = 0; i < srcElems.GetSize(); ++i) {
			const Elem* elem = srcElems[i].Get();
			copies.Push(elem != nullptr ? Kit::ConstSharedPtr<Elem>(NewElemObject<Elem>(*elem, Elem::Deep)) : nullptr);
		}
		guidMap = source.elemContainer.GetElemGuidIndexMap();
		indices = source.elemContainer.GetElemIndices();
		parents = source.parentMap;
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}

	DeepCopyMainContainerBase(destination, source);
	dst.ClearConvexPolygonCache();
	dst.ClearNormalVectorCache();

	dst.dataHoleCount = source.dataHoleCount;
	dst.bounds = source.bounds;
	dst.auxBounds = source.auxBounds;
	dst.infStamp = source.infStamp;
	dst.prevConversionModStamp = source.prevConversionModStamp;
	dst.lastConversionModStamp = source.lastConversionModStamp;
	dst.lastConversionStamp = source.lastConversionStamp;
	std::memcpy(dst.conditions, source.conditions, Model3D::ConditionBlockSize);
	std::memcpy(dst.progressConditions, source.progressConditions, Model3D::ConditionBlockSize);

	dst.GetElems() = std::move(copies);
	dst.elemContainer.GetElemGuidIndexMap() = std::move(guidMap);
	dst.elemContainer.GetElemIndices() = std::move(indices);
	dst.parentMap = std::move(parents);
	dst.elemContainer.InvalidateBindIndex();
}

} // namespace Modeler
