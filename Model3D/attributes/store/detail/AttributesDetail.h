// Helpers shared by the source files of Modeler::Attributes: the source name its
// exceptions carry, the table messages, and checked access to the variable-array tables.
#pragma once

#include "platform/KitException.h"
#include "platform/KitTypes.h"
#include "platform/VaManager.h"

namespace Modeler::AttributesDetail {

inline constexpr const char* SourceName = "Model3D/ModelerAttributes";

inline constexpr const char* MaterialIndexMessage = "Material (umat) index out of range";
inline constexpr const char* FillIndexMessage = "Fill (ufil) index out of range";
inline constexpr const char* FillDescriptorIndexMessage = "Fill (fide) index out of range";
inline constexpr const char* TextureIndexMessage = "Texture (rtxt) index out of range";
inline constexpr const char* TextureAttributesIndexMessage = "Texture (txta) index out of range";

[[noreturn]] inline void ThrowIllegalArgument(const char* message, UInt32 line) {
	throw Kit::IllegalArgumentException(message, SourceName, line);
}
[[noreturn]] inline void ThrowRunTimeError(const char* message, UInt32 line) {
	throw Kit::RunTimeErrorException(message, SourceName, line);
}
[[noreturn]] inline void ThrowOutOfMemory(const char* message, UInt32 line) {
	throw Kit::OutOfMemoryException(message, SourceName, line);
}

// Entry i of a table, after checking 1 <= i <= count (and count > 0).
template <typename T> T* CheckedItem(const DESC& desc, UInt32 i, const char* message, UInt32 line) {
	if (i == 0 || desc.itemCount <= 0 || i > static_cast<UInt32>(desc.itemCount)) ThrowIllegalArgument(message, line);
	return reinterpret_cast<T*>(VAManager::ItemPtr(desc, static_cast<Int32>(i)));
}

// Entry i of a table without a check (the caller keeps i within 1..count).
template <typename T> T* Item(const DESC& desc, Int32 i) {
	return reinterpret_cast<T*>(VAManager::ItemPtr(desc, i));
}

// The check of a range writer: with count != 0, entries first..first + count - 1 must
// all exist.
inline void CheckWriteRange(UInt64 tableCount, UInt32 first, UInt32 count, const char* message, UInt32 line) {
	if (count == 0) return;
	if (first == 0 || tableCount == 0 || UInt64(first) + count - 1 > tableCount) ThrowIllegalArgument(message, line);
}

} // namespace Modeler::AttributesDetail
