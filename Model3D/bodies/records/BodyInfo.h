// Modeler::BodyInfo: the section attributes of a body (fill, background, contour and fill
// colours, line type) as one small plain record.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace Modeler {

struct M3D_EXPORT BodyInfo {
	Int16 ifill;
	Int16 sbkgc;
	Int16 sconc;
	Int16 sfilc;
	Int16 sltype;

	BodyInfo() { std::memset(this, 0, sizeof(BodyInfo)); }
	BodyInfo(const BodyInfo&) = default;
	BodyInfo& operator=(const BodyInfo&) = default;
	bool operator==(const BodyInfo& other) const { return std::memcmp(this, &other, sizeof(BodyInfo)) == 0; }
	bool operator!=(const BodyInfo& other) const { return !(*this == other); }
};

static_assert(sizeof(BodyInfo) == 10 && std::is_trivially_copyable_v<BodyInfo>);
static_assert(offsetof(BodyInfo, sbkgc) == 2 && offsetof(BodyInfo, sconc) == 4);
static_assert(offsetof(BodyInfo, sfilc) == 6 && offsetof(BodyInfo, sltype) == 8);

} // namespace Modeler
