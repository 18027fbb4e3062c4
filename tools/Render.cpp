#include "Render.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Render {

namespace {

struct V3 {
	double x = 0, y = 0, z = 0;
};

V3 operator-(const V3& a, const V3& b) {
	return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(const V3& a, const V3& b) {
	return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(const V3& a, const V3& b) {
	return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Unit(const V3& v) {
	const double l = std::sqrt(Dot(v, v));
	return l > 0 ? V3{v.x / l, v.y / l, v.z / l} : v;
}

// The camera: 'toward' points from the model to the viewer; right and up span the picture.
struct Camera {
	V3 right, up, toward;
};

Camera CameraFor(View view) {
	V3 toward;
	switch (view) {
	case View::Top:
		toward = {0, 0, 1};
		break;
	case View::Front:
		toward = {0, -1, 0};
		break;
	case View::Side:
		toward = {1, 0, 0};
		break;
	case View::Iso:
		toward = Unit({1, -1, 1});
		break;
	}
	const V3 upHint = view == View::Top ? V3{0, 1, 0} : V3{0, 0, 1};
	Camera c;
	c.toward = toward;
	c.right = Unit(Cross(upHint, toward));
	c.up = Cross(toward, c.right);
	return c;
}

// The light comes from over the viewer's left shoulder.
V3 LightFor(const Camera& camera) {
	return Unit({camera.toward.x * 2 - camera.right.x + camera.up.x * 1.5,
	             camera.toward.y * 2 - camera.right.y + camera.up.y * 1.5,
	             camera.toward.z * 2 - camera.right.z + camera.up.z * 1.5});
}

void Put(const V3& v, double out[3]) {
	out[0] = v.x;
	out[1] = v.y;
	out[2] = v.z;
}

} // namespace

void LightDirection(View view, double light[3]) {
	Put(LightFor(CameraFor(view)), light);
}

void Project(const Picture& picture, const double point[3], double& x, double& y) {
	const Fit& f = picture.fit;
	const V3 p{point[0], point[1], point[2]};
	x = f.x0 + (Dot(p, {f.right[0], f.right[1], f.right[2]}) - f.xMin) * f.scale;
	y = picture.height - (f.y0 + (Dot(p, {f.up[0], f.up[1], f.up[2]}) - f.yMin) * f.scale);
}

Picture Draw(const std::vector<Export::Triangle>& triangles, View view, int width, int height,
             const Export::ProgressFunction& progress) {
	Picture picture;
	picture.width = width;
	picture.height = height;
	const USize pixels = static_cast<USize>(width) * static_cast<USize>(height);
	picture.rgb.assign(pixels * 3, 242);
	const Camera camera = CameraFor(view);

	// The projected bounds, to fit the model into the picture.
	constexpr double Infinity = std::numeric_limits<double>::infinity();
	double xMin = Infinity, xMax = -Infinity, yMin = Infinity, yMax = -Infinity;
	for (const auto& t : triangles)
		for (const auto& p : t.p) {
			const V3 v{p[0], p[1], p[2]};
			xMin = std::min(xMin, Dot(v, camera.right));
			xMax = std::max(xMax, Dot(v, camera.right));
			yMin = std::min(yMin, Dot(v, camera.up));
			yMax = std::max(yMax, Dot(v, camera.up));
		}
	if (triangles.empty()) return picture;
	const double margin = 0.05 * std::min(width, height);
	const double scale = std::min((width - 2 * margin) / std::max(xMax - xMin, 1e-9),
	                              (height - 2 * margin) / std::max(yMax - yMin, 1e-9));
	const double x0 = (width - scale * (xMax - xMin)) / 2, y0 = (height - scale * (yMax - yMin)) / 2;
	Put(camera.right, picture.fit.right);
	Put(camera.up, picture.fit.up);
	Put(camera.toward, picture.fit.toward);
	picture.fit.scale = scale;
	picture.fit.x0 = x0;
	picture.fit.y0 = y0;
	picture.fit.xMin = xMin;
	picture.fit.yMin = yMin;

	const V3 light = LightFor(camera);
	std::vector<double> depth(pixels, -std::numeric_limits<double>::infinity());
	std::vector<V3> facing(pixels); // the flat normal of the drawn triangle, for the outlines
	USize drawn = 0;
	for (const auto& t : triangles) {
		if (progress && drawn++ % 4096 == 0) progress("drawing", drawn, triangles.size());
		V3 s[3], n[3], corner[3];
		for (int c = 0; c < 3; ++c) {
			corner[c] = {t.p[c][0], t.p[c][1], t.p[c][2]};
			// Pixel centres at half units, y down.
			s[c] = {x0 + (Dot(corner[c], camera.right) - xMin) * scale,
			        height - (y0 + (Dot(corner[c], camera.up) - yMin) * scale), Dot(corner[c], camera.toward)};
			n[c] = {t.n[c][0], t.n[c][1], t.n[c][2]};
		}
		const V3 flat = Unit(Cross(corner[1] - corner[0], corner[2] - corner[0]));
		const double area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
		if (std::abs(area) < 1e-12) continue;
		const int left = std::max(0, static_cast<int>(std::floor(std::min({s[0].x, s[1].x, s[2].x}))));
		const int right = std::min(width - 1, static_cast<int>(std::ceil(std::max({s[0].x, s[1].x, s[2].x}))));
		const int top = std::max(0, static_cast<int>(std::floor(std::min({s[0].y, s[1].y, s[2].y}))));
		const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max({s[0].y, s[1].y, s[2].y}))));
		for (int py = top; py <= bottom; ++py)
			for (int px = left; px <= right; ++px) {
				const double cx = px + 0.5, cy = py + 0.5;
				double w[3];
				for (int c = 0; c < 3; ++c) {
					const V3& a = s[(c + 1) % 3];
					const V3& b = s[(c + 2) % 3];
					w[c] = ((b.x - a.x) * (cy - a.y) - (cx - a.x) * (b.y - a.y)) / area;
				}
				if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
				const double z = w[0] * s[0].z + w[1] * s[1].z + w[2] * s[2].z;
				const USize at = static_cast<USize>(py) * static_cast<USize>(width) + static_cast<USize>(px);
				if (z <= depth[at]) continue;
				depth[at] = z;
				V3 normal =
				    Unit({w[0] * n[0].x + w[1] * n[1].x + w[2] * n[2].x, w[0] * n[0].y + w[1] * n[1].y + w[2] * n[2].y,
				          w[0] * n[0].z + w[1] * n[1].z + w[2] * n[2].z});
				if (Dot(normal, camera.toward) < 0) normal = {-normal.x, -normal.y, -normal.z}; // a back side
				facing[at] = Dot(flat, camera.toward) < 0 ? V3{-flat.x, -flat.y, -flat.z} : flat;
				const double shade = 0.3 + 0.7 * std::max(0.0, Dot(normal, light));
				for (int k = 0; k < 3; ++k)
					picture.rgb[at * 3 + static_cast<USize>(k)] =
					    static_cast<UInt8>(std::lround(255 * std::clamp(t.color[k] * shade, 0.0, 1.0)));
			}
	}

	// Outlines: where the flat normal turns by more than about 30 degrees, or the depth
	// jumps (one surface passing behind another, or the model's silhouette).
	const double jump = 0.02 * std::max(xMax - xMin, yMax - yMin);
	std::vector<bool> edge(pixels, false);
	for (int py = 0; py < height; ++py)
		for (int px = 0; px < width; ++px) {
			const USize at = static_cast<USize>(py) * static_cast<USize>(width) + static_cast<USize>(px);
			if (std::isinf(depth[at])) continue;
			++picture.covered;
			for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}}) {
				if (px + dx >= width || py + dy >= height) continue;
				const USize next = at + static_cast<USize>(dx) + static_cast<USize>(dy) * static_cast<USize>(width);
				if (std::isinf(depth[next]) || std::abs(depth[next] - depth[at]) > jump ||
				    Dot(facing[at], facing[next]) < 0.866)
					edge[at] = true;
			}
		}
	for (USize at = 0; at < pixels; ++at)
		if (edge[at])
			for (int k = 0; k < 3; ++k)
				picture.rgb[at * 3 + static_cast<USize>(k)] =
				    static_cast<UInt8>(picture.rgb[at * 3 + static_cast<USize>(k)] / 3);
	return picture;
}

bool WritePng(const Picture& picture, const std::string& path) {
	png_image image{};
	image.version = PNG_IMAGE_VERSION;
	image.width = static_cast<png_uint_32>(picture.width);
	image.height = static_cast<png_uint_32>(picture.height);
	image.format = PNG_FORMAT_RGB;
	return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

} // namespace Render
