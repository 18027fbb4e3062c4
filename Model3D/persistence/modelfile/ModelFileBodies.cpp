// The model-file reader: bodies, their record sections, transformations and extensions.
//
// Records of sections PGON … TEVE are numbered from 1 across the file, and each body
// names the ranges it owns. The sections are read front to back, skipping what lies
// between the ranges of consecutive owners, so an owner's range must start after the
// range of the owner before it and end inside its section: a file that breaks this is
// refused with an exception naming the body and the section.
#include "Model3D/core/frame/ModelerExceptions.h"
#include "Model3D/persistence/conversion/RecordConversion.h"
#include "Model3D/persistence/modelfile/detail/ModelFileReading.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace Modeler::ModelFile {

namespace {

constexpr Int32 BodyWarning = 46;
constexpr UInt32 SharingBits = BodyOwnGeometry | BodySharedGeometry;

[[noreturn]] void Fail(const std::string& message) {
	throw Kit::InternalErrorException(message.c_str(), __FILE__, __LINE__);
}

[[noreturn]] void FailRunTime(const char* message, UInt32 line) {
	throw Kit::RunTimeErrorException(message, "Model3D/FL", line);
}

// The record at 'p' of the version's BODY form, in the running platform's order, as a
// current BODY.
BODY CurrentBody(const char* p, Int32 version) {
	BODY body{};
	if (version <= LastBody41Version) {
		BODY_41 body41;
		BODY_51 body51;
		std::memcpy(&body41, p, sizeof body41);
		FCBody51FromBody41(&body51, &body41);
		FCBodyFromBody51(&body, &body51);
	} else if (version <= 4012) {
		BODY_51 body51;
		std::memcpy(&body51, p, sizeof body51);
		FCBodyFromBody51(&body, &body51);
	} else if (version <= 4018) {
		BODY_60 body60;
		std::memcpy(&body60, p, sizeof body60);
		if (version == 4018)
			FCBodyFromBody601(&body, &body60);
		else
			FCBodyFromBody60(&body, &body60);
	} else if (version <= 4026) {
		BODY_90 body90;
		std::memcpy(&body90, p, sizeof body90);
		FCBodyFromBody90(&body, &body90);
	} else {
		std::memcpy(&body, p, sizeof body);
	}
	return body;
}

void SwapBodies(Kit::PlatformSign from, char* raw, Int32 count, Int32 version) {
	Int32 offset = 0;
	const Kit::PlatformSign to = Kit::Native_Platform_Sign;
	if (version <= 4012)
		IV_BODY_51(from, raw, &offset, count, version, to);
	else if (version <= 4017)
		IV_BODY_60(from, raw, &offset, count, to);
	else if (version <= 4026)
		IV_BODY_90(from, raw, &offset, count, to);
	else
		IV_BODY(from, raw, &offset, count, to);
}

bool SharesWith(const BODY& earlier, const BODY& body) {
	const bool sameEdges = earlier.fedge == body.fedge && earlier.ledge >= earlier.fedge && body.ledge >= body.fedge;
	return sameEdges || earlier.fvert == body.fvert;
}

} // namespace

void FileReader::ReadBodyRecords(std::vector<BODY>& records) {
	const Int32 count = header.bodyCount;
	const Int32 version = header.version;
	if (count == 0) return;
	if (version == 4018 && Foreign())
		FailRunTime("Modeler::Model3DOnlyModifier::ReadBody601: swapping disabled", __LINE__);
	const bool oldForm = version < 4027;
	std::vector<char> raw(static_cast<USize>(count) * static_cast<USize>(sizes.body));
	if (raw.size() > ch.GetAvailable() || ch.ReadBin(raw.data(), raw.size()) != 0)
		FailRunTime(oldForm ? "ReadOldElems failed" : "ReadCurrElems failed", __LINE__);
	if (Foreign()) SwapBodies(options.platform, raw.data(), count, version);
	records.reserve(static_cast<USize>(count));
	for (Int32 i = 0; i < count; ++i)
		records.push_back(CurrentBody(raw.data() + static_cast<USize>(i) * static_cast<USize>(sizes.body), version));
}

void FileReader::ResolveSharing(std::vector<BODY>& records) {
	for (USize i = 0; i < records.size(); ++i) {
		BODY& r = records[i];
		r.fspare = 0;
		r.lspare = -1;
		Int32 shared = 0;
		if ((r.status & SharingBits) == BodySharedGeometry) {
			for (USize j = 0; j < i && shared == 0; ++j) {
				if (SharesWith(records[j], r)) shared = static_cast<Int32>(j) + 1;
			}
			if (shared == 0) r.status &= ~UInt32(BodySharedGeometry);
		}
		ranges.push_back({r.fvert, r.lvert, r.fteve, r.fedge, r.ledge, r.fpedg, r.lpedg, r.fvect, r.lvect, r.fpgon,
		                  r.lpgon, r.itran, shared});
		bodies.Push(Kit::SharedPtr<CandidateBody>(new CandidateBody(r)));
	}
}

void FileReader::ReadTransformations() {
	if (header.version <= 4011 || header.tranCount == 0) return;
	trafos.resize(static_cast<USize>(header.tranCount));
	const UInt64 bytes = trafos.size() * sizeof(TRAN);
	if (bytes > ch.GetAvailable() || ch.ReadBin(trafos.data(), bytes) != 0)
		FailRunTime("ReadTrafo: FLReadVMDesc failed", __LINE__);
	if (Foreign()) {
		Int32 offset = 0;
		IV_TRAN(options.platform, reinterpret_cast<char*>(trafos.data()), &offset, header.tranCount,
		        Kit::Native_Platform_Sign);
	}
}

template <typename Range, typename Read>
void FileReader::ReadSection(const char* name, Int32 count, Int32 recordSize, bool read, Range range,
                             Read readRecords) {
	if (!read) {
		Skip(UInt64(static_cast<UInt32>(count)) * UInt32(recordSize), "Read error!");
		return;
	}
	Int64 consumed = 0;
	for (USize b = 0; b < bodies.GetSize(); ++b) {
		Int32 first = 0, last = -1;
		if (!range(b, first, last) || last < first || last <= 0) continue;
		if (first < 1 || first - 1 < consumed || last > count) {
			Fail(std::string("The model file's ") + name + " range " + std::to_string(first) + ".." +
			     std::to_string(last) + " of body " + std::to_string(b + 1) +
			     " overlaps the one before it or leaves its section");
		}
		Skip(UInt64(first - 1 - consumed) * UInt32(recordSize), "Read error!");
		readRecords(*bodies[b], static_cast<UInt32>(last - first + 1));
		consumed = last;
	}
	Skip(UInt64(count - consumed) * UInt32(recordSize), "Read error!");
}

void FileReader::ReadSections() {
	const Kit::PlatformSign sign = options.platform;
	const Int32 v = header.version;
	// Polygons, poly-edges and edges belong to bodies that share nothing; vertices,
	// texture vertices and normals also to sharing bodies with vertices of their own.
	const auto owner = [this](USize b) { return ranges[b].shared == 0; };
	const auto vertexOwner = [this](USize b) {
		const BodyRanges& r = ranges[b];
		return r.shared == 0 || ranges[static_cast<USize>(r.shared - 1)].fvert != r.fvert;
	};
	const auto take = [](bool owns, Int32 f, Int32 l, Int32& first, Int32& last) {
		first = f;
		last = l;
		return owns;
	};
	const bool surfaces = options.readSurfaces;
	ReadSection(
	    "PGON", header.pgonCount, sizes.pgon, surfaces,
	    [&](USize b, Int32& f, Int32& l) { return take(owner(b), ranges[b].fpgon, ranges[b].lpgon, f, l); },
	    [&](CandidateBody& body, UInt32 n) { body.ReadPolygon(ch, sign, n, v); });
	ReadSection(
	    "PEDG", header.pedgCount, sizes.pedg, surfaces,
	    [&](USize b, Int32& f, Int32& l) { return take(owner(b), ranges[b].fpedg, ranges[b].lpedg, f, l); },
	    [&](CandidateBody& body, UInt32 n) { body.ReadPolyEdge(ch, sign, n, v); });
	ReadSection(
	    "EDGE", header.edgeCount, sizes.edge, true,
	    [&](USize b, Int32& f, Int32& l) { return take(owner(b), ranges[b].fedge, ranges[b].ledge, f, l); },
	    [&](CandidateBody& body, UInt32 n) { body.ReadEdge(ch, sign, n, v); });
	ReadSection(
	    "VERT", header.vertCount, sizes.vert, true,
	    [&](USize b, Int32& f, Int32& l) { return take(vertexOwner(b), ranges[b].fvert, ranges[b].lvert, f, l); },
	    [&](CandidateBody& body, UInt32 n) { body.ReadVertex(ch, sign, n, v); });
	ReadSection(
	    "VECT", header.vectCount, sizes.vect, surfaces,
	    [&](USize b, Int32& f, Int32& l) { return take(vertexOwner(b), ranges[b].fvect, ranges[b].lvect, f, l); },
	    [&](CandidateBody& body, UInt32 n) { body.ReadPolyNormal(ch, sign, n, v); });
	// Files before 4016 have no texture vertex section, whatever their bodies say.
	if (v < 4016) return;
	ReadSection(
	    "TEVE", header.teveCount, sizes.teve, surfaces,
	    [&](USize b, Int32& f, Int32& l) {
		    const BodyRanges& r = ranges[b];
		    if (!vertexOwner(b) || r.fteve < 1) return false;
		    // A range whose end lies beyond any Int32 certainly leaves its section.
		    const Int64 end = Int64{r.fteve} + (Int64{r.lvert} - r.fvert);
		    f = r.fteve;
		    l = static_cast<Int32>(std::clamp<Int64>(end, -1, std::numeric_limits<Int32>::max()));
		    return true;
	    },
	    [&](CandidateBody& body, UInt32 n) { body.ReadTextureVertex(ch, sign, n, v); });
}

void FileReader::ShareRecords() {
	for (USize b = 0; b < bodies.GetSize(); ++b) {
		if (ranges[b].shared == 0) continue;
		const CandidateBody& from = *bodies[static_cast<USize>(ranges[b].shared - 1)];
		CandidateBody& to = *bodies[b];
		for (UInt32 i = 0; i < from.GetPolygonCount(); ++i)
			to.AddPolygonRec(from.GetConstPolygon(static_cast<Int32>(i)));
		for (UInt32 i = 0; i < from.GetEdgeCount(); ++i)
			to.AddEdgeRec(from.GetConstEdge(static_cast<Int32>(i)));
		for (UInt32 i = 0; i < from.GetPolyEdgeCount(); ++i)
			to.AddPolyEdgeRec(from.GetConstPolyEdge(static_cast<Int32>(i)));
		if (ranges[static_cast<USize>(ranges[b].shared - 1)].fvert != ranges[b].fvert) continue;
		for (UInt32 i = 0; i < from.GetVertexCount(); ++i)
			to.AddVertexRec(from.GetConstVertex(static_cast<Int32>(i)));
		for (UInt32 i = 0; i < from.GetTextureVertexCount(); ++i)
			to.AddTextureVertexRec(from.GetConstTextureVertex(static_cast<Int32>(i)));
		for (UInt32 i = 0; i < from.GetPolyNormalCount(); ++i)
			to.AddPolyNormalRec(from.GetConstPolyNormal(static_cast<Int32>(i)));
	}
}

void FileReader::ApplyTransformations() {
	for (USize b = 0; b < bodies.GetSize(); ++b) {
		const Int32 k = ranges[b].itran;
		if (k <= 0) continue;
		if (k > static_cast<Int32>(trafos.size()))
			Fail("The model file's body " + std::to_string(b + 1) + " names transformation " + std::to_string(k) +
			     " of " + std::to_string(trafos.size()));
		bodies[b]->Transform(trafos[static_cast<USize>(k - 1)]);
		bodies[b]->ClrStatusMask(SharingBits);
	}
}

void FileReader::ReadBodyExtensions() {
	if (header.bextCount == 0) return;
	std::vector<BEXT_51> extensions;
	try {
		extensions.resize(static_cast<USize>(header.bextCount));
	} catch (const std::bad_alloc&) {
		throw ModelerOutOfMemoryException("ReadBextToBody failed", __FILE__, __LINE__);
	}
	ReadBytes(extensions.data(), extensions.size() * sizeof(BEXT_51), "Read error!");
	if (Foreign()) {
		Int32 offset = 0;
		IV_BEXT_51(options.platform, reinterpret_cast<char*>(extensions.data()), &offset, header.bextCount,
		           Kit::Native_Platform_Sign);
	}
	// Record i belongs to body i of the file; when one body is read, to that body.
	const USize firstBody = options.onlyBody > 0 ? static_cast<USize>(options.onlyBody - 1) : 0;
	for (USize b = 0; b < bodies.GetSize() && firstBody + b < extensions.size(); ++b)
		bodies[b]->ApplyBEXT(extensions[firstBody + b]);
}

// Without bodies the sections are skipped whole.
void FileReader::ReadBodies() {
	try {
		std::vector<BODY> records;
		ReadBodyRecords(records);
		if (options.onlyBody != 0) {
			const Int32 keep = options.onlyBody;
			std::vector<BODY> one;
			if (keep >= 1 && keep <= static_cast<Int32>(records.size())) one.push_back(records[USize(keep - 1)]);
			records.swap(one);
		}
		ResolveSharing(records);
		ReadTransformations();
		ReadSections();
		ShareRecords();
		ApplyTransformations();
		ReadBodyExtensions();
		for (const Kit::SharedPtr<CandidateBody>& body : bodies) {
			if (body->IsDeleted()) body->MakeEmpty();
		}
	} catch (const Kit::RootException&) {
		Report(BodyWarning);
		throw;
	}
}

} // namespace Modeler::ModelFile
