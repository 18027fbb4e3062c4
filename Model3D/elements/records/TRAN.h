// Comparison of element transformations and the module's point and vector helpers over
// the geometry library's matrix. TRAN is the geometry library's TRANMAT (platform/Geometry.h).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/Geometry.h"

// Largest difference of two matrix entries that still counts as equal.
constexpr double TRANEqualityEps = 1e-5;

// Equal status words and every matrix entry within TRANEqualityEps; the reserved words
// are not compared.
M3D_EXPORT bool operator==(const TRAN& a, const TRAN& b);
inline bool operator!=(const TRAN& a, const TRAN& b) {
	return !(a == b);
}

// Passes the point through the transformation when tm is non-null.
M3D_EXPORT void DLModelPoint(const TRANMAT* tm, double* x, double* y, double* z);
// Passes the vector through the transformation when tm is non-null and the matrix does
// change vectors (status bit TR_NO_NORMAL_TRANSF clear).
M3D_EXPORT void DLModelVector(const TRANMAT* tm, double* x, double* y, double* z);

namespace Modeler {

inline bool IsIdentityTrafo(const TRAN& t) {
	return (t.status & Geometry::TR_IDENT) != 0;
}

} // namespace Modeler
