#include "platform/IOFile.h"

#include "platform/IOFolder.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace IO {

namespace {

static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");

Int32 ErrnoToResult(int error) {
	return error == 0 ? ErrIO : ErrorCodeToResult(std::error_code(error, std::generic_category()));
}

bool FitsOffset(UInt64 value) {
	return value <= static_cast<UInt64>(std::numeric_limits<off_t>::max());
}

} // namespace

File::~File() {
	Close();
}

Int32 File::SetLocation(const Location& newLocation) {
	if (IsOpen()) return ErrAlreadyOpen;
	location = newLocation;
	return NoIOError;
}

bool File::Exists() const {
	return Exists(location);
}

bool File::Exists(const Location& location) {
	return fileSystem.IsFile(location);
}

Int32 File::Create() {
	if (location.IsEmpty()) return ErrBadName;
	if (fileSystem.Exists(location)) return ErrAlreadyExists;
	// "wx" refuses to replace a file that appeared in the meantime.
	std::FILE* f = std::fopen(location.GetPath().c_str(), "wbx");
	if (f == nullptr) return errno == EEXIST ? ErrAlreadyExists : ErrnoToResult(errno);
	return std::fclose(f) == 0 ? NoIOError : ErrIO;
}

Int32 File::Open(OpenMode openMode, OnMissing onMissing) {
	if (IsOpen()) return ErrAlreadyOpen;
	if (location.IsEmpty()) return ErrBadName;
	std::error_code ec;
	const fs::file_status status = fs::status(location.GetPath(), ec);
	if (fs::is_directory(status)) return ErrIsAFolder;
	if (!fs::exists(status)) {
		if (ec && ec != std::errc::no_such_file_or_directory) return ErrorCodeToResult(ec);
		if (onMissing == FailIfMissing) return ErrNotFound;
		const Int32 created = Create();
		if (created != NoIOError && created != ErrAlreadyExists) return created;
	}
	const char* fopenMode = "rb";
	switch (openMode) {
	case ReadMode:
		fopenMode = "rb";
		break;
	case WriteMode:
		fopenMode = "r+b";
		break;
	case WriteEmptyMode:
		fopenMode = "wb";
		break;
	case ReadWriteMode:
		fopenMode = "r+b";
		break;
	default:
		return ErrBadName;
	}
	std::FILE* f = std::fopen(location.GetPath().c_str(), fopenMode);
	if (f == nullptr) return ErrnoToResult(errno);
	// The channels buffer; a second buffer here would only copy every byte twice.
	std::setvbuf(f, nullptr, _IONBF, 0);
	stream = f;
	mode = openMode;
	lastOp = LastOp::None;
	return NoIOError;
}

Int32 File::Close() {
	if (stream == nullptr) return NoIOError;
	const int failed = std::fclose(stream);
	stream = nullptr;
	return failed == 0 ? NoIOError : ErrIO;
}

Int32 File::GetDataLength(UInt64& length) const {
	length = 0;
	if (!IsOpen()) return ErrNotOpen;
	struct stat info {};
	if (::fstat(::fileno(stream), &info) != 0) return ErrnoToResult(errno);
	length = static_cast<UInt64>(info.st_size);
	return NoIOError;
}

Int32 File::SetDataLength(UInt64 length) {
	if (!CanWrite()) return ErrNotOpen;
	if (!FitsOffset(length)) return ErrIO;
	UInt64 position = 0;
	Int32 result = GetPosition(position);
	if (result != NoIOError) return result;
	if (::ftruncate(::fileno(stream), static_cast<off_t>(length)) != 0) return ErrnoToResult(errno);
	// Re-positioning drops whatever the stream believes about the old contents.
	return Seek(position);
}

Int32 File::GetPosition(UInt64& position) const {
	position = 0;
	if (!IsOpen()) return ErrNotOpen;
	const off_t p = ::ftello(stream);
	if (p < 0) return ErrnoToResult(errno);
	position = static_cast<UInt64>(p);
	return NoIOError;
}

Int32 File::Seek(UInt64 position) {
	if (!IsOpen()) return ErrNotOpen;
	if (!FitsOffset(position)) return ErrIO;
	if (::fseeko(stream, static_cast<off_t>(position), SEEK_SET) != 0) return ErrnoToResult(errno);
	lastOp = LastOp::None;
	return NoIOError;
}

Int32 File::PrepareFor(bool writing) {
	const LastOp wanted = writing ? LastOp::Write : LastOp::Read;
	if (lastOp != LastOp::None && lastOp != wanted && ::fseeko(stream, 0, SEEK_CUR) != 0) return ErrnoToResult(errno);
	lastOp = wanted;
	return NoIOError;
}

Int32 File::ReadBin(void* destination, UInt64 n, UInt64& read) {
	read = 0;
	if (!CanRead()) return ErrNotOpen;
	if (n == 0) return NoIOError;
	if (destination == nullptr) return ErrIO;
	const Int32 prepared = PrepareFor(false);
	if (prepared != NoIOError) return prepared;
	char* p = static_cast<char*>(destination);
	while (read < n) {
		const USize chunk = static_cast<USize>(std::min<UInt64>(n - read, 1u << 30));
		const USize got = std::fread(p + read, 1, chunk, stream);
		read += got;
		if (got < chunk) {
			if (std::ferror(stream)) {
				std::clearerr(stream);
				return ErrIO;
			}
			std::clearerr(stream); // end of file: not sticky, the file may grow
			break;
		}
	}
	return NoIOError;
}

Int32 File::WriteBin(const void* source, UInt64 n) {
	if (!CanWrite()) return ErrNotOpen;
	if (n == 0) return NoIOError;
	if (source == nullptr) return ErrIO;
	const Int32 prepared = PrepareFor(true);
	if (prepared != NoIOError) return prepared;
	const char* p = static_cast<const char*>(source);
	UInt64 written = 0;
	while (written < n) {
		const USize chunk = static_cast<USize>(std::min<UInt64>(n - written, 1u << 30));
		const USize put = std::fwrite(p + written, 1, chunk, stream);
		written += put;
		if (put < chunk) {
			const int error = errno;
			std::clearerr(stream);
			return ErrnoToResult(error);
		}
	}
	return NoIOError;
}

Int32 File::Flush() {
	if (!IsOpen()) return ErrNotOpen;
	return std::fflush(stream) == 0 ? NoIOError : ErrnoToResult(errno);
}

} // namespace IO
