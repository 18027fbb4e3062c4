// The shortcut for small polygons against the general path it stands in for: on polygons
// it takes, it must give the very same list (status, parts, corner order, fan starts);
// on polygons it declines, CXdpMain must still answer as the general path does.
#include "Model3D/geometry/decomposition/ConvexDecomposition.h"
#include "Model3D/geometry/decomposition/detail/Steps.h"
#include "fixtures/DecompositionCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace DecompositionCheck;
namespace D = Modeler::Decomposition;

// The general path, step by step, without the shortcut.
Int32 GeneralPath(Kit::PagedArray<Int32>& result, const PNODArray& nodes, bool convexParts, Int32 n, bool& flag) {
	D::Workspace& ws = D::ThreadWorkspace();
	Int32 outer = D::None;
	result.Clear();
	switch (D::LoadContours(ws, nodes, n, outer)) {
	case D::Loaded::BadInput:
		return CXdpBadInput;
	case D::Loaded::NoArea:
		flag = ws.mended;
		result.SetSize(1);
		result[0] = 0;
		return CXdpOk;
	case D::Loaded::Polygon:
		break;
	}
	const bool swept = !ws.holes.empty() && D::SweepTriangulate(ws, outer);
	if (!swept && (!D::BridgeHoles(ws, outer) || !D::ClipEars(ws, outer))) {
		result.Clear();
		return CXdpFailed;
	}
	D::MergeTriangles(ws, convexParts);
	D::WriteParts(ws, result);
	flag = ws.mended;
	return CXdpOk;
}

std::vector<Int32> Items(const Kit::PagedArray<Int32>& a) {
	std::vector<Int32> items;
	a.ForEach([&](Int32 v) { items.push_back(v); });
	return items;
}

// A polygon star-shaped about the origin with 'n' corners at random radii; 'step' > 0
// snaps the corners to a grid, which brings collinear, repeated and touching corners.
Contour RandomStar(std::mt19937& rng, Int32 n, double step) {
	std::uniform_real_distribution<double> radius(0.2, 1.0), jitter(-0.3, 0.3);
	Contour c;
	for (Int32 i = 0; i < n; ++i) {
		const double a = 2 * std::numbers::pi * (i + jitter(rng)) / n, r = radius(rng);
		Point p{r * std::cos(a), r * std::sin(a)};
		if (step > 0) p = {std::round(p.x / step) * step, std::round(p.y / step) * step};
		c.push_back(p);
	}
	return c;
}

// The nodes of 'polygon' stored in a shuffled order, so that next is no longer k + 1.
Int32 ShuffledNodes(const Polygon& polygon, PNODArray& nodes, std::mt19937& rng) {
	PNODArray plain;
	const Int32 n = MakeNodes(polygon, plain);
	std::vector<Int32> to(static_cast<USize>(n));
	for (Int32 k = 0; k < n; ++k)
		to[static_cast<USize>(k)] = k;
	std::shuffle(to.begin(), to.end(), rng);
	nodes.Clear();
	nodes.SetSize(static_cast<USize>(n));
	for (Int32 k = 0; k < n; ++k) {
		PNOD node = plain[static_cast<USize>(k)];
		node.next = to[static_cast<USize>(node.next)];
		node.prev = to[static_cast<USize>(node.prev)];
		nodes[static_cast<USize>(to[static_cast<USize>(k)])] = node;
	}
	return n;
}

TEST(ConvexDecompositionShortcut, GivesWhatTheGeneralPathGives) {
	std::mt19937 rng(20261209);
	struct Kind {
		const char* name;
		double step; // grid step of the corners, 0 for none
		bool clockwise;
		bool shuffled;
		bool withHole;
		bool broken; // one link or outer mark of a node set to a random value
		bool taken;  // whether the shortcut must take every such polygon
	};
	const Kind kinds[] = {
	    {"Random", 0, false, false, false, false, true},
	    {"Clockwise", 0, true, false, false, false, true},
	    {"Shuffled", 0, false, true, false, false, true},
	    {"Snapped", 0.25, false, false, false, false, false},
	    {"SnappedClockwise", 0.25, true, true, false, false, false},
	    {"WithHole", 0, false, false, true, false, false},
	    {"Broken", 0, false, true, false, true, false},
	};
	for (const Kind& kind : kinds) {
		Int32 taken = 0, declined = 0;
		for (Int32 trial = 0; trial < 400; ++trial) {
			std::uniform_int_distribution<Int32> corners(3, D::SmallPolygonSize + 2);
			Polygon polygon{RandomStar(rng, corners(rng), kind.step)};
			if (kind.clockwise) std::reverse(polygon[0].begin(), polygon[0].end());
			if (kind.withHole) polygon.push_back({{-0.05, -0.05}, {-0.05, 0.05}, {0.05, 0.05}, {0.05, -0.05}});
			PNODArray nodes;
			const Int32 n = kind.shuffled ? ShuffledNodes(polygon, nodes, rng) : MakeNodes(polygon, nodes);
			if (kind.broken) {
				PNOD& node = nodes[static_cast<USize>(std::uniform_int_distribution<Int32>(0, n - 1)(rng))];
				const Int32 value = std::uniform_int_distribution<Int32>(-1, n)(rng);
				Int32* fields[] = {&node.next, &node.prev, &node.outer};
				*fields[std::uniform_int_distribution<Int32>(0, 2)(rng)] = value;
			}
			for (const bool convexParts : {true, false}) {
				SCOPED_TRACE(std::string(kind.name) + " trial " + std::to_string(trial) + " corners " +
				             std::to_string(n) + (convexParts ? " convex" : " triangles"));
				Kit::PagedArray<Int32> expected, shortcut, actual;
				bool expectedFlag = false, actualFlag = true;
				const Int32 expectedStatus = GeneralPath(expected, nodes, convexParts, n, expectedFlag);
				const bool took = D::DecomposeSmallPolygon(shortcut, nodes, n, convexParts);
				if (took) {
					EXPECT_EQ(expectedStatus, CXdpOk);
					EXPECT_FALSE(expectedFlag);
					EXPECT_EQ(Items(shortcut), Items(expected));
				} else {
					EXPECT_TRUE(shortcut.IsEmpty());
				}
				if (kind.taken) {
					EXPECT_TRUE(took || n > D::SmallPolygonSize);
				}
				taken += took ? 1 : 0;
				declined += took ? 0 : 1;
				EXPECT_EQ(CXdpMain(actual, nodes, convexParts, n, 1.0, &actualFlag, n), expectedStatus);
				EXPECT_EQ(actualFlag, expectedFlag);
				EXPECT_EQ(Items(actual), Items(expected));
			}
		}
		// Each kind must reach the path it is meant for: snapped stars both.
		SCOPED_TRACE(kind.name);
		if (kind.withHole) {
			EXPECT_EQ(taken, 0);
		} else if (!kind.broken) {
			EXPECT_GT(taken, 200);
		}
		EXPECT_GT(declined, kind.taken ? 0 : 20);
	}
}

} // namespace
