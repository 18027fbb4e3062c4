#include "platform/IOLocation.h"

#include "platform/IOErrors.h"

namespace IO {

namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
	return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

bool Name::IsValid() const {
	if (text.empty() || text == "." || text == "..") return false;
	return text.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

Location::Location(const char* utf8) : path(PathFromUtf8(utf8 != nullptr ? utf8 : "")) {}

Location::Location(const std::string& utf8) : path(PathFromUtf8(utf8)) {}

Location::Location(const Kit::UniString& path) : path(PathFromUtf8(path.ToUtf8())) {}

Int32 Location::AppendToLocal(const Name& name) {
	if (!name.IsValid()) return ErrBadName;
	path /= PathFromUtf8(name.ToUtf8());
	return NoIOError;
}

Location Location::Appended(const Name& name) const {
	Location result(*this);
	result.AppendToLocal(name);
	return result;
}

Int32 Location::GetLastLocalName(Name& name) const {
	std::filesystem::path last = path.filename();
	if (last.empty()) {
		// "a/b/" names the folder b.
		last = path.parent_path().filename();
		if (last.empty()) return ErrBadName;
	}
	const std::u8string text = last.u8string();
	name = Name(std::string(text.begin(), text.end()));
	return NoIOError;
}

Int32 Location::DeleteLastLocalName() {
	std::filesystem::path p = path;
	if (!p.has_filename()) p = p.parent_path();
	if (!p.has_filename()) return ErrBadName;
	path = p.parent_path();
	return NoIOError;
}

std::string Location::ToUtf8() const {
	const std::u8string text = path.u8string();
	return std::string(text.begin(), text.end());
}

} // namespace IO
