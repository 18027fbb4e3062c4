// Byte-order conversion of a whole binary part: a model-file image held in one block of
// memory, as parametric objects carry it. The block is walked section by section in file
// order, each section converted by the record functions of its form, with the counts of
// the size header (read in the byte order of 'from', whichever way the block is going).
//
// Version families and their sections:
//   4001        MSIZ 41, BODY 41, PGON 41, PEDG, EDGE 51, VERT and VECT as floats, UMAT 41
//   4008–4015   MSIZ 51, BODY 60 above 4012 else 51, TRAN above 4013, PGON 110 above 4014
//               else 51, PEDG, EDGE above 4014 else 51, VERT, VECT, BEXT below 4013,
//               LGHT 700 above 4010 else 455, RTXT 700, UFIL, UMAT 455 below 4010 else
//               current, FIDE, PICT
//   4016–4017   MSIZ, BODY 60, TRAN, PGON 110, PEDG, EDGE, VERT, VECT, TEVE, LGHT 700,
//               RTXT 700, UFIL, UMAT, FIDE, PICT
//   4019–4022,  MSIZ, BODY 90, TRAN, PGON 110, PEDG, EDGE, VERT, VECT, TEVE, LGHT 10 above
//   4025–4026   4021 else 700, RTXT 900 above 4020 else 700, UFIL, UMAT, FIDE, PICT; for
//               4022, while bytes remain, the light parameter section
//   4018,       MSIZ, BODY, TRAN, PGON current above 4030 else 110, PEDG, EDGE, VERT,
//   4027–4032   VECT, TEVE, LGHT 700 (4018) / 10 (4027) / current (4028–4031) / list form
//               (4032), RTXT 700 (4018) / 900 (4027) / 130 (4028–4030) / current, UFIL,
//               UMAT (list form in 4032), FIDE, PICT
// Lights and materials of 4032 are what LGHT::Write and UMAT::Write write: the fixed part
// and the parameter list's stream, whose length the stream itself gives.
//
// Decisions where the old forms are ambiguous:
//   - 4018 bodies are 128 bytes (form 601), whose last word nobody can interpret; a 4018
//     part is walked with that size when no byte order changes and refused (−1) when one
//     does, as the model-file reader refuses a foreign 4018 file.
//   - the lights of 4022 have no tail after the record even when their flag is set: their
//     parameters are in the light parameter section at the end.
//
// Every record and every variable part is checked against the block before it is
// touched. Results: 0; −1 for a null block, a version outside the families above, a
// negative count or a section that would run past the block, and −1 or −7003 as the
// variable-part functions return them (materials, fill definitions: −1; light tails, list
// streams of lights, the light parameter section: −7003). The block is converted in
// place: on failure the sections before the failing record are converted.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"
#include "platform/KitTypes.h"

// Converts the block from the byte order of 'from' to the running platform's.
M3D_C_EXPORT Int16 FCSwapBinaryPart(Kit::PlatformSign from, char* block, Int32 size);
// Converts the block from the byte order of 'from' (normally the running platform) to
// that of 'to'; the same walk as FCSwapBinaryPart.
M3D_C_EXPORT Int16 FCSwapBinaryPart_R(Kit::PlatformSign from, char* block, Int32 size, Kit::PlatformSign to);
// Converts the block a handle holds: FCSwapBinaryPart when 'to' is the running platform,
// FCSwapBinaryPart_R otherwise. −1 for a null handle or a block above 2 GB.
M3D_C_EXPORT Int16 FCSwap_BINARYPart(Kit::PlatformSign from, char** handle, Kit::PlatformSign to);
