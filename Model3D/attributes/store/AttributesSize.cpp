#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/store/detail/AttributesDetail.h"
#include "Model3D/core/frame/ModuleFrame.h"
#include "Model3D/core/frame/SizeReport.h"
#include "platform/KitUtils.h"

#include <algorithm>

namespace Modeler {

using namespace AttributesDetail;

namespace {

// String list of the size-report labels and its entries.
constexpr Int32 ReportLabelList = 2501;
enum : Int32 {
	LabelHeader = 1,
	LabelTotal = 2,
	LabelMaterials = 3,
	LabelTextures = 4,
	LabelLoadedPixels = 5,
	LabelFullPixels = 6,
	LabelFills = 7,
	LabelStore = 8,
};

struct Label {
	explicit Label(Int32 entry) { OUGetFixString(text, ReportLabelList, entry, GetTextResModule()); }
	char text[OUFixStringBufferSize];
};

// The size of a fill-descriptor or fill table as the accounting counts it.
UInt64 AllocatedBytes(const DESC& desc) {
	return static_cast<UInt64>(std::max<Int64>(VAManager::AllocatedBytes(desc), 0));
}

} // namespace

// The figures the accounting is made of, gathered in one walk over the tables.
struct AttributesSizeFigures {
	UInt64 materials = 0;
	UInt64 propertyListBytes = 0; // P: allocated bytes of the materials' parameter lists
	UInt64 textures = 0;
	UInt64 fills = 0;
	UInt64 fillDescriptorBytes = 0;
	UInt64 loadedTextures = 0;
	UInt64 loadedPixelBytes = 0;
	UInt64 fullPixelBytes = 0; // what all textures would take at their full pixel size
	UInt64 allocatedTextureBytes = 0;
	UInt64 allocatedFillBytes = 0;
};

static AttributesSizeFigures GatherFigures(const Attributes::Viewer& viewer) {
	AttributesSizeFigures f;
	f.materials = viewer.GetMaterialCount();
	for (UInt32 i = 1; i <= f.materials; ++i)
		f.propertyListBytes += viewer.GetConstMaterialPtr(i)->params.GetAllocatedBytes();
	f.textures = viewer.GetTextureCount();
	for (UInt32 i = 1; i <= f.textures; ++i) {
		const RTXT* texture = viewer.GetConstTexturePtr(i);
		if (texture->pixels != nullptr) ++f.loadedTextures;
		const Int64 pixels = Int64(std::max<Int16>(texture->pixelWidth, 0)) * std::max<Int16>(texture->pixelHeight, 0);
		f.fullPixelBytes += static_cast<UInt64>(pixels) * 4;
	}
	f.loadedPixelBytes = viewer.GetTexturePixelBytes();
	f.fills = viewer.GetFillCount();
	f.fillDescriptorBytes = viewer.GetFillDescriptorCount();
	return f;
}

UInt64 Attributes::Viewer::GetUsedBytes() const {
	const AttributesSizeFigures f = GatherFigures(*this);
	return f.propertyListBytes + f.textures * TextureAccountingSize + f.fills * sizeof(UFIL) + f.fillDescriptorBytes +
	       f.loadedPixelBytes + f.materials * sizeof(UMAT) + sizeof(Attributes);
}

UInt64 Attributes::Viewer::GetAllocatedBytes() const {
	const AttributesSizeFigures f = GatherFigures(*this);
	return f.propertyListBytes + f.loadedPixelBytes + AllocatedBytes(store->textures) +
	       AllocatedBytes(store->textureAttributes) + AllocatedBytes(store->fills) +
	       AllocatedBytes(store->fillDescriptors) + f.materials * sizeof(UMAT) + sizeof(Attributes);
}

void Attributes::Viewer::ReportSize(Kit::OChannel& channel, Int16 level) const {
	if (level < 3) return;
	const AttributesSizeFigures f = GatherFigures(*this);
	if (level > 3) {
		PrintOneSizeReportHeader(channel, Label(LabelHeader).text);

		const UInt64 materialBytes = f.materials * sizeof(UMAT) + f.propertyListBytes;
		PrintOneSizeReport(channel, Label(LabelMaterials).text, sizeof(UMAT), CappedFigure(f.materials),
		                   CappedFigure(materialBytes), CappedFigure(materialBytes));

		const UInt64 textureAlloc = AllocatedBytes(store->textures) + AllocatedBytes(store->textureAttributes);
		PrintOneSizeReport(channel, Label(LabelTextures).text, TextureAccountingSize, CappedFigure(f.textures),
		                   CappedFigure(f.textures * TextureAccountingSize), CappedFigure(textureAlloc));

		PrintOneSizeReport(channel, Label(LabelLoadedPixels).text, 0, CappedFigure(f.loadedTextures),
		                   CappedFigure(f.loadedPixelBytes), CappedFigure(f.loadedPixelBytes));
		PrintOneSizeReport(channel, Label(LabelFullPixels).text, 0, CappedFigure(f.textures),
		                   CappedFigure(f.fullPixelBytes), CappedFigure(f.fullPixelBytes));

		const UInt64 fillUsed = f.fills * sizeof(UFIL) + f.fillDescriptorBytes;
		const UInt64 fillAlloc = AllocatedBytes(store->fills) + AllocatedBytes(store->fillDescriptors);
		PrintOneSizeReport(channel, Label(LabelFills).text, sizeof(UFIL), CappedFigure(f.fills), CappedFigure(fillUsed),
		                   CappedFigure(fillAlloc));

		PrintOneSizeReport(channel, Label(LabelStore).text, sizeof(Attributes), 1, sizeof(Attributes),
		                   sizeof(Attributes));
	}
	PrintOneSizeReport(channel, Label(level > 3 ? LabelTotal : LabelHeader).text, 0,
	                   CappedFigure(f.textures + f.fills + f.materials), CappedFigure(GetUsedBytes()),
	                   CappedFigure(GetAllocatedBytes()));
}

} // namespace Modeler
