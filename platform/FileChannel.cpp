#include "platform/FileChannel.h"

#include <algorithm>
#include <cstring>

namespace IO {

// ---- FileIChannel -----------------------------------------------------------------

FileIChannel::FileIChannel(File& file, USize bufferSize) : file(file), buffer(std::max<USize>(bufferSize, 16)) {
	if (!file.CanRead() || file.GetPosition(filePosition) != NoIOError || file.GetDataLength(fileLength) != NoIOError)
		SetInputStatus(Kit::ChannelReadError);
}

FileIChannel::~FileIChannel() {
	if (file.IsOpen()) file.Seek(GetPosition());
}

bool FileIChannel::Fill() {
	UInt64 got = 0;
	bufferBegin = bufferEnd = 0;
	if (file.ReadBin(buffer.data(), buffer.size(), got) != NoIOError) {
		SetInputStatus(Kit::ChannelReadError);
		return false;
	}
	bufferEnd = static_cast<USize>(got);
	filePosition += got;
	return got > 0;
}

UInt64 FileIChannel::DoRead(void* destination, UInt64 n) {
	if (GetInputStatus() != 0) return 0;
	char* out = static_cast<char*>(destination);
	UInt64 done = 0;
	while (done < n) {
		if (bufferBegin == bufferEnd) {
			const UInt64 rest = n - done;
			if (rest >= buffer.size()) {
				// Large blocks go straight into the caller's memory.
				UInt64 got = 0;
				if (file.ReadBin(out + done, rest, got) != NoIOError) SetInputStatus(Kit::ChannelReadError);
				filePosition += got;
				done += got;
				break;
			}
			if (!Fill()) break;
		}
		const USize count = static_cast<USize>(std::min<UInt64>(n - done, bufferEnd - bufferBegin));
		std::memcpy(out + done, buffer.data() + bufferBegin, count);
		bufferBegin += count;
		done += count;
	}
	return done;
}

UInt64 FileIChannel::DoGetAvailable() const {
	const UInt64 position = GetPosition();
	return fileLength > position ? fileLength - position : 0;
}

UInt64 FileIChannel::DoSkip(UInt64 n) {
	if (GetInputStatus() != 0) return 0;
	const USize fromBuffer = static_cast<USize>(std::min<UInt64>(n, bufferEnd - bufferBegin));
	bufferBegin += fromBuffer;
	UInt64 rest = n - fromBuffer;
	if (rest == 0) return n;
	// Skip the rest by moving the file position, but never beyond the end.
	UInt64 length = 0;
	if (file.GetDataLength(length) == NoIOError) fileLength = length;
	const UInt64 available = DoGetAvailable();
	const UInt64 step = std::min(rest, available);
	bufferBegin = bufferEnd = 0;
	if (file.Seek(filePosition + step) != NoIOError) {
		SetInputStatus(Kit::ChannelReadError);
		return fromBuffer;
	}
	filePosition += step;
	return fromBuffer + step;
}

// ---- FileOChannel -----------------------------------------------------------------

FileOChannel::FileOChannel(File& file, USize bufferSize) : file(file), buffer(std::max<USize>(bufferSize, 16)) {
	if (!file.CanWrite() || file.GetPosition(filePosition) != NoIOError) SetOutputStatus(Kit::ChannelWriteError);
}

FileOChannel::~FileOChannel() {
	FileOChannel::Flush(); // the own flush: no dispatch in a destructor
}

bool FileOChannel::WriteBuffer() {
	if (used == 0) return true;
	const USize count = used;
	used = 0; // a failed block is dropped, never written twice
	if (file.WriteBin(buffer.data(), count) != NoIOError) return false;
	filePosition += count;
	return true;
}

bool FileOChannel::DoWrite(const void* source, UInt64 n) {
	const char* in = static_cast<const char*>(source);
	if (n <= buffer.size() - used) {
		std::memcpy(buffer.data() + used, in, static_cast<USize>(n));
		used += static_cast<USize>(n);
		return true;
	}
	if (!WriteBuffer()) return false;
	if (n >= buffer.size()) {
		if (file.WriteBin(in, n) != NoIOError) return false;
		filePosition += n;
		return true;
	}
	std::memcpy(buffer.data(), in, static_cast<USize>(n));
	used = static_cast<USize>(n);
	return true;
}

void FileOChannel::Flush() {
	if (!file.IsOpen()) {
		if (used > 0) SetOutputStatus(Kit::ChannelWriteError);
		used = 0;
		return;
	}
	if (!WriteBuffer() || file.Flush() != NoIOError) SetOutputStatus(Kit::ChannelWriteError);
}

} // namespace IO
