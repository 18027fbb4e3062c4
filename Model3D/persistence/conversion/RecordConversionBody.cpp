// Byte-order conversion of the body records of model files.
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/RecordConversionLayout.h"

namespace RecordConversion {

Int16 CheckRecordRange(const char* buffer, Int32 bufferSize, const Int32* offset, Int32 count, UInt32 recordSize) {
	if (buffer == nullptr || offset == nullptr || bufferSize < 0 || *offset < 0 || count < 0)
		return RecordConversionBadStructure;
	const Int64 end = Int64{*offset} + Int64{count} * Int64{recordSize};
	if (end > Int64{bufferSize}) return RecordConversionOverrun;
	return RecordConversionNoError;
}

} // namespace RecordConversion

namespace {

using RecordConversion::FieldKind;
using RecordConversion::RecordLayout;

constexpr RecordLayout<1> Msiz41Layout{52, {{0, FieldKind::Int32, 13}}};
constexpr RecordLayout<1> Msiz51Layout{60, {{0, FieldKind::Int32, 15}}};
constexpr RecordLayout<1> MsizLayout{68, {{0, FieldKind::Int32, 17}}};

// Form 41: status, an Int32 at +2, three Int16 from +6, the box, ten ranges.
constexpr RecordLayout<5> Body41Layout{76,
                                       {{0, FieldKind::StatusW, 1},
                                        {2, FieldKind::Int32, 1},
                                        {6, FieldKind::Int16, 3},
                                        {12, FieldKind::Float, 6},
                                        {36, FieldKind::Int32, 10}}};
// Form 51: status, an Int16 at +2, an Int32 at +4, two Int16, the box, ten ranges.
constexpr RecordLayout<6> Body51Layout{76,
                                       {{0, FieldKind::StatusW, 1},
                                        {2, FieldKind::Int16, 1},
                                        {4, FieldKind::Int32, 1},
                                        {8, FieldKind::Int16, 2},
                                        {12, FieldKind::Float, 6},
                                        {36, FieldKind::Int32, 10}}};
constexpr RecordLayout<7> Body60Layout{124,
                                       {{0, FieldKind::StatusL, 1},
                                        {4, FieldKind::Int32, 3},
                                        {16, FieldKind::Int16, 4},
                                        {24, FieldKind::Float, 6},
                                        {48, FieldKind::Int32, 14},
                                        {104, FieldKind::Int16, 2},
                                        {108, FieldKind::Int32, 4}}};
constexpr RecordLayout<10> Body90Layout{136,
                                        {{0, FieldKind::StatusL, 1},
                                         {4, FieldKind::Int32, 1},
                                         {8, FieldKind::Int16, 2},
                                         {12, FieldKind::Int32, 1},
                                         {16, FieldKind::Int16, 4},
                                         {24, FieldKind::Float, 6},
                                         {48, FieldKind::Int32, 16},
                                         {112, FieldKind::Int16, 2},
                                         {116, FieldKind::Int32, 4},
                                         {132, FieldKind::Int16, 2}}};
constexpr RecordLayout<10> BodyLayout{140,
                                      {{0, FieldKind::StatusL, 1},
                                       {4, FieldKind::Int32, 1},
                                       {8, FieldKind::Int16, 2},
                                       {12, FieldKind::Int32, 1},
                                       {16, FieldKind::Int16, 4},
                                       {24, FieldKind::Float, 6},
                                       {48, FieldKind::Int32, 16},
                                       {112, FieldKind::Int16, 2},
                                       {116, FieldKind::Int32, 4},
                                       {132, FieldKind::Int16, 4}}};

constexpr RecordLayout<3> TranLayout{
    104, {{0, FieldKind::StatusW, 1}, {2, FieldKind::Int16, 3}, {8, FieldKind::Double, 12}}};

constexpr RecordLayout<4> Pgon41Layout{
    24, {{0, FieldKind::StatusW, 1}, {2, FieldKind::Int16, 1}, {4, FieldKind::Int32, 4}, {20, FieldKind::UInt32, 1}}};
constexpr RecordLayout<4> Pgon51Layout{
    28, {{0, FieldKind::StatusW, 1}, {2, FieldKind::Int16, 1}, {4, FieldKind::Int32, 5}, {24, FieldKind::UInt32, 1}}};
constexpr RecordLayout<4> Pgon110Layout{
    32, {{0, FieldKind::StatusL, 1}, {4, FieldKind::Int16, 2}, {8, FieldKind::Int32, 5}, {28, FieldKind::UInt32, 1}}};
// +28 is alignment padding in front of the cache slot.
constexpr RecordLayout<4> PgonLayout{
    40, {{0, FieldKind::StatusL, 1}, {4, FieldKind::Int16, 2}, {8, FieldKind::Int32, 5}, {32, FieldKind::Int64, 1}}};

constexpr RecordLayout<1> PedgLayout{4, {{0, FieldKind::Int32, 1}}};
constexpr RecordLayout<3> Edge51Layout{
    20, {{0, FieldKind::StatusW, 1}, {2, FieldKind::Int16, 1}, {4, FieldKind::Int32, 4}}};
constexpr RecordLayout<3> EdgeLayout{24,
                                     {{0, FieldKind::StatusL, 1}, {4, FieldKind::Int16, 2}, {8, FieldKind::Int32, 4}}};

constexpr RecordLayout<1> VertFloatLayout{12, {{0, FieldKind::Float, 3}}};
constexpr RecordLayout<1> VertDoubleLayout{24, {{0, FieldKind::Double, 3}}};
constexpr RecordLayout<1> TeveLayout{8, {{0, FieldKind::Float, 2}}};

constexpr RecordLayout<5> Bext51Layout{36,
                                       {{0, FieldKind::Int32, 3},
                                        {12, FieldKind::Int16, 1},
                                        {14, FieldKind::StatusW, 1},
                                        {16, FieldKind::Int16, 2},
                                        {20, FieldKind::Int32, 4}}};

using RecordConversion::IsSoundLayout;
static_assert(IsSoundLayout(Msiz41Layout) && Msiz41Layout.size == MSIZ_41_Size);
static_assert(IsSoundLayout(Msiz51Layout) && Msiz51Layout.size == MSIZ_51_Size);
static_assert(IsSoundLayout(MsizLayout) && MsizLayout.size == MSIZ_Size);
static_assert(IsSoundLayout(Body41Layout) && Body41Layout.size == sizeof(BODY_41) && sizeof(BODY_41) == BODY_51_Size);
static_assert(IsSoundLayout(Body51Layout) && Body51Layout.size == sizeof(BODY_51) && sizeof(BODY_51) == BODY_51_Size);
static_assert(IsSoundLayout(Body60Layout) && Body60Layout.size == sizeof(BODY_60) && sizeof(BODY_60) == BODY_60_Size);
static_assert(IsSoundLayout(Body90Layout) && Body90Layout.size == sizeof(BODY_90) && sizeof(BODY_90) == BODY_90_Size);
static_assert(IsSoundLayout(BodyLayout) && BodyLayout.size == sizeof(BODY) && sizeof(BODY) == BODY_Size);
static_assert(IsSoundLayout(TranLayout) && TranLayout.size == sizeof(TRAN) && sizeof(TRAN) == TRAN_Size);
static_assert(IsSoundLayout(Pgon41Layout) && Pgon41Layout.size == sizeof(PGON_41) && sizeof(PGON_41) == PGON_41_Size);
static_assert(IsSoundLayout(Pgon51Layout) && Pgon51Layout.size == sizeof(PGON_51) && sizeof(PGON_51) == PGON_51_Size);
static_assert(IsSoundLayout(Pgon110Layout) && Pgon110Layout.size == sizeof(PGON_110) &&
              sizeof(PGON_110) == PGON_110_Size);
static_assert(IsSoundLayout(PgonLayout) && PgonLayout.size == sizeof(Modeler::PGON) &&
              sizeof(Modeler::PGON) == PGON_Size);
static_assert(IsSoundLayout(PedgLayout) && PedgLayout.size == PEDG_Size);
static_assert(IsSoundLayout(Edge51Layout) && Edge51Layout.size == sizeof(EDGE_51) && sizeof(EDGE_51) == EDGE_51_Size);
static_assert(IsSoundLayout(EdgeLayout) && EdgeLayout.size == sizeof(EDGE) && sizeof(EDGE) == EDGE_Size);
static_assert(IsSoundLayout(VertFloatLayout) && VertFloatLayout.size == VERT_FloatSize);
static_assert(IsSoundLayout(VertDoubleLayout) && VertDoubleLayout.size == VERT_DoubleSize &&
              sizeof(VERT) == VERT_DoubleSize && sizeof(VECT) == VERT_DoubleSize);
static_assert(IsSoundLayout(TeveLayout) && TeveLayout.size == sizeof(TEVE) && sizeof(TEVE) == TEVE_Size);
static_assert(IsSoundLayout(Bext51Layout) && Bext51Layout.size == sizeof(BEXT_51) && sizeof(BEXT_51) == BEXT_51_Size);

template <USize N>
void Swap(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to,
          const RecordLayout<N>& layout) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, layout);
}

template <USize N>
Int16 SwapChecked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                  Kit::PlatformSign to, const RecordLayout<N>& layout) {
	const Int16 err = RecordConversion::CheckRecordRange(buffer, bufferSize, offset, count, layout.size);
	if (err != RecordConversionNoError) return err;
	RecordConversion::SwapRecords(from, to, buffer, offset, count, layout);
	return RecordConversionNoError;
}

} // namespace

// ---- size headers ----------------------------------------------------------------------

void IV_MSIZ_41(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, Msiz41Layout);
}

void IV_MSIZ_51(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, Msiz51Layout);
}

void IV_MSIZ(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, MsizLayout);
}

Int16 IV_MSIZ_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, Msiz41Layout);
}

Int16 IV_MSIZ_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, Msiz51Layout);
}

Int16 IV_MSIZ_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, MsizLayout);
}

// ---- bodies ----------------------------------------------------------------------------

void IV_BODY_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	if (version <= LastBody41Version)
		Swap(from, buffer, offset, count, to, Body41Layout);
	else
		Swap(from, buffer, offset, count, to, Body51Layout);
}

Int16 IV_BODY_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to) {
	if (version <= LastBody41Version) return SwapChecked(from, buffer, bufferSize, offset, count, to, Body41Layout);
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Body51Layout);
}

void IV_BODY_60(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Body60Layout);
}

Int16 IV_BODY_60_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Body60Layout);
}

void IV_BODY_90(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Body90Layout);
}

Int16 IV_BODY_90_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Body90Layout);
}

void IV_BODY(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, BodyLayout);
}

Int16 IV_BODY_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, BodyLayout);
}

// ---- transformations -------------------------------------------------------------------

void IV_TRAN(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, TranLayout);
}

Int16 IV_TRAN_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, TranLayout);
}

// ---- polygons --------------------------------------------------------------------------

void IV_PGON_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Pgon41Layout);
}

void IV_PGON_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Pgon51Layout);
}

void IV_PGON_110(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Pgon110Layout);
}

void IV_PGON(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, PgonLayout);
}

Int16 IV_PGON_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Pgon41Layout);
}

Int16 IV_PGON_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Pgon51Layout);
}

Int16 IV_PGON_110_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Pgon110Layout);
}

Int16 IV_PGON_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, PgonLayout);
}

// ---- polygon edges, edges --------------------------------------------------------------

void IV_PEDG(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, PedgLayout);
}

void IV_EDGE_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Edge51Layout);
}

void IV_EDGE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, EdgeLayout);
}

Int16 IV_PEDG_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, PedgLayout);
}

Int16 IV_EDGE_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Edge51Layout);
}

Int16 IV_EDGE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, EdgeLayout);
}

// ---- vertices, normals, texture vertices -----------------------------------------------

void IV_VERT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	if (version > LastFloatVertexVersion)
		Swap(from, buffer, offset, count, to, VertDoubleLayout);
	else
		Swap(from, buffer, offset, count, to, VertFloatLayout);
}

void IV_VECT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	IV_VERT(from, buffer, offset, count, version, to);
}

Int16 IV_VERT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to) {
	if (version > LastFloatVertexVersion)
		return SwapChecked(from, buffer, bufferSize, offset, count, to, VertDoubleLayout);
	return SwapChecked(from, buffer, bufferSize, offset, count, to, VertFloatLayout);
}

Int16 IV_VECT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to) {
	return IV_VERT_Checked(from, buffer, bufferSize, offset, count, version, to);
}

void IV_TEVE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, TeveLayout);
}

Int16 IV_TEVE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, TeveLayout);
}

// ---- body extensions -------------------------------------------------------------------

void IV_BEXT_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Bext51Layout);
}

Int16 IV_BEXT_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Bext51Layout);
}
