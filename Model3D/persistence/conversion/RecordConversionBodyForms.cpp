// Conversion of old body header forms to the current BODY record.
#include "Model3D/persistence/conversion/RecordConversion.h"

#include <cstring>

namespace {

// A cleared body with the fields that every converted body shares.
void ResetBody(BODY* body) {
	*body = BODY{};
	body->sbkgc = -2;
	body->fspare = 0;
	body->lspare = -1;
}

void CopyBox(BODY* body, const float (&box)[6]) {
	for (int i = 0; i < 6; ++i)
		body->box[i] = box[i];
}

// The ten range values fpgon … lvect.
void CopyRanges(BODY* body, const Int32 (&ranges)[10]) {
	body->fpgon = ranges[0];
	body->lpgon = ranges[1];
	body->fpedg = ranges[2];
	body->lpedg = ranges[3];
	body->fedge = ranges[4];
	body->ledge = ranges[5];
	body->fvert = ranges[6];
	body->lvert = ranges[7];
	body->fvect = ranges[8];
	body->lvect = ranges[9];
}

void CopyCoor(BODY* body, const Int32 (&coor)[4]) {
	for (int i = 0; i < 4; ++i)
		body->coor[i] = coor[i];
}

// Shape types of form 41 above this value carry it as an offset.
constexpr UInt16 Body41ShapeTypeOffset = 30000;

} // namespace

void FCBody51FromBody41(BODY_51* body51, const BODY_41* body41) {
	if (body51 == nullptr || body41 == nullptr) return;
	BODY_51 result{};
	result.status = body41->status;
	const UInt16 btype = body41->btype > Body41ShapeTypeOffset ? body41->btype - Body41ShapeTypeOffset : body41->btype;
	result.btype = static_cast<Int16>(btype);
	static_assert(sizeof body41->fatherBind == sizeof result.fatherBind);
	std::memcpy(&result.fatherBind, body41->fatherBind, sizeof result.fatherBind);
	result.edgePenIdx = body41->edgePenIdx;
	result.iumat = body41->iumat;
	std::memcpy(result.box, body41->box, sizeof result.box);
	std::memcpy(result.ranges, body41->ranges, sizeof result.ranges);
	*body51 = result;
}

void FCBodyFromBody51(BODY* body, const BODY_51* body51) {
	if (body == nullptr || body51 == nullptr) return;
	ResetBody(body);
	body->status = body51->status;
	body->fatherBind = static_cast<UInt32>(body51->fatherBind);
	body->btypeOrCut = static_cast<UInt16>(body51->btype);
	body->btype = body51->btype;
	body->edgePenIdx = body51->edgePenIdx;
	body->iumat = body51->iumat;
	CopyBox(body, body51->box);
	CopyRanges(body, body51->ranges);
}

void FCBodyFromBody60(BODY* body, const BODY_60* body60) {
	if (body == nullptr || body60 == nullptr) return;
	ResetBody(body);
	body->status = body60->status;
	body->itran = body60->itran;
	body->fatherBind = static_cast<UInt32>(body60->fatherBind);
	body->btypeOrCut = static_cast<UInt16>(body60->btypeOrCut);
	body->btype = body60->btypeOrCut;
	body->edgePenIdx = body60->edgePenIdx;
	body->iumat = body60->iumat;
	CopyBox(body, body60->box);
	CopyRanges(body, body60->ranges);
	body->fteve = body60->fteve;
	body->reserved2 = body60->reserved3;
	body->wrap = body60->wrap;
	CopyCoor(body, body60->coor);
}

void FCBodyFromBody601(BODY* body, const BODY_60* body601) {
	FCBodyFromBody60(body, body601);
}

void FCBodyFromBody90(BODY* body, const BODY_90* body90) {
	if (body == nullptr || body90 == nullptr) return;
	static_assert(sizeof(BODY_90) < sizeof(BODY));
	BODY result{};
	std::memcpy(&result, body90, sizeof(BODY_90));
	result.btype = static_cast<Int16>(result.btypeOrCut);
	result.fspare = 0;
	result.lspare = -1;
	result.sltype = 0;
	result.filler = 0;
	*body = result;
}

void FCBodyFromBext51(BODY* body, const BEXT_51* bext51) {
	if (body == nullptr || bext51 == nullptr) return;
	body->btype = bext51->btype;
	body->wrap = bext51->wrap;
	CopyCoor(body, bext51->coor);
}
