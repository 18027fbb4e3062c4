#include "Model3D/persistence/conversion/LightConversion.h"

#include <cstring>

namespace {

// Converts the 60 bytes that every light form starts with. The record is copied into an
// aligned local first: records in file buffers need not be aligned.
void SwapCommonPart(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	LGHT_455 light;
	std::memcpy(&light, record, sizeof(light));
	IVShort(from, to, &light.type);
	IVKit_RGBColor(from, to, &light.color);
	IVFloat(from, to, &light.posX);
	IVFloat(from, to, &light.posY);
	IVFloat(from, to, &light.posZ);
	IVFloat(from, to, &light.dirX);
	IVFloat(from, to, &light.dirY);
	IVFloat(from, to, &light.dirZ);
	for (float& value : light.extra)
		IVFloat(from, to, &value);
	std::memcpy(record, &light, sizeof(light));
}

template <typename T> T Load(const char* p) {
	T value;
	std::memcpy(&value, p, sizeof(T));
	return value;
}

template <typename T>
void SwapAt(Kit::PlatformSign from, Kit::PlatformSign to, char* p,
            void (*swap)(Kit::PlatformSign, Kit::PlatformSign, T*) noexcept) {
	T value = Load<T>(p);
	swap(from, to, &value);
	std::memcpy(p, &value, sizeof(T));
}

// Byte count of the tail whose head starts at 'head', in the running platform's order.
UInt32 TailLength(const char* head) {
	const auto sign = Load<UInt16>(head + offsetof(LGHTParamHead, platformSign));
	auto length = Load<UInt32>(head + offsetof(LGHTParamHead, length));
	if (sign != Kit::Native_Platform_Sign) IVULong(sign, Kit::Native_Platform_Sign, &length);
	return length;
}

bool IsBadRequest(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count) {
	return buffer == nullptr || offset == nullptr || bufferSize < 0 || *offset < 0 || count < 0;
}

// Fixed-size records: the whole range is checked before anything is converted.
Int16 SwapFixedChecked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                       Int32 recordSize, Kit::PlatformSign to) {
	if (IsBadRequest(buffer, bufferSize, offset, count)) return RecordConversionBadStructure;
	if (Int64{*offset} + Int64{count} * recordSize > Int64{bufferSize}) return RecordConversionOverrun;
	char* record = buffer + *offset;
	if (Kit::NeedsSwap(from, to)) {
		for (Int32 i = 0; i < count; ++i)
			SwapCommonPart(from, to, record + Int64{i} * recordSize);
	}
	*offset = static_cast<Int32>(Int64{*offset} + Int64{count} * recordSize);
	return RecordConversionNoError;
}

void SwapFixed(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 recordSize,
               Kit::PlatformSign to) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	char* record = buffer + *offset;
	if (Kit::NeedsSwap(from, to)) {
		for (Int32 i = 0; i < count; ++i)
			SwapCommonPart(from, to, record + Int64{i} * recordSize);
	}
	*offset = static_cast<Int32>(Int64{*offset} + Int64{count} * recordSize);
}

// Converts the fixed part of a form-10 record in place.
void SwapLght10(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	if (!Kit::NeedsSwap(from, to)) return;
	SwapCommonPart(from, to, record);
	SwapAt<Int32>(from, to, record + offsetof(LGHT_10, reserved), IVLong);
	SwapAt<Int32>(from, to, record + offsetof(LGHT_10, hasParams), IVLong);
}

void SwapLghtCur(Kit::PlatformSign from, Kit::PlatformSign to, char* record) {
	if (!Kit::NeedsSwap(from, to)) return;
	SwapCommonPart(from, to, record);
	Kit::Guid guid = Load<Kit::Guid>(record + offsetof(LGHT_CUR, guid));
	guid.IV(from, to);
	std::memcpy(record + offsetof(LGHT_CUR, guid), &guid, sizeof(guid));
	SwapAt<Int32>(from, to, record + offsetof(LGHT_CUR, hasParams), IVLong);
}

// Walks records of 'fixedSize' bytes, each followed by a tail when its flag (at
// 'flagOffset', non-zero in either byte order) is set and 'withTails' holds.
template <typename SwapRecord>
Int16 SwapWithTails(char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int64 fixedSize, USize flagOffset,
                    bool withTails, SwapRecord swapRecord) {
	if (IsBadRequest(buffer, bufferSize, offset, count)) return RecordConversionBadStructure;
	for (Int32 i = 0; i < count; ++i) {
		const Int64 start = *offset;
		Int64 end = start + fixedSize;
		if (end > bufferSize) return RecordConversionOverrun;
		char* record = buffer + start;
		if (withTails && Load<Int32>(record + flagOffset) != 0) {
			if (end + LGHTParamHead_Size > bufferSize) return RecordConversionOverrun;
			end += LGHTParamHead_Size + Int64{TailLength(buffer + start + fixedSize)};
			if (end > bufferSize) return RecordConversionOverrun;
		}
		swapRecord(record);
		*offset = static_cast<Int32>(end);
	}
	return RecordConversionNoError;
}

void CopyCommonPart(LGHT* light, const char* old) {
	if (light == nullptr || old == nullptr) return;
	LGHT_455 source;
	std::memcpy(&source, old, sizeof(source));
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
	SwapFixed(from, buffer, offset, count, LGHT_455_Size, to);
}

Int16 IV_LGHT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return SwapFixedChecked(from, buffer, bufferSize, offset, count, LGHT_455_Size, to);
}

void IV_LGHT_700(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	SwapFixed(from, buffer, offset, count, LGHT_700_Size, to);
}

Int16 IV_LGHT_700_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return SwapFixedChecked(from, buffer, bufferSize, offset, count, LGHT_700_Size, to);
}

void IV_LGHT_10(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	if (buffer == nullptr || offset == nullptr || count <= 0) return;
	for (Int32 i = 0; i < count; ++i) {
		char* record = buffer + *offset;
		Int64 end = Int64{*offset} + LGHT_10_Size;
		if (Load<Int32>(record + offsetof(LGHT_10, hasParams)) != 0) {
			const auto length = static_cast<Int32>(TailLength(record + LGHT_10_Size));
			if (length < 0) return;
			end += LGHTParamHead_Size + length;
		}
		SwapLght10(from, to, record);
		*offset = static_cast<Int32>(end);
	}
}

Int16 IV_LGHT_10_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to) {
	const bool withTails = version >= LGHTFirstBlockVersion;
	return SwapWithTails(buffer, bufferSize, offset, count, LGHT_10_Size, offsetof(LGHT_10, hasParams), withTails,
	                     [from, to](char* record) { SwapLght10(from, to, record); });
}

Int32 IV_LGHT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 bufferSize, Int32 count,
              Kit::PlatformSign to) {
	return SwapWithTails(buffer, bufferSize, offset, count, LGHT_CUR_Size, offsetof(LGHT_CUR, hasParams), true,
	                     [from, to](char* record) { SwapLghtCur(from, to, record); });
}

void FCLghtFromLght455(LGHT* light, const LGHT_455* old) {
	CopyCommonPart(light, reinterpret_cast<const char*>(old));
}

void FCLghtFromLght700(LGHT* light, const LGHT_700* old) {
	CopyCommonPart(light, reinterpret_cast<const char*>(old));
}
