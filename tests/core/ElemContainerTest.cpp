// Element container: verified GUID lookups, lazy binds, global polygon offsets.
#include "Model3D/core/elems/ElemContainer.h"
#include "fixtures/ElemFixtures.h"

#include <gtest/gtest.h>

#include <vector>

using Fixtures::MakeBaseElem;
using Fixtures::MakeCube;
using Fixtures::MakeCubesBaseElem;
using Fixtures::MakeElem;
using Fixtures::MakeNumberedCube;
using Modeler::Body;
using Modeler::Elem;
using Modeler::ElemContainer;

namespace {

// Appends an element and enters its GUID, as the model does.
UInt32 Add(ElemContainer& c, const Kit::SharedPtr<Elem>& e) {
	ElemContainer::ElemList& elems = c.GetElems();
	const UInt32 i = static_cast<UInt32>(elems.GetSize());
	elems.Push(e);
	if (!e->GetElemId().guid.IsNull()) c.GetElemGuidIndexMap().Put(e->GetElemId().guid, i);
	c.InvalidateBindIndex();
	return i;
}

Kit::SharedPtr<Elem> Deleted(const Elem& e) {
	Kit::SharedPtr<Elem> copy(new Elem(e, Elem::Shallow));
	copy->SetDeleted();
	return copy;
}

// Global indices of the polygons of every counted body (valid element, not the empty
// shape type), in element and body order.
std::vector<Int64> CountedGlobalIndices(const ElemContainer& c) {
	std::vector<Int64> result;
	const ElemContainer::ElemList& elems = c.GetElems();
	for (UInt32 e = 0; e < elems.GetSize(); ++e) {
		const Elem& elem = *elems[e];
		for (UInt32 j = 0; j < elem.GetBodyCount(); ++j) {
			const Body& body = *elem.GetConstBody(j);
			if (elem.IsInvalid() || body.GetShapeType() == Modeler::EmptyBodyShapeType) continue;
			for (UInt32 p = 0; p < body.GetPolygonCount(); ++p)
				result.push_back(UInt32(c.GetGlobPgonIdx(e, j)) + UInt32(body.GetConstPolygon(Int32(p)).mpuid));
		}
	}
	return result;
}

std::vector<Int32> AllOffsets(const ElemContainer& c) {
	std::vector<Int32> result;
	for (UInt32 e = 0; e < c.GetElemIndices().GetSize(); ++e)
		for (UInt32 j = 0; j < c.GetElemIndices()[e].gPgons.GetSize(); ++j)
			result.push_back(c.GetGlobPgonIdx(e, j));
	return result;
}

} // namespace

TEST(ElemContainer, NewContainerIsEmpty) {
	ElemContainer c;
	EXPECT_EQ(c.GetElemCount(), 0u);
	EXPECT_FALSE(c.IsPurged());
	EXPECT_FALSE(c.IsBindIndexValid());
	EXPECT_EQ(c.GetElemIdx(Kit::Guid::Generate()), -1);
	EXPECT_EQ(c.GetGPgonCount(), 0u);
	// Binds of an empty container start at 1 and do not count as computed.
	EXPECT_EQ(c.GetBind(0, 0), 1u);
	EXPECT_EQ(c.GetBind(7, 0), 1u);
	EXPECT_FALSE(c.IsBindIndexValid());
	c.CalculateGPgons(0);
	EXPECT_EQ(c.GetGlobPgonIdx(0, 0), 0);
}

TEST(ElemContainer, VerifiedGuidLookups) {
	ElemContainer c;
	Kit::SharedPtr<Elem> a = MakeElem(MakeCubesBaseElem(1));
	Kit::SharedPtr<Elem> b = MakeElem(MakeCubesBaseElem(1));
	Kit::SharedPtr<Elem> d = MakeElem(MakeCubesBaseElem(1));
	Add(c, a);
	Add(c, b);
	Add(c, d);
	EXPECT_EQ(c.GetElemIdx(a->GetElemId().guid), 0);
	EXPECT_EQ(c.GetElemIdx(d->GetElemId().guid), 2);

	// A placeholder in the list never makes the null GUID findable, even with a forged
	// map entry.
	c.GetElems()[1] = Deleted(*b);
	c.GetElemGuidIndexMap().Put(Kit::NULLGuid, 1);
	EXPECT_EQ(c.GetElemIdx(Kit::NULLGuid), -1);
	// The old entry of slot 1 is stale: the slot holds another (null) GUID now.
	EXPECT_EQ(c.GetElemIdx(b->GetElemId().guid), -1);

	// Truncation leaves the map entry of the dropped slot behind; it reads as absent.
	c.GetElems().SetSize(1);
	EXPECT_EQ(c.GetElemIdx(d->GetElemId().guid), -1);
	EXPECT_EQ(c.GetElemIdx(a->GetElemId().guid), 0);

	// A second element with the same GUID: the later entry wins.
	Kit::SharedPtr<Elem> twin(new Elem(a->GetElemId(), false, false, nullptr));
	EXPECT_EQ(Add(c, twin), 1u);
	EXPECT_EQ(c.GetElemIdx(a->GetElemId().guid), 1);
	// An entry pointing at a slot whose element carries the GUID is honoured wherever
	// it points.
	c.GetElemGuidIndexMap().Put(a->GetElemId().guid, 0);
	EXPECT_EQ(c.GetElemIdx(a->GetElemId().guid), 0);
}

TEST(ElemContainer, BindsOverElementsWithTwoZeroAndThreeBodies) {
	ElemContainer c;
	Add(c, MakeElem(MakeCubesBaseElem(2)));
	Add(c, MakeElem(MakeCubesBaseElem(0)));
	Kit::SharedPtr<Elem> three = MakeElem(MakeCubesBaseElem(3));
	Add(c, three);

	EXPECT_EQ(c.GetBind(0, 0), 1u);
	EXPECT_TRUE(c.IsBindIndexValid());
	EXPECT_EQ(c.GetBind(0, 1), 2u);
	EXPECT_EQ(c.GetBind(1, 0), 3u);
	EXPECT_EQ(c.GetBind(2, 0), 3u);
	EXPECT_EQ(c.GetBind(2, 1), 4u);
	EXPECT_EQ(c.GetBind(3, 0), 6u);
	EXPECT_EQ(c.GetBind(100, 0), 6u);
	EXPECT_EQ(c.GetElemIndices()[2].absoluteBodyIdx, 3u);

	// A placeholder counts with its bodies; one without base element counts 0.
	c.GetElems()[0] = Deleted(*c.GetElems()[0]);
	Kit::SharedPtr<Elem> bare(new Elem(*three));
	Kit::SharedPtr<Modeler::BaseElem> none;
	bare->SetBaseElem(none);
	Add(c, bare);
	Add(c, MakeElem(MakeCubesBaseElem(1)));
	EXPECT_EQ(c.GetBind(3, 0), 6u);
	EXPECT_EQ(c.GetBind(4, 0), 6u);
	EXPECT_EQ(c.GetBind(5, 0), 7u);
	EXPECT_EQ(c.GetBind(0, 1), 2u);

	// Binds are cached: a change of body count shows only after invalidation.
	c.GetElems()[0] = MakeElem(MakeCubesBaseElem(5));
	EXPECT_EQ(c.GetBind(1, 0), 3u);
	c.InvalidateBindIndex();
	EXPECT_EQ(c.GetBind(1, 0), 6u);
	EXPECT_EQ(c.GetBind(6, 0), 10u); // 5 + 0 + 3 + 0 + 1 bodies
}

TEST(ElemContainer, GlobalPolygonOffsetsSkipPlaceholdersAndEmptyBodies) {
	ElemContainer c;
	Kit::SharedPtr<Body> empty(new Body(Body::EmptyBody));
	Add(c, MakeElem(MakeBaseElem({MakeNumberedCube(1), MakeNumberedCube(1)})));
	Add(c, Deleted(*MakeElem(MakeBaseElem({MakeNumberedCube(50)}))));
	Add(c, MakeElem(MakeBaseElem({MakeNumberedCube(10), Fixtures::MakeEmptyTypedCube(70), empty})));
	Add(c, MakeElem(MakeBaseElem({})));
	Add(c, MakeElem(MakeBaseElem({MakeNumberedCube(-3), empty})));

	c.CalculateGPgons(0);
	// Polygons of counted bodies run 1, 2, 3, … without gaps or repeats.
	const std::vector<Int64> global = CountedGlobalIndices(c);
	ASSERT_EQ(global.size(), 4u * 6u);
	for (USize i = 0; i < global.size(); ++i)
		EXPECT_EQ(global[i], Int64(i) + 1) << i;
	// Bodies that do not count take the current offset.
	EXPECT_EQ(c.GetGlobPgonIdx(1, 0), c.GetGlobPgonIdx(0, 1));
	EXPECT_EQ(c.GetGlobPgonIdx(2, 1), c.GetGlobPgonIdx(2, 0));
	EXPECT_EQ(c.GetGlobPgonIdx(2, 2), c.GetGlobPgonIdx(2, 0));
	EXPECT_EQ(c.GetGlobPgonIdx(4, 1), c.GetGlobPgonIdx(4, 0));
	// One entry per body; none for the element without bodies.
	EXPECT_EQ(c.GetGPgonCount(), 2u + 1u + 3u + 0u + 2u);
	EXPECT_EQ(c.GetGlobPgonIdx(3, 0), 0);
	EXPECT_EQ(c.GetGlobPgonIdx(0, 2), 0);
	EXPECT_EQ(c.GetGlobPgonIdx(5, 0), 0);

	// Renumbering from any first element continues the numbering of the elements
	// before it, also when a placeholder or an empty-typed body comes just before.
	const std::vector<Int32> full = AllOffsets(c);
	for (UInt32 first = 1; first < 5; ++first) {
		c.GetElemIndices()[4].gPgons[0] = 12345;
		c.GetElemIndices()[first].gPgons.SetSize(0);
		c.CalculateGPgons(first);
		EXPECT_EQ(AllOffsets(c), full) << "first " << first;
	}

	// A first element at or past the end changes nothing.
	c.GetElemIndices()[4].gPgons[0] = 777;
	c.CalculateGPgons(5);
	c.CalculateGPgons(50);
	EXPECT_EQ(c.GetGlobPgonIdx(4, 0), 777);
}

TEST(ElemContainer, GlobalPolygonOffsetsOfNewElementsContinueTheOldOnes) {
	ElemContainer c;
	Add(c, MakeElem(MakeBaseElem({MakeNumberedCube(1), Fixtures::MakeWallWithWindow()})));
	c.CalculateGPgons(0);
	// The wall's polygons all carry mpuid 0: the body counts, its polygons share one
	// global index (mpuids are the host's).
	const Int32 wallOffset = c.GetGlobPgonIdx(0, 1);
	EXPECT_EQ(wallOffset, 6 + 0 - 0 + 1);

	// Elements added later are numbered on from where the old numbering stopped.
	Add(c, MakeElem(MakeBaseElem({MakeNumberedCube(1)})));
	EXPECT_EQ(c.GetGlobPgonIdx(1, 0), 0); // no record yet
	c.CalculateGPgons(1);
	// The cube's first polygon (mpuid 1) follows the wall's global index.
	EXPECT_EQ(c.GetGlobPgonIdx(1, 0) + 1, wallOffset + 0 + 1);
	EXPECT_EQ(c.GetGPgonCount(), 3u);
}
