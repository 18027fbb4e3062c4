#include "Model3D/geometry/decomposition/detail/SweepStatus.h"

namespace Modeler::Decomposition {

void SweepStatus::InsertAfter(Int32 r, Int32 q) {
	SweepRegion& region = At(q);
	seed ^= seed << 13;
	seed ^= seed >> 17;
	seed ^= seed << 5;
	region.priority = seed;
	region.child[0] = region.child[1] = None;
	region.live = true;
	++count;
	// The list.
	region.before = r;
	region.after = r == None ? first : At(r).after;
	if (region.after != None) At(region.after).before = q;
	if (r == None)
		first = q;
	else
		At(r).after = q;
	// The tree: q goes where an in-order walk meets it, as a leaf, then up by priority.
	if (root == None) {
		region.parent = None;
		root = q;
		return;
	}
	if (r != None && At(r).child[1] == None) {
		region.parent = r;
		At(r).child[1] = q;
	} else {
		// Before the first region, or r has a right subtree: q goes left of the region
		// after it, the leftmost of that subtree.
		region.parent = region.after;
		At(region.after).child[0] = q;
	}
	while (region.parent != None && At(region.parent).priority < region.priority)
		RaiseOverParent(q);
}

void SweepStatus::Remove(Int32 r) {
	SweepRegion& region = At(r);
	// Down to a leaf, the child of higher priority taking its place each time.
	while (region.child[0] != None || region.child[1] != None) {
		const Int32 left = region.child[0], right = region.child[1];
		RaiseOverParent(right == None || (left != None && At(left).priority > At(right).priority) ? left : right);
	}
	if (region.parent == None)
		root = None;
	else
		At(region.parent).child[At(region.parent).child[0] == r ? 0 : 1] = None;
	if (region.before != None)
		At(region.before).after = region.after;
	else
		first = region.after;
	if (region.after != None) At(region.after).before = region.before;
	region.live = false;
	--count;
}

void SweepStatus::RaiseOverParent(Int32 x) {
	SweepRegion& node = At(x);
	const Int32 p = node.parent;
	SweepRegion& parent = At(p);
	const int side = parent.child[0] == x ? 0 : 1;
	// x's inner subtree moves over to p.
	const Int32 inner = node.child[1 - side];
	parent.child[side] = inner;
	if (inner != None) At(inner).parent = p;
	node.child[1 - side] = p;
	node.parent = parent.parent;
	parent.parent = x;
	if (node.parent == None)
		root = x;
	else
		At(node.parent).child[At(node.parent).child[0] == p ? 0 : 1] = x;
}

} // namespace Modeler::Decomposition
