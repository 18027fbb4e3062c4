// Result of comparing two vertices of a body by index and position.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

namespace Modeler {

class M3D_EXPORT VerticesPosition {
public:
	enum : Int32 {
		DifferentPosition = 0, // the vertices are at different positions
		SameIndex = 1,         // the same vertex index
		SamePosition = 2,      // different indices at the same position
	};

	constexpr VerticesPosition() = default;
	constexpr explicit VerticesPosition(Int32 value) : value(value) {}

	constexpr Int32 GetValue() const { return value; }
	constexpr bool IsSameIndex() const { return value == SameIndex; }
	constexpr bool IsSamePosition() const { return value == SamePosition; }
	constexpr bool IsDifferent() const { return value == DifferentPosition; }
	constexpr bool operator==(const VerticesPosition&) const = default;

private:
	Int32 value = DifferentPosition;
};

} // namespace Modeler
