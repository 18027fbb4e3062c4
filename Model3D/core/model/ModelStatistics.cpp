// Model statistics: per-element counters (shared content counted per element) and real
// counters (every distinct base element counted once).
#include "Model3D/core/model/Model3D.h"

#include <limits>

namespace Modeler {

namespace {

// The viewer hands out 32-bit figures; larger ones are capped rather than wrapped.
UInt32 Capped(UInt64 value) {
	return value > std::numeric_limits<UInt32>::max() ? std::numeric_limits<UInt32>::max() : static_cast<UInt32>(value);
}

const BaseElem* BaseOf(const Elem* elem) {
	return elem != nullptr ? elem->GetConstBaseElem() : nullptr;
}

// Bytes of the triangle caches of a body's polygons.
UInt64 PolygonCacheBytes(const Body& body) {
	UInt64 bytes = 0;
	const Int32 count = static_cast<Int32>(body.GetPolygonCount());
	for (Int32 i = 0; i < count; ++i)
		bytes += body.GetConstPolygon(i).GetCacheSize();
	return bytes;
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
	return Capped(count);
}

UInt64 Model3D::GetUsedBytes() const {
	const ElemContainer::ElemList& elems = GetElems();
	UInt64 bytes = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		if (const Elem* elem = elems[i].Get()) bytes += elem->GetUsedBytes();
	}
	return bytes + GPgonEntryBytes * GetGPgonCount() + sizeof(Model3D);
}

Model3D::RealMainFigures Model3D::GetRealMainFigures() const {
	Kit::HashTable<const BaseElem*, UInt32> baseElems;
	GetBaseElemSet(baseElems);
	RealMainFigures f;
	f.baseElems = static_cast<UInt32>(baseElems.GetSize());
	for (const auto& entry : baseElems) {
		const BaseElem& base = *entry.first;
		f.bodies += base.GetBodyCount();
		f.hotspots += base.GetHotspotCount();
		f.lights += base.GetLightSourceCount();
		f.sizeofBaseElems += base.GetSizeofBaseElem();
		f.usedBytesOfBaseElems += base.GetUsedBytes();
		f.lightBytes += base.GetLightsourceUsedBytes();
		for (UInt32 l = 0; l < base.GetLightSourceCount(); ++l)
			f.lightVariableBytes += base.GetLightSource(l).GetVariableBytes();
		for (UInt32 b = 0; b < base.GetBodyCount(); ++b) {
			const Body* body = base.GetConstBody(b).Get();
			if (body == nullptr) continue;
			f.polygons += body->GetPolygonCount();
			f.polyEdges += body->GetPolyEdgeCount();
			f.edges += body->GetEdgeCount();
			f.vertices += body->GetVertexCount();
			f.polyNormals += body->GetPolyNormalCount();
			f.textureVertices += body->GetTextureVertexCount();
			f.polyEdgeBytes += body->GetPolyEdgeUsedBytes();
			f.polygonCacheBytes += PolygonCacheBytes(*body);
		}
	}
	return f;
}

UInt64 Model3D::GetRealMainUsedBytes() const {
	const ElemContainer::ElemList& elems = GetElems();
	UInt64 bytes = 0;
	for (USize i = 0; i < elems.GetSize(); ++i) {
		if (const Elem* elem = elems[i].Get()) bytes += elem->GetSizeofElem();
	}
	bytes += GetRealMainFigures().usedBytesOfBaseElems;
	return bytes + GPgonEntryBytes * GetGPgonCount() + sizeof(Model3D);
}

// ---- viewer -----------------------------------------------------------------------

UInt32 Model3DViewer::GetModelPolygonCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolygonCount(); }));
}

UInt32 Model3DViewer::GetModelPolyEdgeCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolyEdgeCount(); }));
}

UInt32 Model3DViewer::GetModelEdgeCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetEdgeCount(); }));
}

UInt32 Model3DViewer::GetModelVertexCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetVertexCount(); }));
}

UInt32 Model3DViewer::GetModelPolyNormalCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetPolyNormalCount(); }));
}

UInt32 Model3DViewer::GetModelTextureVertexCount() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), [](const Body& b) { return b.GetTextureVertexCount(); }));
}

UInt32 Model3DViewer::GetAllItemsCount() const {
	const UInt64 count = UInt64(GetBodyCount()) + GetElemCount() + GetHotspotCount() + GetModelPolygonCount() +
	                     GetModelPolyEdgeCount() + GetModelEdgeCount() + GetModelVertexCount() +
	                     GetModelPolyNormalCount() + GetModelTextureVertexCount() + GetLightSourceCount();
	return Capped(count);
}

UInt32 Model3DViewer::GetUsedBytes() const {
	return Capped(viewedModel->GetUsedBytes());
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
	return Capped(bytes);
}

UInt32 Model3DViewer::GetPolygonConvexPolyBytes() const {
	return Capped(SumOverElemBodies(viewedModel->GetElems(), PolygonCacheBytes));
}

UInt32 Model3DViewer::GetRealMainUsedBytes() const {
	return Capped(viewedModel->GetRealMainUsedBytes());
}

UInt32 Model3DViewer::GetRealMainAllocatedBytes() const {
	return Capped(viewedModel->GetRealMainUsedBytes());
}

UInt64 Model3DViewer::GetRealMainPolygonConvexPolyBytes() const {
	return viewedModel->GetRealMainFigures().polygonCacheBytes;
}

UInt32 Model3DViewer::GetRealMainAllItemsCount() const {
	const Model3D::RealMainFigures f = viewedModel->GetRealMainFigures();
	const UInt64 count = UInt64(GetElemCount()) + f.baseElems + f.polygons + f.polyEdges + f.edges + f.vertices +
	                     f.polyNormals + f.textureVertices + f.hotspots + f.lights + f.bodies + 1;
	return Capped(count);
}

} // namespace Modeler
