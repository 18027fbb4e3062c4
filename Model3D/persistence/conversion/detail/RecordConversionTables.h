// The field tables of every fixed record and every fixed piece of a variable record that
// model files carry, for the byte-order walk of RecordConversionLayout.h. Each table
// lists every byte of its record once; the checks below tie it to the record's size.
#pragma once

#include "Model3D/attributes/records/FillConversionRecord.h"
#include "Model3D/attributes/records/UFIL.h"
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/LightConversion.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/TextureConversion.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"

namespace RecordConversion::Tables {

using K = FieldKind;

// ---- size headers --------------------------------------------------------------------
inline constexpr RecordLayout<1> Msiz41{52, {{0, K::Int32, 13}}};
inline constexpr RecordLayout<1> Msiz51{60, {{0, K::Int32, 15}}};
inline constexpr RecordLayout<1> Msiz{68, {{0, K::Int32, 17}}};

// ---- bodies ----------------------------------------------------------------------------
// Form 41: status, an Int32 at +2, three Int16 from +6, the box, ten ranges.
inline constexpr RecordLayout<5> Body41{
    76, {{0, K::StatusW, 1}, {2, K::Int32, 1}, {6, K::Int16, 3}, {12, K::Float, 6}, {36, K::Int32, 10}}};
// Form 51: status, an Int16 at +2, an Int32 at +4, two Int16, the box, ten ranges.
inline constexpr RecordLayout<6> Body51{
    76,
    {{0, K::StatusW, 1}, {2, K::Int16, 1}, {4, K::Int32, 1}, {8, K::Int16, 2}, {12, K::Float, 6}, {36, K::Int32, 10}}};
inline constexpr RecordLayout<7> Body60{124,
                                        {{0, K::StatusL, 1},
                                         {4, K::Int32, 3},
                                         {16, K::Int16, 4},
                                         {24, K::Float, 6},
                                         {48, K::Int32, 14},
                                         {104, K::Int16, 2},
                                         {108, K::Int32, 4}}};
inline constexpr RecordLayout<10> Body90{136,
                                         {{0, K::StatusL, 1},
                                          {4, K::Int32, 1},
                                          {8, K::Int16, 2},
                                          {12, K::Int32, 1},
                                          {16, K::Int16, 4},
                                          {24, K::Float, 6},
                                          {48, K::Int32, 16},
                                          {112, K::Int16, 2},
                                          {116, K::Int32, 4},
                                          {132, K::Int16, 2}}};
inline constexpr RecordLayout<10> Body{140,
                                       {{0, K::StatusL, 1},
                                        {4, K::Int32, 1},
                                        {8, K::Int16, 2},
                                        {12, K::Int32, 1},
                                        {16, K::Int16, 4},
                                        {24, K::Float, 6},
                                        {48, K::Int32, 16},
                                        {112, K::Int16, 2},
                                        {116, K::Int32, 4},
                                        {132, K::Int16, 4}}};
inline constexpr RecordLayout<5> Bext51{
    36, {{0, K::Int32, 3}, {12, K::Int16, 1}, {14, K::StatusW, 1}, {16, K::Int16, 2}, {20, K::Int32, 4}}};

inline constexpr RecordLayout<3> Tran{104, {{0, K::StatusW, 1}, {2, K::Int16, 3}, {8, K::Double, 12}}};

// ---- polygons, polygon edges, edges, vertices ------------------------------------------
inline constexpr RecordLayout<4> Pgon41{24,
                                        {{0, K::StatusW, 1}, {2, K::Int16, 1}, {4, K::Int32, 4}, {20, K::UInt32, 1}}};
inline constexpr RecordLayout<4> Pgon51{28,
                                        {{0, K::StatusW, 1}, {2, K::Int16, 1}, {4, K::Int32, 5}, {24, K::UInt32, 1}}};
inline constexpr RecordLayout<4> Pgon110{32,
                                         {{0, K::StatusL, 1}, {4, K::Int16, 2}, {8, K::Int32, 5}, {28, K::UInt32, 1}}};
// +28 is alignment padding in front of the cache slot, which is swapped as an Int64.
inline constexpr RecordLayout<5> Pgon{
    40, {{0, K::StatusL, 1}, {4, K::Int16, 2}, {8, K::Int32, 5}, {28, K::Keep, 4}, {32, K::Int64, 1}}};

inline constexpr RecordLayout<1> Pedg{4, {{0, K::Int32, 1}}};
inline constexpr RecordLayout<3> Edge51{20, {{0, K::StatusW, 1}, {2, K::Int16, 1}, {4, K::Int32, 4}}};
inline constexpr RecordLayout<3> Edge{24, {{0, K::StatusL, 1}, {4, K::Int16, 2}, {8, K::Int32, 4}}};

inline constexpr RecordLayout<1> VertFloat{12, {{0, K::Float, 3}}};
inline constexpr RecordLayout<1> VertDouble{24, {{0, K::Double, 3}}};
inline constexpr RecordLayout<1> Teve{8, {{0, K::Float, 2}}};

// ---- fill heads and materials ------------------------------------------------------------
inline constexpr RecordLayout<4> Ufil{44,
                                      {{0, K::CText, 32}, {32, K::StatusW, 1}, {34, K::Int16, 1}, {36, K::Int32, 2}}};
inline constexpr RecordLayout<5> Umat41{
    36, {{0, K::Int16, 2}, {4, K::Color, 1}, {10, K::Int16, 6}, {22, K::Color, 2}, {34, K::Int16, 1}}};
inline constexpr RecordLayout<6> Umat455{
    70,
    {{0, K::CText, 32}, {32, K::Int16, 1}, {34, K::Color, 1}, {40, K::Int16, 6}, {52, K::Color, 2}, {64, K::Int16, 3}}};
// The 70 bytes of form 455 with the host word, then the texture, the parameter flag,
// the checksum and first reserved word (cleared) and the second reserved word.
inline constexpr RecordLayout<11> UmatBinary{100,
                                             {{0, K::CText, 32},
                                              {32, K::Int16, 1},
                                              {34, K::Color, 1},
                                              {40, K::Int16, 6},
                                              {52, K::Color, 2},
                                              {64, K::Int16, 4},
                                              {72, K::Int32, 1},
                                              {76, K::Float, 2},
                                              {84, K::Int32, 1},
                                              {88, K::Clear, 8},
                                              {96, K::Int32, 1}}};
// The fixed part of a material of version 4032, which its parameter list's stream
// follows: form 455 with the host word, the texture, the checksum and the two reserved
// words, all real fields since the writer writes them typed.
inline constexpr RecordLayout<9> UmatList{96,
                                          {{0, K::CText, 32},
                                           {32, K::Int16, 1},
                                           {34, K::Color, 1},
                                           {40, K::Int16, 6},
                                           {52, K::Color, 2},
                                           {64, K::Int16, 4},
                                           {72, K::Int32, 1},
                                           {76, K::Float, 2},
                                           {84, K::Int32, 3}}};
// The head of a material's or a light's parameter tail.
inline constexpr RecordLayout<3> ParamBlockHead{8, {{0, K::UInt16, 1}, {2, K::Int16, 1}, {4, K::UInt32, 1}}};

// ---- lights: type, colour and 13 floats, then what each form adds -----------------------
inline constexpr RecordLayout<3> Lght455{60, {{0, K::Int16, 1}, {2, K::Color, 1}, {8, K::Float, 13}}};
inline constexpr RecordLayout<4> Lght700{64,
                                         {{0, K::Int16, 1}, {2, K::Color, 1}, {8, K::Float, 13}, {60, K::UInt32, 1}}};
inline constexpr RecordLayout<4> Lght10{68, {{0, K::Int16, 1}, {2, K::Color, 1}, {8, K::Float, 13}, {60, K::Int32, 2}}};
inline constexpr RecordLayout<5> LghtCur{
    80, {{0, K::Int16, 1}, {2, K::Color, 1}, {8, K::Float, 13}, {60, K::Guid, 1}, {76, K::Int32, 1}}};

// ---- textures: status, depth, sizes, name, pixel size, pixel slot -----------------------
inline constexpr RecordLayout<8> Rtxt700{60,
                                         {{0, K::StatusW, 1},
                                          {2, K::Int16, 1},
                                          {4, K::Float, 2},
                                          {12, K::Keep, 2},
                                          {14, K::Clear, 6},
                                          {20, K::PText, 32},
                                          {52, K::Int16, 2},
                                          {56, K::UInt32, 1}}};
inline constexpr RecordLayout<7> Rtxt900{60,
                                         {{0, K::StatusW, 1},
                                          {2, K::Int16, 1},
                                          {4, K::Float, 2},
                                          {12, K::Keep, 8},
                                          {20, K::CText, 32},
                                          {52, K::Int16, 2},
                                          {56, K::UInt32, 1}}};
inline constexpr RecordLayout<7> Rtxt130{540,
                                         {{0, K::StatusW, 1},
                                          {2, K::Int16, 1},
                                          {4, K::Float, 2},
                                          {12, K::Keep, 8},
                                          {20, K::UInt16, 256},
                                          {532, K::Int16, 2},
                                          {536, K::Int32, 1}}};
inline constexpr RecordLayout<7> Rtxt{544,
                                      {{0, K::StatusW, 1},
                                       {2, K::Int16, 1},
                                       {4, K::Float, 2},
                                       {12, K::Keep, 8},
                                       {20, K::UInt16, 256},
                                       {532, K::Int16, 2},
                                       {536, K::Int64, 1}}};
// The byte count in front of a texture's pixels; the pixels themselves are not converted.
inline constexpr RecordLayout<1> PictByteCount{4, {{0, K::Int32, 1}}};

// ---- fill definitions --------------------------------------------------------------------
inline constexpr RecordLayout<6> FillDef455Header{
    66,
    {{0, K::Int32, 1}, {4, K::PText, 32}, {36, K::Int16, 2}, {40, K::Keep, 8}, {48, K::Double, 2}, {64, K::Int16, 1}}};
inline constexpr RecordLayout<3> FillDef455Item{26, {{0, K::Double, 2}, {16, K::Float, 2}, {24, K::Int16, 1}}};
inline constexpr RecordLayout<9> FillDef510Header{80,
                                                  {{0, K::Int32, 1},
                                                   {4, K::CText, 32},
                                                   {36, K::Int16, 2},
                                                   {40, K::Clear, 4},
                                                   {44, K::Int16, 2},
                                                   {48, K::Keep, 8},
                                                   {56, K::Double, 2},
                                                   {72, K::Int16, 1},
                                                   {74, K::Keep, 6}}};
inline constexpr RecordLayout<4> FillDef510Item{
    32, {{0, K::Double, 2}, {16, K::Float, 2}, {24, K::Int16, 1}, {26, K::Keep, 6}}};
// The current header; the pattern at +48 is 8 single bytes.
inline constexpr RecordLayout<11> FillDefHeader{152,
                                                {{0, K::Int32, 1},
                                                 {4, K::CText, 32},
                                                 {36, K::Int16, 2},
                                                 {40, K::Int32, 1},
                                                 {44, K::Int16, 2},
                                                 {48, K::Keep, 8},
                                                 {56, K::Double, 7},
                                                 {112, K::Int16, 2},
                                                 {116, K::Keep, 4},
                                                 {120, K::Int32, 4},
                                                 {136, K::Keep, 16}}};
// The current header of versions before the modification time: +40 is cleared.
inline constexpr RecordLayout<11> FillDefHeaderUntimed{152,
                                                       {{0, K::Int32, 1},
                                                        {4, K::CText, 32},
                                                        {36, K::Int16, 2},
                                                        {40, K::Clear, 4},
                                                        {44, K::Int16, 2},
                                                        {48, K::Keep, 8},
                                                        {56, K::Double, 7},
                                                        {112, K::Int16, 2},
                                                        {116, K::Keep, 4},
                                                        {120, K::Int32, 4},
                                                        {136, K::Keep, 16}}};
inline constexpr RecordLayout<3> FillDefVectorLine{48, {{0, K::Double, 5}, {40, K::Int16, 1}, {42, K::Keep, 6}}};
inline constexpr RecordLayout<1> FillDefHotSpot{16, {{0, K::Double, 2}}};
inline constexpr RecordLayout<1> FillDefLine{32, {{0, K::Double, 4}}};
inline constexpr RecordLayout<1> FillDefArc{40, {{0, K::Double, 5}}};
inline constexpr RecordLayout<2> FillDefPolyHead{16, {{0, K::Int32, 3}, {12, K::Keep, 4}}};
inline constexpr RecordLayout<1> FillDefCoord{16, {{0, K::Double, 2}}};
inline constexpr RecordLayout<1> FillDefContourEnd{4, {{0, K::Int32, 1}}};
inline constexpr RecordLayout<2> FillDefPolyArc{16, {{0, K::Int32, 2}, {8, K::Double, 1}}};
// One dash length of a line item.
inline constexpr RecordLayout<1> FillDefDash{8, {{0, K::Double, 1}}};

// ---- every table covers its record exactly ---------------------------------------------
template <typename Record, USize N> constexpr bool Describes(const RecordLayout<N>& layout) {
	return IsCompleteLayout(layout) && layout.size == sizeof(Record);
}
template <USize N> constexpr bool Describes(const RecordLayout<N>& layout, Int32 size) {
	return IsCompleteLayout(layout) && layout.size == static_cast<UInt32>(size);
}

static_assert(Describes(Msiz41, MSIZ_41_Size) && Describes(Msiz51, MSIZ_51_Size) && Describes(Msiz, MSIZ_Size));
static_assert(Describes<BODY_41>(Body41) && Describes<BODY_51>(Body51) && Describes<BODY_60>(Body60));
static_assert(Describes<BODY_90>(Body90) && Describes<BODY>(Body) && Describes<BEXT_51>(Bext51));
static_assert(Describes<TRAN>(Tran) && Describes(Tran, TRAN_Size));
static_assert(Describes<PGON_41>(Pgon41) && Describes<PGON_51>(Pgon51) && Describes<PGON_110>(Pgon110));
static_assert(Describes<Modeler::PGON>(Pgon) && Describes(Pgon, PGON_Size));
static_assert(Describes<Int32>(Pedg) && Describes(Pedg, PEDG_Size));
static_assert(Describes<EDGE_51>(Edge51) && Describes<EDGE>(Edge));
static_assert(Describes(VertFloat, VERT_FloatSize) && Describes<VERT>(VertDouble) && Describes<VECT>(VertDouble));
static_assert(Describes<TEVE>(Teve));
static_assert(Describes<UFIL>(Ufil) && Describes<UMAT_41>(Umat41) && Describes<UMAT_455>(Umat455));
static_assert(Describes(Ufil, UFIL_Size) && Describes(Umat41, UMAT_41_Size) && Describes(Umat455, UMAT_455_Size));
static_assert(Describes<UMAT_BinaryRecord>(UmatBinary) && Describes(UmatBinary, UMAT_BinarySize));
static_assert(Describes(UmatList, UMAT_ListFixedSize));
static_assert(Describes<UMATParamBlockHead>(ParamBlockHead) && Describes<LGHTParamHead>(ParamBlockHead));
static_assert(Describes<LGHT_455>(Lght455) && Describes<LGHT_700>(Lght700) && Describes<LGHT_10>(Lght10));
static_assert(Describes<LGHT_CUR>(LghtCur));
static_assert(Describes<RTXT_700>(Rtxt700) && Describes<RTXT_900>(Rtxt900) && Describes<RTXT_130>(Rtxt130));
static_assert(Describes<RTXT>(Rtxt) && Describes(Rtxt, RTXT_Size) && Describes(PictByteCount, PICTByteCountSize));
static_assert(Describes<::FillDef455Header>(FillDef455Header) && Describes<::FillDef455Item>(FillDef455Item));
static_assert(Describes<::FillDef510Header>(FillDef510Header) && Describes<::FillDef510Item>(FillDef510Item));
static_assert(Describes(FillDef455Header, FillDef455HeaderSize) && Describes(FillDef455Item, FillDef455ItemSize));
static_assert(Describes(FillDef510Header, FillDef510HeaderSize) && Describes(FillDef510Item, FillDef510ItemSize));
static_assert(Describes<Modeler::FillDefHeader>(FillDefHeader) &&
              Describes<Modeler::FillDefHeader>(FillDefHeaderUntimed) && Describes(FillDefHeader, FillDefHeaderSize));
static_assert(Describes<Modeler::FillDefVectorLine>(FillDefVectorLine) &&
              Describes(FillDefVectorLine, FillDefItemSize));
static_assert(Describes<Modeler::FillDefHotSpot>(FillDefHotSpot) && Describes<Modeler::FillDefLine>(FillDefLine));
static_assert(Describes<Modeler::FillDefArc>(FillDefArc) && Describes<Modeler::FillDefPolyHead>(FillDefPolyHead));
static_assert(Describes<Modeler::FillDefCoord>(FillDefCoord) && Describes<Int32>(FillDefContourEnd));
static_assert(Describes<Modeler::FillDefPolyArc>(FillDefPolyArc) && Describes<double>(FillDefDash));

} // namespace RecordConversion::Tables
