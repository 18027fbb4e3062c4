// UFIL: the head of a fill in the attribute store, and its model-file form (44 bytes,
// in the byte order of the platform that wrote it). The fill's definition lies in the
// store's fill-descriptor bytes; the head names its piece by first byte and length.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

struct M3D_EXPORT UFIL {
	char name[32];      // zero-terminated within the 32 bytes
	UInt16 status;      // 0 after every add or expand
	Int16 hostFillIdx;  // the host's 2D fill this fill came from, 0 for none
	Int32 defStart;     // first byte index of the definition in the fill descriptors
	Int32 defByteCount; // byte length of the definition; 0 or less: not expanded yet
};

static_assert(std::is_trivially_copyable_v<UFIL> && std::is_standard_layout_v<UFIL>);
static_assert(sizeof(UFIL) == 44);
static_assert(offsetof(UFIL, name) == 0);
static_assert(offsetof(UFIL, status) == 32);
static_assert(offsetof(UFIL, hostFillIdx) == 34);
static_assert(offsetof(UFIL, defStart) == 36);
static_assert(offsetof(UFIL, defByteCount) == 40);
