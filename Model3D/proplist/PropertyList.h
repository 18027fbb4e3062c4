// The module's property list: named, typed, array-capable parameter lists carried by
// materials and light sources, with their binary stream and their exchange with the
// host's parameter blocks.
//
// Kit::PropertyList<Modeler::PropListUserData> and Parx::PropertyList of the same user
// data are compiled once in PropertyList.cpp; other translation units only use them.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/proplist/KitPropertyList.h"
#include "Model3D/proplist/ParxPropertyList.h"
#include "Model3D/proplist/PropListUserData.h"

extern template class M3D_EXPORT Kit::PropertyList<Modeler::PropListUserData>;
extern template class M3D_EXPORT Parx::PropertyList<Modeler::PropListUserData>;

namespace ParxGen {
// The host's name for the parameter-block capable list.
using PropertyList = Parx::PropertyList<Modeler::PropListUserData>;
} // namespace ParxGen

namespace Modeler {

class M3D_EXPORT PropertyList : public Parx::PropertyList<PropListUserData> {
public:
	PropertyList() = default;
	PropertyList(const PropertyList&) = default;
	PropertyList(const ParxGen::PropertyList& source) : Parx::PropertyList<PropListUserData>(source) {}
	PropertyList& operator=(const PropertyList&) = default;
	PropertyList& operator=(const ParxGen::PropertyList& source) {
		ParxGen::PropertyList::operator=(source);
		return *this;
	}
};

} // namespace Modeler
