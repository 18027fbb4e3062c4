// Modeler::PropListUserData: the per-entry user data of the module's property lists.
// It holds nothing; it takes part in the stream only through its class version.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitChannel.h"
#include "platform/KitFrame.h"

namespace Modeler {

struct M3D_EXPORT PropListUserData {
	// Nothing of it goes into a stream (the list streams its entry table in one block).
	static constexpr bool StreamsNothing = true;

	// "PropListUserData", {5C4BE6A5-6162-4ebd-9CA4-12431DD4BF25}, version 1.0; registered
	// with the class manager when the module is loaded.
	static const Kit::ClassInfo& GetClassInfo();

	// Reads nothing; only version 1.0 is accepted (anything else throws Kit::KitException).
	void Read(Kit::IChannel& channel, const Kit::ClassVersion& version);
	// Writes nothing.
	void Write(Kit::OChannel& channel, const Kit::ClassVersion& version) const;

	friend bool operator==(const PropListUserData&, const PropListUserData&) = default;
};

} // namespace Modeler
