// Record-level rules that the finished body (Modeler::Body) and the body builder
// (Modeler::CandidateBody) share: equality with coordinate tolerances, vertex access
// through a transformation, the start vertex of a poly-edge, vertex positions, bounds
// without the coordinate-system-only vertices, the debug self-check and the reversal of
// contours.
//
// Each rule is written once, as a template over the record source, and used by both
// classes. The source needs the counts (GetVertexCount, GetTextureVertexCount,
// GetEdgeCount, GetPolyEdgeCount, GetPolyNormalCount, GetPolygonCount), the element
// getters (GetConstVertex, GetConstTextureVertex, GetConstEdge, GetConstPolyEdge,
// GetConstPolyNormal, GetConstPolygon, all taking Int32) and GetLocalCoordSys. Indices
// are not checked unless said otherwise.
#pragma once

#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/PGON.h"
#include "Model3D/bodies/records/VerticesPosition.h"
#include "platform/Geometry.h"
#include "platform/KitTypes.h"

#include <algorithm>
#include <cmath>

namespace Modeler::BodyRules {

// ---- equality ---------------------------------------------------------------------------

constexpr double EqualityTolerance = 1e-5;

// Inclusive absolute tolerance: a difference of exactly 1e-5 still counts as equal.
inline bool Near(double a, double b) {
	return std::fabs(a - b) <= EqualityTolerance;
}

template <typename P> bool NearPoint(const P& a, const P& b) {
	return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
}

inline bool NearBox(const F_Box3D& a, const F_Box3D& b) {
	return Near(a.xMin, b.xMin) && Near(a.yMin, b.yMin) && Near(a.xMax, b.xMax) && Near(a.yMax, b.yMax) &&
	       Near(a.zMin, b.zMin) && Near(a.zMax, b.zMax);
}

// The edge status is not compared.
inline bool SameEdge(const EDGE& a, const EDGE& b) {
	return a.dummy == b.dummy && a.color == b.color && a.vert1 == b.vert1 && a.vert2 == b.vert2 && a.pgon1 == b.pgon1 &&
	       a.pgon2 == b.pgon2;
}

// The triangle cache is not compared.
inline bool SamePolygon(const PGON& a, const PGON& b) {
	return a.status == b.status && a.dummy == b.dummy && a.iumat == b.iumat && a.irtxt == b.irtxt &&
	       a.ivect == b.ivect && a.fpedg == b.fpedg && a.lpedg == b.lpedg && a.mpuid == b.mpuid;
}

inline bool NearTextureVertex(const TEVE& a, const TEVE& b) {
	return Near(a.u, b.u) && Near(a.v, b.v);
}

// The six record arrays equal: coordinates within the tolerance, everything else exactly.
template <typename BodyA, typename BodyB> bool GeometryEquals(const BodyA& a, const BodyB& b) {
	if (a.GetVertexCount() != b.GetVertexCount() || a.GetTextureVertexCount() != b.GetTextureVertexCount() ||
	    a.GetEdgeCount() != b.GetEdgeCount() || a.GetPolyEdgeCount() != b.GetPolyEdgeCount() ||
	    a.GetPolyNormalCount() != b.GetPolyNormalCount() || a.GetPolygonCount() != b.GetPolygonCount())
		return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetVertexCount()); ++i)
		if (!NearPoint(a.GetConstVertex(i), b.GetConstVertex(i))) return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetEdgeCount()); ++i)
		if (!SameEdge(a.GetConstEdge(i), b.GetConstEdge(i))) return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetPolyEdgeCount()); ++i)
		if (a.GetConstPolyEdge(i) != b.GetConstPolyEdge(i)) return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetPolyNormalCount()); ++i)
		if (!NearPoint(a.GetConstPolyNormal(i), b.GetConstPolyNormal(i))) return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetTextureVertexCount()); ++i)
		if (!NearTextureVertex(a.GetConstTextureVertex(i), b.GetConstTextureVertex(i))) return false;
	for (Int32 i = 0; i < static_cast<Int32>(a.GetPolygonCount()); ++i)
		if (!SamePolygon(a.GetConstPolygon(i), b.GetConstPolygon(i))) return false;
	return true;
}

// ---- vertices and poly-edges --------------------------------------------------------------

// Vertex i, through Geometry::TMPoint when tran is given.
template <typename BodyT>
void VertexCoords(const BodyT& body, Int32 i, const TRAN* tran, double* x, double* y, double* z) {
	const VERT& v = body.GetConstVertex(i);
	*x = v.x;
	*y = v.y;
	*z = v.z;
	if (tran != nullptr) Geometry::TMPoint(tran, x, y, z);
}

// Start vertex of poly-edge i; −1 for a separator.
template <typename BodyT> Int32 StartVertexOfPolyEdge(const BodyT& body, Int32 i) {
	const Int32 ref = body.GetConstPolyEdge(i);
	if (ref == 0) return -1;
	const EDGE& e = body.GetConstEdge(ref > 0 ? ref - 1 : ~ref);
	return ref > 0 ? e.vert1 : e.vert2;
}

// The same index, different indices at the same position (within 1e-5 per coordinate),
// or different positions.
template <typename BodyT> VerticesPosition PositionOfVertices(const BodyT& body, Int32 i, Int32 j) {
	if (i == j) return VerticesPosition(VerticesPosition::SameIndex);
	constexpr double eps = 1e-5;
	const VERT& a = body.GetConstVertex(i);
	const VERT& b = body.GetConstVertex(j);
	if (std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps && std::fabs(a.z - b.z) <= eps)
		return VerticesPosition(VerticesPosition::SamePosition);
	return VerticesPosition(VerticesPosition::DifferentPosition);
}

// A vertex named by a negative coor entry exists only for the local coordinate system.
inline bool IsCoordSysOnlyVertex(const Int32* coor, Int32 i) {
	for (Int32 k = 0; k < 4; ++k) {
		if (coor[k] < 0 && coor[k] == ~i) return true;
	}
	return false;
}

// A box grown point by point, in double precision until it is handed out.
class BoxBuilder {
public:
	void Add(double x, double y, double z) {
		if (empty) {
			minX = maxX = x;
			minY = maxY = y;
			minZ = maxZ = z;
			empty = false;
			return;
		}
		minX = std::min(minX, x);
		maxX = std::max(maxX, x);
		minY = std::min(minY, y);
		maxY = std::max(maxY, y);
		minZ = std::min(minZ, z);
		maxZ = std::max(maxZ, z);
	}

	// The empty box when no point was added.
	F_Box3D GetBox() const {
		if (empty) return F_Box3D::Empty();
		return F_Box3D{static_cast<float>(minX), static_cast<float>(minY), static_cast<float>(maxX),
		               static_cast<float>(maxY), static_cast<float>(minZ), static_cast<float>(maxZ)};
	}

private:
	bool empty = true;
	double minX = 0, minY = 0, minZ = 0, maxX = 0, maxY = 0, maxZ = 0;
};

// Box of the (optionally transformed) vertices without the coordinate-system-only ones;
// no vertex gives the empty box.
template <typename BodyT> void Bounds(const BodyT& body, const TRAN* tran, F_Box3D& box) {
	BoxBuilder builder;
	const Int32 n = static_cast<Int32>(body.GetVertexCount());
	const Int32* coor = body.GetLocalCoordSys();
	const bool anyExcluded = coor[0] < 0 || coor[1] < 0 || coor[2] < 0 || coor[3] < 0;
	for (Int32 i = 0; i < n; ++i) {
		if (anyExcluded && IsCoordSysOnlyVertex(coor, i)) continue;
		double x, y, z;
		VertexCoords(body, i, tran, &x, &y, &z);
		builder.Add(x, y, z);
	}
	box = builder.GetBox();
}

// ---- debug self-check -------------------------------------------------------------------------

// Every poly-edge names an existing edge whose start vertex exists. Runs only while
// 'enabled' and not already 'running' (the check of one body may look at others); true
// otherwise.
template <typename BodyT> bool DebugCheckPolyEdges(const BodyT& body, bool enabled, bool& running) {
	if (!enabled || running) return true;
	running = true;
	bool ok = true;
	const Int64 edgeCount = body.GetEdgeCount();
	const Int64 vertexCount = body.GetVertexCount();
	for (UInt32 i = 0; i < body.GetPolyEdgeCount() && ok; ++i) {
		const Int32 ref = body.GetConstPolyEdge(static_cast<Int32>(i));
		if (ref == 0) continue;
		const Int64 edge = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (edge >= edgeCount) {
			ok = false;
			break;
		}
		const Int32 v = StartVertexOfPolyEdge(body, static_cast<Int32>(i));
		ok = v >= 0 && v < vertexCount;
	}
	running = false;
	return ok;
}

// ---- in-place edits ----------------------------------------------------------------------------

// Clamps [first, first + count) to [0, size).
inline void ClampRange(Int32 first, Int32 count, UInt32 size, UInt32* begin, UInt32* end) {
	const Int64 b = std::clamp<Int64>(first, 0, size);
	const Int64 e = std::clamp<Int64>(Int64(first) + std::max<Int64>(count, 0), b, size);
	*begin = static_cast<UInt32>(b);
	*end = static_cast<UInt32>(e);
}

// Reverses and negates each contour of poly-edges first … last in place; separators stay.
// The range is cut to the 'count' poly-edges that exist. 'get(i)' reads poly-edge i,
// 'set(i, value)' writes it.
template <typename Get, typename Set> void ReverseContours(Int32 first, Int32 last, UInt32 count, Get get, Set set) {
	first = std::max(first, 0);
	last = static_cast<Int32>(std::min<Int64>(last, Int64(count) - 1));
	Int32 start = first;
	while (start <= last) {
		Int32 stop = start;
		while (stop <= last && get(stop) != 0)
			++stop;
		for (Int32 a = start, b = stop - 1; a <= b; ++a, --b) {
			const Int32 ra = get(a);
			const Int32 rb = get(b);
			set(a, -rb);
			if (a != b) set(b, -ra);
		}
		start = stop + 1;
	}
}

} // namespace Modeler::BodyRules
