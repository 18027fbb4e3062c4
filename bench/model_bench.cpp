// Model element list: appending elements and sorting the new tail.
#include "Model3D/core/model/Model3D.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using Modeler::Elem;
using Modeler::Model3D;

// n valid elements with fresh GUIDs and random sort keys, sharing one base element.
std::vector<Kit::SharedPtr<Elem>> MakeElems(UInt32 n) {
	Kit::SharedPtr<Modeler::BaseElem> base(new Modeler::BaseElem());
	std::mt19937 random(12345);
	std::vector<Kit::SharedPtr<Elem>> elems;
	elems.reserve(n);
	for (UInt32 i = 0; i < n; ++i) {
		Modeler::VOCA id;
		id.guid = Kit::Guid::Generate();
		id.attr5 = static_cast<Int32>(random());
		elems.emplace_back(new Elem(id, false, false, base.Get()));
	}
	return elems;
}

Kit::SharedPtr<Model3D> NewModel() {
	return Model3D::New(nullptr, Modeler::DiskCachingOff, nullptr);
}

void BM_AddElem(benchmark::State& state) {
	const UInt32 n = static_cast<UInt32>(state.range(0));
	const std::vector<Kit::SharedPtr<Elem>> elems = MakeElems(n);
	for (auto _ : state) {
		state.PauseTiming();
		Kit::SharedPtr<Model3D> model = NewModel();
		{
			Modeler::Model3DOnlyModifier modifier(model);
			state.ResumeTiming();
			for (const Kit::SharedPtr<Elem>& elem : elems)
				modifier.AddElem(elem, Kit::NULLGuid);
			state.PauseTiming();
		}
		benchmark::DoNotOptimize(model->GetElemIdx(elems.back()->GetElemId().guid));
		model.Clear();
		state.ResumeTiming();
	}
	state.SetItemsProcessed(static_cast<Int64>(state.iterations()) * n);
}

class ByKey : public Model3D::ElemComparator {
public:
	bool operator()(const Kit::ConstSharedPtr<Elem>& a, const Kit::ConstSharedPtr<Elem>& b) override {
		return a->GetElemId().attr5 < b->GetElemId().attr5;
	}
};

void BM_SortNewElems(benchmark::State& state) {
	const UInt32 n = static_cast<UInt32>(state.range(0));
	const std::vector<Kit::SharedPtr<Elem>> elems = MakeElems(n);
	ByKey comparator;
	for (auto _ : state) {
		state.PauseTiming();
		Kit::SharedPtr<Model3D> model = NewModel();
		{
			Modeler::Model3DOnlyModifier modifier(model);
			for (const Kit::SharedPtr<Elem>& elem : elems)
				modifier.AddElem(elem, Kit::NULLGuid);
		}
		state.ResumeTiming();
		model->SortNewElems(0, comparator);
		state.PauseTiming();
		benchmark::DoNotOptimize(model->GetElemIdx(elems.front()->GetElemId().guid));
		model.Clear();
		state.ResumeTiming();
	}
	state.SetItemsProcessed(static_cast<Int64>(state.iterations()) * n);
}

BENCHMARK(BM_AddElem)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNewElems)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
