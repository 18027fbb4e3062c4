// Open-format export of the m3d tool: the visible polygons of every placed body as
// triangles with shading normals, texture coordinates and materials, written as Wavefront
// OBJ (with its MTL file and PNG pictures), glTF 2.0 (JSON with the buffer inline) or GLB.
// A material whose texture has loaded pixels shows its picture (PNG: in the buffer of a
// glTF or GLB file, a file named in the MTL file of an OBJ) on meshes with texture
// coordinates, taken as picture units (1 is one picture, v up).
//
// Each distinct body is triangulated once, in its own coordinates; a placement only
// transforms those triangles (OBJ, pictures) or names them with a node matrix (glTF), so
// the work grows with the distinct bodies plus the placements.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/bodies/body/Body.h"
#include "platform/Geometry.h"

#include <functional>
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
	// The model: the same for every format.
	USize bodies = 0;    // placements with visible triangles
	USize distinct = 0;  // distinct bodies among them
	USize triangles = 0; // over all placements
	USize materials = 0; // materials used
	// What the file stores, as an importer without post-processing sees it: meshes of one
	// material each (glTF: the primitives of the distinct meshes; OBJ: the material groups
	// of every placed body), their vertices (three a triangle, none shared) and triangles
	// (glTF: each distinct body's once; OBJ: every placement's).
	USize storedMeshes = 0;
	USize storedVertices = 0;
	USize storedTriangles = 0;
	USize textures = 0; // texture pictures written
};

// A file to write: its path and its bytes.
struct File {
	std::string path;
	std::vector<char> bytes;
};

// Told how far a long step has come: what it does, how much is done of how much.
using ProgressFunction = std::function<void(const char* what, USize done, USize total)>;

// The files of an export to 'path' (an OBJ export adds the MTL file next to it, and the
// PNG pictures of textured materials) and what they hold. Materials carry colour,
// transparency and shininess, and their texture picture when it is loaded.
std::vector<File> Make(const Scene& scene, Format format, const std::string& path, Counts& counts,
                       const ProgressFunction& progress = {});

// A triangle of the model as drawn: corners in model coordinates, their unit shading
// normals, and the colour of its material (0 … 1).
struct Triangle {
	float p[3][3];
	float n[3][3];
	float color[3];
};

// Every visible triangle of the scene, placed.
std::vector<Triangle> Triangles(const Scene& scene, const ProgressFunction& progress = {});

} // namespace Export
