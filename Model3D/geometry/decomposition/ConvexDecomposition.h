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
// A negative status means failure; 'result' is then empty. Never throws.
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
