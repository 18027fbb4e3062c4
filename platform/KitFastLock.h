// Kit::FastLock: the root library's re-entrant lock. The owning thread may acquire it
// again; each acquisition is paired with one release. Failures of the platform lock
// become Kit::SynchronizationException.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitException.h"
#include "platform/KitTypes.h"

#include <mutex>
#include <system_error>

namespace Kit {

namespace FastLockErrors {
[[noreturn]] void ThrowCreateFailed();
[[noreturn]] void ThrowAcquireFailed();
} // namespace FastLockErrors

// The lock over any platform mutex type with lock/try_lock/unlock; FastLock is the one
// over std::recursive_mutex.
template <typename Mutex> class BasicFastLock {
public:
	BasicFastLock() try : mutex() {
	} catch (const std::system_error&) {
		FastLockErrors::ThrowCreateFailed();
	}
	BasicFastLock(const BasicFastLock&) = delete;
	BasicFastLock& operator=(const BasicFastLock&) = delete;

	// Blocks until this thread owns the lock.
	void Acquire() {
		try {
			mutex.lock();
		} catch (const std::system_error&) {
			FastLockErrors::ThrowAcquireFailed();
		}
	}
	// Takes the lock when that is possible without waiting.
	bool TryAcquire() {
		try {
			return mutex.try_lock();
		} catch (const std::system_error&) {
			FastLockErrors::ThrowAcquireFailed();
		}
	}
	// Releases one acquisition of the owning thread.
	void Release() noexcept { mutex.unlock(); }

private:
	Mutex mutex;
};

using FastLock = BasicFastLock<std::recursive_mutex>;

// Holds a lock for its scope.
template <typename Lock> class BasicFastLockGuard {
public:
	explicit BasicFastLockGuard(Lock& lock) : lock(lock) { lock.Acquire(); }
	BasicFastLockGuard(const BasicFastLockGuard&) = delete;
	BasicFastLockGuard& operator=(const BasicFastLockGuard&) = delete;
	~BasicFastLockGuard() { lock.Release(); }

private:
	Lock& lock;
};

using FastLockGuard = BasicFastLockGuard<FastLock>;

} // namespace Kit

#pragma GCC visibility pop
