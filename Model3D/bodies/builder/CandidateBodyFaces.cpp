// CandidateBody: faces given as vertex loops, with edges found or made by vertex pair.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/bodies/builder/detail/EdgeIndex.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace Modeler {

namespace {

using Vec = Vector3dTpl<double>;

double Dot(const Vec& a, const Vec& b) {
	return a.x * b.x + a.y * b.y + a.z * b.z;
}

[[noreturn]] void Refuse(const std::string& why) {
	throw Kit::IllegalArgumentException(("StoreFace: " + why).c_str());
}

std::string Pair(Int32 a, Int32 b) {
	return std::to_string(a) + " and " + std::to_string(b);
}

// An edge side below −1 is free; −1 (no polygon) and polygon indices are taken.
bool HasFreeSide(const EDGE& e) {
	return e.pgon1 < -1 || e.pgon2 < -1;
}

} // namespace

CandidateBody::EdgeIndex& CandidateBody::UpdatedEdgeIndex() {
	if (!edgeIndex || edgeIndex->indexed > edges.GetSize()) edgeIndex = std::make_unique<EdgeIndex>();
	EdgeIndex& index = *edgeIndex;
	for (; index.indexed < edges.GetSize(); ++index.indexed) {
		const EDGE& e = edges[index.indexed];
		index.edgeOf.emplace(EdgeIndex::Key(e.vert1, e.vert2), static_cast<Int32>(index.indexed));
	}
	return index;
}

Int32 CandidateBody::FindEdge(Int32 vert1, Int32 vert2) {
	EdgeIndex& index = UpdatedEdgeIndex();
	const auto it = index.edgeOf.find(EdgeIndex::Key(vert1, vert2));
	if (it == index.edgeOf.end()) return 0;
	const EDGE& e = edges[static_cast<USize>(it->second)];
	if (e.vert1 == vert1 && e.vert2 == vert2) return it->second + 1;
	if (e.vert1 == vert2 && e.vert2 == vert1) return -(it->second + 1);
	// The edge was changed in place: forget it and look again over a fresh index.
	edgeIndex.reset();
	EdgeIndex& fresh = UpdatedEdgeIndex();
	const auto again = fresh.edgeOf.find(EdgeIndex::Key(vert1, vert2));
	if (again == fresh.edgeOf.end()) return 0;
	return edges[static_cast<USize>(again->second)].vert1 == vert1 ? again->second + 1 : -(again->second + 1);
}

Int32 CandidateBody::StoreFace(const FaceLoops& loops, Int16 pgonIumat, UInt32 pgonStatus) {
	return StoreFaceLoops(loops, nullptr, pgonIumat, pgonStatus);
}

Int32 CandidateBody::StoreFace(const FaceLoops& loops, const Vector3dTpl<double>& normal, Int16 pgonIumat,
                               UInt32 pgonStatus) {
	return StoreFaceLoops(loops, &normal, pgonIumat, pgonStatus);
}

namespace {

// Newell's normal of a vertex loop: its length is twice the loop's area.
template <typename Builder> Vec LoopNormal(const Builder& body, const std::vector<Int32>& loop) {
	Vec n{0, 0, 0};
	for (USize i = 0; i < loop.size(); ++i) {
		const VERT& a = body.GetConstVertex(loop[i]);
		const VERT& b = body.GetConstVertex(loop[(i + 1) % loop.size()]);
		n.x += (a.y - b.y) * (a.z + b.z);
		n.y += (a.z - b.z) * (a.x + b.x);
		n.z += (a.x - b.x) * (a.y + b.y);
	}
	return n;
}

void CheckLoop(const std::vector<Int32>& loop, UInt32 vertexCount) {
	if (loop.size() < 3) Refuse("a loop has fewer than 3 vertices");
	for (USize i = 0; i < loop.size(); ++i) {
		const Int32 a = loop[i], b = loop[(i + 1) % loop.size()];
		if (a < 0 || UInt32(a) >= vertexCount) Refuse("vertex " + std::to_string(a) + " does not exist");
		if (a == b) Refuse("vertex " + std::to_string(a) + " follows itself");
	}
}

// Squared length of the smallest normal taken as a direction.
constexpr double MinNormalSquare = 1e-20;

} // namespace

Int32 CandidateBody::StoreFaceLoops(FaceLoops loops, const Vector3dTpl<double>* givenNormal, Int16 pgonIumat,
                                    UInt32 pgonStatus) {
	if (loops.empty()) Refuse("no loop");
	for (const auto& loop : loops)
		CheckLoop(loop, GetVertexCount());
	const Vec outer = LoopNormal(*this, loops[0]);
	if (Dot(outer, outer) < MinNormalSquare) Refuse("the outer loop has no area");
	const Vec normal = givenNormal != nullptr ? *givenNormal : outer;
	if (!(Dot(normal, normal) >= MinNormalSquare) || !std::isfinite(Dot(normal, normal)))
		Refuse("the normal has no direction");
	// Outer contour counter-clockwise about the normal, holes clockwise.
	for (USize k = 0; k < loops.size(); ++k) {
		const Vec n = k == 0 ? outer : LoopNormal(*this, loops[k]);
		if (k > 0 && Dot(n, n) < MinNormalSquare) Refuse("a hole has no area");
		if ((Dot(n, normal) < 0) == (k == 0)) std::reverse(loops[k].begin(), loops[k].end());
	}

	// Every step a → b: an edge with a free side, or none yet. Nothing is stored before
	// all steps are known to be usable.
	std::vector<Int32> refs;
	for (const auto& loop : loops) {
		if (!refs.empty()) refs.push_back(0);
		for (USize i = 0; i < loop.size(); ++i) {
			const Int32 a = loop[i], b = loop[(i + 1) % loop.size()];
			const Int32 ref = FindEdge(a, b);
			if (ref != 0 && !HasFreeSide(edges[static_cast<USize>(std::abs(ref) - 1)]))
				Refuse("the edge between vertices " + Pair(a, b) + " is already used by two faces");
			refs.push_back(ref);
		}
	}
	const Int32 d = givenNormal != nullptr ? StorePolyNormal(normal.x, normal.y, normal.z)
	                                       : StoreUnitPolyNormal(normal.x, normal.y, normal.z);
	USize r = 0;
	for (const auto& loop : loops) {
		if (r > 0) ++r; // the separator
		for (USize i = 0; i < loop.size(); ++i, ++r) {
			if (refs[r] != 0) continue;
			const Int32 a = loop[i], b = loop[(i + 1) % loop.size()];
			refs[r] = FindEdge(a, b); // made by an earlier step of this face
			if (refs[r] == 0) refs[r] = StoreEdge(0, a, b, -2, -2, 0, 1) + 1;
		}
	}
	if (loops.size() > 1) pgonStatus |= PgonHasHoles;
	const Int32 count = static_cast<Int32>(refs.size());
	const auto polygon =
	    static_cast<Int32>(StorePolygonWithPolyEdges(pgonIumat, 0, d + 1, count, refs.data(), pgonStatus));
	AttachPolygonToPolyEdges(polygon, count, refs.data());
	return polygon;
}

} // namespace Modeler
