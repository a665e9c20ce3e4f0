#include "app/LoadDemo.h"
#include "app/Commands.h"
#include "app/StartUp.h"
#include "lang/Language.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fenlark;

TEST(FormatFileSize, GroupsDigitsInThreesFromTheRight) {
    EXPECT_EQ(FormatFileSize(""), "");
    EXPECT_EQ(FormatFileSize("0"), "0");
    EXPECT_EQ(FormatFileSize("12"), "12");
    EXPECT_EQ(FormatFileSize("999"), "999");
    EXPECT_EQ(FormatFileSize("1000"), "1,000");
    EXPECT_EQ(FormatFileSize("1000000"), "1,000,000");
    EXPECT_EQ(FormatFileSize("1234567"), "1,234,567");
    EXPECT_EQ(FormatFileSize("4294967296"), "4,294,967,296");
}

TEST(ConvertLanguageSetting, AcceptsSixteenBitNumbersOnly) {
    EXPECT_EQ(ConvertLanguageSetting("2"), 2);
    EXPECT_EQ(ConvertLanguageSetting(" -3 "), -3);
    EXPECT_FALSE(ConvertLanguageSetting("German"));
    EXPECT_FALSE(ConvertLanguageSetting("40000"));
}

namespace {

class LoadDemoTest : public test::SessionFixtureOf<Language> {
protected:
    LoadDemoTest() {
        session.LanguageNumber = 0;
        temp.writeDefinition(
            "t.kgd", "[Kalvenor Game]\nGame Name=Test\nDemo Extensions=tst;;t0;;tx;;t9;;xd;;\n"
                     "tst=1.0\nt0=0\nt9=9\nxd=1\n"
                     "[Fenlark - tst]\nFenlark Type=2\n"
                     "[Fenlark - t0]\nFenlark Type=0\n"
                     "[Fenlark - t9]\nFenlark Type=9\n"
                     "[Fenlark - xd]\nFenlark Type=1\nInfo Count=1\n"
                     "Info 1 Name=First\nInfo 1=rvd::1::1::hex:#kalv#::0::0::1\n");
    }

    void load(const std::string& name, const std::string& content = "DEMO") {
        useDemo(name, content);
        LoadDemo(session);
    }
};

} // namespace

TEST_F(LoadDemoTest, StartUpReadsTheLanguageAndLoadsTheTrimmedArgument) {
    const std::string demo = temp.write("demo folder/a b.tst", std::string(1000000, 'x'));
    StartUp(session, "  \"" + demo + "\"  ", std::string("2"));
    EXPECT_EQ(session.LanguageNumber, 2);
    EXPECT_EQ(session.DemoPath, std::filesystem::canonical(demo).string());
    EXPECT_EQ(session.summary.txtFileSize, "1,000,000 bytes");
    EXPECT_EQ(session.summary.txtDemoType, "Test 1.0 (.tst)");
    EXPECT_EQ(ui.events.front(), "show wait");
}

TEST_F(LoadDemoTest, StartUpWithoutPathLoadsNothingButSetsTheLanguage) {
    StartUp(session, "   ", std::nullopt);
    EXPECT_EQ(session.LanguageNumber, 1);
    EXPECT_EQ(session.DemoPath, "");
    EXPECT_TRUE(ui.events.empty());

    Session other(ui, language, temp.programFolder());
    StartUp(other, "", std::string("letters"));
    EXPECT_EQ(other.LanguageNumber, 0);
}

TEST_F(LoadDemoTest, TwoQuotationMarksStillRunTheLoadWithAnEmptyPath) {
    StartUp(session, "\"\"", std::nullopt);
    EXPECT_EQ(session.DemoPath, "");
    EXPECT_EQ(session.summary.txtFileSize, " bytes");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].textId, "1086");
}

TEST_F(LoadDemoTest, AMissingFileInAnExistingFolderIsCreatedEmpty) {
    const std::string path = temp.path("new.tst");
    StartUp(session, path, std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(session.summary.txtFileSize, "0 bytes");
    EXPECT_EQ(session.summary.txtDemoType, "Test 1.0 (.tst)");
}

TEST_F(LoadDemoTest, ASecondLoadStartsFromClearedFields) {
    session.DemoPath = temp.write("a.tst", "123456789012");
    LoadDemo(session);
    EXPECT_EQ(session.summary.txtFileSize, "12 bytes");
    session.summary.lstPlayersBlue.append("Old", "\\");
    session.summary.lstOtherInfo.rows.push_back({"old", "row"});
    session.summary.txtMap = "oldmap";

    session.DemoPath = temp.write("b.unknown", "x");
    LoadDemo(session);
    EXPECT_TRUE(session.summary.lstPlayersBlue.items.empty());
    EXPECT_TRUE(session.summary.lstPlayersBlue.tag.empty());
    EXPECT_TRUE(session.summary.lstOtherInfo.rows.empty());
    EXPECT_EQ(session.summary.txtMap, "");
    EXPECT_EQ(session.summary.txtDemoType, "");
    EXPECT_EQ(session.summary.txtFileSize, "1 bytes");
    // The log button keeps the state of the previous demo: clearing leaves it.
    EXPECT_TRUE(session.summary.cmdCreateDemoLogEnabled);
}

TEST_F(LoadDemoTest, AFileThatCannotBeOpenedShowsTheSuffixOnly) {
    session.DemoPath = temp.path("no such folder/x.tst");
    LoadDemo(session);
    EXPECT_EQ(session.summary.txtFileSize, " bytes");
    EXPECT_EQ(session.summary.txtDemoType, "Test 1.0 (.tst)");
}

TEST_F(LoadDemoTest, TheLoadDialogUsesText184AndCancelChangesNothing) {
    session.LanguageNumber = 1;
    session.DemoPath = "previous";
    LoadDemoCommand(session);
    ASSERT_EQ(ui.openRequests.size(), 1u);
    EXPECT_EQ(ui.openRequests[0].title, "Load Demo");
    EXPECT_EQ(ui.openRequests[0].filter, "Demos (*.*)|*.*");
    EXPECT_EQ(ui.openRequests[0].initialName, "*.*");
    EXPECT_EQ(session.DemoPath, "previous");
    EXPECT_TRUE(ui.events.empty());

    ui.openAnswer = temp.write("chosen.tst", "abc");
    LoadDemoCommand(session);
    EXPECT_EQ(session.summary.txtFileSize, "3 bytes");

    ui.openAnswer = temp.path("missing folder/x.tst");
    LoadDemoCommand(session);
    EXPECT_EQ(session.DemoPath, *ui.openAnswer); // refused folder: nothing loaded
    EXPECT_EQ(session.summary.txtFileSize, "3 bytes");
}

TEST_F(LoadDemoTest, FilesOfTwoGibibytesAndMoreShowTheirTrueSize) {
    const std::string path = temp.write("big.tst", "");
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 32) + 5); // sparse: no disk used
    session.DemoPath = path;
    LoadDemo(session);
    EXPECT_EQ(session.summary.txtFileSize, "4,294,967,301 bytes");
}

TEST_F(LoadDemoTest, AMatchShowsTheDemoTypeAndDispatchesOnTheInformationType) {
    load("match.tst");
    EXPECT_EQ(session.summary.txtDemoType, "Test 1.0 (.tst)");
    EXPECT_TRUE(session.summary.cmdCreateDemoLogEnabled);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.events, (std::vector<std::string>{"show wait", "hide wait"}));

    // Type 1: the definition's values, the first row selected.
    load("values.xd", "v");
    EXPECT_EQ(session.summary.lstOtherInfo.rows, (std::vector<OtherInfoRow>{{"First", "v"}}));
    EXPECT_EQ(session.summary.lstOtherInfo.selectedRow, 0u);
    EXPECT_TRUE(session.summary.cmdCreateDemoLogEnabled);
}

TEST_F(LoadDemoTest, NoMatchWarnsWithText086AndHidesTheWait) {
    load("x.zzz");
    EXPECT_EQ(textIds(), (std::vector<std::string>{"0086"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.events,
              (std::vector<std::string>{"show wait", "message while waiting", "hide wait"}));
}

TEST_F(LoadDemoTest, UnsupportedTypesShowText185AndLeaveTheDemoTypeShown) {
    for (const std::string name : {"x.t0", "x.tx", "x.t9"}) {
        session.summary.cmdCreateDemoLogEnabled = true;
        load(name);
        EXPECT_FALSE(session.summary.cmdCreateDemoLogEnabled) << name;
        EXPECT_EQ(session.summary.txtDemoType.substr(0, 5), "Test ") << name;
    }
    EXPECT_EQ(textIds(), (std::vector<std::string>{"0185", "0185", "0185"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(ui.waitVisible);
}
