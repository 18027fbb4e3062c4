// Modeler::CandidateBody: the mutable body under construction. Geometry generators and
// the model file reader fill it record by record (Store… / Add…Rec / Read…), let it
// compute and check normals and orientation, and freeze it into the immutable, compact
// Modeler::Body with ToBody().
//
// The builder has the header of Body (BodyHeader, with its setters made public) and the
// same six record kinds, each in a growable Kit::PagedArray; poly-edges are always full
// Int32. Indices handed to the element accessors are not checked.
//
// Edge polygon slots while building: below −1 is a free slot, −1 means no polygon on
// that side (and counts as occupied), 0 and above is a polygon index.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/Body.h"
#include "Model3D/bodies/body/BodyAlgorithms.h"
#include "Model3D/bodies/body/BodyHeader.h"
#include "Model3D/bodies/builder/BodyCheckStatus.h"
#include "Model3D/bodies/records/BodyInfo.h"
#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/PGON.h"
#include "Model3D/bodies/records/VerticesPosition.h"
#include "Model3D/persistence/conversion/RecordConversionForms.h"
#include "platform/Geometry.h"
#include "platform/GeometryVector.h"
#include "platform/KitChannel.h"
#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

#include <memory>
#include <vector>

namespace Modeler {

class M3D_EXPORT CandidateBody : public Kit::SharedObject, public BodyHeader {
public:
	// ---- construction, copying, comparison ------------------------------------------------
	CandidateBody();
	// Header from the legacy record (the cut marker 30200 included); no geometry.
	explicit CandidateBody(const BODY& record);
	// Header and every record of a finished body (poly-edges widened to Int32, triangle
	// caches deep-copied).
	explicit CandidateBody(const Body& body);
	CandidateBody(const CandidateBody& source);
	CandidateBody& operator=(const CandidateBody& source);
	~CandidateBody() override;

	// The comparison rules of Body::operator== (status words not compared, coordinates
	// within 1e-5).
	bool operator==(const CandidateBody& other) const;
	bool operator!=(const CandidateBody& other) const { return !(*this == other); }

	// ---- header (getters and the common status queries in BodyHeader) ------------------------
	void SetStatus(UInt32 value) { status = value; }
	void ClearStatus() { status = 0; }
	using BodyHeader::ClrStatusMask;
	using BodyHeader::SetEdgePenIdx;
	using BodyHeader::SetFatherBind;
	using BodyHeader::SetFillType;
	using BodyHeader::SetLocalCoordSys;
	using BodyHeader::SetMaterialIdx;
	using BodyHeader::SetSectBkgColor;
	using BodyHeader::SetShapeType;
	using BodyHeader::SetStatusMask;
	using BodyHeader::SetVisualAttribs;
	using BodyHeader::SetWrapping;
	// The five section attributes of the record.
	void SetupFromBodyInfo(const BodyInfo& info);
	// Shape type, wrapping and the four coordinate-system references of an old body
	// extension record.
	void ApplyBEXT(const BEXT_51& ext);

	bool IsDeleted() const { return (status & BodyDeleted) != 0; }
	// Unlike Body::IsInvisible, a deleted builder counts as invisible too.
	bool IsInvisible() const { return (status & (BodyInvisible | BodyDeleted)) != 0; }

	// ---- clearing ----------------------------------------------------------------------
	// Header to the defaults of Body (sbkgc −2, everything else 0), then ClearGeometry.
	void Clear();
	// Empties the six arrays; the bounds become the empty box.
	void ClearGeometry();
	// Clear, shape type 30100, empty bounds.
	void MakeEmpty();
	// Drops the curved bit, the material and every polygon; every edge becomes a wire.
	void MakeWireOnly();
	void ClearTextureVertices() { textureVertices.Clear(); }
	void DeleteLastPolyNormal();

	// ---- raw records: each returns the index of the last record of its array -----------
	// A null pointer with a non-zero count throws Kit::IllegalArgumentException.
	Int32 AddNVertexRec(const VERT* records, UInt32 n);
	Int32 AddVertexRec(const VERT& record);
	Int32 AddNTextureVertexRec(const TEVE* records, UInt32 n);
	Int32 AddTextureVertexRec(const TEVE& record);
	Int32 AddNEdgeRec(const EDGE* records, UInt32 n);
	Int32 AddEdgeRec(const EDGE& record);
	Int32 AddNPolyEdgeRec(const Int32* records, UInt32 n);
	Int32 AddPolyEdgeRec(Int32 record);
	Int32 AddNPolyNormalRec(const VECT* records, UInt32 n);
	Int32 AddPolyNormalRec(const VECT& record);
	Int32 AddNPolygonRec(const PGON* records, UInt32 n);
	Int32 AddPolygonRec(const PGON& record);

	// ---- checked records (the path of geometry generators) -------------------------------
	// Bad arguments throw and store nothing.
	UInt32 StoreVertex(double x, double y, double z);
	Int32 StoreTextureVertex(double u, double v);
	// Negative vertices throw Kit::KitException. hasPolygons 0 stores −1 on both sides.
	Int32 StoreEdge(Int16 color, Int32 vert1, Int32 vert2, Int32 pgon1, Int32 pgon2, UInt32 edgeStatus,
	                Int16 hasPolygons);
	// Scaled to unit length unless the squared length is within 0.99999 … 1.00001; a
	// squared length below 1e-5 throws Kit::KitException (StorePolyNormal) or
	// Kit::InternalErrorException (StoreUnitPolyNormal).
	Int32 StorePolyNormal(double x, double y, double z);
	Int32 StoreUnitPolyNormal(double x, double y, double z);
	// count < 0 throws Kit::KitException; no references give fpedg 1, lpedg 0.
	Int32 StorePolygon(Int16 pgonIumat, Int32 irtxt, Int32 mpuid, Int32 ivect, Int32 count, const Int32* refs,
	                   UInt32 pgonStatus);
	// count < 0 throws Kit::IllegalArgumentException; no references give fpedg 0,
	// lpedg −1; mpuid 0.
	UInt32 StorePolygonWithPolyEdges(Int16 pgonIumat, Int16 irtxt, Int32 ivect, Int32 count, const Int32* refs,
	                                 UInt32 pgonStatus);
	// Computes the contour normal, stores it, optionally checks the orientation (and
	// reverses the normal reference when the contours run the wrong way), stores the
	// polygon and enters it in its edges. Fewer than 3 references: nothing, −1. References
	// to missing edges or vertices throw Kit::IllegalArgumentException before anything is
	// stored. Returns the new polygon index.
	Int32 StoreAndCheckCompletePolygon(Int16 pgonIumat, Int32 irtxt, Int32 count, const Int32* refs, UInt32 pgonStatus,
	                                   bool checkNormal);
	// Enters the polygon in a free slot of every referenced edge; returns the number of
	// edges that already had two other polygons. Bad arguments throw
	// Kit::IllegalArgumentException.
	Int32 AttachPolygonToPolyEdges(Int32 polygon, Int32 count, const Int32* refs);
	// mpuid = index + 1 for every polygon.
	void CalculatePolygonMPUIDs();

	// ---- faces from vertex loops (the convenient path of geometry generators) -----------
	// A face given as loops of vertex indices: the outer contour first, then its holes.
	// The edge between two consecutive vertices is looked up in either direction or made,
	// so neighbouring faces share their edges and the signed edge references stay inside
	// the builder. The normal is the outer loop's own (by Newell's method) unless given;
	// loops are turned where needed so that the outer contour runs counter-clockwise about
	// the normal and the holes clockwise. PgonHasHoles is added to the status when there
	// are holes. Returns the polygon index.
	//
	// Throws Kit::IllegalArgumentException and stores nothing for: no loop, a loop of
	// fewer than 3 vertices, a vertex index out of range, two equal consecutive vertices,
	// a loop without area or a normal without direction, and an edge with no free side
	// left (used by two faces already, or a wire); the message names the two vertices.
	using FaceLoops = std::vector<std::vector<Int32>>;
	Int32 StoreFace(const FaceLoops& loops, Int16 pgonIumat = 0, UInt32 pgonStatus = 0);
	Int32 StoreFace(const FaceLoops& loops, const Vector3dTpl<double>& normal, Int16 pgonIumat = 0,
	                UInt32 pgonStatus = 0);
	// The signed 1-based reference of an edge between the two vertices: positive when the
	// edge runs from vert1 to vert2, negative when it runs the other way, 0 when there is
	// none. Not const: it brings the builder's edge index up to date. The index follows
	// stored edges; an edge whose vertices are changed in place is found again after the
	// next clearing of the builder.
	Int32 FindEdge(Int32 vert1, Int32 vert2);

	// ---- element access (indices not checked) -------------------------------------------
	UInt32 GetVertexCount() const { return static_cast<UInt32>(vertices.GetSize()); }
	UInt32 GetTextureVertexCount() const { return static_cast<UInt32>(textureVertices.GetSize()); }
	UInt32 GetEdgeCount() const { return static_cast<UInt32>(edges.GetSize()); }
	UInt32 GetPolyEdgeCount() const { return static_cast<UInt32>(polyEdges.GetSize()); }
	UInt32 GetPolyNormalCount() const { return static_cast<UInt32>(polyNormals.GetSize()); }
	UInt32 GetPolygonCount() const { return static_cast<UInt32>(polygons.GetSize()); }
	bool HasVertices() const { return !vertices.IsEmpty(); }
	bool HasTextureVertices() const { return !textureVertices.IsEmpty(); }
	bool HasEdges() const { return !edges.IsEmpty(); }
	bool HasPolyEdges() const { return !polyEdges.IsEmpty(); }
	bool HasPolyNormals() const { return !polyNormals.IsEmpty(); }
	bool HasPolygons() const { return !polygons.IsEmpty(); }

	const VERT& GetConstVertex(Int32 i) const { return vertices[static_cast<USize>(i)]; }
	void SetVertex(Int32 i, const VERT& v) { vertices[static_cast<USize>(i)] = v; }
	void GetVertexCoords(Int32 i, const TRAN* tran, double* x, double* y, double* z) const;
	Vector3dTpl<double> GetVertexPoint(Int32 i, const TRAN* tran = nullptr) const;
	const TEVE& GetConstTextureVertex(Int32 i) const { return textureVertices[static_cast<USize>(i)]; }
	EDGE& GetEdge(Int32 i) { return edges[static_cast<USize>(i)]; }
	const EDGE& GetConstEdge(Int32 i) const { return edges[static_cast<USize>(i)]; }
	void SetEdge(Int32 i, const EDGE& e) { edges[static_cast<USize>(i)] = e; }
	Int32& GetPolyEdge(Int32 i) { return polyEdges[static_cast<USize>(i)]; }
	Int32 GetConstPolyEdge(Int32 i) const { return polyEdges[static_cast<USize>(i)]; }
	void SetPolyEdge(Int32 i, Int32 value) { polyEdges[static_cast<USize>(i)] = value; }
	const VECT& GetConstPolyNormal(Int32 i) const { return polyNormals[static_cast<USize>(i)]; }
	PGON& GetPolygon(Int32 i) { return polygons[static_cast<USize>(i)]; }
	const PGON& GetConstPolygon(Int32 i) const { return polygons[static_cast<USize>(i)]; }
	void SetPolygon(Int32 i, const PGON& p) { polygons[static_cast<USize>(i)] = p; }

	// Start vertex of poly-edge i; −1 for a separator.
	Int32 GetBodyVertIdxFromPolyVertIdx(Int32 i) const;
	VerticesPosition GetVerticesPosition(Int32 i, Int32 j) const;

	// ---- bounds -----------------------------------------------------------------------
	// Box of the (optionally transformed) vertices without the coordinate-system-only
	// ones (negative coor entries); no vertex gives the empty box.
	void GetBounds(const TRAN* tran, F_Box3D& box) const;
	void CalculateBounds();

	// ---- geometry changes ---------------------------------------------------------------
	// Moves vertices and normals; a mirroring transformation also turns every contour
	// around (the normals are mirrored by the matrix itself, so their references stay),
	// keeping outer contours counter-clockwise about their normals. Bounds recomputed.
	void Transform(const TRANMAT& tm);
	// Vertices fv … fv+nv−1 and normals fn … fn+nn−1 (cut to the arrays); nothing for an
	// identity, a count of −1111 or an empty body. Normals stay when the matrix has the
	// no-normal-transformation bit.
	void TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal, Int32 normalCount,
	                              const TRANMAT& tm);
	// Vertices from firstVertex and normals from firstNormal to the end; a negative
	// firstNormal transforms no normal.
	void TransformTail_NoReorient(Int32 firstVertex, Int32 firstNormal, const TRANMAT& tm);
	// Every polygon from 'firstPolygon' on: normal reference negated, contours reversed.
	void ReorientPolygons(Int32 firstPolygon);
	// Reverses and negates each contour of poly-edges first … last; separators stay.
	void ReorientPolyEdges(Int32 first, Int32 last);

	// ---- algorithms -------------------------------------------------------------------------
	// Unit normal of a contour sequence: the first corner that gives one, else the first
	// segment that gives a perpendicular; none throws Kit::InternalErrorException.
	void CalculateLoopNormal(Int32 count, const Int32* refs, double* x, double* y, double* z) const;
	// A unit vector perpendicular to the segment vertA–vertB; false when degenerate.
	bool CalculateLoopNormal(Int32 vertA, Int32 vertB, double* x, double* y, double* z) const;
	// Unit normal (P(C) − P(B)) × (P(A) − P(B)); false when degenerate.
	bool CalcUnitNormalFrom3Verts(Int32 vertA, Int32 vertB, Int32 vertC, double* x, double* y, double* z) const;
	// The three vertices along two consecutive references; Kit::LogicErrorException when
	// ref1 is 0 or ref2 does not start where ref1 ends.
	void GetPVert3(Int32 ref1, Int32 ref2, Int32* vertA, Int32* vertB, Int32* vertC) const;
	// Orientation code of the contours about the normal reference (PgonNormal… codes).
	Int16 CheckPolygonNormal(Int32 ivect, Int32 count, const Int32* refs, bool allContours, bool strict) const;
	// 1 concave, −1 convex, 0 undecided; 'normal' is a 0-based normal index.
	Int16 IsPgonApexConcave(Int32 normal, Int32 prev, Int32 apex, Int32 next) const;
	// Signed 1-based reference of a stored normal equal to (x, y, z) or its reverse, or 0.
	Int32 SearchPgonNormal(Int32 first, Int32 last, double x, double y, double z) const;
	// Box-shaped texture wrapping: coor becomes the origin and the three axis points of the
	// bounding box (existing vertices where there are some, else appended
	// coordinate-system-only vertices), wrap 99.
	void CreateMinMaxWrapping();
	// Turns polygons of an open surface so that neighbours run along shared edges in
	// opposite directions. Closed bodies and bodies with fewer than 6 edges or 2 polygons
	// are left alone. Inconsistent edge–polygon links throw Kit::InternalErrorException.
	void FixOpenBodySurfaceOrientation();

	// Validation and repair before freezing: edges, normals, polygons (materials against
	// the store's material count), the curved mark and the use of each edge. Stops at the
	// first defect: returns CheckStatus::DefectFound with the defect's message (list 2006,
	// loaded with 'loadMessage' from the module's message resources) in 'messageBuffer'
	// (at least CheckMessageBufferSize bytes; may be null). The repairs done until then
	// stay: normals scaled to unit length, polygons entered in open (−1) edge sides, the
	// body's curved bit set from its polygons (cleared only with 'repairCurvedFlag'); a
	// curved-bit repair writes a line to Kit::reportChannel when verbosity > 3. Never
	// throws for a bad body.
	//
	// Called with the attribute store's Attributes::Viewer (or a Modifier), which provides
	// the material count through IBodyCheckAttributes.
	CheckStatus CheckAndFix(const IBodyCheckAttributes& attrs, MessageLoader loadMessage, char* messageBuffer,
	                        Int16 repairCurvedFlag, Int16 verbosity);

	// ---- conversion and streams ----------------------------------------------------------
	// The immutable body; compressed when the compression switch is on. The builder is
	// left unchanged. Inconsistent references give a body without geometry.
	Kit::SharedPtr<Body> ToBody() const&;
	// The same body from a builder that is done with (std::move(builder).ToBody()): its
	// arrays are let go section by section while the body fills, so that a large body is
	// frozen in little more memory than the builder takes. The builder is then left
	// without geometry (ClearGeometry); when the body cannot be built, it is left as it was.
	Kit::SharedPtr<Body> ToBody() &&;
	void ToBODY(BODY* record) const;
	// The header of the legacy record (the cut marker 30200 included).
	using BodyHeader::SetupFromBODY;
	// Memory image of the builder for the module's own use. A failed write throws
	// Kit::InternalErrorException.
	void QuickWrite(Kit::OChannel& ch) const;
	// Reads a QuickWrite image; a short or inconsistent stream throws
	// Kit::InternalErrorException and leaves the builder cleared.
	void QuickRead(Kit::IChannel& ch);

	// Model-file records of the given file version, in the byte order 'sign'. A block the
	// channel cannot deliver throws Kit::RunTimeErrorException ("ReadOldElems failed" for
	// old layouts, "ReadCurrElems failed" for current ones) and stores nothing of it.
	void ReadVertex(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);
	void ReadTextureVertex(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);
	void ReadEdge(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);
	void ReadPolyEdge(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);
	void ReadPolyNormal(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);
	void ReadPolygon(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version);

	UInt64 GetUsedBytes() const;

	// ---- diagnostics and switches --------------------------------------------------------------
	// Debug self-check (own switch, off by default): every poly-edge names an existing edge
	// whose vertices exist. False when it finds a fault; true when disabled.
	bool Check() const;
	static void SetCheckEnabled(bool enabled);
	static bool IsCheckEnabled();

	// The compression switch of ToBody: the preference "compress" of section "Atelier"
	// (default true), read once on first use. SetCompressionOverride replaces the value
	// for the rest of the process (for tests and tools); ResetCompressionOverride returns
	// to the preference.
	static bool IsCompressionOn();
	static void SetCompressionOverride(bool on);
	static void ResetCompressionOverride();

protected:
	// Empties poly-edges, normals and polygons.
	void DeletePolygons();
	// The start vertex of a non-zero reference; 0 throws Kit::InternalErrorException.
	Int32 GetFirstEdgeVertex(Int32 ref) const;

private:
	struct CompressedArrays;
	class Compression;
	bool Compress(CompressedArrays& out) const;
	template <typename... Arrays>
	Kit::SharedPtr<Body> NewBody(const Int32* coor, const F_Box3D& bounds, Arrays&&... arrays) const;
	class CheckPass;
	CheckStatus CheckAndFixWithMaterials(UInt32 materialCount, MessageLoader loadMessage, char* messageBuffer,
	                                     Int16 repairCurvedFlag, Int16 verbosity);
	void ReverseContours();
	void ReadQuickArrays(Kit::IChannel& ch);
	// AttachPolygonToPolyEdges for references known to name existing edges.
	Int32 EnterPolygonInEdges(Int32 polygon, Int32 count, const Int32* refs);

	struct EdgeIndex;
	EdgeIndex& UpdatedEdgeIndex();
	Int32 StoreFaceLoops(FaceLoops loops, const Vector3dTpl<double>* givenNormal, Int16 pgonIumat, UInt32 pgonStatus);

	bool unusedFlag = false; // the header's flag byte; the builder does not use it

	Kit::PagedArray<VERT> vertices;
	Kit::PagedArray<TEVE> textureVertices;
	Kit::PagedArray<EDGE> edges;
	Kit::PagedArray<Int32> polyEdges;
	Kit::PagedArray<VECT> polyNormals;
	Kit::PagedArray<PGON> polygons;
	// Vertex pair to edge, built on first use by the face calls; never copied.
	std::unique_ptr<EdgeIndex> edgeIndex;
};

} // namespace Modeler
