// m3d: the module's command-line tool.
//
//   m3d demo    start the module, build the built-in sample building into a disk-cached
//               model, print what it holds, purge and restore it, check that nothing
//               changed, and stop the module.
#include "Demo.h"

#include <cstdio>
#include <cstring>

namespace {

class StdoutChannel : public Kit::OChannel {
protected:
	bool DoWrite(const void* source, UInt64 n) override { return std::fwrite(source, 1, n, stdout) == n; }
};

} // namespace

int main(int argc, char** argv) {
	if (argc < 2 || std::strcmp(argv[1], "demo") == 0) {
		StdoutChannel out;
		const int result = RunDemo(out);
		std::fflush(stdout);
		return result;
	}
	std::fprintf(stderr, "usage: m3d demo\n");
	return 2;
}
