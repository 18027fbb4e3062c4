// CandidateBody: the body records of model files, in every stored layout and either byte
// order, and the old body-extension record.
//
// Each Read… call reads 'count' records of the layout that the file version calls for.
// Records written on a platform of the other byte order are swapped record by record
// with the record's own swap routine, old layouts are then converted to the current
// records. The whole block must be available in the channel: a count the channel cannot
// deliver is refused before any memory is taken for it, and a failing call leaves the
// builder's arrays as they were before it.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/RecordConversionForms.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Modeler {

namespace {

// Versions of the record layouts.
constexpr Int32 LastFloatVertexFileVersion = 4010; // vertices as three floats
constexpr Int32 LastFloatNormalFileVersion = 4011; // normals as three floats
constexpr Int32 LastNoTextureFileVersion = 4011;   // no texture vertices stored
constexpr Int32 LastOldEdgeFileVersion = 4014;     // 20-byte edges
constexpr Int32 LastPgon41FileVersion = 4002;
constexpr Int32 LastPgon51FileVersion = 4014;
constexpr Int32 LastPgon110FileVersion = 4030;
constexpr Int32 FirstUnshiftedTextureVersion = 4026; // earlier files count textures from 2

// Versions handed to the vertex swap routine to select the layout actually read.
constexpr Int32 FloatLayoutVersion = LastFloatVertexVersion;
constexpr Int32 DoubleLayoutVersion = LastFloatVertexVersion + 1;

// Records per read; keeps the buffer small and every offset inside the Int32 range of
// the swap routines.
constexpr UInt32 ChunkRecords = 4096;

[[noreturn]] void ThrowReadFailed(bool oldLayout) {
	if (oldLayout) throw Kit::RunTimeErrorException("ReadOldElems failed", "Model3D/CandidateBody", 940);
	throw Kit::RunTimeErrorException("ReadCurrElems failed", "Model3D/CandidateBody", 959);
}

using SwapFunction = void (*)(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);

// Reads 'count' records of 'recordSize' bytes, swaps them when needed and hands each one
// to 'append'. On failure the array is cut back to its size before the call.
template <typename T, typename Append>
void ReadBlock(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, UInt32 recordSize, bool oldLayout,
               Kit::PagedArray<T>& array, SwapFunction swap, Append append) {
	if (count == 0) return;
	if (UInt64(count) * recordSize > ch.GetAvailable()) ThrowReadFailed(oldLayout);
	const USize before = array.GetSize();
	try {
		const bool needsSwap = Kit::NeedsSwap(sign, Kit::Native_Platform_Sign);
		std::vector<char> buffer(USize(std::min(count, ChunkRecords)) * recordSize);
		for (UInt32 done = 0; done < count;) {
			const UInt32 n = std::min(count - done, ChunkRecords);
			if (ch.ReadBin(buffer.data(), UInt64(n) * recordSize) != 0) ThrowReadFailed(oldLayout);
			if (needsSwap) {
				Int32 offset = 0;
				swap(sign, buffer.data(), &offset, static_cast<Int32>(n), Kit::Native_Platform_Sign);
			}
			for (UInt32 i = 0; i < n; ++i)
				append(buffer.data() + USize(i) * recordSize);
			done += n;
		}
	} catch (...) {
		array.SetSize(before);
		throw;
	}
}

void SwapFloatVerts(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	IV_VERT(from, buffer, offset, count, FloatLayoutVersion, to);
}

void SwapDoubleVerts(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	IV_VERT(from, buffer, offset, count, DoubleLayoutVersion, to);
}

// Three floats widened to doubles.
template <typename V> V LoadFloatTriple(const char* p) {
	return V{LoadUnaligned<float>(p), LoadUnaligned<float>(p + 4), LoadUnaligned<float>(p + 8)};
}

// A current 40-byte polygon record without its cache slot.
PGON LoadCurrentPgon(const char* p) {
	PGON pgon;
	pgon.status = LoadUnaligned<UInt32>(p + 0);
	pgon.dummy = LoadUnaligned<UInt16>(p + 4);
	pgon.iumat = LoadUnaligned<Int16>(p + 6);
	pgon.irtxt = LoadUnaligned<Int32>(p + 8);
	pgon.ivect = LoadUnaligned<Int32>(p + 12);
	pgon.fpedg = LoadUnaligned<Int32>(p + 16);
	pgon.lpedg = LoadUnaligned<Int32>(p + 20);
	pgon.mpuid = LoadUnaligned<Int32>(p + 24);
	pgon.alignment = 0;
	return pgon;
}

} // namespace

void CandidateBody::ReadVertex(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version) {
	if (version <= LastFloatVertexFileVersion) {
		ReadBlock(ch, sign, count, VERT_FloatSize, true, vertices, SwapFloatVerts,
		          [this](const char* p) { vertices.Push(LoadFloatTriple<VERT>(p)); });
	} else {
		ReadBlock(ch, sign, count, VERT_DoubleSize, false, vertices, SwapDoubleVerts,
		          [this](const char* p) { vertices.Push(LoadUnaligned<VERT>(p)); });
	}
}

void CandidateBody::ReadTextureVertex(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version) {
	if (version <= LastNoTextureFileVersion) return;
	ReadBlock(ch, sign, count, TEVE_Size, false, textureVertices, IV_TEVE,
	          [this](const char* p) { textureVertices.Push(LoadUnaligned<TEVE>(p)); });
}

void CandidateBody::ReadEdge(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version) {
	if (version <= LastOldEdgeFileVersion) {
		ReadBlock(ch, sign, count, EDGE_51_Size, true, edges, IV_EDGE_51, [this](const char* p) {
			const EDGE_51 old = LoadUnaligned<EDGE_51>(p);
			EDGE e;
			FCEdgeFromEdge51(&e, &old);
			edges.Push(e);
		});
	} else {
		ReadBlock(ch, sign, count, EDGE_Size, false, edges, IV_EDGE,
		          [this](const char* p) { edges.Push(LoadUnaligned<EDGE>(p)); });
	}
}

void CandidateBody::ReadPolyEdge(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 /*version*/) {
	ReadBlock(ch, sign, count, PEDG_Size, false, polyEdges, IV_PEDG,
	          [this](const char* p) { polyEdges.Push(LoadUnaligned<Int32>(p)); });
}

void CandidateBody::ReadPolyNormal(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version) {
	if (version <= LastFloatNormalFileVersion) {
		ReadBlock(ch, sign, count, VERT_FloatSize, true, polyNormals, SwapFloatVerts,
		          [this](const char* p) { polyNormals.Push(LoadFloatTriple<VECT>(p)); });
	} else {
		ReadBlock(ch, sign, count, VERT_DoubleSize, false, polyNormals, SwapDoubleVerts,
		          [this](const char* p) { polyNormals.Push(LoadUnaligned<VECT>(p)); });
	}
}

// The polygons just read get no triangle cache, and files before version 4026 count
// their textures from 2, so their texture references move down by one. Only the new
// polygons are touched, also when the builder had polygons before the call.
void CandidateBody::ReadPolygon(Kit::IChannel& ch, Kit::PlatformSign sign, UInt32 count, Int32 version) {
	const USize first = polygons.GetSize();
	if (version <= LastPgon41FileVersion) {
		ReadBlock(ch, sign, count, PGON_41_Size, true, polygons, IV_PGON_41, [this](const char* p) {
			const PGON_41 old = LoadUnaligned<PGON_41>(p);
			PGON pgon;
			FCPgonFromPgon41(&pgon, &old);
			polygons.Push(pgon);
		});
	} else if (version <= LastPgon51FileVersion) {
		ReadBlock(ch, sign, count, PGON_51_Size, true, polygons, IV_PGON_51, [this](const char* p) {
			const PGON_51 old = LoadUnaligned<PGON_51>(p);
			PGON pgon;
			FCPgonFromPgon51(&pgon, &old);
			polygons.Push(pgon);
		});
	} else if (version <= LastPgon110FileVersion) {
		ReadBlock(ch, sign, count, PGON_110_Size, true, polygons, IV_PGON_110, [this](const char* p) {
			const PGON_110 old = LoadUnaligned<PGON_110>(p);
			PGON pgon;
			FCPgonFromPgon110(&pgon, &old);
			polygons.Push(pgon);
		});
	} else {
		ReadBlock(ch, sign, count, PGON_Size, false, polygons, IV_PGON,
		          [this](const char* p) { polygons.Push(LoadCurrentPgon(p)); });
	}
	for (USize i = first; i < polygons.GetSize(); ++i) {
		PGON& pgon = polygons[i];
		pgon.SetCache(nullptr);
		if (version < FirstUnshiftedTextureVersion && pgon.irtxt > 0) --pgon.irtxt;
	}
}

void CandidateBody::ApplyBEXT(const BEXT_51& ext) {
	btype = ext.btype;
	wrap = ext.wrap;
	std::memcpy(coor, ext.coor, sizeof coor);
}

} // namespace Modeler
