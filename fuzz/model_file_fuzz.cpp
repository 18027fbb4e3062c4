// Feeds arbitrary bytes to the model-file reader. The first byte picks the byte order,
// the reading options (attributes appended or merged) and the version word put in front of the rest, so that every
// version's layout is reached. A read either succeeds or throws a root-library exception;
// after a failure the lights and the store are as they were (empty here).
#include "Model3D/persistence/modelfile/ModelFileReader.h"
#include "platform/ByteOrder.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const Int32 Versions[] = {4001, 4002, 4008, 4012, 4013, 4014, 4015, 4016, 4017, 4018, 4019, 4020, 4021,
                          4022, 4023, 4024, 4025, 4026, 4027, 4028, 4029, 4031, 4032, 4030, 4033, 4010};
constexpr USize VersionCount = sizeof Versions / sizeof Versions[0];

void Require(bool condition) {
	if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
	if (size < 1 || size > (1u << 20)) return 0;
	const uint8_t pick = data[0];
	const Kit::PlatformSign order = (pick & 1) != 0 ? Kit::BigEndian_Platform_Sign : Kit::LittleEndian_Platform_Sign;
	const bool readSurfaces = (pick & 2) == 0;
	Int32 version = Versions[(pick >> 2) % VersionCount];
	IVLong(Kit::Native_Platform_Sign, order, &version);

	std::vector<char> file(sizeof version);
	std::memcpy(file.data(), &version, sizeof version);
	file.insert(file.end(), data + 1, data + size);

	Kit::Array<Kit::SharedPtr<Modeler::CandidateBody>> bodies;
	Kit::Array<LGHT> lights;
	const Kit::SharedPtr<Modeler::Attributes> store = Modeler::Attributes::New();
	Modeler::Attributes::Modifier attrs(store);
	IO::MemoryIChannel in(file.data(), file.size());
	try {
		const bool adjust = (pick & 64) != 0;
		Modeler::FLReadModel(in, bodies, lights, attrs, order, adjust, adjust ? 1 : 2, readSurfaces ? 1 : 0, 0, 0,
		                     (pick & 128) != 0);
	} catch (const Kit::RootException&) {
		Require(bodies.GetSize() == 0 && lights.GetSize() == 0);
		Require(attrs.GetMaterialCount() == 0 && attrs.GetFillCount() == 0 && attrs.GetTextureCount() == 0);
		Require(attrs.GetFillDescriptorCount() == 0);
		return 0;
	}
	// What was read can be made into bodies.
	for (const auto& body : bodies)
		(void)body->ToBody();
	return 0;
}
