// PlanAttr::Material: the host's material attribute object (surface colour, lighting
// coefficients, fill, texture and tagged user-data blocks), as the material import
// reads and writes it.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/ADBGeneralAttribute.h"
#include "platform/KitTypes.h"
#include "platform/KitUniString.h"
#include "platform/PlanAttrTypes.h"

#include <vector>

namespace PlanAttr {

class Material : public ADB::GeneralAttribute {
public:
	// Four-character code of the parameter block kept as user data ("PARD").
	static constexpr UInt32 ParameterBlockTag = 0x50415244;

	Material() = default;
	Material(const Material&) = default;
	Material& operator=(const Material&) = default;
	~Material() override = default;

	// A new copy (owned by the caller), or null when memory runs out.
	Material* Clone() const override;

	const Kit::UniString& GetName() const { return name; }
	void SetName(const Kit::UniString& value) { name = value; }

	// Host material type: base type 0..9, + 10 with a fill, + 20 with fill and texture.
	Int16 GetType() const { return type; }
	void SetType(Int16 value) { type = value; }

	const Kit_RGBColor& GetSurfaceColor() const { return surfaceColor; }
	void SetSurfaceColor(const Kit_RGBColor& value) { surfaceColor = value; }
	const Kit_RGBColor& GetSpecularColor() const { return specularColor; }
	void SetSpecularColor(const Kit_RGBColor& value) { specularColor = value; }
	const Kit_RGBColor& GetEmissionColor() const { return emissionColor; }
	void SetEmissionColor(const Kit_RGBColor& value) { emissionColor = value; }

	Int16 GetAmbientPc() const { return ambientPc; }
	void SetAmbientPc(Int16 value) { ambientPc = value; }
	Int16 GetDiffusePc() const { return diffusePc; }
	void SetDiffusePc(Int16 value) { diffusePc = value; }
	Int16 GetSpecularPc() const { return specularPc; }
	void SetSpecularPc(Int16 value) { specularPc = value; }
	Int16 GetTransparencyPc() const { return transparencyPc; }
	void SetTransparencyPc(Int16 value) { transparencyPc = value; }
	Int16 GetShininess() const { return shininess; }
	void SetShininess(Int16 value) { shininess = value; }
	Int16 GetTransparencyAtt() const { return transparencyAtt; }
	void SetTransparencyAtt(Int16 value) { transparencyAtt = value; }
	Int16 GetEmissionAtt() const { return emissionAtt; }
	void SetEmissionAtt(Int16 value) { emissionAtt = value; }

	// The fill word stored after the emission attenuation (the material's fill index).
	Int16 GetFillIndex() const { return fillIndex; }
	void SetFillIndex(Int16 value) { fillIndex = value; }
	// Pen index of the fill colour.
	Int16 GetFillColor() const { return fillColor; }
	void SetFillColor(Int16 value) { fillColor = value; }

	// Texture: name, status bits (0x1000 = the material has a texture), size in model
	// units and rotation angle in degrees.
	const Kit::UniString& GetTextureName() const { return textureName; }
	void SetTextureName(const Kit::UniString& value) { textureName = value; }
	UInt16 GetTextureStatus() const { return textureStatus; }
	void SetTextureStatus(UInt16 value) { textureStatus = value; }
	// The word stored after the texture status; carried along unchanged.
	Int16 GetAuxWord() const { return auxWord; }
	void SetAuxWord(Int16 value) { auxWord = value; }
	double GetTextureWidth() const { return textureWidth; }
	double GetTextureHeight() const { return textureHeight; }
	void SetTextureSize(double width, double height) {
		textureWidth = width;
		textureHeight = height;
	}
	double GetTextureRotation() const { return textureRotation; }
	void SetTextureRotation(double degrees) { textureRotation = degrees; }

	// Tagged user-data blocks. Each block keeps the byte-order sign of the platform that
	// made it and a version of its own.
	//
	// GetUserData copies the block with 'tag' into a new handle (BMAllocateHandle) that
	// the caller frees with BMKillHandle; when there is no such block it succeeds with
	// a null handle and size 0. 'flags' is reserved and must be 0.
	GSErrCode GetUserData(UInt32 tag, UInt32 flags, Kit::PlatformSign* platform, Int16* version, UInt32* size,
	                      GSHandle* handle) const;
	// Stores a copy of 'size' bytes as the block with 'tag', replacing an earlier one.
	void SetUserData(UInt32 tag, Kit::PlatformSign platform, Int16 version, const char* data, UInt32 size);
	bool HasUserData(UInt32 tag) const;
	void RemoveUserData(UInt32 tag);

	bool operator==(const Material&) const = default;

private:
	struct UserDataBlock {
		UInt32 tag = 0;
		Kit::PlatformSign platform = Kit::Native_Platform_Sign;
		Int16 version = 0;
		std::vector<char> bytes;
		bool operator==(const UserDataBlock&) const = default;
	};

	const UserDataBlock* FindUserData(UInt32 tag) const;

	Kit::UniString name;
	Int16 type = 0;
	Kit_RGBColor surfaceColor;
	Int16 ambientPc = 0;
	Int16 diffusePc = 0;
	Int16 specularPc = 0;
	Int16 transparencyPc = 0;
	Int16 shininess = 0;
	Int16 transparencyAtt = 0;
	Kit_RGBColor specularColor;
	Kit_RGBColor emissionColor;
	Int16 emissionAtt = 0;
	Int16 fillIndex = 0;
	Int16 fillColor = 0;
	Kit::UniString textureName;
	UInt16 textureStatus = 0;
	Int16 auxWord = 0;
	double textureWidth = 1.0;
	double textureHeight = 1.0;
	double textureRotation = 0.0;
	std::vector<UserDataBlock> userData;
};

} // namespace PlanAttr

#pragma GCC visibility pop
