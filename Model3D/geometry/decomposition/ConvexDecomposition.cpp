#include "Model3D/geometry/decomposition/ConvexDecomposition.h"

#include "Model3D/geometry/decomposition/detail/Steps.h"

#include <new>

namespace Modeler::Decomposition {

namespace {

Int32 Decompose(Kit::PagedArray<Int32>& result, const PNODArray& nodes, bool convexParts, Int32 nodeCount, bool* flag) {
	if (DecomposeSmallPolygon(result, nodes, nodeCount, convexParts)) return CXdpOk;
	Workspace& ws = ThreadWorkspace();
	Int32 outer = None;
	switch (LoadContours(ws, nodes, nodeCount, outer)) {
	case Loaded::BadInput:
		return CXdpBadInput;
	case Loaded::NoArea:
		if (flag != nullptr) *flag = ws.mended;
		result.SetSize(1);
		result[0] = 0;
		return CXdpOk;
	case Loaded::Polygon:
		break;
	}
	// With holes the sweep is quicker than bridging them and clipping ears, at any size.
	const bool swept = !ws.holes.empty() && SweepTriangulate(ws, outer);
	if (!swept && (!BridgeHoles(ws, outer) || !ClipEars(ws, outer))) return CXdpFailed;
	MergeTriangles(ws, convexParts);
	WriteParts(ws, result);
	if (flag != nullptr) *flag = ws.mended;
	return CXdpOk;
}

} // namespace

} // namespace Modeler::Decomposition

Int32 CXdpMain(Kit::PagedArray<Int32>& result, PNODArray& nodes, bool convexParts, Int32 nodeCount, double /*extent*/,
               bool* flag, Int32 allocatedNodes) {
	if (flag != nullptr) *flag = false;
	try {
		if (nodeCount < 0 || nodeCount > allocatedNodes || static_cast<USize>(nodeCount) > nodes.GetSize()) {
			result.Clear();
			return CXdpBadInput;
		}
		const Int32 status = Modeler::Decomposition::Decompose(result, nodes, convexParts, nodeCount, flag);
		if (status != CXdpOk) result.Clear();
		return status;
	} catch (const std::bad_alloc&) {
		result.Clear();
		return CXdpOutOfMemory;
	} catch (...) {
		result.Clear();
		return CXdpFailed;
	}
}
