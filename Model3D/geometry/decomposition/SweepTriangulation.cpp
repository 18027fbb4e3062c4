// Triangulation of a polygon with holes by one sweep over its corners, without bridges.
//
// The corners are met by y, then by x (a sweep line turned by an infinitely small angle,
// so that no two corners are met at once). The sides crossing the sweep line bound the
// regions of the polygon between them; what is left below the sweep line in a region is
// a funnel: a chain of corners on one side, each reflex, closed by one corner of the
// other side. Each corner met cuts off the triangles it sees of the funnel of its region
// (the stack method of monotone polygons), opens a region, closes one, splits one (joined
// to the top of its funnel) or joins two (whose funnels meet at it until the next corner
// met in the region). A corner of the chain that goes straight on stays in the stack as a
// point of the segment between its neighbours, and the triangles over that segment are
// cut into a fan through it.
//
// Every step checks what it relies on: the corner lies strictly between the sides next
// to it on the sweep line, the triangles turn strictly counter-clockwise, no two corners
// stand at one place. At the end the triangles must fit: every half-edge opposite one
// running the other way or along a side of the polygon, each side once. Counter-clockwise
// triangles fitting so cover the polygon once, without gaps, overlaps or corners on
// their sides. Anything else gives up, and the caller bridges the holes and clips ears.
#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"
#include "Model3D/geometry/decomposition/detail/SweepStatus.h"

#include <algorithm>
#include <utility>

namespace Modeler::Decomposition {

namespace {

constexpr Int32 Paired = -3; // a diagonal both of whose sides have been cut

class Sweep {
public:
	explicit Sweep(Workspace& ws) : ws(ws), ring(ws.ring), status(ws.sweepRegions) {}

	bool Run(Int32 outer) {
		if (!Gather(outer) || !Order()) return false;
		const auto corners = static_cast<Int32>(ws.sweepSorted.size());
		// A polygon of n corners with h holes has n + 2h − 2 triangles.
		expected = corners + 2 * static_cast<Int32>(ws.holes.size()) - 2;
		ws.triangles.resize(3 * static_cast<USize>(expected));
		ws.twin.assign(ws.triangles.size(), None);
		ws.reflex.resize(ring.size());
		ws.sweepSideRegion.assign(ring.size(), None);
		ws.sweepRegions.clear();
		ws.sweepEntries.clear();
		ws.sweepDiagonals.clear();
		for (const SweepKey& key : ws.sweepSorted)
			if (!Meet(key.corner)) return false;
		return status.Empty() && cut == expected && Fits(corners);
	}

private:
	enum class Side { Left, Right };

	const Vertex& At(Int32 i) const { return ring[static_cast<USize>(i)]; }
	SweepEntry& Entry(Int32 e) { return ws.sweepEntries[static_cast<USize>(e)]; }
	SweepRegion& Region(Int32 r) { return ws.sweepRegions[static_cast<USize>(r)]; }
	Int32 Rank(Int32 v) const { return ws.sweepRank[static_cast<USize>(v)]; }

	// Lists the corners of the outline and of the holes.
	bool Gather(Int32 outer) {
		ws.sweepKeys.clear();
		Int32 v = outer;
		do {
			ws.sweepKeys.push_back({At(v).y, At(v).x, v});
			v = At(v).next;
		} while (v != outer && ws.sweepKeys.size() <= ring.size());
		for (const Contour& hole : ws.holes)
			for (Int32 k = hole.first; k < hole.first + hole.count; ++k)
				ws.sweepKeys.push_back({At(k).y, At(k).x, k});
		return v == outer;
	}

	// Sorts the corners into the sweep order: into buckets of y (about one corner each),
	// then within each bucket. False when two corners stand at one place or all on a line.
	bool Order() {
		std::vector<SweepKey>& keys = ws.sweepKeys;
		double minY = keys.front().y, maxY = minY;
		for (const SweepKey& key : keys) {
			minY = std::min(minY, key.y);
			maxY = std::max(maxY, key.y);
		}
		if (!(maxY > minY)) return false;
		const auto buckets = static_cast<Int32>(keys.size());
		double scale = buckets / (maxY - minY);
		// Heights apart by less than a normal number: one bucket, sorted as a whole.
		if (!(scale < 1e300)) scale = 0.0;
		auto bucketOf = [&](double y) { return std::min(static_cast<Int32>((y - minY) * scale), buckets - 1); };
		ws.sweepBuckets.assign(static_cast<USize>(buckets) + 1, 0);
		for (const SweepKey& key : keys)
			++ws.sweepBuckets[static_cast<USize>(bucketOf(key.y)) + 1];
		for (Int32 b = 0; b < buckets; ++b)
			ws.sweepBuckets[static_cast<USize>(b) + 1] += ws.sweepBuckets[static_cast<USize>(b)];
		ws.sweepSorted.resize(keys.size());
		for (const SweepKey& key : keys)
			ws.sweepSorted[static_cast<USize>(ws.sweepBuckets[static_cast<USize>(bucketOf(key.y))]++)] = key;
		const auto before = [](const SweepKey& p, const SweepKey& q) { return p.y < q.y || (p.y == q.y && p.x < q.x); };
		// After the fill each bucket's count points at the next one's start. Buckets of a
		// few keys are sorted by insertion.
		SweepKey* keysAt = ws.sweepSorted.data();
		for (Int32 b = 0, begin = 0; b < buckets; ++b) {
			const Int32 end = ws.sweepBuckets[static_cast<USize>(b)];
			if (end - begin > 16) {
				std::sort(keysAt + begin, keysAt + end, before);
			} else {
				for (Int32 i = begin + 1; i < end; ++i) {
					const SweepKey key = keysAt[i];
					Int32 j = i;
					for (; j > begin && before(key, keysAt[j - 1]); --j)
						keysAt[j] = keysAt[j - 1];
					keysAt[j] = key;
				}
			}
			begin = end;
		}
		ws.sweepRank.resize(ring.size());
		for (USize i = 0; i < ws.sweepSorted.size(); ++i) {
			const SweepKey& key = ws.sweepSorted[i];
			if (i > 0 && !before(ws.sweepSorted[i - 1], key)) return false;
			ws.sweepRank[static_cast<USize>(key.corner)] = static_cast<Int32>(i);
		}
		return true;
	}

	// Where the corner w lies against the left side (which runs down) or the right side
	// (up) of region r: −1 right of it, +1 left of it, 0 on its line.
	int AgainstLeft(Int32 r, Int32 w) {
		const SweepRegion& region = Region(r);
		return Orientation(region.lowX, region.lowY, region.highX, region.highY, At(w).x, At(w).y);
	}
	void SetLeft(SweepRegion& region, Int32 upper) {
		region.left = upper;
		const Vertex &high = At(upper), &low = At(high.next);
		region.lowX = low.x;
		region.lowY = low.y;
		region.highX = high.x;
		region.highY = high.y;
	}
	int AgainstRight(Int32 r, Int32 w) {
		const Int32 lower = Region(r).right;
		return Orient(At(lower), At(At(lower).next), At(w));
	}
	// True when w lies strictly right of the right side of region 'before' and strictly
	// left of the left side of region 'after' (either may be None).
	bool ClearOfNeighbours(Int32 before, Int32 after, Int32 w) {
		return (before == None || AgainstRight(before, w) < 0) && (after == None || AgainstLeft(after, w) > 0);
	}

	Int32 NewEntry(Int32 corner, Int32 across, Int32 below) {
		const Int32 turnBelow = below == None ? None : Entry(below).straight ? Entry(below).turnBelow : below;
		ws.sweepEntries.push_back({corner, across, below, turnBelow, false});
		return static_cast<Int32>(ws.sweepEntries.size()) - 1;
	}

	// Records that half-edge h runs along a side whose far side is 'across': a half-edge,
	// nothing (None) or a diagonal of the sweep (EncodePartner of its number) whose far
	// side may not be cut yet. Two half-edges paired must run between the same corners,
	// opposite ways.
	bool Attach(Int32 h, Int32 across) {
		if (across == None) return true;
		if (across < None) {
			Int32& first = ws.sweepDiagonals[static_cast<USize>(DecodePartner(across))];
			if (first == None) {
				first = h;
				return true;
			}
			if (first == Paired) return false;
			across = std::exchange(first, Paired);
		}
		const Int32* corner = ws.triangles.data();
		if (ws.twin[static_cast<USize>(across)] != None || corner[h] != corner[NextInTriangle(across)] ||
		    corner[across] != corner[NextInTriangle(h)])
			return false;
		ws.twin[static_cast<USize>(h)] = across;
		ws.twin[static_cast<USize>(across)] = h;
		return true;
	}
	static Int32 NextInTriangle(Int32 h) { return h % 3 == 2 ? h - 2 : h + 1; }

	// Cuts the triangle a, b, c, which must turn counter-clockwise, with what lies across
	// its sides; 't' receives its first half-edge.
	bool Emit(Int32 a, Int32 b, Int32 c, Int32 acrossAB, Int32 acrossBC, Int32 acrossCA, Int32& t) {
		if (cut == expected || Orient(At(a), At(b), At(c)) <= 0) return false;
		t = 3 * cut++;
		Int32* corners = ws.triangles.data() + t;
		corners[0] = a;
		corners[1] = b;
		corners[2] = c;
		return Attach(t, acrossAB) && Attach(t + 1, acrossBC) && Attach(t + 2, acrossCA);
	}

	// Cuts the triangles from w to the stack sides from entry 'high' down to entry 'low'
	// (those between are straight): (w, lower, higher) when 'lowFirst', else (w, higher,
	// lower). 'toHigh' and 'toLow' lie across the sides from w to the two ends; 'sideHigh'
	// and 'sideLow' receive the half-edges cut along them.
	bool Cover(Int32 w, Int32 high, Int32 low, bool lowFirst, Int32 toHigh, Int32 toLow, Int32& sideHigh,
	           Int32& sideLow) {
		Int32 carried = toHigh;
		sideHigh = None;
		// The entries below one another have ever smaller indices.
		Int32 e = high;
		while (e > low) {
			const SweepEntry entry = Entry(e);
			if (entry.below < low) return false;
			const Int32 below = Entry(entry.below).corner;
			const Int32 far = entry.below == low ? toLow : None;
			Int32 t = 0;
			if (lowFirst) {
				if (!Emit(w, below, entry.corner, far, entry.across, carried, t)) return false;
				if (sideHigh == None) sideHigh = t + 2;
				carried = sideLow = t;
			} else {
				if (!Emit(w, entry.corner, below, carried, entry.across, far, t)) return false;
				if (sideHigh == None) sideHigh = t;
				carried = sideLow = t + 2;
			}
			e = entry.below;
		}
		return true;
	}

	// The corner w on the side opposite the funnel's top sees the whole funnel: cuts the
	// fan of triangles from w, the lowest one along the side to the funnel's bottom corner
	// ('incoming' across it). 'upper' receives the half-edge along the side from the top
	// corner to w.
	bool Fan(Int32 top, Side side, Int32 w, Int32 incoming, Int32& upper) {
		if (Entry(top).turnBelow == None) return false;
		Int32 carried = None;
		upper = None;
		// The stack runs to older entries, each at a smaller index.
		for (Int32 e = top; Entry(e).turnBelow != None;) {
			const Int32 low = Entry(e).turnBelow;
			const Int32 bottom = Entry(low).turnBelow == None ? incoming : None;
			Int32 sideHigh = None, sideLow = None;
			if (!Cover(w, e, low, side == Side::Left, carried, bottom, sideHigh, sideLow)) return false;
			if (upper == None) upper = sideHigh;
			carried = sideLow;
			e = low;
		}
		return true;
	}

	// Meets w on the given side of a funnel (whose top is the stack entry 'top', on the
	// side 'topOnRight' tells): cuts what w sees and leaves the funnel with w on top.
	// 'incoming' lies across the side from the funnel to w.
	bool Step(Int32& top, bool& topOnRight, Side side, Int32 w, Int32 incoming) {
		const bool onRight = side == Side::Right;
		if (Entry(top).turnBelow != None && topOnRight != onRight) {
			Int32 upper = None;
			if (!Fan(top, side, w, incoming, upper)) return false;
			const Int32 corner = Entry(top).corner;
			top = NewEntry(w, upper, NewEntry(corner, None, None));
			topOnRight = onRight;
			return true;
		}
		// Corners on the same side: cut while the corner below w turns towards the inside.
		Int32 across = incoming, e = top;
		while (Entry(e).turnBelow != None) {
			const Int32 low = Entry(e).turnBelow;
			const int turn = Orient(At(Entry(low).corner), At(Entry(e).corner), At(w));
			if (turn == 0) {
				Entry(e).straight = true;
				break;
			}
			if ((turn > 0) != onRight) break;
			Int32 sideHigh = None, sideLow = None;
			if (!Cover(w, e, low, onRight, across, None, sideHigh, sideLow)) return false;
			across = sideLow;
			e = low;
		}
		top = NewEntry(w, across, e);
		topOnRight = onRight;
		return true;
	}

	// Meets w on the given side of region r: when two funnels meet in r, w closes the one
	// on the other side and goes on with the one on its side.
	bool MeetInRegion(Int32 r, Side side, Int32 w) {
		SweepRegion& region = Region(r);
		if (region.second == None) return Step(region.top, region.topOnRight, side, w, None);
		// The first funnel has its top on the right, the second on the left.
		Int32 upper = None;
		if (side == Side::Left) {
			if (!Fan(region.top, Side::Left, w, None, upper)) return false;
			region.top = region.second;
			region.topOnRight = false;
		} else if (!Fan(region.second, Side::Right, w, None, upper)) {
			return false;
		}
		region.second = None;
		return Step(region.top, region.topOnRight, side, w, upper);
	}

	// The region bounded by the ring side leaving corner v, None when there is none.
	Int32 RegionOfSide(Int32 v) {
		const Int32 r = ws.sweepSideRegion[static_cast<USize>(v)];
		return r >= 0 && r < static_cast<Int32>(ws.sweepRegions.size()) && Region(r).live ? r : None;
	}

	Int32 NewRegion(Int32 left, Int32 right) {
		SweepRegion region;
		SetLeft(region, left);
		region.right = right;
		ws.sweepRegions.push_back(region);
		const auto r = static_cast<Int32>(ws.sweepRegions.size()) - 1;
		ws.sweepSideRegion[static_cast<USize>(left)] = r;
		ws.sweepSideRegion[static_cast<USize>(right)] = r;
		return r;
	}

	Int32 NewDiagonal() {
		ws.sweepDiagonals.push_back(None);
		return EncodePartner(static_cast<Int32>(ws.sweepDiagonals.size()) - 1);
	}

	bool Meet(Int32 w) {
		const Vertex& corner = At(w);
		const Int32 p = corner.prev, n = corner.next;
		const int turn = Orient(At(p), corner, At(n));
		ws.reflex[static_cast<USize>(w)] = turn < 0 || (turn == 0 && !GoesStraight(At(p), corner, At(n))) ? 1 : 0;
		const bool prevAbove = Rank(p) > Rank(w), nextAbove = Rank(n) > Rank(w);
		if (prevAbove != nextAbove) return nextAbove ? MeetOnRight(w, p) : MeetOnLeft(w, p);
		if (turn == 0) return false; // a spike
		if (prevAbove) return turn > 0 ? Open(w, p) : Split(w, p);
		return turn > 0 ? Close(w, p) : Join(w, p);
	}

	// The ring runs up through w: it lies on the right side of its region.
	bool MeetOnRight(Int32 w, Int32 p) {
		const Int32 r = RegionOfSide(p);
		if (r == None || Region(r).right != p) return false;
		if (AgainstLeft(r, w) >= 0 || !ClearOfNeighbours(None, Region(r).after, w)) return false;
		if (!MeetInRegion(r, Side::Right, w)) return false;
		Region(r).right = w;
		ws.sweepSideRegion[static_cast<USize>(w)] = r;
		return true;
	}

	// The ring runs down through w: it lies on the left side of its region.
	bool MeetOnLeft(Int32 w, Int32 p) {
		const Int32 r = RegionOfSide(w);
		if (r == None || Region(r).left != w) return false;
		if (AgainstRight(r, w) <= 0 || !ClearOfNeighbours(Region(r).before, None, w)) return false;
		if (!MeetInRegion(r, Side::Left, w)) return false;
		SetLeft(Region(r), p);
		ws.sweepSideRegion[static_cast<USize>(p)] = r;
		return true;
	}

	// The last region whose left side passes left of w; 'onLine' is set when w lies on
	// the line of a side looked at.
	Int32 Locate(Int32 w, bool& onLine) {
		return status.LastLeftOf([&](Int32 r) { return AgainstLeft(r, w); }, onLine);
	}

	// Both sides at w run up and the polygon lies between them: a new region, outside
	// every other.
	bool Open(Int32 w, Int32 p) {
		bool onLine = false;
		const Int32 before = Locate(w, onLine);
		const Int32 after = before == None ? status.First() : Region(before).after;
		if (onLine || !ClearOfNeighbours(before, after, w)) return false;
		const Int32 r = NewRegion(p, w);
		Region(r).top = NewEntry(w, None, None);
		status.InsertAfter(before, r);
		return true;
	}

	// Both sides at w run up with the polygon outside them (the lowest corner of a hole):
	// w splits the region it lies in, joined to the top of its funnel.
	bool Split(Int32 w, Int32 p) {
		bool onLine = false;
		const Int32 r = Locate(w, onLine);
		if (onLine || r == None || AgainstRight(r, w) <= 0) return false;
		const Int32 q = NewRegion(p, Region(r).right);
		SweepRegion& left = Region(r);
		SweepRegion& right = Region(q);
		left.right = w;
		ws.sweepSideRegion[static_cast<USize>(w)] = r;
		const Int32 diagonal = NewDiagonal();
		if (left.second != None) {
			// w is joined to the corner where the two funnels meet.
			right.top = left.second;
			left.second = None;
			right.topOnRight = false;
			if (!Step(left.top, left.topOnRight, Side::Right, w, diagonal) ||
			    !Step(right.top, right.topOnRight, Side::Left, w, diagonal))
				return false;
		} else {
			const Int32 top = Entry(left.top).corner;
			const Int32 alone = NewEntry(w, diagonal, NewEntry(top, None, None));
			right.topOnRight = false;
			if (left.topOnRight) {
				right.top = alone;
				if (!Step(left.top, left.topOnRight, Side::Right, w, diagonal)) return false;
			} else {
				right.top = left.top;
				left.top = alone;
				left.topOnRight = true;
				if (!Step(right.top, right.topOnRight, Side::Left, w, diagonal)) return false;
			}
		}
		status.InsertAfter(r, q);
		return true;
	}

	// Both sides at w come from below with the polygon between them: w closes its region.
	bool Close(Int32 w, Int32 p) {
		const Int32 r = RegionOfSide(w);
		if (r == None) return false;
		SweepRegion& region = Region(r);
		if (region.left != w || region.right != p || !ClearOfNeighbours(region.before, region.after, w)) return false;
		Int32 upper = None;
		if (region.second == None) {
			if (!Fan(region.top, region.topOnRight ? Side::Left : Side::Right, w, None, upper)) return false;
		} else {
			Int32 other = None;
			if (!Fan(region.top, Side::Left, w, None, upper) || !Fan(region.second, Side::Right, w, None, other) ||
			    !Attach(upper, other))
				return false;
		}
		status.Remove(r);
		return true;
	}

	// Both sides at w come from below with the polygon outside them (the highest corner of
	// a hole): the regions on either side of w join; their funnels meet at w.
	bool Join(Int32 w, Int32 p) {
		const Int32 x = RegionOfSide(p), y = RegionOfSide(w);
		if (x == None || y == None || Region(x).right != p || Region(y).left != w || Region(x).after != y) return false;
		if (AgainstLeft(x, w) >= 0 || AgainstRight(y, w) <= 0) return false;
		if (!MeetInRegion(x, Side::Right, w) || !MeetInRegion(y, Side::Left, w)) return false;
		SweepRegion& left = Region(x);
		const SweepRegion& right = Region(y);
		left.second = right.top;
		left.right = right.right;
		ws.sweepSideRegion[static_cast<USize>(left.right)] = x;
		status.Remove(y);
		return true;
	}

	// True when the half-edges left without a twin run along the sides of the polygon (the
	// corners' ring sides), each side once: with the twins paired as Attach checks them,
	// the triangles then fit together. The half-edges are filed by their first corner,
	// then the corners are looked at in ring order.
	bool Fits(Int32 corners) {
		const Int32* corner = ws.triangles.data();
		const Int32* twin = ws.twin.data();
		std::vector<Int32>& sideTo = ws.sweepSideRegion;
		sideTo.assign(ring.size(), None);
		Int32 sides = 0;
		for (Int32 t = 0; t < 3 * cut; t += 3)
			for (Int32 k = 0; k < 3; ++k) {
				if (twin[t + k] != None) continue;
				Int32& to = sideTo[static_cast<USize>(corner[t + k])];
				if (to != None) return false;
				to = corner[k == 2 ? t : t + k + 1];
				++sides;
			}
		if (sides != corners) return false;
		for (const SweepKey& key : ws.sweepKeys)
			if (sideTo[static_cast<USize>(key.corner)] != At(key.corner).next) return false;
		return true;
	}

	Workspace& ws;
	std::vector<Vertex>& ring;
	SweepStatus status;
	Int32 expected = 0;
	Int32 cut = 0;
};

} // namespace

bool SweepTriangulate(Workspace& ws, Int32 outer) {
	return Sweep(ws).Run(outer);
}

} // namespace Modeler::Decomposition
