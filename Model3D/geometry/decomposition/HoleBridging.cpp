#include "Model3D/geometry/decomposition/detail/RingGeometry.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Modeler::Decomposition {

namespace {

// The ring sides and corners already joined to the outline, filed by horizontal strips,
// so that a hole looks only at what lies at its height.
class Strips {
public:
	Strips(Workspace& ws, Int32 outer) : ws(ws) {
		double minY = ws.ring[0].y, maxY = minY;
		for (const Vertex& v : ws.ring) {
			minY = std::min(minY, v.y);
			maxY = std::max(maxY, v.y);
		}
		count = std::max(1, static_cast<Int32>(std::sqrt(static_cast<double>(ws.ring.size()))));
		bottom = minY;
		scale = maxY > minY ? count / (maxY - minY) : 0.0;
		ws.bucketStart.assign(2 * static_cast<USize>(count), None);
		ws.bucketCells.clear();
		Int32 v = outer;
		do {
			AddSide(v);
			AddCorner(v);
			v = ws.ring[static_cast<USize>(v)].next;
		} while (v != outer);
	}

	// Files the side from v to its next corner.
	void AddSide(Int32 v) {
		const Vertex& a = ws.ring[static_cast<USize>(v)];
		const Vertex& b = ws.ring[static_cast<USize>(a.next)];
		const Int32 last = StripOf(std::max(a.y, b.y));
		for (Int32 s = StripOf(std::min(a.y, b.y)); s <= last; ++s)
			Add(s, v);
	}
	void AddCorner(Int32 v) { Add(count + StripOf(ws.ring[static_cast<USize>(v)].y), v); }

	template <typename F> void ForSidesAt(double y, F&& f) const { ForEntries(StripOf(y), f); }
	template <typename F> void ForCornersBetween(double y0, double y1, F&& f) const {
		const Int32 last = StripOf(y1);
		for (Int32 s = StripOf(y0); s <= last; ++s)
			ForEntries(count + s, f);
	}

private:
	Int32 StripOf(double y) const {
		const double s = (y - bottom) * scale;
		return s <= 0.0 ? 0 : std::min(count - 1, static_cast<Int32>(s));
	}
	void Add(Int32 strip, Int32 v) {
		ws.bucketCells.push_back(v);
		ws.bucketCells.push_back(ws.bucketStart[static_cast<USize>(strip)]);
		ws.bucketStart[static_cast<USize>(strip)] = static_cast<Int32>(ws.bucketCells.size()) - 2;
	}
	template <typename F> void ForEntries(Int32 strip, F&& f) const {
		for (Int32 e = ws.bucketStart[static_cast<USize>(strip)]; e != None;
		     e = ws.bucketCells[static_cast<USize>(e) + 1])
			f(ws.bucketCells[static_cast<USize>(e)]);
	}

	Workspace& ws;
	Int32 count = 1;
	double bottom = 0.0;
	double scale = 0.0;
};

class HoleBridger {
public:
	HoleBridger(Workspace& ws, Int32 outer) : ws(ws), strips(ws, outer) {}

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
		for (Int32 k = 0; k < hole.count; ++k) {
			strips.AddSide(hole.first + k);
			strips.AddCorner(hole.first + k);
		}
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
		strips.ForSidesAt(h.y, [&](Int32 p) {
			const Vertex& a = At(p);
			const Vertex& b = At(a.next);
			// Sides running downwards have the inside on their right, facing the hole.
			if (!(a.y >= h.y && b.y <= h.y && a.y != b.y)) return;
			const double x = a.x + (h.y - a.y) * (b.x - a.x) / (b.y - a.y);
			if (x <= h.x && x > hitX) {
				hitX = x;
				best = a.x < b.x ? a.next : p;
				if (x == h.x && SamePlace(a, h)) best = p;
			}
		});
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
		strips.ForCornersBetween(std::min(h.y, corner.y), std::max(h.y, corner.y), [&](Int32 p) {
			const Vertex& q = At(p);
			if (q.x > h.x || q.x < corner.x || !inside(q) || SamePlace(q, At(best))) return;
			const int turn = side == 0 ? 0 : Orient(h, At(best), q) * side;
			if (turn > 0 || (turn == 0 && nearer(q, At(best)))) best = p;
		});
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
