// Benchmarks of the body builder: building a closed quad mesh through the checked Store…
// calls and freezing it with ToBody (compression on and off), and orienting a large open
// surface whose quads face up or down at random. Each runs at two sizes to show that
// the cost grows linearly with the polygon count.
#include "Model3D/bodies/builder/CandidateBody.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <utility>

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

} // namespace

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
