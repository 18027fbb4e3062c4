#include "platform/PFPictureFiles.h"

#include "platform/BMMemory.h"
#include "platform/IOFile.h"
#include "platform/PFFileRef.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace {

std::mutex folderLock;
IO::Location& LibraryFolder() {
	static IO::Location folder;
	return folder;
}

constexpr const char* PictureExtensions[] = {".png", ".jpg", ".jpeg"};
constexpr const char* MacroExtension = ".gsm";

// The reference of the first regular file of the library folder named 'name' + one of
// the suffixes (the empty suffix first).
GSErrCode Resolve(const Kit::UniString& name, const char* const* suffixes, USize suffixCount, char** fileRef) {
	if (fileRef == nullptr) return PFFileNotFoundErr;
	*fileRef = nullptr;
	const IO::Location folder = PFGetLibraryFolder();
	const IO::Name plain(name);
	if (folder.IsEmpty() || !plain.IsValid()) return PFFileNotFoundErr;
	for (USize i = 0; i <= suffixCount; ++i) {
		const IO::Name candidate(i == 0 ? plain.ToUtf8() : plain.ToUtf8() + suffixes[i - 1]);
		const IO::Location location = folder.Appended(candidate);
		std::error_code error;
		if (!std::filesystem::is_regular_file(location.GetPath(), error) || error) continue;
		*fileRef = PFCreateFileRef(location);
		return *fileRef != nullptr ? NoError : PFNoMemoryErr;
	}
	return PFFileNotFoundErr;
}

const char* MimeFromSignature(const char* data, Int64 size) {
	const auto* bytes = reinterpret_cast<const UInt8*>(data);
	if (size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1A\n", 8) == 0) return "image/png";
	if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return "image/jpeg";
	return nullptr;
}

const char* MimeFromExtension(const IO::Location& location) {
	std::string extension = location.GetPath().extension().string();
	std::transform(extension.begin(), extension.end(), extension.begin(),
	               [](unsigned char c) { return char(std::tolower(c)); });
	if (extension == ".png") return "image/png";
	if (extension == ".jpg" || extension == ".jpeg" || extension == ".jpe") return "image/jpeg";
	return nullptr;
}

} // namespace

void PFSetLibraryFolder(const IO::Location& folder) {
	const std::lock_guard<std::mutex> guard(folderLock);
	LibraryFolder() = folder;
}

IO::Location PFGetLibraryFolder() {
	const std::lock_guard<std::mutex> guard(folderLock);
	return LibraryFolder();
}

GSErrCode PFTexture2File(const Kit::UniString& name, char** fileRef) {
	return Resolve(name, PictureExtensions, std::size(PictureExtensions), fileRef);
}

GSErrCode PFMacro2File(const Kit::UniString& name, char** fileRef, void* /*reserved*/) {
	const char* const suffixes[] = {MacroExtension, PictureExtensions[0], PictureExtensions[1], PictureExtensions[2]};
	return Resolve(name, suffixes, std::size(suffixes), fileRef);
}

GSErrCode PFGetImageDataFromFile(const char* fileRef, Int32 pictIndex, GSHandle* data, char* typeText) {
	if (data == nullptr || typeText == nullptr) return PFNoPictureErr;
	*data = nullptr;
	typeText[0] = '\0';
	IO::Location location;
	const GSErrCode status = PFGetFileLocation(fileRef, &location);
	if (status != NoError) return status;
	if (pictIndex > 0) return PFNoPictureErr;

	IO::File file(location);
	if (file.Open(IO::File::ReadMode) != IO::NoIOError) return PFFileNotFoundErr;
	UInt64 length = 0;
	if (file.GetDataLength(length) != IO::NoIOError) return PFReadErr;
	if (length == 0) return PFNoPictureErr;
	if (length > UInt64(PFMaxPictureFileSize)) return PFFileTooLargeErr;
	GSHandle bytes = BMAllocateHandle(Int64(length));
	if (bytes == nullptr) return PFNoMemoryErr;
	UInt64 read = 0;
	if (file.ReadBin(*bytes, length, read) != IO::NoIOError || read != length) {
		BMKillHandle(&bytes);
		return PFReadErr;
	}
	const char* mime = MimeFromSignature(*bytes, Int64(length));
	if (mime == nullptr) mime = MimeFromExtension(location);
	if (mime == nullptr) mime = "application/octet-stream";
	std::strncpy(typeText, mime, PFMimeTypeSize - 1);
	typeText[PFMimeTypeSize - 1] = '\0';
	*data = bytes;
	return NoError;
}
