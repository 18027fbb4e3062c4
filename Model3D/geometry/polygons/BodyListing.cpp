// Body::Print: the leveled, filtered listing of a body in the host's line formats. It
// lives with the polygon geometry because the deepest level lists the triangle caches.
#include "Model3D/bodies/body/Body.h"
#include "Model3D/geometry/polygons/detail/ListingLine.h"
#include "platform/KitUtils.h"

namespace Modeler {

namespace {

constexpr Int16 CutBodyShapeType = 30500;
constexpr Int16 EmptyShapeType = 30100;

bool PassesStatus(UInt32 status, UInt32 mask, Int32 requireAll, Int32 requireNone) {
	if (requireAll != 0 && (status & mask) != mask) return false;
	return !(requireNone != 0 && (status & mask) != 0);
}

bool BodyPasses(const Body& body, const List3dRec* f) {
	if (f == nullptr) return true;
	if (f->byShapeType != 0 && (body.GetShapeType() < f->minShapeType || body.GetShapeType() > f->maxShapeType))
		return false;
	if (f->byBodyStatus != 0 &&
	    !PassesStatus(body.GetStatus(), f->bodyStatusMask, f->bodyRequireAll, f->bodyRequireNone))
		return false;
	return !(f->byBodyMaterial != 0 && body.GetMaterialIdx() != f->bodyMaterial);
}

bool PolygonPasses(const PGON& p, Int32 number, const List3dRec* f) {
	if (f == nullptr) return true;
	if (f->byPolygonRange != 0 && (number < f->firstPolygon || number > f->lastPolygon)) return false;
	if (f->byPolygonStatus != 0 &&
	    !PassesStatus(p.status, f->polygonStatusMask, f->polygonRequireAll, f->polygonRequireNone))
		return false;
	return !(f->byPolygonMaterial != 0 && p.iumat != f->polygonMaterial);
}

// A list of 'count' items, each printed unless the host asks for a break first.
template <typename Item> void List(Int32 count, Item item) {
	for (Int32 i = 0; i < count; ++i) {
		if (TTBreak()) return;
		item(i);
	}
}

} // namespace

void Body::Print(Kit::OChannel& ch, Int16 level, const List3dRec* filter, const TRAN* tran, Int32 mpuidOffset) const {
	if (!BodyPasses(*this, filter)) return;
	const bool records = level >= 3;
	if (level > 1) {
		if (btype == CutBodyShapeType)
			ListingLine(ch, 59, "uudd", status, fatherBind, int(iumat), int(edgePenIdx));
		else
			ListingLine(ch, 58, "uddd", status, int(btype), int(edgePenIdx), int(iumat));
	}
	if (records) {
		ListingLine(ch, 45, "fff", double(bounds.xMin), double(bounds.yMin), double(bounds.zMin));
		ListingLine(ch, 46, "fff", double(bounds.xMax), double(bounds.yMax), double(bounds.zMax));
	}
	if (level > 1) ListingLine(ch, 125, "ddddd", int(ifill), int(sbkgc), int(sconc), int(sfilc), int(sltype));

	const auto vertices = static_cast<Int32>(GetVertexCount());
	ListingLine(ch, 66, "d", vertices);
	if (records) {
		List(vertices, [&](Int32 i) {
			const Vector3dTpl<double> v = GetVertexPoint(i, tran);
			ListingLine(ch, 69, "dfff", i + 1, v.x, v.y, v.z);
		});
	}
	const auto textureVertices = static_cast<Int32>(GetTextureVertexCount());
	ListingLine(ch, 122, "d", textureVertices);
	if (records) {
		List(textureVertices, [&](Int32 i) {
			const TEVE& t = GetConstTextureVertex(i);
			ListingLine(ch, 123, "dff", i + 1, double(t.u), double(t.v));
		});
	}
	if (level > 3 && btype != CutBodyShapeType && btype != EmptyShapeType)
		ListingLine(ch, 71, "ddddd", int(wrap), coor[0], coor[1], coor[2], coor[3]);

	const auto normals = static_cast<Int32>(GetPolyNormalCount());
	ListingLine(ch, 73, "d", normals);
	if (records) {
		const bool turn = tran != nullptr && (tran->status & Geometry::TR_NO_NORMAL_TRANSF) == 0;
		List(normals, [&](Int32 i) {
			VECT n = GetConstPolyNormal(i);
			if (turn) Geometry::TMVector(tran, &n.x, &n.y, &n.z);
			ListingLine(ch, 69, "dfff", i + 1, n.x, n.y, n.z);
		});
	}
	const auto edges = static_cast<Int32>(GetEdgeCount());
	ListingLine(ch, 74, "d", edges);
	if (records) {
		List(edges, [&](Int32 i) {
			const EDGE& e = GetConstEdge(i);
			ListingLine(ch, 76, "dddddudd", i, e.vert1, e.vert2, e.pgon1, e.pgon2, e.status, int(e.color), 0);
		});
	}
	const auto polyEdges = static_cast<Int32>(GetPolyEdgeCount());
	const auto polygons = static_cast<Int32>(GetPolygonCount());
	ListingLine(ch, 81, "d", polyEdges);
	ListingLine(ch, 82, "d", polygons);
	if (!records || polygons == 0) return;

	for (Int32 i = 0; i < polygons; ++i) {
		if (TTBreak()) return;
		const PGON& p = GetConstPolygon(i);
		if (!PolygonPasses(p, i + 1, filter)) continue;
		if (level < 4) {
			ListingLine(ch, 85, "ddduddd", i + 1, p.fpedg, p.lpedg, p.status, p.ivect, int(p.iumat), p.irtxt);
		} else {
			const Int32 id = p.mpuid > 0 ? p.mpuid + mpuidOffset : 0;
			ListingLine(ch, 84, "dddudddd", i + 1, p.fpedg, p.lpedg, p.status, p.ivect, int(p.iumat), p.irtxt, id);
		}
		for (Int32 k = p.fpedg; k <= p.lpedg && k >= 0 && k < polyEdges; ++k) {
			if (TTBreak()) return;
			const Int32 r = GetConstPolyEdge(k);
			if (r == 0) {
				ListingLine(ch, 87, "dd", k + 1, 0);
				continue;
			}
			const Int32 e = (r > 0 ? r : -r) - 1;
			if (e >= edges) continue;
			const EDGE& edge = GetConstEdge(e);
			const Int32 from = r > 0 ? edge.vert1 : edge.vert2;
			const Int32 to = r > 0 ? edge.vert2 : edge.vert1;
			ListingLine(ch, 124, "dddd", k + 1, r, from + 1, to + 1);
		}
		if (level > 3) p.PrintDecompositionCache(*this, ch);
	}
}

} // namespace Modeler
