#include "core/TextCase.h"
#include "core/TextConversion.h"
#include "core/Trim.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(Trim, EachFlavourTakesOnlyItsCharacters) {
    EXPECT_EQ(Trim("  a b \t", Spaces), "a b \t");
    EXPECT_EQ(Trim("\t a b \t", Blanks), "a b");
    EXPECT_EQ(Trim("   ", Blanks), "");
    // A line keeps a leading carriage return but loses a trailing one.
    EXPECT_EQ(TrimLine(" \tkey = value \r"), "key = value");
    EXPECT_EQ(TrimLine("\rkey"), "\rkey");
    EXPECT_EQ(TrimLine(" \r"), "");
}

TEST(TextCase, OnlyAsciiLettersHaveACase) {
    EXPECT_EQ(LowerCase("DM_68 \xC4"), "dm_68 \xC4");
    EXPECT_TRUE(EqualIgnoringCase("Kalvenor Game", "kalvenor GAME"));
    EXPECT_FALSE(EqualIgnoringCase("a", "ab"));
    EXPECT_TRUE(LessIgnoringCase("a.kgd", "B.kgd"));
    EXPECT_FALSE(LessIgnoringCase("B.kgd", "a.kgd"));
}

TEST(TextConversion, Latin1AndUtf8RoundTripEveryByte) {
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    const std::string utf8 = Latin1ToUtf8(bytes);
    EXPECT_EQ(utf8.size(), 127u + 2u * 128u);
    EXPECT_EQ(Latin1ToUtf8("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(Utf8ToLatin1(utf8), bytes);
}

TEST(TextConversion, WhatLatin1CannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToLatin1("\xe2\x82\xac"), "?");       // the euro sign
    EXPECT_EQ(Utf8ToLatin1("\xf0\x9f\x98\x80x"), "?x"); // beyond the first plane
    EXPECT_EQ(Utf8ToLatin1("a\xc3"), "a?");             // a sequence cut short
    EXPECT_EQ(Utf8ToLatin1("\x80\xc3\xa9"), "?\xe9");   // a stray continuation byte
    EXPECT_EQ(Utf8ToLatin1("\xc3\x28"), "?(");          // a lead without continuation
}
