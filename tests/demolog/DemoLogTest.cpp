// The log mode over real samples (compared with what the engine reported
// while recording them) and over demos built with the test writer.

#include "demolog/DemoLog.h"
#include "DemoWriter.h"
#include "demolog/LogWriting.h"
#include "q3reader/QuakeDemo.h"
#include "tests/common/QuakeDemoFixture.h"
#include "tests/common/Samples.h"
#ifndef FENLARK_TESTS_WITHOUT_QT
#include "tests/common/SampleTruth.h"

#include <QJsonArray>
#include <QJsonObject>
#endif
#include <gtest/gtest.h>

#include <map>

using namespace fenlark;
using test::DemoBuilder;
using test::Gamestate;
using test::MessageWriter;

namespace {

const std::string LogEnd = "\r\n- End of demo log.\r\n";

class DemoLogTest : public test::QuakeDemoFixture {
protected:
    // Writes the log of `demoPath` and returns it without its header.
    std::string writeLog(const std::string& demoPath) {
        const std::string logPath = temp.path("demo.log");
        WriteDemoLog(session, demoPath, logPath);
        const std::string log = ReadFile(logPath);
        const std::string header = "Demo: " + demoPath + "\r\n\r\n";
        const std::size_t start = log.find(header);
        return start == std::string::npos ? log : log.substr(start + header.size());
    }
    std::string writeLog(const DemoBuilder& demo) {
        return writeLog(demo.writeTo(temp.path("crafted.dm_68")));
    }
};

Gamestate TwoPlayers() {
    Gamestate gamestate;
    gamestate.configstrings = {{0, "\\sv_hostname\\Crafted\\mapname\\q3dm6\\protocol\\68"},
                               {544, "n\\One\\t\\1"},
                               {545, "n\\Two\\t\\2"}};
    return gamestate;
}

} // namespace

TEST_F(DemoLogTest, TheLogListsEveryConfigstringAndServerCommandOfTheSamples) {
#ifdef FENLARK_TESTS_WITHOUT_QT
    GTEST_SKIP() << "the truth files are JSON, read with Qt Core, which this build leaves out";
#else
    for (const std::string demo : {"ffa.dm_71", "tdm.dm_71", "proto68.dm_68"}) {
        ui.messages.clear();
        std::string body = writeLog(test::Samples + "/" + demo);
        EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Demo log created!"})) << demo;
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);

        const QJsonObject truth = test::SampleTruth(demo);
        std::string expected;
        const auto configstrings = truth["configstrings_at_record_start"].toObject();
        std::map<int, std::string> byIndex;
        for (auto it = configstrings.begin(); it != configstrings.end(); ++it) {
            byIndex[it.key().toInt()] = test::AsRead(it.value().toString());
        }
        for (const auto& [index, text] : byIndex) {
            expected += std::to_string(index) + ": " + text + "\r\n";
        }
        for (const auto& command : truth["playback"].toObject()["server_commands"].toArray()) {
            const auto object = command.toObject();
            if (!object["text"].toString().isEmpty()) {
                expected += std::to_string(object["seq"].toInt()) + ": " +
                            test::AsRead(object["text"].toString()) + "\r\n";
            }
        }
        // The engine ends its configstring commands with a line feed, which
        // the log keeps inside the line and the engine's own dump drops.
        for (std::size_t lf = body.find("\"\n\r\n"); lf != std::string::npos;
             lf = body.find("\"\n\r\n", lf)) {
            body.erase(lf + 1, 1);
        }
        EXPECT_EQ(body, expected + LogEnd) << demo;
    }
#endif
}

TEST_F(DemoLogTest, ALineFeedInsideACommandStaysInItsLine) {
    EXPECT_NE(writeLog(test::Samples + "/ffa.dm_71").find("\r\n4: cs 6 \"1\"\n\r\n5: cs 7"),
              std::string::npos);
}

TEST_F(DemoLogTest, TheHeaderHasItsSevenLinesAndReplacesAnOldLog) {
    const std::string demo = test::Samples + "/proto68.dm_68";
    const std::string logPath = temp.write("existing.txt", "old content that is replaced");
    WriteDemoLog(session, demo, logPath);
    const std::string log = ReadFile(logPath);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = log.find("\r\n"); end != std::string::npos && lines.size() < 7;
         end = log.find("\r\n", start)) {
        lines.push_back(log.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].rfind("Demo Information - Demo Log - ", 0), 0u);
    EXPECT_EQ(lines[1], std::string(lines[0].size(), '-'));
    EXPECT_EQ(lines[2], LogCreditLine);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Demo: " + demo);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(log.find("old content"), std::string::npos);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"message", "hide wait"}));
}

TEST_F(DemoLogTest, EveryMessageIsFollowedAndANopEndsOnlyItsOwnMessage) {
    MessageWriter second;
    second.acknowledge();
    second.serverCommand(1, "print \"before nop\"");
    second.byte(1);
    second.serverCommand(2, "skipped after nop");
    second.end();
    const auto third =
        test::SnapshotMessage(test::Snapshot{}, 68, {{3, "chat \"a\nb\""}, {-4, "neg"}});
    EXPECT_EQ(writeLog(DemoBuilder()
                           .record(0, test::GamestateMessage(TwoPlayers()))
                           .record(1, second.finish())
                           .record(2, third)
                           .endMarker()),
              "0: \\sv_hostname\\Crafted\\mapname\\q3dm6\\protocol\\68\r\n"
              "544: n\\One\\t\\1\r\n"
              "545: n\\Two\\t\\2\r\n"
              "1: print \"before nop\"\r\n"
              "3: chat \"a\nb\"\r\n"
              "-4: neg\r\n" +
                  LogEnd);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Demo log created!"}));
}

TEST_F(DemoLogTest, AnOverlongStringIsCutAndAnIllegalOperationEndsTheWalkNotTheLog) {
    Gamestate gamestate;
    gamestate.configstrings = {{1, std::string(9000, 'a')}};
    const std::string log =
        writeLog(DemoBuilder().record(0, test::GamestateMessage(gamestate)).endMarker());
    EXPECT_EQ(log, "1: " + std::string(8191, 'a') + "\r\n" + LogEnd);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"Illegal gamestate message. The demo may be corrupt or "
                                        "not fully supported by Fenlark.",
                                        "Demo log created!"}));
}

TEST_F(DemoLogTest, ADamagedFileStillGetsAWholeLog) {
    // The second record claims more bytes than the file holds.
    const std::string log = writeLog(
        DemoBuilder().record(0, test::GamestateMessage(TwoPlayers())).header(1, 5000).raw("xyz"));
    EXPECT_EQ(log.substr(log.size() - LogEnd.size()), LogEnd);
    EXPECT_NE(log.find("545: n\\Two\\t\\2\r\n"), std::string::npos);
}

TEST_F(DemoLogTest, ADemoThatCannotBeOpenedLeavesAnExistingLogAlone) {
    const std::string logPath = temp.write("kept.txt", "earlier log");
    WriteDemoLog(session, temp.path("missing.dm_68"), logPath);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "Failed to open demo. The demo may be in use or currupt."}));
    EXPECT_EQ(ReadFile(logPath), "earlier log");
}

TEST_F(DemoLogTest, ALogLineThatCannotBeWrittenEndsTheReading) {
    const std::string demo = DemoBuilder()
                                 .record(0, test::GamestateMessage(TwoPlayers()))
                                 .endMarker()
                                 .writeTo(temp.path("crafted.dm_68"));
    const DemoLogOutcome outcome = WriteDemoLog(session, demo, temp.path("no folder/demo.log"));
    EXPECT_FALSE(outcome.created);
    EXPECT_EQ(outcome.ending, DemoLogOutcome::Ending::WriteError);
    // The user is told why, after the language text.
    ASSERT_EQ(ui.messages.size(), 1u);
#ifdef _WIN32 // the system's own wording, which differs between versions
    EXPECT_EQ(ui.messages[0].text.rfind("text 1187 ", 0), 0u);
    EXPECT_GT(ui.messages[0].text.size(), std::string("text 1187 ").size());
#else
    EXPECT_EQ(ui.messages[0].text, "text 1187 No such file or directory");
#endif
    EXPECT_THROW(AppendLogLine(temp.path("no folder/demo.log"), "x"), LogWriteError);
}
