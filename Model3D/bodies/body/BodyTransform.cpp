// Body: transformation and reorientation of the geometry in place.
#include "Model3D/bodies/body/Body.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"

#include <algorithm>

namespace Modeler {

// A mirroring matrix reverses the winding of every contour relative to the (mirrored)
// normals, so the contours are turned back. The normals are not negated: TMVector has
// already mirrored them onto the correct side, and negating them as well would leave
// each polygon facing inwards with a winding that contradicts its normal.
void Body::Transform(const TRANMAT& tm) {
	TransformPart_NoReorient(0, static_cast<Int32>(GetVertexCount()), 0, static_cast<Int32>(GetPolyNormalCount()), tm);
	if ((tm.status & Geometry::TR_MIRROR) != 0 && btype != EmptyBodyShapeType && (tm.status & Geometry::TR_IDENT) == 0)
		ReverseContours();
	CalculateBounds();
}

void Body::ReverseContours() {
	PGON* polygons = varPart.GetPolygons();
	const Int32 n = static_cast<Int32>(GetPolygonCount());
	for (Int32 i = 0; i < n; ++i) {
		ReorientPolyEdges(polygons[i].fpedg, polygons[i].lpedg);
		polygons[i].ClearCache();
	}
}

// Ranges that reach outside the arrays are cut to them.
void Body::TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal, Int32 normalCount,
                                    const TRANMAT& tm) {
	if ((tm.status & Geometry::TR_IDENT) != 0 || vertexCount == NoTransformCount || normalCount == NoTransformCount ||
	    btype == EmptyBodyShapeType)
		return;
	UInt32 begin, end;
	BodyRules::ClampRange(firstVertex, vertexCount, GetVertexCount(), &begin, &end);
	VERT* vertices = varPart.GetVertices();
	for (UInt32 i = begin; i < end; ++i)
		Geometry::TMPoint(&tm, &vertices[i].x, &vertices[i].y, &vertices[i].z);
	if ((tm.status & Geometry::TR_NO_NORMAL_TRANSF) == 0) {
		BodyRules::ClampRange(firstNormal, normalCount, GetPolyNormalCount(), &begin, &end);
		VECT* normals = varPart.GetPolyNormals();
		for (UInt32 i = begin; i < end; ++i)
			Geometry::TMVector(&tm, &normals[i].x, &normals[i].y, &normals[i].z);
	}
	ClearRoundNormVectorCache();
}

// A reoriented polygon's triangles would keep the old winding, so its triangle cache is
// dropped and rebuilt on demand.
void Body::ReorientPolygons(Int32 firstPolygon) {
	PGON* polygons = varPart.GetPolygons();
	const Int32 n = static_cast<Int32>(GetPolygonCount());
	for (Int32 i = std::max(firstPolygon, 0); i < n; ++i) {
		PGON& p = polygons[i];
		p.ivect = -p.ivect;
		ReorientPolyEdges(p.fpedg, p.lpedg);
		p.ClearCache();
	}
	ClearRoundNormVectorCache();
}

// Reverses and negates each contour of the range in place; separators stay.
void Body::ReorientPolyEdges(Int32 first, Int32 last) {
	BodyRules::ReverseContours(
	    first, last, GetPolyEdgeCount(), [this](Int32 i) { return varPart.GetPolyEdge(static_cast<UInt32>(i)); },
	    [this](Int32 i, Int32 value) { varPart.SetPolyEdge(static_cast<UInt32>(i), value); });
	ClearRoundNormVectorCache();
}

} // namespace Modeler
