// m3d: the module's command-line tool.
//
//   m3d demo [--seed N]
//                  start the module, build the built-in sample building into a
//                  disk-cached model, print what it holds, purge and restore it, check
//                  that nothing changed, and stop the module. With a seed the element
//                  identifiers, and so the whole output, are the same on every run.
//   m3d --help     this usage; m3d --version: the module's version.
//
// Exit codes: 0 success, 1 a failure (a message on stderr), 2 a wrong command line.
#include "Demo.h"

#include "platform/KitException.h"
#include "platform/StdOutChannel.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

namespace {

constexpr const char* Usage = "usage: m3d [demo [--seed N] | --help | --version]\n"
                              "  demo       build the sample building, purge and restore it, and report;\n"
                              "             --seed N makes the element identifiers (and the output) repeatable\n"
                              "  --help     show this text\n"
                              "  --version  show the version\n";

bool Is(const char* argument, const char* a, const char* b = nullptr) {
	return std::strcmp(argument, a) == 0 || (b != nullptr && std::strcmp(argument, b) == 0);
}

int Demo(std::optional<UInt64> seed) {
	try {
		Kit::StdOutChannel out;
		const int result = RunDemo(out, seed);
		if (!out.FlushOutput() || out.GetOutputStatus() != 0) {
			std::fprintf(stderr, "m3d: cannot write the output\n");
			return 1;
		}
		return result;
	} catch (const Kit::KitException& e) {
		std::fprintf(stderr, "m3d: %s\n", e.Describe().c_str());
	} catch (const std::exception& e) {
		std::fprintf(stderr, "m3d: %s\n", e.what());
	}
	return 1;
}

} // namespace

int main(int argc, char** argv) {
	const char* verb = argc < 2 ? "demo" : argv[1];
	if (Is(verb, "--help", "help") || Is(verb, "-h")) {
		std::fputs(Usage, stdout);
		return std::fflush(stdout) == 0 ? 0 : 1;
	}
	if (Is(verb, "--version")) {
		std::printf("m3d %s\n", M3D_VERSION);
		return std::fflush(stdout) == 0 ? 0 : 1;
	}
	if (!Is(verb, "demo")) {
		std::fprintf(stderr, "m3d: unknown command '%s'\n%s", verb, Usage);
		return 2;
	}
	std::optional<UInt64> seed;
	int next = 2;
	if (argc > next && Is(argv[next], "--seed")) {
		if (argc == next + 1) {
			std::fprintf(stderr, "m3d: --seed needs a number\n%s", Usage);
			return 2;
		}
		const char* text = argv[next + 1];
		UInt64 value = 0;
		const auto [end, error] = std::from_chars(text, text + std::strlen(text), value);
		if (error != std::errc() || *end != '\0') {
			std::fprintf(stderr, "m3d: --seed needs a number, not '%s'\n%s", text, Usage);
			return 2;
		}
		seed = value;
		next += 2;
	}
	if (argc > next) {
		std::fprintf(stderr, "m3d: unexpected argument '%s'\n%s", argv[next], Usage);
		return 2;
	}
	return Demo(seed);
}
