#include "platform/PlanAttrFill.h"

#include "platform/BMMemory.h"

#include <type_traits>

namespace PlanAttr {

namespace {

// Copies the items into a new handle; null when the allocation fails.
template <typename T> GSHandle NewHandleOf(const std::vector<T>& items) {
	static_assert(std::is_trivially_copyable_v<T>);
	const Int64 byteCount = static_cast<Int64>(items.size() * sizeof(T));
	GSHandle h = BMAllocateHandle(byteCount, 0, 0);
	if (h != nullptr && byteCount > 0) BNCopyMemory(*h, items.data(), byteCount);
	return h;
}

// Reads a block of whole items; a null handle is an empty block. False when the
// block size is not a multiple of the item size.
template <typename T> bool ReadItems(GSConstHandle h, std::vector<T>& items) {
	static_assert(std::is_trivially_copyable_v<T>);
	items.clear();
	if (h == nullptr) return true;
	const Int64 byteCount = BMGetHandleSize(h);
	if (byteCount % static_cast<Int64>(sizeof(T)) != 0) return false;
	if (byteCount == 0) return true;
	items.resize(static_cast<USize>(byteCount / static_cast<Int64>(sizeof(T))));
	BNCopyMemory(items.data(), *h, byteCount);
	return true;
}

} // namespace

void FreeSymbolFillDetails(SymbolFillDetails& details) {
	BMKillHandle(&details.hotSpots);
	BMKillHandle(&details.lines);
	BMKillHandle(&details.arcs);
	BMKillHandle(&details.polyHeads);
	BMKillHandle(&details.polyCoords);
	BMKillHandle(&details.polyContourEnds);
	BMKillHandle(&details.polyArcs);
}

GSErrCode VectorFillData::GetVectorFillDetails(GSHandle* lineItems, GSHandle* dashItems) const {
	if (lineItems == nullptr || dashItems == nullptr) return BMNilHandle;
	*lineItems = NewHandleOf(lines);
	*dashItems = NewHandleOf(dashes);
	if (*lineItems == nullptr || *dashItems == nullptr) {
		BMKillHandle(lineItems);
		BMKillHandle(dashItems);
		return NoMemoryErr;
	}
	return NoError;
}

GSErrCode VectorFillData::SetVectorFillDetails(GSConstHandle lineItems, GSConstHandle dashItems) {
	std::vector<VectorFillLine> newLines;
	std::vector<double> newDashes;
	if (!ReadItems(lineItems, newLines) || !ReadItems(dashItems, newDashes)) return BadDetailsErr;
	const Int64 dashTotal = static_cast<Int64>(newDashes.size());
	for (const VectorFillLine& line : newLines) {
		if (line.dashCount < 0 || line.firstDash < 0 || Int64(line.firstDash) + line.dashCount > dashTotal)
			return BadDetailsErr;
	}
	lines = std::move(newLines);
	dashes = std::move(newDashes);
	return NoError;
}

GSErrCode SymbolFillData::GetSymbolFillDetails(SymbolFillDetails& details) const {
	details = SymbolFillDetails();
	details.hotSpots = NewHandleOf(hotSpots);
	details.lines = NewHandleOf(lines);
	details.arcs = NewHandleOf(arcs);
	details.polyHeads = NewHandleOf(polyHeads);
	details.polyCoords = NewHandleOf(polyCoords);
	details.polyContourEnds = NewHandleOf(polyContourEnds);
	details.polyArcs = NewHandleOf(polyArcs);
	if (details.hotSpots == nullptr || details.lines == nullptr || details.arcs == nullptr ||
	    details.polyHeads == nullptr || details.polyCoords == nullptr || details.polyContourEnds == nullptr ||
	    details.polyArcs == nullptr) {
		FreeSymbolFillDetails(details);
		return NoMemoryErr;
	}
	return NoError;
}

GSErrCode SymbolFillData::SetSymbolFillDetails(const SymbolFillDetails& details) {
	SymbolFillData d;
	if (!ReadItems(details.hotSpots, d.hotSpots) || !ReadItems(details.lines, d.lines) ||
	    !ReadItems(details.arcs, d.arcs) || !ReadItems(details.polyHeads, d.polyHeads) ||
	    !ReadItems(details.polyCoords, d.polyCoords) || !ReadItems(details.polyContourEnds, d.polyContourEnds) ||
	    !ReadItems(details.polyArcs, d.polyArcs))
		return BadDetailsErr;

	// The heads must account for every coordinate, contour end and arc, in order.
	Int64 coords = 0;
	Int64 contourEnds = 0;
	Int64 polyArcCount = 0;
	for (const SymbolPolyHead& head : d.polyHeads) {
		if (head.lastCoord < -1 || head.lastContourEnd < -1 || head.arcCount < 0) return BadDetailsErr;
		coords += Int64(head.lastCoord) + 1;
		contourEnds += Int64(head.lastContourEnd) + 1;
		polyArcCount += head.arcCount;
	}
	if (coords != static_cast<Int64>(d.polyCoords.size()) ||
	    contourEnds != static_cast<Int64>(d.polyContourEnds.size()) ||
	    polyArcCount != static_cast<Int64>(d.polyArcs.size()))
		return BadDetailsErr;

	*this = std::move(d);
	return NoError;
}

Int64 VectorFillData::GetLineDashSum() const {
	Int64 sum = 0;
	for (const VectorFillLine& line : lines)
		sum += line.dashCount;
	return sum;
}

Int64 SymbolFillData::GetDetailBytes() const {
	auto bytes = [](const auto& items) { return static_cast<Int64>(items.size() * sizeof(items[0])); };
	return bytes(hotSpots) + bytes(lines) + bytes(arcs) + bytes(polyHeads) + bytes(polyCoords) +
	       bytes(polyContourEnds) + bytes(polyArcs);
}

Int64 Fill::GetDefinitionSize() const {
	constexpr Int64 HeaderSize = 152;
	switch (type) {
	case VectorFill:
		return HeaderSize + 48 * Int64(vectorData.GetLineNumber()) + 8 * vectorData.GetLineDashSum();
	case SymbolFill:
		return HeaderSize + symbolData.GetDetailBytes();
	case PlainFill:
		return 288;
	default:
		return -1;
	}
}

} // namespace PlanAttr
