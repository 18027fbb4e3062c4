#include "FileVerbs.h"

#include "Export.h"
#include "Progress.h"
#include "Render.h"
#include "SampleModel.h"

#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/model/Model3DViews.h"
#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/persistence/modelfile/ModelFileLayout.h"
#include "Model3D/persistence/modelfile/ModelFileReader.h"
#include "Model3D/persistence/modelfile/ModelFileWriter.h"
#include "platform/ByteOrder.h"
#include "platform/Geometry.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace FileVerbs {

namespace {

using Modeler::Attributes;
using Modeler::CandidateBody;

// A file problem with its exit code.
struct Failure {
	int code;
	std::string message;
};

// The system's text for the last error; std::strerror is not safe with other threads.
std::string ErrnoText() {
	return std::generic_category().message(errno);
}

std::vector<char> ReadWholeFile(const char* path) {
	std::ifstream in(path, std::ios::binary);
	if (!in) throw Failure{FileError, std::string(path) + ": cannot open: " + ErrnoText()};
	std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	if (in.bad()) throw Failure{FileError, std::string(path) + ": cannot read: " + ErrnoText()};
	return bytes;
}

void WriteWholeFile(const char* path, const std::vector<char>& bytes) {
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
	out.close();
	if (!out) throw Failure{FileError, std::string(path) + ": cannot write: " + ErrnoText()};
}

// The file does not record its byte order: it is the order in which the leading version
// word is a known version.
Kit::PlatformSign DetectOrder(const char* path, const std::vector<char>& bytes) {
	if (bytes.size() >= sizeof(Int32)) {
		for (const Kit::PlatformSign sign : {Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign}) {
			auto version = LoadUnaligned<Int32>(bytes.data());
			IVLong(sign, Kit::Native_Platform_Sign, &version);
			if (version >= 4000 && version <= MSIZE_VERSION) return sign;
		}
	}
	throw Failure{InvalidFile, std::string(path) + ": not a model file (no version 4000-4032 at its start)"};
}

// What a whole read of a file gives.
struct Contents {
	Kit::PlatformSign order = Kit::Native_Platform_Sign;
	MSIZ header{};
	Kit::Array<Kit::SharedPtr<CandidateBody>> bodies;
	Kit::Array<LGHT> lights;
	Kit::SharedPtr<Attributes> store = Attributes::New();
};

// A memory channel that tells the meter how much of the file the reader has consumed.
class MeteredInput : public IO::MemoryIChannel {
public:
	MeteredInput(const std::vector<char>& bytes, Progress::Meter* meter)
	    : IO::MemoryIChannel(bytes.data(), bytes.size()), meter(meter) {}

protected:
	UInt64 DoRead(void* destination, UInt64 n) override {
		const UInt64 read = IO::MemoryIChannel::DoRead(destination, n);
		Tell();
		return read;
	}
	UInt64 DoSkip(UInt64 n) override {
		const UInt64 skipped = IO::MemoryIChannel::DoSkip(n);
		Tell();
		return skipped;
	}

private:
	void Tell() {
		if (meter != nullptr) meter->Show("reading", GetPosition(), GetSize());
	}
	Progress::Meter* meter;
};

// A memory channel that tells the meter how much the writer has written.
class MeteredOutput : public IO::MemoryOChannel {
public:
	explicit MeteredOutput(Progress::Meter* meter) : meter(meter) {}

protected:
	bool DoWrite(const void* source, UInt64 n) override {
		const bool written = IO::MemoryOChannel::DoWrite(source, n);
		if (meter != nullptr) meter->Show("writing", GetDataSize(), 0);
		return written;
	}

private:
	Progress::Meter* meter;
};

Contents ReadModelFile(const char* path, Progress::Meter* meter = nullptr) {
	const std::vector<char> bytes = ReadWholeFile(path);
	Contents c;
	c.order = DetectOrder(path, bytes);
	auto version = LoadUnaligned<Int32>(bytes.data());
	IVLong(c.order, Kit::Native_Platform_Sign, &version);
	const USize headerBytes = std::min(bytes.size(), static_cast<USize>(MsizBytes(version)));
	std::memcpy(&c.header, bytes.data(), headerBytes);
	for (USize k = 0; k < headerBytes / sizeof(Int32); ++k)
		IVLong(c.order, Kit::Native_Platform_Sign, reinterpret_cast<Int32*>(&c.header) + k);
	try {
		MeteredInput in(bytes, meter);
		Attributes::Modifier attrs(c.store);
		Modeler::FLReadModel(in, c.bodies, c.lights, attrs, c.order, false, 2, 1, 0, 0, false);
	} catch (const Kit::KitException& e) {
		throw Failure{InvalidFile, std::string(path) + ": " + e.Describe()};
	}
	return c;
}

const char* OrderName(Kit::PlatformSign order) {
	return order == Kit::LittleEndian_Platform_Sign ? "little-endian (0x5757)" : "big-endian (0x4D4D)";
}

void PrintBounds(Kit::OChannel& out, const Contents& c) {
	F_Box3D all = F_Box3D::Empty();
	bool any = false;
	for (const auto& body : c.bodies) {
		F_Box3D box;
		body->GetBounds(nullptr, box);
		if (box.xMin > box.xMax) continue;
		all = any ? F_Box3D{std::min(all.xMin, box.xMin), std::min(all.yMin, box.yMin), std::max(all.xMax, box.xMax),
		                    std::max(all.yMax, box.yMax), std::min(all.zMin, box.zMin), std::max(all.zMax, box.zMax)}
		          : box;
		any = true;
	}
	if (!any) {
		CPrintf(out, "bounds: none\n");
		return;
	}
	CPrintf(out, "bounds: x %.4f .. %.4f, y %.4f .. %.4f, z %.4f .. %.4f\n", all.xMin, all.xMax, all.yMin, all.yMax,
	        all.zMin, all.zMax);
}

// A model of the read bodies (one element each, in model coordinates) with the lights on
// the first element, over the read store.
Kit::SharedPtr<Modeler::Model3D> ModelOf(const Contents& c, Progress::Meter& meter) {
	Kit::SharedPtr<Modeler::Model3D> model = Modeler::Model3D::New(c.store, Modeler::DiskCachingOff, nullptr);
	Modeler::Model3DOnlyModifier modifier(model);
	TRAN identity{};
	Geometry::TMIdentity(&identity);
	Kit::SharedPtr<Modeler::BaseElem> lightsHolder;
	for (UInt32 i = 0; i < std::max<UInt32>(c.bodies.GetSize(), c.lights.GetSize() > 0 ? 1 : 0); ++i) {
		meter.Show("building", i, c.bodies.GetSize());
		Kit::SharedPtr<Modeler::BaseElem> base(new Modeler::BaseElem());
		if (i < c.bodies.GetSize()) base->AddBody(c.bodies[i]->ToBody());
		if (i == 0) {
			for (const LGHT& light : c.lights)
				base->AddLightSource(light);
		}
		Modeler::VOCA id;
		id.guid = Kit::Guid::Generate();
		Kit::SharedPtr<Modeler::Elem> elem(new Modeler::Elem(id, false, false, base.Get()));
		elem->SetTrafo(identity);
		modifier.AddElem(elem, Kit::NULLGuid);
	}
	return model;
}

template <typename Run> int Guarded(Run run) {
	try {
		return run();
	} catch (const Failure& f) {
		std::fprintf(stderr, "m3d: %s\n", f.message.c_str());
		return f.code;
	}
}

// The bodies of a model file (already in model coordinates), or with no file the sample
// building's, each element's bodies placed by the element's transformation.
Export::Scene SceneOf(const char* input, Progress::Meter& meter) {
	Export::Scene scene;
	TRAN identity{};
	Geometry::TMIdentity(&identity);
	if (input != nullptr) {
		const Contents c = ReadModelFile(input, &meter);
		scene.attributes = c.store;
		scene.placements.reserve(c.bodies.GetSize());
		for (const auto& body : c.bodies) {
			meter.Show("building", scene.placements.size(), c.bodies.GetSize());
			scene.placements.push_back({body->ToBody(), identity});
		}
		return scene;
	}
	const Sample::Building building = Sample::MakeBuilding(0);
	scene.attributes = building.attributes;
	for (const auto& elem : building.elems) {
		const Modeler::BaseElem* base = elem->GetConstBaseElem();
		for (UInt32 i = 0; i < base->GetBodyCount(); ++i)
			scene.placements.push_back({base->GetConstBody(i), elem->GetConstTrafo()});
	}
	return scene;
}

} // namespace

int Info(Kit::OChannel& out, const char* path) {
	return Guarded([&] {
		const Contents c = ReadModelFile(path);
		const MSIZ& h = c.header;
		CPrintf(out, "file: %s\nversion: %d, byte order %s\n", path, static_cast<int>(h.version), OrderName(c.order));
		CPrintf(out,
		        "records: %d bodies, %d transformations, %d polygons, %d polygon edges, %d edges, "
		        "%d vertices, %d normals, %d texture vertices, %d body extensions\n",
		        h.bodyCount, h.tranCount, h.pgonCount, h.pedgCount, h.edgeCount, h.vertCount, h.vectCount, h.teveCount,
		        h.bextCount);
		CPrintf(out, "attributes: %d lights, %d textures, %d fills, %d materials, %d bytes of fill definitions\n",
		        h.lightCount, h.textureCount, h.fillCount, h.materialCount, h.fideSize);
		const Attributes::Viewer store(c.store);
		CPrintf(out, "read: %u bodies, %u lights; store: %u materials, %u fills, %u textures\n", c.bodies.GetSize(),
		        c.lights.GetSize(), store.GetMaterialCount(), store.GetFillCount(), store.GetTextureCount());
		PrintBounds(out, c);
		return 0;
	});
}

int List(Kit::OChannel& out, const char* path, const ListOptions& options) {
	return Guarded([&] {
		const Contents c = ReadModelFile(path);
		const UInt32 count = c.bodies.GetSize();
		if (options.body > static_cast<Int32>(count))
			throw Failure{InvalidFile, std::string(path) + ": there is no body " + std::to_string(options.body) +
			                               " (the file has " + std::to_string(count) + ")"};
		Modeler::List3dRec filter;
		filter.byPolygonRange = options.firstPolygon > 0 ? 1 : 0;
		filter.firstPolygon = options.firstPolygon;
		filter.lastPolygon = options.lastPolygon;
		for (UInt32 b = 1; b <= count; ++b) {
			if (options.body != 0 && static_cast<Int32>(b) != options.body) continue;
			CPrintf(out, "body %u of %u\n", b, count);
			c.bodies[b - 1]->ToBody()->Print(out, options.level, &filter, nullptr, 0);
		}
		return 0;
	});
}

int Convert(Kit::OChannel& out, const char* input, const char* output) {
	return Guarded([&] {
		Progress::Meter meter;
		const Contents c = ReadModelFile(input, &meter);
		MeteredOutput file(&meter);
		try {
			Modeler::FLWriteModel(file, Modeler::Model3DViewer(ModelOf(c, meter)), Attributes::Viewer(c.store));
		} catch (const Kit::KitException& e) {
			throw Failure{InvalidFile, std::string(input) + ": cannot be written again: " + e.Describe()};
		}
		WriteWholeFile(output, file.GetBytes());
		meter.Clear();
		CPrintf(out, "%s: version %d, %s -> %s: version %d, %s, %u bodies\n", input, static_cast<int>(c.header.version),
		        OrderName(c.order), output, MSIZE_VERSION, OrderName(Kit::Native_Platform_Sign), c.bodies.GetSize());
		return 0;
	});
}

int Export(Kit::OChannel& out, const char* input, const ExportOptions& options) {
	return Guarded([&] {
		Progress::Meter meter;
		const auto progress = [&meter](const char* what, USize done, USize total) { meter.Show(what, done, total); };
		const Export::Scene scene = SceneOf(input, meter);
		static const Export::Format formats[] = {Export::Format::Obj, Export::Format::Gltf, Export::Format::Glb};
		static const char* names[] = {"OBJ", "glTF", "GLB"};
		Export::Counts counts;
		std::vector<Export::File> files;
		try {
			files = Export::Make(scene, formats[options.format], options.output, counts, progress);
		} catch (const Kit::KitException& e) {
			throw Failure{InvalidFile, std::string(input != nullptr ? input : "the sample building") +
			                               ": cannot be exported: " + e.Describe()};
		}
		for (const Export::File& file : files)
			WriteWholeFile(file.path.c_str(), file.bytes);
		meter.Clear();
		CPrintf(out, "%s written to %s: %zu bodies (%zu distinct), %zu triangles, %zu materials\n",
		        names[options.format], options.output, counts.bodies, counts.distinct, counts.triangles,
		        counts.materials);
		// What the file itself holds, as an importer reads it without post-processing.
		CPrintf(out, "stored: %zu meshes of one material, %zu vertices, %zu triangles, %zu materials, %zu textures\n",
		        counts.storedMeshes, counts.storedVertices, counts.storedTriangles, counts.materials, counts.textures);
		return 0;
	});
}

int Render(Kit::OChannel& out, const char* input, const RenderOptions& options) {
	return Guarded([&] {
		Progress::Meter meter;
		const auto progress = [&meter](const char* what, USize done, USize total) { meter.Show(what, done, total); };
		const Export::Scene scene = SceneOf(input, meter);
		std::vector<Export::Triangle> triangles;
		try {
			triangles = Export::Triangles(scene, progress);
		} catch (const Kit::KitException& e) {
			throw Failure{InvalidFile, std::string(input != nullptr ? input : "the sample building") +
			                               ": cannot be drawn: " + e.Describe()};
		}
		static const Render::View views[] = {Render::View::Iso, Render::View::Top, Render::View::Front,
		                                     Render::View::Side};
		static const char* names[] = {"iso", "top", "front", "side"};
		const Render::Picture picture =
		    Render::Draw(triangles, views[options.view], options.width, options.height, progress);
		if (!Render::WritePng(picture, options.output))
			throw Failure{FileError, std::string(options.output) + ": cannot write the picture"};
		meter.Clear();
		CPrintf(out, "%s view written to %s: %dx%d pixels, %zu triangles, %zu pixels covered\n", names[options.view],
		        options.output, options.width, options.height, triangles.size(), picture.covered);
		return 0;
	});
}

int WriteDemo(Kit::OChannel& out, const char* path, std::optional<UInt64> seed) {
	return Guarded([&] {
		Sample::Building building = Sample::MakeBuilding(seed);
		Kit::SharedPtr<Modeler::Model3D> model =
		    Modeler::Model3D::New(building.attributes, Modeler::DiskCachingOff, nullptr);
		Modeler::Model3DOnlyModifier modifier(model);
		for (const auto& elem : building.elems)
			modifier.AddElem(elem, Kit::NULLGuid);
		IO::MemoryOChannel file;
		Modeler::FLWriteModel(file, Modeler::Model3DViewer(model), Attributes::Viewer(building.attributes));
		WriteWholeFile(path, file.GetBytes());
		CPrintf(out, "sample building written to %s: version %d, %u elements, %llu bytes\n", path, MSIZE_VERSION,
		        static_cast<unsigned>(building.elems.GetSize()), static_cast<unsigned long long>(file.GetDataSize()));
		return 0;
	});
}

} // namespace FileVerbs
