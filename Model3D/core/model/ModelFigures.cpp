#include "Model3D/core/model/ModelFigures.h"

namespace Modeler {

void ContentFigures::AddElem(const Elem& elem) {
	++elems;
	sizeofElems += elem.GetSizeofElem();
}

void ContentFigures::AddBaseElem(const BaseElem& base) {
	++baseElems;
	hotspots += base.GetHotspotCount();
	lights += base.GetLightSourceCount();
	sizeofBaseElems += base.GetSizeofBaseElem();
	usedBytesOfBaseElems += base.GetUsedBytes();
	lightBytes += base.GetLightsourceUsedBytes();
	for (UInt32 l = 0; l < base.GetLightSourceCount(); ++l)
		lightVariableBytes += base.GetLightSource(l).GetVariableBytes();
}

void ContentFigures::AddBody(const Body& body) {
	++bodies;
	polygons += body.GetPolygonCount();
	polyEdges += body.GetPolyEdgeCount();
	edges += body.GetEdgeCount();
	vertices += body.GetVertexCount();
	polyNormals += body.GetPolyNormalCount();
	textureVertices += body.GetTextureVertexCount();
	bodyBytes += body.GetUsedBytes();
	polyEdgeBytes += body.GetPolyEdgeUsedBytes();
	polygonCacheBytes += PolygonCacheBytes(body);
}

UInt64 ContentFigures::GetItemCount() const {
	return UInt64(elems) + baseElems + bodies + hotspots + lights + polygons + polyEdges + edges + vertices +
	       polyNormals + textureVertices + 1;
}

UInt64 PolygonCacheBytes(const Body& body) {
	UInt64 bytes = 0;
	const Int32 count = static_cast<Int32>(body.GetPolygonCount());
	for (Int32 i = 0; i < count; ++i)
		bytes += body.GetConstPolygon(i).GetCacheSize();
	return bytes;
}

} // namespace Modeler
