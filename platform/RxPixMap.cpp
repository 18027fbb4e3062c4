#include "platform/RxPixMap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// The handle and the header it points at live in one block: the handle is the address
// of the master pointer, the block's first member.
struct PixMapBlock {
	KitPixMap* master;
	KitPixMap header;
};

bool IsUsable(KitPixMap** pixMap) {
	return pixMap != nullptr && *pixMap != nullptr && (*pixMap)->baseAddr != nullptr &&
	       (*pixMap)->pixelType == RxPixelARGB32;
}

// The source pixels that make up one destination pixel along one axis, with weights
// that sum to 1.
struct AxisTaps {
	Int32 destination = 0; // destination index
	USize firstWeight = 0; // into AxisPlan::weights
	Int32 firstSource = 0;
	Int32 count = 0;
};

struct AxisPlan {
	std::vector<AxisTaps> taps;
	std::vector<float> weights;
	Int32 lowestSource = 0; // the source range that the taps touch
	Int32 highestSource = -1;
};

// Maps the destination interval [d0, d1) of a picture of destinationSize pixels onto
// the source interval [s0, s1) of a picture of sourceSize pixels.
AxisPlan PlanAxis(Int32 s0, Int32 s1, Int32 sourceSize, Int32 d0, Int32 d1, Int32 destinationSize) {
	AxisPlan plan;
	const double scale = double(s1 - s0) / double(d1 - d0);
	const Int32 first = std::max(d0, 0);
	const Int32 last = std::min(d1, destinationSize);
	plan.lowestSource = sourceSize;
	for (Int32 j = first; j < last; ++j) {
		const double centre = s0 + (j - d0 + 0.5) * scale;
		if (centre < 0.0 || centre >= sourceSize) continue;
		AxisTaps taps;
		taps.destination = j;
		taps.firstWeight = plan.weights.size();
		if (scale > 1.0) {
			// Area averaging: every source pixel the destination pixel covers counts by
			// the part of it that is covered.
			const double a = s0 + (j - d0) * scale;
			const double b = a + scale;
			const Int32 k0 = std::max(Int32(std::floor(a)), 0);
			const Int32 k1 = std::min(Int32(std::ceil(b)), sourceSize);
			double total = 0.0;
			for (Int32 k = k0; k < k1; ++k)
				total += std::min(b, k + 1.0) - std::max(a, double(k));
			for (Int32 k = k0; k < k1; ++k)
				plan.weights.push_back(float((std::min(b, k + 1.0) - std::max(a, double(k))) / total));
			taps.firstSource = k0;
			taps.count = k1 - k0;
		} else {
			// Bilinear: between the two source pixel centres around the sample point.
			const double x = centre - 0.5;
			const double floorX = std::floor(x);
			const double f = x - floorX;
			const Int32 k0 = Int32(floorX);
			if (k0 < 0 || k0 + 1 >= sourceSize || f == 0.0) {
				// At the picture's edge (or on a pixel centre) one pixel decides.
				taps.firstSource = std::clamp(k0, 0, sourceSize - 1);
				taps.count = 1;
				plan.weights.push_back(1.0f);
			} else {
				taps.firstSource = k0;
				taps.count = 2;
				plan.weights.push_back(float(1.0 - f));
				plan.weights.push_back(float(f));
			}
		}
		plan.lowestSource = std::min(plan.lowestSource, taps.firstSource);
		plan.highestSource = std::max(plan.highestSource, taps.firstSource + taps.count - 1);
		plan.taps.push_back(taps);
	}
	return plan;
}

UInt8 ToByte(float value) {
	const float rounded = value + 0.5f;
	if (rounded <= 0.0f) return 0;
	if (rounded >= 255.0f) return 255;
	return static_cast<UInt8>(rounded);
}

} // namespace

KitPixMap** RxCreateKitPixMap(Int32 width, Int32 height, double hRes, double vRes, UInt32 pixelType) {
	if (pixelType != RxPixelARGB32 || width < 1 || height < 1 || width > RxMaxSide || height > RxMaxSide ||
	    Int64(width) * height > RxMaxPixelCount)
		return nullptr;
	PixMapBlock* block = new (std::nothrow) PixMapBlock{};
	if (block == nullptr) return nullptr;
	const USize rowBytes = USize(width) * 4;
	char* pixels = static_cast<char*>(std::calloc(USize(height), rowBytes));
	if (pixels == nullptr) {
		delete block;
		return nullptr;
	}
	block->header = KitPixMap{pixels, Int32(rowBytes), width, height, pixelType, hRes, vRes};
	block->master = &block->header;
	return &block->master;
}

void RxDeleteKitPixMap(KitPixMap*** pixMap) {
	if (pixMap == nullptr || *pixMap == nullptr) return;
	PixMapBlock* block = reinterpret_cast<PixMapBlock*>(*pixMap);
	std::free(block->header.baseAddr);
	delete block;
	*pixMap = nullptr;
}

GSErrCode RxGetKitPixMapBounds(KitPixMap** pixMap, KitRect* bounds) {
	if (bounds == nullptr || !IsUsable(pixMap)) return RxBadPixMapErr;
	*bounds = KitRect{0, 0, Int16((*pixMap)->height), Int16((*pixMap)->width)};
	return NoError;
}

void RxSetKitPixMapResolution(KitPixMap** pixMap, double hRes, double vRes) {
	if (pixMap == nullptr || *pixMap == nullptr) return;
	(*pixMap)->hRes = hRes;
	(*pixMap)->vRes = vRes;
}

GSErrCode RxFillKitPixMap(KitPixMap** pixMap, const RxPixel& value) {
	if (!IsUsable(pixMap)) return RxBadPixMapErr;
	const KitPixMap& p = **pixMap;
	for (Int32 y = 0; y < p.height; ++y) {
		char* row = p.baseAddr + Int64(y) * p.rowBytes;
		for (Int32 x = 0; x < p.width; ++x)
			std::memcpy(row + Int64(x) * 4, &value, 4);
	}
	return NoError;
}

GSErrCode RxStretchKitPixMap(KitPixMap** source, const KitRect* sourceRect, KitPixMap** destination,
                             const KitRect* destinationRect) {
	if (!IsUsable(source) || !IsUsable(destination) || sourceRect == nullptr || destinationRect == nullptr ||
	    *source == *destination)
		return RxBadPixMapErr;
	const KitRect& sr = *sourceRect;
	const KitRect& dr = *destinationRect;
	if (sr.right <= sr.left || sr.bottom <= sr.top || dr.right <= dr.left || dr.bottom <= dr.top) return NoError;
	const KitPixMap& src = **source;
	const KitPixMap& dst = **destination;

	try {
		const AxisPlan columns = PlanAxis(sr.left, sr.right, src.width, dr.left, dr.right, dst.width);
		const AxisPlan rows = PlanAxis(sr.top, sr.bottom, src.height, dr.top, dr.bottom, dst.height);
		if (columns.taps.empty() || rows.taps.empty()) return NoError;

		// Each destination row: the weighted source rows summed into one row of the
		// columns the taps touch, then the columns filtered from it.
		const Int32 x0 = columns.lowestSource;
		const USize span = USize(columns.highestSource - x0 + 1) * 4;
		std::vector<float> sum(span);
		for (const AxisTaps& rowTaps : rows.taps) {
			std::fill(sum.begin(), sum.end(), 0.0f);
			for (Int32 t = 0; t < rowTaps.count; ++t) {
				const float w = rows.weights[rowTaps.firstWeight + USize(t)];
				const UInt8* in =
				    reinterpret_cast<const UInt8*>(src.baseAddr + Int64(rowTaps.firstSource + t) * src.rowBytes) +
				    Int64(x0) * 4;
				for (USize i = 0; i < span; ++i)
					sum[i] += w * float(in[i]);
			}
			UInt8* out = reinterpret_cast<UInt8*>(dst.baseAddr + Int64(rowTaps.destination) * dst.rowBytes);
			for (const AxisTaps& columnTaps : columns.taps) {
				float pixel[4] = {0.0f, 0.0f, 0.0f, 0.0f};
				for (Int32 t = 0; t < columnTaps.count; ++t) {
					const float w = columns.weights[columnTaps.firstWeight + USize(t)];
					const float* in = sum.data() + USize(columnTaps.firstSource + t - x0) * 4;
					for (int c = 0; c < 4; ++c)
						pixel[c] += w * in[c];
				}
				for (int c = 0; c < 4; ++c)
					out[Int64(columnTaps.destination) * 4 + c] = ToByte(pixel[c]);
			}
		}
	} catch (const std::bad_alloc&) {
		return RxNoMemoryErr;
	}
	return NoError;
}
