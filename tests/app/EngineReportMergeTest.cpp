// How a built-in reader's report joins the window model: the team mapping,
// the details entries, the values it fills and the rows it adds; then the
// whole loading flow with a definition that names a reader and one that does
// not.

#include "app/EngineReportMerge.h"
#include "app/LoadDemo.h"
#include "lang/Language.h"
#include "tests/common/CraftedQuakeDemo.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace fenlark;
using readers::EngineReport;
using readers::ReportedPlayer;
using Names = std::vector<std::string>;

namespace {

ReportedPlayer Player(std::string name, std::string team, bool spectator = false) {
    return {std::move(name), std::move(team), spectator, {}};
}

struct Lists {
    Names blue;
    Names red;
    Names spectators;
    bool operator==(const Lists&) const = default;
};

void PrintTo(const Lists& lists, std::ostream* out) {
    for (const Names* names : {&lists.blue, &lists.red, &lists.spectators}) {
        *out << "[";
        for (const std::string& name : *names) {
            *out << name << ",";
        }
        *out << "] ";
    }
}

Lists Merged(const EngineReport& report) {
    DemoSummary summary;
    MergeEngineReport(summary, report);
    return {summary.lstPlayersBlue.items, summary.lstPlayersRed.items,
            summary.lstPlayersSpectators.items};
}

} // namespace

TEST(MergeEngineReport, TeamsNamedBlueOrRedGoToThatListInAnyLetterCase) {
    EngineReport report;
    report.teams = {"RED", "Blue"};
    report.players = {Player("r1", "red"), Player("b1", "BLUE"), Player("s1", "red", true),
                      Player("r2", "Red")};
    EXPECT_EQ(Merged(report), (Lists{{"b1"}, {"r1", "r2"}, {"s1"}}));
}

TEST(MergeEngineReport, OtherwiseTheEnginesFirstTeamIsBlueAndEveryOtherRed) {
    EngineReport report;
    report.teams = {"BLU", "RED", "Unassigned"};
    report.players = {Player("a", "RED"), Player("b", "BLU"), Player("c", "Unassigned"),
                      Player("d", "unlisted"), Player("e", "blu")};
    // "RED" is named red; "blu" differs from the first team "BLU" in case
    // only, but a team is the engine's own exact name.
    EXPECT_EQ(Merged(report), (Lists{{"b"}, {"a", "c", "d", "e"}, {}}));

    // Without declared teams the order is that in which players name them.
    report.teams.clear();
    report.players = {Player("x", "=SF="), Player("spec", "lqwc", true), Player("y", "beta"),
                      Player("z", "=SF=")};
    EXPECT_EQ(Merged(report), (Lists{{"x", "z"}, {"y"}, {"spec"}}));
}

TEST(MergeEngineReport, PlayersWithoutTeamsFillBlueWithTheFirstAndRedWithTheRest) {
    EngineReport report;
    report.players = {Player("first", ""), Player("watcher", "", true), Player("second", ""),
                      Player("third", "")};
    EXPECT_EQ(Merged(report), (Lists{{"first"}, {"second", "third"}, {"watcher"}}));
}

TEST(MergeEngineReport, ReportedPlayersReplaceTheExtractedOnesAndRespectTheListLimit) {
    DemoSummary summary;
    summary.lstPlayersSpectators.append("header name", "\\");
    summary.lstPlayersBlue.append("probe name", "\\");
    MergeEngineReport(summary, EngineReport{});
    EXPECT_EQ(summary.lstPlayersSpectators.items, Names{"header name"});
    EXPECT_EQ(summary.lstPlayersBlue.items, Names{"probe name"});

    EngineReport report;
    report.players.assign(PlayerList::MaxItems + 2, Player("p", ""));
    MergeEngineReport(summary, report);
    EXPECT_EQ(summary.lstPlayersBlue.items, Names{"p"});
    EXPECT_TRUE(summary.lstPlayersSpectators.items.empty());
    EXPECT_EQ(summary.lstPlayersRed.items.size(), PlayerList::MaxItems);
}

TEST(MergeEngineReport, DetailsEntriesKeepTheirSeparatorsOutAndStayUtf8) {
    ReportedPlayer player = Player("Jos\xC3\xA9", "red");
    player.details = {{"Slot", "3"}, {"Skin", "a\\b;;c;"}, {"Name;;", "\xC3\xA9\xE2\x82\xAC\xFF"}};
    EXPECT_EQ(EngineDetailsEntry(player),
              "\\Slot\\3\\Skin\\a/b,;c,\\Name,,\\\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\\");
    EXPECT_EQ(EngineDetailsEntry(Player("none", "")), "\\");

    DemoSummary summary;
    EngineReport report;
    report.players = {player, Player("b", "blue")};
    MergeEngineReport(summary, report);
    EXPECT_EQ(summary.lstPlayersRed.items, Names{"Jos\xC3\xA9"});
    EXPECT_EQ(summary.lstPlayersRed.tag,
              "\\Slot\\3\\Skin\\a/b,;c,\\Name,,\\\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\\;;");
    EXPECT_EQ(summary.lstPlayersBlue.tag, "\\;;");
}

TEST(MergeEngineReport, FillsOnlyValuesLeftAsNotFoundAndAddsOnlyRowsNotListed) {
    DemoSummary summary;
    summary.txtMap = "/";
    summary.txtMod = "extracted";
    summary.txtServername = "/";
    summary.txtDemoProtocol = "/";
    summary.txtGameVersion = "1.0";
    summary.lstOtherInfo.rows = {{"Level Name", "from the header"}, {"CD Track", "2"}};

    EngineReport report;
    report.map = "dm3";
    report.mod = "ctf";
    report.serverName = "";
    report.protocol = "15";
    report.gameVersion = "2.0";
    report.otherInfo = {
        {"level name", "from the reader"}, {"Game type", "deathmatch"}, {"Caf\xC3\xA9", "x"}};
    MergeEngineReport(summary, report);

    EXPECT_EQ(summary.txtMap, "dm3");
    EXPECT_EQ(summary.txtMod, "extracted");
    EXPECT_EQ(summary.txtServername, "/"); // an empty value fills nothing
    EXPECT_EQ(summary.txtDemoProtocol, "15");
    EXPECT_EQ(summary.txtGameVersion, "1.0");
    EXPECT_EQ(summary.lstOtherInfo.rows,
              (std::vector<OtherInfoRow>{{"Level Name", "from the header"},
                                         {"CD Track", "2"},
                                         {"Game type", "deathmatch"},
                                         {"Caf\xC3\xA9", "x"}}));
}

namespace {

class ReaderDefinitionTest : public test::SessionFixtureOf<Language> {
protected:
    // A definition whose map probe finds nothing and whose one row is the
    // level name, as the shipped Quake definition reads it.
    void define(const std::string& readerLine) {
        temp.writeDefinition("q.kgd", "[Kalvenor Game]\nGame Name=Quake\nDemo Extensions=qdm;;\n"
                                      "qdm=netquake\n"
                                      "[Fenlark - qdm]\nFenlark Type=1\n"
                                      "Map=rvd::1::4096::hex:7a7a7a7a::4::1::hex:00\n"
                                      "Mod=rvd::1::4096::hex:7a7a7a7a::4::1::hex:00\n"
                                      "Info Count=1\nInfo 1 Name=Level name\n"
                                      "Info 1=rvd::1::4096::hex:0b0f000000::7::1::hex:00\n" +
                                          readerLine);
    }

    const DemoSummary& load() {
        useDemo("crafted.qdm", test::CraftedQuakeDemo());
        LoadDemo(session);
        return session.summary;
    }
};

} // namespace

TEST_F(ReaderDefinitionTest, TheNamedReaderAddsPlayersValuesAndRows) {
    define("Reader=Quake-Dem\n");
    const DemoSummary& summary = load();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(summary.txtDemoType, "Quake netquake (.qdm)");
    EXPECT_EQ(summary.txtMap, "dm3");
    EXPECT_EQ(summary.txtMod, "/");
    EXPECT_EQ(summary.txtDemoProtocol, "15");
    EXPECT_EQ(summary.lstOtherInfo.rows,
              (std::vector<OtherInfoRow>{
                  {"Level name", "Arena"}, {"Maximum players", "4"}, {"Game type", "deathmatch"}}));
    EXPECT_EQ(summary.lstPlayersBlue.items, Names{"Ranger"});
    EXPECT_EQ(summary.lstPlayersRed.items, Names{"Grunt"});
    EXPECT_TRUE(summary.lstPlayersSpectators.items.empty());
}

TEST_F(ReaderDefinitionTest, WithoutAReaderOrWithAnUnknownOneNothingIsAdded) {
    for (const std::string line : {"", "Reader=\n", "Reader=no-such-reader\n"}) {
        define(line);
        const DemoSummary& summary = load();
        EXPECT_EQ(summary.txtMap, "/") << line;
        EXPECT_EQ(summary.txtDemoProtocol, "/") << line;
        EXPECT_EQ(summary.lstOtherInfo.rows, (std::vector<OtherInfoRow>{{"Level name", "Arena"}}))
            << line;
        EXPECT_TRUE(summary.lstPlayersBlue.items.empty()) << line;
        EXPECT_TRUE(summary.lstPlayersRed.items.empty()) << line;
    }
}
