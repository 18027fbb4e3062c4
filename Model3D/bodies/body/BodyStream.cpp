// Body: the legacy record on a channel and the quick (memory image) stream.
#include "Model3D/bodies/body/Body.h"

#include "platform/KitException.h"

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
	WriteQuickHeader(ch, roundNormalsValid ? 1 : 0, "Body::QuickWrite: header not written");
	varPart.QuickWrite(ch);
	ch.Write(static_cast<UInt32>(roundNormals.size()));
	ch.WriteBin(roundNormals.data(), UInt64(24) * roundNormals.size());
	if (ch.GetOutputStatus() != 0) ThrowStream("Body::QuickWrite: write failed", __LINE__);
}

// A stored cache whose size does not match the body is dropped (it is recomputed on
// demand) rather than trusted: a short cache would be read past its end.
void Body::ReadQuickRoundNormals(Kit::IChannel& ch) {
	UInt32 count = 0;
	ch.Read(count);
	if (ch.GetInputStatus() != 0) ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	const UInt64 bytes = UInt64(24) * count;
	if (bytes > ch.GetAvailable()) ThrowStream("Body::QuickRead: round normals exceed the stream", __LINE__);
	roundNormals.SetSize(count);
	if (bytes > 0 && ch.ReadBin(roundNormals.data(), bytes) != 0)
		ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	if (roundNormalsValid && count != GetExpectedRoundNormVectorCount()) ClearRoundNormVectorCache();
}

void Body::QuickRead(Kit::IChannel& ch) {
	Clear();
	try {
		roundNormalsValid = ReadQuickHeader(ch, "Body::QuickRead: truncated header") != 0;
		varPart.QuickRead(ch);
		ReadQuickRoundNormals(ch);
	} catch (...) {
		Clear();
		throw;
	}
}

} // namespace Modeler
