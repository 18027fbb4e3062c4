// Byte-order conversion of the called-macro section of parametric objects: the list of
// library parts an object calls, held in one memory handle (BMAllocateHandle).
//
// The section has two forms, chosen by 'mode':
//  - CalledMacroNameListMode (1): entries one after the other, each a zero-terminated
//    8-bit name followed by the main GUID and the revision GUID (16 bytes each). The
//    names go through IVChars and the GUIDs through Kit::Guid::IV, in place.
//  - every other mode: the array stream of SyCalledMacroItem (ParxCalledMacro.h), read
//    in the byte order of 'from' and written again in that of 'to'; the handle is
//    resized to the new stream.
//
// Results of SwapLP_CalledMacroSection:
//  - 0 on success;
//  - RecordConversionBadStructure (−1) for a null handle or a handle without a block, and
//    for an array stream that is not one (wrong frame, unknown major version, damaged
//    end marker, bytes after the stream);
//  - RecordConversionOverrun (−7003) for an entry of the name list that runs past the
//    handle (its name has no terminator, or its GUIDs do not fit), and for an array
//    stream that ends early or announces more items or a longer name than its bytes can
//    hold;
//  - the memory manager's error when the handle cannot be resized.
// A failing name list keeps the entries before the failing one converted and leaves that
// entry and the rest as they were. A failing array stream leaves the handle unchanged.
// Nothing is allocated from a count or length before it is checked against the bytes.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"
#include "platform/KitArray.h"
#include "platform/KitTypes.h"
#include "platform/ParxCalledMacro.h"

constexpr Int16 CalledMacroNameListMode = 1;

M3D_C_EXPORT Int16 SwapLP_CalledMacroSection(Kit::PlatformSign from, char** handle, Int16 mode, Kit::PlatformSign to);

// A new handle holding the array stream of 'items' in the byte order of platform 'to',
// the form SwapLP_CalledMacroSection converts for modes other than 1. Returns NoError with
// *handle set, or an error code with *handle null.
GSErrCode MakeCalledMacroSection(const Kit::Array<SyCalledMacroItem>& items, Kit::PlatformSign to, GSHandle* handle);
