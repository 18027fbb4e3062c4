// Derived models and copies between models: the mirror of a main model, the hand-over
// to the main model, moving a list's tail, and deep copies that share nothing.
#include "Model3DTestSupport.h"

#include "fixtures/TempDir.h"
#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

using Fixtures::MakeElem;
using Fixtures::MakeHotspot;
using Fixtures::Translation;
using Modeler::BaseElem;
using Modeler::Body;
using Modeler::Elem;
using Modeler::Model3D;
using Modeler::Model3DModifier;
using Modeler::Model3DViewer;
using ModelTests::CubesElem;
using ModelTests::ElemWithGuid;
using ModelTests::GuidOf;
using ModelTests::NewModel;
using ModelTests::Recorder;

namespace {

// A cube with its own material, fill and shape type, so that copied header attributes
// can be told from defaults.
Kit::SharedPtr<Body> MarkedCube(Int16 material) {
	Fixtures::BodyData data = Fixtures::CubeData();
	data.iumat = material;
	data.ifill = static_cast<Int16>(material + 1);
	data.btype = 7;
	return Fixtures::MakeBody(data);
}

// An element over two marked cubes with a hotspot and a light, placed at x = dx.
Kit::SharedPtr<Elem> RichElem(Int16 material, double dx) {
	Kit::SharedPtr<BaseElem> base = Fixtures::MakeBaseElem({MarkedCube(material), MarkedCube(material + 10)});
	base->AddHotspot(MakeHotspot(1, 2, 3));
	LGHT light;
	light.SetPos(1, 2, 3);
	base->AddLightSource(light);
	return MakeElem(base, Translation(dx, 0, 0));
}

// The mirror in slot i of derived has the identity, flags and placement of the main
// model's element there, over bodies of its own with the same header attributes and no
// geometry, and no hotspots or lights.
void ExpectMirror(const Model3DViewer& mainView, const Model3DViewer& derivedView, UInt32 i) {
	SCOPED_TRACE("slot " + std::to_string(i));
	const Kit::ConstSharedPtr<Elem> m = mainView.GetConstElem(i);
	const Kit::ConstSharedPtr<Elem> d = derivedView.GetConstElem(i);
	ASSERT_NE(d, nullptr);
	EXPECT_NE(d.Get(), m.Get());
	EXPECT_EQ(d->GetElemId(), m->GetElemId());
	EXPECT_EQ(d->GetFlags(), m->GetFlags());
	EXPECT_EQ(d->GetGenId(), m->GetGenId());
	EXPECT_EQ(d->GetConstTrafo(), m->GetConstTrafo());
	EXPECT_EQ(d->GetBounds(), m->GetBounds());
	EXPECT_NE(d->GetConstBaseElem(), m->GetConstBaseElem());
	ASSERT_EQ(d->GetBodyCount(), m->GetBodyCount());
	EXPECT_EQ(d->GetHotspotCount(), 0u);
	EXPECT_EQ(d->GetConstBaseElem()->GetLightSourceCount(), 0u);
	for (UInt32 j = 0; j < m->GetBodyCount(); ++j) {
		const Body& mb = *m->GetConstBody(j);
		const Body& db = *d->GetConstBody(j);
		EXPECT_NE(&db, &mb);
		EXPECT_EQ(db.GetMaterialIdx(), mb.GetMaterialIdx());
		EXPECT_EQ(db.GetFillType(), mb.GetFillType());
		EXPECT_EQ(db.GetShapeType(), mb.GetShapeType());
		EXPECT_EQ(db.GetVertexCount(), 0u);
		EXPECT_EQ(db.GetPolygonCount(), 0u);
	}
	if (!GuidOf(m).IsNull()) {
		EXPECT_EQ(derivedView.GetElemIdx(GuidOf(m)), Int32(i));
	}
	EXPECT_EQ(derivedView.GetParentGuid(GuidOf(m)), mainView.GetParentGuid(GuidOf(m)));
}

TEST(DerivedModel, NewDerivedModelMirrorsItsMainModel) {
	Kit::SharedPtr<Model3D> main = NewModel();
	Model3DModifier m(main);
	m.AddElem(RichElem(3, 0), Kit::NULLGuid);
	const Kit::Guid parent = GuidOf(m.GetConstElem(0));
	m.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), parent);
	m.AddElem(RichElem(5, 4), Kit::NULLGuid);
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	const Kit::Guid deletedGuid = GuidOf(m.GetConstElem(3));
	m.DeleteElem(3);

	Kit::SharedPtr<Model3D> derived = NewModel(main);
	Model3DModifier d(derived);
	ASSERT_EQ(d.GetElemCount(), 4u);
	for (UInt32 i = 0; i < 4; ++i)
		ExpectMirror(m, d, i);
	EXPECT_EQ(d.GetParentGuid(1u), parent);
	EXPECT_EQ(d.GetParentElemIdx(1), 0);
	// The deleted placeholder is mirrored as one and its old GUID is nobody's.
	EXPECT_TRUE(d.GetConstElem(3)->IsInvalid());
	EXPECT_EQ(d.GetElemIdx(deletedGuid), -1);
	EXPECT_EQ(d.GetModelDataHoleCount(), 0u);

	// The derived model's content is its own: the host filling a derived body leaves the
	// main model as it was.
	Kit::ConstCast(d.GetConstElem(0))->GetBaseElem()->AddBody(Fixtures::MakeCube());
	EXPECT_EQ(d.GetConstElem(0)->GetBodyCount(), 3u);
	EXPECT_EQ(m.GetConstElem(0)->GetBodyCount(), 2u);
	EXPECT_EQ(m.GetConstElem(0)->GetHotspotCount(), 1u);
	EXPECT_EQ(m.GetConstBody(0, 0)->GetVertexCount(), 8u);

	// Binds and global polygon indices come from the main model, whatever the derived
	// model holds itself.
	m.CalculateGPgons(0);
	EXPECT_EQ(d.GetBind(2, 1), m.GetBind(2, 1));
	EXPECT_EQ(d.GetBind(2, 1), 5u);
	EXPECT_EQ(d.GetGlobPgonIdx(2, 1), m.GetGlobPgonIdx(2, 1));
	EXPECT_NE(d.GetGlobPgonIdx(2, 1), 0);

	// A main model has nothing to mirror.
	m.UpdateFromMainModel(0);
	EXPECT_EQ(m.GetElemCount(), 4u);
	EXPECT_EQ(m.GetConstElem(0)->GetHotspotCount(), 1u);
}

TEST(DerivedModel, UpdateFollowsTheMainModelFromTheGivenSlot) {
	Kit::SharedPtr<Model3D> main = NewModel();
	Model3DModifier m(main);
	for (int i = 0; i < 3; ++i)
		m.AddElem(RichElem(Int16(i + 1), i), Kit::NULLGuid);
	Kit::SharedPtr<Model3D> derived = NewModel(main);
	Model3DModifier d(derived);
	Recorder recorder;
	derived->Attach(recorder);
	std::vector<const Elem*> before;
	for (UInt32 i = 0; i < 3; ++i)
		before.push_back(d.GetConstElem(i).Get());

	// First at or past both ends: nothing happens.
	d.UpdateFromMainModel(3);
	d.UpdateFromMainModel(100);
	ASSERT_EQ(d.GetElemCount(), 3u);

	// The main model grows by two; the mirror of the first three stays as it was.
	const Kit::Guid parent = GuidOf(m.GetConstElem(0));
	m.AddElem(RichElem(9, 5), Kit::NULLGuid);
	m.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), parent);
	d.UpdateFromMainModel(3);
	ASSERT_EQ(d.GetElemCount(), 5u);
	for (UInt32 i = 0; i < 3; ++i)
		EXPECT_EQ(d.GetConstElem(i).Get(), before[i]);
	for (UInt32 i = 0; i < 5; ++i)
		ExpectMirror(m, d, i);
	EXPECT_EQ(d.GetParentElemIdx(4), 0);

	// The main model deletes slot 1 and replaces slot 2: the mirror from 1 on follows.
	const Kit::Guid oldGuid1 = GuidOf(m.GetConstElem(1));
	const Kit::Guid oldGuid2 = GuidOf(m.GetConstElem(2));
	m.DeleteElem(1);
	m.ReplaceElem(2, RichElem(20, 9), Kit::NULLGuid);
	d.UpdateFromMainModel(1);
	EXPECT_EQ(d.GetConstElem(0).Get(), before[0]);
	for (UInt32 i = 0; i < 5; ++i)
		ExpectMirror(m, d, i);
	EXPECT_TRUE(d.GetConstElem(1)->IsInvalid());
	EXPECT_EQ(d.GetElemIdx(oldGuid1), -1);
	EXPECT_EQ(d.GetElemIdx(oldGuid2), -1);
	EXPECT_EQ(d.GetConstElem(2)->GetConstBody(0)->GetMaterialIdx(), 20);

	// The main model shrinks; a first beyond its new end still cuts the mirror to it.
	m.TruncateElemCount(2);
	const Kit::Guid cutGuid = GuidOf(d.GetConstElem(3));
	d.UpdateFromMainModel(4);
	ASSERT_EQ(d.GetElemCount(), 2u);
	EXPECT_EQ(d.GetElemIdx(cutGuid), -1);
	EXPECT_EQ(d.GetConstElem(0).Get(), before[0]);

	// The main model grows past a first beyond the mirror's end: no slot is left empty.
	m.AddElem(RichElem(30, 1), Kit::NULLGuid);
	m.AddElem(RichElem(31, 2), Kit::NULLGuid);
	d.UpdateFromMainModel(3);
	ASSERT_EQ(d.GetElemCount(), 4u);
	for (UInt32 i = 0; i < 4; ++i)
		ExpectMirror(m, d, i);
	// The mirror raises no events of its own.
	EXPECT_TRUE(recorder.events.empty());
	derived->Detach(recorder);
}

TEST(DerivedModel, TransferToMainHandsTheWholeListOver) {
	Kit::SharedPtr<Model3D> main = NewModel();
	Model3DModifier m(main);
	for (int i = 0; i < 3; ++i)
		m.AddElem(CubesElem(1, i), Kit::NULLGuid);
	const Kit::Guid droppedGuid = GuidOf(m.GetConstElem(2));

	// On a main model it does nothing.
	main->TransferToMain();
	ASSERT_EQ(m.GetElemCount(), 3u);

	Kit::SharedPtr<Model3D> derived = NewModel(main);
	Model3DModifier d(derived);
	Recorder onMain, onDerived;
	main->Attach(onMain);
	derived->Attach(onDerived);
	d.ReplaceElem(2, CubesElem(2, 7), Kit::NULLGuid);
	const Kit::Guid parent = GuidOf(d.GetConstElem(0));
	d.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), parent);
	d.AddElem(CubesElem(3, 8), Kit::NULLGuid);
	std::vector<const Elem*> handed;
	for (UInt32 i = 0; i < 5; ++i)
		handed.push_back(d.GetConstElem(i).Get());
	EXPECT_EQ(m.GetBind(4, 0), 4u); // past the main model's end before the hand-over

	derived->TransferToMain();
	EXPECT_EQ(d.GetElemCount(), 0u);
	EXPECT_EQ(d.GetElemIdx(GuidOf(m.GetConstElem(0))), -1);
	EXPECT_TRUE(d.GetParentGuid(GuidOf(m.GetConstElem(3))).IsNull());
	ASSERT_EQ(m.GetElemCount(), 5u);
	for (UInt32 i = 0; i < 5; ++i) {
		EXPECT_EQ(m.GetConstElem(i).Get(), handed[i]) << "slot " << i;
		EXPECT_EQ(m.GetElemIdx(GuidOf(m.GetConstElem(i))), Int32(i));
	}
	EXPECT_EQ(m.GetElemIdx(droppedGuid), -1);
	EXPECT_EQ(m.GetParentElemIdx(3), 0);
	// Binds follow the new list: 1 + 1 + 2 + 1 bodies before slot 4.
	EXPECT_EQ(m.GetBind(4, 0), 6u);
	EXPECT_TRUE(onMain.events.empty());
	EXPECT_TRUE(onDerived.events.empty());

	// The derived model still has its main model and mirrors it again on request.
	d.UpdateFromMainModel(0);
	ASSERT_EQ(d.GetElemCount(), 5u);
	for (UInt32 i = 0; i < 5; ++i)
		ExpectMirror(m, d, i);
	main->Detach(onMain);
	derived->Detach(onDerived);
}

TEST(DerivedModel, MoveEndMovesTheTailIntoTheSameSlots) {
	Kit::SharedPtr<Model3D> src = NewModel();
	Kit::SharedPtr<Model3D> dst = NewModel();
	Model3DModifier s(src);
	Model3DModifier t(dst);
	for (int i = 0; i < 4; ++i) {
		t.AddElem(CubesElem(1, i), Kit::NULLGuid);
		s.AddElem(CubesElem(3, i), Kit::NULLGuid);
	}
	const Kit::Guid parent = GuidOf(s.GetConstElem(0));
	s.ReplaceElem(3, ElemWithGuid(Kit::Guid::Generate(), true), parent);
	const Kit::Guid replacedInDst = GuidOf(t.GetConstElem(2));
	const Kit::Guid keptInDst = GuidOf(t.GetConstElem(1));
	std::vector<const Elem*> moved = {s.GetConstElem(2).Get(), s.GetConstElem(3).Get()};
	std::vector<Kit::Guid> movedGuids = {GuidOf(s.GetConstElem(2)), GuidOf(s.GetConstElem(3))};
	EXPECT_EQ(t.GetBind(3, 0), 4u);
	Recorder onSrc, onDst;
	src->Attach(onSrc);
	dst->Attach(onDst);

	// Refused calls change nothing.
	EXPECT_THROW(Modeler::MoveEnd(nullptr, &t, 2), Kit::IllegalArgumentException);
	EXPECT_THROW(Modeler::MoveEnd(&s, nullptr, 2), Kit::IllegalArgumentException);
	t.TruncateElemCount(3);
	onDst.events.clear();
	EXPECT_THROW(Modeler::MoveEnd(&s, &t, 2), Kit::IllegalArgumentException);
	EXPECT_EQ(s.GetElemCount(), 4u);
	EXPECT_EQ(t.GetElemIdx(replacedInDst), 2);
	t.AddElem(CubesElem(1), Kit::NULLGuid);
	// Onto itself, or from the end on: nothing moves and nothing is cut.
	Modeler::MoveEnd(&s, &s, 1);
	Modeler::MoveEnd(&s, &t, 4);
	EXPECT_EQ(s.GetElemCount(), 4u);
	EXPECT_TRUE(onSrc.events.empty());

	EXPECT_EQ(t.GetBind(3, 0), 4u);
	Modeler::MoveEnd(&s, &t, 2);
	EXPECT_EQ(s.GetElemCount(), 2u);
	ASSERT_EQ(onSrc.events, std::vector<std::string>{"ElemsTruncated(2)"});
	EXPECT_EQ(onSrc.sources[0], src.Get());
	EXPECT_TRUE(onDst.events.empty());
	EXPECT_EQ(s.GetElemIdx(movedGuids[0]), -1);
	EXPECT_EQ(s.GetElemIdx(movedGuids[1]), -1);

	ASSERT_EQ(t.GetElemCount(), 4u);
	EXPECT_EQ(t.GetConstElem(2).Get(), moved[0]);
	EXPECT_EQ(t.GetConstElem(3).Get(), moved[1]);
	EXPECT_EQ(t.GetElemIdx(movedGuids[0]), 2);
	EXPECT_EQ(t.GetElemIdx(movedGuids[1]), 3);
	EXPECT_EQ(t.GetElemIdx(replacedInDst), -1);
	EXPECT_EQ(t.GetElemIdx(keptInDst), 1);
	EXPECT_EQ(t.GetParentGuid(3u), parent);
	// The destination's binds see the moved element's three bodies.
	EXPECT_EQ(t.GetBind(3, 0), 6u);
	src->Detach(onSrc);
	dst->Detach(onDst);
}

// A user-data object that can tell its clones from itself.
class Note : public Kit::Object {
public:
	explicit Note(int value) : value(value) {}
	Kit::Object* Clone() const override { return new Note(*this); }
	int value;
};

void CollectContent(const Model3DViewer& view, std::set<const void*>& objects) {
	for (UInt32 i = 0; i < view.GetElemCount(); ++i) {
		const Elem* elem = view.GetConstElem(i).Get();
		objects.insert(elem);
		objects.insert(elem->GetConstBaseElem());
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j)
			objects.insert(elem->GetConstBody(j).Get());
	}
}

TEST(DerivedModel, DeepCopySharesNothingAndCopiesTheState) {
	Kit::SharedPtr<Model3D> source = NewModel();
	Model3DModifier s(source);
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	s.AddElem(pair.first, Kit::NULLGuid);
	s.AddElem(pair.second, Kit::NULLGuid);
	s.AddElem(pair.first, Kit::NULLGuid); // the same element in two slots
	s.AddElem(RichElem(4, 3), Kit::NULLGuid);
	s.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), GuidOf(s.GetConstElem(3)));
	s.DeleteElem(1);
	s.CalculateBounds(0);
	s.CalculateGPgons(0);
	s.PushLastConversionStamp(false);
	s.PushLastConversionStamp(true);
	s.SetCondition(Model3D::Condition6, 6);
	s.SetProgressCondition(Model3D::Condition18, 18);
	s.SetUserData(5, new Note(42));

	Kit::SharedPtr<Model3D> dest = NewModel();
	Model3DModifier t(dest);
	t.AddElem(CubesElem(2), Kit::NULLGuid);
	Modeler::ModStamp destStamp;
	destStamp.Generate();
	t.SetInfStamp(destStamp);
	Recorder onDest;
	dest->Attach(onDest);
	const Kit::ConstSharedPtr<Modeler::Attributes> destAttributes = t.GetConstAttributesPtr();
	const Kit::Guid guidBefore = t.GetGuid();
	ASSERT_FALSE(guidBefore.IsNull());

	// A null destination is refused; copying a model onto itself does nothing.
	EXPECT_THROW(Modeler::DeepCopyModel3D(nullptr, *source), Kit::IllegalArgumentException);
	const Kit::ConstSharedPtr<Elem> firstBefore = s.GetConstElem(0);
	Modeler::DeepCopyModel3D(source, *source);
	EXPECT_EQ(s.GetConstElem(0), firstBefore);
	EXPECT_EQ(s.GetElemCount(), 5u);

	Modeler::DeepCopyModel3D(dest, *source);
	ASSERT_EQ(t.GetElemCount(), 5u);
	std::set<const void*> sourceObjects, destObjects;
	CollectContent(s, sourceObjects);
	CollectContent(t, destObjects);
	for (const void* object : destObjects)
		EXPECT_EQ(sourceObjects.count(object), 0u);
	for (UInt32 i = 0; i < 5; ++i) {
		const Kit::ConstSharedPtr<Elem> a = s.GetConstElem(i);
		const Kit::ConstSharedPtr<Elem> b = t.GetConstElem(i);
		EXPECT_TRUE(*a == *b) << "slot " << i;
		EXPECT_EQ(a->GetFlags(), b->GetFlags());
		EXPECT_EQ(a->GetBounds(), b->GetBounds());
		EXPECT_EQ(a->GetHotspotCount(), b->GetHotspotCount());
		EXPECT_EQ(a->GetConstBaseElem()->GetLightSourceCount(), b->GetConstBaseElem()->GetLightSourceCount());
		EXPECT_EQ(t.GetElemIdx(GuidOf(a)), s.GetElemIdx(GuidOf(a)));
		for (UInt32 j = 0; j < a->GetBodyCount(); ++j) {
			EXPECT_EQ(t.GetBind(i, j), s.GetBind(i, j));
			EXPECT_EQ(t.GetGlobPgonIdx(i, j), s.GetGlobPgonIdx(i, j));
		}
	}
	EXPECT_EQ(t.GetGPgonCount(), s.GetGPgonCount());
	// The element in two slots is found at the later one in both models.
	EXPECT_EQ(t.GetElemIdx(GuidOf(pair.first)), 2);
	EXPECT_EQ(t.GetParentElemIdx(4), 3);
	EXPECT_EQ(t.GetConstBody(3, 0)->GetVertexCount(), 8u);

	// Model state.
	EXPECT_EQ(t.GetBounds(), s.GetBounds());
	EXPECT_EQ(t.GetModelDataHoleCount(), 1u);
	EXPECT_EQ(t.GetInfStamp(), s.GetInfStamp());
	EXPECT_EQ(t.GetLastConversionModStamp(), s.GetLastConversionModStamp());
	EXPECT_EQ(t.GetPrevConversionModStamp(), s.GetPrevConversionModStamp());
	EXPECT_FALSE(t.GetPrevConversionModStamp().IsZero());
	EXPECT_EQ(t.GetLastConversionStamp(), s.GetLastConversionStamp());
	EXPECT_EQ(t.GetCondition(Model3D::Condition6), 6);
	EXPECT_EQ(t.GetProgressCondition(Model3D::Condition18), 18);
	// The destination keeps its identity, attribute store and observers.
	EXPECT_EQ(t.GetGuid(), guidBefore);
	EXPECT_NE(t.GetGuid(), s.GetGuid());
	EXPECT_EQ(t.GetConstAttributesPtr(), destAttributes);
	EXPECT_TRUE(onDest.events.empty());
	t.SendModelChanged();
	EXPECT_EQ(onDest.events, std::vector<std::string>{"ModelChanged"});

	// User data is cloned, not shared.
	const Note* copied = dynamic_cast<const Note*>(t.GetUserData(5));
	ASSERT_NE(copied, nullptr);
	EXPECT_NE(copied, s.GetUserData(5));
	EXPECT_EQ(copied->value, 42);
	dest->Detach(onDest);
}

TEST(DerivedModel, DerivedModelOfAPurgedMainModel) {
	TestSupport::ModuleScope module;
	Kit::SharedPtr<Model3D> main = Model3D::New(nullptr, Modeler::DiskCachingOn, nullptr);
	Model3DModifier m(main);
	m.AddElem(RichElem(2, 0), Kit::NULLGuid);
	m.AddElem(ElemWithGuid(Kit::Guid::Generate(), true), GuidOf(m.GetConstElem(0)));
	main->Purge();

	Kit::SharedPtr<Model3D> derived = Model3D::New(nullptr, Modeler::DiskCachingOn, main);
	Model3DModifier d(derived);
	ASSERT_EQ(d.GetElemCount(), 2u);
	for (UInt32 i = 0; i < 2; ++i)
		ExpectMirror(m, d, i);

	// A purged derived model hands over its restored list.
	derived->Purge();
	derived->TransferToMain();
	EXPECT_EQ(d.GetElemCount(), 0u);
	ASSERT_EQ(m.GetElemCount(), 2u);
	EXPECT_EQ(m.GetConstElem(0)->GetHotspotCount(), 0u);
	EXPECT_EQ(m.GetParentElemIdx(1), 0);
}

} // namespace
