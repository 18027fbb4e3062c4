// A file of the file system, with 64-bit positions and lengths. All operations
// report failures by the result codes of platform/IOErrors.h and never throw for
// file-system errors. The object is unbuffered: every read or write is one call to
// the system, so stream many small values through IO::FileIChannel / FileOChannel.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/IOErrors.h"
#include "platform/IOLocation.h"

#include <cstdio>

namespace IO {

class File {
public:
	enum OpenMode {
		ReadMode,       // read only
		WriteMode,      // write only; the contents are kept
		WriteEmptyMode, // write only; the file is emptied
		ReadWriteMode,  // read and write; the contents are kept
	};
	enum OnMissing {
		FailIfMissing,   // opening a missing file fails with ErrNotFound
		CreateIfMissing, // a missing file is created empty (its folder must exist)
	};

	File() = default;
	explicit File(const Location& location) : location(location) {}
	File(const File&) = delete;
	File& operator=(const File&) = delete;
	~File(); // closes the file

	const Location& GetLocation() const { return location; }
	// Sets the location of a closed file; ErrAlreadyOpen when open.
	Int32 SetLocation(const Location& newLocation);

	bool Exists() const;
	static bool Exists(const Location& location);
	// Creates an empty file when none exists; ErrAlreadyExists otherwise.
	Int32 Create();

	// Opens the file; the position is 0.
	Int32 Open(OpenMode mode, OnMissing onMissing = FailIfMissing);
	Int32 Close();
	bool IsOpen() const { return stream != nullptr; }
	bool CanRead() const { return stream != nullptr && (mode == ReadMode || mode == ReadWriteMode); }
	bool CanWrite() const { return stream != nullptr && mode != ReadMode; }

	Int32 GetDataLength(UInt64& length) const;
	// Cuts or extends (with zero bytes) the file; the position stays where it was.
	Int32 SetDataLength(UInt64 length);

	Int32 GetPosition(UInt64& position) const;
	// Moves the position; a position beyond the end is allowed (a later write fills
	// the gap with zeros, a read there reads nothing).
	Int32 Seek(UInt64 position);

	// Reads up to n bytes; 'read' gets the count. Reading fewer than n bytes at the
	// end of the file is not an error.
	Int32 ReadBin(void* destination, UInt64 n, UInt64& read);
	Int32 WriteBin(const void* source, UInt64 n);
	// Hands written data to the operating system.
	Int32 Flush();

private:
	// A stream switching between reading and writing needs a positioning call in
	// between; this does it when needed.
	Int32 PrepareFor(bool writing);

	Location location;
	std::FILE* stream = nullptr;
	OpenMode mode = ReadMode;
	enum class LastOp { None, Read, Write } lastOp = LastOp::None;
};

} // namespace IO

#pragma GCC visibility pop
