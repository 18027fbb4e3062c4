// The steps of the convex decomposition, in the order CXdpMain runs them.
#pragma once

#include "Model3D/geometry/decomposition/detail/Workspace.h"

#include "platform/GeometryNodes.h"
#include "platform/KitPagedArray.h"

namespace Modeler::Decomposition {

enum class Loaded { Polygon, NoArea, BadInput };

// Checks the node links and reads the contours into ws.ring: the outer contour first
// (counter-clockwise, mirrored when it ran clockwise), then the holes (clockwise), each
// without repeated corners; contours without area are left out. 'outer' receives the
// first ring index of the outer contour.
Loaded LoadContours(Workspace& ws, const PNODArray& nodes, Int32 nodeCount, Int32& outer);

// Joins every hole to the outer ring by a bridge to a corner it sees; false when some hole
// finds no such corner (a hole outside the outline, crossing contours).
bool BridgeHoles(Workspace& ws, Int32 outer);

// Cuts the ring starting at 'start' into counter-clockwise triangles (ws.triangles) with
// their neighbourhood (ws.twin); false when no ear can be found in what is left.
bool ClipEars(Workspace& ws, Int32 start);

// Merges the triangles into convex parts; leaves the parts as cycles of ws.heNext.
void MergeTriangles(Workspace& ws, bool convexParts);

// Writes the parts in the result format, each from its best fan corner.
void WriteParts(Workspace& ws, Kit::PagedArray<Int32>& result);

} // namespace Modeler::Decomposition
