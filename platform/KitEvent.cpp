#include "platform/KitEvent.h"

#include <algorithm>
#include <mutex>

namespace Kit {

namespace {

// One lock for all links between sources and observers. Never destroyed, so that
// objects destroyed at program exit can still unlink.
std::mutex& LinkMutex() {
	static std::mutex* mutex = new std::mutex;
	return *mutex;
}

void Erase(std::vector<EventSource*>& sources, const EventSource* source) {
	const auto it = std::find(sources.begin(), sources.end(), source);
	if (it != sources.end()) sources.erase(it);
}

} // namespace

// ---- observer -------------------------------------------------------------------

EventObserver::~EventObserver() {
	DetachFromAll();
}

void EventObserver::SourceDestroyed(EventSource* /*source*/) {}

bool EventObserver::IsAttachedTo(const EventSource& source) const {
	std::lock_guard<std::mutex> lock(LinkMutex());
	return std::find(sources.begin(), sources.end(), &source) != sources.end();
}

USize EventObserver::GetSourceCount() const {
	std::lock_guard<std::mutex> lock(LinkMutex());
	return sources.size();
}

void EventObserver::DetachFromAll() {
	std::vector<EventSource*> toDetach;
	{
		std::lock_guard<std::mutex> lock(LinkMutex());
		toDetach = sources;
	}
	for (EventSource* source : toDetach)
		source->Detach(*this);
}

// ---- source ---------------------------------------------------------------------

EventSource::~EventSource() {
	std::unique_lock<std::mutex> lock(LinkMutex());
	destroying = true;
	// Running enumerations end here.
	for (Enumerator* enumerator : enumerators)
		enumerator->source = nullptr;
	enumerators.clear();
	// Unlink one observer at a time and tell it without the lock, so that whatever it
	// does in SourceDestroyed (detaching, destroying other observers) finds consistent
	// links.
	while (!entries.empty()) {
		EventObserver* observer = entries.front().observer;
		entries.erase(entries.begin());
		if (observer == nullptr) continue;
		Erase(observer->sources, this);
		lock.unlock();
		observer->SourceDestroyed(this);
		lock.lock();
	}
}

void EventSource::Attach(EventObserver& observer) {
	std::lock_guard<std::mutex> lock(LinkMutex());
	if (destroying) return;
	for (const Entry& entry : entries) {
		if (entry.observer == &observer) return;
	}
	entries.push_back(Entry{&observer, ++lastKey});
	observer.sources.push_back(this);
}

void EventSource::Detach(EventObserver& observer) {
	std::lock_guard<std::mutex> lock(LinkMutex());
	for (USize i = 0; i < entries.size(); ++i) {
		if (entries[i].observer == &observer) {
			RemoveEntry(i);
			Erase(observer.sources, this);
			return;
		}
	}
}

void EventSource::DetachAll() {
	std::lock_guard<std::mutex> lock(LinkMutex());
	for (USize i = entries.size(); i-- > 0;) {
		if (entries[i].observer != nullptr) {
			Erase(entries[i].observer->sources, this);
			RemoveEntry(i);
		}
	}
}

bool EventSource::IsAttached(const EventObserver& observer) const {
	std::lock_guard<std::mutex> lock(LinkMutex());
	for (const Entry& entry : entries) {
		if (entry.observer == &observer) return true;
	}
	return false;
}

USize EventSource::GetObserverCount() const {
	std::lock_guard<std::mutex> lock(LinkMutex());
	USize count = 0;
	for (const Entry& entry : entries) {
		if (entry.observer != nullptr) ++count;
	}
	return count;
}

EventSource::Enumerator EventSource::EnumerateObservers() const {
	return Enumerator(*this);
}

void EventSource::RemoveEntry(USize index) {
	// While enumerations run, entries keep their positions; the hole is removed when
	// the last enumeration ends.
	if (enumerators.empty()) {
		entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
	} else {
		entries[index].observer = nullptr;
		hasDetachedEntries = true;
	}
}

void EventSource::Compact() const {
	if (!hasDetachedEntries || !enumerators.empty()) return;
	entries.erase(std::remove_if(entries.begin(), entries.end(), [](const Entry& e) { return e.observer == nullptr; }),
	              entries.end());
	hasDetachedEntries = false;
}

// ---- enumerator -----------------------------------------------------------------

EventSource::Enumerator::Enumerator(const EventSource& source) : source(&source) {
	std::lock_guard<std::mutex> lock(LinkMutex());
	if (source.destroying) {
		this->source = nullptr;
		return;
	}
	key = source.lastKey;
	source.enumerators.push_back(this);
}

EventSource::Enumerator::~Enumerator() {
	std::lock_guard<std::mutex> lock(LinkMutex());
	if (source == nullptr) return;
	auto& list = source->enumerators;
	const auto it = std::find(list.begin(), list.end(), this);
	if (it != list.end()) list.erase(it);
	source->Compact();
}

EventObserver* EventSource::Enumerator::Next() {
	std::lock_guard<std::mutex> lock(LinkMutex());
	if (source == nullptr) return nullptr;
	const auto& entries = source->entries;
	while (position < entries.size()) {
		const Entry& entry = entries[position++];
		if (entry.observer != nullptr && entry.key <= key) return entry.observer;
	}
	return nullptr;
}

} // namespace Kit
