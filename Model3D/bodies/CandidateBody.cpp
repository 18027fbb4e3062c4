// CandidateBody: construction, header, clearing, raw and checked record storage.
#include "Model3D/bodies/CandidateBody.h"

#include "platform/KitException.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace Modeler {

namespace {

inline Int32 LastIndex(USize count)
{
	return static_cast<Int32>(count) - 1;
}

template <typename T>
Int32 AppendN(Kit::PagedArray<T>& array, const T* records, UInt32 n)
{
	if (records == nullptr && n > 0)
		throw Kit::IllegalArgumentException();
	for (UInt32 i = 0; i < n; ++i)
		array.Push(records[i]);
	return LastIndex(array.GetSize());
}

}	// namespace

CandidateBody::CandidateBody()
{
	Clear();
}

CandidateBody::CandidateBody(const BODY& record)
{
	Clear();
	SetupFromBODY(record);
}

CandidateBody::CandidateBody(const Body& body)
{
	Clear();
	status = body.GetStatus();
	edgePenIdx = body.GetEdgePenIdx();
	iumat = body.GetMaterialIdx();
	btype = body.GetShapeType();
	body.GetVisualAttribs(&ifill, &sbkgc, &sconc, &sfilc, &sltype);
	fatherBind = body.GetFatherBind();
	wrap = body.GetWrapping();
	body.GetLocalCoordSys(coor);
	bounds = body.GetLocalBounds();
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
	: Kit::SharedObject(), vertices(source.vertices), textureVertices(source.textureVertices), edges(source.edges),
	  polyEdges(source.polyEdges), polyNormals(source.polyNormals), polygons(source.polygons)
{
	CopyHeaderFrom(source);
}

CandidateBody& CandidateBody::operator=(const CandidateBody& source)
{
	if (this == &source)
		return *this;
	CopyHeaderFrom(source);
	vertices = source.vertices;
	textureVertices = source.textureVertices;
	edges = source.edges;
	polyEdges = source.polyEdges;
	polyNormals = source.polyNormals;
	polygons = source.polygons;
	return *this;
}

CandidateBody::~CandidateBody() = default;

void CandidateBody::CopyHeaderFrom(const CandidateBody& source)
{
	status = source.status;
	edgePenIdx = source.edgePenIdx;
	iumat = source.iumat;
	btype = source.btype;
	ifill = source.ifill;
	sbkgc = source.sbkgc;
	sconc = source.sconc;
	sfilc = source.sfilc;
	sltype = source.sltype;
	fatherBind = source.fatherBind;
	wrap = source.wrap;
	std::memcpy(coor, source.coor, sizeof coor);
	bounds = source.bounds;
	unusedFlag = source.unusedFlag;
}

// ---- header ---------------------------------------------------------------------------

void CandidateBody::GetLocalCoordSys(Int32* out) const
{
	std::memcpy(out, coor, sizeof coor);
}

void CandidateBody::SetLocalCoordSys(const Int32* values)
{
	if (values == nullptr)
		std::memset(coor, 0, sizeof coor);
	else
		std::memcpy(coor, values, sizeof coor);
}

bool CandidateBody::HasSameLocalCoordSys(const CandidateBody* other) const
{
	return std::memcmp(coor, other->coor, sizeof coor) == 0;
}

void CandidateBody::SetVisualAttribs(Int16 ifillIn, Int16 sbkgcIn, Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn)
{
	ifill = ifillIn;
	sbkgc = sbkgcIn;
	sconc = sconcIn;
	sfilc = sfilcIn;
	sltype = sltypeIn;
}

void CandidateBody::GetVisualAttribs(Int16* ifillOut, Int16* sbkgcOut, Int16* sconcOut, Int16* sfilcOut,
									 Int16* sltypeOut) const
{
	*ifillOut = ifill;
	*sbkgcOut = sbkgc;
	*sconcOut = sconc;
	*sfilcOut = sfilc;
	*sltypeOut = sltype;
}

void CandidateBody::SetupFromBodyInfo(const BodyInfo& info)
{
	SetVisualAttribs(info.ifill, info.sbkgc, info.sconc, info.sfilc, info.sltype);
}

void CandidateBody::ToBODY(BODY* record) const
{
	std::memset(record, 0, sizeof(BODY));
	record->status = status & ~BodyCut;
	record->ifill = ifill;
	record->sbkgc = sbkgc;
	record->fatherBind = fatherBind;
	record->btypeOrCut = IsCut() ? BodyCutShapeType : static_cast<UInt16>(btype);
	record->btype = btype;
	record->edgePenIdx = edgePenIdx;
	record->iumat = iumat;
	const float box[6] = {bounds.xMin, bounds.yMin, bounds.zMin, bounds.xMax, bounds.yMax, bounds.zMax};
	std::memcpy(record->box, box, sizeof box);
	record->fpgon = 1;
	record->lpgon = static_cast<Int32>(GetPolygonCount());
	record->fpedg = 1;
	record->lpedg = static_cast<Int32>(GetPolyEdgeCount());
	record->fedge = 1;
	record->ledge = static_cast<Int32>(GetEdgeCount());
	record->fvert = 1;
	record->lvert = static_cast<Int32>(GetVertexCount());
	record->fvect = 1;
	record->lvect = static_cast<Int32>(GetPolyNormalCount());
	record->fspare = 0;
	record->lspare = -1;
	record->fteve = HasTextureVertices() ? 1 : 0;
	record->wrap = wrap;
	std::memcpy(record->coor, coor, sizeof coor);
	record->sconc = sconc;
	record->sfilc = static_cast<UInt16>(sfilc);
	record->sltype = sltype;
}

void CandidateBody::SetupFromBODY(const BODY& record)
{
	status = record.status;
	if (record.btypeOrCut == BodyCutShapeType) {
		status |= BodyCut;
		btype = record.btype;
	} else {
		btype = static_cast<Int16>(record.btypeOrCut);
	}
	ifill = record.ifill;
	sbkgc = record.sbkgc;
	fatherBind = record.fatherBind;
	edgePenIdx = record.edgePenIdx;
	iumat = record.iumat;
	bounds = F_Box3D{record.box[0], record.box[1], record.box[3], record.box[4], record.box[2], record.box[5]};
	wrap = record.wrap;
	std::memcpy(coor, record.coor, sizeof coor);
	sconc = record.sconc;
	sfilc = static_cast<Int16>(record.sfilc);
	sltype = record.sltype;
}

// ---- clearing -------------------------------------------------------------------------

void CandidateBody::Clear()
{
	status = 0;
	edgePenIdx = 0;
	iumat = 0;
	btype = 0;
	ifill = 0;
	sbkgc = -2;
	sconc = 0;
	sfilc = 0;
	sltype = 0;
	fatherBind = 0;
	wrap = 0;
	std::memset(coor, 0, sizeof coor);
	unusedFlag = false;
	ClearGeometry();
}

void CandidateBody::ClearGeometry()
{
	vertices.Clear();
	textureVertices.Clear();
	edges.Clear();
	polyEdges.Clear();
	polyNormals.Clear();
	polygons.Clear();
	CalculateBounds();
}

void CandidateBody::MakeEmpty()
{
	Clear();
	btype = EmptyBodyShapeType;
	CalculateBounds();
}

void CandidateBody::DeletePolygons()
{
	polyEdges.Clear();
	polyNormals.Clear();
	polygons.Clear();
}

void CandidateBody::MakeWireOnly()
{
	status &= ~BodyCurved;
	iumat = 0;
	for (USize i = 0; i < edges.GetSize(); ++i) {
		edges[i].pgon1 = -1;
		edges[i].pgon2 = -1;
	}
	DeletePolygons();
}

void CandidateBody::DeleteLastPolyNormal()
{
	if (!polyNormals.IsEmpty())
		polyNormals.DeleteLast();
}

// ---- raw records ----------------------------------------------------------------------

Int32 CandidateBody::AddNVertexRec(const VERT* records, UInt32 n)
{
	return AppendN(vertices, records, n);
}

Int32 CandidateBody::AddVertexRec(const VERT& record)
{
	return AppendN(vertices, &record, 1);
}

Int32 CandidateBody::AddNTextureVertexRec(const TEVE* records, UInt32 n)
{
	return AppendN(textureVertices, records, n);
}

Int32 CandidateBody::AddTextureVertexRec(const TEVE& record)
{
	return AppendN(textureVertices, &record, 1);
}

Int32 CandidateBody::AddNEdgeRec(const EDGE* records, UInt32 n)
{
	return AppendN(edges, records, n);
}

Int32 CandidateBody::AddEdgeRec(const EDGE& record)
{
	return AppendN(edges, &record, 1);
}

Int32 CandidateBody::AddNPolyEdgeRec(const Int32* records, UInt32 n)
{
	return AppendN(polyEdges, records, n);
}

Int32 CandidateBody::AddPolyEdgeRec(Int32 record)
{
	return AppendN(polyEdges, &record, 1);
}

Int32 CandidateBody::AddNPolyNormalRec(const VECT* records, UInt32 n)
{
	return AppendN(polyNormals, records, n);
}

Int32 CandidateBody::AddPolyNormalRec(const VECT& record)
{
	return AppendN(polyNormals, &record, 1);
}

Int32 CandidateBody::AddNPolygonRec(const PGON* records, UInt32 n)
{
	return AppendN(polygons, records, n);
}

Int32 CandidateBody::AddPolygonRec(const PGON& record)
{
	return AppendN(polygons, &record, 1);
}

// ---- checked records ------------------------------------------------------------------

UInt32 CandidateBody::StoreVertex(double x, double y, double z)
{
	vertices.Push(VERT{x, y, z});
	return static_cast<UInt32>(vertices.GetSize() - 1);
}

Int32 CandidateBody::StoreTextureVertex(double u, double v)
{
	textureVertices.Push(TEVE{static_cast<float>(u), static_cast<float>(v)});
	return LastIndex(textureVertices.GetSize());
}

Int32 CandidateBody::StoreEdge(Int16 color, Int32 vert1, Int32 vert2, Int32 pgon1, Int32 pgon2, UInt32 edgeStatus,
							   Int16 hasPolygons)
{
	if (vert1 < 0 || vert2 < 0)
		throw Kit::KitException();
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
bool MakeUnitNormal(double& x, double& y, double& z)
{
	const double s = x * x + y * y + z * z;
	if (!(s >= 1e-5) || !std::isfinite(s))
		return false;
	if (s < 0.99999 || s > 1.00001) {
		const double len = std::sqrt(s);
		x /= len;
		y /= len;
		z /= len;
	}
	return true;
}

}	// namespace

Int32 CandidateBody::StorePolyNormal(double x, double y, double z)
{
	if (!MakeUnitNormal(x, y, z))
		throw Kit::KitException();
	polyNormals.Push(VECT{x, y, z});
	return LastIndex(polyNormals.GetSize());
}

Int32 CandidateBody::StoreUnitPolyNormal(double x, double y, double z)
{
	if (!MakeUnitNormal(x, y, z))
		throw Kit::InternalErrorException();
	polyNormals.Push(VECT{x, y, z});
	return LastIndex(polyNormals.GetSize());
}

Int32 CandidateBody::StorePolygon(Int16 pgonIumat, Int32 irtxt, Int32 mpuid, Int32 ivect, Int32 count,
								  const Int32* refs, UInt32 pgonStatus)
{
	if (count < 0 || (count > 0 && refs == nullptr))
		throw Kit::KitException();
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
												const Int32* refs, UInt32 pgonStatus)
{
	if (count < 0 || (count > 0 && refs == nullptr))
		throw Kit::IllegalArgumentException();
	const USize first = polyEdges.GetSize();
	if (first + USize(count) > USize(std::numeric_limits<Int32>::max()))
		return 0;	// the poly-edge index would not fit
	PGON p;
	p.status = pgonStatus;
	p.iumat = pgonIumat;
	p.irtxt = irtxt;
	p.ivect = ivect;
	p.fpedg = static_cast<Int32>(first);
	p.lpedg = p.fpedg + count - 1;
	p.mpuid = 0;
	AddNPolyEdgeRec(refs, static_cast<UInt32>(count));
	polygons.Push(p);
	return static_cast<UInt32>(polygons.GetSize() - 1);
}

Int32 CandidateBody::AttachPolygonToPolyEdges(Int32 polygon, Int32 count, const Int32* refs)
{
	if (polygon < 0 || count <= 0 || refs == nullptr)
		throw Kit::IllegalArgumentException();
	const Int64 edgeCount = Int64(edges.GetSize());
	for (Int32 i = 0; i < count; ++i) {
		const Int32 ref = refs[i];
		const Int64 e = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (ref != 0 && e >= edgeCount)
			throw Kit::IllegalArgumentException();
	}
	Int32 conflicts = 0;
	for (Int32 i = 0; i < count; ++i) {
		const Int32 ref = refs[i];
		if (ref == 0)
			continue;
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

Int32 CandidateBody::StoreAndCheckCompletePolygon(Int16 pgonIumat, Int32 irtxt, Int32 count, const Int32* refs,
												  UInt32 pgonStatus, bool checkNormal)
{
	if (count < 3)
		return -1;
	if (refs == nullptr)
		throw Kit::IllegalArgumentException();
	// Every reference must name an existing edge between existing vertices: checked before
	// anything is stored.
	for (Int32 i = 0; i < count; ++i) {
		if (refs[i] == 0)
			continue;
		const EDGE& e = BodyRules::RefEdge(*this, refs[i]);
		if (e.vert1 < 0 || e.vert2 < 0 || UInt32(e.vert1) >= GetVertexCount() || UInt32(e.vert2) >= GetVertexCount())
			throw Kit::IllegalArgumentException();
	}
	double x, y, z;
	CalculateLoopNormal(count, refs, &x, &y, &z);
	const Int32 d = StoreUnitPolyNormal(x, y, z);
	Int32 ivect = d + 1;
	if (count > 3 && checkNormal) {
		const Int16 r = CheckPolygonNormal(ivect, count, refs, false, false);
		if (r == PgonNormalOuterClockwise || r == PgonNormalHoleCounterClockwise || r == PgonNormalEmptyContour)
			ivect = -(d + 1);
	}
	const UInt32 index =
		StorePolygonWithPolyEdges(pgonIumat, static_cast<Int16>(irtxt), ivect, count, refs, pgonStatus);
	AttachPolygonToPolyEdges(static_cast<Int32>(index), count, refs);
	return static_cast<Int32>(index);
}

void CandidateBody::CalculatePolygonMPUIDs()
{
	for (USize i = 0; i < polygons.GetSize(); ++i)
		polygons[i].mpuid = static_cast<Int32>(i) + 1;
}

// ---- sizes and self-check -------------------------------------------------------------------

UInt64 CandidateBody::GetUsedBytes() const
{
	const UInt64 words = UInt64(GetPolyEdgeCount()) + 10 * UInt64(GetPolygonCount()) +
						 6 * UInt64(GetPolyNormalCount()) + 6 * UInt64(GetEdgeCount()) +
						 6 * UInt64(GetVertexCount()) + 2 * UInt64(GetTextureVertexCount());
	return sizeof(CandidateBody) + 4 * words;
}

namespace {

bool candidateCheckEnabled = false;
thread_local bool candidateCheckRunning = false;

}	// namespace

void CandidateBody::SetCheckEnabled(bool enabled)
{
	candidateCheckEnabled = enabled;
}

bool CandidateBody::IsCheckEnabled()
{
	return candidateCheckEnabled;
}

bool CandidateBody::Check() const
{
	if (!candidateCheckEnabled || candidateCheckRunning)
		return true;
	candidateCheckRunning = true;
	bool ok = true;
	const Int64 edgeCount = GetEdgeCount();
	const Int64 vertexCount = GetVertexCount();
	for (UInt32 i = 0; i < GetPolyEdgeCount() && ok; ++i) {
		const Int32 ref = GetConstPolyEdge(static_cast<Int32>(i));
		if (ref == 0)
			continue;
		const Int64 edge = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (edge >= edgeCount) {
			ok = false;
			break;
		}
		const Int32 v = GetBodyVertIdxFromPolyVertIdx(static_cast<Int32>(i));
		ok = v >= 0 && v < vertexCount;
	}
	candidateCheckRunning = false;
	return ok;
}

}	// namespace Modeler
