#include "platform/KitFastLock.h"

namespace Kit::FastLockErrors {

// The source references name the platform implementation of the lock.
void ThrowCreateFailed() {
	throw SynchronizationException("Failed to create fast lock: failed to create critical section.", "WinFastLockImpl",
	                               75);
}

void ThrowAcquireFailed() {
	throw SynchronizationException("Failed to acquire fast lock: failed to enter critical section.", "WinFastLockImpl",
	                               105);
}

} // namespace Kit::FastLockErrors
