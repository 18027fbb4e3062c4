#include "platform/KitTextChannel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace Kit {

struct TextChannel::State {
	std::mutex mutex;
	std::string text;
	Sink sink = nullptr;
	void* sinkData = nullptr;
	bool echo = IsLogEnvironmentSet();
	bool echoAtLineStart = true;
};

bool IsLogEnvironmentSet() {
	const char* value = std::getenv("M3D_LOG");
	return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

TextChannel::~TextChannel() {
	if (!permanent) delete state.exchange(nullptr);
}

TextChannel::State& TextChannel::GetState() const {
	State* current = state.load(std::memory_order_acquire);
	if (current != nullptr) return *current;
	// Created on first use; when two threads race, one state wins and the other is
	// dropped.
	State* created = new State;
	if (state.compare_exchange_strong(current, created, std::memory_order_acq_rel)) return *created;
	delete created;
	return *current;
}

std::string TextChannel::GetText() const {
	State& s = GetState();
	std::lock_guard<std::mutex> lock(s.mutex);
	return s.text;
}

void TextChannel::ClearText() {
	State& s = GetState();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.text.clear();
}

void TextChannel::SetSink(Sink sink, void* userData) {
	State& s = GetState();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.sink = sink;
	s.sinkData = userData;
}

void TextChannel::SetEchoToStderr(bool echo) {
	State& s = GetState();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.echo = echo;
}

bool TextChannel::GetEchoToStderr() const {
	State& s = GetState();
	std::lock_guard<std::mutex> lock(s.mutex);
	return s.echo;
}

bool TextChannel::DoWrite(const void* source, UInt64 n) {
	State& s = GetState();
	const char* bytes = static_cast<const char*>(source);
	Sink sink;
	void* sinkData;
	{
		std::lock_guard<std::mutex> lock(s.mutex);
		if (n >= MaxKeptBytes) {
			s.text.assign(bytes + (n - MaxKeptBytes), MaxKeptBytes);
		} else {
			// Drop the oldest text in large steps, so that trimming stays cheap.
			if (s.text.size() + n > MaxKeptBytes)
				s.text.erase(0, std::min<USize>(s.text.size(), s.text.size() + n - MaxKeptBytes / 2));
			s.text.append(bytes, static_cast<USize>(n));
		}
		if (s.echo) {
			// The channel's name starts every echoed line.
			for (UInt64 i = 0; i < n; ++i) {
				if (s.echoAtLineStart) std::fputs(name, stderr);
				std::fputc(bytes[i], stderr);
				s.echoAtLineStart = bytes[i] == '\n';
			}
		}
		sink = s.sink;
		sinkData = s.sinkData;
	}
	if (sink != nullptr) sink(bytes, static_cast<USize>(n), sinkData);
	return true;
}

} // namespace Kit
