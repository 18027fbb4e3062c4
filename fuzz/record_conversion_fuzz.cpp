// Feeds arbitrary bytes to the converters of whole binary parts and of the records with a
// variable part. The first byte picks the converter (and for binary parts the version
// word put in front of the rest, so that every version family is reached); the second
// byte a record count. Every converter must stay inside the buffer, which is exactly as
// large as the input, and report bad structure by its result.
//
// What a converter accepts in one direction converts back, and converting to the same
// byte order changes nothing.
#include "Model3D/persistence/conversion/AttributeConversion.h"
#include "Model3D/persistence/conversion/BinaryPartConversion.h"
#include "Model3D/persistence/conversion/LightConversion.h"
#include "Model3D/persistence/conversion/ListFormConversion.h"
#include "Model3D/persistence/conversion/TextureConversion.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr Kit::PlatformSign LE = Kit::LittleEndian_Platform_Sign;
constexpr Kit::PlatformSign BE = Kit::BigEndian_Platform_Sign;

const Int32 Versions[] = {4001, 4008, 4009, 4010, 4011, 4012, 4013, 4014, 4015, 4016, 4017, 4018, 4019,
                          4020, 4021, 4022, 4025, 4026, 4027, 4028, 4029, 4030, 4031, 4032, 4023, 4000};
constexpr USize VersionCount = sizeof Versions / sizeof Versions[0];

void Require(bool condition) {
	if (!condition) std::abort();
}

using Converter = Int16 (*)(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32 version,
                            Kit::PlatformSign to);

Int16 Part(Kit::PlatformSign from, char* buffer, Int32 size, Int32, Int32, Kit::PlatformSign to) {
	return FCSwapBinaryPart_R(from, buffer, size, to);
}
Int16 Light10(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32 version, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_LGHT_10_Checked(from, buffer, size, &offset, count, version, to);
}
Int16 Light(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32, Kit::PlatformSign to) {
	Int32 offset = 0;
	return static_cast<Int16>(IV_LGHT(from, buffer, &offset, size, count, to));
}
Int16 LightList(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_LGHT_List_Checked(from, buffer, size, &offset, count, to);
}
Int16 Material(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32 version, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_UMAT(from, buffer, size, version, &offset, count, 1000, to);
}
Int16 MaterialList(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_UMAT_List_Checked(from, buffer, size, &offset, count, to);
}
Int16 Fills(Kit::PlatformSign from, char* buffer, Int32 size, Int32, Int32 version, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_FIDE(from, buffer, &offset, size, version, to);
}
Int16 Pixels(Kit::PlatformSign from, char* buffer, Int32 size, Int32 count, Int32, Kit::PlatformSign to) {
	Int32 offset = 0;
	return IV_PICT_Checked(from, buffer, size, &offset, count, to);
}

const Converter Converters[] = {Part, Light10, Light, LightList, Material, MaterialList, Fills, Pixels};
constexpr USize ConverterCount = sizeof Converters / sizeof Converters[0];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
	if (size < 2 || size > (1u << 20)) return 0;
	const USize pick = data[0] % ConverterCount;
	const Int32 version = Versions[(data[0] / ConverterCount) % VersionCount];
	const Int32 count = data[1] % 8;
	const Converter convert = Converters[pick];

	std::vector<char> bytes;
	if (pick == 0) {
		// A binary part: the version word in big-endian order, then the input.
		for (int shift = 24; shift >= 0; shift -= 8)
			bytes.push_back(static_cast<char>(static_cast<UInt32>(version) >> shift));
	}
	bytes.insert(bytes.end(), data + 2, data + size);
	const auto length = static_cast<Int32>(bytes.size());

	// Converting to the same byte order changes nothing, whatever the result.
	std::vector<char> same(bytes);
	convert(BE, same.data(), length, count, version, BE);
	Require(same == bytes);

	std::vector<char> native(bytes);
	if (convert(BE, native.data(), length, count, version, LE) != 0) return 0;
	// Accepted: it converts back, and converting once more gives the same native bytes.
	std::vector<char> back(native);
	Require(convert(LE, back.data(), length, count, version, BE) == 0);
	std::vector<char> again(back);
	Require(convert(BE, again.data(), length, count, version, LE) == 0);
	Require(again == native);
	return 0;
}
