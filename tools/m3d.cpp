// m3d: the module's command-line tool.
//
//   m3d demo       start the module, build the built-in sample building into a
//                  disk-cached model, print what it holds, purge and restore it, check
//                  that nothing changed, and stop the module.
//   m3d --help     this usage; m3d --version: the module's version.
//
// Exit codes: 0 success, 1 a failure (a message on stderr), 2 a wrong command line.
#include "Demo.h"

#include "platform/KitException.h"
#include "platform/StdOutChannel.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

constexpr const char* Usage = "usage: m3d [demo | --help | --version]\n"
                              "  demo       build the sample building, purge and restore it, and report\n"
                              "  --help     show this text\n"
                              "  --version  show the version\n";

bool Is(const char* argument, const char* a, const char* b = nullptr) {
	return std::strcmp(argument, a) == 0 || (b != nullptr && std::strcmp(argument, b) == 0);
}

int Demo() {
	try {
		Kit::StdOutChannel out;
		const int result = RunDemo(out);
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
	if (argc > 2) {
		std::fprintf(stderr, "m3d: unexpected argument '%s'\n%s", argv[2], Usage);
		return 2;
	}
	return Demo();
}
