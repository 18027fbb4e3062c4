// Kit::PropertyList: an ordered list of named, typed values (integers, numbers and
// UTF-16 strings; scalars, one- and two-dimensional arrays), built for compact storage
// and fast serialisation. All names live in one character block, all values in one
// data block, and the entries, which hold only offsets into them, in one array. Names
// are found through a flat hash table from the name hash to the entry index, with a
// linear search as fallback for names whose hash is taken by another entry.
//
// The member definitions are in KitPropertyListImp.h and KitPropertyListIO.h; the
// instantiations the module uses are compiled once (see PropertyList.h).
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/proplist/PropListBase.h"
#include "platform/KitArray.h"
#include "platform/KitAutoArrayPtr.h"
#include "platform/KitChannel.h"
#include "platform/KitFrame.h"
#include "platform/KitOpenHashTable.h"
#include "platform/KitTypes.h"

namespace Kit {

// The class information of the property-list template, written in the frame around
// every serialised list.
M3D_EXPORT const ClassInfo& GetPropertyListTemplateClassInfo();

template <typename UserData> class PropertyList : public PropertyListTypes {
public:
	struct Entry {
		Int16 storageType = Int;
		UInt8 arrayType = Scalar;
		bool fix = false;
		UInt32 dim1 = 1;
		UInt32 dim2 = 1;
		Int32 intValue = 0;
		UInt32 nameOffset = 0;
		UInt32 dataOffset = 0;
		UInt32 dataLen = 0; // always a multiple of 8
		UserData userData{};
	};

	// A reference to one entry, optionally to one element of it. Indexing the reference
	// selects the row first, then the column (both 1-based); a reference without a
	// selected element reads and writes the scalar value.
	template <typename List> class BasicEntryRef {
	public:
		BasicEntryRef(List& list, UInt32 index, UInt32 row = NoElement, UInt32 col = NoElement)
		    : list(&list), index(index), row(row), col(col), arrayType(list.GetEntryArrayType(index)) {}

		UInt32 GetIndex() const { return index; }
		UInt32 GetRow() const { return row; }
		UInt32 GetCol() const { return col; }
		ArrayType GetArrayType() const { return arrayType; }

		// Selects the row, or the column when a row is already selected.
		BasicEntryRef operator[](UInt32 k) const {
			return row == NoElement ? BasicEntryRef(*list, index, k, NoElement) : BasicEntryRef(*list, index, row, k);
		}

		Int32 GetInt() const {
			return row == NoElement ? list->GetIntEntry(index) : list->GetIntArrayVal(index, row, Col());
		}
		double GetNum() const {
			return row == NoElement ? list->GetNumEntry(index) : list->GetNumArrayVal(index, row, Col());
		}
		const UniChar* GetString() const {
			return row == NoElement ? list->GetStringEntry(index) : list->GetStringArrayVal(index, row, Col());
		}
		operator Int32() const { return GetInt(); }
		operator double() const { return GetNum(); }
		operator const UniChar*() const { return GetString(); }

	protected:
		// A one-dimensional element is addressed by its row alone.
		UInt32 Col() const { return col == NoElement ? 1 : col; }

		List* list;
		UInt32 index;
		UInt32 row;
		UInt32 col;
		ArrayType arrayType;
	};

	using ConstEntryRef = BasicEntryRef<const PropertyList>;

	class EntryRef : public BasicEntryRef<PropertyList> {
		using Base = BasicEntryRef<PropertyList>;

	public:
		using Base::Base;
		EntryRef(const Base& other) : Base(other) {}
		EntryRef(const EntryRef&) = default;

		EntryRef operator[](UInt32 k) const { return EntryRef(Base::operator[](k)); }

		EntryRef& operator=(const EntryRef&) = delete;
		const EntryRef& operator=(Int32 value) const {
			if (this->row == NoElement)
				this->list->SetIntEntry(this->index, value);
			else
				this->list->SetIntArrayVal(this->index, this->row, this->Col(), value);
			return *this;
		}
		const EntryRef& operator=(double value) const {
			if (this->row == NoElement)
				this->list->SetNumEntry(this->index, value);
			else
				this->list->SetNumArrayVal(this->index, this->row, this->Col(), value);
			return *this;
		}
		const EntryRef& operator=(const UniChar* value) const {
			if (this->row == NoElement)
				this->list->SetStringEntry(this->index, value);
			else
				this->list->SetStringArrayVal(this->index, this->row, this->Col(), value);
			return *this;
		}
		const EntryRef& operator=(const char* value) const {
			if (this->row == NoElement)
				this->list->SetStringEntry(this->index, value);
			else
				this->list->SetStringArrayVal(this->index, this->row, this->Col(), value);
			return *this;
		}
	};

	PropertyList() = default;
	PropertyList(const PropertyList& source);
	PropertyList& operator=(const PropertyList& source);
	virtual ~PropertyList();

	// ---- queries ------------------------------------------------------------------

	UInt32 GetEntryNum() const { return static_cast<UInt32>(entries.GetSize()); }
	UInt32 GetFixEntryNum() const;
	bool IsEntryFix(UInt32 i) const { return At(i).fix; }
	void SetEntryFix(UInt32 i, bool fix) { At(i).fix = fix; }
	bool IsEntryScalar(UInt32 i) const { return At(i).arrayType == Scalar; }

	const char* GetEntryName(UInt32 i) const { return names + At(i).nameOffset; }
	// Copies at most size - 1 characters and a terminating zero; size 0 copies nothing.
	void GetEntryName(UInt32 i, char* buffer, UInt32 size) const;
	// The index of the entry with this name (letter case does not matter), or NoIndex.
	UInt32 GetIndexFromName(const char* name) const;
	// The storage type; the array type and dimensions go to the pointers that are given.
	StorageType GetEntryType(UInt32 i, ArrayType* arrayType = nullptr, UInt32* dim1 = nullptr,
	                         UInt32* dim2 = nullptr) const;
	ArrayType GetEntryArrayType(UInt32 i) const { return static_cast<ArrayType>(At(i).arrayType); }

	UserData& GetUserData(UInt32 i) { return At(i).userData; }
	const UserData& GetUserData(UInt32 i) const { return At(i).userData; }

	UInt64 GetAllocatedBytes() const { return GetEntryNum() * BytesPerEntry + namesCapacity + dataCapacity; }

	// ---- scalars --------------------------------------------------------------------

	Int32 GetIntEntry(UInt32 i) const;
	void SetIntEntry(UInt32 i, Int32 value);
	double GetNumEntry(UInt32 i) const;
	void SetNumEntry(UInt32 i, double value);
	const UniChar* GetStringEntry(UInt32 i) const;
	void GetStringEntry(UInt32 i, char* buffer, UInt32 size) const;
	void GetStringEntry(UInt32 i, UniChar* buffer, UInt32 size) const;
	void GetStringEntry(UInt32 i, AutoArrayPtr<char>& text) const;
	// Replaces the value of a String scalar.
	void SetStringEntry(UInt32 i, const UniChar* text);
	void SetStringEntry(UInt32 i, const char* text);

	// ---- arrays ---------------------------------------------------------------------

	// The value: for an Int scalar its intValue (byteLen 4), else the data (byteLen = dataLen).
	const void* GetArray(UInt32 i, UInt32* byteLen = nullptr, StorageType* storageType = nullptr,
	                     UInt32* dim1 = nullptr, UInt32* dim2 = nullptr) const;
	const Int32* GetIntArray(UInt32 i, UInt32* byteLen = nullptr, UInt32* dim1 = nullptr, UInt32* dim2 = nullptr) const;
	const double* GetNumArray(UInt32 i, UInt32* byteLen = nullptr, UInt32* dim1 = nullptr,
	                          UInt32* dim2 = nullptr) const;
	const UniChar* GetStringArray(UInt32 i, UInt32* byteLen = nullptr, UInt32* dim1 = nullptr,
	                              UInt32* dim2 = nullptr) const;

	// Copies dim1 x dim2 values (an Int scalar takes the first one).
	void SetIntArray(UInt32 i, const Int32* values);
	void SetNumArray(UInt32 i, const double* values);
	// 'strings' holds dim1 x dim2 zero-terminated strings one after the other.
	void SetStringArray(UInt32 i, const UniChar* strings);
	void SetStringArray(UInt32 i, const char* strings);

	// One element, row and col 1-based; a one-dimensional array is addressed by row.
	Int32 GetIntArrayVal(UInt32 i, UInt32 row, UInt32 col) const;
	double GetNumArrayVal(UInt32 i, UInt32 row, UInt32 col) const;
	const UniChar* GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col) const;
	void GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, char* buffer, UInt32 size) const;
	void GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, UniChar* buffer, UInt32 size) const;
	void GetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, AutoArrayPtr<char>& text) const;
	void SetIntArrayVal(UInt32 i, UInt32 row, UInt32 col, Int32 value);
	void SetNumArrayVal(UInt32 i, UInt32 row, UInt32 col, double value);
	void SetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, const UniChar* text);
	void SetStringArrayVal(UInt32 i, UInt32 row, UInt32 col, const char* text);

	EntryRef operator[](UInt32 i) {
		At(i);
		return EntryRef(*this, i);
	}
	EntryRef operator[](const char* name) { return EntryRef(*this, IndexOfName(name)); }
	ConstEntryRef operator[](UInt32 i) const {
		At(i);
		return ConstEntryRef(*this, i);
	}
	ConstEntryRef operator[](const char* name) const { return ConstEntryRef(*this, IndexOfName(name)); }

	// ---- structure ------------------------------------------------------------------

	// Inserts a new entry before index i (i = count appends). On failure the list is unchanged.
	void InsertNewEntry(UInt32 i, const char* name, StorageType storageType, ArrayType arrayType, UInt32 dim1 = 1,
	                    UInt32 dim2 = 1);
	UInt32 PushEntry(const char* name, StorageType storageType, ArrayType arrayType, UInt32 dim1 = 1, UInt32 dim2 = 1);
	void SetEntryName(UInt32 i, const char* name);
	// Changes type and dimensions; the old value is lost (the new one is zero / empty).
	void ModifyEntryType(UInt32 i, StorageType storageType, ArrayType arrayType, UInt32 dim1 = 1, UInt32 dim2 = 1);
	// Changes the array type and dimensions, keeping the elements that lie in both.
	void ModifyArrayDimensions(UInt32 i, ArrayType arrayType, UInt32 dim1 = 1, UInt32 dim2 = 1);
	void DeleteEntries(UInt32 first, UInt32 last);
	// Inserts copies of source entries first..last before 'at'; the copies are not fixed.
	void InsertEntries(const PropertyList& source, UInt32 first, UInt32 last, UInt32 at);
	// Replaces entries at .. at + last - first with copies of source entries first..last.
	void CopyWithOverwrite(const PropertyList& source, UInt32 first, UInt32 last, UInt32 at);
	// Moves entry 'from' to index 'to'.
	void ReplaceEntry(UInt32 from, UInt32 to);
	void Clear();

	bool Equals(const PropertyList& other) const;
	Int32 CheckSum(double* numSum = nullptr) const;

	// ---- serialisation --------------------------------------------------------------

	void Write(OChannel& channel) const;
	// Replaces the contents; on any error the list is left empty and the error thrown.
	void Read(IChannel& channel);

	// Extent in bytes of a value before rounding to 8; 'text' gives the strings of a
	// String value (null: empty strings). Bad types or dimensions throw.
	static UInt64 CalcExtLen(Int16 storageType, UInt8 arrayType, UInt32 dim1, UInt32 dim2,
	                         const UniChar* text = nullptr);

protected:
	Entry& At(UInt32 i);
	const Entry& At(UInt32 i) const;

private:
	UInt32 IndexOfName(const char* name) const;
	UInt32 NameEnd(UInt32 i) const;
	UInt32 EntryNameLength(UInt32 i) const { return NameEnd(i) - entries[i].nameOffset - 1; }
	UInt64 ElementNumber(const Entry& e, UInt32 row, UInt32 col) const;
	// Byte offset in the data block of string element k of entry e, and its byte length
	// with the terminator.
	UInt32 FindStringElement(const Entry& e, UInt64 k, UInt32* byteLen) const;
	// Byte length of the first 'count' strings of an entry.
	UInt64 StringsExtent(const Entry& e, UInt64 count) const;
	const Entry& CheckedEntry(UInt32 i, StorageType storageType) const;
	// Replaces the value bytes of entry i by 'bytes' (padded with zeros to newLen).
	void ReplaceData(UInt32 i, const void* bytes, UInt64 length);

	// Makes a gap of delta bytes at 'at' (delta < 0 removes bytes before 'at').
	static void OpenGap(char*& block, UInt32& capacity, UInt32& length, UInt32 at, Int64 delta, UInt64 minCapacity);
	void MoveDataBlock(UInt32 i, Int64 delta, UInt32 at);
	void MoveNamesBlock(UInt32 i, Int64 delta, UInt32 at);

	// Entry slots.
	void InsertSlots(UInt32 at, UInt32 n);
	void RemoveSlots(UInt32 first, UInt32 n);

	// Hash bookkeeping: entries first.. move by 'shift' positions.
	void ShiftIndexedEntries(UInt32 first, Int64 shift);
	void RemoveFromIndex(UInt32 i);
	void AddToIndex(UInt32 i);

	struct SpareBlocks {
		char* names;
		UInt32 namesCapacity;
		char* data;
		UInt32 dataCapacity;
	};
	void ReadBody(IChannel& channel, const ClassVersion& frameVersion, const ClassVersion& userDataVersion,
	              SpareBlocks& spare);
	struct StreamCounts {
		UInt32 entries = 0;
		UInt32 namesLength = 0;
		UInt32 dataLength = 0;
	};
	static StreamCounts ReadStreamCounts(IChannel& channel);
	void TakeBlocks(const StreamCounts& counts, SpareBlocks& spare);
	void ReadEntryTable(IChannel& channel, UInt32 count, const ClassVersion& userDataVersion);
	void ReadEntriesWithUserData(IChannel& channel, UInt32 count, const ClassVersion& userDataVersion);
	void AcceptEntry(Entry& e, Int16 storageType, Int16 arrayType) const;
	static void SetUnusedDimsToOne(Entry& e);
	void ReadEntryValues(IChannel& channel);
	void CheckIntegrityAndIndex();

	void WriteEntryTable(OChannel& channel) const;
	void WriteEntriesWithUserData(OChannel& channel, const ClassVersion& userDataVersion) const;
	void WriteEntryValues(OChannel& channel) const;

	Array<Entry> entries;
	OpenHashTable<UInt32, UInt32> nameIndex;
	char* names = nullptr;
	UInt32 namesCapacity = 0;
	UInt32 namesLength = 0;
	char* data = nullptr;
	UInt32 dataCapacity = 0;
	UInt32 dataLength = 0;
};

} // namespace Kit
