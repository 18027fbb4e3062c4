// The polygon's triangle cache: built on the first query from a fan of its corners (a
// convex polygon) or of each convex part of its decomposition (a complex one).
#include "Model3D/bodies/body/Body.h"
#include "Model3D/bodies/records/PGON.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "Model3D/geometry/polygons/DrawingGeometry.h"
#include "Model3D/geometry/polygons/detail/ListingLine.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace Modeler {

namespace {

// The fan of a convex polygon around its first corner, in its own orientation.
Int32* FanOfPolygon(const Body& body, const PGON& pgon) {
	const Int32 n = pgon.lpedg - pgon.fpedg + 1;
	if (n < 3) return PGON::AllocateCache(0);
	Int32* block = PGON::AllocateCache(n - 2);
	if (block == nullptr) return nullptr;
	const Int32 a = body.GetBodyVertIdxFromPolyVertIdx(pgon.fpedg);
	Int32 b = body.GetBodyVertIdxFromPolyVertIdx(pgon.fpedg + 1);
	for (Int32 r = 2, t = 0; r < n; ++r, ++t) {
		const Int32 c = body.GetBodyVertIdxFromPolyVertIdx(pgon.fpedg + r);
		block[1 + 3 * t] = a;
		block[2 + 3 * t] = b;
		block[3 + 3 * t] = c;
		b = c;
	}
	return block;
}

// The fans of the convex parts of a decomposition (−k, then per part m and m corners).
// A list that does not hold together gives no triangles.
Int32* FanOfParts(const Kit::PagedArray<Int32>& parts) {
	const Int64 size = static_cast<Int64>(parts.GetSize());
	if (size == 0) return PGON::AllocateCache(0);
	const Int64 k = -Int64(parts[0]);
	Int64 triangles = 0;
	Int64 at = 1;
	for (Int64 part = 0; part < k; ++part) {
		if (at >= size) return PGON::AllocateCache(0);
		const Int64 m = std::llabs(parts[static_cast<USize>(at)]);
		if (at + 1 + m > size) return PGON::AllocateCache(0);
		triangles += m >= 3 ? m - 2 : 0;
		at += 1 + m;
	}
	if (k < 0 || triangles > (Int64(1) << 28)) return PGON::AllocateCache(0);
	Int32* block = PGON::AllocateCache(static_cast<Int32>(triangles));
	if (block == nullptr) return nullptr;
	Int32* out = block + 1;
	at = 1;
	for (Int64 part = 0; part < k; ++part) {
		const Int64 m = std::llabs(parts[static_cast<USize>(at)]);
		const auto corner = [&](Int64 i) { return parts[static_cast<USize>(at + 1 + i)]; };
		for (Int64 i = 1; i + 1 < m; ++i) {
			*out++ = corner(0);
			*out++ = corner(i);
			*out++ = corner(i + 1);
		}
		at += 1 + m;
	}
	return block;
}

Int32* BuildCache(const Body& body, const PGON& pgon) {
	if (!pgon.IsComplex()) return FanOfPolygon(body, pgon);
	Kit::PagedArray<Int32> parts;
	try {
		DecomposePolygon(body, pgon, parts);
	} catch (const Kit::OutOfMemoryException&) {
		throw;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	} catch (const Kit::KitException&) {
		// A polygon that cannot be decomposed has no triangles.
		return PGON::AllocateCache(0);
	}
	return FanOfParts(parts);
}

} // namespace

const Int32* PGON::Decompose(const Body& body) const {
	if (const Int32* cache = LoadCache()) return cache;
	Int32* block = BuildCache(body, *this);
	if (block == nullptr) throw Kit::OutOfMemoryException();
	return PublishCache(block);
}

Int32 PGON::GetTriangleCount(const Body& body) const {
	return Decompose(body)[0];
}

Int32 PGON::GetTriangleVertexIndex(const Body& body, Int32 triangle, Int32 corner) const {
	return Decompose(body)[1 + 3 * triangle + corner];
}

Int32 PGON::GetConvexPolygonCount(const Body& body) const {
	return IsComplex() ? GetTriangleCount(body) : 1;
}

Int32 PGON::GetConvexPolygonVertexCount(const Body& body, Int32 /*part*/) const {
	if (!IsComplex()) return lpedg - fpedg + 1;
	return GetTriangleCount(body) > 0 ? 3 : 0;
}

Int32 PGON::GetConvexPolygonVertexIndex(const Body& body, Int32 part, Int32 corner) const {
	if (!IsComplex()) return body.GetBodyVertIdxFromPolyVertIdx(fpedg + corner);
	return GetTriangleVertexIndex(body, part, corner);
}

Vector3dTpl<double> PGON::GetConvexPolygonNormalVectorByVertex(const Body& body, Int32 polygonIndex, UInt32 part,
                                                               UInt32 corner, const TRAN* tran) const {
	const Int32 v = GetConvexPolygonVertexIndex(body, static_cast<Int32>(part), static_cast<Int32>(corner));
	for (Int32 k = 0; k <= lpedg - fpedg; ++k)
		if (body.GetBodyVertIdxFromPolyVertIdx(fpedg + k) == v)
			return GetNormalVectorByVertex(body, polygonIndex, static_cast<UInt32>(k), tran);
	return Vector3dTpl<double>(0, 0, 0);
}

void PGON::PrintDecompositionCache(const Body& body, Kit::OChannel& channel) const {
	const Int32* cache = LoadCache();
	if (cache == nullptr) return;
	const Int32 t = cache[0];
	ListingLine(channel, 107, "d", t);
	for (Int32 i = 0; i < t; ++i) {
		if (GetConvexPolygonVertexCount(body, i) <= 0) continue;
		ListingLine(channel, 108, "dd", i + 1, cache[1 + 3 * i] + 1);
		for (Int32 c = 1; c < 3; ++c)
			ListingLine(channel, 109, "d", cache[1 + 3 * i + c] + 1);
		CPrintf(channel, "\n");
	}
}

} // namespace Modeler
