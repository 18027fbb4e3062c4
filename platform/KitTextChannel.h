// Kit::TextChannel: an output channel for diagnostic text (the debug channel and the
// report channel). What is written is
//   - kept in memory, the most recent MaxKeptBytes bytes, readable with GetText();
//   - handed to a host sink when one is set;
//   - echoed to stderr when echo is on (by default: when the environment variable
//     M3D_LOG is set to anything but "" or "0").
// Writing never fails. The channel is safe to use from several threads and at any time
// of program start-up (its state is created on first use).
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitChannel.h"

#include <atomic>
#include <string>

namespace Kit {

class TextChannel : public OChannel {
public:
	// Receives every piece of text written, as it is written.
	using Sink = void (*)(const char* text, USize length, void* userData);

	static constexpr USize MaxKeptBytes = 1 << 20;

	// 'name' starts every line echoed to stderr, e.g. "[debug] ". A permanent channel
	// (the process-wide ones) keeps its state through program exit, so that output
	// written by other objects' destructors still works.
	explicit constexpr TextChannel(const char* name, bool permanent = false) : name(name), permanent(permanent) {}
	~TextChannel() override;

	std::string GetText() const;
	void ClearText();
	void SetSink(Sink sink, void* userData);
	// Overrides the M3D_LOG default for the stderr echo.
	void SetEchoToStderr(bool echo);
	bool GetEchoToStderr() const;

protected:
	bool DoWrite(const void* source, UInt64 n) override;

private:
	struct State;
	State& GetState() const;

	const char* name;
	bool permanent;
	mutable std::atomic<State*> state{nullptr};
};

// True when the environment variable M3D_LOG asks for diagnostic output on stderr.
bool IsLogEnvironmentSet();

} // namespace Kit

#pragma GCC visibility pop
