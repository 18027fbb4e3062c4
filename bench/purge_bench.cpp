// Purging a model to its element cache file and restoring it, next to a plain write and
// read of a file of the same size.
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/model/Model3D.h"
#include "platform/Geometry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Modeler::Model3D;

constexpr UInt32 ElemCount = 100000;
constexpr UInt32 BaseElemCount = 1000;

Kit::SharedPtr<Modeler::Body> MakeCube(double size) {
	Modeler::CandidateBody b;
	b.SetStatus(Modeler::BodyClosed);
	Int32 v[8];
	for (int i = 0; i < 8; ++i)
		v[i] = static_cast<Int32>(b.StoreVertex((i & 1) ? size : 0, (i & 2) ? size : 0, (i & 4) ? size : 0));
	// Faces as corner loops, counter-clockwise seen from outside.
	const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
	Int32 edgeOf[8][8];
	for (auto& row : edgeOf)
		for (Int32& e : row)
			e = 0;
	for (const auto& face : faces) {
		Int32 refs[4];
		for (int k = 0; k < 4; ++k) {
			const int a = face[k], c = face[(k + 1) % 4];
			if (edgeOf[a][c] == 0) {
				const Int32 e = b.StoreEdge(0, v[a], v[c], -2, -2, 0, 1) + 1;
				edgeOf[a][c] = e;
				edgeOf[c][a] = -e;
			}
			refs[k] = edgeOf[a][c];
		}
		b.StoreAndCheckCompletePolygon(1, 0, 4, refs, 0, true);
	}
	b.CalculatePolygonMPUIDs();
	b.CalculateBounds();
	return b.ToBody();
}

struct Fixture {
	std::filesystem::path parent;
	Kit::SharedPtr<Model3D> model;
	Kit::Guid firstGuid;

	Fixture() {
		parent = std::filesystem::temp_directory_path() / ("m3d-purge-bench-" + std::to_string(::getpid()));
		IO::Location location(parent);
		if (M3DInit(&location, 0, 0) != 0) throw std::runtime_error("M3DInit failed");
		model = Model3D::New(Modeler::Attributes::New(), Modeler::DiskCachingOn, nullptr);
		std::vector<Kit::SharedPtr<Modeler::BaseElem>> bases;
		for (UInt32 i = 0; i < BaseElemCount; ++i) {
			Kit::SharedPtr<Modeler::BaseElem> base(new Modeler::BaseElem());
			base->AddBody(MakeCube(1.0 + i * 0.001));
			bases.push_back(base);
		}
		Modeler::Model3DOnlyModifier modifier(model);
		for (UInt32 i = 0; i < ElemCount; ++i) {
			Modeler::VOCA id;
			id.SetEmpty();
			id.guid = Kit::Guid::Generate();
			Kit::SharedPtr<Modeler::Elem> elem(new Modeler::Elem(id, false, false, bases[i % BaseElemCount].Get()));
			TRAN t;
			Geometry::TMIdentity(&t);
			t.matrix[3] = i * 0.5;
			Geometry::TMFillStatus(&t);
			elem->SetTrafo(t);
			elem->CalculateBounds();
			modifier.AddElem(elem, Kit::NULLGuid);
			if (i == 0) firstGuid = id.guid;
		}
	}
	~Fixture() {
		model.Clear();
		M3DExit();
		std::error_code ec;
		std::filesystem::remove_all(parent, ec);
	}

	std::uintmax_t CacheBytes() const {
		const auto file =
		    model->GetSwapFolderLocation().GetPath() / ("ModelElems-" + std::to_string(model->GetGlobalIndex()));
		std::error_code ec;
		const auto size = std::filesystem::file_size(file, ec);
		return ec ? 0 : size;
	}
};

Fixture& Shared() {
	static Fixture fixture;
	return fixture;
}

std::uintmax_t cacheBytes = 0;

void BM_PurgeAndRestore(benchmark::State& state) {
	Fixture& f = Shared();
	for (auto _ : state) {
		f.model->Purge();
		// Any access to the element list restores it.
		benchmark::DoNotOptimize(f.model->GetElemIdx(f.firstGuid));
	}
	cacheBytes = f.CacheBytes();
	state.counters["bytes_on_disk"] = static_cast<double>(cacheBytes);
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * cacheBytes * 2));
}

// The same number of bytes written to a file and read back in 64 KiB blocks.
void BM_PlainFileWriteRead(benchmark::State& state) {
	Fixture& f = Shared();
	if (cacheBytes == 0) {
		f.model->Purge();
		cacheBytes = f.CacheBytes();
		f.model->GetElemIdx(f.firstGuid);
	}
	const auto file = f.parent / "plain.bin";
	std::vector<char> block(64 * 1024, 'x');
	for (auto _ : state) {
		FILE* out = std::fopen(file.c_str(), "wb");
		for (std::uintmax_t done = 0; done < cacheBytes; done += block.size())
			std::fwrite(block.data(), 1, std::min<std::uintmax_t>(block.size(), cacheBytes - done), out);
		std::fclose(out);
		FILE* in = std::fopen(file.c_str(), "rb");
		while (std::fread(block.data(), 1, block.size(), in) == block.size()) {
		}
		std::fclose(in);
		benchmark::ClobberMemory();
	}
	state.counters["bytes_on_disk"] = static_cast<double>(cacheBytes);
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * cacheBytes * 2));
}

BENCHMARK(BM_PurgeAndRestore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFileWriteRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
