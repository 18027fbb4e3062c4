// Body: smooth (round) vertex normals of curved bodies.
//
// Entries 0 … V−1 are per-vertex normals: the sum of the normals of the curved polygons
// around the vertex, weighted by edge incidence, made unit length. When the body has
// sharp edges, edge k owns four more entries, one per (end, side):
//   V + k        vert1 on the pgon1 side      V + E + k    vert2 on the pgon1 side
//   V + 2E + k   vert1 on the pgon2 side      V + 3E + k   vert2 on the pgon2 side
// For a sharp edge these hold the normals summed only over the polygons that can be
// reached around the vertex from that side without crossing another sharp edge.
#include "Model3D/bodies/body/Body.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace Modeler {

void Body::ClearRoundNormVectorCache() const {
	delete roundNormals.exchange(nullptr, std::memory_order_acq_rel);
}

UInt32 Body::GetExpectedRoundNormVectorCount() const {
	if (!IsCurved() || !HasVertices()) return 0;
	UInt64 count = GetVertexCount();
	if (HasSharpEdge()) count += UInt64(4) * GetEdgeCount();
	return static_cast<UInt32>(count);
}

const Body::RoundNormals& Body::EnsureRoundNormals() const {
	if (const RoundNormals* normals = roundNormals.load(std::memory_order_acquire)) return *normals;
	auto computed = std::make_unique<RoundNormals>();
	ComputeRoundNormVectors(*computed);
	RoundNormals* expected = nullptr;
	if (roundNormals.compare_exchange_strong(expected, computed.get(), std::memory_order_acq_rel,
	                                         std::memory_order_acquire))
		return *computed.release();
	return *expected; // another thread was first; ours is dropped
}

void Body::InitRoundNormVectors() const {
	EnsureRoundNormals();
}

UInt32 Body::GetRoundNormVectorCount() const {
	return EnsureRoundNormals().GetSize();
}

const VECT* Body::GetConstRoundNormVectorPtr(Int32 i) const {
	return &EnsureRoundNormals()[static_cast<USize>(i)];
}

Vector3dTpl<double> Body::GetRoundNormVector(Int32 i, const TRAN* tran) const {
	const VECT& n = EnsureRoundNormals()[static_cast<USize>(i)];
	Vector3dTpl<double> v(n.x, n.y, n.z);
	if (tran != nullptr && (tran->status & Geometry::TR_NO_NORMAL_TRANSF) == 0) Geometry::TMVector(*tran, v);
	return v;
}

namespace {

using Vec = Vector3dTpl<double>;

inline void Add(VECT& to, const Vec& n) {
	to.x += n.x;
	to.y += n.y;
	to.z += n.z;
}

// The computation over one body. Indices read from the body are range-checked so that
// an inconsistent body cannot make it write outside the cache.
class RoundNormalsPass {
public:
	RoundNormalsPass(const Body& body, Kit::Array<VECT>& out)
	    : body(body), out(out), V(body.GetVertexCount()), E(body.GetEdgeCount()), P(body.GetPolygonCount()) {}

	void Run() {
		SumPerVertex();
		if (body.HasSharpEdge() && E > 0) {
			SeedEdgeEntries();
			BuildNeighbours();
			WalkSharpEdges();
		}
		Normalize();
	}

private:
	bool IsCurvedPolygon(Int32 p) const {
		return p >= 0 && static_cast<UInt32>(p) < P && body.GetConstPolygon(p).IsCurved();
	}

	Vec Normal(Int32 p) const {
		const Int32 id = body.GetConstPolygon(p).ivect;
		const Int64 index = id > 0 ? Int64(id) - 1 : -Int64(id) - 1;
		if (id == 0 || index >= Int64(body.GetPolyNormalCount())) return Vec();
		return body.GetPolyNormalFromId(id);
	}

	// Edge index of a reference, or −1 for a separator or a reference outside the body.
	Int32 EdgeOf(Int32 ref) const {
		if (ref == 0) return -1;
		const Int64 k = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		return k < Int64(E) ? static_cast<Int32>(k) : -1;
	}

	// The polygon's poly-edge range cut to the body's poly-edges.
	void Range(const PGON& p, Int32* first, Int32* last) const {
		*first = std::max(p.fpedg, 0);
		*last = static_cast<Int32>(std::min<Int64>(p.lpedg, Int64(body.GetPolyEdgeCount()) - 1));
	}

	void AddToVertex(Int32 v, const Vec& n) {
		if (v >= 0 && static_cast<UInt32>(v) < V) Add(out[static_cast<USize>(v)], n);
	}

	void SumPerVertex();
	void SeedEdgeEntries();
	void BuildNeighbours();
	void BuildContourNeighbours(Int32 polygon, Int32 first, Int32 last);
	void WalkSharpEdges();
	void Walk(Int32 c, int end, int side);
	void Normalize();

	USize Entry(Int32 k, int end, int side) const {
		return USize(V) + USize(k) + USize(E) * USize(end) + 2 * USize(E) * USize(side);
	}
	USize Slot(Int32 k, int end, int side) const { return 4 * USize(k) + 2 * USize(side) + USize(end); }
	// End (0 = vert1, 1 = vert2) of edge k at vertex v, or −1.
	int EndAt(Int32 k, Int32 v) const {
		const EDGE& e = body.GetConstEdge(k);
		return e.vert1 == v ? 0 : (e.vert2 == v ? 1 : -1);
	}
	// Side (0 = pgon1, 1 = pgon2) of edge k that polygon p lies on, or −1.
	int SideOf(Int32 k, Int32 p) const {
		const EDGE& e = body.GetConstEdge(k);
		return e.pgon1 == p ? 0 : (e.pgon2 == p ? 1 : -1);
	}
	static Int32 PolygonOn(const EDGE& e, int side) { return side == 0 ? e.pgon1 : e.pgon2; }

	const Body& body;
	Kit::Array<VECT>& out;
	const UInt32 V, E, P;
	std::vector<Int32> neighbours; // 4 per edge: (end, side) → edge, −1 = none
	struct Step {
		Int32 edge;
		int end;
		int side;
	};
	std::vector<Step> path;
};

void RoundNormalsPass::SumPerVertex() {
	if (body.HasPolyEdges()) {
		for (UInt32 p = 0; p < P; ++p) {
			const PGON& pgon = body.GetConstPolygon(static_cast<Int32>(p));
			if (!pgon.IsCurved()) continue;
			const Vec n = Normal(static_cast<Int32>(p));
			Int32 first, last;
			Range(pgon, &first, &last);
			for (Int32 i = first; i <= last; ++i) {
				const Int32 k = EdgeOf(body.GetConstPolyEdge(i));
				if (k < 0) continue;
				AddToVertex(body.GetConstEdge(k).vert1, n);
				AddToVertex(body.GetConstEdge(k).vert2, n);
			}
		}
		return;
	}
	// No poly-edges: every edge adds the normals of the curved polygons beside it.
	for (UInt32 k = 0; k < E; ++k) {
		const EDGE& e = body.GetConstEdge(static_cast<Int32>(k));
		const Int32 sides[2] = {e.pgon1, e.pgon2 != e.pgon1 ? e.pgon2 : -1};
		for (Int32 p : sides) {
			if (!IsCurvedPolygon(p)) continue;
			const Vec n = Normal(p);
			AddToVertex(e.vert1, n);
			AddToVertex(e.vert2, n);
		}
	}
}

void RoundNormalsPass::SeedEdgeEntries() {
	for (UInt32 p = 0; p < P; ++p) {
		const PGON& pgon = body.GetConstPolygon(static_cast<Int32>(p));
		if (!pgon.IsCurved()) continue;
		Int32 first, last;
		Range(pgon, &first, &last);
		for (Int32 i = first; i <= last; ++i) {
			const Int32 k = EdgeOf(body.GetConstPolyEdge(i));
			if (k < 0) continue;
			const EDGE& e = body.GetConstEdge(k);
			const VECT zero{0, 0, 0};
			const bool ok1 = e.vert1 >= 0 && static_cast<UInt32>(e.vert1) < V;
			const bool ok2 = e.vert2 >= 0 && static_cast<UInt32>(e.vert2) < V;
			const VECT s1 = ok1 ? out[USize(e.vert1)] : zero;
			const VECT s2 = ok2 ? out[USize(e.vert2)] : zero;
			out[Entry(k, 0, 0)] = s1;
			out[Entry(k, 0, 1)] = s1;
			out[Entry(k, 1, 0)] = s2;
			out[Entry(k, 1, 1)] = s2;
		}
	}
}

void RoundNormalsPass::BuildNeighbours() {
	neighbours.assign(4 * USize(E), -1);
	for (UInt32 p = 0; p < P; ++p) {
		const PGON& pgon = body.GetConstPolygon(static_cast<Int32>(p));
		if (!pgon.IsCurved()) continue;
		Int32 first, last;
		Range(pgon, &first, &last);
		Int32 start = first;
		while (start <= last) {
			Int32 stop = start;
			while (stop <= last && body.GetConstPolyEdge(stop) != 0)
				++stop;
			if (stop > start) BuildContourNeighbours(static_cast<Int32>(p), start, stop - 1);
			start = stop + 1;
		}
	}
}

// Consecutive references of one contour (cyclically) are neighbours at their shared
// vertex, on the side of each edge where this polygon lies.
void RoundNormalsPass::BuildContourNeighbours(Int32 polygon, Int32 first, Int32 last) {
	for (Int32 i = first; i <= last; ++i) {
		const Int32 ref = body.GetConstPolyEdge(i);
		const Int32 k = EdgeOf(ref);
		if (k < 0) continue;
		const Int32 prev = EdgeOf(body.GetConstPolyEdge(i == first ? last : i - 1));
		const Int32 next = EdgeOf(body.GetConstPolyEdge(i == last ? first : i + 1));
		const int side = body.GetConstEdge(k).pgon1 == polygon ? 0 : 1;
		const int startEnd = ref > 0 ? 0 : 1;
		neighbours[Slot(k, startEnd, side)] = prev;
		neighbours[Slot(k, 1 - startEnd, side)] = next;
	}
}

void RoundNormalsPass::WalkSharpEdges() {
	for (UInt32 c = 0; c < E; ++c) {
		if ((body.GetConstEdge(static_cast<Int32>(c)).status & EdgeSharp) == 0) continue;
		const Int32 k = static_cast<Int32>(c);
		Walk(k, 0, 0);
		Walk(k, 0, 1);
		Walk(k, 1, 0);
		Walk(k, 1, 1);
	}
}

// Turns around the vertex at 'end' of sharp edge c, starting with c's polygon on 'side'
// and crossing smooth edges, until a sharp edge, an open side, a flat polygon or c
// itself. The sum of the polygons met is written to the entries facing them.
void RoundNormalsPass::Walk(Int32 c, int end, int side) {
	const EDGE& ce = body.GetConstEdge(c);
	const Int32 v = end == 0 ? ce.vert1 : ce.vert2;
	Int32 polygon = PolygonOn(ce, side);
	if (!IsCurvedPolygon(polygon)) return;
	path.clear();
	path.push_back({c, end, side});
	Vec sum = Normal(polygon);
	Int32 current = c;
	int currentEnd = end, currentSide = side;
	for (UInt32 steps = 0; steps <= 2 * E; ++steps) {
		const Int32 g = neighbours[Slot(current, currentEnd, currentSide)];
		if (g < 0 || g == c) break;
		const int gEnd = EndAt(g, v);
		const int gSide = SideOf(g, polygon);
		if (gEnd < 0 || gSide < 0) break;
		if ((body.GetConstEdge(g).status & EdgeSharp) != 0) {
			path.push_back({g, gEnd, gSide});
			break;
		}
		path.push_back({g, gEnd, 0});
		path.push_back({g, gEnd, 1});
		const Int32 next = PolygonOn(body.GetConstEdge(g), 1 - gSide);
		if (!IsCurvedPolygon(next)) break;
		sum += Normal(next);
		polygon = next;
		current = g;
		currentEnd = gEnd;
		currentSide = 1 - gSide;
	}
	const VECT value{sum.x, sum.y, sum.z};
	for (const Step& s : path)
		out[Entry(s.edge, s.end, s.side)] = value;
}

void RoundNormalsPass::Normalize() {
	for (VECT& n : out) {
		Vec v(n.x, n.y, n.z);
		const double len = v.GetLength();
		if (len > 1e-10) {
			n.x = v.x / len;
			n.y = v.y / len;
			n.z = v.z / len;
		}
	}
}

} // namespace

void Body::ComputeRoundNormVectors(RoundNormals& normals) const {
	normals.assign(GetExpectedRoundNormVectorCount(), VECT{0, 0, 0});
	if (normals.empty()) return;
	RoundNormalsPass(*this, normals).Run();
}

} // namespace Modeler
