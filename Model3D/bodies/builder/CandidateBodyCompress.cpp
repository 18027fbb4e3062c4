// CandidateBody: compression of the arrays and conversion into the immutable Body.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"
#include "platform/KitException.h"
#include "platform/KitPrefs.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace Modeler {

// ---- the compression switch ---------------------------------------------------------------

namespace {

// The preference is read once, on first use.
bool CompressionPreference() {
	static const bool value = DBGetBool("Atelier", "compress", true);
	return value;
}

// The override of the preference: NoOverride, or 0 (off) and 1 (on). Set by the host or
// a test on one thread while other threads freeze bodies.
constexpr int NoOverride = -1;
std::atomic<int> compressionOverride{NoOverride};

} // namespace

bool CandidateBody::IsCompressionOn() {
	const int value = compressionOverride.load(std::memory_order_relaxed);
	return value == NoOverride ? CompressionPreference() : value != 0;
}

void CandidateBody::SetCompressionOverride(bool on) {
	compressionOverride.store(on ? 1 : 0, std::memory_order_relaxed);
}

void CandidateBody::ResetCompressionOverride() {
	compressionOverride.store(NoOverride, std::memory_order_relaxed);
}

// ---- compression ----------------------------------------------------------------------------

struct CandidateBody::CompressedArrays {
	Kit::PagedArray<VERT> vertices;
	Kit::PagedArray<TEVE> textureVertices;
	Kit::PagedArray<EDGE> edges;
	Kit::PagedArray<Int32> polyEdges;
	Kit::PagedArray<VECT> polyNormals;
	Kit::PagedArray<PGON> polygons;
	F_Box3D bounds = F_Box3D::Empty();
	Int32 coor[4] = {0, 0, 0, 0};

	// The outcome of an inconsistent builder: no geometry, zero bounds and zero coor.
	void MakeInconsistent() {
		vertices.Clear();
		textureVertices.Clear();
		edges.Clear();
		polyEdges.Clear();
		polyNormals.Clear();
		polygons.Clear();
		bounds = F_Box3D{0, 0, 0, 0, 0, 0};
		std::memset(coor, 0, sizeof coor);
	}
};

namespace {

inline Int64 RefIndex(Int32 ref) {
	return ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
}

enum VertexState : UInt8 { VertexUnknown = 0, VertexUnused = 1, VertexUsed = 2 };

} // namespace

// The passes of Compress over one builder. The marking passes check every reference and
// find what is used and whether anything needs removing; the keeping passes write the
// compressed arrays. A pass that meets an inconsistent reference returns false.
class CandidateBody::Compression {
public:
	Compression(const CandidateBody& body, CompressedArrays& out)
	    : body(body), out(out), V(body.GetVertexCount()), E(body.GetEdgeCount()), P(body.GetPolygonCount()),
	      N(body.GetPolyNormalCount()), marks(static_cast<USize>(V + N + E), 0), vertexState(marks.data()),
	      normalUsed(vertexState + V), removable(normalUsed + N) {}

	bool MarkCoordinateSystemVertices();
	bool MarkEdges();
	bool CheckPolygons();
	// Whether a marking pass found something to remove or to correct.
	bool IsAsked() const { return ask; }

	void KeepUsedVertices();
	void KeepUsedNormals();
	void KeepEdges();
	bool KeepPolygons();
	void RenumberCoordinateSystem();

	// The outcome of an inconsistent builder: output without geometry.
	bool Inconsistent() {
		out.MakeInconsistent();
		return true;
	}

private:
	bool MarkNormal(Int32 ivect);
	bool CheckReferences(const PGON& p);

	const CandidateBody& body;
	CompressedArrays& out;
	const Int64 V, E, P, N;
	bool ask = false;
	// The marks of the marking passes in one allocation: a VertexState per vertex, then
	// a used flag per normal, then a removable flag per edge.
	std::vector<UInt8> marks;
	UInt8* vertexState;
	UInt8* normalUsed;
	UInt8* removable;
	std::vector<Int32> vertexMap;
	std::vector<Int32> normalMap;
	std::vector<Int32> edgeMap;
	std::vector<bool> onEdge;
};

// Coordinate-system vertices are used. An edge at a vertex marked coordinate-system-only
// asks for compression: the mark must be corrected.
bool CandidateBody::Compression::MarkCoordinateSystemVertices() {
	for (Int32 c : body.coor) {
		if (c == 0) continue;
		const Int64 v = RefIndex(c);
		if (v >= V) return false;
		vertexState[static_cast<USize>(v)] = VertexUsed;
		if (c < 0 && !ask) {
			for (USize e = 0; e < body.edges.GetSize() && !ask; ++e)
				ask = body.edges[e].vert1 == v || body.edges[e].vert2 == v;
		}
	}
	return true;
}

bool CandidateBody::Compression::MarkNormal(Int32 ivect) {
	const Int64 n = RefIndex(ivect);
	if (ivect == 0 || n >= N) return false;
	normalUsed[n] = 1;
	return true;
}

// A wire edge without polygons is removable and leaves its vertices unused unless
// something else uses them; any other edge uses its vertices. The normals of its
// polygons are marked by CheckPolygons, which marks (and checks) the normal of every
// polygon: marking them here as well would only read the polygons twice.
bool CandidateBody::Compression::MarkEdges() {
	for (Int64 i = 0; i < E; ++i) {
		const EDGE& e = body.edges[static_cast<USize>(i)];
		if (e.vert1 < 0 || e.vert2 < 0 || e.vert1 >= V || e.vert2 >= V) return false;
		if (e.pgon1 < 0 && e.pgon2 < 0 && (e.status & EdgeWire) != 0) {
			removable[i] = 1;
			for (Int32 v : {e.vert1, e.vert2}) {
				if (vertexState[static_cast<USize>(v)] == VertexUnknown)
					vertexState[static_cast<USize>(v)] = VertexUnused;
			}
			ask = true;
			continue;
		}
		vertexState[static_cast<USize>(e.vert1)] = VertexUsed;
		vertexState[static_cast<USize>(e.vert2)] = VertexUsed;
		if (e.pgon1 >= P || e.pgon2 >= P) return false;
	}
	return true;
}

// Every range, normal and reference of the polygons is checked. Normals are kept for
// every polygon that names them, also for polygons that no edge names, so that no
// polygon can be left with a normal that was dropped.
bool CandidateBody::Compression::CheckPolygons() {
	const Int64 PE = body.GetPolyEdgeCount();
	for (Int64 i = 0; i < P; ++i) {
		const PGON& p = body.polygons[static_cast<USize>(i)];
		if (!MarkNormal(p.ivect)) return false;
		if (p.lpedg < p.fpedg) continue;
		if (p.fpedg < 0 || p.lpedg >= PE) return false;
		if (!CheckReferences(p)) return false;
	}
	return true;
}

// The references of a non-empty range name existing edges; separators at the ends of
// the range or doubled ask for compression.
bool CandidateBody::Compression::CheckReferences(const PGON& p) {
	bool previousSeparator = true; // a separator at the start counts as doubled
	for (Int32 k = p.fpedg; k <= p.lpedg; ++k) {
		const Int32 r = body.polyEdges[static_cast<USize>(k)];
		if (r == 0) {
			ask = ask || previousSeparator;
			previousSeparator = true;
			continue;
		}
		if (RefIndex(r) >= E) return false;
		previousSeparator = false;
	}
	ask = ask || previousSeparator;
	return true;
}

// Vertices (and their texture vertices) that something uses, in their order, and the
// bounds over them.
void CandidateBody::Compression::KeepUsedVertices() {
	const Int64 T = body.GetTextureVertexCount();
	vertexMap.assign(static_cast<USize>(V), -1);
	BodyRules::BoxBuilder box;
	for (Int64 i = 0; i < V; ++i) {
		if (vertexState[static_cast<USize>(i)] != VertexUsed) continue;
		const VERT& v = body.vertices[static_cast<USize>(i)];
		vertexMap[static_cast<USize>(i)] = static_cast<Int32>(out.vertices.GetSize());
		out.vertices.Push(v);
		if (i < T) out.textureVertices.Push(body.textureVertices[static_cast<USize>(i)]);
		box.Add(v.x, v.y, v.z);
	}
	out.bounds = box.GetBox();
}

void CandidateBody::Compression::KeepUsedNormals() {
	normalMap.assign(static_cast<USize>(N), -1);
	for (Int64 i = 0; i < N; ++i) {
		if (normalUsed[i] == 0) continue;
		normalMap[static_cast<USize>(i)] = static_cast<Int32>(out.polyNormals.GetSize());
		out.polyNormals.Push(body.polyNormals[static_cast<USize>(i)]);
	}
}

// The edges that are not removable, with their vertices renumbered; notes the vertices
// that a kept edge touches.
void CandidateBody::Compression::KeepEdges() {
	edgeMap.assign(static_cast<USize>(E), -1);
	onEdge.assign(static_cast<USize>(out.vertices.GetSize()), false);
	for (Int64 i = 0; i < E; ++i) {
		if (removable[i] != 0) continue;
		EDGE e = body.edges[static_cast<USize>(i)];
		e.vert1 = vertexMap[static_cast<USize>(e.vert1)];
		e.vert2 = vertexMap[static_cast<USize>(e.vert2)];
		onEdge[static_cast<USize>(e.vert1)] = true;
		onEdge[static_cast<USize>(e.vert2)] = true;
		edgeMap[static_cast<USize>(i)] = static_cast<Int32>(out.edges.GetSize());
		out.edges.Push(e);
	}
}

// Every polygon, its normal and references renumbered, separators at the ends dropped and
// runs of separators collapsed. The triangle caches name old vertex numbers, so they are
// not carried over (they are rebuilt on demand). False when a polygon runs along a
// removed wire edge.
bool CandidateBody::Compression::KeepPolygons() {
	for (Int64 i = 0; i < P; ++i) {
		PGON p = body.polygons[static_cast<USize>(i)];
		p.ClearCache();
		const Int32 n = normalMap[static_cast<USize>(RefIndex(p.ivect))];
		p.ivect = p.ivect > 0 ? n + 1 : -(n + 1);
		if (p.lpedg >= p.fpedg) {
			const Int32 first = static_cast<Int32>(out.polyEdges.GetSize());
			bool pendingSeparator = false;
			for (Int32 k = p.fpedg; k <= p.lpedg; ++k) {
				const Int32 r = body.polyEdges[static_cast<USize>(k)];
				if (r == 0) {
					pendingSeparator = out.polyEdges.GetSize() > USize(first);
					continue;
				}
				const Int32 mapped = edgeMap[static_cast<USize>(RefIndex(r))];
				if (mapped < 0) return false;
				if (pendingSeparator) out.polyEdges.Push(0);
				pendingSeparator = false;
				out.polyEdges.Push(r > 0 ? mapped + 1 : -(mapped + 1));
			}
			p.fpedg = first;
			p.lpedg = static_cast<Int32>(out.polyEdges.GetSize()) - 1;
		}
		out.polygons.Push(p);
	}
	return true;
}

// The coordinate system: positive where a kept edge touches the vertex.
void CandidateBody::Compression::RenumberCoordinateSystem() {
	for (Int32 j = 0; j < 4; ++j) {
		if (body.coor[j] == 0) continue;
		const Int32 n = vertexMap[static_cast<USize>(RefIndex(body.coor[j]))];
		out.coor[j] = onEdge[static_cast<USize>(n)] ? n + 1 : -(n + 1);
	}
}

// Removes unused vertices and normals, removable wire edges and superfluous contour
// separators. Returns false when nothing needs removing (the arrays are used as they
// are). Every reference is checked on the way; an inconsistent builder gives true with
// empty arrays.
bool CandidateBody::Compress(CompressedArrays& out) const {
	Compression compression(*this, out);
	if (!compression.MarkCoordinateSystemVertices() || !compression.MarkEdges() || !compression.CheckPolygons())
		return compression.Inconsistent();
	if (!compression.IsAsked()) return false;
	compression.KeepUsedVertices();
	compression.KeepUsedNormals();
	compression.KeepEdges();
	if (!compression.KeepPolygons()) return compression.Inconsistent();
	compression.RenumberCoordinateSystem();
	return true;
}

namespace {

// Runs 'freeze', reporting any lack of memory as Kit::OutOfMemoryException.
template <typename Freeze> Kit::SharedPtr<Body> WithOutOfMemory(Freeze&& freeze) {
	try {
		return freeze();
	} catch (const Kit::OutOfMemoryException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
}

} // namespace

// A body with the builder's header, the given coordinate system and bounds, and the six
// arrays (const references to copy, rvalues to let go while the body fills).
template <typename... Arrays>
Kit::SharedPtr<Body> CandidateBody::NewBody(const Int32* coorIn, const F_Box3D& boundsIn, Arrays&&... arrays) const {
	return Kit::SharedPtr<Body>(new Body(status, edgePenIdx, iumat, btype, ifill, sbkgc, sconc, sfilc, sltype,
	                                     fatherBind, wrap, coorIn, boundsIn, std::forward<Arrays>(arrays)...));
}

Kit::SharedPtr<Body> CandidateBody::ToBody() const& {
	return WithOutOfMemory([this] {
		if (IsCompressionOn()) {
			CompressedArrays c;
			if (Compress(c))
				return NewBody(c.coor, c.bounds, c.vertices, c.textureVertices, c.edges, c.polyEdges, c.polyNormals,
				               c.polygons);
		}
		return NewBody(coor, bounds, vertices, textureVertices, edges, polyEdges, polyNormals, polygons);
	});
}

// The arrays go into the body (or into the compressed arrays, which go into the body)
// and are let go section by section while it fills; a body that cannot be built leaves
// the builder as it was.
Kit::SharedPtr<Body> CandidateBody::ToBody() && {
	return WithOutOfMemory([this] {
		Kit::SharedPtr<Body> body;
		if (IsCompressionOn()) {
			CompressedArrays c;
			if (Compress(c))
				body =
				    NewBody(c.coor, c.bounds, std::move(c.vertices), std::move(c.textureVertices), std::move(c.edges),
				            std::move(c.polyEdges), std::move(c.polyNormals), std::move(c.polygons));
		}
		if (body.IsNull())
			body = NewBody(coor, bounds, std::move(vertices), std::move(textureVertices), std::move(edges),
			               std::move(polyEdges), std::move(polyNormals), std::move(polygons));
		ClearGeometry();
		return body;
	});
}

} // namespace Modeler
