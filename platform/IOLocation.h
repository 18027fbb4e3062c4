// File and folder names and locations (paths) of the file system.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"
#include "platform/KitUniString.h"

#include <filesystem>
#include <string>

namespace IO {

// One file or folder name: a single path component, held as UTF-8.
class Name {
public:
	Name() = default;
	Name(const char* utf8) : text(utf8 != nullptr ? utf8 : "") {}
	Name(std::string utf8) : text(std::move(utf8)) {}
	Name(const Kit::UniString& name) : text(name.ToUtf8()) {}

	const std::string& ToUtf8() const { return text; }
	Kit::UniString ToUniString() const { return Kit::UniString(text); }
	bool IsEmpty() const { return text.empty(); }
	// Non-empty, not "." or "..", and without separators or zero characters, so
	// that appending it to a location goes exactly one level down.
	bool IsValid() const;

	friend bool operator==(const Name&, const Name&) = default;
	friend auto operator<=>(const Name&, const Name&) = default;

private:
	std::string text;
};

// A location in the file system (a path). An empty location names nothing.
class Location {
public:
	Location() = default;
	Location(const char* utf8);
	Location(const std::string& utf8);
	Location(const Kit::UniString& path);
	Location(std::filesystem::path path) : path(std::move(path)) {}

	bool IsEmpty() const { return path.empty(); }
	void Clear() { path.clear(); }

	// Appends one name; ErrBadName (location unchanged) when it is not a valid name.
	Int32 AppendToLocal(const Name& name);
	// A copy with 'name' appended (unchanged when the name is invalid).
	Location Appended(const Name& name) const;
	// The last name of the location; ErrBadName for an empty location or a root.
	Int32 GetLastLocalName(Name& name) const;
	// Removes the last name; ErrBadName when there is none.
	Int32 DeleteLastLocalName();

	// The path as UTF-8 text.
	std::string ToUtf8() const;
	std::string ToString() const { return ToUtf8(); }
	Kit::UniString ToUniString() const { return Kit::UniString(ToUtf8()); }
	const std::filesystem::path& GetPath() const { return path; }

	friend bool operator==(const Location& a, const Location& b) { return a.path == b.path; }

private:
	std::filesystem::path path;
};

} // namespace IO

#pragma GCC visibility pop
