// Pictures of a model for the m3d tool: a small software rasteriser with a depth buffer,
// shading from the body normals, material colours and dark outlines where the surface
// turns sharply or one surface passes behind another.
#pragma once

#include "Export.h"

#include <string>
#include <vector>

namespace Render {

enum class View { Iso, Top, Front, Side };

// How model coordinates map to the picture: a model point p lands at the picture point
// (x0 + (p·right − xMin)·scale, height − (y0 + (p·up − yMin)·scale)), pixel centres at half
// units, y down; right, up and toward (to the viewer) are the view's unit axes.
struct Fit {
	double right[3] = {}, up[3] = {}, toward[3] = {};
	double scale = 0; // pixels a model unit
	double x0 = 0, y0 = 0, xMin = 0, yMin = 0;
};

struct Picture {
	int width = 0;
	int height = 0;
	std::vector<UInt8> rgb; // row by row from the top, three bytes a pixel
	USize covered = 0;      // pixels on which the model was drawn
	Fit fit;
};

// The scene seen along the view in parallel projection, fitted into the picture with a
// margin of 5% of its smaller side. A surface is shaded by 0.3 + 0.7·max(0, n·light) of its
// material colour, n its normal turned to the viewer, and dark outlines are drawn where the
// surface turns by more than 30 degrees or its depth jumps.
Picture Draw(const std::vector<Export::Triangle>& triangles, View view, int width, int height,
             const Export::ProgressFunction& progress = {});

// The unit vector toward the light of a view: from over the viewer's left shoulder.
void LightDirection(View view, double light[3]);

// Where a model point lands in a picture (x to the right, y down, in pixels).
void Project(const Picture& picture, const double point[3], double& x, double& y);

// Writes the picture as an 8-bit RGB PNG; false when it cannot be written.
bool WritePng(const Picture& picture, const std::string& path);

} // namespace Render
