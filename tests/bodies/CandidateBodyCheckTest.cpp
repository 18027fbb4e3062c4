// The builder's validation-and-repair pass: each defect class with its message and
// values, the repairs (normals, open edge sides, curved mark and its report lines), sound
// bodies passing, and bad bodies never throwing.
#include "fixtures/BodyFixtures.h"

#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "platform/KitUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using Modeler::CandidateBody;
using Modeler::CheckStatus;
namespace Msg = Modeler::BodyCheckMessage;

namespace {

// A loader that shows which message was asked for and the values it was given:
// "<index>:a,b,c" (unused values are 0). It remembers the list and module of the last
// request.
Int16 lastList = 0;
Int64 lastModule = -1;
bool ProbeLoader(char* text, Int16 listId, Int16 index, Int64 module) {
	lastList = listId;
	lastModule = module;
	std::snprintf(text, Modeler::CheckMessageBufferSize, "%d:%%d,%%d,%%d", index);
	return true;
}

class CandidateBodyCheck : public ::testing::Test {
protected:
	CandidateBodyCheck() : attrs(Modeler::Attributes::New()) {
		attrs.AddMaterial(UMAT());
		attrs.AddMaterial(UMAT());
	}

	// Runs the check with the probe loader; returns "" for a pass, else the probe text.
	std::string Check(CandidateBody& body, Int16 repairCurved = 0, Int16 verbosity = 0) {
		char buffer[Modeler::CheckMessageBufferSize];
		std::memset(buffer, 'x', sizeof buffer);
		const CheckStatus status = body.CheckAndFix(attrs, ProbeLoader, buffer, repairCurved, verbosity);
		if (status.IsPassed()) {
			EXPECT_STREQ(buffer, "");
			return "";
		}
		EXPECT_EQ(status.GetValue(), CheckStatus::DefectFound);
		EXPECT_EQ(lastList, 2006);
		EXPECT_EQ(lastModule, Modeler::GetMessageResModule());
		return buffer;
	}

	Modeler::Attributes::Modifier attrs;
};

CandidateBody Candidate(const Fixtures::BodyData& d) {
	CandidateBody b;
	b.SetStatus(d.status);
	for (USize i = 0; i < d.vertices.GetSize(); ++i)
		b.AddVertexRec(d.vertices[i]);
	for (USize i = 0; i < d.edges.GetSize(); ++i)
		b.AddEdgeRec(d.edges[i]);
	for (USize i = 0; i < d.polyEdges.GetSize(); ++i)
		b.AddPolyEdgeRec(d.polyEdges[i]);
	for (USize i = 0; i < d.polyNormals.GetSize(); ++i)
		b.AddPolyNormalRec(d.polyNormals[i]);
	for (USize i = 0; i < d.polygons.GetSize(); ++i)
		b.AddPolygonRec(d.polygons[i]);
	return b;
}

// The closed unit cube of the fixtures with material 1 on every polygon. Polygon 0 (the
// bottom, normal 6) runs over edges 1 … 4 (references 1, 2, 3, 4); edge 1 lies on the
// bottom (polygon 0) and the left side (polygon 4).
Fixtures::BodyData CubeData() {
	Fixtures::BodyData d = Fixtures::CubeData();
	for (USize p = 0; p < d.polygons.GetSize(); ++p)
		d.polygons[p].iumat = 1;
	return d;
}

CandidateBody Cube() {
	return Candidate(CubeData());
}

// Puts a separator before the references of the body's only polygon.
void PrependSeparator(Fixtures::BodyData& d) {
	std::vector<Int32> refs;
	for (USize i = 0; i < d.polyEdges.GetSize(); ++i)
		refs.push_back(d.polyEdges[i]);
	d.polyEdges.Clear();
	d.polyEdges.Push(0);
	for (Int32 r : refs)
		d.polyEdges.Push(r);
	d.polygons[0].lpedg += 1;
}

// An open body of one polygon over the loop of the given points (normal +z, material 1).
Fixtures::BodyData OpenLoop(std::initializer_list<std::vector<double>> points, UInt32 pgonStatus = 0) {
	Fixtures::BodyData d;
	std::vector<Int32> loop;
	for (const std::vector<double>& p : points)
		loop.push_back(d.AddVertex(p[0], p[1], p[2]));
	d.AddNormal(0, 0, 1);
	d.AddFace(1, {loop}, pgonStatus, 1);
	return d;
}

Fixtures::BodyData OpenSquare(UInt32 pgonStatus = 0) {
	return OpenLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, pgonStatus);
}

} // namespace

TEST_F(CandidateBodyCheck, SoundBodiesPassUnchanged) {
	CandidateBody cube = Cube();
	const CandidateBody before = cube;
	EXPECT_EQ(Check(cube), "");
	EXPECT_TRUE(cube == before);
	EXPECT_EQ(cube.GetStatus(), before.GetStatus());

	// The same box built through the checked store path, with free edge slots filled by
	// the polygons, passes as well.
	CandidateBody built;
	for (int i = 0; i < 8; ++i)
		built.StoreVertex(i & 1, (i >> 1) & 1, (i >> 2) & 1);
	const std::vector<std::vector<Int32>> faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
	                                               {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
	auto edgeRef = [&](Int32 a, Int32 b) {
		for (Int32 e = 0; e < static_cast<Int32>(built.GetEdgeCount()); ++e) {
			const EDGE& edge = built.GetConstEdge(e);
			if (edge.vert1 == a && edge.vert2 == b) return e + 1;
			if (edge.vert1 == b && edge.vert2 == a) return -(e + 1);
		}
		return built.StoreEdge(0, a, b, -2, -2, 0, 1) + 1;
	};
	for (const std::vector<Int32>& f : faces) {
		std::vector<Int32> refs;
		for (USize i = 0; i < f.size(); ++i)
			refs.push_back(edgeRef(f[i], f[(i + 1) % f.size()]));
		built.StoreAndCheckCompletePolygon(1, 0, 4, refs.data(), 0, true);
	}
	built.SetStatusMask(Modeler::BodyClosed);
	EXPECT_EQ(Check(built), "");

	// A polygon without references needs no material.
	Fixtures::BodyData d = OpenSquare();
	Modeler::PGON empty;
	empty.ivect = 1;
	empty.fpedg = 1;
	empty.lpedg = 0;
	d.polygons.Push(empty);
	CandidateBody withEmpty = Candidate(d);
	EXPECT_EQ(Check(withEmpty), "");
}

TEST_F(CandidateBodyCheck, EdgeDefects) {
	CandidateBody b = Cube();
	b.GetEdge(4).vert2 = 8;
	EXPECT_EQ(Check(b), "17:5,0,0");
	b = Cube();
	b.GetEdge(4).vert1 = -1;
	EXPECT_EQ(Check(b), "17:5,0,0");

	b = Cube();
	b.GetEdge(2).pgon2 = b.GetConstEdge(2).pgon1;
	EXPECT_EQ(Check(b), "18:0,3,0");

	// A side that names a polygon not running along the edge, a free slot, a polygon
	// that does not exist.
	b = Cube();
	ASSERT_EQ(b.GetConstEdge(0).pgon2, 4);
	b.GetEdge(0).pgon2 = 5;
	EXPECT_EQ(Check(b), "19:2,6,1");
	b = Cube();
	b.GetEdge(0).pgon1 = -2;
	EXPECT_EQ(Check(b), "19:1,-1,1");
	b = Cube();
	b.GetEdge(0).pgon1 = 6;
	EXPECT_EQ(Check(b), "19:1,7,1");

	// An open side is a defect in a closed body only; in an open one the polygon that
	// runs along the edge is entered there.
	b = Cube();
	b.GetEdge(0).pgon2 = -1;
	EXPECT_EQ(Check(b), "20:2,0,1");
	b.ClrStatusMask(Modeler::BodyClosed);
	EXPECT_EQ(Check(b), "");
	EXPECT_EQ(b.GetConstEdge(0).pgon1, 0);
	EXPECT_EQ(b.GetConstEdge(0).pgon2, 4);
}

TEST_F(CandidateBodyCheck, OpenSidesAreFilledInPolygonOrder) {
	// Two squares sharing the edge 1–2; every side starts open.
	Fixtures::BodyData d = OpenSquare();
	const Int32 v4 = d.AddVertex(2, 0, 0);
	const Int32 v5 = d.AddVertex(2, 1, 0);
	d.AddFace(1, {{1, v4, v5, 2}}, 0, 1);
	for (USize e = 0; e < d.edges.GetSize(); ++e)
		d.edges[e].pgon1 = d.edges[e].pgon2 = -1;
	CandidateBody b = Candidate(d);
	EXPECT_EQ(Check(b), "");
	const Int32 shared = d.FindEdge(1, 2);
	EXPECT_EQ(b.GetConstEdge(shared).pgon1, 0);
	EXPECT_EQ(b.GetConstEdge(shared).pgon2, 1);
	for (Int32 e = 0; e < static_cast<Int32>(b.GetEdgeCount()); ++e) {
		if (e == shared) continue;
		const EDGE& edge = b.GetConstEdge(e);
		EXPECT_EQ(edge.pgon1, e < 4 ? 0 : 1) << e;
		EXPECT_EQ(edge.pgon2, -1) << e;
	}
}

TEST_F(CandidateBodyCheck, NormalsAreScaledOrRejected) {
	Fixtures::BodyData d = CubeData();
	d.polyNormals[5] = VECT{0, 0, -2};  // the bottom's normal
	d.polyNormals[0] = VECT{0.6, 0, 0}; // +x
	// Nearly unit vectors are left as they are.
	d.polyNormals[1] = VECT{-1.000004, 0, 0};
	CandidateBody b = Candidate(d);
	EXPECT_EQ(Check(b), "");
	EXPECT_DOUBLE_EQ(b.GetConstPolyNormal(5).z, -1.0);
	EXPECT_DOUBLE_EQ(b.GetConstPolyNormal(0).x, 1.0);
	EXPECT_EQ(b.GetConstPolyNormal(1).x, -1.000004);

	// The scaling done before a zero normal is found stays.
	d.polyNormals[0] = VECT{3, 0, 0};
	d.polyNormals[3] = VECT{0, 0.001, 0};
	b = Candidate(d);
	EXPECT_EQ(Check(b), "21:4,0,0");
	EXPECT_DOUBLE_EQ(b.GetConstPolyNormal(0).x, 1.0);
	d.polyNormals[3] = VECT{NAN, 0, 0};
	b = Candidate(d);
	EXPECT_EQ(Check(b), "21:4,0,0");
}

TEST_F(CandidateBodyCheck, PolygonReferenceDefects) {
	CandidateBody b = Cube();
	b.GetPolygon(2).iumat = 0;
	EXPECT_EQ(Check(b), "23:0,3,0");
	b.GetPolygon(2).iumat = 3;
	EXPECT_EQ(Check(b), "23:3,3,0");

	b = Cube();
	b.GetPolygon(3).ivect = 0;
	EXPECT_EQ(Check(b), "24:0,4,0");
	b.GetPolygon(3).ivect = -7;
	EXPECT_EQ(Check(b), "24:-7,4,0");
	b.GetPolygon(3).ivect = INT_MIN;
	EXPECT_EQ(Check(b), std::to_string(24) + ":" + std::to_string(INT_MIN) + ",4,0");

	// A reference to a missing edge (its edge no longer names the polygon).
	Fixtures::BodyData d = OpenSquare();
	d.edges[1].pgon1 = -1;
	d.polyEdges[1] = -99;
	b = Candidate(d);
	EXPECT_EQ(Check(b), "25:98,1,0");

	// A range outside the poly-edge array.
	b = Cube();
	b.GetPolygon(5).lpedg = static_cast<Int32>(b.GetPolyEdgeCount());
	EXPECT_EQ(Check(b), "41:6,0,0");
	b.GetPolygon(5).lpedg = 3;
	b.GetPolygon(5).fpedg = -1;
	EXPECT_EQ(Check(b), "41:6,0,0");
}

TEST_F(CandidateBodyCheck, ContourDefects) {
	// The bottom walks 0 → 2 → 3 → 1 → 0 over edges 1 … 4.
	CandidateBody b = Cube();
	b.SetPolyEdge(1, 3);
	b.SetPolyEdge(2, 2);
	EXPECT_EQ(Check(b), "26:1,3,0");

	b = Cube();
	b.GetEdge(0).vert2 = b.GetConstEdge(0).vert1;
	EXPECT_EQ(Check(b), "27:1,1,0");

	// Lifting corner 3 tilts edge 2 (2 → 3) out of the bottom's plane.
	b = Cube();
	b.SetVertex(3, VERT{1, 1, 0.5});
	EXPECT_EQ(Check(b), "29:2,1,0");
	// A short tilt (edge shorter than 0.1) or a small one (cosine up to 0.01) passes.
	b = Cube();
	b.SetVertex(3, VERT{1, 1, 0.005});
	EXPECT_EQ(Check(b), "");

	Fixtures::BodyData d = OpenSquare();
	PrependSeparator(d);
	b = Candidate(d);
	EXPECT_EQ(Check(b), "30:1,0,0");

	// An L whose walk starts at the inner corner: fine when marked concave, a defect
	// otherwise.
	const auto lShape = {std::vector<double>{2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}};
	b = Candidate(OpenLoop(lShape));
	EXPECT_EQ(Check(b), "31:1,0,0");
	b = Candidate(OpenLoop(lShape, Modeler::PgonConcave));
	EXPECT_EQ(Check(b), "");
	// Seen from below the same corner is convex; a reversed normal reference to the
	// reversed vector is the view from above again.
	Fixtures::BodyData below = OpenLoop(lShape);
	below.polyNormals[0] = VECT{0, 0, -1};
	b = Candidate(below);
	EXPECT_EQ(Check(b), "");
	below.polygons[0].ivect = -1;
	b = Candidate(below);
	EXPECT_EQ(Check(b), "31:1,0,0");
}

TEST_F(CandidateBodyCheck, ComplexPolygonOrientation) {
	CandidateBody b = Candidate(OpenLoop({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, Modeler::PgonConcave));
	EXPECT_EQ(Check(b), "32:1,0,0");

	// A square with a square hole; the hole must run clockwise about the normal.
	auto withHole = [](bool holeClockwise) {
		Fixtures::BodyData d;
		for (const VERT& v : {VERT{0, 0, 0}, VERT{4, 0, 0}, VERT{4, 4, 0}, VERT{0, 4, 0}, VERT{1, 1, 0}, VERT{3, 1, 0},
		                      VERT{3, 3, 0}, VERT{1, 3, 0}})
			d.AddVertex(v.x, v.y, v.z);
		d.AddNormal(0, 0, 1);
		const std::vector<Int32> hole = holeClockwise ? std::vector<Int32>{4, 7, 6, 5} : std::vector<Int32>{4, 5, 6, 7};
		d.AddFace(1, {{0, 1, 2, 3}, hole}, Modeler::PgonHasHoles, 1);
		return Candidate(d);
	};
	b = withHole(true);
	EXPECT_EQ(Check(b), "");
	b = withHole(false);
	EXPECT_EQ(Check(b), "33:1,0,0");

	// A separator at the end leaves an empty contour.
	Fixtures::BodyData d = OpenSquare(Modeler::PgonConcave);
	d.polyEdges.Push(0);
	d.polygons[0].lpedg += 1;
	b = Candidate(d);
	EXPECT_EQ(Check(b), "34:1,0,0");
}

TEST_F(CandidateBodyCheck, EdgeUseDefects) {
	// The bottom turned around: its edges are walked twice in the same direction.
	CandidateBody b = Cube();
	b.ReorientPolyEdges(0, 3);
	b.GetPolygon(0).ivect = -b.GetConstPolygon(0).ivect;
	EXPECT_EQ(Check(b), "38:1,0,0");
	// In an open body that is allowed.
	b.ClrStatusMask(Modeler::BodyClosed);
	EXPECT_EQ(Check(b), "");

	// A triangle that walks its first edge twice more.
	Fixtures::BodyData d = OpenLoop({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}});
	for (Int32 r : {0, 1, -1})
		d.polyEdges.Push(r);
	d.polygons[0].lpedg += 3;
	b = Candidate(d);
	EXPECT_EQ(Check(b), "39:1,0,0");

	// Three fins on the edge 0–1: the third polygon finds both sides taken.
	d = OpenLoop({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}});
	d.AddVertex(0.5, 0, 1);
	d.AddVertex(0.5, 0, -1);
	d.AddNormal(0, 1, 0);
	d.AddFace(2, {{1, 0, 3}}, 0, 1);
	d.AddFace(2, {{0, 1, 4}}, 0, 1);
	d.edges[0].pgon2 = 1;
	b = Candidate(d);
	EXPECT_EQ(Check(b), "40:1,3,0");
}

TEST_F(CandidateBodyCheck, CurvedMarkFollowsPolygonsWithReportLines) {
	char buffer[Modeler::CheckMessageBufferSize];
	CandidateBody b = Cube();
	b.GetPolygon(2).status |= Modeler::PgonCurved;

	Kit::reportChannel.ClearText();
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 0, 3).IsPassed());
	EXPECT_TRUE(b.IsCurved());
	EXPECT_EQ(Kit::reportChannel.GetText(), "");

	b.ClrStatusMask(Modeler::BodyCurved);
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 0, 4).IsPassed());
	EXPECT_TRUE(b.IsCurved());
	EXPECT_EQ(Kit::reportChannel.GetText(), std::string(OUGetBuiltInString(2006, 36)) + "\n");

	// Without curved polygons the mark goes only when repair is asked for.
	b.GetPolygon(2).status &= ~UInt32(Modeler::PgonCurved);
	Kit::reportChannel.ClearText();
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 0, 5).IsPassed());
	EXPECT_TRUE(b.IsCurved());
	EXPECT_EQ(Kit::reportChannel.GetText(), "");
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 1, 5).IsPassed());
	EXPECT_FALSE(b.IsCurved());
	EXPECT_EQ(Kit::reportChannel.GetText(), std::string(OUGetBuiltInString(2006, 37)) + "\n");

	// The mark is repaired only once every polygon passed.
	b.GetPolygon(2).status |= Modeler::PgonCurved;
	b.GetPolygon(3).iumat = 9;
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 1, 5).IsDefectFound());
	EXPECT_FALSE(b.IsCurved());
}

TEST_F(CandidateBodyCheck, MessagesUseTheModuleTexts) {
	char buffer[Modeler::CheckMessageBufferSize];
	CandidateBody b = Cube();
	b.GetEdge(0).pgon2 = 5;
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 0, 0).IsDefectFound());
	EXPECT_STREQ(buffer, "Side 2 names polygon 6, which does not use edge 1.");

	b = Cube();
	b.GetPolygon(1).iumat = 3;
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, buffer, 0, 0).IsDefectFound());
	EXPECT_STREQ(buffer, "Material 3 of polygon 2 does not exist.");

	// Without a loader, or without a buffer, the defect is still reported by status.
	std::strcpy(buffer, "old");
	EXPECT_TRUE(b.CheckAndFix(attrs, nullptr, buffer, 0, 0).IsDefectFound());
	EXPECT_STREQ(buffer, "");
	EXPECT_TRUE(b.CheckAndFix(attrs, OULoadMessage, nullptr, 0, 0).IsDefectFound());
	// A loader that has no such text leaves the buffer empty.
	auto none = [](char*, Int16, Int16, Int64) { return false; };
	std::strcpy(buffer, "old");
	EXPECT_TRUE(b.CheckAndFix(attrs, none, buffer, 0, 0).IsDefectFound());
	EXPECT_STREQ(buffer, "");
}

// A host text whose conversions do not fit the int values of the check (a %s would read
// an int as a pointer) is not formatted; the message falls back to a built-in text with
// the message number and the values.
namespace {
const char* hostFormat = "";
bool HostFormatLoader(char* text, Int16, Int16, Int64) {
	std::snprintf(text, Modeler::CheckMessageBufferSize, "%s", hostFormat);
	return true;
}
} // namespace

TEST_F(CandidateBodyCheck, CheckMessageWithPercentSIsNotFormatted) {
	const struct {
		const char* format;
		const char* message;
	} cases[] = {
	    {"Side %s names polygon %d, which does not use edge %d.", "Body check 19: 2, 6, 1"},
	    {"Side %d names polygon %s.", "Body check 19: 2, 6, 1"},
	    {"Side %ld names polygon %ld.", "Body check 19: 2, 6, 1"},
	    {"%d %d %d %d", "Body check 19: 2, 6, 1"},
	    {"Side %*d", "Body check 19: 2, 6, 1"},
	    {"Edge %d is 100%", "Body check 19: 2, 6, 1"},
	    {"%n", "Body check 19: 2, 6, 1"},
	    // Formats that fit keep their text.
	    {"Side %d names polygon %d, which does not use edge %d.", "Side 2 names polygon 6, which does not use edge 1."},
	    {"%+04d|%-3i|%.2d %%", "+002|6  |01 %"},
	    {"Polygon %d.", "Polygon 2."},
	    {"No values", "No values"},
	};
	for (const auto& c : cases) {
		hostFormat = c.format;
		CandidateBody b = Cube();
		b.GetEdge(0).pgon2 = 5;
		char buffer[Modeler::CheckMessageBufferSize];
		EXPECT_TRUE(b.CheckAndFix(attrs, HostFormatLoader, buffer, 0, 0).IsDefectFound()) << c.format;
		EXPECT_STREQ(buffer, c.message) << c.format;
	}
}

TEST_F(CandidateBodyCheck, DamagedBodiesNeverThrow) {
	const Int32 values[] = {INT_MIN, -100, -3, -2, -1, 0, 1, 2, 3, 5, 7, 8, 11, 12, 23, 24, 100, INT_MAX};
	std::mt19937 rng(2006);
	auto pick = [&]() { return values[rng() % (sizeof values / sizeof values[0])]; };
	int defects = 0;
	for (int round = 0; round < 3000; ++round) {
		CandidateBody b = Cube();
		if (round % 2 == 1) b.ClrStatusMask(Modeler::BodyClosed);
		for (int k = 0; k < 1 + static_cast<int>(rng() % 3); ++k) {
			switch (rng() % 7) {
			case 0:
				b.GetEdge(static_cast<Int32>(rng() % 12)).vert1 = pick();
				break;
			case 1:
				b.GetEdge(static_cast<Int32>(rng() % 12)).pgon1 = pick();
				break;
			case 2:
				b.GetEdge(static_cast<Int32>(rng() % 12)).pgon2 = pick();
				break;
			case 3:
				b.SetPolyEdge(static_cast<Int32>(rng() % 24), pick());
				break;
			case 4:
				b.GetPolygon(static_cast<Int32>(rng() % 6)).ivect = pick();
				break;
			case 5:
				b.GetPolygon(static_cast<Int32>(rng() % 6)).fpedg = pick();
				break;
			default:
				b.GetPolygon(static_cast<Int32>(rng() % 6)).lpedg = pick();
				break;
			}
		}
		std::string result;
		ASSERT_NO_THROW(result = Check(b)) << "round " << round;
		defects += result.empty() ? 0 : 1;
	}
	EXPECT_GT(defects, 2000);
}
