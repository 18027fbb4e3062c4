#include "platform/IOFolder.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace IO {

constinit FileSystem fileSystem;

Int32 ErrorCodeToResult(const std::error_code& ec) {
	if (!ec) return NoIOError;
	if (ec == std::errc::no_such_file_or_directory) return ErrNotFound;
	if (ec == std::errc::file_exists) return ErrAlreadyExists;
	if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
	    ec == std::errc::read_only_file_system)
		return ErrAccessDenied;
	if (ec == std::errc::not_a_directory) return ErrNotAFolder;
	if (ec == std::errc::is_a_directory) return ErrIsAFolder;
	if (ec == std::errc::filename_too_long || ec == std::errc::invalid_argument) return ErrBadName;
	return ErrIO;
}

namespace {

void SetResult(Int32* result, Int32 value) {
	if (result != nullptr) *result = value;
}

} // namespace

// ---- Folder -----------------------------------------------------------------------

std::unique_ptr<Folder> Folder::New(const Location& location, Mode mode, Int32* result) {
	SetResult(result, ErrIO);
	if (location.IsEmpty()) {
		SetResult(result, ErrBadName);
		return nullptr;
	}
	std::error_code ec;
	const fs::path path = fs::absolute(location.GetPath(), ec);
	if (ec) {
		SetResult(result, ErrorCodeToResult(ec));
		return nullptr;
	}
	const fs::file_status status = fs::status(path, ec);
	if (!fs::is_directory(status)) {
		if (fs::exists(status)) {
			SetResult(result, ErrNotAFolder);
			return nullptr;
		}
		if (ec && ec != std::errc::no_such_file_or_directory) {
			SetResult(result, ErrorCodeToResult(ec));
			return nullptr;
		}
		if (mode == FailIfMissing) {
			SetResult(result, ErrNotFound);
			return nullptr;
		}
		fs::create_directories(path, ec);
		// Another process may have made it in the meantime; only a folder will do.
		std::error_code checkEc;
		if (!fs::is_directory(path, checkEc)) {
			SetResult(result, ec ? ErrorCodeToResult(ec) : ErrNotAFolder);
			return nullptr;
		}
	}
	SetResult(result, NoIOError);
	return std::unique_ptr<Folder>(new Folder(Location(path)));
}

Int32 Folder::CreateFolder(const Name& name) {
	if (!name.IsValid()) return ErrBadName;
	std::error_code ec;
	const fs::path path = GetLocationOf(name).GetPath();
	if (fs::exists(fs::symlink_status(path, ec))) return ErrAlreadyExists;
	if (!fs::create_directory(path, ec)) return ec ? ErrorCodeToResult(ec) : ErrAlreadyExists;
	return NoIOError;
}

std::unique_ptr<Folder> Folder::OpenFolder(const Name& name, Mode mode, Int32* result) const {
	if (!name.IsValid()) {
		SetResult(result, ErrBadName);
		return nullptr;
	}
	return New(GetLocationOf(name), mode, result);
}

bool Folder::Contains(const Name& name) const {
	if (!name.IsValid()) return false;
	std::error_code ec;
	return fs::exists(fs::symlink_status(GetLocationOf(name).GetPath(), ec));
}

Int32 Folder::Enumerate(std::vector<Entry>& entries) const {
	entries.clear();
	std::error_code ec;
	fs::directory_iterator it(location.GetPath(), ec);
	if (ec) return ErrorCodeToResult(ec);
	for (; it != fs::directory_iterator(); it.increment(ec)) {
		const std::u8string text = it->path().filename().u8string();
		std::error_code typeEc;
		entries.push_back(Entry{Name(std::string(text.begin(), text.end())), it->is_directory(typeEc)});
	}
	if (ec) {
		entries.clear();
		return ErrorCodeToResult(ec);
	}
	std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
	return NoIOError;
}

Int32 Folder::Delete(const Name& name) {
	if (!name.IsValid()) return ErrBadName;
	return fileSystem.Delete(GetLocationOf(name));
}

Int32 Folder::DeleteContents() {
	std::error_code ec;
	fs::directory_iterator it(location.GetPath(), ec);
	if (ec) return ErrorCodeToResult(ec);
	// Collect first: removing entries while iterating leaves the iterator unspecified.
	std::vector<fs::path> paths;
	for (; it != fs::directory_iterator(); it.increment(ec))
		paths.push_back(it->path());
	if (ec) return ErrorCodeToResult(ec);
	Int32 result = NoIOError;
	for (const fs::path& path : paths) {
		fs::remove_all(path, ec);
		if (ec && result == NoIOError) result = ErrorCodeToResult(ec);
	}
	return result;
}

// ---- FileSystem -------------------------------------------------------------------

Int32 FileSystem::Delete(const Location& location) const {
	if (location.IsEmpty()) return ErrBadName;
	std::error_code ec;
	const fs::file_status status = fs::symlink_status(location.GetPath(), ec);
	if (!fs::exists(status))
		return ec && ec != std::errc::no_such_file_or_directory ? ErrorCodeToResult(ec) : ErrNotFound;
	fs::remove_all(location.GetPath(), ec);
	return ErrorCodeToResult(ec);
}

Int32 FileSystem::Rename(const Location& from, const Location& to) const {
	if (from.IsEmpty() || to.IsEmpty()) return ErrBadName;
	std::error_code ec;
	fs::rename(from.GetPath(), to.GetPath(), ec);
	return ErrorCodeToResult(ec);
}

bool FileSystem::Exists(const Location& location) const {
	std::error_code ec;
	return !location.IsEmpty() && fs::exists(fs::symlink_status(location.GetPath(), ec));
}

bool FileSystem::IsFolder(const Location& location) const {
	std::error_code ec;
	return !location.IsEmpty() && fs::is_directory(location.GetPath(), ec);
}

bool FileSystem::IsFile(const Location& location) const {
	std::error_code ec;
	return !location.IsEmpty() && fs::is_regular_file(location.GetPath(), ec);
}

} // namespace IO
