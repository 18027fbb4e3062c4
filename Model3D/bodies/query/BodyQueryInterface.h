// Cut::IConstBody: the read-only body interface of the solid-cutting library. Outside
// geometry code reads a body only through these operations; the module answers them
// with Modeler::IConstBodyImp (BodyQueryInterfaceImp.h).
//
// The operations are virtual and declared in a fixed order, which is the order the
// cutting library calls them in. Indices are 0-based; poly-edge values are signed
// 1-based edge references (0 separates contours); the four local coordinate system
// entries are signed 1-based vertex references.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/PGON.h"
#include "platform/Geometry.h"
#include "platform/KitTypes.h"

namespace Cut {

// One polygon as the cutting library sees it: the module's own polygon record, so a
// body's polygon is handed out in place.
using PGON = Modeler::PGON;

class M3D_EXPORT IConstBody {
public:
	virtual UInt32 GetPolygonCount() const = 0;
	virtual UInt32 GetPolyNormalCount() const = 0;
	virtual UInt32 GetPolyEdgeCount() const = 0;
	virtual UInt32 GetEdgeCount() const = 0;
	virtual UInt32 GetVertexCount() const = 0;
	virtual UInt32 GetTextureVertexCount() const = 0;
	// Vertex i (read through GetConstVertex), through Geometry::TMPoint when tm is given.
	virtual void GetVertexCoords(UInt32 i, const TRANMAT* tm, double* x, double* y, double* z) const;
	virtual const PGON& GetConstPolygon(UInt32 i) const = 0;
	virtual Int32 GetConstPolyEdge(UInt32 i) const = 0;
	virtual const EDGE& GetConstEdge(UInt32 i) const = 0;
	virtual const VERT& GetConstVertex(UInt32 i) const = 0;
	virtual const VECT& GetConstPolyNormal(UInt32 i) const = 0;
	virtual const TEVE& GetConstTextureVertex(UInt32 i) const = 0;
	virtual ~IConstBody();
	virtual UInt32 GetStatus() const = 0;
	virtual Int16 GetMaterialIdx() const = 0;
	virtual Int16 GetColorIdx() const = 0;
	virtual Int16 GetShapeType() const = 0;
	// Fill, section background, contour and fill colours, line type.
	virtual void GetVisualAttribs(Int16* ifill, Int16* sbkgc, Int16* sconc, Int16* sfilc, Int16* sltype) const = 0;
	virtual UInt32 GetFatherBind() const = 0;
	virtual Int16 GetWrapping() const = 0;
	// Copies the four local coordinate system entries to out[0 … 3].
	virtual void GetLocalCoordSys(Int32* out) const = 0;
	virtual const Int32* GetLocalCoordSys() const = 0;
	virtual bool IsClosed() const = 0;
	virtual bool IsSurface() const = 0;
	virtual bool IsMulUmat() const = 0;
	virtual bool IsMulColor() const = 0;

protected:
	IConstBody() = default;
	IConstBody(const IConstBody&) = default;
	IConstBody& operator=(const IConstBody&) = default;
};

} // namespace Cut
