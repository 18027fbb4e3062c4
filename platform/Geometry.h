// The geometry library's transformation matrix TRANMAT and its functions. The module
// stores an element's placement as a TRAN, which is the same 104-byte record.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/GeometryVector.h"
#include "platform/KitTypes.h"

#include <cstddef>

// An affine transformation: a status word describing the matrix (TMFillStatus), three
// reserved words and a 3×4 matrix of doubles stored row by row:
//   x' = matrix[0]·x + matrix[1]·y + matrix[2]·z  + matrix[3]
//   y' = matrix[4]·x + matrix[5]·y + matrix[6]·z  + matrix[7]
//   z' = matrix[8]·x + matrix[9]·y + matrix[10]·z + matrix[11]
struct TRANMAT {
	UInt16 status;
	Int16 reserved[3];
	double matrix[12];
};

static_assert(sizeof(TRANMAT) == 104);
static_assert(offsetof(TRANMAT, status) == 0);
static_assert(offsetof(TRANMAT, reserved) == 2);
static_assert(offsetof(TRANMAT, matrix) == 8);

// The module's name for the record.
using TRAN = TRANMAT;

namespace Geometry {

// Status bits computed by TMFillStatus (and set by TMIdentity).
enum : UInt16 {
	TR_IDENT = 0x0001,            // the whole transformation is the identity
	TR_ORTHOGONAL = 0x0002,       // the 3×3 part keeps lengths and angles (rotation, maybe mirrored)
	TR_NO_TRANSLATION = 0x0004,   // the translation column is zero
	TR_NO_NORMAL_TRANSF = 0x0008, // the 3×3 part is the identity: vectors and normals stay as they are
	TR_SINGULAR = 0x0020,         // the 3×3 part has a zero determinant (it flattens space)
	TR_MIRROR = 0x0040,           // the 3×3 part has a negative determinant (it mirrors)
};

// Tolerance used by TMFillStatus when it compares matrix entries with 0 and 1.
constexpr double TMStatusEps = 1e-10;

// Sets the identity transformation with its status; the reserved words become 0.
void TMIdentity(TRANMAT* tm);

// Recomputes tm->status from the matrix (the bits above); other bits are cleared.
void TMFillStatus(TRANMAT* tm);

// Determinant of the 3×3 part.
double TMDeterminant(const TRANMAT& tm);

// Transforms a point (3×3 part and translation) in place.
void TMPoint(const TRANMAT* tm, double* x, double* y, double* z);
// Transforms a vector (3×3 part only) in place.
void TMVector(const TRANMAT* tm, double* x, double* y, double* z);
// Transforms a direction: the 3×3 part is applied and the result is scaled back to the
// length the direction had, so a unit direction stays a unit direction under a scaling
// transformation. A zero direction, or one that the matrix collapses, is left as the
// 3×3 part makes it.
void TMDirVector(const TRANMAT* tm, double* x, double* y, double* z);

void TMPoint(const TRANMAT& tm, Vector3d& p);
void TMVector(const TRANMAT& tm, Vector3d& v);

// Coefficients of a projection of the plane with normal (nx, ny, nz) onto a (u, v)
// plane without distortion:
//   u = (x·c1 + y·c2)·c3 − z·c4,   v = y·c1 − x·c2.
// The u and v axes are orthonormal, perpendicular to the normal, and (u, v, normal) is
// right-handed, so a contour that runs counter-clockwise seen from the tip of the normal
// runs counter-clockwise in (u, v). The normal need not be of unit length; a zero
// normal gives the plain (x, y) projection.
void TMDirCoeffs(double nx, double ny, double nz, double* c1, double* c2, double* c3, double* c4);

} // namespace Geometry

#pragma GCC visibility pop
