#include "platform/PFFileRef.h"

#include "platform/BMMemory.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr UInt32 FileRefTag = 0x46524650; // "PFRF"
constexpr Int64 FileRefHeaderSize = 8;    // tag, path length

// The path bytes of a valid reference, or null. The block's own size bounds every
// read, so a reference whose header disagrees with its block is refused.
const char* GetPath(const char* fileRef, UInt32* length) {
	if (fileRef == nullptr) return nullptr;
	const Int64 blockSize = BMGetPtrSize(fileRef);
	if (blockSize < FileRefHeaderSize + 1) return nullptr;
	UInt32 tag = 0;
	UInt32 pathLength = 0;
	std::memcpy(&tag, fileRef, sizeof tag);
	std::memcpy(&pathLength, fileRef + 4, sizeof pathLength);
	if (tag != FileRefTag || FileRefHeaderSize + Int64(pathLength) + 1 > blockSize ||
	    fileRef[FileRefHeaderSize + pathLength] != '\0')
		return nullptr;
	*length = pathLength;
	return fileRef + FileRefHeaderSize;
}

char* MakeFileRef(const char* path, UInt32 length) {
	char* block = BMAllocatePtr(FileRefHeaderSize + Int64(length) + 1);
	if (block == nullptr) return nullptr;
	std::memcpy(block, &FileRefTag, sizeof FileRefTag);
	std::memcpy(block + 4, &length, sizeof length);
	std::memcpy(block + FileRefHeaderSize, path, length);
	block[FileRefHeaderSize + length] = '\0';
	return block;
}

} // namespace

char* PFCreateFileRef(const IO::Location& location) {
	if (location.IsEmpty()) return nullptr;
	const std::string path = location.ToUtf8();
	if (path.size() >= 0xFFFFFFFFu) return nullptr;
	return MakeFileRef(path.data(), static_cast<UInt32>(path.size()));
}

char* PFCloneFileRef(const char* fileRef) {
	UInt32 length = 0;
	const char* path = GetPath(fileRef, &length);
	return path != nullptr ? MakeFileRef(path, length) : nullptr;
}

void PFFreeFileRef(char** fileRef) {
	if (fileRef == nullptr || *fileRef == nullptr) return;
	BMKillPtr(fileRef);
	*fileRef = nullptr;
}

bool PFEqualFile(const char* fileRef1, const char* fileRef2) {
	UInt32 length1 = 0;
	UInt32 length2 = 0;
	const char* path1 = GetPath(fileRef1, &length1);
	const char* path2 = GetPath(fileRef2, &length2);
	if (path1 == nullptr || path2 == nullptr) return false;
	const std::filesystem::path p1 = std::filesystem::path(std::u8string(path1, path1 + length1)).lexically_normal();
	const std::filesystem::path p2 = std::filesystem::path(std::u8string(path2, path2 + length2)).lexically_normal();
	if (p1 == p2) return true;
	std::error_code error;
	const bool same = std::filesystem::equivalent(p1, p2, error);
	return !error && same;
}

GSErrCode PFGetFileLocation(const char* fileRef, IO::Location* location) {
	if (location == nullptr) return PFNoFileRefErr;
	location->Clear();
	UInt32 length = 0;
	const char* path = GetPath(fileRef, &length);
	if (path == nullptr) return PFNoFileRefErr;
	*location = IO::Location(std::string(path, length));
	return NoError;
}

GSErrCode PFGetFileName(const char* fileRef, IO::Name* name) {
	if (name == nullptr) return PFNoFileRefErr;
	*name = IO::Name();
	IO::Location location;
	const GSErrCode status = PFGetFileLocation(fileRef, &location);
	if (status != NoError) return status;
	IO::Name last;
	if (location.GetLastLocalName(last) != NoError || last.IsEmpty()) return PFNoFileNameErr;
	*name = last;
	return NoError;
}
