// Textures of host materials into the store, reusing equal ones.
#include "Model3D/attributes/import/MaterialImport.h"
#include "Model3D/attributes/import/detail/ImportDetail.h"
#include "Model3D/attributes/textures/TextureLoading.h"
#include "platform/PFFileRef.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

using Modeler::Attributes;
using namespace Modeler::ImportDetail;

namespace {

constexpr double SizeTolerance = 1e-5;
constexpr UInt16 ComparedStatusBits = 0x1FFF;

Int16 ToPixelSize(Int32 value) {
	return static_cast<Int16>(std::clamp<Int32>(value, 0, std::numeric_limits<Int16>::max()));
}

struct FileRefOwner {
	char* p = nullptr;
	~FileRefOwner() { PFFreeFileRef(&p); }
};

} // namespace

Int16 IMstRtxt(Attributes::Modifier* modifier, float xSize, float ySize, Int32 pixelWidth, Int32 pixelHeight,
               const Kit::UniString* name, char* fileRef, Int16 pictIndex, UInt16 status) {
	if (fileRef != nullptr) {
		// The picture decides the pixel size (fitted to the aspect unless it keeps its own).
		Int16 width = 0;
		Int16 height = 0;
		IMGetPictSize(fileRef, pictIndex, &width, &height);
		KitRect bounds{0, 0, height, width};
		if ((status & RTXTOwnProportions) == 0) {
			Int16 margin = 0;
			StretchTextureBounds(static_cast<Int16>((status >> 1) & 3), xSize, ySize, &margin, &bounds);
		}
		pixelWidth = Int32(bounds.right) - bounds.left;
		pixelHeight = Int32(bounds.bottom) - bounds.top;
	}
	RTXT texture{};
	texture.status = static_cast<UInt16>(status & 0x7FFF);
	texture.pixelDepth = 32;
	texture.xSize = xSize;
	texture.ySize = ySize;
	if (name != nullptr) {
		const USize length = std::min<USize>(name->GetLength(), std::size(texture.textureName) - 1);
		std::copy_n(name->ToUStr(), length, texture.textureName);
	}
	texture.pixelWidth = ToPixelSize(pixelWidth);
	texture.pixelHeight = ToPixelSize(pixelHeight);
	const TXTA attributes{fileRef, pictIndex, 0};
	return AddOrFirst("IMstRtxt", [&] { return modifier->AddTexture(texture, attributes); });
}

Int32 IMstTexture(Attributes::Modifier* modifier, double xSize, double ySize, UInt16 status, const Kit::UniString& name,
                  char* fileRef, Int16 pictIndex) {
	for (UInt32 i = 1; i <= std::min(modifier->GetTextureCount(), modifier->GetTextureAttributeCount()); ++i) {
		const RTXT& t = *modifier->GetConstTexturePtr(i);
		const TXTA& a = *modifier->GetConstTextureAttributesPtr(i);
		if (PFEqualFile(a.fileRef, fileRef) && a.pictIndex == pictIndex &&
		    (t.status & ComparedStatusBits) == (status & ComparedStatusBits) &&
		    std::abs(t.xSize - xSize) + std::abs(t.ySize - ySize) <= SizeTolerance)
			return Int32(i);
	}
	return IMstRtxt(modifier, float(xSize), float(ySize), 0, 0, &name, fileRef, pictIndex,
	                static_cast<UInt16>(status | RTXTPixelsNotLoaded));
}

bool IMTextureInMater(Attributes::Modifier* modifier, const PlanAttr::Material& m, Int16 pictIndex, Int32* textureIdx,
                      float* cosine, float* sine) {
	Int32 index = 0;
	float c = 1.0f;
	float s = 0.0f;
	if (modifier != nullptr && !m.GetTextureName().IsEmpty() && (m.GetTextureStatus() & RTXTOwnProportions) != 0) {
		FileRefOwner fileRef;
		char found = 0;
		IMGetPictFileDef(m.GetTextureName(), pictIndex, &fileRef.p, &found);
		if (found != 0) {
			try {
				index = IMstTexture(modifier, m.GetTextureWidth(), m.GetTextureHeight(), m.GetTextureStatus(),
				                    m.GetTextureName(), fileRef.p, pictIndex);
			} catch (const Kit::KitException& e) {
				// A picture that cannot be read leaves the material without a texture.
				Kit::dbChannel << "IMTextureInMater: " << e.Describe().c_str() << "\n";
				index = 0;
			}
			const double angle = m.GetTextureRotation();
			if (std::abs(angle) > SizeTolerance) {
				c = float(std::cos(angle * std::numbers::pi / 180.0));
				s = float(std::sin(angle * std::numbers::pi / 180.0));
			}
		}
	}
	if (textureIdx != nullptr) *textureIdx = index;
	if (cosine != nullptr) *cosine = c;
	if (sine != nullptr) *sine = s;
	return index > 0;
}

Int32 IMAddRtxt2Umat(Attributes::Modifier* modifier, const PlanAttr::Material& m, Int16 storeMaterial,
                     Int16 pictIndex) {
	Int32 index = 0;
	float c = 1.0f;
	float s = 0.0f;
	if (!IMTextureInMater(modifier, m, pictIndex, &index, &c, &s)) return 0;
	UMAT* material = modifier->GetMaterialPtr(UInt32(storeMaterial));
	material->textureIdx = index;
	material->textureCos = c;
	material->textureSin = s;
	return index;
}
