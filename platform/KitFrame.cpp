#include "platform/KitFrame.h"

#include "platform/KitException.h"

#include <map>
#include <mutex>

namespace Kit {

// ---- ClassVersion / ClassInfo ----------------------------------------------------

void ClassVersion::Write(OChannel& channel) const {
	channel.Write(majorVersion);
	channel.Write(minorVersion);
}

void ClassVersion::Read(IChannel& channel) {
	UInt16 majorRead = 0;
	UInt16 minorRead = 0;
	channel.Read(majorRead);
	channel.Read(minorRead);
	if (channel.GetInputStatus() != 0) majorRead = minorRead = 0;
	majorVersion = majorRead;
	minorVersion = minorRead;
}

ClassInfo::ClassInfo(const char* name, const char* guidText, ClassVersion version)
    : name(name != nullptr ? name : ""), version(version) {
	if (!Guid::FromString(guidText, id))
		throw IllegalArgumentException("ClassInfo: malformed class identifier", __FILE__, __LINE__);
}

ClassInfo::ClassInfo(std::string name, const Guid& id, ClassVersion version)
    : name(std::move(name)), id(id), version(version) {}

// ---- ClassManager -----------------------------------------------------------------

namespace {

struct Registry {
	std::mutex mutex;
	std::map<Guid, ClassInfo> byId; // node-based: entries never move
	std::map<std::string, const ClassInfo*> byName;
};

Registry& GetRegistry() {
	static Registry registry;
	return registry;
}

} // namespace

constinit ClassManager classManager;

bool ClassManager::Register(const ClassInfo& info) {
	if (info.GetId().IsNull() || info.GetName().empty()) return false;
	Registry& registry = GetRegistry();
	std::lock_guard<std::mutex> lock(registry.mutex);
	const auto idIt = registry.byId.find(info.GetId());
	const auto nameIt = registry.byName.find(info.GetName());
	if (idIt != registry.byId.end() || nameIt != registry.byName.end())
		return idIt != registry.byId.end() && idIt->second == info;
	const ClassInfo* stored = &registry.byId.emplace(info.GetId(), info).first->second;
	registry.byName.emplace(info.GetName(), stored);
	return true;
}

const ClassInfo* ClassManager::FindByName(const std::string& name) const {
	Registry& registry = GetRegistry();
	std::lock_guard<std::mutex> lock(registry.mutex);
	const auto it = registry.byName.find(name);
	return it != registry.byName.end() ? it->second : nullptr;
}

const ClassInfo* ClassManager::FindById(const Guid& id) const {
	Registry& registry = GetRegistry();
	std::lock_guard<std::mutex> lock(registry.mutex);
	const auto it = registry.byId.find(id);
	return it != registry.byId.end() ? &it->second : nullptr;
}

// ---- OutputFrame ------------------------------------------------------------------

OutputFrame::OutputFrame(OChannel& channel, const ClassInfo& info) : OutputFrame(channel, info, info.GetVersion()) {}

OutputFrame::OutputFrame(OChannel& channel, const ClassInfo& info, const ClassVersion& version)
    : channel(channel), version(version) {
	channel.Write(FrameMagic);
	channel.Write(info.GetId());
	version.Write(channel);
}

OutputFrame::~OutputFrame() {
	Close();
}

void OutputFrame::Close() {
	if (closed) return;
	closed = true;
	channel.Write(FrameEndMagic);
}

// ---- InputFrame -------------------------------------------------------------------

InputFrame::InputFrame(IChannel& channel, const ClassInfo& info) : channel(channel) {
	if (channel.GetInputStatus() != 0) {
		status = channel.GetInputStatus();
		return;
	}
	UInt32 magic = 0;
	channel.Read(magic);
	if (channel.GetInputStatus() != 0) {
		status = channel.GetInputStatus();
		return;
	}
	if (magic != FrameMagic) {
		status = ChannelFormatError;
		channel.SignalInputError(status);
		return;
	}
	Guid id;
	channel.Read(id);
	version.Read(channel);
	if (channel.GetInputStatus() != 0) {
		status = channel.GetInputStatus();
		version = ClassVersion();
		return;
	}
	if (id != info.GetId()) {
		status = ChannelFormatError;
		channel.SignalInputError(status);
	}
}

InputFrame::~InputFrame() {
	Close();
}

void InputFrame::Close() {
	if (closed) return;
	closed = true;
	// After a failed header the position inside the stream is unknown: reading on
	// would only mistake object data for a marker.
	if (status != 0) return;
	UInt32 marker = 0;
	channel.Read(marker);
	if (channel.GetInputStatus() != 0) {
		status = channel.GetInputStatus();
	} else if (marker != FrameEndMagic) {
		status = ChannelFormatError;
		channel.SignalInputError(status);
	}
}

Int32 InputFrame::GetStatus() const {
	return status != 0 ? status : channel.GetInputStatus();
}

void InputFrame::CheckStatus() const {
	if (GetStatus() != 0)
		throw InternalErrorException("InputFrame: corrupt or truncated object frame", __FILE__, __LINE__);
}

} // namespace Kit
