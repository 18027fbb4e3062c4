// Writes the record sections of bodies to a model file in chunks: each chunk is copied
// into one buffer and written with one block write. The buffer holds a whole section when
// memory allows and at most MaxChunkBytes; when it cannot be had its size is halved, down
// to MinChunkRecords records.
#pragma once

#include "Model3D/bodies/body/Body.h"
#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

#include <functional>

namespace Modeler::ModelFile {

// The record sections of a body, in file order.
enum class RecordSection { Pgon, Pedg, Edge, Vert, Vect, Teve };
inline constexpr RecordSection RecordSections[] = {RecordSection::Pgon, RecordSection::Pedg, RecordSection::Edge,
                                                   RecordSection::Vert, RecordSection::Vect, RecordSection::Teve};

class RecordSectionWriter {
public:
	static constexpr UInt64 MaxChunkBytes = UInt64(1) << 20;
	static constexpr UInt64 MinChunkRecords = 10;

	explicit RecordSectionWriter(Kit::OChannel& channel) : channel(channel) {}
	~RecordSectionWriter();
	RecordSectionWriter(const RecordSectionWriter&) = delete;
	RecordSectionWriter& operator=(const RecordSectionWriter&) = delete;

	// Writes the body's records of the section in their file form (polygons without their
	// triangle caches, poly-edges as Int32). Failures throw Kit::InternalErrorException.
	void Write(const Body& body, RecordSection section);

	static UInt32 RecordCount(const Body& body, RecordSection section);
	static UInt32 RecordSize(RecordSection section);

private:
	// Writes 'count' records of 'size' bytes, each chunk filled by 'fill(first, n, out)'.
	void WriteChunked(UInt64 count, UInt32 size, const std::function<void(UInt64, UInt64, char*)>& fill);
	// A buffer for as many of 'count' records as can be had; the number of records it holds.
	UInt64 Reserve(UInt64 count, UInt32 size);

	Kit::OChannel& channel;
	char* buffer = nullptr;
	UInt64 bufferBytes = 0;
};

} // namespace Modeler::ModelFile
