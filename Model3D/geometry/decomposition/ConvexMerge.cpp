#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

namespace Modeler::Decomposition {

namespace {

constexpr Int32 Removed = -2;

class TriangleMerger {
public:
	explicit TriangleMerger(Workspace& ws) : ws(ws), parent(ws.partOf) {}

	void Run(bool convexParts) {
		const auto halfEdges = static_cast<Int32>(ws.triangles.size());
		ws.heNext.resize(static_cast<USize>(halfEdges));
		ws.hePrev.resize(static_cast<USize>(halfEdges));
		LinkTriangleCycles(ws.heNext.data(), ws.hePrev.data(), halfEdges);
		ws.straight.assign(static_cast<USize>(halfEdges), 0);
		ws.mergedDiagonals = 0;
		if (!convexParts) return;
		tree = ws.holes.empty();
		if (!tree) {
			parent.resize(static_cast<USize>(halfEdges / 3));
			for (Int32 t = 0; t < halfEdges / 3; ++t)
				parent[static_cast<USize>(t)] = t;
		}
		OrderDiagonals();
		for (const Int32 h : ws.order)
			TryRemove(h);
	}

private:
	const Vertex& Corner(Int32 h) const { return ws.ring[static_cast<USize>(ws.triangles[static_cast<USize>(h)])]; }
	Int32 Next(Int32 h) const { return ws.heNext[static_cast<USize>(h)]; }
	Int32 Prev(Int32 h) const { return ws.hePrev[static_cast<USize>(h)]; }

	// Diagonals whose ends are both convex corners of the ring go first: they never
	// matter. Those between two reflex corners go last: each of them settles two reflex
	// corners at once and is the one worth keeping.
	void OrderDiagonals() {
		ws.order.clear();
		Int32 counts[3] = {0, 0, 0};
		const auto halfEdges = static_cast<Int32>(ws.twin.size());
		for (Int32 h = 0; h < halfEdges; ++h)
			if (ws.twin[static_cast<USize>(h)] > h) {
				ws.order.push_back(h);
				++counts[ReflexEnds(h)];
			}
		// A stable counting sort by the number of reflex ends.
		Int32 at[3] = {0, counts[0], counts[0] + counts[1]};
		ws.partCorners.resize(ws.order.size());
		for (const Int32 h : ws.order)
			ws.partCorners[static_cast<USize>(at[ReflexEnds(h)]++)] = h;
		ws.order.swap(ws.partCorners);
	}
	Int32 ReflexEnds(Int32 h) const {
		const auto a = static_cast<USize>(ws.triangles[static_cast<USize>(h)]);
		const auto b = static_cast<USize>(ws.triangles[static_cast<USize>(Next(h))]);
		return ws.reflex[a] + ws.reflex[b];
	}

	// 1 when the corner of half-edge 'at' turns left between the origins of 'from' and
	// 'to', 0 when it goes straight on, −1 when it turns right or folds back.
	int Turn(Int32 from, Int32 at, Int32 to) const {
		const Vertex &a = Corner(from), &b = Corner(at), &c = Corner(to);
		const int turn = Orient(a, b, c);
		return turn != 0 ? turn : (GoesStraight(a, b, c) ? 0 : -1);
	}

	Int32 Find(Int32 t) {
		while (parent[static_cast<USize>(t)] != t) {
			parent[static_cast<USize>(t)] = parent[static_cast<USize>(parent[static_cast<USize>(t)])];
			t = parent[static_cast<USize>(t)];
		}
		return t;
	}

	// Removes the diagonal h (with its twin g) when the part on both sides stays convex
	// at both of its ends.
	void TryRemove(Int32 h) {
		const Int32 g = ws.twin[static_cast<USize>(h)];
		// Without holes the triangles form a tree and every diagonal joins two parts.
		const Int32 partH = tree ? 0 : Find(h / 3), partG = tree ? 1 : Find(g / 3);
		if (partH == partG) return;
		// h runs from A to B, g from B to A.
		const int turnA = Turn(Prev(h), h, Next(Next(g)));
		if (turnA < 0) return;
		const int turnB = Turn(Prev(g), g, Next(Next(h)));
		if (turnB < 0) return;
		const Int32 ph = Prev(h), nh = Next(h), pg = Prev(g), ng = Next(g);
		ws.heNext[static_cast<USize>(ph)] = ng;
		ws.hePrev[static_cast<USize>(ng)] = ph;
		ws.heNext[static_cast<USize>(pg)] = nh;
		ws.hePrev[static_cast<USize>(nh)] = pg;
		ws.heNext[static_cast<USize>(h)] = Removed;
		ws.heNext[static_cast<USize>(g)] = Removed;
		++ws.mergedDiagonals;
		// The half-edges leaving A and B now stand for those corners of the merged part.
		ws.straight[static_cast<USize>(ng)] = turnA == 0 ? 1 : 0;
		ws.straight[static_cast<USize>(nh)] = turnB == 0 ? 1 : 0;
		if (!tree) parent[static_cast<USize>(partH)] = partG;
	}

	Workspace& ws;
	std::vector<Int32>& parent; // union-find of triangles into parts
	bool tree = true;
};

} // namespace

void MergeTriangles(Workspace& ws, bool convexParts) {
	TriangleMerger(ws).Run(convexParts);
}

} // namespace Modeler::Decomposition
