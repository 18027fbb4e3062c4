#include "Model3D/attributes/textures/TextureLoading.h"

#include "platform/BMMemory.h"
#include "platform/FTMFileType.h"
#include "platform/KitException.h"
#include "platform/KitUtils.h"
#include "platform/PFPictureFiles.h"
#include "platform/RxImage.h"

#include <algorithm>
#include <limits>

namespace {

constexpr const char* SourceName = "Model3D/TextureLoading";

[[noreturn]] void Fail(UInt32 line) {
	throw Kit::InternalErrorException(nullptr, SourceName, line);
}

// The picture file's data and its file type (0 when the type is not known).
struct PictureData {
	GSHandle data = nullptr;
	FTM::TypeID type = 0;
	~PictureData() { BMKillHandle(&data); }
};

void ReadPictureData(char* fileRef, Int32 pictIndex, PictureData& picture) {
	char typeText[PFMimeTypeSize] = {};
	if (PFGetImageDataFromFile(fileRef, pictIndex, &picture.data, typeText) != NoError || picture.data == nullptr)
		Fail(__LINE__);
	picture.type = std::max<FTM::TypeID>(FTM::FileTypeManager::SearchForMime(typeText), 0);
}

} // namespace

void IMLoadAKitPixMap(char* fileRef, Int32 pictIndex, KitPixMap*** picture, UInt32 pixelType) {
	if (picture == nullptr) Fail(__LINE__);
	*picture = nullptr;
	PictureData data;
	ReadPictureData(fileRef, pictIndex, data);
	TTBegLong();
	const GSErrCode status = Rx::ImageBase::ConvertToPixMap(data.data, picture, data.type, pixelType);
	TTEndLong(true);
	if (status != NoError || *picture == nullptr) {
		RxDeleteKitPixMap(picture);
		Fail(__LINE__);
	}
	RxSetKitPixMapResolution(*picture, 72.0, 72.0);
}

void IMGetPictSize(char* fileRef, Int32 pictIndex, Int16* width, Int16* height) {
	if (width != nullptr) *width = 0;
	if (height != nullptr) *height = 0;
	PictureData data;
	ReadPictureData(fileRef, pictIndex, data);
	Int32 w = 0;
	Int32 h = 0;
	if (Rx::ImageBase::GetInfo(data.data, data.type, &w, &h) != NoError || w < 0 || h < 0 ||
	    w > std::numeric_limits<Int16>::max() || h > std::numeric_limits<Int16>::max())
		Fail(__LINE__);
	if (width != nullptr) *width = static_cast<Int16>(w);
	if (height != nullptr) *height = static_cast<Int16>(h);
}

Int16 IMGetPictFileDef(const Kit::UniString& name, Int32 flags, char** fileRef, char* found) {
	const GSErrCode status =
	    (flags & IMTextureFileFlag) != 0 ? PFTexture2File(name, fileRef) : PFMacro2File(name, fileRef);
	if (found != nullptr) {
		*found = status == NoError ? 1 : 0;
		return *found;
	}
	if (status != NoError) Fail(__LINE__);
	return 0;
}
