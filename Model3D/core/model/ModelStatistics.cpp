// Model statistics: per-element counters (shared content counted per element) and real
// counters (every distinct base element counted once).
#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/model/Model3D.h"

namespace Modeler {

namespace {

const BaseElem* BaseOf(const Elem* elem) {
	return elem != nullptr ? elem->GetConstBaseElem() : nullptr;
}

// Calls f(body) for every non-null body of every element of the list.
template <typename F> void ForEachElemBody(const ElemContainer::ElemList& elems, F f) {
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const BaseElem* base = BaseOf(elems[i].Get());
		if (base == nullptr) continue;
		for (UInt32 b = 0; b < base->GetBodyCount(); ++b) {
			if (const Body* body = base->GetConstBody(b).Get()) f(*body);
		}
	}
}

// Σ over the elements and their bodies of one body figure.
template <typename F> UInt64 SumOverElemBodies(const ElemContainer::ElemList& elems, F figure) {
	UInt64 sum = 0;
	ForEachElemBody(elems, [&](const Body& body) { sum += figure(body); });
	return sum;
}

constexpr UInt64 GPgonEntryBytes = 4;

} // namespace

// ---- model ------------------------------------------------------------------------

UInt32 Model3D::GetBodyCount() const {
	const ElemContainer::ElemList& elems = GetElems();
	UInt64 count = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr) {
			++count;
			continue;
		}
		if (const BaseElem* base = elem->GetConstBaseElem()) count += base->GetBodyCount();
	}
	return CappedFigure(count);
}

UInt64 Model3D::GetUsedBytes() const {
	const ElemContainer::ElemList& elems = GetElems();
	UInt64 bytes = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		if (const Elem* elem = elems[i].Get()) bytes += elem->GetUsedBytes();
	}
	return GetModelBytes(bytes);
}

UInt64 Model3D::GetModelBytes(UInt64 contentBytes) const {
	return contentBytes + GPgonEntryBytes * GetGPgonCount() + sizeof(Model3D);
}

ContentFigures Model3D::GetRealMainFigures() const {
	Kit::HashTable<const BaseElem*, UInt32> baseElems;
	GetBaseElemSet(baseElems);
	ContentFigures f;
	const ElemContainer::ElemList& elems = GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		if (const Elem* elem = elems[i].Get()) f.AddElem(*elem);
	}
	f.elems = GetElemCount(); // empty slots count as elements
	for (const auto& entry : baseElems) {
		const BaseElem& base = *entry.first;
		f.AddBaseElem(base);
		for (UInt32 b = 0; b < base.GetBodyCount(); ++b) {
			if (const Body* body = base.GetConstBody(b).Get())
				f.AddBody(*body);
			else
				++f.bodies; // an empty body slot still counts as a body
		}
	}
	return f;
}

UInt64 Model3D::GetRealMainUsedBytes(const ContentFigures& realMain) const {
	return GetModelBytes(realMain.sizeofElems + realMain.usedBytesOfBaseElems);
}

// ---- viewer -----------------------------------------------------------------------

UInt32 Model3DViewer::GetModelPolygonCount() const {
	return CappedFigure(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolygonCount(); }));
}

UInt32 Model3DViewer::GetModelPolyEdgeCount() const {
	return CappedFigure(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolyEdgeCount(); }));
}

UInt32 Model3DViewer::GetModelEdgeCount() const {
	return CappedFigure(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetEdgeCount(); }));
}

UInt32 Model3DViewer::GetModelVertexCount() const {
	return CappedFigure(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetVertexCount(); }));
}

UInt32 Model3DViewer::GetModelPolyNormalCount() const {
	return CappedFigure(
	    SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolyNormalCount(); }));
}

UInt32 Model3DViewer::GetModelTextureVertexCount() const {
	return CappedFigure(
	    SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetTextureVertexCount(); }));
}

UInt32 Model3DViewer::GetAllItemsCount() const {
	const UInt64 count = UInt64(GetBodyCount()) + GetElemCount() + GetHotspotCount() + GetModelPolygonCount() +
	                     GetModelPolyEdgeCount() + GetModelEdgeCount() + GetModelVertexCount() +
	                     GetModelPolyNormalCount() + GetModelTextureVertexCount() + GetLightSourceCount();
	return CappedFigure(count);
}

UInt32 Model3DViewer::GetUsedBytes() const {
	return CappedFigure(viewedModel->GetUsedBytes());
}

UInt32 Model3DViewer::GetAllocatedBytes() const {
	const ElemContainer::ElemList& elems = viewedModel->GetElems();
	UInt64 bytes = SumOverElemBodies(elems, [](const Body& b) { return b.GetUsedBytes(); });
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const BaseElem* base = BaseOf(elems[i].Get());
		if (base == nullptr) continue;
		for (UInt32 l = 0; l < base->GetLightSourceCount(); ++l)
			bytes += base->GetLightSource(l).GetVariableBytes();
	}
	bytes += UInt64(sizeof(VOCA)) * GetElemCount();
	bytes += UInt64(sizeof(HOTS)) * GetHotspotCount();
	bytes += UInt64(sizeof(LGHT)) * GetLightSourceCount();
	bytes += sizeof(Model3D);
	return CappedFigure(bytes);
}

UInt32 Model3DViewer::GetPolygonConvexPolyBytes() const {
	return CappedFigure(SumOverElemBodies(viewedModel->GetElems(), PolygonCacheBytes));
}

UInt32 Model3DViewer::GetRealMainUsedBytes() const {
	return CappedFigure(viewedModel->GetRealMainUsedBytes());
}

UInt32 Model3DViewer::GetRealMainAllocatedBytes() const {
	return CappedFigure(viewedModel->GetRealMainUsedBytes());
}

UInt64 Model3DViewer::GetRealMainPolygonConvexPolyBytes() const {
	return viewedModel->GetRealMainFigures().polygonCacheBytes;
}

UInt32 Model3DViewer::GetRealMainAllItemsCount() const {
	return CappedFigure(viewedModel->GetRealMainFigures().GetItemCount());
}

} // namespace Modeler
