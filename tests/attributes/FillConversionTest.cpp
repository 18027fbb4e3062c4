#include "Model3D/attributes/fills/FillConversion.h"
#include "platform/ARxAttributes.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/PlanAttrFill.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<char>;

template <typename T> T Get(const Bytes& b, size_t offset) {
	T value;
	std::memcpy(&value, b.data() + offset, sizeof(T));
	return value;
}

template <typename T> void Put(Bytes& b, size_t offset, T value) {
	std::memcpy(b.data() + offset, &value, sizeof(T));
}

template <typename T> GSHandle HandleOf(const std::vector<T>& items) {
	const Int64 bytes = Int64(items.size() * sizeof(T));
	GSHandle h = BMAllocateHandle(bytes);
	if (bytes > 0) BNCopyMemory(*h, items.data(), bytes);
	return h;
}

PlanAttr::VectorFillLine Line(double frequency, double direction, double offsetLine, double x, double y,
                              Int16 dashCount, Int32 firstDash) {
	PlanAttr::VectorFillLine line;
	line.frequency = frequency;
	line.direction = direction;
	line.offsetLine = offsetLine;
	line.offsetX = x;
	line.offsetY = y;
	line.dashCount = dashCount;
	line.firstDash = firstDash;
	return line;
}

void SetHeader(PlanAttr::Fill& fill, const char* name, Int16 type) {
	fill.SetName(name);
	fill.SetIndex(4);
	fill.SetFlags(0x21);
	fill.SetModificationTime(777);
	fill.SetAuxWord(9);
	fill.SetPattern(KitPattern{{1, 2, 3, 4, 5, 6, 7, 8}});
	fill.SetXSpacingFactor(2.0);
	fill.SetYSpacingFactor(3.0);
	fill.SetAngle(0.5);
	fill.SetOffset1({1.0, 2.0});
	fill.SetOffset2({3.0, 4.0});
	fill.SetType(type);
	fill.SetFillValue(0.426);
}

// Two line families, of 0 and 3 dashes.
PlanAttr::Fill VectorSample() {
	PlanAttr::Fill fill;
	SetHeader(fill, "Hatch", PlanAttr::VectorFill);
	GSHandle lines = HandleOf(
	    std::vector<PlanAttr::VectorFillLine>{Line(1, 0, 0.25, 0.1, 0.2, 0, 0), Line(2, 1.5, 0, -1, -2, 3, 0)});
	GSHandle dashes = HandleOf(std::vector<double>{0.5, 0.25, 0.125});
	EXPECT_EQ(fill.GetVectorFillData().SetVectorFillDetails(lines, dashes), NoError);
	BMKillHandle(&lines);
	BMKillHandle(&dashes);
	return fill;
}

// Three line families of 2, 0 and 1 dashes; the last shares the second dash block entry.
PlanAttr::Fill DashedSample() {
	PlanAttr::Fill fill;
	SetHeader(fill, "Dashes", PlanAttr::VectorFill);
	GSHandle lines = HandleOf(std::vector<PlanAttr::VectorFillLine>{
	    Line(1, 0, 0, 0, 0, 2, 0), Line(2, 0.5, 0.1, 0, 0, 0, 2), Line(3, 1, 0.2, 0.3, 0.4, 1, 1)});
	GSHandle dashes = HandleOf(std::vector<double>{0.5, 0.25});
	EXPECT_EQ(fill.GetVectorFillData().SetVectorFillDetails(lines, dashes), NoError);
	BMKillHandle(&lines);
	BMKillHandle(&dashes);
	return fill;
}

// 2 hotspots, 1 line, 1 arc; a square with a curved side and a two-contour polygon.
PlanAttr::Fill SymbolSample() {
	PlanAttr::Fill fill;
	SetHeader(fill, "Tiles", PlanAttr::SymbolFill);
	PlanAttr::SymbolFillDetails d;
	d.hotSpots = HandleOf(std::vector<PlanAttr::SymbolHotSpot>{{0, 0}, {1, 1}});
	d.lines = HandleOf(std::vector<PlanAttr::SymbolLine>{{0, 0, 1, 0}});
	d.arcs = HandleOf(std::vector<PlanAttr::SymbolArc>{{0.5, 0.5, 0.25, 0, 3.14}});
	d.polyHeads = HandleOf(std::vector<PlanAttr::SymbolPolyHead>{{3, 0, 1, 0}, {2, 1, 0, 0}});
	d.polyCoords = HandleOf(std::vector<PlanAttr::FillCoord>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {5, 5}, {6, 5}, {5, 6}});
	d.polyContourEnds = HandleOf(std::vector<Int32>{4, 1, 3});
	d.polyArcs = HandleOf(std::vector<PlanAttr::SymbolPolyArc>{{1, 2, 0.75}});
	EXPECT_EQ(fill.GetSymbolFillData().SetSymbolFillDetails(d), NoError);
	PlanAttr::FreeSymbolFillDetails(d);
	return fill;
}

PlanAttr::Fill PlainSample() {
	PlanAttr::Fill fill;
	SetHeader(fill, "Solid", PlanAttr::PlainFill);
	return fill;
}

// Flattens a fill and returns the record's bytes; the block must be exactly as long as
// the record says.
Bytes Flatten(const PlanAttr::Fill& fill) {
	char* record = nullptr;
	IMConvertFillToRecord(reinterpret_cast<char*>(const_cast<PlanAttr::Fill*>(&fill)), &record);
	if (record == nullptr) return {};
	Int32 length = 0;
	std::memcpy(&length, record, sizeof(length));
	EXPECT_EQ(BMGetPtrSize(record), length);
	Bytes bytes(record, record + length);
	BMKillPtr(&record);
	return bytes;
}

// Builds a fill through the checked conversion from a buffer of exactly the given
// bytes, so that any read past them is caught by the address sanitizer.
GSErrCode Build(const Bytes& bytes, std::unique_ptr<PlanAttr::Fill>& fill) {
	std::unique_ptr<char[]> buffer(new char[bytes.size() == 0 ? 1 : bytes.size()]);
	if (!bytes.empty()) std::memcpy(buffer.get(), bytes.data(), bytes.size());
	char* result = reinterpret_cast<char*>(1);
	const GSErrCode err = IMConvertFillToClass(buffer.get(), Int64(bytes.size()), &result);
	fill.reset(reinterpret_cast<PlanAttr::Fill*>(result));
	return err;
}

// Builds through the unchecked conversion, which trusts the record's length field.
std::unique_ptr<PlanAttr::Fill> BuildTrusted(Bytes bytes) {
	char* result = nullptr;
	IMConvertFillToClass(bytes.data(), &result);
	return std::unique_ptr<PlanAttr::Fill>(reinterpret_cast<PlanAttr::Fill*>(result));
}

// The checksum computed the long way: a 64-bit sum reduced modulo 2^32.
Int16 ExpectedChecksum(const Bytes& b) {
	Int64 sum = 0;
	for (size_t i = 0; i + 4 <= b.size(); i += 4) {
		if (i == 40 || i == 44) continue;
		sum += Get<Int32>(b, i);
	}
	const UInt32 folded = UInt32(UInt64(sum) & 0xFFFFFFFFu);
	return Int16(UInt16((folded >> 16) + (folded & 0xFFFF)));
}

// Checks the header fields common to the samples.
void ExpectSampleHeader(const Bytes& r, Int32 length, Int16 type) {
	ASSERT_EQ(r.size(), size_t(length));
	EXPECT_EQ(Get<Int32>(r, 0), length);
	EXPECT_EQ(Get<Int16>(r, 36), 4);
	EXPECT_EQ(Get<Int16>(r, 38), 0x21);
	EXPECT_EQ(Get<Int32>(r, 40), 777);
	EXPECT_EQ(Get<Int16>(r, 44), ExpectedChecksum(r));
	EXPECT_EQ(Get<Int16>(r, 46), 9);
	for (int i = 0; i < 8; ++i)
		EXPECT_EQ(r[48 + i], i + 1);
	EXPECT_EQ(Get<double>(r, 56), 2.0);
	EXPECT_EQ(Get<double>(r, 64), 3.0);
	EXPECT_EQ(Get<double>(r, 72), 0.5);
	EXPECT_EQ(Get<double>(r, 80), 1.0);
	EXPECT_EQ(Get<double>(r, 88), 2.0);
	EXPECT_EQ(Get<double>(r, 96), 3.0);
	EXPECT_EQ(Get<double>(r, 104), 4.0);
	EXPECT_EQ(Get<Int16>(r, 112), type);
	EXPECT_EQ(Get<Int16>(r, 114), 42); // 0.426 x 100, truncated
	EXPECT_EQ(Get<Int32>(r, 116), 0);
	for (size_t i = 136; i < 152; ++i)
		EXPECT_EQ(r[i], 0) << i;
}

bool EqualExceptUnreadFields(Bytes a, Bytes b) {
	if (a.size() != b.size()) return false;
	for (Bytes* r : {&a, &b}) {
		std::memset(r->data() + 44, 0, 4);
		std::memset(r->data() + 114, 0, 2);
	}
	return a == b;
}

} // namespace

TEST(FillConversionTest, VectorRecordLayout) {
	const Bytes r = Flatten(VectorSample());
	ExpectSampleHeader(r, 152 + 96 + 24, 0);
	EXPECT_STREQ(r.data() + 4, "Hatch");
	EXPECT_EQ(Get<Int32>(r, 120), 0);
	EXPECT_EQ(Get<Int32>(r, 124), 2);
	EXPECT_EQ(Get<Int32>(r, 128), 0);
	EXPECT_EQ(Get<Int32>(r, 132), 0);

	// First line: five values, no dashes.
	EXPECT_EQ(Get<double>(r, 152), 1.0);
	EXPECT_EQ(Get<double>(r, 160), 0.0);
	EXPECT_EQ(Get<double>(r, 168), 0.25);
	EXPECT_EQ(Get<double>(r, 176), 0.1);
	EXPECT_EQ(Get<double>(r, 184), 0.2);
	EXPECT_EQ(Get<Int16>(r, 192), 0);
	EXPECT_EQ(Get<Int16>(r, 194), 0);
	EXPECT_EQ(Get<Int32>(r, 196), 0);
	// Second line at 200, its three dashes right after its 48 bytes.
	EXPECT_EQ(Get<double>(r, 200), 2.0);
	EXPECT_EQ(Get<double>(r, 232), -2.0);
	EXPECT_EQ(Get<Int16>(r, 240), 3);
	EXPECT_EQ(Get<Int32>(r, 244), 0); // the host's first-dash index is not stored
	EXPECT_EQ(Get<double>(r, 248), 0.5);
	EXPECT_EQ(Get<double>(r, 256), 0.25);
	EXPECT_EQ(Get<double>(r, 264), 0.125);
}

TEST(FillConversionTest, SymbolRecordLayout) {
	const Bytes r = Flatten(SymbolSample());
	// 152 + 2 hotspots + 1 line + 1 arc + (16 + 4 coords + 1 end + 1 arc) + (16 + 3 coords + 2 ends)
	const Int32 length = 152 + 32 + 32 + 40 + (16 + 64 + 4 + 16) + (16 + 48 + 8);
	ExpectSampleHeader(r, length, 1);
	EXPECT_EQ(Get<Int32>(r, 120), 2);
	EXPECT_EQ(Get<Int32>(r, 124), 1);
	EXPECT_EQ(Get<Int32>(r, 128), 1);
	EXPECT_EQ(Get<Int32>(r, 132), 2);

	EXPECT_EQ(Get<double>(r, 168), 1.0);  // second hotspot x
	EXPECT_EQ(Get<double>(r, 200), 1.0);  // line end x
	EXPECT_EQ(Get<double>(r, 232), 0.25); // arc radius
	// First polygon at 256: head (c = 3, e = 0, a = 1), 4 coordinates, 1 end, 1 arc.
	EXPECT_EQ(Get<Int32>(r, 256), 3);
	EXPECT_EQ(Get<Int32>(r, 260), 0);
	EXPECT_EQ(Get<Int32>(r, 264), 1);
	EXPECT_EQ(Get<Int32>(r, 268), 0);
	EXPECT_EQ(Get<double>(r, 272 + 48), 0.0); // fourth coordinate x
	EXPECT_EQ(Get<double>(r, 272 + 56), 1.0); // fourth coordinate y
	EXPECT_EQ(Get<Int32>(r, 336), 4);
	EXPECT_EQ(Get<Int32>(r, 340), 1);
	EXPECT_EQ(Get<Int32>(r, 344), 2);
	EXPECT_EQ(Get<double>(r, 348), 0.75);
	// Second polygon at 356: head (2, 1, 0), 3 coordinates, 2 ends.
	EXPECT_EQ(Get<Int32>(r, 356), 2);
	EXPECT_EQ(Get<Int32>(r, 360), 1);
	EXPECT_EQ(Get<Int32>(r, 364), 0);
	EXPECT_EQ(Get<double>(r, 372), 5.0);
	EXPECT_EQ(Get<Int32>(r, 420), 1);
	EXPECT_EQ(Get<Int32>(r, 424), 3);
}

TEST(FillConversionTest, PlainRecordAndItsChecksum) {
	PlanAttr::Fill fill;
	fill.SetType(PlanAttr::PlainFill);
	fill.SetIndex(3);
	fill.SetModificationTime(12345);
	fill.SetAuxWord(7);
	const Bytes r = Flatten(fill);
	ASSERT_EQ(r.size(), 288u);
	// Counted words: the length 288, the index 3 (bytes 36..37), the type 2 (112..113)
	// and the high words of the two spacing factors 1.0 (0x3FF00000 each):
	// 0x7FE00125 folds to 0x7FE0 + 0x7FE00125 = 0x....8105. Time and the word at 46 do not count.
	EXPECT_EQ(Get<Int16>(r, 44), Int16(UInt16(0x8105)));
	for (size_t i = 152; i < 288; ++i)
		ASSERT_EQ(r[i], 0) << i;

	ExpectSampleHeader(Flatten(PlainSample()), 288, 2);

	// Values beyond the Int16 field are clamped, not wrapped.
	fill.SetFillValue(1e9);
	EXPECT_EQ(Get<Int16>(Flatten(fill), 114), 32767);
	fill.SetFillValue(-1e9);
	EXPECT_EQ(Get<Int16>(Flatten(fill), 114), -32768);
}

TEST(FillConversionTest, ChecksumWrapsAndSkipsOnlyWordsTenAndEleven) {
	PlanAttr::Fill fill = VectorSample();
	fill.SetXSpacingFactor(-1.0e300); // large words drive the sum past 2^31
	fill.SetYSpacingFactor(-3.0e300);
	Bytes r = Flatten(fill);
	EXPECT_EQ(Get<Int16>(r, 44), ExpectedChecksum(r));
	EXPECT_EQ(Modeler::FillDefChecksum(r.data(), Int32(r.size())), ExpectedChecksum(r));

	const Int16 base = Modeler::FillDefChecksum(r.data(), Int32(r.size()));
	Put<Int32>(r, 40, 99999);
	Put<Int16>(r, 46, -5);
	EXPECT_EQ(Modeler::FillDefChecksum(r.data(), Int32(r.size())), base);
	Put<Int32>(r, 36, Get<Int32>(r, 36) + 1); // word 9
	EXPECT_NE(Modeler::FillDefChecksum(r.data(), Int32(r.size())), base);
	Put<Int32>(r, 36, Get<Int32>(r, 36) - 1);
	Put<Int32>(r, 48, Get<Int32>(r, 48) + 1); // word 12
	EXPECT_NE(Modeler::FillDefChecksum(r.data(), Int32(r.size())), base);
}

TEST(FillConversionTest, FlattenBuildFlattenRoundTrips) {
	for (const PlanAttr::Fill& original : {VectorSample(), SymbolSample(), PlainSample()}) {
		SCOPED_TRACE(original.GetName().ToUtf8());
		const Bytes r1 = Flatten(original);
		EXPECT_EQ(Flatten(original), r1); // flattening is deterministic

		std::unique_ptr<PlanAttr::Fill> built;
		ASSERT_EQ(Build(r1, built), NoError);
		ASSERT_NE(built, nullptr);
		EXPECT_EQ(built->GetName(), original.GetName());
		EXPECT_EQ(built->GetIndex(), original.GetIndex());
		EXPECT_EQ(built->GetFlags(), original.GetFlags());
		EXPECT_EQ(built->GetModificationTime(), original.GetModificationTime());
		EXPECT_EQ(built->GetVersionNumber(), PlanAttr::Fill::CurrentVersion);
		EXPECT_EQ(built->GetPattern(), original.GetPattern());
		EXPECT_EQ(built->GetXSpacingFactor(), original.GetXSpacingFactor());
		EXPECT_EQ(built->GetYSpacingFactor(), original.GetYSpacingFactor());
		EXPECT_EQ(built->GetAngle(), original.GetAngle());
		EXPECT_EQ(built->GetOffset1(), original.GetOffset1());
		EXPECT_EQ(built->GetOffset2(), original.GetOffset2());
		EXPECT_EQ(built->GetType(), original.GetType());
		EXPECT_EQ(built->GetVectorFillData(), original.GetVectorFillData());
		EXPECT_EQ(built->GetSymbolFillData(), original.GetSymbolFillData());
		// The word at 46 and the value at 114 are not read back.
		EXPECT_EQ(built->GetAuxWord(), 0);
		EXPECT_EQ(built->GetFillValue(), 0.0);

		const Bytes r2 = Flatten(*built);
		EXPECT_TRUE(EqualExceptUnreadFields(r1, r2));
		EXPECT_EQ(Get<Int16>(r2, 44), ExpectedChecksum(r2));
		// From the second flattening on, the bytes are identical, by either builder.
		EXPECT_EQ(Flatten(*BuildTrusted(r2)), r2);
		std::unique_ptr<PlanAttr::Fill> again;
		ASSERT_EQ(Build(r2, again), NoError);
		EXPECT_EQ(Flatten(*again), r2);
	}

	// Dashes are copied per line; the built fill numbers them consecutively.
	const Bytes dashed = Flatten(DashedSample());
	ASSERT_EQ(dashed.size(), size_t(152 + 3 * 48 + 3 * 8));
	EXPECT_EQ(Get<double>(dashed, 152 + 48), 0.5);
	EXPECT_EQ(Get<double>(dashed, 152 + 56), 0.25);
	EXPECT_EQ(Get<double>(dashed, 152 + 3 * 48 + 16), 0.25);
	std::unique_ptr<PlanAttr::Fill> built;
	ASSERT_EQ(Build(dashed, built), NoError);
	GSHandle lines = nullptr;
	GSHandle dashes = nullptr;
	ASSERT_EQ(built->GetVectorFillData().GetVectorFillDetails(&lines, &dashes), NoError);
	ASSERT_EQ(BMGetHandleSize(lines), 3 * 48);
	ASSERT_EQ(BMGetHandleSize(dashes), 3 * 8);
	const auto* items = reinterpret_cast<const PlanAttr::VectorFillLine*>(*lines);
	EXPECT_EQ(items[0].firstDash, 0);
	EXPECT_EQ(items[1].firstDash, 2);
	EXPECT_EQ(items[2].firstDash, 2);
	EXPECT_EQ(items[2].dashCount, 1);
	EXPECT_EQ(reinterpret_cast<const double*>(*dashes)[2], 0.25);
	BMKillHandle(&lines);
	BMKillHandle(&dashes);
	EXPECT_TRUE(EqualExceptUnreadFields(Flatten(*built), dashed));

	// A fill without the unread fields comes back byte for byte.
	PlanAttr::Fill plain = VectorSample();
	plain.SetAuxWord(0);
	plain.SetFillValue(0.0);
	const Bytes r = Flatten(plain);
	EXPECT_EQ(Flatten(*BuildTrusted(r)), r);
}

TEST(FillConversionTest, LongNamesAreCutWithoutSplittingCharacters) {
	PlanAttr::Fill fill = PlainSample();
	fill.SetName("abcdefghijklmnopqrstuvwxyz0123456789");
	Bytes r = Flatten(fill);
	EXPECT_EQ(std::string(r.data() + 4), "abcdefghijklmnopqrstuvwxyz01234");
	EXPECT_EQ(r[35], 0);

	std::string accents;
	for (int i = 0; i < 20; ++i)
		accents += "\xC3\xA9"; // U+00E9, two bytes each
	fill.SetName(accents.c_str());
	r = Flatten(fill);
	EXPECT_EQ(std::string(r.data() + 4), accents.substr(0, 30));
	EXPECT_EQ(BuildTrusted(r)->GetName().GetLength(), 15u);

	// A stored name that fills all 32 bytes without a terminator is read within them.
	std::memset(r.data() + 4, 'x', 32);
	std::unique_ptr<PlanAttr::Fill> built;
	ASSERT_EQ(Build(r, built), NoError);
	EXPECT_EQ(built->GetName(), Kit::UniString(std::string(32, 'x')));
}

TEST(FillConversionTest, ForgedRecordsAreRefused) {
	const Bytes vector = Flatten(VectorSample());
	const Bytes symbol = Flatten(SymbolSample());
	const Bytes plain = Flatten(PlainSample());

	struct Forgery {
		const char* what;
		const Bytes* base;
		std::function<void(Bytes&)> change;
	};
	const std::vector<Forgery> forgeries = {
	    {"length below the header", &plain, [](Bytes& b) { Put<Int32>(b, 0, 100); }},
	    {"negative length", &plain, [](Bytes& b) { Put<Int32>(b, 0, -288); }},
	    {"plain fill of 287 bytes", &plain, [](Bytes& b) { Put<Int32>(b, 0, 287); }},
	    {"unknown type", &plain, [](Bytes& b) { Put<Int16>(b, 112, 3); }},
	    {"negative type", &vector, [](Bytes& b) { Put<Int16>(b, 112, -1); }},
	    {"one line more", &vector, [](Bytes& b) { Put<Int32>(b, 124, 3); }},
	    {"one line less", &vector, [](Bytes& b) { Put<Int32>(b, 124, 1); }},
	    {"negative line count", &vector, [](Bytes& b) { Put<Int32>(b, 124, -1); }},
	    {"huge line count", &vector, [](Bytes& b) { Put<Int32>(b, 124, 0x7FFFFFFF); }},
	    {"dash count too big", &vector, [](Bytes& b) { Put<Int16>(b, 240, 4); }},
	    {"dash count too small", &vector, [](Bytes& b) { Put<Int16>(b, 240, 2); }},
	    {"negative dash count", &vector, [](Bytes& b) { Put<Int16>(b, 192, -1); }},
	    {"vector read as symbol", &vector, [](Bytes& b) { Put<Int16>(b, 112, 1); }},
	    {"symbol read as vector", &symbol, [](Bytes& b) { Put<Int16>(b, 112, 0); }},
	    {"one hotspot more", &symbol, [](Bytes& b) { Put<Int32>(b, 120, 3); }},
	    {"negative hotspots", &symbol, [](Bytes& b) { Put<Int32>(b, 120, -1); }},
	    {"huge arc count", &symbol, [](Bytes& b) { Put<Int32>(b, 128, 0x40000000); }},
	    {"one polygon more", &symbol, [](Bytes& b) { Put<Int32>(b, 132, 3); }},
	    {"negative polygons", &symbol, [](Bytes& b) { Put<Int32>(b, 132, -2); }},
	    {"huge coordinate count", &symbol, [](Bytes& b) { Put<Int32>(b, 256, 0x7FFFFFFF); }},
	    {"coordinate count below -1", &symbol, [](Bytes& b) { Put<Int32>(b, 256, -2); }},
	    {"contour ends below -1", &symbol, [](Bytes& b) { Put<Int32>(b, 260, -5); }},
	    {"negative arc items", &symbol, [](Bytes& b) { Put<Int32>(b, 264, -1); }},
	    {"second polygon too long", &symbol, [](Bytes& b) { Put<Int32>(b, 360, 2); }},
	};
	for (const Forgery& f : forgeries) {
		SCOPED_TRACE(f.what);
		Bytes forged = *f.base;
		f.change(forged);
		std::unique_ptr<PlanAttr::Fill> built;
		EXPECT_EQ(Build(forged, built), Modeler::BadFillDefinitionErr);
		EXPECT_EQ(built, nullptr);
		EXPECT_EQ(IMCheckFillRecord(forged.data(), Int64(forged.size())), Modeler::BadFillDefinitionErr);
		// The trusting builder refuses as well whenever the length field stays within the bytes.
		if (Get<Int32>(forged, 0) <= Int32(forged.size())) {
			char* result = nullptr;
			EXPECT_THROW(IMConvertFillToClass(forged.data(), &result), Kit::InternalErrorException);
			EXPECT_EQ(result, nullptr);
		}
	}

	// A length field beyond the buffer, and one more byte announced than the contents hold.
	Bytes longer = vector;
	Put<Int32>(longer, 0, Int32(vector.size()) + 8);
	std::unique_ptr<PlanAttr::Fill> built;
	EXPECT_EQ(Build(longer, built), Modeler::BadFillDefinitionErr);
	longer.resize(longer.size() + 8);
	EXPECT_EQ(Build(longer, built), Modeler::BadFillDefinitionErr);
}

TEST(FillConversionTest, TruncatedRecordsAreRefused) {
	for (const Bytes& whole : {Flatten(VectorSample()), Flatten(SymbolSample()), Flatten(PlainSample())}) {
		for (size_t n = 0; n < whole.size(); ++n) {
			Bytes cut(whole.begin(), whole.begin() + Int64(n));
			std::unique_ptr<PlanAttr::Fill> built;
			ASSERT_EQ(Build(cut, built), Modeler::BadFillDefinitionErr) << n;
			// Same with a length field that matches the cut: the counts no longer fit.
			if (n >= 4) {
				Put<Int32>(cut, 0, Int32(n));
				ASSERT_EQ(Build(cut, built), Modeler::BadFillDefinitionErr) << n;
			}
		}
		// A record lying inside a larger buffer is fine.
		Bytes padded = whole;
		padded.resize(whole.size() + 40, 'z');
		std::unique_ptr<PlanAttr::Fill> built;
		EXPECT_EQ(Build(padded, built), NoError);
	}
}

TEST(FillConversionTest, BadArgumentsAndTypesThrow) {
	PlanAttr::Fill fill = VectorSample();
	char* record = nullptr;
	EXPECT_THROW(IMConvertFillToRecord(reinterpret_cast<char*>(&fill), nullptr), Kit::IllegalArgumentException);
	EXPECT_THROW(IMConvertFillToRecord(nullptr, &record), Kit::IllegalArgumentException);
	fill.SetType(5);
	EXPECT_THROW(IMConvertFillToRecord(reinterpret_cast<char*>(&fill), &record), Kit::IllegalArgumentException);
	EXPECT_EQ(record, nullptr);

	Bytes r = Flatten(PlainSample());
	EXPECT_THROW(IMConvertFillToClass(r.data(), nullptr), Kit::IllegalArgumentException);
	EXPECT_THROW(IMConvertFillToClass(nullptr, &record), Kit::IllegalArgumentException);
	EXPECT_EQ(IMConvertFillToClass(r.data(), Int64(r.size()), nullptr), Modeler::BadFillDefinitionErr);
	EXPECT_EQ(IMConvertFillToClass(nullptr, 288, &record), Modeler::BadFillDefinitionErr);
	EXPECT_EQ(record, nullptr);
}

TEST(FillConversionTest, HostTableLengthsMatchTheRecords) {
	ARxClearAttributeTables();
	for (const PlanAttr::Fill& f : {VectorSample(), SymbolSample(), PlainSample()})
		ASSERT_GT(ARxAddFillAttr(f), 0);
	for (short i = 1; i <= ARxnumFillAttr(); ++i) {
		PlanAttr::Fill* fill = nullptr;
		Int32 length = 0;
		ASSERT_EQ(ARxgetFillAttr(i, &fill, &length), NoError);
		const Bytes r = Flatten(*fill);
		EXPECT_EQ(Int32(r.size()), length) << i;
		EXPECT_EQ(Get<Int16>(r, 36), i);
		delete fill;
	}
	ARxClearAttributeTables();
}
