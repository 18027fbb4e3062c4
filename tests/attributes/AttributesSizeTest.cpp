#include "AttributesTestSupport.h"

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/core/frame/SizeReport.h"
#include "platform/BMMemory.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace AttributesTest;
using Modeler::Attributes;

namespace {

constexpr UInt64 StoreSize = sizeof(Attributes);
constexpr UInt64 UmatSize = sizeof(UMAT);
// Allocation of a new store's tables: 10 textures, 10 texture attributes, 10 fills and
// 1000 fill-definition bytes.
constexpr UInt64 NewTables = 10 * 544 + 10 * 16 + 10 * 44 + 1000;

// Two materials, three fills of 288 definition bytes each, two textures of 3 x 5 and
// 2 x 2 pixels of which the first has 100 bytes of pixels loaded.
Attributes::Modifier SampleStore() {
	Attributes::Modifier m(Attributes::New());
	m.AddMaterial(UMAT());
	m.AddMaterial(UMAT());
	for (int i = 0; i < 3; ++i) {
		const std::string def = MakeDefinition(288, "F", static_cast<char>(i));
		m.AddFill(Int16(0), def.data(), 288);
	}
	m.AddTexture(MakeTexture("a", 3, 5), TXTA{});
	m.AddTexture(MakeTexture("b", 2, 2), TXTA{});
	m.GetTexturePtr(1)->pixels = BMAllocateHandle(100);
	return m;
}

UInt64 PropertyListBytes(const Attributes::Viewer& v) {
	UInt64 p = 0;
	for (UInt32 i = 1; i <= v.GetMaterialCount(); ++i)
		p += v.GetConstMaterialPtr(i)->params.GetAllocatedBytes();
	return p;
}

TEST(AttributesSize, NewStoreCountsOnlyItselfAsUsed) {
	Attributes::Viewer v(Attributes::New());
	EXPECT_EQ(v.GetUsedBytes(), StoreSize);
	EXPECT_EQ(v.GetAllocatedBytes(), StoreSize + NewTables);
	EXPECT_EQ(v.GetTexturePixelBytes(), 0u);
}

TEST(AttributesSize, UsedAndAllocatedBytesFollowTheTables) {
	Attributes::Modifier m = SampleStore();
	const UInt64 p = PropertyListBytes(m);
	EXPECT_EQ(m.GetTexturePixelBytes(), 100u);
	EXPECT_EQ(m.GetUsedBytes(), p + 2 * 560 + 3 * 44 + 864 + 100 + 2 * UmatSize + StoreSize);
	EXPECT_EQ(m.GetAllocatedBytes(), p + 100 + NewTables + 2 * UmatSize + StoreSize);

	// With no spare room left, what is allocated is what is used.
	m.ReleaseUnusedMemory();
	EXPECT_EQ(m.GetAllocatedBytes(), m.GetUsedBytes());

	m.UnloadAllTexturesPixels();
	EXPECT_EQ(m.GetUsedBytes(), p + 2 * 560 + 3 * 44 + 864 + 2 * UmatSize + StoreSize);
}

TEST(AttributesSize, ReportWritesOneRowPerTableAndTheTotal) {
	Attributes::Modifier m = SampleStore();
	const UInt64 p = PropertyListBytes(m);
	const UInt32 used = static_cast<UInt32>(m.GetUsedBytes());
	const UInt32 alloc = static_cast<UInt32>(m.GetAllocatedBytes());

	IO::MemoryOChannel expected;
	Modeler::PrintOneSizeReportHeader(expected, "Attributes");
	Modeler::PrintOneSizeReport(expected, "Materials", UmatSize, 2, UInt32(2 * UmatSize + p), UInt32(2 * UmatSize + p));
	Modeler::PrintOneSizeReport(expected, "Textures", 560, 2, 2 * 560, 10 * 544 + 10 * 16);
	Modeler::PrintOneSizeReport(expected, "Loaded pixels", 0, 1, 100, 100);
	Modeler::PrintOneSizeReport(expected, "Full pixels", 0, 2, (15 + 4) * 4, (15 + 4) * 4);
	Modeler::PrintOneSizeReport(expected, "Fills", 44, 3, 3 * 44 + 864, 10 * 44 + 1000);
	Modeler::PrintOneSizeReport(expected, "Attribute store", StoreSize, 1, StoreSize, StoreSize);
	Modeler::PrintOneSizeReport(expected, "Attribute total", 0, 7, used, alloc);

	IO::MemoryOChannel detailed;
	m.ReportSize(detailed, 4);
	EXPECT_EQ(detailed.GetText(), expected.GetText());

	// Level 3: only the total, under the header's label.
	IO::MemoryOChannel summary;
	m.ReportSize(summary, 3);
	IO::MemoryOChannel expectedSummary;
	Modeler::PrintOneSizeReport(expectedSummary, "Attributes", 0, 7, used, alloc);
	EXPECT_EQ(summary.GetText(), expectedSummary.GetText());

	IO::MemoryOChannel nothing;
	m.ReportSize(nothing, 2);
	m.ReportSize(nothing, -1);
	EXPECT_EQ(nothing.GetDataSize(), 0u);
}

} // namespace
