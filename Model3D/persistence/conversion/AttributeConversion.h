// Byte-order conversion (IV_…) and old-form conversion (FC…) of the attribute records of
// model files: fill heads (UFIL), materials (UMAT, forms 41, 455 and current) and the
// fill definition block (FIDE, forms 455, 510 and current).
//
// Byte-order functions convert the records that start at buffer + *offset from the
// byte order of platform 'from' to that of platform 'to', field by field with the width
// of each field, and advance *offset by the bytes they took. Padding and reserved bytes
// stay as they are; 8-bit texts go through IVChars, never beyond their field.
//
// Fixed-size records come in the two forms of RecordConversion.h: a plain form that
// trusts its caller, exported under its undecorated name, and a checked form (…_Checked)
// that takes the buffer size right after the buffer and returns RecordConversionNoError,
// RecordConversionBadStructure (−1: null pointer, negative size, offset or count) or
// RecordConversionOverrun (−7003: the records run past the buffer), converting nothing
// unless the whole range fits.
//
// Records with a variable part (IV_UMAT's parameter tails, the fill definitions) read
// every count and length in the byte order of the data, before the field is converted,
// and check it against the bytes that are there: a forged count is an error code, never
// a read or a write outside the buffer.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

class UMAT;

// ---- old and file forms of the material ------------------------------------------

// Material of files up to version 4002 (36 bytes).
struct UMAT_41 {
	Int16 hostMaterialIdx;
	Int16 materialType;
	UInt16 surfaceColor[3];
	Int16 coefficients[6]; // ambient, diffuse, specular, transparency, shininess, transparency attenuation
	UInt16 specularColor[3];
	UInt16 emissionColor[3];
	Int16 emissionAtt;
};

// Material of versions 4008 and 4009 (70 bytes): the first 70 bytes of the current form.
struct UMAT_455 {
	char name[32];
	Int16 materialType;
	UInt16 surfaceColor[3];
	Int16 coefficients[6];
	UInt16 specularColor[3];
	UInt16 emissionColor[3];
	Int16 emissionAtt;
	Int16 hostMaterialIdx;
	Int16 fillRef;
};

// Material record of the binary parts of versions 4010–4032 (100 bytes). Above version
// 4023 a record whose hasParamBlock is non-zero is followed by a UMATParamBlockHead and
// its byteCount bytes.
struct UMAT_BinaryRecord {
	char name[32];
	Int16 materialType;
	UInt16 surfaceColor[3];
	Int16 coefficients[6];
	UInt16 specularColor[3];
	UInt16 emissionColor[3];
	Int16 emissionAtt;
	Int16 hostMaterialIdx;
	Int16 fillRef;
	Int16 hostWord2;
	Int32 textureIdx;
	float textureCos;
	float textureSin;
	Int32 hasParamBlock;
	Int32 paramChecksum; // cleared with reserved1 when converted
	Int32 reserved1;
	Int32 reserved2;
};

// Head of a material's parameter tail, in the byte order of the platform its sign names.
struct UMATParamBlockHead {
	UInt16 platformSign;
	Int16 blockVersion;
	UInt32 byteCount;
};

static_assert(std::is_trivially_copyable_v<UMAT_41> && sizeof(UMAT_41) == 36);
static_assert(offsetof(UMAT_41, materialType) == 2 && offsetof(UMAT_41, surfaceColor) == 4);
static_assert(offsetof(UMAT_41, coefficients) == 10 && offsetof(UMAT_41, specularColor) == 22);
static_assert(offsetof(UMAT_41, emissionColor) == 28 && offsetof(UMAT_41, emissionAtt) == 34);

static_assert(std::is_trivially_copyable_v<UMAT_455> && sizeof(UMAT_455) == 70);
static_assert(offsetof(UMAT_455, materialType) == 32 && offsetof(UMAT_455, surfaceColor) == 34);
static_assert(offsetof(UMAT_455, coefficients) == 40 && offsetof(UMAT_455, specularColor) == 52);
static_assert(offsetof(UMAT_455, emissionColor) == 58 && offsetof(UMAT_455, emissionAtt) == 64);
static_assert(offsetof(UMAT_455, hostMaterialIdx) == 66 && offsetof(UMAT_455, fillRef) == 68);

static_assert(std::is_trivially_copyable_v<UMAT_BinaryRecord> && sizeof(UMAT_BinaryRecord) == 100);
static_assert(offsetof(UMAT_BinaryRecord, materialType) == 32 && offsetof(UMAT_BinaryRecord, surfaceColor) == 34);
static_assert(offsetof(UMAT_BinaryRecord, coefficients) == 40 && offsetof(UMAT_BinaryRecord, specularColor) == 52);
static_assert(offsetof(UMAT_BinaryRecord, emissionColor) == 58 && offsetof(UMAT_BinaryRecord, emissionAtt) == 64);
static_assert(offsetof(UMAT_BinaryRecord, hostMaterialIdx) == 66 && offsetof(UMAT_BinaryRecord, fillRef) == 68);
static_assert(offsetof(UMAT_BinaryRecord, hostWord2) == 70 && offsetof(UMAT_BinaryRecord, textureIdx) == 72);
static_assert(offsetof(UMAT_BinaryRecord, textureCos) == 76 && offsetof(UMAT_BinaryRecord, textureSin) == 80);
static_assert(offsetof(UMAT_BinaryRecord, hasParamBlock) == 84 && offsetof(UMAT_BinaryRecord, paramChecksum) == 88);
static_assert(offsetof(UMAT_BinaryRecord, reserved1) == 92 && offsetof(UMAT_BinaryRecord, reserved2) == 96);

static_assert(std::is_trivially_copyable_v<UMATParamBlockHead> && sizeof(UMATParamBlockHead) == 8);
static_assert(offsetof(UMATParamBlockHead, blockVersion) == 2 && offsetof(UMATParamBlockHead, byteCount) == 4);

// ---- old forms of the fill definition ----------------------------------------------

// Every form is a header followed by line items, each item followed by its dash lengths
// (doubles). The 455 form packs its doubles on 2-byte boundaries.
#pragma pack(push, 2)
// Header of a fill definition of versions up to 4008 (66 bytes).
struct FillDef455Header {
	Int32 byteCount;        // total length of the definition
	unsigned char name[32]; // length-prefixed
	Int16 hostFillIdx;
	Int16 flags;
	char pattern[8];
	double spacingFactor;
	double angle;
	Int16 itemCount;
};

// Line item of form 455 (26 bytes, then dashCount doubles).
struct FillDef455Item {
	double frequency;
	double direction;
	float originX;
	float originY;
	Int16 dashCount;
};
#pragma pack(pop)

// Header of a fill definition of versions 4009–4016 (80 bytes).
struct FillDef510Header {
	Int32 byteCount;
	char name[32]; // zero-terminated
	Int16 hostFillIdx;
	Int16 flags;
	Int32 modificationTime; // cleared when converted
	Int16 checksum;
	Int16 auxWord;
	char pattern[8];
	double spacingFactor;
	double angle;
	Int16 itemCount;
	Int16 reserved[3];
};

// Line item of form 510 (32 bytes, then dashCount doubles).
struct FillDef510Item {
	double frequency;
	double direction;
	float originX;
	float originY;
	Int16 dashCount;
	Int16 reserved1;
	Int32 reserved2;
};

static_assert(std::is_trivially_copyable_v<FillDef455Header> && sizeof(FillDef455Header) == 66);
static_assert(offsetof(FillDef455Header, name) == 4 && offsetof(FillDef455Header, hostFillIdx) == 36);
static_assert(offsetof(FillDef455Header, pattern) == 40 && offsetof(FillDef455Header, spacingFactor) == 48);
static_assert(offsetof(FillDef455Header, angle) == 56 && offsetof(FillDef455Header, itemCount) == 64);
static_assert(std::is_trivially_copyable_v<FillDef455Item> && sizeof(FillDef455Item) == 26);
static_assert(offsetof(FillDef455Item, originX) == 16 && offsetof(FillDef455Item, dashCount) == 24);

static_assert(std::is_trivially_copyable_v<FillDef510Header> && sizeof(FillDef510Header) == 80);
static_assert(offsetof(FillDef510Header, name) == 4 && offsetof(FillDef510Header, hostFillIdx) == 36);
static_assert(offsetof(FillDef510Header, modificationTime) == 40 && offsetof(FillDef510Header, checksum) == 44);
static_assert(offsetof(FillDef510Header, pattern) == 48 && offsetof(FillDef510Header, spacingFactor) == 56);
static_assert(offsetof(FillDef510Header, angle) == 64 && offsetof(FillDef510Header, itemCount) == 72);
static_assert(std::is_trivially_copyable_v<FillDef510Item> && sizeof(FillDef510Item) == 32);
static_assert(offsetof(FillDef510Item, originX) == 16 && offsetof(FillDef510Item, dashCount) == 24);

constexpr Int32 UFIL_Size = 44;
constexpr Int32 UMAT_41_Size = 36;
constexpr Int32 UMAT_455_Size = 70;
constexpr Int32 UMAT_BinarySize = 100;
// The fixed part of a version-4032 material, in front of its parameter list's stream.
constexpr Int32 UMAT_ListFixedSize = 96;
constexpr Int32 UMATParamBlockHeadSize = 8;

// The last version whose materials carry no parameter tail.
constexpr Int32 UMATLastTaillessVersion = 4023;
// The last versions of the fill definition forms 455 and 510.
constexpr Int32 FillDef455LastVersion = 4008;
constexpr Int32 FillDef510LastVersion = 4016;
// Below this version the Int32 at +40 of a current fill definition is not a
// modification time; it is cleared when the definition is converted.
constexpr Int32 FillDefTimeVersion = 4020;

// Sizes of the fixed parts of the fill definition forms and of their line items
// (without the dash lengths, 8 bytes each).
constexpr Int32 FillDef455HeaderSize = 66;
constexpr Int32 FillDef455ItemSize = 26;
constexpr Int32 FillDef510HeaderSize = 80;
constexpr Int32 FillDef510ItemSize = 32;
constexpr Int32 FillDefHeaderSize = 152;
constexpr Int32 FillDefItemSize = 48;

// ---- fill heads --------------------------------------------------------------------
M3D_C_EXPORT void IV_UFIL(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_UFIL_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- materials ---------------------------------------------------------------------
M3D_C_EXPORT void IV_UMAT_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_UMAT_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to);
M3D_C_EXPORT void IV_UMAT_455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_UMAT_455_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);

// Converts 'count' 100-byte material records of a binary part of the given version,
// each followed (above version 4023, when its flag is set) by its parameter tail. The
// tail's head and bytes are not converted: the tail names its own platform. The
// checksum and the first reserved word (+88, 8 bytes) are cleared.
//
// When converting to the running platform, a texture index that comes out above
// textureCount + 1 or below 0 is converted back once (the record was already in this
// byte order); if it is still out of range it becomes 0.
//
// Stops at the first error: −1 for a null pointer, a negative size, offset or count,
// or a record or tail that would run past bufferSize. *offset then stays at the start
// of the record that failed; the records before it are converted.
M3D_C_EXPORT Int16 IV_UMAT(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32 version, Int32* offset,
                           Int32 count, Int32 textureCount, Kit::PlatformSign to);

// Old material forms to the current one. The destination's parameter list is cleared;
// fields the old form lacks are 0 (the name of form 41 is empty).
M3D_C_EXPORT void FCUmatFromUmat41(UMAT* umat, const UMAT_41* umat41);
M3D_C_EXPORT void FCUmatFromUmat455(UMAT* umat, const UMAT_455* umat455);

// ---- fill definitions --------------------------------------------------------------
// The fill definition block is [*offset, *offset + blockSize) of the buffer, which the
// caller guarantees to hold it: a sequence of definitions, each starting with its Int32
// total length. Every definition is checked before it is converted; on success *offset
// moves to the end of the block. Results: 0, or −1 when a length or count is negative,
// a length is too short for what the definition announces, or a definition runs past
// the block (*offset then stays where it was; the definitions before the bad one are
// converted).
//
// Form 455 (versions up to 4008): 66-byte header, line items of 26 + 8m bytes.
M3D_C_EXPORT Int16 FCSwapFillDef455(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize,
                                    Kit::PlatformSign to);
// Form 510 (versions 4009–4016): 80-byte header, line items of 32 + 8m bytes; the Int32
// at +40 is cleared when the definition is converted.
M3D_C_EXPORT Int16 FCSwapFillDef510(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize,
                                    Kit::PlatformSign to);
// Current form (above 4016): the fill definition record of FillConversionRecord.h.
// Vector (and plain) fills carry 48 + 8m byte line items; symbol fills (type 1) their
// hotspots, lines, arcs and polygons. Below version 4020 the Int32 at +40 is cleared
// when the definition is converted.
M3D_C_EXPORT Int16 FCSwapFillDef(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Int32 version,
                                 Kit::PlatformSign to);
// Dispatches by version: up to 4008 form 455, 4009–4016 form 510, above 4016 current.
M3D_C_EXPORT Int16 IV_FIDE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 blockSize, Int32 version,
                           Kit::PlatformSign to);
