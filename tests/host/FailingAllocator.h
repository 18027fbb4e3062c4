// A global operator new that can be told to fail, for the tests of what the module does
// when memory runs out: after Arm(n) the next n allocations succeed and every later one
// throws std::bad_alloc (the nothrow forms return null) until Disarm.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <string>

namespace FailingAllocator {

void Arm(long allowed);
void Disarm();
// Allocations refused since the last Arm.
long Refused();
// Allocations the system could not serve, since the start.
long SystemFailures();

// One operation, run on a fresh target for every failure point.
struct FailureRun {
	std::function<void()> prepare;   // makes the fresh target (not armed)
	std::function<void()> operation; // runs armed
	std::function<bool()> unchanged; // after a run that threw: the target is as promised
	std::function<bool()> succeeded; // after a run that returned: the result is right
};

// Runs the operation with the allocator failing after n allocations, for n = 0, 1, …
// until a run refuses nothing. A run that refuses an allocation must throw an exception
// of std::bad_alloc's family and satisfy 'unchanged', or return with the right result (a
// failure the operation can do without, such as a cache or an index). Returns the number
// of runs that threw, or −1 after the first fault (reported through 'fault').
long ForEveryFailurePoint(const FailureRun& run, const std::function<void(const std::string&)>& fault,
                          long limit = 200000);

} // namespace FailingAllocator
