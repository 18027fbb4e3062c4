// Model events: delivery order and arguments, isolation between models, observers that
// throw or detach themselves.
#include "Model3DTestSupport.h"

#include "platform/KitException.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using Modeler::IModel3DObserver;
using Modeler::Model3D;
using Modeler::Model3DModifier;
using ModelTests::CubesElem;
using ModelTests::NewModel;
using ModelTests::Recorder;

namespace {

TEST(ModelObserver, EveryEventReachesTheObserverWithItsArguments) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Recorder recorder;
	model->Attach(recorder);
	model->Attach(recorder); // attaching twice changes nothing

	Kit::Array<Int32> indices{1, 2, 3};
	m.SendRestartDelBoundsBuilding();
	m.SendConvertStateChanged(7, 8);
	m.SendModelChanged();
	m.SendModelCleared(true);
	m.SendColorShadesChanged();
	m.SendConvertStarted();
	m.SendSetFirstNewElem(12);
	m.SendModelCompressed(indices);
	model->SendSyncDeletedElems(1, 2, 3);
	model->SendElemsTruncated(4);
	model->SendElemDeleted(5);
	model->SendAllConditionsCleared();
	model->SendEventBeforeClear();
	const std::vector<std::string> expected = {
	    "RestartDelBoundsBuilding", "ConvertStateChanged(7,8)", "ModelChanged",        "ModelCleared(1)",
	    "ColorShadesChanged",       "ConvertStarted",           "SetFirstNewElem(12)", "ModelCompressed(3)",
	    "SyncDeletedElems(1,2,3)",  "ElemsTruncated(4)",        "ElemDeleted(5)",      "AllConditionsCleared",
	    "EventBeforeClear"};
	EXPECT_EQ(recorder.events, expected);
	for (const Model3D* source : recorder.sources)
		EXPECT_EQ(source, model.Get());

	model->Detach(recorder);
	m.SendModelChanged();
	EXPECT_EQ(recorder.events.size(), expected.size());
}

TEST(ModelObserver, MainAndDerivedModelsHaveSeparateObservers) {
	Kit::SharedPtr<Model3D> main = NewModel();
	Kit::SharedPtr<Model3D> derived = NewModel(main);
	Recorder onMain;
	Recorder onDerived;
	main->Attach(onMain);
	derived->Attach(onDerived);

	Model3DModifier(main).AddElem(CubesElem(1), Kit::NULLGuid);
	Model3DModifier(main).DeleteElem(0);
	EXPECT_EQ(onMain.events, std::vector<std::string>{"ElemDeleted(0)"});
	EXPECT_TRUE(onDerived.events.empty());

	// Clearing the conditions of a derived model is an event of the root, about the root.
	derived->ClearAllConditions();
	EXPECT_TRUE(onDerived.events.empty());
	ASSERT_EQ(onMain.events.size(), 2u);
	EXPECT_EQ(onMain.events[1], "AllConditionsCleared");
	EXPECT_EQ(onMain.sources[1], main.Get());
}

class Thrower : public IModel3DObserver {
public:
	int calls = 0;
	void ElemDeleted(const Model3D&, UInt32) override {
		++calls;
		throw Kit::InternalErrorException("observer failed");
	}
	void ModelChanged(const Model3D&) override {
		++calls;
		throw std::runtime_error("not a kit exception");
	}
	void ConvertStarted(const Model3D&) override {
		++calls;
		throw 42;
	}
};

TEST(ModelObserver, AThrowingObserverStopsNeitherTheOthersNorTheOperation) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	m.AddElem(CubesElem(1), Kit::NULLGuid);
	Thrower thrower;
	Recorder recorder;
	model->Attach(thrower);
	model->Attach(recorder);

	EXPECT_NO_THROW(m.DeleteElem(0));
	EXPECT_NO_THROW(m.SendModelChanged());
	EXPECT_NO_THROW(m.SendConvertStarted());
	EXPECT_EQ(thrower.calls, 3);
	EXPECT_EQ(recorder.events, (std::vector<std::string>{"ElemDeleted(0)", "ModelChanged", "ConvertStarted"}));
	EXPECT_EQ(m.GetModelDataHoleCount(), 1u);
	EXPECT_TRUE(m.GetConstElem(0)->IsInvalid());
}

// Detaches itself, or another observer, on the first ModelChanged it hears.
class Detacher : public Recorder {
public:
	Detacher(const Model3D& model, IModel3DObserver* victim) : model(model), victim(victim) {}
	void ModelChanged(const Model3D& m) override {
		Recorder::ModelChanged(m);
		model.Detach(victim != nullptr ? *victim : *this);
	}

private:
	const Model3D& model;
	IModel3DObserver* victim;
};

TEST(ModelObserver, ObserversMayDetachThemselvesAndOthersDuringAnEvent) {
	Kit::SharedPtr<Model3D> model = NewModel();
	Model3DModifier m(model);
	Recorder later;
	Detacher self(*model, nullptr);
	Detacher killer(*model, &later);
	Recorder last;
	model->Attach(self);
	model->Attach(killer);
	model->Attach(later);
	model->Attach(last);

	m.SendModelChanged();
	EXPECT_EQ(self.events.size(), 1u);
	EXPECT_EQ(killer.events.size(), 1u);
	EXPECT_TRUE(later.events.empty());
	EXPECT_EQ(last.events.size(), 1u);

	m.SendModelChanged();
	EXPECT_EQ(self.events.size(), 1u);
	EXPECT_EQ(killer.events.size(), 2u);
	EXPECT_EQ(last.events.size(), 2u);
}

TEST(ModelObserver, ObserversShareTheCompressedIndexArrayWithTheCaller) {
	struct Doubler : IModel3DObserver {
		void ModelCompressed(const Model3D&, Kit::Array<Int32>& a) override {
			for (Int32& v : a)
				v *= 2;
			a.Push(-1);
		}
	};
	Kit::SharedPtr<Model3D> model = NewModel();
	Doubler first;
	Doubler second;
	model->Attach(first);
	model->Attach(second);
	Kit::Array<Int32> indices{1, 2};
	Model3DModifier(model).SendModelCompressed(indices);
	EXPECT_EQ(indices, (Kit::Array<Int32>{4, 8, -2, -1}));
}

} // namespace
