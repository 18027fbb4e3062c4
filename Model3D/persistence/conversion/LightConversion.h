// Light source records of model files: their old forms, their byte-order conversion
// (IV_LGHT…) and the conversion of the old fixed-size forms into LGHT (FCLght…).
//
// Forms, by model-file version:
//   LGHT_455   60 bytes            version 4008
//   LGHT_700   64 bytes            versions 4012–4021
//   LGHT_10    68 bytes + tail     versions 4022–4027
//   LGHT_CUR   80 bytes + tail     versions 4028–4031
// All four begin with the same 60 bytes: Int16 type, a colour of three UInt16 and 13
// floats (position, direction, seven further values), the fixed part of LGHT.
//
// A tail is the light's parameter block: an 8-byte head (LGHTParamHead: the sign of the
// platform that wrote the block, the block version and the byte count) and the block's
// bytes. The head and the block stay in the byte order of the platform that wrote them,
// which the head names, and LGHT::Read converts them by that sign; so the IV functions
// leave the tail as it is and only read the byte count, converted from the tail's own
// platform when that is not the running one, to step over it.
//
// Byte-order functions convert 'count' records that start at buffer + *offset from the
// byte order of platform 'from' to that of platform 'to' and advance *offset past them.
// As with the body records, each comes in two forms:
//  - the plain form, exported under its undecorated name, trusts its caller: the records
//    must lie inside the buffer. It does nothing for a null buffer or offset pointer or
//    a count that is not positive.
//  - the checked form (…_Checked, and IV_LGHT itself) knows the buffer size and returns
//    a code: RecordConversionBadStructure (−1) for a null buffer or offset pointer or a
//    negative size, offset or count; RecordConversionOverrun (−7003) when a record or its
//    tail runs past the buffer. Sums are taken in 64 bits. Records are converted one by
//    one until the first error; the failing record is left unconverted and *offset
//    points at its start.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/elements/records/LGHT.h"
#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "platform/ByteOrder.h"
#include "platform/KitGuid.h"
#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

// Light of version 4008.
struct LGHT_455 {
	Int16 type;
	Kit::RGBColor color;
	float posX, posY, posZ;
	float dirX, dirY, dirZ;
	float extra[7];
};

// Light of versions 4012–4021: form 455 and a word that is not carried over.
struct LGHT_700 {
	Int16 type;
	Kit::RGBColor color;
	float posX, posY, posZ;
	float dirX, dirY, dirZ;
	float extra[7];
	UInt32 spare;
};

// Fixed part of a light of versions 4022–4027; a tail follows when hasParams is set
// (from version 4025; 4022–4024 keep the parameters in a later section of the file).
struct LGHT_10 {
	Int16 type;
	Kit::RGBColor color;
	float posX, posY, posZ;
	float dirX, dirY, dirZ;
	float extra[7];
	Int32 reserved;
	Int32 hasParams;
};

// Fixed part of a light of versions 4028–4031; a tail follows when hasParams is set.
struct LGHT_CUR {
	Int16 type;
	Kit::RGBColor color;
	float posX, posY, posZ;
	float dirX, dirY, dirZ;
	float extra[7];
	Kit::Guid guid;
	Int32 hasParams;
};

// Head of a tail, in the byte order of the platform whose sign it carries.
struct LGHTParamHead {
	UInt16 platformSign;
	Int16 blockVersion;
	UInt32 length; // bytes of the parameter block that follow the head
};

static_assert(std::is_trivially_copyable_v<LGHT_455> && sizeof(LGHT_455) == 60);
static_assert(offsetof(LGHT_455, color) == 2 && offsetof(LGHT_455, posX) == 8 && offsetof(LGHT_455, dirX) == 20);
static_assert(offsetof(LGHT_455, extra) == 32);
static_assert(std::is_trivially_copyable_v<LGHT_700> && sizeof(LGHT_700) == 64);
static_assert(offsetof(LGHT_700, color) == 2 && offsetof(LGHT_700, posX) == 8 && offsetof(LGHT_700, extra) == 32);
static_assert(offsetof(LGHT_700, spare) == 60);
static_assert(std::is_trivially_copyable_v<LGHT_10> && sizeof(LGHT_10) == 68);
static_assert(offsetof(LGHT_10, extra) == 32 && offsetof(LGHT_10, reserved) == 60 &&
              offsetof(LGHT_10, hasParams) == 64);
static_assert(std::is_trivially_copyable_v<LGHT_CUR> && sizeof(LGHT_CUR) == 80);
static_assert(offsetof(LGHT_CUR, extra) == 32 && offsetof(LGHT_CUR, guid) == 60 && offsetof(LGHT_CUR, hasParams) == 76);
static_assert(std::is_trivially_copyable_v<LGHTParamHead> && sizeof(LGHTParamHead) == 8);
static_assert(offsetof(LGHTParamHead, blockVersion) == 2 && offsetof(LGHTParamHead, length) == 4);
// The common 60 bytes are the fixed part of LGHT.
static_assert(offsetof(LGHTRecord, posX) == offsetof(LGHT_455, posX) &&
              offsetof(LGHTRecord, extra1) == offsetof(LGHT_455, extra));
static_assert(offsetof(LGHTRecord, padding) == sizeof(LGHT_455));

constexpr Int32 LGHT_455_Size = sizeof(LGHT_455);
constexpr Int32 LGHT_700_Size = sizeof(LGHT_700);
constexpr Int32 LGHT_10_Size = sizeof(LGHT_10);
constexpr Int32 LGHT_CUR_Size = sizeof(LGHT_CUR);
constexpr Int32 LGHTParamHead_Size = sizeof(LGHTParamHead);

// ---- fixed-size forms: type, colour and 13 floats; form 700 adds a UInt32 at +60 ----
M3D_C_EXPORT void IV_LGHT_455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_LGHT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);
M3D_C_EXPORT void IV_LGHT_700(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_LGHT_700_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);

// ---- form 10: as 455, then Int32 +60 and the Int32 has-parameters flag +64 ----------
// The plain form steps over a tail whenever the flag is set (records of versions
// 4025–4027); it stops at a tail whose byte count is negative.
M3D_C_EXPORT void IV_LGHT_10(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
// The checked form takes the file version: versions 4022–4024 have no tail after the
// record even when the flag is set.
Int16 IV_LGHT_10_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to);

// ---- current form: as 455, then the GUID +60 and the Int32 flag +76 -----------------
// Always checked. Returns 0, −1 or −7003 (the code fits the low 16 bits).
M3D_C_EXPORT Int32 IV_LGHT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 bufferSize, Int32 count,
                           Kit::PlatformSign to);

// ---- old forms to LGHT ----------------------------------------------------------------
// Copies type, colour and the 13 floats of an old light (running platform's byte order)
// into 'light' and clears its parameter list. Forms 455 and 700 share the first 60
// bytes; the +60 word of form 700 is dropped. Null pointers are ignored.
M3D_C_EXPORT void FCLghtFromLght455(LGHT* light, const LGHT_455* old);
M3D_C_EXPORT void FCLghtFromLght700(LGHT* light, const LGHT_700* old);
