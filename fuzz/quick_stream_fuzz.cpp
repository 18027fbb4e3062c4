// Feeds arbitrary bytes to the readers of the module's own memory images. The first
// byte picks the reader:
//   0: Body::QuickRead            1: CandidateBody::QuickRead
//   2: BaseElem::QuickRead        3: a run of Elem::QuickRead through one set of tables
//   4: LGHT::QuickRead            5: ElemContainer::ReadFromFile (the input is the file)
// A reader either accepts or throws a root-library exception. What it accepts writes
// back; those bytes read again and write the same bytes.
#include "FuzzSupport.h"

#include "Model3D/bodies/builder/CandidateBody.h"
#include "Model3D/core/elems/ElemContainer.h"
#include "Model3D/elements/elem/Elem.h"
#include "fixtures/ElemFixtures.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using FuzzSupport::Bytes;
using FuzzSupport::Require;
using FuzzSupport::Written;
using Modeler::BaseElem;
using Modeler::Body;
using Modeler::CandidateBody;
using Modeler::Elem;
using Modeler::ElemContainer;

enum Reader : std::uint8_t { BodyReader, CandidateReader, BaseElemReader, ElemReader, LightReader, CacheReader };
constexpr std::uint8_t ReaderCount = 6;

// Reads with 'read' into a fresh object made by 'make'; when accepted, checks that the
// object's image reads back into an object with the same image.
template <typename T, typename Make, typename Read, typename Write>
void RoundTrip(const char* data, USize size, Make make, Read read, Write write) {
	T first = make();
	IO::MemoryIChannel in(data, size);
	try {
		read(first, in);
	} catch (const Kit::RootException&) {
		FuzzSupport::Refused();
		return;
	}
	const Bytes image = Written([&](Kit::OChannel& out) { write(first, out); });
	T second = make();
	IO::MemoryIChannel again(image.data(), image.size());
	read(second, again);
	Require(again.GetAvailable() == 0, "the image is read to its end");
	Require(Written([&](Kit::OChannel& out) { write(second, out); }) == image, "the image writes back unchanged");
}

Kit::SharedPtr<Elem> EmptyElem() {
	return Kit::SharedPtr<Elem>(new Elem(Modeler::VOCA(), false, false, nullptr));
}

// Elements read one after the other through one set of tables, as the cache file has them.
using ElemRun = std::vector<Kit::SharedPtr<Elem>>;

void ReadElems(ElemRun& elems, Kit::IChannel& in) {
	Modeler::BodyReadTable bodies;
	Modeler::BaseElemReadTable baseElems;
	while (in.GetAvailable() > 0) {
		Kit::SharedPtr<Elem> elem = EmptyElem();
		elem->QuickRead(in, bodies, baseElems);
		elems.push_back(elem);
	}
}

void WriteElems(const ElemRun& elems, Kit::OChannel& out) {
	Modeler::BodyWriteTable bodies;
	Modeler::BaseElemWriteTable baseElems;
	for (const auto& elem : elems)
		elem->QuickWrite(out, bodies, baseElems);
}

// The swap folder of this process, removed at the end.
const std::filesystem::path& SwapFolder() {
	static const std::filesystem::path folder = [] {
		std::filesystem::path path =
		    std::filesystem::temp_directory_path() / ("m3d-fuzz-swap-" + std::to_string(::getpid()));
		std::filesystem::create_directories(path);
		std::atexit([] { std::filesystem::remove_all(SwapFolder()); });
		return path;
	}();
	return folder;
}

Bytes FileBytes(const std::filesystem::path& path) {
	std::ifstream in(path, std::ios::binary);
	return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CacheRoundTrip(const char* data, USize size) {
	const std::filesystem::path& folder = SwapFolder();
	{
		std::ofstream file(folder / ElemContainer::GetCacheFileName(1).ToUtf8(), std::ios::binary | std::ios::trunc);
		file.write(data, static_cast<std::streamsize>(size));
		Require(file.good(), "cache file written");
	}
	ElemContainer first;
	try {
		first.ReadFromFile(IO::Location(folder), 1);
	} catch (const Kit::RootException&) {
		// The refusal is logged; the kept line would look like a leak to the fuzzer.
		Kit::logger.Clear();
		FuzzSupport::Refused();
		return;
	}
	first.WriteToFile(IO::Location(folder), 2);
	ElemContainer second;
	second.ReadFromFile(IO::Location(folder), 2);
	Require(second.GetElemCount() == first.GetElemCount(), "the cache file restores every element");
	second.WriteToFile(IO::Location(folder), 3);
	Require(FileBytes(folder / ElemContainer::GetCacheFileName(2).ToUtf8()) ==
	            FileBytes(folder / ElemContainer::GetCacheFileName(3).ToUtf8()),
	        "the cache file writes back unchanged");
}

LGHT SampleLight(float x) {
	LGHT light;
	light.type = 3;
	light.SetPos(x, 1.0f, 2.0f);
	light.SetDir(0.0f, 0.0f, -1.0f);
	const UInt32 power = light.params.PushEntry("power", Modeler::PropertyList::Num, Modeler::PropertyList::Scalar);
	light.params.SetNumEntry(power, 0.5 + x);
	const UInt32 name = light.params.PushEntry("name", Modeler::PropertyList::String, Modeler::PropertyList::Scalar);
	light.params.SetStringEntry(name, "spot");
	return light;
}

} // namespace

void WriteSeeds(FuzzSupport::SeedWriter& seeds) {
	std::vector<Kit::SharedPtr<Body>> bodies{Fixtures::MakeCube(), Fixtures::MakeWallWithWindow(),
	                                         Fixtures::MakeCurvedTexturedCube()};
	bodies.back()->InitRoundNormVectors();
	for (const auto& body : bodies) {
		seeds.Add("body", {BodyReader}, Written([&](Kit::OChannel& out) { body->QuickWrite(out); }));
		const CandidateBody candidate(*body);
		seeds.Add("candidate", {CandidateReader}, Written([&](Kit::OChannel& out) { candidate.QuickWrite(out); }));
	}

	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	pair.base->AddLightSource(SampleLight(1.0f));
	pair.base->AddHotspot(Fixtures::MakeHotspot(1, 2, 3));
	Kit::SharedPtr<BaseElem> mixed = Fixtures::MakeBaseElem({bodies[0], bodies[1], bodies[0], bodies[2]});
	mixed->AddLightSource(SampleLight(2.0f));
	for (const auto& base : {pair.base, mixed})
		seeds.Add("baseelem", {BaseElemReader}, Written([&](Kit::OChannel& out) { base->QuickWrite(out); }));

	Kit::SharedPtr<Elem> third = Fixtures::MakeElem(mixed, Fixtures::Translation(5, 0, 0));
	const ElemRun run{pair.first, pair.second, third, pair.first};
	seeds.Add("elems", {ElemReader}, Written([&](Kit::OChannel& out) { WriteElems(run, out); }));
	seeds.Add("light", {LightReader}, Written([&](Kit::OChannel& out) { SampleLight(3.0f).QuickWrite(out); }));

	ElemContainer container;
	for (const auto& elem : run) {
		container.GetElemGuidIndexMap().Put(elem->GetElemId().guid, container.GetElems().GetSize());
		container.GetElems().Push(elem);
	}
	container.CalculateGPgons(0);
	container.WriteToFile(IO::Location(SwapFolder()), 4);
	seeds.Add("cache", {CacheReader}, FileBytes(SwapFolder() / ElemContainer::GetCacheFileName(4).ToUtf8()));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
	if (size < 1 || size > (1u << 20)) return 0;
	const char* data = reinterpret_cast<const char*>(bytes) + 1;
	const USize length = size - 1;
	switch (bytes[0] % ReaderCount) {
	case BodyReader:
		RoundTrip<Body>(
		    data, length, [] { return Body(); }, [](Body& b, Kit::IChannel& in) { b.QuickRead(in); },
		    [](const Body& b, Kit::OChannel& out) { b.QuickWrite(out); });
		break;
	case CandidateReader:
		RoundTrip<CandidateBody>(
		    data, length, [] { return CandidateBody(); },
		    [](CandidateBody& b, Kit::IChannel& in) {
			    b.QuickRead(in);
			    (void)b.ToBody();
		    },
		    [](const CandidateBody& b, Kit::OChannel& out) { b.QuickWrite(out); });
		break;
	case BaseElemReader:
		RoundTrip<BaseElem>(
		    data, length, [] { return BaseElem(); }, [](BaseElem& b, Kit::IChannel& in) { b.QuickRead(in); },
		    [](const BaseElem& b, Kit::OChannel& out) { b.QuickWrite(out); });
		break;
	case ElemReader:
		RoundTrip<ElemRun>(
		    data, length, [] { return ElemRun(); }, ReadElems, WriteElems);
		break;
	case LightReader:
		RoundTrip<LGHT>(
		    data, length, [] { return LGHT(); }, [](LGHT& l, Kit::IChannel& in) { l.QuickRead(in); },
		    [](const LGHT& l, Kit::OChannel& out) { l.QuickWrite(out); });
		break;
	default:
		CacheRoundTrip(data, length);
		break;
	}
	return 0;
}
