// Body: transformation and reorientation of the geometry in place.
#include "Model3D/bodies/Body.h"

#include <algorithm>

namespace Modeler {

// A mirroring matrix reverses the winding of every contour relative to the (mirrored)
// normals, so the contours are turned back. The normals are not negated: TMVector has
// already mirrored them onto the correct side, and negating them as well would leave
// each polygon facing inwards with a winding that contradicts its normal.
void Body::Transform(const TRANMAT& tm)
{
	TransformPart_NoReorient(0, static_cast<Int32>(GetVertexCount()), 0, static_cast<Int32>(GetPolyNormalCount()),
							 tm);
	if ((tm.status & Geometry::TR_MIRROR) != 0 && btype != EmptyBodyShapeType &&
		(tm.status & Geometry::TR_IDENT) == 0)
		ReverseContours();
	CalculateBounds();
}

void Body::ReverseContours()
{
	PGON* polygons = varPart.GetPolygons();
	const Int32 n = static_cast<Int32>(GetPolygonCount());
	for (Int32 i = 0; i < n; ++i) {
		ReorientPolyEdges(polygons[i].fpedg, polygons[i].lpedg);
		polygons[i].ClearCache();
	}
}

namespace {

// Clamps [first, first + count) to [0, size).
void ClampRange(Int32 first, Int32 count, UInt32 size, UInt32* begin, UInt32* end)
{
	const Int64 b = std::clamp<Int64>(first, 0, size);
	const Int64 e = std::clamp<Int64>(Int64(first) + std::max<Int64>(count, 0), b, size);
	*begin = static_cast<UInt32>(b);
	*end = static_cast<UInt32>(e);
}

}	// namespace

// Ranges that reach outside the arrays are cut to them.
void Body::TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal, Int32 normalCount,
									const TRANMAT& tm)
{
	if ((tm.status & Geometry::TR_IDENT) != 0 || vertexCount == NoTransformCount || normalCount == NoTransformCount ||
		btype == EmptyBodyShapeType)
		return;
	UInt32 begin, end;
	ClampRange(firstVertex, vertexCount, GetVertexCount(), &begin, &end);
	VERT* vertices = varPart.GetVertices();
	for (UInt32 i = begin; i < end; ++i)
		Geometry::TMPoint(&tm, &vertices[i].x, &vertices[i].y, &vertices[i].z);
	if ((tm.status & Geometry::TR_NO_NORMAL_TRANSF) == 0) {
		ClampRange(firstNormal, normalCount, GetPolyNormalCount(), &begin, &end);
		VECT* normals = varPart.GetPolyNormals();
		for (UInt32 i = begin; i < end; ++i)
			Geometry::TMVector(&tm, &normals[i].x, &normals[i].y, &normals[i].z);
	}
	ClearRoundNormVectorCache();
}

// A reoriented polygon's triangles would keep the old winding, so its triangle cache is
// dropped and rebuilt on demand.
void Body::ReorientPolygons(Int32 firstPolygon)
{
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
void Body::ReorientPolyEdges(Int32 first, Int32 last)
{
	first = std::max(first, 0);
	last = static_cast<Int32>(std::min<Int64>(last, Int64(GetPolyEdgeCount()) - 1));
	Int32 start = first;
	while (start <= last) {
		Int32 stop = start;
		while (stop <= last && varPart.GetPolyEdge(stop) != 0)
			++stop;
		for (Int32 a = start, b = stop - 1; a <= b; ++a, --b) {
			const Int32 ra = varPart.GetPolyEdge(a);
			const Int32 rb = varPart.GetPolyEdge(b);
			varPart.SetPolyEdge(a, -rb);
			if (a != b)
				varPart.SetPolyEdge(b, -ra);
		}
		start = stop + 1;
	}
	ClearRoundNormVectorCache();
}

}	// namespace Modeler
