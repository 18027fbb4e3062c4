// Drawing geometry of body polygons: the convex decomposition of a polygon, the ends of
// a poly-edge reference, and the polygon as the Geometry library's 2D polygon record.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/Body.h"
#include "Model3D/bodies/records/PGON.h"
#include "platform/GeometryPolygon2D.h"
#include "platform/KitPagedArray.h"
#include "platform/KitTypes.h"

// Cuts a polygon of the body into convex parts (CXdpMain), projected onto its plane
// along its normal. 'result' receives −k for k parts, then per part its corner count and
// the body vertex indices of its corners, each part running counter-clockwise about the
// polygon normal. Nothing is added for a polygon without a range or with fewer than three
// distinct corners. Consecutive corners that coincide (within 1e-10 in the plane) count
// once. A reference to a missing edge throws Kit::IllegalArgumentException; a failed
// decomposition throws Kit::RunTimeErrorException "Modeler::DecomposePolygon failed".
M3D_EXPORT void DecomposePolygon(const Modeler::Body& body, const Modeler::PGON& pgon, Kit::PagedArray<Int32>& result);

// The start and end vertices of a poly-edge reference (ref < 0 walks the edge backwards).
// 0 throws Kit::IllegalArgumentException; the edge index is not checked.
M3D_EXPORT void DLgetPVerts(const Modeler::Body& body, Int32 ref, Int32* start, Int32* end);

// The polygon seen from above (x and y of its vertices) as a 2D polygon record: one
// closed contour per contour of the polygon (its first point repeated at its end), each
// point flagged 1 when an edge with status bit 1 (value 2) ends at its vertex; then the
// box, the orientation (outer counter-clockwise, holes clockwise) and the integrity check.
// 'out' is taken as uninitialised and owns its tables afterwards (FreePolygon2DData). A
// bad polygon index, an empty contour or a failed step throws Kit::InternalErrorException
// (or Kit::IllegalArgumentException for a null argument), leaving 'out' empty.
M3D_EXPORT void DNPgonToPolygon2DData(const Modeler::Body* body, Int32 polygon, Geometry::Polygon2DData* out);
