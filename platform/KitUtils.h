// Services of the host's utility library: localised fixed strings, the project's
// modification stamp, numbered user warnings and errors, the long-operation bracket with
// its user-break test, and the report channel.
//
// Fixed strings come from a host lookup callback when one is registered and answers;
// otherwise from the module's own English string tables (StringTables.cpp), whatever the
// module handle. Warnings, errors and the break test are recorded here and forwarded to
// host callbacks, so that a host (or a test) sees them.
//
// Kit::reportChannel receives size reports and check notes. Like Kit::dbChannel it keeps
// the text in memory (the last megabyte) and echoes it to stderr when M3D_LOG is set.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTextChannel.h"
#include "platform/KitTypes.h"

// Smallest buffer that OUGetFixString may be given; longer entries are cut to fit.
constexpr USize OUFixStringBufferSize = 256;

// Copies entry 'index' of string list 'listId' into buffer (at least 256 bytes,
// zero-terminated). Returns false, with an empty buffer, when there is no such entry.
bool OUGetFixString(char* buffer, Int32 listId, Int32 index, Int64 module);
// The same with the argument types of the module's message loaders.
bool OULoadMessage(char* buffer, Int16 listId, Int16 index, Int64 module);

// A host lookup: fills buffer (256 bytes) and returns true, or returns false to let the
// module's own tables answer. Null removes the callback.
using OUFixStringProvider = bool (*)(char* buffer, Int32 listId, Int32 index, Int64 module, void* userData);
void OUSetFixStringProvider(OUFixStringProvider provider, void* userData);

// The module's own entry, or null when the tables do not have it.
const char* OUGetBuiltInString(Int32 listId, Int32 index);

// The host project's current modification stamp (0 until the host sets one).
UInt64 OUGetProjectModiStamp();
void OUSetProjectModiStamp(UInt64 stamp);

// Numbered user messages. Each call is counted, remembered as the last code of its kind
// and passed to the host's message callback.
void OUWarning(Int32 code);
void OUError(Int32 code);

using OUMessageCallback = void (*)(bool isError, Int32 code, void* userData);
void OUSetMessageCallback(OUMessageCallback callback, void* userData);
// The last code reported (0 when none since the last reset) and the number of reports.
Int32 OUGetLastWarning();
Int32 OUGetLastError();
UInt32 OUGetWarningCount();
UInt32 OUGetErrorCount();
void OUResetMessages();

// Brackets a long operation; brackets nest. TTEndLong without a matching TTBegLong is
// ignored. 'finished' is passed on to the host's progress callback.
void TTBegLong();
void TTEndLong(bool finished = true);
// The current nesting depth of long operations.
Int32 TTGetLongDepth();
// True when the user asked to stop: the host's break callback says so. Without a
// callback it is always false.
bool TTBreak();

using TTBreakCallback = bool (*)(void* userData);
void TTSetBreakCallback(TTBreakCallback callback, void* userData);
// Called by TTBegLong with begins = true and the new depth, and by TTEndLong with
// begins = false, its finished flag and the depth after it.
using TTLongCallback = void (*)(bool begins, bool finished, Int32 depth, void* userData);
void TTSetLongCallback(TTLongCallback callback, void* userData);

namespace Kit {
extern TextChannel reportChannel;
} // namespace Kit

#pragma GCC visibility pop
