// Member definitions of Kit::PropertyList: the binary stream. Included only where the
// list is instantiated.
//
// Stream, inside a frame for GetPropertyListTemplateClassInfo() (typed values in the
// channel's byte order):
//   ClassVersion of the user data
//   UInt32 entry count, UInt32 names length, UInt32 data length
//   per entry: Int16 storageType, Int16 arrayType, bool fix, UInt32 dim1, UInt32 dim2,
//              Int32 intValue, UInt32 nameOffset, UInt32 dataOffset, UInt32 dataLen,
//              then the entry's user data
//   the names block, byte by byte
//   per entry with dataLen != 0: dim1 x dim2 Int32 / doubles, or dataLen / 2 UTF-16 units
#pragma once

#include "Model3D/proplist/detail/KitPropertyListImp.h"
#include "platform/ByteOrder.h"

#include <utility>

namespace Kit {

namespace PropListDetail {

// Smallest number of stream bytes per entry (the user data may add more).
constexpr UInt64 EntryStreamBytes = 2 + 2 + 1 + 6 * 4;

inline void CheckOutput(const OChannel& channel) {
	if (channel.GetOutputStatus() != 0) Fail(__FILE__, __LINE__);
}

inline void CheckInput(const IChannel& channel) {
	if (channel.GetInputStatus() != 0) Fail(__FILE__, __LINE__);
}

// User data that writes nothing lets the entry table go through the channel in one block.
template <typename UserData>
concept StreamsNothing = UserData::StreamsNothing;

// Fixed-width values in a byte buffer, in a given byte order.
class TableWriter {
public:
	TableWriter(char* p, bool swap) : p(p), swap(swap) {}
	template <typename T> void Put(T value) {
		if (swap) value = ByteSwap(value);
		std::memcpy(p, &value, sizeof value);
		p += sizeof value;
	}

private:
	char* p;
	bool swap;
};

class TableReader {
public:
	TableReader(const char* p, bool swap) : p(p), swap(swap) {}
	template <typename T> T Get() {
		const auto value = LoadUnaligned<T>(p);
		p += sizeof value;
		return swap ? ByteSwap(value) : value;
	}

private:
	const char* p;
	bool swap;
};

// Reads 'count' values of elementSize bytes in the channel's byte order.
inline void ReadValues(IChannel& channel, char* values, UInt64 count, USize elementSize) {
	const UInt64 total = count * elementSize;
	channel.ReadBin(values, total);
	if (channel.NeedsSwap() && elementSize > 1) {
		for (UInt64 k = 0; k < total; k += elementSize)
			std::reverse(values + k, values + k + elementSize);
	}
}

} // namespace PropListDetail

template <typename UserData> void PropertyList<UserData>::Write(OChannel& channel) const {
	using namespace PropListDetail;
	OutputFrame frame(channel, GetPropertyListTemplateClassInfo());
	CheckOutput(channel);
	const ClassVersion userDataVersion = UserData::GetClassInfo().GetVersion();
	userDataVersion.Write(channel);
	CheckOutput(channel);

	const UInt32 count = GetEntryNum();
	channel.Write(count);
	channel.Write(namesLength);
	channel.Write(dataLength);
	CheckOutput(channel);
	if constexpr (StreamsNothing<UserData>) {
		std::vector<char> table;
		try {
			table.resize(static_cast<USize>(count * EntryStreamBytes));
		} catch (const std::bad_alloc&) {
			OutOfMemory(__FILE__, __LINE__);
		}
		TableWriter writer(table.data(), channel.NeedsSwap());
		for (UInt32 i = 0; i < count; ++i) {
			const Entry& e = entries[i];
			writer.Put<Int16>(e.storageType);
			writer.Put<Int16>(e.arrayType);
			writer.Put<UInt8>(e.fix ? 1 : 0);
			writer.Put<UInt32>(e.dim1);
			writer.Put<UInt32>(e.dim2);
			writer.Put<Int32>(e.intValue);
			writer.Put<UInt32>(e.nameOffset);
			writer.Put<UInt32>(e.dataOffset);
			writer.Put<UInt32>(e.dataLen);
		}
		if (!table.empty()) channel.WriteBin(table.data(), table.size());
		CheckOutput(channel);
	} else {
		for (UInt32 i = 0; i < count; ++i) {
			const Entry& e = entries[i];
			channel.Write(e.storageType);
			channel.Write(static_cast<Int16>(e.arrayType));
			channel.Write(e.fix);
			channel.Write(e.dim1);
			channel.Write(e.dim2);
			channel.Write(e.intValue);
			channel.Write(e.nameOffset);
			channel.Write(e.dataOffset);
			channel.Write(e.dataLen);
			e.userData.Write(channel, userDataVersion);
			CheckOutput(channel);
		}
	}
	if (namesLength != 0) channel.WriteBin(names, namesLength);
	CheckOutput(channel);
	// The values: Int and Num values without their padding, strings with it.
	const bool swap = channel.NeedsSwap();
	for (UInt32 i = 0; i < count; ++i) {
		const Entry& e = entries[i];
		if (e.dataLen == 0) continue;
		const USize elementSize = e.storageType == Int ? 4 : e.storageType == Num ? 8 : 2;
		const UInt64 bytes = e.storageType == String ? e.dataLen / 2 * 2 : UInt64(e.dim1) * e.dim2 * elementSize;
		const char* values = data + e.dataOffset;
		if (!swap) {
			channel.WriteBin(values, bytes);
		} else {
			char buffer[4096];
			for (UInt64 done = 0; done < bytes;) {
				const USize n = static_cast<USize>(std::min<UInt64>(sizeof buffer, bytes - done));
				std::memcpy(buffer, values + done, n);
				for (USize k = 0; k < n; k += elementSize)
					std::reverse(buffer + k, buffer + k + elementSize);
				channel.WriteBin(buffer, n);
				done += n;
			}
		}
		CheckOutput(channel);
	}
	frame.Close();
	CheckOutput(channel);
}

template <typename UserData> void PropertyList<UserData>::Read(IChannel& channel) {
	// The list is emptied; its blocks are kept aside so that a read needing blocks of
	// exactly their capacity uses them again instead of freeing and allocating.
	SpareBlocks spare{names, namesCapacity, data, dataCapacity};
	names = data = nullptr;
	namesCapacity = namesLength = dataCapacity = dataLength = 0;
	entries.Clear();
	nameIndex.Clear();
	struct FreeSpare {
		SpareBlocks& spare;
		~FreeSpare() {
			PropListDetail::FreeBlock(spare.names);
			PropListDetail::FreeBlock(spare.data);
		}
	} freeSpare{spare};
	try {
		InputFrame frame(channel, GetPropertyListTemplateClassInfo());
		frame.CheckStatus();
		ClassVersion userDataVersion;
		userDataVersion.Read(channel);
		PropListDetail::CheckInput(channel);
		// Data of a newer user-data version cannot be read.
		if (userDataVersion > UserData::GetClassInfo().GetVersion()) PropListDetail::Fail(__FILE__, __LINE__);
		ReadBody(channel, frame.GetVersion(), userDataVersion, spare);
		CheckIntegrity();
		frame.Close();
		frame.CheckStatus();
	} catch (...) {
		Clear();
		throw;
	}
	RebuildNameIndex();
}

template <typename UserData>
void PropertyList<UserData>::ReadBody(IChannel& channel, const ClassVersion& frameVersion,
                                      const ClassVersion& userDataVersion, SpareBlocks& spare) {
	using namespace PropListDetail;
	if (frameVersion.GetMajorVersion() != 1) Fail(__FILE__, __LINE__);
	const StreamCounts counts = ReadStreamCounts(channel);
	TakeBlocks(counts, spare);
	try {
		entries.SetSize(counts.entries);
	} catch (const std::bad_alloc&) {
		OutOfMemory(__FILE__, __LINE__);
	}
	if constexpr (StreamsNothing<UserData>)
		ReadEntryTable(channel, userDataVersion);
	else
		ReadEntriesWithUserData(channel, userDataVersion);
	if (namesLength != 0) channel.ReadBin(names, namesLength);
	CheckInput(channel);
	ReadEntryValues(channel);
}

// The entry count and the lengths of the two blocks. Counts that the rest of the stream
// cannot hold are refused before anything is allocated: every entry takes at least
// EntryStreamBytes, the names are stored whole, and the values take at least half of
// their padded length.
template <typename UserData>
typename PropertyList<UserData>::StreamCounts PropertyList<UserData>::ReadStreamCounts(IChannel& channel) {
	using namespace PropListDetail;
	StreamCounts counts;
	channel.Read(counts.entries);
	channel.Read(counts.namesLength);
	channel.Read(counts.dataLength);
	CheckInput(channel);
	const UInt64 minimum =
	    UInt64(counts.entries) * EntryStreamBytes + counts.namesLength + (UInt64(counts.dataLength) + 1) / 2;
	if (minimum > channel.GetAvailable() || counts.entries == NoIndex || counts.namesLength > MaxBlockLength ||
	    counts.dataLength > MaxBlockLength)
		Fail(__FILE__, __LINE__);
	return counts;
}

// Zeroed name and data blocks for the counts; a spare block is used again when it has
// exactly the capacity needed.
template <typename UserData> void PropertyList<UserData>::TakeBlocks(const StreamCounts& counts, SpareBlocks& spare) {
	const auto take = [](char*& spareBlock, UInt32 spareCapacity, UInt32 capacity) {
		if (spareBlock == nullptr || spareCapacity != capacity) return PropListDetail::AllocateBlock(capacity);
		char* block = std::exchange(spareBlock, nullptr);
		std::memset(block, 0, capacity);
		return block;
	};
	if (counts.namesLength != 0) {
		names = take(spare.names, spare.namesCapacity, std::max<UInt32>(counts.namesLength, 256));
		namesCapacity = std::max<UInt32>(counts.namesLength, 256);
		namesLength = counts.namesLength;
	}
	if (counts.dataLength != 0) {
		data = take(spare.data, spare.dataCapacity, std::max<UInt32>(counts.dataLength, 512));
		dataCapacity = std::max<UInt32>(counts.dataLength, 512);
		dataLength = counts.dataLength;
	}
}

// The entry table in one block, for user data that streams nothing.
template <typename UserData>
void PropertyList<UserData>::ReadEntryTable(IChannel& channel, const ClassVersion& userDataVersion) {
	using namespace PropListDetail;
	const UInt32 count = GetEntryNum();
	// The table's size was checked against the stream with the counts.
	std::vector<char> table;
	try {
		table.resize(static_cast<USize>(count * EntryStreamBytes));
	} catch (const std::bad_alloc&) {
		OutOfMemory(__FILE__, __LINE__);
	}
	if (!table.empty()) channel.ReadBin(table.data(), table.size());
	CheckInput(channel);
	TableReader reader(table.data(), channel.NeedsSwap());
	for (UInt32 i = 0; i < count; ++i) {
		Entry& e = entries[i];
		const Int16 storageType = reader.Get<Int16>();
		const Int16 arrayType = reader.Get<Int16>();
		e.fix = reader.Get<UInt8>() != 0;
		e.dim1 = reader.Get<UInt32>();
		e.dim2 = reader.Get<UInt32>();
		e.intValue = reader.Get<Int32>();
		e.nameOffset = reader.Get<UInt32>();
		e.dataOffset = reader.Get<UInt32>();
		e.dataLen = reader.Get<UInt32>();
		AcceptEntry(e, storageType, arrayType);
		e.userData.Read(channel, userDataVersion); // reads nothing, checks the version
		SetUnusedDimsToOne(e);
	}
}

// The entries one by one, each followed by its user data.
template <typename UserData>
void PropertyList<UserData>::ReadEntriesWithUserData(IChannel& channel, const ClassVersion& userDataVersion) {
	using namespace PropListDetail;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		Entry& e = entries[i];
		Int16 storageType = 0, arrayType = 0;
		channel.Read(storageType);
		channel.Read(arrayType);
		channel.Read(e.fix);
		channel.Read(e.dim1);
		channel.Read(e.dim2);
		channel.Read(e.intValue);
		channel.Read(e.nameOffset);
		channel.Read(e.dataOffset);
		channel.Read(e.dataLen);
		CheckInput(channel);
		AcceptEntry(e, storageType, arrayType);
		e.userData.Read(channel, userDataVersion);
		CheckInput(channel);
		SetUnusedDimsToOne(e);
	}
}

// Checks the types and the name and value ranges of an entry read from the stream.
template <typename UserData>
void PropertyList<UserData>::AcceptEntry(Entry& e, Int16 storageType, Int16 arrayType) const {
	using namespace PropListDetail;
	if (!IsStorageType(storageType) || !IsArrayType(arrayType)) Fail(__FILE__, __LINE__);
	e.storageType = storageType;
	e.arrayType = static_cast<UInt8>(arrayType);
	if (e.nameOffset > namesLength || UInt64(e.dataOffset) + e.dataLen > dataLength) Fail(__FILE__, __LINE__);
}

// Scalars have 1 x 1 elements and one-dimensional arrays one column, whatever the
// stream says.
template <typename UserData> void PropertyList<UserData>::SetUnusedDimsToOne(Entry& e) {
	if (e.arrayType == Scalar)
		e.dim1 = e.dim2 = 1;
	else if (e.arrayType == OneDim)
		e.dim2 = 1;
}

// The values of every entry that has any, in the channel's byte order.
template <typename UserData> void PropertyList<UserData>::ReadEntryValues(IChannel& channel) {
	using namespace PropListDetail;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.dataLen == 0) continue;
		char* values = data + e.dataOffset;
		const UInt64 elements = UInt64(e.dim1) * e.dim2;
		switch (e.storageType) {
		case Int:
			if (elements > e.dataLen / sizeof(Int32)) Fail(__FILE__, __LINE__);
			ReadValues(channel, values, elements, sizeof(Int32));
			break;
		case Num:
			if (elements > e.dataLen / sizeof(double)) Fail(__FILE__, __LINE__);
			ReadValues(channel, values, elements, sizeof(double));
			break;
		default:
			ReadValues(channel, values, e.dataLen / 2, sizeof(UniChar));
			break;
		}
		CheckInput(channel);
	}
}

template <typename UserData> void PropertyList<UserData>::CheckIntegrity() const {
	using namespace PropListDetail;
	UInt64 nameOffset = 0;
	UInt64 dataOffset = 0;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.nameOffset != nameOffset || e.dataOffset != dataOffset || nameOffset >= namesLength)
			Fail(__FILE__, __LINE__);
		const void* end = std::memchr(names + nameOffset, 0, namesLength - nameOffset);
		if (end == nullptr) Fail(__FILE__, __LINE__);
		const UInt64 nameLength = static_cast<const char*>(end) - (names + nameOffset);
		UInt64 extent = 0;
		if (e.storageType == String) {
			const UInt64 elements = e.arrayType == Scalar ? 1 : UInt64(e.dim1) * e.dim2;
			if (elements == 0) Fail(__FILE__, __LINE__);
			extent = StringsExtent(e, elements); // throws when they do not end inside the value
		} else {
			extent = CalcExtLen(e.storageType, e.arrayType, e.dim1, e.dim2);
		}
		if (Round8(extent) != e.dataLen) Fail(__FILE__, __LINE__);
		nameOffset += nameLength + 1;
		dataOffset += e.dataLen;
	}
	if (nameOffset != namesLength || dataOffset != dataLength) Fail(__FILE__, __LINE__);
}

} // namespace Kit
