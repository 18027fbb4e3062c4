// Byte-order conversion (IV_…) and old-form conversion (FC…) of the body records of
// model files: size headers, bodies, transformations, polygons, polygon edges, edges,
// vertices, normals, texture vertices and body extensions.
//
// Byte-order functions. Each converts 'count' records that start at buffer + *offset
// from the byte order of platform 'from' to that of platform 'to', field by field with
// the width of each field, and advances *offset by the bytes of those records. Status
// words are converted with IVSTATW / IVSTATL. Reserved bytes and padding are left as
// they are. When both platforms have the same byte order only the offset moves.
//
// Each function comes in two forms:
//  - the plain form (from, buffer, offset, count[, version], to) is what the host looks
//    up by its undecorated name. It trusts its caller: the records must lie inside the
//    buffer. It does nothing for a null buffer or offset pointer or a count that is not
//    positive.
//  - the checked form, named with the suffix _Checked, takes the buffer size in bytes
//    right after the buffer and returns a result code. It converts nothing and leaves *offset as it was unless the
//    whole range fits: RecordConversionBadStructure (−1) for a null buffer or offset
//    pointer or a negative size, offset or count; RecordConversionOverrun (−7003) when
//    *offset + count · record size (summed in 64 bits) exceeds the buffer size.
//    A zero count is accepted anywhere from 0 up to the buffer size.
//
// Old-form converters (FC…) take the destination record and the source record, both
// in the running platform's byte order. Each clears the destination and then copies
// the fields that the old form has; null pointers are ignored.
#pragma once

#include "Model3D/bodies/records/BodyRecords.h"
#include "Model3D/bodies/records/PGON.h"
#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/persistence/conversion/RecordConversionForms.h"
#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "platform/Geometry.h"
#include "platform/KitTypes.h"

// Sizes in bytes of the record forms.
constexpr Int32 MSIZ_41_Size = 52; // 13 Int32, versions below 4008
constexpr Int32 MSIZ_51_Size = 60; // 15 Int32, versions 4008–4015
constexpr Int32 MSIZ_Size = 68;    // 17 Int32, from version 4016
constexpr Int32 BODY_51_Size = 76; // forms 41 and 51
constexpr Int32 BODY_60_Size = 124;
constexpr Int32 BODY_90_Size = 136;
constexpr Int32 BODY_Size = 140;
constexpr Int32 TRAN_Size = 104;
constexpr Int32 PGON_41_Size = 24;
constexpr Int32 PGON_51_Size = 28;
constexpr Int32 PGON_110_Size = 32;
constexpr Int32 PGON_Size = 40;
constexpr Int32 PEDG_Size = 4;
constexpr Int32 EDGE_51_Size = 20;
constexpr Int32 EDGE_Size = 24;
constexpr Int32 VERT_FloatSize = 12;  // three floats, versions up to 4011
constexpr Int32 VERT_DoubleSize = 24; // three doubles, from version 4012
constexpr Int32 TEVE_Size = 8;
constexpr Int32 BEXT_51_Size = 36;

// The last version whose vertices and normals are stored as floats.
constexpr Int32 LastFloatVertexVersion = 4011;
// The last version whose BODY records have form 41 (Int32 at +2, shape type at +6).
constexpr Int32 LastBody41Version = 4002;

// Record size of VERT and VECT in files of the given version.
constexpr Int32 VertRecordSize(Int32 version) {
	return version > LastFloatVertexVersion ? VERT_DoubleSize : VERT_FloatSize;
}

// ---- size headers: one record, no count ----------------------------------------------
M3D_C_EXPORT void IV_MSIZ_41(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to);
M3D_C_EXPORT void IV_MSIZ_51(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to);
M3D_C_EXPORT void IV_MSIZ(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to);
Int16 IV_MSIZ_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to);
Int16 IV_MSIZ_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to);
Int16 IV_MSIZ_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to);

// ---- bodies -----------------------------------------------------------------------
// 76-byte bodies: form 41 for versions up to 4002, form 51 above. Version 4002 is swapped
// as form 41 (Int32 at +2, shape type at +6) because that is the form the model-file
// reader converts 4002 bodies from; swapping them as form 51 would scramble exactly the
// fields it then moves.
M3D_C_EXPORT void IV_BODY_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version,
                             Kit::PlatformSign to);
Int16 IV_BODY_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to);
// 124-byte bodies of versions 4013–4017.
M3D_C_EXPORT void IV_BODY_60(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_BODY_60_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
// 136-byte bodies of versions 4019–4026.
M3D_C_EXPORT void IV_BODY_90(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_BODY_90_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
// Current 140-byte BODY records.
M3D_C_EXPORT void IV_BODY(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_BODY_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- transformations --------------------------------------------------------------
M3D_C_EXPORT void IV_TRAN(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_TRAN_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- polygons ---------------------------------------------------------------------
M3D_C_EXPORT void IV_PGON_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
M3D_C_EXPORT void IV_PGON_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
M3D_C_EXPORT void IV_PGON_110(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
// Current 40-byte polygons; the 8-byte cache slot at +32 is swapped as an Int64.
M3D_C_EXPORT void IV_PGON(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_PGON_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
Int16 IV_PGON_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
Int16 IV_PGON_110_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);
Int16 IV_PGON_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- polygon edges, edges ---------------------------------------------------------
M3D_C_EXPORT void IV_PEDG(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
M3D_C_EXPORT void IV_EDGE_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
M3D_C_EXPORT void IV_EDGE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_PEDG_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);
Int16 IV_EDGE_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
Int16 IV_EDGE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- vertices, normals, texture vertices ------------------------------------------
// Vertices and normals share one layout: three doubles when 'version' is above 4011,
// three floats otherwise. IV_VECT is the same function as IV_VERT.
M3D_C_EXPORT void IV_VERT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version,
                          Kit::PlatformSign to);
M3D_C_EXPORT void IV_VECT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version,
                          Kit::PlatformSign to);
Int16 IV_VERT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to);
Int16 IV_VECT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to);
M3D_C_EXPORT void IV_TEVE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_TEVE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- body extensions --------------------------------------------------------------
M3D_C_EXPORT void IV_BEXT_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_BEXT_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);

// ---- old forms to current ---------------------------------------------------------
// Polygons: the destination's triangle cache is freed and its slot left empty; the
// old 16-bit status becomes the low half of the 32-bit status.
M3D_C_EXPORT void FCPgonFromPgon41(Modeler::PGON* pgon, const PGON_41* pgon41);
M3D_C_EXPORT void FCPgonFromPgon51(Modeler::PGON* pgon, const PGON_51* pgon51);
M3D_C_EXPORT void FCPgonFromPgon110(Modeler::PGON* pgon, const PGON_110* pgon110);
// Edges: the old 16-bit status becomes the low half of the 32-bit status.
M3D_C_EXPORT void FCEdgeFromEdge51(EDGE* edge, const EDGE_51* edge51);

// Bodies. The current BODY gets sbkgc −2 and the empty spare range (0, −1); fields the
// old form lacks are 0.
// Form 41 to form 51: the shape type moves from +6 to +2 (less 30000 when it is above
// 30000) and the Int32 at +2 moves to +4.
M3D_C_EXPORT void FCBody51FromBody41(BODY_51* body51, const BODY_41* body41);
// The form-51 shape type goes to both btypeOrCut and btype.
M3D_C_EXPORT void FCBodyFromBody51(BODY* body, const BODY_51* body51);
// Form 60, and form 601 through its first 124 bytes: the Int32 at +8 and the reserved
// words are dropped; the shape type goes to both btypeOrCut and btype.
M3D_C_EXPORT void FCBodyFromBody60(BODY* body, const BODY_60* body60);
M3D_C_EXPORT void FCBodyFromBody601(BODY* body, const BODY_60* body601);
// Form 90: every field stays where it is, btype takes btypeOrCut's value, sltype and
// filler are 0.
M3D_C_EXPORT void FCBodyFromBody90(BODY* body, const BODY_90* body90);
// Applies a body extension of versions 4008–4012 to a converted body: shape type, wrap
// and the four texture coordinate references. Other fields keep their values.
M3D_C_EXPORT void FCBodyFromBext51(BODY* body, const BEXT_51* bext51);
