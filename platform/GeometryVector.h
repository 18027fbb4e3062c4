// The geometry library's vector and box types: a 3D vector template, 2D coordinates in
// double and float precision, the six-double 3D box, their byte-order conversions and
// the unit-normal routine.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <cmath>

namespace Geometry {

template <typename T> struct Vector3dTpl {
	T x = 0;
	T y = 0;
	T z = 0;

	constexpr Vector3dTpl() = default;
	constexpr Vector3dTpl(T x, T y, T z) : x(x), y(y), z(z) {}

	constexpr Vector3dTpl operator+(const Vector3dTpl& o) const { return {x + o.x, y + o.y, z + o.z}; }
	constexpr Vector3dTpl operator-(const Vector3dTpl& o) const { return {x - o.x, y - o.y, z - o.z}; }
	constexpr Vector3dTpl operator-() const { return {-x, -y, -z}; }
	constexpr Vector3dTpl operator*(T s) const { return {x * s, y * s, z * s}; }
	constexpr Vector3dTpl operator/(T s) const { return {x / s, y / s, z / s}; }
	constexpr Vector3dTpl& operator+=(const Vector3dTpl& o) {
		x += o.x;
		y += o.y;
		z += o.z;
		return *this;
	}
	constexpr Vector3dTpl& operator-=(const Vector3dTpl& o) {
		x -= o.x;
		y -= o.y;
		z -= o.z;
		return *this;
	}
	constexpr Vector3dTpl& operator*=(T s) {
		x *= s;
		y *= s;
		z *= s;
		return *this;
	}
	constexpr bool operator==(const Vector3dTpl& o) const = default;

	// Dot product.
	constexpr T operator*(const Vector3dTpl& o) const { return x * o.x + y * o.y + z * o.z; }
	// Cross product.
	constexpr Vector3dTpl operator^(const Vector3dTpl& o) const {
		return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
	}

	T GetLength() const { return std::sqrt(x * x + y * y + z * z); }
	constexpr T GetLengthSqr() const { return x * x + y * y + z * z; }

	// Scales the vector to unit length; a vector shorter than 'eps' is left alone and
	// false is returned.
	bool NormalizeVector(T eps = T(1e-20)) {
		const T len = GetLength();
		if (!(len > eps)) return false;
		x /= len;
		y /= len;
		z /= len;
		return true;
	}

	// True when every coordinate differs by at most 'eps'.
	bool IsNear(const Vector3dTpl& o, T eps) const {
		return std::fabs(x - o.x) <= eps && std::fabs(y - o.y) <= eps && std::fabs(z - o.z) <= eps;
	}
};

using Vector3d = Vector3dTpl<double>;

// 2D point, double precision (16 bytes).
struct Coord {
	double x = 0.0;
	double y = 0.0;
};

// 2D point, single precision (8 bytes).
struct F_Coord {
	float x = 0.0f;
	float y = 0.0f;
};

static_assert(sizeof(Coord) == 16);
static_assert(sizeof(F_Coord) == 8);

// Axis-parallel box of six doubles in the order xMin, yMin, xMax, yMax, zMin, zMax.
// The empty box has min > max on every axis.
struct Box3D {
	double xMin = 1.0;
	double yMin = 1.0;
	double xMax = -1.0;
	double yMax = -1.0;
	double zMin = 1.0;
	double zMax = -1.0;

	static constexpr Box3D Empty() { return Box3D{}; }
	static constexpr Box3D Unit() { return Box3D{0.0, 0.0, 1.0, 1.0, 0.0, 1.0}; }

	// A box is empty when min > max on any axis.
	constexpr bool IsEmpty() const { return xMin > xMax || yMin > yMax || zMin > zMax; }
	// Widens the box to contain the point; an empty box becomes the point.
	void Extend(double x, double y, double z);
	// Widens the box to contain another box; empty boxes add nothing.
	void Extend(const Box3D& other);
	constexpr bool operator==(const Box3D&) const = default;
};

static_assert(sizeof(Box3D) == 48);

// Unit cross product u × v. Returns false, and leaves *result untouched, when the
// result is degenerate: one of the vectors is zero, or they are parallel (the sine of
// their angle is below 1e-10, measured relative to their lengths so that the test does
// not depend on the model's scale).
bool CalcUnitNormal(const Vector3d& u, const Vector3d& v, Vector3d* result);

// Byte-order conversion of 2D coordinates (two doubles / two floats) in place.
void IVCoord(Kit::PlatformSign from, Kit::PlatformSign to, Coord* c);
void IVF_Coord(Kit::PlatformSign from, Kit::PlatformSign to, F_Coord* c);

} // namespace Geometry

// The vector and box types are used under their plain names throughout the module.
using Geometry::Box3D;
using Geometry::Vector3dTpl;

#pragma GCC visibility pop
