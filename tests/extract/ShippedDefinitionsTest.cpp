// The definitions in Data/ against real demo files of each game. The expected
// values were read off the files' headers with a hex dump. The files live
// outside the repository; without them these tests are skipped.

#include "app/LoadDemo.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

using namespace fenlark;

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct Expected {
    std::string file; // below the shared demo folder
    std::string demoType;
    std::string map;
    std::string mod;
    std::string server;
    std::vector<OtherInfoRow> rows;
    Names spectators; // Blue and Red stay empty for all of these games
};

void PrintTo(const Expected& expected, std::ostream* out) {
    *out << expected.file;
}

const fs::path SharedDemos = FENLARK_SHARED_DEMOS;

class ShippedDefinitions {
public:
    explicit ShippedDefinitions(const std::string& definitionsFolder = FENLARK_DEFINITIONS_SOURCE)
        : session(ui, temp.programFolder()) {
        temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        session.LanguageNumber = 1;
        session.setDefinitionsFolder(definitionsFolder);
    }

    const DemoSummary& load(const fs::path& demo) {
        session.DemoPath = demo.string();
        LoadDemo(session);
        return session.summary;
    }

    test::TempFolder temp;
    test::RecordingUserInterface ui;
    Session session;
};

const std::vector<Expected> RealDemos = {
    {"hl1_dem/hldemo-rs_basic.dem",
     "Half-Life goldsrc (.dem)",
     "c1a0",
     "valve",
     "Half-Life",
     {},
     {}},
    // No sign-on data in this tiny file, so no server name.
    {"hl1_dem/hldemo-rs_frame-types.dem", "Half-Life goldsrc (.dem)", "c1a0", "valve", "/", {}, {}},
    {"hl1_dem/hldemo-rs_invalid-demo-protocol.dem",
     "Half-Life goldsrc (.dem)",
     "c1a0",
     "valve",
     "/",
     {},
     {}},

    {"source_dem/hl2dm_ffa.dem",
     "Source Engine hl2demo (.dem)",
     "dm_airfusion_final",
     "hl2mp",
     " www.everythingFPS.com | NA #1 | New Jersey",
     {},
     {"SourceTV Demo"}},
    {"source_dem/tf2_demostf_small.dem",
     "Source Engine hl2demo (.dem)",
     "cp_gullywash",
     "tf",
     "localhost:27015",
     {},
     {"Icewind | demos.tf"}},
    {"source_dem/nekzor_hl2oe.dem",
     "Source Engine hl2demo (.dem)",
     "d3_c17_12",
     "hl2",
     "localhost:0",
     {},
     {"[Penguin] MECHENIY"}},
    {"source_dem/nekzor_portal.dem",
     "Source Engine hl2demo (.dem)",
     "testchmb_a_00",
     "portal",
     "localhost:0",
     {},
     {"Can't Even"}},
    {"source_dem/nekzor_portal_steampipe.dem",
     "Source Engine hl2demo (.dem)",
     "testchmb_a_04",
     "portal",
     "localhost:0",
     {},
     {"NeKz"}},

    {"quake1_dem/qfm_demo1.dem",
     "Quake netquake (.dem)",
     "e1m3",
     "/",
     "/",
     {{"Level", "the Police"}, {"Server Version", "1.08"}, {"CD Track", "2"}},
     {}},
    {"quake1_dem/qfm_demo3.dem",
     "Quake netquake (.dem)",
     "e1m6",
     "/",
     "/",
     {{"Level", "The door to Chthonian Condominium"},
      {"Server Version", "1.08"},
      {"CD Track", "-1"}},
     {}},

    // An empty game directory is the base game.
    {"quake2_dm2/libq2_test.dm2",
     "Quake II protocol 34 (.dm2)",
     "q2dm1",
     "",
     "/",
     {{"Level", "The Edge"}},
     {}},
    {"quake2_dm2/q2demo_test10.dm2",
     "Quake II protocol 34 (.dm2)",
     "q2dm1",
     "",
     "/",
     {{"Level", "The Edge"}},
     {}},
    {"quake2_dm2/libq2_testduel.dm2",
     "Quake II protocol 34 (.dm2)",
     "q2rdm2",
     "opentdm",
     "/",
     {{"Level", "The Chastity Belt Duel  -  by JaLisK0"}},
     {}},
    {"q2pro_mvd2/libq2_test.mvd2", "Quake II q2pro mvd (.mvd2)", "q2dm1", "opentdm", "/", {}, {}},
    {"q2pro_mvd2/q2demo_test.mvd2", "Quake II q2pro mvd (.mvd2)", "q2dm1", "opentdm", "/", {}, {}},

    {"qw_mvd/1on1_milton_vs_mushi[tron]20240616-1719.mvd",
     "QuakeWorld mvdsv (.mvd)",
     "tron",
     "qw",
     "nl.quake.world:27501 [QW-Group]",
     {{"Level", "Megatron \x85 by alice"},
      {"Version", "MVDSV 1.01-dev"},
      {"KTX Version", "1.44-dev"},
      {"Mode", "hoonymode"},
      {"Deathmatch", "3"},
      {"Fraglimit", "1"},
      {"Max Clients", "2"},
      {"Max Spectators", "12"}},
     {}},
    {"qw_mvd/2on2_sf_vs_red[frobodm2]220104-0915.mvd",
     "QuakeWorld mvdsv (.mvd)",
     "frobodm2",
     "qw",
     "Dybbuk Gehenna #3",
     {{"Level", "Frogbotrophobopolis"},
      {"Version", "MVDSV 0.33"},
      {"KTX Version", "1.39"},
      {"Deathmatch", "3"},
      {"Teamplay", "2"},
      {"Timelimit", "10"},
      {"Max Clients", "4"},
      {"Max Spectators", "6"}},
     {}},
    {"qw_mvd/ffa_5[dm4]20240501-1229.mvd",
     "QuakeWorld mvdsv (.mvd)",
     "dm4",
     "qw",
     "QUAKE.SE KTX:28505",
     {{"Level", "The Bad Place"},
      {"Version", "MVDSV 0.36"},
      {"KTX Version", "1.42"},
      {"Mode", "ffa"},
      {"Deathmatch", "3"},
      {"Timelimit", "8"},
      {"Fraglimit", "50"},
      {"Max Clients", "26"},
      {"Max Spectators", "6"}},
     {}},

    {"warsow_wd/e-lava.wd10",
     "Warsow protocol 10 (.wd10)",
     "e-lavastore",
     "racesow_local_0.12",
     "warsow server",
     {},
     {}},
    {"warsow_wd/very_short_demo.wd10",
     "Warsow protocol 10 (.wd10)",
     "gu3-bored",
     "basewsw",
     "warsow-race.net ^8#RSP ^9racesow pre-alpha",
     {},
     {}},
    {"warsow_wd/race_gdfcomp08_14.949.wd11",
     "Warsow protocol 11 (.wd11)",
     "gdfcomp08",
     "racesow",
     "^7warsow-race.net ^8DE #2 ^9RACE",
     {{"Map Title", "gdfcomp08"},
      {"Gametype Title", "Racesow"},
      {"Gametype", "race"},
      {"Gametype Version", "0.5.7"}},
     {}},
    {"warsow_wd/freestyle_wctf1.wd12",
     "Warsow protocol 12 (.wd12)",
     "wctf1",
     "racesow",
     "fastcap/racesow test by ^2t^3r^0x^2x^3r^0t",
     {{"Map Title", "CTF Russus"},
      {"Gametype Title", "Racesow"},
      {"Gametype", "race"},
      {"Gametype Version", "0.6.0"}},
     {}},
    {"warsow_wd/race_cjscomp008.wd12",
     "Warsow protocol 12 (.wd12)",
     "cjscomp008",
     "racesow",
     "^7warsow-race.net ^8FR #1 ^9RACE",
     {{"Map Title", "cjscomp008"},
      {"Gametype Title", "Racesow"},
      {"Gametype", "race"},
      {"Gametype Version", "0.6.0"}},
     {}},
};

class RealDemoTest : public ::testing::TestWithParam<Expected> {};

} // namespace

TEST_P(RealDemoTest, ShowsTheValuesOfTheHeader) {
    const Expected& expected = GetParam();
    const fs::path demo = SharedDemos / expected.file;
    if (!fs::exists(demo))
        GTEST_SKIP() << demo << " is not available";

    ShippedDefinitions app;
    const DemoSummary& summary = app.load(demo);
    EXPECT_TRUE(app.ui.messages.empty());
    EXPECT_FALSE(app.session.programEnded);
    EXPECT_EQ(summary.txtDemoType, expected.demoType);
    EXPECT_EQ(summary.txtMap, expected.map);
    EXPECT_EQ(summary.txtMod, expected.mod);
    EXPECT_EQ(summary.txtServername, expected.server);
    // Every shipped format keeps its protocol as a binary number.
    EXPECT_EQ(summary.txtDemoProtocol, "/");
    EXPECT_EQ(summary.lstOtherInfo.rows, expected.rows);
    EXPECT_TRUE(summary.lstPlayersBlue.items.empty());
    EXPECT_TRUE(summary.lstPlayersRed.items.empty());
    EXPECT_EQ(summary.lstPlayersSpectators.items, expected.spectators);
    // Each definition reads players, so the extraction ends by switching the
    // demo log off.
    EXPECT_FALSE(summary.cmdCreateDemoLogEnabled);
}

INSTANTIATE_TEST_SUITE_P(SharedDemos, RealDemoTest, ::testing::ValuesIn(RealDemos),
                         [](const ::testing::TestParamInfo<Expected>& param) {
                             std::string name = fs::path(param.param.file).filename().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(ShippedDefinitionsTest, TheDemGamesAreToldApartWhateverTheFileOrder) {
    const fs::path hl = SharedDemos / "hl1_dem/hldemo-rs_basic.dem";
    const fs::path source = SharedDemos / "source_dem/tf2_demostf_small.dem";
    const fs::path quake = SharedDemos / "quake1_dem/qfm_demo1.dem";
    if (!fs::exists(hl) || !fs::exists(source) || !fs::exists(quake))
        GTEST_SKIP() << "real demos are not available";

    // The three definitions that claim ".dem", once in each order of names.
    const std::vector<std::string> games = {"halflife", "quake", "source"};
    const std::vector<std::vector<std::string>> prefixes = {
        {"a", "b", "c"}, {"c", "b", "a"}, {"b", "c", "a"}};
    for (const auto& order : prefixes) {
        test::TempFolder data;
        for (std::size_t i = 0; i < games.size(); ++i)
            fs::copy_file(fs::path(FENLARK_DEFINITIONS_SOURCE) / (games[i] + ".kgd"),
                          data.root() / (order[i] + "_" + games[i] + ".kgd"));
        ShippedDefinitions app(data.root().string());
        EXPECT_EQ(app.load(hl).txtDemoType, "Half-Life goldsrc (.dem)");
        EXPECT_EQ(app.load(source).txtDemoType, "Source Engine hl2demo (.dem)");
        EXPECT_EQ(app.load(quake).txtDemoType, "Quake netquake (.dem)");
        EXPECT_TRUE(app.ui.messages.empty());
    }
}

TEST(ShippedDefinitionsTest, AFileWithABrokenMagicMatchesNoGame) {
    const fs::path demo = SharedDemos / "hl1_dem/hldemo-rs_invalid-magic.dem";
    if (!fs::exists(demo))
        GTEST_SKIP() << demo << " is not available";
    ShippedDefinitions app;
    app.load(demo);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(app.session.summary.txtDemoType, "");
}
