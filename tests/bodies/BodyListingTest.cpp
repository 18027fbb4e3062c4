#include "fixtures/BodyFixtures.h"
#include "platform/KitUtils.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

// The restoring sources that Body::PrintAsTestCase wrote for the fixture bodies at build
// time; each defines its own RestoreABody.
namespace CubeDump {
#include "Cube.inc"
}
namespace WallWithWindowDump {
#include "WallWithWindow.inc"
}
namespace CurvedTexturedCubeDump {
#include "CurvedTexturedCube.inc"
}

namespace {

using Modeler::Body;

// Each dumped body, rebuilt by its generated source, equals the body it came from (within
// the six decimals of the dump).
TEST(BodyPrintAsTestCase, GeneratedSourcesRestoreTheDumpedBodies) {
	const Body restored[] = {CubeDump::RestoreABody(), WallWithWindowDump::RestoreABody(),
	                         CurvedTexturedCubeDump::RestoreABody()};
	const std::vector<Fixtures::DumpedBody> dumped = Fixtures::DumpedBodies();
	ASSERT_EQ(dumped.size(), std::size(restored));
	for (USize i = 0; i < dumped.size(); ++i) {
		SCOPED_TRACE(dumped[i].name);
		const Body& original = *dumped[i].body;
		EXPECT_TRUE(restored[i] == original);
		EXPECT_EQ(restored[i].GetStatus(), original.GetStatus());
		EXPECT_EQ(restored[i].GetTextureVertexCount(), original.GetTextureVertexCount());
		for (Int32 p = 0; p < static_cast<Int32>(original.GetPolygonCount()); ++p)
			EXPECT_EQ(restored[i].GetConstPolygon(p).status, original.GetConstPolygon(p).status);
	}
}

std::string Listing(const Body& body, Int16 level, const Modeler::List3dRec* filter = nullptr) {
	IO::MemoryOChannel out;
	body.Print(out, level, filter, nullptr, 0);
	return out.GetText();
}

int CountLines(const std::string& text, const std::string& start) {
	int n = 0;
	std::istringstream lines(text);
	for (std::string line; std::getline(lines, line);)
		n += line.rfind(start, 0) == 0 ? 1 : 0;
	return n;
}

// Level 1 lists the six counts; level 3 every record; a polygon range lists only those
// polygons; a filter that excludes the body lists nothing.
TEST(BodyPrint, LevelsAndFilters) {
	const Kit::SharedPtr<Body> wall = Fixtures::MakeWallWithWindow();
	const std::string counts = Listing(*wall, 1);
	EXPECT_EQ(CountLines(counts, ""), 6) << counts;
	EXPECT_NE(counts.find("Polygons: 10"), std::string::npos) << counts;

	const std::string all = Listing(*wall, 3);
	EXPECT_EQ(CountLines(all, "  Polygon "), 10);
	EXPECT_EQ(CountLines(all, "Body status"), 1);

	Modeler::List3dRec range;
	range.byPolygonRange = 1;
	range.firstPolygon = range.lastPolygon = 2;
	const std::string second = Listing(*wall, 3, &range);
	EXPECT_EQ(CountLines(second, "  Polygon "), 1);
	EXPECT_NE(second.find("  Polygon 2:"), std::string::npos) << second;

	Modeler::List3dRec material;
	material.byBodyMaterial = 1;
	material.bodyMaterial = static_cast<Int16>(wall->GetMaterialIdx() + 1);
	EXPECT_EQ(Listing(*wall, 3, &material), "");
}

// A host text whose conversions do not fit the values is not used.
TEST(BodyPrint, HostTextsThatDoNotFitAreReplaced) {
	OUSetFixStringProvider(
	    [](char* buffer, Int32 list, Int32 index, Int64, void*) {
		    if (list != 2500 || index != 66) return false;
		    std::snprintf(buffer, 256, "Vertices: %%s\n");
		    return true;
	    },
	    nullptr);
	const std::string text = Listing(*Fixtures::MakeCube(), 1);
	OUSetFixStringProvider(nullptr, nullptr);
	EXPECT_NE(text.find("Vertices: 8"), std::string::npos) << text;
}

} // namespace
