// Modeler::IModel3DObserver and Modeler::ModelEventSource: how a model tells the host
// about its changes.
//
// An observer attaches to a model (Model3D::Attach) and hears that model's events until
// it detaches; observers of a derived model hear nothing of its main model, nor the
// reverse. Events are delivered synchronously, on the raising thread, in the order the
// observers were attached. An observer may detach itself or others from inside a
// handler. An exception thrown by a handler is written to the debug channel and dropped:
// it never reaches the operation that raised the event, and the observers after it still
// hear the event.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitArray.h"
#include "platform/KitEvent.h"
#include "platform/KitGuid.h"
#include "platform/KitTypes.h"

namespace Modeler {

class Model3D;

class M3D_EXPORT IModel3DObserver : public Kit::EventObserver {
public:
	IModel3DObserver() = default;
	// A copy starts without links, like any observer.
	IModel3DObserver(const IModel3DObserver& source) : Kit::EventObserver(source) {}
	IModel3DObserver& operator=(const IModel3DObserver&) { return *this; }
	~IModel3DObserver() override;

	// The slots after the inherited destructor and SourceDestroyed, in this order. Every
	// handler does nothing by default.

	// Slots first … last were turned into deleted placeholders, count of them in all
	// (0, 0xFFFFFFFF, 0 when nothing matched). Raised before any truncation.
	virtual void SyncDeletedElems(const Model3D& model, UInt32 first, UInt32 last, UInt32 count);
	// The element list was cut to newCount slots.
	virtual void ElemsTruncated(const Model3D& model, UInt32 newCount);
	// Slot elemIdx now holds a deleted placeholder.
	virtual void ElemDeleted(const Model3D& model, UInt32 elemIdx);
	// The element with this GUID has no light sources any more.
	virtual void LightsOfElemDeleted(const Model3D& model, const Kit::Guid& elemGuid);
	// The following are raised by the host through the models' Send... operations; the
	// values are the host's own, passed through.
	virtual void RestartDelBoundsBuilding(const Model3D& model);
	virtual void ConvertStateChanged(const Model3D& model, UInt32 value1, UInt32 value2);
	virtual void ModelChanged(const Model3D& model);
	virtual void ModelCleared(const Model3D& model, bool flag);
	virtual void ColorShadesChanged(const Model3D& model);
	// The conditions of the model (the root of its main-model chain) were zeroed.
	virtual void AllConditionsCleared(const Model3D& model);
	// Every element is a deleted placeholder now; the list is emptied right after.
	virtual void EventBeforeClear(const Model3D& model);
	virtual void ConvertStarted(const Model3D& model);
	virtual void SetFirstNewElem(const Model3D& model, UInt32 elemIdx);
	// The array is the caller's: changes made here are seen by the next observer and by
	// the caller.
	virtual void ModelCompressed(const Model3D& model, Kit::Array<Int32>& indices);
};

// The observer list of one model.
class M3D_EXPORT ModelEventSource : public Kit::EventSource {
public:
	ModelEventSource() = default;
	ModelEventSource(const ModelEventSource& source) = default;
	ModelEventSource& operator=(const ModelEventSource& source) = default;
	~ModelEventSource() override;

	// Calls handler(observer) for every attached IModel3DObserver, in list order. An
	// exception from a handler is reported under eventName and dropped; the walk goes on
	// with the list as it is at that moment (observers detached meanwhile are skipped,
	// observers attached meanwhile wait for the next event).
	template <typename Handler> void Raise(const char* eventName, Handler&& handler) const;

private:
	// Writes the exception being handled to the debug channel. Never throws.
	static void ReportObserverFailure(const char* eventName) noexcept;
};

template <typename Handler> void ModelEventSource::Raise(const char* eventName, Handler&& handler) const {
	Enumerator enumerator = EnumerateObservers();
	while (Kit::EventObserver* observer = enumerator.Next()) {
		try {
			if (auto* modelObserver = dynamic_cast<IModel3DObserver*>(observer)) handler(*modelObserver);
		} catch (...) {
			ReportObserverFailure(eventName);
		}
	}
}

} // namespace Modeler
