#include "platform/IOFolder.h"
#include "platform/IOFile.h"

#include "IoTestFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

void TouchFile(const fs::path& path, const std::string& contents = "data") {
	std::ofstream(path, std::ios::binary) << contents;
}

std::vector<std::string> EntryNames(const IO::Folder& folder) {
	std::vector<IO::Folder::Entry> entries;
	EXPECT_EQ(folder.Enumerate(entries), IO::NoIOError);
	std::vector<std::string> names;
	for (const IO::Folder::Entry& e : entries)
		names.push_back(e.name.ToUtf8() + (e.isFolder ? "/" : ""));
	return names;
}

TEST(IoFolderTest, NamesAndLocations) {
	EXPECT_TRUE(IO::Name("ModelElems-1").IsValid());
	EXPECT_TRUE(IO::Name("\xC3\xA9t\xC3\xA9").IsValid()); // UTF-8 "été"
	for (const char* bad : {"", ".", "..", "a/b", "a\\b", "/"})
		EXPECT_FALSE(IO::Name(bad).IsValid()) << bad;
	EXPECT_EQ(IO::Name(Kit::UniString("3D")).ToUtf8(), "3D");
	EXPECT_EQ(IO::Name("\xC3\xA9t\xC3\xA9").ToUniString().GetLength(), 3u);

	IO::Location loc("/tmp/base");
	EXPECT_EQ(loc.AppendToLocal(IO::Name("3D")), IO::NoIOError);
	EXPECT_EQ(loc.AppendToLocal(IO::Name("..")), IO::ErrBadName);
	EXPECT_EQ(loc.AppendToLocal(IO::Name("x/y")), IO::ErrBadName);
	EXPECT_EQ(loc.ToString(), "/tmp/base/3D");
	IO::Name last;
	EXPECT_EQ(loc.GetLastLocalName(last), IO::NoIOError);
	EXPECT_EQ(last, IO::Name("3D"));
	EXPECT_EQ(loc.DeleteLastLocalName(), IO::NoIOError);
	EXPECT_EQ(loc, IO::Location("/tmp/base"));
	EXPECT_EQ(loc.Appended(IO::Name("f")).ToUniString(), Kit::UniString("/tmp/base/f"));

	EXPECT_EQ(IO::Location("/tmp/dir/").GetLastLocalName(last), IO::NoIOError);
	EXPECT_EQ(last.ToUtf8(), "dir");
	EXPECT_EQ(IO::Location("/").GetLastLocalName(last), IO::ErrBadName);
	EXPECT_EQ(IO::Location().GetLastLocalName(last), IO::ErrBadName);
	IO::Location root("/");
	EXPECT_EQ(root.DeleteLastLocalName(), IO::ErrBadName);
	EXPECT_TRUE(IO::Location().IsEmpty());
}

TEST(IoFolderTest, NewInBothModes) {
	iotest::TestFolder tmp;
	const IO::Location base(tmp.Path() / "base");

	Int32 result = 1;
	EXPECT_EQ(IO::Folder::New(base, IO::Folder::FailIfMissing, &result), nullptr);
	EXPECT_EQ(result, IO::ErrNotFound);
	EXPECT_FALSE(IO::fileSystem.Exists(base));

	// Create mode makes missing parents too.
	const IO::Location deep(tmp.Path() / "base" / "a" / "b");
	std::unique_ptr<IO::Folder> folder = IO::Folder::New(deep, IO::Folder::CreateIfMissing, &result);
	ASSERT_NE(folder, nullptr);
	EXPECT_EQ(result, IO::NoIOError);
	EXPECT_TRUE(fs::is_directory(deep.GetPath()));
	EXPECT_EQ(folder->GetLocation(), deep);

	// Now it exists: both modes open it and keep what is inside.
	TouchFile(deep.GetPath() / "keep");
	for (IO::Folder::Mode mode : {IO::Folder::FailIfMissing, IO::Folder::CreateIfMissing}) {
		std::unique_ptr<IO::Folder> again = IO::Folder::New(deep, mode, &result);
		ASSERT_NE(again, nullptr);
		EXPECT_EQ(result, IO::NoIOError);
		EXPECT_EQ(EntryNames(*again), std::vector<std::string>{"keep"});
	}

	// A file where a folder is wanted, or under a file, or an empty location.
	EXPECT_EQ(IO::Folder::New(deep.Appended(IO::Name("keep")), IO::Folder::CreateIfMissing, &result), nullptr);
	EXPECT_EQ(result, IO::ErrNotAFolder);
	EXPECT_EQ(IO::Folder::New(IO::Location(deep.GetPath() / "keep" / "sub"), IO::Folder::CreateIfMissing, &result),
	          nullptr);
	EXPECT_NE(result, IO::NoIOError);
	EXPECT_EQ(IO::Folder::New(IO::Location(), IO::Folder::CreateIfMissing, &result), nullptr);
	EXPECT_EQ(result, IO::ErrBadName);

	// A relative location is made absolute, so the folder does not move with the
	// working directory.
	const fs::path saved = fs::current_path();
	fs::current_path(tmp.Path());
	std::unique_ptr<IO::Folder> relative = IO::Folder::New(IO::Location("rel"), IO::Folder::CreateIfMissing);
	fs::current_path(saved);
	ASSERT_NE(relative, nullptr);
	EXPECT_TRUE(relative->GetLocation().GetPath().is_absolute());
	EXPECT_TRUE(fs::is_directory(tmp.Path() / "rel"));
}

TEST(IoFolderTest, SubfoldersEnumerateAndDelete) {
	iotest::TestFolder tmp;
	std::unique_ptr<IO::Folder> folder = IO::Folder::New(IO::Location(tmp.Path()), IO::Folder::FailIfMissing);
	ASSERT_NE(folder, nullptr);
	EXPECT_TRUE(EntryNames(*folder).empty());

	EXPECT_EQ(folder->CreateFolder(IO::Name("3D")), IO::NoIOError);
	EXPECT_EQ(folder->CreateFolder(IO::Name("3D")), IO::ErrAlreadyExists);
	EXPECT_EQ(folder->CreateFolder(IO::Name("..")), IO::ErrBadName);
	EXPECT_TRUE(folder->Contains(IO::Name("3D")));
	EXPECT_FALSE(folder->Contains(IO::Name("none")));

	Int32 result = 1;
	EXPECT_EQ(folder->OpenFolder(IO::Name("missing"), IO::Folder::FailIfMissing, &result), nullptr);
	EXPECT_EQ(result, IO::ErrNotFound);
	EXPECT_EQ(folder->OpenFolder(IO::Name("a/b"), IO::Folder::CreateIfMissing, &result), nullptr);
	EXPECT_EQ(result, IO::ErrBadName);
	std::unique_ptr<IO::Folder> sub = folder->OpenFolder(IO::Name("3D"), IO::Folder::FailIfMissing, &result);
	ASSERT_NE(sub, nullptr);
	EXPECT_EQ(sub->GetLocation(), folder->GetLocationOf(IO::Name("3D")));

	// A nested tree: swap folders with cache files and a deeper level.
	std::unique_ptr<IO::Folder> swap1 = sub->OpenFolder(IO::Name("Swap 1"), IO::Folder::CreateIfMissing);
	std::unique_ptr<IO::Folder> swap2 = sub->OpenFolder(IO::Name("Swap 2"), IO::Folder::CreateIfMissing);
	ASSERT_NE(swap1, nullptr);
	ASSERT_NE(swap2, nullptr);
	TouchFile(swap1->GetLocation().GetPath() / "ModelElems-1");
	fs::create_directories(swap2->GetLocation().GetPath() / "x" / "y");
	TouchFile(swap2->GetLocation().GetPath() / "x" / "y" / "z");
	TouchFile(sub->GetLocation().GetPath() / "loose");
	EXPECT_EQ(EntryNames(*sub), (std::vector<std::string>{"Swap 1/", "Swap 2/", "loose"}));

	// Delete one entry (recursively), then empty a folder but keep it.
	EXPECT_EQ(sub->Delete(IO::Name("Swap 2")), IO::NoIOError);
	EXPECT_EQ(sub->Delete(IO::Name("Swap 2")), IO::ErrNotFound);
	EXPECT_EQ(EntryNames(*sub), (std::vector<std::string>{"Swap 1/", "loose"}));
	EXPECT_EQ(swap1->DeleteContents(), IO::NoIOError);
	EXPECT_TRUE(EntryNames(*swap1).empty());
	EXPECT_TRUE(fs::is_directory(swap1->GetLocation().GetPath()));
	EXPECT_EQ(sub->DeleteContents(), IO::NoIOError);
	EXPECT_TRUE(EntryNames(*sub).empty());
	EXPECT_EQ(sub->DeleteContents(), IO::NoIOError); // nothing left is fine

	// Once the folder is gone, its operations report errors instead of throwing.
	const IO::Location subLocation = sub->GetLocation();
	EXPECT_EQ(IO::fileSystem.Delete(subLocation), IO::NoIOError);
	std::vector<IO::Folder::Entry> entries;
	EXPECT_EQ(sub->Enumerate(entries), IO::ErrNotFound);
	EXPECT_EQ(sub->DeleteContents(), IO::ErrNotFound);
	EXPECT_NE(sub->CreateFolder(IO::Name("late")), IO::NoIOError);
}

TEST(IoFolderTest, FileSystemDeleteIsRecursiveAndDoesNotFollowLinks) {
	iotest::TestFolder tmp;
	const fs::path tree = tmp.Path() / "tree";
	const fs::path outside = tmp.Path() / "outside";
	fs::create_directories(tree / "a" / "b" / "c");
	fs::create_directories(outside);
	TouchFile(tree / "a" / "b" / "c" / "f1");
	TouchFile(tree / "f2");
	TouchFile(outside / "precious");
	fs::create_directory_symlink(outside, tree / "link");

	EXPECT_TRUE(IO::fileSystem.Exists(IO::Location(tree)));
	EXPECT_TRUE(IO::fileSystem.IsFolder(IO::Location(tree)));
	EXPECT_TRUE(IO::fileSystem.IsFile(IO::Location(tree / "f2")));
	EXPECT_FALSE(IO::fileSystem.IsFile(IO::Location(tree)));

	EXPECT_EQ(IO::fileSystem.Delete(IO::Location(tree)), IO::NoIOError);
	EXPECT_FALSE(fs::exists(tree));
	EXPECT_TRUE(fs::exists(outside / "precious"));
	EXPECT_FALSE(IO::fileSystem.Exists(IO::Location(tree)));
	EXPECT_EQ(IO::fileSystem.Delete(IO::Location(tree)), IO::ErrNotFound);
	EXPECT_EQ(IO::fileSystem.Delete(IO::Location()), IO::ErrBadName);
	EXPECT_FALSE(IO::fileSystem.Exists(IO::Location()));

	// A single file.
	EXPECT_EQ(IO::fileSystem.Delete(IO::Location(outside / "precious")), IO::NoIOError);
	EXPECT_FALSE(fs::exists(outside / "precious"));
}

TEST(IoFolderTest, UnwritableFolderReportsAccessDenied) {
	if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
	iotest::TestFolder tmp;
	const fs::path locked = tmp.Path() / "locked";
	fs::create_directories(locked / "inner");
	TouchFile(locked / "inner" / "f");
	fs::permissions(locked / "inner", fs::perms::owner_read | fs::perms::owner_exec);
	std::unique_ptr<IO::Folder> inner = IO::Folder::New(IO::Location(locked / "inner"), IO::Folder::FailIfMissing);
	ASSERT_NE(inner, nullptr);
	EXPECT_EQ(inner->CreateFolder(IO::Name("x")), IO::ErrAccessDenied);
	EXPECT_EQ(inner->DeleteContents(), IO::ErrAccessDenied);
	EXPECT_NE(IO::fileSystem.Delete(IO::Location(locked)), IO::NoIOError);
	fs::permissions(locked / "inner", fs::perms::owner_all);
	EXPECT_EQ(IO::fileSystem.Delete(IO::Location(locked)), IO::NoIOError);
}

} // namespace
