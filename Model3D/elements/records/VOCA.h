// Modeler::VOCA: the header of a placed element: its GUID, the project stamp of its last
// change and the host's own bookkeeping fields. Streamed as its raw 48-byte image.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitGuid.h"
#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

namespace Modeler {

class M3D_EXPORT VOCA {
public:
	// Null GUID. The remaining fields are zeroed as well, so that the streamed image of
	// a fresh header is fully defined.
	VOCA() = default;
	VOCA(const VOCA&) = default;
	VOCA& operator=(const VOCA&) = default;

	// Zero host data, null GUID, the current project stamp.
	void SetEmpty();
	// Copies the identity and host data of src with attr0 reset to 0; the stamp is src's
	// when it has one, otherwise the current project stamp.
	void SetupFrom(const VOCA& src);

	Kit::Guid guid;
	UInt64 modiStamp = 0;
	Int32 attr0 = 0;
	Int16 attr1 = 0;
	Int16 attr2 = 0;
	Int16 attr3 = 0;
	Int16 attr4 = 0;
	Int32 attr5 = 0;
	Int32 attr6 = 0;
	Int32 filler = 0; // completes the 48-byte image; carries no data
};

// attr0, attr1 … attr4, guid, attr5, attr6 and modiStamp all equal (filler ignored).
M3D_EXPORT bool operator==(const VOCA& a, const VOCA& b);
inline bool operator!=(const VOCA& a, const VOCA& b) {
	return !(a == b);
}

static_assert(std::is_trivially_copyable_v<VOCA> && sizeof(VOCA) == 48);
static_assert(offsetof(VOCA, guid) == 0 && offsetof(VOCA, modiStamp) == 16 && offsetof(VOCA, attr0) == 24);
static_assert(offsetof(VOCA, attr1) == 28 && offsetof(VOCA, attr2) == 30 && offsetof(VOCA, attr3) == 32);
static_assert(offsetof(VOCA, attr4) == 34 && offsetof(VOCA, attr5) == 36 && offsetof(VOCA, attr6) == 40);
static_assert(offsetof(VOCA, filler) == 44);

} // namespace Modeler
