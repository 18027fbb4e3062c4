// Modeler::ElemContainer: the element storage of a model. It holds the element list (a
// paged array of shared elements), the lookup from element GUID to slot index, and one
// index record per slot with two derived numberings computed on demand:
//   - binds: a 1-based global numbering of the bodies of all elements;
//   - global polygon offsets: per body, the number to add to a polygon's mpuid to get
//     its global polygon index.
// The list can be purged to a cache file in the model's swap folder and restored from
// it on the next access; the container's lock makes sure that happens once.
//
// The model keeps the GUID map current and invalidates the bind index whenever it
// changes the list or an element's body count; it reaches the state through the
// accessors below.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/elements/elem/Elem.h"
#include "platform/IOLocation.h"
#include "platform/KitFastLock.h"
#include "platform/KitGuid.h"
#include "platform/KitOpenHashTable.h"
#include "platform/KitPagedArray.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

#include <atomic>

namespace Modeler {

class Model3D;

// The index record of one element slot.
struct M3D_EXPORT ElemIndices {
	UInt32 absoluteBodyIdx = 0;     // bind of the element's first body (1-based)
	Kit::PagedArray<UInt32> gPgons; // per body: offset from mpuid to global polygon index
};

class M3D_EXPORT ElemContainer {
public:
	using ElemList = Kit::PagedArray<Kit::ConstSharedPtr<Elem>>;
	using GuidIndexMap = Kit::OpenHashTable<Kit::Guid, UInt32, Kit::GuidHash>;
	using IndicesList = Kit::PagedArray<ElemIndices>;

	ElemContainer();
	ElemContainer(const ElemContainer&) = delete;
	ElemContainer& operator=(const ElemContainer&) = delete;
	~ElemContainer();

	// The element list, the GUID map and the index records, restored first when the
	// container is purged.
	ElemList& GetElems();
	const ElemList& GetElems() const;
	GuidIndexMap& GetElemGuidIndexMap();
	const GuidIndexMap& GetElemGuidIndexMap() const;
	IndicesList& GetElemIndices();
	const IndicesList& GetElemIndices() const;

	// The element count; while purged, the count kept at purge time. Never restores.
	UInt32 GetElemCount() const;

	// Slot of the element with this GUID, or −1. A map entry whose slot is gone or now
	// holds another element reads as absent; the null GUID is never found.
	Int32 GetElemIdx(const Kit::Guid& guid) const;

	// 1-based global number of body bodyIdx (0-based, not checked) of element elemIdx;
	// past the end, the number after the last body. Recomputes the binds when invalid.
	UInt32 GetBind(UInt32 elemIdx, UInt32 bodyIdx) const;
	void InvalidateBindIndex() { bindIndexValid.store(false, std::memory_order_release); }
	bool IsBindIndexValid() const { return bindIndexValid.load(std::memory_order_acquire); }

	// Numbers the polygons of the bodies of elements first … count − 1, continuing the
	// numbering of the elements before first. Deleted placeholders and empty bodies get
	// the current offset without advancing it.
	void CalculateGPgons(UInt32 first);
	// Offset of body bodyIdx of element elemIdx; 0 when either index has no entry.
	Int32 GetGlobPgonIdx(UInt32 elemIdx, UInt32 bodyIdx) const;
	// Number of bodies that carry a polygon offset (not a polygon count). Never restores.
	UInt32 GetGPgonCount() const;

	// Cache file "ModelElems-<index>" in folder: the element count, per slot the
	// element's index in the file's element table followed by its record the first time
	// (elements, base elements and bodies that are shared are written once), the index
	// records, and the CRC-32C of all that. The file is written under a temporary name
	// and replaces the previous cache file only when it is complete, so
	// a failure or a crash on the way leaves the previous file intact. The container is
	// not changed. Failures remove the temporary file and throw
	// Kit::InternalErrorException ("Model3D::ElemContainer::WriteToFile failed: <file>:
	// <cause>").
	void WriteToFile(const IO::Location& folder, Int32 index) const;
	// Reads a cache file back: elements, GUID map and index records. A file whose
	// checksum does not match is refused, and nothing of it enters the container. A
	// missing, cut or damaged file is logged and throws Kit::InternalErrorException whose
	// message names the file and the cause ("Model3D::ElemContainer::ReadFromFile failed:
	// <file>: <cause>", e.g. "checksum mismatch", "file too short"), with the underlying
	// exception as its cause; after a failure past the checksum, the elements read
	// completely up to then stay in the list.
	void ReadFromFile(const IO::Location& folder, Int32 index);
	// Writes the cache file and frees the elements; the next access restores them. Does
	// nothing when already purged. When the write fails, the elements stay in memory and
	// the write's exception goes to the caller.
	void PurgeToFile(const IO::Location& folder, Int32 index);
	// Name of the cache file of the model with that global index.
	static IO::Name GetCacheFileName(Int32 index);

	// Purge state. A failed restore leaves the container purged; HasRestoreFailed tells
	// whether the latest restore attempt failed (until one succeeds).
	bool IsPurged() const { return purged.load(std::memory_order_acquire); }
	bool HasRestoreFailed() const { return restoreFailed.load(std::memory_order_acquire); }
	Int32 GetCacheFileIndex() const { return cacheFileIndex; }
	const IO::Location& GetCacheLocation() const { return cacheLocation; }

private:
	friend class Model3D;

	// Restores the list from the cache file when it is purged. Const because every
	// read access restores; the container itself is never a const object.
	void EnsureRestored() const;
	// Under the lock and only when purged: reads the cache file back. When that fails
	// the container stays purged and empty, and the next access tries again; a run of
	// failing attempts is logged once, at its first failure.
	void Restore();
	// ReadFromFile without the log line.
	void ReadCacheFile(const IO::Location& where);
	// The element section of the cache file.
	void WriteElems(Kit::OChannel& ch) const;
	void CalculateAbsoluteBodyIndices() const;
	UInt32 BodyCountOf(UInt32 elemIdx) const;

	ElemList elems;
	mutable Kit::FastLock lock;
	Int32 cacheFileIndex = 0;
	std::atomic<bool> purged{false};
	std::atomic<bool> restoreFailed{false};
	IO::Location cacheLocation;
	UInt32 purgedElemCount = 0;
	// The two derived numberings are caches, filled by const queries.
	mutable IndicesList elemIndices;
	// The bind index is rebuilt by the first reader after a change, under its own lock, so
	// that readers on several threads neither race nor build it twice.
	mutable std::atomic<bool> bindIndexValid{false};
	mutable Kit::FastLock bindIndexLock;
	GuidIndexMap elemGuidIndexMap;
};

} // namespace Modeler
