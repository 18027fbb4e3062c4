// Property-list benchmarks: the stream of a 10,000-entry list against memcpy of the same
// bytes, name lookup on 10,000 entries, and insertion at the front of a 10,000-entry list.
#include "Model3D/proplist/PropertyList.h"
#include "platform/MemoryChannel.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

using Modeler::PropertyList;
using L = Kit::PropertyListTypes;

namespace {

// Entries of the streamed list (about 1.4 MB of stream).
constexpr int StreamEntries = 10000;

// Entries cycling through every storage and array type.
PropertyList MakeMixedList(int count) {
	PropertyList list;
	for (int k = 0; k < count; ++k) {
		const std::string name = "param_" + std::to_string(k);
		switch (k % 9) {
		case 0:
			list.SetIntEntry(list.PushEntry(name.c_str(), L::Int, L::Scalar), k);
			break;
		case 1:
			list.SetNumEntry(list.PushEntry(name.c_str(), L::Num, L::Scalar), k * 0.5);
			break;
		case 2:
			list.SetStringEntry(list.PushEntry(name.c_str(), L::String, L::Scalar), u"a string value");
			break;
		case 3:
			list.PushEntry(name.c_str(), L::Int, L::OneDim, 16);
			break;
		case 4:
			list.PushEntry(name.c_str(), L::Num, L::OneDim, 16);
			break;
		case 5:
			list.PushEntry(name.c_str(), L::String, L::OneDim, 8);
			break;
		case 6:
			list.PushEntry(name.c_str(), L::Int, L::TwoDim, 4, 8);
			break;
		case 7:
			list.PushEntry(name.c_str(), L::Num, L::TwoDim, 8, 8);
			break;
		default: {
			const UInt32 i = list.PushEntry(name.c_str(), L::String, L::TwoDim, 3, 3);
			list.SetStringArrayVal(i, 2, 2, u"element");
			break;
		}
		}
	}
	return list;
}

std::vector<char> StreamBytes(const PropertyList& list) {
	IO::MemoryOChannel out;
	list.Write(out);
	return out.GetBytes();
}

void BM_StreamWriteRead(benchmark::State& state) {
	const PropertyList list = MakeMixedList(StreamEntries);
	const USize bytes = StreamBytes(list).size();
	PropertyList read;
	IO::MemoryOChannel out;
	for (auto _ : state) {
		out.Clear(); // keeps the channel's buffer: the list's own work is measured
		list.Write(out);
		IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
		read.Read(in);
		benchmark::DoNotOptimize(read.GetEntryNum());
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
	state.counters["stream_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StreamWriteRead);

void BM_StreamWrite(benchmark::State& state) {
	const PropertyList list = MakeMixedList(StreamEntries);
	IO::MemoryOChannel out;
	for (auto _ : state) {
		out.Clear();
		list.Write(out);
		benchmark::DoNotOptimize(out.GetDataSize());
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.GetDataSize()));
}
BENCHMARK(BM_StreamWrite);

// Read alone; it includes the integrity check and rebuilding the name index.
void BM_StreamRead(benchmark::State& state) {
	const std::vector<char> bytes = StreamBytes(MakeMixedList(StreamEntries));
	PropertyList read;
	for (auto _ : state) {
		IO::MemoryIChannel in(bytes.data(), bytes.size());
		read.Read(in);
		benchmark::DoNotOptimize(read.GetEntryNum());
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_StreamRead);

// Read into a new list each time, as when a material is loaded: nothing of an earlier
// read is at hand, and the list is destroyed again.
void BM_StreamReadIntoNewList(benchmark::State& state) {
	const std::vector<char> bytes = StreamBytes(MakeMixedList(StreamEntries));
	for (auto _ : state) {
		IO::MemoryIChannel in(bytes.data(), bytes.size());
		PropertyList read;
		read.Read(in);
		benchmark::DoNotOptimize(read.GetEntryNum());
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_StreamReadIntoNewList);

// The stream's bytes copied once: the yardstick of Write and of Read alone.
void BM_MemcpyOnce(benchmark::State& state) {
	const std::vector<char> source = StreamBytes(MakeMixedList(StreamEntries));
	std::vector<char> target(source.size());
	for (auto _ : state) {
		std::memcpy(target.data(), source.data(), source.size());
		benchmark::ClobberMemory();
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_MemcpyOnce);

// The same bytes copied twice (into the stream and out of it), like Write + Read.
void BM_MemcpySameBytes(benchmark::State& state) {
	const std::vector<char> source = StreamBytes(MakeMixedList(StreamEntries));
	std::vector<char> middle(source.size());
	std::vector<char> target(source.size());
	for (auto _ : state) {
		std::memcpy(middle.data(), source.data(), source.size());
		benchmark::ClobberMemory();
		std::memcpy(target.data(), middle.data(), middle.size());
		benchmark::ClobberMemory();
	}
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_MemcpySameBytes);

// 10,000 distinct names with distinct hashes: every lookup goes through the hash table.
void BM_LookupDistinct(benchmark::State& state) {
	PropertyList list;
	std::vector<std::string> names;
	for (int k = 0; k < 10000; ++k) {
		names.push_back("parameter_" + std::to_string(k));
		list.PushEntry(names.back().c_str(), L::Int, L::Scalar);
	}
	USize k = 0;
	for (auto _ : state) {
		benchmark::DoNotOptimize(list.GetIndexFromName(names[k].c_str()));
		k = (k + 7919) % names.size();
	}
}
BENCHMARK(BM_LookupDistinct);

// 10,000 entries of which every tenth shares its hash with the entry before it
// (16-character names differing only at positions the hash skips). Arg 0 looks up
// names that own their hash (table hit), arg 1 names that lost it (linear search).
void BM_LookupColliding(benchmark::State& state) {
	PropertyList list;
	std::vector<std::string> owners;
	std::vector<std::string> losers;
	for (int k = 0; k < 10000; ++k) {
		// 16 characters: the hash takes the even positions, which spell k; the odd ones are 'x'.
		std::string name(16, 'x');
		for (int d = 0, v = k; d < 8; ++d, v /= 26)
			name[2 * d] = static_cast<char>('a' + v % 26);
		if (k % 10 == 1) {
			name = list.GetEntryName(list.GetEntryNum() - 1);
			name[1] = 'y'; // odd position: same hash as the entry before, other name
			losers.push_back(name);
		} else {
			owners.push_back(name);
		}
		list.PushEntry(name.c_str(), L::Int, L::Scalar);
	}
	const std::vector<std::string>& names = state.range(0) == 0 ? owners : losers;
	USize k = 0;
	for (auto _ : state) {
		benchmark::DoNotOptimize(list.GetIndexFromName(names[k].c_str()));
		k = (k + 7919) % names.size();
	}
}
BENCHMARK(BM_LookupColliding)->Arg(0)->Arg(1);

// Insert at the front of a 10,000-entry list (and delete it again to keep the size).
void BM_InsertFront(benchmark::State& state) {
	PropertyList list;
	for (int k = 0; k < 10000; ++k)
		list.PushEntry(("parameter_" + std::to_string(k)).c_str(), L::Num, L::Scalar);
	for (auto _ : state) {
		list.InsertNewEntry(0, "front", L::Num, L::Scalar);
		list.DeleteEntries(0, 0);
	}
}
BENCHMARK(BM_InsertFront);

} // namespace

BENCHMARK_MAIN();
