// Body: the legacy record on a channel and the quick (memory image) stream.
#include "Model3D/bodies/body/Body.h"

#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <memory>

namespace Modeler {

namespace {

[[noreturn]] void ThrowStream(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, __FILE__, line);
}

} // namespace

void Body::WriteAsBODY(Kit::OChannel& ch) const {
	BODY record;
	ToBODY(&record);
	if (ch.WriteBin(&record, sizeof record) != 0 || ch.GetOutputStatus() != 0)
		throw Kit::RunTimeErrorException("Body::WriteAsBODY failed", "Model3D/Body", 1133);
}

void Body::QuickWrite(Kit::OChannel& ch) const {
	ClearConvexPolygonCache();
	const RoundNormals* normals = roundNormals.load(std::memory_order_acquire);
	const UInt32 count = normals != nullptr ? static_cast<UInt32>(normals->size()) : 0;
	// A memory channel takes the whole image in one piece rather than growing by halves.
	if (auto* memory = dynamic_cast<IO::MemoryOChannel*>(&ch))
		memory->Reserve(QuickHeaderSize + varPart.GetStreamSize() + sizeof count + UInt64(24) * count);
	WriteQuickHeader(ch, normals != nullptr ? 1 : 0, "Body::QuickWrite: header not written");
	varPart.QuickWrite(ch);
	ch.Write(count);
	if (count > 0) ch.WriteBin(normals->data(), UInt64(24) * count);
	if (ch.GetOutputStatus() != 0) ThrowStream("Body::QuickWrite: write failed", __LINE__);
}

// A stored cache whose size does not match the body is dropped (it is recomputed on
// demand) rather than trusted: a short cache would be read past its end.
void Body::ReadQuickRoundNormals(Kit::IChannel& ch, bool valid) {
	UInt32 count = 0;
	ch.Read(count);
	if (ch.GetInputStatus() != 0) ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	const UInt64 bytes = UInt64(24) * count;
	if (bytes > ch.GetAvailable()) ThrowStream("Body::QuickRead: round normals exceed the stream", __LINE__);
	auto normals = std::make_unique<RoundNormals>(count);
	if (bytes > 0 && ch.ReadBin(normals->data(), bytes) != 0)
		ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	if (valid && count == GetExpectedRoundNormVectorCount()) {
		ClearRoundNormVectorCache();
		roundNormals.store(normals.release(), std::memory_order_release);
	}
}

void Body::QuickRead(Kit::IChannel& ch) {
	Clear();
	try {
		const bool normalsValid = ReadQuickHeader(ch, "Body::QuickRead: truncated header") != 0;
		varPart.QuickRead(ch);
		ReadQuickRoundNormals(ch, normalsValid);
	} catch (...) {
		Clear();
		throw;
	}
}

} // namespace Modeler
