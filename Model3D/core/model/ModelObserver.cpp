#include "Model3D/core/model/ModelObserver.h"

#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <exception>

namespace Modeler {

IModel3DObserver::~IModel3DObserver() = default;

void IModel3DObserver::SyncDeletedElems(const Model3D&, UInt32, UInt32, UInt32) {}
void IModel3DObserver::ElemsTruncated(const Model3D&, UInt32) {}
void IModel3DObserver::ElemDeleted(const Model3D&, UInt32) {}
void IModel3DObserver::LightsOfElemDeleted(const Model3D&, const Kit::Guid&) {}
void IModel3DObserver::RestartDelBoundsBuilding(const Model3D&) {}
void IModel3DObserver::ConvertStateChanged(const Model3D&, UInt32, UInt32) {}
void IModel3DObserver::ModelChanged(const Model3D&) {}
void IModel3DObserver::ModelCleared(const Model3D&, bool) {}
void IModel3DObserver::ColorShadesChanged(const Model3D&) {}
void IModel3DObserver::AllConditionsCleared(const Model3D&) {}
void IModel3DObserver::EventBeforeClear(const Model3D&) {}
void IModel3DObserver::ConvertStarted(const Model3D&) {}
void IModel3DObserver::SetFirstNewElem(const Model3D&, UInt32) {}
void IModel3DObserver::ModelCompressed(const Model3D&, Kit::Array<Int32>&) {}

ModelEventSource::~ModelEventSource() = default;

void ModelEventSource::ReportObserverFailure(const char* eventName) noexcept {
	try {
		try {
			throw;
		} catch (const Kit::KitException& e) {
			Kit::dbChannel << "Model observer failed in " << eventName << ": " << e.Describe() << "\n";
		} catch (const std::exception& e) {
			Kit::dbChannel << "Model observer failed in " << eventName << ": " << e.what() << "\n";
		} catch (...) {
			Kit::dbChannel << "Model observer failed in " << eventName << ": unknown exception\n";
		}
	} catch (...) {
		// Nothing more can be reported; the event goes on.
	}
}

} // namespace Modeler
