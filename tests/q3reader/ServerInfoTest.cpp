#include "q3reader/ServerInfo.h"
#include "gamedef/DefinitionReader.h"
#include "q3reader/QuakeDemo.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

class ServerInfoTest : public test::SessionFixture {
protected:
    // Makes a definition current, as game matching leaves it.
    void useDefinition(const std::string& informationKeys) {
        temp.writeDefinition("q3.kgd", "[Kalvenor Game]\nDemo Extensions=dm_68;;\n"
                                       "[Fenlark - dm_68]\nFenlark Type=2\n" +
                                           informationKeys);
        session.lstKgd.setFolder(session.definitionsFolder(), ".kgd");
        session.lstKgd.select(0);
        session.MatchedExtension = "dm_68";
    }

    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (const auto& row : session.summary.lstOtherInfo.rows)
            names.push_back(row.name);
        return names;
    }
};

} // namespace

TEST(SplitInfoString, TokensFollowedByABackslashPairUp) {
    auto info = SplitInfoString("\\a\\1\\\\\\b\\2\\");
    ASSERT_EQ(info.pairs.size(), 3u);
    EXPECT_EQ(info.pairs[1], (std::pair<std::string, std::string>{"", ""}));
    EXPECT_EQ(info.pairs[2], (std::pair<std::string, std::string>{"b", "2"}));
    EXPECT_FALSE(info.incompleteLastPair);
    EXPECT_TRUE(SplitInfoString("\\a\\1\\b\\").incompleteLastPair);
    EXPECT_TRUE(SplitInfoString("\\").pairs.empty());
}

TEST_F(ServerInfoTest, DefaultCvarsFillTheFieldsAndEveryPairIsListed) {
    useDefinition("");
    ShowServerInfo(session, "\\protocol\\68\\gameversion\\osp\\SV_HOSTNAME\\^1Red Server"
                            "\\mapname\\q3dm17\\fs_game\\osp\\g_gametype\\1");
    const DemoSummary& s = session.summary;
    EXPECT_EQ(s.txtDemoProtocol, "68");
    EXPECT_EQ(s.txtGameVersion, "osp");
    EXPECT_EQ(s.txtServername, "^1Red Server"); // shown as sent, colour codes and all
    EXPECT_EQ(s.txtMap, "q3dm17");
    EXPECT_EQ(s.txtMod, "osp");
    EXPECT_EQ(rowNames(), (std::vector<std::string>{"protocol", "gameversion", "SV_HOSTNAME",
                                                    "mapname", "fs_game", "g_gametype"}));
    EXPECT_EQ(s.lstOtherInfo.rows.back().value, "1");
}

TEST_F(ServerInfoTest, TheDefinitionChoosesTheCvarsAndTheLastValueReadWins) {
    useDefinition("Servername=SV_MOTD\nDemo Protocol=com_protocol\nmod=\n");
    ShowServerInfo(session, "\\sv_hostname\\host\\sv_motd\\hello\\com_protocol\\71\\fs_game\\a");
    ShowServerInfo(session, "\\fs_game\\b\\\\empty key");
    const DemoSummary& s = session.summary;
    EXPECT_EQ(s.txtServername, "hello");
    EXPECT_EQ(s.txtDemoProtocol, "71");
    EXPECT_EQ(s.txtMod, "empty key"); // an empty cvar name matches the empty key only
    EXPECT_EQ(rowNames().size(), 6u);
}

TEST_F(ServerInfoTest, PlayersGoToTheListsTheirTeamNames) {
    AddPlayer(session, "n\\Bob\\t\\1\\model\\sarge\\hc\\100");
    AddPlayer(session, "n\\^1R^7ed\\t\\2\\hmodel\\^xff0000grunt");
    AddPlayer(session, "n\\Watcher\\t\\3");
    AddPlayer(session, "n\\Free1\\t\\0\\N\\x\\T\\y");
    AddPlayer(session, "n\\Free2\\t\\0");
    AddPlayer(session, "n\\Nobody\\t\\4");
    AddPlayer(session, "n\\NoTeam\\model\\x");
    const DemoSummary& s = session.summary;
    // Blue already has a player, so both team-0 players go to Red.
    EXPECT_EQ(s.lstPlayersBlue.items, (std::vector<std::string>{"Bob"}));
    EXPECT_EQ(s.lstPlayersBlue.tag, "\\Model\\sarge\\Handicap\\100\\;;");
    EXPECT_EQ(s.lstPlayersRed.items, (std::vector<std::string>{"Red", "Free1", "Free2"}));
    EXPECT_EQ(s.lstPlayersRed.tag, "\\Head Model\\grunt\\;;\\N\\x\\T\\y\\;;\\;;");
    EXPECT_EQ(s.lstPlayersSpectators.items, (std::vector<std::string>{"Watcher"}));
}

TEST_F(ServerInfoTest, TheFirstTeamZeroPlayerTakesBlueOnlyWhileBlueIsEmpty) {
    AddPlayer(session, "n\\Red\\t\\2");
    AddPlayer(session, "n\\A\\t\\0");
    AddPlayer(session, "n\\B\\t\\0");
    AddPlayer(session, "n\\C\\t\\0");
    EXPECT_EQ(session.summary.lstPlayersBlue.items, (std::vector<std::string>{"A"}));
    EXPECT_EQ(session.summary.lstPlayersRed.items, (std::vector<std::string>{"Red", "B", "C"}));
}

TEST_F(ServerInfoTest, APlayerTextWithoutItsLastValueEndsTheReading) {
    AddPlayer(session, "n\\First\\t\\1");
    EXPECT_THROW(AddPlayer(session, "n\\Second\\t"), ReadingError);
    EXPECT_THROW(AddPlayer(session, "n\\Third\\t\\1\\"), ReadingError);
    EXPECT_EQ(session.summary.lstPlayersBlue.items, (std::vector<std::string>{"First"}));
    EXPECT_EQ(session.summary.lstPlayersBlue.tag, "\\;;");
}

TEST_F(ServerInfoTest, ColourCodesLeaveEveryValueInOnePass) {
    AddPlayer(session, "n\\^^b1x\\t\\1\\model\\^^11y");
    EXPECT_EQ(session.summary.lstPlayersBlue.items[0], "^1x");
    EXPECT_EQ(session.summary.lstPlayersBlue.tag, "\\Model\\y\\;;");
}

TEST_F(ServerInfoTest, AKeyMayNameAlternativesAndTheFirstNamedOneWins) {
    useDefinition("Demo Protocol= protocol ;; com_protocol ;;\n");
    // Either cvar fills the field ...
    ShowServerInfo(session, "\\com_protocol\\71\\mapname\\q3dm6");
    EXPECT_EQ(session.summary.txtDemoProtocol, "71");
    // ... and when a server sends both, the first alternative counts,
    // wherever it stands in the text.
    ShowServerInfo(session, "\\protocol\\68\\com_protocol\\71");
    EXPECT_EQ(session.summary.txtDemoProtocol, "68");
    EXPECT_EQ(DefinitionAlternatives("a;;;;b;;"), (std::vector<std::string>{"a", "b"}));
}
