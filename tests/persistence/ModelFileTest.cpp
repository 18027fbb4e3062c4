#include "Model3D/core/model/Model3DViews.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/persistence/conversion/BinaryPartConversion.h"
#include "Model3D/persistence/modelfile/ModelFileLayout.h"
#include "Model3D/persistence/modelfile/ModelFileReader.h"
#include "Model3D/persistence/modelfile/ModelFileWriter.h"
#include "fixtures/ElemFixtures.h"
#include "fixtures/LegacyRecords.h"
#include "fixtures/ModelFileImage.h"
#include "fixtures/TempDir.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace Modeler;
using Bytes = std::vector<char>;
constexpr Kit::PlatformSign Native = Kit::Native_Platform_Sign;
constexpr Kit::PlatformSign Big = Kit::BigEndian_Platform_Sign;

LGHT SampleLight(float x) {
	LGHT light;
	light.type = 2;
	light.color = {0x1000, 0x2000, 0x3000};
	light.SetPos(x, 1.0f, 2.0f);
	light.SetDir(0.0f, 0.0f, -1.0f);
	return light;
}

// A model of three elements: a cube and a wall with a window placed twice (once moved,
// once scaled, sharing one base element), and an element whose only body is invisible
// and which carries a light. The store has a material, a texture and a fill.
struct SampleModel {
	Kit::SharedPtr<Model3D> model = Model3D::New(Attributes::New(), DiskCachingOff, nullptr);
	// The bodies a file of the model holds, placed, in file order.
	std::vector<Kit::SharedPtr<Body>> placed;
	std::vector<LGHT> placedLights;

	SampleModel() {
		Kit::SharedPtr<BaseElem> shared =
		    Fixtures::MakeBaseElem({Fixtures::MakeCube(2.0), Fixtures::MakeWallWithWindow()});
		shared->AddLightSource(SampleLight(0.5f));
		CandidateBody hidden(*Fixtures::MakeCube());
		hidden.SetStatusMask(BodyInvisible);
		Kit::SharedPtr<BaseElem> lonely = Fixtures::MakeBaseElem({hidden.ToBody()});
		lonely->AddLightSource(SampleLight(-3.0f));
		Model3DOnlyModifier modifier(model);
		for (const TRAN& trafo : {Fixtures::Translation(1, 2, 3), Fixtures::ScaleAndMove(0.5, -4, 0, 1)}) {
			modifier.AddElem(Fixtures::MakeElem(shared, trafo), Kit::Guid());
			for (UInt32 b = 0; b < shared->GetBodyCount(); ++b)
				placed.push_back(Kit::SharedPtr<Body>(new Body(*shared->GetConstBody(b), &trafo)));
			LGHT light = shared->GetLightSource(0);
			light.Transform(trafo);
			placedLights.push_back(light);
		}
		modifier.AddElem(Fixtures::MakeElem(lonely, Fixtures::Translation(0, 0, 5)), Kit::Guid());
		LGHT light = lonely->GetLightSource(0);
		light.Transform(Fixtures::Translation(0, 0, 5));
		placedLights.push_back(light);

		Attributes::Modifier attrs(model->GetAttributesPtr());
		UMAT brick;
		brick.SetName("Brick");
		brick.surfaceColor = {0xAAAA, 0x5555, 0x1111};
		brick.shininess = 300;
		attrs.AddMaterial(brick);
		RTXT texture{};
		texture.status = RTXTPixelsNotLoaded;
		texture.xSize = 1.5f;
		texture.ySize = 0.5f;
		texture.pixelWidth = 4;
		texture.pixelHeight = 2;
		texture.textureName[0] = u'T';
		attrs.AddTexture(texture, TXTA{});
		const Bytes definition = Fixtures::FillDefinition(MSIZE_VERSION, Native, 4, {0, 2});
		UFIL fill{};
		std::strcpy(fill.name, "Hatch");
		fill.defByteCount = static_cast<Int32>(definition.size());
		attrs.AddFill(fill, definition.data());
	}

	Bytes Write() const {
		IO::MemoryOChannel out;
		FLWriteModel(out, Model3DViewer(model), Attributes::Viewer(model->GetConstAttributesPtr()));
		return out.TakeBytes();
	}
};

// What a read gives.
struct ReadResult {
	Kit::Array<Kit::SharedPtr<CandidateBody>> bodies;
	Kit::Array<LGHT> lights;
	Kit::SharedPtr<Attributes> store = Attributes::New();

	void Read(const Bytes& file, Kit::PlatformSign platform, bool adjust = false, Int16 mode = 2) {
		IO::MemoryIChannel in(file.data(), file.size());
		Attributes::Modifier attrs(store);
		FLReadModel(in, bodies, lights, attrs, platform, adjust, mode, 1, 0, 0, false);
	}
};

void ExpectSameRead(const ReadResult& a, const ReadResult& b) {
	ASSERT_EQ(a.bodies.GetSize(), b.bodies.GetSize());
	for (UInt32 i = 0; i < a.bodies.GetSize(); ++i)
		EXPECT_TRUE(*a.bodies[i] == *b.bodies[i]) << "body " << i;
	EXPECT_EQ(std::vector<LGHT>(a.lights.begin(), a.lights.end()), std::vector<LGHT>(b.lights.begin(), b.lights.end()));
	const Attributes::Viewer va(a.store), vb(b.store);
	ASSERT_EQ(va.GetMaterialCount(), vb.GetMaterialCount());
	for (UInt32 m = 1; m <= va.GetMaterialCount(); ++m)
		EXPECT_EQ(*va.GetConstMaterialPtr(m), *vb.GetConstMaterialPtr(m));
	ASSERT_EQ(va.GetTextureCount(), vb.GetTextureCount());
	ASSERT_EQ(va.GetFillCount(), vb.GetFillCount());
	ASSERT_EQ(va.GetFillDescriptorCount(), vb.GetFillDescriptorCount());
	for (UInt32 i = 1; i <= va.GetFillDescriptorCount(); ++i)
		ASSERT_EQ(*va.GetConstFillDescriptorPtr(i), *vb.GetConstFillDescriptorPtr(i)) << "fill definition byte " << i;
}

// A model written and read back gives its visible bodies placed in model coordinates,
// its lights placed, and its attribute tables; a second write gives the same bytes.
TEST(ModelFile, WriteThenReadGivesThePlacedModel) {
	const SampleModel sample;
	const Bytes file = sample.Write();
	EXPECT_EQ(sample.Write(), file);

	ReadResult read;
	read.Read(file, Native);
	ASSERT_EQ(read.bodies.GetSize(), sample.placed.size());
	for (USize i = 0; i < sample.placed.size(); ++i)
		EXPECT_TRUE(*read.bodies[i]->ToBody() == *sample.placed[i]) << "body " << i;
	EXPECT_EQ(std::vector<LGHT>(read.lights.begin(), read.lights.end()), sample.placedLights);
	const Attributes::Viewer attrs(read.store);
	ASSERT_EQ(attrs.GetMaterialCount(), 1u);
	EXPECT_STREQ(attrs.GetConstMaterialPtr(1)->name, "Brick");
	ASSERT_EQ(attrs.GetTextureCount(), 1u);
	EXPECT_EQ(attrs.GetConstTexturePtr(1)->pixelWidth, 4);
	const Attributes::Viewer written(sample.model->GetConstAttributesPtr());
	ASSERT_EQ(attrs.GetFillCount(), 1u);
	EXPECT_STREQ(attrs.GetConstFillPtr(1)->name, "Hatch");
	ASSERT_EQ(attrs.GetFillDescriptorCount(), written.GetFillDescriptorCount());
	EXPECT_EQ(std::memcmp(attrs.GetConstFillDescriptorPtr(1), written.GetConstFillDescriptorPtr(1),
	                      written.GetFillDescriptorCount()),
	          0);
	EXPECT_EQ(attrs.GetConstTexturePtr(1)->textureName[0], u'T');
}

// One body picked out of a file is the body the whole read gives at that place; a body
// written alone reads back in its own coordinates.
TEST(ModelFile, SingleBodiesReadAndWrite) {
	const SampleModel sample;
	const Bytes file = sample.Write();
	ReadResult whole;
	whole.Read(file, Native);
	for (Int32 index = 1; index <= static_cast<Int32>(whole.bodies.GetSize()); ++index) {
		ReadResult one;
		IO::MemoryIChannel in(file.data(), file.size());
		Attributes::Modifier attrs(one.store);
		FLRead1Body(in, one.bodies, one.lights, attrs, Native, index, 2, 1, 0, 0);
		ASSERT_EQ(one.bodies.GetSize(), 1u);
		EXPECT_TRUE(*one.bodies[0] == *whole.bodies[static_cast<USize>(index - 1)]) << "body " << index;
	}

	const Kit::SharedPtr<Elem> elem =
	    Fixtures::MakeElem(Fixtures::MakeBaseElem({Fixtures::MakeWallWithWindow()}), Fixtures::Translation(7, 0, 0));
	const Body& body = *elem->GetConstBaseElem()->GetConstBody(0);
	IO::MemoryOChannel out;
	FLWriteOneBody(out, *elem, body, Attributes::Viewer(Attributes::New()));
	ReadResult alone;
	alone.Read(out.TakeBytes(), Native);
	ASSERT_EQ(alone.bodies.GetSize(), 1u);
	EXPECT_TRUE(*alone.bodies[0]->ToBody() == body);
}

// The same file from a platform of the other byte order reads the same.
TEST(ModelFile, ForeignFileReadsAsItsNativeTwin) {
	const Bytes native = SampleModel().Write();
	Bytes foreign = native;
	ASSERT_EQ(FCSwapBinaryPart_R(Native, foreign.data(), static_cast<Int32>(foreign.size()), Big), 0);
	ASSERT_NE(foreign, native);
	ReadResult fromNative, fromForeign;
	fromNative.Read(native, Native);
	fromForeign.Read(foreign, Big);
	ExpectSameRead(fromNative, fromForeign);
}

// Every strict prefix of a file fails with an exception, and what the caller handed in
// (bodies, lights, the store's tables) is as it was.
TEST(ModelFile, EveryPrefixFailsAndLeavesTheCallerAsItWas) {
	SampleModel sample;
	Bytes file = sample.Write();
	ReadResult target;
	target.lights.Push(SampleLight(9.0f));
	target.bodies.Push(Kit::SharedPtr<CandidateBody>(new CandidateBody()));
	Attributes::Modifier(target.store).AddMaterial(UMAT());
	for (USize length = 0; length < file.size(); length += (length < 200 ? 1 : 7)) {
		const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
		EXPECT_THROW(target.Read(prefix, Native), Kit::RootException) << "length " << length;
		ASSERT_EQ(target.lights.GetSize(), 1u) << "length " << length;
		ASSERT_EQ(target.bodies.GetSize(), 1u) << "length " << length;
		const Attributes::Viewer attrs(target.store);
		ASSERT_EQ(attrs.GetMaterialCount(), 1u) << "length " << length;
		ASSERT_EQ(attrs.GetTextureCount(), 0u) << "length " << length;
	}
}

} // namespace

namespace {

using Fixtures::FieldValues;
using Fixtures::FileSection;

// Where the forms of BODY keep their status, ranges, first texture vertex and TRAN index.
struct BodyFields {
	UInt32 ranges; // fpgon; then lpgon, fpedg, lpedg, fedge, ledge, fvert, lvert, fvect, lvect
	UInt32 fteve;  // 0: the form has none
	UInt32 itran;  // 0: the form has none
};

BodyFields FieldsOf(Int32 version) {
	if (version <= 4012) return {36, 0, 0};
	if (version <= 4018) return {48, 100, 4};
	return {48, 108, 4};
}

FieldValues BodyValues(Int32 version, UInt32 status, const std::vector<Int32>& ranges, Int32 fteve, Int32 itran) {
	const BodyFields f = FieldsOf(version);
	FieldValues values{{0, status}};
	for (USize k = 0; k < ranges.size(); ++k)
		values[f.ranges + 4 * UInt32(k)] = ranges[k];
	if (f.fteve != 0) values[f.fteve] = fteve;
	if (f.itran != 0) values[f.itran] = itran;
	return values;
}

// A file of the version with two bodies: the first owns 2 polygons, 4 poly-edges, 3 edges,
// vertices 1..3, normals 1..2 and texture vertices 1..3; the second shares its polygons
// and edges but has vertices 5..7 (vertex 4 lies between them), normals 3..4 and texture
// vertices 4..6. One light, one texture, one material and one fill.
Bytes OldModelFile(Int32 version, Kit::PlatformSign order) {
	Fixtures::ModelFileImage image(version, order);
	const bool transformed = version > 4013;
	image.AddRecord(FileSection::Body, 1,
	                BodyValues(version, BodyOwnGeometry, {1, 2, 1, 4, 1, 3, 1, 3, 1, 2}, 1, transformed ? 1 : 0));
	image.AddRecord(FileSection::Body, 2,
	                BodyValues(version, BodySharedGeometry, {1, 2, 1, 4, 1, 3, 5, 7, 3, 4}, 4, 0));
	const auto add = [&image](FileSection s, UInt32 n, const FieldValues& values = {}) {
		if (Fixtures::SectionForm(s, image.Version()).empty()) return;
		for (UInt32 k = 1; k <= n; ++k)
			image.AddRecord(s, k, values);
	};
	add(FileSection::Tran, 1, {{0, 0}});
	add(FileSection::Pgon, 2);
	add(FileSection::Pedg, 4);
	add(FileSection::Edge, 3);
	add(FileSection::Vert, 7);
	add(FileSection::Vect, 4);
	add(FileSection::Teve, 6);
	add(FileSection::Bext, 2);
	if (version == 4032) {
		image.Add(FileSection::Light, [&] {
			IO::MemoryOChannel out;
			out.SetProtocol(order);
			SampleLight(2.0f).Write(out);
			return out.TakeBytes();
		}());
		image.Add(FileSection::Material, [&] {
			IO::MemoryOChannel out;
			out.SetProtocol(order);
			// With parameters, without a texture (the reader adds the file's textures anew
			// on every read, so a textured material would differ from read to read).
			UMAT material = Fixtures::ListFormMaterials()[1];
			material.SetTexuretIdx(0);
			material.Write(out);
			return out.TakeBytes();
		}());
	} else {
		add(FileSection::Light, 1, {{64, 0}, {76, 0}});
		add(FileSection::Material, 1, {{84, 0}});
	}
	add(FileSection::Texture, 1);
	if (version > 4002) {
		const Bytes definition = Fixtures::FillDefinition(version, order, 3, {0, 2});
		add(FileSection::Fill, 1, {{36, 1}, {40, static_cast<double>(definition.size())}});
		image.Add(FileSection::Fide, definition, 0);
	}
	if (version > 4003) image.Add(FileSection::Pict, Fixtures::PixelEntry(order, 0), 0);
	if (version >= 4022 && version <= 4024)
		image.Add(FileSection::LightParams, Fixtures::Int32sBytes({0, 0}, order), 0);
	return image.Image();
}

// A read that succeeds, or the reason it failed.
testing::AssertionResult Reads(ReadResult& result, const Bytes& file, Kit::PlatformSign platform, bool adjust = false,
                               Int16 mode = 2) {
	try {
		result.Read(file, platform, adjust, mode);
		return testing::AssertionSuccess();
	} catch (const Kit::KitException& e) {
		return testing::AssertionFailure() << e.Describe();
	}
}

std::vector<Int32> AcceptedVersions() {
	std::vector<Int32> versions{4001, 4002, 4008};
	for (Int32 v = 4012; v <= 4032; ++v) {
		if (v != 4030) versions.push_back(v);
	}
	return versions;
}

// What the skipping reader cannot read is refused with the cause, before anything large
// is allocated: counts the file cannot hold, ranges that overlap or leave their section,
// and transformation indices beyond the file's transformations.
TEST(ModelFile, ForgedFilesAreRefusedWithTheirCause) {
	constexpr USize Body1 = 68, Body2 = 68 + 140; // BODY records of version 4031
	const struct {
		const char* name;
		USize at;
		Int32 value;
		const char* cause;
	} cases[] = {
	    {"2^31 bodies", 8, 0x7FFFFFFF, "shorter than its header says"},
	    {"negative vertex count", 24, -1, "negative count"},
	    {"overlapping vertices", Body2 + 72, 2, "overlaps"},
	    {"vertices past the section", Body2 + 76, 100, "leaves its section"},
	    {"backwards edges", Body1 + 64, 3, "overlaps"},
	    {"transformation 5 of 1", Body1 + 4, 5, "names transformation 5"},
	    {"texture vertex range beyond Int32", Body2 + 108, 0x7FFFFFFF, "leaves its section"},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.name);
		Bytes file = OldModelFile(4031, Native);
		std::memcpy(file.data() + c.at, &c.value, sizeof c.value);
		ReadResult result;
		const testing::AssertionResult read = Reads(result, file, Native);
		ASSERT_FALSE(read);
		EXPECT_NE(std::string(read.message()).find(c.cause), std::string::npos) << read.message();
		EXPECT_EQ(result.lights.GetSize(), 0u);
	}
}

// Files of every accepted version read to their bodies (sharing resolved, the records
// between ranges skipped), lights and attributes, and a file of the other byte order reads
// the same as its native twin; a foreign 4018 file is refused.
TEST(ModelFile, EveryVersionReadsAndItsForeignTwinReadsTheSame) {
	for (const Int32 version : AcceptedVersions()) {
		SCOPED_TRACE(version);
		ReadResult native;
		ASSERT_TRUE(Reads(native, OldModelFile(version, Native), Native));
		ASSERT_EQ(native.bodies.GetSize(), 2u);
		const CandidateBody& first = *native.bodies[0];
		const CandidateBody& second = *native.bodies[1];
		EXPECT_EQ(first.GetPolygonCount(), 2u);
		EXPECT_EQ(first.GetPolyEdgeCount(), 4u);
		EXPECT_EQ(second.GetEdgeCount(), 3u);
		ASSERT_EQ(second.GetVertexCount(), 3u);
		EXPECT_EQ(second.GetPolyNormalCount(), 2u);
		EXPECT_EQ(second.GetTextureVertexCount(), version >= 4016 ? 3u : 0u);
		// The second body's first vertex is the fifth record of the section.
		const Bytes vertex =
		    Fixtures::RecordImage(Fixtures::FormNamed(Fixtures::SectionForm(FileSection::Vert, version)), Native, 5);
		const double x =
		    vertex.size() == 24 ? Fixtures::NativeAt<double>(vertex, 0) : Fixtures::NativeAt<float>(vertex, 0);
		EXPECT_EQ(second.GetConstVertex(0).x, x);
		EXPECT_EQ(native.lights.GetSize(), version <= 4002 ? 0u : 1u);
		EXPECT_EQ(Attributes::Viewer(native.store).GetTextureCount(), version <= 4002 ? 0u : 1u);
		EXPECT_EQ(Attributes::Viewer(native.store).GetFillCount(), version <= 4002 ? 0u : 1u);

		if (version == 4018) {
			ReadResult foreign;
			EXPECT_THROW(foreign.Read(OldModelFile(version, Big), Big), Kit::RunTimeErrorException);
			continue;
		}
		ReadResult foreign;
		ASSERT_TRUE(Reads(foreign, OldModelFile(version, Big), Big));
		ExpectSameRead(native, foreign);
	}
}

} // namespace

namespace {

// Merging a file's attributes into the store reuses equal entries: reading the same file
// twice leaves one material and one fill, and both reads' bodies and polygons name them.
TEST(ModelFile, MergedAttributesAreStoredOnce) {
	for (const Int32 version : {4001, 4008, 4012, 4016, 4020, 4026, 4031, 4032}) {
		SCOPED_TRACE(version);
		const Bytes file = OldModelFile(version, Big);
		ReadResult first, second;
		second.store = first.store;
		ASSERT_TRUE(Reads(first, file, Big, true, 1));
		const Attributes::Viewer attrs(first.store);
		const UInt32 materials = attrs.GetMaterialCount(), fills = attrs.GetFillCount();
		EXPECT_EQ(materials, 1u);
		EXPECT_EQ(fills, version <= 4002 ? 0u : 1u);
		ASSERT_TRUE(Reads(second, file, Big, true, 1));
		EXPECT_EQ(attrs.GetMaterialCount(), materials);
		EXPECT_EQ(attrs.GetFillCount(), fills);
		ASSERT_EQ(second.bodies.GetSize(), 2u);
		for (UInt32 b = 0; b < 2; ++b) {
			EXPECT_EQ(second.bodies[b]->GetMaterialIdx(), 1);
			EXPECT_EQ(second.bodies[b]->GetConstPolygon(0).iumat, 1);
		}
	}
}

} // namespace

#ifdef M3D_TOOL
namespace {

// The lines of the tool's output that start with 'prefix'.
std::string ToolLines(const std::string& command, const std::string& prefix) {
	std::string lines;
	FILE* pipe = popen(command.c_str(), "r");
	if (pipe == nullptr) return "popen failed";
	char line[1024];
	while (std::fgets(line, sizeof line, pipe) != nullptr) {
		if (std::string(line).rfind(prefix, 0) == 0) lines += line;
	}
	const int status = pclose(pipe);
	return status == 0 ? lines : "exit status " + std::to_string(status);
}

// m3d convert turns an old file of the other byte order into a current native file that
// reads to as many bodies, lights and attribute entries. (The test file's records are
// patterns, not consistent geometry, so the bodies themselves are not compared here; the
// round trip of real bodies is ModelFile.WriteThenReadGivesThePlacedModel.)
TEST(ModelFileTool, ConvertedOldForeignFilesReadTheSame) {
	const TestSupport::TempDir dir;
	for (const Int32 version : {4001, 4012, 4020, 4027}) {
		SCOPED_TRACE(version);
		const std::string in = (dir.Path() / ("old-" + std::to_string(version) + ".m3d")).string();
		const std::string out = (dir.Path() / ("new-" + std::to_string(version) + ".m3d")).string();
		const Bytes old = OldModelFile(version, Big);
		std::ofstream(in, std::ios::binary).write(old.data(), static_cast<std::streamsize>(old.size()));
		const std::string tool = std::string(M3D_TOOL) + " ";
		ASSERT_NE(ToolLines(tool + "convert " + in + " " + out, "").find("version 4032"), std::string::npos);
		const std::string before = ToolLines(tool + "info " + in, "read:");
		const std::string after = ToolLines(tool + "info " + out, "read:");
		EXPECT_NE(before.find("read: 2 bodies"), std::string::npos) << before;
		EXPECT_EQ(before, after);
	}
}

} // namespace
#endif
