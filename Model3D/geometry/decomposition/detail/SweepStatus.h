// The regions crossing the sweep line, from left to right: a list for their neighbours and
// a treap of the same order for finding where a corner lies among them.
#pragma once

#include "Model3D/geometry/decomposition/detail/Workspace.h"

namespace Modeler::Decomposition {

class SweepStatus {
public:
	explicit SweepStatus(std::vector<SweepRegion>& regions) : regions(regions) {}

	bool Empty() const { return root == None; }
	Int32 First() const { return first; }

	// The last region whose left side passes left of the corner, None when there is none.
	// 'side' tells for a region whether the corner lies right of its left side (< 0), left
	// of it (> 0) or on its line (0, which gives up: 'onLine' is set).
	template <typename Side> Int32 LastLeftOf(Side&& side, bool& onLine) const {
		Int32 found = None;
		onLine = false;
		for (Int32 r = root, steps = 0; r != None && steps <= count; ++steps) {
			const int s = side(r);
			if (s == 0) {
				onLine = true;
				return None;
			}
			if (s < 0) found = r;
			r = At(r).child[s < 0 ? 1 : 0];
		}
		return found;
	}

	// Puts the region q right after r (first when r is None).
	void InsertAfter(Int32 r, Int32 q);
	void Remove(Int32 r);

private:
	SweepRegion& At(Int32 r) { return regions[static_cast<USize>(r)]; }
	const SweepRegion& At(Int32 r) const { return regions[static_cast<USize>(r)]; }
	// Turns the tree at x's parent so that x takes its place.
	void RaiseOverParent(Int32 x);

	std::vector<SweepRegion>& regions;
	Int32 root = None;
	Int32 first = None;
	Int32 count = 0;
	UInt32 seed = 0x9E3779B9u;
};

} // namespace Modeler::Decomposition
