#include "gamedef/IdentifyDemo.h"
#include "app/LoadDemo.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

class IdentifyDemoTest : public ::testing::Test {
protected:
    IdentifyDemoTest() : session(ui, temp.programFolder()) {
        temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        session.LanguageNumber = 1;
    }

    // Loads a demo file with the given name and bytes through the whole flow.
    void load(const std::string& name, const std::string& content = "DEMO") {
        session.DemoPath = temp.write("demos/" + name, content);
        LoadDemo(session);
    }

    std::vector<std::string> textIds() const {
        std::vector<std::string> ids;
        for (const auto& message : ui.messages)
            ids.push_back(message.textId.value_or("-"));
        return ids;
    }

    test::TempFolder temp;
    test::RecordingUserInterface ui;
    Session session;
};

std::string Definition(const std::string& gameName, const std::string& extensions,
                       const std::string& gameKeys, const std::string& sections) {
    return "[Kalvenor Game]\nGame Name=" + gameName + "\nDemo Extensions=" + extensions + "\n" +
           gameKeys + "\n" + sections;
}

} // namespace

TEST(DemoExtension, IsTheTextAfterTheLastDotOfTheWholePath) {
    EXPECT_EQ(DemoExtension("/a/final.DM_68"), "DM_68");
    EXPECT_EQ(DemoExtension("/demos.old/match"), "old/match");
    EXPECT_EQ(DemoExtension("/a/match"), "");
    EXPECT_EQ(DemoExtension("/a/match."), "");
}

TEST_F(IdentifyDemoTest, AMatchShowsTheDemoTypeAndDispatchesOnTheInformationType) {
    temp.writeDefinition("q3.kgd", Definition("Quake III Arena", "dm_66;;dm_67;;DM_68;;",
                                              "dm_68=1.32\ndm_67=1.31",
                                              "[Fenlark - dm_68]\nFenlark Type=2\n"));
    load("match.dm_68");
    EXPECT_EQ(session.summary.txtDemoType, "Quake III Arena 1.32 (.dm_68)");
    EXPECT_EQ(session.summary.txtGameVersion, "1.32");
    EXPECT_EQ(session.MatchedExtension, "dm_68");
    EXPECT_EQ(session.lstKgd.selectedName(), "q3.kgd");
    EXPECT_TRUE(session.summary.cmdCreateDemoLogEnabled);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.events, (std::vector<std::string>{"show wait", "hide wait"}));
}

TEST_F(IdentifyDemoTest, TheExtensionKeepsItsCaseAndEntriesNeedTheirSeparator) {
    temp.writeDefinition("q3.kgd", Definition("Q3", "dm_67;;dm_68", "",
                                              "[Fenlark - dm_68]\nFenlark Type=2\n"
                                              "[Fenlark - dm_67]\nFenlark Type=2\n"));
    load("final.DM_67");
    load("final.dm_68");
    load("final.dm_67");
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1086", "1086"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(session.summary.txtDemoType, "Q3  (.dm_67)");
}

TEST_F(IdentifyDemoTest, AnEmptyEntryMatchesAPathWithoutDot) {
    temp.writeDefinition("any.kgd",
                         Definition("Anything", ";;", "=raw", "[Fenlark - ]\nFenlark Type=2\n"));
    load("nodot");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(session.summary.txtDemoType, "Anything raw (.)");
}

TEST_F(IdentifyDemoTest, DefinitionsAreTriedByNameIgnoringCase) {
    const std::string sections = "[Fenlark - dem]\nFenlark Type=2\n";
    temp.writeDefinition("B.kgd", Definition("Bee", "dem;;", "", sections));
    temp.writeDefinition("a.kgd", Definition("Ay", "dem;;", "", sections));
    temp.writeDefinition("C.KGD", Definition("Cee", "dem;;", "", sections));
    temp.writeDefinition(".hidden.kgd", Definition("Hidden", "dem;;", "", sections));
    load("x.dem");
    EXPECT_EQ(session.lstKgd.files(), (std::vector<std::string>{"a.kgd", "B.kgd", "C.KGD"}));
    EXPECT_EQ(session.summary.txtDemoType, "Ay  (.dem)");
}

TEST_F(IdentifyDemoTest, ProbesTellDefinitionsOfOneExtensionApart) {
    // The first file rejects the demo; its version text stays visible only
    // until a later candidate shows its own.
    temp.writeDefinition("a.kgd",
                         Definition("Half", "dem;;", "dem=hl\ndem-id=psd::1::6::hex:484c44454d4f",
                                    "[Fenlark - dem]\nFenlark Type=2\n"));
    temp.writeDefinition("b.kgd", Definition("Source", "dem;;",
                                             "dem=src\ndem-id=PSD::1::8::HEX:484C3244454D4F00",
                                             "[Fenlark - dem]\nFenlark Type=2\n"));
    load("x.dem", std::string("HL2DEMO\0rest", 12));
    EXPECT_EQ(session.summary.txtDemoType, "Source src (.dem)");
    EXPECT_EQ(session.lstKgd.selectedName(), "b.kgd");

    load("y.dem", "neither");
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1086"}));
    EXPECT_EQ(session.summary.txtGameVersion, "src"); // the last candidate's version stays
    EXPECT_EQ(session.summary.txtDemoType, "");
}

TEST_F(IdentifyDemoTest, AProbeValueReplacesTheVersionOrGivesItsCharacterCode) {
    temp.writeDefinition(
        "g.kgd", Definition("Game", "aaa;;bbb;;ccc;;",
                            "aaa=v\naaa-id=rvd::1::10::hex:#kalv#::0::0::3\n"
                            "bbb=v\nbbb-id=rvd::1::10::hex:#kalv#::0::0::3::ascc\n"
                            "ccc=V\nccc-id=None",
                            "[Fenlark - aaa]\nFenlark Type=2\n[Fenlark - bbb]\nFenlark Type=2\n"
                            "[Fenlark - ccc]\nFenlark Type=2\n"));
    load("x.aaa", "DEMO");
    EXPECT_EQ(session.summary.txtDemoType, "Game DEM (.aaa)");
    EXPECT_EQ(session.summary.txtGameVersion, "v");
    load("x.bbb", "DEMO");
    EXPECT_EQ(session.summary.txtDemoType, "Game 68 (.bbb)");
    load("x.ccc", "DEMO");
    EXPECT_EQ(session.summary.txtDemoType, "Game v (.ccc)");
}

TEST_F(IdentifyDemoTest, ARunOfThreeSemicolonsYieldsNoExtraEntry) {
    temp.writeDefinition("g.kgd", Definition("Game", "abc;;;def;;", "",
                                             "[Fenlark - abc]\nFenlark Type=2\n"
                                             "[Fenlark - def]\nFenlark Type=2\n"));
    load("x.def");
    load("x.abc");
    EXPECT_TRUE(ui.messages.empty());
    load("x.;def");
    load("x.zzz");
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1086", "1086"}));
    EXPECT_EQ(session.MatchedExtension, "def"); // the entry compared last
}

TEST_F(IdentifyDemoTest, UnsupportedTypesShowText185AndLeaveTheDemoTypeShown) {
    temp.writeDefinition("g.kgd", Definition("Game", "t0;;tx;;t9;;", "",
                                             "[Fenlark - t0]\nFenlark Type=0\n"
                                             "[Fenlark - t9]\nFenlark Type=9\n"));
    for (const std::string name : {"x.t0", "x.tx", "x.t9"}) {
        session.summary.cmdCreateDemoLogEnabled = true;
        load(name);
        EXPECT_FALSE(session.summary.cmdCreateDemoLogEnabled) << name;
        EXPECT_EQ(session.summary.txtDemoType.substr(0, 5), "Game ") << name;
    }
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1185", "1185", "1185"}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(ui.waitVisible);
}

TEST_F(IdentifyDemoTest, NoDefinitionsFolderMeansNoMatch) {
    session.setDefinitionsFolder(temp.path("nowhere"));
    load("x.dm_68");
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1086"}));
    EXPECT_FALSE(ui.waitVisible);
}

TEST_F(IdentifyDemoTest, AnEmptyDemoUnderAProbeEndsTheProgram) {
    temp.writeDefinition("g.kgd", Definition("Game", "dem;;", "dem-id=psd::1::1::hex:00",
                                             "[Fenlark - dem]\nFenlark Type=2\n"));
    load("empty.dem", "");
    EXPECT_TRUE(session.programEnded);
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1085"}));
    EXPECT_EQ(session.summary.txtFileSize, "0 bytes");
}
