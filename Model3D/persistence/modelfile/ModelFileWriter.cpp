#include "Model3D/persistence/modelfile/ModelFileWriter.h"

#include "Model3D/elements/elem/BaseElem.h"
#include "Model3D/elements/elem/Elem.h"
#include "Model3D/persistence/modelfile/ModelFileLayout.h"
#include "Model3D/persistence/modelfile/detail/RecordSectionWriter.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"

#include <cstring>
#include <limits>
#include <vector>

namespace Modeler {

namespace {

using ModelFile::RecordSection;
using ModelFile::RecordSectionWriter;

[[noreturn]] void Fail(const char* what) {
	throw Kit::InternalErrorException(what, __FILE__, __LINE__);
}

void WriteBytes(Kit::OChannel& ch, const void* bytes, UInt64 n, const char* what) {
	if (n > 0 && ch.WriteBin(bytes, n) != 0) Fail(what);
}

Int32 CheckedCount(UInt64 n) {
	if (n > static_cast<UInt64>(std::numeric_limits<Int32>::max())) Fail("FLWriteModel: the model is too large");
	return static_cast<Int32>(n);
}

// Calls visit(elem, body) for every visible body of every valid element, in order.
template <typename Visit> void ForEachWrittenBody(const Model3DViewer& model, Visit visit) {
	for (UInt32 e = 0; e < model.GetElemCount(); ++e) {
		const Kit::ConstSharedPtr<Elem> elem = model.GetConstElem(e);
		const BaseElem* base = elem != nullptr ? elem->GetConstBaseElem() : nullptr;
		if (base == nullptr || elem->IsInvalid()) continue;
		for (UInt32 b = 0; b < base->GetBodyCount(); ++b) {
			const Body* body = base->GetConstBody(b).Get();
			if (body != nullptr && !body->IsInvisible()) visit(*elem, *body);
		}
	}
}

// Running totals of the record sections, in the order of RecordSections.
struct SectionTotals {
	UInt64 counts[6] = {};

	UInt64& operator[](RecordSection s) { return counts[static_cast<int>(s)]; }
};

// The body's BODY record with its ranges moved behind the records of the bodies before it
// and the box of its placed vertices, since the file holds them in model coordinates.
BODY PlacedRecord(const Body& body, const TRAN& trafo, SectionTotals& totals) {
	BODY record{};
	body.ToBODY(&record);
	record.itran = 0;
	if ((trafo.status & Geometry::TR_IDENT) == 0) {
		F_Box3D box;
		body.GetBounds(&trafo, box);
		const float placed[6] = {box.xMin, box.yMin, box.zMin, box.xMax, box.yMax, box.zMax};
		std::memcpy(record.box, placed, sizeof placed);
	}
	const auto shift = [&totals](RecordSection s, Int32& first, Int32& last) {
		first += CheckedCount(totals[s]);
		last += CheckedCount(totals[s]);
	};
	shift(RecordSection::Pgon, record.fpgon, record.lpgon);
	shift(RecordSection::Pedg, record.fpedg, record.lpedg);
	shift(RecordSection::Edge, record.fedge, record.ledge);
	shift(RecordSection::Vert, record.fvert, record.lvert);
	shift(RecordSection::Vect, record.fvect, record.lvect);
	if (record.fteve != 0) record.fteve += CheckedCount(totals[RecordSection::Teve]);
	for (RecordSection s : ModelFile::RecordSections)
		totals[s] += RecordSectionWriter::RecordCount(body, s);
	return record;
}

// Polygon edges, vertices and normals change with the placement; the other sections do not.
bool PlacementChanges(RecordSection s) {
	return s == RecordSection::Pedg || s == RecordSection::Vert || s == RecordSection::Vect;
}

void WriteTexturePixels(Kit::OChannel& ch, const Attributes::Viewer& attrs) {
	for (UInt32 t = 1; t <= attrs.GetTextureCount(); ++t) {
		const RTXT* texture = attrs.GetConstTexturePtr(t);
		Int64 n = Int64{texture->pixelWidth} * texture->pixelHeight * 4;
		if ((texture->status & RTXTHasSummedArea) != 0) n *= 5;
		const bool loaded = (texture->status & RTXTPixelsNotLoaded) == 0 && texture->pixels != nullptr &&
		                    BMGetHandleSize(texture->pixels) == n && n > 0 && n <= std::numeric_limits<Int32>::max();
		const Int32 count = loaded ? static_cast<Int32>(n) : 0;
		WriteBytes(ch, &count, sizeof count, "FLWriteModel: cannot write texture pixels");
		if (loaded)
			WriteBytes(ch, *texture->pixels, static_cast<UInt64>(n), "FLWriteModel: cannot write texture pixels");
	}
}

} // namespace

void FLWriteModel(Kit::OChannel& ch, const Model3DViewer& model, const Attributes::Viewer& attrs, Int32) {
	MSIZ header{};
	header.version = MSIZE_VERSION;
	header.lightCount = CheckedCount(model.GetLightSourceCount());
	header.textureCount = CheckedCount(attrs.GetTextureCount());
	header.fillCount = CheckedCount(attrs.GetFillCount());
	header.materialCount = CheckedCount(attrs.GetMaterialCount());
	header.fideSize = CheckedCount(attrs.GetFillDescriptorCount());

	std::vector<BODY> records;
	records.reserve(model.GetBodyCount());
	SectionTotals totals;
	ForEachWrittenBody(model, [&](const Elem& elem, const Body& body) {
		records.push_back(PlacedRecord(body, elem.GetConstTrafo(), totals));
	});
	header.bodyCount = CheckedCount(records.size());
	header.pgonCount = CheckedCount(totals[RecordSection::Pgon]);
	header.pedgCount = CheckedCount(totals[RecordSection::Pedg]);
	header.edgeCount = CheckedCount(totals[RecordSection::Edge]);
	header.vertCount = CheckedCount(totals[RecordSection::Vert]);
	header.vectCount = CheckedCount(totals[RecordSection::Vect]);
	header.teveCount = CheckedCount(totals[RecordSection::Teve]);

	WriteBytes(ch, &header, sizeof header, "FLWriteModel: cannot write the header");
	WriteBytes(ch, records.data(), records.size() * sizeof(BODY), "FLWriteModel: cannot write the bodies");

	RecordSectionWriter writer(ch);
	for (RecordSection s : ModelFile::RecordSections) {
		ForEachWrittenBody(model, [&](const Elem& elem, const Body& body) {
			const TRAN& trafo = elem.GetConstTrafo();
			if (!PlacementChanges(s) || (trafo.status & Geometry::TR_IDENT) != 0 ||
			    RecordSectionWriter::RecordCount(body, s) == 0) {
				writer.Write(body, s);
				return;
			}
			writer.Write(Body(body, &trafo), s);
		});
	}

	model.WriteLightSources(ch);
	attrs.WriteTextureFile(ch, 1, static_cast<UInt32>(header.textureCount));
	attrs.WriteFillFile(ch, 1, static_cast<UInt32>(header.fillCount));
	attrs.WriteMaterialFile(ch, 1, static_cast<UInt32>(header.materialCount));
	attrs.WriteFillDescriptorFile(ch, 1, static_cast<UInt32>(header.fideSize));
	WriteTexturePixels(ch, attrs);
	if (ch.GetOutputStatus() != 0) Fail("FLWriteModel: the output channel failed");
	attrs.UnloadAllTexturesPixels();
}

void FLWriteOneBody(Kit::OChannel& ch, const Elem& elem, const Body& body, const Attributes::Viewer& attrs) {
	MSIZ header{};
	header.version = MSIZE_VERSION;
	header.bodyCount = 1;
	header.pgonCount = CheckedCount(body.GetPolygonCount());
	header.pedgCount = CheckedCount(body.GetPolyEdgeCount());
	header.edgeCount = CheckedCount(body.GetEdgeCount());
	header.vertCount = CheckedCount(body.GetVertexCount());
	header.vectCount = CheckedCount(body.GetPolyNormalCount());
	header.teveCount = CheckedCount(body.GetTextureVertexCount());
	header.tranCount = 1;
	WriteBytes(ch, &header, sizeof header, "FLWriteOneBody: cannot write the header");
	try {
		body.WriteAsBODY(ch);
	} catch (const Kit::RunTimeErrorException& e) {
		throw Kit::InternalErrorException("FLWriteOneBody: cannot write the body", __FILE__, __LINE__, e);
	}
	const TRAN& trafo = elem.GetConstTrafo();
	WriteBytes(ch, &trafo, sizeof trafo, "FLWriteOneBody: cannot write the transformation");
	RecordSectionWriter writer(ch);
	for (RecordSection s : ModelFile::RecordSections)
		writer.Write(body, s);
	attrs.WriteMaterialFile(ch, 1, 0);
	if (ch.GetOutputStatus() != 0) Fail("FLWriteOneBody: the output channel failed");
}

} // namespace Modeler
