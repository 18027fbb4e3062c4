// Model3D: the mirror of a derived model (UpdateFromMainModel) and the hand-over of a
// derived model's elements to its main model (TransferToMain).
#include "Model3D/core/model/Model3D.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "platform/KitException.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace Modeler {

namespace {

// The mirror of a main model's element: its identity, flags, generation id,
// transformation and bounds over a base element of its own whose bodies carry only the
// header attributes of the main model's bodies. A null slot mirrors as a null slot.
Kit::ConstSharedPtr<Elem> MakeMirror(const Elem* source) {
	if (source == nullptr) return nullptr;
	Kit::SharedPtr<Elem> mirror(
	    NewElemObject<Elem>(source->GetElemId(), source->IsParent(), source->IsChild(), nullptr));
	try {
		mirror->DeepCopyAttributes(*source);
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	return mirror;
}

} // namespace

void Model3D::UpdateFromMainModel(UInt32 first) {
	if (mainModel == nullptr) return;
	const Model3D& main = *mainModel;
	const ElemContainer::ElemList& mainElems = main.GetElems();
	ElemContainer::ElemList& elems = GetElems();
	const UInt32 count = static_cast<UInt32>(elems.GetSize());
	const UInt32 mainCount = static_cast<UInt32>(mainElems.GetSize());
	if (first >= count && first >= mainCount) return;

	// A first beyond this model's own end would leave the slots between the end and first
	// without elements: the mirror then starts at the own end.
	const UInt32 mirrorFrom = std::min(first, count);

	// The mirrors are made before anything changes, so that a failed allocation leaves
	// the model as it was.
	std::vector<Kit::ConstSharedPtr<Elem>> mirrors;
	try {
		if (mainCount > mirrorFrom) mirrors.reserve(mainCount - mirrorFrom);
		for (UInt32 i = mirrorFrom; i < mainCount; ++i)
			mirrors.push_back(MakeMirror(mainElems[i].Get()));
		// Growing allocates; it comes before the GUID entries are dropped.
		if (mainCount > count) elems.SetSize(mainCount);
	} catch (const Kit::KitException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}

	// The slots that are replaced and those cut off (when the main model has shrunk) leave
	// the GUID map.
	for (UInt32 i = std::min(mirrorFrom, mainCount); i < count; ++i)
		ForgetGuidOfSlot(i);
	if (mainCount < count) elems.SetSize(mainCount);

	for (UInt32 i = mirrorFrom; i < mainCount; ++i)
		elems[i] = std::move(mirrors[i - mirrorFrom]);
	elemContainer.InvalidateBindIndex();

	ElemContainer::GuidIndexMap& guidMap = elemContainer.GetElemGuidIndexMap();
	for (UInt32 i = mirrorFrom; i < mainCount; ++i) {
		const Elem* mirror = elems[i].Get();
		if (mirror == nullptr) continue;
		// Deleted placeholders carry the null GUID and stay out of the map.
		const Kit::Guid& elemGuid = mirror->GetElemId().guid;
		if (elemGuid.IsNull()) continue;
		try {
			guidMap.Put(elemGuid, i);
		} catch (const std::bad_alloc&) {
			throw Kit::OutOfMemoryException();
		}
		SetParentOfElem(i, main.GetParentGuid(elemGuid));
	}
}

void Model3D::TransferToMain() {
	if (mainModel == nullptr) return;
	Model3D& main = *mainModel;
	ElemContainer::ElemList& elems = GetElems();
	ElemContainer::ElemList& mainElems = main.GetElems();
	ElemContainer::GuidIndexMap& guidMap = elemContainer.GetElemGuidIndexMap();
	ElemContainer::GuidIndexMap& mainGuidMap = main.elemContainer.GetElemGuidIndexMap();

	// Moves: the elements go over shared, nothing is allocated, and the main model's
	// previous elements are released.
	mainElems = std::move(elems);
	elems.Clear();
	mainGuidMap = std::move(guidMap);
	guidMap.Clear();
	main.parentMap = std::move(parentMap);
	parentMap.Clear();
	elemContainer.InvalidateBindIndex();
	main.elemContainer.InvalidateBindIndex();
}

} // namespace Modeler
