// The steps of the convex decomposition, in the order CXdpMain runs them.
#pragma once

#include "Model3D/geometry/decomposition/detail/Workspace.h"

#include "platform/GeometryNodes.h"
#include "platform/KitPagedArray.h"

#include <cmath>

namespace Modeler::Decomposition {

// Coordinates beyond this cannot be multiplied without overflow in the orientation test.
inline constexpr double CoordinateLimit = 1e150;

// True when the links of node i are in range and answered (the prev of its next is i)
// and its coordinates can be multiplied. Walking a contour from a node not yet seen
// while every node passes this test visits only nodes not yet seen and comes back to
// the first: a node reached twice would have two prev nodes. Every node is walked once,
// so next is then a permutation and the contours are cycles.
inline bool NodeIsSound(const PNODArray& nodes, const PNOD& node, Int32 i, Int32 nodeCount) {
	const auto count = static_cast<UInt32>(nodeCount);
	if (static_cast<UInt32>(node.next) >= count || static_cast<UInt32>(node.prev) >= count) return false;
	if (nodes[static_cast<USize>(node.next)].prev != i) return false;
	return std::fabs(node.u) <= CoordinateLimit && std::fabs(node.v) <= CoordinateLimit;
}

// Rings longer than this find the corners near an ear through a grid or a tree.
inline constexpr Int32 IndexRingSize = 32;

// Polygons of at most this many corners without holes take the shortcut below, which
// searches for ears as ClipEars does in rings too short for an index.
inline constexpr Int32 SmallPolygonSize = IndexRingSize;

// The whole decomposition of a polygon of one contour (at most SmallPolygonSize corners)
// in buffers of a fixed size, without the workspace, with the same result as the steps
// below. False, with 'result' untouched, for anything else: more than one contour, too
// many corners, repeated corners, spikes without area, links out of order, no area.
bool DecomposeSmallPolygon(Kit::PagedArray<Int32>& result, const PNODArray& nodes, Int32 nodeCount, bool convexParts);

enum class Loaded { Polygon, NoArea, BadInput };

// Checks the node links and reads the contours into ws.ring: the outer contour first
// (counter-clockwise, mirrored when it ran clockwise), then the holes (clockwise), each
// without repeated corners; contours without area are left out. 'outer' receives the
// first ring index of the outer contour.
Loaded LoadContours(Workspace& ws, const PNODArray& nodes, Int32 nodeCount, Int32& outer);

// Cuts the outline starting at 'outer' and the holes (as LoadContours leaves them, not
// bridged) into counter-clockwise triangles (ws.triangles) with their neighbourhood
// (ws.twin) and marks the reflex corners (ws.reflex), in one sweep over the corners.
// False when it meets what it does not take on: contours touching or crossing, corners
// at one place or on another side, collinear corners where it would have to look past
// them, spikes. The ring is left as it was, for BridgeHoles and ClipEars.
bool SweepTriangulate(Workspace& ws, Int32 outer);

// Joins every hole to the outer ring by a bridge to a corner it sees; false when some hole
// finds no such corner (a hole outside the outline, crossing contours).
bool BridgeHoles(Workspace& ws, Int32 outer);

// Cuts the ring starting at 'start' into counter-clockwise triangles (ws.triangles) with
// their neighbourhood (ws.twin); false when no ear can be found in what is left.
bool ClipEars(Workspace& ws, Int32 start);

// Links the half-edges 3t, 3t + 1, 3t + 2 of each triangle into a cycle (next and prev).
inline void LinkTriangleCycles(Int32* next, Int32* prev, Int32 halfEdges) {
	for (Int32 h = 0; h < halfEdges; h += 3) {
		next[h] = h + 1;
		next[h + 1] = h + 2;
		next[h + 2] = h;
		prev[h] = h + 2;
		prev[h + 1] = h;
		prev[h + 2] = h + 1;
	}
}

// Merges the triangles into convex parts; leaves the parts as cycles of ws.heNext.
void MergeTriangles(Workspace& ws, bool convexParts);

// Writes the parts in the result format, each from its best fan corner.
void WriteParts(Workspace& ws, Kit::PagedArray<Int32>& result);

// The corner to list a part from: an index into 'corners' (m half-edges round the part),
// 'straight' telling per half-edge whether its corner goes straight on.
USize FanStart(const UInt8* straight, const Int32* corners, USize m);

} // namespace Modeler::Decomposition
