// Body: equality with coordinate tolerances, and the debug self-check.
#include "Model3D/bodies/Body.h"

#include <cmath>
#include <cstring>

namespace Modeler {

namespace {

constexpr double Tolerance = 1e-5;

// Inclusive absolute tolerance: a difference of exactly 1e-5 still counts as equal.
inline bool Near(double a, double b)
{
	return std::fabs(a - b) <= Tolerance;
}

bool NearVert(const VERT& a, const VERT& b)
{
	return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
}

bool NearVect(const VECT& a, const VECT& b)
{
	return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
}

bool SameEdge(const EDGE& a, const EDGE& b)
{
	return a.dummy == b.dummy && a.color == b.color && a.vert1 == b.vert1 && a.vert2 == b.vert2 &&
		   a.pgon1 == b.pgon1 && a.pgon2 == b.pgon2;
}

bool SamePolygon(const PGON& a, const PGON& b)
{
	return a.status == b.status && a.dummy == b.dummy && a.iumat == b.iumat && a.irtxt == b.irtxt &&
		   a.ivect == b.ivect && a.fpedg == b.fpedg && a.lpedg == b.lpedg && a.mpuid == b.mpuid;
}

bool NearBox(const F_Box3D& a, const F_Box3D& b)
{
	return Near(a.xMin, b.xMin) && Near(a.yMin, b.yMin) && Near(a.xMax, b.xMax) && Near(a.yMax, b.yMax) &&
		   Near(a.zMin, b.zMin) && Near(a.zMax, b.zMax);
}

}	// namespace

// The status word is not compared.
bool Body::HeaderEquals(const Body& o) const
{
	return edgePenIdx == o.edgePenIdx && iumat == o.iumat && btype == o.btype && ifill == o.ifill &&
		   sbkgc == o.sbkgc && sconc == o.sconc && sfilc == o.sfilc && sltype == o.sltype &&
		   fatherBind == o.fatherBind && wrap == o.wrap && std::memcmp(coor, o.coor, sizeof coor) == 0 &&
		   NearBox(bounds, o.bounds);
}

bool Body::GeometryEquals(const Body& o) const
{
	for (UInt32 i = 0; i < GetVertexCount(); ++i) {
		if (!NearVert(GetConstVertex(i), o.GetConstVertex(i)))
			return false;
	}
	if (GetEdgeCount() != o.GetEdgeCount())
		return false;
	for (UInt32 i = 0; i < GetEdgeCount(); ++i) {
		if (!SameEdge(GetConstEdge(i), o.GetConstEdge(i)))
			return false;
	}
	if (GetPolyEdgeCount() != o.GetPolyEdgeCount())
		return false;
	for (UInt32 i = 0; i < GetPolyEdgeCount(); ++i) {
		if (GetConstPolyEdge(i) != o.GetConstPolyEdge(i))
			return false;
	}
	if (GetPolyNormalCount() != o.GetPolyNormalCount())
		return false;
	for (UInt32 i = 0; i < GetPolyNormalCount(); ++i) {
		if (!NearVect(GetConstPolyNormal(i), o.GetConstPolyNormal(i)))
			return false;
	}
	if (GetTextureVertexCount() != o.GetTextureVertexCount())
		return false;
	for (UInt32 i = 0; i < GetTextureVertexCount(); ++i) {
		const TEVE& a = GetConstTextureVertex(i);
		const TEVE& b = o.GetConstTextureVertex(i);
		if (!Near(a.u, b.u) || !Near(a.v, b.v))
			return false;
	}
	if (GetPolygonCount() != o.GetPolygonCount())
		return false;
	for (UInt32 i = 0; i < GetPolygonCount(); ++i) {
		if (!SamePolygon(GetConstPolygon(i), o.GetConstPolygon(i)))
			return false;
	}
	return true;
}

bool Body::operator==(const Body& other) const
{
	if (this == &other)
		return true;
	return GetVertexCount() == other.GetVertexCount() && HeaderEquals(other) && GeometryEquals(other);
}

namespace {

bool checkEnabled = false;
thread_local bool checkRunning = false;

}	// namespace

void Body::SetCheckEnabled(bool enabled)
{
	checkEnabled = enabled;
}

bool Body::IsCheckEnabled()
{
	return checkEnabled;
}

bool Body::Check() const
{
	if (!checkEnabled || checkRunning)
		return true;
	checkRunning = true;
	bool ok = true;
	const Int64 edgeCount = GetEdgeCount();
	const Int64 vertexCount = GetVertexCount();
	for (UInt32 i = 0; i < GetPolyEdgeCount() && ok; ++i) {
		const Int32 ref = GetConstPolyEdge(i);
		if (ref == 0)
			continue;
		const Int64 edge = ref > 0 ? Int64(ref) - 1 : -Int64(ref) - 1;
		if (edge >= edgeCount) {
			ok = false;
			break;
		}
		const Int32 v = GetBodyVertIdxFromPolyVertIdx(i);
		ok = v >= 0 && v < vertexCount;
	}
	checkRunning = false;
	return ok;
}

}	// namespace Modeler
