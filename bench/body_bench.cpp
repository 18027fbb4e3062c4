// Benchmarks of the compact body: building it from arrays, the quick stream against a
// plain memcpy of the same bytes, and the round normals of a curved mesh.
#include "Model3D/bodies/body/Body.h"
#include "platform/MemoryChannel.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

// The arrays of a curved mesh: a half cylinder of side × side vertices made of quads,
// every quad curved with its own normal. With 'sharp', every tenth row of edges around
// the cylinder is a sharp edge.
struct Mesh {
	Kit::PagedArray<VERT> vertices;
	Kit::PagedArray<TEVE> textureVertices;
	Kit::PagedArray<EDGE> edges;
	Kit::PagedArray<Int32> polyEdges;
	Kit::PagedArray<VECT> normals;
	Kit::PagedArray<Modeler::PGON> polygons;
	UInt32 status = Modeler::BodyCurved | Modeler::BodySurface;
};

Mesh MakeMesh(Int32 side, bool sharp) {
	Mesh m;
	const Int32 nu = side, nv = side;
	const double step = std::numbers::pi / (nu - 1);
	auto vid = [&](Int32 i, Int32 j) { return j * nu + i; };
	auto cell = [&](Int32 i, Int32 j) {
		return (i < 0 || j < 0 || i >= nu - 1 || j >= nv - 1) ? -1 : j * (nu - 1) + i;
	};
	const Int32 horizontalCount = (nu - 1) * nv;
	auto hid = [&](Int32 i, Int32 j) { return j * (nu - 1) + i; };
	auto vedge = [&](Int32 i, Int32 j) { return horizontalCount + j * nu + i; };

	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i < nu; ++i)
			m.vertices.Push(VERT{std::cos(i * step), std::sin(i * step), 0.01 * j});
	for (Int32 j = 0; j < nv; ++j)
		for (Int32 i = 0; i < nu - 1; ++i) {
			const UInt32 status = (sharp && j % 10 == 5) ? UInt32(Modeler::EdgeSharp) : 0u;
			m.edges.Push(EDGE{status, 0, 0, vid(i, j), vid(i + 1, j), cell(i, j), cell(i, j - 1)});
		}
	for (Int32 j = 0; j < nv - 1; ++j)
		for (Int32 i = 0; i < nu; ++i)
			m.edges.Push(EDGE{0, 0, 0, vid(i, j), vid(i, j + 1), cell(i, j), cell(i - 1, j)});
	for (Int32 j = 0; j < nv - 1; ++j)
		for (Int32 i = 0; i < nu - 1; ++i) {
			const double a = (i + 0.5) * step;
			m.normals.Push(VECT{std::cos(a), std::sin(a), 0});
			Modeler::PGON p;
			p.status = Modeler::PgonCurved;
			p.ivect = static_cast<Int32>(m.normals.GetSize());
			p.fpedg = static_cast<Int32>(m.polyEdges.GetSize());
			m.polyEdges.Push(hid(i, j) + 1);
			m.polyEdges.Push(vedge(i + 1, j) + 1);
			m.polyEdges.Push(-(hid(i, j + 1) + 1));
			m.polyEdges.Push(-(vedge(i, j) + 1));
			p.lpedg = p.fpedg + 3;
			m.polygons.Push(p);
		}
	if (sharp) m.status |= Modeler::BodyHasSharpEdge;
	return m;
}

Kit::SharedPtr<Modeler::Body> MakeBody(const Mesh& m) {
	const Int32 coor[4] = {0, 0, 0, 0};
	return Kit::SharedPtr<Modeler::Body>(new Modeler::Body(m.status, 0, 0, 0, 0, -2, 0, 0, 0, 0, 0, coor,
	                                                       F_Box3D::Empty(), m.vertices, m.textureVertices, m.edges,
	                                                       m.polyEdges, m.normals, m.polygons));
}

// 317 × 317 = 100 489 vertices.
constexpr Int32 Side100k = 317;
// 159 × 159 = 25 281 vertices.
constexpr Int32 Side25k = 159;
// 1000 × 1000 vertices.
constexpr Int32 Side1M = 1000;

const Mesh& MeshOf(Int32 side, bool sharp) {
	static const Mesh small = MakeMesh(Side25k, false), smallSharp = MakeMesh(Side25k, true);
	static const Mesh large = MakeMesh(Side100k, false), largeSharp = MakeMesh(Side100k, true);
	if (side == Side1M) {
		static const Mesh huge = MakeMesh(Side1M, false);
		return huge;
	}
	if (side == Side25k) return sharp ? smallSharp : small;
	return sharp ? largeSharp : large;
}

void BM_BuildFromArrays(benchmark::State& state) {
	const Mesh& m = MeshOf(Side100k, false);
	for (auto _ : state) {
		auto body = MakeBody(m);
		benchmark::DoNotOptimize(body.Get());
	}
	state.counters["vertices"] = static_cast<double>(m.vertices.GetSize());
	state.SetItemsProcessed(state.iterations() * static_cast<Int64>(m.vertices.GetSize()));
}
BENCHMARK(BM_BuildFromArrays)->Unit(benchmark::kMillisecond);

UInt64 StreamSize(const Modeler::Body& body) {
	IO::MemoryOChannel out;
	body.QuickWrite(out);
	return out.GetDataSize();
}

void BM_QuickWrite(benchmark::State& state) {
	const auto body = MakeBody(MeshOf(Side100k, false));
	IO::MemoryOChannel out;
	for (auto _ : state) {
		out.Clear();
		body->QuickWrite(out);
		benchmark::DoNotOptimize(out.GetBuffer());
	}
	state.SetBytesProcessed(state.iterations() * static_cast<Int64>(out.GetDataSize()));
}
BENCHMARK(BM_QuickWrite)->Unit(benchmark::kMillisecond);

// The same into a new channel each time, as a body is written for a cache record: to be
// set against BM_MemcpySameBytes.
void BM_QuickWriteFreshChannel(benchmark::State& state) {
	const auto body = MakeBody(MeshOf(Side100k, false));
	UInt64 size = 0;
	for (auto _ : state) {
		IO::MemoryOChannel out;
		body->QuickWrite(out);
		size = out.GetDataSize();
		benchmark::DoNotOptimize(out.GetBuffer());
		benchmark::ClobberMemory();
	}
	state.SetBytesProcessed(state.iterations() * static_cast<Int64>(size));
}
BENCHMARK(BM_QuickWriteFreshChannel)->Unit(benchmark::kMillisecond);

void BM_QuickRead(benchmark::State& state) {
	const auto body = MakeBody(MeshOf(Side100k, false));
	IO::MemoryOChannel out;
	body->QuickWrite(out);
	for (auto _ : state) {
		IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
		Modeler::Body back;
		back.QuickRead(in);
		benchmark::DoNotOptimize(back.GetVertexCount());
	}
	state.SetBytesProcessed(state.iterations() * static_cast<Int64>(out.GetDataSize()));
}
BENCHMARK(BM_QuickRead)->Unit(benchmark::kMillisecond);

// Write and read back: every byte is moved twice, as it is by two memcpy.
void BM_QuickWriteRead(benchmark::State& state) {
	const auto body = MakeBody(MeshOf(Side100k, false));
	IO::MemoryOChannel out;
	for (auto _ : state) {
		out.Clear();
		body->QuickWrite(out);
		IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
		Modeler::Body back;
		back.QuickRead(in);
		benchmark::DoNotOptimize(back.GetVertexCount());
	}
	state.SetBytesProcessed(state.iterations() * static_cast<Int64>(out.GetDataSize()));
}
BENCHMARK(BM_QuickWriteRead)->Unit(benchmark::kMillisecond);

// A plain memcpy of as many bytes as the quick stream of the same body holds, into a
// freshly allocated buffer (the stream reader allocates its block, too).
void BM_MemcpySameBytes(benchmark::State& state) {
	const UInt64 size = StreamSize(*MakeBody(MeshOf(Side100k, false)));
	const std::vector<char> source(size, 1);
	for (auto _ : state) {
		std::vector<char> target(size);
		std::memcpy(target.data(), source.data(), size);
		benchmark::DoNotOptimize(target.data());
		benchmark::ClobberMemory();
	}
	state.SetBytesProcessed(state.iterations() * static_cast<Int64>(size));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);

void BM_RoundNormals(benchmark::State& state) {
	const Int32 side = static_cast<Int32>(state.range(0));
	const bool sharp = state.range(1) != 0;
	const auto body = MakeBody(MeshOf(side, sharp));
	for (auto _ : state) {
		body->ClearRoundNormVectorCache();
		body->InitRoundNormVectors();
		benchmark::DoNotOptimize(body->GetConstRoundNormVectorPtr(0));
	}
	state.counters["vertices"] = static_cast<double>(body->GetVertexCount());
	state.counters["ns/vertex"] =
	    benchmark::Counter(static_cast<double>(body->GetVertexCount()),
	                       benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
	state.SetComplexityN(body->GetVertexCount());
}
BENCHMARK(BM_RoundNormals)
    ->Args({Side25k, 0})
    ->Args({Side100k, 0})
    ->Args({Side25k, 1})
    ->Args({Side100k, 1})
    ->Args({Side1M, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
