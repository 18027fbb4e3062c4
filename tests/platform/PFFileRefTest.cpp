#include "platform/PFFileRef.h"
#include "platform/BMMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(PFFileRef, CloneNamesTheSameFileAndIsOwnedSeparately) {
	char* ref = PFCreateFileRef(IO::Location("/textures/wood/oak.jpg"));
	ASSERT_NE(ref, nullptr);
	char* clone = PFCloneFileRef(ref);
	ASSERT_NE(clone, nullptr);
	EXPECT_NE(clone, ref);
	EXPECT_TRUE(PFEqualFile(ref, clone));

	// The clone survives the original.
	PFFreeFileRef(&ref);
	EXPECT_EQ(ref, nullptr);
	IO::Name name;
	ASSERT_EQ(PFGetFileName(clone, &name), NoError);
	EXPECT_EQ(name.ToUtf8(), "oak.jpg");
	IO::Location location;
	ASSERT_EQ(PFGetFileLocation(clone, &location), NoError);
	EXPECT_EQ(location.ToUtf8(), "/textures/wood/oak.jpg");
	PFFreeFileRef(&clone);
	PFFreeFileRef(&clone); // a null reference is ignored
	PFFreeFileRef(nullptr);
}

TEST(PFFileRef, EqualityComparesNormalisedPaths) {
	char* a = PFCreateFileRef(IO::Location("/textures/wood/../wood/oak.jpg"));
	char* b = PFCreateFileRef(IO::Location("/textures/wood/oak.jpg"));
	char* c = PFCreateFileRef(IO::Location("/textures/wood/pine.jpg"));
	EXPECT_TRUE(PFEqualFile(a, b));
	EXPECT_FALSE(PFEqualFile(b, c));
	EXPECT_FALSE(PFEqualFile(a, nullptr));
	EXPECT_FALSE(PFEqualFile(nullptr, nullptr));
	PFFreeFileRef(&a);
	PFFreeFileRef(&b);
	PFFreeFileRef(&c);
}

TEST(PFFileRef, NullAndForeignBlocksAreRefused) {
	EXPECT_EQ(PFCreateFileRef(IO::Location()), nullptr);
	EXPECT_EQ(PFCloneFileRef(nullptr), nullptr);
	IO::Name name("stale");
	EXPECT_NE(PFGetFileName(nullptr, &name), NoError);
	EXPECT_TRUE(name.IsEmpty());

	// A block that is not a file reference (or whose length runs past its block).
	char* foreign = BMAllocatePtr(32, ALLOCATE_CLEAR);
	std::memcpy(foreign, "PFRF", 4);
	const UInt32 hugeLength = 1000;
	std::memcpy(foreign + 4, &hugeLength, 4);
	EXPECT_EQ(PFCloneFileRef(foreign), nullptr);
	EXPECT_NE(PFGetFileName(foreign, &name), NoError);
	BMKillPtr(&foreign);

	// A root has no file name.
	char* root = PFCreateFileRef(IO::Location("/"));
	ASSERT_NE(root, nullptr);
	EXPECT_NE(PFGetFileName(root, &name), NoError);
	PFFreeFileRef(&root);
}

} // namespace
