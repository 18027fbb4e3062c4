// Parx::PropertyList: the property list together with its exchange with the host's
// additional-parameter blocks (layout in platform/ParxBlock.h, version 21).
#pragma once

#include "Model3D/proplist/KitPropertyList.h"

namespace Parx {

template <typename UserData> class PropertyList : public Kit::PropertyList<UserData> {
public:
	PropertyList() = default;
	PropertyList(const Kit::PropertyList<UserData>& source) : Kit::PropertyList<UserData>(source) {}
	PropertyList(const PropertyList&) = default;
	PropertyList& operator=(const PropertyList&) = default;

	// Clears the list and appends n Int scalars with empty names.
	void Create(UInt32 n);
	// Replaces the contents with the parameters of a version-21 block in native byte
	// order. On failure the list is left empty and the error thrown.
	void ReadFromAddParHandle(GSHandle handle);
	// A new version-21 block of the entries; the caller owns it. Names are cut to 31
	// characters.
	GSHandle WriteToAddParHandle() const;
};

} // namespace Parx
