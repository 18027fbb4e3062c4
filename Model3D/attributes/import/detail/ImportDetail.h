// Helpers shared by the material import sources.
#pragma once

#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/proplist/PropertyList.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrMaterial.h"

#include <exception>
#include <limits>
#include <string>

namespace Modeler::ImportDetail {

// Result of an addition to the store that threw.
constexpr Int16 FailedAddIndex = 1;

// Runs 'add', which returns a store index; a thrown exception is printed to the debug
// channel and answered with FailedAddIndex, as is an index beyond the Int16 range.
template <typename F> Int16 AddOrFirst(const char* what, F&& add) {
	try {
		const auto index = add();
		if (index >= 1 && static_cast<Int64>(index) <= std::numeric_limits<Int16>::max())
			return static_cast<Int16>(index);
		Kit::dbChannel << what << ": the store index does not fit\n";
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << what << ": " << e.Describe().c_str() << "\n";
	} catch (const std::exception& e) {
		Kit::dbChannel << what << ": " << e.what() << "\n";
	}
	return FailedAddIndex;
}

// A 32-byte name of a record, zero-terminated whatever the record holds.
std::string RecordName(const char (&name)[32]);
// A host name as a record's 8-bit name, cut to 31 characters.
void ToRecordName(const Kit::UniString& name, char (&recordName)[32]);
Kit::UniString FromRecordText(const char* text);

// 'format' (a host text taking one integer) with 'value', cut to size - 1 characters;
// a format that does not take exactly one integer gives the bare number.
std::string FormatWithIndex(const char* format, Int32 value, USize size);

// The parameters of the host material's parameter block, brought to the current block
// version in native byte order; empty when it has none or it cannot be read.
// 'checksum' receives the block's checksum (0 without parameters).
void ReadHostParameters(const PlanAttr::Material& material, Modeler::PropertyList& params, Int32* checksum);

// The base type of a host material type: less 20 from 20 on, less 10 from 10 on.
Int16 BaseType(Int16 type);

// The lighting coefficients of a base type, or null for types without a preset.
struct Preset {
	Int16 ambient, diffuse, specular, transparency, shininess, transparencyAtt;
	bool specularIsColour;
	Kit::RGBColor emission;
	Int16 emissionAtt;
};
const Preset* FindPreset(Int16 baseType);

} // namespace Modeler::ImportDetail
