// CandidateBody::CheckAndFix: the validation-and-repair pass run on a builder before it
// is frozen. Every index is checked before it is used, so a bad body gives a message,
// never an exception or a stray read.
#include "Model3D/bodies/builder/CandidateBody.h"

#include "Model3D/core/frame/HostFormat.h"
#include "Model3D/core/frame/ModuleFrame.h"
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

CheckStatus CandidateBody::CheckAndFixWithMaterials(UInt32 materialCount, MessageLoader loadMessage,
                                                    char* messageBuffer, Int16 repairCurvedFlag, Int16 verbosity) {
	namespace Msg = BodyCheckMessage;
	const CheckMessages messages(loadMessage, messageBuffer);
	const Int64 vertexCount = GetVertexCount();
	const Int64 edgeCount = GetEdgeCount();
	const Int64 normalCount = GetPolyNormalCount();
	const Int64 polygonCount = GetPolygonCount();
	const Int64 polyEdgeCount = GetPolyEdgeCount();
	const bool closedWithPolygons = IsClosed() && polygonCount > 0;

	// Edges: vertices exist, and each side names no polygon or one that runs along it.
	for (Int64 e = 0; e < edgeCount; ++e) {
		const EDGE& edge = edges[static_cast<USize>(e)];
		const Int64 k = e + 1;
		if (edge.vert1 < 0 || edge.vert1 >= vertexCount || edge.vert2 < 0 || edge.vert2 >= vertexCount)
			return messages.Fail(Msg::EdgeVertexOutOfRange, k);
		if (edge.pgon1 == edge.pgon2 && edge.pgon1 >= 0) return messages.Fail(Msg::EdgeSamePolygonTwice, edge.pgon1, k);
		const Int32 sides[2] = {edge.pgon1, edge.pgon2};
		for (Int32 s = 1; s <= 2; ++s) {
			const Int32 p = sides[s - 1];
			if (!SideIsConsistent(*this, p, e)) return messages.Fail(Msg::EdgeSideNotUsedBy, s, Int64(p) + 1, k);
			if (closedWithPolygons && p < 0) return messages.Fail(Msg::EdgeSideOpenInClosed, s, Int64(p) + 1, k);
		}
	}

	// Normals: a vector without a usable length is a defect; the others become unit
	// vectors.
	for (Int64 i = 0; i < normalCount; ++i) {
		VECT& n = polyNormals[static_cast<USize>(i)];
		const double s = n.x * n.x + n.y * n.y + n.z * n.z;
		if (!std::isfinite(s) || s < 1e-5) return messages.Fail(Msg::NormalZeroLength, i + 1);
		if (s < 0.99999 || s > 1.00001) {
			const double length = std::sqrt(s);
			n.x /= length;
			n.y /= length;
			n.z /= length;
		}
	}

	// Polygons. Each edge's number of uses and signed use sum are counted over all
	// polygons for the balance check below.
	std::vector<Int32> edgeUses;
	std::vector<Int32> edgeUseSums;
	std::vector<Int32> refs;
	try {
		edgeUses.assign(static_cast<USize>(edgeCount), 0);
		edgeUseSums.assign(static_cast<USize>(edgeCount), 0);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
	bool anyPolygonCurved = false;
	for (Int64 pi = 0; pi < polygonCount; ++pi) {
		const PGON& polygon = polygons[static_cast<USize>(pi)];
		const Int32 p = static_cast<Int32>(pi);
		const Int64 k = pi + 1;
		if (!RangeIsInside(polygon, polyEdgeCount)) return messages.Fail(Msg::PolygonRangeOutside, k);
		const bool empty = RangeIsEmpty(polygon);
		if (!empty && (polygon.iumat < 1 || UInt32(polygon.iumat) > materialCount))
			return messages.Fail(Msg::PolygonMaterial, polygon.iumat, k);
		const Int64 normal = Magnitude(polygon.ivect) - 1;
		if (normal < 0 || normal >= normalCount) return messages.Fail(Msg::PolygonNormalRef, polygon.ivect, k);
		const VECT& nv = polyNormals[static_cast<USize>(normal)];
		const Geometry::Vector3d n(nv.x, nv.y, nv.z);
		const double nLength = n.GetLength();

		refs.clear();
		Int32 chainEnd = -1;
		for (Int64 j = polygon.fpedg; !empty && j <= polygon.lpedg; ++j) {
			const Int32 ref = polyEdges[static_cast<USize>(j)];
			refs.push_back(ref);
			if (ref == 0) {
				chainEnd = -1;
				continue;
			}
			const Int64 e = Magnitude(ref) - 1;
			if (e >= edgeCount) return messages.Fail(Msg::PolygonEdgeOutOfRange, e, k);
			++edgeUses[static_cast<USize>(e)];
			edgeUseSums[static_cast<USize>(e)] += ref > 0 ? 1 : -1;
			EDGE& edge = edges[static_cast<USize>(e)];
			if (edge.pgon1 != p && edge.pgon2 != p) {
				if (edge.pgon1 != -1 && edge.pgon2 != -1) return messages.Fail(Msg::EdgeThirdPolygon, e + 1, k);
				(edge.pgon1 == -1 ? edge.pgon1 : edge.pgon2) = p;
			}
			const Int32 start = ref > 0 ? edge.vert1 : edge.vert2;
			if (chainEnd >= 0 && start != chainEnd) return messages.Fail(Msg::PolygonChainBroken, k, e + 1);
			if (edge.vert1 == edge.vert2) return messages.Fail(Msg::PolygonEdgeZeroLength, k, e + 1);
			const Geometry::Vector3d d =
			    BodyRules::VertexPoint(*this, edge.vert2) - BodyRules::VertexPoint(*this, edge.vert1);
			const double d2 = d * d;
			if (d2 > 0.1 * 0.1 && std::fabs(d * n) / (std::sqrt(d2) * nLength) > 0.01)
				return messages.Fail(Msg::PolygonEdgeOffPlane, e + 1, k);
			chainEnd = ref > 0 ? edge.vert2 : edge.vert1;
		}

		if ((polygon.status & (PgonConcave | PgonHasHoles)) != 0) {
			const Int16 r =
			    CheckPolygonNormal(polygon.ivect, static_cast<Int32>(refs.size()), refs.data(), true, false);
			if (r == PgonNormalOuterClockwise || r == PgonNormalHoleCounterClockwise || r == PgonNormalEmptyContour)
				return messages.Fail(static_cast<Int16>(Msg::PolygonConcaveCorner + r), k);
		} else if (refs.size() >= 2) {
			if (refs[0] == 0 || refs[1] == 0) return messages.Fail(Msg::PolygonStartsWithSeparator, k);
			// The chain check above made sure the second reference starts where the first
			// one ends.
			Int32 a, b, c;
			GetPVert3(refs[0], refs[1], &a, &b, &c);
			if (GetVerticesPosition(a, b).IsDifferent() && GetVerticesPosition(a, c).IsDifferent() &&
			    GetVerticesPosition(b, c).IsDifferent()) {
				Int16 concave = IsPgonApexConcave(static_cast<Int32>(normal), a, b, c);
				if (polygon.ivect < 0) concave = static_cast<Int16>(-concave);
				if (concave > 0) return messages.Fail(Msg::PolygonConcaveCorner, k);
			}
		}
		if ((polygon.status & PgonCurved) != 0) anyPolygonCurved = true;
	}

	// The body's curved mark follows its polygons.
	if (anyPolygonCurved && !IsCurved()) {
		SetStatusMask(BodyCurved);
		if (verbosity > 3) messages.Report(Msg::BodyMarkedCurved);
	} else if (!anyPolygonCurved && IsCurved() && repairCurvedFlag != 0) {
		ClrStatusMask(BodyCurved);
		if (verbosity > 3) messages.Report(Msg::BodyCurvedMarkRemoved);
	}

	// Edge balance: in a closed body each edge is walked once in each direction at most;
	// in any body no edge serves more than two polygons.
	if (closedWithPolygons) {
		for (Int64 e = 0; e < edgeCount; ++e)
			if (edgeUseSums[static_cast<USize>(e)] < -1 || edgeUseSums[static_cast<USize>(e)] > 1)
				return messages.Fail(Msg::EdgeUnbalanced, e + 1);
	}
	for (Int64 e = 0; e < edgeCount; ++e)
		if (edgeUses[static_cast<USize>(e)] > 2) return messages.Fail(Msg::EdgeUsedTooOften, e + 1);

	return CheckStatus();
}

} // namespace Modeler
