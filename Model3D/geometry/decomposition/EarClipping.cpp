#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <algorithm>

namespace Model3D::Decomposition {

namespace {

// Rings longer than this find the corners near an ear through a z-order list.
constexpr Int32 HashedRingSize = 64;

struct ZGrid {
	double minX = 0.0;
	double minY = 0.0;
	double scale = 0.0; // cells per unit; 0 when the ring is not hashed
};

UInt32 Spread(UInt32 v) {
	v = (v | (v << 8)) & 0x00FF00FFu;
	v = (v | (v << 4)) & 0x0F0F0F0Fu;
	v = (v | (v << 2)) & 0x33333333u;
	v = (v | (v << 1)) & 0x55555555u;
	return v;
}

UInt32 ZOrder(const ZGrid& grid, double x, double y) {
	const double fx = std::clamp((x - grid.minX) * grid.scale, 0.0, 32767.0);
	const double fy = std::clamp((y - grid.minY) * grid.scale, 0.0, 32767.0);
	return Spread(static_cast<UInt32>(fx)) | (Spread(static_cast<UInt32>(fy)) << 1);
}

ZGrid BuildZOrder(Workspace& ws, Int32 start, Int32 count) {
	ZGrid grid;
	double maxX = ws.ring[static_cast<USize>(start)].x, maxY = ws.ring[static_cast<USize>(start)].y;
	grid.minX = maxX;
	grid.minY = maxY;
	Int32 v = start;
	for (Int32 k = 0; k < count; ++k, v = ws.ring[static_cast<USize>(v)].next) {
		const Vertex& p = ws.ring[static_cast<USize>(v)];
		grid.minX = std::min(grid.minX, p.x);
		grid.minY = std::min(grid.minY, p.y);
		maxX = std::max(maxX, p.x);
		maxY = std::max(maxY, p.y);
	}
	const double size = std::max(maxX - grid.minX, maxY - grid.minY);
	if (!(size > 0.0) || !(32767.0 / size < 1e300)) return grid;
	grid.scale = 32767.0 / size;
	ws.zKeys.clear();
	for (Int32 k = 0; k < count; ++k, v = ws.ring[static_cast<USize>(v)].next) {
		Vertex& p = ws.ring[static_cast<USize>(v)];
		p.z = ZOrder(grid, p.x, p.y);
		ws.zKeys.emplace_back(p.z, v);
	}
	std::sort(ws.zKeys.begin(), ws.zKeys.end());
	Int32 last = None;
	for (const auto& key : ws.zKeys) {
		ws.ring[static_cast<USize>(key.second)].prevZ = last;
		if (last != None) ws.ring[static_cast<USize>(last)].nextZ = key.second;
		last = key.second;
	}
	ws.ring[static_cast<USize>(last)].nextZ = None;
	return grid;
}

// True when q lies on the ray from 'from' through 'toward', beyond 'from'.
bool OnRay(const Vertex& from, const Vertex& toward, const Vertex& q) {
	if (Orient(from, toward, q) != 0) return false;
	if (from.x != toward.x) return (toward.x > from.x) == (q.x > from.x) && q.x != from.x;
	return (toward.y > from.y) == (q.y > from.y) && q.y != from.y;
}

// True when the sides prev → corner → next of a corner standing at the triangle corner x
// run along the triangle sides towards y and w.
bool FoldsOver(const Vertex& x, const Vertex& y, const Vertex& w, const Vertex& prev, const Vertex& next) {
	return (OnRay(x, y, prev) && OnRay(x, w, next)) || (OnRay(x, w, prev) && OnRay(x, y, next));
}

// True when the corner p of the ring keeps the triangle a, b, c (counter-clockwise) from
// being cut off: it lies inside, on the closing side a–c (a T-junction), or at or on
// another side with one of its sides running into the triangle.
bool Blocks(const std::vector<Vertex>& ring, const Vertex& p, const Vertex& a, const Vertex& b, const Vertex& c) {
	if (p.x < std::min({a.x, b.x, c.x}) || p.x > std::max({a.x, b.x, c.x}) || p.y < std::min({a.y, b.y, c.y}) ||
	    p.y > std::max({a.y, b.y, c.y}))
		return false;
	const int ab = Orient(a, b, p), bc = Orient(b, c, p), ca = Orient(c, a, p);
	if (ab < 0 || bc < 0 || ca < 0) return false;
	if (ab > 0 && bc > 0 && ca > 0) return true;
	if (ab > 0 && bc > 0) return true; // on the closing side
	const Vertex& prev = ring[static_cast<USize>(p.prev)];
	const Vertex& next = ring[static_cast<USize>(p.next)];
	// At a corner or on a side: blocking when a side of p enters the triangle there.
	auto enters = [&](const Vertex& q) {
		return (ab != 0 || Orient(a, b, q) > 0) && (bc != 0 || Orient(b, c, q) > 0) && (ca != 0 || Orient(c, a, q) > 0);
	};
	if (enters(prev) || enters(next)) return true;
	// At a corner, sides of p running back along both sides of the triangle: what is left
	// there is a sliver without area (a used-up piece), not room for the triangle.
	if (ab == 0 && bc == 0) return FoldsOver(b, a, c, prev, next);
	if (ab == 0 && ca == 0) return FoldsOver(a, b, c, prev, next);
	if (bc == 0 && ca == 0) return FoldsOver(c, a, b, prev, next);
	return false;
}

class EarClipper {
public:
	EarClipper(Workspace& ws, Int32 start) : ws(ws), ring(ws.ring), start(start) {}

	bool Run() {
		remaining = CountRing();
		ws.triangles.clear();
		ws.twin.clear();
		MarkReflexCorners();
		if (remaining > HashedRingSize) grid = BuildZOrder(ws, start, remaining);
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
		return true;
	}

private:
	Vertex& At(Int32 i) { return ring[static_cast<USize>(i)]; }

	Int32 CountRing() {
		Int32 count = 1;
		for (Int32 v = At(start).next; v != start; v = At(v).next)
			++count;
		return count;
	}

	void MarkReflexCorners() {
		ws.reflex.assign(ring.size(), 0);
		Int32 v = start;
		for (Int32 k = 0; k < remaining; ++k, v = At(v).next)
			ws.reflex[static_cast<USize>(v)] = TurnsLeftOrStraight(At(At(v).prev), At(v), At(At(v).next)) ? 0 : 1;
	}

	bool IsEar(Int32 a, Int32 b, Int32 c) {
		const Vertex &pa = At(a), &pb = At(b), &pc = At(c);
		if (Orient(pa, pb, pc) <= 0) return false;
		if (grid.scale == 0.0) {
			for (Int32 p = pc.next; p != a; p = At(p).next)
				if (Blocks(ring, At(p), pa, pb, pc)) return false;
			return true;
		}
		const UInt32 minZ = ZOrder(grid, std::min({pa.x, pb.x, pc.x}), std::min({pa.y, pb.y, pc.y}));
		const UInt32 maxZ = ZOrder(grid, std::max({pa.x, pb.x, pc.x}), std::max({pa.y, pb.y, pc.y}));
		for (Int32 p = pb.prevZ; p != None && At(p).z >= minZ; p = At(p).prevZ)
			if (p != a && p != c && Blocks(ring, At(p), pa, pb, pc)) return false;
		for (Int32 p = pb.nextZ; p != None && At(p).z <= maxZ; p = At(p).nextZ)
			if (p != a && p != c && Blocks(ring, At(p), pa, pb, pc)) return false;
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
		const auto t = static_cast<Int32>(ws.triangles.size());
		ws.triangles.insert(ws.triangles.end(), {a, b, c});
		ws.twin.insert(ws.twin.end(), {None, None, None});
		Pair(t, At(a).across, a);
		Pair(t + 1, At(b).across, b);
		if (remaining == 3) Pair(t + 2, At(c).across, c); // the last triangle closes on a side already there
		At(a).across = t + 2;
		Unlink(b);
	}

	void Unlink(Int32 b) {
		Vertex& v = At(b);
		At(v.prev).next = v.next;
		At(v.next).prev = v.prev;
		if (v.prevZ != None) At(v.prevZ).nextZ = v.nextZ;
		if (v.nextZ != None) At(v.nextZ).prevZ = v.prevZ;
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
	ZGrid grid;
};

} // namespace

bool ClipEars(Workspace& ws, Int32 start) {
	return EarClipper(ws, start).Run();
}

} // namespace Model3D::Decomposition
