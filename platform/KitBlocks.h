// Memory for large arrays. From LargeBlockBytes on, a block is mapped from the system
// directly, starting on a huge-page boundary and advised for huge pages: each whole
// 2 MiB of it fills with one page fault instead of 512 and takes one translation entry,
// and a freed block goes back to the system, unless it is kept for the next block of its
// size (up to 64 MiB are kept). Smaller blocks come from operator new, and so do all
// blocks in sanitizer builds, so that the sanitizers see them.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

namespace Kit {

constexpr USize LargeBlockBytes = USize{1} << 20;
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
constexpr bool MapsLargeBlocks = true;
#else
constexpr bool MapsLargeBlocks = false;
#endif
constexpr USize HugePageBytes = USize{2} << 20;

// Returns nullptr when the memory cannot be had. The contents are unspecified.
void* AllocateBlock(USize bytes) noexcept;
// 'bytes' must be the size the block was allocated with.
void FreeBlock(void* block, USize bytes) noexcept;
// As FreeBlock, but a mapped block goes back to the system at once instead of being kept
// for reuse: for memory let go so that other memory can take its place.
void ReleaseBlock(void* block, USize bytes) noexcept;
// Bytes of the mapped blocks in use now (malloc's reports do not see them); blocks kept
// for reuse are not counted.
USize GetMappedBlockBytes() noexcept;

} // namespace Kit

#pragma GCC visibility pop
