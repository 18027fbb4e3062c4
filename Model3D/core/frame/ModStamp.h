// Modeler::ModStamp: a modification stamp drawn from one process-wide counter.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"

namespace Modeler {

class M3D_EXPORT ModStamp {
public:
	ModStamp() = default;

	// Takes the next value of the process-wide counter; the first stamp of a process is 1.
	void Generate();
	void Reset() { value = 0; }
	bool IsZero() const { return value == 0; }
	UInt32 GetValue() const { return value; }

	friend bool operator<(const ModStamp& a, const ModStamp& b) { return a.value < b.value; }
	friend bool operator>(const ModStamp& a, const ModStamp& b) { return a.value > b.value; }
	friend bool operator==(const ModStamp& a, const ModStamp& b) { return a.value == b.value; }

private:
	UInt32 value = 0;
};

static_assert(sizeof(ModStamp) == 4);

} // namespace Modeler
