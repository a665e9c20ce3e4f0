// Reads the bundled sample demos, recorded with a real engine, in both modes
// and compares with what the engine itself reported while recording.

#include "app/LoadDemo.h"
#include "demolog/DemoLog.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/TempFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace fenlark;

namespace {

const std::string Samples = FENLARK_SAMPLES_DIR;

QJsonObject Truth(const std::string& demo) {
    const std::string stem = demo.substr(0, demo.rfind('.'));
    QFile file(QString::fromStdString(Samples + "/" + stem + ".truth.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(file.readAll()).object();
}

// A string as the reader hands it out: "%" and bytes above 127 show as ".".
std::string AsRead(const QString& text) {
    std::string bytes = text.toLatin1().toStdString();
    for (char& c : bytes)
        if (c == '%' || static_cast<unsigned char>(c) > 127)
            c = '.';
    return bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class QuakeReaderTest : public ::testing::Test {
protected:
    QuakeReaderTest() : session(ui, temp.programFolder()) {
        session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
        temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        session.LanguageNumber = 1;
    }

    void load(const std::string& demo) {
        session.DemoPath = Samples + "/" + demo;
        LoadDemo(session);
    }

    test::TempFolder temp;
    test::RecordingUserInterface ui;
    Session session;
};

} // namespace

TEST_F(QuakeReaderTest, TheGamestateFillsTheWindow) {
    load("tdm.dm_71");
    const DemoSummary& s = session.summary;
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(s.txtDemoType, "ioquake3 1.36 (.dm_71)");
    EXPECT_EQ(s.txtDemoProtocol, "71");
    EXPECT_EQ(s.txtServername, "Sample Arena tdm");
    EXPECT_EQ(s.txtMap, "oa_dm2");
    EXPECT_EQ(s.txtMod, "");
    EXPECT_EQ(s.lstPlayersBlue.items, (std::vector<std::string>{"Sarge", "Grism"}));
    EXPECT_EQ(s.lstPlayersRed.items, (std::vector<std::string>{"Kyonshi", "Major"}));
    EXPECT_EQ(s.lstPlayersSpectators.items, (std::vector<std::string>{"Recorder"}));
    EXPECT_NE(s.lstPlayersBlue.tag.find("\\Model\\sarge"), std::string::npos);
    EXPECT_EQ(s.lstOtherInfo.columns, (std::vector<ListColumn>{{"Cvar", 2000}, {"Value", 2300}}));
    EXPECT_EQ(s.lstOtherInfo.selectedRow, 0u);
    EXPECT_TRUE(s.cmdCreateDemoLogEnabled);

    // Every server and system value is listed, in order.
    const QJsonObject truth = Truth("tdm.dm_71");
    const auto serverinfo = truth["serverinfo"].toObject()["parsed"].toObject();
    std::map<std::string, std::string> rows;
    for (const auto& row : s.lstOtherInfo.rows)
        rows[row.name] = row.value;
    for (auto it = serverinfo.begin(); it != serverinfo.end(); ++it)
        EXPECT_EQ(rows[it.key().toStdString()], AsRead(it.value().toString()))
            << it.key().toStdString();
    EXPECT_EQ(s.lstOtherInfo.rows.front().name, "com_protocol");
}

TEST_F(QuakeReaderTest, ProtocolSixtyEightSamplesReadTheSameWay) {
    load("proto68.dm_68");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.txtDemoType, "Quake III Arena 1.32 (.dm_68)");
    EXPECT_EQ(session.summary.txtServername, "Sample Arena proto68");
    EXPECT_EQ(session.summary.txtMap, "oa_dm1");
}

TEST_F(QuakeReaderTest, TheDemoLogListsEveryConfigstringAndServerCommand) {
    for (const std::string demo : {"ffa.dm_71", "tdm.dm_71", "proto68.dm_68"}) {
        ui.messages.clear();
        load(demo);
        ui.saveAnswer = temp.path(demo + ".log");
        CreateDemoLogCommand(session);
        ASSERT_EQ(ui.saveRequests.back().initialName, session.DemoPath + ".txt");
        EXPECT_EQ(ui.saveRequests.back().title, "Save Demo Log As");
        EXPECT_EQ(ui.saveRequests.back().filter, "Text Documents (*.txt)|*.txt");
        ASSERT_EQ(ui.messages.size(), 1u) << demo;
        EXPECT_EQ(ui.messages[0].text, "Demo log created!");
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
        EXPECT_FALSE(ui.waitVisible);

        const QJsonObject truth = Truth(demo);
        std::string expected;
        const auto configstrings = truth["configstrings_at_record_start"].toObject();
        std::map<int, std::string> byIndex;
        for (auto it = configstrings.begin(); it != configstrings.end(); ++it)
            byIndex[it.key().toInt()] = AsRead(it.value().toString());
        for (const auto& [index, text] : byIndex)
            expected += std::to_string(index) + ": " + text + "\r\n";
        const auto commands = truth["playback"].toObject()["server_commands"].toArray();
        for (const auto& command : commands) {
            const auto object = command.toObject();
            if (!object["text"].toString().isEmpty())
                expected += std::to_string(object["seq"].toInt()) + ": " +
                            AsRead(object["text"].toString()) + "\r\n";
        }

        const std::string log = ReadFile(*ui.saveAnswer);
        const std::string header = "Demo: " + session.DemoPath + "\r\n\r\n";
        const std::size_t bodyStart = log.find(header);
        ASSERT_NE(bodyStart, std::string::npos) << demo;
        std::string body = log.substr(bodyStart + header.size());
        // The engine ends its configstring commands with a line feed, which
        // the log keeps inside the line and the engine's own dump drops.
        for (std::size_t lf = body.find("\"\n\r\n"); lf != std::string::npos;
             lf = body.find("\"\n\r\n", lf))
            body.erase(lf + 1, 1);
        const std::string ending = "\r\n- End of demo log.\r\n";
        EXPECT_EQ(body, expected + ending) << demo;
    }
}

TEST_F(QuakeReaderTest, ALineFeedInsideACommandStaysInItsLine) {
    load("ffa.dm_71");
    ui.saveAnswer = temp.path("ffa.log");
    CreateDemoLogCommand(session);
    EXPECT_NE(ReadFile(*ui.saveAnswer).find("\r\n4: cs 6 \"1\"\n\r\n5: cs 7"), std::string::npos);
}

TEST_F(QuakeReaderTest, TheLogHeaderHasItsSevenLines) {
    load("proto68.dm_68");
    ui.saveAnswer = temp.write("existing.txt", "old content that is replaced");
    CreateDemoLogCommand(session);
    const std::string log = ReadFile(*ui.saveAnswer);
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
    EXPECT_EQ(lines[5], "Demo: " + session.DemoPath);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(log.find("old content"), std::string::npos);
}

TEST_F(QuakeReaderTest, CancellingTheSaveDialogWritesNothing) {
    load("tdm.dm_71");
    ui.events.clear();
    CreateDemoLogCommand(session);
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.events.empty());
}
