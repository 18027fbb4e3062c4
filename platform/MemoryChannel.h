// Channels over memory: an input channel reading a byte range and an output channel
// collecting bytes in a growable buffer.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitChannel.h"

#include <vector>

namespace IO {

class MemoryIChannel : public Kit::IChannel {
public:
	// Reads the bytes [data, data + size); the caller keeps them alive.
	MemoryIChannel(const void* data, UInt64 size);
	// Reads a copy of the bytes.
	explicit MemoryIChannel(std::vector<char> bytes);

	UInt64 GetPosition() const { return position; }
	UInt64 GetSize() const { return size; }

protected:
	UInt64 DoRead(void* destination, UInt64 n) override;
	UInt64 DoGetAvailable() const override { return size - position; }
	UInt64 DoSkip(UInt64 n) override;

private:
	std::vector<char> owned;
	const char* data = nullptr;
	UInt64 size = 0;
	UInt64 position = 0;
};

class MemoryOChannel : public Kit::OChannel {
public:
	MemoryOChannel() = default;

	const char* GetBuffer() const { return bytes.data(); }
	UInt64 GetDataSize() const { return bytes.size(); }
	// Makes room for n more bytes in one step, for a writer that knows how much it will
	// write: the buffer then does not grow (and copy itself) on the way.
	void Reserve(UInt64 n) { bytes.reserve(static_cast<USize>(bytes.size() + n)); }
	UInt64 GetCapacity() const { return bytes.capacity(); }
	const std::vector<char>& GetBytes() const { return bytes; }
	std::vector<char> TakeBytes() { return std::move(bytes); }
	void Clear() { bytes.clear(); }
	std::string GetText() const { return std::string(bytes.begin(), bytes.end()); }

protected:
	bool DoWrite(const void* source, UInt64 n) override;

private:
	std::vector<char> bytes;
};

} // namespace IO

#pragma GCC visibility pop
