// Kit::StdOutChannel: an output channel onto the process's standard output, for hosts
// and tools that print reports and listings. A failed write (a closed or full output)
// sets the channel's output status.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitChannel.h"

namespace Kit {

class StdOutChannel : public OChannel {
public:
	// Writes what is buffered to the output; false when that fails.
	bool FlushOutput();

protected:
	bool DoWrite(const void* source, UInt64 n) override;
};

} // namespace Kit

#pragma GCC visibility pop
