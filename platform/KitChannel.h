// Binary channels. Typed reads and writes follow the channel's byte-order protocol:
// the sign of the platform the data comes from (input) or goes to (output). Raw block
// reads and writes move bytes unchanged. A read past the end of the input sets the
// input status and yields zero values; the status stays set until it is reset.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitGuid.h"
#include "platform/KitTypes.h"

#include <string>

namespace Kit {

enum : Int32 {
	ChannelEndOfInput = -39,  // read past the end of the input
	ChannelWriteError = -37,  // the sink refused the bytes
	ChannelReadError = -36,   // the source failed
	ChannelFormatError = -40, // the data do not have the expected form (frames)
};

class IChannel {
public:
	IChannel() = default;
	IChannel(const IChannel&) = delete;
	IChannel& operator=(const IChannel&) = delete;
	virtual ~IChannel() = default;

	IChannel& Read(bool& value);
	IChannel& Read(char& value);
	IChannel& Read(Int8& value);
	IChannel& Read(UInt8& value);
	IChannel& Read(Int16& value);
	IChannel& Read(UInt16& value);
	IChannel& Read(Int32& value);
	IChannel& Read(UInt32& value);
	IChannel& Read(Int64& value);
	IChannel& Read(UInt64& value);
	IChannel& Read(float& value);
	IChannel& Read(double& value);
	IChannel& Read(Guid& value);

	// Reads n raw bytes. Returns 0, or the error that was set; on error the bytes that
	// could not be read are zeroed.
	Int32 ReadBin(void* destination, UInt64 n);
	// Skips n bytes; an error when fewer remain.
	Int32 Skip(UInt64 n);

	// Bytes that can still be read (for files: up to the end of the file).
	UInt64 GetAvailable() const { return DoGetAvailable(); }

	Int32 GetInputStatus() const { return status; }
	void ResetInputStatus() { status = 0; }
	// Records an error found by a reader of the data (e.g. a frame with a bad header);
	// kept like a read error: the first error stays and later reads yield zeros.
	void SignalInputError(Int32 error) { SetInputStatus(error != 0 ? error : ChannelFormatError); }

	PlatformSign GetProtocol() const { return protocol; }
	void SetProtocol(PlatformSign sign) { protocol = sign; }
	bool NeedsSwap() const { return Kit::NeedsSwap(protocol, Native_Platform_Sign); }

protected:
	// Reads up to n bytes; returns the number read (fewer only at the end or on failure).
	virtual UInt64 DoRead(void* destination, UInt64 n) = 0;
	virtual UInt64 DoGetAvailable() const = 0;
	// Default: reads and drops the bytes. Returns the number skipped.
	virtual UInt64 DoSkip(UInt64 n);

	void SetInputStatus(Int32 error) {
		if (status == 0) status = error;
	}

private:
	template <typename T> IChannel& ReadValue(T& value);

	Int32 status = 0;
	PlatformSign protocol = Native_Platform_Sign;
};

class OChannel {
public:
	OChannel() = default;
	OChannel(const OChannel&) = delete;
	OChannel& operator=(const OChannel&) = delete;
	virtual ~OChannel() = default;

	OChannel& Write(bool value);
	OChannel& Write(char value);
	OChannel& Write(Int8 value);
	OChannel& Write(UInt8 value);
	OChannel& Write(Int16 value);
	OChannel& Write(UInt16 value);
	OChannel& Write(Int32 value);
	OChannel& Write(UInt32 value);
	OChannel& Write(Int64 value);
	OChannel& Write(UInt64 value);
	OChannel& Write(float value);
	OChannel& Write(double value);
	OChannel& Write(const Guid& value);

	// Writes n raw bytes; returns 0 or the error that was set.
	Int32 WriteBin(const void* source, UInt64 n);

	// Text output: the characters of the string, without the terminating zero.
	OChannel& operator<<(const char* text);
	OChannel& operator<<(const std::string& text) { return operator<<(text.c_str()); }
	OChannel& operator<<(Int32 value);
	OChannel& operator<<(UInt32 value);
	OChannel& operator<<(Int64 value);
	OChannel& operator<<(double value);

	virtual void Flush() {}

	Int32 GetOutputStatus() const { return status; }
	void ResetOutputStatus() { status = 0; }

	PlatformSign GetProtocol() const { return protocol; }
	void SetProtocol(PlatformSign sign) { protocol = sign; }
	bool NeedsSwap() const { return Kit::NeedsSwap(Native_Platform_Sign, protocol); }

protected:
	// Writes n bytes; returns false when the sink failed.
	virtual bool DoWrite(const void* source, UInt64 n) = 0;

	void SetOutputStatus(Int32 error) {
		if (status == 0) status = error;
	}

private:
	template <typename T> OChannel& WriteValue(T value);

	Int32 status = 0;
	PlatformSign protocol = Native_Platform_Sign;
};

} // namespace Kit

namespace IO {
// Sets the byte-order protocol of a channel to that of the platform with the given sign.
inline void SetPlatformIProtocol(Kit::IChannel& channel, Kit::PlatformSign sign) {
	channel.SetProtocol(sign);
}
inline void SetPlatformOProtocol(Kit::OChannel& channel, Kit::PlatformSign sign) {
	channel.SetProtocol(sign);
}
} // namespace IO

#pragma GCC visibility pop
