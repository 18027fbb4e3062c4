// A running count of the work of element bounds: the vertices passed through a
// transformation to compute transformed body boxes, over the whole process.
#pragma once

#include "platform/KitTypes.h"

namespace Modeler::BoundsStatistics {

UInt64 GetTransformedVertexCount();

} // namespace Modeler::BoundsStatistics
