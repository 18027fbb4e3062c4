#include "platform/GeometryPolygon2D.h"

#include "platform/BMMemory.h"

#include <algorithm>
#include <cmath>

namespace Geometry {

namespace {

// Twice the signed area of points first … last (the closing point included).
double SignedArea2(const Coord* p, Int32 first, Int32 last) {
	double sum = 0.0;
	for (Int32 i = first; i < last; ++i)
		sum += (p[i].x - p[first].x) * (p[i + 1].y - p[first].y) - (p[i + 1].x - p[first].x) * (p[i].y - p[first].y);
	return sum;
}

// Reverses the open part first … last − 1 of a closed contour, keeping the closing point
// equal to the new first point.
void ReverseContour(const Polygon2DData& data, Int32 first, Int32 last) {
	Coord* p = GetPoints(data);
	UInt8* f = GetPointFlags(data);
	std::reverse(p + first, p + last);
	std::reverse(f + first, f + last);
	p[last] = p[first];
	f[last] = f[first];
}

} // namespace

Int32 InitPolygon2DData(Polygon2DData* data) {
	if (data == nullptr) return Polygon2DBadStructure;
	*data = Polygon2DData();
	return Polygon2DNoError;
}

Int32 AllocatePolygon2DData(Polygon2DData* data, UInt32 contourCount, UInt32 pointCount) {
	if (data == nullptr) return Polygon2DBadStructure;
	FreePolygon2DData(data);
	data->contourEnds = BMAllocateHandle((Int64(contourCount) + 1) * Int64(sizeof(Int32)), ALLOCATE_CLEAR);
	data->points = BMAllocateHandle((Int64(pointCount) + 1) * Int64(sizeof(Coord)), ALLOCATE_CLEAR);
	data->pointFlags = BMAllocateHandle(Int64(pointCount) + 1, ALLOCATE_CLEAR);
	if (data->contourEnds == nullptr || data->points == nullptr || data->pointFlags == nullptr) {
		FreePolygon2DData(data);
		return Polygon2DOutOfMemory;
	}
	data->contourCount = contourCount;
	data->pointCount = pointCount;
	return Polygon2DNoError;
}

void FreePolygon2DData(Polygon2DData* data) {
	if (data == nullptr) return;
	BMKillHandle(&data->contourEnds);
	BMKillHandle(&data->points);
	BMKillHandle(&data->pointFlags);
	*data = Polygon2DData();
}

Int32 GetPolygon2DDataBoundBox(Polygon2DData* data) {
	if (data == nullptr) return Polygon2DBadStructure;
	Box2D box;
	if (data->pointCount > 0) {
		if (data->points == nullptr) return Polygon2DBadStructure;
		const Coord* p = GetPoints(*data);
		box = Box2D{p[1].x, p[1].y, p[1].x, p[1].y};
		for (UInt32 i = 2; i <= data->pointCount; ++i) {
			box.xMin = std::min(box.xMin, p[i].x);
			box.yMin = std::min(box.yMin, p[i].y);
			box.xMax = std::max(box.xMax, p[i].x);
			box.yMax = std::max(box.yMax, p[i].y);
		}
	}
	data->box = box;
	data->status |= Polygon2DBoxValid;
	return Polygon2DNoError;
}

Int32 OrientPolygon2DData(Polygon2DData* data) {
	if (const Int32 check = CheckPolygon2DDataIntegrity(data); check != Polygon2DNoError) return check;
	const Int32* ends = GetContourEnds(*data);
	for (UInt32 c = 1; c <= data->contourCount; ++c) {
		const Int32 first = ends[c - 1] + 1, last = ends[c];
		const double area = SignedArea2(GetPoints(*data), first, last);
		if ((c == 1 && area < 0) || (c > 1 && area > 0)) ReverseContour(*data, first, last);
	}
	data->status |= Polygon2DOriented;
	return Polygon2DNoError;
}

Int32 CheckPolygon2DDataIntegrity(const Polygon2DData* data) {
	if (data == nullptr) return Polygon2DBadStructure;
	if (data->contourCount == 0) return data->pointCount == 0 ? Polygon2DNoError : Polygon2DBadStructure;
	if (data->contourEnds == nullptr || data->points == nullptr || data->pointFlags == nullptr)
		return Polygon2DBadStructure;
	if (BMGetHandleSize(data->contourEnds) < (Int64(data->contourCount) + 1) * Int64(sizeof(Int32)) ||
	    BMGetHandleSize(data->points) < (Int64(data->pointCount) + 1) * Int64(sizeof(Coord)) ||
	    BMGetHandleSize(data->pointFlags) < Int64(data->pointCount) + 1)
		return Polygon2DBadStructure;
	const Int32* ends = GetContourEnds(*data);
	const Coord* p = GetPoints(*data);
	if (ends[0] != 0 || ends[data->contourCount] != Int32(data->pointCount)) return Polygon2DBadStructure;
	for (UInt32 c = 1; c <= data->contourCount; ++c) {
		const Int32 first = ends[c - 1] + 1, last = ends[c];
		if (last - first < 1) return Polygon2DBadStructure;
		if (p[first].x != p[last].x || p[first].y != p[last].y) return Polygon2DOpenContour;
	}
	const Box2D& b = data->box;
	for (UInt32 i = 1; i <= data->pointCount; ++i) {
		if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y)) return Polygon2DBadStructure;
		if ((data->status & Polygon2DBoxValid) != 0 &&
		    (p[i].x < b.xMin || p[i].x > b.xMax || p[i].y < b.yMin || p[i].y > b.yMax))
			return Polygon2DBadStructure;
	}
	return Polygon2DNoError;
}

} // namespace Geometry
