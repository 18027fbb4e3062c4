#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "platform/BMMemory.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace Modeler {

using namespace AttributesDetail;

namespace {

constexpr const char* FillRangeMessage = "Fill index out of range";
constexpr const char* ReadFillFailedMessage =
    "KModeler::Attributes::OnlyModifier::ReadFill: Kit::IChannel::ReadBin failed";
constexpr const char* ReadFillDescriptorFailedMessage =
    "KModeler::Attributes::OnlyModifier::ReadFillDescriptor: Kit::IChannel::ReadBin failed";
constexpr const char* ConvertFillDescriptorFailedMessage =
    "KModeler::Attributes::OnlyModifier::ReadFillDescriptor: IV_FIDE failed";
constexpr const char* ReadMaterialFailedMessage = "Modeler::Attributes::OnlyModifier::ReadMaterial: UMAT::Read failed";
constexpr const char* ReadMaterial455AllocMessage = "Modeler::Attributes::OnlyModifier::ReadMaterial455: BMpAll failed";
constexpr const char* ReadMaterial455FailedMessage =
    "Modeler::Attributes::OnlyModifier::ReadMaterial455: Kit::IChannel::ReadBin failed";

// Records converted by one call of a byte-order function, so that the function's Int32
// byte offset never overflows.
constexpr UInt32 ConversionChunkRecords = 1u << 20;

// Converts n fixed-size records at 'buffer' in chunks with convert(chunk, count).
template <typename Convert> void ConvertInChunks(char* buffer, UInt64 n, UInt64 recordSize, Convert convert) {
	for (UInt64 done = 0; done < n;) {
		const UInt64 count = std::min<UInt64>(n - done, ConversionChunkRecords);
		convert(buffer + done * recordSize, static_cast<Int32>(count));
		done += count;
	}
}

// Reads n items of a table into the room after its count, checking first that the room
// was reserved and that the channel holds the bytes.
char* ReadIntoRoom(Kit::IChannel& channel, const DESC& desc, UInt32 n, const char* failMessage, UInt32 line) {
	if (Int64(desc.itemCount) + n > desc.allocCount) ThrowIllegalArgument(FillRangeMessage, line);
	const UInt64 bytes = UInt64(n) * static_cast<UInt64>(desc.itemSize);
	if (bytes > channel.GetAvailable()) ThrowRunTimeError(failMessage, line);
	char* destination = VAManager::ItemPtr(desc, desc.itemCount + 1);
	if (channel.ReadBin(destination, bytes) != 0) ThrowRunTimeError(failMessage, line);
	return destination;
}

struct PtrDeleter {
	void operator()(char* block) const { BMKillPtr(&block); }
};

} // namespace

void Attributes::OnlyModifier::ReadFill(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n) {
	if (n == 0) return;
	DESC& fills = store->fills;
	char* records = ReadIntoRoom(channel, fills, n, ReadFillFailedMessage, __LINE__);
	if (platform != Kit::Native_Platform_Sign) {
		ConvertInChunks(records, n, UFIL_Size, [platform](char* chunk, Int32 count) {
			Int32 offset = 0;
			IV_UFIL(platform, chunk, &offset, count, Kit::Native_Platform_Sign);
		});
	}
	fills.itemCount += static_cast<Int32>(n);
}

void Attributes::OnlyModifier::ReadFillDescriptor(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n,
                                                  Int32 version) {
	if (n == 0) return;
	DESC& fillDescriptors = store->fillDescriptors;
	char* bytes = ReadIntoRoom(channel, fillDescriptors, n, ReadFillDescriptorFailedMessage, __LINE__);
	if (platform != Kit::Native_Platform_Sign) {
		// The room check keeps n within an Int32.
		Int32 offset = 0;
		if (IV_FIDE(platform, bytes, &offset, static_cast<Int32>(n), version, Kit::Native_Platform_Sign) != 0)
			ThrowRunTimeError(ConvertFillDescriptorFailedMessage, __LINE__);
	}
	fillDescriptors.itemCount += static_cast<Int32>(n);
}

void Attributes::OnlyModifier::ReadMaterial(Kit::IChannel& channel, Int32 version, Kit::PlatformSign platform,
                                            UInt32 /*first*/, UInt32 n) {
	if (n == 0) return;
	Kit::PagedArray<UMAT>& materials = store->materials;
	// Every material takes at least its fixed part: refuse a count the channel cannot
	// hold before making room for it.
	if (UInt64(n) * UMATFixedFileSize > channel.GetAvailable()) ThrowRunTimeError(ReadMaterialFailedMessage, __LINE__);

	const USize oldCount = materials.GetSize();
	materials.SetSize(oldCount + n);
	if (oldCount + n > materials.GetSize()) ThrowIllegalArgument(MaterialIndexMessage, __LINE__);

	for (USize i = oldCount; i < oldCount + n; ++i) {
		const Kit::PlatformSign previous = channel.GetProtocol();
		IO::SetPlatformIProtocol(channel, platform);
		const int result = materials[i].Read(channel, version);
		IO::SetPlatformIProtocol(channel, previous);
		if (result != 0) {
			// A failed read leaves no half-read materials behind.
			materials.SetSize(oldCount);
			ThrowRunTimeError(ReadMaterialFailedMessage, __LINE__);
		}
	}
}

void Attributes::OnlyModifier::ReadMaterial455(Kit::IChannel& channel, Kit::PlatformSign platform, UInt32 n) {
	if (n == 0) return;
	const UInt64 bytes = UInt64(n) * UMAT_455_Size;
	if (bytes > channel.GetAvailable()) ThrowRunTimeError(ReadMaterial455FailedMessage, __LINE__);

	std::unique_ptr<char, PtrDeleter> block(BMAllocatePtr(static_cast<Int64>(bytes)));
	if (block == nullptr) ThrowOutOfMemory(ReadMaterial455AllocMessage, __LINE__);
	if (channel.ReadBin(block.get(), bytes) != 0) ThrowRunTimeError(ReadMaterial455FailedMessage, __LINE__);
	if (platform != Kit::Native_Platform_Sign) {
		ConvertInChunks(block.get(), n, UMAT_455_Size, [platform](char* chunk, Int32 count) {
			Int32 offset = 0;
			IV_UMAT_455(platform, chunk, &offset, count, Kit::Native_Platform_Sign);
		});
	}

	Kit::PagedArray<UMAT>& materials = store->materials;
	for (UInt32 i = 0; i < n; ++i) {
		UMAT_455 old;
		std::memcpy(&old, block.get() + UInt64(i) * UMAT_455_Size, sizeof old);
		materials.Push(UMAT());
		UMAT& material = materials.GetLast();
		material.params.Clear();
		FCUmatFromUmat455(&material, &old);
	}
}

} // namespace Modeler
