// Byte-order and form conversion of the fill heads and materials of model files.
#include "Model3D/persistence/conversion/AttributeConversion.h"

#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"
#include "platform/ByteOrder.h"

#include <cstring>

using RecordConversion::RangeFits;
namespace Tables = RecordConversion::Tables;

namespace {

// Bytes of the parameter tail whose head is at 'tail': the head and the block. The head
// is in the byte order of the platform it names.
Int64 UmatTailSize(const char* tail) {
	auto head = LoadUnaligned<UMATParamBlockHead>(tail);
	RecordConversion::SwapRecordsAt(head.platformSign, Kit::Native_Platform_Sign, reinterpret_cast<char*>(&head), 1,
	                                Tables::ParamBlockHead);
	return Int64{UMATParamBlockHeadSize} + Int64{head.byteCount};
}

// The texture index rule of a record just converted to the running platform.
void FixTextureIndex(Kit::PlatformSign from, Kit::PlatformSign to, char* texture, Int32 textureCount) {
	const auto outOfRange = [&] {
		const auto index = LoadUnaligned<Int32>(texture);
		return index < 0 || Int64{index} > Int64{textureCount} + 1;
	};
	if (!outOfRange()) return;
	RecordConversion::SwapValue(from, to, texture, RecordConversion::FieldKind::Int32);
	if (outOfRange()) StoreUnaligned<Int32>(texture, 0);
}

} // namespace

void IV_UFIL(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Ufil);
}

Int16 IV_UFIL_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Ufil);
}

void IV_UMAT_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Umat41);
}

Int16 IV_UMAT_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Umat41);
}

void IV_UMAT_455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Umat455);
}

Int16 IV_UMAT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Umat455);
}

Int16 IV_UMAT(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32 version, Int32* offset, Int32 count,
              Int32 textureCount, Kit::PlatformSign to) {
	if (RecordConversion::CheckRequest(buffer, bufferSize, offset, count) != RecordConversionNoError)
		return RecordConversionBadStructure;
	// Counts of the record are read in the byte order of the data.
	const bool dataForeign = from != Kit::Native_Platform_Sign;
	const bool fixTextures = Kit::NeedsSwap(from, to) && to == Kit::Native_Platform_Sign;
	Int64 at = *offset;
	for (Int32 r = 0; r < count; ++r) {
		if (!RangeFits(at, 1, UMAT_BinarySize, bufferSize)) return RecordConversionBadStructure;
		char* record = buffer + at;
		auto hasParamBlock = LoadUnaligned<Int32>(record + offsetof(UMAT_BinaryRecord, hasParamBlock));
		if (dataForeign) hasParamBlock = ByteSwap(hasParamBlock);

		// The tail is checked before the record is touched, so that a failure leaves the
		// failing record as it was.
		Int64 tailSize = 0;
		if (version > UMATLastTaillessVersion && hasParamBlock != 0) {
			if (!RangeFits(at + UMAT_BinarySize, 1, UMATParamBlockHeadSize, bufferSize))
				return RecordConversionBadStructure;
			tailSize = UmatTailSize(record + UMAT_BinarySize);
			if (!RangeFits(at + UMAT_BinarySize, 1, tailSize, bufferSize)) return RecordConversionBadStructure;
		}

		RecordConversion::SwapRecordsAt(from, to, record, 1, Tables::UmatBinary);
		if (fixTextures) FixTextureIndex(from, to, record + offsetof(UMAT_BinaryRecord, textureIdx), textureCount);
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
