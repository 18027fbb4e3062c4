// CandidateBody: contour normals, orientation checks, the box-shaped texture wrapping and
// the orientation of open surfaces.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "platform/KitException.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <vector>

namespace Modeler {

// ---- vertices along references -----------------------------------------------------------

Int32 CandidateBody::GetFirstEdgeVertex(Int32 ref) const {
	if (ref == 0) throw Kit::InternalErrorException("CandidateBody::GetFirstEdgeVertex: separator", __FILE__, __LINE__);
	const EDGE& e = BodyRules::RefEdge(*this, ref);
	return ref > 0 ? e.vert1 : e.vert2;
}

void CandidateBody::GetPVert3(Int32 ref1, Int32 ref2, Int32* vertA, Int32* vertB, Int32* vertC) const {
	if (ref1 == 0 || ref2 == 0) throw Kit::LogicErrorException();
	const EDGE& e1 = BodyRules::RefEdge(*this, ref1);
	const EDGE& e2 = BodyRules::RefEdge(*this, ref2);
	const Int32 a = ref1 > 0 ? e1.vert1 : e1.vert2;
	const Int32 b = ref1 > 0 ? e1.vert2 : e1.vert1;
	const Int32 secondStart = ref2 > 0 ? e2.vert1 : e2.vert2;
	if (secondStart != b) throw Kit::LogicErrorException();
	*vertA = a;
	*vertB = b;
	*vertC = ref2 > 0 ? e2.vert2 : e2.vert1;
}

// ---- normals ------------------------------------------------------------------------------

bool CandidateBody::CalcUnitNormalFrom3Verts(Int32 vertA, Int32 vertB, Int32 vertC, double* x, double* y,
                                             double* z) const {
	const Geometry::Vector3d b = BodyRules::VertexPoint(*this, vertB);
	const Geometry::Vector3d a = BodyRules::VertexPoint(*this, vertA) - b;
	const Geometry::Vector3d c = BodyRules::VertexPoint(*this, vertC) - b;
	Geometry::Vector3d n;
	if (!Geometry::CalcUnitNormal(c, a, &n)) return false;
	*x = n.x;
	*y = n.y;
	*z = n.z;
	return true;
}

bool CandidateBody::CalculateLoopNormal(Int32 vertA, Int32 vertB, double* x, double* y, double* z) const {
	Geometry::Vector3d d = BodyRules::VertexPoint(*this, vertA) - BodyRules::VertexPoint(*this, vertB);
	const double length = d.GetLength();
	if (length < 1e-5) return false;
	d = d / length;
	const Geometry::Vector3d w(-d.z, d.x, d.y);
	Geometry::Vector3d n = d ^ w;
	const double nLength = n.GetLength();
	if (nLength < 1e-5) return false;
	n = n / nLength;
	*x = n.x;
	*y = n.y;
	*z = n.z;
	return true;
}

namespace {

// The unit normal at the first corner where two references meet and the sides there are
// not parallel; false when no corner gives one. Pairs of references that do not meet
// (the wrap-around from the last contour of a polygon with holes back to the first one)
// are not corners and are passed over. 'sideEnds' as for BodyRules::CheckContourTurning.
template <typename SideEnds>
bool FirstCornerNormal(const CandidateBody& body, Int32 count, const Int32* refs, SideEnds&& sideEnds, double* x,
                       double* y, double* z) {
	for (Int32 i = 0; i < count; ++i) {
		const Int32 j = i + 1 < count ? i + 1 : 0;
		if (refs[i] == 0 || refs[j] == 0) continue;
		Int32 a, b, meet, c;
		sideEnds(i, refs[i], &a, &b);
		sideEnds(j, refs[j], &meet, &c);
		if (b == meet && body.CalcUnitNormalFrom3Verts(a, b, c, x, y, z)) return true;
	}
	return false;
}

// Up to this many references, StoreAndCheckCompletePolygon looks up the ends of each
// reference once and keeps them on the stack.
constexpr Int32 ResolvedLoopMax = 16;

} // namespace

// The first corner that gives a normal wins; without one, the first pair of successive
// contour starts that are far enough apart gives a normal across their direction.
void CandidateBody::CalculateLoopNormal(Int32 count, const Int32* refs, double* x, double* y, double* z) const {
	*x = 0.0;
	*y = 0.0;
	*z = 1.0;
	if (count <= 0 || refs == nullptr)
		throw Kit::InternalErrorException("CandidateBody::CalculateLoopNormal: no contour", __FILE__, __LINE__);
	const auto edgeEnds = [this](Int32, Int32 ref, Int32* from, Int32* to) {
		const EDGE& e = BodyRules::RefEdge(*this, ref);
		*from = ref > 0 ? e.vert1 : e.vert2;
		*to = ref > 0 ? e.vert2 : e.vert1;
	};
	if (FirstCornerNormal(*this, count, refs, edgeEnds, x, y, z)) return;
	Int32 previous = -1;
	for (Int32 i = 0; i < count; ++i) {
		if (refs[i] == 0) {
			previous = -1;
			continue;
		}
		const Int32 current = GetFirstEdgeVertex(refs[i]);
		if (previous >= 0 && CalculateLoopNormal(previous, current, x, y, z)) return;
		previous = current;
	}
	throw Kit::InternalErrorException("CandidateBody::CalculateLoopNormal: degenerate contour", __FILE__, __LINE__);
}

Int32 CandidateBody::StoreAndCheckCompletePolygon(Int16 pgonIumat, Int32 irtxt, Int32 count, const Int32* refs,
                                                  UInt32 pgonStatus, bool checkNormal) {
	if (count < 3) return -1;
	if (refs == nullptr) throw Kit::IllegalArgumentException();
	// Every reference must name an existing edge between existing vertices: checked before
	// anything is stored. The ends of a short loop are kept for the normal and the check.
	Int32 from[ResolvedLoopMax], to[ResolvedLoopMax];
	const bool resolved = count <= ResolvedLoopMax;
	for (Int32 i = 0; i < count; ++i) {
		if (refs[i] == 0) continue;
		const EDGE& e = BodyRules::RefEdge(*this, refs[i]);
		if (e.vert1 < 0 || e.vert2 < 0 || UInt32(e.vert1) >= GetVertexCount() || UInt32(e.vert2) >= GetVertexCount())
			throw Kit::IllegalArgumentException();
		if (resolved) {
			from[i] = refs[i] > 0 ? e.vert1 : e.vert2;
			to[i] = refs[i] > 0 ? e.vert2 : e.vert1;
		}
	}
	const auto keptEnds = [&from, &to](Int32 i, Int32, Int32* a, Int32* b) {
		*a = from[i];
		*b = to[i];
	};
	double x = 0.0, y = 0.0, z = 1.0;
	if (!resolved || !FirstCornerNormal(*this, count, refs, keptEnds, &x, &y, &z))
		CalculateLoopNormal(count, refs, &x, &y, &z);
	const Int32 d = StoreUnitPolyNormal(x, y, z);
	Int32 ivect = d + 1;
	if (count > 3 && checkNormal) {
		const Int16 r = resolved ? BodyRules::CheckContourTurning(*this, ivect, count, refs, false, false, keptEnds)
		                         : CheckPolygonNormal(ivect, count, refs, false, false);
		if (r == PgonNormalOuterClockwise || r == PgonNormalHoleCounterClockwise || r == PgonNormalEmptyContour)
			ivect = -(d + 1);
	}
	const UInt32 index =
	    StorePolygonWithPolyEdges(pgonIumat, static_cast<Int16>(irtxt), ivect, count, refs, pgonStatus);
	EnterPolygonInEdges(static_cast<Int32>(index), count, refs);
	return static_cast<Int32>(index);
}

Int16 CandidateBody::CheckPolygonNormal(Int32 ivect, Int32 count, const Int32* refs, bool allContours,
                                        bool strict) const {
	return BodyRules::CheckPolygonNormal(*this, ivect, count, refs, allContours, strict);
}

Int16 CandidateBody::IsPgonApexConcave(Int32 normal, Int32 prev, Int32 apex, Int32 next) const {
	return BodyRules::IsPgonApexConcave(*this, normal, prev, apex, next);
}

Int32 CandidateBody::SearchPgonNormal(Int32 first, Int32 last, double x, double y, double z) const {
	return BodyRules::SearchPgonNormal(*this, first, last, x, y, z);
}

// ---- box-shaped texture wrapping ---------------------------------------------------------

void CandidateBody::CreateMinMaxWrapping() {
	constexpr double eps = 1e-5;
	Int32 slot[4] = {0, 0, 0, 0}; // 1-based candidates: origin, x-axis, y-axis, z-axis point
	double minX = 0, minY = 0, minZ = 0, maxX = -1, maxY = -1, maxZ = -1;
	Int32 lastCounted = -1;
	const Int32 n = static_cast<Int32>(GetVertexCount());
	for (Int32 i = 0; i < n; ++i) {
		if (IsCoordSysOnlyVertex(i)) continue;
		const VERT& v = GetConstVertex(i);
		if (lastCounted < 0) {
			minX = maxX = v.x;
			minY = maxY = v.y;
			minZ = maxZ = v.z;
			slot[0] = slot[1] = slot[2] = slot[3] = i + 1;
			lastCounted = i;
			continue;
		}
		Int32 cls = 0;
		cls += v.x < minX + eps ? 32 : (v.x > maxX - eps ? 16 : 0);
		cls += v.y < minY + eps ? 8 : (v.y > maxY - eps ? 4 : 0);
		cls += v.z < minZ + eps ? 2 : (v.z > maxZ - eps ? 1 : 0);
		if (v.x < minX - eps)
			slot[0] = slot[2] = slot[3] = 0;
		else if (v.x > maxX + eps)
			slot[1] = 0;
		if (v.y < minY - eps)
			slot[0] = slot[1] = slot[3] = 0;
		else if (v.y > maxY + eps)
			slot[2] = 0;
		if (v.z < minZ - eps)
			slot[0] = slot[1] = slot[2] = 0;
		else if (v.z > maxZ + eps)
			slot[3] = 0;
		switch (cls) {
		case 42:
			slot[0] = i + 1;
			break;
		case 26:
			slot[1] = i + 1;
			break;
		case 38:
			slot[2] = i + 1;
			break;
		case 41:
			slot[3] = i + 1;
			break;
		default:
			break;
		}
		minX = std::min(minX, v.x);
		maxX = std::max(maxX, v.x);
		minY = std::min(minY, v.y);
		maxY = std::max(maxY, v.y);
		minZ = std::min(minZ, v.z);
		maxZ = std::max(maxZ, v.z);
		lastCounted = i;
	}
	const VERT corners[4] = {{minX, minY, minZ}, {maxX, minY, minZ}, {minX, maxY, minZ}, {minX, minY, maxZ}};
	const bool hadTextures = HasTextureVertices();
	for (Int32 j = 0; j < 4; ++j) {
		// A former coordinate-system-only vertex joins the others, so that it no longer
		// stands apart from the body.
		if (coor[j] < 0 && lastCounted >= 0) {
			const Int32 old = ~coor[j];
			if (old < n) vertices[static_cast<USize>(old)] = vertices[static_cast<USize>(lastCounted)];
		}
		if (slot[j] != 0) {
			coor[j] = slot[j];
		} else {
			const Int32 index = static_cast<Int32>(StoreVertex(corners[j].x, corners[j].y, corners[j].z));
			coor[j] = ~index;
			if (hadTextures) textureVertices.Push(TEVE{0.0f, 0.0f});
		}
	}
	wrap = 99;
}

// ---- orientation of open surfaces ----------------------------------------------------------

// Grows each connected patch from its lowest-numbered polygon. The next polygon is always
// the unvisited neighbour across the lowest-numbered edge that exactly one visited
// polygon uses; a min-heap of such edges replaces the scan over all edges, which keeps
// the pass near-linear. An edge leaves that state for good once a second visited polygon
// uses it (its use value only grows) or all its polygons are visited, so stale heap
// entries are dropped when they come to the top.
void CandidateBody::FixOpenBodySurfaceOrientation() {
	const Int32 polygonCount = static_cast<Int32>(GetPolygonCount());
	const Int32 edgeCount = static_cast<Int32>(GetEdgeCount());
	if (IsClosed() || edgeCount < 6 || polygonCount < 2) return;
	const Int64 polyEdgeCount = GetPolyEdgeCount();
	auto fail = [](const char* message, UInt32 line) { throw Kit::InternalErrorException(message, __FILE__, line); };

	std::vector<bool> visited(static_cast<USize>(polygonCount), false);
	std::vector<Int32> use(static_cast<USize>(edgeCount), 0);
	std::priority_queue<Int32, std::vector<Int32>, std::greater<Int32>> single;

	auto checkRange = [&](const PGON& p) {
		if (p.lpedg >= p.fpedg && (p.fpedg < 0 || Int64(p.lpedg) >= polyEdgeCount))
			fail("CandidateBody::FixOpenBodySurfaceOrientation: poly-edge range outside the body", __LINE__);
	};
	// A polygon is checked whole before it is turned: turning negates its normal and edge
	// references, which must all exist (and so can never be the most negative Int32).
	auto checkLinks = [&](const PGON& p) {
		checkRange(p);
		const Int64 normalCount = GetPolyNormalCount();
		if (Int64(p.ivect) < -normalCount || Int64(p.ivect) > normalCount)
			fail("CandidateBody::FixOpenBodySurfaceOrientation: reference to a missing normal", __LINE__);
		for (Int32 k = p.fpedg; k <= p.lpedg; ++k) {
			const Int64 r = polyEdges[static_cast<USize>(k)];
			if (r < -Int64(edgeCount) || r > Int64(edgeCount))
				fail("CandidateBody::FixOpenBodySurfaceOrientation: reference to a missing edge", __LINE__);
		}
	};
	auto visit = [&](Int32 pi) {
		visited[static_cast<USize>(pi)] = true;
		const PGON& p = polygons[static_cast<USize>(pi)];
		checkRange(p);
		for (Int32 k = p.fpedg; k <= p.lpedg; ++k) {
			const Int32 r = polyEdges[static_cast<USize>(k)];
			if (r == 0) continue;
			const Int64 e = r > 0 ? Int64(r) - 1 : -Int64(r) - 1;
			if (e >= edgeCount)
				fail("CandidateBody::FixOpenBodySurfaceOrientation: reference to a missing edge", __LINE__);
			Int32& u = use[static_cast<USize>(e)];
			if (u == 0) {
				u = r > 0 ? 1 : -1;
				single.push(static_cast<Int32>(e));
			} else if (u > -(1 << 29) && u < (1 << 29)) {
				u *= 2;
			}
		}
	};
	// The unvisited polygon in the edge's slots (pgon1 first), or −1.
	auto unvisitedNeighbour = [&](const EDGE& e) -> Int32 {
		for (Int32 slot : {e.pgon1, e.pgon2}) {
			if (slot < 0) continue;
			if (slot >= polygonCount)
				fail("CandidateBody::FixOpenBodySurfaceOrientation: edge names a missing polygon", __LINE__);
			if (!visited[static_cast<USize>(slot)]) return slot;
		}
		return -1;
	};

	Int32 seed = 0;
	for (;;) {
		while (seed < polygonCount && visited[static_cast<USize>(seed)])
			++seed;
		if (seed >= polygonCount) break;
		visit(seed);
		while (!single.empty()) {
			const Int32 j = single.top();
			const Int32 u = use[static_cast<USize>(j)];
			const Int32 next = (u == 1 || u == -1) ? unvisitedNeighbour(edges[static_cast<USize>(j)]) : -1;
			if (next < 0) {
				single.pop();
				continue;
			}
			PGON& p = polygons[static_cast<USize>(next)];
			checkLinks(p);
			Int32 found = 0;
			for (Int32 k = p.fpedg; k <= p.lpedg && found == 0; ++k) {
				const Int32 r = polyEdges[static_cast<USize>(k)];
				if (r == j + 1 || r == -(j + 1)) found = r;
			}
			if (found == 0)
				fail("CandidateBody::FixOpenBodySurfaceOrientation: polygon does not run along its edge", __LINE__);
			if ((found > 0) == (u > 0)) {
				p.ivect = -p.ivect;
				ReorientPolyEdges(p.fpedg, p.lpedg);
				p.ClearCache();
			}
			visit(next);
		}
	}
}

} // namespace Modeler
