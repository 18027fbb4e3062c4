// Body: construction, assignment, header fields and the legacy BODY record.
#include "Model3D/bodies/Body.h"

#include <cstring>

namespace Modeler {

Body::Body(CreationMode mode)
{
	Clear();
	if (mode == EmptyBody)
		MakeEmpty();
}

Body::Body(const Body& source, CopyMode mode, UInt32 statusFlags) : Kit::SharedObject()
{
	Clear();
	if (mode == CopyAttributesOnly)
		CopyAttributes(source);
	else if (mode == CopyGeometryOnly)
		CopyGeometry(source);
	status |= statusFlags;
}

Body::Body(const Body& source, const TRAN* tran) : Kit::SharedObject(), varPart(source.varPart)
{
	CopyHeader(source);
	if (tran != nullptr)
		Transform(*tran);
}

Body::Body(const BODY& record)
{
	Clear();
	SetupFromBODY(record);
}

Body::Body(UInt32 statusIn, Int16 edgePenIdxIn, Int16 iumatIn, Int16 btypeIn, Int16 ifillIn, Int16 sbkgcIn,
		   Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn, UInt32 fatherBindIn, Int16 wrapIn, const Int32* coorIn,
		   const F_Box3D& boundsIn, const Kit::PagedArray<VERT>& vertices,
		   const Kit::PagedArray<TEVE>& textureVertices, const Kit::PagedArray<EDGE>& edges,
		   const Kit::PagedArray<Int32>& polyEdges, const Kit::PagedArray<VECT>& polyNormals,
		   const Kit::PagedArray<PGON>& polygons)
	: status(statusIn), edgePenIdx(edgePenIdxIn), iumat(iumatIn), btype(btypeIn), ifill(ifillIn), sbkgc(sbkgcIn),
	  sconc(sconcIn), sfilc(sfilcIn), sltype(sltypeIn), fatherBind(fatherBindIn), wrap(wrapIn), bounds(boundsIn)
{
	SetLocalCoordSys(coorIn);
	varPart.Build(vertices, textureVertices, edges, polyEdges, polyNormals, polygons);
}

Body::~Body() = default;

Body& Body::operator=(const Body& source)
{
	if (this == &source)
		return *this;
	ClearConvexPolygonCache();
	CopyHeader(source);
	varPart = source.varPart;
	ClearRoundNormVectorCache();
	return *this;
}

// Every header field except the round-normal flag.
void Body::CopyHeader(const Body& source)
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
}

void Body::Clear()
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
	bounds = F_Box3D{0, 0, 0, 0, 0, 0};
	ClearGeometry();
}

void Body::ClearGeometry()
{
	ClearConvexPolygonCache();
	ClearRoundNormVectorCache();
	varPart.Clear();
}

void Body::MakeEmpty()
{
	Clear();
	btype = EmptyBodyShapeType;
	CalculateBounds();
}

void Body::CopyAttributes(const Body& source)
{
	BODY record;
	source.ToBODY(&record);
	record.status &= ~(BodyOwnGeometry | BodySharedGeometry);
	record.itran = 0;
	record.fpgon = record.fpedg = record.fedge = record.fvert = record.fvect = 0;
	record.lpgon = record.lpedg = record.ledge = record.lvert = record.lvect = -1;
	SetupFromBODY(record);
}

void Body::CopyGeometry(const Body& source)
{
	if (this == &source)
		return;
	varPart = source.varPart;
	bounds = source.bounds;
	ClearRoundNormVectorCache();
}

void Body::GetLocalCoordSys(Int32* out) const
{
	std::memcpy(out, coor, sizeof coor);
}

bool Body::HasSameLocalCoordSys(const Body* other) const
{
	return std::memcmp(coor, other->coor, sizeof coor) == 0;
}

void Body::SetLocalCoordSys(const Int32* values)
{
	if (values == nullptr)
		std::memset(coor, 0, sizeof coor);
	else
		std::memcpy(coor, values, sizeof coor);
}

void Body::GetVisualAttribs(Int16* ifillOut, Int16* sbkgcOut, Int16* sconcOut, Int16* sfilcOut,
							Int16* sltypeOut) const
{
	*ifillOut = ifill;
	*sbkgcOut = sbkgc;
	*sconcOut = sconc;
	*sfilcOut = sfilc;
	*sltypeOut = sltype;
}

void Body::SetVisualAttribs(Int16 ifillIn, Int16 sbkgcIn, Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn)
{
	ifill = ifillIn;
	sbkgc = sbkgcIn;
	sconc = sconcIn;
	sfilc = sfilcIn;
	sltype = sltypeIn;
}

void Body::ToBODY(BODY* record) const
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
	record->sfilc = sfilc;
	record->sltype = sltype;
}

void Body::SetupFromBODY(const BODY& record)
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
	ClearRoundNormVectorCache();
}

UInt64 Body::GetUsedBytes() const
{
	return sizeof(Body) + UInt64(varPart.GetSize()) + UInt64(24) * roundNormals.size();
}

UInt64 Body::GetPolyEdgeUsedBytes() const
{
	return UInt64(varPart.GetPolyEdgeWidth()) * GetPolyEdgeCount();
}

}	// namespace Modeler
