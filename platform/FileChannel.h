// Buffered binary channels over an open IO::File. They read and write in blocks (64 KiB
// by default), so streaming many small values costs about as much as plain block I/O.
//
// A channel starts at the file's current position and owns that position while it
// lives: do not use the file directly, or a second channel on it, at the same time.
// When the channel goes away the file position is left just after the last byte read
// or written through it.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/IOFile.h"
#include "platform/KitChannel.h"

#include <vector>

namespace IO {

constexpr USize DefaultFileChannelBufferSize = USize{64} * 1024;

class FileIChannel : public Kit::IChannel {
public:
	// 'file' must be open for reading; otherwise the input status is ChannelReadError.
	explicit FileIChannel(File& file, USize bufferSize = DefaultFileChannelBufferSize);
	~FileIChannel() override;

	// Offset in the file of the next byte to be read.
	UInt64 GetPosition() const { return filePosition - (bufferEnd - bufferBegin); }

protected:
	UInt64 DoRead(void* destination, UInt64 n) override;
	// Bytes from the position to the end of the file.
	UInt64 DoGetAvailable() const override;
	UInt64 DoSkip(UInt64 n) override;

private:
	bool Fill();

	File& file;
	std::vector<char> buffer;
	USize bufferBegin = 0;   // next unread byte in the buffer
	USize bufferEnd = 0;     // end of the valid bytes in the buffer
	UInt64 filePosition = 0; // file offset just after the buffered bytes
	UInt64 fileLength = 0;
};

class FileOChannel : public Kit::OChannel {
public:
	// 'file' must be open for writing; otherwise the output status is ChannelWriteError.
	explicit FileOChannel(File& file, USize bufferSize = DefaultFileChannelBufferSize);
	// Flushes; check GetOutputStatus() after an explicit Flush() to see write errors.
	~FileOChannel() override;

	// Writes the buffered bytes to the file; a failure sets the output status.
	void Flush() override;

	// Offset in the file where the next byte will go.
	UInt64 GetPosition() const { return filePosition + used; }

protected:
	bool DoWrite(const void* source, UInt64 n) override;

private:
	bool WriteBuffer();

	File& file;
	std::vector<char> buffer;
	USize used = 0;
	UInt64 filePosition = 0; // file offset of the first buffered byte
};

} // namespace IO

#pragma GCC visibility pop
