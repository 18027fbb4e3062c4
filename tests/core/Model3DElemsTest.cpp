// Model element list: adding, replacing, deleting, compacting, truncating, sorting,
// clearing, bounds, global indices and lights.
#include "Model3DTestSupport.h"

#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using Fixtures::MakeBaseElem;
using Fixtures::MakeCube;
using Fixtures::MakeElem;
using Fixtures::MakeHotspot;
using Fixtures::MakeNumberedCube;
using Fixtures::Translation;
using Modeler::BaseElem;
using Modeler::Elem;
using Modeler::Model3D;
using Modeler::Model3DModifier;
using Modeler::Model3DOnlyModifier;
using Modeler::Model3DViewer;
using ModelTests::CubesElem;
using ModelTests::ElemWithGuid;
using ModelTests::GuidOf;
using ModelTests::NewModel;
using ModelTests::Recorder;

namespace {

// Every element with a GUID is found at its own slot (no duplicates in these lists);
// placeholders have a null GUID.
void ExpectConsistentLookups(const Model3DViewer& viewer) {
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const Kit::ConstSharedPtr<Elem> elem = viewer.GetConstElem(i);
		if (elem->IsInvalid()) {
			EXPECT_TRUE(GuidOf(elem).IsNull()) << "slot " << i;
		}
		if (!GuidOf(elem).IsNull()) {
			EXPECT_EQ(viewer.GetElemIdx(GuidOf(elem)), Int32(i)) << "slot " << i;
		}
	}
}

TEST(Model3DElems, NullAndDuplicateGuids) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	EXPECT_EQ(m.AddElem(ElemWithGuid(Kit::NULLGuid), Kit::NULLGuid), 0u);
	EXPECT_EQ(m.GetElemIdx(Kit::NULLGuid), -1);
	EXPECT_EQ(m.GetConstElemPtr(Kit::NULLGuid), nullptr);

	const Kit::Guid g = Kit::Guid::Generate();
	EXPECT_EQ(m.AddElem(ElemWithGuid(g), Kit::NULLGuid), 1u);
	EXPECT_EQ(m.AddElem(ElemWithGuid(g), Kit::NULLGuid), 2u);
	EXPECT_EQ(m.GetElemIdx(g), 2);
	EXPECT_EQ(m.GetConstElemPtr(g), m.GetConstElem(2));

	// Replacing the earlier holder of the GUID must not make the later one unfindable.
	m.ReplaceElem(1, CubesElem(1), Kit::NULLGuid);
	EXPECT_EQ(m.GetElemIdx(g), 2);
	// Deleting the later one leaves the GUID with nobody.
	m.DeleteElem(2);
	EXPECT_EQ(m.GetElemIdx(g), -1);

	// A null element is refused and changes nothing.
	EXPECT_THROW(m.AddElem(nullptr, Kit::NULLGuid), Kit::IllegalArgumentException);
	EXPECT_THROW(m.ReplaceElem(0, nullptr, Kit::NULLGuid), Kit::IllegalArgumentException);
	EXPECT_EQ(m.GetElemCount(), 3u);
	ExpectConsistentLookups(m);
}

TEST(Model3DElems, OutOfRangeIndicesOfChangesAreRefused) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	EXPECT_THROW(m.DeleteElem(-1), Kit::IllegalArgumentException);
	EXPECT_THROW(m.DeleteElem(1), Kit::IllegalArgumentException);
	EXPECT_THROW(m.ReplaceElem(1, CubesElem(1), Kit::NULLGuid), Kit::IllegalArgumentException);
	EXPECT_THROW(m.EmptyElem(5), Kit::IllegalArgumentException);
	EXPECT_THROW(model->SetParentOfElem(1, Kit::Guid::Generate()), Kit::IllegalArgumentException);
	EXPECT_THROW(m.DeleteElems(nullptr), Kit::IllegalArgumentException);
	EXPECT_EQ(m.GetModelDataHoleCount(), 0u);
	EXPECT_FALSE(m.GetConstElem(0)->IsInvalid());
}

TEST(Model3DElems, ParentsAreFoundOnlyForChildElements) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Kit::SharedPtr<Elem> parent = CubesElem(1);
	Kit::SharedPtr<Elem> child = ElemWithGuid(Kit::Guid::Generate(), true);
	Kit::SharedPtr<Elem> notChild = CubesElem(1);
	m.AddElem(parent, Kit::NULLGuid);
	m.AddElem(child, parent->GetElemId().guid);
	m.AddElem(notChild, parent->GetElemId().guid);
	EXPECT_EQ(m.GetParentGuid(1), parent->GetElemId().guid);
	EXPECT_EQ(m.GetParentElemIdx(1), 0);
	EXPECT_EQ(m.GetParentElem(1), m.GetConstElem(0));
	// The entry exists, but without the child flag the element has no parent.
	EXPECT_EQ(m.GetParentGuid(notChild->GetElemId().guid), parent->GetElemId().guid);
	EXPECT_TRUE(m.GetParentGuid(2).IsNull());
	EXPECT_EQ(m.GetParentElemIdx(2), -1);
	EXPECT_EQ(m.GetParentElem(2), nullptr);
	EXPECT_TRUE(m.GetParentGuid(Kit::NULLGuid).IsNull());
	EXPECT_TRUE(m.GetParentGuid(0).IsNull());
}

TEST(Model3DElems, DeleteElemLeavesAPlaceholderAndCountsAHole) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Recorder recorder;
	model->Attach(recorder);
	for (int i = 0; i < 3; ++i)
		m.AddElem(CubesElem(2), Kit::NULLGuid);
	const Kit::Guid g = GuidOf(m.GetConstElem(1));
	const Kit::ConstSharedPtr<Elem> old = m.GetConstElem(1);

	m.DeleteElem(1);
	EXPECT_EQ(m.GetElemCount(), 3u);
	EXPECT_EQ(m.GetModelDataHoleCount(), 1u);
	EXPECT_EQ(m.GetElemIdx(g), -1);
	const Kit::ConstSharedPtr<Elem> placeholder = m.GetConstElem(1);
	EXPECT_TRUE(placeholder->IsInvalid());
	EXPECT_TRUE(GuidOf(placeholder).IsNull());
	// The old element is not changed in place; the placeholder keeps the bodies.
	EXPECT_FALSE(old->IsInvalid());
	EXPECT_EQ(placeholder->GetConstBaseElem(), old->GetConstBaseElem());
	EXPECT_EQ(m.GetBind(2, 0), 5u);
	EXPECT_EQ(recorder.events, std::vector<std::string>{"ElemDeleted(1)"});
	ExpectConsistentLookups(m);
}

bool IsMarked(const Elem& elem) {
	return elem.GetElemId().attr6 == -1;
}

// Adds n elements, the ones whose position is in 'marked' carry the mark IsMarked finds.
void AddMarked(Model3DModifier& m, UInt32 n, std::vector<UInt32> marked) {
	for (UInt32 i = 0; i < n; ++i) {
		Modeler::VOCA id = Fixtures::MakeVoca();
		for (UInt32 k : marked)
			if (k == i) id.attr6 = -1;
		m.AddElem(Kit::SharedPtr<Elem>(new Elem(id, false, false, Fixtures::MakeCubesBaseElem(1).Get())),
		          Kit::NULLGuid);
	}
}

TEST(Model3DElems, DeleteElemsTruncatesOnlyTailsOfPlaceholders) {
	struct Case {
		UInt32 count;
		std::vector<UInt32> marked;
		std::vector<UInt32> alreadyDeleted;
		std::vector<std::string> events;
		UInt32 finalCount;
		Int16 condition18;
	};
	const std::vector<Case> cases = {
	    // The contiguous last two: truncated.
	    {5, {3, 4}, {}, {"SyncDeletedElems(3,4,2)", "ElemsTruncated(3)"}, 3, 8},
	    // Hits reach the end but are not contiguous: nothing cut, condition untouched.
	    {5, {1, 4}, {}, {"SyncDeletedElems(1,4,2)"}, 5, 0},
	    // Hits before a tail of earlier placeholders: the whole tail goes.
	    {5, {2}, {3, 4}, {"SyncDeletedElems(2,2,1)", "ElemsTruncated(2)"}, 2, 8},
	    // A valid element after the hits: nothing cut.
	    {5, {1, 2}, {}, {"SyncDeletedElems(1,2,2)"}, 5, 8},
	    // No hit.
	    {3, {}, {}, {"SyncDeletedElems(0,4294967295,0)"}, 3, 8},
	    // Empty model.
	    {0, {}, {}, {"SyncDeletedElems(0,4294967295,0)"}, 0, 8},
	};
	for (const Case& c : cases) {
		Kit::SharedPtr<Model3D> model = NewModel();
		Model3DModifier m(model);
		AddMarked(m, c.count, c.marked);
		for (UInt32 k : c.alreadyDeleted)
			m.DeleteElem(Int32(k));
		m.ClearDataHoleCount();
		Recorder recorder;
		model->Attach(recorder);
		m.DeleteElems(IsMarked);
		EXPECT_EQ(recorder.events, c.events) << "case with count " << c.count;
		EXPECT_EQ(m.GetElemCount(), c.finalCount);
		EXPECT_EQ(m.GetCondition(Model3D::Condition18), c.condition18);
		EXPECT_EQ(m.GetModelDataHoleCount(), 0u);
		for (UInt32 i = 0; i < m.GetElemCount(); ++i) {
			EXPECT_FALSE(!m.GetConstElem(i)->IsInvalid() && IsMarked(*m.GetConstElem(i)));
		}
		ExpectConsistentLookups(m);
	}
}

TEST(Model3DElems, RemoveInvalidElemsCompactsListGuidsAndParents) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Kit::SharedPtr<Elem> a = CubesElem(1);
	Kit::SharedPtr<Elem> doomed = ElemWithGuid(Kit::Guid::Generate(), true);
	Kit::SharedPtr<Elem> b = ElemWithGuid(Kit::Guid::Generate(), true);
	Kit::SharedPtr<Elem> c = CubesElem(3);
	const Kit::Guid ga = a->GetElemId().guid;
	m.AddElem(a, Kit::NULLGuid);
	m.AddElem(doomed, ga);
	m.AddElem(b, ga);
	m.AddElem(c, ga); // an entry, but c is no child
	m.DeleteElem(1);
	EXPECT_EQ(m.GetBind(3, 0), 4u);

	m.RemoveInvalidElems();
	ASSERT_EQ(m.GetElemCount(), 3u);
	EXPECT_EQ(m.GetConstElem(0), a);
	EXPECT_EQ(m.GetConstElem(1), b);
	EXPECT_EQ(m.GetConstElem(2), c);
	EXPECT_EQ(m.GetElemIdx(b->GetElemId().guid), 1);
	EXPECT_EQ(m.GetElemIdx(c->GetElemId().guid), 2);
	EXPECT_EQ(m.GetParentElemIdx(1), 0);
	EXPECT_TRUE(m.GetParentGuid(c->GetElemId().guid).IsNull());
	EXPECT_TRUE(m.GetParentGuid(doomed->GetElemId().guid).IsNull());
	EXPECT_EQ(m.GetBind(2, 0), 3u);
	EXPECT_EQ(m.GetBind(3, 0), 6u);
	EXPECT_EQ(m.GetModelDataHoleCount(), 1u);
	ExpectConsistentLookups(m);
}

TEST(Model3DElems, TruncateDropsTheTailsGuidsAndRaisesOnlyWhenItCuts) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Recorder recorder;
	model->Attach(recorder);
	for (int i = 0; i < 3; ++i)
		m.AddElem(CubesElem(1), Kit::NULLGuid);
	const Kit::Guid last = GuidOf(m.GetConstElem(2));
	m.TruncateElemCount(3);
	m.TruncateElemCount(7);
	EXPECT_TRUE(recorder.events.empty());
	m.TruncateElemCount(1);
	EXPECT_EQ(recorder.events, std::vector<std::string>{"ElemsTruncated(1)"});
	EXPECT_EQ(m.GetElemCount(), 1u);
	EXPECT_EQ(m.GetElemIdx(last), -1);
	EXPECT_EQ(m.GetBind(5, 0), 2u);
	// Adding again reuses the slot; the old GUID stays gone.
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	EXPECT_EQ(m.GetElemIdx(last), -1);
}

TEST(Model3DElems, CalculateBoundsGathersCalculatedBoxes) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	model->CalculateBounds(0);
	EXPECT_TRUE(m.GetBounds().IsEmpty());
	EXPECT_EQ(m.GetBounds(), Box3D::Empty());

	m.AddElem(CubesElem(1, 10.0), Kit::NULLGuid); // x 10 … 11
	m.AddElem(CubesElem(1, -5.0), Kit::NULLGuid); // x −5 … −4
	Kit::SharedPtr<Elem> unbounded(new Elem(Fixtures::MakeVoca(), false, false, Fixtures::MakeCubesBaseElem(1).Get()));
	m.AddElem(unbounded, Kit::NULLGuid);           // no calculated bounds: skipped
	m.AddElem(CubesElem(1, 100.0), Kit::NULLGuid); // x 100 … 101
	model->CalculateBounds(0);
	const Box3D all{-5.0, 0.0, 101.0, 1.0, 0.0, 1.0};
	EXPECT_EQ(m.GetBounds(), all);

	model->CalculateBounds(4);
	EXPECT_EQ(m.GetBounds(), all);
	model->CalculateBounds(1);
	EXPECT_EQ(m.GetBounds(), all);

	// From a later slot an empty box restarts, a non-empty one widens.
	model->CalculateBounds(0);
	m.TruncateElemCount(0);
	model->CalculateBounds(0);
	m.AddElem(CubesElem(1, 10.0), Kit::NULLGuid);
	m.AddElem(CubesElem(1, 3.0), Kit::NULLGuid);
	model->CalculateBounds(1);
	EXPECT_EQ(m.GetBounds(), (Box3D{3.0, 0.0, 4.0, 1.0, 0.0, 1.0}));
	model->CalculateBounds(0);
	EXPECT_EQ(m.GetBounds(), (Box3D{3.0, 0.0, 11.0, 1.0, 0.0, 1.0}));
}

class ByAttr5Descending : public Model3D::ElemComparator {
public:
	int calls = 0;
	int throwAt = -1;
	bool operator()(const Kit::ConstSharedPtr<Elem>& a, const Kit::ConstSharedPtr<Elem>& b) override {
		if (++calls == throwAt) throw Kit::RunTimeErrorException("comparator failed");
		return a->GetElemId().attr5 > b->GetElemId().attr5;
	}
};

Kit::SharedPtr<Elem> ElemWithKey(Int32 key, Int32 firstMpuid) {
	Modeler::VOCA id = Fixtures::MakeVoca();
	id.attr5 = key;
	Kit::SharedPtr<Elem> elem(
	    new Elem(id, false, false, MakeBaseElem({MakeNumberedCube(firstMpuid), MakeNumberedCube(firstMpuid)}).Get()));
	elem->CalculateBounds();
	return elem;
}

TEST(Model3DElems, SortNewElemsOrdersTheTailAndRenumbers) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	const Int32 keys[] = {1, 2, 5, 9, 3, 7, 4};
	for (Int32 k : keys)
		m.AddElem(ElemWithKey(k, 100 * k), Kit::NULLGuid);
	std::vector<Kit::ConstSharedPtr<Elem>> before;
	for (UInt32 i = 0; i < m.GetElemCount(); ++i)
		before.push_back(m.GetConstElem(i));

	// A failing comparator leaves the list as it was.
	ByAttr5Descending failing;
	failing.throwAt = 4;
	EXPECT_THROW(model->SortNewElems(2, failing), Kit::RunTimeErrorException);
	for (UInt32 i = 0; i < m.GetElemCount(); ++i)
		EXPECT_EQ(m.GetConstElem(i), before[i]);

	ByAttr5Descending comparator;
	model->SortNewElems(2, comparator);
	const Int32 expected[] = {1, 2, 9, 7, 5, 4, 3};
	for (UInt32 i = 0; i < 7; ++i)
		EXPECT_EQ(m.GetConstElem(i)->GetElemId().attr5, expected[i]) << "slot " << i;
	ExpectConsistentLookups(m);

	// Global polygon indices run on without gaps from slot 2 on, in the new order.
	model->CalculateGPgons(0);
	const Int32 firstOfSlot2 = m.GetGlobPgonIdx(2, 0) + m.GetConstBody(2, 0)->GetConstPolygon(0).mpuid;
	EXPECT_EQ(firstOfSlot2, 2 * 2 * 6 + 1);
	Int32 next = 1;
	for (UInt32 e = 0; e < 7; ++e)
		for (UInt32 j = 0; j < 2; ++j)
			for (UInt32 p = 0; p < 6; ++p)
				EXPECT_EQ(m.GetGlobPgonIdx(e, j) + m.GetConstBody(e, j)->GetConstPolygon(Int32(p)).mpuid, next++);
	EXPECT_EQ(m.GetGPgonCount(), 14u);
}

TEST(Model3DElems, GlobalBodyAndHotspotNumbers) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Kit::SharedPtr<BaseElem> two = Fixtures::MakeCubesBaseElem(2);
	two->AddHotspot(MakeHotspot(1, 2, 3));
	Kit::SharedPtr<BaseElem> none(new BaseElem());
	Kit::SharedPtr<BaseElem> three = Fixtures::MakeCubesBaseElem(3);
	three->AddHotspot(MakeHotspot(4, 5, 6));
	three->AddHotspot(MakeHotspot(7, 8, 9));
	m.AddElem(MakeElem(two), Kit::NULLGuid);
	m.AddElem(MakeElem(none), Kit::NULLGuid);
	m.AddElem(MakeElem(three), Kit::NULLGuid);

	UInt32 e = 0, b = 0;
	m.GetElemBodyIdx(3, &e, &b);
	EXPECT_EQ(e, 2u);
	EXPECT_EQ(b, 0u);
	m.GetElemBodyIdx(2, &e, &b);
	EXPECT_EQ(e, 0u);
	EXPECT_EQ(b, 1u);
	m.GetElemBodyIdx(7, &e, &b);
	EXPECT_EQ(e, 3u);
	EXPECT_EQ(b, 1u);
	m.GetElemBodyIdx(5, nullptr, nullptr);
	// Binds and body numbers agree.
	for (UInt32 g = 1; g <= 5; ++g) {
		m.GetElemBodyIdx(g, &e, &b);
		EXPECT_EQ(m.GetBind(e, b), g);
	}
	EXPECT_EQ(m.GetBind(0, 0), 1u);
	EXPECT_EQ(m.GetBind(3, 0), 6u);

	EXPECT_EQ(m.GetHotspotCount(), 3u);
	ASSERT_NE(m.GetConstHotspotRecPtr(3), nullptr);
	EXPECT_EQ(m.GetConstHotspotRecPtr(3)->x, 7.0);
	EXPECT_EQ(m.GetConstHotspotRecPtr(1)->x, 1.0);
	EXPECT_EQ(m.GetConstHotspotRecPtr(0), nullptr);
	EXPECT_EQ(m.GetConstHotspotRecPtr(4), nullptr);

	// A derived model takes hotspots and binds from its main model.
	Kit::SharedPtr<Model3D> derived = NewModel(model);
	Model3DModifier d(derived);
	d.AddElem(CubesElem(4), Kit::NULLGuid);
	EXPECT_EQ(d.GetHotspotCount(), 3u);
	EXPECT_EQ(d.GetConstHotspotRecPtr(2), m.GetConstHotspotRecPtr(2));
	EXPECT_EQ(d.GetBind(0, 1), m.GetBind(0, 1));
	EXPECT_EQ(d.GetBind(5, 0), 6u);
}

TEST(Model3DElems, DeleteLightSourcesGivesTheElementItsOwnBaseWithoutLights) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Recorder recorder;
	model->Attach(recorder);
	Kit::SharedPtr<BaseElem> lit = Fixtures::MakeCubesBaseElem(1);
	LGHT light;
	light.SetPos(1, 2, 3);
	lit->AddLightSource(light);
	lit->AddLightSource(light);
	Kit::SharedPtr<Elem> first = MakeElem(lit);
	Kit::SharedPtr<Elem> second = MakeElem(lit);
	Kit::SharedPtr<Elem> dark = CubesElem(1);
	m.AddElem(first, Kit::NULLGuid);
	m.AddElem(second, Kit::NULLGuid);
	m.AddElem(dark, Kit::NULLGuid);
	EXPECT_EQ(m.GetLightSourceCount(), 4u);
	EXPECT_EQ(m.GetBaseElemCount(), 2u);

	m.DeleteLightSourcesOfElem(Kit::Guid::Generate());
	EXPECT_TRUE(recorder.events.empty());

	m.DeleteLightSourcesOfElem(first->GetElemId().guid);
	EXPECT_EQ(m.GetLightSourceCount(), 2u);
	EXPECT_EQ(lit->GetLightSourceCount(), 2u);
	EXPECT_EQ(second->GetConstBaseElem()->GetLightSourceCount(), 2u);
	EXPECT_EQ(m.GetConstElem(0)->GetConstBody(0), first->GetConstBody(0));
	EXPECT_EQ(m.GetElemIdx(first->GetElemId().guid), 0);
	EXPECT_EQ(m.GetBaseElemCount(), 3u);

	const Kit::ConstSharedPtr<Elem> darkBefore = m.GetConstElem(2);
	m.DeleteLightSourcesOfElem(dark->GetElemId().guid);
	EXPECT_EQ(m.GetConstElem(2), darkBefore);
	ASSERT_EQ(recorder.events.size(), 2u);
	EXPECT_EQ(recorder.events[1], "LightsOfElemDeleted(" + dark->GetElemId().guid.ToString() + ")");
}

TEST(Model3DElems, EmptyElemKeepsIdentityAndBodyCount) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Kit::SharedPtr<Elem> elem = CubesElem(2, 4.0);
	m.AddElem(elem, Kit::NULLGuid);
	m.EmptyElem(0);
	const Kit::ConstSharedPtr<Elem> empty = m.GetConstElem(0);
	EXPECT_NE(empty, elem);
	EXPECT_EQ(m.GetElemIdx(elem->GetElemId().guid), 0);
	ASSERT_EQ(empty->GetBodyCount(), 2u);
	EXPECT_EQ(empty->GetConstBody(0)->GetPolygonCount(), 0u);
	EXPECT_EQ(elem->GetConstBody(0)->GetPolygonCount(), 6u);
	EXPECT_EQ(m.GetBind(1, 0), 3u);
}

TEST(Model3DElems, ClearModelShowsPlaceholdersBeforeEmptying) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	for (int i = 0; i < 3; ++i)
		m.AddElem(CubesElem(1), Kit::NULLGuid);
	const Kit::ConstSharedPtr<Elem> kept = m.GetConstElem(0);
	m.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), GuidOf(kept));
	m.DeleteElem(1);
	m.SetCondition(Model3D::Condition6, 6);

	struct Inspector : Recorder {
		UInt32 countSeen = 0;
		UInt32 validSeen = 0;
		void EventBeforeClear(const Model3D& model) override {
			Recorder::EventBeforeClear(model);
			Model3DViewer viewer{Kit::ConstSharedPtr<Model3D>(&model)};
			countSeen = viewer.GetElemCount();
			for (UInt32 i = 0; i < countSeen; ++i)
				validSeen += viewer.GetConstElem(i)->IsInvalid() ? 0 : 1;
		}
	} inspector;
	model->Attach(inspector);
	model->ClearModel();
	EXPECT_EQ(inspector.events, std::vector<std::string>{"EventBeforeClear"});
	EXPECT_EQ(inspector.countSeen, 4u);
	EXPECT_EQ(inspector.validSeen, 0u);
	EXPECT_EQ(m.GetElemCount(), 0u);
	EXPECT_EQ(m.GetElemIdx(GuidOf(kept)), -1);
	EXPECT_FALSE(kept->IsInvalid());
	EXPECT_EQ(m.GetModelDataHoleCount(), 1u);
	EXPECT_EQ(m.GetCondition(Model3D::Condition6), 6);
	EXPECT_EQ(m.GetGPgonCount(), 0u);
	// The parent map went with the list.
	m.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), Kit::NULLGuid);
	EXPECT_TRUE(m.GetParentGuid(0).IsNull());
}

// A sink that accepts a fixed number of bytes.
class ShortChannel : public Kit::OChannel {
public:
	explicit ShortChannel(UInt64 capacity) : capacity(capacity) {}

protected:
	bool DoWrite(const void*, UInt64 n) override {
		if (n > capacity) return false;
		capacity -= n;
		return true;
	}

private:
	UInt64 capacity;
};

TEST(Model3DElems, WriteLightSourcesWritesEveryLightInModelCoordinates) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Kit::SharedPtr<BaseElem> lit = Fixtures::MakeCubesBaseElem(1);
	LGHT light;
	light.SetPos(1, 2, 3);
	light.SetDir(0, 0, -1);
	lit->AddLightSource(light);
	light.SetPos(4, 5, 6);
	lit->AddLightSource(light);
	m.AddElem(MakeElem(lit, Translation(10, 0, 0)), Kit::NULLGuid);
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	m.AddElem(MakeElem(lit, Translation(0, 20, 0)), Kit::NULLGuid);

	IO::MemoryOChannel expected;
	for (const TRAN& t : {Translation(10, 0, 0), Translation(0, 20, 0)}) {
		for (UInt32 l = 0; l < 2; ++l) {
			LGHT copy = lit->GetLightSource(l);
			copy.Transform(t);
			ASSERT_EQ(copy.Write(expected), 0);
		}
	}
	IO::MemoryOChannel written;
	m.WriteLightSources(written);
	EXPECT_EQ(written.GetBytes(), expected.GetBytes());
	EXPECT_EQ(lit->GetLightSource(0).posX, 1.0f);

	ShortChannel full(expected.GetDataSize() / 2);
	try {
		m.WriteLightSources(full);
		ADD_FAILURE() << "a failed write was not reported";
	} catch (const Kit::RunTimeErrorException& e) {
		EXPECT_STREQ(e.GetMessage(), "WriteLightSource failed");
	}
}

TEST(Model3DElems, BaseElemSetCountsSharing) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	m.AddElem(pair.first, Kit::NULLGuid);
	m.AddElem(pair.second, Kit::NULLGuid);
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	Kit::HashTable<const BaseElem*, UInt32> set;
	set.Put(nullptr, 42);
	m.GetBaseElemSet(set);
	EXPECT_EQ(set.GetSize(), 2u);
	UInt32 shared = 0;
	EXPECT_TRUE(set.Get(pair.base.Get(), &shared));
	EXPECT_EQ(shared, 2u);
	EXPECT_EQ(m.GetBaseElemCount(), 2u);
	m.ClearCache();
}

} // namespace

namespace {

// After a change, the first readers rebuild the bind index; several threads asking at once
// must agree on every bind (and, under ThreadSanitizer, not race on the index).
TEST(Model3DElems, ConcurrentBindsAfterAChangeAgree) {
	Kit::SharedPtr<Modeler::Model3D> model = ModelTests::NewModel();
	Modeler::Model3DOnlyModifier modifier(model);
	for (UInt32 i = 0; i < 200; ++i)
		modifier.AddElem(ModelTests::CubesElem(1 + i % 3, i), Kit::NULLGuid);
	const Modeler::Model3DViewer viewer(model);
	std::vector<UInt32> expected;
	for (UInt32 e = 0, bind = 1; e < 200; bind += 1 + e % 3, ++e)
		expected.push_back(bind);
	for (int round = 0; round < 5; ++round) {
		modifier.AddElem(ModelTests::CubesElem(1), Kit::NULLGuid); // invalidates the index
		std::vector<std::thread> readers;
		std::atomic<int> wrong{0};
		for (int t = 0; t < 4; ++t) {
			readers.emplace_back([&] {
				for (UInt32 e = 0; e < 200; ++e)
					wrong += viewer.GetBind(e, 0) != expected[e] ? 1 : 0;
			});
		}
		for (std::thread& r : readers)
			r.join();
		EXPECT_EQ(wrong.load(), 0);
	}
}

} // namespace
