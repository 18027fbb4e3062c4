// Body: construction, assignment, header fields and the legacy BODY record.
#include "Model3D/bodies/body/Body.h"

namespace Modeler {

Body::Body(CreationMode mode) {
	Clear();
	if (mode == EmptyBody) MakeEmpty();
}

Body::Body(const Body& source, CopyMode mode, UInt32 statusFlags) : Kit::SharedObject() {
	Clear();
	if (mode == CopyAttributesOnly)
		CopyAttributes(source);
	else if (mode == CopyGeometryOnly)
		CopyGeometry(source);
	status |= statusFlags;
}

Body::Body(const Body& source, const TRAN* tran)
    : Kit::SharedObject(source), BodyHeader(source), varPart(source.varPart) {
	if (tran != nullptr) Transform(*tran);
}

Body::Body(const BODY& record) {
	Clear();
	SetupFromBODY(record);
}

Body::Body(UInt32 statusIn, Int16 edgePenIdxIn, Int16 iumatIn, Int16 btypeIn, Int16 ifillIn, Int16 sbkgcIn,
           Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn, UInt32 fatherBindIn, Int16 wrapIn, const Int32* coorIn,
           const F_Box3D& boundsIn, const Kit::PagedArray<VERT>& vertices, const Kit::PagedArray<TEVE>& textureVertices,
           const Kit::PagedArray<EDGE>& edges, const Kit::PagedArray<Int32>& polyEdges,
           const Kit::PagedArray<VECT>& polyNormals, const Kit::PagedArray<PGON>& polygons) {
	SetHeaderFields(statusIn, edgePenIdxIn, iumatIn, btypeIn, ifillIn, sbkgcIn, sconcIn, sfilcIn, sltypeIn,
	                fatherBindIn, wrapIn, coorIn, boundsIn);
	varPart.Build(vertices, textureVertices, edges, polyEdges, polyNormals, polygons);
}

Body::Body(UInt32 statusIn, Int16 edgePenIdxIn, Int16 iumatIn, Int16 btypeIn, Int16 ifillIn, Int16 sbkgcIn,
           Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn, UInt32 fatherBindIn, Int16 wrapIn, const Int32* coorIn,
           const F_Box3D& boundsIn, Kit::PagedArray<VERT>&& vertices, Kit::PagedArray<TEVE>&& textureVertices,
           Kit::PagedArray<EDGE>&& edges, Kit::PagedArray<Int32>&& polyEdges, Kit::PagedArray<VECT>&& polyNormals,
           Kit::PagedArray<PGON>&& polygons) {
	SetHeaderFields(statusIn, edgePenIdxIn, iumatIn, btypeIn, ifillIn, sbkgcIn, sconcIn, sfilcIn, sltypeIn,
	                fatherBindIn, wrapIn, coorIn, boundsIn);
	varPart.BuildReleasing(vertices, textureVertices, edges, polyEdges, polyNormals, polygons);
}

void Body::SetHeaderFields(UInt32 statusIn, Int16 edgePenIdxIn, Int16 iumatIn, Int16 btypeIn, Int16 ifillIn,
                           Int16 sbkgcIn, Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn, UInt32 fatherBindIn,
                           Int16 wrapIn, const Int32* coorIn, const F_Box3D& boundsIn) {
	status = statusIn;
	edgePenIdx = edgePenIdxIn;
	iumat = iumatIn;
	btype = btypeIn;
	SetVisualAttribs(ifillIn, sbkgcIn, sconcIn, sfilcIn, sltypeIn);
	fatherBind = fatherBindIn;
	wrap = wrapIn;
	bounds = boundsIn;
	SetLocalCoordSys(coorIn);
}

Body::~Body() {
	delete roundNormals.load(std::memory_order_acquire);
}

Body& Body::operator=(const Body& source) {
	if (this == &source) return *this;
	ClearConvexPolygonCache();
	BodyHeader::operator=(source);
	varPart = source.varPart;
	ClearRoundNormVectorCache();
	return *this;
}

void Body::Clear() {
	ResetHeader();
	ClearGeometry();
}

void Body::ClearGeometry() {
	ClearConvexPolygonCache();
	ClearRoundNormVectorCache();
	varPart.Clear();
}

void Body::MakeEmpty() {
	Clear();
	btype = EmptyBodyShapeType;
	CalculateBounds();
}

void Body::CopyAttributes(const Body& source) {
	BODY record;
	source.ToBODY(&record);
	record.status &= ~(BodyOwnGeometry | BodySharedGeometry);
	record.itran = 0;
	record.fpgon = record.fpedg = record.fedge = record.fvert = record.fvect = 0;
	record.lpgon = record.lpedg = record.ledge = record.lvert = record.lvect = -1;
	SetupFromBODY(record);
}

void Body::CopyGeometry(const Body& source) {
	if (this == &source) return;
	varPart = source.varPart;
	bounds = source.bounds;
	ClearRoundNormVectorCache();
}

void Body::ToBODY(BODY* record) const {
	FillBODY(record, varPart.GetCounts());
}

void Body::SetupFromBODY(const BODY& record) {
	BodyHeader::SetupFromBODY(record);
	ClearRoundNormVectorCache();
}

UInt64 Body::GetUsedBytes() const {
	const RoundNormals* normals = roundNormals.load(std::memory_order_acquire);
	return sizeof(Body) + UInt64(varPart.GetSize()) + (normals != nullptr ? UInt64(24) * normals->size() : 0);
}

UInt64 Body::GetPolyEdgeUsedBytes() const {
	return UInt64(varPart.GetPolyEdgeWidth()) * GetPolyEdgeCount();
}

} // namespace Modeler
