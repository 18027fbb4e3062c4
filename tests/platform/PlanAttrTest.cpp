#include "platform/ARxAttributes.h"
#include "platform/BMMemory.h"
#include "platform/PlanAttrFill.h"
#include "platform/PlanAttrMaterial.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <typename T> GSHandle HandleOf(const std::vector<T>& items) {
	const Int64 bytes = Int64(items.size() * sizeof(T));
	GSHandle h = BMAllocateHandle(bytes);
	if (bytes > 0) BNCopyMemory(*h, items.data(), bytes);
	return h;
}

template <typename T> std::vector<T> ItemsOf(GSConstHandle h) {
	std::vector<T> items(USize(BMGetHandleSize(h)) / sizeof(T));
	if (!items.empty()) BNCopyMemory(items.data(), *h, Int64(items.size() * sizeof(T)));
	return items;
}

PlanAttr::VectorFillLine Line(double frequency, Int16 dashCount, Int32 firstDash) {
	PlanAttr::VectorFillLine line;
	line.frequency = frequency;
	line.dashCount = dashCount;
	line.firstDash = firstDash;
	return line;
}

// Sets vector details; the handles are freed here.
GSErrCode SetVector(PlanAttr::VectorFillData& data, const std::vector<PlanAttr::VectorFillLine>& lines,
                    const std::vector<double>& dashes) {
	GSHandle l = HandleOf(lines);
	GSHandle d = HandleOf(dashes);
	const GSErrCode err = data.SetVectorFillDetails(l, d);
	BMKillHandle(&l);
	BMKillHandle(&d);
	return err;
}

struct SymbolParts {
	std::vector<PlanAttr::SymbolHotSpot> hotSpots;
	std::vector<PlanAttr::SymbolLine> lines;
	std::vector<PlanAttr::SymbolArc> arcs;
	std::vector<PlanAttr::SymbolPolyHead> heads;
	std::vector<PlanAttr::FillCoord> coords;
	std::vector<Int32> ends;
	std::vector<PlanAttr::SymbolPolyArc> polyArcs;
};

GSErrCode SetSymbol(PlanAttr::SymbolFillData& data, const SymbolParts& p) {
	PlanAttr::SymbolFillDetails d;
	d.hotSpots = HandleOf(p.hotSpots);
	d.lines = HandleOf(p.lines);
	d.arcs = HandleOf(p.arcs);
	d.polyHeads = HandleOf(p.heads);
	d.polyCoords = HandleOf(p.coords);
	d.polyContourEnds = HandleOf(p.ends);
	d.polyArcs = HandleOf(p.polyArcs);
	const GSErrCode err = data.SetSymbolFillDetails(d);
	PlanAttr::FreeSymbolFillDetails(d);
	return err;
}

SymbolParts TriangleSymbol() {
	SymbolParts p;
	p.hotSpots = {{0.5, 0.5}};
	p.lines = {{0, 0, 1, 1}};
	p.heads = {{2, 0, 1, 0}};
	p.coords = {{0, 0}, {1, 0}, {0, 1}};
	p.ends = {3};
	p.polyArcs = {{0, 1, 0.5}};
	return p;
}

class PlanAttrTablesTest : public ::testing::Test {
protected:
	void SetUp() override { ARxClearAttributeTables(); }
	void TearDown() override { ARxClearAttributeTables(); }
};

} // namespace

TEST(PlanAttrMaterialTest, UserDataBlocksAreCopiedInAndOut) {
	PlanAttr::Material m;
	const UInt32 tag = PlanAttr::Material::ParameterBlockTag;
	Kit::PlatformSign platform = 0;
	Int16 version = -1;
	UInt32 size = 99;
	GSHandle h = reinterpret_cast<GSHandle>(&size); // must be overwritten

	// No block: success with a null handle.
	ASSERT_EQ(m.GetUserData(tag, 0, &platform, &version, &size, &h), NoError);
	EXPECT_EQ(h, nullptr);
	EXPECT_EQ(size, 0u);

	const char bytes[] = {1, 2, 3, 4, 5};
	m.SetUserData(tag, Kit::BigEndian_Platform_Sign, 19, bytes, sizeof(bytes));
	m.SetUserData(0x41424344, Kit::Native_Platform_Sign, 1, bytes, 2);
	ASSERT_EQ(m.GetUserData(tag, 0, &platform, &version, &size, &h), NoError);
	ASSERT_NE(h, nullptr);
	EXPECT_EQ(size, 5u);
	EXPECT_EQ(BMGetHandleSize(h), 5);
	EXPECT_EQ(platform, Kit::BigEndian_Platform_Sign);
	EXPECT_EQ(version, 19);
	EXPECT_TRUE(BNCompareMemory(*h, bytes, 5));
	// The handle is the caller's copy: changing it leaves the material's block alone.
	(*h)[0] = 42;
	BMKillHandle(&h);

	// A copied material carries its own blocks; replacing one in the copy keeps the original.
	PlanAttr::Material copy = m;
	EXPECT_EQ(copy, m);
	copy.SetUserData(tag, Kit::Native_Platform_Sign, 21, bytes + 1, 3);
	EXPECT_NE(copy, m);
	ASSERT_EQ(m.GetUserData(tag, 0, &platform, &version, &size, &h), NoError);
	EXPECT_EQ(size, 5u);
	EXPECT_EQ((*h)[0], 1);
	BMKillHandle(&h);
	ASSERT_EQ(copy.GetUserData(tag, 0, &platform, &version, &size, &h), NoError);
	EXPECT_EQ(size, 3u);
	EXPECT_EQ(version, 21);
	EXPECT_EQ((*h)[0], 2);
	BMKillHandle(&h);

	copy.RemoveUserData(tag);
	EXPECT_FALSE(copy.HasUserData(tag));
	EXPECT_TRUE(copy.HasUserData(0x41424344));
	EXPECT_TRUE(m.HasUserData(tag));
	EXPECT_EQ(m.GetUserData(tag, 0, nullptr, nullptr, nullptr, nullptr), BMNilHandle);
}

TEST(PlanAttrFillTest, VectorDetailsAreCheckedAndCopied) {
	PlanAttr::VectorFillData data;
	ASSERT_EQ(SetVector(data, {Line(1, 0, 0), Line(2, 3, 0)}, {0.1, 0.2, 0.3}), NoError);
	EXPECT_EQ(data.GetLineNumber(), 2);
	EXPECT_EQ(data.GetDashNumber(), 3);
	EXPECT_EQ(data.GetLineDashSum(), 3);

	GSHandle lines = nullptr;
	GSHandle dashes = nullptr;
	ASSERT_EQ(data.GetVectorFillDetails(&lines, &dashes), NoError);
	const auto gotLines = ItemsOf<PlanAttr::VectorFillLine>(lines);
	const auto gotDashes = ItemsOf<double>(dashes);
	BMKillHandle(&lines);
	BMKillHandle(&dashes);
	ASSERT_EQ(gotLines.size(), 2u);
	EXPECT_EQ(gotLines[1], Line(2, 3, 0));
	EXPECT_EQ(gotDashes, (std::vector<double>{0.1, 0.2, 0.3}));

	// Refused: a dash run past the block, a negative count or start, a partial item.
	const PlanAttr::VectorFillData before = data;
	EXPECT_EQ(SetVector(data, {Line(1, 2, 2)}, {0.1, 0.2, 0.3}), PlanAttr::BadDetailsErr);
	EXPECT_EQ(SetVector(data, {Line(1, -1, 0)}, {0.1}), PlanAttr::BadDetailsErr);
	EXPECT_EQ(SetVector(data, {Line(1, 1, -1)}, {0.1}), PlanAttr::BadDetailsErr);
	GSHandle partial = BMAllocateHandle(47, ALLOCATE_CLEAR);
	EXPECT_EQ(data.SetVectorFillDetails(partial, nullptr), PlanAttr::BadDetailsErr);
	BMKillHandle(&partial);
	EXPECT_EQ(data, before);

	// Null handles stand for empty blocks.
	EXPECT_EQ(data.SetVectorFillDetails(nullptr, nullptr), NoError);
	EXPECT_EQ(data.GetLineNumber(), 0);
}

TEST(PlanAttrFillTest, SymbolDetailsMustAddUp) {
	PlanAttr::SymbolFillData data;
	ASSERT_EQ(SetSymbol(data, TriangleSymbol()), NoError);
	EXPECT_EQ(data.GetHotSpotNumber(), 1);
	EXPECT_EQ(data.GetLineNumber(), 1);
	EXPECT_EQ(data.GetArcNumber(), 0);
	EXPECT_EQ(data.GetFillNumber(), 1);
	EXPECT_EQ(data.GetDetailBytes(), 16 + 32 + 16 + 48 + 4 + 16);

	PlanAttr::SymbolFillDetails d;
	ASSERT_EQ(data.GetSymbolFillDetails(d), NoError);
	EXPECT_EQ(ItemsOf<PlanAttr::FillCoord>(d.polyCoords), TriangleSymbol().coords);
	EXPECT_EQ(ItemsOf<PlanAttr::SymbolPolyArc>(d.polyArcs), TriangleSymbol().polyArcs);
	PlanAttr::FreeSymbolFillDetails(d);
	EXPECT_EQ(d.polyCoords, nullptr);

	const PlanAttr::SymbolFillData before = data;
	SymbolParts bad = TriangleSymbol();
	bad.coords.pop_back(); // head announces 3 coordinates
	EXPECT_EQ(SetSymbol(data, bad), PlanAttr::BadDetailsErr);
	bad = TriangleSymbol();
	bad.ends.push_back(3); // one contour end too many
	EXPECT_EQ(SetSymbol(data, bad), PlanAttr::BadDetailsErr);
	bad = TriangleSymbol();
	bad.heads[0].arcCount = -1;
	bad.polyArcs.clear();
	EXPECT_EQ(SetSymbol(data, bad), PlanAttr::BadDetailsErr);
	bad = TriangleSymbol();
	bad.heads[0].lastCoord = -2;
	EXPECT_EQ(SetSymbol(data, bad), PlanAttr::BadDetailsErr);
	EXPECT_EQ(data, before);
}

TEST(PlanAttrFillTest, DefinitionSizeFollowsTheDetails) {
	PlanAttr::Fill fill;
	fill.SetType(PlanAttr::VectorFill);
	ASSERT_EQ(SetVector(fill.GetVectorFillData(), {Line(1, 0, 0), Line(2, 3, 0)}, {1, 2, 3}), NoError);
	EXPECT_EQ(fill.GetDefinitionSize(), 152 + 96 + 24);
	// Lines may share dashes: the record repeats them per line.
	ASSERT_EQ(SetVector(fill.GetVectorFillData(), {Line(1, 2, 0), Line(2, 2, 0)}, {1, 2}), NoError);
	EXPECT_EQ(fill.GetDefinitionSize(), 152 + 96 + 32);
	fill.SetType(PlanAttr::SymbolFill);
	ASSERT_EQ(SetSymbol(fill.GetSymbolFillData(), TriangleSymbol()), NoError);
	EXPECT_EQ(fill.GetDefinitionSize(), 152 + 132);
	fill.SetType(PlanAttr::PlainFill);
	EXPECT_EQ(fill.GetDefinitionSize(), 288);
	fill.SetType(9);
	EXPECT_EQ(fill.GetDefinitionSize(), -1);
}

TEST_F(PlanAttrTablesTest, PenLookupsAtTheEdgesOfTheTable) {
	EXPECT_EQ(ARxnumPenAttr(), 0);
	Kit_RGBColor c{1, 2, 3};
	EXPECT_EQ(ARxgetPenRGB(1, &c), ARxNoSuchAttributeErr);
	EXPECT_EQ(c, Kit_RGBColor());

	const Kit_RGBColor pens[] = {{100, 0, 0}, {0, 200, 0}, {0, 0, 300}};
	ARxSetPenTable(pens, 3);
	ASSERT_EQ(ARxnumPenAttr(), 3);
	EXPECT_EQ(ARxgetPenRGB(1, &c), NoError);
	EXPECT_EQ(c, pens[0]);
	EXPECT_EQ(ARxgetPenRGB(3, &c), NoError);
	EXPECT_EQ(c, pens[2]);

	for (short bad : {short(0), short(4), short(-1), short(-32768)}) {
		c = Kit_RGBColor{9, 9, 9};
		EXPECT_EQ(ARxgetPenRGB(bad, &c), ARxNoSuchAttributeErr) << bad;
		EXPECT_EQ(c, Kit_RGBColor()) << bad;
	}
	EXPECT_EQ(ARxgetPenRGB(1, nullptr), ARxNoSuchAttributeErr);

	ARxSetPenTable(nullptr, 5);
	EXPECT_EQ(ARxnumPenAttr(), 0);
}

TEST_F(PlanAttrTablesTest, FillLookupsHandOutCopies) {
	PlanAttr::Fill a;
	a.SetName("Brick");
	a.SetType(PlanAttr::PlainFill);
	a.SetFillValue(0.25);
	PlanAttr::Fill b;
	b.SetName("Sand");
	b.SetType(PlanAttr::VectorFill);
	ASSERT_EQ(SetVector(b.GetVectorFillData(), {Line(1, 2, 0)}, {1, 2}), NoError);
	ASSERT_EQ(ARxAddFillAttr(a), 1);
	ASSERT_EQ(ARxAddFillAttr(b), 2);
	ASSERT_EQ(ARxnumFillAttr(), 2);

	EXPECT_EQ(ARxindexFillAttr(Kit::UniString("Sand")), 2);
	EXPECT_EQ(ARxindexFillAttr("Brick"), 1);
	EXPECT_EQ(ARxindexFillAttr("brick"), 0);
	EXPECT_EQ(ARxindexFillAttr(""), 0);
	EXPECT_EQ(ARxindexFillAttr(static_cast<const char*>(nullptr)), 0);

	PlanAttr::Fill* got = reinterpret_cast<PlanAttr::Fill*>(&a); // must be overwritten
	Int32 length = -5;
	for (short bad : {short(0), short(3), short(-1)}) {
		EXPECT_EQ(ARxgetFillAttr(bad, &got, &length), ARxNoSuchAttributeErr) << bad;
		EXPECT_EQ(got, nullptr);
		EXPECT_EQ(length, 0);
	}

	ASSERT_EQ(ARxgetFillAttr(2, &got, &length), NoError);
	ASSERT_NE(got, nullptr);
	EXPECT_EQ(got->GetName(), Kit::UniString("Sand"));
	EXPECT_EQ(got->GetIndex(), 2); // the table numbers its fills
	EXPECT_EQ(got->GetVectorFillData(), b.GetVectorFillData());
	EXPECT_EQ(length, 152 + 48 + 16);
	got->SetName("Changed");
	delete got;
	EXPECT_EQ(ARxindexFillAttr("Sand"), 2);

	ASSERT_EQ(ARxgetFillAttr(1, &got, nullptr), NoError);
	EXPECT_EQ(got->GetFillValue(), 0.25);
	delete got;
}
