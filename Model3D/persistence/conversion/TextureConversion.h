// Texture records of model files: their old forms, their byte-order conversion
// (IV_RTXT…), the conversion of each old form into the next one (FCRTXT…), and the
// texture pixel section (IV_PICT).
//
// Forms, by model-file version:
//   RTXT_700   60 bytes    versions up to 4020   length-prefixed 8-bit name
//   RTXT_900   60 bytes    versions 4021–4027    zero-terminated 8-bit name
//   RTXT_130  540 bytes    versions 4028–4030    UTF-16 name, 32-bit pixel slot
//   RTXT      544 bytes    from version 4031     the attribute store's record
// Every form starts with the status word, the pixel depth and the two sizes; the last
// words are the pixel width and height and the slot of the pixel handle, which means
// nothing in a file and is swapped as a plain number.
//
// Byte-order functions come in the two forms of RecordConversion.h: a plain form,
// exported under its undecorated name, that trusts its caller (the records lie inside
// the buffer; nothing happens for a null buffer or offset pointer or a count that is
// not positive), and a checked form (…_Checked) that takes the buffer size right after
// the buffer and returns RecordConversionNoError, RecordConversionBadStructure (−1:
// null pointer, negative size, offset or count) or RecordConversionOverrun (−7003: the
// records run past the buffer), converting nothing unless the whole range fits.
#pragma once

#include "Model3D/attributes/records/AttributeRecords.h"
#include "Model3D/core/frame/ModuleExport.h"
#include "Model3D/persistence/conversion/RecordConversionResult.h"
#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

// Texture of versions up to 4020.
struct RTXT_700 {
	UInt16 status;
	Int16 pixelDepth;
	float xSize;
	float ySize;
	char reserved1[2];      // kept as it is
	Int16 reserved2;        // +14 and +16: cleared whenever the record changes byte order
	Int32 reserved3;        //
	unsigned char name[32]; // length byte, then at most 31 characters
	Int16 pixelWidth;
	Int16 pixelHeight;
	UInt32 pixels; // pixel handle of the program that wrote the file
};

// Texture of versions 4021–4027: form 700 with a zero-terminated name.
struct RTXT_900 {
	UInt16 status;
	Int16 pixelDepth;
	float xSize;
	float ySize;
	char reserved[8];
	char name[32]; // zero-terminated, or 32 characters that fill the field
	Int16 pixelWidth;
	Int16 pixelHeight;
	UInt32 pixels;
};

// Texture of versions 4028–4030: the current RTXT with a 32-bit pixel slot.
struct RTXT_130 {
	UInt16 status;
	Int16 pixelDepth;
	float xSize;
	float ySize;
	char reserved[8];
	UniChar textureName[256];
	Int16 pixelWidth;
	Int16 pixelHeight;
	UInt32 pixels;
};

static_assert(std::is_trivially_copyable_v<RTXT_700> && sizeof(RTXT_700) == 60);
static_assert(offsetof(RTXT_700, pixelDepth) == 2 && offsetof(RTXT_700, xSize) == 4 && offsetof(RTXT_700, ySize) == 8);
static_assert(offsetof(RTXT_700, reserved1) == 12 && offsetof(RTXT_700, reserved2) == 14 &&
              offsetof(RTXT_700, reserved3) == 16);
static_assert(offsetof(RTXT_700, name) == 20 && offsetof(RTXT_700, pixelWidth) == 52 &&
              offsetof(RTXT_700, pixelHeight) == 54 && offsetof(RTXT_700, pixels) == 56);

static_assert(std::is_trivially_copyable_v<RTXT_900> && sizeof(RTXT_900) == 60);
static_assert(offsetof(RTXT_900, pixelDepth) == 2 && offsetof(RTXT_900, xSize) == 4 && offsetof(RTXT_900, ySize) == 8);
static_assert(offsetof(RTXT_900, reserved) == 12 && offsetof(RTXT_900, name) == 20);
static_assert(offsetof(RTXT_900, pixelWidth) == 52 && offsetof(RTXT_900, pixelHeight) == 54 &&
              offsetof(RTXT_900, pixels) == 56);

static_assert(std::is_trivially_copyable_v<RTXT_130> && sizeof(RTXT_130) == 540);
static_assert(offsetof(RTXT_130, pixelDepth) == 2 && offsetof(RTXT_130, xSize) == 4 && offsetof(RTXT_130, ySize) == 8);
static_assert(offsetof(RTXT_130, reserved) == 12 && offsetof(RTXT_130, textureName) == 20);
static_assert(offsetof(RTXT_130, pixelWidth) == 532 && offsetof(RTXT_130, pixelHeight) == 534 &&
              offsetof(RTXT_130, pixels) == 536);
// Form 130 is the current record up to its pixel slot.
static_assert(offsetof(RTXT, textureName) == offsetof(RTXT_130, textureName) &&
              offsetof(RTXT, pixels) == offsetof(RTXT_130, pixels));

constexpr Int32 RTXT_700_Size = sizeof(RTXT_700);
constexpr Int32 RTXT_900_Size = sizeof(RTXT_900);
constexpr Int32 RTXT_130_Size = sizeof(RTXT_130);
constexpr Int32 RTXT_Size = sizeof(RTXT);
// The byte count in front of each texture's pixels.
constexpr Int32 PICTByteCountSize = sizeof(Int32);

// ---- textures ------------------------------------------------------------------------
// Form 700: the Int16 at +14 and the Int32 at +16 become 0 when the byte order changes.
M3D_C_EXPORT void IV_RTXT_700(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_RTXT_700_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);
// Form 900: the 8 bytes at +12 are left as they are.
M3D_C_EXPORT void IV_RTXT_900(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_RTXT_900_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);
// Form 130: all 256 units of the name are swapped, so that nothing after its end
// depends on the platform that wrote it.
M3D_C_EXPORT void IV_RTXT_130(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_RTXT_130_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to);
// Current form: as 130 with an Int64 pixel slot.
M3D_C_EXPORT void IV_RTXT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
Int16 IV_RTXT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- texture pixels ------------------------------------------------------------------
// 'count' pixel blocks, each an Int32 byte count n and n pixel bytes. The count is
// converted and read in the byte order of 'from' (so it is right in either direction);
// the pixels stay as they are.
// The plain form stops at a block whose count is negative or whose end does not fit in
// an Int32 offset; *offset then points at that block.
M3D_C_EXPORT void IV_PICT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to);
// The checked form goes block by block and stops at the first that does not fit: −7003
// when the count or the pixels run past bufferSize, −1 for a negative count (and for a
// bad request, as above). The failing block is left unconverted and *offset points at
// its start; the blocks before it are converted.
Int16 IV_PICT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to);

// ---- each old form to the next ---------------------------------------------------------
// Each clears the destination, then copies the fields the source has; both records are
// in the running platform's byte order. Null pointers are ignored. Fields not named stay
// 0, the pixel slot included.
//
// Status, depth, sizes, pixel width and height; the length-prefixed name becomes a
// zero-terminated one (a length byte above 31 is cut to the 31 characters the field
// holds).
M3D_C_EXPORT void FCRTXT900FromRTXT700(RTXT_900* texture, const RTXT_700* old);
// Status, depth, sizes, pixel width and height; the 8-bit name (at most 32 characters,
// up to its terminator) becomes UTF-16 by the default code page.
M3D_C_EXPORT void FCRTXT130FromRTXT900(RTXT_130* texture, const RTXT_900* old);
// Every field but the pixel slot, which is left empty. A name that fills all 256 units
// without a terminator is cut to 255, as the texture record requires. A pixel handle the
// destination held is not freed: the record does not own it.
M3D_C_EXPORT void FCRTXTFromRTXT130(RTXT* texture, const RTXT_130* old);
