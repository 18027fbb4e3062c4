// CandidateBody::CheckAndFix: the validation-and-repair pass run on a builder before it
// is frozen. Every index is checked before it is used, so a bad body gives a message,
// never an exception or a stray read.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace Modeler {

namespace {

// Loads and formats the messages of the check.
class CheckMessages {
public:
	CheckMessages(MessageLoader loader, char* buffer) : loader(loader), buffer(buffer) {
		if (buffer != nullptr) buffer[0] = '\0';
	}

	// Formats message 'index' with up to three values into the caller's buffer and
	// returns the defect status. Values are passed as int, as the formats expect; a
	// loaded text whose conversions do not take them gives a built-in text instead.
	CheckStatus Fail(Int16 index, Int64 a = 0, Int64 b = 0, Int64 c = 0) const {
		char format[CheckMessageBufferSize];
		if (buffer == nullptr || !Load(index, format)) return CheckStatus(CheckStatus::DefectFound);
		const Int32 conversions = CountFormatConversions(format, FormatArgument::Int);
		if (conversions >= 0 && conversions <= 3) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
			std::snprintf(buffer, CheckMessageBufferSize, format, static_cast<int>(a), static_cast<int>(b),
			              static_cast<int>(c));
#pragma GCC diagnostic pop
		} else {
			std::snprintf(buffer, CheckMessageBufferSize, "Body check %d: %d, %d, %d", static_cast<int>(index),
			              static_cast<int>(a), static_cast<int>(b), static_cast<int>(c));
		}
		return CheckStatus(CheckStatus::DefectFound);
	}

	// Writes message 'index' as a line to the report channel.
	void Report(Int16 index) const {
		char text[CheckMessageBufferSize];
		if (Load(index, text)) Kit::reportChannel << text << "\n";
	}

private:
	bool Load(Int16 index, char* text) const {
		if (loader == nullptr) return false;
		text[0] = '\0';
		if (!loader(text, BodyCheckMessage::List, index, GetMessageResModule())) return false;
		text[CheckMessageBufferSize - 1] = '\0';
		return true;
	}

	MessageLoader loader;
	char* buffer;
};

Int64 Magnitude(Int32 ref) {
	return ref < 0 ? -Int64(ref) : Int64(ref);
}

// The poly-edge range of a polygon: empty (lpedg < fpedg) or, to be read, inside the
// poly-edge array.
bool RangeIsEmpty(const PGON& p) {
	return p.lpedg < p.fpedg;
}

bool RangeIsInside(const PGON& p, Int64 polyEdgeCount) {
	return RangeIsEmpty(p) || (p.fpedg >= 0 && Int64(p.lpedg) < polyEdgeCount);
}

// Whether an edge side value p is consistent with edge 'edge' (0-based): −1 (no polygon),
// or a polygon whose range is empty or refers to the edge. A polygon whose range lies
// outside the poly-edge array passes here; the polygon check reports it.
bool SideIsConsistent(const CandidateBody& body, Int32 p, Int64 edge) {
	if (p == -1) return true;
	if (p < 0 || p >= Int64(body.GetPolygonCount())) return false;
	const PGON& polygon = body.GetConstPolygon(p);
	if (RangeIsEmpty(polygon) || !RangeIsInside(polygon, body.GetPolyEdgeCount())) return true;
	for (Int32 i = polygon.fpedg; i <= polygon.lpedg; ++i)
		if (Magnitude(body.GetConstPolyEdge(i)) == edge + 1) return true;
	return false;
}

} // namespace

CheckStatus CandidateBody::CheckAndFix(const IBodyCheckAttributes& attrs, MessageLoader loadMessage,
                                       char* messageBuffer, Int16 repairCurvedFlag, Int16 verbosity) {
	return CheckAndFixWithMaterials(attrs.GetMaterialCount(), loadMessage, messageBuffer, repairCurvedFlag, verbosity);
}

// The passes of the check over one builder. Each check pass returns the status of the
// first defect it finds, with its message formatted; the repairs it makes on the way
// stay.
class CandidateBody::CheckPass {
public:
	CheckPass(CandidateBody& body, UInt32 materialCount, MessageLoader loadMessage, char* messageBuffer)
	    : body(body), messages(loadMessage, messageBuffer), materialCount(materialCount),
	      vertexCount(body.GetVertexCount()), edgeCount(body.GetEdgeCount()), normalCount(body.GetPolyNormalCount()),
	      polygonCount(body.GetPolygonCount()), polyEdgeCount(body.GetPolyEdgeCount()),
	      closedWithPolygons(body.IsClosed() && polygonCount > 0) {}

	CheckStatus CheckEdges() const;
	CheckStatus CheckAndScaleNormals();
	CheckStatus CheckPolygons();
	void RepairCurvedMark(Int16 repairCurvedFlag, Int16 verbosity);
	CheckStatus CheckEdgeUses() const;

private:
	CheckStatus CheckPolygon(Int32 p);
	CheckStatus CheckContours(const PGON& polygon, Int32 p, Int64 normal);
	CheckStatus CheckContourEdge(Int32 ref, Int32 p, const Geometry::Vector3d& n, Int32& chainEnd);
	CheckStatus CheckContourOrientation(const PGON& polygon, Int32 p) const;
	CheckStatus CheckFirstCorner(const PGON& polygon, Int64 normal, Int32 p) const;

	CandidateBody& body;
	const CheckMessages messages;
	const UInt32 materialCount;
	const Int64 vertexCount;
	const Int64 edgeCount;
	const Int64 normalCount;
	const Int64 polygonCount;
	const Int64 polyEdgeCount;
	const bool closedWithPolygons;
	// Each edge's number of uses and signed use sum over all polygons, for the edge-use
	// check.
	std::vector<Int32> edgeUses;
	std::vector<Int32> edgeUseSums;
	// The references of the polygon being checked.
	std::vector<Int32> refs;
	bool anyPolygonCurved = false;
};

// Vertices exist, and each side names no polygon or one that runs along the edge.
CheckStatus CandidateBody::CheckPass::CheckEdges() const {
	namespace Msg = BodyCheckMessage;
	for (Int64 e = 0; e < edgeCount; ++e) {
		const EDGE& edge = body.edges[static_cast<USize>(e)];
		const Int64 k = e + 1;
		if (edge.vert1 < 0 || edge.vert1 >= vertexCount || edge.vert2 < 0 || edge.vert2 >= vertexCount)
			return messages.Fail(Msg::EdgeVertexOutOfRange, k);
		if (edge.pgon1 == edge.pgon2 && edge.pgon1 >= 0) return messages.Fail(Msg::EdgeSamePolygonTwice, edge.pgon1, k);
		const Int32 sides[2] = {edge.pgon1, edge.pgon2};
		for (Int32 s = 1; s <= 2; ++s) {
			const Int32 p = sides[s - 1];
			if (!SideIsConsistent(body, p, e)) return messages.Fail(Msg::EdgeSideNotUsedBy, s, Int64(p) + 1, k);
			if (closedWithPolygons && p < 0) return messages.Fail(Msg::EdgeSideOpenInClosed, s, Int64(p) + 1, k);
		}
	}
	return CheckStatus();
}

// A normal without a usable length is a defect; the others become unit vectors.
CheckStatus CandidateBody::CheckPass::CheckAndScaleNormals() {
	for (Int64 i = 0; i < normalCount; ++i) {
		VECT& n = body.polyNormals[static_cast<USize>(i)];
		const double s = n.x * n.x + n.y * n.y + n.z * n.z;
		if (!std::isfinite(s) || s < 1e-5) return messages.Fail(BodyCheckMessage::NormalZeroLength, i + 1);
		if (s < 0.99999 || s > 1.00001) {
			const double length = std::sqrt(s);
			n.x /= length;
			n.y /= length;
			n.z /= length;
		}
	}
	return CheckStatus();
}

// Every polygon in order; counts the uses of the edges and notes curved polygons.
CheckStatus CandidateBody::CheckPass::CheckPolygons() {
	try {
		edgeUses.assign(static_cast<USize>(edgeCount), 0);
		edgeUseSums.assign(static_cast<USize>(edgeCount), 0);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	for (Int64 pi = 0; pi < polygonCount; ++pi) {
		const CheckStatus status = CheckPolygon(static_cast<Int32>(pi));
		if (status.IsDefectFound()) return status;
		if ((body.polygons[static_cast<USize>(pi)].status & PgonCurved) != 0) anyPolygonCurved = true;
	}
	return CheckStatus();
}

// The range, material and normal of polygon p, then its contours and orientation.
CheckStatus CandidateBody::CheckPass::CheckPolygon(Int32 p) {
	namespace Msg = BodyCheckMessage;
	const PGON& polygon = body.polygons[static_cast<USize>(p)];
	const Int64 k = Int64(p) + 1;
	if (!RangeIsInside(polygon, polyEdgeCount)) return messages.Fail(Msg::PolygonRangeOutside, k);
	if (!RangeIsEmpty(polygon) && (polygon.iumat < 1 || UInt32(polygon.iumat) > materialCount))
		return messages.Fail(Msg::PolygonMaterial, polygon.iumat, k);
	const Int64 normal = Magnitude(polygon.ivect) - 1;
	if (normal < 0 || normal >= normalCount) return messages.Fail(Msg::PolygonNormalRef, polygon.ivect, k);

	const CheckStatus status = CheckContours(polygon, p, normal);
	if (status.IsDefectFound()) return status;
	if ((polygon.status & (PgonConcave | PgonHasHoles)) != 0) return CheckContourOrientation(polygon, p);
	return CheckFirstCorner(polygon, normal, p);
}

// The references of polygon p, collected in 'refs': each contour runs on in the polygon's
// plane over edges that take the polygon on a free side.
CheckStatus CandidateBody::CheckPass::CheckContours(const PGON& polygon, Int32 p, Int64 normal) {
	const VECT& nv = body.polyNormals[static_cast<USize>(normal)];
	const Geometry::Vector3d n(nv.x, nv.y, nv.z);
	refs.clear();
	Int32 chainEnd = -1;
	for (Int64 j = polygon.fpedg; j <= polygon.lpedg; ++j) {
		const Int32 ref = body.polyEdges[static_cast<USize>(j)];
		refs.push_back(ref);
		if (ref == 0) {
			chainEnd = -1;
			continue;
		}
		const CheckStatus status = CheckContourEdge(ref, p, n, chainEnd);
		if (status.IsDefectFound()) return status;
	}
	return CheckStatus();
}

// One non-zero reference of polygon p (normal n): counts the edge's use, enters the
// polygon in an open side of the edge, and checks that the edge continues the contour
// at 'chainEnd' (-1 at a contour's start), has length and lies in the plane. Moves
// 'chainEnd' to the edge's end.
CheckStatus CandidateBody::CheckPass::CheckContourEdge(Int32 ref, Int32 p, const Geometry::Vector3d& n,
                                                       Int32& chainEnd) {
	namespace Msg = BodyCheckMessage;
	const Int64 k = Int64(p) + 1;
	const Int64 e = Magnitude(ref) - 1;
	if (e >= edgeCount) return messages.Fail(Msg::PolygonEdgeOutOfRange, e, k);
	++edgeUses[static_cast<USize>(e)];
	edgeUseSums[static_cast<USize>(e)] += ref > 0 ? 1 : -1;
	EDGE& edge = body.edges[static_cast<USize>(e)];
	if (edge.pgon1 != p && edge.pgon2 != p) {
		if (edge.pgon1 != -1 && edge.pgon2 != -1) return messages.Fail(Msg::EdgeThirdPolygon, e + 1, k);
		(edge.pgon1 == -1 ? edge.pgon1 : edge.pgon2) = p;
	}
	const Int32 start = ref > 0 ? edge.vert1 : edge.vert2;
	if (chainEnd >= 0 && start != chainEnd) return messages.Fail(Msg::PolygonChainBroken, k, e + 1);
	if (edge.vert1 == edge.vert2) return messages.Fail(Msg::PolygonEdgeZeroLength, k, e + 1);
	const Geometry::Vector3d d = BodyRules::VertexPoint(body, edge.vert2) - BodyRules::VertexPoint(body, edge.vert1);
	const double d2 = d * d;
	if (d2 > 0.1 * 0.1 && std::fabs(d * n) / (std::sqrt(d2) * n.GetLength()) > 0.01)
		return messages.Fail(Msg::PolygonEdgeOffPlane, e + 1, k);
	chainEnd = ref > 0 ? edge.vert2 : edge.vert1;
	return CheckStatus();
}

// A complex polygon: the outer contour runs counter-clockwise about the normal, the
// holes clockwise, and no contour is empty.
CheckStatus CandidateBody::CheckPass::CheckContourOrientation(const PGON& polygon, Int32 p) const {
	const Int16 r = body.CheckPolygonNormal(polygon.ivect, static_cast<Int32>(refs.size()), refs.data(), true, false);
	if (r == PgonNormalOuterClockwise || r == PgonNormalHoleCounterClockwise || r == PgonNormalEmptyContour)
		return messages.Fail(static_cast<Int16>(BodyCheckMessage::PolygonConcaveCorner + r), Int64(p) + 1);
	return CheckStatus();
}

// A simple polygon: its first corner is not concave (seen along its normal).
CheckStatus CandidateBody::CheckPass::CheckFirstCorner(const PGON& polygon, Int64 normal, Int32 p) const {
	namespace Msg = BodyCheckMessage;
	if (refs.size() < 2) return CheckStatus();
	const Int64 k = Int64(p) + 1;
	if (refs[0] == 0 || refs[1] == 0) return messages.Fail(Msg::PolygonStartsWithSeparator, k);
	// The contour check made sure the second reference starts where the first one ends.
	Int32 a, b, c;
	body.GetPVert3(refs[0], refs[1], &a, &b, &c);
	if (body.GetVerticesPosition(a, b).IsDifferent() && body.GetVerticesPosition(a, c).IsDifferent() &&
	    body.GetVerticesPosition(b, c).IsDifferent()) {
		Int16 concave = body.IsPgonApexConcave(static_cast<Int32>(normal), a, b, c);
		if (polygon.ivect < 0) concave = static_cast<Int16>(-concave);
		if (concave > 0) return messages.Fail(Msg::PolygonConcaveCorner, k);
	}
	return CheckStatus();
}

// The body's curved mark follows its polygons.
void CandidateBody::CheckPass::RepairCurvedMark(Int16 repairCurvedFlag, Int16 verbosity) {
	if (anyPolygonCurved && !body.IsCurved()) {
		body.SetStatusMask(BodyCurved);
		if (verbosity > 3) messages.Report(BodyCheckMessage::BodyMarkedCurved);
	} else if (!anyPolygonCurved && body.IsCurved() && repairCurvedFlag != 0) {
		body.ClrStatusMask(BodyCurved);
		if (verbosity > 3) messages.Report(BodyCheckMessage::BodyCurvedMarkRemoved);
	}
}

// In a closed body each edge is walked once in each direction at most; in any body no
// edge serves more than two polygons.
CheckStatus CandidateBody::CheckPass::CheckEdgeUses() const {
	if (closedWithPolygons) {
		for (Int64 e = 0; e < edgeCount; ++e)
			if (edgeUseSums[static_cast<USize>(e)] < -1 || edgeUseSums[static_cast<USize>(e)] > 1)
				return messages.Fail(BodyCheckMessage::EdgeUnbalanced, e + 1);
	}
	for (Int64 e = 0; e < edgeCount; ++e)
		if (edgeUses[static_cast<USize>(e)] > 2) return messages.Fail(BodyCheckMessage::EdgeUsedTooOften, e + 1);
	return CheckStatus();
}

CheckStatus CandidateBody::CheckAndFixWithMaterials(UInt32 materialCount, MessageLoader loadMessage,
                                                    char* messageBuffer, Int16 repairCurvedFlag, Int16 verbosity) {
	CheckPass pass(*this, materialCount, loadMessage, messageBuffer);
	CheckStatus status = pass.CheckEdges();
	if (status.IsPassed()) status = pass.CheckAndScaleNormals();
	if (status.IsPassed()) status = pass.CheckPolygons();
	if (status.IsDefectFound()) return status;
	pass.RepairCurvedMark(repairCurvedFlag, verbosity);
	return pass.CheckEdgeUses();
}

} // namespace Modeler
