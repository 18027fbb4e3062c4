#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Modeler::Decomposition {

namespace {

// The sides and corners of the outline, or of every hole, filed once in a uniform grid:
// a side in the cells it crosses, a corner in its cell. A hole's ray to the left walks
// the cells of its row only until a side is hit, and the corners seen from the hole are
// looked for only in the cells around the triangle they must lie in. The contours do not
// move while holes are bridged; a side taken over by a copy made by a bridge is still
// found by its first ends, whose copies are looked at afterwards. Sides and corners of
// holes not yet joined are passed over (their corners are not 'alive' yet).
// The outline and the holes have grids of their own: the long sides of an outline (a
// star's spikes) would cross many cells of a grid fine enough for many small holes.
class ContourGrid {
public:
	ContourGrid(Workspace& ws, ContourCells& cells, Int32 outer, bool holes)
	    : ws(ws), store(cells), outer(outer), holes(holes) {
		double minY = 0.0, maxY = 0.0, maxX = 0.0;
		Int32 corners = 0;
		ForEachContourCorner([&](Int32 v) {
			minX = corners == 0 ? At(v).x : std::min(minX, At(v).x);
			maxX = corners == 0 ? At(v).x : std::max(maxX, At(v).x);
			minY = corners == 0 ? At(v).y : std::min(minY, At(v).y);
			maxY = corners == 0 ? At(v).y : std::max(maxY, At(v).y);
			++corners;
		});
		// Sides of long, crowded outlines (a star) cross many cells; coarse cells keep
		// their filing cheap while a hole's ray still meets few of them. A side crosses
		// about its length over the cell size in cells, so the grid is made no finer than
		// to give each corner a few such entries, traded against the rays of the holes
		// meeting more sides in a coarser cell.
		double length = 0.0;
		ForEachContourCorner([&](Int32 v) {
			const Vertex& a = At(v);
			const Vertex& b = At(a.next);
			if (a.y > b.y) length += std::fabs(b.x - a.x) + (a.y - b.y);
		});
		const double extent = std::max(maxX - minX, maxY - minY);
		double side = std::sqrt(corners / 9.0);
		if (length > 0.0)
			side = std::min(side, std::cbrt(2.0 * static_cast<double>(ws.holes.size()) * corners * extent / length));
		columns = maxX > minX ? std::max(1, static_cast<Int32>(side)) : 1;
		rows = maxY > minY ? std::max(1, static_cast<Int32>(side)) : 1;
		scaleX = maxX > minX ? columns / (maxX - minX) : 0.0;
		scaleY = maxY > minY ? rows / (maxY - minY) : 0.0;
		bottom = minY;
		slack = 1e-9 * extent;
		const auto cellCount = static_cast<USize>(columns) * static_cast<USize>(rows);

		// Counts per cell, summed up to each cell's end, then filled backwards, which leaves
		// each start at the cell's first entry.
		store.sideStart.assign(cellCount + 1, 0);
		store.cornerStart.assign(cellCount + 1, 0);
		ForEachContourCorner([&](Int32 v) {
			ForCellsOfSide(v, [&](USize cell) { ++store.sideStart[cell]; });
			++store.cornerStart[CellOf(At(v).x, At(v).y)];
		});
		for (USize c = 1; c <= cellCount; ++c) {
			store.sideStart[c] += store.sideStart[c - 1];
			store.cornerStart[c] += store.cornerStart[c - 1];
		}
		store.sides.resize(static_cast<USize>(store.sideStart[cellCount]));
		store.corners.resize(static_cast<USize>(store.cornerStart[cellCount]));
		ForEachContourCorner([&](Int32 v) {
			const Int32 to = At(v).next;
			ForCellsOfSide(v, [&](USize cell) { store.sides[static_cast<USize>(--store.sideStart[cell])] = {v, to}; });
			const USize cell = CellOf(At(v).x, At(v).y);
			store.corners[static_cast<USize>(--store.cornerStart[cell])] = {At(v).x, At(v).y, v};
		});
	}

	Int32 Row(double y) const { return std::clamp(static_cast<Int32>((y - bottom) * scaleY), 0, rows - 1); }
	Int32 Column(double x) const { return std::clamp(static_cast<Int32>((x - minX) * scaleX), 0, columns - 1); }

	// Calls f(from, to) on the joined sides filed in the row of height y, column by column
	// leftwards from x, until 'hitX' (which f may raise) lies in a column already walked.
	template <typename F> void ForSidesLeftOf(double x, double y, const double& hitX, F&& f) {
		const USize row = static_cast<USize>(Row(y)) * static_cast<USize>(columns);
		for (Int32 c = Column(x); c >= 0; --c) {
			const USize cell = row + static_cast<USize>(c);
			for (Int32 e = store.sideStart[cell]; e < store.sideStart[cell + 1]; ++e) {
				const GridSide side = store.sides[static_cast<USize>(e)];
				if (At(side.from).alive) f(side.from, side.to);
			}
			if (c > 0 && hitX >= minX + c / scaleX + slack) return;
		}
	}

	// Calls f on every joined corner filed in the cells that the box reaches.
	template <typename F> void ForCornersIn(double x0, double y0, double x1, double y1, F&& f) {
		const Int32 lastRow = Row(y1 + slack), lastColumn = Column(x1 + slack);
		for (Int32 r = Row(y0 - slack); r <= lastRow; ++r)
			for (Int32 c = Column(x0 - slack); c <= lastColumn; ++c) {
				const USize cell = static_cast<USize>(r) * static_cast<USize>(columns) + static_cast<USize>(c);
				for (Int32 e = store.cornerStart[cell]; e < store.cornerStart[cell + 1]; ++e) {
					const Int32 corner = store.corners[static_cast<USize>(e)].corner;
					if (At(corner).alive) f(corner);
				}
			}
	}

private:
	Vertex& At(Int32 i) { return ws.ring[static_cast<USize>(i)]; }

	template <typename F> void ForEachContourCorner(F&& f) {
		if (holes) {
			for (const Contour& hole : ws.holes)
				for (Int32 k = 0; k < hole.count; ++k)
					f(hole.first + k);
			return;
		}
		Int32 v = outer;
		do {
			f(v);
			v = At(v).next;
		} while (v != outer);
	}

	USize CellOf(double x, double y) const {
		return static_cast<USize>(Row(y)) * static_cast<USize>(columns) + static_cast<USize>(Column(x));
	}

	// Calls f on each cell that the side leaving v crosses, when it runs downwards (only
	// such sides face a ray to the left from inside).
	template <typename F> void ForCellsOfSide(Int32 v, F&& f) {
		const Vertex& a = At(v);
		const Vertex& b = At(a.next);
		if (!(a.y > b.y)) return;
		const Int32 first = Row(b.y), last = Row(a.y);
		// A side within one cell (most sides of small holes) crosses no other: every point
		// of it lies between its ends, and cells follow the order of x and of y.
		if (first == last && Column(a.x) == Column(b.x)) {
			f(static_cast<USize>(first) * static_cast<USize>(columns) + static_cast<USize>(Column(a.x)));
			return;
		}
		const double slope = (b.x - a.x) / (b.y - a.y);
		for (Int32 r = first; r <= last; ++r) {
			const double y0 = std::clamp(bottom + r / scaleY - slack, b.y, a.y);
			const double y1 = std::clamp(bottom + (r + 1) / scaleY + slack, b.y, a.y);
			const double xa = a.x + (y0 - a.y) * slope, xb = a.x + (y1 - a.y) * slope;
			const Int32 lastColumn = Column(std::max(xa, xb) + slack);
			const USize row = static_cast<USize>(r) * static_cast<USize>(columns);
			for (Int32 c = Column(std::min(xa, xb) - slack); c <= lastColumn; ++c)
				f(row + static_cast<USize>(c));
		}
	}

	Workspace& ws;
	ContourCells& store;
	Int32 outer;
	bool holes; // files the holes, not the outline
	double minX = 0.0, bottom = 0.0, scaleX = 0.0, scaleY = 0.0, slack = 0.0;
	Int32 columns = 1, rows = 1;
};

// The bridges made so far (and the sides that bridging moved to new corners), filed by
// horizontal strips: unlike the contours they change while holes are joined.
class Strips {
public:
	Strips(Workspace& ws, Int32 strips) : ws(ws), count(strips) {
		double minY = ws.ring[0].y, maxY = minY;
		for (const Vertex& v : ws.ring) {
			minY = std::min(minY, v.y);
			maxY = std::max(maxY, v.y);
		}
		bottom = minY;
		scale = maxY > minY ? count / (maxY - minY) : 0.0;
		ws.bucketStart.assign(static_cast<USize>(count), None);
		ws.bucketCells.clear();
	}

	// Files the side from v to its next corner.
	void AddSide(Int32 v) {
		const Vertex& a = ws.ring[static_cast<USize>(v)];
		const Vertex& b = ws.ring[static_cast<USize>(a.next)];
		const Int32 last = StripOf(std::max(a.y, b.y));
		for (Int32 s = StripOf(std::min(a.y, b.y)); s <= last; ++s) {
			ws.bucketCells.push_back(v);
			ws.bucketCells.push_back(ws.bucketStart[static_cast<USize>(s)]);
			ws.bucketStart[static_cast<USize>(s)] = static_cast<Int32>(ws.bucketCells.size()) - 2;
		}
	}

	template <typename F> void ForSidesAt(double y, F&& f) const {
		for (Int32 e = ws.bucketStart[static_cast<USize>(StripOf(y))]; e != None;
		     e = ws.bucketCells[static_cast<USize>(e) + 1])
			f(ws.bucketCells[static_cast<USize>(e)]);
	}

private:
	Int32 StripOf(double y) const {
		const double s = (y - bottom) * scale;
		return s <= 0.0 ? 0 : std::min(count - 1, static_cast<Int32>(s));
	}

	Workspace& ws;
	Int32 count = 1;
	double bottom = 0.0;
	double scale = 0.0;
};

class HoleBridger {
public:
	HoleBridger(Workspace& ws, Int32 outer)
	    : ws(ws), outline(ws, ws.outlineCells, outer, false), holeGrid(ws, ws.holeCells, outer, true),
	      strips(ws, std::max(1, static_cast<Int32>(std::sqrt(static_cast<double>(ws.holes.size()))))) {
		Int32 v = outer;
		do {
			At(v).alive = true;
			v = At(v).next;
		} while (v != outer);
	}

	bool Bridge(const Contour& hole) {
		const Int32 m = hole.leftmost;
		Int32 target = FindTarget(m);
		if (target == None) return false;
		if (SamePlace(At(target), At(m))) {
			target = CopyFacing(target, At(At(m).next));
			Touch(target, m);
		} else {
			target = CopyFacing(target, At(m));
			Split(target, m);
		}
		for (Int32 k = 0; k < hole.count; ++k)
			At(hole.first + k).alive = true;
		return true;
	}

private:
	Vertex& At(Int32 i) { return ws.ring[static_cast<USize>(i)]; }

	// The corner of the joined ring that the hole's leftmost corner m is bridged to: the
	// nearer end of the first side hit by a ray to the left, or a corner in front of it
	// seen at a smaller angle from the ray.
	Int32 FindTarget(Int32 m) {
		const Vertex h = At(m);
		double hitX = -std::numeric_limits<double>::infinity();
		Int32 best = None;
		const auto tryHit = [&](Int32 from, Int32 to) {
			const Vertex& a = At(from);
			const Vertex& b = At(to);
			// Sides running downwards have the inside on their right, facing the hole.
			if (!(a.y >= h.y && b.y <= h.y && a.y != b.y)) return;
			const double x = a.x + (h.y - a.y) * (b.x - a.x) / (b.y - a.y);
			if (x <= h.x && x > hitX) {
				hitX = x;
				best = a.x < b.x ? to : from;
				if (x == h.x && SamePlace(a, h)) best = from;
			}
		};
		strips.ForSidesAt(h.y, [&](Int32 p) { tryHit(p, At(p).next); });
		// The holes first: a hole's ray mostly meets another hole before the outline.
		holeGrid.ForSidesLeftOf(h.x, h.y, hitX, tryHit);
		outline.ForSidesLeftOf(h.x, h.y, hitX, tryHit);
		if (best == None || hitX == h.x) return best;
		return NearestSeen(h, hitX, best);
	}

	// Among the corners inside the triangle (h, the hit point, best), the one seen at the
	// smallest angle from the ray, the nearest of those on one line.
	Int32 NearestSeen(const Vertex& h, double hitX, Int32 best) {
		Vertex hit;
		hit.x = hitX;
		hit.y = h.y;
		const Vertex corner = At(best);
		const int side = corner.y > h.y ? 1 : (corner.y < h.y ? -1 : 0);
		auto inside = [&](const Vertex& q) {
			if (side == 0) return Orient(h, corner, q) == 0;
			const Vertex& first = side > 0 ? corner : hit;
			const Vertex& second = side > 0 ? hit : corner;
			return Orient(h, first, q) >= 0 && Orient(first, second, q) >= 0 && Orient(second, h, q) >= 0;
		};
		auto nearer = [&](const Vertex& q, const Vertex& b) {
			const double dq = std::fabs(q.x - h.x) + std::fabs(q.y - h.y);
			const double db = std::fabs(b.x - h.x) + std::fabs(b.y - h.y);
			return dq < db;
		};
		const auto consider = [&](Int32 p) {
			const Vertex& q = At(p);
			if (q.x > h.x || q.x < corner.x || !inside(q) || SamePlace(q, At(best))) return;
			const int turn = side == 0 ? 0 : Orient(h, At(best), q) * side;
			if (turn > 0 || (turn == 0 && nearer(q, At(best)))) best = p;
		};
		const double x0 = std::min(h.x, corner.x), y0 = std::min(h.y, corner.y);
		const double x1 = std::max(h.x, corner.x), y1 = std::max(h.y, corner.y);
		holeGrid.ForCornersIn(x0, y0, x1, y1, consider);
		outline.ForCornersIn(x0, y0, x1, y1, consider);
		return best;
	}

	// Of the corners standing where 'target' stands, the one whose angle holds q. The ray
	// may have hit any of them (the sides at a corner bridged twice meet at one x), so
	// all are looked at, not only those made after 'target'.
	Int32 CopyFacing(Int32 target, const Vertex& q) {
		Int32 c = target;
		do {
			if (InsideCornerAngle(ws.ring, At(c), q)) return c;
			c = NextCopy(c);
		} while (c != target);
		return target;
	}

	Int32 NextCopy(Int32 c) { return At(c).copy == None ? c : At(c).copy; }

	// Merges the cycles of corners standing where a and where b stand.
	void JoinCopies(Int32 a, Int32 b) {
		const Int32 afterA = NextCopy(a), afterB = NextCopy(b);
		At(a).copy = afterB;
		At(b).copy = afterA;
	}

	// Joins a hole whose corner m stands where 'target' stands by exchanging their sides.
	void Touch(Int32 target, Int32 m) {
		std::swap(At(target).next, At(m).next);
		At(At(target).next).prev = target;
		At(At(m).next).prev = m;
		// Either may have taken over a bridge.
		strips.AddSide(target);
		strips.AddSide(m);
		std::swap(At(target).across, At(m).across);
		RelinkPartner(m, target);
		JoinCopies(target, m);
	}

	// Cuts the ring along the bridge a–b, doubling both ends.
	void Split(Int32 a, Int32 b) {
		const Int32 a2 = Duplicate(a), b2 = Duplicate(b);
		const Int32 an = At(a).next, bp = At(b).prev;
		At(a).next = b;
		At(b).prev = a;
		At(a2).next = an;
		At(an).prev = a2;
		At(b2).next = a2;
		At(a2).prev = b2;
		At(bp).next = b2;
		At(b2).prev = bp;
		At(a2).across = At(a).across;
		RelinkPartner(a2, a);
		At(a).across = EncodePartner(b2);
		At(b2).across = EncodePartner(a);
		strips.AddSide(a);
		strips.AddSide(a2);
	}

	Int32 Duplicate(Int32 v) {
		Vertex copy = At(v);
		copy.copy = None;
		const auto index = static_cast<Int32>(ws.ring.size());
		ws.ring.push_back(copy);
		JoinCopies(v, index);
		return index;
	}

	// The side leaving 'owner' used to leave 'former'; a bridge partner follows it.
	void RelinkPartner(Int32 owner, Int32 former) {
		const Int32 across = At(owner).across;
		if (across < None && At(DecodePartner(across)).across == EncodePartner(former))
			At(DecodePartner(across)).across = EncodePartner(owner);
	}

	Workspace& ws;
	ContourGrid outline;
	ContourGrid holeGrid;
	Strips strips;
};

} // namespace

bool BridgeHoles(Workspace& ws, Int32 outer) {
	if (ws.holes.empty()) return true;
	std::sort(ws.holes.begin(), ws.holes.end(), [&](const Contour& a, const Contour& b) {
		const Vertex& p = ws.ring[static_cast<USize>(a.leftmost)];
		const Vertex& q = ws.ring[static_cast<USize>(b.leftmost)];
		return p.x < q.x || (p.x == q.x && p.y < q.y);
	});
	ws.ring.reserve(ws.ring.size() + 2 * ws.holes.size());
	HoleBridger bridger(ws, outer);
	for (const Contour& hole : ws.holes)
		if (!bridger.Bridge(hole)) return false;
	return true;
}

} // namespace Modeler::Decomposition
