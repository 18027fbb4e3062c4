#include "SampleModel.h"

#include "Model3D/attributes/records/AttributeRecords.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/elements/records/LGHT.h"
#include "platform/BMMemory.h"
#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace Sample {

namespace {

struct Point {
	double x, y, z;
};

// Builds a polyhedron face by face on the body builder, which shares the edges between
// the faces that meet on them. Each face is given as vertex loops (the outer contour
// first, then its holes) with its outward normal.
class FaceBuilder {
public:
	explicit FaceBuilder(UInt32 status) { body.SetStatus(status); }

	Int32 Vertex(const Point& p) { return static_cast<Int32>(body.StoreVertex(p.x, p.y, p.z)); }

	// A vertex with its texture coordinates (in pictures: 1 is one picture).
	Int32 Vertex(const Point& p, float u, float v) {
		body.AddTextureVertexRec(TEVE{u, v});
		return Vertex(p);
	}

	void Face(const Modeler::CandidateBody::FaceLoops& loops, const Point& outward, Int16 material, UInt32 status = 0) {
		body.StoreFace(loops, Vector3dTpl<double>{outward.x, outward.y, outward.z}, material, status);
	}

	// Marks the edge between two vertices as sharp (a crease of a curved body).
	void SharpEdge(Int32 a, Int32 b) { body.GetEdge(std::abs(body.FindEdge(a, b)) - 1).status |= Modeler::EdgeSharp; }

	Kit::ConstSharedPtr<Modeler::Body> Finish(Int16 material) {
		body.SetMaterialIdx(material);
		body.CalculatePolygonMPUIDs();
		body.CalculateBounds();
		return Kit::ConstSharedPtr<Modeler::Body>(std::move(body).ToBody());
	}

private:
	Modeler::CandidateBody body;
};

enum Material : Int16 { Concrete = 1, Glass = 2, Steel = 3, Plaster = 4 };

// The brick picture of the plaster: a metre wide and half a metre high.
constexpr float BrickWidth = 1.0f, BrickHeight = 0.5f;

// A wall along x (length l, thickness t along y, height h) with a window opening from
// x0 to x1 and from sill to head, running through the whole thickness. Its texture
// coordinates map the wall's faces (x, z) onto the brick picture.
Kit::ConstSharedPtr<Modeler::Body> MakeWall(double l, double t, double h, double x0, double x1, double sill,
                                            double head) {
	FaceBuilder f(Modeler::BodyClosed);
	Int32 c[8], w[8];
	const auto vertex = [&f](double x, double y, double z) {
		return f.Vertex({x, y, z}, static_cast<float>(x) / BrickWidth, static_cast<float>(z) / BrickHeight);
	};
	for (int i = 0; i < 8; ++i) {
		const double y = (i & 4) ? t : 0.0;
		c[i] = vertex((i & 1) ? l : 0.0, y, (i & 2) ? h : 0.0);
		w[i] = vertex((i & 1) ? x1 : x0, y, (i & 2) ? head : sill);
	}
	// Corner index bits: 1 = far end in x, 2 = top, 4 = back side.
	f.Face({{c[0], c[1], c[5], c[4]}}, {0, 0, -1}, Concrete);
	f.Face({{c[2], c[3], c[7], c[6]}}, {0, 0, 1}, Concrete);
	f.Face({{c[0], c[2], c[6], c[4]}}, {-1, 0, 0}, Concrete);
	f.Face({{c[1], c[3], c[7], c[5]}}, {1, 0, 0}, Concrete);
	f.Face({{c[0], c[1], c[3], c[2]}, {w[0], w[1], w[3], w[2]}}, {0, -1, 0}, Plaster);
	f.Face({{c[4], c[5], c[7], c[6]}, {w[4], w[5], w[7], w[6]}}, {0, 1, 0}, Plaster);
	// The reveals of the opening face into it.
	f.Face({{w[0], w[1], w[5], w[4]}}, {0, 0, 1}, Concrete);
	f.Face({{w[2], w[3], w[7], w[6]}}, {0, 0, -1}, Concrete);
	f.Face({{w[0], w[2], w[6], w[4]}}, {1, 0, 0}, Concrete);
	f.Face({{w[1], w[3], w[7], w[5]}}, {-1, 0, 0}, Concrete);
	return f.Finish(Concrete);
}

Kit::ConstSharedPtr<Modeler::Body> MakeBox(double dx, double dy, double dz, Int16 material) {
	FaceBuilder f(Modeler::BodyClosed);
	Int32 c[8];
	for (int i = 0; i < 8; ++i)
		c[i] = f.Vertex({(i & 1) ? dx : 0.0, (i & 4) ? dy : 0.0, (i & 2) ? dz : 0.0});
	f.Face({{c[0], c[1], c[5], c[4]}}, {0, 0, -1}, material);
	f.Face({{c[2], c[3], c[7], c[6]}}, {0, 0, 1}, material);
	f.Face({{c[0], c[2], c[6], c[4]}}, {-1, 0, 0}, material);
	f.Face({{c[1], c[3], c[7], c[5]}}, {1, 0, 0}, material);
	f.Face({{c[0], c[1], c[3], c[2]}}, {0, -1, 0}, material);
	f.Face({{c[4], c[5], c[7], c[6]}}, {0, 1, 0}, material);
	return f.Finish(material);
}

// A round column: a prism over a regular polygon whose side faces are curved, with sharp
// rims where the sides meet the caps.
Kit::ConstSharedPtr<Modeler::Body> MakeRoundColumn(double radius, double height, int segments) {
	FaceBuilder f(Modeler::BodyClosed | Modeler::BodyCurved | Modeler::BodyHasSharpEdge);
	std::vector<Int32> bottom, top;
	for (int i = 0; i < segments; ++i) {
		const double a = 2 * std::numbers::pi * i / segments;
		bottom.push_back(f.Vertex({radius * std::cos(a), radius * std::sin(a), 0}));
		top.push_back(f.Vertex({radius * std::cos(a), radius * std::sin(a), height}));
	}
	f.Face({bottom}, {0, 0, -1}, Steel);
	f.Face({top}, {0, 0, 1}, Steel);
	for (int i = 0; i < segments; ++i) {
		const int j = (i + 1) % segments;
		const double mid = 2 * std::numbers::pi * (i + 0.5) / segments;
		f.Face({{bottom[i], bottom[j], top[j], top[i]}}, {std::cos(mid), std::sin(mid), 0}, Steel, Modeler::PgonCurved);
		f.SharpEdge(bottom[i], bottom[j]);
		f.SharpEdge(top[i], top[j]);
	}
	return f.Finish(Steel);
}

TRAN Placement(double x, double y, double z, double turnDegrees = 0) {
	TRAN t;
	Geometry::TMIdentity(&t);
	const double a = turnDegrees * std::numbers::pi / 180;
	t.matrix[0] = std::cos(a);
	t.matrix[1] = -std::sin(a);
	t.matrix[4] = std::sin(a);
	t.matrix[5] = std::cos(a);
	t.matrix[3] = x;
	t.matrix[7] = y;
	t.matrix[11] = z;
	Geometry::TMFillStatus(&t);
	return t;
}

// Element identifiers: random, or version-4 identifiers drawn from a seeded generator.
class GuidSource {
public:
	explicit GuidSource(std::optional<UInt64> seed) {
		if (seed) random.emplace(*seed);
	}

	Kit::Guid Next() {
		if (!random) return Kit::Guid::Generate();
		Kit::Guid g;
		const UInt64 hi = (*random)(), lo = (*random)();
		g.data1 = static_cast<UInt32>(hi >> 32);
		g.data2 = static_cast<UInt16>(hi >> 16);
		g.data3 = static_cast<UInt16>((hi & 0x0FFF) | 0x4000); // version 4
		for (int i = 0; i < 8; ++i)
			g.data4[static_cast<USize>(i)] = static_cast<UInt8>(lo >> (56 - 8 * i));
		g.data4[0] = static_cast<UInt8>((g.data4[0] & 0x3F) | 0x80); // the standard variant
		return g;
	}

private:
	std::optional<std::mt19937_64> random;
};

Kit::SharedPtr<Modeler::Elem> Place(GuidSource& ids, const Kit::SharedPtr<Modeler::BaseElem>& content,
                                    const TRAN& where) {
	Modeler::VOCA id;
	id.SetEmpty();
	id.guid = ids.Next();
	Kit::SharedPtr<Modeler::Elem> elem(new Modeler::Elem(id, false, false, content.Get()));
	elem->SetTrafo(where);
	elem->CalculateBounds();
	return elem;
}

Kit::SharedPtr<Modeler::BaseElem> Content(std::initializer_list<Kit::ConstSharedPtr<Modeler::Body>> bodies) {
	Kit::SharedPtr<Modeler::BaseElem> base(new Modeler::BaseElem());
	for (const auto& body : bodies)
		base->AddBody(body);
	return base;
}

void AddMaterials(Modeler::Attributes::Modifier& attrs) {
	struct MaterialInfo {
		const char* name;
		UInt16 r, g, b;
		double roughness;
	};
	const MaterialInfo infos[] = {{"Concrete", 0xB000, 0xB000, 0xA800, 0.9},
	                              {"Glass", 0x8000, 0xC000, 0xE000, 0.05},
	                              {"Steel", 0x7000, 0x7400, 0x7800, 0.3},
	                              {"Plaster", 0xF000, 0xEC00, 0xE000, 0.7}};
	for (const MaterialInfo& s : infos) {
		UMAT m;
		m.SetName(s.name);
		m.surfaceColor = {s.r, s.g, s.b};
		const UInt32 e = m.params.PushEntry("roughness", Kit::PropertyListTypes::Num, Kit::PropertyListTypes::Scalar);
		m.params.SetNumEntry(e, s.roughness);
		attrs.AddMaterial(m);
	}
}

// Gives the plaster a brick picture made in memory (64 x 32 pixels, kept loaded): red
// bricks in courses of two, offset by half a brick, with light joints.
void AddBrickTexture(Modeler::Attributes::Modifier& attrs) {
	constexpr Int16 width = 64, height = 32;
	RTXT texture{};
	texture.status = RTXTOwnProportions | RTXTResidentPixels;
	texture.pixelDepth = 32;
	texture.xSize = BrickWidth;
	texture.ySize = BrickHeight;
	const char16_t name[] = u"Brick";
	std::copy(std::begin(name), std::end(name), texture.textureName);
	texture.pixelWidth = width;
	texture.pixelHeight = height;
	texture.pixels = BMAllocateHandle(Int64(width) * height * 4);
	if (texture.pixels == nullptr) return;
	for (int y = 0; y < height; ++y)
		for (int x = 0; x < width; ++x) {
			const int shifted = (y / 16) % 2 == 0 ? x : (x + 16) % width;
			const bool joint = y % 16 < 2 || shifted % 32 < 2;
			const UInt8 argb[4] = {0, static_cast<UInt8>(joint ? 0xD8 : 0xA0 + (x * 7 + y * 3) % 24),
			                       static_cast<UInt8>(joint ? 0xD0 : 0x48), static_cast<UInt8>(joint ? 0xC0 : 0x38)};
			std::copy(argb, argb + 4, *texture.pixels + static_cast<USize>(y * width + x) * 4);
		}
	const TXTA noFile{};
	const Int32 index = attrs.AddTexture(texture, noFile);
	BMKillHandle(&texture.pixels);
	attrs.GetMaterialPtr(Plaster)->textureIdx = index;
}

LGHT MakeLight(float x, float y, float z, double intensity) {
	LGHT light;
	light.type = 1;
	light.color = {0xFFFF, 0xF000, 0xD000};
	light.SetPos(x, y, z);
	light.SetDir(0, 0, -1);
	UInt32 e = light.params.PushEntry("intensity", Kit::PropertyListTypes::Num, Kit::PropertyListTypes::Scalar);
	light.params.SetNumEntry(e, intensity);
	e = light.params.PushEntry("name", Kit::PropertyListTypes::String, Kit::PropertyListTypes::Scalar);
	light.params.SetStringEntry(e, "ceiling lamp");
	return light;
}

} // namespace

Building MakeBuilding(std::optional<UInt64> seed) {
	GuidSource ids(seed);
	Building b;
	b.attributes = Modeler::Attributes::New();
	Modeler::Attributes::Modifier attrs(b.attributes);
	AddMaterials(attrs);
	AddBrickTexture(attrs);

	const double length = 10.0, depth = 8.0, thickness = 0.3, height = 3.0;
	const auto longWall = MakeWall(length, thickness, height, 3.5, 6.5, 0.9, 2.2);
	const auto shortWall = MakeWall(depth, thickness, height, 3.0, 5.0, 0.9, 2.2);
	b.elems.Push(Place(ids, Content({longWall}), Placement(0, 0, 0)));
	b.elems.Push(Place(ids, Content({longWall}), Placement(length, depth, 0, 180)));
	b.elems.Push(Place(ids, Content({shortWall}), Placement(0, depth, 0, -90)));
	b.elems.Push(Place(ids, Content({shortWall}), Placement(length, 0, 0, 90)));

	b.elems.Push(Place(ids, Content({MakeBox(length, depth, 0.25, Concrete)}), Placement(0, 0, height)));

	// One base element placed six times: the columns share content and body.
	const auto column = Content({MakeBox(0.3, 0.3, height, Concrete)});
	for (int i = 0; i < 6; ++i)
		b.elems.Push(Place(ids, column, Placement(1.5 + 1.4 * i, depth / 2, 0)));

	b.elems.Push(Place(ids, Content({MakeRoundColumn(0.25, height, 24)}), Placement(length / 2, depth / 2 + 1.5, 0)));

	auto lamp = Content({MakeBox(0.4, 0.4, 0.05, Steel)});
	lamp->AddLightSource(MakeLight(0.2f, 0.2f, 0.0f, 800.0));
	lamp->AddLightSource(MakeLight(0.2f, 0.2f, -0.1f, 200.0));
	HOTS hotspot{};
	hotspot.x = hotspot.y = 0.2;
	lamp->AddHotspot(hotspot);
	b.elems.Push(Place(ids, lamp, Placement(length / 2 - 0.2, depth / 2 - 0.2, height - 0.05)));
	return b;
}

} // namespace Sample
