#include "Model3D/geometry/decomposition/detail/CornerTree.h"
#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace Modeler::Decomposition {

namespace {

// The corners that are not strictly convex, filed in a uniform grid over the ring's box,
// each cell's corners one after the other with their places.
// A triangle looks only at the cells its rows actually cross. Where the corners spread
// over the box (many holes, say) a cell holds about one corner and an ear costs a few
// cells; where they crowd along a few lines (the inner corners of a star) most cells are
// empty, the full ones hold many corners, and a long thin triangle crosses many cells:
// such rings are searched through a CornerTree instead.
class CornerGrid {
public:
	CornerGrid(Workspace& ws, Int32 start, Int32 count) : ws(ws) {
		double maxX = At(start).x, maxY = At(start).y;
		minX = maxX;
		minY = maxY;
		Int32 v = start;
		for (Int32 k = 0; k < count; ++k, v = At(v).next) {
			minX = std::min(minX, At(v).x);
			minY = std::min(minY, At(v).y);
			maxX = std::max(maxX, At(v).x);
			maxY = std::max(maxY, At(v).y);
			corners += At(v).convex ? 0 : 1;
		}
		const double width = maxX - minX, height = maxY - minY;
		if (corners == 0 || !(width > 0.0) || !(height > 0.0)) return;
		const double cell = std::sqrt(width * height / corners);
		columns = std::min<Int32>(static_cast<Int32>(width / cell) + 1, 4 * corners);
		rows = std::min<Int32>(static_cast<Int32>(height / cell) + 1, 4 * corners);
		scaleX = columns / width;
		scaleY = rows / height;
		cellHeight = height / rows;
		slack = 1e-9 * std::max(width, height);
		// Counts per cell, summed up to each cell's end, then filled backwards, which leaves
		// each start at the cell's first corner.
		const USize cells = static_cast<USize>(columns) * static_cast<USize>(rows);
		ws.cellHeads.assign(cells + 1, 0);
		for (Int32 k = 0; k < count; ++k, v = At(v).next)
			if (!At(v).convex) {
				Int32& filed = ws.cellHeads[Cell(At(v).x, At(v).y)];
				occupied += filed == 0 ? 1 : 0;
				++filed;
			}
		for (USize c = 1; c <= cells; ++c)
			ws.cellHeads[c] += ws.cellHeads[c - 1];
		ws.cellItems.resize(static_cast<USize>(corners));
		for (Int32 k = 0; k < count; ++k, v = At(v).next)
			if (!At(v).convex)
				ws.cellItems[static_cast<USize>(--ws.cellHeads[Cell(At(v).x, At(v).y)])] = {At(v).x, At(v).y, v};
		// Each cell in order of x, so that a row's corners run from left to right.
		for (USize c = 0; c < cells; ++c)
			std::sort(ws.cellItems.begin() + ws.cellHeads[c], ws.cellItems.begin() + ws.cellHeads[c + 1],
			          [](const TreeItem& p, const TreeItem& q) { return p.x < q.x; });
		for (Int32 i = 0; i < corners; ++i)
			At(ws.cellItems[static_cast<USize>(i)].corner).filed = i;
		// Blocks pay only where a triangle may cross many of them.
		if (columns < 4 * BlockSize || rows < 4 * BlockSize) return;
		blockColumns = (columns + BlockSize - 1) / BlockSize;
		const Int32 blockRows = (rows + BlockSize - 1) / BlockSize;
		ws.blockLive.assign(static_cast<USize>(blockColumns) * static_cast<USize>(blockRows), 0);
		for (TreeItem& item : ws.cellItems) {
			item.block = static_cast<Int32>(BlockOf(item));
			++ws.blockLive[static_cast<USize>(item.block)];
		}
	}

	// The filed corner v has left the ring or turns strictly now: it can no longer block,
	// and its item is passed over without a look at the ring. In a grid of blocks, once
	// most items are such, the cells are packed anew: the corners that a star's spikes
	// leave behind would otherwise be passed over by every later triangle crossing their
	// rows. Packing walks every cell, so it also waits until a quarter as many items as
	// cells have gone since the last time, and costs a few steps per item retired.
	void Retire(Int32 v) {
		if (columns == 0) return;
		TreeItem& item = ws.cellItems[static_cast<USize>(At(v).filed)];
		item.corner = None;
		if (blockColumns == 0) return;
		--ws.blockLive[static_cast<USize>(item.block)];
		if (2 * ++retired > static_cast<Int32>(ws.cellItems.size()) && 4 * retired > columns * rows) Pack();
	}

	// True when the cells holding corners hold more of them on average than a leaf of a
	// CornerTree.
	bool Crowded() const { return corners > CornerTree::LeafSize * occupied; }

	// Calls f on every filed corner not yet retired that may lie in the closed triangle
	// a, b, c, until f returns true; returns whether it did.
	template <typename F> bool AnyNear(const Vertex& a, const Vertex& b, const Vertex& c, F&& f) const {
		if (columns == 0) return false;
		const double top = std::max({a.y, b.y, c.y}), bottom = std::min({a.y, b.y, c.y});
		const Int32 firstRow = Row(bottom - slack), lastRow = Row(top + slack);
		// A triangle within a few columns (the spike of a star) is looked for by its box:
		// its rows are mostly empty there, and cutting each into the triangle's span
		// would cost more than the few corners it lets pass.
		const double left = std::min({a.x, b.x, c.x}) - slack, right = std::max({a.x, b.x, c.x}) + slack;
		const Int32 firstColumn = Column(left), lastColumn = Column(right);
		const bool tall = blockColumns != 0 && lastRow - firstRow >= BlockSize;
		if (lastColumn - firstColumn < NarrowColumns) {
			for (Int32 row = firstRow; row <= lastRow; ++row) {
				if (tall && (row % BlockSize == 0 || row == firstRow)) {
					if (BlocksEmpty(row, firstColumn, lastColumn)) {
						row = row - row % BlockSize + BlockSize - 1;
						continue;
					}
				}
				const USize rowStart = static_cast<USize>(row) * static_cast<USize>(columns);
				const Int32 end = ws.cellHeads[rowStart + static_cast<USize>(lastColumn) + 1];
				for (Int32 i = FirstFrom(ws.cellHeads[rowStart + static_cast<USize>(firstColumn)], end, left); i < end;
				     ++i) {
					const TreeItem& item = ws.cellItems[static_cast<USize>(i)];
					if (item.x > right) break;
					if (item.corner != None && item.y >= bottom && item.y <= top && f(item.corner)) return true;
				}
			}
			return false;
		}
		const Side sides[3] = {Side(a, b), Side(b, c), Side(c, a)};
		// A triangle taller than a block looks at the blocks that its rows cross within a
		// block row first: in the empty parts of a polygon none holds a corner, and the rows
		// are passed over.
		for (Int32 from = firstRow, to = 0; from <= lastRow; from = to) {
			to = tall ? std::min(from - from % BlockSize + BlockSize, lastRow + 1) : lastRow + 1;
			Int32 bandFirst = firstColumn, bandLast = lastColumn;
			if (tall) {
				double lo = 0.0, hi = 0.0;
				SpanOfRows(sides, bottom, top, from, to, lo, hi);
				if (lo > hi) continue;
				bandFirst = Column(lo - slack);
				bandLast = Column(hi + slack);
				if (BlocksEmpty(from, bandFirst, bandLast)) continue;
			}
			for (Int32 row = from; row < to; ++row) {
				const USize rowStart = static_cast<USize>(row) * static_cast<USize>(columns);
				// Rows without corners under the band are passed over before their span is
				// worked out.
				if (ws.cellHeads[rowStart + static_cast<USize>(bandFirst)] ==
				    ws.cellHeads[rowStart + static_cast<USize>(bandLast) + 1])
					continue;
				double lo = 0.0, hi = 0.0;
				SpanOfRows(sides, bottom, top, row, row + 1, lo, hi);
				if (lo > hi) continue;
				const Int32 end = ws.cellHeads[rowStart + static_cast<USize>(Column(hi + slack)) + 1];
				// The cells of a row are filed one after the other, so its corners run by x.
				const double x0 = lo - slack, x1 = hi + slack;
				for (Int32 i = FirstFrom(ws.cellHeads[rowStart + static_cast<USize>(Column(x0))], end, x0); i < end;
				     ++i) {
					const TreeItem& item = ws.cellItems[static_cast<USize>(i)];
					if (item.x > x1) break;
					if (item.corner != None && item.y >= bottom && item.y <= top && f(item.corner)) return true;
				}
			}
		}
		return false;
	}

private:
	// Triangles spanning fewer columns than this are looked for by their box.
	static constexpr Int32 NarrowColumns = 3;
	// Square blocks of this many cells a side count their corners still able to block
	// (in grids of at least four blocks a side).
	static constexpr Int32 BlockSize = 8;

	const Vertex& At(Int32 i) const { return ws.ring[static_cast<USize>(i)]; }
	Vertex& At(Int32 i) { return ws.ring[static_cast<USize>(i)]; }

	// The first of the items begin … end − 1 (a run of a row, by x) at x or right of it;
	// crowded cells are halved instead of walked.
	Int32 FirstFrom(Int32 begin, Int32 end, double x) const {
		while (end - begin > 8) {
			const Int32 middle = begin + (end - begin) / 2;
			if (ws.cellItems[static_cast<USize>(middle)].x < x)
				begin = middle + 1;
			else
				end = middle;
		}
		while (begin < end && ws.cellItems[static_cast<USize>(begin)].x < x)
			++begin;
		return begin;
	}

	struct Side;

	// The x range [lo, hi] of the triangle with the sides given (between the heights
	// bottom and top) in the rows from … to − 1; lo > hi when it has none there.
	void SpanOfRows(const Side (&sides)[3], double bottom, double top, Int32 from, Int32 to, double& lo,
	                double& hi) const {
		const double y0 = std::max(bottom, minY + from * cellHeight - slack);
		const double y1 = std::min(top, minY + to * cellHeight + slack);
		lo = std::numeric_limits<double>::infinity();
		hi = -lo;
		for (const Side& side : sides)
			side.SpanInBand(y0, y1, lo, hi);
	}

	// True when no corner that may block is filed in the blocks of the block row of 'row'
	// from the block of 'first' to that of 'last' (both columns).
	bool BlocksEmpty(Int32 row, Int32 first, Int32 last) const {
		const USize blockRow = static_cast<USize>(row / BlockSize) * static_cast<USize>(blockColumns);
		for (Int32 b = first / BlockSize; b <= last / BlockSize; ++b)
			if (ws.blockLive[blockRow + static_cast<USize>(b)] != 0) return false;
		return true;
	}

	USize BlockOf(const TreeItem& item) const {
		return static_cast<USize>(Row(item.y) / BlockSize) * static_cast<USize>(blockColumns) +
		       static_cast<USize>(Column(item.x) / BlockSize);
	}

	// Drops the retired items, keeping the order of the rest, and tells the corners where
	// their items went.
	void Pack() {
		const USize cells = static_cast<USize>(columns) * static_cast<USize>(rows);
		Int32 kept = 0, begin = ws.cellHeads[0];
		for (USize c = 0; c < cells; ++c) {
			const Int32 end = ws.cellHeads[c + 1];
			ws.cellHeads[c] = kept;
			for (Int32 i = begin; i < end; ++i) {
				const TreeItem item = ws.cellItems[static_cast<USize>(i)];
				if (item.corner == None) continue;
				At(item.corner).filed = kept;
				ws.cellItems[static_cast<USize>(kept++)] = item;
			}
			begin = end;
		}
		ws.cellHeads[cells] = kept;
		ws.cellItems.resize(static_cast<USize>(kept));
		retired = 0;
	}

	Int32 Column(double x) const { return std::clamp(static_cast<Int32>((x - minX) * scaleX), 0, columns - 1); }
	Int32 Row(double y) const { return std::clamp(static_cast<Int32>((y - minY) * scaleY), 0, rows - 1); }
	Int32 Cell(double x, double y) const { return Row(y) * columns + Column(x); }

	// A side of a triangle, set up once for the rows it is cut into.
	struct Side {
		Side(const Vertex& p, const Vertex& q)
		    : x(p.x), y(p.y), endX(q.x), low(std::min(p.y, q.y)), high(std::max(p.y, q.y)),
		      slope(p.y == q.y ? 0.0 : (q.x - p.x) / (q.y - p.y)) {}

		// Widens [lo, hi] by the x range of the side between the heights y0 and y1.
		void SpanInBand(double y0, double y1, double& lo, double& hi) const {
			if (high < y0 || low > y1) return;
			double from = endX, to = x;
			if (low != high) {
				from = x + (std::clamp(y0, low, high) - y) * slope;
				to = x + (std::clamp(y1, low, high) - y) * slope;
			}
			lo = std::min({lo, from, to});
			hi = std::max({hi, from, to});
		}

		double x, y, endX, low, high, slope;
	};

	Workspace& ws;
	double minX = 0.0, minY = 0.0, scaleX = 0.0, scaleY = 0.0, cellHeight = 0.0, slack = 0.0;
	Int32 columns = 0, rows = 0, blockColumns = 0;
	Int32 corners = 0;  // filed
	Int32 occupied = 0; // cells holding a corner
	Int32 retired = 0;  // items no longer standing for a corner
};

class EarClipper {
public:
	EarClipper(Workspace& ws, Int32 start) : ws(ws), ring(ws.ring), start(start) {}

	bool Run() {
		remaining = CountRing();
		// A ring of n corners gives at most n − 2 triangles.
		ws.triangles.resize(3 * static_cast<USize>(std::max(remaining - 2, 0)));
		ws.twin.assign(ws.triangles.size(), None);
		cut = 0;
		MarkCorners();
		if (remaining > IndexRingSize) {
			grid.emplace(ws, start, remaining);
			if (grid->Crowded()) {
				grid.reset();
				tree.emplace(ws, start, remaining);
			}
			// Bridged holes leave long runs of reflex corners that a walk would pass again
			// and again; without holes the walk's order gives fewer, shorter triangles.
			if (!ws.holes.empty() && !RunQueued()) return false;
		}
		Int32 ear = start, stop = start;
		// Every step either cuts a corner off or advances; a whole round without a cut
		// removes degenerate corners or gives up, so the loop ends.
		while (remaining > 2) {
			const Int32 prev = ring[static_cast<USize>(ear)].prev, next = ring[static_cast<USize>(ear)].next;
			if (TakeOutIfDegenerate(prev, ear, next)) {
				stop = ear;
				continue;
			}
			if (IsEar(prev, ear, next)) {
				Cut(prev, ear, next);
				ear = ring[static_cast<USize>(next)].next;
				stop = ear;
				continue;
			}
			ear = next;
			if (ear == stop) {
				if (!RemoveDegenerateCorners(ear)) return false;
				stop = ear;
			}
		}
		ws.triangles.resize(3 * static_cast<USize>(cut));
		ws.twin.resize(ws.triangles.size());
		return true;
	}

private:
	Vertex& At(Int32 i) { return ring[static_cast<USize>(i)]; }

	// The cutting of a long ring: instead of walking round it again and again past corners
	// that cannot be ears, only the corners whose neighbours changed are looked at again.
	// A corner waits in the queue at most once: a fan of ears cut beside it would queue it
	// again with every cut, and each stale entry would repeat a failing look across the
	// polygon. When none are left, every corner is queued once more; a round that neither
	// cuts nor takes out anything gives up.
	bool RunQueued() {
		std::vector<Int32>& queue = ws.queue;
		queue.clear();
		USize head = 0;
		bool progress = true;
		while (remaining > 2) {
			if (head == queue.size()) {
				if (!progress) return false;
				progress = false;
				queue.clear();
				head = 0;
				Int32 v = start;
				for (Int32 k = 0; k < remaining; ++k, v = At(v).next)
					Enqueue(v);
			}
			Int32 ear = queue[head++];
			At(ear).queued = false;
			if (!At(ear).alive) continue;
			const Int32 prev = At(ear).prev, next = At(ear).next;
			if (TakeOutIfDegenerate(prev, ear, next)) {
				Enqueue(ear);
				Enqueue(At(ear).prev);
				progress = true;
			} else if (IsEar(prev, ear, next)) {
				Cut(prev, ear, next);
				Enqueue(prev);
				Enqueue(next);
				progress = true;
			}
		}
		return true;
	}

	void Enqueue(Int32 v) {
		if (At(v).queued) return;
		At(v).queued = true;
		ws.queue.push_back(v);
	}

	Int32 CountRing() {
		Int32 count = 1;
		for (Int32 v = At(start).next; v != start; v = At(v).next)
			++count;
		return count;
	}

	void MarkCorners() {
		ws.reflex.resize(ring.size());
		Int32 v = start;
		for (Int32 k = 0; k < remaining; ++k, v = At(v).next) {
			Vertex& corner = At(v);
			const Vertex& prev = At(corner.prev);
			const Vertex& next = At(corner.next);
			const int turn = Orient(prev, corner, next);
			corner.alive = true;
			corner.queued = false;
			corner.convex = turn > 0;
			unconvexAlive += corner.convex ? 0 : 1;
			ws.reflex[static_cast<USize>(v)] = turn < 0 || (turn == 0 && !GoesStraight(prev, corner, next)) ? 1 : 0;
		}
	}

	bool IsEar(Int32 a, Int32 b, Int32 c) {
		const Vertex &pa = At(a), &pb = At(b), &pc = At(c);
		if (Orient(pa, pb, pc) <= 0) return false;
		// Only a corner that is not strictly convex can keep an ear from being cut; once none
		// is left (the convex rest of a star, say) every turning corner is an ear.
		if (unconvexAlive == 0) return true;
		const auto blocks = [&](Int32 p) {
			return At(p).alive && !At(p).convex && p != a && p != b && p != c && Blocks(ring.data(), At(p), pa, pb, pc);
		};
		if (tree) return !tree->AnyNear(pa, pb, pc, blocks);
		if (grid) return !grid->AnyNear(pa, pb, pc, blocks);
		for (Int32 p = pc.next; p != a; p = At(p).next)
			if (!At(p).convex && Blocks(ring.data(), At(p), pa, pb, pc)) return false;
		return true;
	}

	// Records that half-edge h lies along the ring side leaving 'owner', whose far side
	// is 'across'.
	void Pair(Int32 h, Int32 across, Int32 owner) {
		if (across >= 0) {
			ws.twin[static_cast<USize>(h)] = across;
			ws.twin[static_cast<USize>(across)] = h;
		} else if (across != None) {
			Vertex& partner = At(DecodePartner(across));
			if (partner.across == EncodePartner(owner)) partner.across = h;
		}
	}

	void Cut(Int32 a, Int32 b, Int32 c) {
		const Int32 t = 3 * cut++;
		ws.triangles[static_cast<USize>(t)] = a;
		ws.triangles[static_cast<USize>(t) + 1] = b;
		ws.triangles[static_cast<USize>(t) + 2] = c;
		Pair(t, At(a).across, a);
		Pair(t + 1, At(b).across, b);
		if (remaining == 3) Pair(t + 2, At(c).across, c); // the last triangle closes on a side already there
		At(a).across = t + 2;
		Unlink(b);
		// Cutting an ear only narrows the corners beside it: one that turns strictly now
		// stays convex to the end.
		MarkIfConvex(a);
		MarkIfConvex(c);
	}

	void MarkIfConvex(Int32 v) {
		Vertex& corner = At(v);
		if (corner.convex || Orient(At(corner.prev), corner, At(corner.next)) <= 0) return;
		corner.convex = true;
		--unconvexAlive;
		if (tree)
			tree->Retire(v);
		else if (grid)
			grid->Retire(v);
	}

	void Unlink(Int32 b) {
		Vertex& v = At(b);
		At(v.prev).next = v.next;
		At(v.next).prev = v.prev;
		v.alive = false;
		if (!v.convex) {
			--unconvexAlive;
			if (tree)
				tree->Retire(b);
			else if (grid)
				grid->Retire(b);
		}
		if (b == start) start = v.next;
		--remaining;
	}

	// Takes out a corner that repeats the next one or is the tip of a spike without area
	// (left behind where cut triangles used up a piece of the polygon); 'ear' moves to the
	// corner to look at next.
	bool TakeOutIfDegenerate(Int32 prev, Int32& ear, Int32 next) {
		if (SamePlace(At(ear), At(next))) {
			TakeOutRepeat(ear, next);
			return true;
		}
		if (Orient(At(prev), At(ear), At(next)) == 0 && !GoesStraight(At(prev), At(ear), At(next))) {
			At(prev).across = None;
			Unlink(ear);
			ear = prev;
			return true;
		}
		return false;
	}

	// One round over what is left, taking out corners that repeat the next one and tips
	// of spikes without area. 'ear' is moved to a corner still in the ring.
	bool RemoveDegenerateCorners(Int32& ear) {
		bool removed = false;
		Int32 v = ear;
		for (Int32 k = remaining; k > 0 && remaining > 2; --k) {
			const Int32 next = At(v).next;
			if (SamePlace(At(v), At(next))) {
				TakeOutRepeat(v, next);
				removed = true;
				continue;
			}
			const Vertex& prev = At(At(v).prev);
			if (Orient(prev, At(v), At(next)) == 0 && !GoesStraight(prev, At(v), At(next))) {
				const Int32 before = At(v).prev;
				At(before).across = None;
				Unlink(v);
				removed = true;
				v = before;
				continue;
			}
			v = next;
		}
		ear = v;
		return removed;
	}

	// Takes out 'repeat', which stands where v stands; v takes over its side.
	void TakeOutRepeat(Int32 v, Int32 repeat) {
		const Int32 across = At(repeat).across;
		At(v).across = across;
		if (across < None) {
			Vertex& partner = At(DecodePartner(across));
			if (partner.across == EncodePartner(repeat)) partner.across = EncodePartner(v);
		}
		Unlink(repeat);
	}

	Workspace& ws;
	std::vector<Vertex>& ring;
	Int32 start;
	Int32 remaining = 0;
	Int32 cut = 0;           // triangles cut so far
	Int32 unconvexAlive = 0; // corners in the ring that do not turn strictly
	std::optional<CornerGrid> grid;
	std::optional<CornerTree> tree;
};

} // namespace

bool ClipEars(Workspace& ws, Int32 start) {
	return EarClipper(ws, start).Run();
}

} // namespace Modeler::Decomposition
