// Writes the restoring source of each fixture body (Body::PrintAsTestCase) into the given
// folder, one file per body, for the body tests to compile.
#include "fixtures/BodyFixtures.h"
#include "platform/MemoryChannel.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
	if (argc != 2) {
		std::fprintf(stderr, "usage: body_dump_generator FOLDER\n");
		return 2;
	}
	for (const Fixtures::DumpedBody& dumped : Fixtures::DumpedBodies()) {
		IO::MemoryOChannel text;
		dumped.body->PrintAsTestCase(text);
		const std::string path = std::string(argv[1]) + "/" + dumped.name + ".inc";
		std::ofstream out(path, std::ios::binary | std::ios::trunc);
		out.write(text.GetBuffer(), static_cast<std::streamsize>(text.GetDataSize()));
		if (!out) {
			std::fprintf(stderr, "body_dump_generator: cannot write %s\n", path.c_str());
			return 1;
		}
	}
	return 0;
}
