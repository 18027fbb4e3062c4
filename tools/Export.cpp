#include "Export.h"

#include "Model3D/attributes/records/AttributeRecords.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/bodies/records/PGON.h"
#include "platform/BMMemory.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>

namespace Export {

namespace {

using Modeler::Body;
using Modeler::PGON;
using Vector = Vector3dTpl<double>;

// One triangle corner: position, unit normal, texture coordinates.
struct Corner {
	float p[3];
	float n[3];
	float uv[2];
};

// The triangles of one material, three corners each.
struct Group {
	Int32 material = 0;
	std::vector<Corner> corners;
};

// The visible triangles of one body in its own coordinates, grouped by material.
struct Mesh {
	bool hasUV = false;
	std::vector<Group> groups;
	USize triangles = 0;
};

Vector Unit(const Vector& v, const Vector& fallback) {
	const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
	if (!(length > 1e-12)) return fallback;
	return v / length;
}

Vector Cross(const Vector& a, const Vector& b) {
	return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The visible polygons of a body as triangles from the decomposition cache, in the body's
// coordinates. The material of a polygon is its own, else the body's; one outside the
// store's table becomes 0 (the default material).
Mesh Triangulate(const Body& body, UInt32 materialCount) {
	Mesh mesh;
	mesh.hasUV = body.HasTextureVertices() && body.GetTextureVertexCount() == body.GetVertexCount();
	std::map<Int32, USize> groupOf;
	std::vector<std::pair<Int32, UInt32>> cornerOf; // vertex -> poly-edge position
	for (Int32 p = 0; p < static_cast<Int32>(body.GetPolygonCount()); ++p) {
		const PGON& pgon = body.GetConstPolygon(p);
		if (pgon.IsInvisible()) continue;
		const Int32 triangles = pgon.GetTriangleCount(body);
		if (triangles <= 0) continue;
		Int32 material = pgon.iumat > 0 ? pgon.iumat : body.GetMaterialIdx();
		if (material < 0 || static_cast<UInt32>(material) > materialCount) material = 0;
		auto [where, added] = groupOf.try_emplace(material, mesh.groups.size());
		if (added) mesh.groups.push_back(Group{material, {}});
		Group& group = mesh.groups[where->second];
		group.corners.reserve(group.corners.size() + 3 * static_cast<USize>(triangles));

		const bool curved = pgon.IsCurved();
		cornerOf.clear();
		if (curved) {
			for (Int32 k = 0; k < pgon.GetEdgeCount(); ++k) {
				const Int32 v = body.GetBodyVertIdxFromPolyVertIdx(pgon.fpedg + k);
				if (v >= 0) cornerOf.emplace_back(v, static_cast<UInt32>(k));
			}
		}
		const Vector flat = pgon.GetNormalVector(body, nullptr);
		for (Int32 t = 0; t < triangles; ++t) {
			Int32 v[3];
			Vector at[3];
			for (Int32 c = 0; c < 3; ++c) {
				v[c] = pgon.GetTriangleVertexIndex(body, t, c);
				at[c] = body.GetVertexPoint(v[c], nullptr);
			}
			const Vector facing = Unit(Cross(at[1] - at[0], at[2] - at[0]), Vector{0, 0, 1});
			const Vector polygonNormal = Unit(flat, facing);
			for (Int32 c = 0; c < 3; ++c) {
				Vector n = polygonNormal;
				if (curved) {
					const auto found =
					    std::find_if(cornerOf.begin(), cornerOf.end(), [&](const auto& e) { return e.first == v[c]; });
					if (found != cornerOf.end())
						n = Unit(pgon.GetNormalVectorByVertex(body, p, found->second, nullptr), polygonNormal);
				}
				Corner corner{};
				corner.p[0] = static_cast<float>(at[c].x);
				corner.p[1] = static_cast<float>(at[c].y);
				corner.p[2] = static_cast<float>(at[c].z);
				corner.n[0] = static_cast<float>(n.x);
				corner.n[1] = static_cast<float>(n.y);
				corner.n[2] = static_cast<float>(n.z);
				if (mesh.hasUV) {
					const TEVE& uv = body.GetConstTextureVertex(v[c]);
					corner.uv[0] = uv.u;
					corner.uv[1] = uv.v;
				}
				group.corners.push_back(corner);
			}
		}
		mesh.triangles += static_cast<USize>(triangles);
	}
	return mesh;
}

// The meshes of the distinct bodies of a scene, each triangulated once, and the mesh of
// each placement (-1: its body has no visible triangle).
struct MeshTable {
	std::vector<Mesh> meshes;
	std::vector<int> meshOf;
};

MeshTable Meshes(const Scene& scene, UInt32 materialCount, const ProgressFunction& progress) {
	MeshTable table;
	table.meshOf.reserve(scene.placements.size());
	std::unordered_map<const Body*, int> known;
	const USize total = scene.placements.size();
	for (USize i = 0; i < total; ++i) {
		const Body* body = scene.placements[i].body.Get();
		auto [where, added] = known.try_emplace(body, -1);
		if (added) {
			Mesh mesh = Triangulate(*body, materialCount);
			if (mesh.triangles > 0) {
				where->second = static_cast<int>(table.meshes.size());
				table.meshes.push_back(std::move(mesh));
			}
		}
		table.meshOf.push_back(where->second);
		if (progress && i % 256 == 0) progress("triangulating", i, total);
	}
	return table;
}

// A placement's transformation of points, and of normals (by the cofactor matrix, the
// inverse transpose up to a positive factor), and whether it mirrors (which turns the
// winding of the triangles).
class Placed {
public:
	explicit Placed(const TRAN& tran) {
		std::copy(tran.matrix, tran.matrix + 12, m);
		const Vector a{m[0], m[1], m[2]}, b{m[4], m[5], m[6]}, c{m[8], m[9], m[10]};
		const double det =
		    a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
		mirrored = det < 0;
		const double sign = mirrored ? -1.0 : 1.0;
		const Vector rows[3] = {Cross(b, c), Cross(c, a), Cross(a, b)};
		for (USize r = 0; r < 3; ++r) {
			normal[3 * r] = sign * rows[r].x;
			normal[3 * r + 1] = sign * rows[r].y;
			normal[3 * r + 2] = sign * rows[r].z;
		}
	}

	bool Mirrored() const { return mirrored; }

	// The corner placed: position, unit normal; the texture coordinates stay.
	Corner operator()(const Corner& in) const {
		Corner out = in;
		double n[3];
		for (USize r = 0; r < 3; ++r) {
			out.p[r] =
			    static_cast<float>(m[4 * r] * in.p[0] + m[4 * r + 1] * in.p[1] + m[4 * r + 2] * in.p[2] + m[4 * r + 3]);
			n[r] = normal[3 * r] * in.n[0] + normal[3 * r + 1] * in.n[1] + normal[3 * r + 2] * in.n[2];
		}
		const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
		if (length > 1e-12)
			for (USize r = 0; r < 3; ++r)
				out.n[r] = static_cast<float>(n[r] / length);
		return out;
	}

private:
	double m[12] = {};
	double normal[9] = {};
	bool mirrored = false;
};

// The materials in use, in order of their index (0, the default, first when used). A
// material with a loaded texture is used in two ways: on meshes with texture coordinates
// it shows its picture, on the others only its colour.
struct Material {
	std::string name;
	float color[3] = {0.8f, 0.8f, 0.8f};
	float opacity = 1.0f;
	float shininess = 0.0f; // 0 … 1
	USize picture = 0;      // 1 + the index of its picture among the written ones; 0: none
};

// A texture picture to write: the texture's index in the store and its PNG bytes.
struct Picture {
	UInt32 texture = 0;
	std::vector<char> png;
};

std::string Clean(const char* text) {
	std::string s;
	for (const char* c = text; *c != '\0'; ++c)
		s += (std::isalnum(static_cast<unsigned char>(*c)) != 0 || *c == '-' || *c == '_') ? *c : '_';
	return s;
}

// The pixels of a loaded texture as an RGB PNG (the texture's alpha bytes, a mask or the
// margins of an extended picture, are left out); empty when the texture has no pixels.
std::vector<char> TexturePng(const RTXT& texture) {
	const USize width = texture.pixelWidth > 0 ? static_cast<USize>(texture.pixelWidth) : 0;
	const USize height = texture.pixelHeight > 0 ? static_cast<USize>(texture.pixelHeight) : 0;
	if (texture.pixels == nullptr || (texture.status & RTXTPixelsNotLoaded) != 0 || width == 0 || height == 0 ||
	    BMGetHandleSize(texture.pixels) < static_cast<Int64>(width * height * 4))
		return {};
	std::vector<UInt8> rgb(width * height * 3);
	const char* argb = *texture.pixels;
	for (USize i = 0; i < width * height; ++i)
		for (USize k = 0; k < 3; ++k)
			rgb[3 * i + k] = static_cast<UInt8>(argb[4 * i + 1 + k]);
	png_image image{};
	image.version = PNG_IMAGE_VERSION;
	image.width = static_cast<png_uint_32>(width);
	image.height = static_cast<png_uint_32>(height);
	image.format = PNG_FORMAT_RGB;
	png_alloc_size_t size = 0;
	if (png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr) == 0) return {};
	std::vector<char> png(size);
	if (png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr) == 0) return {};
	png.resize(size);
	return png;
}

// The materials of a set of meshes and the pictures of their loaded textures.
class MaterialTable {
public:
	// Without 'withPictures' no picture is made and every material shows its colour.
	MaterialTable(const std::vector<Mesh>& meshes, const Modeler::Attributes::Viewer& store, bool withPictures = true) {
		std::map<Int32, USize> pictureOf; // texture -> 1 + picture index, 0 when it has none
		for (const Mesh& mesh : meshes)
			for (const Group& g : mesh.groups) {
				bool textured = false;
				if (withPictures && g.material > 0 && mesh.hasUV) {
					const Int32 texture = store.GetConstMaterialPtr(static_cast<UInt32>(g.material))->textureIdx;
					if (texture > 0 && static_cast<UInt32>(texture) <= store.GetTextureCount()) {
						auto [where, added] = pictureOf.try_emplace(texture, 0);
						if (added) {
							Picture picture{static_cast<UInt32>(texture),
							                TexturePng(*store.GetConstTexturePtr(static_cast<UInt32>(texture)))};
							if (!picture.png.empty()) {
								pictures.push_back(std::move(picture));
								where->second = pictures.size();
							}
						}
						textured = where->second > 0;
					}
				}
				indexOf.emplace(std::pair{g.material, textured}, 0);
			}
		for (auto& [key, position] : indexOf) {
			const auto& [index, textured] = key;
			position = materials.size();
			Material m;
			if (index == 0) {
				m.name = "default";
			} else {
				const UMAT* umat = store.GetConstMaterialPtr(static_cast<UInt32>(index));
				m.name = "m" + std::to_string(index) + "_" + Clean(umat->name) + (textured ? "_textured" : "");
				m.color[0] = static_cast<float>(umat->surfaceColor.red) / 65535.0f;
				m.color[1] = static_cast<float>(umat->surfaceColor.green) / 65535.0f;
				m.color[2] = static_cast<float>(umat->surfaceColor.blue) / 65535.0f;
				m.opacity = 1.0f - static_cast<float>(std::clamp(umat->transparencyPc, Int16(0), Int16(100))) / 100.0f;
				m.shininess = static_cast<float>(std::clamp(umat->shininess, Int16(0), Int16(10000))) / 10000.0f;
				if (textured) m.picture = pictureOf.at(umat->textureIdx);
			}
			materials.push_back(m);
		}
	}

	// The material of a group of a mesh, as an index of Materials().
	USize Of(const Mesh& mesh, const Group& g) const {
		const auto found = indexOf.find({g.material, true});
		return found != indexOf.end() && mesh.hasUV ? found->second : indexOf.at({g.material, false});
	}
	const std::vector<Material>& Materials() const { return materials; }
	const std::vector<Picture>& Pictures() const { return pictures; }

private:
	std::map<std::pair<Int32, bool>, USize> indexOf; // (material, textured) -> position
	std::vector<Material> materials;
	std::vector<Picture> pictures;
};

void Append(std::vector<char>& bytes, const std::string& text) {
	bytes.insert(bytes.end(), text.begin(), text.end());
}

void Append(std::vector<char>& bytes, const char* text) {
	bytes.insert(bytes.end(), text, text + std::strlen(text));
}

template <typename... Args> std::string Printed(const char* format, Args... args) {
	const int n = std::snprintf(nullptr, 0, format, args...);
	if (n <= 0) return {};
	std::string text(static_cast<USize>(n) + 1, '\0');
	std::snprintf(text.data(), text.size(), format, args...);
	text.pop_back();
	return text;
}

// A number in fixed notation with six decimals, as "%.6f" writes it, only faster.
void AppendFixed(std::vector<char>& bytes, float value) {
	char text[64];
	const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, 6);
	bytes.insert(bytes.end(), text, end.ptr);
}

void AppendNumber(std::vector<char>& bytes, USize value) {
	char text[24];
	const auto end = std::to_chars(text, text + sizeof text, value);
	bytes.insert(bytes.end(), text, end.ptr);
}

// A line "key x y z" or "key u v" of fixed numbers.
void AppendLine(std::vector<char>& bytes, const char* key, const float* values, int count) {
	Append(bytes, key);
	for (int k = 0; k < count; ++k) {
		bytes.push_back(' ');
		AppendFixed(bytes, values[k]);
	}
	bytes.push_back('\n');
}

// The files as a list, moved there: an initialiser list would copy their bytes.
template <typename... Each> std::vector<File> Files(Each&&... each) {
	std::vector<File> files;
	files.reserve(sizeof...(each));
	(files.push_back(std::forward<Each>(each)), ...);
	return files;
}

std::string BaseName(const std::string& path) {
	const USize slash = path.find_last_of('/');
	return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<File> MakeObj(const Scene& scene, const std::string& path, Counts& counts,
                          const ProgressFunction& progress) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	const MeshTable table = Meshes(scene, store.GetMaterialCount(), progress);
	const MaterialTable materialTable(table.meshes, store);
	const std::vector<Material>& materials = materialTable.Materials();
	std::vector<bool> used(table.meshes.size(), false);
	for (const int mesh : table.meshOf) {
		if (mesh < 0) continue;
		const Mesh& m = table.meshes[static_cast<USize>(mesh)];
		++counts.bodies;
		counts.triangles += m.triangles;
		counts.storedMeshes += m.groups.size();
		used[static_cast<USize>(mesh)] = true;
	}
	counts.distinct = static_cast<USize>(std::count(used.begin(), used.end(), true));
	counts.materials = materials.size();
	counts.storedTriangles = counts.triangles;
	counts.storedVertices = 3 * counts.triangles;
	counts.textures = materialTable.Pictures().size();

	std::string base = path;
	const USize dot = base.find_last_of('.');
	if (dot != std::string::npos && dot > base.find_last_of('/') + 1) base.erase(dot);
	const std::string mtlPath = base + ".mtl";

	// The texture pictures are PNG files next to the MTL file, named after it.
	std::vector<File> pictures;
	for (const Picture& picture : materialTable.Pictures())
		pictures.push_back(File{base + "_texture" + std::to_string(picture.texture) + ".png", picture.png});
	File mtl{mtlPath, {}};
	Append(mtl.bytes, "# m3d export: materials\n");
	for (const Material& m : materials) {
		Append(mtl.bytes, "\nnewmtl " + m.name + "\n");
		Append(mtl.bytes, Printed("Ka %.4f %.4f %.4f\n", m.color[0], m.color[1], m.color[2]));
		// A picture takes the place of the diffuse colour, which would tint it.
		if (m.picture > 0)
			Append(mtl.bytes, "Kd 1.0000 1.0000 1.0000\nmap_Kd " + BaseName(pictures[m.picture - 1].path) + "\n");
		else
			Append(mtl.bytes, Printed("Kd %.4f %.4f %.4f\n", m.color[0], m.color[1], m.color[2]));
		Append(mtl.bytes, Printed("Ks %.4f %.4f %.4f\n", m.shininess, m.shininess, m.shininess));
		Append(mtl.bytes, Printed("Ns %.1f\nd %.4f\nillum 2\n", m.shininess * 1000.0, m.opacity));
	}

	File obj{path, {}};
	// Room for every line (a corner's v, vn and vt lines take about 80 bytes, a face line
	// about 50), so that the text is not moved while it grows.
	obj.bytes.reserve(counts.triangles * (3 * 90 + 60) + 4096);
	Append(obj.bytes, Printed("# m3d export: %zu bodies, %zu triangles, %zu materials\n", counts.bodies,
	                          counts.triangles, counts.materials));
	Append(obj.bytes, "mtllib " + BaseName(mtlPath) + "\n");
	USize next = 1; // the number of the next v (vn and vt run in step)
	const USize total = scene.placements.size();
	for (USize i = 0; i < total; ++i) {
		if (progress && i % 256 == 0) progress("writing", i, total);
		if (table.meshOf[i] < 0) continue;
		const Mesh& mesh = table.meshes[static_cast<USize>(table.meshOf[i])];
		const Placed placed(scene.placements[i].tran);
		// A mirroring placement turns the winding: the corners are written the other way.
		const USize order[3] = {0, placed.Mirrored() ? 2u : 1u, placed.Mirrored() ? 1u : 2u};
		Append(obj.bytes, "o body_");
		AppendNumber(obj.bytes, i + 1);
		obj.bytes.push_back('\n');
		for (const Group& g : mesh.groups) {
			Append(obj.bytes, "usemtl " + materials[materialTable.Of(mesh, g)].name + "\n");
			for (USize t = 0; t < g.corners.size(); t += 3)
				for (const USize c : order) {
					const Corner corner = placed(g.corners[t + c]);
					AppendLine(obj.bytes, "v", corner.p, 3);
					AppendLine(obj.bytes, "vn", corner.n, 3);
					if (mesh.hasUV) AppendLine(obj.bytes, "vt", corner.uv, 2);
				}
			for (USize t = 0; t < g.corners.size(); t += 3, next += 3) {
				Append(obj.bytes, "f");
				for (USize c = next; c < next + 3; ++c) {
					obj.bytes.push_back(' ');
					AppendNumber(obj.bytes, c);
					Append(obj.bytes, mesh.hasUV ? "/" : "//");
					if (mesh.hasUV) {
						AppendNumber(obj.bytes, c);
						obj.bytes.push_back('/');
					}
					AppendNumber(obj.bytes, c);
				}
				obj.bytes.push_back('\n');
			}
		}
	}
	std::vector<File> files = Files(std::move(obj), std::move(mtl));
	for (File& picture : pictures)
		files.push_back(std::move(picture));
	return files;
}

// ---- glTF ---------------------------------------------------------------------------------

std::string Base64(const std::vector<char>& bytes) {
	static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
	std::string s;
	s.reserve((bytes.size() + 2) / 3 * 4);
	for (USize i = 0; i < bytes.size(); i += 3) {
		UInt32 w = static_cast<UInt8>(bytes[i]) << 16;
		if (i + 1 < bytes.size()) w |= static_cast<UInt32>(static_cast<UInt8>(bytes[i + 1])) << 8;
		if (i + 2 < bytes.size()) w |= static_cast<UInt8>(bytes[i + 2]);
		s += digits[(w >> 18) & 63];
		s += digits[(w >> 12) & 63];
		s += i + 1 < bytes.size() ? digits[(w >> 6) & 63] : '=';
		s += i + 2 < bytes.size() ? digits[w & 63] : '=';
	}
	return s;
}

// Appends "key":[item,item,…] to the JSON text.
void AppendArray(std::string& json, const char* key, const std::vector<std::string>& items) {
	USize size = json.size() + std::strlen(key) + 5;
	for (const std::string& item : items)
		size += item.size() + 1;
	json.reserve(size);
	json += '"';
	json += key;
	json += "\":[";
	for (USize i = 0; i < items.size(); ++i) {
		if (i > 0) json += ',';
		json += items[i];
	}
	json += ']';
}

bool IsIdentity(const TRAN& t) {
	static const double identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
	for (int i = 0; i < 12; ++i)
		if (std::abs(t.matrix[i] - identity[i]) > 1e-12) return false;
	return true;
}

// The JSON document and binary buffer of a glTF export.
struct Gltf {
	std::string json;
	std::vector<char> bin;
};

Gltf MakeGltf(const Scene& scene, Counts& counts, const ProgressFunction& progress) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	const MeshTable table = Meshes(scene, store.GetMaterialCount(), progress);
	const std::vector<Mesh>& meshes = table.meshes;
	std::vector<std::pair<int, const TRAN*>> nodes;
	nodes.reserve(scene.placements.size());
	for (USize i = 0; i < scene.placements.size(); ++i) {
		const int mesh = table.meshOf[i];
		if (mesh < 0) continue;
		nodes.emplace_back(mesh, &scene.placements[i].tran);
		counts.triangles += meshes[static_cast<USize>(mesh)].triangles;
	}
	const MaterialTable materialTable(meshes, store);
	const std::vector<Material>& materials = materialTable.Materials();
	counts.bodies = nodes.size();
	counts.distinct = meshes.size();
	counts.materials = materials.size();
	counts.textures = materialTable.Pictures().size();
	for (const Mesh& mesh : meshes) {
		counts.storedMeshes += mesh.groups.size();
		counts.storedTriangles += mesh.triangles;
	}
	counts.storedVertices = 3 * counts.storedTriangles;

	Gltf out;
	USize floats = 0;
	for (const Mesh& mesh : meshes)
		for (const Group& g : mesh.groups)
			floats += g.corners.size() * (mesh.hasUV ? 8 : 6);
	out.bin.reserve(floats * sizeof(float));
	std::vector<std::string> views, accessors, meshTexts, nodeTexts, materialTexts;
	// A float attribute of a group (component offset 'first', 'width' components) as a
	// buffer view and accessor; returns the accessor index.
	auto attribute = [&](const Group& g, int first, int width, const char* type, bool bounds) {
		const USize offset = out.bin.size();
		float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
		for (const Corner& c : g.corners) {
			const float* values = reinterpret_cast<const float*>(&c) + first;
			for (int k = 0; k < width; ++k) {
				low[k] = std::min(low[k], values[k]);
				high[k] = std::max(high[k], values[k]);
			}
			// glTF's texture coordinates run down from the picture's top, the model's up.
			const float uv[2] = {values[0], 1.0f - values[1]};
			const char* raw = reinterpret_cast<const char*>(first == 6 ? uv : values);
			out.bin.insert(out.bin.end(), raw, raw + width * sizeof(float));
		}
		views.push_back(Printed(R"({"buffer":0,"byteOffset":%zu,"byteLength":%zu,"target":34962})", offset,
		                        out.bin.size() - offset));
		std::string accessor = Printed(R"({"bufferView":%zu,"componentType":5126,"count":%zu,"type":"%s")",
		                               views.size() - 1, g.corners.size(), type);
		if (bounds)
			accessor += Printed(R"(,"min":[%.9g,%.9g,%.9g],"max":[%.9g,%.9g,%.9g])", low[0], low[1], low[2], high[0],
			                    high[1], high[2]);
		accessors.push_back(accessor + "}");
		return accessors.size() - 1;
	};
	static_assert(sizeof(Corner) == 8 * sizeof(float));
	for (const Mesh& mesh : meshes) {
		std::vector<std::string> primitives;
		for (const Group& g : mesh.groups) {
			const USize position = attribute(g, 0, 3, "VEC3", true);
			const USize normal = attribute(g, 3, 3, "VEC3", false);
			std::string attributes = Printed(R"("POSITION":%zu,"NORMAL":%zu)", position, normal);
			if (mesh.hasUV) attributes += Printed(R"(,"TEXCOORD_0":%zu)", attribute(g, 6, 2, "VEC2", false));
			primitives.push_back(Printed(R"({"attributes":{%s},"material":%zu,"mode":4})", attributes.c_str(),
			                             materialTable.Of(mesh, g)));
		}
		std::string text = "{";
		AppendArray(text, "primitives", primitives);
		meshTexts.push_back(text + "}");
	}
	nodeTexts.reserve(nodes.size() + 1);
	for (const auto& [mesh, tran] : nodes) {
		std::string node = R"({"mesh":)" + std::to_string(mesh);
		if (!IsIdentity(*tran)) {
			// Column by column, as glTF stores a matrix: the model's rows are its columns.
			const double* m = tran->matrix;
			node += R"(,"matrix":[)";
			for (const int column : {0, 1, 2, 3}) {
				for (const int row : {0, 1, 2}) {
					char text[32];
					node.append(text, std::to_chars(text, text + sizeof text, m[4 * row + column],
					                                std::chars_format::general, 9)
					                      .ptr);
					node += ',';
				}
				node += column < 3 ? "0," : "1]";
			}
		}
		nodeTexts.push_back(node + "}");
	}
	// The texture pictures: PNG bytes in the buffer, each an image and a texture that
	// repeats it.
	std::vector<std::string> images, textures;
	for (const Picture& picture : materialTable.Pictures()) {
		out.bin.resize((out.bin.size() + 3) / 4 * 4, '\0');
		views.push_back(
		    Printed(R"({"buffer":0,"byteOffset":%zu,"byteLength":%zu})", out.bin.size(), picture.png.size()));
		out.bin.insert(out.bin.end(), picture.png.begin(), picture.png.end());
		images.push_back(Printed(R"({"name":"texture%u","bufferView":%zu,"mimeType":"image/png"})",
		                         static_cast<unsigned>(picture.texture), views.size() - 1));
		textures.push_back(Printed(R"({"sampler":0,"source":%zu})", images.size() - 1));
	}
	for (const Material& m : materials) {
		// A picture takes the place of the colour, which would tint it.
		const float white[3] = {1.0f, 1.0f, 1.0f};
		const float* color = m.picture > 0 ? white : m.color;
		std::string text = Printed(R"({"name":"%s","pbrMetallicRoughness":{"baseColorFactor":[%.4f,%.4f,%.4f,%.4f],)",
		                           m.name.c_str(), color[0], color[1], color[2], m.opacity);
		if (m.picture > 0) text += Printed(R"("baseColorTexture":{"index":%zu},)", m.picture - 1);
		text += Printed(R"("metallicFactor":0,"roughnessFactor":%.4f})", 1.0f - m.shininess);
		if (m.opacity < 1.0f) text += R"(,"alphaMode":"BLEND")";
		materialTexts.push_back(text + "}");
	}
	// The model is z-up; glTF is y-up: a root node turns it.
	std::string root = R"({"name":"model","rotation":[-0.70710678,0,0,0.70710678])";
	if (!nodeTexts.empty()) {
		std::vector<std::string> children;
		for (USize i = 0; i < nodeTexts.size(); ++i)
			children.push_back(std::to_string(i + 1));
		AppendArray(root += ',', "children", children);
	}
	nodeTexts.insert(nodeTexts.begin(), root + "}");

	out.json = R"({"asset":{"version":"2.0","generator":"m3d export"},"scene":0,"scenes":[{"nodes":[0]}],)";
	AppendArray(out.json, "nodes", nodeTexts);
	if (!meshTexts.empty()) AppendArray(out.json += ',', "meshes", meshTexts);
	if (!materialTexts.empty()) AppendArray(out.json += ',', "materials", materialTexts);
	if (!textures.empty()) {
		AppendArray(out.json += ',', "textures", textures);
		AppendArray(out.json += ',', "images", images);
		out.json += R"(,"samplers":[{"magFilter":9729,"minFilter":9987,"wrapS":10497,"wrapT":10497}])";
	}
	if (!accessors.empty()) {
		AppendArray(out.json += ',', "accessors", accessors);
		AppendArray(out.json += ',', "bufferViews", views);
		out.json += Printed(R"(,"buffers":[{"byteLength":%zu@}])", out.bin.size());
	}
	out.json += "}";
	return out;
}

void PutWord(std::vector<char>& bytes, UInt32 word) {
	for (int i = 0; i < 4; ++i)
		bytes.push_back(static_cast<char>((word >> (8 * i)) & 0xFF));
}

} // namespace

std::vector<Triangle> Triangles(const Scene& scene, const ProgressFunction& progress) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	const MeshTable table = Meshes(scene, store.GetMaterialCount(), progress);
	const MaterialTable materialTable(table.meshes, store, false);
	const std::vector<Material>& materials = materialTable.Materials();
	std::vector<Triangle> triangles;
	USize count = 0;
	for (const int mesh : table.meshOf)
		if (mesh >= 0) count += table.meshes[static_cast<USize>(mesh)].triangles;
	triangles.reserve(count);
	for (USize i = 0; i < scene.placements.size(); ++i) {
		if (progress && i % 256 == 0) progress("placing", i, scene.placements.size());
		if (table.meshOf[i] < 0) continue;
		const Placed placed(scene.placements[i].tran);
		const Mesh& mesh = table.meshes[static_cast<USize>(table.meshOf[i])];
		for (const Group& g : mesh.groups) {
			const Material& m = materials[materialTable.Of(mesh, g)];
			for (USize t = 0; t < g.corners.size(); t += 3) {
				Triangle triangle{};
				for (USize c = 0; c < 3; ++c) {
					const Corner corner = placed(g.corners[t + c]);
					std::copy(corner.p, corner.p + 3, triangle.p[c]);
					std::copy(corner.n, corner.n + 3, triangle.n[c]);
				}
				std::copy(m.color, m.color + 3, triangle.color);
				triangles.push_back(triangle);
			}
		}
	}
	return triangles;
}

std::vector<File> Make(const Scene& scene, Format format, const std::string& path, Counts& counts,
                       const ProgressFunction& progress) {
	counts = Counts{};
	if (format == Format::Obj) return MakeObj(scene, path, counts, progress);
	Gltf gltf = MakeGltf(scene, counts, progress);
	// The buffer's place is marked by '@' in the JSON: a data URI, or nothing in a GLB.
	const USize mark = gltf.json.find('@');
	File file{path, {}};
	if (format == Format::Gltf) {
		if (mark != std::string::npos)
			gltf.json.replace(mark, 1, R"(,"uri":"data:application/octet-stream;base64,)" + Base64(gltf.bin) + "\"");
		Append(file.bytes, gltf.json);
		return Files(std::move(file));
	}
	if (mark != std::string::npos) gltf.json.erase(mark, 1);
	while (gltf.json.size() % 4 != 0)
		gltf.json += ' ';
	const USize binLength = (gltf.bin.size() + 3) / 4 * 4;
	const USize total = 12 + 8 + gltf.json.size() + (gltf.bin.empty() ? 0 : 8 + binLength);
	file.bytes.reserve(total);
	PutWord(file.bytes, 0x46546C67); // "glTF"
	PutWord(file.bytes, 2);
	PutWord(file.bytes, static_cast<UInt32>(total));
	PutWord(file.bytes, static_cast<UInt32>(gltf.json.size()));
	PutWord(file.bytes, 0x4E4F534A); // "JSON"
	Append(file.bytes, gltf.json);
	if (!gltf.bin.empty()) {
		PutWord(file.bytes, static_cast<UInt32>(binLength));
		PutWord(file.bytes, 0x004E4942); // "BIN"
		file.bytes.insert(file.bytes.end(), gltf.bin.begin(), gltf.bin.end());
		file.bytes.resize(total, '\0');
	}
	return Files(std::move(file));
}

} // namespace Export
