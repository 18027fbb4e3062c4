// CXdpMain: the convex decomposition of a planar polygon with holes, given as a node list
// of projected corners (PNOD), into convex parts whose corners are the polygon's own
// corners.
//
// Input: nodes 0 … nodeCount − 1 of 'nodes' (which holds allocatedNodes entries, at
// least nodeCount). Each contour is a cycle of nodes linked by next (and prev the other
// way); the nodes of the outer contour have outer = 1, those of holes outer = 0. 'extent'
// is the larger side of the (u, v) box of the nodes.
//
// Output, on success (status 0): 'result' (emptied first) holds −k for k parts, then per
// part its corner count m followed by the m body vertex indices (PNOD::vertex) of its
// corners in order around it, every part running the way the outer contour runs. The
// parts tile the polygon minus its holes. Without 'convexParts' every part is a triangle.
// A polygon without area gives k = 0. '*flag' (when not null) tells whether the input
// needed mending (holes turned, repeated corners or contours without area left out).
//
// The parts conform: a node that lies on a side of a part is a corner of it, so parts
// meet side to side without cracks. Corners that go straight on are kept (a part may have
// corners of 180°); each part is listed from a corner that turns, the one with the fewest
// straight corners on its two sides, so that a fan from it has the fewest triangles
// without area. Holes may touch the outline or each other at corners; holes running the
// same way as the outline are turned. Geometry is decided by exact orientation tests, so
// 'extent' is not needed as a tolerance and is not used.
//
// A negative status means failure; 'result' is then empty. Never throws. Safe to call
// from several threads at once (scratch memory is kept per thread).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/GeometryNodes.h"
#include "platform/KitPagedArray.h"
#include "platform/KitTypes.h"

enum : Int32 {
	CXdpOk = 0,
	CXdpBadInput = -1,    // links out of range, a contour that does not close, no outer contour
	CXdpOutOfMemory = -2, // scratch memory could not be had
	CXdpFailed = -3,      // the polygon could not be decomposed (for example crossing contours)
};

M3D_EXPORT Int32 CXdpMain(Kit::PagedArray<Int32>& result, PNODArray& nodes, bool convexParts, Int32 nodeCount,
                          double extent, bool* flag, Int32 allocatedNodes);
