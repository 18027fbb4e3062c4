// The root library's logger and debug channel.
//
// Kit::logger takes log lines made of a text whose first "%" is replaced by a location
// (a file or folder name, an object's description) and a category such as "Modeler".
// It keeps the most recent MaxKeptLines lines in memory (GetLines, Clear), passes every
// line to the host's callback when one is set, and echoes lines to stderr when echo is
// on (by default when the environment variable M3D_LOG is set).
//
// Kit::dbChannel is the text channel for debug output, such as the description of an
// exception that a function swallowed. Its text is kept in memory (the last megabyte,
// see TextChannel) and echoed to stderr when M3D_LOG is set.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTextChannel.h"
#include "platform/KitTypes.h"

#include <string>
#include <vector>

namespace Kit {

class UniString;

enum class LogLevel : Int32 {
	Info = 0,
	Warning = 1,
	Error = 2,
};

struct LogLine {
	LogLevel level = LogLevel::Info;
	std::string category;
	std::string text; // the text with its "%" replaced
};

class Logger {
public:
	using HostCallback = void (*)(const LogLine& line, void* userData);

	static constexpr USize MaxKeptLines = 1000;

	constexpr Logger() = default;
	Logger(const Logger&) = delete;
	Logger& operator=(const Logger&) = delete;

	void Log(LogLevel level, const char* text, const char* location, const char* category);
	void LogWarning(const char* text, const char* location, const char* category) {
		Log(LogLevel::Warning, text, location, category);
	}
	void LogWarning(const char* text, const UniString& location, const char* category);
	void LogError(const char* text, const char* location, const char* category) {
		Log(LogLevel::Error, text, location, category);
	}
	void LogInfo(const char* text, const char* location, const char* category) {
		Log(LogLevel::Info, text, location, category);
	}

	// The kept lines, oldest first.
	std::vector<LogLine> GetLines() const;
	void Clear();

	void SetHostCallback(HostCallback callback, void* userData);
	// Overrides the M3D_LOG default for the stderr echo.
	void SetEchoToStderr(bool echo);
};

// Replaces the first "%" of text by location (null texts count as empty).
std::string FormatLogText(const char* text, const char* location);

extern Logger logger;
extern TextChannel dbChannel;

} // namespace Kit

#pragma GCC visibility pop
