// The name buffers the host fills, and the names and parameters of imported materials.
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "Model3D/core/frame/detail/HostFormat.h"
#include "platform/BMMemory.h"
#include "platform/KitText.h"
#include "platform/Parx.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" {
char gParxMatFormat[256] = {};
char gPenMatFormat[256] = {};
char gErrorMatName[256] = {};
char gMasterEndParxName[32] = {};
char gMasterParxName[32] = {};
char gAtlStyleFormat[256] = {};
char gImportMatFormat[256] = {};
char gParxMatDefFormat[256] = {};
char gShadowMatName[256] = {};
char gErrorFillFormat[256] = {};
char gParxFillFormat[256] = {};
char gFloatMatFormat[256] = {};
}

namespace Modeler::ImportDetail {

std::string RecordName(const char (&name)[32]) {
	return std::string(name, strnlen(name, sizeof name));
}

void ToRecordName(const Kit::UniString& name, char (&recordName)[32]) {
	std::memset(recordName, 0, sizeof recordName);
	CHUnicode2ANSI(name.ToUStr(), Int32(name.GetLength()), recordName, Int32(sizeof recordName));
}

Kit::UniString FromRecordText(const char* text) {
	UniChar buffer[257] = {};
	CHANSI2Unicode(text, -1, buffer, Int32(std::size(buffer)));
	return Kit::UniString(buffer);
}

std::string FormatWithIndex(const char* format, Int32 value, USize size) {
	char text[256] = {};
	if (format != nullptr && IsFormatFor(format, FormatArgument::Int, 1)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
		std::snprintf(text, sizeof text, format, static_cast<int>(value));
#pragma GCC diagnostic pop
	} else {
		std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
	}
	return std::string(text, strnlen(text, std::min(size - 1, sizeof text - 1)));
}

void ReadHostParameters(const PlanAttr::Material& material, Modeler::PropertyList& params, Int32* checksum) {
	params.Clear();
	*checksum = 0;
	Kit::PlatformSign platform = Kit::Native_Platform_Sign;
	Int16 version = 0;
	UInt32 size = 0;
	GSHandle block = nullptr;
	if (material.GetUserData(PlanAttr::Material::ParameterBlockTag, 0, &platform, &version, &size, &block) != NoError ||
	    block == nullptr)
		return;
	const bool usable = (platform == Kit::Native_Platform_Sign ||
	                     ParxSwapAddParHdl(platform, block, version, Kit::Native_Platform_Sign) == NoError) &&
	                    (version == 21 || ConvertOldsParam_To_NewParam(block, 1.0, 1.0, version) == NoError);
	if (usable) {
		GSErrCode error = NoError;
		*checksum = ParxCalcCheckSumAddParHdl(block, &error);
		try {
			params.ReadFromAddParHandle(block);
		} catch (const Kit::KitException&) {
			params.Clear(); // a block that cannot be read leaves the material without parameters
		}
	}
	BMKillHandle(&block);
}

} // namespace Modeler::ImportDetail

void IMUmatNoName(Int16 index, Kit::UniString& name) {
	name = Modeler::ImportDetail::FromRecordText(
	    Modeler::ImportDetail::FormatWithIndex(gParxMatFormat, index, 32).c_str());
}
