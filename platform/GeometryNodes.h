// The node list of the Geometry library's convex decomposition: one PNOD per polygon
// corner, linked into contours, held in a VATLikeArray.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitPagedArray.h"
#include "platform/KitTypes.h"

#include <cstddef>

// A corner of a contour: its body vertex and its projected (u, v) position, linked to
// its neighbours on the same contour by node index.
struct PNOD {
	Int32 kind = 0;   // 0 for a plain corner
	Int32 prev = 0;   // the previous node of the contour (the first node's prev is the last)
	Int32 next = 0;   // the next node of the contour (the last node's next is the first)
	Int32 vertex = 0; // body vertex index
	Int32 outer = 0;  // 1 on the outer contour, 0 on holes
	Int32 filler = 0;
	double u = 0.0;
	double v = 0.0;
};

static_assert(sizeof(PNOD) == 40);
static_assert(offsetof(PNOD, vertex) == 12 && offsetof(PNOD, outer) == 16 && offsetof(PNOD, u) == 24 &&
              offsetof(PNOD, v) == 32);

// An indexable array of T kept in the container C (items never move when it grows).
template <typename T, template <typename> class C> class VATLikeArray {
public:
	USize GetSize() const { return items.GetSize(); }
	void SetSize(USize n) { items.SetSize(n); }
	void Push(const T& item) { items.Push(item); }
	void Clear() { items.Clear(); }
	T& operator[](USize i) { return items[i]; }
	const T& operator[](USize i) const { return items[i]; }

private:
	C<T> items;
};

using PNODArray = VATLikeArray<PNOD, Kit::PagedArray>;

#pragma GCC visibility pop
