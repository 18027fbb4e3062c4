#include "Progress.h"

#include "platform/KitUtils.h"

#include <cstdio>
#include <unistd.h>

namespace Progress {

namespace {

constexpr auto FirstAfter = std::chrono::milliseconds(500);
constexpr auto Every = std::chrono::milliseconds(100);

} // namespace

Meter::Meter() : Meter(isatty(STDERR_FILENO) != 0) {}

Meter::Meter(bool enabled) : enabled(enabled), start(std::chrono::steady_clock::now()), last(start) {
	// The module brackets its own long operations (loading a texture picture, for one):
	// the line then says that it works on.
	if (enabled) TTSetLongCallback(&Meter::LongOperation, this);
}

Meter::~Meter() {
	if (enabled) TTSetLongCallback(nullptr, nullptr);
	Clear();
}

void Meter::Show(const char* what, UInt64 done, UInt64 total) {
	if (!enabled) return;
	step = what;
	const auto now = std::chrono::steady_clock::now();
	if (now - start < FirstAfter || (shown && now - last < Every)) return;
	last = now;
	shown = true;
	if (total > 0)
		std::fprintf(stderr, "\rm3d: %s %3d%%\033[K", what, static_cast<int>(done * 100 / total));
	else
		std::fprintf(stderr, "\rm3d: %s %.1f MB\033[K", what, static_cast<double>(done) / 1e6);
	std::fflush(stderr);
}

void Meter::Clear() {
	if (!shown) return;
	std::fputs("\r\033[K", stderr);
	std::fflush(stderr);
	shown = false;
}

void Meter::LongOperation(bool begins, bool /*finished*/, Int32 depth, void* meter) {
	auto& m = *static_cast<Meter*>(meter);
	if (!begins || depth != 1) return;
	const auto now = std::chrono::steady_clock::now();
	if (now - m.start < FirstAfter) return;
	m.last = now;
	m.shown = true;
	std::fprintf(stderr, "\rm3d: %s (working)\033[K", m.step);
	std::fflush(stderr);
}

} // namespace Progress
