// The geometry of a Body in one contiguous memory block: vertices, texture vertices,
// edges, poly-edges, polygon normals and polygons, one part after the other.
//
// Poly-edges are stored in the narrowest signed width the edge count allows (1, 2 or 4
// bytes). The logical size of the block is
//   24·(V + E + N) + 40·P + 8·T + w·PE
// and is what GetSize() reports and the quick stream carries. In memory the normals
// that follow the poly-edges start on an 8-byte boundary, so up to 7 bytes of padding
// may sit between the poly-edges and the normals; they are not part of the stream.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/PGON.h"
#include "platform/KitChannel.h"
#include "platform/KitPagedArray.h"
#include "platform/KitTypes.h"

namespace Modeler {

class M3D_EXPORT BodyVarPart {
public:
	using Counts = BodyRecordCounts;

	BodyVarPart() = default;
	BodyVarPart(const BodyVarPart& source);
	BodyVarPart& operator=(const BodyVarPart& source);
	~BodyVarPart() { Clear(); }

	// Builds the block from the six arrays; the polygon caches are deep-copied. Throws
	// Kit::OutOfMemoryException (the part is then empty) when the block cannot be had.
	void Build(const Kit::PagedArray<VERT>& vertices, const Kit::PagedArray<TEVE>& textureVertices,
	           const Kit::PagedArray<EDGE>& edges, const Kit::PagedArray<Int32>& polyEdges,
	           const Kit::PagedArray<VECT>& polyNormals, const Kit::PagedArray<PGON>& polygons);
	// As Build, but each array is emptied and its memory given back to the system as soon
	// as it has been copied, so that the arrays and the block do not take their memory
	// twice over. When the block cannot be had, the arrays are left as they were.
	void BuildReleasing(Kit::PagedArray<VERT>& vertices, Kit::PagedArray<TEVE>& textureVertices,
	                    Kit::PagedArray<EDGE>& edges, Kit::PagedArray<Int32>& polyEdges,
	                    Kit::PagedArray<VECT>& polyNormals, Kit::PagedArray<PGON>& polygons);
	// Destroys the polygons (and their caches) and frees the block.
	void Clear();

	// Poly-edge width for a body with the given number of edges: 1 below 127 edges,
	// 2 below 32767, else 4.
	static UInt32 PolyEdgeWidthFor(UInt32 edgeCount);
	// Logical block size of the given counts and width (may exceed 32 bits).
	static UInt64 LogicalSize(const Counts& counts, UInt32 polyEdgeWidth);

	UInt32 GetSize() const { return size; }
	// Bytes that QuickWrite writes: the block and eight UInt32 words (the size, the six
	// counts and the poly-edge width).
	UInt64 GetStreamSize() const { return UInt64(size) + 8 * sizeof(UInt32); }
	const Counts& GetCounts() const { return counts; }
	UInt32 GetPolyEdgeWidth() const { return polyEdgeWidth; }

	const VERT* GetVertices() const { return vertices; }
	const TEVE* GetTextureVertices() const { return textureVertices; }
	const EDGE* GetEdges() const { return edges; }
	const VECT* GetPolyNormals() const { return polyNormals; }
	const PGON* GetPolygons() const { return polygons; }
	VERT* GetVertices() { return vertices; }
	VECT* GetPolyNormals() { return polyNormals; }
	PGON* GetPolygons() { return polygons; }

	// Reads poly-edge i, sign-extended from the stored width.
	Int32 GetPolyEdge(UInt32 i) const {
		switch (polyEdgeWidth) {
		case 1:
			return static_cast<const Int8*>(polyEdges)[i];
		case 2:
			return static_cast<const Int16*>(polyEdges)[i];
		case 4:
			return static_cast<const Int32*>(polyEdges)[i];
		default:
			ThrowBadWidth();
		}
	}
	// Stores the low w bytes of the value.
	void SetPolyEdge(UInt32 i, Int32 value);

	// Frees every polygon's triangle cache.
	void ClearPolygonCaches() const;

	// Stream form: UInt32 size; then per part its UInt32 count (and for poly-edges the
	// UInt32 width) followed by its raw bytes. Polygons are written with a null cache.
	void QuickWrite(Kit::OChannel& ch) const;
	// Reads the stream form. Every count is checked against the announced block size
	// and against the bytes the channel still holds before anything is allocated or
	// read; the width must be the one the edge count calls for; the parts must fill the
	// announced size exactly. Any violation, or a short stream, throws
	// Kit::InternalErrorException and leaves the part empty.
	void QuickRead(Kit::IChannel& ch);

private:
	struct Layout;

	template <typename Arrays, typename Done> void BuildFrom(const Arrays& arrays, Done&& done);

	[[noreturn]] static void ThrowBadWidth();
	void Allocate(const Counts& newCounts, UInt32 width);
	void CopyFrom(const BodyVarPart& source);
	void ReadParts(Kit::IChannel& ch);

	UInt32 size = 0; // logical size
	char* block = nullptr;
	USize blockBytes = 0; // as allocated (Kit::AllocateBlock)
	Counts counts;
	UInt32 polyEdgeWidth = 1;
	VERT* vertices = nullptr;
	TEVE* textureVertices = nullptr;
	EDGE* edges = nullptr;
	void* polyEdges = nullptr;
	VECT* polyNormals = nullptr;
	PGON* polygons = nullptr; // the polygons are constructed objects inside the block
};

} // namespace Modeler
