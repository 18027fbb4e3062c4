// CandidateBody: construction, header, clearing, raw and checked record storage.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"
#include "Model3D/bodies/builder/detail/EdgeIndex.h"
#include "platform/KitException.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <utility>

namespace Modeler {

namespace {

inline Int32 LastIndex(USize count) {
	return static_cast<Int32>(count) - 1;
}

template <typename T> Int32 AppendN(Kit::PagedArray<T>& array, const T* records, UInt32 n) {
	if (records == nullptr && n > 0) throw Kit::IllegalArgumentException();
	array.Append(records, n);
	return LastIndex(array.GetSize());
}

} // namespace

CandidateBody::CandidateBody() {
	Clear();
}

CandidateBody::CandidateBody(const BODY& record) {
	Clear();
	SetupFromBODY(record);
}

CandidateBody::CandidateBody(const Body& body) {
	Clear();
	BodyHeader::operator=(body);
	for (UInt32 i = 0; i < body.GetVertexCount(); ++i)
		vertices.Push(body.GetConstVertex(static_cast<Int32>(i)));
	for (UInt32 i = 0; i < body.GetTextureVertexCount(); ++i)
		textureVertices.Push(body.GetConstTextureVertex(static_cast<Int32>(i)));
	for (UInt32 i = 0; i < body.GetEdgeCount(); ++i)
		edges.Push(body.GetConstEdge(static_cast<Int32>(i)));
	for (UInt32 i = 0; i < body.GetPolyEdgeCount(); ++i)
		polyEdges.Push(body.GetConstPolyEdge(static_cast<Int32>(i)));
	for (UInt32 i = 0; i < body.GetPolyNormalCount(); ++i)
		polyNormals.Push(body.GetConstPolyNormal(static_cast<Int32>(i)));
	for (UInt32 i = 0; i < body.GetPolygonCount(); ++i)
		polygons.Push(body.GetConstPolygon(static_cast<Int32>(i)));
}

CandidateBody::CandidateBody(const CandidateBody& source)
    : Kit::SharedObject(source), BodyHeader(source), unusedFlag(source.unusedFlag), vertices(source.vertices),
      textureVertices(source.textureVertices), edges(source.edges), polyEdges(source.polyEdges),
      polyNormals(source.polyNormals), polygons(source.polygons) {}

CandidateBody& CandidateBody::operator=(const CandidateBody& source) {
	if (this == &source) return *this;
	BodyHeader::operator=(source);
	unusedFlag = source.unusedFlag;
	vertices = source.vertices;
	textureVertices = source.textureVertices;
	edges = source.edges;
	polyEdges = source.polyEdges;
	polyNormals = source.polyNormals;
	polygons = source.polygons;
	edgeIndex.reset();
	return *this;
}

CandidateBody::~CandidateBody() = default;

// ---- header ---------------------------------------------------------------------------

void CandidateBody::SetupFromBodyInfo(const BodyInfo& info) {
	SetVisualAttribs(info.ifill, info.sbkgc, info.sconc, info.sfilc, info.sltype);
}

void CandidateBody::ToBODY(BODY* record) const {
	BodyRecordCounts counts;
	counts.vertices = GetVertexCount();
	counts.textureVertices = GetTextureVertexCount();
	counts.edges = GetEdgeCount();
	counts.polyEdges = GetPolyEdgeCount();
	counts.polyNormals = GetPolyNormalCount();
	counts.polygons = GetPolygonCount();
	FillBODY(record, counts);
}

// ---- clearing -------------------------------------------------------------------------

void CandidateBody::Clear() {
	ResetHeader();
	unusedFlag = false;
	ClearGeometry();
}

void CandidateBody::ClearGeometry() {
	vertices.Clear();
	textureVertices.Clear();
	edges.Clear();
	polyEdges.Clear();
	polyNormals.Clear();
	polygons.Clear();
	edgeIndex.reset();
	CalculateBounds();
}

void CandidateBody::MakeEmpty() {
	Clear();
	btype = EmptyBodyShapeType;
	CalculateBounds();
}

void CandidateBody::DeletePolygons() {
	polyEdges.Clear();
	polyNormals.Clear();
	polygons.Clear();
}

void CandidateBody::MakeWireOnly() {
	status &= ~BodyCurved;
	iumat = 0;
	for (USize i = 0; i < edges.GetSize(); ++i) {
		edges[i].pgon1 = -1;
		edges[i].pgon2 = -1;
	}
	DeletePolygons();
}

void CandidateBody::DeleteLastPolyNormal() {
	if (!polyNormals.IsEmpty()) polyNormals.DeleteLast();
}

// ---- raw records ----------------------------------------------------------------------

Int32 CandidateBody::AddNVertexRec(const VERT* records, UInt32 n) {
	return AppendN(vertices, records, n);
}

Int32 CandidateBody::AddVertexRec(const VERT& record) {
	return AppendN(vertices, &record, 1);
}

Int32 CandidateBody::AddNTextureVertexRec(const TEVE* records, UInt32 n) {
	return AppendN(textureVertices, records, n);
}

Int32 CandidateBody::AddTextureVertexRec(const TEVE& record) {
	return AppendN(textureVertices, &record, 1);
}

Int32 CandidateBody::AddNEdgeRec(const EDGE* records, UInt32 n) {
	return AppendN(edges, records, n);
}

Int32 CandidateBody::AddEdgeRec(const EDGE& record) {
	return AppendN(edges, &record, 1);
}

Int32 CandidateBody::AddNPolyEdgeRec(const Int32* records, UInt32 n) {
	return AppendN(polyEdges, records, n);
}

Int32 CandidateBody::AddPolyEdgeRec(Int32 record) {
	return AppendN(polyEdges, &record, 1);
}

Int32 CandidateBody::AddNPolyNormalRec(const VECT* records, UInt32 n) {
	return AppendN(polyNormals, records, n);
}

Int32 CandidateBody::AddPolyNormalRec(const VECT& record) {
	return AppendN(polyNormals, &record, 1);
}

Int32 CandidateBody::AddNPolygonRec(const PGON* records, UInt32 n) {
	return AppendN(polygons, records, n);
}

Int32 CandidateBody::AddPolygonRec(const PGON& record) {
	return AppendN(polygons, &record, 1);
}

// ---- checked records ------------------------------------------------------------------

UInt32 CandidateBody::StoreVertex(double x, double y, double z) {
	vertices.Push(VERT{x, y, z});
	return static_cast<UInt32>(vertices.GetSize() - 1);
}

Int32 CandidateBody::StoreTextureVertex(double u, double v) {
	textureVertices.Push(TEVE{static_cast<float>(u), static_cast<float>(v)});
	return LastIndex(textureVertices.GetSize());
}

Int32 CandidateBody::StoreEdge(Int16 color, Int32 vert1, Int32 vert2, Int32 pgon1, Int32 pgon2, UInt32 edgeStatus,
                               Int16 hasPolygons) {
	if (vert1 < 0 || vert2 < 0) throw Kit::KitException();
	EDGE e{};
	e.status = edgeStatus;
	e.dummy = 0;
	e.color = color;
	e.vert1 = vert1;
	e.vert2 = vert2;
	e.pgon1 = hasPolygons != 0 ? pgon1 : -1;
	e.pgon2 = hasPolygons != 0 ? pgon2 : -1;
	edges.Push(e);
	return LastIndex(edges.GetSize());
}

namespace {

// Unit length unless already within 0.99999 … 1.00001 in squared length. False when the
// vector is too short to have a direction (or not a number).
bool MakeUnitNormal(double& x, double& y, double& z) {
	const double s = x * x + y * y + z * z;
	if (!(s >= 1e-5) || !std::isfinite(s)) return false;
	if (s < 0.99999 || s > 1.00001) {
		const double len = std::sqrt(s);
		x /= len;
		y /= len;
		z /= len;
	}
	return true;
}

} // namespace

Int32 CandidateBody::StorePolyNormal(double x, double y, double z) {
	if (!MakeUnitNormal(x, y, z)) throw Kit::KitException();
	polyNormals.Push(VECT{x, y, z});
	return LastIndex(polyNormals.GetSize());
}

Int32 CandidateBody::StoreUnitPolyNormal(double x, double y, double z) {
	if (!MakeUnitNormal(x, y, z)) throw Kit::InternalErrorException();
	polyNormals.Push(VECT{x, y, z});
	return LastIndex(polyNormals.GetSize());
}

Int32 CandidateBody::StorePolygon(Int16 pgonIumat, Int32 irtxt, Int32 mpuid, Int32 ivect, Int32 count,
                                  const Int32* refs, UInt32 pgonStatus) {
	if (count < 0 || (count > 0 && refs == nullptr)) throw Kit::KitException();
	PGON p;
	p.status = pgonStatus;
	p.iumat = pgonIumat;
	p.irtxt = irtxt;
	p.ivect = ivect;
	p.mpuid = mpuid;
	if (count > 0) {
		p.fpedg = static_cast<Int32>(polyEdges.GetSize());
		p.lpedg = p.fpedg + count - 1;
	} else {
		p.fpedg = 1;
		p.lpedg = 0;
	}
	AddNPolyEdgeRec(refs, static_cast<UInt32>(count));
	polygons.Push(p);
	return LastIndex(polygons.GetSize());
}

UInt32 CandidateBody::StorePolygonWithPolyEdges(Int16 pgonIumat, Int16 irtxt, Int32 ivect, Int32 count,
                                                const Int32* refs, UInt32 pgonStatus) {
	if (count < 0 || (count > 0 && refs == nullptr)) throw Kit::IllegalArgumentException();
	const USize first = polyEdges.GetSize();
	if (first + USize(count) > USize(std::numeric_limits<Int32>::max())) return 0; // the poly-edge index would not fit
	PGON p;
	p.status = pgonStatus;
	p.iumat = pgonIumat;
	p.irtxt = irtxt;
	p.ivect = ivect;
	p.fpedg = count == 0 ? 0 : static_cast<Int32>(first); // an empty polygon has the range 0..-1
	p.lpedg = p.fpedg + count - 1;
	p.mpuid = 0;
	AddNPolyEdgeRec(refs, static_cast<UInt32>(count));
	polygons.Push(std::move(p));
	return static_cast<UInt32>(polygons.GetSize() - 1);
}

Int32 CandidateBody::AttachPolygonToPolyEdges(Int32 polygon, Int32 count, const Int32* refs) {
	if (polygon < 0 || count <= 0 || refs == nullptr) throw Kit::IllegalArgumentException();
	const Int64 edgeCount = Int64(edges.GetSize());
	for (Int32 i = 0; i < count; ++i) {
		const Int32 ref = refs[i];
		const Int64 e = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (ref != 0 && e >= edgeCount) throw Kit::IllegalArgumentException();
	}
	return EnterPolygonInEdges(polygon, count, refs);
}

Int32 CandidateBody::EnterPolygonInEdges(Int32 polygon, Int32 count, const Int32* refs) {
	Int32 conflicts = 0;
	for (Int32 i = 0; i < count; ++i) {
		const Int32 ref = refs[i];
		if (ref == 0) continue;
		EDGE& e = edges[static_cast<USize>(ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1)];
		if (e.pgon1 < -1) {
			e.pgon1 = polygon;
		} else if (e.pgon1 != polygon) {
			if (e.pgon2 < -1)
				e.pgon2 = polygon;
			else if (e.pgon2 != polygon)
				++conflicts;
		}
	}
	return conflicts;
}

void CandidateBody::CalculatePolygonMPUIDs() {
	for (USize i = 0; i < polygons.GetSize(); ++i)
		polygons[i].mpuid = static_cast<Int32>(i) + 1;
}

// ---- sizes and self-check -------------------------------------------------------------------

UInt64 CandidateBody::GetUsedBytes() const {
	const UInt64 words = UInt64(GetPolyEdgeCount()) + 10 * UInt64(GetPolygonCount()) +
	                     6 * UInt64(GetPolyNormalCount()) + 6 * UInt64(GetEdgeCount()) + 6 * UInt64(GetVertexCount()) +
	                     2 * UInt64(GetTextureVertexCount());
	return sizeof(CandidateBody) + 4 * words;
}

namespace {

// Switched by the host or a test while other threads check bodies.
std::atomic<bool> candidateCheckEnabled{false};
thread_local bool candidateCheckRunning = false;

} // namespace

void CandidateBody::SetCheckEnabled(bool enabled) {
	candidateCheckEnabled.store(enabled, std::memory_order_relaxed);
}

bool CandidateBody::IsCheckEnabled() {
	return candidateCheckEnabled.load(std::memory_order_relaxed);
}

bool CandidateBody::Check() const {
	return BodyRules::DebugCheckPolyEdges(*this, candidateCheckEnabled.load(std::memory_order_relaxed),
	                                      candidateCheckRunning);
}

} // namespace Modeler
