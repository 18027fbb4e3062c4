#include "Model3D/attributes/records/FillConversionRecord.h"

#include "platform/ByteOrder.h"

using namespace Modeler;

namespace {

// Byte size of the vector details starting at 'offset', or -1 when a line or a dash
// run would leave [offset, end) or a dash count is negative.
Int64 VectorDetailSize(const char* record, Int64 offset, Int64 end, Int32 lineCount) {
	const Int64 start = offset;
	for (Int32 i = 0; i < lineCount; ++i) {
		if (end - offset < Int64(sizeof(FillDefVectorLine))) return -1;
		const Int16 dashCount = LoadUnaligned<Int16>(record + offset + Int64(offsetof(FillDefVectorLine, dashCount)));
		if (dashCount < 0) return -1;
		offset += Int64(sizeof(FillDefVectorLine)) + Int64(dashCount) * Int64(sizeof(double));
		if (offset > end) return -1;
	}
	return offset - start;
}

// Byte size of the symbol details, or -1 when a section would leave [offset, end) or
// a count is out of range.
Int64 SymbolDetailSize(const char* record, Int64 offset, Int64 end, const FillDefHeader& header) {
	if (header.hotSpotCount < 0 || header.lineCount < 0 || header.arcCount < 0 || header.polygonCount < 0) return -1;
	const Int64 start = offset;
	offset += Int64(header.hotSpotCount) * Int64(sizeof(FillDefHotSpot));
	offset += Int64(header.lineCount) * Int64(sizeof(FillDefLine));
	offset += Int64(header.arcCount) * Int64(sizeof(FillDefArc));
	if (offset > end) return -1;
	for (Int32 i = 0; i < header.polygonCount; ++i) {
		if (end - offset < Int64(sizeof(FillDefPolyHead))) return -1;
		const FillDefPolyHead head = LoadUnaligned<FillDefPolyHead>(record + offset);
		if (head.lastCoord < -1 || head.lastContourEnd < -1 || head.arcCount < 0) return -1;
		offset += Int64(sizeof(FillDefPolyHead));
		offset += (Int64(head.lastCoord) + 1) * Int64(sizeof(FillDefCoord));
		offset += (Int64(head.lastContourEnd) + 1) * Int64(sizeof(Int32));
		offset += Int64(head.arcCount) * Int64(sizeof(FillDefPolyArc));
		if (offset > end) return -1;
	}
	return offset - start;
}

} // namespace

namespace Modeler {

Int16 FillDefChecksum(const char* record, Int32 byteCount) {
	UInt32 sum = 0;
	const Int32 wordCount = byteCount / 4;
	for (Int32 i = 0; i < wordCount; ++i) {
		if (i == 10 || i == 11) continue;
		sum += LoadUnaligned<UInt32>(record + Int64(i) * 4);
	}
	return static_cast<Int16>(static_cast<UInt16>((sum >> 16) + sum));
}

} // namespace Modeler

GSErrCode IMCheckFillRecord(const char* record, Int64 availableBytes) {
	constexpr Int64 HeaderSize = Int64(sizeof(FillDefHeader));
	if (record == nullptr || availableBytes < HeaderSize) return BadFillDefinitionErr;
	const FillDefHeader header = LoadUnaligned<FillDefHeader>(record);
	const Int64 byteCount = header.byteCount;
	if (byteCount < HeaderSize || byteCount > availableBytes) return BadFillDefinitionErr;

	Int64 detailSize = -1;
	switch (header.fillType) {
	case VectorFillDefType:
		if (header.lineCount < 0) return BadFillDefinitionErr;
		detailSize = VectorDetailSize(record, HeaderSize, byteCount, header.lineCount);
		break;
	case SymbolFillDefType:
		detailSize = SymbolDetailSize(record, HeaderSize, byteCount, header);
		break;
	case PlainFillDefType:
		detailSize = PlainFillDefSize - HeaderSize;
		break;
	default:
		return BadFillDefinitionErr;
	}
	if (detailSize < 0 || HeaderSize + detailSize != byteCount) return BadFillDefinitionErr;
	return NoError;
}
