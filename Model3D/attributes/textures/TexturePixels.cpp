#include "Model3D/attributes/textures/TextureLoading.h"

#include "platform/BMMemory.h"
#include "platform/KitException.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr const char* SourceName = "Model3D/TextureLoading";

Int16 ToInt16(Int32 value) {
	return static_cast<Int16>(
	    std::clamp<Int32>(value, std::numeric_limits<Int16>::min(), std::numeric_limits<Int16>::max()));
}

// Half of a length difference, truncated, within what a rectangle side can move.
Int32 HalfOf(double difference) {
	const double half = std::trunc(difference * 0.5);
	return static_cast<Int32>(std::clamp(half, -65536.0, 65536.0));
}

struct PixMapOwner {
	KitPixMap** p = nullptr;
	~PixMapOwner() { RxDeleteKitPixMap(&p); }
};

// The picture fitted to the texture's aspect, in a new picture of exactly
// pixelWidth x pixelHeight; null when the fitted size differs or drawing fails.
KitPixMap** FitToAspect(KitPixMap** picture, KitRect bounds, double xSize, double ySize, UInt16 status,
                        Int32 pixelWidth, Int32 pixelHeight, Int16* side, Int16* margin) {
	*side = StretchTextureBounds(static_cast<Int16>((status >> 1) & 3), xSize, ySize, margin, &bounds);
	if (Int32(bounds.right) - bounds.left != pixelWidth || Int32(bounds.bottom) - bounds.top != pixelHeight)
		return nullptr;
	PixMapOwner fitted{RxCreateKitPixMap(pixelWidth, pixelHeight, 72.0, 72.0, RxPixelARGB32)};
	if (fitted.p == nullptr || RxFillKitPixMap(fitted.p, RxPixel{255, 255, 255, 255}) != NoError) return nullptr;
	const KitRect whole{0, 0, Int16(pixelHeight), Int16(pixelWidth)};
	if (RxStretchKitPixMap(picture, &bounds, fitted.p, &whole) != NoError) return nullptr;
	KitPixMap** result = fitted.p;
	fitted.p = nullptr;
	return result;
}

bool EveryFirstByteIsZero(const char* pixels, Int64 pixelCount) {
	for (Int64 i = 0; i < pixelCount; ++i)
		if (pixels[i * 4] != 0) return false;
	return true;
}

// Marks the picture's own pixels (0xFF) and the margins added around it (0) in the first
// byte. Both margins are 'margin' pixels wide.
void MarkMargins(char* pixels, Int32 width, Int32 height, Int16 side, Int16 margin) {
	if (side != TextureRowsAdded && side != TextureColumnsAdded) return;
	for (Int32 y = 0; y < height; ++y) {
		for (Int32 x = 0; x < width; ++x) {
			const Int32 i = side == TextureRowsAdded ? y : x;
			const Int32 n = side == TextureRowsAdded ? height : width;
			const bool inside = i >= margin && i < n - margin;
			pixels[(Int64(y) * width + x) * 4] = inside ? char(0xFF) : char(0);
		}
	}
}

} // namespace

Int16 StretchTextureBounds(Int16 mode, double xSize, double ySize, Int16* margin, KitRect* bounds) {
	if (mode < 1 || mode > 3 || margin == nullptr || bounds == nullptr || !std::isfinite(xSize) ||
	    !std::isfinite(ySize) || xSize <= 0.0 || ySize <= 0.0)
		return TextureSidesKept;
	const Int16 h = static_cast<Int16>(bounds->bottom - bounds->top);
	const Int16 w = static_cast<Int16>(bounds->right - bounds->left);
	const bool tall = !(h / ySize < w / xSize);
	Int32 d = 0;
	Int16 side = TextureSidesKept;
	KitRect& b = *bounds;
	if (mode == 1) {
		if (tall) {
			d = HalfOf(h / ySize * xSize - w);
			b.right = ToInt16(b.right + d);
			b.left = ToInt16(b.left - d);
			side = TextureColumnsAdded;
		} else {
			d = HalfOf(w / xSize * ySize - h);
			b.bottom = ToInt16(b.bottom + d);
			b.top = ToInt16(b.top - d);
			side = TextureRowsAdded;
		}
	} else if (tall) {
		d = HalfOf(h - w / xSize * ySize);
		b.top = ToInt16(b.top + d);
		b.bottom = ToInt16(b.bottom - d);
		side = TextureRowsCropped;
	} else {
		d = HalfOf(w - h / ySize * xSize);
		b.left = ToInt16(b.left + d);
		b.right = ToInt16(b.right - d);
		side = TextureColumnsCropped;
	}
	*margin = ToInt16(d);
	return side;
}

GSHandle PixMap2TexturePixels(KitPixMap** picture, double xSize, double ySize, Int16 depth, Int32 pixelWidth,
                              Int32 pixelHeight, UInt16* status, bool fitAspect) {
	KitRect bounds;
	if (status == nullptr || depth != 32 || RxGetKitPixMapBounds(picture, &bounds) != NoError) return nullptr;
	Int16 side = TextureSidesKept;
	Int16 margin = 0;
	PixMapOwner fitted;
	KitPixMap** work = picture;
	if (fitAspect) {
		fitted.p = FitToAspect(picture, bounds, xSize, ySize, *status, pixelWidth, pixelHeight, &side, &margin);
		if (fitted.p == nullptr) return nullptr;
		work = fitted.p;
	} else if (Int32(bounds.right) != pixelWidth || Int32(bounds.bottom) != pixelHeight) {
		return nullptr;
	}

	const Int64 rowBytes = Int64(pixelWidth) * 4;
	GSHandle pixels = BMAllocateHandle(rowBytes * pixelHeight);
	if (pixels == nullptr) return nullptr;
	for (Int32 y = 0; y < pixelHeight; ++y)
		std::memcpy(*pixels + y * rowBytes, (*work)->baseAddr + Int64(y) * (*work)->rowBytes, USize(rowBytes));

	if ((*status & RTXTMaskRequested) != 0) {
		// A picture with something in its first bytes keeps them as its mask.
		if (!EveryFirstByteIsZero(*pixels, Int64(pixelWidth) * pixelHeight)) return pixels;
		*status = static_cast<UInt16>(*status & ~RTXTMaskRequested);
	}
	MarkMargins(*pixels, pixelWidth, pixelHeight, side, margin);
	return pixels;
}

void IMCreateSummedAreaTableFromPixmap(GSHandle pixels, UInt32 width, UInt32 height, Int32* table) {
	if (table == nullptr || pixels == nullptr || *pixels == nullptr)
		throw Kit::IllegalArgumentException("IMCreateSummedAreaTableFromPixmap: no table or pixels", SourceName,
		                                    __LINE__);
	if (BMGetHandleSize(pixels) < Int64(width) * height * 4)
		throw Kit::IllegalArgumentException("IMCreateSummedAreaTableFromPixmap: too few pixels", SourceName, __LINE__);
	// S(x, y) = S(x, y - 1) + (the row's sum up to x): the usual recurrence, in unsigned
	// arithmetic so that wrapping is defined. Signed and unsigned 32-bit integers may
	// alias each other.
	const UInt8* p = reinterpret_cast<const UInt8*>(*pixels);
	UInt32* cells = reinterpret_cast<UInt32*>(table);
	const USize rowCells = USize(width) * 4;
	for (UInt32 y = 0; y < height; ++y) {
		UInt32 rowSum[4] = {0, 0, 0, 0};
		const UInt8* in = p + y * rowCells;
		UInt32* out = cells + y * rowCells;
		const UInt32* above = y > 0 ? out - rowCells : nullptr;
		for (USize i = 0; i < rowCells; i += 4) {
			for (USize c = 0; c < 4; ++c) {
				rowSum[c] += in[i + c];
				out[i + c] = rowSum[c] + (above != nullptr ? above[i + c] : 0u);
			}
		}
	}
}
