// CandidateBody: point access, topology queries, bounds, transformation, reorientation
// and equality.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"

#include <algorithm>

namespace Modeler {

void CandidateBody::GetVertexCoords(Int32 i, const TRAN* tran, double* x, double* y, double* z) const {
	BodyRules::VertexCoords(*this, i, tran, x, y, z);
}

Geometry::Vector3d CandidateBody::GetVertexPoint(Int32 i, const TRAN* tran) const {
	Geometry::Vector3d p;
	GetVertexCoords(i, tran, &p.x, &p.y, &p.z);
	return p;
}

Int32 CandidateBody::GetBodyVertIdxFromPolyVertIdx(Int32 i) const {
	return BodyRules::StartVertexOfPolyEdge(*this, i);
}

VerticesPosition CandidateBody::GetVerticesPosition(Int32 i, Int32 j) const {
	return BodyRules::PositionOfVertices(*this, i, j);
}

// ---- bounds ---------------------------------------------------------------------------

void CandidateBody::GetBounds(const TRAN* tran, F_Box3D& box) const {
	BodyRules::Bounds(*this, tran, box);
}

void CandidateBody::CalculateBounds() {
	GetBounds(nullptr, bounds);
}

// ---- transformation -------------------------------------------------------------------

// A mirroring matrix mirrors the normals already (TMVector), but leaves every contour
// winding the wrong way round them; the contours alone are turned back.
void CandidateBody::Transform(const TRANMAT& tm) {
	TransformPart_NoReorient(0, static_cast<Int32>(GetVertexCount()), 0, static_cast<Int32>(GetPolyNormalCount()), tm);
	if ((tm.status & Geometry::TR_MIRROR) != 0 && (tm.status & Geometry::TR_IDENT) == 0 && btype != EmptyBodyShapeType)
		ReverseContours();
	CalculateBounds();
}

void CandidateBody::ReverseContours() {
	for (USize i = 0; i < polygons.GetSize(); ++i) {
		ReorientPolyEdges(polygons[i].fpedg, polygons[i].lpedg);
		polygons[i].ClearCache();
	}
}

void CandidateBody::TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal, Int32 normalCount,
                                             const TRANMAT& tm) {
	if ((tm.status & Geometry::TR_IDENT) != 0 || vertexCount == NoTransformCount || normalCount == NoTransformCount ||
	    btype == EmptyBodyShapeType)
		return;
	UInt32 begin, end;
	BodyRules::ClampRange(firstVertex, vertexCount, GetVertexCount(), &begin, &end);
	for (UInt32 i = begin; i < end; ++i) {
		VERT& v = vertices[i];
		Geometry::TMPoint(&tm, &v.x, &v.y, &v.z);
	}
	if ((tm.status & Geometry::TR_NO_NORMAL_TRANSF) == 0) {
		BodyRules::ClampRange(firstNormal, normalCount, GetPolyNormalCount(), &begin, &end);
		for (UInt32 i = begin; i < end; ++i) {
			VECT& n = polyNormals[i];
			Geometry::TMVector(&tm, &n.x, &n.y, &n.z);
		}
	}
}

void CandidateBody::TransformTail_NoReorient(Int32 firstVertex, Int32 firstNormal, const TRANMAT& tm) {
	const Int32 vertexCount = static_cast<Int32>(std::max<Int64>(Int64(GetVertexCount()) - firstVertex, 0));
	const Int32 normalCount =
	    firstNormal < 0 ? 0 : static_cast<Int32>(std::max<Int64>(Int64(GetPolyNormalCount()) - firstNormal, 0));
	TransformPart_NoReorient(firstVertex, vertexCount, std::max(firstNormal, 0), normalCount, tm);
}

void CandidateBody::ReorientPolygons(Int32 firstPolygon) {
	for (USize i = static_cast<USize>(std::max(firstPolygon, 0)); i < polygons.GetSize(); ++i) {
		PGON& p = polygons[i];
		p.ivect = -p.ivect;
		ReorientPolyEdges(p.fpedg, p.lpedg);
		p.ClearCache();
	}
}

// Reverses and negates each contour of the range in place; separators stay. The range is
// cut to the poly-edges that exist.
void CandidateBody::ReorientPolyEdges(Int32 first, Int32 last) {
	BodyRules::ReverseContours(
	    first, last, GetPolyEdgeCount(), [this](Int32 i) { return polyEdges[static_cast<USize>(i)]; },
	    [this](Int32 i, Int32 value) { polyEdges[static_cast<USize>(i)] = value; });
}

// ---- equality ---------------------------------------------------------------------------

// The status word is not compared, nor the edge status.
bool CandidateBody::operator==(const CandidateBody& other) const {
	if (this == &other) return true;
	return GetVertexCount() == other.GetVertexCount() && HeaderEquals(other) && BodyRules::GeometryEquals(*this, other);
}

} // namespace Modeler
