// Modeler::Elem: one placed element of the 3D model: its header (VOCA), a generation
// id, status flags, the placement transformation and the cached bounds, over a shared
// BaseElem that holds the bodies, hotspots and light sources.
//
// The chief header of the elements: it brings in BaseElem, VOCA, HOTS and the TRAN
// helpers.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/elements/elem/QuickStreamTables.h"
#include "Model3D/elements/records/HOTS.h"
#include "Model3D/elements/records/TRAN.h"
#include "Model3D/elements/records/VOCA.h"
#include "platform/KitArray.h"
#include "platform/KitChannel.h"
#include "platform/KitShared.h"
#include "platform/KitTypes.h"

#include <atomic>

namespace Modeler {

class M3D_EXPORT Elem : public Kit::SharedObject {
public:
	enum CopyType : Int32 { Shallow = 0, Deep = 1, Empty = 2 };

	// Status bits of flags; the other bits are carried along unchanged.
	enum : UInt16 {
		ElemValid = 0x0001,
		ElemBoundsCalculated = 0x0002,
		ElemParent = 0x0004,
		ElemChild = 0x0008,
	};

	// A valid element with a new generation id, the identity transformation and empty
	// bounds. It shares base, or a new empty BaseElem when base is null.
	Elem(const VOCA& id, bool isParent, bool isChild, BaseElem* base);
	// Shallow: operator=; Deep: DeepCopy; Empty: EmptyCopy.
	Elem(const Elem& src, CopyType type = Shallow);
	// Copies everything but the base element, which becomes shared.
	Elem& operator=(const Elem& src);
	~Elem() override;

	void ShallowCopy(const Elem& src, const VOCA* newId = nullptr);
	// operator=, then a base element of its own whose bodies are copies.
	void DeepCopy(const Elem& src);
	// operator=, then a base element of its own with attribute-only body copies.
	void DeepCopyAttributes(const Elem& src);
	// operator=, then a new base element holding one empty body once per source body,
	// and recomputed bounds.
	void EmptyCopy(const Elem& src);

	// Takes t with a recomputed status. A mirroring matrix throws
	// Kit::OutOfMemoryException ("Mirror flag in the TRANMAT."), the matrix kept. The
	// bounds are not recomputed.
	void SetTrafo(const TRAN& t);
	const TRAN& GetConstTrafo() const { return trafo; }
	const VOCA& GetElemId() const { return elemId; }
	UInt32 GetGenId() const { return genId; }
	const F_Box3D& GetBounds() const {
		EnsureBounds();
		return bounds;
	}
	UInt16 GetFlags() const { return flags; }

	bool IsInvalid() const { return (flags & ElemValid) == 0; }
	bool IsParent() const { return (flags & ElemParent) != 0; }
	bool IsChild() const { return (flags & ElemChild) != 0; }
	bool GetBoundsCalculated() const { return (flags & ElemBoundsCalculated) != 0; }
	void SetValid() { flags |= ElemValid; }
	// Turns the element into a deleted placeholder: not valid, parent or child, null
	// GUID, new generation id. The bounds-calculated bit stays.
	void SetDeleted();
	void UpdateGenId() { genId = NewGenId(); }

	// Both keep the bounds computed for the base element held before.
	void SetBaseElem(const Kit::SharedPtr<BaseElem>& base) {
		EnsureBounds();
		baseElem = base;
	}
	Kit::SharedPtr<BaseElem> GetBaseElem() {
		EnsureBounds();
		return baseElem;
	}
	const BaseElem* GetConstBaseElem() const { return baseElem.Get(); }

	// Forwarders to the base element, which must exist.
	UInt32 GetBodyCount() const { return baseElem->GetBodyCount(); }
	const Kit::ConstSharedPtr<Body>& GetConstBody(UInt32 i) const { return baseElem->GetConstBody(i); }
	UInt32 GetHotspotCount() const { return baseElem->GetHotspotCount(); }
	const HOTS& GetConstHotspot(UInt32 i) const { return baseElem->GetConstHotspot(i); }
	// Hotspot i in model coordinates.
	void GetHotspotCoords(UInt32 i, double* x, double* y, double* z) const {
		baseElem->GetHotspotCoords(i, &trafo, x, y, z);
	}
	void ClearConvexPolygonCache() const;

	// Box of body i in model coordinates: the body's own box under the identity,
	// otherwise the box computed by CalculateBounds.
	const F_Box3D& GetBodyBounds(UInt32 i) const;
	// Recomputes the body boxes and the element box from the bodies and hotspots.
	void CalculateBounds();

	// Equal headers, transformations and base elements (both null or equal); flags,
	// generation ids and bounds are not compared.
	bool operator==(const Elem& other) const;
	bool operator!=(const Elem& other) const { return !(*this == other); }

	UInt64 GetSizeofElem() const;
	UInt64 GetUsedBytes() const;

	// Quick stream: flags, header, generation id and transformation as raw images, then
	// the base element's index in the table (−1 for none), followed by its record when
	// it is new to the table. A channel failure throws Kit::InternalErrorException.
	void QuickWrite(Kit::OChannel& ch, BodyWriteTable& bodyTable, BaseElemWriteTable& baseElemTable) const;
	// The same with tables of its own: sharing is kept inside this one element.
	void QuickWrite(Kit::OChannel& ch) const;
	// Reads a QuickWrite record; the bounds are recomputed when they are first asked for
	// (GetBounds, GetBodyBounds), so that reading costs no more than the record's bytes
	// however many placements name one large base element. A short or forged stream (an
	// index that is neither an object read before nor the next new one, a count the
	// stream cannot hold) throws Kit::InternalErrorException; the element and the tables
	// are then left as they were.
	void QuickRead(Kit::IChannel& ch, BodyReadTable& bodyTable, BaseElemReadTable& baseElemTable);
	void QuickRead(Kit::IChannel& ch);
	// A new element read from the stream as QuickRead reads it, made without the empty
	// base element and the generation id that reading would replace at once. Running
	// out of memory for the element itself throws std::bad_alloc.
	static Kit::SharedPtr<Elem> QuickReadNew(Kit::IChannel& ch, BodyReadTable& bodyTable,
	                                         BaseElemReadTable& baseElemTable);

	// The next id of the process-wide generation counter (the first is 1).
	static UInt32 NewGenId();

private:
	// Only for reading: nothing set that reading replaces.
	Elem() = default;

	// The bounds of a read element are computed on the first query, once, also when
	// several threads ask at the same time.
	void EnsureBounds() const {
		if (boundsPending.load(std::memory_order_acquire)) ComputePendingBounds();
	}
	void ComputePendingBounds() const;
	void ComputeBounds() const;

	UInt16 flags = 0;
	// True while bodyBounds and bounds still have to be computed from the base element
	// and the transformation (flags then already tell that they are calculated).
	mutable std::atomic<bool> boundsPending{false};
	VOCA elemId;
	UInt32 genId = 0;
	TRAN trafo{};
	Kit::SharedPtr<BaseElem> baseElem;
	mutable Kit::Array<F_Box3D> bodyBounds;
	mutable F_Box3D bounds = F_Box3D::Empty();
};

} // namespace Modeler
