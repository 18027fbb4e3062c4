// Old forms of the body records, as model files of earlier versions store them. The
// records are kept in files in the byte order of the platform that wrote them; the IV_…
// functions of RecordConversion.h swap them and the FC… functions turn them into the
// current records (BODY, EDGE, Modeler::PGON).
//
// Every form is a plain struct without padding whose layout is the file layout, so a
// record can be copied out of a byte buffer with memcpy (never by casting a pointer
// into the buffer: file records need not be aligned).
#pragma once

#include "platform/KitTypes.h"

#include <cstddef>
#include <type_traits>

// Polygon of files up to version 4002.
struct PGON_41 {
	UInt16 status; // polygon status bits (the low half of the current 32-bit status)
	Int16 iumat;
	Int32 irtxt;
	Int32 ivect;
	Int32 fpedg;
	Int32 lpedg;
	UInt32 spare; // not carried over
};

// Polygon of versions 4003–4014: form 41 with the polygon's unique id.
struct PGON_51 {
	UInt16 status;
	Int16 iumat;
	Int32 irtxt;
	Int32 ivect;
	Int32 fpedg;
	Int32 lpedg;
	Int32 mpuid;
	UInt32 spare; // not carried over
};

// Polygon of versions 4015–4030: 32-bit status; the current form without its cache slot.
struct PGON_110 {
	UInt32 status;
	Int16 dummy; // not carried over
	Int16 iumat;
	Int32 irtxt;
	Int32 ivect;
	Int32 fpedg;
	Int32 lpedg;
	Int32 mpuid;
	UInt32 spare; // not carried over
};

// Edge of versions below 4015: 16-bit status.
struct EDGE_51 {
	UInt16 status;
	Int16 color;
	Int32 vert1;
	Int32 vert2;
	Int32 pgon1;
	Int32 pgon2;
};

// Body extension of versions 4008–4012: the fields that BODY 51 had no room for.
struct BEXT_51 {
	Int32 reserved1[3];
	Int16 btype;
	UInt16 status;
	Int16 wrap;
	Int16 reserved2;
	Int32 coor[4];
};

// Body header of files up to version 4002.
struct BODY_41 {
	UInt16 status;
	UInt16 fatherBind[2]; // an Int32 at +2, split because it is not 4-byte aligned
	UInt16 btype;         // shape type; values above 30000 carry an offset of 30000
	Int16 edgePenIdx;
	Int16 iumat;
	float box[6];     // xMin, yMin, zMin, xMax, yMax, zMax
	Int32 ranges[10]; // fpgon, lpgon, fpedg, lpedg, fedge, ledge, fvert, lvert, fvect, lvect
};

// Body header of versions 4003–4012.
struct BODY_51 {
	UInt16 status;
	Int16 btype;
	Int32 fatherBind;
	Int16 edgePenIdx;
	Int16 iumat;
	float box[6];
	Int32 ranges[10]; // as in BODY_41
};

// Body header of versions 4013–4017 (and the first 124 bytes of form 601, version 4018).
struct BODY_60 {
	UInt32 status;
	Int32 itran;
	Int32 dropped; // not carried over
	Int32 fatherBind;
	Int16 btypeOrCut;
	Int16 reserved1; // not carried over
	Int16 edgePenIdx;
	Int16 iumat;
	float box[6];
	Int32 ranges[10];   // as in BODY_41
	Int32 reserved2[3]; // not carried over
	Int32 fteve;
	Int16 reserved3;
	Int16 wrap;
	Int32 coor[4];
};

// Body header of versions 4019–4026: the current BODY without its last two words.
struct BODY_90 {
	UInt32 status;
	Int32 itran;
	Int16 ifill;
	Int16 sbkgc;
	UInt32 fatherBind;
	UInt16 btypeOrCut;
	Int16 btype;
	Int16 edgePenIdx;
	Int16 iumat;
	float box[6];
	Int32 ranges[12]; // as in BODY_41, then fspare, lspare
	Int32 reserved1[3];
	Int32 fteve;
	Int16 reserved2;
	Int16 wrap;
	Int32 coor[4];
	Int16 sconc;
	UInt16 sfilc;
};

static_assert(std::is_trivially_copyable_v<PGON_41> && sizeof(PGON_41) == 24);
static_assert(offsetof(PGON_41, iumat) == 2 && offsetof(PGON_41, irtxt) == 4 && offsetof(PGON_41, lpedg) == 16);
static_assert(offsetof(PGON_41, spare) == 20);

static_assert(std::is_trivially_copyable_v<PGON_51> && sizeof(PGON_51) == 28);
static_assert(offsetof(PGON_51, iumat) == 2 && offsetof(PGON_51, irtxt) == 4 && offsetof(PGON_51, lpedg) == 16);
static_assert(offsetof(PGON_51, mpuid) == 20 && offsetof(PGON_51, spare) == 24);

static_assert(std::is_trivially_copyable_v<PGON_110> && sizeof(PGON_110) == 32);
static_assert(offsetof(PGON_110, dummy) == 4 && offsetof(PGON_110, iumat) == 6 && offsetof(PGON_110, irtxt) == 8);
static_assert(offsetof(PGON_110, ivect) == 12 && offsetof(PGON_110, fpedg) == 16 && offsetof(PGON_110, lpedg) == 20);
static_assert(offsetof(PGON_110, mpuid) == 24 && offsetof(PGON_110, spare) == 28);

static_assert(std::is_trivially_copyable_v<EDGE_51> && sizeof(EDGE_51) == 20);
static_assert(offsetof(EDGE_51, color) == 2 && offsetof(EDGE_51, vert1) == 4 && offsetof(EDGE_51, vert2) == 8);
static_assert(offsetof(EDGE_51, pgon1) == 12 && offsetof(EDGE_51, pgon2) == 16);

static_assert(std::is_trivially_copyable_v<BEXT_51> && sizeof(BEXT_51) == 36);
static_assert(offsetof(BEXT_51, btype) == 12 && offsetof(BEXT_51, status) == 14 && offsetof(BEXT_51, wrap) == 16);
static_assert(offsetof(BEXT_51, reserved2) == 18 && offsetof(BEXT_51, coor) == 20);

static_assert(std::is_trivially_copyable_v<BODY_41> && sizeof(BODY_41) == 76);
static_assert(offsetof(BODY_41, fatherBind) == 2 && offsetof(BODY_41, btype) == 6);
static_assert(offsetof(BODY_41, edgePenIdx) == 8 && offsetof(BODY_41, iumat) == 10);
static_assert(offsetof(BODY_41, box) == 12 && offsetof(BODY_41, ranges) == 36);

static_assert(std::is_trivially_copyable_v<BODY_51> && sizeof(BODY_51) == 76);
static_assert(offsetof(BODY_51, btype) == 2 && offsetof(BODY_51, fatherBind) == 4);
static_assert(offsetof(BODY_51, edgePenIdx) == 8 && offsetof(BODY_51, iumat) == 10);
static_assert(offsetof(BODY_51, box) == 12 && offsetof(BODY_51, ranges) == 36);

static_assert(std::is_trivially_copyable_v<BODY_60> && sizeof(BODY_60) == 124);
static_assert(offsetof(BODY_60, itran) == 4 && offsetof(BODY_60, dropped) == 8 && offsetof(BODY_60, fatherBind) == 12);
static_assert(offsetof(BODY_60, btypeOrCut) == 16 && offsetof(BODY_60, edgePenIdx) == 20 &&
              offsetof(BODY_60, iumat) == 22);
static_assert(offsetof(BODY_60, box) == 24 && offsetof(BODY_60, ranges) == 48 && offsetof(BODY_60, reserved2) == 88);
static_assert(offsetof(BODY_60, fteve) == 100 && offsetof(BODY_60, reserved3) == 104 && offsetof(BODY_60, wrap) == 106);
static_assert(offsetof(BODY_60, coor) == 108);

static_assert(std::is_trivially_copyable_v<BODY_90> && sizeof(BODY_90) == 136);
static_assert(offsetof(BODY_90, ifill) == 8 && offsetof(BODY_90, sbkgc) == 10 && offsetof(BODY_90, fatherBind) == 12);
static_assert(offsetof(BODY_90, btypeOrCut) == 16 && offsetof(BODY_90, btype) == 18 && offsetof(BODY_90, box) == 24);
static_assert(offsetof(BODY_90, ranges) == 48 && offsetof(BODY_90, reserved1) == 96 && offsetof(BODY_90, fteve) == 108);
static_assert(offsetof(BODY_90, wrap) == 114 && offsetof(BODY_90, coor) == 116 && offsetof(BODY_90, sconc) == 132);
static_assert(offsetof(BODY_90, sfilc) == 134);
