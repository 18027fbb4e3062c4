// The built-in sample model of the m3d tool: a small building made through the public
// interface only (body builder, elements, light sources, attribute store).
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/elements/elem/Elem.h"
#include "platform/KitArray.h"

#include <optional>

namespace Sample {

struct Building {
	Kit::SharedPtr<Modeler::Attributes> attributes;
	// In placement order: four walls with windows, the slab, six columns sharing one base
	// element, a round column (curved body) and a lamp with two lights.
	Kit::Array<Kit::SharedPtr<Modeler::Elem>> elems;
};

// The element identifiers are random unless a seed is given; the same seed gives the
// same identifiers, so two runs can be compared line by line.
Building MakeBuilding(std::optional<UInt64> seed = std::nullopt);

} // namespace Sample
