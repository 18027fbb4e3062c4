// The scratch state of one decomposition: the contours as one doubly linked ring of
// vertices (holes bridged into it), the triangles cut from it and the half-edges of the
// parts they are merged into. One workspace per thread is reused from call to call, so
// a small polygon costs no allocation once the buffers have grown.
#pragma once

#include "platform/KitTypes.h"

#include <vector>

namespace Modeler::Decomposition {

inline constexpr Int32 None = -1;

// A corner of the ring. Copies made where a hole is bridged share the body vertex.
struct Vertex {
	double x = 0.0;
	double y = 0.0;
	Int32 prev = None;
	Int32 next = None;
	// The leaf of the ear search tree that keeps this corner (None when it is not filed),
	// or where the ear search grid keeps it (its index in cellItems).
	Int32 filed = None;
	bool alive = false;  // still in the ring being cut
	bool convex = false; // strictly convex when cutting began: such a corner never blocks an ear
	bool queued = false; // waiting in the queue of corners to look at again
	Int32 vertex = None; // the body vertex of the input node this corner stands for
	// What lies across the side to 'next': the half-edge of a triangle already cut off
	// (≥ 0), nothing (None), or, for a bridge side, EncodePartner(w) where w's side is
	// this one reversed.
	Int32 across = None;
	// The next corner at the same place in the cycle of those that bridging made or joined
	// there; None for a corner alone at its place.
	Int32 copy = None;
};

inline constexpr Int32 EncodePartner(Int32 w) {
	return -2 - w;
}
inline constexpr Int32 DecodePartner(Int32 a) {
	return -2 - a;
}

// One contour of the input: its first ring index and count, with its leftmost corner.
struct Contour {
	Int32 first = None;
	Int32 count = 0;
	Int32 leftmost = None;
	double area = 0.0; // twice the signed area
};

struct TreeBox {
	double minX = 0.0;
	double minY = 0.0;
	double maxX = 0.0;
	double maxY = 0.0;
};

// A corner filed in a search structure (the ear search tree or grid, the hole bridging
// grid) with its place, so that a leaf or cell is scanned without visiting the ring.
struct TreeItem {
	double x = 0.0;
	double y = 0.0;
	Int32 corner = None;
	Int32 block = 0; // the ear search grid: the block of cells holding it
};

// A side running downwards, filed in the cells of the hole bridging grid it crosses, by
// its two ends.
struct GridSide {
	Int32 from = None;
	Int32 to = None;
};

// The downward sides and the corners of some contours filed by the cells of a grid: each
// cell's entries from its start to the next cell's.
struct ContourCells {
	std::vector<GridSide> sides;
	std::vector<Int32> sideStart;
	std::vector<TreeItem> corners;
	std::vector<Int32> cornerStart;
};

// A corner of the sweep in the order it is met: by y, then by x.
struct SweepKey {
	double y = 0.0;
	double x = 0.0;
	Int32 corner = None;
};

// An entry of a sweep funnel's stack: a corner, what lies across the side to it from the
// entry below, that entry and the nearest one below that is not straight. A straight entry
// lies on the segment between the entries next to it that are not.
struct SweepEntry {
	Int32 corner = None;
	Int32 across = None;
	Int32 below = None;
	Int32 turnBelow = None;
	bool straight = false;
};

// The part of the polygon between two sides crossing the sweep line: its left side runs
// down (the ring side leaving 'left'), its right side runs up (leaving 'right'). What is
// left of it below the sweep line waits in one funnel, or in two that meet at the corner
// where two such parts joined. The regions crossing the sweep line are kept in a list
// from left to right and in a search tree (a treap) of the same order.
struct SweepRegion {
	Int32 left = None;
	Int32 right = None;
	// The ends of the left side, kept here for the search that passes many regions.
	double lowX = 0.0, lowY = 0.0, highX = 0.0, highY = 0.0;
	Int32 top = None; // the funnels' top stack entries; second is None with one funnel
	Int32 second = None;
	bool topOnRight = false; // the side of the first funnel's top corner
	bool live = false;       // crossing the sweep line
	Int32 before = None;     // the neighbours on the sweep line
	Int32 after = None;
	Int32 parent = None; // the tree
	Int32 child[2] = {None, None};
	UInt32 priority = 0;
};

struct Workspace {
	std::vector<Vertex> ring;
	std::vector<Contour> holes;
	std::vector<Int32> seen;      // per input node: the contour pass that reached it
	std::vector<Int32> triangles; // three ring indices per triangle, counter-clockwise
	std::vector<Int32> twin;      // per half-edge 3t + k (corner k to k + 1): the opposite half-edge or None
	std::vector<Int32> heNext;
	std::vector<Int32> hePrev;
	std::vector<Int32> partOf; // union-find of the triangles merged so far
	std::vector<Int32> order;  // diagonals in the order they are tried for removal
	Int32 mergedDiagonals = 0; // removed by merging: each joins two parts and takes two half-edges
	std::vector<Int32> partCorners;
	std::vector<UInt8> straight;    // per corner of the part being written: collinear with its neighbours
	std::vector<UInt8> reflex;      // per ring corner: reflex in the ring before clipping
	std::vector<Int32> bucketCells; // hole bridging: the edges and points of each strip
	std::vector<Int32> bucketStart;
	// Hole bridging: the downward sides and the corners of the outline, and those of the
	// holes, by grid cell.
	ContourCells outlineCells;
	ContourCells holeCells;
	std::vector<Int32> queue; // corners to look at again when cutting a long ring
	// The ear search grid: where each cell's corners start in cellItems (one more at the end).
	std::vector<Int32> cellHeads;
	std::vector<TreeItem> cellItems;
	std::vector<Int32> blockLive; // per block of cells: the corners there that may still block
	// The ear search tree: the filed corners in the order of its leaves, and per node the
	// box of its corners, the region of the plane they were divided from and how many of
	// them can still block an ear.
	std::vector<TreeItem> treeItems;
	std::vector<TreeBox> treeBoxes;
	std::vector<TreeBox> treeRegions;
	std::vector<Int32> treeLive;
	// The sweep triangulation of polygons with holes.
	std::vector<SweepKey> sweepKeys;
	std::vector<SweepKey> sweepSorted;
	std::vector<Int32> sweepBuckets;
	std::vector<Int32> sweepRank;       // per ring corner: its place in the sweep order
	std::vector<Int32> sweepSideRegion; // per ring side (by its first corner): the region it bounds
	std::vector<SweepRegion> sweepRegions;
	std::vector<SweepEntry> sweepEntries;
	std::vector<Int32> sweepDiagonals; // per diagonal: the half-edge cut along it first, or None
	bool mended = false;
	bool mirrored = false; // the outer contour ran clockwise; v was negated to make it run counter-clockwise
};

Workspace& ThreadWorkspace();

} // namespace Modeler::Decomposition
