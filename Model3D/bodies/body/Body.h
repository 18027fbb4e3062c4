// Modeler::Body: the immutable, compact polyhedral body that the model shares between
// elements. A header of display attributes, the geometry in one contiguous block
// (Body::VarPart), and two lazily filled caches: the per-polygon triangle lists and the
// smooth (round) vertex normals of curved bodies. The header fields, their getters and
// the common status queries come from BodyHeader (shared with CandidateBody).
//
// Indices are 0-based (−1 = none) unless said otherwise; accessors do not check them.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/BodyHeader.h"
#include "Model3D/bodies/body/BodyVarPart.h"
#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/List3dRec.h"
#include "Model3D/bodies/records/PGON.h"
#include "Model3D/bodies/records/VerticesPosition.h"
#include "platform/Geometry.h"
#include "platform/GeometryVector.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

#include <atomic>

namespace Modeler {

class ConstBodyVertexIterator;
class ConstBodyEdgeIterator;
class ConstBodyPolygonIterator;
class ConstBodyPolyEdgeIterator;

class M3D_EXPORT Body : public Kit::SharedObject, public BodyHeader {
public:
	using VarPart = BodyVarPart;

	enum CreationMode : Int32 { NormalBody = 0, EmptyBody = 1 };
	enum CopyMode : Int32 { CopyAttributesOnly = 0, CopyGeometryOnly = 1 };

	// ---- construction ----------------------------------------------------------------
	Body() : Body(NormalBody) {}
	// Cleared header, no geometry; EmptyBody also makes it the empty body (MakeEmpty).
	explicit Body(CreationMode mode);
	// Cleared, then the source's header (CopyAttributesOnly, legacy sharing bits 12/13
	// dropped) or its geometry and bounds (CopyGeometryOnly); then status |= statusFlags.
	Body(const Body& source, CopyMode mode, UInt32 statusFlags);
	// Header and geometry (triangle caches deep-copied, round normals not), then
	// Transform(*tran) when tran is given.
	Body(const Body& source, const TRAN* tran = nullptr);
	// Header from the legacy record, no geometry.
	explicit Body(const BODY& record);
	// Every header field as given (bounds not recomputed) and the geometry from the
	// arrays; polygon caches are deep-copied.
	Body(UInt32 status, Int16 edgePenIdx, Int16 iumat, Int16 btype, Int16 ifill, Int16 sbkgc, Int16 sconc, Int16 sfilc,
	     Int16 sltype, UInt32 fatherBind, Int16 wrap, const Int32* coor, const F_Box3D& bounds,
	     const Kit::PagedArray<VERT>& vertices, const Kit::PagedArray<TEVE>& textureVertices,
	     const Kit::PagedArray<EDGE>& edges, const Kit::PagedArray<Int32>& polyEdges,
	     const Kit::PagedArray<VECT>& polyNormals, const Kit::PagedArray<PGON>& polygons);
	// The same from arrays that are emptied while the body fills, each as soon as it has
	// been copied (see BodyVarPart::BuildReleasing).
	Body(UInt32 status, Int16 edgePenIdx, Int16 iumat, Int16 btype, Int16 ifill, Int16 sbkgc, Int16 sconc, Int16 sfilc,
	     Int16 sltype, UInt32 fatherBind, Int16 wrap, const Int32* coor, const F_Box3D& bounds,
	     Kit::PagedArray<VERT>&& vertices, Kit::PagedArray<TEVE>&& textureVertices, Kit::PagedArray<EDGE>&& edges,
	     Kit::PagedArray<Int32>&& polyEdges, Kit::PagedArray<VECT>&& polyNormals, Kit::PagedArray<PGON>&& polygons);
	~Body() override;

	// ---- header (the rest in BodyHeader) ---------------------------------------------------
	bool IsMulColor() const { return (status & BodyMulColor) != 0; }
	bool IsMulUmat() const { return (status & BodyMulUmat) != 0; }
	// Bit 14 only (a deleted builder counts as invisible, a body does not).
	bool IsInvisible() const { return (status & BodyInvisible) != 0; }

	// ---- geometry read access -----------------------------------------------------------
	UInt32 GetVertexCount() const { return varPart.GetCounts().vertices; }
	UInt32 GetTextureVertexCount() const { return varPart.GetCounts().textureVertices; }
	UInt32 GetEdgeCount() const { return varPart.GetCounts().edges; }
	UInt32 GetPolyEdgeCount() const { return varPart.GetCounts().polyEdges; }
	UInt32 GetPolyNormalCount() const { return varPart.GetCounts().polyNormals; }
	UInt32 GetPolygonCount() const { return varPart.GetCounts().polygons; }
	bool HasVertices() const { return GetVertexCount() > 0; }
	bool HasTextureVertices() const { return GetTextureVertexCount() > 0; }
	bool HasEdges() const { return GetEdgeCount() > 0; }
	bool HasPolyEdges() const { return GetPolyEdgeCount() > 0; }
	bool HasPolyNormals() const { return GetPolyNormalCount() > 0; }
	bool HasPolygons() const { return GetPolygonCount() > 0; }

	const VERT& GetConstVertex(Int32 i) const { return varPart.GetVertices()[i]; }
	const TEVE& GetConstTextureVertex(Int32 i) const { return varPart.GetTextureVertices()[i]; }
	const EDGE& GetConstEdge(Int32 i) const { return varPart.GetEdges()[i]; }
	Int32 GetConstPolyEdge(Int32 i) const { return varPart.GetPolyEdge(static_cast<UInt32>(i)); }
	const VECT& GetConstPolyNormal(Int32 i) const { return varPart.GetPolyNormals()[i]; }
	const PGON& GetConstPolygon(Int32 i) const { return varPart.GetPolygons()[i]; }

	// Vertex i, through Geometry::TMPoint when tran is given.
	void GetVertexCoords(Int32 i, const TRAN* tran, double* x, double* y, double* z) const;
	Vector3dTpl<double> GetVertexPoint(Int32 i, const TRAN* tran = nullptr) const;
	// Normal |id| − 1, negated for a negative id, through Geometry::TMVector when tran is
	// given and does not carry the no-normal-transformation bit. Id 0 gives (0, 0, 0).
	Vector3dTpl<double> GetPolyNormalFromId(Int32 id, const TRAN* tran = nullptr) const;

	// ---- iterators ---------------------------------------------------------------------
	ConstBodyVertexIterator BeginVertices() const;
	ConstBodyVertexIterator EndVertices() const;
	ConstBodyEdgeIterator BeginEdges() const;
	ConstBodyEdgeIterator EndEdges() const;
	ConstBodyPolygonIterator BeginPolygons() const;
	ConstBodyPolygonIterator EndPolygons() const;
	ConstBodyPolyEdgeIterator BeginPolyEdges(const PGON& pgon) const;
	ConstBodyPolyEdgeIterator EndPolyEdges(const PGON& pgon) const;

	// ---- topology ----------------------------------------------------------------------
	// Start vertex of poly-edge i; −1 for a separator.
	Int32 GetBodyVertIdxFromPolyVertIdx(Int32 i) const;
	// The three vertices along poly-edges i and i + 1. *isSeparator is set when either is
	// a separator (nothing else is written). Throws Kit::LogicErrorException when the
	// second does not start where the first ends.
	void GetBodyVertIndicesFromPolyEdges(Int32 i, bool* isSeparator, Int32* firstVertex, Int32* middleVertex,
	                                     Int32* lastVertex) const;
	VerticesPosition GetVerticesPosition(Int32 i, Int32 j) const;

	// ---- bounds ------------------------------------------------------------------------
	// Box of the (optionally transformed) vertices, leaving out the vertices that a
	// negative coor entry marks as coordinate-system-only. No vertex: the empty box.
	void GetBounds(const TRAN* tran, F_Box3D& box) const;

	// ---- comparison and attributes -------------------------------------------------------
	// Geometry and header (not the status word) equal; coordinates within 1e-5.
	bool operator==(const Body& other) const;
	bool operator!=(const Body& other) const { return !(*this == other); }
	// Remaps material, fill and texture indices after the attribute tables changed.
	// Indices that fall outside their map are left as they are.
	void ReindexAttributes(const Kit::Array<Int32>& materialMap, const Kit::Array<Int32>& fillMap,
	                       const Kit::Array<Int32>& textureMap);

	void CopyAttributes(const Body& source);
	void CopyGeometry(const Body& source);
	void MakeEmpty();

	// ---- legacy record and streams ----------------------------------------------------------
	void ToBODY(BODY* record) const;
	// Writes the 140-byte BODY record; a failed write throws Kit::RunTimeErrorException.
	void WriteAsBODY(Kit::OChannel& ch) const;

	// ---- diagnostic output -----------------------------------------------------------------
	// A listing of the body in the host's line formats (string list 2500): level 1 the
	// counts, 2 the header as well, 3 every record, above 3 also the coordinate system,
	// polygon ids (plus mpuidOffset) and triangle caches. A filter leaves out the body or
	// some of its polygons; vertices and normals are listed through tran when it is given.
	// The host's break test ends a list early.
	void Print(Kit::OChannel& ch, Int16 level, const List3dRec* filter, const TRAN* tran, Int32 mpuidOffset) const;
	// C++ source of a function RestoreABody that rebuilds this body through the all-arrays
	// constructor; coordinates are written with six decimals.
	void PrintAsTestCase(Kit::OChannel& ch) const;
	// Memory image for the module's own caches (drops the triangle caches first).
	// A failed write throws Kit::InternalErrorException.
	void QuickWrite(Kit::OChannel& ch) const;
	// Reads a QuickWrite image. A stream that is short or inconsistent throws
	// Kit::InternalErrorException and leaves the body cleared (no geometry).
	void QuickRead(Kit::IChannel& ch);

	// ---- sizes ---------------------------------------------------------------------------
	UInt64 GetUsedBytes() const;
	UInt64 GetPolyEdgeUsedBytes() const;
	const VarPart& GetVarPart() const { return varPart; }

	// ---- caches ----------------------------------------------------------------------------
	// Both caches are filled by const queries, from any thread: a body shared between
	// threads may be queried by all of them at once. Clearing a cache is a change that
	// the host must not run while other threads query the body.
	void ClearConvexPolygonCache() const { varPart.ClearPolygonCaches(); }
	void ClearRoundNormVectorCache() const;
	void InitRoundNormVectors() const;
	UInt32 GetRoundNormVectorCount() const;
	const VECT* GetConstRoundNormVectorPtr(Int32 i) const;
	Vector3dTpl<double> GetRoundNormVector(Int32 i, const TRAN* tran = nullptr) const;
	// The number of round normals the body has when its cache is filled.
	UInt32 GetExpectedRoundNormVectorCount() const;

	// ---- diagnostics ---------------------------------------------------------------------------
	// Debug self-check, active only while enabled: verifies that every poly-edge refers
	// to an existing edge whose vertices exist. Returns false when it finds a fault
	// (true when disabled or already running).
	bool Check() const;
	static void SetCheckEnabled(bool enabled);
	static bool IsCheckEnabled();
	void SpecialTest() const {}

protected:
	// The modifying members below are for the owner of the only copy of a body (model
	// copying, attribute merging, file reading); a shared body is never changed.
	Body& operator=(const Body& source);

	void Clear();
	void ClearGeometry();
	void SetupFromBODY(const BODY& record);

	void SetVertex(Int32 i, const VERT& vertex);
	void SetPolyEdge(Int32 i, Int32 value);

	void Transform(const TRANMAT& tm);
	void TransformPart_NoReorient(Int32 firstVertex, Int32 vertexCount, Int32 firstNormal, Int32 normalCount,
	                              const TRANMAT& tm);
	void ReorientPolygons(Int32 firstPolygon);
	void ReorientPolyEdges(Int32 first, Int32 last);
	void CalculateBounds();

	// The header setters (SetStatusMask, SetMaterialIdx, SetLocalCoordSys, …) are the
	// protected ones of BodyHeader.

private:
	using RoundNormals = Kit::Array<VECT>;

	void SetHeaderFields(UInt32 status, Int16 edgePenIdx, Int16 iumat, Int16 btype, Int16 ifill, Int16 sbkgc,
	                     Int16 sconc, Int16 sfilc, Int16 sltype, UInt32 fatherBind, Int16 wrap, const Int32* coor,
	                     const F_Box3D& bounds);
	void ReadQuickRoundNormals(Kit::IChannel& ch, bool valid);
	// The round normals, computed when there are none yet.
	const RoundNormals& EnsureRoundNormals() const;
	void ComputeRoundNormVectors(RoundNormals& normals) const;
	void ReverseContours();

	VarPart varPart;
	// Null until computed (or read); published once with an atomic exchange, so that
	// threads sharing the body may ask for the normals at the same time.
	mutable std::atomic<RoundNormals*> roundNormals{nullptr};
};

} // namespace Modeler

#include "Model3D/bodies/body/BodyIterators.h"
