#include "gamedef/MatchDefinition.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fenlark;

namespace {

class MatchDefinitionTest : public test::SessionFixture {
protected:
    std::optional<DefinitionMatch> match(const std::string& name,
                                         const std::string& content = "DEMO") {
        return MatchDefinition(session, useDemo(name, content));
    }
    // The demo type a match shows, or "" without one.
    std::string demoType(const std::string& name, const std::string& content = "DEMO") {
        const auto found = match(name, content);
        return found ? DemoTypeText(*found, DemoExtension(session.DemoPath)) : std::string();
    }
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

TEST_F(MatchDefinitionTest, AMatchNamesGameVersionAndTypeAndSelectsItsDefinition) {
    temp.writeDefinition("q3.kgd", Definition("Quake III Arena", "dm_66;;dm_67;;DM_68;;",
                                              "dm_68=1.32\ndm_67=1.31",
                                              "[Fenlark - dm_68]\nFenlark Type=2\n"));
    const auto found = match("match.dm_68");
    ASSERT_TRUE(found);
    EXPECT_EQ(DemoTypeText(*found, "dm_68"), "Quake III Arena 1.32 (.dm_68)");
    EXPECT_EQ(found->informationType, 2);
    EXPECT_EQ(session.summary.txtGameVersion, "1.32");
    EXPECT_EQ(session.MatchedExtension, "dm_68");
    EXPECT_EQ(session.lstKgd.selectedName(), "q3.kgd");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MatchDefinitionTest, TheExtensionKeepsItsCaseAndEntriesNeedTheirSeparator) {
    temp.writeDefinition("q3.kgd", Definition("Q3", "dm_67;;dm_68", "", ""));
    EXPECT_FALSE(match("final.DM_67"));
    EXPECT_FALSE(match("final.dm_68"));
    EXPECT_EQ(demoType("final.dm_67"), "Q3  (.dm_67)");
    // Without a definition that accepts the demo, the selection stays on the
    // last definition examined.
    EXPECT_FALSE(match("x.zzz"));
    EXPECT_EQ(session.lstKgd.selectedName(), "q3.kgd");
}

TEST_F(MatchDefinitionTest, AnEmptyEntryMatchesAPathWithoutDot) {
    temp.writeDefinition("any.kgd", Definition("Anything", ";;", "=raw", ""));
    EXPECT_EQ(demoType("nodot"), "Anything raw (.)");
}

TEST_F(MatchDefinitionTest, DefinitionsAreTriedByNameIgnoringCase) {
    temp.writeDefinition("B.kgd", Definition("Bee", "dem;;", "", ""));
    temp.writeDefinition("a.kgd", Definition("Ay", "dem;;", "", ""));
    temp.writeDefinition("C.KGD", Definition("Cee", "dem;;", "", ""));
    EXPECT_EQ(demoType("x.dem"), "Ay  (.dem)");
}

TEST_F(MatchDefinitionTest, ProbesTellDefinitionsOfOneExtensionApart) {
    // The first file rejects the demo; its version text stays visible only
    // until a later candidate shows its own.
    temp.writeDefinition(
        "a.kgd", Definition("Half", "dem;;", "dem=hl\ndem-id=psd::1::6::hex:484c44454d4f", ""));
    temp.writeDefinition(
        "b.kgd",
        Definition("Source", "dem;;", "dem=src\ndem-id=PSD::1::8::HEX:484C3244454D4F00", ""));
    EXPECT_EQ(demoType("x.dem", std::string("HL2DEMO\0rest", 12)), "Source src (.dem)");
    EXPECT_EQ(session.lstKgd.selectedName(), "b.kgd");

    EXPECT_FALSE(match("y.dem", "neither"));
    EXPECT_EQ(session.summary.txtGameVersion, "src"); // the last candidate's version stays
}

TEST_F(MatchDefinitionTest, AProbeValueReplacesTheVersionOrGivesItsCharacterCode) {
    temp.writeDefinition("g.kgd", Definition("Game", "aaa;;bbb;;ccc;;",
                                             "aaa=v\naaa-id=rvd::1::10::hex:#kalv#::0::0::3\n"
                                             "bbb=v\nbbb-id=rvd::1::10::hex:#kalv#::0::0::3::ascc\n"
                                             "ccc=V\nccc-id=None",
                                             ""));
    EXPECT_EQ(demoType("x.aaa"), "Game DEM (.aaa)");
    EXPECT_EQ(session.summary.txtGameVersion, "v");
    EXPECT_EQ(demoType("x.bbb"), "Game 68 (.bbb)");
    EXPECT_EQ(demoType("x.ccc"), "Game v (.ccc)");
}

TEST_F(MatchDefinitionTest, ARunOfThreeSemicolonsYieldsNoExtraEntry) {
    temp.writeDefinition("g.kgd", Definition("Game", "abc;;;def;;", "", ""));
    EXPECT_TRUE(match("x.def"));
    EXPECT_TRUE(match("x.abc"));
    EXPECT_FALSE(match("x.;def"));
    EXPECT_FALSE(match("x.zzz"));
    EXPECT_EQ(session.MatchedExtension, "def"); // the entry compared last
}

TEST_F(MatchDefinitionTest, ATypeThatDoesNotConvertKeepsTheOneExaminedBefore) {
    // The first candidate is rejected by its probe after its type was read.
    temp.writeDefinition("a.kgd", Definition("A", "dem;;", "dem-id=psd::1::1::hex:00",
                                             "[Fenlark - dem]\nFenlark Type=2\n"));
    temp.writeDefinition("b.kgd",
                         Definition("B", "dem;;", "", "[Fenlark - dem]\nFenlark Type=two\n"));
    const auto found = match("x.dem", "X");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->gameName, "B");
    EXPECT_EQ(found->informationType, 2);
    temp.writeDefinition("a.kgd", "");
    EXPECT_EQ(match("x.dem", "X")->informationType, 0);
}

TEST_F(MatchDefinitionTest, NoDefinitionsFolderMeansNoMatch) {
    session.setDefinitionsFolder(temp.path("nowhere"));
    EXPECT_FALSE(match("x.dm_68"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MatchDefinitionTest, AnEmptyDemoUnderAProbeEndsTheProgram) {
    temp.writeDefinition("g.kgd", Definition("Game", "dem;;", "dem-id=psd::1::1::hex:00", ""));
    EXPECT_THROW(match("empty.dem", ""), ProgramEnded);
    EXPECT_TRUE(session.programEnded);
    EXPECT_EQ(textIds(), (std::vector<std::string>{"1085"}));
}

// The window stays open while the user edits the definitions: every load sees
// the folder and the files as they are now.
TEST_F(MatchDefinitionTest, DefinitionsEditedAddedOrRemovedBetweenLoadsAreSeen) {
    const std::string sections = "[Fenlark - dm_68]\nFenlark Type=2\n";
    temp.writeDefinition("q3.kgd", Definition("Quake III", "dm_68;;", "dm_68=1.32", sections));
    EXPECT_EQ(demoType("a.dm_68"), "Quake III 1.32 (.dm_68)");

    temp.writeDefinition("q3.kgd", Definition("Quake 3!!", "dm_68;;", "dm_68=1.32", sections));
    EXPECT_EQ(demoType("a.dm_68"), "Quake 3!! 1.32 (.dm_68)") << "same size, new text";

    // A definition that sorts first takes the demo; once removed, the other does.
    temp.writeDefinition("a.kgd", Definition("Arena", "dm_68;;", "dm_68=9", sections));
    EXPECT_EQ(demoType("a.dm_68"), "Arena 9 (.dm_68)");
    EXPECT_EQ(session.lstKgd.files(), (std::vector<std::string>{"a.kgd", "q3.kgd"}));
    std::filesystem::remove(temp.path("Data/a.kgd"));
    EXPECT_EQ(demoType("a.dm_68"), "Quake 3!! 1.32 (.dm_68)");

    std::filesystem::rename(temp.path("Data/q3.kgd"), temp.path("Data/q3.old"));
    EXPECT_EQ(demoType("a.dm_68"), "");
    EXPECT_TRUE(session.lstKgd.files().empty());
}
