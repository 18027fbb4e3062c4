// The shared geometric rules over a finished body.
#include "Model3D/bodies/body/BodyAlgorithms.h"

#include "Model3D/bodies/body/Body.h"

namespace Modeler {

Int16 CheckPgonNormal(const Body& body, Int32 ivect, Int32 count, Int32* refs, bool allContours, bool strict) {
	return BodyRules::CheckPolygonNormal(body, ivect, count, refs, allContours, strict);
}

Int16 IsPgonApexConcave(const Body& body, Int32 normal, Int32 prev, Int32 apex, Int32 next) {
	return BodyRules::IsPgonApexConcave(body, normal, prev, apex, next);
}

Int32 SearchPgonNormal(const Body& body, Int32 first, Int32 last, double x, double y, double z) {
	return BodyRules::SearchPgonNormal(body, first, last, x, y, z);
}

} // namespace Modeler
