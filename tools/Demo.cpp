#include "Demo.h"

#include "SampleModel.h"

#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/model/Model3D.h"
#include "Model3D/geometry/polygons/DrawingGeometry.h"
#include "platform/IOFolder.h"
#include "platform/KitHashTable.h"
#include "platform/KitLogger.h"
#include "platform/PFPictureFiles.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Modeler::Model3D;

// What the demo compares before and after a purge.
struct Snapshot {
	std::vector<Kit::ConstSharedPtr<Modeler::Elem>> elems;
	std::vector<UInt32> firstBinds;
	std::vector<Int32> pgonOffsets;
	UInt32 baseElemCount = 0;
	UInt32 bodyCount = 0;
};

UInt32 DistinctBodies(const Modeler::Model3DViewer& viewer) {
	Kit::HashTable<const Modeler::Body*, UInt32> bodies;
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const auto elem = viewer.GetConstElem(i);
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j)
			bodies.Put(elem->GetConstBody(j).Get(), 1);
	}
	return static_cast<UInt32>(bodies.GetSize());
}

Snapshot Take(const Modeler::Model3DViewer& viewer) {
	Snapshot s;
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const auto elem = viewer.GetConstElem(i);
		s.elems.push_back(elem);
		s.firstBinds.push_back(viewer.GetBind(i, 0));
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j)
			s.pgonOffsets.push_back(viewer.GetGlobPgonIdx(i, j));
	}
	s.baseElemCount = viewer.GetBaseElemCount();
	s.bodyCount = DistinctBodies(viewer);
	return s;
}

// Equal content, binds, polygon numbering and sharing; the restored elements are new
// objects read back from the cache file.
bool SameModel(const Snapshot& before, const Snapshot& after, const Modeler::Model3DViewer& viewer) {
	if (before.elems.size() != after.elems.size() || before.firstBinds != after.firstBinds ||
	    before.pgonOffsets != after.pgonOffsets || before.baseElemCount != after.baseElemCount ||
	    before.bodyCount != after.bodyCount)
		return false;
	for (USize i = 0; i < before.elems.size(); ++i) {
		if (!(*before.elems[i] == *after.elems[i])) return false;
		if (viewer.GetElemIdx(before.elems[i]->GetElemId().guid) != static_cast<Int32>(i)) return false;
	}
	return true;
}

// Convex parts of a polygon: itself when it is convex, else its decomposition's parts.
UInt32 ConvexParts(const Modeler::Body& body, const Modeler::PGON& pgon) {
	if (!pgon.IsComplex()) return 1;
	Kit::PagedArray<Int32> parts;
	try {
		DecomposePolygon(body, pgon, parts);
	} catch (const Kit::KitException&) {
		return 0;
	}
	return parts.IsEmpty() ? 0 : static_cast<UInt32>(-parts[0]);
}

// Per distinct body: its polygons, how many of them are concave or have holes, and the
// convex parts and triangles that renderers get.
void PrintDecomposition(Kit::OChannel& out, const Modeler::Model3DViewer& viewer) {
	CPrintf(out, "\ndecomposition (per distinct body)\n");
	CPrintf(out, "  elem body  polygons  complex  convex parts  triangles\n");
	Kit::HashTable<const Modeler::Body*, UInt32> seen;
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const auto elem = viewer.GetConstElem(i);
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j) {
			const Modeler::Body& body = *elem->GetConstBody(j);
			if (seen.GetPtr(&body) != nullptr) continue;
			seen.Put(&body, 1);
			UInt32 complex = 0, parts = 0, triangles = 0;
			for (Int32 p = 0; p < static_cast<Int32>(body.GetPolygonCount()); ++p) {
				const Modeler::PGON& pgon = body.GetConstPolygon(p);
				complex += pgon.IsComplex() ? 1 : 0;
				parts += ConvexParts(body, pgon);
				triangles += static_cast<UInt32>(pgon.GetTriangleCount(body));
			}
			CPrintf(out, "  %-4u %4u  %8u  %7u  %12u  %9u\n", i, j, body.GetPolygonCount(), complex, parts, triangles);
		}
	}
}

void PrintModel(Kit::OChannel& out, const char* title, const Modeler::Model3DViewer& viewer) {
	CPrintf(out, "%s\n", title);
	CPrintf(out, "  elements %u, distinct base elements %u, distinct bodies %u, hotspots %u, lights %u\n",
	        viewer.GetElemCount(), viewer.GetBaseElemCount(), DistinctBodies(viewer), viewer.GetHotspotCount(),
	        viewer.GetLightSourceCount());
	UInt32 reversed = 0;
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const auto elem = viewer.GetConstElem(i);
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j) {
			const Modeler::Body& body = *elem->GetConstBody(j);
			for (UInt32 p = 0; p < body.GetPolygonCount(); ++p)
				reversed += body.GetConstPolygon(static_cast<Int32>(p)).ivect < 0 ? 1 : 0;
		}
	}
	CPrintf(out, "  polygons whose contours run against their normal: %u\n", reversed);
	const Box3D& b = viewer.GetBounds();
	CPrintf(out, "  bounds x %.2f..%.2f  y %.2f..%.2f  z %.2f..%.2f\n", b.xMin, b.xMax, b.yMin, b.yMax, b.zMin, b.zMax);
	CPrintf(out, "  global polygons numbered: %u bodies\n", viewer.GetGPgonCount());
	CPrintf(out, "  %-4s %-40s %6s %5s %9s %12s\n", "elem", "guid", "bodies", "bind", "polygons", "first pgon");
	for (UInt32 i = 0; i < viewer.GetElemCount(); ++i) {
		const auto elem = viewer.GetConstElem(i);
		UInt32 polygons = 0;
		for (UInt32 j = 0; j < elem->GetBodyCount(); ++j)
			polygons += elem->GetConstBody(j)->GetPolygonCount();
		// A polygon's global index is its body's offset plus its own mpuid.
		const Modeler::Body& first = *elem->GetConstBody(0);
		const Int32 firstPgon = first.HasPolygons() ? viewer.GetGlobPgonIdx(i, 0) + first.GetConstPolygon(0).mpuid : 0;
		CPrintf(out, "  %-4u %-40s %6u %5u %9u %12d\n", i, elem->GetElemId().guid.ToString().c_str(),
		        elem->GetBodyCount(), viewer.GetBind(i, 0), polygons, firstPgon);
	}
}

std::uintmax_t CacheFileSize(const Model3D& model) {
	const auto file =
	    model.GetSwapFolderLocation().GetPath() / ("ModelElems-" + std::to_string(model.GetGlobalIndex()));
	std::error_code ec;
	const auto size = std::filesystem::file_size(file, ec);
	return ec ? 0 : size;
}

// Writes a brick pattern as a PNG file; false when it cannot.
bool WriteBrickPicture(const std::filesystem::path& file, Int32 width, Int32 height) {
	std::vector<UInt8> rgb(USize(width) * USize(height) * 3);
	for (Int32 y = 0; y < height; ++y)
		for (Int32 x = 0; x < width; ++x) {
			const Int32 shift = (y / 8) % 2 == 0 ? 0 : 8;
			const bool joint = y % 8 == 7 || (x + shift) % 16 == 15;
			UInt8* p = &rgb[(USize(y) * USize(width) + USize(x)) * 3];
			p[0] = joint ? 200 : UInt8(150 + (x * 7 + y * 3) % 40);
			p[1] = joint ? 200 : 70;
			p[2] = joint ? 190 : 50;
		}
	png_image image{};
	image.version = PNG_IMAGE_VERSION;
	image.width = png_uint_32(width);
	image.height = png_uint_32(height);
	image.format = PNG_FORMAT_RGB;
	return png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// Gives the first material a texture from a picture written into the module's temporary
// folder, as the host's library folder, and loads it.
void TextureFirstMaterial(Kit::OChannel& out, const Kit::SharedPtr<Modeler::Attributes>& attributes) {
	const IO::Folder* temporary = GetTemporaryFolder();
	if (temporary == nullptr || !WriteBrickPicture(temporary->GetLocationOf(IO::Name("Brick.png")).GetPath(), 64, 32)) {
		CPrintf(out, "texture: the picture could not be written\n\n");
		return;
	}
	PFSetLibraryFolder(temporary->GetLocation());
	PlanAttr::Material host;
	host.SetTextureName(Kit::UniString("Brick"));
	host.SetTextureStatus(0x1000); // has a texture, at the picture's own proportions
	host.SetTextureSize(2.0, 1.0);
	Modeler::Attributes::Modifier store(attributes);
	const Int32 texture = IMAddRtxt2Umat(&store, host, 1, -1);
	const Int32 bytes =
	    texture > 0 ? store.LoadTexturePixels(Int16(texture), Modeler::LoadPixelsAndSummedAreaTable) : 0;
	PFSetLibraryFolder(IO::Location());
	if (texture <= 0 || store.GetConstTexturePtr(UInt32(texture))->pixels == nullptr) {
		CPrintf(out, "texture: Brick.png could not be loaded\n\n");
		return;
	}
	const RTXT& t = *store.GetConstTexturePtr(UInt32(texture));
	CPrintf(out, "texture %d of material 1: Brick.png, %d x %d pixels loaded (%d bytes with its summed-area table)\n\n",
	        texture, t.pixelWidth, t.pixelHeight, bytes);
}

int RunWithModule(Kit::OChannel& out, std::optional<UInt64> seed) {
	Sample::Building building = Sample::MakeBuilding(seed);
	Kit::SharedPtr<Model3D> model = Model3D::New(building.attributes, Modeler::DiskCachingOn, nullptr);
	Modeler::Model3DModifier modifier(model);
	for (const auto& elem : building.elems)
		modifier.AddElem(elem, Kit::NULLGuid);
	modifier.CalculateBounds(0);
	modifier.CalculateGPgons(0);
	building.elems.Clear();

	const Modeler::Model3DViewer viewer(model);
	CPrintf(out, "attribute store: %u materials\n\n",
	        Modeler::Attributes::Viewer(building.attributes).GetMaterialCount());
	TextureFirstMaterial(out, building.attributes);
	PrintModel(out, "main model", viewer);
	PrintDecomposition(out, viewer);
	viewer.ReportSize(out, 4);
	out << "\n";
	viewer.RepeatedTopologySaveReport(out);
	const Snapshot before = Take(viewer);

	model->Purge();
	const std::uintmax_t cacheBytes = CacheFileSize(*model);
	CPrintf(out, "\npurged: %u elements kept in a %ju-byte cache file\n", viewer.GetElemCount(), cacheBytes);
	const Snapshot after = Take(viewer);
	const bool unchanged = cacheBytes > 0 && SameModel(before, after, viewer);
	CPrintf(out, "restored: %s\n",
	        unchanged ? "elements, sharing, binds and polygon numbering unchanged" : "MISMATCH after restore");

	// A derived model mirrors the main model slot by slot with its own elements and takes
	// its binds and global polygon numbers from the main model.
	Kit::SharedPtr<Model3D> derived = Model3D::New(building.attributes, Modeler::DiskCachingOff, model);
	const Modeler::Model3DViewer derivedViewer(derived);
	bool mirrors = derivedViewer.GetElemCount() == viewer.GetElemCount() && !derivedViewer.IsMainModelViewer();
	for (UInt32 i = 0; mirrors && i < viewer.GetElemCount(); ++i) {
		const auto mine = derivedViewer.GetConstElem(i);
		const auto main = viewer.GetConstElem(i);
		mirrors = mine.Get() != main.Get() && mine->GetElemId().guid == main->GetElemId().guid &&
		          derivedViewer.GetBind(i, 0) == viewer.GetBind(i, 0) &&
		          derivedViewer.GetGlobPgonIdx(i, 0) == viewer.GetGlobPgonIdx(i, 0);
	}
	CPrintf(out, "\nderived model: %u elements (global index %u), %s\n", derivedViewer.GetElemCount(),
	        derived->GetGlobalIndex(), mirrors ? "mirrors the main model" : "MISMATCH with the main model");
	return unchanged && mirrors ? 0 : 1;
}

} // namespace

int RunDemo(Kit::OChannel& out, std::optional<UInt64> seed) {
	const std::filesystem::path parent =
	    std::filesystem::temp_directory_path() / ("m3d-demo-" + std::to_string(::getpid()));
	IO::Location location(parent);
	if (const Int16 init = M3DInit(&location, 0, 0); init != 0) {
		// The module logs why it could not start.
		const std::vector<Kit::LogLine> lines = Kit::logger.GetLines();
		std::fprintf(stderr, "m3d: %s\n", lines.empty() ? "M3DInit failed" : lines.back().text.c_str());
		return 1;
	}
	// The scratch folder's own name changes from run to run; only where it lies is shown.
	CPrintf(out, "model3d started; temporary folder under %s\n\n", parent.parent_path().c_str());
	int result = 1;
	try {
		result = RunWithModule(out, seed);
	} catch (const Kit::KitException& e) {
		std::fprintf(stderr, "m3d: %s\n", e.Describe().c_str());
	}
	M3DExit();
	std::error_code ec;
	std::filesystem::remove_all(parent, ec);
	CPrintf(out, "\nmodel3d stopped\n");
	return result;
}
