#include "Model3D/elements/records/TRAN.h"

#include <cmath>

bool operator==(const TRAN& a, const TRAN& b) {
	if (a.status != b.status) return false;
	for (int i = 0; i < 12; ++i) {
		if (!(std::fabs(a.matrix[i] - b.matrix[i]) <= TRANEqualityEps)) return false;
	}
	return true;
}

void DLModelPoint(const TRANMAT* tm, double* x, double* y, double* z) {
	if (tm != nullptr) Geometry::TMPoint(tm, x, y, z);
}

void DLModelVector(const TRANMAT* tm, double* x, double* y, double* z) {
	if (tm != nullptr && (tm->status & Geometry::TR_NO_NORMAL_TRANSF) == 0) Geometry::TMVector(tm, x, y, z);
}
