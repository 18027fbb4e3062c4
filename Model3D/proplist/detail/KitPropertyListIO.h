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
// Entries formatted or parsed per block of the entry table.
constexpr UInt32 TableChunkEntries = 128;

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

template <bool Swap> class TableReader {
public:
	explicit TableReader(const char* p) : p(p) {}
	template <typename T> T Get() {
		const auto value = LoadUnaligned<T>(p);
		p += sizeof value;
		if constexpr (Swap)
			return ByteSwap(value);
		else
			return value;
	}

private:
	const char* p;
};

// Reverses the byte order of each element of elementSize bytes.
inline void SwapElements(char* values, UInt64 bytes, USize elementSize) {
	if (elementSize < 2) return;
	for (UInt64 k = 0; k + elementSize <= bytes; k += elementSize)
		std::reverse(values + k, values + k + elementSize);
}

// The size of one element of a value as it is streamed.
inline USize StreamElementSize(Int16 storageType) {
	return storageType == PropertyListTypes::Int   ? sizeof(Int32)
	       : storageType == PropertyListTypes::Num ? sizeof(double)
	                                               : sizeof(UniChar);
}

// Collects pieces of a block that follow each other into one transfer: 'put' is called
// once per run of adjacent pieces.
template <typename Put> class RunCollector {
public:
	explicit RunCollector(Put put) : put(put) {}
	void Add(UInt64 start, UInt64 length) {
		if (start != end) {
			Flush();
			begin = start;
		}
		end = start + length;
	}
	void Flush() {
		if (end > begin) put(begin, end - begin);
		begin = end;
	}

private:
	Put put;
	UInt64 begin = 0;
	UInt64 end = 0;
};

} // namespace PropListDetail

template <typename UserData> void PropertyList<UserData>::Write(OChannel& channel) const {
	using namespace PropListDetail;
	OutputFrame frame(channel, GetPropertyListTemplateClassInfo());
	CheckOutput(channel);
	const ClassVersion userDataVersion = UserData::GetClassInfo().GetVersion();
	userDataVersion.Write(channel);
	CheckOutput(channel);

	channel.Write(GetEntryNum());
	channel.Write(namesLength);
	channel.Write(dataLength);
	CheckOutput(channel);
	if constexpr (StreamsNothing<UserData>)
		WriteEntryTable(channel);
	else
		WriteEntriesWithUserData(channel, userDataVersion);
	if (namesLength != 0) channel.WriteBin(names, namesLength);
	CheckOutput(channel);
	WriteEntryValues(channel);
	frame.Close();
	CheckOutput(channel);
}

// The entry table, formatted in blocks, for user data that streams nothing.
template <typename UserData> void PropertyList<UserData>::WriteEntryTable(OChannel& channel) const {
	using namespace PropListDetail;
	char table[TableChunkEntries * EntryStreamBytes];
	const bool swap = channel.NeedsSwap();
	const UInt32 count = GetEntryNum();
	for (UInt32 first = 0; first < count; first += TableChunkEntries) {
		const UInt32 n = std::min(count - first, TableChunkEntries);
		TableWriter writer(table, swap);
		for (UInt32 i = first; i < first + n; ++i) {
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
		channel.WriteBin(table, n * EntryStreamBytes);
		CheckOutput(channel);
	}
}

// The entries one by one, each followed by its user data.
template <typename UserData>
void PropertyList<UserData>::WriteEntriesWithUserData(OChannel& channel, const ClassVersion& userDataVersion) const {
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
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
		PropListDetail::CheckOutput(channel);
	}
}

// The values: Int and Num values without their padding, strings with it. The values lie
// one after the other in the data block, so unswapped values go out in runs that end
// only at padding.
template <typename UserData> void PropertyList<UserData>::WriteEntryValues(OChannel& channel) const {
	using namespace PropListDetail;
	const bool swap = channel.NeedsSwap();
	RunCollector run([&](UInt64 start, UInt64 length) {
		channel.WriteBin(data + start, length);
		CheckOutput(channel);
	});
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.dataLen == 0) continue;
		const USize elementSize = StreamElementSize(e.storageType);
		const UInt64 bytes = e.storageType == String ? e.dataLen / 2 * 2 : UInt64(e.dim1) * e.dim2 * elementSize;
		if (!swap) {
			run.Add(e.dataOffset, bytes);
			continue;
		}
		char buffer[4096];
		for (UInt64 done = 0; done < bytes;) {
			const USize n = static_cast<USize>(std::min<UInt64>(sizeof buffer, bytes - done));
			std::memcpy(buffer, data + e.dataOffset + done, n);
			SwapElements(buffer, n, elementSize);
			channel.WriteBin(buffer, n);
			done += n;
		}
		CheckOutput(channel);
	}
	run.Flush();
}

template <typename UserData> void PropertyList<UserData>::Read(IChannel& channel) {
	// The list is emptied; its blocks are kept aside so that a read needing blocks of
	// exactly their capacity uses them again instead of freeing and allocating.
	SpareBlocks spare{names, namesCapacity, data, dataCapacity};
	names = data = nullptr;
	namesCapacity = namesLength = dataCapacity = dataLength = 0;
	entries.Clear();
	// The name index is emptied where it is filled again (see CheckIntegrityAndIndex), so
	// its slots are still cached when the entries go in.
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
		CheckIntegrityAndIndex();
		frame.Close();
		frame.CheckStatus();
	} catch (...) {
		Clear();
		throw;
	}
}

template <typename UserData>
void PropertyList<UserData>::ReadBody(IChannel& channel, const ClassVersion& frameVersion,
                                      const ClassVersion& userDataVersion, SpareBlocks& spare) {
	using namespace PropListDetail;
	if (frameVersion.GetMajorVersion() != 1) Fail(__FILE__, __LINE__);
	const StreamCounts counts = ReadStreamCounts(channel);
	TakeBlocks(counts, spare);
	try {
		entries.reserve(counts.entries);
	} catch (const std::bad_alloc&) {
		OutOfMemory(__FILE__, __LINE__);
	}
	if constexpr (StreamsNothing<UserData>)
		ReadEntryTable(channel, counts.entries, userDataVersion);
	else
		ReadEntriesWithUserData(channel, counts.entries, userDataVersion);
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

// Name and data blocks for the counts; a spare block is used again when it has exactly
// the capacity needed. The stream fills the names, and the values up to their padding:
// only the padding (see ReadEntryValues) and the room behind the lengths are zeroed.
template <typename UserData> void PropertyList<UserData>::TakeBlocks(const StreamCounts& counts, SpareBlocks& spare) {
	const auto take = [](char*& spareBlock, UInt32 spareCapacity, UInt32 capacity, UInt32 length) {
		char* block = spareBlock != nullptr && spareCapacity == capacity
		                  ? std::exchange(spareBlock, nullptr)
		                  : PropListDetail::AllocateUnfilledBlock(capacity);
		std::memset(block + length, 0, capacity - length);
		return block;
	};
	if (counts.namesLength != 0) {
		names = take(spare.names, spare.namesCapacity, std::max<UInt32>(counts.namesLength, 256), counts.namesLength);
		namesCapacity = std::max<UInt32>(counts.namesLength, 256);
		namesLength = counts.namesLength;
	}
	if (counts.dataLength != 0) {
		data = take(spare.data, spare.dataCapacity, std::max<UInt32>(counts.dataLength, 512), counts.dataLength);
		dataCapacity = std::max<UInt32>(counts.dataLength, 512);
		dataLength = counts.dataLength;
	}
}

// The entry table, parsed in blocks, for user data that streams nothing. Each entry is
// filled where it stays: an entry put together elsewhere and copied in is read back in
// wider pieces than it was written, which stalls every copy.
template <typename UserData>
void PropertyList<UserData>::ReadEntryTable(IChannel& channel, UInt32 count, const ClassVersion& userDataVersion) {
	using namespace PropListDetail;
	if (count == 0) return;
	UserData userData{};
	userData.Read(channel, userDataVersion); // reads nothing, checks the version
	char table[TableChunkEntries * EntryStreamBytes];
	const bool swap = channel.NeedsSwap();
	for (UInt32 first = 0; first < count; first += TableChunkEntries) {
		const UInt32 n = std::min(count - first, TableChunkEntries);
		channel.ReadBin(table, n * EntryStreamBytes);
		CheckInput(channel);
		const auto parse = [&](auto reader) {
			for (UInt32 k = 0; k < n; ++k) {
				const auto storageType = reader.template Get<Int16>();
				const auto arrayType = reader.template Get<Int16>();
				Entry& e = entries.emplace_back();
				e.fix = reader.template Get<UInt8>() != 0;
				e.dim1 = reader.template Get<UInt32>();
				e.dim2 = reader.template Get<UInt32>();
				e.intValue = reader.template Get<Int32>();
				e.nameOffset = reader.template Get<UInt32>();
				e.dataOffset = reader.template Get<UInt32>();
				e.dataLen = reader.template Get<UInt32>();
				e.userData = userData;
				AcceptEntry(e, storageType, arrayType);
				SetUnusedDimsToOne(e);
			}
		};
		if (swap)
			parse(TableReader<true>(table));
		else
			parse(TableReader<false>(table));
	}
}

// The entries one by one, each followed by its user data.
template <typename UserData>
void PropertyList<UserData>::ReadEntriesWithUserData(IChannel& channel, UInt32 count,
                                                     const ClassVersion& userDataVersion) {
	using namespace PropListDetail;
	for (UInt32 i = 0; i < count; ++i) {
		Entry e;
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
		entries.Push(std::move(e));
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

// The values of every entry that has any, in the channel's byte order. Each value's
// stored length is checked against its padded length first and its padding zeroed; the
// values then come in runs of adjacent values, one read per run.
template <typename UserData> void PropertyList<UserData>::ReadEntryValues(IChannel& channel) {
	using namespace PropListDetail;
	RunCollector run([&](UInt64 start, UInt64 length) {
		channel.ReadBin(data + start, length);
		CheckInput(channel);
	});
	// Int and Num values are stored without their padding, strings with it.
	const auto storedBytes = [](const Entry& e) -> UInt64 {
		if (e.storageType == String) return e.dataLen & ~UInt32(1);
		const int sizeShift = e.storageType == Int ? 2 : 3; // Int32 or double
		const UInt64 elements = UInt64(e.dim1) * e.dim2;
		if (elements > (e.dataLen >> sizeShift)) Fail(__FILE__, __LINE__);
		return elements << sizeShift;
	};
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.dataLen == 0) continue;
		const UInt64 bytes = storedBytes(e);
		if (bytes != e.dataLen) std::memset(data + e.dataOffset + bytes, 0, static_cast<USize>(e.dataLen - bytes));
		run.Add(e.dataOffset, bytes);
	}
	run.Flush();
	if (!channel.NeedsSwap()) return;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.dataLen != 0) SwapElements(data + e.dataOffset, storedBytes(e), StreamElementSize(e.storageType));
	}
}

// Checks that the entries cover the two blocks in order, that every name ends inside
// the names block and that every value has the padded length of its type and
// dimensions. The names are hashed on the way and the name index filled, so the names
// block is walked once; a hash already present keeps its first entry.
template <typename UserData> void PropertyList<UserData>::CheckIntegrityAndIndex() {
	using namespace PropListDetail;
	bool indexed = true;
	nameIndex.Clear();
	try {
		nameIndex.Reserve(entries.GetSize()); // no growth below, so Add does not throw
	} catch (...) {
		indexed = false; // lookups fall back to the linear search
	}
	// Hashes waiting to be added, in entry order (the first entry of a hash keeps it).
	struct Pending {
		UInt32 hash;
		UInt32 index;
	};
	constexpr UInt32 PendingEntries = 32;
	Pending pending[PendingEntries] = {};
	UInt64 nameOffset = 0;
	UInt64 dataOffset = 0;
	constexpr UInt32 StringsAhead = 8;
	for (UInt32 i = 0; i < GetEntryNum(); ++i) {
		const Entry& e = entries[i];
		if (e.nameOffset != nameOffset || e.dataOffset != dataOffset || nameOffset >= namesLength)
			Fail(__FILE__, __LINE__);
		// The strings are checked long after the values were copied: the value of an entry
		// a few places on is fetched now (its range lies inside the data block).
		if (i + StringsAhead < GetEntryNum()) __builtin_prefetch(data + entries[i + StringsAhead].dataOffset);
		const char* name = names + nameOffset;
		USize nameLength = 0;
		UInt32 hash = 0;
		if (!HashShortName(name, static_cast<USize>(namesLength - nameOffset), nameLength, hash)) {
			UInt64 nameEnd = nameOffset; // names are short: a plain walk beats a library call
			while (nameEnd < namesLength && names[nameEnd] != 0)
				++nameEnd;
			if (nameEnd == namesLength) Fail(__FILE__, __LINE__);
			nameLength = static_cast<USize>(nameEnd - nameOffset);
			hash = HashName(name, nameLength);
		}
		UInt64 extent = 0;
		const UInt64 elements = UInt64(e.dim1) * e.dim2; // 1 x 1 for scalars, d1 x 1 for OneDim
		if (e.storageType == String) {
			if (elements == 0) Fail(__FILE__, __LINE__);
			extent = StringsExtent(e, elements); // throws when they do not end inside the value
		} else if (e.storageType == Num || e.arrayType != Scalar) {
			if (elements == 0) Fail(__FILE__, __LINE__);
			extent = elements * StreamElementSize(e.storageType);
		} // an Int scalar keeps its value in the entry
		if (Round8(extent) != e.dataLen) Fail(__FILE__, __LINE__);
		if (indexed) {
			// The slots of an index this large are rarely cached: each one is fetched a
			// few entries before it is filled.
			Pending& slot = pending[i % PendingEntries];
			if (i >= PendingEntries) nameIndex.Add(slot.hash, slot.index);
			nameIndex.Prefetch(hash);
			slot = Pending{hash, i};
		}
		nameOffset += nameLength + 1;
		dataOffset += e.dataLen;
	}
	if (nameOffset != namesLength || dataOffset != dataLength) Fail(__FILE__, __LINE__);
	if (indexed) {
		const UInt32 count = GetEntryNum();
		for (UInt32 i = count > PendingEntries ? count - PendingEntries : 0; i < count; ++i)
			nameIndex.Add(pending[i % PendingEntries].hash, pending[i % PendingEntries].index);
	}
}

} // namespace Kit
