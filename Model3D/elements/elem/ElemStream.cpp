// The quick stream of Elem.
#include "Model3D/elements/elem/Elem.h"

#include "Model3D/elements/elem/detail/ElemAlloc.h"
#include "Model3D/elements/elem/detail/QuickStreamCheck.h"

#include <cstring>
#include <new>

namespace Modeler {

namespace {

// The raw part of an Elem record: flags, header, generation id, transformation.
constexpr UInt64 RawElemBytes = sizeof(UInt16) + sizeof(VOCA) + sizeof(UInt32) + sizeof(TRAN);
static_assert(RawElemBytes == 158);

// The raw part travels as one block; these place its fields in it and take them out.
template <typename T> char* PutRaw(char* at, const T& field) {
	std::memcpy(at, &field, sizeof field);
	return at + sizeof field;
}
template <typename T> const char* TakeRaw(const char* at, T& field) {
	std::memcpy(&field, at, sizeof field);
	return at + sizeof field;
}

} // namespace

void Elem::QuickWrite(Kit::OChannel& ch, BodyWriteTable& bodyTable, BaseElemWriteTable& baseElemTable) const {
	char raw[RawElemBytes];
	PutRaw(PutRaw(PutRaw(PutRaw(raw, flags), elemId), genId), trafo);
	ch.WriteBin(raw, sizeof raw);

	const BaseElem* base = baseElem.Get();
	if (base == nullptr) {
		ch.Write(Int32(-1));
	} else if (const Int32* known = baseElemTable.GetPtr(base)) {
		ch.Write(*known);
	} else {
		const Int32 index = static_cast<Int32>(baseElemTable.GetSize());
		ch.Write(index);
		base->QuickWrite(ch, bodyTable);
		baseElemTable.Add(base, index);
	}

	QuickStream::CheckOutput(ch);
}

void Elem::QuickWrite(Kit::OChannel& ch) const {
	BodyWriteTable bodyTable;
	BaseElemWriteTable baseElemTable;
	QuickWrite(ch, bodyTable, baseElemTable);
}

void Elem::QuickRead(Kit::IChannel& ch, BodyReadTable& bodyTable, BaseElemReadTable& baseElemTable) {
	// The raw part is taken whole or not at all.
	if (ch.GetAvailable() < RawElemBytes) QuickStream::Forged("Elem::QuickRead: truncated record", __LINE__);
	UInt16 newFlags = 0;
	VOCA newId;
	UInt32 newGenId = 0;
	TRAN newTrafo{};
	char raw[RawElemBytes];
	ch.ReadBin(raw, sizeof raw);
	TakeRaw(TakeRaw(TakeRaw(TakeRaw(raw, newFlags), newId), newGenId), newTrafo);
	Int32 index = 0;
	ch.Read(index);
	QuickStream::CheckInput(ch);

	// −1 stands for no base element; anything else must name a base element read before
	// or the next new one. The element takes what was read only when all of it was.
	Kit::SharedPtr<BaseElem> newBase;
	if (index != -1) {
		if (index < -1 || UInt64(index) > baseElemTable.size())
			QuickStream::Forged("Elem::QuickRead: bad base element index", __LINE__);
		if (UInt64(index) < baseElemTable.size()) {
			newBase = baseElemTable[static_cast<USize>(index)];
		} else {
			const USize knownBodies = bodyTable.size();
			newBase = NewElemObject<BaseElem>();
			newBase->QuickRead(ch, bodyTable);
			try {
				baseElemTable.Push(newBase.Get());
			} catch (const std::bad_alloc&) {
				bodyTable.resize(knownBodies);
				throw Kit::OutOfMemoryException();
			}
		}
	}

	flags = newFlags;
	elemId = newId;
	genId = newGenId;
	trafo = newTrafo;
	baseElem = std::move(newBase);

	// The bounds are computed on the first query, not for every element read.
	flags |= ElemBoundsCalculated;
	bodyBounds.Clear();
	bounds = F_Box3D::Empty();
	boundsPending.store(true, std::memory_order_release);
}

Kit::SharedPtr<Elem> Elem::QuickReadNew(Kit::IChannel& ch, BodyReadTable& bodyTable, BaseElemReadTable& baseElemTable) {
	Kit::SharedPtr<Elem> elem(new Elem());
	elem->QuickRead(ch, bodyTable, baseElemTable);
	return elem;
}

void Elem::QuickRead(Kit::IChannel& ch) {
	BodyReadTable bodyTable;
	BaseElemReadTable baseElemTable;
	QuickRead(ch, bodyTable, baseElemTable);
}

} // namespace Modeler
