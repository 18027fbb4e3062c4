// The fill definition record: the flat form in which the attribute store keeps a
// fill's definition. Native byte order; a 152-byte header followed by the details of
// the fill type. Records may sit at any byte offset of a larger block, so every field
// is read and written by copying, never through a cast pointer.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "platform/KitTypes.h"
#include "platform/PlanAttrFill.h"

#include <cstddef>

namespace Modeler {

// Result code of a malformed fill definition.
constexpr GSErrCode BadFillDefinitionErr = -1111;

constexpr Int16 VectorFillDefType = 0;
constexpr Int16 SymbolFillDefType = 1;
constexpr Int16 PlainFillDefType = 2;

struct M3D_EXPORT FillDefHeader {
	Int32 byteCount;   // total byte length of the record
	char name[32];     // zero-terminated, at most 31 bytes
	Int16 hostFillIdx; // attribute index of the host fill
	Int16 flags;       // attribute flags
	Int32 modificationTime;
	Int16 checksum; // see FillDefChecksum
	Int16 auxWord;  // a further host word, written and never read back
	KitPattern pattern;
	double xSpacingFactor;
	double ySpacingFactor;
	double angle;
	double offset1[2];
	double offset2[2];
	Int16 fillType;    // VectorFillDefType, SymbolFillDefType or PlainFillDefType
	Int16 fillValuePc; // the host's fill value x 100, written and never read back
	Int32 reserved1;
	Int32 hotSpotCount; // symbol fills
	Int32 lineCount;    // vector and symbol fills
	Int32 arcCount;     // symbol fills
	Int32 polygonCount; // symbol fills
	Int32 reserved2[4];
};
static_assert(sizeof(FillDefHeader) == 152);
static_assert(offsetof(FillDefHeader, name) == 4);
static_assert(offsetof(FillDefHeader, hostFillIdx) == 36);
static_assert(offsetof(FillDefHeader, flags) == 38);
static_assert(offsetof(FillDefHeader, modificationTime) == 40);
static_assert(offsetof(FillDefHeader, checksum) == 44);
static_assert(offsetof(FillDefHeader, auxWord) == 46);
static_assert(offsetof(FillDefHeader, pattern) == 48);
static_assert(offsetof(FillDefHeader, xSpacingFactor) == 56);
static_assert(offsetof(FillDefHeader, ySpacingFactor) == 64);
static_assert(offsetof(FillDefHeader, angle) == 72);
static_assert(offsetof(FillDefHeader, offset1) == 80);
static_assert(offsetof(FillDefHeader, offset2) == 96);
static_assert(offsetof(FillDefHeader, fillType) == 112);
static_assert(offsetof(FillDefHeader, fillValuePc) == 114);
static_assert(offsetof(FillDefHeader, reserved1) == 116);
static_assert(offsetof(FillDefHeader, hotSpotCount) == 120);
static_assert(offsetof(FillDefHeader, lineCount) == 124);
static_assert(offsetof(FillDefHeader, arcCount) == 128);
static_assert(offsetof(FillDefHeader, polygonCount) == 132);
static_assert(offsetof(FillDefHeader, reserved2) == 136);

// One line family of a vector fill; its dash lengths (doubles) follow it directly.
struct M3D_EXPORT FillDefVectorLine {
	double values[5]; // frequency, direction, offset along the line, origin x, origin y
	Int16 dashCount;
	Int16 reserved1;
	Int32 reserved2;
};
static_assert(sizeof(FillDefVectorLine) == 48);
static_assert(offsetof(FillDefVectorLine, dashCount) == 40);
static_assert(offsetof(FillDefVectorLine, reserved1) == 42);
static_assert(offsetof(FillDefVectorLine, reserved2) == 44);

// Symbol fill sections, in record order: hotspots, lines, arcs, then the polygons,
// each a head followed by its coordinates, contour ends and arcs.
struct M3D_EXPORT FillDefHotSpot {
	double x;
	double y;
};
static_assert(sizeof(FillDefHotSpot) == 16);

struct M3D_EXPORT FillDefLine {
	double begX;
	double begY;
	double endX;
	double endY;
};
static_assert(sizeof(FillDefLine) == 32);

struct M3D_EXPORT FillDefArc {
	double centerX;
	double centerY;
	double radius;
	double begAngle;
	double endAngle;
};
static_assert(sizeof(FillDefArc) == 40);

struct M3D_EXPORT FillDefPolyHead {
	Int32 lastCoord;      // coordinate count - 1
	Int32 lastContourEnd; // contour-end count - 1
	Int32 arcCount;
	Int32 reserved;
};
static_assert(sizeof(FillDefPolyHead) == 16);
static_assert(offsetof(FillDefPolyHead, lastContourEnd) == 4);
static_assert(offsetof(FillDefPolyHead, arcCount) == 8);

struct M3D_EXPORT FillDefCoord {
	double x;
	double y;
};
static_assert(sizeof(FillDefCoord) == 16);

struct M3D_EXPORT FillDefPolyArc {
	Int32 begIndex;
	Int32 endIndex;
	double arcAngle;
};
static_assert(sizeof(FillDefPolyArc) == 16);
static_assert(offsetof(FillDefPolyArc, arcAngle) == 8);

// The fixed length of a plain (type 2) fill record: the header and 136 zero bytes.
constexpr Int32 PlainFillDefSize = 288;

// Checksum of a record of 'byteCount' bytes: the wrapping Int32 sum of its whole 4-byte
// words except words 10 and 11 (modification time, checksum and the further word),
// folded to 16 bits as (sum >> 16) + sum.
M3D_EXPORT Int16 FillDefChecksum(const char* record, Int32 byteCount);

} // namespace Modeler

// Checks that the record at 'record' is a well-formed fill definition that lies within
// 'availableBytes': a header, a known fill type, non-negative counts, and details that
// add up to exactly the record's own byte count. Returns NoError or
// Modeler::BadFillDefinitionErr; never reads outside the given bytes.
M3D_EXPORT GSErrCode IMCheckFillRecord(const char* record, Int64 availableBytes);
