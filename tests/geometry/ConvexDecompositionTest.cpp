// The convex decomposition against its oracle: a corpus of named polygons, seeded random
// polygons with holes, and node lists no caller should send.
#include "Model3D/geometry/decomposition/ConvexDecomposition.h"
#include "Model3D/geometry/decomposition/detail/Orientation.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"
#include "fixtures/DecompositionCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <utility>

namespace {

using namespace DecompositionCheck;

Contour Rect(double x0, double y0, double x1, double y1) {
	return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}
Contour Reversed(Contour c) {
	return {c.rbegin(), c.rend()};
}

Contour Star(Int32 n, double inner, double outer, double cx = 0, double cy = 0) {
	Contour c;
	for (Int32 i = 0; i < n; ++i) {
		const double a = 2 * std::numbers::pi * i / n, r = i % 2 == 0 ? outer : inner;
		c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
	}
	return c;
}

// A comb: 'teeth' teeth of width 1 with gaps of 1, rising from a base of height 1.
Contour Comb(Int32 teeth) {
	Contour c{{0, 0}, {2.0 * teeth - 1, 0}};
	for (Int32 t = teeth - 1; t >= 0; --t) {
		c.push_back({2.0 * t + 1, 5});
		c.push_back({2.0 * t, 5});
		if (t > 0) {
			c.push_back({2.0 * t, 1});
			c.push_back({2.0 * t - 1, 1});
		}
	}
	return c;
}

// A spiral corridor of width 1 whose turns lie 2 apart.
Contour Spiral(Int32 turns) {
	Contour inner, outer;
	const Int32 steps = 24 * turns;
	for (Int32 i = 0; i <= steps; ++i) {
		const double a = 2 * std::numbers::pi * i / 24, r = 1 + a / std::numbers::pi;
		inner.push_back({r * std::cos(a), r * std::sin(a)});
		outer.push_back({(r + 1) * std::cos(a), (r + 1) * std::sin(a)});
	}
	Contour c(outer.begin(), outer.end());
	c.insert(c.end(), inner.rbegin(), inner.rend());
	return c;
}

// A square whose sides carry 'perSide' − 1 extra corners.
Contour DottedSquare(Int32 perSide, double size) {
	Contour c;
	const Point corners[] = {{0, 0}, {size, 0}, {size, size}, {0, size}};
	for (Int32 s = 0; s < 4; ++s)
		for (Int32 i = 0; i < perSide; ++i) {
			const Point& a = corners[s];
			const Point& b = corners[(s + 1) % 4];
			c.push_back({a.x + (b.x - a.x) * i / perSide, a.y + (b.y - a.y) * i / perSide});
		}
	return c;
}

Polygon GridOfHoles(Int32 n) {
	Polygon p{Rect(0, 0, 3.0 * n + 1, 3.0 * n + 1)};
	for (Int32 i = 0; i < n; ++i)
		for (Int32 j = 0; j < n; ++j)
			p.push_back(Reversed(Rect(3.0 * i + 1, 3.0 * j + 1, 3.0 * i + 3, 3.0 * j + 3)));
	return p;
}

// A wall with a row of windows whose sills and lintels lie on two common lines.
Polygon Wall(Int32 windows) {
	Polygon p{Rect(0, 0, 2.0 * windows + 1, 3)};
	for (Int32 w = 0; w < windows; ++w)
		p.push_back(Reversed(Rect(2.0 * w + 1, 1, 2.0 * w + 2, 2)));
	return p;
}

struct Case {
	const char* name;
	Polygon polygon;
	Int32 maxParts;   // with convex parts
	bool everyCorner; // false where corners are spikes without area
};

std::vector<Case> Corpus() {
	std::vector<Case> corpus = {
	    {"Triangle", {{{0, 0}, {1, 0}, {0, 1}}}, 1, true},
	    {"Square", {Rect(0, 0, 1, 1)}, 1, true},
	    {"ClockwiseSquare", {Reversed(Rect(0, 0, 1, 1))}, 1, true},
	    {"LShape", {{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}}, 2, true},
	    {"Comb", {Comb(12)}, 13, true},
	    {"Spiral", {Spiral(5)}, 130, true},
	    {"Star", {Star(200, 0.6, 1)}, 150, true},
	    {"CollinearRuns", {DottedSquare(7, 1)}, 10, true},
	    {"CollinearConcave",
	     {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}}},
	     3,
	     true},
	    {"RepeatedCorners", {{{0, 0}, {0, 0}, {1, 0}, {1, 0}, {1, 1}, {0.5, 1.5}, {0, 1}, {0, 0}}}, 2, true},
	    {"Sliver", {{{0, 0}, {1e3, 1e-9}, {2e3, 0}, {1e3, 2e-9}}}, 2, true},
	    {"NearlyCollinear", {{{0, 0}, {1, 1e-15}, {2, -1e-15}, {3, 1e-15}, {4, 0}, {4, 1}, {0, 1}}}, 4, true},
	    {"TinyOffsets",
	     {{{0.1, 0.1}, {0.2, 0.2 + 1e-17}, {0.3, 0.3}, {0.4, 0.4 - 1e-17}, {0.5, 0.5}, {0, 1}}},
	     4,
	     true},
	    {"OneHole", {Rect(0, 0, 3, 3), Reversed(Rect(1, 1, 2, 2))}, 6, true},
	    {"ReversedHole", {Rect(0, 0, 3, 3), Rect(1, 1, 2, 2)}, 6, true},
	    {"ManyHoles", GridOfHoles(6), 120, true},
	    {"Wall", Wall(8), 40, true},
	    {"HolesTouchingEachOther",
	     {Rect(0, 0, 5, 3), Reversed(Rect(1, 1, 2, 2)), Reversed(Rect(2, 2, 3, 2.5))},
	     12,
	     true},
	    {"HoleTouchingOutline", {{{0, 0}, {1.5, 0}, {3, 0}, {3, 3}, {0, 3}}, {{1.5, 0}, {1, 1}, {2, 1}}}, 6, true},
	    {"SelfTouching", {{{0, 0}, {2, 0}, {4, 0}, {4, 4}, {3, 4}, {2, 0}, {1, 4}, {0, 4}}}, 4, true},
	    {"SpikeOutwards", {{{0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 1}, {0, 1}}}, 1, false},
	    {"LongWall", Wall(70), 80, true},
	    {"LongGridWithTouchingHoles", GridOfHoles(9), 100, true},
	    {"HoleWithCollinearSides", {DottedSquare(5, 10), Reversed(DottedSquare(3, 2))}, 12, true},
	};
	// Long rings of holes, one touching another at a corner, one with a corner on another's side.
	Polygon& touching = corpus[corpus.size() - 2].polygon;
	touching.push_back(Reversed(Rect(3, 3, 3.5, 3.5)));
	touching.push_back(Reversed(Rect(3, 1.5, 3.5, 2)));
	// The hole of the last case sits at the corner (0, 0): move it inside.
	for (Point& p : corpus.back().polygon[1]) {
		p.x += 4;
		p.y += 4;
	}
	return corpus;
}

Kit::PagedArray<Int32> Decompose(const Polygon& polygon, bool convexParts, Int32* status, bool* flag = nullptr) {
	PNODArray nodes;
	const Int32 n = MakeNodes(polygon, nodes);
	Kit::PagedArray<Int32> result;
	*status = CXdpMain(result, nodes, convexParts, n, 1.0, flag, n);
	return result;
}

TEST(ConvexDecomposition, EveryCorpusPolygonIsTiledByConformingConvexParts) {
	for (const Case& c : Corpus())
		for (const bool convexParts : {true, false}) {
			SCOPED_TRACE(std::string(c.name) + (convexParts ? " convex" : " triangles"));
			Int32 status = 0;
			const auto result = Decompose(c.polygon, convexParts, &status);
			ASSERT_EQ(status, CXdpOk);
			EXPECT_EQ(Check(c.polygon, result, convexParts, c.everyCorner), "");
			if (convexParts) {
				EXPECT_LE(-result[0], c.maxParts);
			}
		}
}

// Random star-shaped outlines with holes inside their inner disc, some snapped to a
// coarse grid (many collinear corners), some with repeated or collinear extra corners.
Polygon RandomPolygon(std::mt19937& rng) {
	std::uniform_real_distribution<double> unit(0.0, 1.0);
	const bool snap = unit(rng) < 0.3;
	auto place = [&](double x, double y) {
		return snap ? Point{std::round(x * 64) / 64, std::round(y * 64) / 64} : Point{x, y};
	};
	const auto n = static_cast<Int32>(3 + unit(rng) * 60);
	Contour outline;
	for (Int32 i = 0; i < n; ++i) {
		const double a = 2 * std::numbers::pi * (i + 0.8 * unit(rng)) / n, r = 2.5 + 7.5 * unit(rng);
		outline.push_back(place(r * std::cos(a), r * std::sin(a)));
	}
	// Extra corners: repeats and midpoints of sides.
	if (unit(rng) < 0.3)
		for (USize i = 0; i < outline.size(); i += 3)
			outline.insert(outline.begin() + static_cast<std::ptrdiff_t>(i), outline[i]);
	if (unit(rng) < 0.3)
		for (USize i = 0; i + 1 < outline.size(); i += 4) {
			const Point mid{(outline[i].x + outline[i + 1].x) / 2, (outline[i].y + outline[i + 1].y) / 2};
			outline.insert(outline.begin() + static_cast<std::ptrdiff_t>(i + 1), mid);
		}
	Polygon polygon{outline};
	// Holes in disjoint cells within 1.6 of the centre; with ten corners or more the
	// outline's sides stay beyond 2.1.
	const auto holes = n >= 10 ? static_cast<Int32>(unit(rng) * 9) : 0;
	for (Int32 h = 0; h < holes; ++h) {
		const double cx = -1.2 + 0.8 * (h % 3) + 0.4, cy = -1.2 + 0.8 * (h / 3) + 0.4;
		const auto m = static_cast<Int32>(3 + unit(rng) * 8);
		Contour hole;
		for (Int32 i = 0; i < m; ++i) {
			const double a = -2 * std::numbers::pi * (i + 0.5 * unit(rng)) / m, r = 0.1 + 0.3 * unit(rng);
			hole.push_back(place(cx + r * std::cos(a), cy + r * std::sin(a)));
		}
		polygon.push_back(unit(rng) < 0.5 ? hole : Reversed(hole));
	}
	return polygon;
}

TEST(ConvexDecomposition, RandomPolygonsWithHolesAreTiledByConformingConvexParts) {
	std::mt19937 rng(20261208);
	for (Int32 trial = 0; trial < 1500; ++trial) {
		const Polygon polygon = RandomPolygon(rng);
		for (const bool convexParts : {true, false}) {
			SCOPED_TRACE("trial " + std::to_string(trial) + (convexParts ? " convex" : " triangles"));
			Int32 status = 0;
			const auto result = Decompose(polygon, convexParts, &status);
			ASSERT_EQ(status, CXdpOk);
			ASSERT_EQ(Check(polygon, result, convexParts, false), "");
		}
	}
}

// Polygons with holes go through the sweep, which the tests above check against the
// oracle; where it gives way the ear search takes over unseen. It must give way only
// where contours touch (here the corpus cases made for that).
TEST(ConvexDecomposition, SweepTakesPolygonsWithHolesUnlessContoursTouch) {
	namespace D = Modeler::Decomposition;
	std::mt19937 rng(20261210);
	std::vector<Polygon> polygons;
	for (const Case& c : Corpus())
		polygons.push_back(c.polygon);
	for (Int32 trial = 0; trial < 1500; ++trial)
		polygons.push_back(RandomPolygon(rng));
	Int32 withHoles = 0, taken = 0;
	for (const Polygon& polygon : polygons) {
		PNODArray nodes;
		const Int32 n = MakeNodes(polygon, nodes);
		D::Workspace& ws = D::ThreadWorkspace();
		Int32 outer = D::None;
		if (D::LoadContours(ws, nodes, n, outer) != D::Loaded::Polygon || ws.holes.empty()) continue;
		++withHoles;
		taken += D::SweepTriangulate(ws, outer) ? 1 : 0;
	}
	// HolesTouchingEachOther, HoleTouchingOutline, LongGridWithTouchingHoles.
	EXPECT_EQ(taken, withHoles - 3);
}

// Random façades: windows on a coarse lattice, so that sills, lintels and jambs of many
// windows lie on common lines, some cells left empty, and an outline carrying a corner at
// every whole unit of its sides. Such aligned holes are the sweep's common case and its
// hardest: each must be tiled conformingly, and none may fall back to the ear search.
TEST(ConvexDecomposition, RandomFacadesAreSweptIntoConformingConvexParts) {
	namespace D = Modeler::Decomposition;
	std::mt19937 rng(20261209);
	for (Int32 trial = 0; trial < 200; ++trial) {
		const auto columns = static_cast<Int32>(1 + rng() % 12), rows = static_cast<Int32>(1 + rng() % 6);
		const double width = 3.0 * columns + 1, height = 3.0 * rows + 1;
		Contour outline;
		for (double x = 0; x < width; ++x)
			outline.push_back({x, 0});
		for (double y = 0; y < height; ++y)
			outline.push_back({width, y});
		for (double x = width; x > 0; --x)
			outline.push_back({x, height});
		for (double y = height; y > 0; --y)
			outline.push_back({0, y});
		Polygon polygon{outline};
		const auto pick = [&](double a, double b) { return rng() % 2 == 0 ? a : b; };
		for (Int32 i = 0; i < columns; ++i)
			for (Int32 j = 0; j < rows; ++j)
				if (rng() % 4 != 0)
					polygon.push_back(
					    Reversed(Rect(pick(3.0 * i + 1, 3.0 * i + 1.5), pick(3.0 * j + 1, 3.0 * j + 1.5),
					                  pick(3.0 * i + 2.5, 3.0 * i + 3), pick(3.0 * j + 2.5, 3.0 * j + 3))));
		SCOPED_TRACE("trial " + std::to_string(trial));
		for (const bool convexParts : {true, false}) {
			Int32 status = 0;
			const auto result = Decompose(polygon, convexParts, &status);
			ASSERT_EQ(status, CXdpOk);
			ASSERT_EQ(Check(polygon, result, convexParts, true), "");
		}
		if (polygon.size() == 1) continue;
		PNODArray nodes;
		const Int32 n = MakeNodes(polygon, nodes);
		D::Workspace& ws = D::ThreadWorkspace();
		Int32 outer = D::None;
		ASSERT_EQ(D::LoadContours(ws, nodes, n, outer), D::Loaded::Polygon);
		EXPECT_TRUE(D::SweepTriangulate(ws, outer));
	}
}

Contour Snapped(Contour c, double step) {
	for (Point& p : c)
		p = {std::round(p.x / step) * step, std::round(p.y / step) * step};
	return c;
}

// Rings long enough for the ear search to go through an index: corners crowding along a
// few lines (the inner corners of a star, also snapped so that many share a coordinate)
// and corners spread over the whole outline (many holes).
TEST(ConvexDecomposition, LongRingsAreTiledByConformingConvexParts) {
	Polygon manyHoles{Star(2000, 0.9, 1)};
	for (Int32 i = 0; i < 20; ++i)
		for (Int32 j = 0; j < 20; ++j) {
			const double x = -0.6 + 0.06 * i, y = -0.6 + 0.06 * j;
			manyHoles.push_back(Reversed(Rect(x, y, x + 0.03, y + 0.03)));
		}
	Polygon roundHoles{Star(4000, 0.65, 1)};
	for (Int32 h = 0; h < 36; ++h)
		roundHoles.push_back(Reversed(Star(40, 0.05, 0.05, -0.4 + 0.16 * (h % 6), -0.4 + 0.16 * (h / 6))));
	Polygon fewHoles{Star(8000, 0.4, 1)};
	for (Int32 h = 0; h < 4; ++h)
		fewHoles.push_back(Reversed(Star(40, 0.06, 0.06, -0.15 + 0.3 * (h % 2), -0.15 + 0.3 * (h / 2))));
	const struct {
		const char* name;
		Polygon polygon;
		Int32 maxParts;
	} cases[] = {
	    {"LongStar", {Star(8000, 0.3, 1)}, 6000}, {"LongSnappedStar", {Snapped(Star(8000, 0.3, 1), 1.0 / 512)}, 6000},
	    {"FewHolesInALongStar", fewHoles, 6500},  {"LongComb", {Comb(400)}, 401},
	    {"ManySquareHoles", manyHoles, 3000},     {"RoundHoles", roundHoles, 4500},
	};
	for (const auto& c : cases)
		for (const bool convexParts : {true, false}) {
			SCOPED_TRACE(std::string(c.name) + (convexParts ? " convex" : " triangles"));
			Int32 status = 0;
			const auto result = Decompose(c.polygon, convexParts, &status);
			ASSERT_EQ(status, CXdpOk);
			EXPECT_EQ(Check(c.polygon, result, convexParts, false), "");
			if (convexParts) {
				EXPECT_LE(-result[0], c.maxParts);
			}
		}
}

// A hole whose ray hits a corner where an earlier hole was bridged must be bridged from
// the copy of that corner whose angle holds it; a copy made by the earlier bridge came
// first among the sides the ray hits and, bridged from, made the ring cross itself.
TEST(ConvexDecomposition, SecondBridgeToACornerTakesTheCopyFacingTheHole) {
	const struct {
		const char* name;
		Polygon polygon;
	} cases[] = {
	    // Hole 2 is bridged to the corner (3, 5) of hole 1 from below, hole 3 level with it.
	    {"three holes",
	     {Rect(0, 0, 10, 10), {{3, 5}, {2.8, 3}, {1, 6}}, {{4, 4.5}, {5, 4}, {5, 5}}, {{4.5, 5}, {6, 6}, {6, 5.5}}}},
	    // Found by the fuzz target: a star with repeated corners and five holes.
	    {"fuzzed star",
	     {{{9.987369566060174, -0.5024431817977022},    {9.987369566060174, -0.5024431817977022},
	       {5.9538612790084793, -1.8521416263038655},   {8.5099448179469199, -5.2517462996129538},
	       {6.9365330581280507, -7.203090248879068},    {6.9365330581280507, -7.203090248879068},
	       {4.9272734154829134, -8.7018375466952573},   {2.6084150628989722, -9.6538163883327375},
	       {0.12566039883352531, -9.9992104420381605},  {0.12566039883352531, -9.9992104420381605},
	       {-2.3649899702372421, -9.7163173291467402},  {-4.7070393216533244, -8.822912264349533},
	       {-6.7533280812102428, -7.3751311735817406},  {-6.7533280812102428, -7.3751311735817406},
	       {-8.375280400421417, -5.4639434673426903},   {-9.4709830499474439, -3.2094360980720946},
	       {-9.9715890026061391, -0.75326805527932794}, {-9.9715890026061391, -0.75326805527932794},
	       {-9.8456433452920535, 1.7502305897527588},   {-9.1010597068499557, 4.1437558099328431},
	       {-7.7846230156702365, 6.276913612907002},    {-7.7846230156702365, 6.276913612907002},
	       {-5.9790498305751889, 8.0156698487087645},   {-3.79779095521801, 9.2507720683445811},
	       {-1.3779029068463804, 9.9046142569665125},   {-1.3779029068463804, 9.9046142569665125},
	       {1.1285638487348182, 9.936113105200084},     {3.5641187871325073, 9.3432894245661195},
	       {5.7757270342226761, 8.1633925071718387},    {5.7757270342226761, 8.1633925071718387},
	       {7.6244251101144789, 6.4705596156944427},    {8.9940525156637108, 4.3711576665093288},
	       {9.7985505238424686, 1.9970998051440703},    {9.7985505238424686, 1.9970998051440703}},
	      {{-0.47091034656191322, -0.98999999999999988},
	       {-0.79999999999999993, -1.1799999999999999},
	       {-1.1290896534380868, -0.98999999999999988},
	       {-1.0140932383290022, -0.76496345693074208},
	       {-0.90694421154995308, -0.58632777103912714},
	       {-0.52627721762912349, -0.57127543875583409}},
	      {{0.11387063171543536, -0.71144978318406793},
	       {0.12866047623742116, -0.550913160763846},
	       {0.010531920383376685, -0.61451009095995635},
	       {-0.10759663547066779, -0.67810702115606658},
	       {-0.22802112818384926, -0.76675771686632577},
	       {-0.34844562089703074, -0.85540841257658506},
	       {-0.16567542162692786, -0.87786351235569193},
	       {0.017094777643175022, -0.9003186121347988},
	       {0.058087782418312292, -0.88615250886954433},
	       {0.099080787193449565, -0.87198640560428986}},
	      {{1.1290896534380868, -0.60999999999999976},
	       {0.60999999999999999, -0.47091034656191333},
	       {0.67488480048855415, -0.72776470588235287},
	       {0.67488480048855415, -0.72776470588235287},
	       {0.47091034656191344, -0.98999999999999988},
	       {0.80000000000000016, -1.1799999999999999},
	       {1.1290896534380868, -0.98999999999999988},
	       {1.1290896534380868, -0.98999999999999988}},
	      {{-0.75669872981077801, -0.024999999999999887},
	       {-0.77499999999999991, -0.043301270189221822},
	       {-0.82499999999999996, -0.043301270189221829},
	       {-0.84999999999999998, 1.0489906846677889e-16},
	       {-0.82499999999999996, 0.04330127018922203},
	       {-0.77499999999999991, 0.043301270189222044}},
	      {{0.050000000000000114, 1.1102230246251565e-16},
	       {-0.02499999999999988, -0.043301270189221829},
	       {-0.024999999999999911, 0.04330127018922203}}}},
	};
	for (const auto& c : cases)
		for (const bool convexParts : {true, false}) {
			SCOPED_TRACE(std::string(c.name) + (convexParts ? " convex" : " triangles"));
			Int32 status = 0;
			const auto result = Decompose(c.polygon, convexParts, &status);
			ASSERT_EQ(status, CXdpOk);
			EXPECT_EQ(Check(c.polygon, result, convexParts, true), "");
		}
}

TEST(ConvexDecomposition, FlagTellsWhetherTheInputWasMended) {
	const struct {
		const char* name;
		Polygon polygon;
		bool mended;
	} cases[] = {
	    {"clean", {Rect(0, 0, 3, 3), Reversed(Rect(1, 1, 2, 2))}, false},
	    {"clockwise outline", {Reversed(Rect(0, 0, 3, 3)), Rect(1, 1, 2, 2)}, false},
	    {"hole turned", {Rect(0, 0, 3, 3), Rect(1, 1, 2, 2)}, true},
	    {"repeated corner", {{{0, 0}, {1, 0}, {1, 0}, {1, 1}}}, true},
	    {"hole without area", {Rect(0, 0, 3, 3), {{1, 1}, {2, 2}, {1.5, 1.5}}}, true},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.name);
		Int32 status = 0;
		bool flag = !c.mended;
		const auto result = Decompose(c.polygon, true, &status, &flag);
		ASSERT_EQ(status, CXdpOk);
		EXPECT_EQ(flag, c.mended);
	}
}

TEST(ConvexDecomposition, PolygonsWithoutAreaGiveNoParts) {
	const Polygon cases[] = {
	    {{{0, 0}, {1, 1}, {2, 2}}}, {{{0, 0}, {1, 0}, {0, 0}, {1, 0}}}, {{{5, 5}, {5, 5}, {5, 5}}}};
	for (const Polygon& polygon : cases) {
		Int32 status = 0;
		const auto result = Decompose(polygon, true, &status);
		ASSERT_EQ(status, CXdpOk);
		ASSERT_EQ(result.GetSize(), 1u);
		EXPECT_EQ(result[0], 0);
	}
}

// Node lists that break the rules: a status (and an empty result) or a sound result, never
// a crash. Bad links and counts must be refused.
TEST(ConvexDecomposition, HostileNodeListsAreRefusedOrDecomposed) {
	const Polygon square{Rect(0, 0, 2, 2), Reversed(Rect(0.5, 0.5, 1, 1))};
	const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
	const struct {
		const char* name;
		std::function<void(PNODArray&, Int32& count, Int32& allocated)> spoil;
		bool mustRefuse;
	} cases[] = {
	    {"next out of range", [](PNODArray& n, Int32&, Int32&) { n[2].next = 99; }, true},
	    {"negative prev", [](PNODArray& n, Int32&, Int32&) { n[1].prev = -1; }, true},
	    {"prev does not match", [](PNODArray& n, Int32&, Int32&) { n[3].prev = 0; }, true},
	    {"contour that does not close", [](PNODArray& n, Int32&, Int32&) { n[3].next = 4; }, true},
	    {"NaN", [nan](PNODArray& n, Int32&, Int32&) { n[1].u = nan; }, true},
	    {"infinity", [inf](PNODArray& n, Int32&, Int32&) { n[5].v = -inf; }, true},
	    {"count beyond the allocation", [](PNODArray&, Int32& c, Int32& a) { a = c - 1; }, true},
	    {"count beyond the array", [](PNODArray&, Int32& c, Int32& a) { c = a = 100; }, true},
	    {"negative count", [](PNODArray&, Int32& c, Int32&) { c = -5; }, true},
	    {"no outer contour",
	     [](PNODArray& n, Int32&, Int32&) {
		     for (Int32 i = 0; i < 4; ++i)
			     n[static_cast<USize>(i)].outer = 0;
	     },
	     true},
	    {"mixed contour", [](PNODArray& n, Int32&, Int32&) { n[5].outer = 1; }, true},
	    {"two outlines",
	     [](PNODArray& n, Int32&, Int32&) {
		     for (Int32 i = 4; i < 8; ++i)
			     n[static_cast<USize>(i)].outer = 1;
	     },
	     true},
	    {"hole outside",
	     [](PNODArray& n, Int32&, Int32&) {
		     for (Int32 i = 4; i < 8; ++i)
			     n[static_cast<USize>(i)].u += 10;
	     },
	     false},
	    {"hole crossing the outline", [](PNODArray& n, Int32&, Int32&) { n[5].u = 3; }, false},
	    {"bow tie", [](PNODArray& n, Int32&, Int32&) { std::swap(n[1].u, n[2].u); }, false},
	    {"huge coordinates", [](PNODArray& n, Int32&, Int32&) { n[2].u = 1e200; }, false},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.name);
		PNODArray nodes;
		Int32 count = MakeNodes(square, nodes), allocated = count;
		c.spoil(nodes, count, allocated);
		Kit::PagedArray<Int32> result;
		result.Push(42);
		const Int32 status = CXdpMain(result, nodes, true, count, 2.0, nullptr, allocated);
		if (c.mustRefuse) {
			EXPECT_EQ(status, CXdpBadInput);
		}
		if (status < 0) {
			EXPECT_EQ(result.GetSize(), 0u);
		} else {
			std::string error;
			ReadParts(result, 8, error);
			EXPECT_EQ(error, "");
		}
	}
}

// The orientation against an exact integer reference, on points next to a line: c is
// a + j·d plus a step e with d × e = s·gcd(d), s in {−1, 0, 1}, so that (b − a) × (c − a)
// is ±k·gcd or 0 while its products are near 2⁸⁰, far beyond what doubles hold.
TEST(ConvexDecomposition, OrientationIsExactNextToLines) {
	std::mt19937_64 rng(7);
	Int32 plainWrong = 0;
	for (Int32 trial = 0; trial < 20000; ++trial) {
		const auto random = [&](int bits) { return static_cast<long long>(rng() >> (64 - bits)) + 1; };
		const long long dx = random(20), dy = random(20), k = random(20), j = random(20);
		// Extended Euclid: dx·e2 − dy·e1 = gcd(dx, dy).
		long long r0 = dx, r1 = dy, s0 = 1, s1 = 0, t0 = 0, t1 = 1;
		while (r1 != 0) {
			const long long q = r0 / r1;
			r0 = std::exchange(r1, r0 - q * r1);
			s0 = std::exchange(s1, s0 - q * s1);
			t0 = std::exchange(t1, t0 - q * t1);
		}
		const long long side = static_cast<long long>(rng() % 3) - 1, e1 = -t0 * side, e2 = s0 * side;
		const long long ax = random(40), ay = random(40);
		const long long bx = ax + k * dx, by = ay + k * dy, cx = ax + j * dx + e1, cy = ay + j * dy + e2;
		const __int128 det = static_cast<__int128>(bx - ax) * (cy - ay) - static_cast<__int128>(by - ay) * (cx - ax);
		const int expected = det > 0 ? 1 : (det < 0 ? -1 : 0);
		const auto d = [](long long v) { return static_cast<double>(v); };
		ASSERT_EQ(Modeler::Decomposition::Orientation(d(ax), d(ay), d(bx), d(by), d(cx), d(cy)), expected);
		const double plain = (d(bx) - d(ax)) * (d(cy) - d(ay)) - (d(by) - d(ay)) * (d(cx) - d(ax));
		plainWrong += (plain > 0 ? 1 : (plain < 0 ? -1 : 0)) != expected ? 1 : 0;
	}
	EXPECT_GT(plainWrong, 1000); // the cases are hard enough to matter
}

} // namespace
