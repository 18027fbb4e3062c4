// Byte-order and form conversion of the fill heads and materials of model files.
#include "Model3D/persistence/conversion/AttributeConversion.h"

#include "Model3D/attributes/records/UFIL.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/RecordConversionLayout.h"
#include "platform/ByteOrder.h"

#include <cstring>

static_assert(sizeof(UFIL) == UFIL_Size);

namespace {

using RecordConversion::SwapField;

void SwapShort(Kit::PlatformSign from, Kit::PlatformSign to, char* p) {
	SwapField<Int16>(from, to, p, IVShort);
}

void SwapShorts(Kit::PlatformSign from, Kit::PlatformSign to, char* p, Int32 n) {
	for (Int32 i = 0; i < n; ++i)
		SwapShort(from, to, p + 2 * std::ptrdiff_t{i});
}

void SwapLong(Kit::PlatformSign from, Kit::PlatformSign to, char* p) {
	SwapField<Int32>(from, to, p, IVLong);
}

void SwapFloat(Kit::PlatformSign from, Kit::PlatformSign to, char* p) {
	SwapField<float>(from, to, p, IVFloat);
}

void SwapColor(Kit::PlatformSign from, Kit::PlatformSign to, char* p) {
	Kit::RGBColor color;
	std::memcpy(&color, p, sizeof color);
	IVKit_RGBColor(from, to, &color);
	std::memcpy(p, &color, sizeof color);
}

// A zero-terminated 8-bit text in a field of 'size' bytes; the conversion stops at the
// field's end even when the terminator is missing.
void SwapCText(Kit::PlatformSign from, Kit::PlatformSign to, char* p, USize size) {
	IVChars(from, to, strnlen(p, size), p);
}

// The 70 bytes that forms 455 and current share: name, type, colours and coefficients,
// emission attenuation, host material index and fill reference.
void SwapUmat455Part(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	SwapCText(from, to, record, 32);
	SwapShort(from, to, record + 32);
	SwapColor(from, to, record + 34);
	SwapShorts(from, to, record + 40, 6);
	SwapColor(from, to, record + 52);
	SwapColor(from, to, record + 58);
	SwapShorts(from, to, record + 64, 3);
}

template <typename T> T ReadAt(const char* p) {
	T value;
	std::memcpy(&value, p, sizeof value);
	return value;
}

template <typename T> void WriteAt(char* p, T value) {
	std::memcpy(p, &value, sizeof value);
}

// Walks 'count' fixed-size records and converts each with 'swap' when the byte orders
// differ; the offset always moves past them.
template <typename Swap>
void SwapFixedRecords(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32* offset, Int32 count,
                      Int32 recordSize, Swap swap) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	if (Kit::NeedsSwap(from, to)) {
		char* record = buffer + *offset;
		for (Int32 r = 0; r < count; ++r, record += recordSize)
			swap(from, to, record);
	}
	*offset = static_cast<Int32>(Int64{*offset} + Int64{count} * Int64{recordSize});
}

void SwapUfil(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	SwapCText(from, to, record, 32);
	SwapField<UInt16>(from, to, record + 32, IVSTATW);
	SwapShort(from, to, record + 34);
	SwapLong(from, to, record + 36);
	SwapLong(from, to, record + 40);
}

void SwapUmat41(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	SwapShort(from, to, record);
	SwapShort(from, to, record + 2);
	SwapColor(from, to, record + 4);
	SwapShorts(from, to, record + 10, 6);
	SwapColor(from, to, record + 22);
	SwapColor(from, to, record + 28);
	SwapShort(from, to, record + 34);
}

} // namespace

void IV_UFIL(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	SwapFixedRecords(from, to, buffer, offset, count, UFIL_Size, SwapUfil);
}

Int16 IV_UFIL_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	const Int16 err = RecordConversion::CheckRecordRange(buffer, bufferSize, offset, count, UFIL_Size);
	if (err == RecordConversionNoError) IV_UFIL(from, buffer, offset, count, to);
	return err;
}

void IV_UMAT_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	SwapFixedRecords(from, to, buffer, offset, count, UMAT_41_Size, SwapUmat41);
}

Int16 IV_UMAT_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	const Int16 err = RecordConversion::CheckRecordRange(buffer, bufferSize, offset, count, UMAT_41_Size);
	if (err == RecordConversionNoError) IV_UMAT_41(from, buffer, offset, count, to);
	return err;
}

void IV_UMAT_455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	SwapFixedRecords(from, to, buffer, offset, count, UMAT_455_Size, SwapUmat455Part);
}

Int16 IV_UMAT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	const Int16 err = RecordConversion::CheckRecordRange(buffer, bufferSize, offset, count, UMAT_455_Size);
	if (err == RecordConversionNoError) IV_UMAT_455(from, buffer, offset, count, to);
	return err;
}

Int16 IV_UMAT(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32 version, Int32* offset, Int32 count,
              Int32 textureCount, Kit::PlatformSign to) {
	if (buffer == nullptr || offset == nullptr || bufferSize < 0 || *offset < 0 || count < 0)
		return RecordConversionBadStructure;
	const bool swap = Kit::NeedsSwap(from, to);
	// Counts of the record are read in the byte order of the data.
	const bool dataForeign = from != Kit::Native_Platform_Sign;
	const bool toRunning = to == Kit::Native_Platform_Sign;
	Int64 at = *offset;
	for (Int32 r = 0; r < count; ++r) {
		if (at + UMAT_BinarySize > bufferSize) return RecordConversionBadStructure;
		char* record = buffer + at;
		Int32 hasParamBlock = ReadAt<Int32>(record + offsetof(UMAT_BinaryRecord, hasParamBlock));
		if (dataForeign) hasParamBlock = ByteSwap(hasParamBlock);

		// The tail is checked before the record is touched, so that a failure leaves the
		// failing record as it was.
		Int64 tailSize = 0;
		if (version > UMATLastTaillessVersion && hasParamBlock != 0) {
			if (at + UMAT_BinarySize + UMATParamBlockHeadSize > bufferSize) return RecordConversionBadStructure;
			const char* tail = record + UMAT_BinarySize;
			const Kit::PlatformSign tailSign = ReadAt<UInt16>(tail + offsetof(UMATParamBlockHead, platformSign));
			UInt32 byteCount = ReadAt<UInt32>(tail + offsetof(UMATParamBlockHead, byteCount));
			if (tailSign != Kit::Native_Platform_Sign) IVULong(tailSign, Kit::Native_Platform_Sign, &byteCount);
			tailSize = Int64{UMATParamBlockHeadSize} + Int64{byteCount};
			if (at + UMAT_BinarySize + tailSize > bufferSize) return RecordConversionBadStructure;
		}

		if (swap) {
			SwapUmat455Part(from, to, record);
			SwapShort(from, to, record + offsetof(UMAT_BinaryRecord, hostWord2));
			char* texture = record + offsetof(UMAT_BinaryRecord, textureIdx);
			SwapLong(from, to, texture);
			if (toRunning) {
				const auto outOfRange = [&] {
					const Int32 index = ReadAt<Int32>(texture);
					return index < 0 || Int64{index} > Int64{textureCount} + 1;
				};
				if (outOfRange()) {
					SwapLong(from, to, texture);
					if (outOfRange()) WriteAt<Int32>(texture, 0);
				}
			}
			SwapFloat(from, to, record + offsetof(UMAT_BinaryRecord, textureCos));
			SwapFloat(from, to, record + offsetof(UMAT_BinaryRecord, textureSin));
			SwapLong(from, to, record + offsetof(UMAT_BinaryRecord, hasParamBlock));
			std::memset(record + offsetof(UMAT_BinaryRecord, paramChecksum), 0, 8);
			SwapLong(from, to, record + offsetof(UMAT_BinaryRecord, reserved1));
			SwapLong(from, to, record + offsetof(UMAT_BinaryRecord, reserved2));
		}
		at += UMAT_BinarySize + tailSize;
		*offset = static_cast<Int32>(at);
	}
	return RecordConversionNoError;
}

void FCUmatFromUmat41(UMAT* umat, const UMAT_41* umat41) {
	if (umat == nullptr || umat41 == nullptr) return;
	umat->params.Clear();
	umat->ResetFixedFields();
	std::memset(umat->name, 0, sizeof umat->name);
	umat->materialType = umat41->materialType;
	umat->surfaceColor = {umat41->surfaceColor[0], umat41->surfaceColor[1], umat41->surfaceColor[2]};
	umat->ambientPc = umat41->coefficients[0];
	umat->diffusePc = umat41->coefficients[1];
	umat->specularPc = umat41->coefficients[2];
	umat->transparencyPc = umat41->coefficients[3];
	umat->shininess = umat41->coefficients[4];
	umat->transparencyAtt = umat41->coefficients[5];
	umat->specularColor = {umat41->specularColor[0], umat41->specularColor[1], umat41->specularColor[2]};
	umat->emissionColor = {umat41->emissionColor[0], umat41->emissionColor[1], umat41->emissionColor[2]};
	umat->emissionAtt = umat41->emissionAtt;
	umat->hostMaterialIdx = umat41->hostMaterialIdx;
}

void FCUmatFromUmat455(UMAT* umat, const UMAT_455* umat455) {
	if (umat == nullptr || umat455 == nullptr) return;
	umat->params.Clear();
	umat->ResetFixedFields();
	std::memcpy(umat->name, umat455->name, sizeof umat->name);
	umat->name[sizeof umat->name - 1] = '\0';
	umat->materialType = umat455->materialType;
	umat->surfaceColor = {umat455->surfaceColor[0], umat455->surfaceColor[1], umat455->surfaceColor[2]};
	umat->ambientPc = umat455->coefficients[0];
	umat->diffusePc = umat455->coefficients[1];
	umat->specularPc = umat455->coefficients[2];
	umat->transparencyPc = umat455->coefficients[3];
	umat->shininess = umat455->coefficients[4];
	umat->transparencyAtt = umat455->coefficients[5];
	umat->specularColor = {umat455->specularColor[0], umat455->specularColor[1], umat455->specularColor[2]};
	umat->emissionColor = {umat455->emissionColor[0], umat455->emissionColor[1], umat455->emissionColor[2]};
	umat->emissionAtt = umat455->emissionAtt;
	umat->hostMaterialIdx = umat455->hostMaterialIdx;
	umat->fillRef = umat455->fillRef;
}
