// Feeds arbitrary bytes to the readers of property lists and of the records that carry
// them. The first byte picks the reader, the second the byte order (bit 0) and the file
// version (the rest) where the reader takes them:
//   0: Kit::PropertyList::Read          1: LGHT::Read (versions 4022 … 4032)
//   2: UMAT::Read (versions 4001 … 4032) 3: the old parameter-block loader
//   4: IMConvertFillToClass             5: nested object frames (Kit::InputFrame)
// A reader either accepts or fails the way its interface says (exception or result
// code). What it accepts writes back; those bytes read again and write the same bytes.
#include "FuzzSupport.h"

#include "Model3D/attributes/fills/FillConversion.h"
#include "Model3D/attributes/records/UMAT.h"
#include "Model3D/elements/records/LGHT.h"
#include "Model3D/proplist/PropertyList.h"
#include "Model3D/proplist/detail/OldParamBlock.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/KitFrame.h"
#include "platform/ParxBlock.h"
#include "platform/PlanAttrFill.h"

#include <memory>

namespace {

using FuzzSupport::Append;
using FuzzSupport::Bytes;
using FuzzSupport::Require;
using FuzzSupport::Written;
using Modeler::PropertyList;

enum Reader : std::uint8_t { ListReader, LightReader, MaterialReader, BlockReader, FillReader, FrameReader };
constexpr std::uint8_t ReaderCount = 6;
constexpr Int32 CurrentVersion = 4032;
constexpr Kit::PlatformSign Orders[2] = {Kit::LittleEndian_Platform_Sign, Kit::BigEndian_Platform_Sign};

PropertyList SampleList() {
	PropertyList list;
	const UInt32 power = list.PushEntry("power", PropertyList::Num, PropertyList::Scalar);
	list.SetNumEntry(power, 0.75);
	const UInt32 count = list.PushEntry("count", PropertyList::Int, PropertyList::Scalar);
	list.SetIntEntry(count, 4);
	list.PushEntry("sizes", PropertyList::Int, PropertyList::OneDim, 3);
	const UInt32 name = list.PushEntry("name", PropertyList::String, PropertyList::Scalar);
	list.SetStringEntry(name, "oak");
	list.PushEntry("grid", PropertyList::Num, PropertyList::TwoDim, 2, 3);
	return list;
}

// Reads the bytes twice from what the first read accepted and compares the images.
template <typename T, typename Read, typename Write> void RoundTrip(const T& accepted, Read read, Write write) {
	const Bytes image = Written([&](Kit::OChannel& out) { write(accepted, out); });
	T second;
	IO::MemoryIChannel again(image.data(), image.size());
	Require(read(second, again), "the written image is accepted");
	Require(again.GetAvailable() == 0, "the image is read to its end");
	Require(Written([&](Kit::OChannel& out) { write(second, out); }) == image, "the image writes back unchanged");
}

bool ReadList(PropertyList& list, Kit::IChannel& in) {
	try {
		list.Read(in);
		return true;
	} catch (const Kit::KitException&) { // the list's stream reports every fault this way
		FuzzSupport::Refused();
		return false;
	}
}

// The old block as a model file stores it: raw head in the running platform's order,
// then the block.
Bytes BlockImage(const PropertyList& list) {
	GSHandle handle = list.WriteToAddParHandle();
	Require(handle != nullptr, "the list makes a parameter block");
	const auto length = static_cast<UInt32>(BMGetHandleSize(handle));
	Bytes bytes;
	Append(bytes, Kit::Native_Platform_Sign);
	Append(bytes, Parx::CurrentBlockVersion);
	Append(bytes, length);
	bytes.insert(bytes.end(), *handle, *handle + length);
	BMKillHandle(&handle);
	return bytes;
}

// A fill record in a buffer of its own, aligned as an allocated record is.
struct FillDeleter {
	void operator()(PlanAttr::Fill* fill) const { delete fill; }
};
using FillPtr = std::unique_ptr<PlanAttr::Fill, FillDeleter>;

FillPtr ToFill(const Bytes& record) {
	std::vector<double> aligned(record.size() / sizeof(double) + 1);
	if (!record.empty()) std::memcpy(aligned.data(), record.data(), record.size());
	char* fill = nullptr;
	const GSErrCode err =
	    IMConvertFillToClass(reinterpret_cast<const char*>(aligned.data()), static_cast<Int64>(record.size()), &fill);
	Require((err == NoError) == (fill != nullptr), "a fill is handed out exactly on success");
	return FillPtr(reinterpret_cast<PlanAttr::Fill*>(fill));
}

Bytes ToRecord(const PlanAttr::Fill& fill) {
	char* record = nullptr;
	IMConvertFillToRecord(reinterpret_cast<char*>(const_cast<PlanAttr::Fill*>(&fill)), &record);
	Require(record != nullptr, "an accepted fill flattens");
	Bytes bytes(record, record + BMGetPtrSize(record));
	BMKillPtr(&record);
	return bytes;
}

void FillRoundTrip(const Bytes& input) {
	const FillPtr fill = ToFill(input);
	if (fill == nullptr) return FuzzSupport::Refused();
	const Bytes record = ToRecord(*fill);
	const FillPtr again = ToFill(record);
	Require(again != nullptr, "a flattened fill converts back");
	Require(ToRecord(*again) == record, "the fill record writes back unchanged");
}

// Frames nest: a frame holds a kind byte, then either a frame inside or a counted run
// of words.
struct Frame {
	Kit::ClassVersion version;
	std::unique_ptr<Frame> inner;
	std::vector<UInt32> words;
};

const Kit::ClassInfo& FrameClass() {
	return Kit::GetPropertyListTemplateClassInfo();
}

bool ReadFrame(Frame& frame, Kit::IChannel& in, int depth) {
	Kit::InputFrame header(in, FrameClass());
	frame.version = header.GetVersion();
	UInt8 kind = 0;
	in.Read(kind);
	if ((kind & 1) != 0 && depth < 8) {
		frame.inner = std::make_unique<Frame>();
		if (!ReadFrame(*frame.inner, in, depth + 1)) return false;
	} else {
		UInt32 count = 0;
		in.Read(count);
		if (in.GetInputStatus() != 0 || count > in.GetAvailable() / 4) return false;
		frame.words.resize(count);
		for (UInt32& word : frame.words)
			in.Read(word);
	}
	header.Close();
	return header.GetStatus() == 0;
}

void WriteFrame(const Frame& frame, Kit::OChannel& out) {
	Kit::OutputFrame header(out, FrameClass(), frame.version);
	out.Write(UInt8(frame.inner != nullptr ? 1 : 0));
	if (frame.inner != nullptr) {
		WriteFrame(*frame.inner, out);
	} else {
		out.Write(static_cast<UInt32>(frame.words.size()));
		for (const UInt32 word : frame.words)
			out.Write(word);
	}
}

void Run(std::uint8_t reader, std::uint8_t format, const char* data, USize size) {
	const Kit::PlatformSign order = Orders[format & 1];
	IO::MemoryIChannel in(data, size);
	in.SetProtocol(order);
	switch (reader) {
	case ListReader: {
		PropertyList list;
		if (ReadList(list, in))
			RoundTrip(list, ReadList, [](const PropertyList& l, Kit::OChannel& out) { l.Write(out); });
		break;
	}
	case LightReader: {
		LGHT light;
		if (light.Read(in, 4022 + (format >> 1) % 11) != 0) return FuzzSupport::Refused();
		RoundTrip(
		    light, [](LGHT& l, Kit::IChannel& ch) { return l.Read(ch, CurrentVersion) == 0; },
		    [](const LGHT& l, Kit::OChannel& out) { Require(l.Write(out) == 0, "the light writes"); });
		break;
	}
	case MaterialReader: {
		UMAT material;
		if (material.Read(in, 4001 + (format >> 1) % 32) != 0) return FuzzSupport::Refused();
		RoundTrip(
		    material, [](UMAT& m, Kit::IChannel& ch) { return m.Read(ch, CurrentVersion) == 0; },
		    [](const UMAT& m, Kit::OChannel& out) { Require(m.Write(out) == 0, "the material writes"); });
		break;
	}
	case BlockReader: {
		PropertyList list;
		Int32 checksum = 0;
		if (Modeler::LoadOldParamBlock(in, list, (format & 2) != 0 ? &checksum : nullptr) != NoError)
			return FuzzSupport::Refused();
		RoundTrip(
		    list, [](PropertyList& l, Kit::IChannel& ch) { return Modeler::LoadOldParamBlock(ch, l) == NoError; },
		    [](const PropertyList& l, Kit::OChannel& out) {
			    const Bytes block = BlockImage(l);
			    out.WriteBin(block.data(), block.size());
		    });
		break;
	}
	case FillReader:
		FillRoundTrip(Bytes(data, data + size));
		break;
	default: {
		Frame frame;
		if (!ReadFrame(frame, in, 0)) return FuzzSupport::Refused();
		RoundTrip(
		    frame, [](Frame& f, Kit::IChannel& ch) { return ReadFrame(f, ch, 0); },
		    [](const Frame& f, Kit::OChannel& out) { WriteFrame(f, out); });
		break;
	}
	}
}

} // namespace

void WriteSeeds(FuzzSupport::SeedWriter& seeds) {
	const PropertyList list = SampleList();
	const Bytes native = {0, static_cast<char>(Kit::Native_Platform_Sign == Orders[0] ? 0 : 1)};
	seeds.Add("list", {ListReader, native[1]}, Written([&](Kit::OChannel& out) { list.Write(out); }));
	seeds.Add("list", {ListReader, native[1]}, Written([&](Kit::OChannel& out) { PropertyList().Write(out); }));

	LGHT light;
	light.type = 2;
	light.SetPos(1.0f, 2.0f, 3.0f);
	light.SetDir(0.0f, 1.0f, 0.0f);
	light.params = list;
	// Version 4032 is the last of the table (index 10).
	const char lightFormat = static_cast<char>(native[1] | (10 << 1));
	seeds.Add("light", {LightReader, lightFormat}, Written([&](Kit::OChannel& out) { (void)light.Write(out); }));

	UMAT material;
	material.SetName("Oak");
	material.materialType = 21;
	material.textureIdx = 2;
	material.params = list;
	const char materialFormat = static_cast<char>(native[1] | ((CurrentVersion - 4001) << 1));
	seeds.Add("material", {MaterialReader, materialFormat},
	          Written([&](Kit::OChannel& out) { (void)material.Write(out); }));

	seeds.Add("block", {BlockReader, 0}, BlockImage(list));
	seeds.Add("block", {BlockReader, 2}, BlockImage(PropertyList()));

	PlanAttr::Fill plain;
	plain.SetName("Solid");
	plain.SetType(PlanAttr::PlainFill);
	plain.SetFillValue(0.5);
	seeds.Add("fill", {FillReader, 0}, ToRecord(plain));

	Frame frame;
	frame.version = Kit::ClassVersion(1, 2);
	frame.inner = std::make_unique<Frame>();
	frame.inner->words = {1, 2, 3};
	seeds.Add("frame", {FrameReader, native[1]}, Written([&](Kit::OChannel& out) { WriteFrame(frame, out); }));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
	if (size < 2 || size > (1u << 20)) return 0;
	Run(bytes[0] % ReaderCount, bytes[1], reinterpret_cast<const char*>(bytes) + 2, size - 2);
	return 0;
}
