#include "platform/KitLogger.h"

#include "platform/KitUniString.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace Kit {

constinit Logger logger;
constinit TextChannel dbChannel("[debug] ", true);

namespace {

struct LoggerState {
	std::mutex mutex;
	std::deque<LogLine> lines;
	Logger::HostCallback callback = nullptr;
	void* callbackData = nullptr;
	bool echo = IsLogEnvironmentSet();
};

// Created on first use and never destroyed, so that logging works during start-up and
// shut-down of the program.
LoggerState& GetState() {
	static LoggerState* state = new LoggerState;
	return *state;
}

const char* LevelName(LogLevel level) {
	switch (level) {
	case LogLevel::Info:
		return "info";
	case LogLevel::Warning:
		return "warning";
	case LogLevel::Error:
		return "error";
	}
	return "?";
}

} // namespace

std::string FormatLogText(const char* text, const char* location) {
	std::string result = text != nullptr ? text : "";
	const USize at = result.find('%');
	if (at != std::string::npos) result.replace(at, 1, location != nullptr ? location : "");
	return result;
}

void Logger::Log(LogLevel level, const char* text, const char* location, const char* category) {
	LogLine line;
	line.level = level;
	line.category = category != nullptr ? category : "";
	line.text = FormatLogText(text, location);

	LoggerState& state = GetState();
	HostCallback callback;
	void* callbackData;
	{
		std::lock_guard<std::mutex> lock(state.mutex);
		if (state.echo)
			std::fprintf(stderr, "[%s] %s: %s\n", line.category.c_str(), LevelName(level), line.text.c_str());
		callback = state.callback;
		callbackData = state.callbackData;
		state.lines.push_back(line);
		while (state.lines.size() > MaxKeptLines)
			state.lines.pop_front();
	}
	// The host is called without the lock held, so that it may log in turn.
	if (callback != nullptr) callback(line, callbackData);
}

void Logger::LogWarning(const char* text, const UniString& location, const char* category) {
	Log(LogLevel::Warning, text, location.ToUtf8().c_str(), category);
}

std::vector<LogLine> Logger::GetLines() const {
	LoggerState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	return std::vector<LogLine>(state.lines.begin(), state.lines.end());
}

void Logger::Clear() {
	LoggerState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.lines.clear();
}

void Logger::SetHostCallback(HostCallback callback, void* userData) {
	LoggerState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.callback = callback;
	state.callbackData = userData;
}

void Logger::SetEchoToStderr(bool echo) {
	LoggerState& state = GetState();
	std::lock_guard<std::mutex> lock(state.mutex);
	state.echo = echo;
}

} // namespace Kit
