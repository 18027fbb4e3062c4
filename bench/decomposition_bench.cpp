// The convex decomposition: the fixed inputs (a star, a wall with windows, many small
// polygons) and generated stars with and without holes. CXdpMain is timed alone, with
// node lists built beforehand and the counters worked out after the timed loop; then the
// whole path of a body polygon's first triangle query.
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/geometry/decomposition/ConvexDecomposition.h"
#include "fixtures/DecompositionCheck.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

using DecompositionCheck::Contour;
using DecompositionCheck::Point;
using DecompositionCheck::Polygon;

std::string InputsFolder() {
	if (const char* folder = std::getenv("M3D_BENCH_INPUTS")) return folder;
	return M3D_BENCH_INPUTS_DIR;
}

// Reads a polygon file of the benchmark inputs (see the README there): per polygon its
// outline and holes as point lists. Nothing when the file is missing or malformed.
std::optional<std::vector<Polygon>> ReadPolygons(const std::string& path) {
	std::ifstream file(path, std::ios::binary);
	const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
	USize at = 0;
	auto read = [&](void* out, USize size) {
		if (bytes.size() - at < size) return false;
		std::memcpy(out, bytes.data() + at, size);
		at += size;
		return true;
	};
	std::uint64_t header[3];
	if (!file || !read(header, sizeof header) || header[0] > bytes.size() || header[1] > bytes.size() ||
	    header[2] > bytes.size())
		return std::nullopt;
	std::vector<std::uint32_t> polyRing(header[0] + 1), ringBegin(header[1] + 1);
	std::vector<double> xy(2 * header[2]);
	if (!read(polyRing.data(), polyRing.size() * 4) || !read(ringBegin.data(), ringBegin.size() * 4) ||
	    !read(xy.data(), xy.size() * 8))
		return std::nullopt;
	std::vector<Polygon> polygons(header[0]);
	for (USize p = 0; p < header[0]; ++p)
		for (std::uint32_t r = polyRing[p]; r < polyRing[p + 1] && r < header[1]; ++r) {
			Contour contour;
			for (std::uint32_t i = ringBegin[r]; i < ringBegin[r + 1] && i < header[2]; ++i)
				contour.push_back({xy[2 * i], xy[2 * i + 1]});
			polygons[p].push_back(std::move(contour));
		}
	return polygons;
}

// A star of n corners on alternating radii, like the fixed star input.
Contour GeneratedStar(Int32 n, double cx = 0, double cy = 0, double outer = 100, double inner = 65) {
	Contour c;
	for (Int32 i = 0; i < n; ++i) {
		const double a = 2 * std::numbers::pi * i / n, r = i % 2 == 0 ? outer : inner;
		c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
	}
	return c;
}

// A star of 'outline' corners with 'holes' round holes of 'corners' corners each in its
// inner disc.
Polygon StarWithHoles(Int32 outline, Int32 holes, Int32 corners) {
	Polygon polygon{GeneratedStar(outline)};
	const auto side = static_cast<Int32>(std::ceil(std::sqrt(holes)));
	const double cell = 90.0 / side;
	for (Int32 h = 0; h < holes; ++h) {
		Contour hole =
		    GeneratedStar(corners, -45 + cell * (h % side + 0.5), -45 + cell * (h / side + 0.5), cell / 3, cell / 3);
		polygon.push_back(Contour(hole.rbegin(), hole.rend()));
	}
	return polygon;
}

struct Prepared {
	PNODArray nodes;
	Int32 count = 0;
	double extent = 0.0;
};

Prepared Prepare(const Polygon& polygon) {
	Prepared p;
	p.count = DecompositionCheck::MakeNodes(polygon, p.nodes);
	double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
	for (const Point& q : DecompositionCheck::AllPoints(polygon)) {
		minX = std::min(minX, q.x);
		maxX = std::max(maxX, q.x);
		minY = std::min(minY, q.y);
		maxY = std::max(maxY, q.y);
	}
	p.extent = std::max(maxX - minX, maxY - minY);
	return p;
}

// Decomposes every polygon in the timed loop; sets the counters from one more run.
void RunPolygons(benchmark::State& state, const std::vector<Polygon>& polygons) {
	std::vector<Prepared> prepared;
	prepared.reserve(polygons.size());
	USize vertices = 0;
	for (const Polygon& polygon : polygons) {
		prepared.push_back(Prepare(polygon));
		vertices += static_cast<USize>(prepared.back().count);
	}
	Kit::PagedArray<Int32> result;
	bool flag = false;
	for (auto _ : state)
		for (Prepared& p : prepared) {
			benchmark::DoNotOptimize(CXdpMain(result, p.nodes, true, p.count, p.extent, &flag, p.count));
			benchmark::ClobberMemory();
		}
	double parts = 0, tJunctions = 0, failures = 0;
	for (USize i = 0; i < polygons.size(); ++i) {
		if (CXdpMain(result, prepared[i].nodes, true, prepared[i].count, prepared[i].extent, &flag,
		             prepared[i].count) != CXdpOk) {
			++failures;
			continue;
		}
		parts += -result[0];
		std::string error;
		const auto list = DecompositionCheck::ReadParts(result, static_cast<USize>(prepared[i].count), error);
		tJunctions +=
		    static_cast<double>(DecompositionCheck::CountTJunctions(DecompositionCheck::AllPoints(polygons[i]), list));
	}
	state.counters["parts"] = parts;
	state.counters["parts_per_polygon"] = parts / static_cast<double>(polygons.size());
	state.counters["t_junctions"] = tJunctions;
	state.counters["failures"] = failures;
	state.counters["per_vertex"] = benchmark::Counter(
	    static_cast<double>(vertices), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DecomposeInput(benchmark::State& state, const char* file) {
	const auto polygons = ReadPolygons(InputsFolder() + "/" + file);
	if (!polygons) {
		state.SkipWithError((std::string("input missing: ") + InputsFolder() + "/" + file).c_str());
		return;
	}
	RunPolygons(state, *polygons);
}
BENCHMARK_CAPTURE(BM_DecomposeInput, star1000, "star1000.bin")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecomposeInput, wall, "wall.bin")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecomposeInput, small, "small.bin")->Unit(benchmark::kMillisecond);

void BM_DecomposeStar(benchmark::State& state) {
	RunPolygons(state, {Polygon{GeneratedStar(static_cast<Int32>(state.range(0)))}});
}
BENCHMARK(BM_DecomposeStar)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DecomposeStarWithHoles(benchmark::State& state) {
	RunPolygons(state, {StarWithHoles(static_cast<Int32>(state.range(0)), static_cast<Int32>(state.range(1)),
	                                  static_cast<Int32>(state.range(2)))});
}
// 100,000 corners either way: a star of 50,000 with 1,000 holes of 50, and a star of
// 1,000 (like the fixed input) with 1,000 holes of 99.
BENCHMARK(BM_DecomposeStarWithHoles)->Args({50000, 1000, 50})->Args({1000, 1000, 99})->Unit(benchmark::kMicrosecond);

// The whole path a renderer takes: one body holding every input polygon as a face (each
// marked concave, so that it goes through the decomposition), built beforehand; timed is
// the first triangle query of every polygon, which projects the face, decomposes it and
// fans its parts into the polygon's cache.
Kit::SharedPtr<Modeler::Body> BodyOf(const std::vector<Polygon>& polygons) {
	Modeler::CandidateBody builder;
	for (const Polygon& polygon : polygons) {
		Modeler::CandidateBody::FaceLoops loops;
		for (const Contour& contour : polygon) {
			loops.emplace_back();
			for (const Point& q : contour)
				loops.back().push_back(static_cast<Int32>(builder.StoreVertex(q.x, q.y, 0)));
		}
		builder.StoreFace(loops, 0, Modeler::PgonConcave);
	}
	builder.CalculateBounds();
	return builder.ToBody();
}

void BM_FirstTriangleQuery(benchmark::State& state, const char* file) {
	const auto polygons = ReadPolygons(InputsFolder() + "/" + file);
	if (!polygons) {
		state.SkipWithError((std::string("input missing: ") + InputsFolder() + "/" + file).c_str());
		return;
	}
	const Kit::SharedPtr<Modeler::Body> body = BodyOf(*polygons);
	double triangles = 0;
	for (auto _ : state) {
		body->ClearConvexPolygonCache();
		triangles = 0;
		for (Int32 p = 0; p < static_cast<Int32>(body->GetPolygonCount()); ++p)
			triangles += body->GetConstPolygon(p).GetTriangleCount(*body);
	}
	state.counters["triangles"] = triangles;
	state.counters["polygons"] = static_cast<double>(body->GetPolygonCount());
}
BENCHMARK_CAPTURE(BM_FirstTriangleQuery, star1000, "star1000.bin")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FirstTriangleQuery, wall, "wall.bin")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FirstTriangleQuery, small, "small.bin")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
