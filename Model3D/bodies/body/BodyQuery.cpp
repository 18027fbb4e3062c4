// Body: point and normal access, topology queries, bounds and in-place edits.
#include "Model3D/bodies/body/Body.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"
#include "platform/KitException.h"

namespace Modeler {

namespace {

// Edge index of a non-zero poly-edge reference.
inline Int32 EdgeOfRef(Int32 ref) {
	return ref > 0 ? ref - 1 : ~ref;
}

} // namespace

void Body::GetVertexCoords(Int32 i, const TRAN* tran, double* x, double* y, double* z) const {
	BodyRules::VertexCoords(*this, i, tran, x, y, z);
}

Vector3dTpl<double> Body::GetVertexPoint(Int32 i, const TRAN* tran) const {
	Vector3dTpl<double> p;
	GetVertexCoords(i, tran, &p.x, &p.y, &p.z);
	return p;
}

Vector3dTpl<double> Body::GetPolyNormalFromId(Int32 id, const TRAN* tran) const {
	if (id == 0) return Vector3dTpl<double>();
	const VECT& n = GetConstPolyNormal(id > 0 ? id - 1 : -id - 1);
	Vector3dTpl<double> v(n.x, n.y, n.z);
	if (id < 0) v = -v;
	if (tran != nullptr && (tran->status & Geometry::TR_NO_NORMAL_TRANSF) == 0) Geometry::TMVector(*tran, v);
	return v;
}

Int32 Body::GetBodyVertIdxFromPolyVertIdx(Int32 i) const {
	return BodyRules::StartVertexOfPolyEdge(*this, i);
}

void Body::GetBodyVertIndicesFromPolyEdges(Int32 i, bool* isSeparator, Int32* firstVertex, Int32* middleVertex,
                                           Int32* lastVertex) const {
	const Int32 ref1 = GetConstPolyEdge(i);
	const Int32 ref2 = GetConstPolyEdge(i + 1);
	if (ref1 == 0 || ref2 == 0) {
		*isSeparator = true;
		return;
	}
	*isSeparator = false;
	const EDGE& e1 = GetConstEdge(EdgeOfRef(ref1));
	const EDGE& e2 = GetConstEdge(EdgeOfRef(ref2));
	*firstVertex = ref1 > 0 ? e1.vert1 : e1.vert2;
	*middleVertex = ref1 > 0 ? e1.vert2 : e1.vert1;
	*lastVertex = ref2 > 0 ? e2.vert2 : e2.vert1;
	const Int32 secondStart = ref2 > 0 ? e2.vert1 : e2.vert2;
	if (secondStart != *middleVertex) throw Kit::LogicErrorException();
}

VerticesPosition Body::GetVerticesPosition(Int32 i, Int32 j) const {
	return BodyRules::PositionOfVertices(*this, i, j);
}

void Body::GetBounds(const TRAN* tran, F_Box3D& box) const {
	BodyRules::Bounds(*this, tran, box);
}

void Body::CalculateBounds() {
	GetBounds(nullptr, bounds);
}

void Body::SetVertex(Int32 i, const VERT& vertex) {
	varPart.GetVertices()[i] = vertex;
	ClearRoundNormVectorCache();
}

void Body::SetPolyEdge(Int32 i, Int32 value) {
	varPart.SetPolyEdge(static_cast<UInt32>(i), value);
	ClearRoundNormVectorCache();
}

namespace {

// Replaces a positive 1-based index through its map; values outside the map stay.
template <typename T> void Remap(T& value, const Kit::Array<Int32>& map) {
	if (value > 0 && static_cast<USize>(value) <= map.size())
		value = static_cast<T>(map[static_cast<USize>(value) - 1]);
}

} // namespace

void Body::ReindexAttributes(const Kit::Array<Int32>& materialMap, const Kit::Array<Int32>& fillMap,
                             const Kit::Array<Int32>& textureMap) {
	Remap(iumat, materialMap);
	const Int32 fillSlot = ~Int32{ifill}; // a negative ifill names fill slot ~ifill
	if (fillSlot >= 0 && static_cast<USize>(fillSlot) < fillMap.size())
		ifill = static_cast<Int16>(fillMap[static_cast<USize>(fillSlot)]);
	PGON* polygons = varPart.GetPolygons();
	const UInt32 n = GetPolygonCount();
	for (UInt32 i = 0; i < n; ++i) {
		Remap(polygons[i].irtxt, textureMap);
		Remap(polygons[i].iumat, materialMap);
	}
}

} // namespace Modeler
