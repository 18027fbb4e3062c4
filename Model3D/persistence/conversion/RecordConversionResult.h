// Result codes of the record conversion functions (IV_…, FC…). The plain functions hand
// them to the host as Int16 (IV_LGHT in the low 16 bits of an Int32).
#pragma once

#include "platform/KitTypes.h"

enum RecordConversionResult : Int16 {
	RecordConversionNoError = 0,
	// A null pointer, a negative size, offset or count, a malformed variable part, or an
	// unsupported version.
	RecordConversionBadStructure = -1,
	// Records or a variable part that run past the buffer; a failure inside.
	RecordConversionOverrun = -7003,
	// A fill definition that cannot be rebuilt in the current form.
	RecordConversionBadFillDefinition = -1111,
};
