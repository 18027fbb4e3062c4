#include "platform/KitBlocks.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Kit {

namespace {

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
constexpr bool MapsLargeBlocks = true;
#else
constexpr bool MapsLargeBlocks = false;
#endif

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
void* MapAligned(USize bytes) {
	const USize size = MappedSize(bytes);
	void* raw = ::mmap(nullptr, size + HugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (raw == MAP_FAILED) return nullptr;
	char* const begin = static_cast<char*>(raw);
	const USize misalignment = reinterpret_cast<std::uintptr_t>(begin) % HugePageBytes;
	const USize head = misalignment == 0 ? 0 : HugePageBytes - misalignment;
	if (head > 0) ::munmap(begin, head);
	::munmap(begin + head + size, HugePageBytes - head);
	::madvise(begin + head, size, MADV_HUGEPAGE);
	mappedBytes.fetch_add(size, std::memory_order_relaxed);
	return begin + head;
}

void Unmap(void* block, USize bytes) {
	const USize size = MappedSize(bytes);
	::munmap(block, size);
	mappedBytes.fetch_sub(size, std::memory_order_relaxed);
}
#endif

} // namespace

void* AllocateBlock(USize bytes) noexcept {
	if (bytes > std::numeric_limits<USize>::max() / 2) return nullptr;
#if defined(__linux__)
	if (IsMapped(bytes)) return MapAligned(bytes);
#endif
	return ::operator new(bytes, std::nothrow);
}

void FreeBlock(void* block, USize bytes) noexcept {
	if (block == nullptr) return;
#if defined(__linux__)
	if (IsMapped(bytes)) {
		Unmap(block, bytes);
		return;
	}
#endif
	::operator delete(block);
}

USize GetMappedBlockBytes() noexcept {
	return mappedBytes.load(std::memory_order_relaxed);
}

} // namespace Kit
