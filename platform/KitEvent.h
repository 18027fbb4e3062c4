// Kit::EventSource and Kit::EventObserver: the observer links of the root library.
//
// An observer attaches to any number of sources; a source calls its observers through
// an enumeration of its list. The links look after themselves:
//   - an observer may detach itself or any other observer, attach new ones, or even
//     destroy observers or the source, from inside a call made during an enumeration;
//     detached and destroyed observers are not called any more, and observers attached
//     during an enumeration are first called by the next one;
//   - a source destroyed before its observers detaches them all and tells each through
//     SourceDestroyed; an observer destroyed before its sources detaches from all.
// Attaching an observer that is already attached changes nothing. Copies of sources and
// observers start without links; assignment leaves the links alone.
//
// All links are guarded by one lock, so sources and observers may be attached, detached
// and enumerated from several threads. Observer calls are made without the lock held.
// Destroying an object while another thread is calling into it is not supported.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <exception>
#include <vector>

namespace Kit {

class EventSource;

class EventObserver {
public:
	EventObserver() = default;
	EventObserver(const EventObserver&) {}
	EventObserver& operator=(const EventObserver&) { return *this; }
	virtual ~EventObserver();

	// Called when a source this observer was attached to is destroyed; the link is
	// already gone. The source is partly destroyed: use the pointer only to identify it.
	virtual void SourceDestroyed(EventSource* source);

	bool IsAttachedTo(const EventSource& source) const;
	USize GetSourceCount() const;
	void DetachFromAll();

private:
	friend class EventSource;
	std::vector<EventSource*> sources;
};

class EventSource {
public:
	class Enumerator;

	EventSource() = default;
	EventSource(const EventSource&) {}
	EventSource& operator=(const EventSource&) { return *this; }
	virtual ~EventSource();

	void Attach(EventObserver& observer);
	void Detach(EventObserver& observer);
	void DetachAll();
	bool IsAttached(const EventObserver& observer) const;
	USize GetObserverCount() const;

	// An enumeration of the observers attached now, in the order they were attached.
	Enumerator EnumerateObservers() const;

	// Calls f(o) for every observer o that is an ObserverType, in list order.
	template <typename ObserverType, typename F> void ForEachObserver(F&& f) const;

private:
	struct Entry {
		EventObserver* observer; // null once detached during an enumeration
		UInt64 key;              // attach serial number
	};

	void RemoveEntry(USize index); // lock held
	void Compact() const;          // lock held

	mutable std::vector<Entry> entries;
	mutable std::vector<Enumerator*> enumerators;
	mutable bool hasDetachedEntries = false;
	UInt64 lastKey = 0;
	bool destroying = false;
};

// Walks a source's list. Accepts the entries whose key is not newer than the
// enumeration itself, so observers attached meanwhile wait for the next event. Ends
// early when the source is destroyed. Neither copyable nor movable: keep it in the
// scope that asked for it.
class EventSource::Enumerator {
public:
	~Enumerator();
	Enumerator(const Enumerator&) = delete;
	Enumerator& operator=(const Enumerator&) = delete;

	// The next observer, or null at the end.
	EventObserver* Next();

private:
	friend class EventSource;
	explicit Enumerator(const EventSource& source);

	const EventSource* source;
	USize position = 0;
	UInt64 key = 0;
};

template <typename ObserverType, typename F> void EventSource::ForEachObserver(F&& f) const {
	Enumerator enumerator = EnumerateObservers();
	while (EventObserver* observer = enumerator.Next()) {
		if (auto* typed = dynamic_cast<ObserverType*>(observer)) f(*typed);
	}
}

} // namespace Kit

#pragma GCC visibility pop
