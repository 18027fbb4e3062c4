// CandidateBody: the quick (memory image) stream.
//
// Layout: the 72-byte header block of the body quick stream (the flag byte written as 0),
// then per array — vertices, texture vertices, edges, poly-edges, normals, polygons — a
// UInt32 count and the raw records (24, 8, 24, 4, 24 and 40 bytes; a polygon's cache slot
// is written as zero).
#include "Model3D/bodies/CandidateBody.h"

#include "platform/KitException.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

namespace Modeler {

namespace {

struct QuickHeader {
	UInt32 status;
	Int16 edgePenIdx;
	Int16 iumat;
	Int16 btype;
	Int16 ifill;
	Int16 sbkgc;
	Int16 sconc;
	Int16 sfilc;
	Int16 sltype;
	UInt32 fatherBind;
	Int16 wrap;
	Int16 padding1;
	Int32 coor[4];
	F_Box3D bounds;
	UInt8 flag;
	UInt8 padding2[3];
};

static_assert(sizeof(QuickHeader) == 72);
static_assert(offsetof(QuickHeader, edgePenIdx) == 4 && offsetof(QuickHeader, btype) == 8);
static_assert(offsetof(QuickHeader, sltype) == 18 && offsetof(QuickHeader, fatherBind) == 20);
static_assert(offsetof(QuickHeader, wrap) == 24 && offsetof(QuickHeader, coor) == 28);
static_assert(offsetof(QuickHeader, bounds) == 44 && offsetof(QuickHeader, flag) == 68);

// A polygon as it is written: the fields of PGON with its cache slot as a plain value.
struct PgonImage {
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

static_assert(sizeof(PgonImage) == 40 && std::is_trivially_copyable_v<PgonImage>);
static_assert(offsetof(PgonImage, irtxt) == offsetof(PGON, irtxt) && offsetof(PgonImage, mpuid) == offsetof(PGON, mpuid));
static_assert(offsetof(PgonImage, cache) == offsetof(PGON, cpols));

PgonImage ToImage(const PGON& p)
{
	return PgonImage{p.status, p.dummy, p.iumat, p.irtxt, p.ivect, p.fpedg, p.lpedg, p.mpuid, 0, 0};
}

PGON FromImage(const PgonImage& im)
{
	PGON p;
	p.status = im.status;
	p.dummy = im.dummy;
	p.iumat = im.iumat;
	p.irtxt = im.irtxt;
	p.ivect = im.ivect;
	p.fpedg = im.fpedg;
	p.lpedg = im.lpedg;
	p.mpuid = im.mpuid;
	return p;
}

[[noreturn]] void ThrowStream(const char* message, UInt32 line)
{
	throw Kit::InternalErrorException(message, __FILE__, line);
}

constexpr USize ChunkRecords = 2048;

// Writes the array as its count and its records, a chunk of plain records at a time.
template <typename T, typename Image, typename Convert>
void WriteArray(Kit::OChannel& ch, const Kit::PagedArray<T>& array, Convert convert)
{
	ch.Write(static_cast<UInt32>(array.GetSize()));
	std::vector<Image> chunk;
	chunk.reserve(std::min(array.GetSize(), ChunkRecords));
	for (USize i = 0; i < array.GetSize(); ++i) {
		chunk.push_back(convert(array[i]));
		if (chunk.size() == ChunkRecords || i + 1 == array.GetSize()) {
			ch.WriteBin(chunk.data(), UInt64(sizeof(Image)) * chunk.size());
			chunk.clear();
		}
	}
}

// Reads a count and that many records. The count is refused before anything is
// allocated when the channel cannot hold that many records.
template <typename T, typename Image, typename Convert>
void ReadArray(Kit::IChannel& ch, Kit::PagedArray<T>& array, Convert convert)
{
	UInt32 count = 0;
	if (ch.GetAvailable() < sizeof count)
		ThrowStream("CandidateBody::QuickRead: truncated stream", __LINE__);
	ch.Read(count);
	if (ch.GetInputStatus() != 0)
		ThrowStream("CandidateBody::QuickRead: truncated stream", __LINE__);
	if (UInt64(count) * sizeof(Image) > ch.GetAvailable())
		ThrowStream("CandidateBody::QuickRead: count exceeds the stream", __LINE__);
	array.Clear();
	std::vector<Image> chunk(std::min<USize>(count, ChunkRecords));
	for (UInt32 done = 0; done < count;) {
		const USize n = std::min<USize>(count - done, ChunkRecords);
		if (ch.ReadBin(chunk.data(), UInt64(sizeof(Image)) * n) != 0)
			ThrowStream("CandidateBody::QuickRead: truncated stream", __LINE__);
		for (USize i = 0; i < n; ++i)
			array.Push(convert(chunk[i]));
		done += static_cast<UInt32>(n);
	}
}

template <typename T>
T Same(const T& value)
{
	return value;
}

}	// namespace

void CandidateBody::QuickWrite(Kit::OChannel& ch) const
{
	QuickHeader h;
	std::memset(&h, 0, sizeof h);
	h.status = status;
	h.edgePenIdx = edgePenIdx;
	h.iumat = iumat;
	h.btype = btype;
	h.ifill = ifill;
	h.sbkgc = sbkgc;
	h.sconc = sconc;
	h.sfilc = sfilc;
	h.sltype = sltype;
	h.fatherBind = fatherBind;
	h.wrap = wrap;
	std::memcpy(h.coor, coor, sizeof coor);
	h.bounds = bounds;
	if (ch.WriteBin(&h, sizeof h) != 0)
		ThrowStream("CandidateBody::QuickWrite: header not written", __LINE__);
	WriteArray<VERT, VERT>(ch, vertices, Same<VERT>);
	WriteArray<TEVE, TEVE>(ch, textureVertices, Same<TEVE>);
	WriteArray<EDGE, EDGE>(ch, edges, Same<EDGE>);
	WriteArray<Int32, Int32>(ch, polyEdges, Same<Int32>);
	WriteArray<VECT, VECT>(ch, polyNormals, Same<VECT>);
	WriteArray<PGON, PgonImage>(ch, polygons, ToImage);
	if (ch.GetOutputStatus() != 0)
		ThrowStream("CandidateBody::QuickWrite: write failed", __LINE__);
}

void CandidateBody::ReadQuickArrays(Kit::IChannel& ch)
{
	ReadArray<VERT, VERT>(ch, vertices, Same<VERT>);
	ReadArray<TEVE, TEVE>(ch, textureVertices, Same<TEVE>);
	ReadArray<EDGE, EDGE>(ch, edges, Same<EDGE>);
	ReadArray<Int32, Int32>(ch, polyEdges, Same<Int32>);
	ReadArray<VECT, VECT>(ch, polyNormals, Same<VECT>);
	ReadArray<PGON, PgonImage>(ch, polygons, FromImage);
}

void CandidateBody::QuickRead(Kit::IChannel& ch)
{
	Clear();
	try {
		QuickHeader h;
		if (ch.GetAvailable() < sizeof h || ch.ReadBin(&h, sizeof h) != 0)
			ThrowStream("CandidateBody::QuickRead: truncated header", __LINE__);
		status = h.status;
		edgePenIdx = h.edgePenIdx;
		iumat = h.iumat;
		btype = h.btype;
		ifill = h.ifill;
		sbkgc = h.sbkgc;
		sconc = h.sconc;
		sfilc = h.sfilc;
		sltype = h.sltype;
		fatherBind = h.fatherBind;
		wrap = h.wrap;
		std::memcpy(coor, h.coor, sizeof coor);
		bounds = h.bounds;
		ReadQuickArrays(ch);
	} catch (...) {
		Clear();
		throw;
	}
}

}	// namespace Modeler
