#include "platform/KitUtils.h"

#include "platform/KitText.h"

#include <atomic>
#include <mutex>

namespace Kit {
constinit TextChannel reportChannel("[report] ", true);
} // namespace Kit

namespace {

// Host callbacks and message records; created on first use and never destroyed.
struct UtilsState {
	std::mutex mutex;
	OUFixStringProvider provider = nullptr;
	void* providerData = nullptr;
	OUMessageCallback messageCallback = nullptr;
	void* messageData = nullptr;
	Int32 lastWarning = 0;
	Int32 lastError = 0;
	UInt32 warningCount = 0;
	UInt32 errorCount = 0;
	TTBreakCallback breakCallback = nullptr;
	void* breakData = nullptr;
	TTLongCallback longCallback = nullptr;
	void* longData = nullptr;
	Int32 longDepth = 0;
};

UtilsState& GetState() {
	static UtilsState* state = new UtilsState;
	return *state;
}

std::atomic<UInt64> projectModiStamp{0};

void ReportMessage(bool isError, Int32 code) {
	UtilsState& state = GetState();
	OUMessageCallback callback;
	void* data;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		if (isError) {
			state.lastError = code;
			++state.errorCount;
		} else {
			state.lastWarning = code;
			++state.warningCount;
		}
		callback = state.messageCallback;
		data = state.messageData;
	}
	if (callback != nullptr) callback(isError, code, data);
}

} // namespace

bool OUGetFixString(char* buffer, Int32 listId, Int32 index, Int64 module) {
	if (buffer == nullptr) return false;
	buffer[0] = '\0';
	UtilsState& state = GetState();
	OUFixStringProvider provider;
	void* data;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		provider = state.provider;
		data = state.providerData;
	}
	if (provider != nullptr) {
		if (provider(buffer, listId, index, module, data)) {
			CHTruncate(buffer, OUFixStringBufferSize);
			return true;
		}
		buffer[0] = '\0';
	}
	const char* text = OUGetBuiltInString(listId, index);
	if (text == nullptr) return false;
	CHCopyC(text, buffer, OUFixStringBufferSize);
	return true;
}

bool OULoadMessage(char* buffer, Int16 listId, Int16 index, Int64 module) {
	return OUGetFixString(buffer, listId, index, module);
}

void OUSetFixStringProvider(OUFixStringProvider provider, void* userData) {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.provider = provider;
	state.providerData = userData;
}

UInt64 OUGetProjectModiStamp() {
	return projectModiStamp.load(std::memory_order_acquire);
}

void OUSetProjectModiStamp(UInt64 stamp) {
	projectModiStamp.store(stamp, std::memory_order_release);
}

void OUWarning(Int32 code) {
	ReportMessage(false, code);
}

void OUError(Int32 code) {
	ReportMessage(true, code);
}

void OUSetMessageCallback(OUMessageCallback callback, void* userData) {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.messageCallback = callback;
	state.messageData = userData;
}

Int32 OUGetLastWarning() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return state.lastWarning;
}

Int32 OUGetLastError() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return state.lastError;
}

UInt32 OUGetWarningCount() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return state.warningCount;
}

UInt32 OUGetErrorCount() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return state.errorCount;
}

void OUResetMessages() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.lastWarning = state.lastError = 0;
	state.warningCount = state.errorCount = 0;
}

void TTBegLong() {
	UtilsState& state = GetState();
	TTLongCallback callback;
	void* data;
	Int32 depth;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		depth = ++state.longDepth;
		callback = state.longCallback;
		data = state.longData;
	}
	if (callback != nullptr) callback(true, false, depth, data);
}

void TTEndLong(bool finished) {
	UtilsState& state = GetState();
	TTLongCallback callback;
	void* data;
	Int32 depth;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		if (state.longDepth == 0) return;
		depth = --state.longDepth;
		callback = state.longCallback;
		data = state.longData;
	}
	if (callback != nullptr) callback(false, finished, depth, data);
}

Int32 TTGetLongDepth() {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return state.longDepth;
}

bool TTBreak() {
	UtilsState& state = GetState();
	TTBreakCallback callback;
	void* data;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		callback = state.breakCallback;
		data = state.breakData;
	}
	return callback != nullptr && callback(data);
}

void TTSetBreakCallback(TTBreakCallback callback, void* userData) {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.breakCallback = callback;
	state.breakData = userData;
}

void TTSetLongCallback(TTLongCallback callback, void* userData) {
	UtilsState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.longCallback = callback;
	state.longData = userData;
}
