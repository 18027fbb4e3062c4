#include "Model3D/bodies/body/BodyVarPart.h"

#include "platform/KitBlocks.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>

namespace Modeler {

namespace {

constexpr UInt64 Align8(UInt64 n) {
	return (n + 7) & ~UInt64(7);
}

void ConstructFromImage(PGON* slot, const PgonImage& image) {
	AssignPgonImage(*new (slot) PGON(), image);
}

[[noreturn]] void ThrowBadStream(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, __FILE__, line);
}

UInt32 ReadCount(Kit::IChannel& ch) {
	UInt32 value = 0;
	ch.Read(value);
	if (ch.GetInputStatus() != 0) ThrowBadStream("Body::VarPart::QuickRead: truncated stream", __LINE__);
	return value;
}

char* AllocateBlock(USize bytes) {
	auto* block = static_cast<char*>(Kit::AllocateBlock(bytes));
	if (block == nullptr) throw Kit::OutOfMemoryException();
	return block;
}

} // namespace

// Byte offsets of the parts inside the block.
struct BodyVarPart::Layout {
	UInt64 vertices = 0, textureVertices = 0, edges = 0, polyEdges = 0, polyNormals = 0, polygons = 0;
	UInt64 physicalSize = 0;

	Layout(const Counts& c, UInt32 w) {
		textureVertices = vertices + UInt64(24) * c.vertices;
		edges = textureVertices + UInt64(8) * c.textureVertices;
		polyEdges = edges + UInt64(24) * c.edges;
		polyNormals = Align8(polyEdges + UInt64(w) * c.polyEdges);
		polygons = polyNormals + UInt64(24) * c.polyNormals;
		physicalSize = polygons + UInt64(40) * c.polygons;
	}
};

BodyVarPart::BodyVarPart(const BodyVarPart& source) {
	CopyFrom(source);
}

BodyVarPart& BodyVarPart::operator=(const BodyVarPart& source) {
	if (this != &source) {
		Clear();
		CopyFrom(source);
	}
	return *this;
}

UInt32 BodyVarPart::PolyEdgeWidthFor(UInt32 edgeCount) {
	if (edgeCount < 127) return 1;
	if (edgeCount < 32767) return 2;
	return 4;
}

UInt64 BodyVarPart::LogicalSize(const Counts& c, UInt32 w) {
	return UInt64(24) * (UInt64(c.vertices) + c.edges + c.polyNormals) + UInt64(40) * c.polygons +
	       UInt64(8) * c.textureVertices + UInt64(w) * c.polyEdges;
}

void BodyVarPart::ThrowBadWidth() {
	throw Kit::InternalErrorException("Body::VarPart: poly-edge width is not 1, 2 or 4", __FILE__, __LINE__);
}

void BodyVarPart::Clear() {
	for (UInt32 i = 0; i < counts.polygons; ++i)
		polygons[i].~PGON();
	Kit::FreeBlock(block, blockBytes);
	block = nullptr;
	blockBytes = 0;
	size = 0;
	counts = Counts();
	polyEdgeWidth = 1;
	vertices = nullptr;
	textureVertices = nullptr;
	edges = nullptr;
	polyEdges = nullptr;
	polyNormals = nullptr;
	polygons = nullptr;
}

// Allocates a block for the counts and sets the part pointers; the polygon slots are
// raw storage and counts.polygons stays 0 until they are constructed.
void BodyVarPart::Allocate(const Counts& newCounts, UInt32 width) {
	Clear();
	const UInt64 logical = LogicalSize(newCounts, width);
	if (logical > std::numeric_limits<UInt32>::max()) throw Kit::OutOfMemoryException();
	const Layout layout(newCounts, width);
	if (layout.physicalSize > 0) {
		block = AllocateBlock(static_cast<USize>(layout.physicalSize));
		blockBytes = static_cast<USize>(layout.physicalSize);
	}
	size = static_cast<UInt32>(logical);
	polyEdgeWidth = width;
	counts = newCounts;
	counts.polygons = 0;
	vertices = reinterpret_cast<VERT*>(block + layout.vertices);
	textureVertices = reinterpret_cast<TEVE*>(block + layout.textureVertices);
	edges = reinterpret_cast<EDGE*>(block + layout.edges);
	polyEdges = block + layout.polyEdges;
	polyNormals = reinterpret_cast<VECT*>(block + layout.polyNormals);
	polygons = reinterpret_cast<PGON*>(block + layout.polygons);
}

void BodyVarPart::SetPolyEdge(UInt32 i, Int32 value) {
	switch (polyEdgeWidth) {
	case 1:
		static_cast<Int8*>(polyEdges)[i] = static_cast<Int8>(value);
		break;
	case 2:
		static_cast<Int16*>(polyEdges)[i] = static_cast<Int16>(value);
		break;
	case 4:
		static_cast<Int32*>(polyEdges)[i] = value;
		break;
	default:
		ThrowBadWidth();
	}
}

namespace {

template <typename T> void CopyPaged(const Kit::PagedArray<T>& from, T* to) {
	from.ForEachRun([&to](const T* items, USize n) { to = std::copy(items, items + n, to); });
}

template <typename Narrow> void CopyPolyEdges(const Kit::PagedArray<Int32>& from, void* to) {
	Narrow* out = static_cast<Narrow*>(to);
	from.ForEachRun([&out](const Int32* items, USize n) {
		for (USize k = 0; k < n; ++k)
			*out++ = static_cast<Narrow>(items[k]);
	});
}

UInt32 CountOf(USize n) {
	if (n > std::numeric_limits<UInt32>::max()) throw Kit::OutOfMemoryException();
	return static_cast<UInt32>(n);
}

} // namespace

// 'arrays' holds references to the six arrays, in the order of Build's parameters. Once
// the block is had nothing throws (a polygon whose triangle cache cannot be copied goes
// without it); 'done(array)' is called once an array has been copied.
template <typename Arrays, typename Done> void BodyVarPart::BuildFrom(const Arrays& arrays, Done&& done) {
	auto& [vertexArray, textureArray, edgeArray, polyEdgeArray, normalArray, polygonArray] = arrays;
	Counts c;
	c.vertices = CountOf(vertexArray.GetSize());
	c.textureVertices = CountOf(textureArray.GetSize());
	c.edges = CountOf(edgeArray.GetSize());
	c.polyEdges = CountOf(polyEdgeArray.GetSize());
	c.polyNormals = CountOf(normalArray.GetSize());
	c.polygons = CountOf(polygonArray.GetSize());
	Allocate(c, PolyEdgeWidthFor(c.edges));
	CopyPaged(vertexArray, vertices);
	done(vertexArray);
	CopyPaged(textureArray, textureVertices);
	done(textureArray);
	CopyPaged(edgeArray, edges);
	done(edgeArray);
	if (polyEdgeWidth == 1)
		CopyPolyEdges<Int8>(polyEdgeArray, polyEdges);
	else if (polyEdgeWidth == 2)
		CopyPolyEdges<Int16>(polyEdgeArray, polyEdges);
	else
		CopyPolyEdges<Int32>(polyEdgeArray, polyEdges);
	done(polyEdgeArray);
	CopyPaged(normalArray, polyNormals);
	done(normalArray);
	for (UInt32 i = 0; i < c.polygons; ++i) {
		PGON* p = new (polygons + i) PGON(polygonArray[i]);
		p->alignment = 0;
		counts.polygons = i + 1;
	}
	done(polygonArray);
}

void BodyVarPart::Build(const Kit::PagedArray<VERT>& vertexArray, const Kit::PagedArray<TEVE>& textureArray,
                        const Kit::PagedArray<EDGE>& edgeArray, const Kit::PagedArray<Int32>& polyEdgeArray,
                        const Kit::PagedArray<VECT>& normalArray, const Kit::PagedArray<PGON>& polygonArray) {
	BuildFrom(std::tie(vertexArray, textureArray, edgeArray, polyEdgeArray, normalArray, polygonArray),
	          [](const auto&) {});
}

void BodyVarPart::BuildReleasing(Kit::PagedArray<VERT>& vertexArray, Kit::PagedArray<TEVE>& textureArray,
                                 Kit::PagedArray<EDGE>& edgeArray, Kit::PagedArray<Int32>& polyEdgeArray,
                                 Kit::PagedArray<VECT>& normalArray, Kit::PagedArray<PGON>& polygonArray) {
	BuildFrom(std::tie(vertexArray, textureArray, edgeArray, polyEdgeArray, normalArray, polygonArray),
	          [](auto& array) { array.Release(); });
}

void BodyVarPart::CopyFrom(const BodyVarPart& source) {
	Allocate(source.counts, source.polyEdgeWidth);
	const Layout layout(source.counts, source.polyEdgeWidth);
	if (layout.polygons > 0) std::memcpy(block, source.block, static_cast<USize>(layout.polygons));
	for (UInt32 i = 0; i < source.counts.polygons; ++i) {
		new (polygons + i) PGON(source.polygons[i]);
		counts.polygons = i + 1;
	}
}

void BodyVarPart::ClearPolygonCaches() const {
	for (UInt32 i = 0; i < counts.polygons; ++i)
		polygons[i].ClearCache();
}

void BodyVarPart::QuickWrite(Kit::OChannel& ch) const {
	ch.Write(size);
	ch.Write(counts.vertices);
	ch.WriteBin(vertices, UInt64(24) * counts.vertices);
	ch.Write(counts.textureVertices);
	ch.WriteBin(textureVertices, UInt64(8) * counts.textureVertices);
	ch.Write(counts.edges);
	ch.WriteBin(edges, UInt64(24) * counts.edges);
	ch.Write(counts.polyEdges);
	ch.Write(polyEdgeWidth);
	ch.WriteBin(polyEdges, UInt64(polyEdgeWidth) * counts.polyEdges);
	ch.Write(counts.polyNormals);
	ch.WriteBin(polyNormals, UInt64(24) * counts.polyNormals);
	ch.Write(counts.polygons);
	// The cache pointers and the alignment words are written as zeros. Where they are
	// zero already (the caller has cleared the caches) the records are their own image;
	// otherwise they go through a staging buffer.
	const bool ownImage = std::all_of(polygons, polygons + counts.polygons,
	                                  [](const PGON& p) { return p.alignment == 0 && !p.IsDecomposedIntoTriangles(); });
	if (ownImage) {
		ch.WriteBin(polygons, UInt64(sizeof(PGON)) * counts.polygons);
		return;
	}
	constexpr UInt32 Chunk = 256;
	PgonImage staged[Chunk];
	for (UInt32 first = 0; first < counts.polygons; first += Chunk) {
		const UInt32 n = std::min(Chunk, counts.polygons - first);
		for (UInt32 i = 0; i < n; ++i)
			staged[i] = ToPgonImage(polygons[first + i]);
		ch.WriteBin(staged, UInt64(n) * sizeof(PgonImage));
	}
}

void BodyVarPart::QuickRead(Kit::IChannel& ch) {
	Clear();
	try {
		ReadParts(ch);
	} catch (...) {
		Clear();
		throw;
	}
}

namespace {

// Reads one part of 'count' records of 'recordSize' bytes into block + offset, after
// checking it against the rest of the announced block and of the stream.
void ReadPart(Kit::IChannel& ch, char* destination, UInt32 count, UInt32 recordSize, UInt64& used, UInt64 announced) {
	const UInt64 bytes = UInt64(count) * recordSize;
	if (bytes > announced - used) ThrowBadStream("Body::VarPart::QuickRead: part exceeds the block size", __LINE__);
	if (bytes > ch.GetAvailable()) ThrowBadStream("Body::VarPart::QuickRead: truncated stream", __LINE__);
	if (bytes > 0 && ch.ReadBin(destination, bytes) != 0)
		ThrowBadStream("Body::VarPart::QuickRead: truncated stream", __LINE__);
	used += bytes;
}

} // namespace

// The part pointers are set up as the counts arrive; counts.polygons stays 0 until the
// polygon objects are constructed, so Clear() never destroys raw bytes.
void BodyVarPart::ReadParts(Kit::IChannel& ch) {
	const UInt32 announced = ReadCount(ch);
	if (announced > ch.GetAvailable())
		ThrowBadStream("Body::VarPart::QuickRead: block larger than the stream", __LINE__);
	if (announced > 0) {
		block = AllocateBlock(USize(announced) + 8);
		blockBytes = USize(announced) + 8;
	}
	UInt64 used = 0;
	Counts c;

	c.vertices = ReadCount(ch);
	vertices = reinterpret_cast<VERT*>(block);
	ReadPart(ch, block, c.vertices, 24, used, announced);
	c.textureVertices = ReadCount(ch);
	textureVertices = reinterpret_cast<TEVE*>(block + used);
	ReadPart(ch, block + used, c.textureVertices, 8, used, announced);
	c.edges = ReadCount(ch);
	edges = reinterpret_cast<EDGE*>(block + used);
	ReadPart(ch, block + used, c.edges, 24, used, announced);

	c.polyEdges = ReadCount(ch);
	const UInt32 width = ReadCount(ch);
	if (width != 1 && width != 2 && width != 4) ThrowBadWidth();
	if (width != PolyEdgeWidthFor(c.edges))
		ThrowBadStream("Body::VarPart::QuickRead: poly-edge width does not match the edge count", __LINE__);
	polyEdges = block + used;
	ReadPart(ch, block + used, c.polyEdges, width, used, announced);
	const UInt64 pad = Align8(used) - used; // the normals start 8-aligned in memory

	c.polyNormals = ReadCount(ch);
	polyNormals = reinterpret_cast<VECT*>(block + used + pad);
	ReadPart(ch, block + used + pad, c.polyNormals, 24, used, announced);
	c.polygons = ReadCount(ch);
	char* polygonBytes = block + used + pad;
	ReadPart(ch, polygonBytes, c.polygons, 40, used, announced);
	if (used != announced) ThrowBadStream("Body::VarPart::QuickRead: parts do not fill the block size", __LINE__);

	size = announced;
	polyEdgeWidth = width;
	counts = c;
	counts.polygons = 0;
	if (c.polygons > 0 && block == nullptr)
		ThrowBadStream("Body::VarPart::QuickRead: part exceeds the block size", __LINE__);
	polygons = reinterpret_cast<PGON*>(polygonBytes);
	for (UInt32 i = 0; i < c.polygons; ++i) {
		PgonImage r;
		std::memcpy(&r, polygonBytes + USize(i) * sizeof(PgonImage), sizeof r);
		ConstructFromImage(polygons + i, r);
		counts.polygons = i + 1;
	}
}

} // namespace Modeler
