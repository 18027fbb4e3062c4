#include "Model3D/geometry/decomposition/detail/Orientation.h"

#include <array>
#include <cstddef>

namespace Modeler::Decomposition {

namespace {

// A sum of doubles kept exactly as a non-overlapping expansion, smallest component first.
class ExactSum {
public:
	void Add(double b) {
		std::size_t kept = 0;
		double q = b;
		for (std::size_t i = 0; i < count; ++i) {
			const double sum = q + parts[i];
			const double virtualB = sum - q;
			const double error = (q - (sum - virtualB)) + (parts[i] - virtualB);
			q = sum;
			if (error != 0.0) parts[kept++] = error;
		}
		parts[kept++] = q;
		count = kept;
	}
	// The product a·b, added as its rounded value and its rounding error.
	void AddProduct(double a, double b) {
		const double p = a * b;
		Add(std::fma(a, b, -p));
		Add(p);
	}
	int Sign() const {
		for (std::size_t i = count; i-- > 0;)
			if (parts[i] != 0.0) return parts[i] > 0.0 ? 1 : -1;
		return 0;
	}

private:
	// Twelve terms give at most twelve components, plus one for the running sum.
	std::array<double, 16> parts{};
	std::size_t count = 0;
};

// The exact difference a − b as its rounded value and its rounding error.
struct Difference {
	double value;
	double error;
};
Difference Subtract(double a, double b) {
	const double x = a - b;
	const double bVirtual = a - x;
	const double aVirtual = x + bVirtual;
	return {x, (a - aVirtual) + (bVirtual - b)};
}

int Sign(double v) {
	return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0);
}

// The sign of (a − c) × (b − c) from six exact products, for any finite input.
int ExactOrientationOfProducts(double ax, double ay, double bx, double by, double cx, double cy) {
	// Expanded so that no subtraction rounds.
	ExactSum sum;
	sum.AddProduct(ax, by);
	sum.AddProduct(-ax, cy);
	sum.AddProduct(-cx, by);
	sum.AddProduct(-ay, bx);
	sum.AddProduct(ay, cx);
	sum.AddProduct(bx, cy);
	return sum.Sign();
}

} // namespace

int ExactOrientation(double ax, double ay, double bx, double by, double cx, double cy) {
	// Most hard cases have differences that are exact (corners on a common line, on a
	// grid): then each product is its rounded value plus an fma error, four terms.
	const Difference acx = Subtract(ax, cx), bcy = Subtract(by, cy), acy = Subtract(ay, cy), bcx = Subtract(bx, cx);
	if (acx.error == 0.0 && bcy.error == 0.0 && acy.error == 0.0 && bcx.error == 0.0) {
		const double left = acx.value * bcy.value, right = acy.value * bcx.value;
		const double leftError = std::fma(acx.value, bcy.value, -left);
		const double rightError = std::fma(acy.value, bcx.value, -right);
		if (left == right) return Sign(leftError - rightError);
		ExactSum sum;
		sum.Add(leftError);
		sum.Add(-rightError);
		sum.Add(left);
		sum.Add(-right);
		return sum.Sign();
	}
	return ExactOrientationOfProducts(ax, ay, bx, by, cx, cy);
}

} // namespace Modeler::Decomposition
