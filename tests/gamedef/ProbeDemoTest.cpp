#include "gamedef/ProbeDemo.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

class ProbeDemoTest : public test::SessionFixture {
protected:
    std::string probe(const std::string& expression, const std::string& content) {
        return ProbeDemo(session, expression, temp.write("demo.bin", content));
    }
};

} // namespace

TEST_F(ProbeDemoTest, TestAtPositionComparesTheWholeCutWindow) {
    EXPECT_EQ(probe("psd::1::4::hex:44454d4f", "DEMO and more"), "ok");
    EXPECT_EQ(probe("PSD::1::4::HEX:44454D4F", "DEMO and more"), "ok");
    EXPECT_EQ(probe("psd::1::4::hex:44454d4f", "DEMX and more"), "/");
    EXPECT_EQ(probe("psd::6::3::hex:616e64", "DEMO and more"), "ok");
    // Five bytes never equal a four-character window.
    EXPECT_EQ(probe("psd::1::4::hex:44454d4f20", "DEMO and more"), "/");
    // A position below 1 or not a number reads from the first byte.
    EXPECT_EQ(probe("psd::0::4::hex:44454d4f", "DEMO"), "ok");
    EXPECT_EQ(probe("psd::x::4::hex:44454d4f", "DEMO"), "ok");
}

TEST_F(ProbeDemoTest, FindInWindowSearchesTheCutWindowOnly) {
    EXPECT_EQ(probe("fsd::1::100::hex:0a", "line one\nline two"), "ok");
    EXPECT_EQ(probe("fsd::1::4::hex:0a", "line one\nline two"), "/");
    EXPECT_EQ(probe("fsd::1::100::hex:", "x"), "ok"); // empty bytes occur anywhere
    // A marker beyond the 4096-byte window is not found.
    EXPECT_EQ(probe("fsd::1::5000::hex:21", std::string(4096, 'a') + "!"), "/");
    EXPECT_EQ(probe("fsd::2::5000::hex:21", std::string(4096, 'a') + "!"), "ok");
}

TEST_F(ProbeDemoTest, ReadValueBetweenMarkers) {
    const std::string demo = std::string("xx map:q3dm17\0rest", 18);
    EXPECT_EQ(probe("rvd::1::300::hex:6d61703a::4::1::hex:00", demo), "q3dm17");
    // adjust 0 keeps the end marker's first character.
    EXPECT_EQ(probe("rvd::1::300::hex:6d61703a::4::0::hex:00", demo), std::string("q3dm17\0", 7));
    EXPECT_EQ(probe("rvd::1::300::hex:6e6f6e65::4::1::hex:00", demo), "/");
    // Without the end marker and adjust 1 or more the value runs to the window's end.
    EXPECT_EQ(probe("rvd::1::300::hex:6d61703a::4::1::hex:7e", "map:abc"), "abc");
}

TEST_F(ProbeDemoTest, ReadValueWithCountsAndTheNoMarkerKeyword) {
    EXPECT_EQ(probe("rvd::1::100::hex:#kalv#::0::0::5", "abcdefghij"), "abcde");
    EXPECT_EQ(probe("rvd::1::100::hex:#KALV#::2::0::3", "abcdefghij"), "cde");
    EXPECT_EQ(probe("rvd::1::100::hex:6566::0::0::3", "abcdefghij"), "efg");
    // An end written HEX: in capitals is a count that does not convert: no cut.
    EXPECT_EQ(probe("rvd::1::100::hex:6566::0::0::HEX:0a", "abcdefghij"), "efghij");
    // A skip larger than the value leaves it unchanged.
    EXPECT_EQ(probe("rvd::1::100::hex:#kalv#::99::0::3", "abcdefghij"), "abc");
}

TEST_F(ProbeDemoTest, LastPositionMovesOnlyWithAnEndMarker) {
    const std::string demo = "..n:Alpha;n:Bravo;";
    session.LastPosition = 1;
    EXPECT_EQ(probe("rvd::lastposition::100::hex:6e3a::2::1::hex:3b", demo), "Alpha");
    EXPECT_EQ(session.LastPosition, 4); // + the marker's position 3 in the window
    session.LastPosition += 2;
    EXPECT_EQ(probe("rvd::LastPosition::100::hex:6e3a::2::1::hex:3b", demo), "Bravo");
    EXPECT_EQ(session.LastPosition, 6 + 6);

    const std::int32_t before = session.LastPosition;
    EXPECT_EQ(probe("rvd::1::100::hex:6e3a::2::0::5", demo), "Alpha");
    EXPECT_EQ(probe("rvd::1::100::hex:7a7a::2::1::hex:3b", demo), "/");
    EXPECT_EQ(session.LastPosition, before);

    session.LastPosition = 0; // 0 reads from the first byte, like 1
    EXPECT_EQ(probe("rvd::lastposition::2::hex:#kalv#::0::0::9", demo), "..");
}

TEST_F(ProbeDemoTest, OtherFormsGiveEmptyTextAndAnEmptyExpressionNeverTouchesTheFile) {
    EXPECT_EQ(probe("abc::1::2", "data"), "");
    EXPECT_EQ(ProbeDemo(session, "", "/nonexistent/demo.dem"), "/");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ProbeDemoTest, AMissingOrEmptyDemoShowsText085AndEndsTheProgram) {
    for (const std::string& path : {temp.write("empty.dem", ""), temp.path("missing.dem")}) {
        ui.messages.clear();
        session.programEnded = false;
        EXPECT_THROW(ProbeDemo(session, "psd::1::1::hex:00", path), ProgramEnded);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
        EXPECT_EQ(ui.messages[0].textId, "1085");
        EXPECT_TRUE(session.programEnded);
        EXPECT_TRUE(ui.ended);
    }
}

TEST(DecodeByteString, PairsThatAreNotHexadecimalAreLeftOut) {
    EXPECT_EQ(DecodeByteString("474f4F44"), "GOOD");
    EXPECT_EQ(DecodeByteString("47zz4f"), "GO");
    EXPECT_EQ(DecodeByteString("474"), "G");
    EXPECT_EQ(DecodeByteString("00ff"), std::string("\0\xff", 2));
}
