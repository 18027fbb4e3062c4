// The filter of a body listing (Body::Print): which bodies and which of their polygons
// are listed. Flags are non-zero to switch a test on.
#pragma once

#include "platform/KitTypes.h"

namespace Modeler {

struct List3dRec {
	Int16 byShapeType = 0;       // list only bodies whose shape type is in [minShapeType, maxShapeType]
	Int16 byBodyStatus = 0;      // list only bodies whose status passes bodyStatusMask
	Int16 byBodyMaterial = 0;    // list only bodies of material bodyMaterial
	Int16 byPolygonRange = 0;    // list only polygons numbered firstPolygon … lastPolygon (from 1)
	Int16 byPolygonStatus = 0;   // list only polygons whose status passes polygonStatusMask
	Int16 byPolygonMaterial = 0; // list only polygons of material polygonMaterial
	Int32 firstPolygon = 0;
	Int32 lastPolygon = 0;
	Int16 minShapeType = 0;
	Int16 maxShapeType = 0;
	UInt32 bodyStatusMask = 0;
	UInt32 polygonStatusMask = 0;
	// A status passes when all mask bits are set (requireAll), or none is (requireNone).
	Int32 bodyRequireAll = 0;
	Int32 bodyRequireNone = 0;
	Int32 polygonRequireAll = 0;
	Int32 polygonRequireNone = 0;
	Int16 bodyMaterial = 0;
	Int16 polygonMaterial = 0;
};

} // namespace Modeler
