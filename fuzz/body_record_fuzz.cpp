// Feeds arbitrary bytes to the body builder's model-file record readers. The first byte
// picks the byte order (bit 0) and the file version (the rest), so that every record
// layout is reached in both orders; then each step is a byte choosing the reader
// (vertices, texture vertices, edges, poly-edges, polygon normals, polygons), a UInt32
// record count as it comes (forged counts included), and the records. A reader either
// stores all its records or throws a root-library exception and stores none.
//
// What was read makes a builder whose memory image reads back and writes the same bytes,
// and which turns into a body.
#include "FuzzSupport.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "fixtures/BodyFixtures.h"
#include "platform/KitException.h"

namespace {

using FuzzSupport::Append;
using FuzzSupport::Bytes;
using FuzzSupport::Require;
using FuzzSupport::Written;
using Modeler::CandidateBody;

const Int32 Versions[] = {4001, 4002, 4008, 4010, 4011, 4012, 4014, 4015, 4020, 4025, 4026, 4030, 4031, 4032};
constexpr USize VersionCount = sizeof Versions / sizeof Versions[0];
constexpr Kit::PlatformSign Orders[2] = {Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign};

enum Record : std::uint8_t { Vertices, TextureVertices, Edges, PolyEdges, PolyNormals, Polygons };
constexpr std::uint8_t RecordKinds = 6;

using ReadFn = void (CandidateBody::*)(Kit::IChannel&, Kit::PlatformSign, UInt32, Int32);
const ReadFn Readers[RecordKinds] = {&CandidateBody::ReadVertex,     &CandidateBody::ReadTextureVertex,
                                     &CandidateBody::ReadEdge,       &CandidateBody::ReadPolyEdge,
                                     &CandidateBody::ReadPolyNormal, &CandidateBody::ReadPolygon};

// The element counts of the builder, to tell that a refused read stored nothing.
std::vector<UInt32> Counts(const CandidateBody& body) {
	return {body.GetVertexCount(),   body.GetTextureVertexCount(), body.GetEdgeCount(),
	        body.GetPolyEdgeCount(), body.GetPolyNormalCount(),    body.GetPolygonCount()};
}

template <typename T> void AddRecords(Bytes& step, Record kind, const Kit::PagedArray<T>& items, USize size) {
	step.push_back(static_cast<char>(kind));
	FuzzSupport::Append(step, static_cast<UInt32>(items.GetSize()));
	for (USize i = 0; i < items.GetSize(); ++i) {
		const char* p = reinterpret_cast<const char*>(&items[i]);
		step.insert(step.end(), p, p + size);
	}
}

} // namespace

// The records of the fixture bodies as the current version stores them on this platform.
void WriteSeeds(FuzzSupport::SeedWriter& seeds) {
	const char current = static_cast<char>((VersionCount - 1) << 1);
	for (const Fixtures::BodyData& d : {Fixtures::CubeData(), Fixtures::WallWithWindowData()}) {
		Bytes records;
		AddRecords(records, Vertices, d.vertices, sizeof(VERT));
		AddRecords(records, Edges, d.edges, sizeof(EDGE));
		AddRecords(records, PolyEdges, d.polyEdges, sizeof(Int32));
		AddRecords(records, PolyNormals, d.polyNormals, sizeof(VECT));
		AddRecords(records, Polygons, d.polygons, 40);
		seeds.Add("records", {current}, records);
	}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
	if (size < 1 || size > (1u << 20)) return 0;
	const Kit::PlatformSign order = Orders[bytes[0] & 1];
	const Int32 version = Versions[(bytes[0] >> 1) % VersionCount];
	IO::MemoryIChannel in(bytes + 1, size - 1);
	CandidateBody body;
	for (UInt8 kind = 0; in.GetAvailable() > 0;) {
		UInt32 count = 0;
		in.Read(kind).Read(count);
		const std::vector<UInt32> before = Counts(body);
		try {
			(body.*Readers[kind % RecordKinds])(in, order, count, version);
		} catch (const Kit::RootException&) {
			Require(Counts(body) == before, "a refused read stores nothing");
			FuzzSupport::Refused();
			break;
		}
	}
	const Bytes image = Written([&](Kit::OChannel& out) { body.QuickWrite(out); });
	CandidateBody again;
	IO::MemoryIChannel back(image.data(), image.size());
	again.QuickRead(back);
	Require(Written([&](Kit::OChannel& out) { again.QuickWrite(out); }) == image, "the image writes back unchanged");
	(void)again.ToBody();
	return 0;
}
