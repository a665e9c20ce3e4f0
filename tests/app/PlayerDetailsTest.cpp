#include "app/PlayerDetails.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(PlayerDetails, EntriesAreFoundBetweenSeparators) {
    const std::string tag = "\\a\\1\\;;\\;;\\name\\B\\;;";
    EXPECT_EQ(FindDetailsEntry(tag, 0), "\\a\\1\\");
    EXPECT_EQ(FindDetailsEntry(tag, 1), "\\");
    EXPECT_EQ(FindDetailsEntry(tag, 2), "\\name\\B\\");
    EXPECT_EQ(FindDetailsEntry(tag, 3), std::nullopt);
    EXPECT_EQ(FindDetailsEntry(";;x;;", 0), "");
    EXPECT_EQ(FindDetailsEntry("", 0), std::nullopt);
}

TEST(PlayerDetails, EachPairBecomesOneLine) {
    EXPECT_EQ(FormatPlayerDetails("\\Model\\sarge\\Handicap\\100\\"),
              "Model: sarge\r\nHandicap: 100\r\n");
    EXPECT_EQ(FormatPlayerDetails("\\"), "");
    EXPECT_EQ(FormatPlayerDetails(""), "");
    EXPECT_EQ(FormatPlayerDetails("\\Team\\\\"), "Team: \r\n");
}

namespace {

class PlayerDetailsTest : public test::SessionFixture {};

} // namespace

TEST_F(PlayerDetailsTest, DoubleClickShowsHeadingAndPairsOfTheSelectedItem) {
    PlayerList list;
    list.append("Alpha", "\\");
    list.append("Bravo", "\\name\\B\\");

    ShowPlayerDetails(session, list, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Player: Bravo\r\nname: B\r\n");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(ui.messages[0].title, "Kalvenor - Fenlark v1.00");

    ShowPlayerDetails(session, list, 0);
    EXPECT_EQ(ui.messages.back().text, "Player: Alpha\r\n");
}

TEST_F(PlayerDetailsTest, NothingIsShownWithoutSelectionOrEntry) {
    PlayerList list;
    ShowPlayerDetails(session, list, 0);
    ShowPlayerDetails(session, list, std::nullopt);
    list.items = {"NoTag"}; // an item whose details text is empty
    ShowPlayerDetails(session, list, 0);
    EXPECT_TRUE(ui.messages.empty());
}
