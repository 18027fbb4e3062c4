#include "fixtures/LegacyRecords.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <vector>

// The host looks the plain conversion functions up by their undecorated names in the
// shared library, and calls them with the argument lists it knows.
TEST(RecordConversionExports, HostFindsEveryConversionByItsPlainName) {
	void* module = dlopen(M3D_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
	ASSERT_NE(module, nullptr) << dlerror();
	const char* names[] = {
	    "IV_MSIZ_41",       "IV_MSIZ_51",        "IV_MSIZ",           "IV_BODY_51",        "IV_BODY_60",
	    "IV_BODY_90",       "IV_BODY",           "IV_TRAN",           "IV_PGON_41",        "IV_PGON_51",
	    "IV_PGON_110",      "IV_PGON",           "IV_PEDG",           "IV_EDGE_51",        "IV_EDGE",
	    "IV_VERT",          "IV_VECT",           "IV_TEVE",           "IV_BEXT_51",        "IV_LGHT_455",
	    "IV_LGHT_700",      "IV_LGHT_10",        "IV_LGHT",           "IV_UFIL",           "IV_UMAT_41",
	    "IV_UMAT_455",      "IV_UMAT",           "IV_FIDE",           "FCSwapFillDef455",  "FCSwapFillDef510",
	    "FCSwapFillDef",    "FCBodyFromBody51",  "FCBodyFromBody60",  "FCBodyFromBody601", "FCBodyFromBody90",
	    "FCBodyFromBext51", "FCPgonFromPgon41",  "FCPgonFromPgon51",  "FCPgonFromPgon110", "FCEdgeFromEdge51",
	    "FCUmatFromUmat41", "FCUmatFromUmat455", "FCLghtFromLght455", "FCLghtFromLght700",
	};
	const char* textureNames[] = {"IV_RTXT_700", "IV_RTXT_900",          "IV_RTXT_130",          "IV_RTXT",
	                              "IV_PICT",     "FCRTXT900FromRTXT700", "FCRTXT130FromRTXT900", "FCRTXTFromRTXT130"};
	for (const char* name : names)
		EXPECT_NE(dlsym(module, name), nullptr) << name;
	for (const char* name : textureNames)
		EXPECT_NE(dlsym(module, name), nullptr) << name;
	const char* partNames[] = {"FCSwapBinaryPart", "FCSwapBinaryPart_R", "FCSwap_BINARYPart",
	                           "FCAdjustFill455",  "FCAdjustFill510",    "SwapLP_CalledMacroSection"};
	for (const char* name : partNames)
		EXPECT_NE(dlsym(module, name), nullptr) << name;

	using PlainSwap = void (*)(Kit::PlatformSign, char*, Int32*, Int32, Kit::PlatformSign);
	const auto pedg = reinterpret_cast<PlainSwap>(dlsym(module, "IV_PEDG"));
	ASSERT_NE(pedg, nullptr);
	std::vector<char> bytes = Fixtures::Int32sBytes({0x01020304, -5}, Kit::BigEndian_Platform_Sign);
	Int32 offset = 0;
	pedg(Kit::BigEndian_Platform_Sign, bytes.data(), &offset, 2, Kit::LittleEndian_Platform_Sign);
	EXPECT_EQ(offset, 8);
	EXPECT_EQ(bytes, Fixtures::Int32sBytes({0x01020304, -5}, Kit::LittleEndian_Platform_Sign));
	dlclose(module);
}
