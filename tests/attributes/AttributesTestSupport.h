// Helpers of the attribute store tests.
#pragma once

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "platform/KitException.h"

#include <cstring>
#include <string>

namespace AttributesTest {

// The message of the exception of type E that f throws; a marker text when it throws
// nothing (another exception type fails the test by escaping).
template <typename E, typename F> std::string ThrownMessage(F&& f) {
	try {
		f();
	} catch (const E& e) {
		return e.GetMessage();
	}
	return "<no exception>";
}

inline UFIL MakeUfil(const char* name, Int32 defByteCount) {
	UFIL fill{};
	std::strncpy(fill.name, name, sizeof fill.name - 1);
	fill.status = 0x55;
	fill.hostFillIdx = 9;
	fill.defByteCount = defByteCount;
	return fill;
}

// A fill definition of n bytes whose header length and name are set and whose other
// bytes count up from 'seed'.
inline std::string MakeDefinition(Int32 n, const char* name, char seed) {
	std::string bytes(static_cast<size_t>(n), '\0');
	for (Int32 i = 0; i < n; ++i)
		bytes[static_cast<size_t>(i)] = static_cast<char>(seed + i);
	if (n >= 4) std::memcpy(bytes.data(), &n, 4);
	if (n >= 36) {
		std::memset(bytes.data() + 4, 0, 32);
		std::strncpy(bytes.data() + 4, name, 31);
	}
	return bytes;
}

inline RTXT MakeTexture(const char* asciiName, Int16 width, Int16 height) {
	RTXT texture{};
	texture.status = RTXTPixelsNotLoaded;
	texture.pixelDepth = 32;
	texture.xSize = 1.5f;
	texture.ySize = 2.25f;
	for (size_t i = 0; asciiName[i] != '\0' && i < 255; ++i)
		texture.textureName[i] = static_cast<UniChar>(asciiName[i]);
	texture.pixelWidth = width;
	texture.pixelHeight = height;
	return texture;
}

} // namespace AttributesTest
