#include "platform/IOFile.h"
#include "platform/FileChannel.h"
#include "platform/IOFolder.h"
#include "platform/KitFrame.h"
#include "platform/MemoryChannel.h"

#include "IoTestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

std::vector<char> FileBytes(const fs::path& path) {
	std::ifstream in(path, std::ios::binary);
	return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A mixed stream: values of every width, some larger raw blocks, more than 1 MiB in all.
void WriteMixed(Kit::OChannel& out, UInt32 seed) {
	std::mt19937 rng(seed);
	std::vector<char> block(70000);
	for (int i = 0; i < 40000; ++i) {
		const UInt32 r = rng();
		out.Write(Int16(r)).Write(r).Write(UInt64(r) * UInt64(0x100000001)).Write(double(r) / 7.0).Write(bool(r & 1));
		out.Write(UInt8(r >> 8));
		if (i % 4000 == 0) {
			for (char& c : block)
				c = static_cast<char>(rng());
			out.WriteBin(block.data(), 1 + r % block.size());
		}
	}
}

void ReadMixed(Kit::IChannel& in, UInt32 seed) {
	std::mt19937 rng(seed);
	std::vector<char> block(70000), expected(70000);
	for (int i = 0; i < 40000; ++i) {
		const UInt32 r = rng();
		Int16 a = 0;
		UInt32 b = 0;
		UInt64 c = 0;
		double d = 0;
		bool e = false;
		UInt8 f = 0;
		in.Read(a).Read(b).Read(c).Read(d).Read(e).Read(f);
		if (a != Int16(r) || b != r || c != UInt64(r) * UInt64(0x100000001) || d != double(r) / 7.0 ||
		    e != bool(r & 1) || f != UInt8(r >> 8)) {
			ADD_FAILURE() << "value mismatch at item " << i;
			return;
		}
		if (i % 4000 == 0) {
			for (char& ch : expected)
				ch = static_cast<char>(rng());
			const USize n = 1 + r % block.size();
			ASSERT_EQ(in.ReadBin(block.data(), n), 0);
			ASSERT_EQ(std::memcmp(block.data(), expected.data(), n), 0) << "block at item " << i;
		}
	}
	EXPECT_EQ(in.GetInputStatus(), 0);
}

TEST(IoFileTest, OpenModesAndCreation) {
	iotest::TestFolder tmp;
	IO::File file(IO::Location(tmp.Path() / "f.bin"));
	EXPECT_FALSE(file.Exists());
	EXPECT_EQ(file.Open(IO::File::ReadMode), IO::ErrNotFound);
	EXPECT_FALSE(file.IsOpen());
	UInt64 length = 1;
	EXPECT_EQ(file.GetDataLength(length), IO::ErrNotOpen);
	EXPECT_EQ(file.WriteBin("x", 1), IO::ErrNotOpen);

	EXPECT_EQ(file.Open(IO::File::WriteMode, IO::File::CreateIfMissing), IO::NoIOError);
	EXPECT_TRUE(file.Exists());
	EXPECT_EQ(file.Open(IO::File::ReadMode), IO::ErrAlreadyOpen);
	EXPECT_EQ(file.SetLocation(IO::Location("elsewhere")), IO::ErrAlreadyOpen);
	EXPECT_EQ(file.WriteBin("hello", 5), IO::NoIOError);
	UInt64 dummy = 0;
	EXPECT_EQ(file.ReadBin(&dummy, 1, dummy), IO::ErrNotOpen); // write-only
	EXPECT_EQ(file.Close(), IO::NoIOError);
	EXPECT_EQ(file.Create(), IO::ErrAlreadyExists);

	// Write mode keeps the contents and starts at 0; write-empty mode empties the file.
	ASSERT_EQ(file.Open(IO::File::WriteMode), IO::NoIOError);
	EXPECT_EQ(file.WriteBin("J", 1), IO::NoIOError);
	file.Close();
	EXPECT_EQ(FileBytes(tmp.Path() / "f.bin"), (std::vector<char>{'J', 'e', 'l', 'l', 'o'}));
	ASSERT_EQ(file.Open(IO::File::WriteEmptyMode), IO::NoIOError);
	EXPECT_EQ(file.GetDataLength(length), IO::NoIOError);
	EXPECT_EQ(length, 0u);
	file.Close();

	// Read-write: read, then write at the position after it, then read on.
	ASSERT_EQ(file.Open(IO::File::ReadWriteMode), IO::NoIOError);
	EXPECT_EQ(file.WriteBin("abcdef", 6), IO::NoIOError);
	EXPECT_EQ(file.Seek(1), IO::NoIOError);
	char two[2] = {};
	UInt64 got = 0;
	EXPECT_EQ(file.ReadBin(two, 2, got), IO::NoIOError);
	EXPECT_EQ(got, 2u);
	EXPECT_EQ(file.WriteBin("XY", 2), IO::NoIOError);
	EXPECT_EQ(file.ReadBin(two, 2, got), IO::NoIOError);
	EXPECT_EQ(two[0], 'f');
	EXPECT_EQ(got, 1u); // a short read at the end is not an error
	UInt64 position = 0;
	EXPECT_EQ(file.GetPosition(position), IO::NoIOError);
	EXPECT_EQ(position, 6u);
	file.Close();
	EXPECT_EQ(FileBytes(tmp.Path() / "f.bin"), (std::vector<char>{'a', 'b', 'c', 'X', 'Y', 'f'}));

	// A folder is not a file; a file in a missing folder cannot be created.
	IO::File folderFile(IO::Location(tmp.Path()));
	EXPECT_EQ(folderFile.Open(IO::File::ReadMode), IO::ErrIsAFolder);
	IO::File orphan(IO::Location(tmp.Path() / "no" / "f"));
	EXPECT_EQ(orphan.Open(IO::File::WriteMode, IO::File::CreateIfMissing), IO::ErrNotFound);
	EXPECT_EQ(IO::File().Open(IO::File::ReadMode), IO::ErrBadName);
}

TEST(IoFileTest, SetDataLengthCutsAndExtendsWithZeros) {
	iotest::TestFolder tmp;
	IO::File file(IO::Location(tmp.Path() / "len.bin"));
	ASSERT_EQ(file.Open(IO::File::ReadWriteMode, IO::File::CreateIfMissing), IO::NoIOError);
	ASSERT_EQ(file.WriteBin("0123456789", 10), IO::NoIOError);

	EXPECT_EQ(file.SetDataLength(4), IO::NoIOError);
	UInt64 length = 0, position = 0;
	EXPECT_EQ(file.GetDataLength(length), IO::NoIOError);
	EXPECT_EQ(length, 4u);
	EXPECT_EQ(file.GetPosition(position), IO::NoIOError);
	EXPECT_EQ(position, 10u); // unchanged, now past the end
	char c = 'z';
	UInt64 got = 9;
	EXPECT_EQ(file.ReadBin(&c, 1, got), IO::NoIOError);
	EXPECT_EQ(got, 0u);

	// Pre-allocation the way the cache file does it: extend, write from 0.
	EXPECT_EQ(file.SetDataLength(3 * 240), IO::NoIOError);
	EXPECT_EQ(file.GetDataLength(length), IO::NoIOError);
	EXPECT_EQ(length, 720u);
	EXPECT_EQ(file.Seek(0), IO::NoIOError);
	EXPECT_EQ(file.WriteBin("AB", 2), IO::NoIOError);
	file.Close();
	const std::vector<char> bytes = FileBytes(tmp.Path() / "len.bin");
	ASSERT_EQ(bytes.size(), 720u);
	EXPECT_EQ(std::string(bytes.data(), 4), "AB23");
	EXPECT_TRUE(std::all_of(bytes.begin() + 4, bytes.end(), [](char b) { return b == 0; }));

	ASSERT_EQ(file.Open(IO::File::ReadMode), IO::NoIOError);
	EXPECT_EQ(file.SetDataLength(0), IO::ErrNotOpen); // read-only
}

TEST(IoFileTest, LargeStreamRoundTripsThroughBufferedChannels) {
	iotest::TestFolder tmp;
	const IO::Location location(tmp.Path() / "big.bin");

	// The same stream written to memory is the reference for the file's bytes.
	IO::MemoryOChannel reference;
	reference.SetProtocol(Kit::BigEndian_Platform_Sign);
	WriteMixed(reference, 7);
	ASSERT_GT(reference.GetDataSize(), 1u << 20);

	for (USize bufferSize : {USize(16), USize(1000), IO::DefaultFileChannelBufferSize}) {
		SCOPED_TRACE(bufferSize);
		IO::File file(location);
		ASSERT_EQ(file.Open(IO::File::WriteEmptyMode, IO::File::CreateIfMissing), IO::NoIOError);
		{
			IO::FileOChannel out(file, bufferSize);
			out.SetProtocol(Kit::BigEndian_Platform_Sign);
			WriteMixed(out, 7);
			EXPECT_EQ(out.GetPosition(), reference.GetDataSize());
			out.Flush();
			EXPECT_EQ(out.GetOutputStatus(), 0);
		}
		file.Close();
		ASSERT_EQ(FileBytes(location.GetPath()), reference.GetBytes());

		ASSERT_EQ(file.Open(IO::File::ReadMode), IO::NoIOError);
		IO::FileIChannel in(file, bufferSize);
		in.SetProtocol(Kit::BigEndian_Platform_Sign);
		EXPECT_EQ(in.GetAvailable(), reference.GetDataSize());
		ReadMixed(in, 7);
		EXPECT_EQ(in.GetAvailable(), 0u);
		UInt8 extra = 1;
		in.Read(extra);
		EXPECT_EQ(extra, 0);
		EXPECT_EQ(in.GetInputStatus(), Kit::ChannelEndOfInput);
	}
}

TEST(IoFileTest, TruncatedFileAndSkipsAreReported) {
	iotest::TestFolder tmp;
	const IO::Location location(tmp.Path() / "cut.bin");
	IO::File file(location);
	ASSERT_EQ(file.Open(IO::File::WriteMode, IO::File::CreateIfMissing), IO::NoIOError);
	{
		IO::FileOChannel out(file, 64);
		for (Int32 i = 0; i < 100; ++i)
			out.Write(i);
	}                                                  // flushed by the destructor
	EXPECT_EQ(file.SetDataLength(398), IO::NoIOError); // the last value loses two bytes
	file.Close();

	ASSERT_EQ(file.Open(IO::File::ReadMode), IO::NoIOError);
	{
		IO::FileIChannel in(file, 64);
		EXPECT_EQ(in.Skip(10), 0); // inside the first buffer
		EXPECT_EQ(in.GetAvailable(), 388u);
		EXPECT_EQ(in.Skip(2), 0); // now at value 3
		Int32 v = -1;
		in.Read(v);
		EXPECT_EQ(v, 3);
		EXPECT_EQ(in.Skip(4 * 90), 0); // far beyond the buffer: value 94
		in.Read(v);
		EXPECT_EQ(v, 94);
		EXPECT_EQ(in.GetPosition(), 380u);
		for (Int32 i = 95; i < 99; ++i) {
			in.Read(v);
			EXPECT_EQ(v, i);
		}
		EXPECT_EQ(in.GetInputStatus(), 0);
		in.Read(v); // two bytes left of value 99
		EXPECT_EQ(v, 0);
		EXPECT_EQ(in.GetInputStatus(), Kit::ChannelEndOfInput);
	}
	// The file position follows what the channel consumed, so a next channel goes on.
	EXPECT_EQ(file.Seek(0), IO::NoIOError);
	{
		IO::FileIChannel in(file, 64);
		Int32 v = -1;
		in.Read(v);
		EXPECT_EQ(v, 0);
	}
	UInt64 position = 0;
	EXPECT_EQ(file.GetPosition(position), IO::NoIOError);
	EXPECT_EQ(position, 4u);
	{
		IO::FileIChannel in(file, 64);
		Int32 v = -1;
		in.Read(v);
		EXPECT_EQ(v, 1);
		EXPECT_EQ(in.Skip(1000), Kit::ChannelEndOfInput);
		EXPECT_EQ(in.GetAvailable(), 0u);
	}
}

TEST(IoFileTest, ChannelsOnUnsuitableFilesFail) {
	iotest::TestFolder tmp;
	IO::File file(IO::Location(tmp.Path() / "x.bin"));
	{
		IO::FileIChannel in(file); // not open
		Int32 v = 5;
		in.Read(v);
		EXPECT_EQ(v, 0);
		EXPECT_NE(in.GetInputStatus(), 0);
		EXPECT_EQ(in.GetAvailable(), 0u);
	}
	ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::CreateIfMissing), IO::NoIOError);
	IO::FileOChannel out(file); // read-only file
	EXPECT_NE(out.GetOutputStatus(), 0);
	out.Write(Int32(1));
	out.Flush();
	UInt64 length = 9;
	EXPECT_EQ(file.GetDataLength(length), IO::NoIOError);
	EXPECT_EQ(length, 0u);
}

TEST(IoFileTest, FramedCacheLayoutThroughFile) {
	// The cache-file pattern: pre-allocate, write framed sections from 0, read them
	// back and ignore the zeros that follow.
	iotest::TestFolder tmp;
	const Kit::ClassInfo info("IoFileTestArray", "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", Kit::ClassVersion(1, 2));
	const IO::Location location(tmp.Path() / "ModelElems-1");
	IO::File file(location);
	ASSERT_EQ(file.Open(IO::File::WriteMode, IO::File::CreateIfMissing), IO::NoIOError);
	ASSERT_EQ(file.SetDataLength(240 * 1000), IO::NoIOError);
	ASSERT_EQ(file.Seek(0), IO::NoIOError);
	{
		IO::FileOChannel out(file);
		out.Write(UInt32(1000));
		Kit::OutputFrame frame(out, info);
		for (Int32 i = 0; i < 1000; ++i) {
			Kit::OutputFrame inner(out, info);
			out.Write(UInt32(1)).Write(i);
		}
		frame.Close();
		out.Flush();
		EXPECT_EQ(out.GetOutputStatus(), 0);
	}
	file.Close();

	ASSERT_EQ(file.Open(IO::File::ReadMode), IO::NoIOError);
	IO::FileIChannel in(file);
	UInt32 n = 0;
	in.Read(n);
	ASSERT_EQ(n, 1000u);
	Kit::InputFrame frame(in, info);
	EXPECT_EQ(frame.GetVersion(), Kit::ClassVersion(1, 2));
	for (Int32 i = 0; i < 1000; ++i) {
		Kit::InputFrame inner(in, info);
		UInt32 count = 0;
		Int32 value = -1;
		in.Read(count).Read(value);
		inner.Close();
		ASSERT_EQ(inner.GetStatus(), 0);
		ASSERT_EQ(value, i);
	}
	frame.Close();
	EXPECT_EQ(frame.GetStatus(), 0);
	EXPECT_GT(in.GetAvailable(), 0u); // the zero-filled rest of the pre-allocation
}

} // namespace
