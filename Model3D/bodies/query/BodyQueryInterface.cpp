#include "Model3D/bodies/query/BodyQueryInterface.h"

#include "platform/KitException.h"

namespace Cut {

IConstBody::~IConstBody() = default;

void IConstBody::GetVertexCoords(UInt32 i, const TRANMAT* tm, double* x, double* y, double* z) const {
	if (x == nullptr || y == nullptr || z == nullptr)
		throw Kit::IllegalArgumentException("IConstBody::GetVertexCoords: null output", __FILE__, __LINE__);
	const VERT& v = GetConstVertex(i);
	double px = v.x, py = v.y, pz = v.z;
	if (tm != nullptr) Geometry::TMPoint(tm, &px, &py, &pz);
	*x = px;
	*y = py;
	*z = pz;
}

} // namespace Cut
