// The size header of a model file and the constants of its layout. The header is an
// array of Int32 whose length depends on the version: 13 values below 4008, 15 up to
// 4015, 17 from 4016 on.
#pragma once

#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

// The version this module writes.
constexpr Int32 MSIZE_VERSION = 4032;

struct MSIZ {
	Int32 version;
	Int32 reserved1;
	Int32 bodyCount;
	Int32 pgonCount;
	Int32 pedgCount;
	Int32 edgeCount;
	Int32 vertCount;
	Int32 vectCount;
	Int32 bextCount;  // versions 4008–4012
	Int32 lightCount; // versions above 4002
	Int32 textureCount;
	Int32 fillCount;
	Int32 materialCount;
	Int32 fideSize;  // from 4008: bytes of the fill definition block
	Int32 tranCount; // from 4008; 0 below 4014
	Int32 teveCount; // from 4016
	Int32 reserved2; // from 4016
};
static_assert(std::is_trivially_copyable_v<MSIZ> && sizeof(MSIZ) == 68);
static_assert(offsetof(MSIZ, bodyCount) == 8 && offsetof(MSIZ, lightCount) == 36 && offsetof(MSIZ, fideSize) == 52);
static_assert(offsetof(MSIZ, tranCount) == 56 && offsetof(MSIZ, teveCount) == 60);

// Bytes of the size header in files of the version.
constexpr Int32 MsizBytes(Int32 version) {
	return version < 4008 ? 52 : (version < 4016 ? 60 : 68);
}
