// Readers fed forged counts under a limited address space: every 4-byte window of every
// valid stream in turn is overwritten with a huge value, and the reader must refuse the
// stream (or read it, when the window held no count) without asking for more memory
// than the stream could justify. The reads run in a child process whose address space is
// limited to a little more than it uses, so that an allocation sized by a forged count
// fails there (or the child is killed) instead of swapping the machine.
#include "FailingAllocator.h"

#include "fixtures/ReaderCases.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define M3D_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define M3D_SANITIZED_BUILD 1
#endif
#endif

namespace {

constexpr UInt64 Headroom = UInt64(512) << 20;

[[maybe_unused]] UInt64 AddressSpaceInUse() {
	std::ifstream statm("/proc/self/statm");
	UInt64 pages = 0;
	statm >> pages;
	return pages * static_cast<UInt64>(sysconf(_SC_PAGESIZE));
}

// In the child: 0 when every forged stream was handled cleanly.
[[maybe_unused]] int ReadForgedStreams() {
	int faults = 0;
	for (const Fixtures::ReaderCase& c : Fixtures::ReaderCases()) {
		for (USize at = 0; at + 4 <= c.stream.size(); ++at) {
			for (const UInt32 forged : {0x80000000u, 0xFFFFFFF0u}) {
				std::vector<char> bytes = c.stream;
				std::memcpy(bytes.data() + at, &forged, sizeof forged);
				std::unique_ptr<Fixtures::ReadTarget> target = c.makeTarget();
				const long failuresBefore = FailingAllocator::SystemFailures();
				const char* outcome = nullptr;
				try {
					IO::MemoryIChannel in(bytes.data(), bytes.size());
					target->Read(in);
				} catch (const std::bad_alloc&) {
					outcome = "ran out of memory";
				} catch (const Kit::KitException&) {
				} catch (const Fixtures::ReadRefused&) {
				}
				if (outcome == nullptr && FailingAllocator::SystemFailures() != failuresBefore)
					outcome = "was refused memory and hid it";
				if (outcome != nullptr && ++faults <= 20)
					std::fprintf(stderr, "%s: 0x%08X at byte %zu %s\n", c.name.c_str(), forged, at, outcome);
			}
		}
	}
	return faults == 0 ? 0 : 1;
}

TEST(AddressSpaceLimit, ForgedCountsAreRefusedBeforeAllocating) {
#ifdef M3D_SANITIZED_BUILD
	GTEST_SKIP() << "the sanitizers reserve more address space than any limit allows";
#else
	(void)Fixtures::ReaderCases(); // the valid streams are made before the limit
	std::fflush(nullptr);
	const pid_t child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		const rlimit limit{AddressSpaceInUse() + Headroom, AddressSpaceInUse() + Headroom};
		if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
		alarm(120);
		_exit(ReadForgedStreams());
	}
	int status = 0;
	ASSERT_EQ(waitpid(child, &status, 0), child);
	ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
	EXPECT_EQ(WEXITSTATUS(status), 0) << "some forged streams were not refused cleanly (see the child's output)";
#endif
}

} // namespace
