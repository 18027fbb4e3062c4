// The element container's cache file: writing, reading, purging and restoring.
#include "Model3D/core/elems/ElemContainer.h"

#include "platform/FileChannel.h"
#include "platform/IOErrors.h"
#include "platform/IOFile.h"
#include "platform/KitException.h"
#include "platform/KitFrame.h"
#include "platform/KitLogger.h"

#include <cstdio>
#include <string>

namespace Modeler {

namespace {

constexpr UInt64 PreallocatedBytesPerElem = 240;

// The frames around the index records.
const Kit::ClassInfo& PagedArrayClassInfo() {
	static const Kit::ClassInfo info("PagedArray", "{5B0E6C1A-2F47-4D3B-A9E8-71C4D2F0B36E}", Kit::ClassVersion(1, 0));
	return info;
}

[[noreturn]] void ThrowWriteFailed(UInt32 line) {
	throw Kit::InternalErrorException("Model3D::ElemContainer::WriteToFile failed", "Model3D/ElemContainer", line);
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

void ElemContainer::WriteToFile(const IO::Location& folder, Int32 index) const {
	// While purged, the elements live only in the cache file, which may be the very file
	// about to be written: bring them back first so that no element is lost.
	EnsureRestored();
	const UInt32 n = static_cast<UInt32>(elems.GetSize());
	IO::File file(folder.Appended(GetCacheFileName(index)));
	if (file.Open(IO::File::WriteMode, IO::File::CreateIfMissing) != 0) ThrowWriteFailed(__LINE__);
	if (file.SetDataLength(PreallocatedBytesPerElem * n) != 0 || file.Seek(0) != 0) ThrowWriteFailed(__LINE__);

	{
		IO::FileOChannel ch(file);
		Kit::HashTable<const Elem*, Int32> elemTable;
		BodyWriteTable bodyTable;
		BaseElemWriteTable baseElemTable;
		ch.Write(n);
		for (UInt32 i = 0; i < n; ++i) {
			const Elem* elem = elems[i].Get();
			if (elem == nullptr) ThrowWriteFailed(__LINE__);
			if (const Int32* known = elemTable.GetPtr(elem)) {
				ch.Write(*known);
				continue;
			}
			const Int32 elemIndex = static_cast<Int32>(elemTable.GetSize());
			ch.Write(elemIndex);
			elem->QuickWrite(ch, bodyTable, baseElemTable);
			elemTable.Add(elem, elemIndex);
		}
		WriteIndices(ch, elemIndices);
		ch.Flush();
		if (ch.GetOutputStatus() != 0) ThrowWriteFailed(__LINE__);
	}
	if (file.Close() != 0) ThrowWriteFailed(__LINE__);
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

	IO::FileIChannel ch(file);
	UInt32 n = 0;
	UInt32 filled = 0;
	try {
		ch.Read(n);
		// Every slot takes at least its 4-byte index.
		if (ch.GetInputStatus() != 0 || UInt64(n) * 4 > ch.GetAvailable()) ThrowBadFile("bad element count", __LINE__);
		elems.SetSize(n);

		Kit::Array<const Elem*> elemTable;
		BodyReadTable bodyTable;
		BaseElemReadTable baseElemTable;
		for (; filled < n; ++filled) {
			Int32 elemIndex = 0;
			ch.Read(elemIndex);
			if (ch.GetInputStatus() != 0 || elemIndex < 0 || UInt64(elemIndex) > elemTable.size())
				ThrowBadFile("bad element index", __LINE__);
			if (UInt64(elemIndex) < elemTable.size()) {
				elems[filled] = elemTable[static_cast<USize>(elemIndex)];
			} else {
				Kit::SharedPtr<Elem> elem(new Elem(VOCA(), false, false, nullptr));
				elem->QuickRead(ch, bodyTable, baseElemTable);
				elems[filled] = elem;
				elemTable.Push(elem.Get());
			}
			const Kit::Guid& guid = elems[filled]->GetElemId().guid;
			if (!guid.IsNull()) elemGuidIndexMap.Put(guid, filled);
		}

		ReadIndices(ch, elemIndices);
		if (ch.GetInputStatus() != 0) ThrowBadFile("truncated file", __LINE__);
	} catch (const Kit::KitException& e) {
		// Keep the elements read completely, but no empty slots.
		if (filled < n) elems.SetSize(filled);
		const std::string why = e.HasMessage() ? e.GetMessage() : e.GetName();
		const std::string part = filled < n ? "element " + std::to_string(filled) + " of " + std::to_string(n)
		                                    : std::string("index records");
		ThrowReadFailed(where, part + ": " + why, __LINE__, e);
	} catch (const std::bad_alloc&) {
		if (filled < n) elems.SetSize(filled);
		throw Kit::OutOfMemoryException();
	}
}

void ElemContainer::PurgeToFile(const IO::Location& folder, Int32 index) {
	Kit::FastLockGuard guard(lock);
	if (purged.load(std::memory_order_relaxed)) return;
	cacheFileIndex = index;
	cacheLocation = folder;
	WriteToFile(folder, index);
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
