// Element container cache file: purge and restore keep elements, sharing, GUIDs and
// index records; damaged files are refused; concurrent accesses restore once.
#include "Model3D/core/elems/ElemContainer.h"
#include "Model3D/persistence/cache/detail/CacheFileFaults.h"
#include "fixtures/ElemFixtures.h"
#include "fixtures/TempDir.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Fixtures::MakeBaseElem;
using Fixtures::MakeCube;
using Fixtures::MakeElem;
using Modeler::Elem;
using Modeler::ElemContainer;

namespace {

UInt32 Add(ElemContainer& c, const Kit::ConstSharedPtr<Elem>& e) {
	const UInt32 i = static_cast<UInt32>(c.GetElems().GetSize());
	c.GetElems().Push(e);
	if (!e->GetElemId().guid.IsNull()) c.GetElemGuidIndexMap().Put(e->GetElemId().guid, i);
	c.InvalidateBindIndex();
	return i;
}

class ElemContainerFile : public ::testing::Test {
protected:
	TestSupport::TempDir dir;
	IO::Location folder{dir.Path()};
	Fixtures::SharedPair pair = Fixtures::MakeSharedPair();
	Kit::SharedPtr<Elem> deleted;
	ElemContainer c;

	// Slots: first, second, deleted placeholder, first again, an element of its own.
	void SetUp() override {
		deleted = Kit::SharedPtr<Elem>(new Elem(*pair.second, Elem::Shallow));
		deleted->SetDeleted();
		Add(c, pair.first);
		Add(c, pair.second);
		Add(c, deleted);
		Add(c, pair.first);
		Add(c, MakeElem(MakeBaseElem({MakeCube(3), Fixtures::MakeWallWithWindow()})));
		c.CalculateGPgons(0);
		ASSERT_EQ(c.GetBind(4, 0), 1u + 3 + 3 + 3 + 3);
	}

	std::filesystem::path CacheFile(Int32 index) const {
		return dir.Path() / ElemContainer::GetCacheFileName(index).ToUtf8();
	}

	// The elements of a container as they are now: the same objects in the same slots.
	static std::vector<Kit::ConstSharedPtr<Elem>> Slots(const ElemContainer& from) {
		std::vector<Kit::ConstSharedPtr<Elem>> slots;
		for (USize i = 0; i < from.GetElems().GetSize(); ++i)
			slots.push_back(from.GetElems()[i]);
		return slots;
	}

	// The cache file index holds exactly the elements of expected, element by element.
	bool CacheHolds(Int32 index, const std::vector<Kit::ConstSharedPtr<Elem>>& expected) const {
		ElemContainer probe;
		probe.ReadFromFile(folder, index);
		if (probe.GetElemCount() != expected.size()) return false;
		for (USize i = 0; i < expected.size(); ++i)
			if (*probe.GetElems()[i] != *expected[i]) return false;
		return true;
	}

	// Nothing but the cache files named: no temporary file left behind.
	std::size_t FolderEntries() const {
		return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
	}

	// A small model (one file a few hundred bytes long, so that every byte of it can be
	// tried), and a second state of it with one element more.
	void MakeSmall(ElemContainer& small) {
		Add(small, MakeElem(MakeBaseElem({MakeCube(1)}), Fixtures::Translation(1, 0, 0)));
	}
	void GrowModel(ElemContainer& small) { Add(small, MakeElem(MakeBaseElem({MakeCube(2)}))); }
};

} // namespace

TEST_F(ElemContainerFile, PurgeAndRestoreKeepContentAndSharing) {
	std::vector<Int32> offsets;
	for (UInt32 e = 0; e < 5; ++e)
		offsets.push_back(c.GetGlobPgonIdx(e, 1));

	c.PurgeToFile(folder, 7);
	EXPECT_TRUE(std::filesystem::exists(dir.Path() / "ModelElems-7"));
	EXPECT_TRUE(c.IsPurged());
	EXPECT_EQ(c.GetElemCount(), 5u);
	EXPECT_EQ(c.GetGPgonCount(), 0u); // never restores
	EXPECT_TRUE(c.IsPurged());
	// A second purge does nothing (the file is not rewritten elsewhere).
	c.PurgeToFile(folder, 8);
	EXPECT_FALSE(std::filesystem::exists(dir.Path() / "ModelElems-8"));
	// The released objects are gone from the container: only the test holds them.
	EXPECT_EQ(pair.first->GetRefCount(), 1);

	// Any access restores.
	EXPECT_EQ(c.GetElemIdx(pair.second->GetElemId().guid), 1);
	EXPECT_FALSE(c.IsPurged());
	const ElemContainer::ElemList& elems = c.GetElems();
	ASSERT_EQ(elems.GetSize(), 5u);
	EXPECT_EQ(elems[0].Get(), elems[3].Get()); // one element in two slots
	EXPECT_EQ(elems[0]->GetConstBaseElem(), elems[1]->GetConstBaseElem());
	EXPECT_EQ(elems[0]->GetConstBody(0).Get(), elems[1]->GetConstBody(2).Get());
	EXPECT_TRUE(*elems[0] == *pair.first);
	EXPECT_TRUE(*elems[2] == *deleted);
	EXPECT_TRUE(elems[2]->IsInvalid());
	EXPECT_EQ(elems[4]->GetBodyCount(), 2u);
	EXPECT_EQ(elems[1]->GetBounds(), pair.second->GetBounds());

	// GUID map: the placeholder has no entry; the element in slots 0 and 3 maps to 3.
	EXPECT_EQ(c.GetElemGuidIndexMap().GetSize(), 3u);
	EXPECT_EQ(c.GetElemIdx(pair.first->GetElemId().guid), 3);
	EXPECT_EQ(c.GetElemIdx(Kit::NULLGuid), -1);
	// Index records come back as they were.
	for (UInt32 e = 0; e < 5; ++e)
		EXPECT_EQ(c.GetGlobPgonIdx(e, 1), offsets[e]);
	EXPECT_EQ(c.GetElemIndices()[4].absoluteBodyIdx, 13u);
	EXPECT_EQ(c.GetBind(5, 0), 15u);

	// The file stays and a later purge overwrites it.
	c.GetElems().SetSize(1);
	c.PurgeToFile(folder, 7);
	EXPECT_EQ(c.GetElemCount(), 1u);
	EXPECT_EQ(c.GetElems().GetSize(), 1u);
	EXPECT_TRUE(*c.GetElems()[0] == *pair.first);
}

TEST_F(ElemContainerFile, EmptyContainerRoundTripAndWriteWithoutPurge) {
	ElemContainer empty;
	empty.PurgeToFile(folder, 1);
	EXPECT_TRUE(empty.IsPurged());
	EXPECT_EQ(empty.GetElemCount(), 0u);
	EXPECT_EQ(empty.GetElems().GetSize(), 0u);
	EXPECT_FALSE(empty.IsPurged());

	// Writing does not change the container; reading into another one reproduces it.
	c.WriteToFile(folder, 2);
	EXPECT_FALSE(c.IsPurged());
	ElemContainer other;
	other.ReadFromFile(folder, 2);
	ASSERT_EQ(other.GetElemCount(), 5u);
	for (UInt32 i = 0; i < 5; ++i)
		EXPECT_TRUE(*other.GetElems()[i] == *c.GetElems()[i]) << i;
	EXPECT_EQ(other.GetGPgonCount(), c.GetGPgonCount());
}

TEST_F(ElemContainerFile, MissingTruncatedOrAlteredFilesAreRefused) {
	c.WriteToFile(folder, 3);
	const std::filesystem::path file = CacheFile(3);
	std::vector<char> image(std::filesystem::file_size(file));
	std::ifstream(file, std::ios::binary).read(image.data(), static_cast<std::streamsize>(image.size()));
	auto put = [&](const std::vector<char>& bytes) {
		std::ofstream(file, std::ios::binary | std::ios::trunc)
		    .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
	};
	auto expectRefused = [&](const char* what) {
		Kit::logger.Clear();
		ElemContainer probe;
		try {
			probe.ReadFromFile(folder, 3);
			ADD_FAILURE() << "accepted: " << what;
		} catch (const Kit::InternalErrorException& e) {
			// One message holds the file and the cause.
			const std::string message = e.GetMessage();
			EXPECT_NE(message.find(file.string() + ": "), std::string::npos) << message;
			EXPECT_GT(message.size(), message.find(file.string()) + file.string().size() + 2) << message;
		}
		// Whatever stays was read completely: no empty slots.
		for (USize i = 0; i < probe.GetElems().GetSize(); ++i)
			EXPECT_NE(probe.GetElems()[i], nullptr) << what;
		const std::vector<Kit::LogLine> lines = Kit::logger.GetLines();
		ASSERT_FALSE(lines.empty()) << what;
		EXPECT_EQ(lines.back().category, "Modeler");
		EXPECT_EQ(lines.back().text.rfind("Model3D::ElemContainer::ReadFromFile failed: ", 0), 0u) << what;
	};

	// The written part ends well before the pre-allocated length; cut inside it.
	USize used = image.size();
	while (used > 0 && image[used - 1] == 0)
		--used;
	for (USize length : {USize(0), USize(3), USize(50), used / 2, used - 5}) {
		put(std::vector<char>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
		expectRefused("truncated");
	}
	std::vector<char> altered = image;
	const UInt32 huge = 0x7FFFFFFF;
	std::memcpy(altered.data(), &huge, 4);
	put(altered);
	expectRefused("element count");
	altered = image;
	const Int32 badIndex = 9;
	std::memcpy(altered.data() + 4, &badIndex, 4);
	put(altered);
	expectRefused("element index");

	std::filesystem::remove(file);
	expectRefused("missing");

	// A purged container whose file vanished stays purged and empty, and fails again on
	// the next access rather than showing a half-restored list.
	c.PurgeToFile(folder, 4);
	std::filesystem::remove(CacheFile(4));
	EXPECT_THROW(c.GetElems(), Kit::InternalErrorException);
	EXPECT_TRUE(c.IsPurged());
	EXPECT_EQ(c.GetElemCount(), 5u);
	EXPECT_THROW(c.GetElemIdx(pair.first->GetElemId().guid), Kit::InternalErrorException);
}

TEST_F(ElemContainerFile, ConcurrentAccessesRestoreOnce) {
	// Enough elements that a restore takes a while.
	for (int i = 0; i < 3000; ++i)
		Add(c, MakeElem(pair.base, Fixtures::Translation(i, 0, 0)));
	for (int round = 0; round < 10; ++round) {
		c.PurgeToFile(folder, 5);
		constexpr int threadCount = 4;
		std::atomic<int> ready{0};
		std::vector<Kit::ConstSharedPtr<Elem>> seen(threadCount);
		std::vector<Int32> found(threadCount, -2);
		std::vector<std::thread> threads;
		for (int t = 0; t < threadCount; ++t) {
			threads.emplace_back([&, t] {
				++ready;
				while (ready.load() < threadCount)
					std::this_thread::yield();
				found[t] = c.GetElemIdx(pair.second->GetElemId().guid);
				seen[t] = c.GetElems()[0];
			});
		}
		for (std::thread& th : threads)
			th.join();
		// A second restore would have replaced the elements that an earlier thread saw.
		for (int t = 0; t < threadCount; ++t) {
			EXPECT_EQ(found[t], 1);
			EXPECT_EQ(seen[t].Get(), c.GetElems()[0].Get());
		}
	}
}

TEST_F(ElemContainerFile, PurgeInterruptedAtEveryByteKeepsTheOldCacheAndTheElements) {
	ElemContainer small;
	MakeSmall(small);
	small.PurgeToFile(folder, 9);
	const std::vector<Kit::ConstSharedPtr<Elem>> before = Slots(small); // restores
	GrowModel(small);
	const std::vector<Kit::ConstSharedPtr<Elem>> after = Slots(small);
	small.WriteToFile(folder, 10);
	const UInt64 length = std::filesystem::file_size(CacheFile(10));

	for (UInt64 limit = 0; limit <= length; ++limit) {
		Modeler::CacheFileFaults::FailWritesAfter(limit);
		bool failed = false;
		try {
			small.PurgeToFile(folder, 9);
		} catch (const Kit::InternalErrorException& e) {
			failed = true;
			EXPECT_EQ(std::string(e.GetMessage()).rfind("Model3D::ElemContainer::WriteToFile failed: ", 0), 0u);
		}
		Modeler::CacheFileFaults::FailWritesAfter(Modeler::CacheFileFaults::NoLimit);
		ASSERT_EQ(failed, limit < length) << limit;
		ASSERT_EQ(FolderEntries(), 2u) << limit;
		if (failed) {
			// The elements never left memory and the previous cache still reads back.
			ASSERT_FALSE(small.IsPurged());
			ASSERT_EQ(Slots(small), after) << limit;
			ASSERT_TRUE(CacheHolds(9, before)) << limit;
		} else {
			ASSERT_TRUE(small.IsPurged());
			ASSERT_TRUE(CacheHolds(9, after));
		}
	}
}

TEST_F(ElemContainerFile, PurgeOnAFullDiskFailsAndKeepsTheModelAndTheOldCache) {
	c.PurgeToFile(folder, 11);
	const std::vector<Kit::ConstSharedPtr<Elem>> before = Slots(c);
	GrowModel(c);
	const std::vector<Kit::ConstSharedPtr<Elem>> after = Slots(c);
	c.WriteToFile(folder, 12);
	const rlim_t length = static_cast<rlim_t>(std::filesystem::file_size(CacheFile(12)));
	std::filesystem::remove(CacheFile(12));

	// The file size limit stands for the full disk; it is set in a child process of its
	// own, which reports by its exit code: 0 when every check held.
	const pid_t child = ::fork();
	ASSERT_NE(child, -1);
	if (child == 0) {
		std::signal(SIGXFSZ, SIG_IGN);
		const rlimit limit{length - 1, length - 1};
		if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(10);
		try {
			c.PurgeToFile(folder, 11);
			::_exit(11);
		} catch (const Kit::InternalErrorException&) {
		}
		if (c.IsPurged() || Slots(c) != after) ::_exit(12);
		if (!CacheHolds(11, before)) ::_exit(13);
		if (FolderEntries() != 1) ::_exit(14);
		::_exit(0);
	}
	int status = 0;
	ASSERT_EQ(::waitpid(child, &status, 0), child);
	ASSERT_TRUE(WIFEXITED(status)) << status;
	EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ElemContainerFile, EveryCutAndEveryFlippedByteIsRefusedAndNothingRestored) {
	ElemContainer small;
	MakeSmall(small);
	small.WriteToFile(folder, 13);
	const std::filesystem::path file = CacheFile(13);
	std::vector<char> image(std::filesystem::file_size(file));
	std::ifstream(file, std::ios::binary).read(image.data(), static_cast<std::streamsize>(image.size()));
	auto refusedWith = [&](const std::vector<char>& bytes, const char* cause) {
		std::ofstream(file, std::ios::binary | std::ios::trunc)
		    .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
		ElemContainer probe;
		try {
			probe.ReadFromFile(folder, 13);
		} catch (const Kit::InternalErrorException& e) {
			const std::string message = e.GetMessage();
			return probe.GetElemCount() == 0 && message.find(file.string() + ": " + cause) != std::string::npos;
		}
		return false;
	};

	for (USize length = 0; length < image.size(); ++length) {
		const std::vector<char> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
		ASSERT_TRUE(refusedWith(cut, length < 8 ? "file too short" : "checksum mismatch")) << length;
	}
	for (USize at = 0; at < image.size(); ++at) {
		std::vector<char> flipped = image;
		flipped[at] = static_cast<char>(flipped[at] ^ (1 << (at % 8)));
		ASSERT_TRUE(refusedWith(flipped, "checksum mismatch")) << at;
	}
	std::vector<char> longer = image;
	longer.push_back(0);
	EXPECT_TRUE(refusedWith(longer, "checksum mismatch"));

	// A purged container whose cache file was altered stays purged.
	small.PurgeToFile(folder, 13);
	std::vector<char> flipped = image;
	flipped[4] ^= 1;
	EXPECT_TRUE(refusedWith(flipped, "checksum mismatch"));
	EXPECT_THROW(small.GetElems(), Kit::InternalErrorException);
	EXPECT_TRUE(small.IsPurged());
}
