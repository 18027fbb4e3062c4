// m3d: the module's command-line tool.
//
//   m3d demo [--seed N] [--write FILE]
//                  start the module, build the built-in sample building into a
//                  disk-cached model, print what it holds, purge and restore it, check
//                  that nothing changed, and stop the module. With a seed the element
//                  identifiers, and so the whole output, are the same on every run. With
//                  --write the building is written to FILE as a model file instead.
//   m3d info FILE  version, byte order, counts, attribute tables and bounds of a model file
//   m3d list FILE [--level N] [--polygons A-B] [--element I]
//                  the body listings of a model file (level 1 counts … 4 everything), only
//                  polygons A to B, only body I
//   m3d convert IN OUT
//                  read a model file of any accepted version and byte order, write the
//                  current version
//   m3d export (FILE | --demo) --format obj|gltf|glb -o OUT
//                  the visible polygons of every body as triangles with normals, texture
//                  coordinates and materials, in an open format; prints the counts
//   m3d render (FILE | --demo) -o OUT.png [--view iso|top|front|side] [--size WxH]
//                  a picture of the model drawn by a small software rasteriser
//   m3d --help     this usage (also VERB --help); m3d --version: the module's version.
//
// Exit codes: 0 success, 1 a failure, 2 a wrong command line, 3 a file that cannot be
// read or written, 4 an invalid or refused model file; messages go to stderr.
#include "Demo.h"
#include "FileVerbs.h"

#include "platform/KitException.h"
#include "platform/StdOutChannel.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: m3d [demo [--seed N] [--write FILE] | info FILE | list FILE [--level N] [--polygons A-B]\n"
    "           [--element I] | convert IN OUT | export (FILE | --demo) --format obj|gltf|glb -o OUT |\n"
    "           render (FILE | --demo) -o OUT.png [--view iso|top|front|side] [--size WxH] |\n"
    "           --help | --version]\n"
    "  demo       build the sample building, purge and restore it, and report;\n"
    "             --seed N makes the element identifiers (and the output) repeatable;\n"
    "             --write FILE writes the building as a model file instead\n"
    "  info       show a model file's version, byte order, counts, attributes and bounds\n"
    "  list       list a model file's bodies: --level 1 (counts) to 4 (everything, default 2),\n"
    "             --polygons A-B only those polygons, --element I only body I\n"
    "  convert    read a model file of any version and byte order, write the current version\n"
    "  export     write the bodies of a model file (or with --demo of the sample building,\n"
    "             each element's bodies placed by its transformation) as triangles with normals,\n"
    "             texture coordinates and materials (colour, transparency, shininess and loaded\n"
    "             texture pictures as PNG): --format obj (with an MTL file and the pictures next\n"
    "             to OUT), gltf or glb (pictures inside)\n"
    "  render     draw the model (or with --demo the sample building) into a PNG picture: shaded\n"
    "             by its normals in its material colours, with outlines; --view iso (default),\n"
    "             top, front or side; --size WxH (default 800x600, each 16 to 8192)\n"
    "  --help     show this text (also after a command)\n"
    "  --version  show the version\n"
    "exit codes: 0 done, 1 failure, 2 wrong command line, 3 unreadable or unwritable file,\n"
    "            4 invalid or refused model file\n";

constexpr int BadArguments = 2;

bool Is(const char* argument, const char* a, const char* b = nullptr) {
	return std::strcmp(argument, a) == 0 || (b != nullptr && std::strcmp(argument, b) == 0);
}

int CommandLineError(const std::string& message) {
	std::fprintf(stderr, "m3d: %s\n%s", message.c_str(), Usage);
	return BadArguments;
}

// Runs a job with standard output as its channel; exceptions that escape it are failures.
int WithOutput(const std::function<int(Kit::OChannel&)>& job) {
	try {
		Kit::StdOutChannel out;
		const int result = job(out);
		if (!out.FlushOutput() || out.GetOutputStatus() != 0) {
			std::fprintf(stderr, "m3d: cannot write the output\n");
			return 1;
		}
		return result;
	} catch (const Kit::KitException& e) {
		std::fprintf(stderr, "m3d: %s\n", e.Describe().c_str());
	} catch (const std::exception& e) {
		std::fprintf(stderr, "m3d: %s\n", e.what());
	}
	return 1;
}

// The arguments after the verb: options with a value, and plain operands.
struct Arguments {
	std::optional<UInt64> seed;
	const char* write = nullptr;
	FileVerbs::ListOptions list;
	FileVerbs::ExportOptions exportOptions;
	FileVerbs::RenderOptions renderOptions;
	bool formatGiven = false;
	bool fromDemo = false;
	std::vector<const char*> operands;
	bool help = false;
};

// A whole decimal number in [low, high].
std::optional<Int64> Number(const char* text, Int64 low, Int64 high) {
	Int64 value = 0;
	const auto [end, error] = std::from_chars(text, text + std::strlen(text), value);
	if (error != std::errc() || *end != '\0' || value < low || value > high) return std::nullopt;
	return value;
}

// The options of `m3d list`; an error message, or nothing.
std::optional<std::string> ParseListOption(const char* option, const char* value, FileVerbs::ListOptions& list) {
	if (Is(option, "--level")) {
		const auto level = Number(value, 1, 4);
		if (!level) return "--level needs a number from 1 to 4, not '" + std::string(value) + "'";
		list.level = static_cast<Int16>(*level);
	} else if (Is(option, "--element")) {
		const auto body = Number(value, 1, 0x7FFFFFFF);
		if (!body) return "--element needs a body number from 1, not '" + std::string(value) + "'";
		list.body = static_cast<Int32>(*body);
	} else {
		const char* dash = std::strchr(value, '-');
		const std::string first(value, dash != nullptr ? dash : value + std::strlen(value));
		const auto a = Number(first.c_str(), 1, 0x7FFFFFFF);
		const auto b = dash != nullptr ? Number(dash + 1, 1, 0x7FFFFFFF) : a;
		if (!a || !b || *b < *a) return "--polygons needs a range A-B from 1, not '" + std::string(value) + "'";
		list.firstPolygon = static_cast<Int32>(*a);
		list.lastPolygon = static_cast<Int32>(*b);
	}
	return std::nullopt;
}

// The options of `m3d render`; an error message, or nothing.
std::optional<std::string> ParseRenderOption(const char* option, const char* value, FileVerbs::RenderOptions& r) {
	if (Is(option, "--view")) {
		const char* names[] = {"iso", "top", "front", "side"};
		for (int v = 0; v < 4; ++v)
			if (Is(value, names[v])) {
				r.view = v;
				return std::nullopt;
			}
		return "--view needs iso, top, front or side, not '" + std::string(value) + "'";
	}
	const char* x = std::strchr(value, 'x');
	const std::string w(value, x != nullptr ? x : value);
	const auto width = Number(w.c_str(), 16, 8192);
	const auto height = x != nullptr ? Number(x + 1, 16, 8192) : std::nullopt;
	if (!width || !height) return "--size needs WxH, each from 16 to 8192, not '" + std::string(value) + "'";
	r.width = static_cast<int>(*width);
	r.height = static_cast<int>(*height);
	return std::nullopt;
}

// Parses the arguments after the verb; an error message, or nothing.
std::optional<std::string> Parse(int argc, char** argv, bool demo, bool list, bool exporting, bool rendering,
                                 Arguments& a) {
	for (int i = 2; i < argc; ++i) {
		const char* arg = argv[i];
		if (Is(arg, "--help", "-h")) {
			a.help = true;
		} else if ((exporting || rendering) && Is(arg, "--demo")) {
			a.fromDemo = true;
		} else if ((exporting || rendering) && Is(arg, "-o", "--output")) {
			if (i + 1 == argc) return std::string("-o needs a file name");
			a.exportOptions.output = a.renderOptions.output = argv[++i];
		} else if (rendering && (Is(arg, "--view") || Is(arg, "--size"))) {
			if (i + 1 == argc) return std::string(arg) + " needs a value";
			if (auto error = ParseRenderOption(arg, argv[i + 1], a.renderOptions)) return error;
			++i;
		} else if (exporting && Is(arg, "--format")) {
			if (i + 1 == argc) return std::string("--format needs obj, gltf or glb");
			const char* value = argv[++i];
			a.formatGiven = true;
			if (Is(value, "obj"))
				a.exportOptions.format = 0;
			else if (Is(value, "gltf"))
				a.exportOptions.format = 1;
			else if (Is(value, "glb"))
				a.exportOptions.format = 2;
			else
				return "--format needs obj, gltf or glb, not '" + std::string(value) + "'";
		} else if (list && (Is(arg, "--level") || Is(arg, "--polygons") || Is(arg, "--element"))) {
			if (i + 1 == argc) return std::string(arg) + " needs a value";
			if (auto error = ParseListOption(arg, argv[i + 1], a.list)) return error;
			++i;
		} else if (demo && Is(arg, "--seed")) {
			if (i + 1 == argc) return std::string("--seed needs a number");
			const char* text = argv[++i];
			UInt64 value = 0;
			const auto [end, error] = std::from_chars(text, text + std::strlen(text), value);
			if (error != std::errc() || *end != '\0') return "--seed needs a number, not '" + std::string(text) + "'";
			a.seed = value;
		} else if (demo && Is(arg, "--write")) {
			if (i + 1 == argc) return std::string("--write needs a file name");
			a.write = argv[++i];
		} else if (!demo && arg[0] != '-') {
			a.operands.push_back(arg);
		} else {
			return "unexpected argument '" + std::string(arg) + "'";
		}
	}
	return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
	const char* verb = argc < 2 ? "demo" : argv[1];
	if (Is(verb, "--help", "help") || Is(verb, "-h")) {
		std::fputs(Usage, stdout);
		return std::fflush(stdout) == 0 ? 0 : 1;
	}
	if (Is(verb, "--version")) {
		std::printf("m3d %s\n", M3D_VERSION);
		return std::fflush(stdout) == 0 ? 0 : 1;
	}
	const bool demo = Is(verb, "demo");
	const bool list = Is(verb, "list");
	const bool exporting = Is(verb, "export");
	const bool rendering = Is(verb, "render");
	const USize operands = Is(verb, "info") || list ? 1 : Is(verb, "convert") ? 2 : 0;
	if (!demo && !exporting && !rendering && operands == 0)
		return CommandLineError("unknown command '" + std::string(verb) + "'");
	Arguments a;
	if (const auto error = Parse(argc, argv, demo, list, exporting, rendering, a)) return CommandLineError(*error);
	if (a.help) {
		std::fputs(Usage, stdout);
		return std::fflush(stdout) == 0 ? 0 : 1;
	}
	if (rendering) {
		if (a.operands.size() + (a.fromDemo ? 1 : 0) != 1)
			return CommandLineError("render needs one model file or --demo");
		if (a.renderOptions.output == nullptr) return CommandLineError("render needs -o OUT.png");
		return WithOutput([&](Kit::OChannel& out) {
			return FileVerbs::Render(out, a.fromDemo ? nullptr : a.operands[0], a.renderOptions);
		});
	}
	if (exporting) {
		if (a.operands.size() + (a.fromDemo ? 1 : 0) != 1)
			return CommandLineError("export needs one model file or --demo");
		if (!a.formatGiven) return CommandLineError("export needs --format obj, gltf or glb");
		if (a.exportOptions.output == nullptr) return CommandLineError("export needs -o OUT");
		return WithOutput([&](Kit::OChannel& out) {
			return FileVerbs::Export(out, a.fromDemo ? nullptr : a.operands[0], a.exportOptions);
		});
	}
	if (!demo && a.operands.size() != operands)
		return CommandLineError(std::string(verb) +
		                        (operands == 1 ? " needs one file" : " needs an input and an output file"));

	return WithOutput([&](Kit::OChannel& out) {
		if (demo) return a.write != nullptr ? FileVerbs::WriteDemo(out, a.write, a.seed) : RunDemo(out, a.seed);
		if (list) return FileVerbs::List(out, a.operands[0], a.list);
		if (operands == 1) return FileVerbs::Info(out, a.operands[0]);
		return FileVerbs::Convert(out, a.operands[0], a.operands[1]);
	});
}
