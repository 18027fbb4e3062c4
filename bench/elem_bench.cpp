// Benchmarks of the elements and the element container: the quick stream of a model
// whose elements share base elements and bodies, GUID lookups and bind recomputation
// over a million elements.
#include "Model3D/core/elems/ElemContainer.h"
#include "Model3D/elements/elem/Elem.h"
#include "platform/MemoryChannel.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using Modeler::BaseElem;
using Modeler::Body;
using Modeler::Elem;

// A unit square at height z, one polygon with its normal.
Kit::SharedPtr<Body> MakeQuad(double z) {
	Kit::PagedArray<VERT> vertices;
	Kit::PagedArray<TEVE> textureVertices;
	Kit::PagedArray<EDGE> edges;
	Kit::PagedArray<Int32> polyEdges;
	Kit::PagedArray<VECT> normals;
	Kit::PagedArray<Modeler::PGON> polygons;
	const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
	for (Int32 i = 0; i < 4; ++i) {
		vertices.Push(VERT{xy[i][0], xy[i][1], z});
		edges.Push(EDGE{0, 0, 0, i, (i + 1) % 4, 0, -1});
		polyEdges.Push(i + 1);
	}
	normals.Push(VECT{0, 0, 1});
	Modeler::PGON p;
	p.ivect = 1;
	p.fpedg = 0;
	p.lpedg = 3;
	p.mpuid = 1;
	polygons.Push(p);
	const Int32 coor[4] = {0, 0, 0, 0};
	const float fz = static_cast<float>(z);
	const F_Box3D box{0, 0, 1, 1, fz, fz};
	return Kit::SharedPtr<Body>(new Body(0, 0, 0, 0, 0, -2, 0, 0, 0, 0, 0, coor, box, vertices, textureVertices, edges,
	                                     polyEdges, normals, polygons));
}

Modeler::VOCA NewId() {
	Modeler::VOCA id;
	id.guid = Kit::Guid::Generate();
	return id;
}

TRAN Move(double dx) {
	TRAN t{};
	Geometry::TMIdentity(&t);
	t.matrix[3] = dx;
	Geometry::TMFillStatus(&t);
	return t;
}

// 'elemCount' elements over 'baseCount' base elements, each base element holding
// bodiesPerBase bodies taken from a pool of 'bodyCount'.
std::vector<Kit::SharedPtr<Elem>> MakeSharedModel(UInt32 elemCount, UInt32 baseCount, UInt32 bodyCount,
                                                  UInt32 bodiesPerBase) {
	std::vector<Kit::SharedPtr<Body>> bodies;
	for (UInt32 i = 0; i < bodyCount; ++i)
		bodies.push_back(MakeQuad(i));
	std::vector<Kit::SharedPtr<BaseElem>> bases;
	for (UInt32 b = 0; b < baseCount; ++b) {
		Kit::SharedPtr<BaseElem> base(new BaseElem());
		for (UInt32 k = 0; k < bodiesPerBase; ++k)
			base->AddBody(bodies[(b * bodiesPerBase + k) % bodyCount]);
		bases.push_back(base);
	}
	std::vector<Kit::SharedPtr<Elem>> elems;
	for (UInt32 e = 0; e < elemCount; ++e) {
		Kit::SharedPtr<Elem> elem(new Elem(NewId(), false, false, bases[e % baseCount].Get()));
		elem->SetTrafo(Move(e));
		elem->CalculateBounds();
		elems.push_back(elem);
	}
	return elems;
}

UInt64 BodyRecordBytes(const Body& body) {
	IO::MemoryOChannel out;
	body.QuickWrite(out);
	return out.GetDataSize();
}

void BM_QuickWriteReadShared(benchmark::State& state) {
	const UInt32 elemCount = 10000, baseCount = 100, bodyCount = 1000, perBase = 10;
	const std::vector<Kit::SharedPtr<Elem>> elems = MakeSharedModel(elemCount, baseCount, bodyCount, perBase);
	UInt64 bytes = 0;
	UInt64 distinctBodies = 0, distinctBases = 0;
	for (auto _ : state) {
		IO::MemoryOChannel out;
		Modeler::BodyWriteTable bodyTable;
		Modeler::BaseElemWriteTable baseTable;
		for (const Kit::SharedPtr<Elem>& e : elems)
			e->QuickWrite(out, bodyTable, baseTable);
		bytes = out.GetDataSize();

		IO::MemoryIChannel in(out.GetBuffer(), out.GetDataSize());
		Modeler::BodyReadTable bodiesRead;
		Modeler::BaseElemReadTable basesRead;
		std::vector<Kit::SharedPtr<Elem>> back;
		back.reserve(elems.size());
		for (size_t i = 0; i < elems.size(); ++i) {
			Kit::SharedPtr<Elem> e(new Elem(Modeler::VOCA(), false, false, nullptr));
			e->QuickRead(in, bodiesRead, basesRead);
			back.push_back(e);
		}
		distinctBodies = bodiesRead.size();
		distinctBases = basesRead.size();
		benchmark::DoNotOptimize(back.data());
	}
	// What the stream costs with sharing: one record per distinct body and base element,
	// a bare index per further use, the fixed part per element.
	const UInt64 bodyBytes = BodyRecordBytes(*elems[0]->GetConstBody(0));
	const UInt64 expected =
	    UInt64(elemCount) * (158 + 4) + UInt64(baseCount) * (4 + perBase * 4 + 8) + UInt64(bodyCount) * bodyBytes;
	state.counters["bytes"] = static_cast<double>(bytes);
	state.counters["expectedBytes"] = static_cast<double>(expected);
	state.counters["unsharedBytes"] =
	    static_cast<double>(UInt64(elemCount) * (158 + 4 + 4 + perBase * (4 + bodyBytes) + 8));
	state.counters["distinctBodies"] = static_cast<double>(distinctBodies);
	state.counters["distinctBases"] = static_cast<double>(distinctBases);
	state.SetItemsProcessed(state.iterations() * elemCount);
}
BENCHMARK(BM_QuickWriteReadShared)->Unit(benchmark::kMillisecond);

// A container of n elements, each with its own GUID, over one shared base element.
struct BigContainer {
	Modeler::ElemContainer container;
	std::vector<Kit::Guid> guids;

	explicit BigContainer(UInt32 n) {
		Kit::SharedPtr<BaseElem> base(new BaseElem());
		base->AddBody(MakeQuad(0));
		base->AddBody(MakeQuad(1));
		auto& elems = container.GetElems();
		auto& map = container.GetElemGuidIndexMap();
		map.Reserve(n);
		guids.reserve(n);
		for (UInt32 i = 0; i < n; ++i) {
			Kit::SharedPtr<Elem> e(new Elem(NewId(), false, false, base.Get()));
			guids.push_back(e->GetElemId().guid);
			map.Put(e->GetElemId().guid, i);
			elems.Push(e);
		}
	}
};

BigContainer& Million() {
	static BigContainer big(1000000);
	return big;
}

void BM_GetElemIdx(benchmark::State& state) {
	BigContainer& big = Million();
	std::mt19937 random(7);
	std::uniform_int_distribution<UInt32> pick(0, static_cast<UInt32>(big.guids.size() - 1));
	Int64 found = 0;
	for (auto _ : state) {
		const UInt32 i = pick(random);
		const Int32 idx = big.container.GetElemIdx(big.guids[i]);
		found += idx == static_cast<Int32>(i);
		benchmark::DoNotOptimize(idx);
	}
	if (found != state.iterations()) state.SkipWithError("lookup missed");
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetElemIdx);

void BM_GetBindAfterInvalidation(benchmark::State& state) {
	BigContainer& big = Million();
	const UInt32 n = static_cast<UInt32>(big.guids.size());
	for (auto _ : state) {
		big.container.InvalidateBindIndex();
		const UInt32 bind = big.container.GetBind(n - 1, 1);
		if (bind != 2 * n) state.SkipWithError("wrong bind");
		benchmark::DoNotOptimize(bind);
	}
	state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_GetBindAfterInvalidation)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
