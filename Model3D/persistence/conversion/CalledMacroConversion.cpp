#include "Model3D/persistence/conversion/CalledMacroConversion.h"

#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "platform/BMMemory.h"
#include "platform/ByteOrder.h"
#include "platform/MemoryChannel.h"

#include <cstring>
#include <new>

namespace {

using RecordConversion::FieldKind;
using RecordConversion::RangeFits;
using RecordConversion::RecordLayout;

// The two GUIDs after each name of the name list.
constexpr RecordLayout<1> CalledMacroGuids{32, {{0, FieldKind::Guid, 2}}};
static_assert(RecordConversion::IsCompleteLayout(CalledMacroGuids));

Int16 SwapNameList(Kit::PlatformSign from, char* data, Int64 size, Kit::PlatformSign to) {
	Int64 at = 0;
	while (at < size) {
		const void* terminator = std::memchr(data + at, '\0', USize(size - at));
		if (terminator == nullptr) return RecordConversionOverrun;
		const Int64 nameLength = static_cast<const char*>(terminator) - (data + at);
		const Int64 guidsAt = at + nameLength + 1;
		if (!RangeFits(guidsAt, 1, CalledMacroGuids.size, size)) return RecordConversionOverrun;
		IVChars(from, to, USize(nameLength), data + at);
		RecordConversion::SwapRecordsAt(from, to, data + guidsAt, 1, CalledMacroGuids);
		at = guidsAt + CalledMacroGuids.size;
	}
	return RecordConversionNoError;
}

Int16 ChannelResult(GSErrCode channelError) {
	if (channelError == NoError) return RecordConversionNoError;
	return channelError == Kit::ChannelEndOfInput ? RecordConversionOverrun : RecordConversionBadStructure;
}

Int16 SwapItemList(Kit::PlatformSign from, GSHandle handle, Kit::PlatformSign to) {
	IO::MemoryIChannel input(*handle, UInt64(BMGetHandleSize(handle)));
	IO::SetPlatformIProtocol(input, from);
	Kit::Array<SyCalledMacroItem> items;
	if (const GSErrCode err = ReadCalledMacroList(input, items); err != NoError) return ChannelResult(err);
	// The stream is the whole handle: bytes after it would be lost in the rewrite.
	if (input.GetAvailable() != 0) return RecordConversionBadStructure;

	IO::MemoryOChannel output;
	IO::SetPlatformOProtocol(output, to);
	if (WriteCalledMacroList(output, items) != NoError) return RecordConversionOverrun;
	const Int64 outputSize = Int64(output.GetDataSize());
	if (BMReallocHandle(handle, outputSize) == nullptr) return Int16(BMError());
	BNCopyMemory(*handle, output.GetBuffer(), outputSize);
	return RecordConversionNoError;
}

} // namespace

Int16 SwapLP_CalledMacroSection(Kit::PlatformSign from, char** handle, Int16 mode, Kit::PlatformSign to) {
	if (handle == nullptr || *handle == nullptr) return RecordConversionBadStructure;
	if (mode == CalledMacroNameListMode) return SwapNameList(from, *handle, BMGetHandleSize(handle), to);
	try {
		return SwapItemList(from, handle, to);
	} catch (const std::bad_alloc&) {
		return Int16(BMOutOfMemory);
	}
}

GSErrCode MakeCalledMacroSection(const Kit::Array<SyCalledMacroItem>& items, Kit::PlatformSign to, GSHandle* handle) {
	if (handle == nullptr) return BMNilHandle;
	*handle = nullptr;
	IO::MemoryOChannel output;
	IO::SetPlatformOProtocol(output, to);
	if (const GSErrCode err = WriteCalledMacroList(output, items); err != NoError) return err;
	const Int64 size = Int64(output.GetDataSize());
	GSHandle made = BMAllocateHandle(size);
	if (made == nullptr) return BMError();
	BNCopyMemory(*made, output.GetBuffer(), size);
	*handle = made;
	return NoError;
}
