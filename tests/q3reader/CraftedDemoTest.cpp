// Demos built with the test writer: the operations and damage a recorded demo
// rarely shows.

#include "DemoWriter.h"
#include "app/LoadDemo.h"
#include "demolog/DemoLog.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace fenlark;
using test::DemoBuilder;
using test::Gamestate;
using test::MessageWriter;

namespace {

const char* const IllegalMessage =
    "Illegal demo message. The demo may be corrupt or not fully supported by Fenlark.";
const char* const IllegalGamestate =
    "Illegal gamestate message. The demo may be corrupt or not fully supported by Fenlark.";

std::vector<std::uint8_t> Finish(const MessageWriter& writer) {
    return writer.finish();
}

class CraftedDemoTest : public ::testing::Test {
protected:
    CraftedDemoTest() : session(ui, temp.programFolder()) {
        session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
        temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        session.LanguageNumber = 1;
    }

    void load(const DemoBuilder& demo) {
        session.DemoPath = demo.writeTo(temp.path("crafted.dm_68"));
        LoadDemo(session);
    }

    std::string writeLog() {
        ui.saveAnswer = temp.path("crafted.log");
        CreateDemoLogCommand(session);
        std::ifstream in(*ui.saveAnswer, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        const std::string log = content.str();
        const std::string header = "Demo: " + session.DemoPath + "\r\n\r\n";
        const std::size_t start = log.find(header);
        return start == std::string::npos ? log : log.substr(start + header.size());
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : ui.messages)
            texts.push_back(message.text);
        return texts;
    }

    test::TempFolder temp;
    test::RecordingUserInterface ui;
    Session session;
};

Gamestate TwoPlayers() {
    Gamestate gamestate;
    gamestate.configstrings = {{0, "\\sv_hostname\\Crafted\\mapname\\q3dm6\\protocol\\68"},
                               {544, "n\\One\\t\\1"},
                               {545, "n\\Two\\t\\2"}};
    return gamestate;
}

} // namespace

TEST_F(CraftedDemoTest, ConfigstringsAreRoutedByTheirTextNotTheirIndex) {
    Gamestate gamestate;
    gamestate.configstrings = {{3, "\\late\\info"},
                               {700, "n\\Player\\t\\3"},
                               {0, "plain text, dropped"},
                               {5, "N\\capital\\t\\1"}};
    load(DemoBuilder().record(0, test::GamestateMessage(gamestate)).endMarker());
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(session.summary.lstOtherInfo.rows.size(), 1u);
    EXPECT_EQ(session.summary.lstOtherInfo.rows[0].name, "late");
    EXPECT_EQ(session.summary.lstPlayersSpectators.items, (std::vector<std::string>{"Player"}));
    EXPECT_TRUE(session.summary.lstPlayersBlue.items.empty());
}

TEST_F(CraftedDemoTest, StringsShowPercentAndHighBytesAsDots) {
    Gamestate gamestate;
    gamestate.configstrings = {{0, "\\sv_hostname\\100% J\xe9r\xf4me"}};
    load(DemoBuilder().record(0, test::GamestateMessage(gamestate)).endMarker());
    EXPECT_EQ(session.summary.txtServername, "100. J.r.me");
}

TEST_F(CraftedDemoTest, AnIllegalOperationInTheGamestateKeepsWhatCameBefore) {
    MessageWriter message;
    message.acknowledge();
    message.byte(2);
    message.longValue(0);
    message.byte(3);
    message.shortValue(544);
    message.string("n\\Early\\t\\1");
    message.byte(5); // a server command has no place in a gamestate
    message.byte(3);
    message.shortValue(545);
    message.string("n\\Late\\t\\1");
    load(DemoBuilder().record(0, Finish(message)).endMarker());
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalGamestate}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(session.summary.lstPlayersBlue.items, (std::vector<std::string>{"Early"}));
    EXPECT_FALSE(ui.waitVisible);
}

TEST_F(CraftedDemoTest, DownloadsAndUnknownOperationsAreIllegalInAMessage) {
    for (int operation : {6, 0, 9, 200}) {
        ui.messages.clear();
        MessageWriter message;
        message.acknowledge();
        message.byte(operation);
        load(DemoBuilder().record(0, Finish(message)).endMarker());
        EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalMessage})) << operation;
    }
}

TEST_F(CraftedDemoTest, ThePlayerReadingStopsAtAPlayerTextWithoutItsLastValue) {
    Gamestate gamestate;
    gamestate.configstrings = {{0, "\\sv_hostname\\First"},
                               {544, "n\\Listed\\t\\2"},
                               {545, "n\\Broken\\t"},
                               {546, "n\\Never\\t\\2"}};
    load(DemoBuilder().record(0, test::GamestateMessage(gamestate)).endMarker());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.lstPlayersRed.items, (std::vector<std::string>{"Listed"}));
    EXPECT_EQ(session.summary.lstOtherInfo.selectedRow, 0u);
    EXPECT_TRUE(session.summary.cmdCreateDemoLogEnabled);
    EXPECT_FALSE(ui.waitVisible);
}

TEST_F(CraftedDemoTest, TheLogFollowsEveryMessageAndANopEndsOnlyItsOwnMessage) {
    MessageWriter second;
    second.acknowledge();
    second.serverCommand(1, "print \"before nop\"");
    second.byte(1);
    second.serverCommand(2, "skipped after nop");
    second.end();
    const auto third =
        test::SnapshotMessage(test::Snapshot{}, 68, {{3, "chat \"a\nb\""}, {-4, "neg"}});
    load(DemoBuilder()
             .record(0, test::GamestateMessage(TwoPlayers()))
             .record(1, Finish(second))
             .record(2, third)
             .endMarker());
    EXPECT_EQ(writeLog(), "0: \\sv_hostname\\Crafted\\mapname\\q3dm6\\protocol\\68\r\n"
                          "544: n\\One\\t\\1\r\n"
                          "545: n\\Two\\t\\2\r\n"
                          "1: print \"before nop\"\r\n"
                          "3: chat \"a\nb\"\r\n"
                          "-4: neg\r\n"
                          "\r\n- End of demo log.\r\n");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Demo log created!"}));
}

TEST_F(CraftedDemoTest, AnOverlongStringIsCutAndItsRestReadAsOperations) {
    Gamestate gamestate;
    gamestate.configstrings = {{1, std::string(9000, 'a')}};
    load(DemoBuilder().record(0, test::GamestateMessage(gamestate)).endMarker());
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalGamestate}));

    ui.messages.clear();
    const std::string log = writeLog();
    EXPECT_EQ(log, "1: " + std::string(8191, 'a') + "\r\n\r\n- End of demo log.\r\n");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalGamestate, "Demo log created!"}));
}

TEST_F(CraftedDemoTest, ADamagedFileStillGetsAWholeLog) {
    // The second record claims more bytes than the file holds.
    load(DemoBuilder().record(0, test::GamestateMessage(TwoPlayers())).header(1, 5000).raw("xyz"));
    EXPECT_EQ(session.summary.txtServername, "Crafted");
    const std::string log = writeLog();
    EXPECT_EQ(log.substr(log.size() - 22), "\r\n- End of demo log.\r\n");
    EXPECT_NE(log.find("545: n\\Two\\t\\2\r\n"), std::string::npos);
}

TEST_F(CraftedDemoTest, ADemoThatCannotBeOpenedLeavesAnExistingLogAlone) {
    load(DemoBuilder().record(0, test::GamestateMessage(TwoPlayers())).endMarker());
    std::filesystem::remove(session.DemoPath);
    ui.saveAnswer = temp.write("kept.txt", "earlier log");
    CreateDemoLogCommand(session);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "Failed to open demo. The demo may be in use or currupt."}));
    std::ifstream in(*ui.saveAnswer);
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "earlier log");
    EXPECT_FALSE(ui.waitVisible);
}
