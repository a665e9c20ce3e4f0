// The definitions in Data/ against real demo files of each game, through the
// whole loading flow. What each demo shows is data: data/shipped-definitions.txt.
// The files live outside the repository; without them these tests are skipped.

#include "app/LoadDemo.h"
#include "core/Files.h"
#include "core/WholeNumber.h"
#include "lang/Language.h"
#include "tests/common/SessionFixture.h"

#include "tests/readers/goldsrc/GoldSrcDemoWriter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>

using namespace fenlark;

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const fs::path SharedDemos = FENLARK_SHARED_DEMOS;
constexpr std::size_t EscapeLength = 4; // "\xHH"

struct ExpectedDemo {
    std::string file; // below the shared demo folder
    std::string demoType;
    std::string protocol;
    std::string map;
    std::string mod;
    std::string server;
    std::vector<OtherInfoRow> rows;
    Names blue;
    Names red;
    Names spectators;
    std::optional<std::string> version;
    bool quakeReader = false;
};

void PrintTo(const ExpectedDemo& expected, std::ostream* out) {
    *out << expected.file;
}

// "\xHH" stands for the byte HH.
std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + EscapeLength <= text.size()) {
            bytes +=
                static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
            i += EscapeLength - 1;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

std::vector<ExpectedDemo> ReadExpectations() {
    std::vector<ExpectedDemo> demos;
    std::istringstream lines(
        ReadWholeFile(std::string(FENLARK_TEST_DATA_DIR) + "/shipped-definitions.txt")
            .value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (line.empty() || line.front() == '#' || colon == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, colon);
        const std::size_t valueStart = line.compare(colon, 2, ": ") == 0 ? colon + 2 : colon + 1;
        const std::string value = Unescape(line.substr(valueStart));
        if (key == "file") {
            demos.push_back({});
            demos.back().file = value;
        } else if (demos.empty()) {
            ADD_FAILURE() << "a block must begin with its file: " << line;
        } else if (key == "type") {
            demos.back().demoType = value;
        } else if (key == "protocol") {
            demos.back().protocol = value;
        } else if (key == "version") {
            demos.back().version = value;
        } else if (key == "reader") {
            demos.back().quakeReader = value == "quake";
            EXPECT_TRUE(demos.back().quakeReader) << line;
        } else if (key == "map") {
            demos.back().map = value;
        } else if (key == "mod") {
            demos.back().mod = value;
        } else if (key == "server") {
            demos.back().server = value;
        } else if (key == "row") {
            const std::size_t equals = value.find(" = ");
            demos.back().rows.push_back({value.substr(0, equals), value.substr(equals + 3)});
        } else if (key == "blue") {
            demos.back().blue.push_back(value);
        } else if (key == "red") {
            demos.back().red.push_back(value);
        } else if (key == "spectator") {
            demos.back().spectators.push_back(value);
        } else {
            ADD_FAILURE() << "unknown key: " << line;
        }
    }
    return demos;
}

class ShippedDefinitionsTest : public test::SessionFixtureOf<Language> {
protected:
    ShippedDefinitionsTest() { session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR); }

    const DemoSummary& load(const fs::path& demo) {
        session.DemoPath = demo.string();
        LoadDemo(session);
        return session.summary;
    }
};

class RealDemoTest : public ShippedDefinitionsTest,
                     public ::testing::WithParamInterface<ExpectedDemo> {};

} // namespace

TEST_P(RealDemoTest, ShowsTheHeaderValuesAndTheReadersPlayers) {
    const ExpectedDemo& expected = GetParam();
    const fs::path demo = SharedDemos / expected.file;
    if (!fs::exists(demo)) {
        GTEST_SKIP() << demo << " is not available";
    }
    const DemoSummary& summary = load(demo);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(session.programEnded);
    EXPECT_EQ(summary.txtDemoType, expected.demoType);
    EXPECT_EQ(summary.txtMap, expected.map);
    EXPECT_EQ(summary.txtMod, expected.mod);
    EXPECT_EQ(summary.txtServername, expected.server);
    EXPECT_EQ(summary.txtDemoProtocol, expected.protocol);
    if (expected.version) {
        EXPECT_EQ(summary.txtGameVersion, *expected.version);
    }
    if (expected.quakeReader) {
        EXPECT_TRUE(summary.cmdCreateDemoLogEnabled);
        return;
    }
    EXPECT_EQ(summary.lstOtherInfo.rows, expected.rows);
    EXPECT_EQ(summary.lstPlayersBlue.items, expected.blue);
    EXPECT_EQ(summary.lstPlayersRed.items, expected.red);
    EXPECT_EQ(summary.lstPlayersSpectators.items, expected.spectators);
    EXPECT_FALSE(summary.cmdCreateDemoLogEnabled);
}

INSTANTIATE_TEST_SUITE_P(SharedDemos, RealDemoTest, ::testing::ValuesIn(ReadExpectations()),
                         [](const ::testing::TestParamInfo<ExpectedDemo>& param) {
                             std::string name = fs::path(param.param.file).filename().string();
                             for (char& c : name) {
                                 if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(ShippedDefinitionsData, NamesEveryDemoOnce) {
    const std::vector<ExpectedDemo> demos = ReadExpectations();
    EXPECT_GE(demos.size(), 30u);
    for (const ExpectedDemo& demo : demos) {
        EXPECT_FALSE(demo.demoType.empty()) << demo.file;
        EXPECT_FALSE(demo.protocol.empty()) << demo.file;
        EXPECT_EQ(
            std::count_if(demos.begin(), demos.end(),
                          [&demo](const ExpectedDemo& other) { return other.file == demo.file; }),
            1)
            << demo.file;
    }
}

TEST_F(ShippedDefinitionsTest, TheDemGamesAreToldApartWhateverTheFileOrder) {
    const fs::path hl = SharedDemos / "hl1_dem/hldemo-rs_basic.dem";
    const fs::path source = SharedDemos / "source_dem/tf2_demostf_small.dem";
    const fs::path quake = SharedDemos / "quake1_dem/qfm_demo1.dem";
    if (!fs::exists(hl) || !fs::exists(source) || !fs::exists(quake)) {
        GTEST_SKIP() << "real demos are not available";
    }
    // The three definitions that claim ".dem", once in each order of names.
    const Names games = {"halflife", "quake", "source"};
    const std::vector<Names> prefixes = {{"a", "b", "c"}, {"c", "b", "a"}, {"b", "c", "a"}};
    for (std::size_t order = 0; order < prefixes.size(); ++order) {
        const fs::path data = temp.root() / ("data" + std::to_string(order));
        fs::create_directories(data);
        for (std::size_t i = 0; i < games.size(); ++i) {
            fs::copy_file(fs::path(FENLARK_DATA_SOURCE_DIR) / (games[i] + ".kgd"),
                          data / (prefixes[order][i] + "_" + games[i] + ".kgd"));
        }
        session.setDefinitionsFolder(data.string());
        EXPECT_EQ(load(hl).txtDemoType, "Half-Life protocol 48 (.dem)");
        EXPECT_EQ(load(source).txtDemoType, "Source Engine protocol 24 (.dem)");
        EXPECT_EQ(load(quake).txtDemoType, "Quake netquake (.dem)");
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ShippedDefinitionsTest, AFileWithABrokenMagicMatchesNoGame) {
    const fs::path demo = SharedDemos / "hl1_dem/hldemo-rs_invalid-magic.dem";
    if (!fs::exists(demo)) {
        GTEST_SKIP() << demo << " is not available";
    }
    load(demo);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(session.summary.txtDemoType, "");
}

namespace {

std::string LittleLong(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xffU);
    }
    return bytes;
}

// The start of a client demo of Quake II: one block with the server data and
// the level's configstring.
std::string Quake2Demo(std::uint32_t protocol) {
    using namespace std::string_literals;
    const std::string message = "\x0c"s + LittleLong(protocol) + LittleLong(7) + "\x01"s +
                                "ctf\0"s + "\x02\x00"s + "Two Forts\0"s + "\x0d\x21\x00"s +
                                "maps/q2ctf1.bsp\0"s;
    return LittleLong(static_cast<std::uint32_t>(message.size())) + message;
}

} // namespace

TEST_F(ShippedDefinitionsTest, QuakeIIDemosOfTheLaterProtocolsAreRecognised) {
    for (const std::uint32_t protocol : {34U, 35U, 36U}) {
        const DemoSummary& summary =
            load(temp.write("q2/p" + std::to_string(protocol) + ".dm2", Quake2Demo(protocol)));
        EXPECT_EQ(summary.txtDemoType, "Quake II protocol " + std::to_string(protocol) + " (.dm2)");
        EXPECT_EQ(summary.txtMap, "q2ctf1");
        EXPECT_EQ(summary.txtMod, "ctf");
    }
    EXPECT_TRUE(ui.messages.empty());

    // Without the server data at its place the file is no Quake II demo.
    std::string other = Quake2Demo(34);
    other[4] = '\x0d';
    load(temp.write("q2/other.dm2", other));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(session.summary.txtDemoType, "");
}

TEST_F(ShippedDefinitionsTest, TheGoldSrcServerNameIsFoundWhateverTheGameDirectory) {
    // A Counter-Strike demo of a multiplayer server: its first message is the
    // version banner, so no fixed probe position reaches the server name, and
    // the probe's marker is the game folder "valve". The built-in reader named
    // by the definition fills the name from the server information.
    test::GoldSrcDemoWriter writer;
    writer.beginSegment("LOADING");
    test::Bytes signOn;
    signOn.u8(8).string("BUILD 8684 SERVER\n");
    signOn.append(test::ServerInfo("Dust Only 24/7", 32, 1));
    writer.netFrame(0.0f, signOn);
    writer.endSegment(0.0f);
    const auto bytes = writer.finish();
    const DemoSummary& summary =
        load(temp.write("hl/cs.dem", std::string(bytes.begin(), bytes.end())));
    EXPECT_EQ(summary.txtDemoType, "Half-Life protocol 48 (.dem)");
    EXPECT_EQ(summary.txtMod, "cstrike");
    EXPECT_EQ(summary.txtServername, "Dust Only 24/7");
}
