// The figures of the model statistics and the size reports: what a chosen set of
// elements, base elements and bodies holds. The walk that chooses them (every distinct
// base element of a model, or what a derived model does not share with its main model)
// adds each item once for every time it counts.
#pragma once

#include "Model3D/bodies/body/Body.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/elements/elem/Elem.h"
#include "platform/KitTypes.h"

namespace Modeler {

struct ContentFigures {
	UInt32 elems = 0;
	UInt32 baseElems = 0;
	UInt32 bodies = 0;
	UInt32 hotspots = 0;
	UInt32 lights = 0;
	UInt32 polygons = 0;
	UInt32 polyEdges = 0;
	UInt32 edges = 0;
	UInt32 vertices = 0;
	UInt32 polyNormals = 0;
	UInt32 textureVertices = 0;
	UInt64 sizeofElems = 0;          // Σ Elem::GetSizeofElem
	UInt64 sizeofBaseElems = 0;      // Σ BaseElem::GetSizeofBaseElem
	UInt64 usedBytesOfBaseElems = 0; // Σ BaseElem::GetUsedBytes
	UInt64 lightBytes = 0;           // Σ BaseElem::GetLightsourceUsedBytes
	UInt64 lightVariableBytes = 0;   // Σ of the lights' parameter-list bytes
	UInt64 bodyBytes = 0;            // Σ Body::GetUsedBytes
	UInt64 polyEdgeBytes = 0;        // Σ Body::GetPolyEdgeUsedBytes
	UInt64 polygonCacheBytes = 0;    // Σ of the polygons' triangle-cache bytes

	void AddElem(const Elem& elem);
	// The base element with its hotspots, lights and size figures; its bodies are added
	// one by one, since a walk may skip some of them.
	void AddBaseElem(const BaseElem& base);
	// The body and its records.
	void AddBody(const Body& body);

	// Every element, base element, body, hotspot, light and record counted, plus one for
	// the model object.
	UInt64 GetItemCount() const;
};

// Bytes of the triangle caches of a body's polygons.
UInt64 PolygonCacheBytes(const Body& body);

} // namespace Modeler
