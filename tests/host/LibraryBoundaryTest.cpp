// The module as a host uses it: linked against the shared library, seeing only the public
// headers. Exceptions thrown inside the library must be caught by their own types here.
#include "model3d.h"

#include <gtest/gtest.h>

namespace {

TEST(LibraryBoundary, ExceptionsThrownInsideTheLibraryKeepTheirTypes) {
	const Kit::ConstSharedPtr<Modeler::Attributes> none;
	bool caughtExactly = false;
	try {
		const Modeler::Attributes::Viewer viewer(none);
	} catch (const Kit::IllegalArgumentException& e) {
		caughtExactly = true;
		EXPECT_NE(dynamic_cast<const Kit::KitException*>(&e), nullptr);
	} catch (...) {
	}
	EXPECT_TRUE(caughtExactly);

	EXPECT_THROW(Modeler::Attributes::Viewer{none}, Kit::KitException);
}

TEST(LibraryBoundary, TheLibraryStartsAndStops) {
	EXPECT_EQ(GetTemporaryFolder(), nullptr);
	const Kit::SharedPtr<Modeler::Attributes> attributes = Modeler::Attributes::New();
	const Modeler::Attributes::Viewer viewer(attributes);
	EXPECT_EQ(viewer.GetMaterialCount(), 0u);
}

} // namespace
