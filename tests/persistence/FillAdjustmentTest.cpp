#include "Model3D/persistence/conversion/FillAdjustment.h"

#include "Model3D/attributes/records/FillConversionRecord.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "fixtures/LegacyRecords.h"
#include "platform/BMMemory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

using Fixtures::NativeAt;
using Fixtures::RecordBytes;
using Bytes = std::vector<char>;

namespace {

constexpr Kit::PlatformSign Native = Kit::Native_Platform_Sign;

struct OldItem {
	double frequency, direction;
	float originX, originY;
	std::vector<double> dashes;
};

struct OldDef {
	std::string name;     // the text the rebuilt name must show
	UInt8 nameLengthByte; // form 455: the stored length byte (may claim more than 31)
	Int16 hostFill, flags;
	double spacing, angle;
	std::vector<OldItem> items;
	Int32 slack = 0; // bytes after the last dash
};

const char FullName1[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde"; // 31 characters
const char FullName2[] = "0123456789 0123456789 012345678";

const OldDef Defs[] = {
    {FullName1, 31, 7, 0x0102, 0.125, 0.75, {{1.5, -2.25, 0.1f, 3.0f, {}}, {7.0, 8.0, -1.0f, 2.5f, {0.5}}}},
    {"Tiles", 5, -3, 4, 2.0, -1.0, {}},
    {FullName2,
     200,
     12,
     -1,
     1e-3,
     3.5,
     {{0.25, 0.5, 1.25f, -0.3f, {0.1, 0.2, 0.3}}, {9.0, 1.0, 0.0f, 0.0f, {4.0, 5.0}}, {2.0, 3.0, 1.0f, 1.0f, {}}},
     24},
};

UInt8 PatternByte(USize def, int i) {
	return UInt8(0x30 + 16 * def + i);
}

Bytes Def455(const OldDef& d, USize index) {
	Int32 length = 66 + d.slack;
	for (const OldItem& item : d.items)
		length += 26 + 8 * Int32(item.dashes.size());
	RecordBytes b(Native);
	b.At(0).I32(length);
	b.Raw(&d.nameLengthByte, 1).Raw(d.name.data(), d.name.size()).Reserved(31 - d.name.size());
	b.At(36).I16(d.hostFill).I16(d.flags).At(40);
	for (int i = 0; i < 8; ++i) {
		const UInt8 p = PatternByte(index, i);
		b.Raw(&p, 1);
	}
	b.At(48).F64(d.spacing).F64(d.angle).At(64).I16(Int16(d.items.size()));
	for (const OldItem& item : d.items) {
		b.F64(item.frequency).F64(item.direction).F32(item.originX).F32(item.originY).I16(Int16(item.dashes.size()));
		for (const double dash : item.dashes)
			b.F64(dash);
	}
	b.Reserved(USize(d.slack)).At(USize(length));
	return b.Bytes();
}

Bytes Def510(const OldDef& d, USize index) {
	Int32 length = 80 + d.slack;
	for (const OldItem& item : d.items)
		length += 32 + 8 * Int32(item.dashes.size());
	RecordBytes b(Native);
	b.At(0).I32(length);
	Fixtures::CName(b, d.name.c_str());
	b.At(36).I16(d.hostFill).I16(d.flags).I32(0x5A5A5A5A).I16(-77).I16(9).At(48);
	for (int i = 0; i < 8; ++i) {
		const UInt8 p = PatternByte(index, i);
		b.Raw(&p, 1);
	}
	b.At(56).F64(d.spacing).F64(d.angle).At(72).I16(Int16(d.items.size())).Reserved(6);
	for (const OldItem& item : d.items) {
		b.F64(item.frequency).F64(item.direction).F32(item.originX).F32(item.originY).I16(Int16(item.dashes.size()));
		b.Reserved(6);
		for (const double dash : item.dashes)
			b.F64(dash);
	}
	b.Reserved(USize(d.slack)).At(USize(length));
	return b.Bytes();
}

struct Form {
	const char* what;
	Bytes (*make)(const OldDef&, USize);
	Int16 (*adjust)(Int32, UFIL*, UInt32*, char**);
	Int32 headerSize, itemSize, countAt, dashCountAt; // of the old form
	Int32 growthPerDef, growthPerItem;                // rebuilt minus old, without slack
};

const Form Forms[] = {
    {"455", Def455, FCAdjustFill455, 66, 26, 64, 24, 86, 22},
    {"510", Def510, FCAdjustFill510, 80, 32, 72, 24, 72, 16},
};

// An old block of all sample definitions and where each starts (0-based).
struct OldBlock {
	Bytes bytes;
	std::vector<Int32> starts;
	std::vector<Int32> lengths;
};

OldBlock MakeOldBlock(const Form& form) {
	OldBlock block;
	for (USize i = 0; i < std::size(Defs); ++i) {
		const Bytes def = form.make(Defs[i], i);
		block.starts.push_back(Int32(block.bytes.size()));
		block.lengths.push_back(Int32(def.size()));
		block.bytes.insert(block.bytes.end(), def.begin(), def.end());
	}
	return block;
}

// Heads naming the definitions by index; -1 names none (length 0, a stale offset).
std::vector<UFIL> Heads(const OldBlock& block, const std::vector<int>& refs) {
	std::vector<UFIL> heads;
	for (const int r : refs) {
		UFIL u{};
		std::snprintf(u.name, sizeof u.name, "fill %d", r);
		u.hostFillIdx = Int16(r + 40);
		u.defStart = r < 0 ? 17 : block.starts[USize(r)] + 1;
		u.defByteCount = r < 0 ? 0 : block.lengths[USize(r)];
		heads.push_back(u);
	}
	return heads;
}

char* PtrBlock(const Bytes& bytes) {
	char* p = BMAllocatePtr(Int64(bytes.size()));
	if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
	return p;
}

// Checks the rebuilt definition 'rec' (its bytes) against the old one.
void ExpectRebuilt(const Bytes& rec, const OldDef& d, USize index, const Form& form) {
	ASSERT_EQ(IMCheckFillRecord(rec.data(), Int64(rec.size())), NoError);
	Int32 oldLength = form.headerSize;
	for (const OldItem& item : d.items)
		oldLength += form.itemSize + 8 * Int32(item.dashes.size());
	EXPECT_EQ(Int32(rec.size()) - oldLength, form.growthPerDef + form.growthPerItem * Int32(d.items.size()));

	EXPECT_EQ(NativeAt<Int32>(rec, 0), Int32(rec.size()));
	EXPECT_EQ(std::string(rec.data() + 4), d.name);
	for (USize i = 4 + d.name.size(); i < 36; ++i)
		EXPECT_EQ(rec[i], 0) << "name byte " << i;
	EXPECT_EQ(NativeAt<Int16>(rec, 36), d.hostFill);
	EXPECT_EQ(NativeAt<Int16>(rec, 38), d.flags);
	EXPECT_EQ(NativeAt<Int32>(rec, 40), 0);
	EXPECT_EQ(NativeAt<Int16>(rec, 44), 0);
	EXPECT_EQ(NativeAt<Int16>(rec, 46), 3);
	for (int i = 0; i < 8; ++i)
		EXPECT_EQ(UInt8(rec[USize(48 + i)]), PatternByte(index, i));
	EXPECT_EQ(NativeAt<double>(rec, 56), d.spacing);
	EXPECT_EQ(NativeAt<double>(rec, 64), d.spacing);
	EXPECT_EQ(NativeAt<double>(rec, 72), d.angle);
	for (USize at = 80; at < 112; at += 8)
		EXPECT_EQ(NativeAt<double>(rec, at), 0.0);
	EXPECT_EQ(NativeAt<Int16>(rec, 112), 0); // vector fill
	EXPECT_EQ(NativeAt<Int32>(rec, 120), 0);
	EXPECT_EQ(NativeAt<Int32>(rec, 124), Int32(d.items.size()));
	EXPECT_EQ(NativeAt<Int32>(rec, 128), 0);
	EXPECT_EQ(NativeAt<Int32>(rec, 132), 0);

	USize at = 152;
	for (const OldItem& item : d.items) {
		const double values[] = {item.frequency, item.direction, 0.0, double(item.originX), double(item.originY)};
		for (int v = 0; v < 5; ++v)
			EXPECT_EQ(NativeAt<double>(rec, at + USize(8 * v)), values[v]) << "value " << v;
		EXPECT_EQ(NativeAt<Int16>(rec, at + 40), Int16(item.dashes.size()));
		at += 48;
		for (const double dash : item.dashes) {
			EXPECT_EQ(NativeAt<double>(rec, at), dash);
			at += 8;
		}
	}
	EXPECT_EQ(at, rec.size());
}

} // namespace

TEST(FillAdjustment, RebuildsEveryNamedDefinitionInTheCurrentForm) {
	// Heads name the definitions in another order than the block's; two share one,
	// one has no definition, and definition 1 is named by nobody in the second list.
	const std::vector<std::vector<int>> headLists = {{2, 0, 1}, {0, -1, 2, 0}, {}, {-1}};
	for (const Form& form : Forms) {
		for (const auto& refs : headLists) {
			SCOPED_TRACE(std::string(form.what) + ", " + std::to_string(refs.size()) + " heads");
			const OldBlock old = MakeOldBlock(form);
			std::vector<UFIL> heads = Heads(old, refs);
			const std::vector<UFIL> before = heads;
			UInt32 size = UInt32(old.bytes.size());
			char* block = PtrBlock(old.bytes);
			ASSERT_EQ(form.adjust(Int32(heads.size()), heads.data(), &size, &block), 0);

			// The new block is a well-formed current block, walked end to end.
			ASSERT_EQ(BMGetPtrSize(block), Int64(size));
			Int32 walked = 0;
			EXPECT_EQ(FCSwapFillDef(Native, block, &walked, Int32(size), 4032, Native), 0);
			EXPECT_EQ(walked, Int32(size));

			// Each head names its rebuilt definition; sharing is kept, and the distinct
			// definitions add up to the block.
			const Bytes rebuilt(block, block + size);
			std::set<Int32> distinctStarts;
			Int64 distinctBytes = 0;
			for (USize i = 0; i < heads.size(); ++i) {
				SCOPED_TRACE("head " + std::to_string(i));
				EXPECT_EQ(std::memcmp(heads[i].name, before[i].name, 32), 0);
				EXPECT_EQ(heads[i].hostFillIdx, before[i].hostFillIdx);
				if (refs[i] < 0) {
					EXPECT_EQ(heads[i].defStart, 0);
					EXPECT_EQ(heads[i].defByteCount, 0);
					continue;
				}
				for (USize j = 0; j < i; ++j) {
					if (refs[j] < 0) continue;
					EXPECT_EQ(refs[j] == refs[i], heads[j].defStart == heads[i].defStart) << "head " << j;
				}
				ASSERT_GE(heads[i].defStart, 1);
				ASSERT_LE(Int64(heads[i].defStart) - 1 + heads[i].defByteCount, Int64(size));
				const auto first = rebuilt.begin() + heads[i].defStart - 1;
				ExpectRebuilt(Bytes(first, first + heads[i].defByteCount), Defs[USize(refs[i])], USize(refs[i]), form);
				if (distinctStarts.insert(heads[i].defStart).second) distinctBytes += heads[i].defByteCount;
			}
			EXPECT_EQ(distinctBytes, Int64(size));
			BMKillPtr(&block);
		}
	}
}

TEST(FillAdjustment, RefusesDamageAndChangesNothing) {
	using Mutate = std::function<void(Bytes&, std::vector<UFIL>&, UInt32&, const OldBlock&, const Form&)>;
	// Writes 'value' at 'at' of definition 'def' of the block.
	const auto poke = [](Bytes& bytes, const OldBlock& old, USize def, Int32 at, auto value) {
		std::memcpy(bytes.data() + old.starts[def] + at, &value, sizeof value);
	};
	struct Damage {
		const char* what;
		Mutate mutate;
	};
	const Damage damages[] = {
	    {"length too short for the items",
	     [&](Bytes& b, auto& h, auto&, const OldBlock& o, const Form& f) {
		     // Room for one of its two items; the head agrees with the definition.
		     poke(b, o, 0, 0, Int32(f.headerSize + f.itemSize));
		     h[0].defByteCount = f.headerSize + f.itemSize;
	     }},
	    {"length below the header",
	     [&](Bytes& b, auto&, auto&, const OldBlock& o, const Form&) { poke(b, o, 1, 0, Int32(8)); }},
	    {"negative item count",
	     [&](Bytes& b, auto&, auto&, const OldBlock& o, const Form& f) { poke(b, o, 1, f.countAt, Int16(-1)); }},
	    {"item count past the definition",
	     [&](Bytes& b, auto&, auto&, const OldBlock& o, const Form& f) { poke(b, o, 0, f.countAt, Int16(3)); }},
	    {"dash count past the definition",
	     [&](Bytes& b, auto&, auto&, const OldBlock& o, const Form& f) {
		     poke(b, o, 0, f.headerSize + f.itemSize + f.dashCountAt, Int16(2));
	     }},
	    {"dash count past the slack",
	     [&](Bytes& b, auto&, auto&, const OldBlock& o, const Form& f) {
		     poke(b, o, 2, f.headerSize + 2 * f.itemSize + 40 + f.dashCountAt, Int16(4));
	     }},
	    {"negative dash count", [&](Bytes& b, auto&, auto&, const OldBlock& o,
	                                const Form& f) { poke(b, o, 2, f.headerSize + f.dashCountAt, Int16(-2)); }},
	    {"head offset past the block",
	     [](Bytes& b, auto& h, auto&, auto&, auto&) { h[0].defStart = Int32(b.size()) + 1; }},
	    {"head range past the block",
	     [](Bytes& b, auto& h, auto&, auto&, auto&) { h[2].defByteCount = Int32(b.size()); }},
	    {"head offset 0", [](auto&, auto& h, auto&, auto&, auto&) { h[1].defStart = 0; }},
	    {"head offset inside a definition", [](auto&, auto& h, auto&, auto&, auto&) { h[1].defStart += 4; }},
	    {"head length other than the definition's",
	     [](auto&, auto& h, auto&, auto&, auto&) { h[2].defByteCount -= 8; }},
	    {"negative head length", [](auto&, auto& h, auto&, auto&, auto&) { h[2].defByteCount = -1; }},
	    {"size past the block's memory", [](auto&, auto&, UInt32& s, auto&, auto&) { s += 1; }},
	    {"size cutting the last definition", [](auto&, auto&, UInt32& s, auto&, auto&) { s -= 1; }},
	};
	for (const Form& form : Forms) {
		for (const Damage& damage : damages) {
			SCOPED_TRACE(std::string(form.what) + ": " + damage.what);
			const OldBlock old = MakeOldBlock(form);
			Bytes bytes = old.bytes;
			std::vector<UFIL> heads = Heads(old, {0, 1, 2});
			UInt32 size = UInt32(bytes.size());
			damage.mutate(bytes, heads, size, old, form);

			char* block = PtrBlock(bytes);
			char* const blockBefore = block;
			const std::vector<UFIL> headsBefore = heads;
			const UInt32 sizeBefore = size;
			EXPECT_EQ(form.adjust(Int32(heads.size()), heads.data(), &size, &block), -1111);
			EXPECT_EQ(block, blockBefore);
			EXPECT_EQ(Bytes(block, block + bytes.size()), bytes);
			EXPECT_EQ(size, sizeBefore);
			EXPECT_EQ(std::memcmp(heads.data(), headsBefore.data(), heads.size() * sizeof(UFIL)), 0);
			BMKillPtr(&block);
		}

		// Bad arguments: −1, nothing changed.
		const OldBlock old = MakeOldBlock(form);
		std::vector<UFIL> heads = Heads(old, {0});
		UInt32 size = UInt32(old.bytes.size());
		char* block = PtrBlock(old.bytes);
		char* const blockBefore = block;
		EXPECT_EQ(form.adjust(1, heads.data(), nullptr, &block), -1);
		EXPECT_EQ(form.adjust(1, heads.data(), &size, nullptr), -1);
		EXPECT_EQ(form.adjust(1, nullptr, &size, &block), -1);
		EXPECT_EQ(form.adjust(-1, heads.data(), &size, &block), -1);
		EXPECT_EQ(block, blockBefore);
		EXPECT_EQ(size, UInt32(old.bytes.size()));
		EXPECT_EQ(heads[0].defStart, 1);
		BMKillPtr(&block);

		// An empty block with no heads is an empty block.
		char* empty = nullptr;
		UInt32 zero = 0;
		EXPECT_EQ(form.adjust(0, nullptr, &zero, &empty), 0);
		EXPECT_EQ(zero, 0u);
		EXPECT_NE(empty, nullptr);
		BMKillPtr(&empty);
	}
}
