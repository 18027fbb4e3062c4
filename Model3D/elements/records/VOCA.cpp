#include "Model3D/elements/records/VOCA.h"

#include "platform/KitUtils.h"

namespace Modeler {

void VOCA::SetEmpty() {
	guid = Kit::NULLGuid;
	attr0 = 0;
	attr1 = attr2 = attr3 = attr4 = 0;
	attr5 = attr6 = 0;
	modiStamp = OUGetProjectModiStamp();
}

void VOCA::SetupFrom(const VOCA& src) {
	guid = src.guid;
	attr0 = 0;
	attr1 = src.attr1;
	attr2 = src.attr2;
	attr3 = src.attr3;
	attr4 = src.attr4;
	attr5 = src.attr5;
	attr6 = src.attr6;
	modiStamp = src.modiStamp != 0 ? src.modiStamp : OUGetProjectModiStamp();
}

bool operator==(const VOCA& a, const VOCA& b) {
	return a.attr0 == b.attr0 && a.attr1 == b.attr1 && a.attr2 == b.attr2 && a.attr3 == b.attr3 && a.attr4 == b.attr4 &&
	       a.guid == b.guid && a.attr5 == b.attr5 && a.attr6 == b.attr6 && a.modiStamp == b.modiStamp;
}

} // namespace Modeler
