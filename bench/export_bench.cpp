// The m3d tool's export (tools/Export.cpp) of models whose elements share bodies: P placed
// elements, one body each, drawn from D distinct bodies (walls with a window opening, 10
// polygons and 32 triangles each, every one of its own size).
//
// Each distinct body is triangulated once; glTF and GLB name it once as a mesh and place it
// with one node per element, so their time should grow with D + P, not with D × P or with P
// times the body's size. OBJ has no instancing and writes every placed triangle, and the
// picture path (Export::Triangles) places every triangle too: their time grows with the
// triangles placed. Arguments: P, D. Counters: placements and distinct bodies a second.
#include "tools/Export.h"

#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/bodies/builder/CandidateBody.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// A wall l long, t thick and h high along x with a window opening from x0 to x1 and from
// sill to head, through the whole thickness.
Kit::ConstSharedPtr<Modeler::Body> MakeWall(double l, double t, double h, double x0, double x1, double sill,
                                            double head, Int16 material) {
	Modeler::CandidateBody body;
	body.SetStatus(Modeler::BodyClosed);
	Int32 c[8], w[8];
	for (int i = 0; i < 8; ++i) {
		const double y = (i & 4) ? t : 0.0;
		c[i] = static_cast<Int32>(body.StoreVertex((i & 1) ? l : 0.0, y, (i & 2) ? h : 0.0));
		w[i] = static_cast<Int32>(body.StoreVertex((i & 1) ? x1 : x0, y, (i & 2) ? head : sill));
	}
	using V = Vector3dTpl<double>;
	body.StoreFace({{c[0], c[1], c[5], c[4]}}, V{0, 0, -1}, material);
	body.StoreFace({{c[2], c[3], c[7], c[6]}}, V{0, 0, 1}, material);
	body.StoreFace({{c[0], c[2], c[6], c[4]}}, V{-1, 0, 0}, material);
	body.StoreFace({{c[1], c[3], c[7], c[5]}}, V{1, 0, 0}, material);
	body.StoreFace({{c[0], c[1], c[3], c[2]}, {w[0], w[1], w[3], w[2]}}, V{0, -1, 0}, material);
	body.StoreFace({{c[4], c[5], c[7], c[6]}, {w[4], w[5], w[7], w[6]}}, V{0, 1, 0}, material);
	body.StoreFace({{w[0], w[1], w[5], w[4]}}, V{0, 0, 1}, material);
	body.StoreFace({{w[2], w[3], w[7], w[6]}}, V{0, 0, -1}, material);
	body.StoreFace({{w[0], w[2], w[6], w[4]}}, V{1, 0, 0}, material);
	body.StoreFace({{w[1], w[3], w[7], w[5]}}, V{-1, 0, 0}, material);
	body.SetMaterialIdx(material);
	body.CalculatePolygonMPUIDs();
	body.CalculateBounds();
	return Kit::ConstSharedPtr<Modeler::Body>(body.ToBody());
}

// P placements of D bodies over a store of four materials; element i shows body i mod D,
// turned and moved on a grid.
Export::Scene MakeScene(USize placements, USize distinct) {
	Export::Scene scene;
	auto store = Modeler::Attributes::New();
	Modeler::Attributes::Modifier attrs(store);
	for (int m = 0; m < 4; ++m) {
		UMAT material;
		material.SetName(("material " + std::to_string(m + 1)).c_str());
		material.surfaceColor = {static_cast<UInt16>(0x3000 * (m + 1)), 0x8000, 0x8000};
		attrs.AddMaterial(material);
	}
	scene.attributes = store;
	std::vector<Kit::ConstSharedPtr<Modeler::Body>> bodies;
	for (USize d = 0; d < distinct; ++d) {
		const double l = 2.0 + 0.01 * static_cast<double>(d);
		bodies.push_back(MakeWall(l, 0.3, 3.0, 0.3 * l, 0.6 * l, 0.9, 2.2, static_cast<Int16>(1 + d % 4)));
	}
	const USize side = static_cast<USize>(std::ceil(std::sqrt(static_cast<double>(placements))));
	for (USize i = 0; i < placements; ++i) {
		TRAN t;
		Geometry::TMIdentity(&t);
		const double a = std::numbers::pi / 2 * static_cast<double>(i % 4);
		t.matrix[0] = std::cos(a);
		t.matrix[1] = -std::sin(a);
		t.matrix[4] = std::sin(a);
		t.matrix[5] = std::cos(a);
		t.matrix[3] = 12.0 * static_cast<double>(i % side);
		t.matrix[7] = 12.0 * static_cast<double>(i / side);
		Geometry::TMFillStatus(&t);
		scene.placements.push_back({bodies[i % distinct], t});
	}
	return scene;
}

void Run(benchmark::State& state, Export::Format format) {
	const auto placements = static_cast<USize>(state.range(0));
	const auto distinct = static_cast<USize>(state.range(1));
	const Export::Scene scene = MakeScene(placements, distinct);
	Export::Counts counts;
	USize bytes = 0;
	for (auto _ : state) {
		const std::vector<Export::File> files = Export::Make(scene, format, "bench.out", counts);
		bytes = 0;
		for (const Export::File& f : files)
			bytes += f.bytes.size();
		benchmark::DoNotOptimize(bytes);
	}
	if (counts.bodies != placements || counts.distinct != distinct) state.SkipWithError("wrong counts");
	state.counters["triangles"] = static_cast<double>(counts.triangles);
	state.counters["MB"] = static_cast<double>(bytes) / 1e6;
	state.counters["placements/s"] =
	    benchmark::Counter(static_cast<double>(placements), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ExportGlb(benchmark::State& state) {
	Run(state, Export::Format::Glb);
}
void BM_ExportGltf(benchmark::State& state) {
	Run(state, Export::Format::Gltf);
}
void BM_ExportObj(benchmark::State& state) {
	Run(state, Export::Format::Obj);
}

// The triangles of a picture: every placement's, placed.
void BM_PictureTriangles(benchmark::State& state) {
	const Export::Scene scene = MakeScene(static_cast<USize>(state.range(0)), static_cast<USize>(state.range(1)));
	USize triangles = 0;
	for (auto _ : state) {
		triangles = Export::Triangles(scene).size();
		benchmark::DoNotOptimize(triangles);
	}
	state.counters["triangles"] = static_cast<double>(triangles);
}

void Sizes(benchmark::internal::Benchmark* b) {
	b->Args({10000, 100})->Args({10000, 1000})->Args({100000, 100})->Args({100000, 1000})->Args({100000, 10000});
	b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_ExportGlb)->Apply(Sizes);
BENCHMARK(BM_ExportGltf)->Args({10000, 1000})->Args({100000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportObj)->Args({10000, 100})->Args({10000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureTriangles)->Args({10000, 100})->Args({10000, 1000})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
