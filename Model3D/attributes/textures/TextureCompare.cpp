#include "Model3D/attributes/textures/TextureLoading.h"

#include "platform/BMMemory.h"
#include "platform/PFFileRef.h"

#include <algorithm>

namespace {

// The name of a texture record; a record without a terminator gives all its units.
Kit::UniString TextureName(const RTXT& texture) {
	const UniChar* begin = texture.textureName;
	const UniChar* end = std::find(begin, begin + std::size(texture.textureName), UniChar(0));
	return Kit::UniString(begin, USize(end - begin));
}

constexpr UInt16 ComparedStatusBits = 0x1FFF;

} // namespace

bool IsTexturesEqual(const RTXT& t1, const TXTA& a1, const RTXT& t2, const TXTA& a2) {
	if ((t1.status & ComparedStatusBits) != (t2.status & ComparedStatusBits) || t1.pixelDepth != t2.pixelDepth ||
	    t1.xSize != t2.xSize || t1.ySize != t2.ySize || t1.pixelWidth != t2.pixelWidth ||
	    t1.pixelHeight != t2.pixelHeight || (t1.status & RTXTResidentPixels) != (t2.status & RTXTResidentPixels) ||
	    !TextureName(t1).IsEqualNoCase(TextureName(t2)))
		return false;
	if ((t1.status & RTXTResidentPixels) != 0) {
		if (t1.pixels == nullptr || t2.pixels == nullptr) return t1.pixels == t2.pixels;
		const Int64 size = BMGetHandleSize(t1.pixels);
		return size == BMGetHandleSize(t2.pixels) && BNCompareMemory(*t1.pixels, *t2.pixels, size);
	}
	const bool sameFile = (a1.fileRef == nullptr && a2.fileRef == nullptr) ||
	                      (a1.fileRef != nullptr && a2.fileRef != nullptr && PFEqualFile(a1.fileRef, a2.fileRef));
	return sameFile && a1.pictIndex == a2.pictIndex;
}
