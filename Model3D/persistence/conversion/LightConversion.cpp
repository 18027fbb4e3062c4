#include "Model3D/persistence/conversion/LightConversion.h"

#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"

using RecordConversion::LayoutView;
using RecordConversion::RangeFits;
namespace Tables = RecordConversion::Tables;

namespace {

// Byte count of the tail whose head starts at 'head', in the running platform's order.
UInt32 TailLength(const char* head) {
	auto local = LoadUnaligned<LGHTParamHead>(head);
	RecordConversion::SwapRecordsAt(local.platformSign, Kit::Native_Platform_Sign, reinterpret_cast<char*>(&local), 1,
	                                Tables::ParamBlockHead);
	return local.length;
}

// Whether the record at 'record' announces a tail: its flag at 'flagOffset' is non-zero
// in either byte order.
bool HasTail(const char* record, USize flagOffset) {
	return LoadUnaligned<Int32>(record + flagOffset) != 0;
}

// Walks records of the layout, each followed by a tail when its flag (at 'flagOffset')
// is set and 'withTails' holds. Every record and its tail are checked before the record
// is converted.
Int16 SwapWithTails(Kit::PlatformSign from, Kit::PlatformSign to, char* buffer, Int32 bufferSize, Int32* offset,
                    Int32 count, const LayoutView& layout, USize flagOffset, bool withTails) {
	if (const Int16 err = RecordConversion::CheckRequest(buffer, bufferSize, offset, count);
	    err != RecordConversionNoError)
		return err;
	for (Int32 i = 0; i < count; ++i) {
		const Int64 start = *offset;
		Int64 end = start + layout.size;
		if (!RangeFits(start, 1, layout.size, bufferSize)) return RecordConversionOverrun;
		char* record = buffer + start;
		if (withTails && HasTail(record, flagOffset)) {
			if (!RangeFits(end, 1, LGHTParamHead_Size, bufferSize)) return RecordConversionOverrun;
			end += LGHTParamHead_Size + Int64{TailLength(record + layout.size)};
			if (end > bufferSize) return RecordConversionOverrun;
		}
		RecordConversion::SwapRecordsAt(from, to, record, 1, layout);
		*offset = static_cast<Int32>(end);
	}
	return RecordConversionNoError;
}

void CopyCommonPart(LGHT* light, const char* old) {
	if (light == nullptr || old == nullptr) return;
	const auto source = LoadUnaligned<LGHT_455>(old);
	LGHTRecord record;
	record.type = source.type;
	record.color = source.color;
	record.posX = source.posX;
	record.posY = source.posY;
	record.posZ = source.posZ;
	record.dirX = source.dirX;
	record.dirY = source.dirY;
	record.dirZ = source.dirZ;
	record.extra1 = source.extra[0];
	record.extra2 = source.extra[1];
	record.extra3 = source.extra[2];
	record.extra4 = source.extra[3];
	record.extra5 = source.extra[4];
	record.extra6 = source.extra[5];
	record.extra7 = source.extra[6];
	light->GetRecord() = record;
	light->params.Clear();
}

} // namespace

void IV_LGHT_455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Lght455);
}

Int16 IV_LGHT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Lght455);
}

void IV_LGHT_700(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, Tables::Lght700);
}

Int16 IV_LGHT_700_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, Tables::Lght700);
}

void IV_LGHT_10(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	for (Int32 i = 0; i < count; ++i) {
		char* record = buffer + *offset;
		Int64 end = Int64{*offset} + LGHT_10_Size;
		if (HasTail(record, offsetof(LGHT_10, hasParams))) {
			const auto length = static_cast<Int32>(TailLength(record + LGHT_10_Size));
			if (length < 0) return;
			end += LGHTParamHead_Size + length;
		}
		RecordConversion::SwapRecordsAt(from, to, record, 1, Tables::Lght10);
		*offset = static_cast<Int32>(end);
	}
}

Int16 IV_LGHT_10_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to) {
	const bool withTails = version >= LGHTFirstBlockVersion;
	return SwapWithTails(from, to, buffer, bufferSize, offset, count, Tables::Lght10, offsetof(LGHT_10, hasParams),
	                     withTails);
}

Int32 IV_LGHT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 bufferSize, Int32 count,
              Kit::PlatformSign to) {
	return SwapWithTails(from, to, buffer, bufferSize, offset, count, Tables::LghtCur, offsetof(LGHT_CUR, hasParams),
	                     true);
}

void FCLghtFromLght455(LGHT* light, const LGHT_455* old) {
	CopyCommonPart(light, reinterpret_cast<const char*>(old));
}

void FCLghtFromLght700(LGHT* light, const LGHT_700* old) {
	CopyCommonPart(light, reinterpret_cast<const char*>(old));
}
