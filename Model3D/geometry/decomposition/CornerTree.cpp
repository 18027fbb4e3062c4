#include "Model3D/geometry/decomposition/detail/CornerTree.h"

#include <algorithm>
#include <limits>

namespace Modeler::Decomposition {

CornerTree::CornerTree(Workspace& ws, Int32 start, Int32 count) : ws(ws) {
	ws.treeItems.clear();
	Int32 v = start;
	for (Int32 k = 0; k < count; ++k, v = ws.ring[static_cast<USize>(v)].next) {
		Vertex& corner = ws.ring[static_cast<USize>(v)];
		corner.filed = None;
		if (!corner.convex) ws.treeItems.push_back({corner.x, corner.y, v});
	}
	const auto filed = static_cast<Int32>(ws.treeItems.size());
	if (filed == 0) return;
	// Nodes are numbered as in a heap (the children of k are 2k + 1 and 2k + 2); ranges
	// halve from level to level until they fit in a leaf.
	Int32 levels = 1;
	for (Int32 largest = filed; largest > LeafSize; largest = largest - largest / 2)
		++levels;
	const USize nodes = (USize{1} << static_cast<unsigned>(levels)) - 1;
	ws.treeBoxes.resize(nodes);
	ws.treeRegions.resize(nodes);
	ws.treeLive.resize(nodes);
	constexpr double infinity = std::numeric_limits<double>::infinity();
	ws.treeRegions[0] = {-infinity, -infinity, infinity, infinity};
	Build(0, 0, filed);
}

void CornerTree::Build(Int32 node, Int32 begin, Int32 end) {
	const auto first = ws.treeItems.begin() + begin, last = ws.treeItems.begin() + end;
	TreeBox box{first->x, first->y, first->x, first->y};
	for (auto it = first; it != last; ++it) {
		box.minX = std::min(box.minX, it->x);
		box.maxX = std::max(box.maxX, it->x);
		box.minY = std::min(box.minY, it->y);
		box.maxY = std::max(box.maxY, it->y);
	}
	ws.treeBoxes[static_cast<USize>(node)] = box;
	ws.treeLive[static_cast<USize>(node)] = end - begin;
	if (end - begin <= LeafSize) {
		for (auto it = first; it != last; ++it)
			ws.ring[static_cast<USize>(it->corner)].filed = node;
		return;
	}
	const Int32 middle = begin + (end - begin) / 2;
	const bool alongX = box.maxX - box.minX >= box.maxY - box.minY;
	if (alongX)
		std::nth_element(first, first + (middle - begin), last,
		                 [](const TreeItem& a, const TreeItem& b) { return a.x < b.x; });
	else
		std::nth_element(first, first + (middle - begin), last,
		                 [](const TreeItem& a, const TreeItem& b) { return a.y < b.y; });
	// Corners left of the dividing line went to the first child, those right of it to the
	// second; those on it to either.
	const TreeItem& divider = ws.treeItems[static_cast<USize>(middle)];
	TreeBox low = ws.treeRegions[static_cast<USize>(node)], high = low;
	if (alongX)
		low.maxX = high.minX = divider.x;
	else
		low.maxY = high.minY = divider.y;
	const USize child = 2 * static_cast<USize>(node) + 1;
	ws.treeRegions[child] = low;
	ws.treeRegions[child + 1] = high;
	Build(2 * node + 1, begin, middle);
	Build(2 * node + 2, middle, end);
}

} // namespace Modeler::Decomposition
