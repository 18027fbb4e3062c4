// Body: the legacy record on a channel and the quick (memory image) stream.
#include "Model3D/bodies/Body.h"

#include "platform/KitException.h"

#include <cstddef>
#include <cstring>

namespace Modeler {

namespace {

// The 72-byte header block of the quick stream.
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
	UInt8 roundNormalsValid;
	UInt8 padding2[3];
};

static_assert(sizeof(QuickHeader) == 72);
static_assert(offsetof(QuickHeader, edgePenIdx) == 4 && offsetof(QuickHeader, btype) == 8);
static_assert(offsetof(QuickHeader, sltype) == 18 && offsetof(QuickHeader, fatherBind) == 20);
static_assert(offsetof(QuickHeader, wrap) == 24 && offsetof(QuickHeader, coor) == 28);
static_assert(offsetof(QuickHeader, bounds) == 44 && offsetof(QuickHeader, roundNormalsValid) == 68);

[[noreturn]] void ThrowStream(const char* message, UInt32 line)
{
	throw Kit::InternalErrorException(message, __FILE__, line);
}

}	// namespace

void Body::WriteAsBODY(Kit::OChannel& ch) const
{
	BODY record;
	ToBODY(&record);
	if (ch.WriteBin(&record, sizeof record) != 0 || ch.GetOutputStatus() != 0)
		throw Kit::RunTimeErrorException("Body::WriteAsBODY failed", "Model3D/Body", 1133);
}

void Body::WriteQuickHeader(Kit::OChannel& ch) const
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
	h.roundNormalsValid = roundNormalsValid ? 1 : 0;
	if (ch.WriteBin(&h, sizeof h) != 0)
		ThrowStream("Body::QuickWrite: header not written", __LINE__);
}

void Body::QuickWrite(Kit::OChannel& ch) const
{
	ClearConvexPolygonCache();
	WriteQuickHeader(ch);
	varPart.QuickWrite(ch);
	ch.Write(static_cast<UInt32>(roundNormals.size()));
	ch.WriteBin(roundNormals.data(), UInt64(24) * roundNormals.size());
	if (ch.GetOutputStatus() != 0)
		ThrowStream("Body::QuickWrite: write failed", __LINE__);
}

void Body::ReadQuickHeader(Kit::IChannel& ch)
{
	QuickHeader h;
	if (ch.GetAvailable() < sizeof h || ch.ReadBin(&h, sizeof h) != 0)
		ThrowStream("Body::QuickRead: truncated header", __LINE__);
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
	roundNormalsValid = h.roundNormalsValid != 0;
}

// A stored cache whose size does not match the body is dropped (it is recomputed on
// demand) rather than trusted: a short cache would be read past its end.
void Body::ReadQuickRoundNormals(Kit::IChannel& ch)
{
	UInt32 count = 0;
	ch.Read(count);
	if (ch.GetInputStatus() != 0)
		ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	const UInt64 bytes = UInt64(24) * count;
	if (bytes > ch.GetAvailable())
		ThrowStream("Body::QuickRead: round normals exceed the stream", __LINE__);
	roundNormals.SetSize(count);
	if (bytes > 0 && ch.ReadBin(roundNormals.data(), bytes) != 0)
		ThrowStream("Body::QuickRead: truncated stream", __LINE__);
	if (roundNormalsValid && count != GetExpectedRoundNormVectorCount())
		ClearRoundNormVectorCache();
}

void Body::QuickRead(Kit::IChannel& ch)
{
	Clear();
	try {
		ReadQuickHeader(ch);
		varPart.QuickRead(ch);
		ReadQuickRoundNormals(ch);
	} catch (...) {
		Clear();
		throw;
	}
}

}	// namespace Modeler
