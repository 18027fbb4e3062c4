// Member definitions of Kit::PropertyList: queries, values and structure changes.
// Included only where the list is instantiated.
#pragma once

#include "Model3D/proplist/KitPropertyList.h"
#include "Model3D/proplist/detail/NameHash.h"
#include "platform/KitException.h"
#include "platform/KitText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace Kit {

namespace PropListDetail {

[[noreturn]] inline void Fail(const char* file, UInt32 line) {
	throw KitException(nullptr, file, line);
}

[[noreturn]] inline void OutOfMemory(const char* file, UInt32 line) {
	throw OutOfMemoryException("Cannot allocate a property list block", file, line);
}

inline UInt64 Round8(UInt64 n) {
	return (n + 7) & ~UInt64(7);
}

// A zero-filled block; throws when it cannot be had.
inline char* AllocateBlock(UInt64 size) {
	if (size == 0 || size > PropertyListTypes::MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
	char* block = static_cast<char*>(std::calloc(static_cast<USize>(size), 1));
	if (block == nullptr) OutOfMemory(__FILE__, __LINE__);
	return block;
}

// A block whose contents the caller fills; throws when it cannot be had.
inline char* AllocateUnfilledBlock(UInt64 size) {
	if (size == 0 || size > PropertyListTypes::MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
	char* block = static_cast<char*>(std::malloc(static_cast<USize>(size)));
	if (block == nullptr) OutOfMemory(__FILE__, __LINE__);
	return block;
}

inline void FreeBlock(char*& block) {
	std::free(block);
	block = nullptr;
}

inline bool IsStorageType(Int64 s) {
	return s == PropertyListTypes::Int || s == PropertyListTypes::Num || s == PropertyListTypes::String;
}

inline bool IsArrayType(Int64 a) {
	return a == PropertyListTypes::Scalar || a == PropertyListTypes::OneDim || a == PropertyListTypes::TwoDim;
}

// Checks and normalises dimensions for an array type: Scalar -> 1 x 1, OneDim -> d1 x 1
// (d1 non-zero), TwoDim -> both non-zero.
inline void NormaliseDims(UInt8 arrayType, UInt32& dim1, UInt32& dim2) {
	switch (arrayType) {
	case PropertyListTypes::Scalar:
		dim1 = dim2 = 1;
		return;
	case PropertyListTypes::OneDim:
		if (dim1 == 0) Fail(__FILE__, __LINE__);
		dim2 = 1;
		return;
	case PropertyListTypes::TwoDim:
		if (dim1 == 0 || dim2 == 0) Fail(__FILE__, __LINE__);
		return;
	default:
		Fail(__FILE__, __LINE__);
	}
}

inline double LoadDouble(const char* p) {
	double v;
	std::memcpy(&v, p, sizeof v);
	return v;
}

inline Int32 LoadInt32(const char* p) {
	Int32 v;
	std::memcpy(&v, p, sizeof v);
	return v;
}

// Byte length of the first 'count' (at least one) zero-terminated UTF-16 strings of a
// value of 'length' bytes; throws when they do not all end inside it.
inline UInt64 StringsExtentOf(const char* value, UInt64 length, UInt64 count) {
	const UInt64 units = length / sizeof(UniChar);
	UInt64 k = 0;
	// Whole words of four units are skipped while the strings go on past them; the word
	// holding the end is then walked unit by unit.
	constexpr UInt64 Low15 = 0x7FFF7FFF7FFF7FFFull;
	constexpr UInt64 LaneOnes = 0x0001000100010001ull;
	for (; k + 4 <= units; k += 4) {
		UInt64 word;
		std::memcpy(&word, value + k * sizeof(UniChar), sizeof word);
		const UInt64 nonZero = (((word & Low15) + Low15) | word) & ~Low15; // high bit of each non-zero unit
		const UInt64 zeros = 4 - (((nonZero >> 15) * LaneOnes) >> 48);
		if (zeros >= count) break;
		count -= zeros;
	}
	for (; k < units; ++k) {
		UniChar c;
		std::memcpy(&c, value + k * sizeof(UniChar), sizeof c);
		if (c == 0 && --count == 0) return (k + 1) * sizeof(UniChar);
	}
	Fail(__FILE__, __LINE__);
}

// The value truncated toward zero and wrapped to 32 bits; NaN gives 0 and values beyond
// the 64-bit range saturate, so the checksum is defined for every double.
inline Int32 TruncateToInt32(double value) {
	if (std::isnan(value)) return 0;
	Int64 wide;
	if (value >= 9.2e18)
		wide = INT64_MAX;
	else if (value <= -9.2e18)
		wide = INT64_MIN;
	else
		wide = static_cast<Int64>(value);
	return static_cast<Int32>(static_cast<UInt32>(static_cast<UInt64>(wide)));
}

} // namespace PropListDetail

// ---- construction -----------------------------------------------------------------

template <typename UserData> PropertyList<UserData>::PropertyList(const PropertyList& source) : PropertyList() {
	*this = source;
}

template <typename UserData> PropertyList<UserData>& PropertyList<UserData>::operator=(const PropertyList& source) {
	using namespace PropListDetail;
	if (this == &source) return *this;

	// Everything that can fail happens before the first change.
	Array<Entry> newEntries;
	try {
		newEntries = source.entries;
	} catch (const std::bad_alloc&) {
		OutOfMemory(__FILE__, __LINE__);
	}
	const bool newNames = source.namesLength > namesCapacity;
	const bool newData = source.dataLength > dataCapacity;
	char* namesBlock = newNames ? AllocateBlock(source.namesLength) : nullptr;
	char* dataBlock = nullptr;
	if (newData) {
		try {
			dataBlock = AllocateBlock(source.dataLength);
		} catch (...) {
			FreeBlock(namesBlock);
			throw;
		}
	}

	// Own blocks are kept when large enough; a block whose source counterpart is empty is freed.
	if (source.namesLength == 0) {
		FreeBlock(names);
		namesCapacity = 0;
	} else if (newNames) {
		FreeBlock(names);
		names = namesBlock;
		namesCapacity = source.namesLength;
	}
	if (source.dataLength == 0) {
		FreeBlock(data);
		dataCapacity = 0;
	} else if (newData) {
		FreeBlock(data);
		data = dataBlock;
		dataCapacity = source.dataLength;
	}
	if (source.namesLength != 0) std::memcpy(names, source.names, source.namesLength);
	if (source.dataLength != 0) std::memcpy(data, source.data, source.dataLength);
	namesLength = source.namesLength;
	dataLength = source.dataLength;
	entries = std::move(newEntries);

	// Without the index the lookups fall back to the linear search.
	try {
		nameIndex = source.nameIndex;
	} catch (...) {
		nameIndex.Clear();
	}
	return *this;
}

template <typename UserData> PropertyList<UserData>::~PropertyList() {
	PropListDetail::FreeBlock(names);
	PropListDetail::FreeBlock(data);
}

template <typename UserData> void PropertyList<UserData>::Clear() {
	entries = Array<Entry>();
	nameIndex = OpenHashTable<UInt32, UInt32>();
	PropListDetail::FreeBlock(names);
	PropListDetail::FreeBlock(data);
	namesCapacity = namesLength = 0;
	dataCapacity = dataLength = 0;
}

// ---- queries ----------------------------------------------------------------------

template <typename UserData> typename PropertyList<UserData>::Entry& PropertyList<UserData>::At(UInt32 i) {
	if (i >= entries.GetSize()) PropListDetail::Fail(__FILE__, __LINE__);
	return entries[i];
}

template <typename UserData> const typename PropertyList<UserData>::Entry& PropertyList<UserData>::At(UInt32 i) const {
	if (i >= entries.GetSize()) PropListDetail::Fail(__FILE__, __LINE__);
	return entries[i];
}

template <typename UserData> UInt32 PropertyList<UserData>::GetFixEntryNum() const {
	UInt32 n = 0;
	for (USize i = 0; i < entries.GetSize(); ++i)
		n += entries[i].fix ? 1 : 0;
	return n;
}

template <typename UserData> UInt32 PropertyList<UserData>::NameEnd(UInt32 i) const {
	return i + 1 < entries.GetSize() ? entries[i + 1].nameOffset : namesLength;
}

template <typename UserData> void PropertyList<UserData>::GetEntryName(UInt32 i, char* buffer, UInt32 size) const {
	const char* name = GetEntryName(i);
	if (buffer == nullptr || size == 0) return;
	CHCopyC(name, buffer, size);
}

template <typename UserData> UInt32 PropertyList<UserData>::GetIndexFromName(const char* name) const {
	if (name == nullptr) return NoIndex;
	const UInt32 count = GetEntryNum();
	const UInt32* indexed = nameIndex.GetPtr(CalcStrHashValue(name));
	if (indexed != nullptr && *indexed < count && CHCompareASCII(name, names + entries[*indexed].nameOffset, 0) == 0)
		return *indexed;
	// The table holds one index per hash; when it covers every entry, nothing else can match.
	if (count == 0 || nameIndex.GetSize() >= count) return NoIndex;
	for (UInt32 i = 0; i < count; ++i) {
		if (CHCompareASCII(name, names + entries[i].nameOffset, 0) == 0) return i;
	}
	return NoIndex;
}

template <typename UserData> UInt32 PropertyList<UserData>::IndexOfName(const char* name) const {
	const UInt32 i = GetIndexFromName(name);
	if (i == NoIndex) PropListDetail::Fail(__FILE__, __LINE__);
	return i;
}

template <typename UserData>
typename PropertyList<UserData>::StorageType PropertyList<UserData>::GetEntryType(UInt32 i, ArrayType* arrayType,
                                                                                  UInt32* dim1, UInt32* dim2) const {
	const Entry& e = At(i);
	if (arrayType != nullptr) *arrayType = static_cast<ArrayType>(e.arrayType);
	if (dim1 != nullptr) *dim1 = e.dim1;
	if (dim2 != nullptr) *dim2 = e.dim2;
	return static_cast<StorageType>(e.storageType);
}

template <typename UserData>
const typename PropertyList<UserData>::Entry& PropertyList<UserData>::CheckedEntry(UInt32 i,
                                                                                   StorageType storageType) const {
	const Entry& e = At(i);
	if (e.storageType != storageType) PropListDetail::Fail(__FILE__, __LINE__);
	return e;
}

// ---- scalars ----------------------------------------------------------------------

template <typename UserData> Int32 PropertyList<UserData>::GetIntEntry(UInt32 i) const {
	const Entry& e = CheckedEntry(i, Int);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	return e.intValue;
}

template <typename UserData> void PropertyList<UserData>::SetIntEntry(UInt32 i, Int32 value) {
	const Entry& e = CheckedEntry(i, Int);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	entries[i].intValue = value;
}

template <typename UserData> double PropertyList<UserData>::GetNumEntry(UInt32 i) const {
	const Entry& e = CheckedEntry(i, Num);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	return PropListDetail::LoadDouble(data + e.dataOffset);
}

template <typename UserData> void PropertyList<UserData>::SetNumEntry(UInt32 i, double value) {
	const Entry& e = CheckedEntry(i, Num);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	std::memcpy(data + e.dataOffset, &value, sizeof value);
}

template <typename UserData> const UniChar* PropertyList<UserData>::GetStringEntry(UInt32 i) const {
	const Entry& e = CheckedEntry(i, String);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	return reinterpret_cast<const UniChar*>(data + e.dataOffset);
}

template <typename UserData> void PropertyList<UserData>::GetStringEntry(UInt32 i, char* buffer, UInt32 size) const {
	PropListText::CopyUStr(GetStringEntry(i), buffer, size);
}

template <typename UserData> void PropertyList<UserData>::GetStringEntry(UInt32 i, UniChar* buffer, UInt32 size) const {
	PropListText::CopyUStr(GetStringEntry(i), buffer, size);
}

template <typename UserData> void PropertyList<UserData>::GetStringEntry(UInt32 i, AutoArrayPtr<char>& text) const {
	PropListText::CopyUStr(GetStringEntry(i), text);
}

template <typename UserData> void PropertyList<UserData>::SetStringEntry(UInt32 i, const UniChar* text) {
	// Only a String scalar holds exactly one text; anything else would break the layout.
	const Entry& e = CheckedEntry(i, String);
	if (e.arrayType != Scalar) PropListDetail::Fail(__FILE__, __LINE__);
	const UniChar empty = 0;
	if (text == nullptr) text = &empty;
	ReplaceData(i, text, (UStrLen(text) + 1) * sizeof(UniChar));
}

template <typename UserData> void PropertyList<UserData>::SetStringEntry(UInt32 i, const char* text) {
	CheckedEntry(i, String);
	const USize n = text == nullptr ? 0 : std::strlen(text);
	std::vector<UniChar> converted(n + 1, 0);
	PropListText::AnsiToUnicode(text, n, converted.data());
	SetStringEntry(i, converted.data());
}

// ---- arrays -----------------------------------------------------------------------

template <typename UserData>
const void* PropertyList<UserData>::GetArray(UInt32 i, UInt32* byteLen, StorageType* storageType, UInt32* dim1,
                                             UInt32* dim2) const {
	const Entry& e = At(i);
	if (storageType != nullptr) *storageType = static_cast<StorageType>(e.storageType);
	if (dim1 != nullptr) *dim1 = e.dim1;
	if (dim2 != nullptr) *dim2 = e.dim2;
	if (e.storageType == Int && e.arrayType == Scalar) {
		if (byteLen != nullptr) *byteLen = sizeof(Int32);
		return &e.intValue;
	}
	if (byteLen != nullptr) *byteLen = e.dataLen;
	return data + e.dataOffset;
}

template <typename UserData>
const Int32* PropertyList<UserData>::GetIntArray(UInt32 i, UInt32* byteLen, UInt32* dim1, UInt32* dim2) const {
	CheckedEntry(i, Int);
	return static_cast<const Int32*>(GetArray(i, byteLen, nullptr, dim1, dim2));
}

template <typename UserData>
const double* PropertyList<UserData>::GetNumArray(UInt32 i, UInt32* byteLen, UInt32* dim1, UInt32* dim2) const {
	CheckedEntry(i, Num);
	return static_cast<const double*>(GetArray(i, byteLen, nullptr, dim1, dim2));
}

template <typename UserData>
const UniChar* PropertyList<UserData>::GetStringArray(UInt32 i, UInt32* byteLen, UInt32* dim1, UInt32* dim2) const {
	CheckedEntry(i, String);
	return static_cast<const UniChar*>(GetArray(i, byteLen, nullptr, dim1, dim2));
}

template <typename UserData> void PropertyList<UserData>::SetIntArray(UInt32 i, const Int32* values) {
	const Entry& e = CheckedEntry(i, Int);
	if (values == nullptr) PropListDetail::Fail(__FILE__, __LINE__);
	if (e.arrayType == Scalar)
		entries[i].intValue = values[0];
	else
		std::memcpy(data + e.dataOffset, values, UInt64(e.dim1) * e.dim2 * sizeof(Int32));
}

template <typename UserData> void PropertyList<UserData>::SetNumArray(UInt32 i, const double* values) {
	const Entry& e = CheckedEntry(i, Num);
	if (values == nullptr) PropListDetail::Fail(__FILE__, __LINE__);
	std::memcpy(data + e.dataOffset, values, UInt64(e.dim1) * e.dim2 * sizeof(double));
}

template <typename UserData> void PropertyList<UserData>::SetStringArray(UInt32 i, const UniChar* strings) {
	const Entry& e = CheckedEntry(i, String);
	if (strings == nullptr) PropListDetail::Fail(__FILE__, __LINE__);
	const UInt64 extent = CalcExtLen(e.storageType, e.arrayType, e.dim1, e.dim2, strings);
	ReplaceData(i, strings, extent);
}

template <typename UserData> void PropertyList<UserData>::SetStringArray(UInt32 i, const char* strings) {
	const Entry& e = CheckedEntry(i, String);
	if (strings == nullptr) PropListDetail::Fail(__FILE__, __LINE__);
	// Length of the dim1 x dim2 8-bit strings with their terminators.
	const UInt64 count = UInt64(e.dim1) * e.dim2;
	USize length = 0;
	for (UInt64 k = 0; k < count; ++k)
		length += std::strlen(strings + length) + 1;
	std::vector<UniChar> converted(length, 0);
	PropListText::AnsiToUnicode(strings, length, converted.data());
	SetStringArray(i, converted.data());
}

template <typename UserData>
UInt64 PropertyList<UserData>::ElementNumber(const Entry& e, UInt32 row, UInt32 col) const {
	switch (e.arrayType) {
	case Scalar:
		return 0;
	case OneDim:
		if (row < 1 || row > e.dim1) PropListDetail::Fail(__FILE__, __LINE__);
		return row - 1;
	default:
		if (row < 1 || row > e.dim1 || col < 1 || col > e.dim2) PropListDetail::Fail(__FILE__, __LINE__);
		return UInt64(row - 1) * e.dim2 + (col - 1);
	}
}

template <typename UserData>
UInt32 PropertyList<UserData>::FindStringElement(const Entry& e, UInt64 k, UInt32* byteLen) const {
	const UInt32 end = e.dataOffset + e.dataLen;
	UInt32 pos = e.dataOffset;
	for (UInt64 n = 0;; ++n) {
		UInt32 p = pos;
		while (p + 1 < end && (data[p] != 0 || data[p + 1] != 0))
			p += 2;
		if (p + 1 >= end) PropListDetail::Fail(__FILE__, __LINE__); // element missing: the value is damaged
		if (n == k) {
			if (byteLen != nullptr) *byteLen = p + 2 - pos;
			return pos;
		}
		pos = p + 2;
	}
}

template <typename UserData> UInt64 PropertyList<UserData>::StringsExtent(const Entry& e, UInt64 count) const {
	return count == 0 ? 0 : PropListDetail::StringsExtentOf(data + e.dataOffset, e.dataLen, count);
}

template <typename UserData> Int32 PropertyList<UserData>::GetIntArrayVal(UInt32 i, UInt32 row, UInt32 col) const {
	const Entry& e = CheckedEntry(i, Int);
	if (e.arrayType == Scalar) return e.intValue;
	return PropListDetail::LoadInt32(data + e.dataOffset + ElementNumber(e, row, col) * sizeof(Int32));
}

template <typename UserData> double PropertyList<UserData>::GetNumArrayVal(UInt32 i, UInt32 row, UInt32 col) const {
	const Entry& e = CheckedEntry(i, Num);
	return PropListDetail::LoadDouble(data + e.dataOffset + ElementNumber(e, row, col) * sizeof(double));
}

template <typename UserData>
const UniChar* PropertyList<UserData>::GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col) const {
	const Entry& e = CheckedEntry(i, String);
	return reinterpret_cast<const UniChar*>(data + FindStringElement(e, ElementNumber(e, row, col), nullptr));
}

template <typename UserData>
void PropertyList<UserData>::GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, char* buffer, UInt32 size) const {
	PropListText::CopyUStr(GetStringArrayVal(i, row, col), buffer, size);
}

template <typename UserData>
void PropertyList<UserData>::GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, UniChar* buffer, UInt32 size) const {
	PropListText::CopyUStr(GetStringArrayVal(i, row, col), buffer, size);
}

template <typename UserData>
void PropertyList<UserData>::GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, AutoArrayPtr<char>& text) const {
	PropListText::CopyUStr(GetStringArrayVal(i, row, col), text);
}

template <typename UserData>
void PropertyList<UserData>::SetIntArrayVal(UInt32 i, UInt32 row, UInt32 col, Int32 value) {
	const Entry& e = CheckedEntry(i, Int);
	if (e.arrayType == Scalar) {
		entries[i].intValue = value;
		return;
	}
	std::memcpy(data + e.dataOffset + ElementNumber(e, row, col) * sizeof(Int32), &value, sizeof value);
}

template <typename UserData>
void PropertyList<UserData>::SetNumArrayVal(UInt32 i, UInt32 row, UInt32 col, double value) {
	const Entry& e = CheckedEntry(i, Num);
	std::memcpy(data + e.dataOffset + ElementNumber(e, row, col) * sizeof(double), &value, sizeof value);
}

template <typename UserData>
void PropertyList<UserData>::SetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, const UniChar* text) {
	const Entry& e = CheckedEntry(i, String);
	const UInt64 k = ElementNumber(e, row, col);
	const UniChar empty = 0;
	if (text == nullptr) text = &empty;
	UInt32 oldLen = 0;
	const UInt32 at = FindStringElement(e, k, &oldLen) - e.dataOffset;
	const UInt64 extent = StringsExtent(e, UInt64(e.dim1) * e.dim2);
	const UInt64 newLen = (UStrLen(text) + 1) * sizeof(UniChar);
	// The value rebuilt with the new element in place of the old one.
	std::vector<char> value;
	try {
		value.resize(static_cast<USize>(extent - oldLen + newLen));
	} catch (const std::bad_alloc&) {
		PropListDetail::OutOfMemory(__FILE__, __LINE__);
	}
	const char* old = data + e.dataOffset;
	std::memcpy(value.data(), old, at);
	std::memcpy(value.data() + at, text, newLen);
	std::memcpy(value.data() + at + newLen, old + at + oldLen, extent - at - oldLen);
	ReplaceData(i, value.data(), value.size());
}

template <typename UserData>
void PropertyList<UserData>::SetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, const char* text) {
	CheckedEntry(i, String);
	const USize n = text == nullptr ? 0 : std::strlen(text);
	std::vector<UniChar> converted(n + 1, 0);
	PropListText::AnsiToUnicode(text, n, converted.data());
	SetStringArrayVal(i, row, col, converted.data());
}

template <typename UserData> void PropertyList<UserData>::ReplaceData(UInt32 i, const void* bytes, UInt64 length) {
	const UInt64 newLen = PropListDetail::Round8(length);
	if (newLen > MaxBlockLength) PropListDetail::OutOfMemory(__FILE__, __LINE__);
	const Entry& e = entries[i];
	// 'bytes' may lie in the data block; the move below may reallocate it.
	std::vector<char> copy;
	if (data != nullptr && static_cast<const char*>(bytes) >= data &&
	    static_cast<const char*>(bytes) < data + dataCapacity) {
		copy.assign(static_cast<const char*>(bytes), static_cast<const char*>(bytes) + length);
		bytes = copy.data();
	}
	MoveDataBlock(i, Int64(newLen) - Int64(e.dataLen), e.dataOffset + e.dataLen);
	if (newLen == 0) return;
	char* target = data + entries[i].dataOffset;
	if (length != 0) std::memcpy(target, bytes, static_cast<USize>(length));
	std::memset(target + length, 0, static_cast<USize>(newLen - length));
}

template <typename UserData>
UInt64 PropertyList<UserData>::CalcExtLen(Int16 storageType, UInt8 arrayType, UInt32 dim1, UInt32 dim2,
                                          const UniChar* text) {
	using namespace PropListDetail;
	UInt64 count = 0;
	switch (arrayType) {
	case Scalar:
		if (storageType == Int) return 0;
		count = 1;
		break;
	case OneDim:
		if (dim1 == 0) Fail(__FILE__, __LINE__);
		count = dim1;
		break;
	case TwoDim:
		if (dim1 == 0 || dim2 == 0) Fail(__FILE__, __LINE__);
		count = UInt64(dim1) * dim2;
		break;
	default:
		Fail(__FILE__, __LINE__);
	}
	switch (storageType) {
	case Int:
		return count * sizeof(Int32);
	case Num:
		return count * sizeof(double);
	case String: {
		if (text == nullptr) return count * sizeof(UniChar);
		UInt64 units = 0;
		for (UInt64 k = 0; k < count; ++k) {
			while (text[units] != 0)
				++units;
			++units;
		}
		return units * sizeof(UniChar);
	}
	default:
		Fail(__FILE__, __LINE__);
	}
}

// ---- blocks -----------------------------------------------------------------------

template <typename UserData>
void PropertyList<UserData>::OpenGap(char*& block, UInt32& capacity, UInt32& length, UInt32 at, Int64 delta,
                                     UInt64 minCapacity) {
	using namespace PropListDetail;
	if (delta == 0) return;
	const UInt64 newLength = UInt64(Int64(length) + delta);
	if (newLength > MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
	if (newLength > capacity) {
		const UInt64 newCapacity =
		    std::min<UInt64>(std::max({UInt64(capacity) * 2, newLength, minCapacity}), MaxBlockLength);
		char* grown = AllocateBlock(newCapacity);
		if (block != nullptr) {
			std::memcpy(grown, block, at);
			std::memcpy(grown + at + delta, block + at, length - at);
		}
		FreeBlock(block);
		block = grown;
		capacity = static_cast<UInt32>(newCapacity);
	} else {
		std::memmove(block + at + delta, block + at, length - at);
		if (delta > 0) std::memset(block + at, 0, static_cast<USize>(delta));
	}
	length = static_cast<UInt32>(newLength);
}

template <typename UserData> void PropertyList<UserData>::MoveDataBlock(UInt32 i, Int64 delta, UInt32 at) {
	if (delta == 0) return;
	OpenGap(data, dataCapacity, dataLength, at, delta, 512);
	entries[i].dataLen = static_cast<UInt32>(entries[i].dataLen + delta);
	for (USize k = USize(i) + 1; k < entries.GetSize(); ++k)
		entries[k].dataOffset = static_cast<UInt32>(entries[k].dataOffset + delta);
}

template <typename UserData> void PropertyList<UserData>::MoveNamesBlock(UInt32 i, Int64 delta, UInt32 at) {
	if (delta == 0) return;
	OpenGap(names, namesCapacity, namesLength, at, delta, 256);
	for (USize k = USize(i) + 1; k < entries.GetSize(); ++k)
		entries[k].nameOffset = static_cast<UInt32>(entries[k].nameOffset + delta);
}

// ---- entry slots and the name index ---------------------------------------------------

template <typename UserData> void PropertyList<UserData>::InsertSlots(UInt32 at, UInt32 n) {
	try {
		entries.insert(entries.begin() + at, n, Entry{});
	} catch (const std::bad_alloc&) {
		PropListDetail::OutOfMemory(__FILE__, __LINE__);
	}
}

template <typename UserData> void PropertyList<UserData>::RemoveSlots(UInt32 first, UInt32 n) {
	entries.erase(entries.begin() + first, entries.begin() + first + n);
}

// Entries from 'first' on have moved by 'shift' positions (their offsets and names are
// already in place): the indices stored for them follow. Every stored index names an
// entry carrying that hash, so the indices to change are exactly those of moved entries.
template <typename UserData> void PropertyList<UserData>::ShiftIndexedEntries(UInt32 first, Int64 shift) {
	if (shift == 0 || nameIndex.IsEmpty()) return;
	const USize count = entries.GetSize();
	const Int64 oldFirst = Int64(first) - shift; // where the moved entries started before
	const USize moved = count > first ? count - first : 0;
	if (moved * 4 >= nameIndex.GetSize()) {
		// Many moved: one pass over the table, no name hashing.
		for (auto& item : nameIndex) {
			if (Int64(item.second) >= oldFirst) item.second = static_cast<UInt32>(Int64(item.second) + shift);
		}
		return;
	}
	// Few moved: look each up by its name. Only an index that points at the entry itself
	// changes (a colliding entry that is not in the table stays out); walking against the
	// direction of the move keeps an index just updated from being taken for the old
	// index of another entry with the same hash.
	const auto update = [&](USize k) {
		UInt32* stored = nameIndex.GetPtr(CalcStrHashValue(names + entries[k].nameOffset));
		if (stored != nullptr && Int64(*stored) == Int64(k) - shift) *stored = static_cast<UInt32>(k);
	};
	if (shift > 0) {
		for (USize k = count; k > first; --k)
			update(k - 1);
	} else {
		for (USize k = first; k < count; ++k)
			update(k);
	}
}

template <typename UserData> void PropertyList<UserData>::RemoveFromIndex(UInt32 i) {
	const UInt32 hash = CalcStrHashValue(names + entries[i].nameOffset);
	const UInt32* stored = nameIndex.GetPtr(hash);
	if (stored != nullptr && *stored == i) nameIndex.Delete(hash);
}

template <typename UserData> void PropertyList<UserData>::AddToIndex(UInt32 i) {
	// A hash already present keeps its entry; the new one is then found by the linear search.
	try {
		nameIndex.Add(CalcStrHashValue(names + entries[i].nameOffset), i);
	} catch (...) {
	}
}

// ---- structure --------------------------------------------------------------------

template <typename UserData>
void PropertyList<UserData>::InsertNewEntry(UInt32 i, const char* name, StorageType storageType, ArrayType arrayType,
                                            UInt32 dim1, UInt32 dim2) {
	using namespace PropListDetail;
	const UInt32 count = GetEntryNum();
	if (i > count || name == nullptr || count == NoIndex) Fail(__FILE__, __LINE__);
	// The type is checked first so that a refused entry changes nothing.
	if (!IsStorageType(storageType)) Fail(__FILE__, __LINE__);
	UInt32 d1 = dim1, d2 = dim2;
	NormaliseDims(arrayType, d1, d2);
	if (Round8(CalcExtLen(storageType, arrayType, d1, d2)) + dataLength > MaxBlockLength)
		OutOfMemory(__FILE__, __LINE__);

	// The name may lie in the names block itself (a name of this list), which is grown and
	// shifted below: take a copy first.
	std::string ownName;
	const std::less<const char*> before;
	if (names != nullptr && !before(name, names) && before(name, names + namesLength)) {
		ownName.assign(name);
		name = ownName.c_str();
	}
	const UInt64 nameBytes = std::strlen(name) + 1;
	const UInt64 needed = UInt64(namesLength) + nameBytes;
	if (needed > MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
	if (needed > namesCapacity) {
		const UInt64 newCapacity =
		    std::min<UInt64>(std::max({UInt64(namesCapacity) * 2, needed, UInt64(512)}), MaxBlockLength);
		char* grown = AllocateBlock(newCapacity);
		if (names != nullptr) std::memcpy(grown, names, namesLength);
		FreeBlock(names);
		names = grown;
		namesCapacity = static_cast<UInt32>(newCapacity);
	}

	const UInt32 nameOffset = i < count ? entries[i].nameOffset : namesLength;
	const UInt32 dataOffset = i < count ? entries[i].dataOffset : dataLength;
	InsertSlots(i, 1);
	Entry& e = entries[i];
	e.nameOffset = nameOffset;
	e.dataOffset = dataOffset;

	std::memmove(names + nameOffset + nameBytes, names + nameOffset, namesLength - nameOffset);
	std::memcpy(names + nameOffset, name, nameBytes);
	namesLength = static_cast<UInt32>(needed);
	for (USize k = USize(i) + 1; k <= count; ++k)
		entries[k].nameOffset = static_cast<UInt32>(entries[k].nameOffset + nameBytes);
	ShiftIndexedEntries(i + 1, 1);
	AddToIndex(i);

	try {
		ModifyEntryType(i, storageType, arrayType, dim1, dim2);
	} catch (...) {
		DeleteEntries(i, i);
		throw;
	}
}

template <typename UserData>
UInt32 PropertyList<UserData>::PushEntry(const char* name, StorageType storageType, ArrayType arrayType, UInt32 dim1,
                                         UInt32 dim2) {
	const UInt32 i = GetEntryNum();
	InsertNewEntry(i, name, storageType, arrayType, dim1, dim2);
	return i;
}

template <typename UserData> void PropertyList<UserData>::SetEntryName(UInt32 i, const char* name) {
	const Entry& e = At(i);
	if (e.fix || name == nullptr) PropListDetail::Fail(__FILE__, __LINE__);
	const UInt32 oldBytes = EntryNameLength(i) + 1;
	const UInt64 newBytes = std::strlen(name) + 1;
	// The name may lie in the names block itself.
	std::vector<char> copy(name, name + newBytes);
	const UInt32 at = e.nameOffset + oldBytes;
	if (UInt64(namesLength) - oldBytes + newBytes > MaxBlockLength) PropListDetail::OutOfMemory(__FILE__, __LINE__);
	RemoveFromIndex(i);
	try {
		MoveNamesBlock(i, Int64(newBytes) - Int64(oldBytes), at);
	} catch (...) {
		AddToIndex(i);
		throw;
	}
	std::memcpy(names + entries[i].nameOffset, copy.data(), newBytes);
	AddToIndex(i);
}

template <typename UserData>
void PropertyList<UserData>::ModifyEntryType(UInt32 i, StorageType storageType, ArrayType arrayType, UInt32 dim1,
                                             UInt32 dim2) {
	using namespace PropListDetail;
	const Entry& e = At(i);
	if (e.fix && (storageType != e.storageType || (e.arrayType == Scalar) != (arrayType == Scalar)))
		Fail(__FILE__, __LINE__);
	NormaliseDims(arrayType, dim1, dim2);
	const UInt64 newLen = Round8(CalcExtLen(storageType, arrayType, dim1, dim2));
	if (newLen > MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
	MoveDataBlock(i, Int64(newLen) - Int64(e.dataLen), e.dataOffset + e.dataLen);
	Entry& changed = entries[i];
	if (newLen != 0) std::memset(data + changed.dataOffset, 0, static_cast<USize>(newLen));
	changed.storageType = storageType;
	changed.arrayType = arrayType;
	changed.dim1 = dim1;
	changed.dim2 = dim2;
	changed.intValue = 0;
}

template <typename UserData>
void PropertyList<UserData>::ModifyArrayDimensions(UInt32 i, ArrayType arrayType, UInt32 dim1, UInt32 dim2) {
	using namespace PropListDetail;
	const Entry& e = At(i);
	if (arrayType == e.arrayType && dim1 == e.dim1 && dim2 == e.dim2) return;
	// A fixed entry keeps its scalar-ness, as with ModifyEntryType.
	if (e.fix && (e.arrayType == Scalar) != (arrayType == Scalar)) Fail(__FILE__, __LINE__);
	NormaliseDims(arrayType, dim1, dim2);
	if (arrayType == e.arrayType && dim1 == e.dim1 && dim2 == e.dim2) return;

	const Int16 s = e.storageType;
	const UInt32 oldD1 = e.dim1, oldD2 = e.dim2;
	const UInt64 newCount = UInt64(dim1) * dim2;
	const auto keeps = [&](UInt64 row, UInt64 col) { return row < oldD1 && col < oldD2; }; // 0-based
	const auto oldNumber = [&](UInt64 row, UInt64 col) { return row * oldD2 + col; };

	std::vector<char> value;
	Int32 newIntValue = 0;
	try {
		if (s == String) {
			// Start of every old element, found in one walk; starts[k + 1] - starts[k] is
			// the byte length of element k with its terminator.
			const UInt64 oldCount = UInt64(oldD1) * oldD2;
			std::vector<UInt32> starts;
			starts.reserve(static_cast<USize>(oldCount + 1));
			UInt32 lastLen = 0;
			starts.push_back(FindStringElement(e, 0, &lastLen));
			for (UInt64 k = 1; k < oldCount; ++k) {
				UInt32 p = starts.back() + lastLen;
				const UInt32 end = e.dataOffset + e.dataLen;
				UInt32 q = p;
				while (q + 1 < end && (data[q] != 0 || data[q + 1] != 0))
					q += 2;
				if (q + 1 >= end) Fail(__FILE__, __LINE__);
				starts.push_back(p);
				lastLen = q + 2 - p;
			}
			starts.push_back(starts.back() + lastLen);
			for (UInt64 r = 0; r < dim1; ++r) {
				for (UInt64 c = 0; c < dim2; ++c) {
					if (keeps(r, c)) {
						const UInt64 k = oldNumber(r, c);
						value.insert(value.end(), data + starts[k], data + starts[k + 1]);
					} else {
						value.push_back(0);
						value.push_back(0);
					}
				}
			}
		} else if (s == Int && arrayType == Scalar) {
			newIntValue = e.arrayType == Scalar ? e.intValue : LoadInt32(data + e.dataOffset);
		} else {
			const USize size = s == Int ? sizeof(Int32) : sizeof(double);
			if (newCount * size > MaxBlockLength) OutOfMemory(__FILE__, __LINE__);
			value.assign(static_cast<USize>(newCount * size), 0);
			for (UInt64 r = 0; r < dim1 && r < oldD1; ++r) {
				for (UInt64 c = 0; c < dim2 && c < oldD2; ++c) {
					char* target = value.data() + (r * dim2 + c) * size;
					if (s == Int && e.arrayType == Scalar)
						std::memcpy(target, &e.intValue, size);
					else
						std::memcpy(target, data + e.dataOffset + oldNumber(r, c) * size, size);
				}
			}
		}
	} catch (const std::bad_alloc&) {
		OutOfMemory(__FILE__, __LINE__);
	}
	if (Round8(value.size()) > MaxBlockLength) OutOfMemory(__FILE__, __LINE__);

	ReplaceData(i, value.data(), value.size());
	Entry& changed = entries[i];
	changed.arrayType = arrayType;
	changed.dim1 = dim1;
	changed.dim2 = dim2;
	changed.intValue = newIntValue;
}

template <typename UserData> void PropertyList<UserData>::DeleteEntries(UInt32 first, UInt32 last) {
	const UInt32 count = GetEntryNum();
	if (count == 0) return;
	last = std::min(last, count - 1);
	if (last < first) return;
	for (UInt32 k = first; k <= last; ++k) {
		if (entries[k].fix) PropListDetail::Fail(__FILE__, __LINE__);
	}
	const UInt32 n = last - first + 1;
	for (UInt32 k = first; k <= last; ++k)
		RemoveFromIndex(k);

	const UInt32 namesFrom = entries[first].nameOffset;
	const UInt32 namesTo = NameEnd(last);
	const UInt32 dataFrom = entries[first].dataOffset;
	const UInt32 dataTo = entries[last].dataOffset + entries[last].dataLen;
	std::memmove(names + namesFrom, names + namesTo, namesLength - namesTo);
	namesLength -= namesTo - namesFrom;
	if (dataTo != dataFrom) {
		std::memmove(data + dataFrom, data + dataTo, dataLength - dataTo);
		dataLength -= dataTo - dataFrom;
	}
	RemoveSlots(first, n);
	for (USize k = first; k < entries.GetSize(); ++k) {
		entries[k].nameOffset -= namesTo - namesFrom;
		entries[k].dataOffset -= dataTo - dataFrom;
	}
	ShiftIndexedEntries(first, -Int64(n));
}

template <typename UserData>
void PropertyList<UserData>::InsertEntries(const PropertyList& source, UInt32 first, UInt32 last, UInt32 at) {
	using namespace PropListDetail;
	if (last < first) return;
	if (last >= source.GetEntryNum() || at > GetEntryNum()) Fail(__FILE__, __LINE__);
	if (&source == this) {
		// Inserting from itself: the entries are read from a snapshot taken before the list changes.
		const PropertyList copy(source); // NOLINT(performance-unnecessary-copy-initialization)
		InsertEntries(copy, first, last, at);
		return;
	}
	const UInt32 n = last - first + 1;
	if (UInt64(GetEntryNum()) + n >= NoIndex) Fail(__FILE__, __LINE__);
	const UInt32 srcNamesFrom = source.entries[first].nameOffset;
	const UInt32 namesBytes = source.NameEnd(last) - srcNamesFrom;
	const UInt32 srcDataFrom = source.entries[first].dataOffset;
	const UInt32 dataBytes = source.entries[last].dataOffset + source.entries[last].dataLen - srcDataFrom;
	if (UInt64(namesLength) + namesBytes > MaxBlockLength || UInt64(dataLength) + dataBytes > MaxBlockLength)
		OutOfMemory(__FILE__, __LINE__);

	const UInt32 count = GetEntryNum();
	const UInt32 namesAt = at < count ? entries[at].nameOffset : namesLength;
	const UInt32 dataAt = at < count ? entries[at].dataOffset : dataLength;

	// Allocations first, so that a failure leaves the list as it was.
	char* newNames = nullptr;
	char* newData = nullptr;
	try {
		if (UInt64(namesLength) + namesBytes > namesCapacity)
			newNames = AllocateBlock(std::min<UInt64>(
			    std::max({UInt64(namesCapacity) * 2, UInt64(namesLength) + namesBytes, UInt64(256)}), MaxBlockLength));
		if (dataBytes != 0 && UInt64(dataLength) + dataBytes > dataCapacity)
			newData = AllocateBlock(std::min<UInt64>(
			    std::max({UInt64(dataCapacity) * 2, UInt64(dataLength) + dataBytes, UInt64(512)}), MaxBlockLength));
		InsertSlots(at, n);
	} catch (...) {
		FreeBlock(newNames);
		FreeBlock(newData);
		throw;
	}
	const auto place = [](char*& block, UInt32& capacity, UInt32& length, char* grown, UInt64 grownCapacity, UInt32 pos,
	                      const char* bytes, UInt32 size) {
		if (size == 0) {
			std::free(grown);
			return;
		}
		if (grown != nullptr) {
			if (block != nullptr) {
				std::memcpy(grown, block, pos);
				std::memcpy(grown + pos + size, block + pos, length - pos);
			}
			std::free(block);
			block = grown;
			capacity = static_cast<UInt32>(grownCapacity);
		} else {
			std::memmove(block + pos + size, block + pos, length - pos);
		}
		std::memcpy(block + pos, bytes, size);
		length += size;
	};
	const UInt64 grownNamesCapacity = std::min<UInt64>(
	    std::max({UInt64(namesCapacity) * 2, UInt64(namesLength) + namesBytes, UInt64(256)}), MaxBlockLength);
	const UInt64 grownDataCapacity = std::min<UInt64>(
	    std::max({UInt64(dataCapacity) * 2, UInt64(dataLength) + dataBytes, UInt64(512)}), MaxBlockLength);
	place(names, namesCapacity, namesLength, newNames, grownNamesCapacity, namesAt, source.names + srcNamesFrom,
	      namesBytes);
	place(data, dataCapacity, dataLength, newData, grownDataCapacity, dataAt, source.data + srcDataFrom, dataBytes);

	for (UInt32 k = 0; k < n; ++k) {
		Entry& e = entries[at + k];
		e = source.entries[first + k];
		e.fix = false;
		e.nameOffset = e.nameOffset - srcNamesFrom + namesAt;
		e.dataOffset = e.dataOffset - srcDataFrom + dataAt;
	}
	for (USize k = USize(at) + n; k < entries.GetSize(); ++k) {
		entries[k].nameOffset += namesBytes;
		entries[k].dataOffset += dataBytes;
	}
	ShiftIndexedEntries(at + n, n);
	for (UInt32 k = 0; k < n; ++k)
		AddToIndex(at + k);
}

template <typename UserData>
void PropertyList<UserData>::CopyWithOverwrite(const PropertyList& source, UInt32 first, UInt32 last, UInt32 at) {
	if (last < first) return;
	if (last >= source.GetEntryNum() || at > GetEntryNum()) PropListDetail::Fail(__FILE__, __LINE__);
	const UInt32 n = last - first + 1;
	const UInt64 replacedEnd = std::min<UInt64>(UInt64(at) + n, GetEntryNum());
	for (UInt64 k = at; k < replacedEnd; ++k) {
		if (entries[k].fix) PropListDetail::Fail(__FILE__, __LINE__);
	}
	InsertEntries(source, first, last, at);
	// The replaced entries now follow the inserted ones.
	if (replacedEnd > at) DeleteEntries(at + n, static_cast<UInt32>(replacedEnd + n - 1));
}

template <typename UserData> void PropertyList<UserData>::ReplaceEntry(UInt32 from, UInt32 to) {
	const bool fix = At(from).fix;
	At(to);
	if (from == to) return;
	const UInt32 insertAt = to > from ? to + 1 : to;
	InsertEntries(*this, from, from, insertAt);
	const UInt32 oldPosition = to > from ? from : from + 1;
	entries[oldPosition].fix = false;
	DeleteEntries(oldPosition, oldPosition);
	entries[to].fix = fix;
}

// ---- comparison and checksum ------------------------------------------------------

template <typename UserData> bool PropertyList<UserData>::Equals(const PropertyList& other) const {
	if (GetEntryNum() != other.GetEntryNum()) return false;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& a = entries[i];
		const Entry& b = other.entries[i];
		if (a.storageType != b.storageType || a.arrayType != b.arrayType || a.dim1 != b.dim1 || a.dim2 != b.dim2)
			return false;
		if (CHCompareASCII(names + a.nameOffset, other.names + b.nameOffset, 0) != 0) return false;
		if (a.storageType == Int && a.arrayType == Scalar) {
			if (a.intValue != b.intValue) return false;
		} else if (a.storageType == Num) {
			const UInt64 count = UInt64(a.dim1) * a.dim2;
			for (UInt64 k = 0; k < count; ++k) {
				const double x = PropListDetail::LoadDouble(data + a.dataOffset + k * 8);
				const double y = PropListDetail::LoadDouble(other.data + b.dataOffset + k * 8);
				if (!(std::fabs(x - y) <= 1e-5)) return false;
			}
		} else {
			if (a.dataLen != b.dataLen) return false;
			if (a.dataLen != 0 && std::memcmp(data + a.dataOffset, other.data + b.dataOffset, a.dataLen) != 0)
				return false;
		}
	}
	return true;
}

template <typename UserData> Int32 PropertyList<UserData>::CheckSum(double* numSum) const {
	UInt32 sum = GetEntryNum();
	if (numSum != nullptr) *numSum = GetEntryNum();
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		sum += e.dim1;
		sum += static_cast<UInt32>(static_cast<Int32>(e.storageType));
		sum += e.arrayType;
		sum += e.dim2;
		sum += static_cast<UInt32>(CalcLongCheckSum(names + e.nameOffset, EntryNameLength(i)));
		if (e.storageType == Int && e.arrayType == Scalar) {
			sum += static_cast<UInt32>(e.intValue);
			if (numSum != nullptr) *numSum += e.intValue;
		} else if (e.storageType == Num) {
			const UInt64 count = UInt64(e.dim1) * e.dim2;
			for (UInt64 k = 0; k < count; ++k) {
				const double x = PropListDetail::LoadDouble(data + e.dataOffset + k * 8);
				sum += static_cast<UInt32>(PropListDetail::TruncateToInt32(x * 10000.0));
				if (numSum != nullptr) *numSum += x;
			}
		} else if (e.dataLen != 0) {
			sum += static_cast<UInt32>(CalcLongCheckSum(data + e.dataOffset, e.dataLen));
		}
	}
	return static_cast<Int32>(sum);
}

} // namespace Kit
