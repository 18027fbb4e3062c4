#include "Model3D/persistence/conversion/detail/RecordConversionTables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace Tables = RecordConversion::Tables;

struct TableCase {
	const char* name;
	RecordConversion::LayoutView layout;
	USize recordSize;
};

// Every table with the size of the record it describes, taken from the record struct
// where there is one.
const TableCase AllTables[] = {
    {"MSIZ 41", Tables::Msiz41, 13 * sizeof(Int32)},
    {"MSIZ 51", Tables::Msiz51, 15 * sizeof(Int32)},
    {"MSIZ", Tables::Msiz, 17 * sizeof(Int32)},
    {"BODY 41", Tables::Body41, sizeof(BODY_41)},
    {"BODY 51", Tables::Body51, sizeof(BODY_51)},
    {"BODY 60", Tables::Body60, sizeof(BODY_60)},
    {"BODY 90", Tables::Body90, sizeof(BODY_90)},
    {"BODY", Tables::Body, sizeof(BODY)},
    {"BEXT 51", Tables::Bext51, sizeof(BEXT_51)},
    {"TRAN", Tables::Tran, sizeof(TRAN)},
    {"PGON 41", Tables::Pgon41, sizeof(PGON_41)},
    {"PGON 51", Tables::Pgon51, sizeof(PGON_51)},
    {"PGON 110", Tables::Pgon110, sizeof(PGON_110)},
    {"PGON", Tables::Pgon, sizeof(Modeler::PGON)},
    {"PEDG", Tables::Pedg, sizeof(Int32)},
    {"EDGE 51", Tables::Edge51, sizeof(EDGE_51)},
    {"EDGE", Tables::Edge, sizeof(EDGE)},
    {"VERT floats", Tables::VertFloat, 3 * sizeof(float)},
    {"VERT doubles", Tables::VertDouble, sizeof(VERT)},
    {"TEVE", Tables::Teve, sizeof(TEVE)},
    {"UFIL", Tables::Ufil, sizeof(UFIL)},
    {"UMAT 41", Tables::Umat41, sizeof(UMAT_41)},
    {"UMAT 455", Tables::Umat455, sizeof(UMAT_455)},
    {"UMAT binary", Tables::UmatBinary, sizeof(UMAT_BinaryRecord)},
    {"parameter tail head", Tables::ParamBlockHead, sizeof(UMATParamBlockHead)},
    {"LGHT 455", Tables::Lght455, sizeof(LGHT_455)},
    {"LGHT 700", Tables::Lght700, sizeof(LGHT_700)},
    {"LGHT 10", Tables::Lght10, sizeof(LGHT_10)},
    {"LGHT current", Tables::LghtCur, sizeof(LGHT_CUR)},
    {"RTXT 700", Tables::Rtxt700, sizeof(RTXT_700)},
    {"RTXT 900", Tables::Rtxt900, sizeof(RTXT_900)},
    {"RTXT 130", Tables::Rtxt130, sizeof(RTXT_130)},
    {"RTXT", Tables::Rtxt, sizeof(RTXT)},
    {"pixel byte count", Tables::PictByteCount, sizeof(Int32)},
    {"fill 455 header", Tables::FillDef455Header, sizeof(FillDef455Header)},
    {"fill 455 item", Tables::FillDef455Item, sizeof(FillDef455Item)},
    {"fill 510 header", Tables::FillDef510Header, sizeof(FillDef510Header)},
    {"fill 510 item", Tables::FillDef510Item, sizeof(FillDef510Item)},
    {"fill header", Tables::FillDefHeader, sizeof(Modeler::FillDefHeader)},
    {"fill header, untimed", Tables::FillDefHeaderUntimed, sizeof(Modeler::FillDefHeader)},
    {"fill vector line", Tables::FillDefVectorLine, sizeof(Modeler::FillDefVectorLine)},
    {"fill hotspot", Tables::FillDefHotSpot, sizeof(Modeler::FillDefHotSpot)},
    {"fill line", Tables::FillDefLine, sizeof(Modeler::FillDefLine)},
    {"fill arc", Tables::FillDefArc, sizeof(Modeler::FillDefArc)},
    {"fill polygon head", Tables::FillDefPolyHead, sizeof(Modeler::FillDefPolyHead)},
    {"fill coordinate", Tables::FillDefCoord, sizeof(Modeler::FillDefCoord)},
    {"fill contour end", Tables::FillDefContourEnd, sizeof(Int32)},
    {"fill polygon arc", Tables::FillDefPolyArc, sizeof(Modeler::FillDefPolyArc)},
    {"fill dash", Tables::FillDefDash, sizeof(double)},
};

} // namespace

// Every byte of every record belongs to exactly one run: a byte in no run would be a
// field nobody converts, a byte in two would be swapped twice.
TEST(RecordConversionTables, EveryTableCoversItsRecordOnce) {
	for (const TableCase& t : AllTables) {
		SCOPED_TRACE(t.name);
		EXPECT_EQ(t.layout.size, t.recordSize);
		std::vector<int> owners(t.recordSize, 0);
		for (USize i = 0; i < t.layout.runCount; ++i) {
			const RecordConversion::FieldRun& run = t.layout.runs[i];
			EXPECT_GT(run.count, 0u) << "run at +" << run.offset;
			for (UInt32 b = run.offset; b < run.offset + RecordConversion::RunBytes(run); ++b) {
				if (b < owners.size())
					++owners[b];
				else
					ADD_FAILURE() << "run at +" << run.offset << " ends past the record";
			}
		}
		for (USize b = 0; b < owners.size(); ++b)
			EXPECT_EQ(owners[b], 1) << "byte +" << b;
	}
}
