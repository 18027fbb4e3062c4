// Writing and reading a model file of 100,000 bodies (100,000 elements over 1,000 base
// elements with one box each), through file channels, next to a plain write and read of
// the same bytes through the same channels. The foreign read takes the same file in the
// other byte order.
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/model/Model3DViews.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/persistence/conversion/BinaryPartConversion.h"
#include "Model3D/persistence/modelfile/ModelFileReader.h"
#include "Model3D/persistence/modelfile/ModelFileWriter.h"
#include "platform/FileChannel.h"
#include "platform/Geometry.h"
#include "platform/IOFile.h"
#include "platform/MemoryChannel.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace Modeler;

constexpr UInt32 ElemCount = 100000;
constexpr UInt32 BaseElemCount = 1000;

Kit::SharedPtr<Body> MakeBox(double size) {
	CandidateBody b;
	b.SetStatus(BodyClosed);
	std::vector<std::vector<std::vector<Int32>>> faces = {{{0, 2, 3, 1}}, {{4, 5, 7, 6}}, {{0, 1, 5, 4}},
	                                                      {{2, 6, 7, 3}}, {{0, 4, 6, 2}}, {{1, 3, 7, 5}}};
	for (int i = 0; i < 8; ++i)
		b.StoreVertex((i & 1) ? size : 0, (i & 2) ? size : 0, (i & 4) ? size : 0);
	for (const auto& loops : faces)
		b.StoreFace(loops, 1, 0);
	b.CalculatePolygonMPUIDs();
	b.CalculateBounds();
	return b.ToBody();
}

struct Fixture {
	std::filesystem::path folder =
	    std::filesystem::temp_directory_path() / ("m3d-file-bench-" + std::to_string(::getpid()));
	Kit::SharedPtr<Model3D> model = Model3D::New(Attributes::New(), DiskCachingOff, nullptr);
	std::vector<char> native;
	std::vector<char> foreign;

	Fixture() {
		std::filesystem::create_directories(folder);
		std::vector<Kit::SharedPtr<BaseElem>> bases;
		for (UInt32 i = 0; i < BaseElemCount; ++i) {
			bases.emplace_back(new BaseElem());
			bases.back()->AddBody(MakeBox(1.0 + i * 0.001));
		}
		Model3DOnlyModifier modifier(model);
		for (UInt32 i = 0; i < ElemCount; ++i) {
			VOCA id;
			id.SetEmpty();
			id.guid = Kit::Guid::Generate();
			Kit::SharedPtr<Elem> elem(new Elem(id, false, false, bases[i % BaseElemCount].Get()));
			TRAN t;
			Geometry::TMIdentity(&t);
			t.matrix[3] = i * 0.5;
			Geometry::TMFillStatus(&t);
			elem->SetTrafo(t);
			modifier.AddElem(elem, Kit::NULLGuid);
		}
		IO::MemoryOChannel out;
		FLWriteModel(out, Model3DViewer(model), Attributes::Viewer(model->GetConstAttributesPtr()));
		native = out.TakeBytes();
		foreign = native;
		FCSwapBinaryPart_R(Kit::Native_Platform_Sign, foreign.data(), static_cast<Int32>(foreign.size()),
		                   Kit::BigEndian_Platform_Sign);
		Store("native.m3d", native);
		Store("foreign.m3d", foreign);
	}
	~Fixture() {
		std::error_code ec;
		std::filesystem::remove_all(folder, ec);
	}

	IO::Location At(const char* name) const { return IO::Location(folder / name); }

	void Store(const char* name, const std::vector<char>& bytes) const {
		IO::File file(At(name));
		file.Open(IO::File::WriteEmptyMode, IO::File::CreateIfMissing);
		IO::FileOChannel out(file);
		out.WriteBin(bytes.data(), bytes.size());
	}
};

Fixture& Shared() {
	static Fixture fixture;
	return fixture;
}

void BM_WriteModelFile(benchmark::State& state) {
	Fixture& f = Shared();
	for (auto _ : state) {
		IO::File file(f.At("written.m3d"));
		file.Open(IO::File::WriteEmptyMode, IO::File::CreateIfMissing);
		IO::FileOChannel out(file);
		FLWriteModel(out, Model3DViewer(f.model), Attributes::Viewer(f.model->GetConstAttributesPtr()));
	}
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * f.native.size()));
}

void BM_RawWrite(benchmark::State& state) {
	Fixture& f = Shared();
	for (auto _ : state)
		f.Store("raw.m3d", f.native);
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * f.native.size()));
}

void ReadModelFile(benchmark::State& state, const char* name, Kit::PlatformSign platform) {
	Fixture& f = Shared();
	Kit::Array<Kit::SharedPtr<CandidateBody>> bodies;
	for (auto _ : state) {
		IO::File file(f.At(name));
		file.Open(IO::File::ReadMode);
		IO::FileIChannel in(file);
		Kit::Array<LGHT> lights;
		Attributes::Modifier attrs(Attributes::New());
		FLReadModel(in, bodies, lights, attrs, platform, false, 2, 1, 0, 0, false);
		benchmark::DoNotOptimize(bodies.data());
		// Freeing what was read is the caller's business, not the reader's.
		state.PauseTiming();
		bodies.clear();
		state.ResumeTiming();
	}
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * f.native.size()));
}

void BM_ReadModelFileNative(benchmark::State& state) {
	ReadModelFile(state, "native.m3d", Kit::Native_Platform_Sign);
}

void BM_ReadModelFileForeign(benchmark::State& state) {
	ReadModelFile(state, "foreign.m3d", Kit::BigEndian_Platform_Sign);
}

void BM_RawRead(benchmark::State& state) {
	Fixture& f = Shared();
	std::vector<char> bytes(f.native.size());
	for (auto _ : state) {
		IO::File file(f.At("native.m3d"));
		file.Open(IO::File::ReadMode);
		IO::FileIChannel in(file);
		in.ReadBin(bytes.data(), bytes.size());
		benchmark::DoNotOptimize(bytes.data());
	}
	state.SetBytesProcessed(static_cast<Int64>(state.iterations() * f.native.size()));
}

BENCHMARK(BM_WriteModelFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadModelFileNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadModelFileForeign)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
