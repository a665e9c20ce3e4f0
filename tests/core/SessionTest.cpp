#include "core/Session.h"
#include "core/Files.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(LanguageTextId, JoinsTheLanguageNumberAndTheThreeDigitNumber) {
    EXPECT_EQ(LanguageTextId(1, LanguageText::LoadDemoTitle), "1184");
    EXPECT_EQ(LanguageTextId(0, LanguageText::LoadDemoTitle), "0184");
    EXPECT_EQ(LanguageTextId(-2, LanguageText::DemoUnreadable), "-2085");
}

namespace {

class SessionTest : public test::SessionFixture {};

} // namespace

TEST_F(SessionTest, LanguageMessagesCarryTheTitleAndTheirIdAndAFailedLookupShowsNothing) {
    session.LanguageNumber = 2;
    session.showLanguageMessage(MessageIcon::Warning, LanguageText::NoMatchingDefinition);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Kalvenor - Fenlark v1.00");
    EXPECT_EQ(ui.messages[0].text, "text 2086");
    EXPECT_EQ(ui.messages[0].textId, "2086");

    language.tableAvailable = false;
    session.showLanguageMessage(MessageIcon::Warning, LanguageText::NoMatchingDefinition);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(SessionTest, EndingTheProgramTellsTheInterfaceAndUnwinds) {
    EXPECT_THROW(session.endProgram(), ProgramEnded);
    EXPECT_TRUE(session.programEnded);
    EXPECT_TRUE(ui.ended);
}

TEST_F(SessionTest, TheDefinitionListSortsIgnoringCaseAndLeavesOutHiddenAndOtherFiles) {
    for (const char* name : {"B.kgd", "a.kgd", "C.KGD", ".hidden.kgd", "notes.txt", "kgd"}) {
        temp.writeDefinition(name, "");
    }
    std::filesystem::create_directories(temp.root() / "Data" / "folder.kgd");
    session.lstKgd.setFolder(session.definitionsFolder(), ".kgd");
    EXPECT_EQ(session.lstKgd.files(), (std::vector<std::string>{"a.kgd", "B.kgd", "C.KGD"}));
    EXPECT_EQ(session.currentDefinitionPath(), "");
    session.lstKgd.select(1);
    EXPECT_EQ(session.currentDefinitionPath(), temp.programFolder() + "/../Data/B.kgd");

    session.setDefinitionsFolder(temp.path("nowhere"));
    session.lstKgd.setFolder(session.definitionsFolder(), ".kgd");
    EXPECT_TRUE(session.lstKgd.files().empty());
    EXPECT_EQ(session.lstKgd.selected(), std::nullopt);
}

TEST(PlayerList, SemicolonsThatWouldFormTheSeparatorBecomeCommas) {
    PlayerList list;
    EXPECT_TRUE(list.append("A", "\\clan\\x;;y"));
    EXPECT_TRUE(list.append("B", "\\clan\\z;"));
    EXPECT_TRUE(list.append("C", "\\a;b\\"));
    EXPECT_EQ(list.tag, "\\clan\\x,;y;;\\clan\\z,;;\\a;b\\;;");
    list.items.resize(PlayerList::MaxItems);
    EXPECT_FALSE(list.append("full", "\\"));
    EXPECT_EQ(list.items.size(), PlayerList::MaxItems);
}

TEST(Files, WholeFilesAndTheReadableCheck) {
    test::TempFolder temp;
    const std::string path = temp.write("bytes", std::string("a\0b\r\n", 5));
    EXPECT_EQ(ReadWholeFile(path), std::string("a\0b\r\n", 5));
    EXPECT_EQ(ReadWholeFile(temp.path("missing")), std::nullopt);
    EXPECT_TRUE(IsReadableFile(path));
    EXPECT_TRUE(IsReadableFile(temp.write("empty", "")));
    EXPECT_FALSE(IsReadableFile(temp.path("missing")));
    EXPECT_FALSE(IsReadableFile(""));
    EXPECT_FALSE(ProgramFolder("").empty());
}
