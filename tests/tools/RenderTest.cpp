// The pictures of the m3d tool: its software rasteriser (tools/Render.cpp) drawing the
// triangles that its exporter (tools/Export.cpp) makes of a unit cube.
#include "tools/Render.h"
#include "fixtures/BodyFixtures.h"
#include "tools/Export.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The fixture's unit cube [0, 1]³ placed as it is, over an empty attribute store: its
// polygons take the default material, grey 0.8.
std::vector<Export::Triangle> UnitCube() {
	Export::Scene scene;
	scene.attributes = Modeler::Attributes::New();
	TRAN identity{};
	Geometry::TMIdentity(&identity);
	scene.placements.push_back({Fixtures::MakeCube(1.0), identity});
	return Export::Triangles(scene);
}

// Counting pixels whose centres fall inside a convex outline misses or adds at most half a
// pixel across each boundary row or column, so the count differs from the true area (in
// pixels) by less than half the perimeter (in pixels) plus one for each corner.
void ExpectCovers(const Render::Picture& picture, double modelArea, double modelPerimeter, int corners) {
	const double scale = picture.fit.scale;
	const double area = modelArea * scale * scale;
	const double tolerance = modelPerimeter * scale / 2 + corners;
	const double pixels = static_cast<double>(picture.width) * picture.height;
	EXPECT_NEAR(static_cast<double>(picture.covered), area, tolerance)
	    << "covered fraction " << static_cast<double>(picture.covered) / pixels << ", projected area fraction "
	    << area / pixels << " at " << scale << " pixels a unit";
}

TEST(RenderTest, CoveredPixelsAreTheCubesProjectedArea) {
	const std::vector<Export::Triangle> cube = UnitCube();
	ASSERT_EQ(cube.size(), 12u);

	// From the top the cube is a unit square, fitted into the picture with a margin of 5%
	// of its smaller side: 157 - 2 × 7.85 = 141.3 pixels a unit, edges between pixel centres.
	const Render::Picture top = Render::Draw(cube, Render::View::Top, 203, 157);
	ASSERT_NEAR(top.fit.scale, 141.3, 1e-9);
	ExpectCovers(top, 1.0, 4.0, 4);
	double centre[3] = {0.5, 0.5, 1.0}, x = 0, y = 0;
	Render::Project(top, centre, x, y);
	EXPECT_NEAR(x, 101.5, 1e-9);
	EXPECT_NEAR(y, 78.5, 1e-9);

	// Along (1, -1, 1) it is a regular hexagon of area √3 whose six sides are the
	// projections of cube edges, √(2/3) long each: the triangles of three faces meet
	// without gaps and hide the three faces behind them.
	const Render::Picture iso = Render::Draw(cube, Render::View::Iso, 240, 200);
	ExpectCovers(iso, std::sqrt(3.0), 6 * std::sqrt(2.0 / 3.0), 6);
}

TEST(RenderTest, FacesTurnedToTheLightAreBrighter) {
	// The iso view sees the faces +x, -y and +z; the light comes from over the viewer's
	// left shoulder, so +z is lit most, -y less and +x not at all.
	const Render::Picture picture = Render::Draw(UnitCube(), Render::View::Iso, 240, 200);
	double light[3];
	Render::LightDirection(Render::View::Iso, light);
	struct Face {
		const char* name;
		double normal[3];
		double centre[3];
		double brightness = 0;
	};
	Face faces[] = {
	    {"+x", {1, 0, 0}, {1, 0.5, 0.5}}, {"-y", {0, -1, 0}, {0.5, 0, 0.5}}, {"+z", {0, 0, 1}, {0.5, 0.5, 1}}};
	for (Face& face : faces) {
		double x = 0, y = 0;
		Render::Project(picture, face.centre, x, y);
		const USize at = (static_cast<USize>(y) * static_cast<USize>(picture.width) + static_cast<USize>(x)) * 3;
		const double lit = face.normal[0] * light[0] + face.normal[1] * light[1] + face.normal[2] * light[2];
		// The documented shading: 0.3 + 0.7 max(0, n·light) of the grey 0.8, the same in
		// every channel of a face's flat inside.
		const double expected = 255 * 0.8 * (0.3 + 0.7 * std::max(0.0, lit));
		for (int k = 0; k < 3; ++k)
			EXPECT_NEAR(picture.rgb[at + static_cast<USize>(k)], expected, 1.0) << face.name << ", n·light " << lit;
		face.brightness = picture.rgb[at];
	}
	EXPECT_LT(faces[0].brightness, faces[1].brightness); // +x, turned away, below -y
	EXPECT_LT(faces[1].brightness, faces[2].brightness); // -y below +z, the most lit
	EXPECT_LT(light[0], 0.0);                            // +x is turned away from the light
	EXPECT_NEAR(faces[0].brightness, 255 * 0.8 * 0.3, 1.0);
}

} // namespace
