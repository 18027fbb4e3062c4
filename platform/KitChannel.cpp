#include "platform/KitChannel.h"

#include "platform/ByteOrder.h"

#include <cstdio>
#include <cstring>

namespace Kit {

// ---- input ------------------------------------------------------------------

template <typename T> IChannel& IChannel::ReadValue(T& value) {
	unsigned char bytes[sizeof(T)] = {};
	if (ReadBin(bytes, sizeof(T)) != 0) {
		value = T{};
		return *this;
	}
	std::memcpy(&value, bytes, sizeof(T));
	if (NeedsSwap()) value = ByteSwap(value);
	return *this;
}

IChannel& IChannel::Read(bool& value) {
	UInt8 byte = 0;
	ReadValue(byte);
	value = byte != 0;
	return *this;
}

IChannel& IChannel::Read(char& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(Int8& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(UInt8& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(Int16& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(UInt16& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(Int32& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(UInt32& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(Int64& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(UInt64& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(float& value) {
	return ReadValue(value);
}
IChannel& IChannel::Read(double& value) {
	return ReadValue(value);
}

IChannel& IChannel::Read(Guid& value) {
	Guid g;
	Read(g.data1);
	Read(g.data2);
	Read(g.data3);
	ReadBin(g.data4.data(), g.data4.size());
	value = status == 0 ? g : Guid{};
	return *this;
}

Int32 IChannel::ReadBin(void* destination, UInt64 n) {
	if (n == 0) return status;
	if (destination == nullptr) {
		SetInputStatus(ChannelReadError);
		return status;
	}
	UInt64 got = 0;
	if (status == 0) {
		got = DoRead(destination, n);
		if (got < n) SetInputStatus(ChannelEndOfInput);
	}
	if (got < n) std::memset(static_cast<char*>(destination) + got, 0, static_cast<USize>(n - got));
	return status;
}

UInt64 IChannel::DoSkip(UInt64 n) {
	char buffer[4096];
	UInt64 skipped = 0;
	while (skipped < n) {
		const UInt64 chunk = std::min<UInt64>(sizeof buffer, n - skipped);
		const UInt64 got = DoRead(buffer, chunk);
		skipped += got;
		if (got < chunk) break;
	}
	return skipped;
}

Int32 IChannel::Skip(UInt64 n) {
	if (status == 0 && n > 0 && DoSkip(n) < n) SetInputStatus(ChannelEndOfInput);
	return status;
}

// ---- output -----------------------------------------------------------------

template <typename T> OChannel& OChannel::WriteValue(T value) {
	if (NeedsSwap()) value = ByteSwap(value);
	WriteBin(&value, sizeof(T));
	return *this;
}

OChannel& OChannel::Write(bool value) {
	return WriteValue(static_cast<UInt8>(value ? 1 : 0));
}
OChannel& OChannel::Write(char value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(Int8 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(UInt8 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(Int16 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(UInt16 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(Int32 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(UInt32 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(Int64 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(UInt64 value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(float value) {
	return WriteValue(value);
}
OChannel& OChannel::Write(double value) {
	return WriteValue(value);
}

OChannel& OChannel::Write(const Guid& value) {
	Write(value.data1);
	Write(value.data2);
	Write(value.data3);
	WriteBin(value.data4.data(), value.data4.size());
	return *this;
}

Int32 OChannel::WriteBin(const void* source, UInt64 n) {
	if (status != 0 || n == 0) return status;
	if (source == nullptr || !DoWrite(source, n)) SetOutputStatus(ChannelWriteError);
	return status;
}

OChannel& OChannel::operator<<(const char* text) {
	if (text != nullptr) WriteBin(text, std::strlen(text));
	return *this;
}

OChannel& OChannel::operator<<(Int32 value) {
	return *this << std::to_string(value);
}

OChannel& OChannel::operator<<(UInt32 value) {
	return *this << std::to_string(value);
}

OChannel& OChannel::operator<<(Int64 value) {
	return *this << std::to_string(value);
}

OChannel& OChannel::operator<<(double value) {
	char text[64];
	std::snprintf(text, sizeof text, "%g", value);
	return *this << text;
}

} // namespace Kit
