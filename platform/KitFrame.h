// Class information and versioned object frames.
//
// A frame brackets the serialised form of one object on a channel:
//
//   UInt32  FrameMagic
//   Guid    class identifier
//   UInt16  major version, UInt16 minor version
//   ...     the object's own data
//   UInt32  FrameEndMagic                 (written / checked by Close)
//
// Every value goes through the channel's typed writers and readers, so a frame
// follows the channel's byte-order protocol like the data inside it. Frames nest:
// an inner frame is simply part of the outer frame's data. There is no length field
// (output channels cannot seek back), so a reader has to consume exactly the data the
// writer put inside; the end marker check catches readers and writers that disagree.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitChannel.h"
#include "platform/KitGuid.h"
#include "platform/KitTypes.h"

#include <compare>
#include <string>

namespace Kit {

constexpr UInt32 FrameMagic = 0x4B46524D;    // "KFRM"
constexpr UInt32 FrameEndMagic = 0x4B46454E; // "KFEN"

class ClassVersion {
public:
	constexpr ClassVersion() = default;
	constexpr ClassVersion(UInt16 majorVersion, UInt16 minorVersion)
	    : majorVersion(majorVersion), minorVersion(minorVersion) {}

	constexpr UInt16 GetMajorVersion() const { return majorVersion; }
	constexpr UInt16 GetMinorVersion() const { return minorVersion; }

	// Writes / reads major then minor as two UInt16. Read yields 0.0 when the channel fails.
	void Write(OChannel& channel) const;
	void Read(IChannel& channel);

	// Ordered by major, then minor version.
	friend constexpr bool operator==(const ClassVersion&, const ClassVersion&) = default;
	friend constexpr auto operator<=>(const ClassVersion&, const ClassVersion&) = default;

private:
	UInt16 majorVersion = 0;
	UInt16 minorVersion = 0;
};

class ClassInfo {
public:
	ClassInfo() = default;
	// 'guidText' is "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; malformed text is a
	// programming error and throws Kit::IllegalArgumentException.
	ClassInfo(const char* name, const char* guidText, ClassVersion version);
	ClassInfo(std::string name, const Guid& id, ClassVersion version);

	const std::string& GetName() const { return name; }
	const Guid& GetId() const { return id; }
	const ClassVersion& GetVersion() const { return version; }

	friend bool operator==(const ClassInfo&, const ClassInfo&) = default;

private:
	std::string name;
	Guid id;
	ClassVersion version;
};

// Registry of class information, looked up by name or by identifier. Registered
// entries are kept until the process ends, so the pointers handed out stay valid.
// Thread-safe. The object has no dynamic initialisation, so it may be used while
// other static objects are constructed.
class ClassManager {
public:
	constexpr ClassManager() = default;

	// Registers a copy of 'info'. Returns true when registered or when an equal entry
	// is already present; false for a null identifier, an empty name, or a name or
	// identifier already registered for a different class.
	bool Register(const ClassInfo& info);

	const ClassInfo* FindByName(const std::string& name) const;
	const ClassInfo* FindById(const Guid& id) const;
};

extern ClassManager classManager;

// Writes a frame header for 'info' (with its version, or with 'version' when given)
// on construction, and the end marker on Close() or destruction, whichever comes
// first. Errors show in the channel's output status.
class OutputFrame {
public:
	OutputFrame(OChannel& channel, const ClassInfo& info);
	OutputFrame(OChannel& channel, const ClassInfo& info, const ClassVersion& version);
	OutputFrame(const OutputFrame&) = delete;
	OutputFrame& operator=(const OutputFrame&) = delete;
	~OutputFrame();

	void Close();

	const ClassVersion& GetVersion() const { return version; }
	// 0, or the channel's output status.
	Int32 GetStatus() const { return channel.GetOutputStatus(); }

private:
	OChannel& channel;
	ClassVersion version;
	bool closed = false;
};

// Reads and checks a frame header for 'info' on construction, and the end marker on
// Close() or destruction, whichever comes first. A wrong magic, another class, a
// missing end marker (ChannelFormatError) or a read past the end (ChannelEndOfInput)
// makes GetStatus() non-zero and is also set as the channel's input status, so a
// caller that checks the channel at the end sees it too. The stored version is
// returned as it was written; deciding whether it is supported is the caller's job.
class InputFrame {
public:
	InputFrame(IChannel& channel, const ClassInfo& info);
	InputFrame(const InputFrame&) = delete;
	InputFrame& operator=(const InputFrame&) = delete;
	~InputFrame();

	void Close();

	// The version stored in the frame header (0.0 when the header could not be read).
	const ClassVersion& GetVersion() const { return version; }
	// 0 while the frame and its channel are sound, otherwise the first error.
	Int32 GetStatus() const;
	// Throws Kit::InternalErrorException when GetStatus() is non-zero.
	void CheckStatus() const;

private:
	IChannel& channel;
	ClassVersion version;
	Int32 status = 0;
	bool closed = false;
};

} // namespace Kit

#pragma GCC visibility pop
