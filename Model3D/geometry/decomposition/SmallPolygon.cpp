// The shortcut for small polygons without holes, which are most of what a model sends:
// the steps of the general path (loading, ear clipping, merging, writing) on buffers of a
// fixed size, without the workspace's vectors to size and clear, without the seen marks
// of the nodes, and with the turn of each corner worked out once and again only when a
// cut changes its neighbours. The ears are cut and the diagonals tried in the same order
// as there, so the parts are the same. Whatever needs mending or gives up is left to the
// general path, which starts again from the nodes.
#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <algorithm>
#include <cmath>

namespace Modeler::Decomposition {

namespace {

constexpr Int32 MaxCorners = SmallPolygonSize;
constexpr Int32 MaxHalfEdges = 3 * (MaxCorners - 2);
constexpr Int32 Removed = -2;
constexpr Int32 Written = -3;
constexpr Int8 Unknown = 2; // a turn not worked out yet

class SmallPolygon {
public:
	// Reads the contour through node 0 (counter-clockwise, mirrored when it runs
	// clockwise); false unless it is the only contour, has area and repeats no corner.
	// Corner k stands for node k: the nodes are read one after the other, which lets the
	// loads overlap, and the walk round the contour then follows links already at hand.
	// Only the numbering differs from the general path's ring, never the order of a walk.
	bool Load(const PNODArray& nodes, Int32 nodeCount) {
		count = nodeCount;
		const auto limit = static_cast<UInt32>(nodeCount);
		for (Int32 k = 0; k < count; ++k) {
			const PNOD& node = nodes[static_cast<USize>(k)];
			if (static_cast<UInt32>(node.next) >= limit || static_cast<UInt32>(node.prev) >= limit || node.outer == 0 ||
			    !(std::fabs(node.u) <= CoordinateLimit) || !(std::fabs(node.v) <= CoordinateLimit))
				return false;
			Vertex& corner = ring[k];
			corner.x = node.u;
			corner.y = node.v;
			corner.vertex = node.vertex;
			corner.prev = node.prev;
			corner.next = node.next;
			corner.across = None;
		}
		// The walk from node 0 checks that each step is answered (the prev of the next is
		// the node left): then it meets no node twice before it is back at node 0, and
		// when it has met every node, theirs is the only contour.
		const Vertex& origin = ring[0];
		double area = 0.0;
		Int32 walked = 1;
		for (Int32 v = 0, w = origin.next;; v = w, w = ring[w].next, ++walked) {
			if (ring[w].prev != v || SamePlace(ring[v], ring[w])) return false;
			if (w == 0) break;
			// Twice the area, summed as the general path sums it, so that both mirror alike.
			area += (ring[v].x - origin.x) * (ring[w].y - origin.y) - (ring[v].y - origin.y) * (ring[w].x - origin.x);
		}
		if (walked != count || !(area != 0.0)) return false;
		if (area < 0.0)
			for (Int32 v = 0; v < count; ++v)
				ring[v].y = -ring[v].y;
		return true;
	}

	// The ear walk of ClipEars on a ring too short for an index; false where that would
	// take out a degenerate corner or give up.
	bool Clip() {
		remaining = count;
		cut = 0;
		blockerCount = 0;
		for (Int32 v = 0; v < count; ++v) {
			const int t = TurnAt(v);
			turn[v] = static_cast<Int8>(t);
			ring[v].convex = t > 0;
			if (t <= 0) blockers[blockerCount++] = v;
			reflex[v] = t < 0 || (t == 0 && !GoesStraight(ring[ring[v].prev], ring[v], ring[ring[v].next])) ? 1 : 0;
		}
		for (Int32 h = 0; h < 3 * (count - 2); ++h)
			twin[h] = None;
		Int32 ear = 0, stop = 0;
		while (remaining > 2) {
			const Int32 prev = ring[ear].prev, next = ring[ear].next;
			if (SamePlace(ring[ear], ring[next])) return false;
			if (turn[ear] == Unknown) turn[ear] = static_cast<Int8>(TurnAt(ear));
			if (turn[ear] == 0 && !GoesStraight(ring[prev], ring[ear], ring[next])) return false;
			if (turn[ear] > 0 && IsEar(prev, ear, next)) {
				Cut(prev, ear, next);
				ear = ring[next].next;
				stop = ear;
				continue;
			}
			ear = next;
			if (ear == stop) return false;
		}
		return true;
	}

	// The greedy merge of MergeTriangles for the triangles of one ring (they form a tree).
	void Merge(bool convexParts) {
		const Int32 halfEdges = 3 * cut;
		LinkTriangleCycles(heNext, hePrev, halfEdges);
		std::fill(straight, straight + halfEdges, UInt8(0));
		merged = 0;
		if (!convexParts) return;
		// Diagonals by the number of their reflex ends: those with none are tried at once,
		// in the order they are met, the others after them in the same order (as the
		// stable sort of the general path has it; the ends come from the triangles, which
		// merging leaves alone).
		Int32 counts[2] = {0, 0};
		for (Int32 t = 0; t < halfEdges; t += 3)
			for (Int32 k = 0; k < 3; ++k) {
				const Int32 h = t + k;
				if (twin[h] <= h) continue;
				const Int32 ends = reflex[triangles[h]] + reflex[triangles[k == 2 ? t : h + 1]];
				if (ends == 0)
					TryRemove(h);
				else
					later[ends - 1][counts[ends - 1]++] = h;
			}
		for (Int32 r = 0; r < 2; ++r)
			for (Int32 k = 0; k < counts[r]; ++k)
				TryRemove(later[r][k]);
	}

	// The parts in the result format, as WriteParts lists them.
	void Write(Kit::PagedArray<Int32>& result) {
		const Int32 halfEdges = 3 * cut;
		const Int32 parts = cut - merged;
		result.SetSize(static_cast<USize>(1 + parts + halfEdges - 2 * merged));
		result[0] = -parts;
		USize out = 1;
		for (Int32 h = 0; h < halfEdges; ++h) {
			if (heNext[h] < 0 || twin[h] == Written) continue;
			Int32 m = 0;
			bool anyStraight = false;
			for (Int32 e = h; twin[e] != Written; e = heNext[e]) {
				twin[e] = Written;
				part[m++] = e;
				anyStraight = anyStraight || straight[e] != 0;
			}
			const auto start = anyStraight ? static_cast<Int32>(FanStart(straight, part, static_cast<USize>(m))) : 0;
			result[out++] = m;
			for (Int32 k = start; k < m; ++k)
				result[out++] = ring[triangles[part[k]]].vertex;
			for (Int32 k = 0; k < start; ++k)
				result[out++] = ring[triangles[part[k]]].vertex;
		}
	}

private:
	int TurnAt(Int32 v) const { return Orient(ring[ring[v].prev], ring[v], ring[ring[v].next]); }

	// Only a corner that is not strictly convex can keep an ear from being cut: those
	// still in the ring are looked at in any order (the answer is whether one blocks).
	bool IsEar(Int32 a, Int32 b, Int32 c) const {
		if (blockerCount == 0) return true;
		const Vertex &pa = ring[a], &pb = ring[b], &pc = ring[c];
		const double minX = std::min({pa.x, pb.x, pc.x}), maxX = std::max({pa.x, pb.x, pc.x});
		const double minY = std::min({pa.y, pb.y, pc.y}), maxY = std::max({pa.y, pb.y, pc.y});
		for (Int32 k = 0; k < blockerCount; ++k) {
			const Int32 p = blockers[k];
			const Vertex& q = ring[p];
			if (q.x < minX || q.x > maxX || q.y < minY || q.y > maxY || p == a || p == b || p == c) continue;
			if (Blocks(ring, q, pa, pb, pc)) return false;
		}
		return true;
	}

	void Unblock(Int32 v) {
		for (Int32 k = 0; k < blockerCount; ++k)
			if (blockers[k] == v) {
				blockers[k] = blockers[--blockerCount];
				return;
			}
	}

	void Pair(Int32 h, Int32 across) {
		if (across >= 0) {
			twin[h] = across;
			twin[across] = h;
		}
	}

	void Cut(Int32 a, Int32 b, Int32 c) {
		const Int32 t = 3 * cut++;
		triangles[t] = a;
		triangles[t + 1] = b;
		triangles[t + 2] = c;
		Pair(t, ring[a].across);
		Pair(t + 1, ring[b].across);
		if (remaining == 3) Pair(t + 2, ring[c].across);
		ring[a].across = t + 2;
		ring[a].next = c;
		ring[c].prev = a;
		if (!ring[b].convex) Unblock(b);
		if (--remaining > 2) {
			Narrowed(a);
			Narrowed(c);
		}
	}

	// A neighbour of a corner just cut off: one that turns strictly now stays convex to the
	// end. The turn of a convex one is worked out when the walk comes to it, if it does.
	void Narrowed(Int32 v) {
		if (ring[v].convex) {
			turn[v] = Unknown;
			return;
		}
		const int t = TurnAt(v);
		turn[v] = static_cast<Int8>(t);
		if (t > 0) {
			ring[v].convex = true;
			Unblock(v);
		}
	}

	const Vertex& Corner(Int32 h) const { return ring[triangles[h]]; }

	int Turn(Int32 from, Int32 at, Int32 to) const {
		const Vertex &a = Corner(from), &b = Corner(at), &c = Corner(to);
		const int t = Orient(a, b, c);
		return t != 0 ? t : (GoesStraight(a, b, c) ? 0 : -1);
	}

	void TryRemove(Int32 h) {
		const Int32 g = twin[h];
		const int turnA = Turn(hePrev[h], h, heNext[heNext[g]]);
		if (turnA < 0) return;
		const int turnB = Turn(hePrev[g], g, heNext[heNext[h]]);
		if (turnB < 0) return;
		const Int32 ph = hePrev[h], nh = heNext[h], pg = hePrev[g], ng = heNext[g];
		heNext[ph] = ng;
		hePrev[ng] = ph;
		heNext[pg] = nh;
		hePrev[nh] = pg;
		heNext[h] = Removed;
		heNext[g] = Removed;
		++merged;
		straight[ng] = turnA == 0 ? 1 : 0;
		straight[nh] = turnB == 0 ? 1 : 0;
	}

	Vertex ring[MaxCorners]{};
	Int32 later[2][MaxCorners]{}; // diagonals with one and with two reflex ends
	Int32 part[MaxHalfEdges]{};   // the corners of the part being written
	Int8 turn[MaxCorners]{};
	UInt8 reflex[MaxCorners]{};
	Int32 triangles[MaxHalfEdges]{};
	Int32 twin[MaxHalfEdges]{};
	Int32 heNext[MaxHalfEdges]{};
	Int32 hePrev[MaxHalfEdges]{};
	UInt8 straight[MaxHalfEdges]{};
	Int32 count = 0;
	Int32 remaining = 0;
	Int32 cut = 0;
	// The corners in the ring that do not turn strictly.
	Int32 blockers[MaxCorners]{};
	Int32 blockerCount = 0;
	Int32 merged = 0;
};

} // namespace

bool DecomposeSmallPolygon(Kit::PagedArray<Int32>& result, const PNODArray& nodes, Int32 nodeCount, bool convexParts) {
	if (nodeCount < 3 || nodeCount > MaxCorners) return false;
	// Kept per thread: its arrays are set up once, not on every call.
	thread_local SmallPolygon buffers;
	SmallPolygon& polygon = buffers;
	if (!polygon.Load(nodes, nodeCount) || !polygon.Clip()) return false;
	polygon.Merge(convexParts);
	polygon.Write(result);
	return true;
}

} // namespace Modeler::Decomposition
