// Fixed-layout records of a polyhedral body: vertices, texture vertices, edges, normals,
// the float bounding box, the legacy flat BODY header record, and the status bits of
// bodies, polygons and edges. Polygons (Modeler::PGON) are in PGON.h.
//
// Poly-edge references are signed 1-based edge numbers: e > 0 is edge e − 1 walked from
// vert1 to vert2, e < 0 is edge ~e walked from vert2 to vert1, 0 separates the contours
// of a polygon.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

struct M3D_EXPORT VERT {
	double x;
	double y;
	double z;
};

struct M3D_EXPORT TEVE {
	float u;
	float v;
};

struct M3D_EXPORT VECT {
	double x;
	double y;
	double z;
};

struct M3D_EXPORT EDGE {
	UInt32 status;
	Int16 dummy;
	Int16 color;
	Int32 vert1;
	Int32 vert2;
	Int32 pgon1;
	Int32 pgon2;
};

// Six floats in the order xMin, yMin, xMax, yMax, zMin, zMax. Empty: min > max.
struct M3D_EXPORT F_Box3D {
	float xMin;
	float yMin;
	float xMax;
	float yMax;
	float zMin;
	float zMax;

	static constexpr F_Box3D Empty() { return F_Box3D{1.0f, 1.0f, -1.0f, -1.0f, 1.0f, -1.0f}; }
	constexpr bool IsEmpty() const { return xMin > xMax || yMin > yMax || zMin > zMax; }
	constexpr bool operator==(const F_Box3D&) const = default;
};

// The legacy flat body header. The first/last pairs are 1-based inclusive ranges into
// the record arrays of a model file; (0, −1) is the empty range.
struct M3D_EXPORT BODY {
	UInt32 status; // body status; bit 3 (cut) is carried by btypeOrCut instead
	Int32 itran;   // transformation record index in a model file, 0 = none
	Int16 ifill;
	Int16 sbkgc;
	UInt32 fatherBind;
	UInt16 btypeOrCut; // BodyCutShapeType when the body is cut, else the shape type
	Int16 btype;
	Int16 edgePenIdx;
	Int16 iumat;
	float box[6]; // xMin, yMin, zMin, xMax, yMax, zMax (not the F_Box3D order)
	Int32 fpgon, lpgon;
	Int32 fpedg, lpedg;
	Int32 fedge, ledge;
	Int32 fvert, lvert;
	Int32 fvect, lvect;
	Int32 fspare, lspare; // always the empty range
	Int32 reserved1[3];
	Int32 fteve; // first texture vertex, 0 = none
	Int16 reserved2;
	Int16 wrap;
	Int32 coor[4];
	Int16 sconc;
	UInt16 sfilc;
	Int16 sltype;
	Int16 filler;
};

static_assert(std::is_trivially_copyable_v<VERT> && sizeof(VERT) == 24);
static_assert(std::is_trivially_copyable_v<TEVE> && sizeof(TEVE) == 8);
static_assert(std::is_trivially_copyable_v<VECT> && sizeof(VECT) == 24);
static_assert(std::is_trivially_copyable_v<EDGE> && sizeof(EDGE) == 24);
static_assert(offsetof(EDGE, dummy) == 4 && offsetof(EDGE, color) == 6 && offsetof(EDGE, vert1) == 8);
static_assert(offsetof(EDGE, vert2) == 12 && offsetof(EDGE, pgon1) == 16 && offsetof(EDGE, pgon2) == 20);
static_assert(sizeof(F_Box3D) == 24 && offsetof(F_Box3D, xMax) == 8 && offsetof(F_Box3D, zMin) == 16);

static_assert(std::is_trivially_copyable_v<BODY> && sizeof(BODY) == 140);
static_assert(offsetof(BODY, itran) == 4 && offsetof(BODY, ifill) == 8 && offsetof(BODY, sbkgc) == 10);
static_assert(offsetof(BODY, fatherBind) == 12 && offsetof(BODY, btypeOrCut) == 16 && offsetof(BODY, btype) == 18);
static_assert(offsetof(BODY, edgePenIdx) == 20 && offsetof(BODY, iumat) == 22 && offsetof(BODY, box) == 24);
static_assert(offsetof(BODY, fpgon) == 48 && offsetof(BODY, fpedg) == 56 && offsetof(BODY, fedge) == 64);
static_assert(offsetof(BODY, fvert) == 72 && offsetof(BODY, fvect) == 80 && offsetof(BODY, fspare) == 88);
static_assert(offsetof(BODY, lspare) == 92 && offsetof(BODY, reserved1) == 96 && offsetof(BODY, fteve) == 108);
static_assert(offsetof(BODY, reserved2) == 112 && offsetof(BODY, wrap) == 114 && offsetof(BODY, coor) == 116);
static_assert(offsetof(BODY, sconc) == 132 && offsetof(BODY, sfilc) == 134 && offsetof(BODY, sltype) == 136);
static_assert(offsetof(BODY, filler) == 138);

namespace Modeler {

// Body status bits.
enum : UInt32 {
	BodyClosed = 0x1,
	BodyCurved = 0x2,
	BodySurface = 0x4,
	BodyCut = 0x8,
	BodyAlwaysCastsShadow = 0x20,
	BodyNeverCastsShadow = 0x40,
	BodyDoesNotReceiveShadow = 0x80,
	BodyMulColor = 0x200,
	BodyMulUmat = 0x400,
	BodyOwnGeometry = 0x1000,    // legacy file mark: the body has its own geometry
	BodySharedGeometry = 0x2000, // legacy file mark: reuses an earlier body's geometry
	BodyInvisible = 0x4000,
	BodyDeleted = 0x8000,
	BodyHasSharpEdge = 0x40000,
};

// Polygon status bits.
enum : UInt32 {
	PgonInvisible = 0x1,
	PgonCurved = 0x2,
	PgonConcave = 0x10,
	PgonHasHoles = 0x20,
	PgonHasSharpEdge = 0x40000,
};

// Edge status bits.
enum : UInt32 {
	EdgeWire = 0x1,       // with no polygon on either side: dropped by compression
	EdgeVertexFlag = 0x2, // reported per vertex by the 2D conversion
	EdgeSharp = 0x40000,  // sharp edge of a curved body
};

// Shape types with a meaning to the module.
enum : Int16 {
	EmptyBodyShapeType = 30100,
};
constexpr UInt16 BodyCutShapeType = 30200; // BODY::btypeOrCut of a cut body

// The number of records of each kind in a body.
struct M3D_EXPORT BodyRecordCounts {
	UInt32 vertices = 0;
	UInt32 textureVertices = 0;
	UInt32 edges = 0;
	UInt32 polyEdges = 0;
	UInt32 polyNormals = 0;
	UInt32 polygons = 0;
};

// Special vertex/normal count that makes a partial transformation do nothing.
constexpr Int32 NoTransformCount = -1111;

} // namespace Modeler
