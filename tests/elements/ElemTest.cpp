// Elem and BaseElem: construction state, flags, transformation, bounds, copies,
// equality and size figures.
#include "Model3D/elements/elem/Elem.h"
#include "fixtures/ElemFixtures.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <cstring>

using Fixtures::MakeBaseElem;
using Fixtures::MakeCube;
using Fixtures::MakeElem;
using Fixtures::MakeHotspot;
using Fixtures::Translation;
using Modeler::BaseElem;
using Modeler::Body;
using Modeler::Elem;

namespace {

void ExpectBox(const F_Box3D& box, float x0, float y0, float z0, float x1, float y1, float z1) {
	EXPECT_FLOAT_EQ(box.xMin, x0);
	EXPECT_FLOAT_EQ(box.yMin, y0);
	EXPECT_FLOAT_EQ(box.zMin, z0);
	EXPECT_FLOAT_EQ(box.xMax, x1);
	EXPECT_FLOAT_EQ(box.yMax, y1);
	EXPECT_FLOAT_EQ(box.zMax, z1);
}

} // namespace

TEST(Elem, NewElementStateAndGenerationIds) {
	const Modeler::VOCA id = Fixtures::MakeVoca();
	Kit::SharedPtr<Elem> a(new Elem(id, true, false, nullptr));
	Kit::SharedPtr<Elem> b(new Elem(id, false, true, nullptr));

	EXPECT_FALSE(a->IsInvalid());
	EXPECT_TRUE(a->IsParent());
	EXPECT_FALSE(a->IsChild());
	EXPECT_TRUE(b->IsChild());
	EXPECT_FALSE(b->IsParent());
	EXPECT_FALSE(a->GetBoundsCalculated());
	EXPECT_EQ(a->GetElemId(), id);
	EXPECT_TRUE(a->GetBounds().IsEmpty());
	EXPECT_NE(a->GetConstTrafo().status & Geometry::TR_IDENT, 0);
	ASSERT_NE(a->GetConstBaseElem(), nullptr);
	EXPECT_EQ(a->GetBodyCount(), 0u);
	EXPECT_NE(a->GetConstBaseElem(), b->GetConstBaseElem());

	// Ids are handed out in increasing order and never repeat.
	EXPECT_GT(b->GetGenId(), a->GetGenId());
	const UInt32 before = b->GetGenId();
	b->UpdateGenId();
	EXPECT_GT(b->GetGenId(), before);
}

TEST(Elem, SetDeletedKeepsOnlyTheBoundsBitAndUnknownBits) {
	Kit::SharedPtr<Elem> e(new Elem(Fixtures::MakeVoca(), true, true, nullptr));
	e->CalculateBounds();
	const UInt32 gen = e->GetGenId();
	e->SetDeleted();
	EXPECT_TRUE(e->IsInvalid());
	EXPECT_FALSE(e->IsParent());
	EXPECT_FALSE(e->IsChild());
	EXPECT_TRUE(e->GetBoundsCalculated());
	EXPECT_TRUE(e->GetElemId().guid.IsNull());
	EXPECT_NE(e->GetGenId(), gen);
	e->SetValid();
	EXPECT_FALSE(e->IsInvalid());
}

TEST(Elem, MirroringTrafoThrowsAfterTakingTheMatrix) {
	Kit::SharedPtr<Elem> e = MakeElem(MakeBaseElem({MakeCube()}));
	const TRAN mirror = Fixtures::MirrorX();
	try {
		e->SetTrafo(mirror);
		FAIL() << "no exception";
	} catch (const Kit::OutOfMemoryException& ex) {
		EXPECT_STREQ(ex.GetMessage(), "Mirror flag in the TRANMAT.");
		EXPECT_STREQ(ex.GetFileName(), "Model3D/Elem");
		EXPECT_EQ(ex.GetLineNumber(), 361u);
	}
	EXPECT_DOUBLE_EQ(e->GetConstTrafo().matrix[0], -1.0);

	// The status is recomputed from the matrix, whatever the caller passed.
	TRAN t = Translation(1, 0, 0);
	t.status = Geometry::TR_IDENT;
	e->SetTrafo(t);
	EXPECT_EQ(e->GetConstTrafo().status & Geometry::TR_IDENT, 0);
}

TEST(Elem, BoundsWithAndWithoutTransformation) {
	// Two cubes: [0,1]^3 and [0,2]^3, plus an empty body that must not count.
	Kit::SharedPtr<BaseElem> base = MakeBaseElem({MakeCube(1), MakeCube(2), new Body(Body::EmptyBody)});
	Kit::SharedPtr<Elem> e(new Elem(Fixtures::MakeVoca(), false, false, base.Get()));
	e->CalculateBounds();
	EXPECT_TRUE(e->GetBoundsCalculated());
	ExpectBox(e->GetBounds(), 0, 0, 0, 2, 2, 2);
	// Identity: the body boxes are the bodies' own, nothing is cached per body.
	EXPECT_EQ(&e->GetBodyBounds(0), &base->GetConstBody(0)->GetLocalBounds());
	EXPECT_EQ(e->GetSizeofElem(), sizeof(Elem));

	e->SetTrafo(Translation(10, 20, 30));
	ExpectBox(e->GetBounds(), 0, 0, 0, 2, 2, 2); // not recomputed yet
	e->CalculateBounds();
	ExpectBox(e->GetBounds(), 10, 20, 30, 12, 22, 32);
	ExpectBox(e->GetBodyBounds(0), 10, 20, 30, 11, 21, 31);
	ExpectBox(e->GetBodyBounds(1), 10, 20, 30, 12, 22, 32);
	EXPECT_TRUE(e->GetBodyBounds(2).IsEmpty());
	EXPECT_EQ(e->GetSizeofElem(), sizeof(Elem) + 3 * 24);

	// A hotspot outside the bodies widens the box (after transformation).
	base->AddHotspot(MakeHotspot(-1, 0.5, 5));
	e->CalculateBounds();
	ExpectBox(e->GetBounds(), 9, 20, 30, 12, 22, 35);

	// Back to the identity: the per-body boxes go away.
	e->SetTrafo(Fixtures::IdentityTrafo());
	e->CalculateBounds();
	EXPECT_EQ(e->GetSizeofElem(), sizeof(Elem));
	ExpectBox(e->GetBounds(), -1, 0, 0, 2, 2, 5);
}

TEST(Elem, BoundsOfHotspotsOnlyAndOfNothing) {
	Kit::SharedPtr<BaseElem> base(new BaseElem());
	Kit::SharedPtr<Elem> e(new Elem(Fixtures::MakeVoca(), false, false, base.Get()));
	e->CalculateBounds();
	EXPECT_TRUE(e->GetBounds().IsEmpty());

	base->AddHotspot(MakeHotspot(1, 2, 3));
	e->SetTrafo(Translation(1, 1, 1));
	e->CalculateBounds();
	ExpectBox(e->GetBounds(), 2, 3, 4, 2, 3, 4);

	HOTS more[2] = {MakeHotspot(0, 0, 0), MakeHotspot(4, 4, 4)};
	base->AddNHotspot(more, 2);
	e->CalculateBounds();
	ExpectBox(e->GetBounds(), 1, 1, 1, 5, 5, 5);
	double x, y, z;
	e->GetHotspotCoords(2, &x, &y, &z);
	EXPECT_DOUBLE_EQ(x, 5);

	// A null base element: bounds empty, flag set.
	Kit::SharedPtr<Elem> bare(new Elem(*e));
	Kit::SharedPtr<BaseElem> none;
	bare->SetBaseElem(none);
	bare->CalculateBounds();
	EXPECT_TRUE(bare->GetBounds().IsEmpty());
	EXPECT_TRUE(bare->GetBoundsCalculated());
	EXPECT_EQ(bare->GetUsedBytes(), bare->GetSizeofElem());
}

TEST(Elem, CopyTypesShareOrSeparateTheContent) {
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	const Elem& src = *pair.first;

	Elem shallow(src, Elem::Shallow);
	EXPECT_EQ(shallow.GetConstBaseElem(), pair.base.Get());
	EXPECT_EQ(shallow.GetGenId(), src.GetGenId());
	EXPECT_TRUE(shallow == src);

	Elem deep(src, Elem::Deep);
	ASSERT_NE(deep.GetConstBaseElem(), pair.base.Get());
	ASSERT_EQ(deep.GetBodyCount(), 3u);
	// Every slot gets a body of its own, also where the source shared one.
	EXPECT_NE(deep.GetConstBody(0).Get(), pair.cube.Get());
	EXPECT_NE(deep.GetConstBody(0).Get(), deep.GetConstBody(1).Get());
	EXPECT_NE(deep.GetConstBody(1).Get(), deep.GetConstBody(2).Get());
	EXPECT_EQ(deep.GetHotspotCount(), 1u);
	EXPECT_TRUE(deep == src);

	Elem attrs(src);
	attrs.DeepCopyAttributes(src);
	ASSERT_EQ(attrs.GetBodyCount(), 3u);
	EXPECT_EQ(attrs.GetConstBody(0)->GetPolygonCount(), 0u);
	EXPECT_EQ(attrs.GetHotspotCount(), 0u);

	Elem empty(src, Elem::Empty);
	ASSERT_EQ(empty.GetBodyCount(), 3u);
	EXPECT_EQ(empty.GetConstBody(0).Get(), empty.GetConstBody(2).Get());
	EXPECT_EQ(empty.GetConstBody(0)->GetShapeType(), Modeler::EmptyBodyShapeType);
	EXPECT_EQ(empty.GetHotspotCount(), 0u);
	EXPECT_EQ(empty.GetElemId(), src.GetElemId());
	EXPECT_TRUE(empty.GetBounds().IsEmpty());
	EXPECT_TRUE(empty.GetBoundsCalculated());

	Modeler::VOCA other = Fixtures::MakeVoca();
	Elem renamed(src);
	renamed.ShallowCopy(src, &other);
	EXPECT_EQ(renamed.GetElemId(), other);
	EXPECT_EQ(renamed.GetConstBaseElem(), pair.base.Get());

	// A deep copy of an element without base element has none either.
	Elem bare(src);
	Kit::SharedPtr<BaseElem> none;
	bare.SetBaseElem(none);
	Elem bareCopy(bare, Elem::Deep);
	EXPECT_EQ(bareCopy.GetConstBaseElem(), nullptr);
	EXPECT_EQ(Elem(bare, Elem::Empty).GetBodyCount(), 0u);
}

TEST(Elem, EqualityIgnoresGenerationFlagsBoundsHotspotsAndLights) {
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	Elem a(*pair.first);
	Elem b(*pair.first);
	b.UpdateGenId();
	b.SetDeleted();
	b.ShallowCopy(b, &a.GetElemId());
	b.SetValid();
	EXPECT_TRUE(a == b);

	// Equal content in a different BaseElem object, with other hotspots.
	Kit::SharedPtr<BaseElem> twin = MakeBaseElem({MakeCube(), MakeCube(), MakeCube()});
	EXPECT_TRUE(*twin == *pair.base);
	b.SetBaseElem(twin);
	EXPECT_TRUE(a == b);

	Kit::SharedPtr<BaseElem> bigger = MakeBaseElem({MakeCube(), MakeCube(), MakeCube(2)});
	EXPECT_TRUE(*bigger != *pair.base);
	b.SetBaseElem(bigger);
	EXPECT_TRUE(a != b);
	Kit::SharedPtr<BaseElem> fewer = MakeBaseElem({MakeCube(), MakeCube()});
	EXPECT_FALSE(*fewer == *pair.base);

	Kit::SharedPtr<BaseElem> none;
	b.SetBaseElem(none);
	EXPECT_FALSE(a == b);
	EXPECT_FALSE(b == a);
	Elem c(b);
	EXPECT_TRUE(b == c);

	Elem moved(a);
	moved.SetTrafo(Translation(10, 0, 1e-4));
	EXPECT_FALSE(a == moved);
}

TEST(BaseElem, CopyOperationsAndSizes) {
	Kit::SharedPtr<Body> cube = MakeCube();
	Kit::SharedPtr<BaseElem> base = MakeBaseElem({cube});
	EXPECT_EQ(base->AddBody(cube), 1u);
	base->AddHotspot(MakeHotspot(1, 0, 0));

	BaseElem copy(*base);
	EXPECT_EQ(copy.GetConstBody(1).Get(), cube.Get());
	EXPECT_EQ(copy.GetHotspotCount(), 1u);

	BaseElem moved;
	moved.CopyHotspots(*base, Translation(0, 5, 0));
	EXPECT_DOUBLE_EQ(moved.GetConstHotspot(0).y, 5.0);
	EXPECT_EQ(moved.GetConstHotspot(0).hostId, base->GetConstHotspot(0).hostId);
	moved.CopyHotspots(*base, Fixtures::IdentityTrafo());
	EXPECT_DOUBLE_EQ(moved.GetConstHotspot(0).y, 0.0);
	double x, y, z;
	TRAN t = Translation(0, 0, 7);
	base->GetHotspotCoords(0, &t, &x, &y, &z);
	EXPECT_DOUBLE_EQ(z, 7.0);
	base->GetHotspotCoords(0, nullptr, &x, &y, &z);
	EXPECT_DOUBLE_EQ(z, 0.0);

	// Sizes: a shared body is counted in full for every slot by GetUsedBytes.
	const UInt64 plain = sizeof(BaseElem) + 2 * 8 + 32 + base->GetLightsourceUsedBytes();
	EXPECT_EQ(base->GetSizeofBaseElem(), plain);
	EXPECT_EQ(base->GetUsedBytes(), plain + 2 * cube->GetUsedBytes());
	Kit::SharedPtr<Elem> e = MakeElem(base, Translation(1, 1, 1));
	EXPECT_EQ(e->GetUsedBytes(), sizeof(Elem) + 2 * 24 + base->GetUsedBytes());
}

TEST(BaseElem, LightsAreCopiedTransformedAndCounted) {
	Kit::SharedPtr<BaseElem> base = MakeBaseElem({MakeCube()});
	LGHT light;
	light.SetPos(1.0f, 2.0f, 3.0f);
	light.SetDir(0.0f, 0.0f, -1.0f);
	light.params.PushEntry("intensity", Modeler::PropertyList::Num, Modeler::PropertyList::Scalar);
	EXPECT_EQ(base->AddLightSource(light), 0u);
	EXPECT_EQ(base->AddLightSource(light), 1u);
	// Each stored light counts with its own list (the capacity of a copy may differ).
	const UInt64 lightBytes = base->GetLightSource(0).GetUsedBytes() + base->GetLightSource(1).GetUsedBytes();
	EXPECT_GT(lightBytes, 2 * sizeof(LGHT));
	EXPECT_EQ(base->GetLightsourceUsedBytes(), lightBytes);
	EXPECT_EQ(base->GetSizeofBaseElem(), sizeof(BaseElem) + 8 + lightBytes);
	EXPECT_EQ(base->GetUsedBytes(), sizeof(BaseElem) + 8 + base->GetConstBody(0)->GetUsedBytes() + lightBytes);

	BaseElem moved;
	moved.CopyLights(*base, Translation(10, 0, 0));
	ASSERT_EQ(moved.GetLightSourceCount(), 2u);
	EXPECT_FLOAT_EQ(moved.GetLightSource(1).posX, 11.0f);
	EXPECT_FLOAT_EQ(moved.GetLightSource(1).dirZ, -1.0f);
	EXPECT_EQ(moved.GetBodyCount(), 0u);
	moved.CopyLights(*base, Fixtures::IdentityTrafo());
	EXPECT_TRUE(moved.GetLightSource(0) == light);

	// Copies carry the lights; equality does not look at them.
	BaseElem deep;
	deep.DeepCopy(*base);
	EXPECT_EQ(deep.GetLightSourceCount(), 2u);
	deep.ClearLightSources();
	EXPECT_EQ(deep.GetLightSourceCount(), 0u);
	EXPECT_TRUE(deep == *base);
	Elem withLights(*MakeElem(base), Elem::Shallow);
	Elem emptied(withLights, Elem::Empty);
	EXPECT_EQ(emptied.GetConstBaseElem()->GetLightSourceCount(), 0u);
}
