#include "platform/ParxCalledMacro.h"

#include <string>
#include <utility>

GSErrCode SyCalledMacroItem::Read(Kit::IChannel& channel) {
	UInt32 length = 0;
	channel.Read(length);
	if (channel.GetInputStatus() != 0) return channel.GetInputStatus();
	// Checked before the name is allocated: the length comes from the data.
	if (length > channel.GetAvailable() / sizeof(UInt16)) {
		channel.SignalInputError(Kit::ChannelEndOfInput);
		return channel.GetInputStatus();
	}
	std::u16string text(length, u'\0');
	for (char16_t& unit : text) {
		UInt16 value = 0;
		channel.Read(value);
		unit = static_cast<char16_t>(value);
	}
	Kit::Guid mainRead;
	Kit::Guid revisionRead;
	channel.Read(mainRead);
	channel.Read(revisionRead);
	if (channel.GetInputStatus() != 0) return channel.GetInputStatus();
	name = Kit::UniString(std::move(text));
	mainGuid = mainRead;
	revisionGuid = revisionRead;
	return NoError;
}

GSErrCode SyCalledMacroItem::Write(Kit::OChannel& channel) const {
	channel.Write(static_cast<UInt32>(name.GetLength()));
	for (const char16_t unit : name.Chars())
		channel.Write(static_cast<UInt16>(unit));
	channel.Write(mainGuid);
	channel.Write(revisionGuid);
	return channel.GetOutputStatus();
}

const Kit::ClassInfo& SyCalledMacroListClassInfo() {
	static const Kit::ClassInfo info("SyCalledMacroList", "{3E9D2B71-84C6-4F0A-B5D3-6A1C7E29F480}",
	                                 Kit::ClassVersion(1, 0));
	return info;
}

GSErrCode WriteCalledMacroList(Kit::OChannel& channel, const Kit::Array<SyCalledMacroItem>& items) {
	Kit::OutputFrame frame(channel, SyCalledMacroListClassInfo());
	channel.Write(items.GetSize());
	for (const SyCalledMacroItem& item : items)
		item.Write(channel);
	frame.Close();
	return channel.GetOutputStatus();
}

GSErrCode ReadCalledMacroList(Kit::IChannel& channel, Kit::Array<SyCalledMacroItem>& items) {
	Kit::InputFrame frame(channel, SyCalledMacroListClassInfo());
	if (frame.GetStatus() != 0) return frame.GetStatus();
	if (frame.GetVersion().GetMajorVersion() > SyCalledMacroListClassInfo().GetVersion().GetMajorVersion()) {
		channel.SignalInputError(Kit::ChannelFormatError);
		return channel.GetInputStatus();
	}
	UInt32 count = 0;
	channel.Read(count);
	if (channel.GetInputStatus() != 0) return channel.GetInputStatus();
	// The count comes from the data: it must fit in what is left before room is made.
	if (count > channel.GetAvailable() / SyCalledMacroItem::MinStreamSize) {
		channel.SignalInputError(Kit::ChannelEndOfInput);
		return channel.GetInputStatus();
	}
	Kit::Array<SyCalledMacroItem> read;
	read.reserve(count);
	for (UInt32 i = 0; i < count; ++i) {
		SyCalledMacroItem item;
		if (item.Read(channel) != NoError) return channel.GetInputStatus();
		read.Push(std::move(item));
	}
	frame.Close();
	if (frame.GetStatus() != 0) return frame.GetStatus();
	items = std::move(read);
	return NoError;
}
