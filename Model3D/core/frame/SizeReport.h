// Text helpers with which every size report of the module is printed.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitChannel.h"

// Formats with printf rules into a 512-byte buffer (longer output is cut to 511
// characters) and writes the text to the channel.
M3D_EXPORT void CPrintf(Kit::OChannel& channel, const char* format, ...) __attribute__((format(printf, 2, 3)));

namespace Modeler {

// The figures of the statistics and the report columns are 32-bit; larger ones are
// capped at 0xFFFFFFFF rather than wrapped.
UInt32 CappedFigure(UInt64 value);

// The column header of a size report.
M3D_EXPORT void PrintOneSizeReportHeader(Kit::OChannel& channel, const char* title);

// One row of a size report: record size (blank when 0), item count, used and allocated
// bytes as digit-grouped numbers, and the fill factor (used / allocated).
M3D_EXPORT void PrintOneSizeReport(Kit::OChannel& channel, const char* name, UInt32 recordSize, UInt32 itemCount,
                                   UInt32 usedBytes, UInt32 allocBytes);

} // namespace Modeler
