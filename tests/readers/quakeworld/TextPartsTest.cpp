// The pieces the QuakeWorld reader builds on: info strings, chat lines and
// the small JSON reader for the server's statistics.

#include "readers/quakeworld/InfoString.h"
#include "readers/quakeworld/JsonValue.h"
#include "readers/quakeworld/QwChat.h"

#include <gtest/gtest.h>

namespace fenlark::readers::quakeworld {
namespace {

TEST(InfoString, PairsInOrderWithUpdates) {
    InfoPairs pairs = ParseInfoString("\\name\\a b\\team\\\\*spectator\\1\\name\\c");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(InfoValue(pairs, "name"), "c"); // a repeated key keeps its last value
    EXPECT_EQ(InfoValue(pairs, "team"), "");
    SetInfoValue(pairs, "team", "red");
    SetInfoValue(pairs, "*spectator", "");
    EXPECT_EQ(InfoValue(pairs, "team"), "red");
    EXPECT_EQ(pairs.size(), 2u);
    EXPECT_TRUE(ParseInfoString("").empty());
    EXPECT_EQ(InfoValue(ParseInfoString("\\lonely"), "lonely"), "");
}

TEST(QwChat, SenderOnlyFromKnownNames) {
    const std::vector<std::string> names = {"a", "a: b", "Spec"};
    // The longest name that fits wins over a shorter one that also fits.
    auto line = SplitQwChat("a: b: hello", names);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->sender, "a: b");
    EXPECT_EQ(line->text, "hello");
    line = SplitQwChat("(a): go", names);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->team);
    line = SplitQwChat("[SPEC] Spec: hi", names);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->team);
    EXPECT_EQ(line->sender, "Spec");
    // Server messages at the chat level are not chat.
    EXPECT_FALSE(SplitQwChat("Server starts recording (memory):", names));
    EXPECT_FALSE(SplitQwChat("nobody: hello", names));
}

TEST(QwChat, MarkupAndGlyphsRemoved) {
    EXPECT_EQ(CleanQwChatText("\r {&cf60 mil coming \x10 \x11&cfff} \n"), "mil coming [ ]");
    EXPECT_EQ(CleanQwChatText("&c12x &r{done}"), "&c12x done"); // not a colour: kept
    EXPECT_EQ(CleanQwChatText("\xc7\xc7"), "GG");               // gold letters
}

TEST(Json, ValuesAndEscapes) {
    const auto value = ParseJson(R"( {"a": [1, -2.5e1, true, null], "n": "r\u0012t\"", "o": {}} )");
    ASSERT_TRUE(value);
    const JsonValue* a = value->member("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->items.size(), 4u);
    EXPECT_EQ(a->items[1].number, -25.0);
    EXPECT_TRUE(a->items[2].boolean);
    EXPECT_EQ(value->stringAt("n"), std::string("r\x12t\""));
    EXPECT_FALSE(value->numberAt({"o", "x"}));
}

TEST(Json, DamageIsRefused) {
    EXPECT_FALSE(ParseJson(R"({"a": 1,})"));
    EXPECT_FALSE(ParseJson(R"({"a": "open)"));
    EXPECT_FALSE(ParseJson("[1] 2"));
    EXPECT_FALSE(ParseJson(std::string(100, '[') + std::string(100, ']'))); // too deep
    EXPECT_TRUE(ParseJson(std::string(20, '[') + std::string(20, ']')));
}

} // namespace
} // namespace fenlark::readers::quakeworld
