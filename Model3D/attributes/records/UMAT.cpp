#include "Model3D/attributes/records/UMAT.h"

#include "Model3D/proplist/detail/OldParamBlock.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <cstring>
#include <exception>

namespace {

void WriteColor(Kit::OChannel& channel, const Kit::RGBColor& color) {
	channel.Write(color.red);
	channel.Write(color.green);
	channel.Write(color.blue);
}

void ReadColor(Kit::IChannel& channel, Kit::RGBColor& color) {
	channel.Read(color.red);
	channel.Read(color.green);
	channel.Read(color.blue);
}

// Prints an exception that Read or Write swallows to the debug channel.
void ReportException(const char* where) {
	try {
		throw;
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << where << ": " << e.Describe() << "\n";
	} catch (const std::exception& e) {
		Kit::dbChannel << where << ": " << e.what() << "\n";
	} catch (...) {
		Kit::dbChannel << where << ": unknown exception\n";
	}
}

} // namespace

UMAT::UMAT() {
	ResetFixedFields();
}

UMAT::UMAT(const UMAT& source)
    : materialType(source.materialType), surfaceColor(source.surfaceColor), ambientPc(source.ambientPc),
      diffusePc(source.diffusePc), specularPc(source.specularPc), transparencyPc(source.transparencyPc),
      shininess(source.shininess), transparencyAtt(source.transparencyAtt), specularColor(source.specularColor),
      emissionColor(source.emissionColor), emissionAtt(source.emissionAtt), hostMaterialIdx(source.hostMaterialIdx),
      fillRef(source.fillRef), hostWord2(source.hostWord2), textureIdx(source.textureIdx),
      textureCos(source.textureCos), textureSin(source.textureSin), params(source.params),
      paramChecksum(source.paramChecksum), reserved1(source.reserved1), reserved2(source.reserved2) {
	std::memcpy(name, source.name, sizeof name);
}

UMAT& UMAT::operator=(const UMAT& source) {
	if (this == &source) return *this;
	// The list first: if copying it throws, this material is left as it was.
	params = source.params;
	std::memcpy(name, source.name, sizeof name);
	materialType = source.materialType;
	surfaceColor = source.surfaceColor;
	ambientPc = source.ambientPc;
	diffusePc = source.diffusePc;
	specularPc = source.specularPc;
	transparencyPc = source.transparencyPc;
	shininess = source.shininess;
	transparencyAtt = source.transparencyAtt;
	specularColor = source.specularColor;
	emissionColor = source.emissionColor;
	emissionAtt = source.emissionAtt;
	hostMaterialIdx = source.hostMaterialIdx;
	fillRef = source.fillRef;
	hostWord2 = source.hostWord2;
	textureIdx = source.textureIdx;
	textureCos = source.textureCos;
	textureSin = source.textureSin;
	paramChecksum = source.paramChecksum;
	reserved1 = source.reserved1;
	reserved2 = source.reserved2;
	return *this;
}

UMAT::~UMAT() = default;

void UMAT::ResetFixedFields() {
	SetName(UMATDefaultName);
	materialType = 0;
	surfaceColor = Kit::RGBColor{};
	ambientPc = diffusePc = specularPc = transparencyPc = shininess = transparencyAtt = 0;
	specularColor = Kit::RGBColor{};
	emissionColor = Kit::RGBColor{};
	emissionAtt = hostMaterialIdx = fillRef = hostWord2 = 0;
	textureIdx = 0;
	textureCos = textureSin = 0.0f;
	paramChecksum = reserved1 = reserved2 = 0;
}

void UMAT::SetName(const char* text) {
	std::memset(name, 0, sizeof name);
	if (text != nullptr) std::strncpy(name, text, sizeof name - 1);
}

bool UMAT::operator==(const UMAT& other) const {
	return std::strncmp(name, other.name, sizeof name) == 0 && materialType == other.materialType &&
	       surfaceColor == other.surfaceColor && ambientPc == other.ambientPc && diffusePc == other.diffusePc &&
	       specularPc == other.specularPc && transparencyPc == other.transparencyPc && shininess == other.shininess &&
	       transparencyAtt == other.transparencyAtt && specularColor == other.specularColor &&
	       emissionColor == other.emissionColor && emissionAtt == other.emissionAtt &&
	       hostMaterialIdx == other.hostMaterialIdx && fillRef == other.fillRef && hostWord2 == other.hostWord2 &&
	       textureIdx == other.textureIdx && textureCos == other.textureCos && textureSin == other.textureSin &&
	       paramChecksum == other.paramChecksum && reserved1 == other.reserved1 && reserved2 == other.reserved2 &&
	       params.Equals(other.params);
}

int UMAT::Write(Kit::OChannel& channel) const {
	try {
		channel.WriteBin(name, sizeof name);
		channel.Write(materialType);
		WriteColor(channel, surfaceColor);
		for (const Int16 value : {ambientPc, diffusePc, specularPc, transparencyPc, shininess, transparencyAtt})
			channel.Write(value);
		WriteColor(channel, specularColor);
		WriteColor(channel, emissionColor);
		for (const Int16 value : {emissionAtt, hostMaterialIdx, fillRef, hostWord2})
			channel.Write(value);
		channel.Write(textureIdx);
		channel.Write(textureCos);
		channel.Write(textureSin);
		channel.Write(paramChecksum);
		channel.Write(reserved1);
		channel.Write(reserved2);
		if (const Int32 status = channel.GetOutputStatus(); status != 0) return status;
		params.Write(channel);
		return 0;
	} catch (...) {
		ReportException("UMAT::Write");
	}
	return UMATReadWriteFailed;
}

int UMAT::Read(Kit::IChannel& channel, int version) {
	int result = UMATReadWriteFailed;
	try {
		params.Clear();
		// Read into a fresh material, so that a failure leaves the fixed fields as they were.
		UMAT read;
		result = read.ReadFields(channel, version);
		if (result == 0) *this = read;
	} catch (...) {
		ReportException("UMAT::Read");
		result = UMATReadWriteFailed;
	}
	if (result != 0) {
		try {
			params.Clear();
		} catch (...) {
			ReportException("UMAT::Read");
		}
	}
	return result;
}

int UMAT::ReadFields(Kit::IChannel& channel, int version) {
	channel.ReadBin(name, sizeof name);
	// A name that fills all 32 bytes would have no end.
	name[sizeof name - 1] = '\0';
	channel.Read(materialType);
	ReadColor(channel, surfaceColor);
	for (Int16* value : {&ambientPc, &diffusePc, &specularPc, &transparencyPc, &shininess, &transparencyAtt})
		channel.Read(*value);
	ReadColor(channel, specularColor);
	ReadColor(channel, emissionColor);
	for (Int16* value : {&emissionAtt, &hostMaterialIdx, &fillRef, &hostWord2})
		channel.Read(*value);
	channel.Read(textureIdx);
	channel.Read(textureCos);
	channel.Read(textureSin);
	Int32 hasParamBlock = 0;
	if (version <= UMATLastFlagVersion) channel.Read(hasParamBlock);
	channel.Read(paramChecksum);
	channel.Read(reserved1);
	channel.Read(reserved2);
	if (const Int32 status = channel.GetInputStatus(); status != 0) return status;

	if (version > UMATLastFlagVersion) {
		params.Read(channel);
		return channel.GetInputStatus();
	}
	if (version > UMATLastNoParamsVersion && hasParamBlock != 0)
		return Modeler::LoadOldParamBlock(channel, params, &paramChecksum);
	return 0;
}
