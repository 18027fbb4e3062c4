// Element header, hotspot and transformation records: equality tolerances and the
// header's copy rules.
#include "Model3D/elements/elem/Elem.h"
#include "fixtures/ElemFixtures.h"
#include "platform/KitUtils.h"

#include <gtest/gtest.h>

using Fixtures::IdentityTrafo;
using Fixtures::Translation;
using Modeler::VOCA;

TEST(TranRecord, EqualityToleratesSmallMatrixDifferencesOnly) {
	const TRAN a = Translation(1, 2, 3);
	for (int i = 0; i < 12; ++i) {
		TRAN b = a;
		b.matrix[i] += 1e-5 * 0.999;
		EXPECT_TRUE(a == b) << "entry " << i;
		b.matrix[i] = a.matrix[i] - 2e-5;
		EXPECT_FALSE(a == b) << "entry " << i;
		EXPECT_TRUE(a != b);
	}
	TRAN reservedDiffers = a;
	reservedDiffers.reserved[1] = 77;
	EXPECT_TRUE(a == reservedDiffers);
	TRAN statusDiffers = a;
	statusDiffers.status ^= Geometry::TR_NO_TRANSLATION;
	EXPECT_FALSE(a == statusDiffers);
}

TEST(TranRecord, ModelPointAndVectorFollowTheMatrix) {
	const TRAN t = Fixtures::ScaleAndMove(2.0, 1, 2, 3);
	double x = 1, y = 1, z = 1;
	DLModelPoint(&t, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 3);
	EXPECT_DOUBLE_EQ(y, 4);
	EXPECT_DOUBLE_EQ(z, 5);
	DLModelPoint(nullptr, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 3);

	x = y = z = 1;
	DLModelVector(&t, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 2);
	EXPECT_DOUBLE_EQ(z, 2);
	// A pure translation leaves vectors alone: the status says so.
	const TRAN move = Translation(5, 5, 5);
	ASSERT_NE(move.status & Geometry::TR_NO_NORMAL_TRANSF, 0);
	x = y = z = 1;
	DLModelVector(&move, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 1);
	// The status is trusted: a matrix flagged as not changing vectors is not applied.
	TRAN flagged = t;
	flagged.status |= Geometry::TR_NO_NORMAL_TRANSF;
	DLModelVector(&flagged, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 1);
}

TEST(HotspotRecord, EqualityToleratesCoordinatesButNotTags) {
	const HOTS a = Fixtures::MakeHotspot(1, 2, 3, 4, 5, 6);
	HOTS b = a;
	b.x += 0.9e-5;
	b.y -= 0.9e-5;
	b.z += 0.9e-5;
	EXPECT_TRUE(a == b);
	b.z = a.z + 2e-5;
	EXPECT_FALSE(a == b);

	HOTS c = a;
	c.hostTag1 = 9;
	EXPECT_TRUE(a != c);
	c = a;
	c.hostTag2 = 9;
	EXPECT_FALSE(a == c);
	c = a;
	c.hostId = 9;
	EXPECT_FALSE(a == c);
}

TEST(VocaRecord, EqualityCoversEveryDataField) {
	const VOCA a = Fixtures::MakeVoca();
	VOCA b = a;
	EXPECT_TRUE(a == b);
	b.filler = 123; // not data
	EXPECT_TRUE(a == b);

	auto differs = [&](auto change) {
		VOCA c = a;
		change(c);
		return a != c;
	};
	EXPECT_TRUE(differs([](VOCA& v) { v.attr0++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr1++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr2++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr3++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr4++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr5++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.attr6++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.modiStamp++; }));
	EXPECT_TRUE(differs([](VOCA& v) { v.guid.data4[7] ^= 1; }));
}

TEST(VocaRecord, SetupFromResetsAttr0AndFallsBackToTheProjectStamp) {
	const UInt64 savedStamp = OUGetProjectModiStamp();
	OUSetProjectModiStamp(4242);

	const VOCA src = Fixtures::MakeVoca();
	VOCA copy;
	copy.SetupFrom(src);
	EXPECT_EQ(copy.attr0, 0);
	EXPECT_EQ(copy.guid, src.guid);
	EXPECT_EQ(copy.modiStamp, src.modiStamp);
	copy.attr0 = src.attr0;
	EXPECT_EQ(copy, src);

	VOCA unstamped = src;
	unstamped.modiStamp = 0;
	copy.SetupFrom(unstamped);
	EXPECT_EQ(copy.modiStamp, 4242u);

	VOCA empty = src;
	empty.SetEmpty();
	EXPECT_TRUE(empty.guid.IsNull());
	EXPECT_EQ(empty.modiStamp, 4242u);
	EXPECT_EQ(empty.attr0 | empty.attr1 | empty.attr2 | empty.attr3 | empty.attr4 | empty.attr5 | empty.attr6, 0);

	EXPECT_TRUE(VOCA().guid.IsNull());
	OUSetProjectModiStamp(savedStamp);
}
