// The convex decomposition of a body polygon: its corners projected onto its plane as a
// node list for CXdpMain.
#include "Model3D/geometry/polygons/DrawingGeometry.h"

#include "Model3D/geometry/decomposition/ConvexDecomposition.h"
#include "platform/Geometry.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cmath>

namespace {

// Consecutive corners closer than this in the plane count once.
constexpr double SameCornerDistance = 1e-10;

struct Projection {
	double c1 = 0, c2 = 0, c3 = 0, c4 = 0;

	explicit Projection(const Vector3dTpl<double>& n) { Geometry::TMDirCoeffs(n.x, n.y, n.z, &c1, &c2, &c3, &c4); }

	void Apply(const VERT& p, double& u, double& v) const {
		u = (p.x * c1 + p.y * c2) * c3 - p.z * c4;
		v = p.y * c1 - p.x * c2;
	}
};

// Fills the nodes of the polygon's contours; returns the number kept.
Int32 MakeNodes(const Modeler::Body& body, const Modeler::PGON& pgon, const Projection& projection, PNODArray& nodes) {
	const Int64 edgeCount = body.GetEdgeCount();
	Int32 kept = 0;
	Int32 contourFirst = -1; // first node of the open contour
	bool outer = true;
	auto close = [&]() {
		if (contourFirst < 0) return;
		nodes[static_cast<USize>(contourFirst)].prev = kept - 1;
		nodes[static_cast<USize>(kept - 1)].next = contourFirst;
		contourFirst = -1;
		outer = false;
	};
	// The position after lpedg closes the last contour; it is never read.
	for (Int32 i = pgon.fpedg; i <= pgon.lpedg; ++i) {
		const Int32 ref = body.GetConstPolyEdge(i);
		if (ref == 0) {
			close();
			continue;
		}
		const Int64 edge = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (edge >= edgeCount) throw Kit::IllegalArgumentException("DecomposePolygon: reference to a missing edge");
		const EDGE& e = body.GetConstEdge(static_cast<Int32>(edge));
		const Int32 vertex = ref > 0 ? e.vert1 : e.vert2;
		if (vertex < 0 || UInt32(vertex) >= body.GetVertexCount())
			throw Kit::IllegalArgumentException("DecomposePolygon: edge with a missing vertex");
		PNOD node;
		node.vertex = vertex;
		node.outer = outer ? 1 : 0;
		projection.Apply(body.GetConstVertex(vertex), node.u, node.v);
		if (contourFirst >= 0) {
			const PNOD& last = nodes[static_cast<USize>(kept - 1)];
			if (std::hypot(node.u - last.u, node.v - last.v) <= SameCornerDistance) continue;
			node.prev = kept - 1;
			nodes[static_cast<USize>(kept - 1)].next = kept;
		} else {
			contourFirst = kept;
		}
		nodes[static_cast<USize>(kept++)] = node;
	}
	close();
	return kept;
}

double Extent(const PNODArray& nodes, Int32 count) {
	double uMin = nodes[0].u, uMax = uMin, vMin = nodes[0].v, vMax = vMin;
	for (Int32 i = 1; i < count; ++i) {
		const PNOD& n = nodes[static_cast<USize>(i)];
		uMin = std::min(uMin, n.u);
		uMax = std::max(uMax, n.u);
		vMin = std::min(vMin, n.v);
		vMax = std::max(vMax, n.v);
	}
	return std::max(uMax - uMin, vMax - vMin);
}

} // namespace

void DecomposePolygon(const Modeler::Body& body, const Modeler::PGON& pgon, Kit::PagedArray<Int32>& result) {
	if (pgon.fpedg < 0 || pgon.lpedg < 0 || pgon.lpedg < pgon.fpedg) return;
	if (UInt32(pgon.lpedg) >= body.GetPolyEdgeCount())
		throw Kit::IllegalArgumentException("DecomposePolygon: polygon range beyond the poly-edges");
	const Projection projection(pgon.GetNormalVector(body));

	const Int32 allocated = pgon.lpedg - pgon.fpedg + 1 + 2;
	PNODArray nodes;
	nodes.SetSize(static_cast<USize>(allocated));
	for (Int32 i = 0; i < allocated; ++i)
		nodes[static_cast<USize>(i)].kind = -99;
	const Int32 count = MakeNodes(body, pgon, projection, nodes);
	if (count < 3) return;

	bool flag = false;
	if (CXdpMain(result, nodes, true, count, Extent(nodes, count), &flag, allocated) < 0)
		throw Kit::RunTimeErrorException("Modeler::DecomposePolygon failed", "Model3D/ConvexDecomposition", 76);
}

void DLgetPVerts(const Modeler::Body& body, Int32 ref, Int32* start, Int32* end) {
	if (ref == 0) throw Kit::IllegalArgumentException("DLgetPVerts: a separator has no vertices");
	const EDGE& e = body.GetConstEdge(ref > 0 ? ref - 1 : ~ref);
	*start = ref > 0 ? e.vert1 : e.vert2;
	*end = ref > 0 ? e.vert2 : e.vert1;
}
