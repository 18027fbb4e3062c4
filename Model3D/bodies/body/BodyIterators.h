// Read iterators over a body's vertices, edges, polygons and one polygon's poly-edges.
// Each is a (body, index) pair; included by Body.h.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/body/Body.h"

namespace Modeler {

// Common part: a position in one of the body's arrays.
template <typename Derived> class ConstBodyIteratorBase {
public:
	ConstBodyIteratorBase() = default;
	ConstBodyIteratorBase(const Body* body, Int32 index) : body(body), index(index) {}

	const Body* GetBody() const { return body; }
	Int32 GetIndex() const { return index; }

	Derived& operator++() {
		++index;
		return static_cast<Derived&>(*this);
	}
	Derived operator++(int) {
		Derived old = static_cast<Derived&>(*this);
		++index;
		return old;
	}
	Derived& operator--() {
		--index;
		return static_cast<Derived&>(*this);
	}
	bool operator==(const ConstBodyIteratorBase& o) const { return body == o.body && index == o.index; }

protected:
	const Body* body = nullptr;
	Int32 index = 0;
};

class M3D_EXPORT ConstBodyVertexIterator : public ConstBodyIteratorBase<ConstBodyVertexIterator> {
public:
	using ConstBodyIteratorBase::ConstBodyIteratorBase;
	const VERT& operator*() const { return body->GetConstVertex(index); }
	const VERT* operator->() const { return &body->GetConstVertex(index); }
};

class M3D_EXPORT ConstBodyEdgeIterator : public ConstBodyIteratorBase<ConstBodyEdgeIterator> {
public:
	using ConstBodyIteratorBase::ConstBodyIteratorBase;
	const EDGE& operator*() const { return body->GetConstEdge(index); }
	const EDGE* operator->() const { return &body->GetConstEdge(index); }
};

class M3D_EXPORT ConstBodyPolygonIterator : public ConstBodyIteratorBase<ConstBodyPolygonIterator> {
public:
	using ConstBodyIteratorBase::ConstBodyIteratorBase;
	const PGON& operator*() const { return body->GetConstPolygon(index); }
	const PGON* operator->() const { return &body->GetConstPolygon(index); }
};

// Dereferences to the signed poly-edge reference at the position.
class M3D_EXPORT ConstBodyPolyEdgeIterator : public ConstBodyIteratorBase<ConstBodyPolyEdgeIterator> {
public:
	using ConstBodyIteratorBase::ConstBodyIteratorBase;
	Int32 operator*() const { return body->GetConstPolyEdge(index); }
};

inline ConstBodyVertexIterator Body::BeginVertices() const {
	return {this, 0};
}
inline ConstBodyVertexIterator Body::EndVertices() const {
	return {this, static_cast<Int32>(GetVertexCount())};
}
inline ConstBodyEdgeIterator Body::BeginEdges() const {
	return {this, 0};
}
inline ConstBodyEdgeIterator Body::EndEdges() const {
	return {this, static_cast<Int32>(GetEdgeCount())};
}
inline ConstBodyPolygonIterator Body::BeginPolygons() const {
	return {this, 0};
}
inline ConstBodyPolygonIterator Body::EndPolygons() const {
	return {this, static_cast<Int32>(GetPolygonCount())};
}
inline ConstBodyPolyEdgeIterator Body::BeginPolyEdges(const PGON& pgon) const {
	return {this, pgon.fpedg};
}
inline ConstBodyPolyEdgeIterator Body::EndPolyEdges(const PGON& pgon) const {
	return {this, pgon.lpedg + 1};
}

} // namespace Modeler
