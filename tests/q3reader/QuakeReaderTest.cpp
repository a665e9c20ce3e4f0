// The information mode over real samples and over demos built with the test
// writer, which hold the operations and damage a recorded demo rarely shows.

#include "q3reader/QuakeReader.h"
#include "DemoWriter.h"
#include "q3reader/QuakeDemo.h"
#include "tests/common/QuakeDemoFixture.h"
#include "tests/common/Samples.h"
#ifndef FENLARK_TESTS_WITHOUT_QT
#include "tests/common/SampleTruth.h"

#include <QJsonObject>
#endif
#include <gtest/gtest.h>

#include <map>

using namespace fenlark;
using test::DemoBuilder;
using test::Gamestate;
using test::MessageWriter;

namespace {

const char* const IllegalMessage =
    "Illegal demo message. The demo may be corrupt or not fully supported by Fenlark.";
const char* const IllegalGamestate =
    "Illegal gamestate message. The demo may be corrupt or not fully supported by Fenlark.";

class QuakeReaderTest : public test::QuakeDemoFixture {
protected:
    void read(const std::string& path) {
        matchDemo(path);
        ReadDemoInformation(session, path);
    }
    void readSample(const std::string& demo) { read(test::Samples + "/" + demo); }
    void readCrafted(const DemoBuilder& demo) { read(demo.writeTo(temp.path("crafted.dm_68"))); }
};

Gamestate Configstrings(std::vector<std::pair<int, std::string>> configstrings) {
    Gamestate gamestate;
    gamestate.configstrings = std::move(configstrings);
    return gamestate;
}

} // namespace

TEST_F(QuakeReaderTest, TheGamestateFillsTheWindow) {
    readSample("tdm.dm_71");
    const DemoSummary& s = session.summary;
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(s.txtDemoProtocol, "71");
    EXPECT_EQ(s.txtServername, "Sample Arena tdm");
    EXPECT_EQ(s.txtMap, "oa_dm2");
    EXPECT_EQ(s.txtMod, "");
    EXPECT_EQ(s.lstPlayersBlue.items, (std::vector<std::string>{"Sarge", "Grism"}));
    EXPECT_EQ(s.lstPlayersRed.items, (std::vector<std::string>{"Kyonshi", "Major"}));
    EXPECT_EQ(s.lstPlayersSpectators.items, (std::vector<std::string>{"Recorder"}));
    EXPECT_NE(s.lstPlayersBlue.tag.find("\\Model\\sarge"), std::string::npos);
    EXPECT_EQ(s.lstOtherInfo.columns, (std::vector<ListColumn>{{"Cvar", 2000}, {"Value", 2300}}));
    EXPECT_EQ(s.lstOtherInfo.rows.front().name, "com_protocol");

#ifndef FENLARK_TESTS_WITHOUT_QT // the truth file is JSON, read with Qt Core
    // Every server and system value is listed, in order.
    const auto serverinfo =
        test::SampleTruth("tdm.dm_71")["serverinfo"].toObject()["parsed"].toObject();
    std::map<std::string, std::string> rows;
    for (const auto& row : s.lstOtherInfo.rows) {
        rows[row.name] = row.value;
    }
    for (auto it = serverinfo.begin(); it != serverinfo.end(); ++it) {
        EXPECT_EQ(rows[it.key().toStdString()], test::AsRead(it.value().toString()))
            << it.key().toStdString();
    }
#endif
}

TEST_F(QuakeReaderTest, ProtocolSixtyEightSamplesReadTheSameWay) {
    readSample("proto68.dm_68");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.txtServername, "Sample Arena proto68");
    EXPECT_EQ(session.summary.txtMap, "oa_dm1");
}

TEST_F(QuakeReaderTest, ConfigstringsAreRoutedByTheirTextNotTheirIndex) {
    readCrafted(DemoBuilder()
                    .record(0, test::GamestateMessage(Configstrings({{3, "\\late\\info"},
                                                                     {700, "n\\Player\\t\\3"},
                                                                     {0, "plain text, dropped"},
                                                                     {5, "N\\capital\\t\\1"}})))
                    .endMarker());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.lstOtherInfo.rows, (std::vector<OtherInfoRow>{{"late", "info"}}));
    EXPECT_EQ(session.summary.lstPlayersSpectators.items, (std::vector<std::string>{"Player"}));
    EXPECT_TRUE(session.summary.lstPlayersBlue.items.empty());
}

TEST_F(QuakeReaderTest, StringsShowPercentAndHighBytesAsDots) {
    readCrafted(DemoBuilder()
                    .record(0, test::GamestateMessage(
                                   Configstrings({{0, "\\sv_hostname\\100% J\xe9r\xf4me"}})))
                    .endMarker());
    EXPECT_EQ(session.summary.txtServername, "100. J.r.me");
}

TEST_F(QuakeReaderTest, AnIllegalOperationInTheGamestateKeepsWhatCameBefore) {
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
    readCrafted(DemoBuilder().record(0, message.finish()).endMarker());
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalGamestate}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(session.summary.lstPlayersBlue.items, (std::vector<std::string>{"Early"}));
}

TEST_F(QuakeReaderTest, DownloadsAndUnknownOperationsAreIllegalInAMessage) {
    for (int operation : {6, 0, 9, 200}) {
        ui.messages.clear();
        MessageWriter message;
        message.acknowledge();
        message.byte(operation);
        readCrafted(DemoBuilder().record(0, message.finish()).endMarker());
        EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalMessage})) << operation;
    }
}

TEST_F(QuakeReaderTest, APlayerTextWithoutItsLastValueEndsTheReading) {
    const std::string path =
        DemoBuilder()
            .record(0, test::GamestateMessage(Configstrings({{0, "\\sv_hostname\\First"},
                                                             {544, "n\\Listed\\t\\2"},
                                                             {545, "n\\Broken\\t"},
                                                             {546, "n\\Never\\t\\2"}})))
            .endMarker()
            .writeTo(temp.path("broken.dm_68"));
    matchDemo(path);
    EXPECT_THROW(ReadDemoInformation(session, path), ReadingError);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.lstPlayersRed.items, (std::vector<std::string>{"Listed"}));
    EXPECT_EQ(session.summary.txtServername, "First");
}

TEST_F(QuakeReaderTest, AnOverlongStringIsCutAndItsRestReadAsOperations) {
    readCrafted(DemoBuilder()
                    .record(0, test::GamestateMessage(
                                   Configstrings({{0, "\\a\\" + std::string(9000, 'b')}})))
                    .endMarker());
    ASSERT_EQ(session.summary.lstOtherInfo.rows.size(), 1u);
    EXPECT_EQ(session.summary.lstOtherInfo.rows[0].value, std::string(8191 - 3, 'b'));
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{IllegalGamestate}));
}

TEST_F(QuakeReaderTest, ADemoThatCannotBeOpenedShowsWhyAndLeavesTheColumns) {
    ReadDemoInformation(session, temp.path("missing.dm_68"));
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "Failed to open demo. The demo may be in use or currupt."}));
    EXPECT_TRUE(session.summary.lstOtherInfo.columns.empty());
}

TEST(DemoStringText, PercentAndBytesAbove127BecomeDots) {
    EXPECT_EQ(DemoStringText(std::string_view("a%b\x7f\x80\xff", 6)), "a.b\x7f..");
}
