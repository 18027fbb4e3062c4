// Model statistics and size reports on models whose elements share base elements and
// whose base elements share bodies.
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3DTestSupport.h"
#include "platform/KitUtils.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using namespace ModelTests;
using Modeler::BaseElem;
using Modeler::Body;
using Modeler::Elem;
using Modeler::Model3DModifier;
using Modeler::Model3DViewer;
using L = Kit::PropertyListTypes;

namespace {

std::string Text(Int32 index) {
	char buffer[OUFixStringBufferSize];
	OUGetFixString(buffer, 2502, index, Modeler::GetTextResModule());
	return buffer;
}

struct Row {
	std::string label;
	UInt64 recordSize = 0;
	UInt64 items = 0;
	UInt64 used = 0;
	UInt64 alloc = 0;
};

UInt64 Number(const std::string& column) {
	std::string digits;
	for (char c : column)
		if (c != ' ') digits += c;
	return digits.empty() ? 0 : std::stoull(digits);
}

Row ParseRow(const std::string& line) {
	Row row;
	row.label = line.substr(0, 15);
	row.label.erase(row.label.find_last_not_of(' ') + 1);
	row.recordSize = Number(line.substr(17, 5));
	row.items = Number(line.substr(24, 13));
	row.used = Number(line.substr(39, 13));
	row.alloc = Number(line.substr(54, 13));
	return row;
}

std::vector<std::string> Lines(const std::string& text) {
	std::vector<std::string> lines;
	std::istringstream in(text);
	for (std::string line; std::getline(in, line);)
		lines.push_back(line);
	return lines;
}

std::string Report(const Model3DViewer& viewer, Int16 detail) {
	IO::MemoryOChannel out;
	viewer.ReportSize(out, detail);
	return out.GetText();
}

// The full report: checks the frame (blank line, header with the title, 12 rows, total)
// and returns the rows and the total.
std::vector<Row> FullReport(const Model3DViewer& viewer, const std::string& title) {
	const std::vector<std::string> lines = Lines(Report(viewer, 4));
	EXPECT_EQ(lines.size(), 15u);
	if (lines.size() != 15u) return {};
	EXPECT_EQ(lines[0], "");
	EXPECT_EQ(lines[1].substr(0, title.size()), title);
	EXPECT_NE(lines[1].find("Item count"), std::string::npos);
	std::vector<Row> rows;
	for (USize i = 2; i < lines.size(); ++i)
		rows.push_back(ParseRow(lines[i]));
	const Int32 labels[13] = {18, 19, 4, 5, 7, 8, 9, 10, 11, 12, 13, 17, 3};
	for (USize i = 0; i < rows.size(); ++i) {
		EXPECT_EQ(rows[i].label, Text(labels[i])) << i;
		EXPECT_EQ(rows[i].used, rows[i].alloc) << i;
	}
	EXPECT_EQ(rows[12].recordSize, 0u);
	return rows;
}

struct Counts {
	UInt64 polygons = 0, polyEdges = 0, edges = 0, vertices = 0, normals = 0, texVerts = 0;
	UInt64 polyEdgeBytes = 0, usedBytes = 0;
	Counts& Add(const Body& b, UInt64 times = 1) {
		polygons += times * b.GetPolygonCount();
		polyEdges += times * b.GetPolyEdgeCount();
		edges += times * b.GetEdgeCount();
		vertices += times * b.GetVertexCount();
		normals += times * b.GetPolyNormalCount();
		texVerts += times * b.GetTextureVertexCount();
		polyEdgeBytes += times * b.GetPolyEdgeUsedBytes();
		usedBytes += times * b.GetUsedBytes();
		return *this;
	}
	UInt64 Six() const { return polygons + polyEdges + edges + vertices + normals + texVerts; }
};

constexpr UInt64 CacheBytes = 12 * 2 + 4; // a triangle cache of two triangles

// A main model of three elements: two share a base element over cubeA, cubeB and the
// wall (with two hotspots and a light); the third has a base element of its own over
// cubeA. Polygon 0 of cubeA carries a triangle cache.
struct SharedModel {
	Kit::SharedPtr<Body> cubeA = Fixtures::MakeCube(1.0);
	Kit::SharedPtr<Body> cubeB = Fixtures::MakeCube(2.0);
	Kit::SharedPtr<Body> wall = Fixtures::MakeWallWithWindow();
	Kit::SharedPtr<BaseElem> shared = Fixtures::MakeBaseElem({cubeA, cubeB, wall});
	Kit::SharedPtr<BaseElem> own = Fixtures::MakeBaseElem({cubeA});
	Kit::SharedPtr<Elem> e1, e2, e3;
	Kit::SharedPtr<Model3D> model = NewModel();
	Kit::SharedPtr<Model3D> derived = NewModel(model);

	SharedModel() {
		shared->AddHotspot(Fixtures::MakeHotspot(0, 0, 0));
		shared->AddHotspot(Fixtures::MakeHotspot(1, 0, 0));
		LGHT light;
		light.params.SetNumEntry(light.params.PushEntry("intensity", L::Num, L::Scalar), 0.5);
		shared->AddLightSource(light);
		cubeA->GetConstPolygon(0).SetCache(Modeler::PGON::AllocateCache(2));
		e1 = Fixtures::MakeElem(shared);
		e2 = Fixtures::MakeElem(shared, Fixtures::Translation(5, 0, 0));
		e3 = Fixtures::MakeElem(own, Fixtures::Translation(9, 0, 0));
		Model3DModifier m(model);
		for (const auto& e : {e1, e2, e3})
			m.AddElem(e, Kit::NULLGuid);
		m.CalculateGPgons(0);
	}
	UInt64 LightVariableBytes() const { return shared->GetLightSource(0).GetVariableBytes(); }
};

} // namespace

TEST(ModelStatistics, PerElementAndRealFiguresOfSharedContent) {
	SharedModel s;
	const Model3DViewer v(s.model);
	ASSERT_GT(v.GetGPgonCount(), 0u);
	ASSERT_GT(s.LightVariableBytes(), 0u);
	const UInt64 gPgonBytes = 4ull * v.GetGPgonCount();

	// Per element: the shared base element counts for both of its elements.
	Counts perElem;
	perElem.Add(*s.cubeA, 3).Add(*s.cubeB, 2).Add(*s.wall, 2);
	EXPECT_EQ(v.GetBodyCount(), 7u);
	EXPECT_EQ(v.GetModelPolygonCount(), perElem.polygons);
	EXPECT_EQ(v.GetModelPolyEdgeCount(), perElem.polyEdges);
	EXPECT_EQ(v.GetModelEdgeCount(), perElem.edges);
	EXPECT_EQ(v.GetModelVertexCount(), perElem.vertices);
	EXPECT_EQ(v.GetModelPolyNormalCount(), perElem.normals);
	EXPECT_EQ(v.GetModelTextureVertexCount(), perElem.texVerts);
	EXPECT_EQ(v.GetHotspotCount(), 4u);
	EXPECT_EQ(v.GetLightSourceCount(), 2u);
	EXPECT_EQ(v.GetAllItemsCount(), 7u + 3u + 4u + perElem.Six() + 2u);
	EXPECT_EQ(v.GetPolygonConvexPolyBytes(), 3 * CacheBytes);

	const UInt64 used =
	    s.e1->GetUsedBytes() + s.e2->GetUsedBytes() + s.e3->GetUsedBytes() + gPgonBytes + sizeof(Model3D);
	EXPECT_EQ(v.GetUsedBytes(), used);
	EXPECT_EQ(s.model->GetUsedBytes(), used);
	EXPECT_EQ(v.GetAllocatedBytes(),
	          perElem.usedBytes + 2 * s.LightVariableBytes() + 3 * 48 + 4 * 32 + 2 * sizeof(LGHT) + sizeof(Model3D));

	// Real figures: each distinct base element once, so the shared one counts once.
	const UInt64 sizeofElems = s.e1->GetSizeofElem() + s.e2->GetSizeofElem() + s.e3->GetSizeofElem();
	const UInt64 real = sizeofElems + s.shared->GetUsedBytes() + s.own->GetUsedBytes() + gPgonBytes + sizeof(Model3D);
	EXPECT_EQ(v.GetRealMainUsedBytes(), real);
	EXPECT_EQ(v.GetRealMainAllocatedBytes(), real);
	EXPECT_EQ(used - real, s.shared->GetUsedBytes());
	Counts realCounts;
	realCounts.Add(*s.cubeA, 2).Add(*s.cubeB).Add(*s.wall);
	// elements + base elements + six counts + hotspots + lights + bodies + the model.
	EXPECT_EQ(v.GetRealMainAllItemsCount(), 3u + 2u + realCounts.Six() + 2u + 1u + 4u + 1u);

	// An element whose base element is taken away counts one body and nothing else.
	Kit::SharedPtr<Elem> bare(new Elem(Fixtures::MakeVoca(), false, false, Fixtures::MakeCubesBaseElem(2).Get()));
	bare->SetBaseElem(nullptr);
	Model3DModifier(s.model).AddElem(bare, Kit::NULLGuid);
	EXPECT_EQ(v.GetBodyCount(), 7u);
	EXPECT_EQ(v.GetModelPolygonCount(), perElem.polygons);
}

TEST(ModelStatistics, MainModelReportAtEachDetailLevel) {
	SharedModel s;
	const Model3DViewer v(s.model);
	EXPECT_EQ(Report(v, 2), "");
	EXPECT_EQ(Report(v, -1), "");

	// Detail 3: only the total line, labelled with the title.
	const std::vector<std::string> brief = Lines(Report(v, 3));
	ASSERT_EQ(brief.size(), 1u);
	const Row total = ParseRow(brief[0]);
	EXPECT_EQ(total.label, Text(1));
	EXPECT_EQ(total.items, v.GetRealMainAllItemsCount());
	EXPECT_EQ(total.used, v.GetRealMainUsedBytes());

	const std::vector<Row> rows = FullReport(v, Text(1));
	ASSERT_EQ(rows.size(), 13u);
	Counts c;
	c.Add(*s.cubeA, 2).Add(*s.cubeB).Add(*s.wall);
	const auto expectRow = [&](USize i, UInt64 recordSize, UInt64 items, UInt64 bytes) {
		EXPECT_EQ(rows[i].recordSize, recordSize) << rows[i].label;
		EXPECT_EQ(rows[i].items, items) << rows[i].label;
		EXPECT_EQ(rows[i].used, bytes) << rows[i].label;
	};
	expectRow(0, sizeof(Elem), 3, s.e1->GetSizeofElem() + s.e2->GetSizeofElem() + s.e3->GetSizeofElem());
	// The base element objects with 8 bytes per body slot; hotspots and lights have rows
	// of their own.
	expectRow(1, sizeof(BaseElem), 2, 2 * sizeof(BaseElem) + 8 * 4);
	expectRow(2, sizeof(Body), 4, 4 * sizeof(Body));
	expectRow(3, sizeof(LGHT), 1, sizeof(LGHT) + s.LightVariableBytes());
	expectRow(4, 40, c.polygons, 40 * c.polygons + 2 * CacheBytes);
	expectRow(5, 4, c.polyEdges, c.polyEdgeBytes);
	expectRow(6, 24, c.edges, 24 * c.edges);
	expectRow(7, 24, c.vertices, 24 * c.vertices);
	expectRow(8, 24, c.normals, 24 * c.normals);
	expectRow(9, 32, 2, 64);
	expectRow(10, 8, c.texVerts, 8 * c.texVerts);
	expectRow(11, sizeof(Model3D), 1, sizeof(Model3D));
	expectRow(12, 0, total.items, total.used);

	// Without triangle caches the polygon row holds the polygon records only.
	s.model->ClearConvexPolygonCache();
	EXPECT_EQ(FullReport(v, Text(1)).at(4).used, 40 * c.polygons);
}

TEST(ModelStatistics, ClippedModelCountsOnlyWhatItDoesNotShare) {
	SharedModel s;
	const Model3DViewer d(s.derived);
	const UInt64 modelOnly = sizeof(Model3D);

	// An empty derived model, then one sharing every element of the main model: nothing new.
	UInt32 used = 0, alloc = 0, items = 0;
	d.GetRealClippedAllocationData(used, alloc, items);
	EXPECT_EQ(items, 1u);
	EXPECT_EQ(used, modelOnly);
	Model3DModifier dm(s.derived);
	for (const auto& e : {s.e1, s.e2, s.e3})
		dm.AddElem(e, Kit::NULLGuid);
	dm.CalculateGPgons(0);
	const UInt64 gPgonBytes = 4ull * d.GetGPgonCount();
	d.GetRealClippedAllocationData(used, alloc, items);
	EXPECT_EQ(items, 1u);
	EXPECT_EQ(used, gPgonBytes + modelOnly);
	EXPECT_EQ(alloc, used);

	// New elements: one over the main model's shared base element (only the element is
	// new), two over a new base element holding main's cubeA and a new cube (the new base
	// element and its new body count for each element holding it).
	Kit::SharedPtr<Body> cubeC = Fixtures::MakeCube(3.0);
	cubeC->GetConstPolygon(1).SetCache(Modeler::PGON::AllocateCache(2));
	Kit::SharedPtr<BaseElem> fresh = Fixtures::MakeBaseElem({s.cubeA, cubeC});
	fresh->AddHotspot(Fixtures::MakeHotspot(0, 1, 0));
	const Kit::SharedPtr<Elem> e4 = Fixtures::MakeElem(s.shared);
	const Kit::SharedPtr<Elem> e5 = Fixtures::MakeElem(fresh);
	const Kit::SharedPtr<Elem> e6 = Fixtures::MakeElem(fresh, Fixtures::Translation(0, 4, 0));
	for (const auto& e : {e4, e5, e6})
		dm.AddElem(e, Kit::NULLGuid);
	dm.CalculateGPgons(0);
	const UInt64 gPgonBytes2 = 4ull * d.GetGPgonCount();

	Counts c;
	c.Add(*cubeC, 2);
	const UInt64 sizeofElems = e4->GetSizeofElem() + e5->GetSizeofElem() + e6->GetSizeofElem();
	const UInt64 newBytes = sizeofElems + 2 * fresh->GetSizeofBaseElem() + c.usedBytes;
	const UInt64 bytes = gPgonBytes2 + newBytes + modelOnly;
	const UInt64 expectedItems = 3 + 2 + 2 + 0 + 2 + c.Six() + 1;
	d.GetRealClippedAllocationData(used, alloc, items);
	EXPECT_EQ(used, bytes);
	EXPECT_EQ(alloc, bytes);
	EXPECT_EQ(items, expectedItems);

	// The report of a derived model is the clipped one.
	const std::vector<std::string> brief = Lines(Report(d, 3));
	ASSERT_EQ(brief.size(), 1u);
	EXPECT_EQ(ParseRow(brief[0]).label, Text(2));
	EXPECT_EQ(ParseRow(brief[0]).items, expectedItems);
	EXPECT_EQ(ParseRow(brief[0]).used, bytes);
	EXPECT_EQ(Report(d, 2), "");

	const std::vector<Row> rows = FullReport(d, Text(2));
	ASSERT_EQ(rows.size(), 13u);
	EXPECT_EQ(rows[0].items, 3u);
	EXPECT_EQ(rows[0].used, sizeofElems);
	EXPECT_EQ(rows[1].items, 2u);
	EXPECT_EQ(rows[1].used, 2 * (sizeof(BaseElem) + 2 * 8));
	EXPECT_EQ(rows[2].items, 2u);
	EXPECT_EQ(rows[2].used, 2 * sizeof(Body));
	EXPECT_EQ(rows[3].items, 0u);
	EXPECT_EQ(rows[3].used, 0u);
	EXPECT_EQ(rows[4].items, c.polygons);
	EXPECT_EQ(rows[4].used, 40 * c.polygons + 2 * CacheBytes);
	// Poly-edge bytes follow the bodies' poly-edge width, not the bare count.
	EXPECT_EQ(rows[5].items, c.polyEdges);
	EXPECT_EQ(rows[5].used, c.polyEdgeBytes);
	EXPECT_EQ(rows[6].used, 24 * c.edges);
	EXPECT_EQ(rows[7].used, 24 * c.vertices);
	EXPECT_EQ(rows[8].used, 24 * c.normals);
	EXPECT_EQ(rows[9].items, 2u);
	EXPECT_EQ(rows[9].used, 64u);
	EXPECT_EQ(rows[10].used, 8 * c.texVerts);
	EXPECT_EQ(rows[11].used, modelOnly);
	EXPECT_EQ(rows[12].items, expectedItems);
	EXPECT_EQ(rows[12].used, bytes);

	// The main model's own report is unaffected by the derived model.
	EXPECT_EQ(ParseRow(Lines(Report(Model3DViewer(s.model), 3)).at(0)).label, Text(1));
}

TEST(ModelStatistics, RepeatedTopologySavingFollowsSharing) {
	SharedModel s;
	const Model3DViewer v(s.model);
	const auto parse = [](const Model3DViewer& viewer, long& total, long& real, double& saving) {
		IO::MemoryOChannel out;
		viewer.RepeatedTopologySaveReport(out);
		const std::string text = out.GetText();
		ASSERT_EQ(std::sscanf(text.c_str(),
		                      "Repeated Topology Save Report\n  Total size : %ld bytes\n  Real size  : %ld bytes\n"
		                      "  Saving     : %lf%%\n",
		                      &total, &real, &saving),
		          3)
		    << text;
		EXPECT_NE(text.find("%\n------------------------------\n"), std::string::npos);
	};
	long total = 0, real = 0;
	double saving = 0;
	parse(v, total, real, saving);
	EXPECT_EQ(UInt64(total), v.GetUsedBytes());
	EXPECT_EQ(UInt64(real), v.GetRealMainUsedBytes());
	// Exactly the second use of the shared base element is saved.
	EXPECT_NEAR(saving, s.shared->GetUsedBytes() * 100.0 / total, 0.001);
	EXPECT_GT(saving, 0.0);

	// Without sharing there is nothing to save.
	Kit::SharedPtr<Model3D> plain = NewModel();
	Model3DModifier(plain).AddElem(CubesElem(2), Kit::NULLGuid);
	parse(Model3DViewer(plain), total, real, saving);
	EXPECT_EQ(total, real);
	EXPECT_EQ(saving, 0.0);
}
