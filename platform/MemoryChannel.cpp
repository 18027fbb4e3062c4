#include "platform/MemoryChannel.h"

#include <algorithm>
#include <cstring>

namespace IO {

MemoryIChannel::MemoryIChannel(const void* data, UInt64 size)
    : data(static_cast<const char*>(data)), size(data != nullptr ? size : 0) {}

MemoryIChannel::MemoryIChannel(std::vector<char> bytes) : owned(std::move(bytes)) {
	data = owned.data();
	size = owned.size();
}

UInt64 MemoryIChannel::DoRead(void* destination, UInt64 n) {
	const UInt64 count = std::min(n, size - position);
	if (count > 0) std::memcpy(destination, data + position, static_cast<USize>(count));
	position += count;
	return count;
}

UInt64 MemoryIChannel::DoSkip(UInt64 n) {
	const UInt64 count = std::min(n, size - position);
	position += count;
	return count;
}

bool MemoryOChannel::DoWrite(const void* source, UInt64 n) {
	const char* p = static_cast<const char*>(source);
	bytes.insert(bytes.end(), p, p + n);
	return true;
}

} // namespace IO
