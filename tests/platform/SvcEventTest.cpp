#include "platform/KitEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class Source : public Kit::EventSource {
public:
	// Raises the event on every TestObserver, the way a model raises its events.
	void Raise(int value);
};

class TestObserver : public Kit::EventObserver {
public:
	TestObserver(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {}

	void Changed(Source& source, int value) {
		log->push_back(name + ":" + std::to_string(value));
		if (onChanged) onChanged(source);
	}
	void SourceDestroyed(Kit::EventSource* source) override {
		destroyedSources.push_back(source);
		if (onSourceDestroyed) onSourceDestroyed();
	}

	std::string name;
	std::vector<std::string>* log;
	std::function<void(Source&)> onChanged;
	std::function<void()> onSourceDestroyed;
	std::vector<Kit::EventSource*> destroyedSources;
};

// An observer of another kind, which Raise must pass over.
class OtherObserver : public Kit::EventObserver {};

void Source::Raise(int value) {
	ForEachObserver<TestObserver>([&](TestObserver& o) { o.Changed(*this, value); });
}

using Log = std::vector<std::string>;

TEST(SvcEvent, AttachDetachAndOrder) {
	Log log;
	Source source;
	TestObserver a("a", &log), b("b", &log), c("c", &log);
	OtherObserver other;
	source.Attach(a);
	source.Attach(b);
	source.Attach(other);
	source.Attach(c);
	source.Attach(a); // already attached: no second entry
	EXPECT_EQ(source.GetObserverCount(), 4u);
	EXPECT_TRUE(a.IsAttachedTo(source));
	EXPECT_EQ(a.GetSourceCount(), 1u);

	source.Raise(1);
	EXPECT_EQ(log, (Log{"a:1", "b:1", "c:1"}));

	source.Detach(b);
	source.Detach(b); // not attached: nothing happens
	EXPECT_FALSE(b.IsAttachedTo(source));
	EXPECT_FALSE(source.IsAttached(b));
	log.clear();
	source.Raise(2);
	EXPECT_EQ(log, (Log{"a:2", "c:2"}));

	source.DetachAll();
	EXPECT_EQ(source.GetObserverCount(), 0u);
	EXPECT_EQ(a.GetSourceCount(), 0u);
	EXPECT_EQ(other.GetSourceCount(), 0u);
}

TEST(SvcEvent, ObserversMayChangeTheListDuringAnEvent) {
	Log log;
	Source source;
	TestObserver a("a", &log), b("b", &log), c("c", &log), late("late", &log);
	source.Attach(a);
	source.Attach(b);
	source.Attach(c);
	// a detaches itself and c; b attaches a new observer and re-attaches a.
	a.onChanged = [&](Source& s) {
		s.Detach(a);
		s.Detach(c);
	};
	b.onChanged = [&](Source& s) {
		s.Attach(late);
		s.Attach(a);
	};
	source.Raise(1);
	// c was detached before its turn; late and the re-attached a wait for the next event.
	EXPECT_EQ(log, (Log{"a:1", "b:1"}));
	EXPECT_EQ(source.GetObserverCount(), 3u);

	a.onChanged = nullptr;
	b.onChanged = nullptr;
	log.clear();
	source.Raise(2);
	EXPECT_EQ(log, (Log{"b:2", "late:2", "a:2"}));
}

TEST(SvcEvent, ObserverDestroyedDuringAnEventIsSkipped) {
	Log log;
	Source source;
	TestObserver first("first", &log);
	auto victim = std::make_unique<TestObserver>("victim", &log);
	auto self = std::make_unique<TestObserver>("self", &log);
	TestObserver last("last", &log);
	source.Attach(first);
	source.Attach(*self);
	source.Attach(*victim);
	source.Attach(last);
	first.onChanged = [&](Source&) { victim.reset(); };
	self->onChanged = [&](Source&) { self.reset(); }; // destroys itself from its own handler
	source.Raise(1);
	EXPECT_EQ(log, (Log{"first:1", "self:1", "last:1"}));
	EXPECT_EQ(source.GetObserverCount(), 2u);
}

TEST(SvcEvent, SourceDestroyedDuringAnEventEndsTheEnumeration) {
	Log log;
	auto source = std::make_unique<Source>();
	TestObserver a("a", &log), b("b", &log);
	source->Attach(a);
	source->Attach(b);
	Kit::EventSource* address = source.get();
	a.onChanged = [&](Source&) { source.reset(); };
	address->ForEachObserver<TestObserver>([&](TestObserver& o) { o.Changed(*static_cast<Source*>(address), 1); });
	EXPECT_EQ(log, (Log{"a:1"}));
	EXPECT_EQ(b.destroyedSources, (std::vector<Kit::EventSource*>{address}));
	EXPECT_EQ(b.GetSourceCount(), 0u);
}

TEST(SvcEvent, SourceDestroyedFirstTellsEveryObserver) {
	Log log;
	TestObserver a("a", &log);
	auto b = std::make_unique<TestObserver>("b", &log);
	TestObserver c("c", &log);
	Source survivor;
	survivor.Attach(a);
	Kit::EventSource* address = nullptr;
	{
		Source source;
		address = &source;
		source.Attach(a);
		source.Attach(*b);
		source.Attach(c);
		// a destroys b when it hears of the source's end; b must then not be told.
		a.onSourceDestroyed = [&] { b.reset(); };
		// c tries to attach again to the dying source; that is refused.
		c.onSourceDestroyed = [&] { source.Attach(c); };
	}
	EXPECT_EQ(a.destroyedSources, (std::vector<Kit::EventSource*>{address}));
	EXPECT_EQ(b, nullptr);
	EXPECT_EQ(c.destroyedSources.size(), 1u);
	EXPECT_EQ(c.GetSourceCount(), 0u);
	// a is still attached to the other source.
	EXPECT_TRUE(a.IsAttachedTo(survivor));
	EXPECT_EQ(a.GetSourceCount(), 1u);
}

TEST(SvcEvent, ObserverDestroyedFirstLeavesAllItsSources) {
	Log log;
	Source s1, s2;
	TestObserver keep("keep", &log);
	{
		TestObserver gone("gone", &log);
		s1.Attach(gone);
		s2.Attach(gone);
		s2.Attach(keep);
		EXPECT_EQ(gone.GetSourceCount(), 2u);
	}
	EXPECT_EQ(s1.GetObserverCount(), 0u);
	EXPECT_EQ(s2.GetObserverCount(), 1u);
	s1.Raise(1);
	s2.Raise(2);
	EXPECT_EQ(log, (Log{"keep:2"}));
}

TEST(SvcEvent, CopiesStartWithoutLinks) {
	Log log;
	Source source;
	TestObserver a("a", &log);
	source.Attach(a);
	Source sourceCopy(source);
	EXPECT_EQ(sourceCopy.GetObserverCount(), 0u);
	TestObserver observerCopy(a);
	EXPECT_EQ(observerCopy.GetSourceCount(), 0u);
	EXPECT_FALSE(source.IsAttached(observerCopy));
	// Assignment keeps each side's own links.
	Source other;
	other = source;
	EXPECT_EQ(other.GetObserverCount(), 0u);
	EXPECT_EQ(source.GetObserverCount(), 1u);
	observerCopy = a;
	EXPECT_EQ(observerCopy.GetSourceCount(), 0u);
	EXPECT_EQ(a.GetSourceCount(), 1u);
}

TEST(SvcEvent, ThreadsAttachAndDetachWhileEventsAreRaised) {
	Log log;
	Source source;
	TestObserver fixed("fixed", &log);
	source.Attach(fixed);
	std::atomic<bool> stop{false};
	std::vector<std::thread> threads;
	for (int t = 0; t < 3; ++t) {
		threads.emplace_back([&] {
			for (int i = 0; i < 2000; ++i) {
				OtherObserver o;
				source.Attach(o);
				if (i % 2 == 0) source.Detach(o);
				// otherwise its destructor detaches it
			}
		});
	}
	int raised = 0;
	std::thread raiser([&] {
		while (!stop.load() || raised < 100) {
			int seen = 0;
			auto e = source.EnumerateObservers();
			while (Kit::EventObserver* o = e.Next())
				seen += o == &fixed ? 1 : 0;
			EXPECT_EQ(seen, 1);
			++raised;
		}
	});
	for (auto& thread : threads)
		thread.join();
	stop = true;
	raiser.join();
	EXPECT_GE(raised, 100);
	EXPECT_EQ(source.GetObserverCount(), 1u);
}

} // namespace
