// CandidateBody: point access, topology queries, bounds, transformation, reorientation
// and equality.
#include "Model3D/bodies/CandidateBody.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Modeler {

void CandidateBody::GetVertexCoords(Int32 i, const TRAN* tran, double* x, double* y, double* z) const
{
	const VERT& v = GetConstVertex(i);
	*x = v.x;
	*y = v.y;
	*z = v.z;
	if (tran != nullptr)
		Geometry::TMPoint(tran, x, y, z);
}

Geometry::Vector3d CandidateBody::GetVertexPoint(Int32 i, const TRAN* tran) const
{
	Geometry::Vector3d p;
	GetVertexCoords(i, tran, &p.x, &p.y, &p.z);
	return p;
}

Int32 CandidateBody::GetBodyVertIdxFromPolyVertIdx(Int32 i) const
{
	const Int32 ref = GetConstPolyEdge(i);
	if (ref == 0)
		return -1;
	const EDGE& e = GetConstEdge(ref > 0 ? ref - 1 : ~ref);
	return ref > 0 ? e.vert1 : e.vert2;
}

VerticesPosition CandidateBody::GetVerticesPosition(Int32 i, Int32 j) const
{
	if (i == j)
		return VerticesPosition(VerticesPosition::SameIndex);
	constexpr double eps = 1e-5;
	const VERT& a = GetConstVertex(i);
	const VERT& b = GetConstVertex(j);
	if (std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps && std::fabs(a.z - b.z) <= eps)
		return VerticesPosition(VerticesPosition::SamePosition);
	return VerticesPosition(VerticesPosition::DifferentPosition);
}

// ---- bounds ---------------------------------------------------------------------------

bool CandidateBody::IsCoordSysOnlyVertex(Int32 i) const
{
	for (Int32 c : coor) {
		if (c < 0 && c == ~i)
			return true;
	}
	return false;
}

void CandidateBody::GetBounds(const TRAN* tran, F_Box3D& box) const
{
	box = F_Box3D::Empty();
	bool first = true;
	double minX = 0, minY = 0, minZ = 0, maxX = 0, maxY = 0, maxZ = 0;
	const Int32 n = static_cast<Int32>(GetVertexCount());
	const bool anyExcluded = coor[0] < 0 || coor[1] < 0 || coor[2] < 0 || coor[3] < 0;
	for (Int32 i = 0; i < n; ++i) {
		if (anyExcluded && IsCoordSysOnlyVertex(i))
			continue;
		double x, y, z;
		GetVertexCoords(i, tran, &x, &y, &z);
		if (first) {
			minX = maxX = x;
			minY = maxY = y;
			minZ = maxZ = z;
			first = false;
			continue;
		}
		minX = std::min(minX, x);
		maxX = std::max(maxX, x);
		minY = std::min(minY, y);
		maxY = std::max(maxY, y);
		minZ = std::min(minZ, z);
		maxZ = std::max(maxZ, z);
	}
	if (!first) {
		box = F_Box3D{static_cast<float>(minX), static_cast<float>(minY), static_cast<float>(maxX),
					  static_cast<float>(maxY), static_cast<float>(minZ), static_cast<float>(maxZ)};
	}
}

void CandidateBody::CalculateBounds()
{
	GetBounds(nullptr, bounds);
}

// ---- transformation -------------------------------------------------------------------

// A mirroring matrix mirrors the normals already (TMVector), but leaves every contour
// winding the wrong way round them; the contours alone are turned back.
void CandidateBody::Transform(const TRANMAT& tm)
{
	TransformPart_NoReorient(0, static_cast<Int32>(GetVertexCount()), 0, static_cast<Int32>(GetPolyNormalCount()),
							 tm);
	if ((tm.status & Geometry::TR_MIRROR) != 0 && (tm.status & Geometry::TR_IDENT) == 0 &&
		btype != EmptyBodyShapeType)
		ReverseContours();
	CalculateBounds();
}

void CandidateBody::ReverseContours()
{
	for (USize i = 0; i < polygons.GetSize(); ++i) {
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

void CandidateBody::TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal,
											 Int32 normalCount, const TRANMAT& tm)
{
	if ((tm.status & Geometry::TR_IDENT) != 0 || vertexCount == NoTransformCount || normalCount == NoTransformCount ||
		btype == EmptyBodyShapeType)
		return;
	UInt32 begin, end;
	ClampRange(firstVertex, vertexCount, GetVertexCount(), &begin, &end);
	for (UInt32 i = begin; i < end; ++i) {
		VERT& v = vertices[i];
		Geometry::TMPoint(&tm, &v.x, &v.y, &v.z);
	}
	if ((tm.status & Geometry::TR_NO_NORMAL_TRANSF) == 0) {
		ClampRange(firstNormal, normalCount, GetPolyNormalCount(), &begin, &end);
		for (UInt32 i = begin; i < end; ++i) {
			VECT& n = polyNormals[i];
			Geometry::TMVector(&tm, &n.x, &n.y, &n.z);
		}
	}
}

void CandidateBody::TransformTail_NoReorient(Int32 firstVertex, Int32 firstNormal, const TRANMAT& tm)
{
	const Int32 vertexCount = static_cast<Int32>(std::max<Int64>(Int64(GetVertexCount()) - firstVertex, 0));
	const Int32 normalCount =
		firstNormal < 0 ? 0 : static_cast<Int32>(std::max<Int64>(Int64(GetPolyNormalCount()) - firstNormal, 0));
	TransformPart_NoReorient(firstVertex, vertexCount, std::max(firstNormal, 0), normalCount, tm);
}

void CandidateBody::ReorientPolygons(Int32 firstPolygon)
{
	for (USize i = static_cast<USize>(std::max(firstPolygon, 0)); i < polygons.GetSize(); ++i) {
		PGON& p = polygons[i];
		p.ivect = -p.ivect;
		ReorientPolyEdges(p.fpedg, p.lpedg);
		p.ClearCache();
	}
}

// Reverses and negates each contour of the range in place; separators stay. The range is
// cut to the poly-edges that exist.
void CandidateBody::ReorientPolyEdges(Int32 first, Int32 last)
{
	first = std::max(first, 0);
	last = static_cast<Int32>(std::min<Int64>(last, Int64(GetPolyEdgeCount()) - 1));
	Int32 start = first;
	while (start <= last) {
		Int32 stop = start;
		while (stop <= last && polyEdges[static_cast<USize>(stop)] != 0)
			++stop;
		for (Int32 a = start, b = stop - 1; a <= b; ++a, --b) {
			Int32& ra = polyEdges[static_cast<USize>(a)];
			Int32& rb = polyEdges[static_cast<USize>(b)];
			const Int32 oldA = ra;
			ra = -rb;
			if (a != b)
				rb = -oldA;
		}
		start = stop + 1;
	}
}

// ---- equality ---------------------------------------------------------------------------

namespace {

constexpr double Tolerance = 1e-5;

inline bool Near(double a, double b)
{
	return std::fabs(a - b) <= Tolerance;
}

template <typename P>
bool NearPoint(const P& a, const P& b)
{
	return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
}

bool SameEdge(const EDGE& a, const EDGE& b)
{
	return a.dummy == b.dummy && a.color == b.color && a.vert1 == b.vert1 && a.vert2 == b.vert2 &&
		   a.pgon1 == b.pgon1 && a.pgon2 == b.pgon2;
}

bool SamePolygon(const PGON& a, const PGON& b)
{
	return a.status == b.status && a.dummy == b.dummy && a.iumat == b.iumat && a.irtxt == b.irtxt &&
		   a.ivect == b.ivect && a.fpedg == b.fpedg && a.lpedg == b.lpedg && a.mpuid == b.mpuid;
}

bool NearBox(const F_Box3D& a, const F_Box3D& b)
{
	return Near(a.xMin, b.xMin) && Near(a.yMin, b.yMin) && Near(a.xMax, b.xMax) && Near(a.yMax, b.yMax) &&
		   Near(a.zMin, b.zMin) && Near(a.zMax, b.zMax);
}

template <typename T, typename Eq>
bool SameArray(const Kit::PagedArray<T>& a, const Kit::PagedArray<T>& b, Eq eq)
{
	if (a.GetSize() != b.GetSize())
		return false;
	for (USize i = 0; i < a.GetSize(); ++i) {
		if (!eq(a[i], b[i]))
			return false;
	}
	return true;
}

}	// namespace

// The status word is not compared, nor the edge status.
bool CandidateBody::operator==(const CandidateBody& o) const
{
	if (this == &o)
		return true;
	if (vertices.GetSize() != o.vertices.GetSize())
		return false;
	if (!(edgePenIdx == o.edgePenIdx && iumat == o.iumat && btype == o.btype && ifill == o.ifill &&
		  sbkgc == o.sbkgc && sconc == o.sconc && sfilc == o.sfilc && sltype == o.sltype &&
		  fatherBind == o.fatherBind && wrap == o.wrap && std::memcmp(coor, o.coor, sizeof coor) == 0 &&
		  NearBox(bounds, o.bounds)))
		return false;
	return SameArray(vertices, o.vertices, NearPoint<VERT>) && SameArray(edges, o.edges, SameEdge) &&
		   SameArray(polyEdges, o.polyEdges, [](Int32 a, Int32 b) { return a == b; }) &&
		   SameArray(polyNormals, o.polyNormals, NearPoint<VECT>) &&
		   SameArray(textureVertices, o.textureVertices,
					 [](const TEVE& a, const TEVE& b) { return Near(a.u, b.u) && Near(a.v, b.v); }) &&
		   SameArray(polygons, o.polygons, SamePolygon);
}

}	// namespace Modeler
