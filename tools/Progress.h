// Progress of the m3d tool's long steps on stderr, only when stderr is a terminal: one line
// rewritten in place ("m3d: reading 42%"), first shown once a step has taken half a
// second (small inputs print nothing), erased when the work ends.
#pragma once

#include "platform/KitTypes.h"

#include <chrono>

namespace Progress {

class Meter {
public:
	// Shows nothing unless 'enabled'; by default, when stderr is a terminal.
	Meter();
	explicit Meter(bool enabled);
	Meter(const Meter&) = delete;
	Meter& operator=(const Meter&) = delete;
	// Erases the line and takes back the module's long-operation callback.
	~Meter();

	// 'done' of 'total' units of the step 'what'; with total 0 the count is shown in
	// megabytes.
	void Show(const char* what, UInt64 done, UInt64 total);
	// Erases the line.
	void Clear();

private:
	static void LongOperation(bool begins, bool finished, Int32 depth, void* meter);

	bool enabled = false;
	bool shown = false;
	std::chrono::steady_clock::time_point start;
	std::chrono::steady_clock::time_point last;
	const char* step = "";
};

} // namespace Progress
