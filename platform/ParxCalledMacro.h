// Called-macro items of the parametric-object library: the library parts that a
// parametric object calls, each named by its library part name and identified by the
// part's main GUID and the GUID of its revision.
//
// Stream of one item (typed values in the channel's byte-order protocol):
//
//   UInt32          name length n, in UTF-16 units
//   n × UInt16      the name
//   Guid            main GUID
//   Guid            revision GUID
//
// A list of items is an array stream: a frame of SyCalledMacroListClassInfo(), a UInt32
// item count, the items, the frame's end marker.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitFrame.h"
#include "platform/KitGuid.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"

#include <utility>

class SyCalledMacroItem {
public:
	// Bytes of the shortest item stream: an empty name and the two GUIDs.
	static constexpr UInt64 MinStreamSize = sizeof(UInt32) + 2 * sizeof(Kit::Guid);

	SyCalledMacroItem() = default;
	SyCalledMacroItem(Kit::UniString name, const Kit::Guid& mainGuid, const Kit::Guid& revisionGuid)
	    : name(std::move(name)), mainGuid(mainGuid), revisionGuid(revisionGuid) {}

	// Reads one item. Returns NoError, or the channel's input status; a name longer than
	// what the channel still holds sets ChannelEndOfInput before anything is allocated.
	// On failure the item keeps its old value.
	GSErrCode Read(Kit::IChannel& channel);
	// Writes the item; returns NoError or the channel's output status.
	GSErrCode Write(Kit::OChannel& channel) const;

	friend bool operator==(const SyCalledMacroItem&, const SyCalledMacroItem&) = default;

	Kit::UniString name; // library part name
	Kit::Guid mainGuid;
	Kit::Guid revisionGuid;
};

// Class information of the called-macro list stream, version 1.0.
const Kit::ClassInfo& SyCalledMacroListClassInfo();

// Writes the list as an array stream; returns NoError or the channel's output status.
GSErrCode WriteCalledMacroList(Kit::OChannel& channel, const Kit::Array<SyCalledMacroItem>& items);
// Reads an array stream into 'items'. Returns NoError, or the channel's input status: a
// frame of another class or of a newer major version, or a damaged frame, gives
// ChannelFormatError; a count of items that the rest of the channel cannot hold, and any
// read past the end, ChannelEndOfInput. On failure 'items' keeps its old content.
GSErrCode ReadCalledMacroList(Kit::IChannel& channel, Kit::Array<SyCalledMacroItem>& items);

#pragma GCC visibility pop
