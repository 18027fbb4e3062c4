// Folders and the file-system object. All operations report failures by the result
// codes of platform/IOErrors.h; none of them throws for file-system errors.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/IOErrors.h"
#include "platform/IOLocation.h"

#include <memory>
#include <vector>

namespace IO {

class Folder {
public:
	enum Mode {
		FailIfMissing,   // opening a folder that does not exist fails with ErrNotFound
		CreateIfMissing, // a missing folder is created, with missing parents
	};

	struct Entry {
		Name name;
		bool isFolder = false;
	};

	// Opens the folder at 'location' (made absolute). Returns the folder, or null with
	// the reason in *result: ErrNotFound (fail mode), ErrNotAFolder when the location
	// is something else, ErrBadName for an empty location, ErrAccessDenied / ErrIO.
	static std::unique_ptr<Folder> New(const Location& location, Mode mode, Int32* result = nullptr);

	Folder(const Folder&) = delete;
	Folder& operator=(const Folder&) = delete;

	const Location& GetLocation() const { return location; }
	// The location of the entry 'name' inside this folder.
	Location GetLocationOf(const Name& name) const { return location.Appended(name); }

	// Creates the subfolder 'name'. ErrAlreadyExists when an entry of that name exists.
	Int32 CreateFolder(const Name& name);
	// Opens the subfolder 'name', creating it first in CreateIfMissing mode.
	std::unique_ptr<Folder> OpenFolder(const Name& name, Mode mode, Int32* result = nullptr) const;

	bool Contains(const Name& name) const;
	// The entries of the folder, sorted by name.
	Int32 Enumerate(std::vector<Entry>& entries) const;
	// Deletes the entry 'name' (a folder with everything in it).
	Int32 Delete(const Name& name);
	// Deletes everything inside the folder; the folder itself stays.
	Int32 DeleteContents();

private:
	explicit Folder(Location location) : location(std::move(location)) {}

	Location location;
};

class FileSystem {
public:
	constexpr FileSystem() = default;

	// Deletes the file or folder at 'location', a folder with everything in it.
	// Symbolic links are removed, not followed. ErrNotFound when nothing is there.
	Int32 Delete(const Location& location) const;
	// Gives the file at 'from' the location 'to', replacing a file already there in one
	// step: at every moment 'to' names either the old file or the new one. Both must be
	// in the same folder (or at least on the same volume).
	Int32 Rename(const Location& from, const Location& to) const;
	bool Exists(const Location& location) const;
	bool IsFolder(const Location& location) const;
	bool IsFile(const Location& location) const;
};

extern FileSystem fileSystem;

// Maps a std::error_code of a file-system call to a result code.
Int32 ErrorCodeToResult(const std::error_code& ec);

} // namespace IO

#pragma GCC visibility pop
