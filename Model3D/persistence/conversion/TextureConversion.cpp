// Byte-order and form conversion of the texture records and texture pixels of model
// files.
#include "Model3D/persistence/conversion/TextureConversion.h"

#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"
#include "platform/ByteOrder.h"
#include "platform/KitText.h"

#include <cstring>
#include <limits>

using RecordConversion::RangeFits;
namespace Tables = RecordConversion::Tables;

namespace {

// Units of the UTF-16 name of forms 130 and current.
constexpr USize NameUnits = sizeof(RTXT::textureName) / sizeof(UniChar);
static_assert(NameUnits == sizeof(RTXT_130::textureName) / sizeof(UniChar));

// The pixel byte count at 'head', read in the byte order of 'from' whichever way the
// block is being converted.
Int32 PixelByteCount(Kit::PlatformSign from, const char* head) {
	auto count = LoadUnaligned<Int32>(head);
	IVLong(from, Kit::Native_Platform_Sign, &count);
	return count;
}

} // namespace

void IV_RTXT_700(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Rtxt700);
}

Int16 IV_RTXT_700_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Rtxt700);
}

void IV_RTXT_900(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Rtxt900);
}

Int16 IV_RTXT_900_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Rtxt900);
}

void IV_RTXT_130(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Rtxt130);
}

Int16 IV_RTXT_130_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Rtxt130);
}

void IV_RTXT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Rtxt);
}

Int16 IV_RTXT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Rtxt);
}

void IV_PICT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	for (Int32 i = 0; i < count; ++i) {
		char* head = buffer + *offset;
		const Int32 pixelBytes = PixelByteCount(from, head);
		const Int64 end = Int64{*offset} + PICTByteCountSize + Int64{pixelBytes};
		if (pixelBytes < 0 || end > std::numeric_limits<Int32>::max()) return;
		RecordConversion::SwapRecordsAt(from, to, head, 1, Tables::PictByteCount);
		*offset = static_cast<Int32>(end);
	}
}

Int16 IV_PICT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	if (const Int16 err = RecordConversion::CheckRequest(buffer, bufferSize, offset, count);
	    err != RecordConversionNoError)
		return err;
	for (Int32 i = 0; i < count; ++i) {
		const Int64 start = *offset;
		if (!RangeFits(start, 1, PICTByteCountSize, bufferSize)) return RecordConversionOverrun;
		char* head = buffer + start;
		const Int32 pixelBytes = PixelByteCount(from, head);
		if (pixelBytes < 0) return RecordConversionBadStructure;
		if (!RangeFits(start + PICTByteCountSize, 1, pixelBytes, bufferSize)) return RecordConversionOverrun;
		RecordConversion::SwapRecordsAt(from, to, head, 1, Tables::PictByteCount);
		*offset = static_cast<Int32>(start + PICTByteCountSize + pixelBytes);
	}
	return RecordConversionNoError;
}

void FCRTXT900FromRTXT700(RTXT_900* texture, const RTXT_700* old) {
	if (texture == nullptr || old == nullptr) return;
	*texture = RTXT_900{};
	texture->status = old->status;
	texture->pixelDepth = old->pixelDepth;
	texture->xSize = old->xSize;
	texture->ySize = old->ySize;
	// Through a copy, so that the bytes after the new terminator stay 0.
	char name[sizeof old->name];
	std::memcpy(name, old->name, sizeof name);
	CHpascal2c(name, sizeof name);
	CHCopyC(name, texture->name, sizeof texture->name);
	texture->pixelWidth = old->pixelWidth;
	texture->pixelHeight = old->pixelHeight;
}

void FCRTXT130FromRTXT900(RTXT_130* texture, const RTXT_900* old) {
	if (texture == nullptr || old == nullptr) return;
	*texture = RTXT_130{};
	texture->status = old->status;
	texture->pixelDepth = old->pixelDepth;
	texture->xSize = old->xSize;
	texture->ySize = old->ySize;
	CHANSI2Unicode(old->name, static_cast<Int32>(sizeof old->name), texture->textureName,
	               static_cast<Int32>(NameUnits));
	texture->pixelWidth = old->pixelWidth;
	texture->pixelHeight = old->pixelHeight;
}

void FCRTXTFromRTXT130(RTXT* texture, const RTXT_130* old) {
	if (texture == nullptr || old == nullptr) return;
	*texture = RTXT{};
	texture->status = old->status;
	texture->pixelDepth = old->pixelDepth;
	texture->xSize = old->xSize;
	texture->ySize = old->ySize;
	std::memcpy(texture->textureName, old->textureName, sizeof texture->textureName);
	texture->textureName[NameUnits - 1] = 0;
	texture->pixelWidth = old->pixelWidth;
	texture->pixelHeight = old->pixelHeight;
}
