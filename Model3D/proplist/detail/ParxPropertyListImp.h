// Member definitions of Parx::PropertyList. Included only where it is instantiated.
#pragma once

#include "Model3D/proplist/ParxPropertyList.h"
#include "Model3D/proplist/detail/KitPropertyListIO.h"
#include "platform/BMMemory.h"
#include "platform/Parx.h"

namespace Parx {

template <typename UserData> void PropertyList<UserData>::Create(UInt32 n) {
	this->Clear();
	try {
		for (UInt32 i = 0; i < n; ++i)
			this->PushEntry("", Kit::PropertyListTypes::Int, Kit::PropertyListTypes::Scalar);
	} catch (...) {
		this->Clear();
		throw;
	}
}

template <typename UserData> void PropertyList<UserData>::ReadFromAddParHandle(GSHandle handle) {
	using List = Kit::PropertyList<UserData>;
	for (UInt32 i = 0; i < this->GetEntryNum(); ++i)
		this->SetEntryFix(i, false);
	this->DeleteEntries(0, List::NoIndex);
	try {
		const Int32 count = ParxGetVarNumber(handle);
		for (Int32 i = 0; i < count; ++i) {
			bool isArray = false;
			Int32 dim1 = 0, dim2 = 0;
			const Int16 typeCode = ParxGetVarType(handle, i, &isArray, &dim1, &dim2);
			char name[32];
			ParxGetVarName(handle, i, name, sizeof name);
			const typename List::ArrayType arrayType =
			    !isArray ? List::Scalar : (dim2 < 1 ? List::OneDim : List::TwoDim);
			const typename List::StorageType storageType =
			    ParxIsIntType(typeCode) ? List::Int : (ParxIsNumType(typeCode) ? List::Num : List::String);
			const UInt32 index = this->GetEntryNum();
			this->InsertNewEntry(index, name, storageType, arrayType, static_cast<UInt32>(dim1),
			                     static_cast<UInt32>(dim2));
			if (arrayType == List::Scalar) {
				switch (storageType) {
				case List::Int:
					this->SetIntEntry(index, ParxGetIntVar(handle, i));
					break;
				case List::Num:
					this->SetNumEntry(index, ParxGetNumVar(handle, i));
					break;
				default:
					this->SetStringEntry(index, ParxGetUStrVarRef(handle, i));
					break;
				}
			} else {
				const void* values = ParxGetUArrayRef(handle, i);
				switch (storageType) {
				case List::Int:
					this->SetIntArray(index, static_cast<const Int32*>(values));
					break;
				case List::Num:
					this->SetNumArray(index, static_cast<const double*>(values));
					break;
				default:
					this->SetStringArray(index, static_cast<const UniChar*>(values));
					break;
				}
			}
			this->SetEntryFix(index, ParxIsVarFix(handle, i));
		}
	} catch (...) {
		this->Clear();
		throw;
	}
}

template <typename UserData> GSHandle PropertyList<UserData>::WriteToAddParHandle() const {
	using List = Kit::PropertyList<UserData>;
	const UInt32 count = this->GetEntryNum();
	const Int64 recordsEnd = Int64(sizeof(BlockHeader21)) + Int64(count) * Int64(sizeof(Record21));
	Int64 size = recordsEnd;
	for (UInt32 i = 0; i < count; ++i) {
		typename List::ArrayType arrayType;
		const typename List::StorageType storageType = this->GetEntryType(i, &arrayType);
		if (arrayType != List::Scalar || storageType == List::String) {
			UInt32 byteLen = 0;
			this->GetArray(i, &byteLen);
			size += byteLen;
		}
	}
	// The block's counts and offsets are Int32.
	if (size > 0x7FFFFFF0) throw Kit::KitException(nullptr, __FILE__, __LINE__);
	GSHandle handle = BMAllocateHandle(size, ALLOCATE_CLEAR, 0);
	if (handle == nullptr) throw Kit::KitException(nullptr, __FILE__, __LINE__);

	char* base = *handle;
	const BlockHeader21 header{static_cast<Int32>(count), CurrentBlockVersion, {}};
	std::memcpy(base, &header, sizeof header);
	Int64 dataOffset = recordsEnd;
	for (UInt32 i = 0; i < count; ++i) {
		typename List::ArrayType arrayType;
		UInt32 dim1 = 0, dim2 = 0;
		const typename List::StorageType storageType = this->GetEntryType(i, &arrayType, &dim1, &dim2);
		Record21 record{};
		record.typeCode =
		    storageType == List::Int ? IntegerType : (storageType == List::Num ? RealNumType : StringType);
		record.dim1 = arrayType == List::Scalar ? 0 : static_cast<Int32>(dim1);
		record.dim2 = arrayType == List::TwoDim ? static_cast<Int32>(dim2) : 0;
		record.isArray = record.dim1 != 0 ? 1 : 0;
		record.fix = this->IsEntryFix(i) ? 1 : 0;
		CHCopyC(this->GetEntryName(i), record.name, sizeof record.name);
		record.dataOffset = static_cast<Int32>(dataOffset);
		UInt32 byteLen = 0;
		const void* value = this->GetArray(i, &byteLen);
		if (arrayType == List::Scalar && storageType == List::Int) {
			std::memcpy(record.value, value, sizeof(Int32));
		} else if (arrayType == List::Scalar && storageType == List::Num) {
			std::memcpy(record.value, value, sizeof(double));
		} else {
			record.dataLen = static_cast<Int32>(byteLen);
			if (byteLen != 0) std::memcpy(base + dataOffset, value, byteLen);
			dataOffset += byteLen;
		}
		std::memcpy(base + sizeof(BlockHeader21) + USize(i) * sizeof(Record21), &record, sizeof record);
	}
	return handle;
}

} // namespace Parx
