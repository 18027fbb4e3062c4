#include "Model3D/bodies/query/BodyQueryInterfaceImp.h"

#include "platform/KitException.h"

namespace Modeler {

const Body& IConstBodyImp::Get() const {
	if (body == nullptr) throw Kit::LogicErrorException("IConstBodyImp: no body", __FILE__, __LINE__);
	return *body;
}

void IConstBodyImp::CheckIndex(UInt32 i, UInt32 count, const char* what) {
	if (i >= count) throw Kit::IllegalArgumentException(what, __FILE__, __LINE__);
}

const Cut::PGON& IConstBodyImp::GetConstPolygon(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetPolygonCount(), "IConstBodyImp::GetConstPolygon: index out of range");
	return b.GetConstPolygon(static_cast<Int32>(i));
}

Int32 IConstBodyImp::GetConstPolyEdge(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetPolyEdgeCount(), "IConstBodyImp::GetConstPolyEdge: index out of range");
	return b.GetConstPolyEdge(static_cast<Int32>(i));
}

const EDGE& IConstBodyImp::GetConstEdge(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetEdgeCount(), "IConstBodyImp::GetConstEdge: index out of range");
	return b.GetConstEdge(static_cast<Int32>(i));
}

const VERT& IConstBodyImp::GetConstVertex(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetVertexCount(), "IConstBodyImp::GetConstVertex: index out of range");
	return b.GetConstVertex(static_cast<Int32>(i));
}

const VECT& IConstBodyImp::GetConstPolyNormal(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetPolyNormalCount(), "IConstBodyImp::GetConstPolyNormal: index out of range");
	return b.GetConstPolyNormal(static_cast<Int32>(i));
}

const TEVE& IConstBodyImp::GetConstTextureVertex(UInt32 i) const {
	const Body& b = Get();
	CheckIndex(i, b.GetTextureVertexCount(), "IConstBodyImp::GetConstTextureVertex: index out of range");
	return b.GetConstTextureVertex(static_cast<Int32>(i));
}

void IConstBodyImp::GetVisualAttribs(Int16* ifill, Int16* sbkgc, Int16* sconc, Int16* sfilc, Int16* sltype) const {
	if (ifill == nullptr || sbkgc == nullptr || sconc == nullptr || sfilc == nullptr || sltype == nullptr)
		throw Kit::IllegalArgumentException("IConstBodyImp::GetVisualAttribs: null output", __FILE__, __LINE__);
	Get().GetVisualAttribs(ifill, sbkgc, sconc, sfilc, sltype);
}

void IConstBodyImp::GetLocalCoordSys(Int32* out) const {
	if (out == nullptr)
		throw Kit::IllegalArgumentException("IConstBodyImp::GetLocalCoordSys: null output", __FILE__, __LINE__);
	Get().GetLocalCoordSys(out);
}

BodyInfo IConstBodyImp::GetBodyInfo() const {
	BodyInfo info;
	Get().GetVisualAttribs(&info.ifill, &info.sbkgc, &info.sconc, &info.sfilc, &info.sltype);
	return info;
}

} // namespace Modeler
