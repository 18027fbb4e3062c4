// ADB::GeneralAttribute: the base of the host's attribute objects (materials, fills,
// ...) as the attribute database hands them around, and the identifiers of attribute
// types.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

namespace ADB {

// The identifier of an attribute type.
using IDType = Int32;

// The identifier of the attribute type with the four-character code 'code' ("MAT2" is
// the host's material type).
IDType GetId(UInt32 code);

class GeneralAttribute {
public:
	GeneralAttribute() = default;
	GeneralAttribute(const GeneralAttribute&) = default;
	GeneralAttribute& operator=(const GeneralAttribute&) = default;
	virtual ~GeneralAttribute() = default;

	// A new copy of this attribute (owned by the caller, deleted with 'delete'), or null
	// when memory runs out.
	virtual GeneralAttribute* Clone() const = 0;

	// The attribute's index in its table; 0 while it is in none.
	Int16 GetIndex() const { return index; }
	void SetIndex(Int16 value) { index = value; }

	bool operator==(const GeneralAttribute&) const = default;

private:
	Int16 index = 0;
};

} // namespace ADB

#pragma GCC visibility pop
