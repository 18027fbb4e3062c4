// CandidateBody: the quick (memory image) stream.
//
// Layout: the 72-byte header block of the body quick stream (the flag byte written as 0),
// then per array — vertices, texture vertices, edges, poly-edges, normals, polygons — a
// UInt32 count and the raw records (24, 8, 24, 4, 24 and 40 bytes; a polygon's cache slot
// is written as zero).
#include "Model3D/bodies/builder/CandidateBody.h"

#include "platform/KitException.h"

#include <algorithm>
#include <vector>

namespace Modeler {

namespace {

PGON FromImage(const PgonImage& image) {
	PGON p;
	AssignPgonImage(p, image);
	return p;
}

[[noreturn]] void ThrowStream(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, __FILE__, line);
}

constexpr USize ChunkRecords = 2048;

// Writes the array as its count and its records, a chunk of plain records at a time.
template <typename T, typename Image, typename Convert>
void WriteArray(Kit::OChannel& ch, const Kit::PagedArray<T>& array, Convert convert) {
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
void ReadArray(Kit::IChannel& ch, Kit::PagedArray<T>& array, Convert convert) {
	UInt32 count = 0;
	if (ch.GetAvailable() < sizeof count) ThrowStream("CandidateBody::QuickRead: truncated stream", __LINE__);
	ch.Read(count);
	if (ch.GetInputStatus() != 0) ThrowStream("CandidateBody::QuickRead: truncated stream", __LINE__);
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

template <typename T> T Same(const T& value) {
	return value;
}

} // namespace

void CandidateBody::QuickWrite(Kit::OChannel& ch) const {
	WriteQuickHeader(ch, 0, "CandidateBody::QuickWrite: header not written");
	WriteArray<VERT, VERT>(ch, vertices, Same<VERT>);
	WriteArray<TEVE, TEVE>(ch, textureVertices, Same<TEVE>);
	WriteArray<EDGE, EDGE>(ch, edges, Same<EDGE>);
	WriteArray<Int32, Int32>(ch, polyEdges, Same<Int32>);
	WriteArray<VECT, VECT>(ch, polyNormals, Same<VECT>);
	WriteArray<PGON, PgonImage>(ch, polygons, ToPgonImage);
	if (ch.GetOutputStatus() != 0) ThrowStream("CandidateBody::QuickWrite: write failed", __LINE__);
}

void CandidateBody::ReadQuickArrays(Kit::IChannel& ch) {
	ReadArray<VERT, VERT>(ch, vertices, Same<VERT>);
	ReadArray<TEVE, TEVE>(ch, textureVertices, Same<TEVE>);
	ReadArray<EDGE, EDGE>(ch, edges, Same<EDGE>);
	ReadArray<Int32, Int32>(ch, polyEdges, Same<Int32>);
	ReadArray<VECT, VECT>(ch, polyNormals, Same<VECT>);
	ReadArray<PGON, PgonImage>(ch, polygons, FromImage);
}

void CandidateBody::QuickRead(Kit::IChannel& ch) {
	Clear();
	try {
		ReadQuickHeader(ch, "CandidateBody::QuickRead: truncated header");
		ReadQuickArrays(ch);
	} catch (...) {
		Clear();
		throw;
	}
}

} // namespace Modeler
