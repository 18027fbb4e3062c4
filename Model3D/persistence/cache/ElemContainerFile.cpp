// The element container's cache file: writing, reading, purging and restoring.
#include "Model3D/core/elems/ElemContainer.h"

#include "Model3D/persistence/cache/detail/CacheFileFaults.h"
#include "platform/Crc32c.h"
#include "platform/FileChannel.h"
#include "platform/IOErrors.h"
#include "platform/IOFile.h"
#include "platform/IOFolder.h"
#include "platform/KitException.h"
#include "platform/KitFrame.h"
#include "platform/KitLogger.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace Modeler {

namespace {

constexpr UInt64 PreallocatedBytesPerElem = 240;

// The frames around the index records.
const Kit::ClassInfo& PagedArrayClassInfo() {
	static const Kit::ClassInfo info("PagedArray", "{5B0E6C1A-2F47-4D3B-A9E8-71C4D2F0B36E}", Kit::ClassVersion(1, 0));
	return info;
}

// A damaged file: refused the way a failed channel is.
[[noreturn]] void ThrowBadFile(const char* message, UInt32 line) {
	throw Kit::InternalErrorException(message, "Model3D/ElemContainer", line);
}

void WriteIndices(Kit::OChannel& ch, const ElemContainer::IndicesList& indices) {
	Kit::OutputFrame frame(ch, PagedArrayClassInfo());
	ch.Write(static_cast<UInt32>(indices.GetSize()));
	for (USize i = 0; i < indices.GetSize(); ++i) {
		const ElemIndices& record = indices[i];
		ch.Write(static_cast<Int32>(record.absoluteBodyIdx));
		Kit::OutputFrame inner(ch, PagedArrayClassInfo());
		ch.Write(static_cast<UInt32>(record.gPgons.GetSize()));
		for (USize j = 0; j < record.gPgons.GetSize(); ++j)
			ch.Write(static_cast<Int32>(record.gPgons[j]));
		inner.Close();
	}
	frame.Close();
}

void CheckFrameVersion(const Kit::InputFrame& frame) {
	frame.CheckStatus();
	if (frame.GetVersion().GetMajorVersion() != PagedArrayClassInfo().GetVersion().GetMajorVersion())
		ThrowBadFile("unknown index record version", __LINE__);
}

void ReadIndices(Kit::IChannel& ch, ElemContainer::IndicesList& indices) {
	Kit::InputFrame frame(ch, PagedArrayClassInfo());
	CheckFrameVersion(frame);
	UInt32 count = 0;
	ch.Read(count);
	if (ch.GetInputStatus() != 0 || UInt64(count) * 8 > ch.GetAvailable())
		ThrowBadFile("bad index record count", __LINE__);
	ElemContainer::IndicesList read;
	read.SetSize(count);
	for (UInt32 i = 0; i < count; ++i) {
		Int32 absolute = 0;
		ch.Read(absolute);
		read[i].absoluteBodyIdx = static_cast<UInt32>(absolute);
		Kit::InputFrame inner(ch, PagedArrayClassInfo());
		CheckFrameVersion(inner);
		UInt32 offsets = 0;
		ch.Read(offsets);
		if (ch.GetInputStatus() != 0 || UInt64(offsets) * 4 > ch.GetAvailable())
			ThrowBadFile("bad polygon offset count", __LINE__);
		read[i].gPgons.SetSize(offsets);
		for (UInt32 j = 0; j < offsets; ++j) {
			Int32 value = 0;
			ch.Read(value);
			read[i].gPgons[j] = static_cast<UInt32>(value);
		}
		inner.Close();
		inner.CheckStatus();
	}
	frame.Close();
	frame.CheckStatus();
	indices = std::move(read);
}

} // namespace

IO::Name ElemContainer::GetCacheFileName(Int32 index) {
	char name[64];
	std::snprintf(name, sizeof name, "ModelElems-%ld", static_cast<long>(index));
	return IO::Name(name);
}

namespace {

std::atomic<UInt64> writeLimit{CacheFileFaults::NoLimit};

[[noreturn]] void ThrowWriteFailed(const IO::Location& where, const std::string& why, UInt32 line) {
	const std::string message = "Model3D::ElemContainer::WriteToFile failed: " + where.ToUtf8() + ": " + why;
	throw Kit::InternalErrorException(message.c_str(), "Model3D/ElemContainer", line);
}

std::string IOFailure(const char* what, Int32 result) {
	return std::string(what) + ": " + IO::GetErrorText(result);
}

// The output of a cache file: buffered writes to the file, keeping the CRC-32C of every
// byte handed to the channel.
class CacheFileOChannel : public Kit::OChannel {
public:
	explicit CacheFileOChannel(IO::File& file) : file(file), buffer(IO::DefaultFileChannelBufferSize) {}
	CacheFileOChannel(const CacheFileOChannel&) = delete;
	CacheFileOChannel& operator=(const CacheFileOChannel&) = delete;
	~CacheFileOChannel() override = default;

	void Flush() override {
		if (GetOutputStatus() == 0 && !WriteBuffer()) SetOutputStatus(Kit::ChannelWriteError);
	}
	UInt32 GetChecksum() const { return Kit::Crc32c(buffer.data(), used, flushedCrc); }
	UInt64 GetLength() const { return written + used; }

protected:
	bool DoWrite(const void* source, UInt64 n) override {
		const char* in = static_cast<const char*>(source);
		while (n > 0) {
			if (used == buffer.size() && !WriteBuffer()) return false;
			const USize count = static_cast<USize>(std::min<UInt64>(n, buffer.size() - used));
			std::memcpy(buffer.data() + used, in, count);
			used += count;
			in += count;
			n -= count;
		}
		return true;
	}

private:
	bool WriteBuffer() {
		if (used == 0) return true;
		flushedCrc = Kit::Crc32c(buffer.data(), used, flushedCrc);
		const UInt64 limit = writeLimit.load(std::memory_order_relaxed);
		const UInt64 allowed = limit > written ? std::min<UInt64>(used, limit - written) : 0;
		const bool refused = allowed < used;
		used = 0; // a failed block is dropped, never written twice
		if (file.WriteBin(buffer.data(), allowed) != IO::NoIOError) return false;
		written += allowed;
		return !refused;
	}

	IO::File& file;
	std::vector<char> buffer;
	USize used = 0;
	UInt64 written = 0;
	UInt32 flushedCrc = 0;
};

// Deletes the half-written file of a failed write.
class TempFileRemover {
public:
	explicit TempFileRemover(const IO::Location& where) : where(where) {}
	TempFileRemover(const TempFileRemover&) = delete;
	TempFileRemover& operator=(const TempFileRemover&) = delete;
	~TempFileRemover() {
		if (!kept) IO::fileSystem.Delete(where);
	}
	void Keep() { kept = true; }

private:
	const IO::Location& where;
	bool kept = false;
};

} // namespace

void CacheFileFaults::FailWritesAfter(UInt64 bytes) {
	writeLimit.store(bytes, std::memory_order_relaxed);
}

void ElemContainer::WriteToFile(const IO::Location& folder, Int32 index) const {
	// While purged, the elements live only in the cache file, which may be the very file
	// about to be written: bring them back first so that no element is lost.
	EnsureRestored();
	const IO::Location target = folder.Appended(GetCacheFileName(index));
	// The file is written under a name of its own and takes the cache file's name only
	// once it is complete: a crash or a full disk on the way leaves the previous cache
	// file as it was.
	const IO::Location temporary = folder.Appended(IO::Name(GetCacheFileName(index).ToUtf8() + ".new"));
	TempFileRemover remover(temporary);
	{
		IO::File file(temporary);
		if (const Int32 result = file.Open(IO::File::WriteEmptyMode, IO::File::CreateIfMissing); result != 0)
			ThrowWriteFailed(temporary, IOFailure("cannot create", result), __LINE__);
		const UInt32 n = static_cast<UInt32>(elems.GetSize());
		if (const Int32 result = file.SetDataLength(PreallocatedBytesPerElem * n); result != 0)
			ThrowWriteFailed(temporary, IOFailure("cannot allocate", result), __LINE__);

		CacheFileOChannel ch(file);
		try {
			WriteElems(ch);
			WriteIndices(ch, elemIndices);
			ch.Write(ch.GetChecksum());
			ch.Flush();
		} catch (const Kit::OutOfMemoryException&) {
			throw;
		} catch (const Kit::KitException& e) {
			// A refused write surfaces as the channel's status, reported below.
			if (ch.GetOutputStatus() == 0)
				ThrowWriteFailed(target, e.HasMessage() ? e.GetMessage() : e.GetName(), __LINE__);
		}
		if (ch.GetOutputStatus() != 0) ThrowWriteFailed(temporary, "cannot write", __LINE__);
		// The pre-allocated tail goes: the file ends with its checksum.
		if (const Int32 result = file.SetDataLength(ch.GetLength()); result != 0)
			ThrowWriteFailed(temporary, IOFailure("cannot set the length", result), __LINE__);
		// Handed to the operating system, not forced onto the disk: the file serves only
		// this process, and after a crash of the process or the system nobody reads it.
		if (const Int32 result = file.Flush(); result != 0)
			ThrowWriteFailed(temporary, IOFailure("cannot flush", result), __LINE__);
		if (const Int32 result = file.Close(); result != 0)
			ThrowWriteFailed(temporary, IOFailure("cannot close", result), __LINE__);
	}
	if (const Int32 result = IO::fileSystem.Rename(temporary, target); result != 0)
		ThrowWriteFailed(target, IOFailure("cannot replace", result), __LINE__);
	remover.Keep();
}

void ElemContainer::WriteElems(Kit::OChannel& ch) const {
	const UInt32 n = static_cast<UInt32>(elems.GetSize());
	Kit::OpenHashTable<const Elem*, Int32> elemTable;
	BodyWriteTable bodyTable;
	BaseElemWriteTable baseElemTable;
	ch.Write(n);
	// An element held by the list alone cannot stand in it twice: only elements with
	// other holders go through the table that finds repeated slots.
	Int32 written = 0;
	for (UInt32 i = 0; i < n; ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr) throw Kit::InternalErrorException("empty element slot");
		const bool shared = elem->GetRefCount() > 1;
		if (shared) {
			if (const Int32* known = elemTable.GetPtr(elem)) {
				ch.Write(*known);
				continue;
			}
			elemTable.Add(elem, written);
		}
		ch.Write(written++);
		elem->QuickWrite(ch, bodyTable, baseElemTable);
	}
}

namespace {

constexpr const char* ReadFailed = "Model3D::ElemContainer::ReadFromFile failed";

void LogReadFailure(const IO::Location& where) {
	Kit::logger.LogWarning("Model3D::ElemContainer::ReadFromFile failed: %", where.ToUtf8().c_str(), "Modeler");
}

// The one exception of a failed read: the file and the cause in its message, the
// underlying exception (if any) as its cause.
[[noreturn]] void ThrowReadFailed(const IO::Location& where, const std::string& why, UInt32 line,
                                  const Kit::KitException& cause = Kit::NoCause()) {
	const std::string message = std::string(ReadFailed) + ": " + where.ToUtf8() + ": " + why;
	throw Kit::InternalErrorException(message.c_str(), "Model3D/ElemContainer", line, cause);
}

// The input of a cache file: buffered reads of its content (everything before the
// checksum that ends it), keeping the CRC-32C of the bytes taken from the file, so that
// the file is read only once.
class CacheFileIChannel : public Kit::IChannel {
public:
	CacheFileIChannel(IO::File& file, UInt64 contentLength)
	    : file(file), contentLength(contentLength), buffer(IO::DefaultFileChannelBufferSize) {}
	CacheFileIChannel(const CacheFileIChannel&) = delete;
	CacheFileIChannel& operator=(const CacheFileIChannel&) = delete;
	~CacheFileIChannel() override = default;

	UInt64 GetPosition() const { return loaded - (end - begin); }

	// Reads the rest of the content and the checksum after it. Returns an empty string
	// when the checksum matches, else the cause.
	std::string CheckEnd() {
		while (readFailure.empty() && loaded < contentLength)
			Fill();
		if (!readFailure.empty()) return readFailure;
		UInt32 stored = 0;
		UInt64 got = 0;
		if (file.ReadBin(&stored, sizeof stored, got) != IO::NoIOError || got != sizeof stored) return "file too short";
		return stored == crc ? std::string() : std::string("checksum mismatch");
	}

protected:
	UInt64 DoRead(void* destination, UInt64 n) override {
		char* out = static_cast<char*>(destination);
		UInt64 done = 0;
		while (done < n && (begin < end || Fill())) {
			const USize count = static_cast<USize>(std::min<UInt64>(n - done, end - begin));
			std::memcpy(out + done, buffer.data() + begin, count);
			begin += count;
			done += count;
		}
		return done;
	}
	UInt64 DoGetAvailable() const override { return contentLength - GetPosition(); }

private:
	bool Fill() {
		const UInt64 want = std::min<UInt64>(buffer.size(), contentLength - loaded);
		if (want == 0 || !readFailure.empty()) return false;
		UInt64 got = 0;
		if (const Int32 result = file.ReadBin(buffer.data(), want, got); result != IO::NoIOError) {
			readFailure = std::string("cannot read: ") + IO::GetErrorText(result);
			return false;
		}
		// The file became shorter than its length said.
		if (got != want) readFailure = "file too short";
		crc = Kit::Crc32c(buffer.data(), static_cast<USize>(got), crc);
		loaded += got;
		begin = 0;
		end = static_cast<USize>(got);
		return got > 0;
	}

	IO::File& file;
	const UInt64 contentLength;
	std::vector<char> buffer;
	USize begin = 0;
	USize end = 0;
	UInt64 loaded = 0;
	UInt32 crc = 0;
	std::string readFailure;
};

// Enters the GUIDs of the first n elements, the map having room for them: nothing is
// allocated. On the way, the elements further ahead and the map slots of those a little
// ahead are loaded, so that their cache misses overlap.
void IndexGuids(const ElemContainer::ElemList& elems, UInt32 n, ElemContainer::GuidIndexMap& map) {
	constexpr UInt32 Ahead = 16;
	for (UInt32 i = 0; i < n; ++i) {
		if (i + 2 * Ahead < n) __builtin_prefetch(&elems[i + 2 * Ahead]->GetElemId());
		if (i + Ahead < n) map.Prefetch(elems[i + Ahead]->GetElemId().guid);
		const Kit::Guid& guid = elems[i]->GetElemId().guid;
		if (!guid.IsNull()) map.Put(guid, i);
	}
}

} // namespace

void ElemContainer::ReadFromFile(const IO::Location& folder, Int32 index) {
	const IO::Location where = folder.Appended(GetCacheFileName(index));
	try {
		ReadCacheFile(where);
	} catch (...) {
		LogReadFailure(where);
		throw;
	}
}

void ElemContainer::ReadCacheFile(const IO::Location& where) {
	IO::File file(where);
	if (const Int32 result = file.Open(IO::File::ReadMode); result != 0)
		ThrowReadFailed(where, std::string("cannot open: ") + IO::GetErrorText(result), __LINE__);
	UInt64 length = 0;
	if (const Int32 result = file.GetDataLength(length); result != 0)
		ThrowReadFailed(where, std::string("cannot read: ") + IO::GetErrorText(result), __LINE__);
	constexpr UInt64 ChecksumBytes = sizeof(UInt32);
	// At least the element count and the checksum.
	if (length < sizeof(UInt32) + ChecksumBytes) ThrowReadFailed(where, "file too short", __LINE__);
	CacheFileIChannel ch(file, length - ChecksumBytes);
	const auto checkEnd = [&] {
		if (const std::string cause = ch.CheckEnd(); !cause.empty()) ThrowReadFailed(where, cause, __LINE__);
	};

	// The checksum is known only once the whole file has been read, so what is read is
	// kept aside until then: nothing of a file that is not exactly as it was written
	// enters the container.
	ElemList newElems;
	GuidIndexMap newGuidIndexMap;
	// An emptied map (that of a purged container) lends its slots.
	if (elemGuidIndexMap.IsEmpty()) newGuidIndexMap = std::move(elemGuidIndexMap);
	IndicesList newIndices;
	const auto takeNew = [&] {
		elems = std::move(newElems);
		elemGuidIndexMap = std::move(newGuidIndexMap);
		elemIndices = std::move(newIndices);
	};
	UInt32 n = 0;
	UInt32 filled = 0;
	try {
		ch.Read(n);
		// Every slot takes at least its 4-byte index.
		if (ch.GetInputStatus() != 0 || UInt64(n) * 4 > ch.GetAvailable()) ThrowBadFile("bad element count", __LINE__);
		newElems.SetSize(n);
		newGuidIndexMap.Reserve(n);

		Kit::Array<const Elem*> elemTable;
		elemTable.reserve(n);
		BodyReadTable bodyTable;
		BaseElemReadTable baseElemTable;
		for (; filled < n; ++filled) {
			Int32 elemIndex = 0;
			ch.Read(elemIndex);
			if (ch.GetInputStatus() != 0 || elemIndex < 0 || UInt64(elemIndex) > elemTable.size())
				ThrowBadFile("bad element index", __LINE__);
			if (UInt64(elemIndex) < elemTable.size()) {
				newElems[filled] = elemTable[static_cast<USize>(elemIndex)];
			} else {
				Kit::SharedPtr<Elem> elem = Elem::QuickReadNew(ch, bodyTable, baseElemTable);
				elemTable.Push(elem.Get());
				newElems[filled] = std::move(elem);
			}
		}
		IndexGuids(newElems, filled, newGuidIndexMap);

		ReadIndices(ch, newIndices);
		if (ch.GetInputStatus() != 0) ThrowBadFile("truncated file", __LINE__);
	} catch (const Kit::KitException& e) {
		checkEnd();
		// The file is as it was written, yet cannot be read: keep the elements read
		// completely, but no empty slots.
		if (filled < n) newElems.SetSize(filled);
		if (newGuidIndexMap.IsEmpty()) IndexGuids(newElems, filled, newGuidIndexMap);
		takeNew();
		const std::string why = e.HasMessage() ? e.GetMessage() : e.GetName();
		const std::string part = filled < n ? "element " + std::to_string(filled) + " of " + std::to_string(n)
		                                    : std::string("index records");
		ThrowReadFailed(where, part + ": " + why, __LINE__, e);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	checkEnd();
	takeNew();
}

void ElemContainer::PurgeToFile(const IO::Location& folder, Int32 index) {
	Kit::FastLockGuard guard(lock);
	if (purged.load(std::memory_order_relaxed)) return;
	// A failed write throws before anything is let go: the elements stay in memory.
	WriteToFile(folder, index);
	cacheFileIndex = index;
	cacheLocation = folder;
	purgedElemCount = static_cast<UInt32>(elems.GetSize());
	elems.Clear();
	elemIndices.Clear();
	elemGuidIndexMap.Clear();
	purged.store(true, std::memory_order_release);
}

void ElemContainer::Restore() {
	Kit::FastLockGuard guard(lock);
	if (!purged.load(std::memory_order_relaxed)) return;
	const IO::Location where = cacheLocation.Appended(GetCacheFileName(cacheFileIndex));
	try {
		ReadCacheFile(where);
	} catch (...) {
		// Stay purged with nothing half-restored; the next access tries again. Only the
		// first failure of a run is logged, not every access that retries.
		if (!restoreFailed.exchange(true, std::memory_order_acq_rel)) LogReadFailure(where);
		elems.Clear();
		elemIndices.Clear();
		elemGuidIndexMap.Clear();
		throw;
	}
	restoreFailed.store(false, std::memory_order_release);
	purgedElemCount = 0;
	purged.store(false, std::memory_order_release);
}

} // namespace Modeler
