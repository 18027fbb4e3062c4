// Helpers of the model tests: models without swap folders, elements over small bodies,
// and an observer that records every event it hears.
#pragma once

#include "Model3D/core/model/Model3D.h"
#include "fixtures/ElemFixtures.h"

#include <string>
#include <vector>

namespace ModelTests {

using Modeler::Model3D;

inline Kit::SharedPtr<Model3D> NewModel(Kit::SharedPtr<Model3D> mainModel = nullptr) {
	return Model3D::New(Modeler::Attributes::New(), Modeler::DiskCachingOff, mainModel);
}

// A valid element with a fresh GUID over n cubes of its own, placed at x = dx.
inline Kit::SharedPtr<Modeler::Elem> CubesElem(UInt32 n, double dx = 0.0) {
	return Fixtures::MakeElem(Fixtures::MakeCubesBaseElem(n), Fixtures::Translation(dx, 0.0, 0.0));
}

// An element with a given GUID (null allowed) over one cube.
inline Kit::SharedPtr<Modeler::Elem> ElemWithGuid(const Kit::Guid& guid, bool isChild = false) {
	Kit::SharedPtr<Modeler::Elem> elem(
	    new Modeler::Elem(Fixtures::MakeVoca(guid), false, isChild, Fixtures::MakeCubesBaseElem(1).Get()));
	elem->CalculateBounds();
	return elem;
}

inline const Kit::Guid& GuidOf(const Kit::ConstSharedPtr<Modeler::Elem>& elem) {
	return elem->GetElemId().guid;
}

// Records "Name(args)" for every event, and the model each came from.
class Recorder : public Modeler::IModel3DObserver {
public:
	std::vector<std::string> events;
	std::vector<const Model3D*> sources;

	void SyncDeletedElems(const Model3D& m, UInt32 first, UInt32 last, UInt32 count) override {
		Note(m, "SyncDeletedElems(" + std::to_string(first) + "," + std::to_string(last) + "," + std::to_string(count) +
		            ")");
	}
	void ElemsTruncated(const Model3D& m, UInt32 n) override { Note(m, "ElemsTruncated(" + std::to_string(n) + ")"); }
	void ElemDeleted(const Model3D& m, UInt32 i) override { Note(m, "ElemDeleted(" + std::to_string(i) + ")"); }
	void LightsOfElemDeleted(const Model3D& m, const Kit::Guid& g) override {
		Note(m, "LightsOfElemDeleted(" + g.ToString() + ")");
	}
	void RestartDelBoundsBuilding(const Model3D& m) override { Note(m, "RestartDelBoundsBuilding"); }
	void ConvertStateChanged(const Model3D& m, UInt32 a, UInt32 b) override {
		Note(m, "ConvertStateChanged(" + std::to_string(a) + "," + std::to_string(b) + ")");
	}
	void ModelChanged(const Model3D& m) override { Note(m, "ModelChanged"); }
	void ModelCleared(const Model3D& m, bool f) override { Note(m, f ? "ModelCleared(1)" : "ModelCleared(0)"); }
	void ColorShadesChanged(const Model3D& m) override { Note(m, "ColorShadesChanged"); }
	void AllConditionsCleared(const Model3D& m) override { Note(m, "AllConditionsCleared"); }
	void EventBeforeClear(const Model3D& m) override { Note(m, "EventBeforeClear"); }
	void ConvertStarted(const Model3D& m) override { Note(m, "ConvertStarted"); }
	void SetFirstNewElem(const Model3D& m, UInt32 i) override { Note(m, "SetFirstNewElem(" + std::to_string(i) + ")"); }
	void ModelCompressed(const Model3D& m, Kit::Array<Int32>& a) override {
		Note(m, "ModelCompressed(" + std::to_string(a.GetSize()) + ")");
	}

private:
	void Note(const Model3D& m, std::string text) {
		events.push_back(std::move(text));
		sources.push_back(&m);
	}
};

} // namespace ModelTests
