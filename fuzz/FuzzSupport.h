// Helpers shared by the fuzz programs: the abort on a broken property, and the seed
// mode. Every program that can build seeds defines WriteSeeds and answers
// "--make-seeds DIR" by writing its seed inputs into DIR and ending, before libFuzzer
// starts (scripts/fuzz.sh calls it so that no binary seed is kept in the sources).
#pragma once

#include "platform/KitChannel.h"
#include "platform/KitTypes.h"
#include "platform/MemoryChannel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace FuzzSupport {

// Ends the run as a finding when a property that must hold does not.
inline void Require(bool condition, const char* what) {
	if (!condition) {
		std::fprintf(stderr, "broken: %s\n", what);
		std::abort();
	}
}

using Bytes = std::vector<char>;

// Writes seed files "<dir>/<name>-<n>" with the selector bytes in front of the payload.
class SeedWriter {
public:
	explicit SeedWriter(std::string dir) : dir(std::move(dir)) {}

	void Add(const std::string& name, const Bytes& selector, const Bytes& payload) {
		std::ofstream out(dir + "/" + name + "-" + std::to_string(count++), std::ios::binary);
		out.write(selector.data(), static_cast<std::streamsize>(selector.size()));
		out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
		Require(out.good(), "seed file written");
	}

private:
	std::string dir;
	int count = 0;
};

// Collects what a writer puts on a memory channel; the writer gets the channel.
template <typename WriteFn> Bytes Written(WriteFn write, Kit::PlatformSign order = Kit::Native_Platform_Sign) {
	IO::MemoryOChannel out;
	out.SetProtocol(order);
	write(out);
	Require(out.GetOutputStatus() == 0, "seed writer succeeded");
	return out.GetBytes();
}

template <typename T> void Append(Bytes& bytes, const T& value) {
	const char* p = reinterpret_cast<const char*>(&value);
	bytes.insert(bytes.end(), p, p + sizeof value);
}

} // namespace FuzzSupport

// Defined by each program that has seeds.
void WriteSeeds(FuzzSupport::SeedWriter& seeds);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
	for (int i = 1; i + 1 < *argc; ++i) {
		if (std::strcmp((*argv)[i], "--make-seeds") == 0) {
			FuzzSupport::SeedWriter seeds((*argv)[i + 1]);
			WriteSeeds(seeds);
			std::exit(0);
		}
	}
	return 0;
}
