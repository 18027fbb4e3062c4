#include "platform/VaManager.h"

#include "platform/BMMemory.h"

#include <algorithm>
#include <cstring>
#include <limits>

const VAManager vaManager;

namespace {

// Largest item count a table may reach: the count must stay an Int32 and leave room
// for the unused item 0.
constexpr Int64 MaxItemCount = std::numeric_limits<Int32>::max() - 1;

bool IsUsable(const DESC* desc) {
	return desc != nullptr && desc->data != nullptr && desc->itemSize > 0 && desc->increment > 0 &&
	       desc->itemCount >= 0 && desc->itemCount <= desc->allocCount;
}

void ZeroItems(const DESC& desc, Int32 first, Int64 n) {
	if (n > 0) std::memset(VAManager::ItemPtr(desc, first), 0, static_cast<USize>(n * desc.itemSize));
}

} // namespace

Int16 VAManager::Reallocate(DESC* desc, Int32 newAllocCount) const {
	const Int64 bytes = (static_cast<Int64>(newAllocCount) + 1) * desc->itemSize;
	if (newAllocCount < 0 || newAllocCount > MaxItemCount || bytes > BMMaxBlockSize) return VAOutOfMemory;
	if (BMReallocHandle(desc->data, bytes, ALLOCATE_CLEAR) == nullptr) return VAOutOfMemory;
	desc->allocCount = newAllocCount;
	return 0;
}

Int16 VAManager::Init(DESC* desc, Int32 increment, Int32 itemSize) const {
	if (desc == nullptr) return VABadArgument;
	*desc = DESC{0, 0, 0, 0, nullptr};
	if (increment < 1 || itemSize < 1) return VABadArgument;
	const Int64 bytes = (static_cast<Int64>(increment) + 1) * itemSize;
	if (increment > MaxItemCount || bytes > BMMaxBlockSize) return VAOutOfMemory;
	GSHandle block = BMAllocateHandle(bytes, ALLOCATE_CLEAR);
	if (block == nullptr) return VAOutOfMemory;
	*desc = DESC{0, increment, increment, itemSize, block};
	return 0;
}

Int32 VAManager::AppendItems(DESC* desc, Int32 n) const {
	if (!IsUsable(desc) || n < 0) return VABadArgument;
	const Int64 needed = static_cast<Int64>(desc->itemCount) + n;
	if (needed > MaxItemCount) return VAOutOfMemory;
	if (needed > desc->allocCount) {
		Int64 target = std::max<Int64>(needed, static_cast<Int64>(desc->allocCount) + desc->allocCount / 2);
		target = (target + desc->increment - 1) / desc->increment * desc->increment;
		target = std::max(needed, std::min(target, MaxItemCount));
		if (Reallocate(desc, static_cast<Int32>(target)) != 0) return VAOutOfMemory;
	}
	const Int32 first = desc->itemCount + 1;
	ZeroItems(*desc, first, n);
	desc->itemCount = static_cast<Int32>(needed);
	return first;
}

Int32 VAManager::AppendItem(DESC* desc) const {
	const Int32 index = AppendItems(desc, 1);
	return index > 0 ? index : 0;
}

Int16 VAManager::Resize(DESC* desc, Int32 newCount, Int32 room) const {
	if (!IsUsable(desc) || newCount < -1 || room < 0) return VABadArgument;
	if (newCount == -1) newCount = desc->itemCount;
	const Int32 target = std::max(newCount, room);
	if (target > MaxItemCount) return VAOutOfMemory;
	if (target > desc->allocCount) {
		const Int16 status = Reallocate(desc, target);
		if (status != 0) return status;
	} else if (newCount < desc->itemCount && target < desc->allocCount) {
		Reallocate(desc, target); // shrinking; on failure the larger block stays usable
	}
	if (newCount > desc->itemCount)
		ZeroItems(*desc, desc->itemCount + 1, static_cast<Int64>(newCount) - desc->itemCount);
	desc->itemCount = newCount;
	return 0;
}

void VAManager::ReleaseUnusedMemory(DESC* desc) const {
	if (!IsUsable(desc) || desc->allocCount == desc->itemCount) return;
	Reallocate(desc, desc->itemCount); // shrinking; on failure the larger block stays
}

void VAManager::Free(DESC* desc) const {
	if (desc == nullptr) return;
	if (desc->data != nullptr) BMKillHandle(&desc->data);
	*desc = DESC{0, 0, 0, 0, nullptr};
}
