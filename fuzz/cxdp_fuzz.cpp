// Fuzz target of the convex decomposition. The first byte picks how the rest is read:
//   0: a star-shaped outline with round holes inside its inner disc, in doubles, with
//      repeated and nearly collinear corners; the result must pass the oracle.
//   1: an orthogonal outline (a skyline on integer coordinates) with rectangular holes
//      under it, with extra corners on its sides; the result must pass the oracle.
//   2: raw node records (links, flags, coordinates and counts as they come); the call
//      must not crash and must answer with a status and an empty result or a
//      well-formed part list.
#include "Model3D/geometry/decomposition/ConvexDecomposition.h"
#include "fixtures/DecompositionCheck.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace {

using namespace DecompositionCheck;

class Bytes {
public:
	Bytes(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
	std::uint8_t Byte() { return at < size ? data[at++] : 0; }
	double Unit() { return Byte() / 255.0; }
	bool Empty() const { return at >= size; }
	template <typename T> T Raw() {
		T value{};
		if (size - at >= sizeof(T)) {
			std::memcpy(&value, data + at, sizeof(T));
			at += sizeof(T);
		}
		return value;
	}

private:
	const std::uint8_t* data;
	std::size_t size;
	std::size_t at = 0;
};

Contour Reversed(const Contour& c) {
	return {c.rbegin(), c.rend()};
}

// Repeats or splits a few corners (a copy of the corner, or the rounded midpoint of a side).
void Spoil(Contour& c, Bytes& in) {
	const std::uint8_t how = in.Byte();
	for (std::size_t i = 0; i < c.size() && c.size() < 400; i += 1 + how % 7) {
		if (how & 0x10)
			c.insert(c.begin() + static_cast<std::ptrdiff_t>(i), c[i]);
		else if (how & 0x20) {
			const Point& a = c[i];
			const Point& b = c[(i + 1) % c.size()];
			c.insert(c.begin() + static_cast<std::ptrdiff_t>(i + 1), Point{(a.x + b.x) / 2, (a.y + b.y) / 2});
			++i;
		}
	}
}

Polygon StarWithHoles(Bytes& in) {
	const int n = 10 + in.Byte() % 120;
	Contour outline;
	for (int i = 0; i < n; ++i) {
		const double a = 2 * std::numbers::pi * (i + 0.8 * in.Unit()) / n, r = 2.5 + 7.5 * in.Unit();
		outline.push_back({r * std::cos(a), r * std::sin(a)});
	}
	Spoil(outline, in);
	Polygon polygon{in.Byte() & 1 ? Reversed(outline) : outline};
	const int holes = in.Byte() % 10;
	for (int h = 0; h < holes; ++h) {
		const double cx = -1.2 + 0.8 * (h % 3) + 0.4, cy = -1.2 + 0.8 * (h / 3 % 3) + 0.4;
		const int m = 3 + in.Byte() % 12;
		Contour hole;
		for (int i = 0; i < m; ++i) {
			const double a = -2 * std::numbers::pi * (i + 0.5 * in.Unit()) / m, r = 0.05 + 0.33 * in.Unit();
			hole.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
		}
		Spoil(hole, in);
		polygon.push_back(in.Byte() & 1 ? Reversed(hole) : hole);
	}
	return polygon;
}

// A skyline over 0 … 2w, heights at least 8, with rectangular holes under it, some
// touching at corners. All coordinates are small integers, so midpoints are exact.
Polygon Skyline(Bytes& in) {
	const int w = 2 + in.Byte() % 40;
	Contour outline{{0, 0}, {2.0 * w, 0}};
	for (int x = w; x > 0; --x) {
		const double h = 8 + 2 * (in.Byte() % 8);
		outline.push_back({2.0 * x, h});
		outline.push_back({2.0 * x - 2, h});
	}
	Spoil(outline, in);
	Polygon polygon{outline};
	// Holes are low (rows 2 … 4) or high (rows 4 … 6); a low and a high one side by
	// side without a gap touch at a corner.
	int x = 1;
	bool lastLow = false, first = true;
	while (!in.Empty()) {
		const std::uint8_t b = in.Byte();
		const int width = 1 + b % 3;
		const bool low = (b & 4) != 0;
		if (first || !(b & 0x20) || low == lastLow) x += first ? 0 : 1;
		if (x + width >= 2 * w) break;
		const double y0 = low ? 2 : 4, y1 = low ? 4 : 6;
		Contour hole{{double(x), y0}, {double(x), y1}, {double(x + width), y1}, {double(x + width), y0}};
		if (b & 0x40) Spoil(hole, in);
		polygon.push_back(b & 0x80 ? Reversed(hole) : hole);
		x += width;
		lastLow = low;
		first = false;
	}
	return polygon;
}

void CheckValid(const Polygon& polygon) {
	PNODArray nodes;
	const Int32 n = MakeNodes(polygon, nodes);
	for (const bool convexParts : {true, false}) {
		Kit::PagedArray<Int32> result;
		bool flag = false;
		const Int32 status = CXdpMain(result, nodes, convexParts, n, 1.0, &flag, n);
		if (status != CXdpOk) {
			std::fprintf(stderr, "status %d on a valid polygon\n", status);
			__builtin_trap();
		}
		const std::string error = Check(polygon, result, convexParts, false);
		if (!error.empty()) {
			std::fprintf(stderr, "%s\n", error.c_str());
			__builtin_trap();
		}
	}
}

void CheckRaw(Bytes& in) {
	PNODArray nodes;
	const int n = in.Byte() % 64;
	for (int i = 0; i < n; ++i) {
		PNOD node;
		const std::uint8_t links = in.Byte();
		node.next = links & 0x80 ? in.Byte() % 70 : (i + 1) % n;
		node.prev = links & 0x40 ? in.Byte() % 70 : (i + n - 1) % n;
		node.outer = links & 1;
		node.vertex = i;
		node.u = links & 0x20 ? in.Raw<double>() : in.Byte() % 16;
		node.v = links & 0x10 ? in.Raw<double>() : in.Byte() % 16;
		nodes.Push(node);
	}
	const std::uint8_t counts = in.Byte();
	const Int32 count = counts & 0x80 ? static_cast<Int32>(static_cast<std::int8_t>(in.Byte())) : n;
	const Int32 allocated = counts & 0x40 ? count - 1 : count;
	Kit::PagedArray<Int32> result;
	result.Push(7);
	const Int32 status = CXdpMain(result, nodes, (counts & 1) != 0, count, 16.0, nullptr, allocated);
	if (status < 0) {
		if (result.GetSize() != 0) __builtin_trap();
		return;
	}
	std::string error;
	ReadParts(result, static_cast<USize>(n), error);
	if (status != CXdpOk || !error.empty()) {
		std::fprintf(stderr, "status %d: %s\n", status, error.c_str());
		__builtin_trap();
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
	Bytes in(data, size);
	switch (in.Byte() % 3) {
	case 0:
		CheckValid(StarWithHoles(in));
		break;
	case 1:
		CheckValid(Skyline(in));
		break;
	default:
		CheckRaw(in);
		break;
	}
	return 0;
}
