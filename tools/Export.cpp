#include "Export.h"

#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/bodies/records/PGON.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
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

// The visible polygons of a body as triangles from the decomposition cache, through tran
// when given. The material of a polygon is its own, else the body's; one outside the
// store's table becomes 0 (the default material).
Mesh Triangulate(const Body& body, const TRAN* tran, UInt32 materialCount) {
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

		const bool curved = pgon.IsCurved();
		cornerOf.clear();
		if (curved) {
			for (Int32 k = 0; k < pgon.GetEdgeCount(); ++k) {
				const Int32 v = body.GetBodyVertIdxFromPolyVertIdx(pgon.fpedg + k);
				if (v >= 0) cornerOf.emplace_back(v, static_cast<UInt32>(k));
			}
		}
		const Vector flat = pgon.GetNormalVector(body, tran);
		for (Int32 t = 0; t < triangles; ++t) {
			Int32 v[3];
			Vector at[3];
			for (Int32 c = 0; c < 3; ++c) {
				v[c] = pgon.GetTriangleVertexIndex(body, t, c);
				at[c] = body.GetVertexPoint(v[c], tran);
			}
			const Vector facing = Unit(Cross(at[1] - at[0], at[2] - at[0]), Vector{0, 0, 1});
			const Vector polygonNormal = Unit(flat, facing);
			for (Int32 c = 0; c < 3; ++c) {
				Vector n = polygonNormal;
				if (curved) {
					const auto found =
					    std::find_if(cornerOf.begin(), cornerOf.end(), [&](const auto& e) { return e.first == v[c]; });
					if (found != cornerOf.end())
						n = Unit(pgon.GetNormalVectorByVertex(body, p, found->second, tran), polygonNormal);
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

// The materials in use, in order of their index (0, the default, first when used).
struct Material {
	std::string name;
	float color[3] = {0.8f, 0.8f, 0.8f};
	float opacity = 1.0f;
	float shininess = 0.0f; // 0 … 1
};

std::string Clean(const char* text) {
	std::string s;
	for (const char* c = text; *c != '\0'; ++c)
		s += (std::isalnum(static_cast<unsigned char>(*c)) != 0 || *c == '-' || *c == '_') ? *c : '_';
	return s;
}

std::map<Int32, USize> CollectMaterials(const std::vector<const Mesh*>& meshes,
                                        const Modeler::Attributes::Viewer& store, std::vector<Material>& out) {
	std::map<Int32, USize> indexOf;
	for (const Mesh* mesh : meshes)
		for (const Group& g : mesh->groups)
			indexOf.emplace(g.material, 0);
	for (auto& [index, position] : indexOf) {
		position = out.size();
		Material m;
		if (index == 0) {
			m.name = "default";
		} else {
			const UMAT* umat = store.GetConstMaterialPtr(static_cast<UInt32>(index));
			m.name = "m" + std::to_string(index) + "_" + Clean(umat->name);
			m.color[0] = static_cast<float>(umat->surfaceColor.red) / 65535.0f;
			m.color[1] = static_cast<float>(umat->surfaceColor.green) / 65535.0f;
			m.color[2] = static_cast<float>(umat->surfaceColor.blue) / 65535.0f;
			m.opacity = 1.0f - static_cast<float>(std::clamp(umat->transparencyPc, Int16(0), Int16(100))) / 100.0f;
			m.shininess = static_cast<float>(std::clamp(umat->shininess, Int16(0), Int16(10000))) / 10000.0f;
		}
		out.push_back(m);
	}
	return indexOf;
}

std::map<Int32, USize> CollectMaterials(const std::vector<Mesh>& meshes, const Modeler::Attributes::Viewer& store,
                                        std::vector<Material>& out) {
	std::vector<const Mesh*> all;
	all.reserve(meshes.size());
	for (const Mesh& m : meshes)
		all.push_back(&m);
	return CollectMaterials(all, store, out);
}

void Append(std::vector<char>& bytes, const std::string& text) {
	bytes.insert(bytes.end(), text.begin(), text.end());
}

template <typename... Args> std::string Printed(const char* format, Args... args) {
	const int n = std::snprintf(nullptr, 0, format, args...);
	if (n <= 0) return {};
	std::string text(static_cast<USize>(n) + 1, '\0');
	std::snprintf(text.data(), text.size(), format, args...);
	text.pop_back();
	return text;
}

std::string BaseName(const std::string& path) {
	const USize slash = path.find_last_of('/');
	return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<File> MakeObj(const Scene& scene, const std::string& path, Counts& counts) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	std::vector<Mesh> meshes;
	std::vector<USize> placementOf;
	std::map<const Body*, int> distinct;
	for (USize i = 0; i < scene.placements.size(); ++i) {
		const Placement& placement = scene.placements[i];
		Mesh mesh = Triangulate(*placement.body, &placement.tran, store.GetMaterialCount());
		if (mesh.triangles == 0) continue;
		distinct.emplace(placement.body.Get(), 0);
		counts.triangles += mesh.triangles;
		meshes.push_back(std::move(mesh));
		placementOf.push_back(i + 1);
	}
	std::vector<Material> materials;
	const auto materialIndex = CollectMaterials(meshes, store, materials);
	counts.bodies = meshes.size();
	counts.distinct = distinct.size();
	counts.materials = materials.size();

	std::string mtlPath = path;
	const USize dot = mtlPath.find_last_of('.');
	if (dot != std::string::npos && dot > mtlPath.find_last_of('/') + 1) mtlPath.erase(dot);
	mtlPath += ".mtl";

	File mtl{mtlPath, {}};
	Append(mtl.bytes, "# m3d export: materials\n");
	for (const Material& m : materials) {
		Append(mtl.bytes, "\nnewmtl " + m.name + "\n");
		Append(mtl.bytes, Printed("Ka %.4f %.4f %.4f\n", m.color[0], m.color[1], m.color[2]));
		Append(mtl.bytes, Printed("Kd %.4f %.4f %.4f\n", m.color[0], m.color[1], m.color[2]));
		Append(mtl.bytes, Printed("Ks %.4f %.4f %.4f\n", m.shininess, m.shininess, m.shininess));
		Append(mtl.bytes, Printed("Ns %.1f\nd %.4f\nillum 2\n", m.shininess * 1000.0, m.opacity));
	}

	File obj{path, {}};
	Append(obj.bytes, Printed("# m3d export: %zu bodies, %zu triangles, %zu materials\n", counts.bodies,
	                          counts.triangles, counts.materials));
	Append(obj.bytes, "mtllib " + BaseName(mtlPath) + "\n");
	USize next = 1; // the number of the next v (vn and vt run in step)
	for (USize i = 0; i < meshes.size(); ++i) {
		const Mesh& mesh = meshes[i];
		Append(obj.bytes, Printed("o body_%zu\n", placementOf[i]));
		for (const Group& g : mesh.groups) {
			Append(obj.bytes, "usemtl " + materials[materialIndex.at(g.material)].name + "\n");
			for (const Corner& c : g.corners) {
				Append(obj.bytes, Printed("v %.6f %.6f %.6f\nvn %.6f %.6f %.6f\n", c.p[0], c.p[1], c.p[2], c.n[0],
				                          c.n[1], c.n[2]));
				if (mesh.hasUV) Append(obj.bytes, Printed("vt %.6f %.6f\n", c.uv[0], c.uv[1]));
			}
			for (USize t = 0; t < g.corners.size(); t += 3, next += 3) {
				if (mesh.hasUV)
					Append(obj.bytes, Printed("f %zu/%zu/%zu %zu/%zu/%zu %zu/%zu/%zu\n", next, next, next, next + 1,
					                          next + 1, next + 1, next + 2, next + 2, next + 2));
				else
					Append(obj.bytes, Printed("f %zu//%zu %zu//%zu %zu//%zu\n", next, next, next + 1, next + 1,
					                          next + 2, next + 2));
			}
		}
	}
	return {std::move(obj), std::move(mtl)};
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

std::string Join(const std::vector<std::string>& items) {
	std::string s;
	for (USize i = 0; i < items.size(); ++i)
		s += (i > 0 ? "," : "") + items[i];
	return s;
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

Gltf MakeGltf(const Scene& scene, Counts& counts) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	std::vector<Mesh> meshes;
	std::map<const Body*, int> meshOf; // -1: a body without visible triangles
	std::vector<std::pair<int, const TRAN*>> nodes;
	for (const Placement& placement : scene.placements) {
		auto [where, added] = meshOf.try_emplace(placement.body.Get(), -1);
		if (added) {
			Mesh mesh = Triangulate(*placement.body, nullptr, store.GetMaterialCount());
			if (mesh.triangles > 0) {
				where->second = static_cast<int>(meshes.size());
				meshes.push_back(std::move(mesh));
			}
		}
		if (where->second < 0) continue;
		nodes.emplace_back(where->second, &placement.tran);
		counts.triangles += meshes[static_cast<USize>(where->second)].triangles;
	}
	std::vector<Material> materials;
	const auto materialIndex = CollectMaterials(meshes, store, materials);
	counts.bodies = nodes.size();
	counts.distinct = meshes.size();
	counts.materials = materials.size();

	Gltf out;
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
			const char* raw = reinterpret_cast<const char*>(values);
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
			                             materialIndex.at(g.material)));
		}
		meshTexts.push_back(R"({"primitives":[)" + Join(primitives) + "]}");
	}
	for (const auto& [mesh, tran] : nodes) {
		std::string node = Printed(R"({"mesh":%d)", mesh);
		if (!IsIdentity(*tran)) {
			const double* m = tran->matrix;
			node += Printed(R"(,"matrix":[%.9g,%.9g,%.9g,0,%.9g,%.9g,%.9g,0,)", m[0], m[4], m[8], m[1], m[5], m[9]);
			node += Printed(R"(%.9g,%.9g,%.9g,0,%.9g,%.9g,%.9g,1])", m[2], m[6], m[10], m[3], m[7], m[11]);
		}
		nodeTexts.push_back(node + "}");
	}
	for (const Material& m : materials) {
		std::string text = Printed(R"({"name":"%s","pbrMetallicRoughness":{"baseColorFactor":[%.4f,%.4f,%.4f,%.4f],)",
		                           m.name.c_str(), m.color[0], m.color[1], m.color[2], m.opacity);
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
		root += R"(,"children":[)" + Join(children) + "]";
	}
	nodeTexts.insert(nodeTexts.begin(), root + "}");

	out.json = R"({"asset":{"version":"2.0","generator":"m3d export"},"scene":0,"scenes":[{"nodes":[0]}],)";
	out.json += R"("nodes":[)" + Join(nodeTexts) + "]";
	if (!meshTexts.empty()) out.json += R"(,"meshes":[)" + Join(meshTexts) + "]";
	if (!materialTexts.empty()) out.json += R"(,"materials":[)" + Join(materialTexts) + "]";
	if (!accessors.empty()) {
		out.json += R"(,"accessors":[)" + Join(accessors) + "]";
		out.json += R"(,"bufferViews":[)" + Join(views) + "]";
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

std::vector<Triangle> Triangles(const Scene& scene) {
	const Modeler::Attributes::Viewer store(scene.attributes);
	std::vector<Triangle> triangles;
	std::vector<Material> materials;
	for (const Placement& placement : scene.placements) {
		const Mesh mesh = Triangulate(*placement.body, &placement.tran, store.GetMaterialCount());
		materials.clear();
		const auto materialIndex = CollectMaterials({&mesh}, store, materials);
		for (const Group& g : mesh.groups) {
			const Material& m = materials[materialIndex.at(g.material)];
			for (USize t = 0; t < g.corners.size(); t += 3) {
				Triangle triangle{};
				for (USize c = 0; c < 3; ++c)
					for (USize k = 0; k < 3; ++k) {
						triangle.p[c][k] = g.corners[t + c].p[k];
						triangle.n[c][k] = g.corners[t + c].n[k];
					}
				std::copy(m.color, m.color + 3, triangle.color);
				triangles.push_back(triangle);
			}
		}
	}
	return triangles;
}

std::vector<File> Make(const Scene& scene, Format format, const std::string& path, Counts& counts) {
	counts = Counts{};
	if (format == Format::Obj) return MakeObj(scene, path, counts);
	Gltf gltf = MakeGltf(scene, counts);
	// The buffer's place is marked by '@' in the JSON: a data URI, or nothing in a GLB.
	const USize mark = gltf.json.find('@');
	File file{path, {}};
	if (format == Format::Gltf) {
		if (mark != std::string::npos)
			gltf.json.replace(mark, 1, R"(,"uri":"data:application/octet-stream;base64,)" + Base64(gltf.bin) + "\"");
		Append(file.bytes, gltf.json);
		return {std::move(file)};
	}
	if (mark != std::string::npos) gltf.json.erase(mark, 1);
	while (gltf.json.size() % 4 != 0)
		gltf.json += ' ';
	const USize binLength = (gltf.bin.size() + 3) / 4 * 4;
	const USize total = 12 + 8 + gltf.json.size() + (gltf.bin.empty() ? 0 : 8 + binLength);
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
	return {std::move(file)};
}

} // namespace Export
