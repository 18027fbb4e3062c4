// Byte-order conversion of the body records of model files.
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/conversion/detail/RecordConversionLayout.h"
#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"

using RecordConversion::LayoutView;
namespace Tables = RecordConversion::Tables;

namespace {

void Swap(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to,
          const LayoutView& layout) {
	RecordConversion::SwapRecords(from, to, buffer, offset, count, layout);
}

Int16 SwapChecked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                  Kit::PlatformSign to, const LayoutView& layout) {
	return RecordConversion::SwapRecordsChecked(from, to, buffer, bufferSize, offset, count, layout);
}

LayoutView Body51Layout(Int32 version) {
	return version <= LastBody41Version ? LayoutView(Tables::Body41) : LayoutView(Tables::Body51);
}

LayoutView VertLayout(Int32 version) {
	return version > LastFloatVertexVersion ? LayoutView(Tables::VertDouble) : LayoutView(Tables::VertFloat);
}

} // namespace

// ---- size headers ----------------------------------------------------------------------

void IV_MSIZ_41(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, Tables::Msiz41);
}

void IV_MSIZ_51(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, Tables::Msiz51);
}

void IV_MSIZ(Kit::PlatformSign from, char* buffer, Int32* offset, Kit::PlatformSign to) {
	Swap(from, buffer, offset, 1, to, Tables::Msiz);
}

Int16 IV_MSIZ_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, Tables::Msiz41);
}

Int16 IV_MSIZ_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, Tables::Msiz51);
}

Int16 IV_MSIZ_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, 1, to, Tables::Msiz);
}

// ---- bodies ----------------------------------------------------------------------------

void IV_BODY_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Body51Layout(version));
}

Int16 IV_BODY_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Int32 version, Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Body51Layout(version));
}

void IV_BODY_60(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Body60);
}

Int16 IV_BODY_60_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Body60);
}

void IV_BODY_90(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Body90);
}

Int16 IV_BODY_90_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Body90);
}

void IV_BODY(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Body);
}

Int16 IV_BODY_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Body);
}

// ---- transformations -------------------------------------------------------------------

void IV_TRAN(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Tran);
}

Int16 IV_TRAN_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Tran);
}

// ---- polygons --------------------------------------------------------------------------

void IV_PGON_41(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Pgon41);
}

void IV_PGON_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Pgon51);
}

void IV_PGON_110(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Pgon110);
}

void IV_PGON(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Pgon);
}

Int16 IV_PGON_41_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Pgon41);
}

Int16 IV_PGON_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Pgon51);
}

Int16 IV_PGON_110_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                          Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Pgon110);
}

Int16 IV_PGON_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Pgon);
}

// ---- polygon edges, edges --------------------------------------------------------------

void IV_PEDG(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Pedg);
}

void IV_EDGE_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Edge51);
}

void IV_EDGE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Edge);
}

Int16 IV_PEDG_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Pedg);
}

Int16 IV_EDGE_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Edge51);
}

Int16 IV_EDGE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Edge);
}

// ---- vertices, normals, texture vertices -----------------------------------------------

void IV_VERT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, VertLayout(version));
}

void IV_VECT(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Int32 version, Kit::PlatformSign to) {
	IV_VERT(from, buffer, offset, count, version, to);
}

Int16 IV_VERT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, VertLayout(version));
}

Int16 IV_VECT_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count, Int32 version,
                      Kit::PlatformSign to) {
	return IV_VERT_Checked(from, buffer, bufferSize, offset, count, version, to);
}

void IV_TEVE(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Teve);
}

Int16 IV_TEVE_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                      Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Teve);
}

// ---- body extensions -------------------------------------------------------------------

void IV_BEXT_51(Kit::PlatformSign from, char* buffer, Int32* offset, Int32 count, Kit::PlatformSign to) {
	Swap(from, buffer, offset, count, to, Tables::Bext51);
}

Int16 IV_BEXT_51_Checked(Kit::PlatformSign from, char* buffer, Int32 bufferSize, Int32* offset, Int32 count,
                         Kit::PlatformSign to) {
	return SwapChecked(from, buffer, bufferSize, offset, count, to, Tables::Bext51);
}
