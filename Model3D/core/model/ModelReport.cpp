// Model size reports: the main-model report, the clipped-model report of a derived model
// and the repeated-topology saving report.
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/SizeReport.h"
#include "Model3D/core/model/Model3D.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <new>
#include <unordered_set>

namespace Modeler {

namespace {

// Entries of the model report's string list.
constexpr Int32 ReportStrings = 2502;
enum ReportText : Int32 {
	MainModelTitle = 1,
	ClippedModelTitle = 2,
	TotalLabel = 3,
	BodiesLabel = 4,
	LightSourcesLabel = 5,
	PolygonsLabel = 7,
	PolyEdgesLabel = 8,
	EdgesLabel = 9,
	VerticesLabel = 10,
	PolyNormalsLabel = 11,
	HotspotsLabel = 12,
	TextureVerticesLabel = 13,
	ModelObjectLabel = 17,
	ElementsLabel = 18,
	BaseElementsLabel = 19,
};

// A localised label of the model report, held in the buffer size the host expects.
class ReportLabel {
public:
	explicit ReportLabel(Int32 index) { OUGetFixString(text, ReportStrings, index, GetTextResModule()); }
	const char* Get() const { return text; }

private:
	char text[OUFixStringBufferSize] = {};
};

constexpr UInt32 PolyEdgeRecordSize = 4;

// A row whose used and allocated bytes are equal.
void Row(Kit::OChannel& channel, Int32 label, UInt64 recordSize, UInt64 itemCount, UInt64 bytes) {
	PrintOneSizeReport(channel, ReportLabel(label).Get(), CappedFigure(recordSize), CappedFigure(itemCount),
	                   CappedFigure(bytes), CappedFigure(bytes));
}

// One row per kind of content. The reports differ only in what they charge for the
// lights.
void ContentRows(Kit::OChannel& channel, const ContentFigures& f, UInt64 lightRowBytes) {
	Row(channel, ElementsLabel, sizeof(Elem), f.elems, f.sizeofElems);
	Row(channel, BaseElementsLabel, sizeof(BaseElem), f.baseElems,
	    f.sizeofBaseElems - UInt64(sizeof(HOTS)) * f.hotspots - f.lightBytes);
	Row(channel, BodiesLabel, sizeof(Body), f.bodies, UInt64(f.bodies) * sizeof(Body));
	Row(channel, LightSourcesLabel, sizeof(LGHT), f.lights, lightRowBytes);
	Row(channel, PolygonsLabel, sizeof(PGON), f.polygons, UInt64(f.polygons) * sizeof(PGON) + f.polygonCacheBytes);
	// The bytes of the poly-edges follow each body's poly-edge width.
	Row(channel, PolyEdgesLabel, PolyEdgeRecordSize, f.polyEdges, f.polyEdgeBytes);
	Row(channel, EdgesLabel, sizeof(EDGE), f.edges, UInt64(f.edges) * sizeof(EDGE));
	Row(channel, VerticesLabel, sizeof(VERT), f.vertices, UInt64(f.vertices) * sizeof(VERT));
	Row(channel, PolyNormalsLabel, sizeof(VECT), f.polyNormals, UInt64(f.polyNormals) * sizeof(VECT));
	Row(channel, HotspotsLabel, sizeof(HOTS), f.hotspots, UInt64(f.hotspots) * sizeof(HOTS));
	Row(channel, TextureVerticesLabel, sizeof(TEVE), f.textureVertices, UInt64(f.textureVertices) * sizeof(TEVE));
	Row(channel, ModelObjectLabel, sizeof(Model3D), 1, sizeof(Model3D));
}

// A model size report at detail 3 or more: above 3 a blank line, the header and the
// content rows; then the total line, labelled with the report's title when it is the
// only line, else with the "total" text.
void ModelReport(Kit::OChannel& channel, Int16 detail, const char* title, const ContentFigures& f, UInt64 lightRowBytes,
                 UInt64 totalBytes) {
	if (detail > 3) {
		CPrintf(channel, "\n");
		PrintOneSizeReportHeader(channel, title);
		ContentRows(channel, f, lightRowBytes);
	}
	const ReportLabel total(TotalLabel);
	const UInt32 bytes = CappedFigure(totalBytes);
	PrintOneSizeReport(channel, detail == 3 ? title : total.Get(), 0, CappedFigure(f.GetItemCount()), bytes, bytes);
}

template <typename T> void Insert(std::unordered_set<const T*>& set, const T* item) {
	try {
		set.insert(item);
	} catch (const std::bad_alloc&) {
		throw Kit::OutOfMemoryException();
	}
}

} // namespace

// ---- model ------------------------------------------------------------------------

void Model3D::RepeatedTopologySaveReport(Kit::OChannel& channel) const {
	const UInt64 total = GetUsedBytes();
	const UInt64 real = GetRealMainUsedBytes();
	// total includes the model object, so it is never 0; the difference is taken in
	// floating point because real may exceed total when no element shares anything.
	const double saving = (static_cast<double>(total) - static_cast<double>(real)) * 100.0 / static_cast<double>(total);
	CPrintf(channel,
	        "Repeated Topology Save Report\n  Total size : %ld bytes\n  Real size  : %ld bytes\n  Saving     : "
	        "%.3f%%\n------------------------------\n",
	        static_cast<long>(total), static_cast<long>(real), saving);
}

// ---- viewer -----------------------------------------------------------------------

ContentFigures Model3DViewer::WalkClippedModel() const {
	std::unordered_set<const Elem*> mainElems;
	std::unordered_set<const BaseElem*> mainBaseElems;
	std::unordered_set<const Body*> mainBodies;
	if (const Model3D* mainModel = viewedModel->mainModel.Get()) {
		const ElemContainer::ElemList& elems = mainModel->GetElems();
		for (USize i = 0; i < elems.GetSize(); ++i) {
			const Elem* elem = elems[i].Get();
			if (elem == nullptr) continue;
			Insert(mainElems, elem);
			const BaseElem* base = elem->GetConstBaseElem();
			if (base == nullptr) continue;
			Insert(mainBaseElems, base);
			for (UInt32 b = 0; b < base->GetBodyCount(); ++b) {
				if (const Body* body = base->GetConstBody(b).Get()) Insert(mainBodies, body);
			}
		}
	}

	ContentFigures f;
	const ElemContainer::ElemList& elems = viewedModel->GetElems();
	for (USize i = 0; i < elems.GetSize(); ++i) {
		const Elem* elem = elems[i].Get();
		if (elem == nullptr || mainElems.count(elem) != 0) continue;
		f.AddElem(*elem);
		const BaseElem* base = elem->GetConstBaseElem();
		if (base == nullptr || mainBaseElems.count(base) != 0) continue;
		f.AddBaseElem(*base);
		for (UInt32 b = 0; b < base->GetBodyCount(); ++b) {
			const Body* body = base->GetConstBody(b).Get();
			if (body != nullptr && mainBodies.count(body) == 0) f.AddBody(*body);
		}
	}
	return f;
}

UInt64 Model3DViewer::GetClippedBytes(const ContentFigures& clipped) const {
	return viewedModel->GetModelBytes(clipped.sizeofElems + clipped.sizeofBaseElems + clipped.bodyBytes);
}

void Model3DViewer::GetRealClippedAllocationData(UInt32& usedBytes, UInt32& allocBytes, UInt32& itemCount) const {
	const ContentFigures f = WalkClippedModel();
	usedBytes = CappedFigure(GetClippedBytes(f));
	allocBytes = CappedFigure(GetClippedBytes(f));
	itemCount = CappedFigure(f.GetItemCount());
}

void Model3DViewer::ReportSize(Kit::OChannel& channel, Int16 detail) const {
	if (detail < 3) return;
	if (viewedModel->mainModel != nullptr)
		ReportSizeClippedModel(channel, detail, ReportLabel(ClippedModelTitle).Get());
	else
		ReportSizeMainModel(channel, detail, ReportLabel(MainModelTitle).Get());
}

void Model3DViewer::ReportSizeMainModel(Kit::OChannel& channel, Int16 detail, const char* title) const {
	if (detail < 3) return;
	const ContentFigures f = viewedModel->GetRealMainFigures();
	const UInt64 lightBytes = UInt64(f.lights) * sizeof(LGHT) + f.lightVariableBytes;
	ModelReport(channel, detail, title, f, lightBytes, viewedModel->GetRealMainUsedBytes(f));
}

void Model3DViewer::ReportSizeClippedModel(Kit::OChannel& channel, Int16 detail, const char* title) const {
	if (detail < 3) return;
	const ContentFigures f = WalkClippedModel();
	ModelReport(channel, detail, title, f, f.lightBytes, GetClippedBytes(f));
}

} // namespace Modeler
