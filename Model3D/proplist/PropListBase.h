// Types and helpers shared by every instantiation of Kit::PropertyList: the storage
// and array type codes, the name hash, the long checksum and the text copies.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitAutoArrayPtr.h"
#include "platform/KitTypes.h"

namespace Kit {

struct M3D_EXPORT PropertyListTypes {
	// How the values of an entry are stored.
	enum StorageType : Int16 {
		Int = 0,   // Int32 values; a scalar keeps its value in the entry itself
		Num = 1,   // doubles
		String = 2 // zero-terminated UTF-16 strings one after the other
	};
	// Shape of an entry's value.
	enum ArrayType : UInt8 { Scalar = 0, OneDim = 1, TwoDim = 2 };

	// Index returned by name lookups that find nothing.
	static constexpr UInt32 NoIndex = 0xFFFFFFFF;
	// Row and column of a reference that selects no element.
	static constexpr UInt32 NoElement = 0xFFFFFFFF;
	// Bytes counted per entry by GetAllocatedBytes.
	static constexpr UInt64 BytesPerEntry = 36;
	// Largest block length (the offsets are 32-bit and lengths are multiples of 8).
	static constexpr UInt64 MaxBlockLength = 0xFFFFFFF8u;
};

// Hash of an entry name: case-folded, and for names of 16 characters or more only every
// (length / 8)-th character is taken.
M3D_EXPORT UInt32 CalcStrHashValue(const char* name);

// Wrapping Int32 sum of the length / 4 native Int32 words, plus the signed bytes that
// follow them.
M3D_EXPORT Int32 CalcLongCheckSum(const void* bytes, UInt64 length);

// Number of UTF-16 units of a zero-terminated text, without the terminator.
M3D_EXPORT USize UStrLen(const UniChar* text);

namespace PropListText {

// Copies a UTF-16 text to an 8-bit buffer of 'size' bytes in the host's code page: the
// buffer is zeroed first and receives at most size - 1 characters.
M3D_EXPORT void CopyUStr(const UniChar* text, char* buffer, UInt32 size);
// Copies at most size - 1 units and a terminating zero.
M3D_EXPORT void CopyUStr(const UniChar* text, UniChar* buffer, UInt32 size);
// Replaces the array with a new zeroed one of the converted length + 1, holding the text.
M3D_EXPORT void CopyUStr(const UniChar* text, AutoArrayPtr<char>& target);

// Converts an 8-bit text (host code page) of 'length' bytes to UTF-16 units (no
// terminator is added).
M3D_EXPORT void AnsiToUnicode(const char* text, USize length, UniChar* destination);

} // namespace PropListText

} // namespace Kit
