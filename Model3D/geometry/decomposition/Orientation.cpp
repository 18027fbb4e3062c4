#include "Model3D/geometry/decomposition/detail/Orientation.h"

#include <array>
#include <cstddef>

namespace Model3D::Decomposition {

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

} // namespace

int ExactOrientation(double ax, double ay, double bx, double by, double cx, double cy) {
	// (a − c) × (b − c) expanded into six products so that no subtraction rounds.
	ExactSum sum;
	sum.AddProduct(ax, by);
	sum.AddProduct(-ax, cy);
	sum.AddProduct(-cx, by);
	sum.AddProduct(-ay, bx);
	sum.AddProduct(ay, cx);
	sum.AddProduct(bx, cy);
	return sum.Sign();
}

} // namespace Model3D::Decomposition
