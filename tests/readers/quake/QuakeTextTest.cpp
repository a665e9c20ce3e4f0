// The Quake character set and the reading of obituary lines, shared by the
// Quake and QuakeWorld readers.

#include "readers/quake/QuakeText.h"
#include "readers/quake/ConsoleLines.h"
#include "readers/quake/QuakeObituary.h"

#include <gtest/gtest.h>

#include <vector>

namespace fenlark::readers {
namespace {

TEST(QuakeText, GlyphsBecomeReadableText) {
    // Gold letters, gold digits, a dot, the brackets and a separator bar.
    EXPECT_EQ(QuakeTextToUtf8("\xd4\xe5\xe1\xed \x90red\x91 \x93\x92"), "Team [red] 10");
    EXPECT_EQ(QuakeTextToUtf8("Megatron \x85 by"), "Megatron • by");
    EXPECT_EQ(QuakeTextToUtf8("\x9d\x9e\x9f \x80\x81\x82"), "(=) (=)");
    EXPECT_EQ(QuakeTextToUtf8("a\nb"), "a\nb");
    EXPECT_EQ(QuakeLineToUtf8("  two\nlines\r "), "two lines");
    EXPECT_EQ(QuakeLineToUtf8("\x01\x02"), "##");
}

TEST(ConsoleLines, PiecesMakeLines) {
    ConsoleLines lines;
    std::vector<std::string> seen;
    const auto keep = [&](std::string_view line) { seen.emplace_back(line); };
    lines.add("a rides ", keep);
    lines.add("b's rocket\nsecond\nthi", keep);
    lines.add("rd\n", keep);
    EXPECT_EQ(seen, (std::vector<std::string>{"a rides b's rocket", "second", "third"}));
    seen.clear();
    lines.add(std::string(ConsoleLines::MaxLine + 1, 'x'), keep);
    lines.add("tail\nnext\n", keep);
    EXPECT_EQ(seen, (std::vector<std::string>{"next"})); // the overlong line is dropped
}

TEST(QuakeObituary, KillerAndVictimFromNamesWithSpaces) {
    const std::vector<std::string> names = {"/ bro", "/ grue", "test"};
    auto obituary = MatchQuakeObituary("/ bro was gibbed by / grue's rocket", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->killer, "/ grue");
    EXPECT_EQ(obituary->victim, "/ bro");
    EXPECT_EQ(obituary->means, "rocket launcher");
    obituary = MatchQuakeObituary("test rips / bro a new one", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->killer, "test");
    EXPECT_EQ(obituary->victim, "/ bro");
    // Unknown killers (monsters, players not present) give nothing.
    EXPECT_FALSE(MatchQuakeObituary("test was eviscerated by a Fiend", names));
    EXPECT_FALSE(MatchQuakeObituary("test rides nobody's rocket", names));
}

TEST(QuakeObituary, SuicidesWorldAndTeamKills) {
    const std::vector<std::string> names = {"Ann", "Bob"};
    auto obituary = MatchQuakeObituary("Ann discovers blast radius", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->killer, "Ann");
    EXPECT_EQ(obituary->victim, "Ann");
    obituary = MatchQuakeObituary("Bob fell to her death", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->killer, "");
    EXPECT_EQ(obituary->means, "fall");
    obituary = MatchQuakeObituary("Ann checks their glasses", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->killer, "Ann");
    EXPECT_EQ(obituary->victim, "");
    EXPECT_EQ(obituary->means, "team kill");
    obituary = MatchQuakeObituary("Satan's power deflects Bob's telefrag", names);
    ASSERT_TRUE(obituary);
    EXPECT_EQ(obituary->victim, "Bob");
    EXPECT_FALSE(MatchQuakeObituary("Ann fell to the death", names));
}

TEST(QuakeObituary, AmbiguousLinesAreLeftOut) {
    // "A rides B's rocket" reads two ways when names overlap like this.
    const std::vector<std::string> names = {"a", "b rides c", "a rides b", "c"};
    EXPECT_FALSE(MatchQuakeObituary("a rides b rides c's rocket", names));
    const std::vector<std::string> clear = {"x", "y"};
    EXPECT_TRUE(MatchQuakeObituary("x rides y's rocket", clear));
}

} // namespace
} // namespace fenlark::readers
