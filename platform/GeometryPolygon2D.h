// The Geometry library's 2D polygon record: contours of x/y points in memory handles.
//
// Layout: 'contourEnds' holds contourCount + 1 Int32 (entry 0 is 0; entry c is the index
// of the last point of contour c); 'points' holds pointCount + 1 Coord (entry 0 unused);
// 'pointFlags' one byte per point entry. Every contour is closed: its last point repeats
// its first. The record owns the three handles; FreePolygon2DData releases them.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/GeometryVector.h"
#include "platform/KitTypes.h"

namespace Geometry {

enum : UInt32 {
	Polygon2DBoxValid = 1, // 'box' is up to date
	Polygon2DOriented = 2, // the first contour runs counter-clockwise, the others clockwise
};

enum : Int32 {
	Polygon2DNoError = 0,
	Polygon2DBadStructure = -1, // counts, tables or contour ends do not fit together
	Polygon2DOpenContour = -2,  // a contour whose last point is not its first
	Polygon2DOutOfMemory = -3,
};

struct Box2D {
	double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;
};

struct Polygon2DData {
	UInt32 status = 0;
	UInt32 contourCount = 0;
	UInt32 pointCount = 0; // closing points included, entry 0 not counted
	Box2D box;
	GSHandle contourEnds = nullptr; // Int32[contourCount + 1]
	GSHandle points = nullptr;      // Coord[pointCount + 1]
	GSHandle pointFlags = nullptr;  // UInt8[pointCount + 1]
};

// An empty polygon: no contours, no handles, status 0. Whatever 'data' held is not
// freed (it is taken as uninitialised).
Int32 InitPolygon2DData(Polygon2DData* data);
// Allocates the three tables for the given counts, zero-filled (contour ends all 0).
Int32 AllocatePolygon2DData(Polygon2DData* data, UInt32 contourCount, UInt32 pointCount);
// Frees the tables and leaves the empty polygon.
void FreePolygon2DData(Polygon2DData* data);

// Table access (no checks).
inline Int32* GetContourEnds(const Polygon2DData& data) {
	return reinterpret_cast<Int32*>(*data.contourEnds);
}
inline Coord* GetPoints(const Polygon2DData& data) {
	return reinterpret_cast<Coord*>(*data.points);
}
inline UInt8* GetPointFlags(const Polygon2DData& data) {
	return reinterpret_cast<UInt8*>(*data.pointFlags);
}

// The box of all points; sets Polygon2DBoxValid. The empty polygon gets the zero box.
Int32 GetPolygon2DDataBoundBox(Polygon2DData* data);
// Turns contours so that the first runs counter-clockwise and the others clockwise
// (by signed area; a contour without area stays as it is), the point flags travelling
// with their points; sets Polygon2DOriented.
Int32 OrientPolygon2DData(Polygon2DData* data);
// Checks the structure: tables present and large enough for the counts, contour ends
// increasing within the point count with the last at pointCount, every contour at least
// two points long and closed, every coordinate finite, and the box holding every point
// when it is marked valid.
Int32 CheckPolygon2DDataIntegrity(const Polygon2DData* data);

} // namespace Geometry

#pragma GCC visibility pop
