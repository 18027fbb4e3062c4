#include "Model3D/proplist/PropListUserData.h"

#include "Model3D/proplist/KitPropertyList.h"
#include "platform/KitException.h"

namespace Modeler {

const Kit::ClassInfo& PropListUserData::GetClassInfo() {
	static const Kit::ClassInfo info = [] {
		Kit::ClassInfo made("PropListUserData", "{5C4BE6A5-6162-4ebd-9CA4-12431DD4BF25}", Kit::ClassVersion(1, 0));
		Kit::classManager.Register(made);
		return made;
	}();
	return info;
}

void PropListUserData::Read(Kit::IChannel& /*channel*/, const Kit::ClassVersion& version) {
	if (version != Kit::ClassVersion(1, 0)) throw Kit::KitException(nullptr, __FILE__, __LINE__);
}

void PropListUserData::Write(Kit::OChannel& /*channel*/, const Kit::ClassVersion& /*version*/) const {}

namespace {

// Registers both class informations while the module is loaded.
[[maybe_unused]] const bool classesRegistered =
    (PropListUserData::GetClassInfo(), Kit::GetPropertyListTemplateClassInfo(), true);

} // namespace

} // namespace Modeler

namespace Kit {

const ClassInfo& GetPropertyListTemplateClassInfo() {
	static const ClassInfo info = [] {
		ClassInfo made("PropertyList", "{8A6C3F2E-51B4-4D7A-9E0C-27F4B1D85A63}", ClassVersion(1, 0));
		classManager.Register(made);
		return made;
	}();
	return info;
}

} // namespace Kit
