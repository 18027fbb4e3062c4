// Modeler::PGON: one polygon of a body. It runs over the body's poly-edges fpedg …
// lpedg (inclusive, separators included) and owns its triangle cache.
//
// The triangle cache ("cpols") is one heap block of Int32 values: entry 0 is the
// triangle count t, then three body vertex indices per triangle; 12·t + 4 bytes. The
// polygon owns it: copies of the polygon deep-copy it, destruction frees it.
//
// The cache is built by the first triangle or convex-part query, from whichever thread
// asks first: several threads may query one shared body at the same time, and the cache
// is published with one atomic exchange (a thread that loses the race frees its own
// block). Clearing the cache (ClearCache, SetCache, Body::ClearConvexPolygonCache,
// Body::QuickWrite) is a change: the host must not run it while other threads query.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "platform/Geometry.h"
#include "platform/GeometryVector.h"
#include "platform/KitTypes.h"

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace Kit {
class OChannel;
}

namespace Modeler {

class Body;

class M3D_EXPORT PGON {
public:
	UInt32 status = 0;
	UInt16 dummy = 0;
	Int16 iumat = 0;
	Int32 irtxt = 0;
	Int32 ivect = 0;
	Int32 fpedg = 0;
	Int32 lpedg = 0;
	Int32 mpuid = 0;
	Int32 alignment = 0;            // written as 0
	mutable Int32* cpols = nullptr; // triangle cache, owned; derived data, so it may change in const use

	PGON() = default;
	PGON(const PGON& source);
	// Takes the cache over (the source must not be queried by another thread meanwhile).
	PGON(PGON&& source)
	noexcept
	    : status(source.status), dummy(source.dummy), iumat(source.iumat), irtxt(source.irtxt), ivect(source.ivect),
	      fpedg(source.fpedg), lpedg(source.lpedg), mpuid(source.mpuid), alignment(source.alignment),
	      cpols(std::exchange(source.cpols, nullptr)) {}
	PGON& operator=(const PGON& source);
	~PGON() {
		if (LoadCache() != nullptr) ClearCache();
	}

	// Status queries.
	bool IsInvisible() const { return (status & PgonInvisible) != 0; }
	bool IsCurved() const { return (status & PgonCurved) != 0; }
	bool IsConcave() const { return (status & PgonConcave) != 0; }
	bool HasHoles() const { return (status & PgonHasHoles) != 0; }
	bool IsComplex() const { return (status & (PgonConcave | PgonHasHoles)) != 0; }
	bool HasSharpEdge() const { return (status & PgonHasSharpEdge) != 0; }

	// lpedg − fpedg + 1, separators included.
	Int32 GetEdgeCount() const { return lpedg - fpedg + 1; }

	// Triangle cache.
	bool IsDecomposedIntoTriangles() const { return LoadCache() != nullptr; }
	UInt32 GetCacheSize() const {
		const Int32* cache = LoadCache();
		return cache == nullptr ? 0 : CacheBytes(cache[0]);
	}
	// Frees the cache (const: the cache is derived data).
	void ClearCache() const;
	// Takes ownership of a block made by AllocateCache (or null); frees the old one.
	void SetCache(Int32* block) const;
	// A new cache block for 'triangleCount' triangles with entry 0 set and the vertex
	// entries zeroed; null when the memory cannot be had or the count is negative.
	static Int32* AllocateCache(Int32 triangleCount);
	static void FreeCache(Int32* block);
	static UInt32 CacheBytes(Int32 triangleCount) { return 12u * static_cast<UInt32>(triangleCount) + 4u; }

	// Reads through the body that owns the polygon.
	Int32 GetPolyEdge(const Body& body, Int32 k) const;
	// The edge of poly-edge k, with vert1 and vert2 exchanged when it is walked backwards.
	EDGE GetOrientedEdge(const Body& body, Int32 k) const;
	// The start vertex of poly-edge k (through tran when given); (0, 0, 0) and
	// *isSeparator = true for a separator.
	Vector3dTpl<double> GetVertex(const Body& body, Int32 k, bool* isSeparator, const TRAN* tran = nullptr) const;
	Vector3dTpl<double> GetNormalVector(const Body& body, const TRAN* tran = nullptr) const;

	// ---- triangles and convex parts (the cache is built on first use) -----------------
	// A polygon that is not complex is fanned from its first corner; a complex one is cut
	// into convex parts (DecomposePolygon), each fanned from its first corner. A polygon
	// that cannot be decomposed has 0 triangles, and stays so until the cache is cleared.
	Int32 GetTriangleCount(const Body& body) const;
	// Corner 0 … 2 of a triangle (a body vertex index); 0 without a cache.
	Int32 GetTriangleVertexIndex(const Body& body, Int32 triangle, Int32 corner) const;
	// A polygon that is not complex is its own one convex part (no cache is built); a
	// complex one reports each triangle as a part.
	Int32 GetConvexPolygonCount(const Body& body) const;
	Int32 GetConvexPolygonVertexCount(const Body& body, Int32 part) const;
	Int32 GetConvexPolygonVertexIndex(const Body& body, Int32 part, Int32 corner) const;
	// The shading normal at poly-edge position k of this polygon (polygonIndex is its
	// index in the body): the polygon normal on a flat polygon, else the round normal of
	// the corner (of its edge side when the body has sharp edges).
	Vector3dTpl<double> GetNormalVectorByVertex(const Body& body, Int32 polygonIndex, UInt32 k,
	                                            const TRAN* tran = nullptr) const;
	// The shading normal at a corner of a convex part; (0, 0, 0) when the corner's vertex
	// is not a corner of the polygon.
	Vector3dTpl<double> GetConvexPolygonNormalVectorByVertex(const Body& body, Int32 polygonIndex, UInt32 part,
	                                                         UInt32 corner, const TRAN* tran = nullptr) const;
	// Lists the cached triangles (nothing without a cache), vertex numbers 1-based.
	void PrintDecompositionCache(const Body& body, Kit::OChannel& channel) const;

protected:
	// Deep copy of the source's cache; the own cache is freed first. A copy that cannot
	// be allocated leaves this polygon without a cache.
	void CopyCPols(const PGON& source);
	// The cache, built when there is none yet; null only when memory ran out.
	const Int32* Decompose(const Body& body) const;

	friend class Body;

private:
	std::atomic_ref<Int32*> CacheRef() const { return std::atomic_ref<Int32*>(cpols); }
	Int32* LoadCache() const { return CacheRef().load(std::memory_order_acquire); }
	// Publishes a new cache unless another thread was first; returns the cache in place.
	const Int32* PublishCache(Int32* block) const;
};

static_assert(std::atomic_ref<Int32*>::required_alignment <= alignof(Int32*));

static_assert(sizeof(PGON) == 40);
static_assert(offsetof(PGON, dummy) == 4 && offsetof(PGON, iumat) == 6 && offsetof(PGON, irtxt) == 8);
static_assert(offsetof(PGON, ivect) == 12 && offsetof(PGON, fpedg) == 16 && offsetof(PGON, lpedg) == 20);
static_assert(offsetof(PGON, mpuid) == 24 && offsetof(PGON, alignment) == 28 && offsetof(PGON, cpols) == 32);

// The 40-byte image of a polygon in the quick streams: the fields of PGON in place, the
// alignment word and the cache slot written as 0.
struct M3D_EXPORT PgonImage {
	UInt32 status;
	UInt16 dummy;
	Int16 iumat;
	Int32 irtxt;
	Int32 ivect;
	Int32 fpedg;
	Int32 lpedg;
	Int32 mpuid;
	Int32 alignment;
	UInt64 cache;
};

static_assert(sizeof(PgonImage) == sizeof(PGON) && std::is_trivially_copyable_v<PgonImage>);
static_assert(offsetof(PgonImage, irtxt) == offsetof(PGON, irtxt) &&
              offsetof(PgonImage, mpuid) == offsetof(PGON, mpuid));
static_assert(offsetof(PgonImage, cache) == offsetof(PGON, cpols));

M3D_EXPORT PgonImage ToPgonImage(const PGON& p);
// Takes the fields of the image; the polygon's cache is left as it is.
M3D_EXPORT void AssignPgonImage(PGON& p, const PgonImage& image);

} // namespace Modeler
