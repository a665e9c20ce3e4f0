#include "extract/ExtractDefinitionInfo.h"
#include "gamedef/MatchDefinition.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fenlark;

namespace {

using Names = std::vector<std::string>;

// One player record of the crafted demos: each field follows a marker byte
// and ends with a zero byte; the dashes keep the next record's marker out of
// the bytes that the cursor skips after a player.
std::string Record(const std::string& name, const std::string& team, const std::string& model = "m",
                   const std::string& skin = "s") {
    return "\x01" + name + std::string(1, '\0') + "\x02" + team + std::string(1, '\0') + "\x03" +
           model + std::string(1, '\0') + "\x04" + skin + std::string(1, '\0') + "----";
}

// Reads the field after a marker byte at the cursor, up to its zero byte.
std::string FieldAtCursor(const char* markerHex) {
    return std::string("rvd::lastposition::4096::hex:") + markerHex + "::1::1::hex:00";
}

const std::string PlayerKeys =
    "Player=" + FieldAtCursor("01") + "\nTeam=" + FieldAtCursor("02") + "\n";

class ExtractTest : public test::SessionFixture {
protected:
    // A definition for the extension "xd" whose information section holds
    // "Fenlark Type=1" and the given keys.
    void define(const std::string& keys) {
        temp.writeDefinition("game.kgd", "[Kalvenor Game]\nGame Name=Test Game\n"
                                         "Demo Extensions=xd;;\nxd=1.0\nxd-id=none\n\n"
                                         "[Fenlark - xd]\nFenlark Type=1\n" +
                                             keys);
    }

    // Matches the demo and extracts its information into fresh fields, as
    // the loading flow does for information type 1 (which enables the log
    // button before the extraction).
    void load(const std::string& bytes) {
        session.summary = DemoSummary{};
        session.summary.cmdCreateDemoLogEnabled = true;
        ASSERT_TRUE(MatchDefinition(session, useDemo("match.xd", bytes)));
        ExtractDefinitionInfo(session);
        ASSERT_FALSE(session.programEnded);
    }

    // The players of a demo of the given records, with two details pairs.
    void loadPlayers(const std::string& records, const std::string& extraKeys = "") {
        define("Info Count=0\n" + PlayerKeys + "Player Info Count=2\n" +
               "Player Info 1 Name=Model\nPlayer Info 1=" + FieldAtCursor("03") +
               "\nPlayer Info 2 Name=Skin\nPlayer Info 2=" + FieldAtCursor("04") + "\n" +
               extraKeys);
        load("HEADER" + records);
    }

    const DemoSummary& summary() const { return session.summary; }
};

// Zero-terminated texts one after the other.
std::string Texts(const std::vector<std::string>& texts) {
    std::string bytes;
    for (const auto& text : texts)
        bytes += text + std::string(1, '\0');
    return bytes;
}

// Reads the zero-terminated text after a label within the first 200 bytes.
std::string TextAfter(const std::string& label) {
    std::string hex;
    static const char* digits = "0123456789abcdef";
    for (char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return "rvd::1::200::hex:" + hex + "::" + std::to_string(label.size()) + "::1::hex:00";
}

} // namespace

TEST_F(ExtractTest, TheFourFieldsAndTheInfoRowsComeFromTheDefinition) {
    define("Map=" + TextAfter("MAP=") + "\nMod=" + TextAfter("MOD=") +
           "\nServer Name=" + TextAfter("HOST=") + "\nDemo Protocol=" + TextAfter("NOPE=") +
           "\nInfo Count=3\n"
           "Info 1 Name=Game Type\nInfo 1=" +
           TextAfter("GAMETYPE=") + "\nInfo 2 Name=Missing\nInfo 2=" + TextAfter("NOPE=") +
           "\nInfo 3 Name=Protocol\nInfo 3=" + TextAfter("PROTO=") + "\n");
    load(Texts({"MAP=q3dm17", "MOD=osp", "HOST=My Server", "PROTO=68", "GAMETYPE=ctf"}));

    EXPECT_EQ(summary().txtMap, "q3dm17");
    EXPECT_EQ(summary().txtMod, "osp");
    EXPECT_EQ(summary().txtServername, "My Server");
    EXPECT_EQ(summary().txtDemoProtocol, "/"); // not found
    EXPECT_EQ(summary().lstOtherInfo.columns,
              (std::vector<ListColumn>{{"Cvar", 2000}, {"Value", 2300}}));
    // The entry that probes to "/" leaves no gap.
    EXPECT_EQ(summary().lstOtherInfo.rows,
              (std::vector<OtherInfoRow>{{"Game Type", "ctf"}, {"Protocol", "68"}}));
    // Without "Player" the log command keeps the state game matching gave it.
    EXPECT_TRUE(summary().cmdCreateDemoLogEnabled);
    EXPECT_TRUE(summary().lstPlayersBlue.items.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExtractTest, MissingKeysShowTheNotFoundValue) {
    define("Info Count=0\n");
    load("x");
    EXPECT_EQ(summary().txtMap, "/");
    EXPECT_EQ(summary().txtMod, "/");
    EXPECT_EQ(summary().txtServername, "/");
    EXPECT_EQ(summary().txtDemoProtocol, "/");
    EXPECT_TRUE(summary().lstOtherInfo.rows.empty());
    EXPECT_EQ(summary().lstOtherInfo.columns.size(), 2u);
    EXPECT_TRUE(summary().cmdCreateDemoLogEnabled);
}

TEST_F(ExtractTest, InfoNumbersAreReadUpToTheCountOnlyAndWithoutLeadingZeros) {
    define("Map=" + TextAfter("A=") +
           "\nInfo Count=2147483647\n"
           "Info 01 Name=Padded\nInfo 01=" +
           TextAfter("A=") + "\nInfo 7 Name=Seven\nInfo 7=" + TextAfter("A=") +
           "\nINFO 12 NAME=Twelve\ninfo 12=" + TextAfter("A=") + "\n");
    load(Texts({"A=v"}));
    EXPECT_EQ(summary().lstOtherInfo.rows,
              (std::vector<OtherInfoRow>{{"Seven", "v"}, {"Twelve", "v"}}));

    define("Info Count=7\nInfo 7 Name=Seven\nInfo 7=" + TextAfter("A=") +
           "\nInfo 8 Name=Eight\nInfo 8=" + TextAfter("A=") + "\n");
    load(Texts({"A=v"}));
    EXPECT_EQ(summary().lstOtherInfo.rows, (std::vector<OtherInfoRow>{{"Seven", "v"}}));
}

TEST_F(ExtractTest, AnInfoCountThatIsNotANumberEndsTheExtractionKeepingTheFields) {
    define("Map=" + TextAfter("A=") + "\nInfo Count=many\nInfo 1 Name=One\nInfo 1=" +
           TextAfter("A=") + "\n" + PlayerKeys + "Player Info Count=0\n");
    load(Texts({"A=v"}) + Record("p1", "1"));
    EXPECT_EQ(summary().txtMap, "v");
    EXPECT_EQ(summary().lstOtherInfo.columns.size(), 2u);
    EXPECT_TRUE(summary().lstOtherInfo.rows.empty());
    EXPECT_TRUE(summary().lstPlayersBlue.items.empty());
    EXPECT_TRUE(summary().cmdCreateDemoLogEnabled);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExtractTest, APlayerInfoCountThatIsNotANumberEndsBeforeAnyPlayer) {
    for (const char* count : {"", "two", "32768"}) {
        define("Info Count=0\n" + PlayerKeys + "Player Info Count=" + count + "\n");
        load(Record("p1", "1") + Record("p2", "2"));
        EXPECT_TRUE(summary().lstPlayersBlue.items.empty()) << count;
        EXPECT_TRUE(summary().lstPlayersRed.items.empty()) << count;
        EXPECT_TRUE(summary().cmdCreateDemoLogEnabled) << count;
        EXPECT_TRUE(ui.messages.empty()) << count;
    }
}

TEST_F(ExtractTest, TeamValuesPlaceThePlayersExactly) {
    loadPlayers(Record("blue", "1") + Record("red", "2") + Record("three", "3") +
                Record("empty", "") + Record("padded", "01") + Record("last", "1"));
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"blue", "last"}));
    EXPECT_EQ(summary().lstPlayersRed.items, (Names{"red"}));
    EXPECT_EQ(summary().lstPlayersSpectators.items, (Names{"three", "empty", "padded"}));
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
}

TEST_F(ExtractTest, DetailsEntriesHoldTheNamedPairsInOrder) {
    loadPlayers(Record("p1", "1", "a", "b") + Record("p2", "1", "sarge", ""));
    EXPECT_EQ(summary().lstPlayersBlue.tag, "\\Model\\a\\Skin\\b\\;;\\Model\\sarge\\Skin\\\\;;");

    define("Info Count=0\n" + PlayerKeys + "Player Info Count=0\n");
    load(Record("p1", "2") + Record("p2", "2"));
    EXPECT_EQ(summary().lstPlayersRed.tag, "\\;;\\;;");

    // A pair with a name but no value key, and one with neither key.
    define("Info Count=0\n" + PlayerKeys +
           "Player Info Count=3\nPlayer Info 1 Name=Model\nPlayer Info 3=" + FieldAtCursor("04") +
           "\n");
    load(Record("p1", "3", "a", "b"));
    EXPECT_EQ(summary().lstPlayersSpectators.tag, "\\Model\\/\\\\/\\\\b\\;;");
}

TEST_F(ExtractTest, TeamZeroFollowsTheDuelRule) {
    const std::string p1 = Record("p1", "0", "m1");
    const std::string p2 = Record("p2", "0", "m2");
    const std::string p3 = Record("p3", "0", "m3");
    const std::string p4 = Record("p4", "0", "m4");

    loadPlayers(p1);
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"p1"}));

    loadPlayers(p1 + p2);
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"p1"}));
    EXPECT_EQ(summary().lstPlayersRed.items, (Names{"p2"}));

    // A third player makes it a free-for-all: Red's player joins Blue first.
    loadPlayers(p1 + p2 + p3);
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"p1", "p2", "p3"}));
    EXPECT_TRUE(summary().lstPlayersRed.items.empty());
    EXPECT_EQ(summary().lstPlayersRed.tag, "");

    loadPlayers(p1 + p2 + p3 + p4);
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"p1", "p2", "p3", "p4"}));
    EXPECT_EQ(summary().lstPlayersBlue.tag, "\\Model\\m1\\Skin\\s\\;;\\Model\\m2\\Skin\\s\\;;"
                                            "\\Model\\m3\\Skin\\s\\;;\\Model\\m4\\Skin\\s\\;;");
}

TEST_F(ExtractTest, TeamZeroJoinsRedUnlessBlueHoldsExactlyOneAndRedOne) {
    loadPlayers(Record("b1", "1") + Record("r1", "2") + Record("r2", "2") + Record("z", "0"));
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"b1"}));
    EXPECT_EQ(summary().lstPlayersRed.items, (Names{"r1", "r2", "z"}));

    loadPlayers(Record("b1", "1") + Record("b2", "1") + Record("r1", "2") + Record("z", "0"));
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"b1", "b2", "z"}));
    EXPECT_EQ(summary().lstPlayersRed.items, (Names{"r1"}));
}

TEST_F(ExtractTest, TheQ3aFilterCleansPlayerNamesOnly) {
    const std::string records = Record("^1Pla^7yer", "^1") + Record("^^11x", "1") +
                                Record("^Xff0000Red", "1") + Record("a^zb", "1") +
                                Record("^^b1", "1", "^2model");
    loadPlayers(records, "PlayerFilter=q3a\n");
    // "^^b1" needs a second pass; the team "^1" is not cleaned, so that
    // player stands with the spectators.
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"x", "Red", "a^zb", ""}));
    EXPECT_EQ(summary().lstPlayersSpectators.items, (Names{"Player"}));
    EXPECT_NE(summary().lstPlayersBlue.tag.find("\\Model\\^2model\\"), std::string::npos);

    loadPlayers(records, "PlayerFilter=Q3A\n");
    EXPECT_EQ(summary().lstPlayersBlue.items, (Names{"^^11x", "^Xff0000Red", "a^zb", "^^b1"}));
}

TEST_F(ExtractTest, AFirstPlayerNotFoundPlacesNobodyAndDisablesTheLog) {
    define("Info Count=0\nPlayer=" + FieldAtCursor("01") + "\nPlayer Info Count=0\n");
    load("no players here");
    EXPECT_TRUE(summary().lstPlayersBlue.items.empty());
    EXPECT_TRUE(summary().lstPlayersSpectators.items.empty());
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
    EXPECT_EQ(session.LastPosition, 1);
}

TEST_F(ExtractTest, TheCursorAdvancesByTwoPerPlayer) {
    // A read with an end count does not move the cursor itself: the second
    // read starts at byte 3, which holds "/".
    define("Info Count=0\nPlayer=rvd::lastposition::1::hex:#kalv#::0::0::1\n"
           "Player Info Count=0\n");
    load("ab/");
    EXPECT_EQ(summary().lstPlayersSpectators.items, (Names{"a"}));
    EXPECT_EQ(session.LastPosition, 3);
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
}

TEST_F(ExtractTest, APlayerExpressionThatNeverEndsStopsAtTheFileSize) {
    define("Info Count=0\nPlayer=rvd::1::2::hex:#kalv#::0::0::2\nPlayer Info Count=0\n");
    load(std::string(40, 'p'));
    EXPECT_EQ(summary().lstPlayersSpectators.items.size(), 40u);
    EXPECT_EQ(session.LastPosition, 1 + 2 * 40);
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
}

TEST_F(ExtractTest, APlayerExpressionThatNeverEndsStopsWhenTheListIsFull) {
    define("Info Count=0\nPlayer=rvd::1::2::hex:#kalv#::0::0::2\n"
           "Team=rvd::1::1::hex:#kalv#::0::0::1\nPlayer Info Count=0\n");
    load(std::string(40000, '1'));
    EXPECT_EQ(summary().lstPlayersBlue.items.size(), PlayerList::MaxItems);
    EXPECT_TRUE(summary().lstPlayersSpectators.items.empty());
    EXPECT_EQ(session.LastPosition, 1 + 2 * 32767);
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
}

TEST_F(ExtractTest, DemoBytesShowAsWindows1252Characters) {
    // 0x80-0x9F is where Windows-1252 differs from Latin-1: 0x85 is an
    // ellipsis (not a line break), 0x80 the euro sign; 0xE9 is "é" in both.
    define("Map=" + TextAfter("MAP=") + "\nInfo Count=1\nInfo 1 Name=Price\nInfo 1=" +
           TextAfter("PRICE=") + "\n" + PlayerKeys + "Player Info Count=1\n" +
           "Player Info 1 Name=Model\nPlayer Info 1=" + FieldAtCursor("03") + "\n");
    load(Texts({"MAP=caf\xE9\x85", "PRICE=5\x80"}) + Record("\x8A\x9Fo", "1", "\x93m\x94"));
    EXPECT_EQ(summary().txtMap, "caf\xC3\xA9\xE2\x80\xA6");
    EXPECT_EQ(summary().lstOtherInfo.rows, (std::vector<OtherInfoRow>{{"Price", "5\xE2\x82\xAC"}}));
    EXPECT_EQ(summary().lstPlayersBlue.items, Names{"\xC5\xA0\xC5\xB8o"});
    EXPECT_EQ(summary().lstPlayersBlue.tag, "\\Model\\\xE2\x80\x9Cm\xE2\x80\x9D\\;;");
}

TEST_F(ExtractTest, AnAlwaysMatchingPlayerDefinitionStaysWithinItsMemoryBound) {
    // Every byte is a player and each carries 32,767 details pairs: without
    // a bound this asks for gigabytes. The lists and details of one demo
    // stay below 64 MiB, and the extraction ends as when a list is full.
    define("Info Count=0\nPlayer=rvd::1::2::hex:#kalv#::0::0::2\n"
           "Team=rvd::1::1::hex:#kalv#::0::0::1\nPlayer Info Count=32767\n"
           "Player Info 1=rvd::1::1::hex:#kalv#::0::0::1\n");
    load(std::string(40000, '1'));
    const PlayerList& blue = summary().lstPlayersBlue;
    ASSERT_FALSE(blue.items.empty());
    EXPECT_LT(blue.items.size(), std::size_t{1000});
    std::size_t held = blue.tag.size();
    for (const auto& item : blue.items) {
        held += item.size();
    }
    EXPECT_LE(held, std::size_t{64} << 20U);
    EXPECT_GT(held, std::size_t{60} << 20U);
    EXPECT_FALSE(summary().cmdCreateDemoLogEnabled);
}
