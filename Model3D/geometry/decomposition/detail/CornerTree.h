// The corners that may keep an ear from being cut, filed in a static 2-d tree: each node
// halves its corners at the median of the longer side of their box and keeps that box.
// A triangle looks only into nodes whose box may meet it, so a long thin triangle (the
// spike of a star) costs the depth of the tree and the corners near it, not its length.
// The search starts from the leaf of one of the triangle's own corners and climbs only
// as far as the triangle reaches, so that a small ear costs a few nodes however large
// the polygon.
#pragma once

#include "Model3D/geometry/decomposition/detail/Orientation.h"
#include "Model3D/geometry/decomposition/detail/Workspace.h"

#include <algorithm>

namespace Modeler::Decomposition {

class CornerTree {
public:
	// Files the corners of the ring through 'start' ('count' of them) that are not convex.
	CornerTree(Workspace& ws, Int32 start, Int32 count);

	// Calls f on every filed corner that is still counted and may lie in the closed
	// counter-clockwise triangle a, b, c, until f returns true; returns whether it did.
	template <typename F> bool AnyNear(const Vertex& a, const Vertex& b, const Vertex& c, F&& f) const {
		if (ws.treeItems.empty()) return false;
		TreeBox reach;
		reach.minX = std::min({a.x, b.x, c.x});
		reach.maxX = std::max({a.x, b.x, c.x});
		reach.minY = std::min({a.y, b.y, c.y});
		reach.maxY = std::max({a.y, b.y, c.y});
		// Depth-first, from the leaf of a corner of the triangle up: that leaf, then the
		// sibling of each node on the way up to the start. The nodes on the way hold the
		// corner and would pass every test; the siblings mostly lie beside the triangle
		// and are passed over at once. At most one pending node per level on the way and
		// one per level below a sibling.
		const Int32 leaf = a.filed != None ? a.filed : (c.filed != None ? c.filed : b.filed);
		Range pending[2 * MaxDepth + 2];
		Int32 top = PushWayDown(pending, Start(reach, leaf), leaf);
		while (top > 0) {
			const Range r = pending[--top];
			const TreeBox& box = ws.treeBoxes[static_cast<USize>(r.node)];
			if (ws.treeLive[static_cast<USize>(r.node)] == 0 || box.minX > reach.maxX || box.maxX < reach.minX ||
			    box.minY > reach.maxY || box.maxY < reach.minY)
				continue;
			if (BeyondSide(box, a, b) || BeyondSide(box, b, c) || BeyondSide(box, c, a)) continue;
			if (r.end - r.begin <= LeafSize) {
				for (Int32 i = r.begin; i < r.end; ++i) {
					const TreeItem& item = ws.treeItems[static_cast<USize>(i)];
					if (item.x >= reach.minX && item.x <= reach.maxX && item.y >= reach.minY && item.y <= reach.maxY &&
					    f(item.corner))
						return true;
				}
				continue;
			}
			const Int32 middle = r.begin + (r.end - r.begin) / 2;
			pending[top++] = {2 * r.node + 2, middle, r.end};
			pending[top++] = {2 * r.node + 1, r.begin, middle};
		}
		return false;
	}

	// The filed corner v has left the ring or turns strictly now: it can no longer block,
	// and nodes left without such corners are passed over.
	void Retire(Int32 v) {
		for (Int32 node = ws.ring[static_cast<USize>(v)].filed; node >= 0; node = node == 0 ? None : (node - 1) / 2)
			--ws.treeLive[static_cast<USize>(node)];
	}

	static constexpr Int32 LeafSize = 16;
	// Ranges of Int32 counts halve to a leaf in fewer levels than this.
	static constexpr Int32 MaxDepth = 31;

private:
	struct Range {
		Int32 node;
		Int32 begin;
		Int32 end;
	};

	void Build(Int32 node, Int32 begin, Int32 end);

	// The lowest node above 'leaf' (the root without a leaf) that holds every filed corner
	// within 'reach': the first whose region holds 'reach' strictly (a corner on a
	// dividing line may have gone to either side of it).
	Int32 Start(const TreeBox& reach, Int32 leaf) const {
		Int32 node = leaf == None ? 0 : leaf;
		while (node > 0) {
			const TreeBox& region = ws.treeRegions[static_cast<USize>(node)];
			if (region.minX < reach.minX && reach.maxX < region.maxX && region.minY < reach.minY &&
			    reach.maxY < region.maxY)
				break;
			node = (node - 1) / 2;
		}
		return node;
	}

	static Int32 Depth(Int32 node) {
		Int32 depth = 0;
		for (UInt32 k = static_cast<UInt32>(node) + 1; k > 1; k >>= 1)
			++depth;
		return depth;
	}

	// The corners of a node, from the path to it: node k + 1 written in binary, after its
	// leading 1, reads left (0) and right (1) from the root.
	Range RangeOf(Int32 node) const {
		Range r{0, 0, static_cast<Int32>(ws.treeItems.size())};
		for (Int32 level = Depth(node) - 1; level >= 0; --level)
			r = Child(r, ((static_cast<UInt32>(node) + 1) >> level) & 1u);
		return r;
	}

	static Range Child(const Range& r, UInt32 right) {
		const Int32 middle = r.begin + (r.end - r.begin) / 2;
		return right != 0 ? Range{2 * r.node + 2, middle, r.end} : Range{2 * r.node + 1, r.begin, middle};
	}

	// Puts on 'pending' the nodes to search below 'start', which holds 'leaf' (None for
	// none): the siblings of the nodes on the way down to the leaf, then the leaf, so that
	// the leaf comes off first and the siblings from the lowest up. Returns their count.
	Int32 PushWayDown(Range* pending, Int32 start, Int32 leaf) const {
		Range r = RangeOf(start);
		Int32 count = 0;
		if (leaf != None && leaf != start)
			for (Int32 level = Depth(leaf) - Depth(start) - 1; level >= 0; --level) {
				const UInt32 right = ((static_cast<UInt32>(leaf) + 1) >> level) & 1u;
				pending[count++] = Child(r, right ^ 1u);
				r = Child(r, right);
			}
		pending[count++] = r;
		return count;
	}

	// True when the whole box lies strictly right of the line p → q, outside a
	// counter-clockwise triangle with that side: its corner farthest to the left does.
	static bool BeyondSide(const TreeBox& box, const Vertex& p, const Vertex& q) {
		const double x = q.y < p.y ? box.maxX : box.minX;
		const double y = q.x > p.x ? box.maxY : box.minY;
		return Orientation(p.x, p.y, q.x, q.y, x, y) < 0;
	}

	Workspace& ws;
};

} // namespace Modeler::Decomposition
