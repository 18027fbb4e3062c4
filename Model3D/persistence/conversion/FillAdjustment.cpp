// Rebuilding old fill definition blocks in the current form. A plan is made first (which
// definitions the heads name, where each goes, how big it becomes) while checking
// everything; only a complete plan allocates and writes.
#include "Model3D/persistence/conversion/FillAdjustment.h"

#include "Model3D/attributes/records/FillConversionRecord.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/KitText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

using Modeler::FillDefHeader;
using Modeler::FillDefVectorLine;
using RecordConversion::RangeFits;

constexpr Int64 Int32Max = std::numeric_limits<Int32>::max();

// What differs between the two old forms.
struct Form455 {
	using Header = FillDef455Header;
	using Item = FillDef455Item;
	static Int16 CheckBlock(char* block, Int32 size) {
		Int32 offset = 0;
		return FCSwapFillDef455(Kit::Native_Platform_Sign, block, &offset, size, Kit::Native_Platform_Sign);
	}
	// The length-prefixed name as zero-terminated text in 'out' (32 bytes, zeroed).
	static void CopyName(const Header& header, char* out) {
		char name[sizeof header.name];
		std::memcpy(name, header.name, sizeof name);
		CHpascal2c(name, sizeof name);
		std::memcpy(out, name, strnlen(name, sizeof name - 1));
	}
};

struct Form510 {
	using Header = FillDef510Header;
	using Item = FillDef510Item;
	static Int16 CheckBlock(char* block, Int32 size) {
		Int32 offset = 0;
		return FCSwapFillDef510(Kit::Native_Platform_Sign, block, &offset, size, Kit::Native_Platform_Sign);
	}
	static void CopyName(const Header& header, char* out) {
		std::memcpy(out, header.name, strnlen(header.name, sizeof header.name - 1));
	}
};

// Calls visit(item, dashes) for each line item of the old definition of 'length' bytes at
// 'def', where 'dashes' points at the item's dash lengths. False when the header or an
// item does not fit, or a count is negative.
template <typename Form, typename Visit> bool ForEachOldItem(const char* def, Int64 length, Visit&& visit) {
	using Header = typename Form::Header;
	using Item = typename Form::Item;
	if (!RangeFits(0, 1, sizeof(Header), length)) return false;
	const Int16 itemCount = LoadUnaligned<Header>(def).itemCount;
	if (itemCount < 0) return false;
	Int64 at = sizeof(Header);
	for (Int16 i = 0; i < itemCount; ++i) {
		if (!RangeFits(at, 1, sizeof(Item), length)) return false;
		const auto item = LoadUnaligned<Item>(def + at);
		at += Int64(sizeof(Item));
		if (item.dashCount < 0 || !RangeFits(at, item.dashCount, sizeof(double), length)) return false;
		visit(item, def + at);
		at += Int64{item.dashCount} * Int64(sizeof(double));
	}
	return true;
}

// Size of the definition in the current form; -1 when the old one is malformed.
template <typename Form> Int64 RebuiltSize(const char* def, Int64 length) {
	Int64 size = sizeof(FillDefHeader);
	const bool ok = ForEachOldItem<Form>(def, length, [&size](const typename Form::Item& item, const char*) {
		size += Int64(sizeof(FillDefVectorLine)) + Int64{item.dashCount} * Int64(sizeof(double));
	});
	return ok ? size : -1;
}

// Writes the current form of the old definition at 'def' (already checked) to 'out'.
template <typename Form> void WriteRebuilt(const char* def, Int64 length, Int32 newLength, char* out) {
	const auto old = LoadUnaligned<typename Form::Header>(def);
	FillDefHeader header{};
	header.byteCount = newLength;
	Form::CopyName(old, header.name);
	header.hostFillIdx = old.hostFillIdx;
	header.flags = old.flags;
	header.auxWord = 3;
	static_assert(sizeof header.pattern == sizeof old.pattern);
	std::memcpy(&header.pattern, old.pattern, sizeof old.pattern);
	header.xSpacingFactor = old.spacingFactor;
	header.ySpacingFactor = old.spacingFactor;
	header.angle = old.angle;
	header.fillType = Modeler::VectorFillDefType;
	header.lineCount = old.itemCount;
	StoreUnaligned(out, header);

	char* at = out + sizeof(FillDefHeader);
	ForEachOldItem<Form>(def, length, [&at](const typename Form::Item& item, const char* dashes) {
		FillDefVectorLine line{};
		line.values[0] = item.frequency;
		line.values[1] = item.direction;
		line.values[3] = double(item.originX);
		line.values[4] = double(item.originY);
		line.dashCount = item.dashCount;
		StoreUnaligned(at, line);
		at += sizeof(FillDefVectorLine);
		const USize dashBytes = USize(item.dashCount) * sizeof(double);
		std::memcpy(at, dashes, dashBytes);
		at += dashBytes;
	});
}

// One definition of the old block that a head names.
struct Target {
	Int64 oldStart;  // 0-based
	Int32 oldLength; // its own length word, equal to the heads' length
	Int32 newStart;  // 0-based, in the new block
	Int32 newLength;
};

struct Plan {
	std::vector<Target> targets;     // in the order of the new block
	std::vector<Int32> targetOfFill; // per head: index into targets, -1 for none
	Int64 newSize = 0;
};

// Starts of the definitions of a checked block, in ascending order.
std::vector<Int64> DefinitionStarts(const char* block, Int64 size) {
	std::vector<Int64> starts;
	for (Int64 at = 0; at < size; at += LoadUnaligned<Int32>(block + at))
		starts.push_back(at);
	return starts;
}

// Checks every head against the block and plans the new block; false on any fault.
template <typename Form>
bool MakePlan(Int32 fillCount, const UFIL* fills, const char* block, Int64 blockSize, Plan* plan) {
	const std::vector<Int64> starts = DefinitionStarts(block, blockSize);
	std::vector<Int32> targetOfStart(starts.size(), -1);
	plan->targetOfFill.assign(USize(fillCount), -1);
	for (Int32 i = 0; i < fillCount; ++i) {
		const Int64 offset = fills[i].defStart;
		const Int64 length = fills[i].defByteCount;
		if (length < 0) return false;
		if (length == 0) continue;
		if (offset < 1 || !RangeFits(offset - 1, 1, length, blockSize)) return false;
		const auto found = std::lower_bound(starts.begin(), starts.end(), offset - 1);
		if (found == starts.end() || *found != offset - 1) return false;
		if (LoadUnaligned<Int32>(block + *found) != length) return false;

		Int32& target = targetOfStart[USize(found - starts.begin())];
		if (target < 0) {
			const Int64 newLength = RebuiltSize<Form>(block + *found, length);
			if (newLength < 0 || newLength > Int32Max - plan->newSize) return false;
			target = Int32(plan->targets.size());
			plan->targets.push_back({*found, Int32(length), Int32(plan->newSize), Int32(newLength)});
			plan->newSize += newLength;
		}
		plan->targetOfFill[USize(i)] = target;
	}
	return true;
}

template <typename Form> Int16 AdjustFill(Int32 fillCount, UFIL* fills, UInt32* fideSize, char** block) {
	if (fideSize == nullptr || block == nullptr || fillCount < 0 || (fillCount > 0 && fills == nullptr))
		return RecordConversionBadStructure;
	const Int64 oldSize = *fideSize;
	if (oldSize > Int32Max || oldSize > BMGetPtrSize(*block)) return RecordConversionBadFillDefinition;
	if (oldSize > 0 && Form::CheckBlock(*block, Int32(oldSize)) != RecordConversionNoError)
		return RecordConversionBadFillDefinition;

	Plan plan;
	try {
		if (!MakePlan<Form>(fillCount, fills, *block, oldSize, &plan)) return RecordConversionBadFillDefinition;
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException("FCAdjustFill: no memory for the plan", __FILE__, __LINE__);
	}
	char* rebuilt = BMAllocatePtr(plan.newSize, ALLOCATE_CLEAR);
	if (rebuilt == nullptr)
		throw Kit::OutOfMemoryException("FCAdjustFill: no memory for the new fill definitions", __FILE__, __LINE__);

	for (const Target& t : plan.targets)
		WriteRebuilt<Form>(*block + t.oldStart, t.oldLength, t.newLength, rebuilt + t.newStart);
	for (Int32 i = 0; i < fillCount; ++i) {
		const Int32 target = plan.targetOfFill[USize(i)];
		fills[i].defStart = target < 0 ? 0 : plan.targets[USize(target)].newStart + 1;
		fills[i].defByteCount = target < 0 ? 0 : plan.targets[USize(target)].newLength;
	}
	BMKillPtr(block);
	*block = rebuilt;
	*fideSize = UInt32(plan.newSize);
	return RecordConversionNoError;
}

} // namespace

Int16 FCAdjustFill455(Int32 fillCount, UFIL* fills, UInt32* fideSize, char** block) {
	return AdjustFill<Form455>(fillCount, fills, fideSize, block);
}

Int16 FCAdjustFill510(Int32 fillCount, UFIL* fills, UInt32* fideSize, char** block) {
	return AdjustFill<Form510>(fillCount, fills, fideSize, block);
}
