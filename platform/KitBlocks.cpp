#include "platform/KitBlocks.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Kit {

namespace {

constexpr USize SmallPage = 4096;

std::atomic<USize> mappedBytes{0};

bool IsMapped(USize bytes) {
	return MapsLargeBlocks && bytes >= LargeBlockBytes;
}

USize MappedSize(USize bytes) {
	return (bytes + SmallPage - 1) / SmallPage * SmallPage;
}

#if defined(__linux__)
// Maps the size rounded up to whole small pages, starting on a huge-page boundary: a
// huge page more is mapped and the parts before and after the aligned range are let go.
void* MapAligned(USize size) {
	void* raw = ::mmap(nullptr, size + HugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (raw == MAP_FAILED) return nullptr;
	char* const begin = static_cast<char*>(raw);
	const USize misalignment = reinterpret_cast<std::uintptr_t>(begin) % HugePageBytes;
	const USize head = misalignment == 0 ? 0 : HugePageBytes - misalignment;
	if (head > 0) ::munmap(begin, head);
	::munmap(begin + head + size, HugePageBytes - head);
	::madvise(begin + head, size, MADV_HUGEPAGE);
	return begin + head;
}

// Freed mapped blocks kept for the next blocks of the same size: building or reading
// bodies of one size again and again then neither maps nor faults in nor zeroes their
// memory anew. At most CachedBlocksMax blocks and CachedBytesMax bytes are kept.
class BlockCache {
public:
	void* Take(USize size) {
		const std::lock_guard<std::mutex> guard(lock);
		for (USize i = 0; i < count; ++i) {
			if (blocks[i].size != size) continue;
			void* block = blocks[i].block;
			cachedBytes -= size;
			blocks[i] = blocks[--count];
			return block;
		}
		return nullptr;
	}
	bool Keep(void* block, USize size) {
		const std::lock_guard<std::mutex> guard(lock);
		if (count == CachedBlocksMax || size > CachedBytesMax - cachedBytes) return false;
		blocks[count++] = Cached{block, size};
		cachedBytes += size;
		return true;
	}

private:
	static constexpr USize CachedBlocksMax = 16;
	static constexpr USize CachedBytesMax = USize{64} << 20;
	struct Cached {
		void* block;
		USize size;
	};
	std::mutex lock;
	Cached blocks[CachedBlocksMax] = {};
	USize count = 0;
	USize cachedBytes = 0;
};

BlockCache cache;

void* Map(USize bytes) {
	const USize size = MappedSize(bytes);
	void* block = cache.Take(size);
	if (block == nullptr) block = MapAligned(size);
	if (block != nullptr) mappedBytes.fetch_add(size, std::memory_order_relaxed);
	return block;
}

void Unmap(void* block, USize bytes, bool keep) {
	const USize size = MappedSize(bytes);
	mappedBytes.fetch_sub(size, std::memory_order_relaxed);
	if (!keep || !cache.Keep(block, size)) ::munmap(block, size);
}
#endif

} // namespace

void* AllocateBlock(USize bytes) noexcept {
	if (bytes > std::numeric_limits<USize>::max() / 2) return nullptr;
#if defined(__linux__)
	if (IsMapped(bytes)) return Map(bytes);
#endif
	return ::operator new(bytes, std::nothrow);
}

namespace {

void Free(void* block, USize bytes, bool keep) noexcept {
	if (block == nullptr) return;
#if defined(__linux__)
	if (IsMapped(bytes)) {
		Unmap(block, bytes, keep);
		return;
	}
#endif
	(void)bytes;
	(void)keep;
	::operator delete(block);
}

} // namespace

void FreeBlock(void* block, USize bytes) noexcept {
	Free(block, bytes, true);
}

void ReleaseBlock(void* block, USize bytes) noexcept {
	Free(block, bytes, false);
}

USize GetMappedBlockBytes() noexcept {
	return mappedBytes.load(std::memory_order_relaxed);
}

} // namespace Kit
