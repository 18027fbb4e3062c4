#include "platform/KitLogger.h"
#include "platform/KitUniString.h"
#include "platform/KitUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SvcLogger : public testing::Test {
protected:
	void SetUp() override {
		Kit::logger.Clear();
		Kit::logger.SetEchoToStderr(false);
	}
	void TearDown() override {
		Kit::logger.SetHostCallback(nullptr, nullptr);
		Kit::logger.Clear();
	}
};

TEST_F(SvcLogger, WarningReplacesThePlaceholderAndKeepsTheCategory) {
	Kit::logger.LogWarning("MainContainerBase::CreateSwapFolder failed: %", "/tmp/3D/Model3D-4", "Modeler");
	Kit::logger.LogWarning("no placeholder", "ignored", "Modeler");
	Kit::logger.LogWarning("100% of %", Kit::UniString("caf\xC3\xA9"), "Other");
	Kit::logger.LogError(nullptr, nullptr, nullptr);

	const std::vector<Kit::LogLine> lines = Kit::logger.GetLines();
	ASSERT_EQ(lines.size(), 4u);
	EXPECT_EQ(lines[0].text, "MainContainerBase::CreateSwapFolder failed: /tmp/3D/Model3D-4");
	EXPECT_EQ(lines[0].category, "Modeler");
	EXPECT_EQ(lines[0].level, Kit::LogLevel::Warning);
	EXPECT_EQ(lines[1].text, "no placeholder");
	// Only the first "%" is the placeholder.
	EXPECT_EQ(lines[2].text, "100caf\xC3\xA9 of %");
	EXPECT_EQ(lines[2].category, "Other");
	EXPECT_EQ(lines[3].text, "");
	EXPECT_EQ(lines[3].level, Kit::LogLevel::Error);

	Kit::logger.Clear();
	EXPECT_TRUE(Kit::logger.GetLines().empty());
}

TEST_F(SvcLogger, KeepsOnlyTheMostRecentLines) {
	const USize total = Kit::Logger::MaxKeptLines + 5;
	for (USize i = 0; i < total; ++i)
		Kit::logger.LogInfo(("line " + std::to_string(i)).c_str(), "", "Test");
	const auto lines = Kit::logger.GetLines();
	ASSERT_EQ(lines.size(), Kit::Logger::MaxKeptLines);
	EXPECT_EQ(lines.front().text, "line 5");
	EXPECT_EQ(lines.back().text, "line " + std::to_string(total - 1));
}

TEST_F(SvcLogger, HostCallbackSeesEveryLineAndMayLogItself) {
	struct Seen {
		std::vector<std::string> texts;
	} seen;
	Kit::logger.SetHostCallback(
	    [](const Kit::LogLine& line, void* data) {
		    auto* s = static_cast<Seen*>(data);
		    s->texts.push_back(line.category + ":" + line.text);
		    // Logging from inside the callback must not dead-lock.
		    if (line.category == "Modeler") Kit::logger.LogInfo("echo of %", line.text.c_str(), "Host");
	    },
	    &seen);
	Kit::logger.LogWarning("lost %", "file", "Modeler");
	ASSERT_EQ(seen.texts.size(), 2u);
	EXPECT_EQ(seen.texts[0], "Modeler:lost file");
	EXPECT_EQ(seen.texts[1], "Host:echo of lost file");
	EXPECT_EQ(Kit::logger.GetLines().size(), 2u);
}

TEST(SvcTextChannel, DebugAndReportChannelsKeepWhatIsWritten) {
	for (Kit::TextChannel* channel : {&Kit::dbChannel, &Kit::reportChannel}) {
		channel->SetEchoToStderr(false);
		channel->ClearText();
		Kit::OChannel& out = *channel;
		out << "count: " << Int32(12) << "\n";
		EXPECT_EQ(channel->GetText(), "count: 12\n");
		EXPECT_EQ(out.GetOutputStatus(), 0);
		channel->ClearText();
		EXPECT_EQ(channel->GetText(), "");
	}
	// The two channels are separate.
	Kit::dbChannel << "debug only";
	EXPECT_EQ(Kit::reportChannel.GetText(), "");
	Kit::dbChannel.ClearText();
}

TEST(SvcTextChannel, SinkReceivesTextAndMemoryStaysBounded) {
	Kit::TextChannel channel("[test] ");
	channel.SetEchoToStderr(false);
	std::string received;
	channel.SetSink(
	    [](const char* text, USize length, void* data) { static_cast<std::string*>(data)->append(text, length); },
	    &received);
	channel << "abc";
	EXPECT_EQ(received, "abc");

	const std::string chunk(100000, 'x');
	for (int i = 0; i < 15; ++i)
		channel << chunk;
	channel << "tail";
	const std::string kept = channel.GetText();
	EXPECT_LE(kept.size(), Kit::TextChannel::MaxKeptBytes);
	EXPECT_GE(kept.size(), Kit::TextChannel::MaxKeptBytes / 2);
	EXPECT_EQ(kept.substr(kept.size() - 5), "xtail"); // the newest text is kept

	// A single write larger than the limit keeps its end.
	std::string huge(Kit::TextChannel::MaxKeptBytes + 10, 'y');
	huge += "end";
	channel << huge;
	const std::string afterHuge = channel.GetText();
	EXPECT_EQ(afterHuge.size(), Kit::TextChannel::MaxKeptBytes);
	EXPECT_EQ(afterHuge.substr(afterHuge.size() - 4), "yend");
	channel.SetSink(nullptr, nullptr);
}

} // namespace
