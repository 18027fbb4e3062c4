#include "platform/StdOutChannel.h"

#include <cstdio>

namespace Kit {

bool StdOutChannel::FlushOutput() {
	return std::fflush(stdout) == 0;
}

bool StdOutChannel::DoWrite(const void* source, UInt64 n) {
	return std::fwrite(source, 1, n, stdout) == n;
}

} // namespace Kit
