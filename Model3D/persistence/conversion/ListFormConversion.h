// Byte-order conversion of the lights and materials of version 4032, whose parameters
// are stored as a property list's own stream right after the fixed part:
//   light      60 bytes (type, colour, 13 floats), then the list's stream
//   material   96 bytes (the current material's fields up to the reserved words),
//              then the list's stream
// The stream carries typed values in the byte order of the file, so it is converted with
// the record: read from the bytes in the order of 'from' and written back in the order of
// 'to'. Its length is whatever the stream itself says; nothing here assumes a fixed size.
//
// Both functions convert 'count' records from buffer + *offset, each checked whole (fixed
// part and stream) before it is touched, and advance *offset past them. They stop at the
// first record that fails; that record is left as it was and *offset points at it.
// Results: 0; −1 for a null pointer or a negative size, offset or count; for a record
// that runs past bufferSize or whose stream cannot be read, −7003 for lights (as IV_LGHT)
// and −1 for materials (as IV_UMAT).
#pragma once

#include "platform/KitTypes.h"

Int16 IV_LGHT_List_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                           Kit::PlatformSign to);
Int16 IV_UMAT_List_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                           Kit::PlatformSign to);
