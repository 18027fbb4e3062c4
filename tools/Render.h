// Pictures of a model for the m3d tool: a small software rasteriser with a depth buffer,
// shading from the body normals, material colours and dark outlines where the surface
// turns sharply or one surface passes behind another.
#pragma once

#include "Export.h"

#include <string>
#include <vector>

namespace Render {

enum class View { Iso, Top, Front, Side };

struct Picture {
	int width = 0;
	int height = 0;
	std::vector<UInt8> rgb; // row by row from the top, three bytes a pixel
	USize covered = 0;      // pixels on which the model was drawn
};

// The scene seen along the view in parallel projection, fitted into the picture with a
// small margin.
Picture Draw(const std::vector<Export::Triangle>& triangles, View view, int width, int height);

// Writes the picture as an 8-bit RGB PNG; false when it cannot be written.
bool WritePng(const Picture& picture, const std::string& path);

} // namespace Render
