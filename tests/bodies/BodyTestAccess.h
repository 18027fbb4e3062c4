// Gives the tests the owner-only editing members of Body.
#pragma once

#include "Model3D/bodies/body/Body.h"

namespace BodyTests {

class EditableBody : public Modeler::Body {
public:
	using Body::Body;
	explicit EditableBody(const Body& source) : Body(source) {}

	using Body::CalculateBounds;
	using Body::ClrStatusMask;
	using Body::ReorientPolyEdges;
	using Body::ReorientPolygons;
	using Body::SetLocalCoordSys;
	using Body::SetPolyEdge;
	using Body::SetStatusMask;
	using Body::SetupFromBODY;
	using Body::SetVertex;
	using Body::Transform;
	using Body::TransformPart_NoReorient;
};

} // namespace BodyTests
