#include "Model3D/persistence/modelfile/detail/RecordSectionWriter.h"

#include "platform/BMMemory.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cstring>

namespace Modeler::ModelFile {

namespace {

[[noreturn]] void Fail(const char* what) {
	throw Kit::InternalErrorException(what, __FILE__, __LINE__);
}

template <typename T> void CopyRecords(const T* records, UInt64 first, UInt64 n, char* out) {
	std::memcpy(out, records + first, static_cast<USize>(n) * sizeof(T));
}

} // namespace

RecordSectionWriter::~RecordSectionWriter() {
	BMKillPtr(&buffer);
}

UInt32 RecordSectionWriter::RecordCount(const Body& body, RecordSection section) {
	switch (section) {
	case RecordSection::Pgon:
		return body.GetPolygonCount();
	case RecordSection::Pedg:
		return body.GetPolyEdgeCount();
	case RecordSection::Edge:
		return body.GetEdgeCount();
	case RecordSection::Vert:
		return body.GetVertexCount();
	case RecordSection::Vect:
		return body.GetPolyNormalCount();
	case RecordSection::Teve:
		return body.GetTextureVertexCount();
	}
	return 0;
}

UInt32 RecordSectionWriter::RecordSize(RecordSection section) {
	switch (section) {
	case RecordSection::Pgon:
		return sizeof(PgonImage);
	case RecordSection::Pedg:
		return sizeof(Int32);
	case RecordSection::Edge:
		return sizeof(EDGE);
	case RecordSection::Vert:
		return sizeof(VERT);
	case RecordSection::Vect:
		return sizeof(VECT);
	case RecordSection::Teve:
		return sizeof(TEVE);
	}
	return 0;
}

void RecordSectionWriter::Write(const Body& body, RecordSection section) {
	const Body::VarPart& part = body.GetVarPart();
	const UInt64 count = RecordCount(body, section);
	const UInt32 size = RecordSize(section);
	switch (section) {
	case RecordSection::Pgon:
		return WriteChunked(count, size, [&part](UInt64 first, UInt64 n, char* out) {
			for (UInt64 i = 0; i < n; ++i) {
				const PgonImage image = ToPgonImage(part.GetPolygons()[first + i]);
				std::memcpy(out + i * sizeof image, &image, sizeof image);
			}
		});
	case RecordSection::Pedg:
		return WriteChunked(count, size, [&part](UInt64 first, UInt64 n, char* out) {
			for (UInt64 i = 0; i < n; ++i) {
				const Int32 value = part.GetPolyEdge(static_cast<UInt32>(first + i));
				std::memcpy(out + i * sizeof value, &value, sizeof value);
			}
		});
	case RecordSection::Edge:
		return WriteChunked(count, size,
		                    [&part](UInt64 f, UInt64 n, char* o) { CopyRecords(part.GetEdges(), f, n, o); });
	case RecordSection::Vert:
		return WriteChunked(count, size,
		                    [&part](UInt64 f, UInt64 n, char* o) { CopyRecords(part.GetVertices(), f, n, o); });
	case RecordSection::Vect:
		return WriteChunked(count, size,
		                    [&part](UInt64 f, UInt64 n, char* o) { CopyRecords(part.GetPolyNormals(), f, n, o); });
	case RecordSection::Teve:
		return WriteChunked(count, size,
		                    [&part](UInt64 f, UInt64 n, char* o) { CopyRecords(part.GetTextureVertices(), f, n, o); });
	}
}

UInt64 RecordSectionWriter::Reserve(UInt64 count, UInt32 size) {
	for (UInt64 chunk = std::min<UInt64>(count, std::max<UInt64>(MaxChunkBytes / size, 1));; chunk /= 2) {
		if (chunk * size <= bufferBytes) return chunk;
		BMKillPtr(&buffer);
		bufferBytes = 0;
		buffer = BMAllocatePtr(static_cast<Int64>(chunk * size));
		if (buffer != nullptr) {
			bufferBytes = chunk * size;
			return chunk;
		}
		if (chunk / 2 < MinChunkRecords) Fail("FLWriteModel: no memory for a record chunk");
	}
}

void RecordSectionWriter::WriteChunked(UInt64 count, UInt32 size,
                                       const std::function<void(UInt64, UInt64, char*)>& fill) {
	if (count == 0) return;
	const UInt64 chunk = Reserve(count, size);
	for (UInt64 done = 0; done < count;) {
		const UInt64 n = std::min(chunk, count - done);
		fill(done, n, buffer);
		if (channel.WriteBin(buffer, n * size) != 0) Fail("FLWriteModel: cannot write a record section");
		done += n;
	}
}

} // namespace Modeler::ModelFile
