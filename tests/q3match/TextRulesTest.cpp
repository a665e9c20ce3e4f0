// The small text rules the analysis stands on: the command tokenizer, colour
// codes and character sets, info strings and scoreboard layouts.

#include "q3match/CommandTokens.h"
#include "q3match/DisplayText.h"
#include "q3match/InfoString.h"
#include "q3match/ScoreCommands.h"

#include <gtest/gtest.h>

namespace fenlark::q3match {
namespace {

TEST(CommandTokens, QuotesCommentsAndBlanksSplitLikeTheEngine) {
    CommandTokens tokens;
    tokens.tokenize("cs  545 \"n\\Bob\\t\\2\" tail//comment \"ignored\"");
    ASSERT_EQ(tokens.count(), 4u);
    EXPECT_EQ(tokens[1], "545");
    EXPECT_EQ(tokens[2], "n\\Bob\\t\\2");
    EXPECT_EQ(tokens[3], "tail");
    EXPECT_EQ(tokens[9], "");

    tokens.tokenize("chat \"unterminated: text");
    ASSERT_EQ(tokens.count(), 2u);
    EXPECT_EQ(tokens[1], "unterminated: text");

    tokens.tokenize("print /* skipped */ \"http://kept\"");
    ASSERT_EQ(tokens.count(), 2u);
    EXPECT_EQ(tokens[1], "http://kept");
    EXPECT_EQ(tokens.joinFrom(0), "print http://kept");
}

TEST(DisplayText, ColourCodesGoAndBytesBecomeUtf8) {
    EXPECT_EQ(DisplayText("^1Red^7Name", false), "RedName");
    EXPECT_EQ(DisplayText("a^^1b", false), "a^b");             // "^^" keeps the first caret
    EXPECT_EQ(DisplayText("^xFF8800Hex^Xzz", false), "Hexzz"); // CPMA's hex colours
    EXPECT_EQ(DisplayText("end^", false), "end^");
    EXPECT_EQ(DisplayText("tab\tand\x19"
                          "escape",
                          false),
              "tabandescape");
    // Windows-1252: 0xE9 is e-acute, 0x80 the euro sign.
    EXPECT_EQ(DisplayText("caf\xe9 \x80", false), "caf\xc3\xa9 \xe2\x82\xac");
    // Quake Live sends UTF-8; text that is not valid UTF-8 is read as 1252.
    EXPECT_EQ(DisplayText("^2\xe3\x83\x86", true), "\xe3\x83\x86");
    EXPECT_EQ(DisplayText("\xe9t\xe9", true), "\xc3\xa9t\xc3\xa9");
}

TEST(InfoString, ValuesByKeyWithOrWithoutLeadingBackslash) {
    EXPECT_EQ(InfoValue("\\mapname\\q3dm6\\g_gametype\\4", "g_gametype"), "4");
    EXPECT_EQ(InfoValue("n\\Bob\\t\\2", "n"), "Bob");
    EXPECT_EQ(InfoValue("n\\Bob\\t\\2", "t"), "2");
    EXPECT_FALSE(InfoValue("n\\Bob\\t", "t"));
    EXPECT_EQ(InfoNumber("sb\\10\\sr\\-3", "sr"), -3);
    EXPECT_FALSE(InfoNumber("sb\\x", "sb"));
}

TEST(ScoreBoards, OnlyLayoutsWhoseLengthFitsAreRead) {
    CommandTokens tokens;
    // Quake III: 14 values per player. One value short is not a scoreboard.
    tokens.tokenize("scores 1 2 3 5 17 0 0 0 0 0 0 0 0 0 0 0 0");
    auto board = ReadScoreBoard(tokens, 68, Game::Quake3);
    ASSERT_TRUE(board);
    EXPECT_EQ(board->red, 2);
    EXPECT_EQ(board->blue, 3);
    ASSERT_EQ(board->scores.size(), 1u);
    EXPECT_EQ(board->scores[0].clientNumber, 5);
    EXPECT_EQ(board->scores[0].score, 17);
    tokens.tokenize("scores 1 2 3 5 17 0 0 0 0 0 0 0 0 0 0 0");
    EXPECT_FALSE(ReadScoreBoard(tokens, 68, Game::Quake3));
    // OpenArena: a round time after the team scores and 15 values per player.
    tokens.tokenize("scores 1 2 3 7000 5 17 0 0 0 0 0 0 0 0 0 0 0 0 0");
    board = ReadScoreBoard(tokens, 71, Game::OpenArena);
    ASSERT_TRUE(board);
    EXPECT_EQ(board->scores[0].score, 17);
    // Quake III 1.17: 6 values per player.
    tokens.tokenize("scores 1 0 0 3 7 50 12 0 0");
    board = ReadScoreBoard(tokens, 45, Game::Quake3);
    ASSERT_TRUE(board);
    EXPECT_EQ(board->scores[0].clientNumber, 3);
    EXPECT_EQ(board->scores[0].score, 7);
    tokens.tokenize("scores 70 0 0");
    EXPECT_FALSE(ReadScoreBoard(tokens, 68, Game::Quake3));
}

} // namespace
} // namespace fenlark::q3match
