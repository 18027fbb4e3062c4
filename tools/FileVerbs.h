// The model-file verbs of the m3d tool. Each returns the process exit code:
//   0 done, 3 a file that cannot be read or written, 4 an invalid or refused model file;
// errors go to stderr naming the file and the reason.
#pragma once

#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

#include <optional>

namespace FileVerbs {

constexpr int FileError = 3;
constexpr int InvalidFile = 4;

// Version, byte order, the header's counts, what a read gives and its bounds.
int Info(Kit::OChannel& out, const char* path);
// What `m3d list` lists: the level of Body::Print, a polygon range (from 1; 0 = all) and a
// body number (from 1; 0 = every body).
struct ListOptions {
	Int16 level = 2;
	Int32 firstPolygon = 0;
	Int32 lastPolygon = 0;
	Int32 body = 0;
};
// The body listings of a model file.
int List(Kit::OChannel& out, const char* path, const ListOptions& options);
// Reads any accepted version and byte order and writes the current version.
int Convert(Kit::OChannel& out, const char* input, const char* output);
// What `m3d export` writes: the format and the output path.
struct ExportOptions {
	int format = 0; // 0 OBJ (with its MTL file), 1 glTF, 2 GLB
	const char* output = nullptr;
};
// The bodies of a model file, or of the sample building when 'input' is null, in an open
// format; prints the counts.
int Export(Kit::OChannel& out, const char* input, const ExportOptions& options);
// What `m3d render` draws: the view (0 iso, 1 top, 2 front, 3 side), the size and the PNG.
struct RenderOptions {
	int view = 0;
	int width = 800;
	int height = 600;
	const char* output = nullptr;
};
// A picture of the bodies of a model file, or of the sample building when 'input' is null.
int Render(Kit::OChannel& out, const char* input, const RenderOptions& options);
// The sample building as a model file.
int WriteDemo(Kit::OChannel& out, const char* path, std::optional<UInt64> seed);

} // namespace FileVerbs
