// Every strict prefix of a valid stream is refused by its reader, and the object read
// into is left as the reader promises: as it was, or as a read of no input leaves it.
#include "fixtures/ReaderCases.h"
#include "platform/KitException.h"
#include "platform/MemoryChannel.h"

#include <gtest/gtest.h>

namespace {

using Fixtures::ReaderCases;
using Fixtures::ReadRefused;

TEST(StreamPrefix, EveryPrefixIsRefusedAndLeavesTheTargetAsPromised) {
	for (const Fixtures::ReaderCase& c : ReaderCases()) {
		if (c.prefixesTestedElsewhere) continue;
		SCOPED_TRACE(c.name);
		{ // The whole stream reads.
			std::unique_ptr<Fixtures::ReadTarget> target = c.makeTarget();
			const std::vector<char> expected = Fixtures::SnapshotAfterFailure(c, *target);
			IO::MemoryIChannel in(c.stream.data(), c.stream.size());
			ASSERT_NO_THROW(target->Read(in));
			EXPECT_EQ(in.GetAvailable(), 0u);
			// Otherwise a reader that kept the old state would go unnoticed.
			ASSERT_NE(target->Snapshot(), expected);
		}
		for (USize length = 0; length < c.stream.size(); ++length) {
			std::unique_ptr<Fixtures::ReadTarget> target = c.makeTarget();
			const std::vector<char> expected = Fixtures::SnapshotAfterFailure(c, *target);
			IO::MemoryIChannel in(c.stream.data(), length);
			bool refused = false;
			try {
				target->Read(in);
			} catch (const Kit::KitException&) {
				refused = true;
			} catch (const ReadRefused&) {
				refused = true;
			}
			ASSERT_TRUE(refused) << "length " << length << " of " << c.stream.size();
			ASSERT_EQ(target->Snapshot(), expected) << "length " << length << " of " << c.stream.size();
		}
	}
}

} // namespace
