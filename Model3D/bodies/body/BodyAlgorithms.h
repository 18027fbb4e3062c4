// Geometric rules shared by the finished body (Modeler::Body) and the body builder
// (Modeler::CandidateBody): the orientation check of polygon contours, the concave-apex
// test and the search for an existing normal.
//
// Each rule is written once, as a template over the body type, and instantiated for
// both classes. The body type needs GetVertexCount, GetEdgeCount, GetPolyNormalCount,
// GetConstVertex, GetConstEdge and GetConstPolyNormal. Indices that lie outside the
// body's arrays throw Kit::IllegalArgumentException instead of being read.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "platform/Geometry.h"
#include "platform/GeometryVector.h"
#include "platform/KitException.h"
#include "platform/KitTypes.h"

#include <cmath>

namespace Modeler {

class Body;

// Result codes of the contour orientation check.
enum : Int16 {
	PgonNormalOk = 0,
	PgonNormalOuterClockwise = 1,       // the outer contour runs clockwise about the normal
	PgonNormalHoleCounterClockwise = 2, // a hole runs counter-clockwise about the normal
	PgonNormalEmptyContour = 3,         // a contour without references (separator at an end or doubled)
	PgonNormalDegenerate = 4,           // a contour without area
};

namespace BodyRules {

// Kept out of the callers, so that the checked lookups below stay small enough to inline.
[[noreturn, gnu::cold, gnu::noinline]] inline void ThrowBadIndex() {
	throw Kit::IllegalArgumentException();
}

template <typename BodyT> Geometry::Vector3d VertexPoint(const BodyT& body, Int32 vertex) {
	if (vertex < 0 || static_cast<UInt32>(vertex) >= body.GetVertexCount()) [[unlikely]]
		ThrowBadIndex();
	const VERT& v = body.GetConstVertex(vertex);
	return Geometry::Vector3d(v.x, v.y, v.z);
}

// The edge of a non-zero reference, checked against the edge count.
template <typename BodyT> const EDGE& RefEdge(const BodyT& body, Int32 ref) {
	const Int64 edge = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
	if (ref == 0 || edge >= Int64(body.GetEdgeCount())) [[unlikely]]
		ThrowBadIndex();
	return body.GetConstEdge(static_cast<Int32>(edge));
}

// The normal of a signed 1-based reference; a reference ≤ 0 gives the reversed normal.
template <typename BodyT> Geometry::Vector3d SignedNormal(const BodyT& body, Int32 ivect) {
	const Int64 index = ivect > 0 ? Int64(ivect) - 1 : -Int64(ivect) - 1;
	if (index < 0 || index >= Int64(body.GetPolyNormalCount())) [[unlikely]]
		ThrowBadIndex();
	const VECT& n = body.GetConstPolyNormal(static_cast<Int32>(index));
	const Geometry::Vector3d v(n.x, n.y, n.z);
	return ivect > 0 ? v : -v;
}

// The plane of a normal n as axes u, v with u × v = n/|n|. For a normal of ordinary
// length the axes are left unnormalised, scaled by |n|·r² (r² = n.x² + n.y²), so that no
// root or quotient is needed per point: a product of two projected values, divided by
// Scale(), comes out as with unit axes. Other normals get the unit axes of TMDirCoeffs.
struct PlaneAxes {
	explicit PlaneAxes(const Geometry::Vector3d& n) {
		const double length2 = n.GetLengthSqr();
		const double r2 = n.x * n.x + n.y * n.y;
		if (length2 > 1e-50 && length2 < 1e50 && r2 >= 1e-24 * length2) {
			c1 = n.x;
			c2 = n.y;
			c3 = n.z;
			c4 = r2;
			squaredScale = length2 * r2 * r2;
		} else {
			Geometry::TMDirCoeffs(n.x, n.y, n.z, &c1, &c2, &c3, &c4);
		}
	}
	double U(const Geometry::Vector3d& p) const { return (p.x * c1 + p.y * c2) * c3 - p.z * c4; }
	double V(const Geometry::Vector3d& p) const { return p.y * c1 - p.x * c2; }

	// A product of two projected values over this gives its value with unit axes.
	double Scale() const { return std::sqrt(squaredScale); }

	double c1 = 1.0, c2 = 0.0, c3 = 1.0, c4 = 0.0;
	double squaredScale = 1.0;
};

// Projects every contour into the plane of the normal and checks its turning sense with
// the trapezoid sum S = Σ (v1 + v0)·(u1 − u0), which is positive for a clockwise
// contour. The outer (first) contour must run counter-clockwise, holes clockwise.
//
// 'sideEnds(i, ref, &from, &to)' gives the vertices that the non-zero reference refs[i]
// runs from and to; the builder passes the ends it has looked up already.
template <typename BodyT, typename SideEnds>
Int16 CheckContourTurning(const BodyT& body, Int32 ivect, Int32 count, const Int32* refs, bool allContours, bool strict,
                          SideEnds&& sideEnds) {
	const PlaneAxes axes(SignedNormal(body, ivect));
	// Successive sides share a vertex: the last one projected is kept.
	Int32 lastVertex = -1;
	double lastU = 0.0, lastV = 0.0;
	auto project = [&](Int32 vertex, double* u, double* v) {
		if (vertex != lastVertex) {
			const Geometry::Vector3d p = VertexPoint(body, vertex);
			lastU = axes.U(p);
			lastV = axes.V(p);
			lastVertex = vertex;
		}
		*u = lastU;
		*v = lastV;
	};

	double sum = 0.0;
	Int32 references = 0;
	bool first = true;
	for (Int32 i = 0; i <= count; ++i) {
		const Int32 ref = i < count ? refs[i] : 0;
		if (ref != 0) {
			Int32 from, to;
			sideEnds(i, ref, &from, &to);
			double u0, v0, u1, v1;
			project(from, &u0, &v0);
			project(to, &u1, &v1);
			sum += (v1 + v0) * (u1 - u0);
			++references;
			continue;
		}
		if (references == 0) return PgonNormalEmptyContour;
		sum /= axes.Scale();
		if (std::fabs(sum) < 1e-10) return PgonNormalDegenerate;
		if (first) {
			if (sum > 0.0 && (strict || sum > 1e-5)) return PgonNormalOuterClockwise;
		} else if (sum <= 0.0 && (strict || sum < -1e-5)) {
			return PgonNormalHoleCounterClockwise;
		}
		if (!allContours) return PgonNormalOk;
		first = false;
		sum = 0.0;
		references = 0;
	}
	return PgonNormalOk;
}

template <typename BodyT>
Int16 CheckPolygonNormal(const BodyT& body, Int32 ivect, Int32 count, const Int32* refs, bool allContours,
                         bool strict) {
	return CheckContourTurning(body, ivect, count, refs, allContours, strict,
	                           [&body](Int32, Int32 ref, Int32* from, Int32* to) {
		                           const EDGE& e = RefEdge(body, ref);
		                           *from = ref > 0 ? e.vert1 : e.vert2;
		                           *to = ref > 0 ? e.vert2 : e.vert1;
	                           });
}

// 1 when the apex is concave seen from the normal (0-based index), −1 when convex, 0 when
// undecided (a side shorter than 1e-10, or nearly collinear sides).
template <typename BodyT> Int16 IsPgonApexConcave(const BodyT& body, Int32 normal, Int32 prev, Int32 apex, Int32 next) {
	if (normal < 0) throw Kit::IllegalArgumentException();
	const Geometry::Vector3d n = SignedNormal(body, normal + 1);
	const Geometry::Vector3d a = VertexPoint(body, apex);
	Geometry::Vector3d p = VertexPoint(body, prev) - a;
	Geometry::Vector3d q = VertexPoint(body, next) - a;
	const double lp = p.GetLength();
	const double lq = q.GetLength();
	if (lp < 1e-10 || lq < 1e-10) return 0;
	if (lp > 1.0) p = p / lp;
	if (lq > 1.0) q = q / lq;
	const double f = n * (p ^ q);
	if (std::fabs(f) < 1e-5) return 0;
	return f > 0.0 ? 1 : -1;
}

// The first normal among first … last (0-based, inclusive) that equals (x, y, z) within
// 1e-6 per coordinate gives index + 1; one that equals the reversed vector gives
// −(index + 1); no match gives 0. The range is cut to the normals that exist.
template <typename BodyT>
Int32 SearchPgonNormal(const BodyT& body, Int32 first, Int32 last, double x, double y, double z) {
	constexpr double eps = 1e-6;
	if (first < 0) first = 0;
	const Int64 end = Int64(body.GetPolyNormalCount()) - 1;
	const Int32 stop = static_cast<Int32>(Int64(last) < end ? Int64(last) : end);
	for (Int32 i = first; i <= stop; ++i) {
		const VECT& n = body.GetConstPolyNormal(i);
		if (std::fabs(n.x - x) <= eps && std::fabs(n.y - y) <= eps && std::fabs(n.z - z) <= eps) return i + 1;
		if (std::fabs(n.x + x) <= eps && std::fabs(n.y + y) <= eps && std::fabs(n.z + z) <= eps) return -(i + 1);
	}
	return 0;
}

} // namespace BodyRules

// The rules above over a finished body.
M3D_EXPORT Int16 CheckPgonNormal(const Body& body, Int32 ivect, Int32 count, Int32* refs, bool allContours,
                                 bool strict);
M3D_EXPORT Int16 IsPgonApexConcave(const Body& body, Int32 normal, Int32 prev, Int32 apex, Int32 next);
M3D_EXPORT Int32 SearchPgonNormal(const Body& body, Int32 first, Int32 last, double x, double y, double z);

} // namespace Modeler
