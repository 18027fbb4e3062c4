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

// While the seeds are checked, every seed must be accepted: a refusal is a broken seed.
inline bool& CheckingSeeds() {
	static bool checking = false;
	return checking;
}

// Called where a reader refuses its input.
inline void Refused() {
	Require(!CheckingSeeds(), "a seed written by the project's writer is accepted");
}

// Writes seed files "<dir>/<name>-<n>" with the selector bytes in front of the payload.
class SeedWriter {
public:
	explicit SeedWriter(std::string dir) : dir(std::move(dir)) {}

	void Add(const std::string& name, const Bytes& selector, const Bytes& payload) {
		Bytes seed(selector);
		seed.insert(seed.end(), payload.begin(), payload.end());
		std::ofstream out(dir + "/" + name + "-" + std::to_string(written.size()), std::ios::binary);
		out.write(seed.data(), static_cast<std::streamsize>(seed.size()));
		Require(out.good(), "seed file written");
		written.push_back(std::move(seed));
	}

	const std::vector<Bytes>& GetWritten() const { return written; }

private:
	std::string dir;
	std::vector<Bytes> written;
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
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
	for (int i = 1; i + 1 < *argc; ++i) {
		if (std::strcmp((*argv)[i], "--make-seeds") == 0) {
			FuzzSupport::SeedWriter seeds((*argv)[i + 1]);
			WriteSeeds(seeds);
			FuzzSupport::CheckingSeeds() = true;
			for (const FuzzSupport::Bytes& seed : seeds.GetWritten())
				LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(seed.data()), seed.size());
			std::exit(0);
		}
	}
	return 0;
}
