// BodyHeader: defaults, the legacy BODY record, the quick-stream header block and the
// header comparison.
#include "Model3D/bodies/body/BodyHeader.h"

#include "Model3D/bodies/body/detail/BodyRecordRules.h"
#include "platform/KitException.h"

#include <cstddef>
#include <cstring>

namespace Modeler {

namespace {

// The 72-byte header block of the quick streams.
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

static_assert(sizeof(QuickHeader) == BodyHeader::QuickHeaderSize);
static_assert(offsetof(QuickHeader, edgePenIdx) == 4 && offsetof(QuickHeader, btype) == 8);
static_assert(offsetof(QuickHeader, sltype) == 18 && offsetof(QuickHeader, fatherBind) == 20);
static_assert(offsetof(QuickHeader, wrap) == 24 && offsetof(QuickHeader, coor) == 28);
static_assert(offsetof(QuickHeader, bounds) == 44 && offsetof(QuickHeader, flag) == 68);

} // namespace

void BodyHeader::GetLocalCoordSys(Int32* out) const {
	std::memcpy(out, coor, sizeof coor);
}

bool BodyHeader::HasSameLocalCoordSys(const BodyHeader* other) const {
	return std::memcmp(coor, other->coor, sizeof coor) == 0;
}

void BodyHeader::SetLocalCoordSys(const Int32* values) {
	if (values == nullptr)
		std::memset(coor, 0, sizeof coor);
	else
		std::memcpy(coor, values, sizeof coor);
}

void BodyHeader::GetVisualAttribs(Int16* ifillOut, Int16* sbkgcOut, Int16* sconcOut, Int16* sfilcOut,
                                  Int16* sltypeOut) const {
	*ifillOut = ifill;
	*sbkgcOut = sbkgc;
	*sconcOut = sconc;
	*sfilcOut = sfilc;
	*sltypeOut = sltype;
}

void BodyHeader::SetVisualAttribs(Int16 ifillIn, Int16 sbkgcIn, Int16 sconcIn, Int16 sfilcIn, Int16 sltypeIn) {
	ifill = ifillIn;
	sbkgc = sbkgcIn;
	sconc = sconcIn;
	sfilc = sfilcIn;
	sltype = sltypeIn;
}

void BodyHeader::ResetHeader() {
	*this = BodyHeader();
}

void BodyHeader::SetupFromBODY(const BODY& record) {
	status = record.status;
	if (record.btypeOrCut == BodyCutShapeType) {
		status |= BodyCut;
		btype = record.btype;
	} else {
		btype = static_cast<Int16>(record.btypeOrCut);
	}
	ifill = record.ifill;
	sbkgc = record.sbkgc;
	fatherBind = record.fatherBind;
	edgePenIdx = record.edgePenIdx;
	iumat = record.iumat;
	bounds = F_Box3D{record.box[0], record.box[1], record.box[3], record.box[4], record.box[2], record.box[5]};
	wrap = record.wrap;
	std::memcpy(coor, record.coor, sizeof coor);
	sconc = record.sconc;
	sfilc = static_cast<Int16>(record.sfilc);
	sltype = record.sltype;
}

void BodyHeader::FillBODY(BODY* record, const BodyRecordCounts& counts) const {
	std::memset(record, 0, sizeof(BODY));
	record->status = status & ~BodyCut;
	record->ifill = ifill;
	record->sbkgc = sbkgc;
	record->fatherBind = fatherBind;
	record->btypeOrCut = IsCut() ? BodyCutShapeType : static_cast<UInt16>(btype);
	record->btype = btype;
	record->edgePenIdx = edgePenIdx;
	record->iumat = iumat;
	const float box[6] = {bounds.xMin, bounds.yMin, bounds.zMin, bounds.xMax, bounds.yMax, bounds.zMax};
	std::memcpy(record->box, box, sizeof box);
	record->fpgon = 1;
	record->lpgon = static_cast<Int32>(counts.polygons);
	record->fpedg = 1;
	record->lpedg = static_cast<Int32>(counts.polyEdges);
	record->fedge = 1;
	record->ledge = static_cast<Int32>(counts.edges);
	record->fvert = 1;
	record->lvert = static_cast<Int32>(counts.vertices);
	record->fvect = 1;
	record->lvect = static_cast<Int32>(counts.polyNormals);
	record->fspare = 0;
	record->lspare = -1;
	record->fteve = counts.textureVertices > 0 ? 1 : 0;
	record->wrap = wrap;
	std::memcpy(record->coor, coor, sizeof coor);
	record->sconc = sconc;
	record->sfilc = static_cast<UInt16>(sfilc);
	record->sltype = sltype;
}

bool BodyHeader::HeaderEquals(const BodyHeader& o) const {
	return edgePenIdx == o.edgePenIdx && iumat == o.iumat && btype == o.btype && ifill == o.ifill && sbkgc == o.sbkgc &&
	       sconc == o.sconc && sfilc == o.sfilc && sltype == o.sltype && fatherBind == o.fatherBind && wrap == o.wrap &&
	       std::memcmp(coor, o.coor, sizeof coor) == 0 && BodyRules::NearBox(bounds, o.bounds);
}

bool BodyHeader::IsCoordSysOnlyVertex(Int32 i) const {
	return BodyRules::IsCoordSysOnlyVertex(coor, i);
}

void BodyHeader::WriteQuickHeader(Kit::OChannel& ch, UInt8 flag, const char* failure) const {
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
	h.flag = flag;
	if (ch.WriteBin(&h, sizeof h) != 0) throw Kit::InternalErrorException(failure, __FILE__, __LINE__);
}

UInt8 BodyHeader::ReadQuickHeader(Kit::IChannel& ch, const char* failure) {
	QuickHeader h;
	if (ch.GetAvailable() < sizeof h || ch.ReadBin(&h, sizeof h) != 0)
		throw Kit::InternalErrorException(failure, __FILE__, __LINE__);
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
	return h.flag;
}

} // namespace Modeler
