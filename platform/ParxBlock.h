// Layout of the additional-parameter block of the parametric-object library: the
// memory handle in which the host keeps the parameters of a parametric object
// (materials and light sources carry one).
//
// Current form, block version 21 (native byte order of the platform that wrote it):
//
//   0                 ParxBlockHeader21   Int32 count, Int16 version (21), 10 zero bytes
//   16 + 64 * k       ParxRecord21        one record per parameter
//   16 + 64 * count   value data of arrays and strings, in record order
//
// A record's dataOffset counts from the start of the handle. Int arrays are Int32
// values, numeric arrays doubles, strings zero-terminated UTF-16 texts (an array holds
// dim1 x max(dim2, 1) of them one after the other). The value of an integer or numeric
// scalar lives in the record itself (Int32 or double at 'value'); a string scalar keeps
// its text in the data area.
//
// Older form, block versions 18 and 19 (the host wrote 19 for blocks whose names had
// been checked for duplicates; the layout is the same):
//
//   0                 ParxBlockHeader18   Int32 count, Int16 version, Int16 zero
//   8 + 48 * k        ParxRecord18        one record per parameter
//   8 + 48 * count    value data
//
// It differs from version 21 in its shorter records (names of at most 15 characters) and
// in its strings, which are zero-terminated 8-bit texts in the host's code page.
// ConvertOldsParam_To_NewParam turns it into version 21.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <cstddef>

namespace Parx {

constexpr Int16 CurrentBlockVersion = 21;
constexpr Int16 OldBlockVersion = 18;
constexpr Int16 OldBlockVersionChecked = 19;

// Type codes of parameters. Integer kinds hold Int32 values, numeric kinds doubles.
enum TypeCode : Int16 {
	IntegerType = 0,
	BooleanType = 1,
	PenType = 2,
	MaterialType = 3,
	RealNumType = 4,
	LengthType = 5,
	AngleType = 6,
	LineTypeType = 7,
	FillPatternType = 8,
	StringType = 12,
};

struct BlockHeader21 {
	Int32 count;
	Int16 version;
	char reserved[10];
};
static_assert(sizeof(BlockHeader21) == 16);
static_assert(offsetof(BlockHeader21, version) == 4);

struct Record21 {
	Int16 typeCode;
	UInt8 isArray; // 1 when dim1 is non-zero
	UInt8 reserved1;
	Int32 dim1; // 0 for scalars
	Int32 dim2; // 0 unless two-dimensional
	UInt8 fix;
	UInt8 reserved2[3];
	char value[8]; // Int32 or double of a scalar
	char name[32]; // zero-terminated, at most 31 characters
	Int32 dataOffset;
	Int32 dataLen;
};
static_assert(sizeof(Record21) == 64);
static_assert(offsetof(Record21, isArray) == 2);
static_assert(offsetof(Record21, dim1) == 4);
static_assert(offsetof(Record21, dim2) == 8);
static_assert(offsetof(Record21, fix) == 12);
static_assert(offsetof(Record21, value) == 16);
static_assert(offsetof(Record21, name) == 24);
static_assert(offsetof(Record21, dataOffset) == 56);
static_assert(offsetof(Record21, dataLen) == 60);

struct BlockHeader18 {
	Int32 count;
	Int16 version;
	Int16 reserved;
};
static_assert(sizeof(BlockHeader18) == 8);
static_assert(offsetof(BlockHeader18, version) == 4);

struct Record18 {
	Int16 typeCode;
	UInt8 isArray;
	UInt8 fix;
	Int32 dim1;
	Int32 dim2;
	Int32 dataOffset;
	Int32 dataLen;
	char reserved[4];
	char value[8];
	char name[16]; // zero-terminated, at most 15 characters
};
static_assert(sizeof(Record18) == 48);
static_assert(offsetof(Record18, fix) == 3);
static_assert(offsetof(Record18, dim1) == 4);
static_assert(offsetof(Record18, dataOffset) == 12);
static_assert(offsetof(Record18, dataLen) == 16);
static_assert(offsetof(Record18, value) == 24);
static_assert(offsetof(Record18, name) == 32);

} // namespace Parx

#pragma GCC visibility pop
