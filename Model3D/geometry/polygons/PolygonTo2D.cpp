// A body polygon as the Geometry library's 2D polygon record, seen from above.
#include "Model3D/geometry/polygons/DrawingGeometry.h"

#include "platform/KitException.h"

#include <vector>

namespace {

[[noreturn]] void Fail(Geometry::Polygon2DData* out, const char* why) {
	Geometry::FreePolygon2DData(out);
	throw Kit::InternalErrorException(why, "Model3D/DrawingGeometry", __LINE__);
}

// Per vertex: some edge with status bit 1 ends at it.
std::vector<UInt8> MarkedVertices(const Modeler::Body& body) {
	std::vector<UInt8> marked(body.GetVertexCount(), 0);
	for (Int32 i = 0; i < static_cast<Int32>(body.GetEdgeCount()); ++i) {
		const EDGE& e = body.GetConstEdge(i);
		if ((e.status & 2) == 0) continue;
		for (const Int32 v : {e.vert1, e.vert2})
			if (v >= 0 && UInt32(v) < marked.size()) marked[static_cast<USize>(v)] = 1;
	}
	return marked;
}

} // namespace

void DNPgonToPolygon2DData(const Modeler::Body* body, Int32 polygon, Geometry::Polygon2DData* out) {
	if (body == nullptr || out == nullptr) throw Kit::IllegalArgumentException("DNPgonToPolygon2DData: null argument");
	Geometry::InitPolygon2DData(out);
	if (polygon < 0 || UInt32(polygon) >= body->GetPolygonCount()) Fail(out, "DNPgonToPolygon2DData: no such polygon");
	const Modeler::PGON& pgon = body->GetConstPolygon(polygon);
	if (pgon.fpedg < 0 || pgon.lpedg < pgon.fpedg || UInt32(pgon.lpedg) >= body->GetPolyEdgeCount())
		Fail(out, "DNPgonToPolygon2DData: the polygon has no contour");

	UInt32 contours = 1;
	for (Int32 i = pgon.fpedg; i <= pgon.lpedg; ++i)
		contours += body->GetConstPolyEdge(i) == 0 ? 1 : 0;
	const UInt32 points = static_cast<UInt32>(pgon.lpedg - pgon.fpedg + 2);
	if (Geometry::AllocatePolygon2DData(out, contours, points) != Geometry::Polygon2DNoError)
		Fail(out, "DNPgonToPolygon2DData: out of memory");

	const std::vector<UInt8> marked = MarkedVertices(*body);
	Int32* ends = Geometry::GetContourEnds(*out);
	Geometry::Coord* p = Geometry::GetPoints(*out);
	UInt8* flags = Geometry::GetPointFlags(*out);
	UInt32 contour = 0;
	UInt32 contourFirst = 1; // first point of the open contour
	for (UInt32 j = 1; j <= points; ++j) {
		const Int32 ref = j < points ? body->GetConstPolyEdge(pgon.fpedg + static_cast<Int32>(j) - 1) : 0;
		if (ref != 0) {
			const Int32 v = body->GetBodyVertIdxFromPolyVertIdx(pgon.fpedg + static_cast<Int32>(j) - 1);
			if (v < 0 || UInt32(v) >= body->GetVertexCount()) Fail(out, "DNPgonToPolygon2DData: missing vertex");
			const VERT& vertex = body->GetConstVertex(v);
			p[j] = Geometry::Coord{vertex.x, vertex.y};
			flags[j] = marked[static_cast<USize>(v)];
			continue;
		}
		// A separator, or the end: the contour just ended is closed by its first point.
		if (j == contourFirst) Fail(out, "DNPgonToPolygon2DData: empty contour");
		p[j] = p[contourFirst];
		flags[j] = 0;
		ends[++contour] = static_cast<Int32>(j);
		contourFirst = j + 1;
	}

	if ((out->status & Geometry::Polygon2DBoxValid) == 0 && Geometry::GetPolygon2DDataBoundBox(out) != 0)
		Fail(out, "DNPgonToPolygon2DData: no bounding box");
	if ((out->status & Geometry::Polygon2DOriented) == 0 && Geometry::OrientPolygon2DData(out) != 0)
		Fail(out, "DNPgonToPolygon2DData: cannot orient");
	if (Geometry::CheckPolygon2DDataIntegrity(out) != 0) Fail(out, "DNPgonToPolygon2DData: inconsistent polygon");
}
