// Open-format export of the m3d tool: the visible polygons of every placed body as
// triangles with shading normals, texture coordinates and materials, written as Wavefront
// OBJ (with its MTL file), glTF 2.0 (JSON with the buffer inline) or GLB.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/bodies/body/Body.h"
#include "platform/Geometry.h"

#include <string>
#include <vector>

namespace Export {

// One body placed in the model: its coordinates pass through 'tran'.
struct Placement {
	Kit::ConstSharedPtr<Modeler::Body> body;
	TRAN tran;
};

struct Scene {
	Kit::ConstSharedPtr<Modeler::Attributes> attributes;
	std::vector<Placement> placements;
};

enum class Format { Obj, Gltf, Glb };

struct Counts {
	USize bodies = 0;    // placements
	USize distinct = 0;  // distinct bodies (meshes)
	USize triangles = 0; // over all placements
	USize materials = 0;
};

// A file to write: its path and its bytes.
struct File {
	std::string path;
	std::vector<char> bytes;
};

// The files of an export to 'path' (an OBJ export adds the MTL file next to it) and what
// they hold. Textures are not exported: materials carry colour, transparency and shininess.
std::vector<File> Make(const Scene& scene, Format format, const std::string& path, Counts& counts);

// A triangle of the model as drawn: corners in model coordinates, their unit shading
// normals, and the colour of its material (0 … 1).
struct Triangle {
	float p[3][3];
	float n[3][3];
	float color[3];
};

// Every visible triangle of the scene, placed.
std::vector<Triangle> Triangles(const Scene& scene);

} // namespace Export
