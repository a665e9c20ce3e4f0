#include "core/InstallLayout.h"
#include "core/Session.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/StubLanguage.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(InstallLayout, TheBuildTreeKeepsTheSharedFilesAboveTheProgramFolder) {
    test::TempFolder temp;
    EXPECT_EQ(SharedFilesFolder(temp.programFolder()), temp.programFolder() + "/../");
    EXPECT_EQ(DefaultDefinitionsFolder(temp.programFolder()), temp.programFolder() + "/../Data/");
}

TEST(InstallLayout, AnInstallationKeepsThemInShareFenlarkAndTheSessionUsesThem) {
    test::TempFolder temp;
    temp.write("share/fenlark/Data/game.kgd", "");
    const std::string shared = temp.programFolder() + "/../share/fenlark/";
    EXPECT_EQ(SharedFilesFolder(temp.programFolder()), shared);
    EXPECT_EQ(DefaultDefinitionsFolder(temp.programFolder()), shared + "Data/");

    test::RecordingUserInterface ui;
    test::StubLanguage language;
    Session session(ui, language, temp.programFolder());
    EXPECT_EQ(session.definitionsFolder(), shared + "Data/");
    EXPECT_EQ(session.languageFolder(), shared);
    session.lstKgd.setFolder(session.definitionsFolder(), ".kgd");
    EXPECT_EQ(session.lstKgd.files(), std::vector<std::string>{"game.kgd"});
}

TEST(InstallLayout, AFileNamedLikeTheInstalledFolderIsNotTakenForIt) {
    test::TempFolder temp;
    temp.write("share/fenlark", "");
    EXPECT_EQ(SharedFilesFolder(temp.programFolder()), temp.programFolder() + "/../");
}
