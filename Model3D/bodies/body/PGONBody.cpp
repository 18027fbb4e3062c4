// The polygon's reads through the body that owns it. PGON declares them; they live with
// the body because they need it.
#include "Model3D/bodies/body/Body.h"
#include "Model3D/bodies/records/PGON.h"

namespace Modeler {

Int32 PGON::GetPolyEdge(const Body& body, Int32 k) const {
	return body.GetConstPolyEdge(fpedg + k);
}

EDGE PGON::GetOrientedEdge(const Body& body, Int32 k) const {
	const Int32 ref = GetPolyEdge(body, k);
	if (ref == 0) // a separator has no edge
		return EDGE{0, 0, 0, -1, -1, -1, -1};
	EDGE edge = body.GetConstEdge(ref > 0 ? ref - 1 : ~ref);
	if (ref < 0) {
		const Int32 v = edge.vert1;
		edge.vert1 = edge.vert2;
		edge.vert2 = v;
	}
	return edge;
}

Vector3dTpl<double> PGON::GetVertex(const Body& body, Int32 k, bool* isSeparator, const TRAN* tran) const {
	const Int32 vertex = body.GetBodyVertIdxFromPolyVertIdx(fpedg + k);
	if (isSeparator != nullptr) *isSeparator = vertex < 0;
	if (vertex < 0) return Vector3dTpl<double>();
	return body.GetVertexPoint(vertex, tran);
}

Vector3dTpl<double> PGON::GetNormalVector(const Body& body, const TRAN* tran) const {
	return body.GetPolyNormalFromId(ivect, tran);
}

Vector3dTpl<double> PGON::GetNormalVectorByVertex(const Body& body, Int32 polygonIndex, UInt32 k,
                                                  const TRAN* tran) const {
	if (!IsCurved()) return GetNormalVector(body, tran);
	const Int32 ref = GetPolyEdge(body, static_cast<Int32>(k));
	if (ref == 0) return GetNormalVector(body, tran); // a separator has no corner
	Int64 entry;
	if (body.HasSharpEdge()) {
		// The entry of the reference's edge, for its start vertex, on this polygon's side.
		const Int32 edge = ref > 0 ? ref - 1 : ~ref;
		const Int64 edges = body.GetEdgeCount();
		entry = Int64(body.GetVertexCount()) + edge;
		if (ref < 0) entry += edges;
		if (polygonIndex == body.GetConstEdge(edge).pgon2) entry += 2 * edges;
	} else {
		entry = body.GetBodyVertIdxFromPolyVertIdx(fpedg + static_cast<Int32>(k));
	}
	// A curved polygon on a body without round normals (its curved bit clear) has no
	// entry to read: it is shaded flat.
	if (entry < 0 || entry >= Int64(body.GetRoundNormVectorCount())) return GetNormalVector(body, tran);
	return body.GetRoundNormVector(static_cast<Int32>(entry), tran);
}

} // namespace Modeler
