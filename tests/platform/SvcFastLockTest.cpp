#include "platform/KitFastLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(SvcFastLock, OwnerMayAcquireAgainOthersWaitForTheLastRelease) {
	Kit::FastLock lock;
	lock.Acquire();
	lock.Acquire();
	auto otherThreadGetsIt = [&lock] {
		bool got = false;
		std::thread([&] {
			got = lock.TryAcquire();
			if (got) lock.Release();
		}).join();
		return got;
	};
	EXPECT_FALSE(otherThreadGetsIt());
	lock.Release();
	EXPECT_FALSE(otherThreadGetsIt()); // still held once
	lock.Release();
	EXPECT_TRUE(otherThreadGetsIt());
}

TEST(SvcFastLock, GuardExcludesOtherThreadsAndReleasesOnException) {
	Kit::FastLock lock;
	Int64 counter = 0; // not atomic: the lock protects it
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; ++t) {
		threads.emplace_back([&] {
			for (int i = 0; i < 20000; ++i) {
				Kit::FastLockGuard outer(lock);
				Kit::FastLockGuard inner(lock); // re-entrant under the guard
				++counter;
			}
		});
	}
	for (auto& thread : threads)
		thread.join();
	EXPECT_EQ(counter, 80000);

	try {
		Kit::FastLockGuard guard(lock);
		throw std::runtime_error("inside");
	} catch (const std::runtime_error&) {
	}
	bool got = false;
	std::thread([&] {
		got = lock.TryAcquire();
		if (got) lock.Release();
	}).join();
	EXPECT_TRUE(got);
}

// A platform lock that fails the way the operating system reports it.
struct FailingMutex {
	static inline bool failCreate = false;
	FailingMutex() {
		if (failCreate) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
	}
	void lock() { throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur)); }
	bool try_lock() { throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur)); }
	void unlock() {}
};

TEST(SvcFastLock, PlatformFailuresBecomeSynchronizationExceptions) {
	using Lock = Kit::BasicFastLock<FailingMutex>;
	FailingMutex::failCreate = true;
	try {
		Lock lock;
		ADD_FAILURE() << "creation should fail";
	} catch (const Kit::SynchronizationException& e) {
		EXPECT_STREQ(e.GetMessage(), "Failed to create fast lock: failed to create critical section.");
		EXPECT_STREQ(e.GetFileName(), "WinFastLockImpl");
		EXPECT_EQ(e.GetLineNumber(), 75u);
		EXPECT_EQ(e.GetId(), Kit::ErrSynchronization);
	}
	FailingMutex::failCreate = false;

	Lock lock;
	try {
		Kit::BasicFastLockGuard guard(lock);
		ADD_FAILURE() << "acquisition should fail";
	} catch (const Kit::RunTimeErrorException& e) {
		EXPECT_NE(dynamic_cast<const Kit::SynchronizationException*>(&e), nullptr);
		EXPECT_STREQ(e.GetMessage(), "Failed to acquire fast lock: failed to enter critical section.");
		EXPECT_STREQ(e.GetFileName(), "WinFastLockImpl");
		EXPECT_EQ(e.GetLineNumber(), 105u);
	}
	EXPECT_THROW(lock.TryAcquire(), Kit::SynchronizationException);
}

} // namespace
