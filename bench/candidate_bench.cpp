// Benchmarks of the body builder: building a closed quad mesh through the checked Store…
// calls and freezing it with ToBody (compression on and off), and orienting a large open
// surface whose quads face up or down at random. Each runs at two sizes to show that
// the cost grows linearly with the polygon count.
#include "Model3D/bodies/builder/CandidateBody.h"
#include "platform/KitBlocks.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Modeler::CandidateBody;

// Side lengths (nu × nv quads) for about 'polygons' quads.
void GridSides(Int64 polygons, Int32* nu, Int32* nv) {
	*nu = static_cast<Int32>(std::sqrt(static_cast<double>(polygons)));
	*nv = static_cast<Int32>(polygons / *nu);
}

// A torus of nu × nv quads built with StoreVertex / StoreEdge / StoreAndCheckCompletePolygon.
// With 'wire', one removable wire edge is added so that compression has work to do.
CandidateBody BuildTorus(Int32 nu, Int32 nv, bool wire) {
	CandidateBody b;
	b.SetStatus(Modeler::BodyClosed);
	const double R = 10.0, r = 3.0;
	for (Int32 j = 0; j < nv; ++j) {
		const double v = 2 * std::numbers::pi * j / nv;
		for (Int32 i = 0; i < nu; ++i) {
			const double u = 2 * std::numbers::pi * i / nu;
			b.StoreVertex((R + r * std::cos(v)) * std::cos(u), (R + r * std::cos(v)) * std::sin(u), r * std::sin(v));
		}
	}
	auto vid = [&](Int32 i, Int32 j) { return ((j + nv) % nv) * nu + (i + nu) % nu; };
	// Edge 2·vid(i, j) runs along u from (i, j), edge 2·vid(i, j) + 1 along v.
	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i < nu; ++i) {
			b.StoreEdge(0, vid(i, j), vid(i + 1, j), -2, -2, 0, 1);
			b.StoreEdge(0, vid(i, j), vid(i, j + 1), -2, -2, 0, 1);
		}
	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i < nu; ++i) {
			const Int32 refs[4] = {2 * vid(i, j) + 1, 2 * vid(i + 1, j) + 2, -(2 * vid(i, j + 1) + 1),
			                       -(2 * vid(i, j) + 2)};
			b.StoreAndCheckCompletePolygon(1, 0, 4, refs, 0, true);
		}
	if (wire) {
		const Int32 extra = static_cast<Int32>(b.StoreVertex(0, 0, 0));
		b.StoreEdge(0, extra, 0, -1, -1, Modeler::EdgeWire, 1);
	}
	return b;
}

void BuildAndConvert(benchmark::State& state, bool compress) {
	Int32 nu, nv;
	GridSides(state.range(0), &nu, &nv);
	CandidateBody::SetCompressionOverride(compress);
	for (auto _ : state) {
		CandidateBody b = BuildTorus(nu, nv, compress);
		Kit::SharedPtr<Modeler::Body> body = b.ToBody();
		benchmark::DoNotOptimize(body.Get());
	}
	CandidateBody::ResetCompressionOverride();
	state.SetComplexityN(Int64(nu) * nv);
	state.counters["polygons"] = double(Int64(nu) * nv);
}

void BM_BuildAndToBody_Compressed(benchmark::State& state) {
	BuildAndConvert(state, true);
}

void BM_BuildAndToBody_Uncompressed(benchmark::State& state) {
	BuildAndConvert(state, false);
}

// An open nu × nv grid of quads in the plane z = 0; each quad runs counter- or clockwise
// at random, with its normal matching.
CandidateBody BuildMixedSheet(Int32 nu, Int32 nv) {
	CandidateBody b;
	std::mt19937 random(12345);
	for (Int32 j = 0; j <= nv; ++j)
		for (Int32 i = 0; i <= nu; ++i)
			b.StoreVertex(i, j, 0);
	auto vid = [&](Int32 i, Int32 j) { return j * (nu + 1) + i; };
	auto hedge = [&](Int32 i, Int32 j) { return j * nu + i; };                       // (i, j) → (i + 1, j)
	auto vedge = [&](Int32 i, Int32 j) { return (nv + 1) * nu + j * (nu + 1) + i; }; // (i, j) → (i, j + 1)
	for (Int32 j = 0; j <= nv; ++j)
		for (Int32 i = 0; i < nu; ++i)
			b.StoreEdge(0, vid(i, j), vid(i + 1, j), -2, -2, 0, 1);
	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i <= nu; ++i)
			b.StoreEdge(0, vid(i, j), vid(i, j + 1), -2, -2, 0, 1);
	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i < nu; ++i) {
			Int32 refs[4] = {hedge(i, j) + 1, vedge(i + 1, j) + 1, -(hedge(i, j + 1) + 1), -(vedge(i, j) + 1)};
			if ((random() & 1) != 0) {
				std::swap(refs[0], refs[3]);
				std::swap(refs[1], refs[2]);
				for (Int32& r : refs)
					r = -r;
			}
			b.StoreAndCheckCompletePolygon(1, 0, 4, refs, 0, false);
		}
	return b;
}

void BM_FixOpenBodySurfaceOrientation(benchmark::State& state) {
	Int32 nu, nv;
	GridSides(state.range(0), &nu, &nv);
	const CandidateBody sheet = BuildMixedSheet(nu, nv);
	for (auto _ : state) {
		state.PauseTiming();
		CandidateBody b(sheet);
		state.ResumeTiming();
		b.FixOpenBodySurfaceOrientation();
		benchmark::DoNotOptimize(b.GetConstPolygon(0).ivect);
	}
	state.SetComplexityN(Int64(nu) * nv);
	state.counters["polygons"] = double(Int64(nu) * nv);
}

// Bytes the process holds on the heap now: malloc's arena and mapped chunks, and the
// large blocks mapped apart from malloc.
double HeapBytesInUse() {
	const struct mallinfo2 info = mallinfo2();
	return static_cast<double>(info.uordblks + info.hblkhd + Kit::GetMappedBlockBytes());
}

// Resident memory of the process (a line of /proc/self/status, such as "VmRSS:" or the
// peak since the last reset, "VmHWM:"), in bytes; 0 where it cannot be read.
double ResidentBytes(const char* key) {
	std::ifstream status("/proc/self/status");
	std::string line;
	while (std::getline(status, line)) {
		if (line.rfind(key, 0) == 0) return 1024.0 * std::strtod(line.c_str() + std::strlen(key), nullptr);
	}
	return 0.0;
}

// Starts the resident peak ("VmHWM:") over from the present resident size.
void ResetResidentPeak() {
	std::ofstream("/proc/self/clear_refs") << "5";
}

// A side × side grid of vertices over a gentle wave, its edges stored once each (each
// quad finds its four edges by index), its quads through the checked store call.
CandidateBody BuildWavyGrid(Int32 side) {
	CandidateBody b;
	b.SetStatus(Modeler::BodySurface);
	for (Int32 j = 0; j < side; ++j)
		for (Int32 i = 0; i < side; ++i)
			b.StoreVertex(i, j, 0.25 * std::sin(0.3 * i) * std::cos(0.2 * j));
	auto vid = [side](Int32 i, Int32 j) { return j * side + i; };
	auto hedge = [side](Int32 i, Int32 j) { return j * (side - 1) + i; };               // (i, j) → (i + 1, j)
	auto vedge = [side](Int32 i, Int32 j) { return side * (side - 1) + j * side + i; }; // (i, j) → (i, j + 1)
	for (Int32 j = 0; j < side; ++j)
		for (Int32 i = 0; i + 1 < side; ++i)
			b.StoreEdge(0, vid(i, j), vid(i + 1, j), -2, -2, 0, 1);
	for (Int32 j = 0; j + 1 < side; ++j)
		for (Int32 i = 0; i < side; ++i)
			b.StoreEdge(0, vid(i, j), vid(i, j + 1), -2, -2, 0, 1);
	for (Int32 j = 0; j + 1 < side; ++j)
		for (Int32 i = 0; i + 1 < side; ++i) {
			const Int32 refs[4] = {hedge(i, j) + 1, vedge(i + 1, j) + 1, -(hedge(i, j + 1) + 1), -(vedge(i, j) + 1)};
			b.StoreAndCheckCompletePolygon(1, 0, 4, refs, 0, true);
		}
	return b;
}

// Builds the grid and freezes it, keeping the builder (arg 0) or handing it over with
// std::move(builder).ToBody() (arg 1); reports faces per second, the heap the filled
// builder takes and the resident peak of building and freezing, per vertex.
void BM_WavyGridToBody(benchmark::State& state) {
	const auto side = static_cast<Int32>(state.range(0));
	const bool handOver = state.range(1) != 0;
	double builderBytes = 0, residentPeakBytes = 0;
	Int64 faces = 0;
	for (auto _ : state) {
		state.PauseTiming();
		const double residentBefore = ResidentBytes("VmRSS:");
		ResetResidentPeak();
		state.ResumeTiming();
		const double before = HeapBytesInUse();
		CandidateBody b = BuildWavyGrid(side);
		builderBytes = HeapBytesInUse() - before;
		Kit::SharedPtr<Modeler::Body> body = handOver ? std::move(b).ToBody() : b.ToBody();
		residentPeakBytes = ResidentBytes("VmHWM:") - residentBefore;
		faces = body->GetPolygonCount();
		benchmark::DoNotOptimize(body.Get());
	}
	const double vertices = double(side) * side;
	state.counters["faces/s"] = benchmark::Counter(double(faces), benchmark::Counter::kIsIterationInvariantRate);
	state.counters["builder B/vertex"] = builderBytes / vertices;
	state.counters["peak B/vertex"] = residentPeakBytes / vertices;
}

// One closed box per builder: 8 vertices, 12 edges, 6 quads through the checked store
// call, frozen with ToBody; every body is kept until the round ends.
Kit::SharedPtr<Modeler::Body> BuildBox(double x) {
	CandidateBody b;
	b.SetStatus(Modeler::BodyClosed);
	for (Int32 k = 0; k < 8; ++k)
		b.StoreVertex(x + (k & 1), (k >> 1) & 1, (k >> 2) & 1);
	// Edges along x (0–3), y (4–7) and z (8–11).
	static constexpr Int32 ends[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
	                                      {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
	for (const auto& e : ends)
		b.StoreEdge(0, e[0], e[1], -2, -2, 0, 1);
	// Each face counter-clockwise seen from outside.
	static constexpr Int32 faces[6][4] = {{5, 2, -6, -1},   {3, 8, -4, -7},  {1, 10, -3, -9},
	                                      {11, 4, -12, -2}, {9, 7, -11, -5}, {6, 12, -8, -10}};
	for (const auto& f : faces)
		b.StoreAndCheckCompletePolygon(1, 0, 4, f, 0, true);
	return b.ToBody();
}

void BM_Boxes(benchmark::State& state) {
	const auto count = static_cast<USize>(state.range(0));
	std::vector<Kit::SharedPtr<Modeler::Body>> bodies;
	bodies.reserve(count);
	for (auto _ : state) {
		for (USize i = 0; i < count; ++i)
			bodies.push_back(BuildBox(2.0 * double(i)));
		state.PauseTiming();
		bodies.clear();
		state.ResumeTiming();
	}
	state.counters["bodies/s"] = benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate);
	state.counters["box bytes"] = double(BuildBox(0)->GetUsedBytes());
}

} // namespace

BENCHMARK(BM_WavyGridToBody)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Boxes)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAndToBody_Compressed)
    ->Arg(25000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_BuildAndToBody_Uncompressed)
    ->Arg(25000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_FixOpenBodySurfaceOrientation)
    ->Arg(25000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
