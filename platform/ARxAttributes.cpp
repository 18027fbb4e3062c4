#include "platform/ARxAttributes.h"

#include <limits>
#include <new>
#include <vector>

namespace {

struct AttributeTables {
	std::vector<Kit_RGBColor> pens;
	std::vector<PlanAttr::Fill> fills;
};

AttributeTables& Tables() {
	static AttributeTables tables;
	return tables;
}

} // namespace

short ARxnumPenAttr() {
	return static_cast<short>(Tables().pens.size());
}

GSErrCode ARxgetPenRGB(short pen, Kit_RGBColor* color) {
	if (color == nullptr) return ARxNoSuchAttributeErr;
	const std::vector<Kit_RGBColor>& pens = Tables().pens;
	if (pen < 1 || static_cast<USize>(pen) > pens.size()) {
		*color = Kit_RGBColor();
		return ARxNoSuchAttributeErr;
	}
	*color = pens[static_cast<USize>(pen) - 1];
	return NoError;
}

short ARxnumFillAttr() {
	return static_cast<short>(Tables().fills.size());
}

short ARxindexFillAttr(const Kit::UniString& name) {
	const std::vector<PlanAttr::Fill>& fills = Tables().fills;
	for (USize i = 0; i < fills.size(); ++i) {
		if (fills[i].GetName() == name) return static_cast<short>(i + 1);
	}
	return 0;
}

short ARxindexFillAttr(const char* utf8Name) {
	return ARxindexFillAttr(Kit::UniString(utf8Name));
}

GSErrCode ARxgetFillAttr(short index, PlanAttr::Fill** fill, Int32* byteLength) {
	if (fill == nullptr) return ARxNoSuchAttributeErr;
	*fill = nullptr;
	if (byteLength != nullptr) *byteLength = 0;

	const std::vector<PlanAttr::Fill>& fills = Tables().fills;
	if (index < 1 || static_cast<USize>(index) > fills.size()) return ARxNoSuchAttributeErr;
	const PlanAttr::Fill& source = fills[static_cast<USize>(index) - 1];
	const Int64 length = source.GetDefinitionSize();
	if (length < 0 || length > std::numeric_limits<Int32>::max()) return PlanAttr::BadDetailsErr;

	PlanAttr::Fill* copy = new (std::nothrow) PlanAttr::Fill(source);
	if (copy == nullptr) return PlanAttr::NoMemoryErr;
	*fill = copy;
	if (byteLength != nullptr) *byteLength = static_cast<Int32>(length);
	return NoError;
}

void ARxSetPenTable(const Kit_RGBColor* colors, short count) {
	std::vector<Kit_RGBColor>& pens = Tables().pens;
	pens.clear();
	if (colors != nullptr && count > 0) pens.assign(colors, colors + count);
}

short ARxAddFillAttr(const PlanAttr::Fill& fill) {
	std::vector<PlanAttr::Fill>& fills = Tables().fills;
	if (fills.size() >= static_cast<USize>(std::numeric_limits<short>::max())) return 0;
	fills.push_back(fill);
	const short index = static_cast<short>(fills.size());
	fills.back().SetIndex(index);
	return index;
}

void ARxClearAttributeTables() {
	Tables().pens.clear();
	Tables().fills.clear();
}
