// m3d: the module's command-line tool.
//
//   m3d demo    start the module, build the built-in sample building into a disk-cached
//               model, print what it holds, purge and restore it, check that nothing
//               changed, and stop the module.
#include "Demo.h"

#include "platform/StdOutChannel.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
	if (argc < 2 || std::strcmp(argv[1], "demo") == 0) {
		Kit::StdOutChannel out;
		const int result = RunDemo(out);
		return out.FlushOutput() ? result : 1;
	}
	std::fprintf(stderr, "usage: m3d demo\n");
	return 2;
}
