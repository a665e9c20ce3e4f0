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

TEST(TextConversion, DemoBytesAreWindows1252) {
    // The range where Windows-1252 differs from Latin-1, and its five holes.
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");         // euro sign
    EXPECT_EQ(Windows1252ToUtf8("wait\x85"), "wait\xE2\x80\xA6"); // ellipsis, not NEL
    EXPECT_EQ(Windows1252ToUtf8("\x8A\x9F"), "\xC5\xA0\xC5\xB8"); // S caron, Y diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D"); // undefined: kept
    EXPECT_EQ(Windows1252ToUtf8("Caf\xE9 \xA0\xFF"), "Caf\xC3\xA9 \xC2\xA0\xC3\xBF");
    std::string every;
    for (int c = 0; c < 256; ++c) {
        every += static_cast<char>(c);
    }
    EXPECT_TRUE(IsValidUtf8(Windows1252ToUtf8(every)));
}

TEST(TextConversion, OnlyWellFormedUtf8IsValid) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xC3\x9Cnreal \xE2\x80\x93 GOTY \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("Caf\xE9"));          // a Windows-1252 byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));     // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("a\xC3"));            // cut short
    EXPECT_FALSE(IsValidUtf8("\x80"));             // a stray continuation byte
    EXPECT_FALSE(IsValidUtf8("\xE2\x80("));        // a lead without continuation
}

TEST(TextConversion, DefinitionTextIsUtf8OrElseWindows1252) {
    const std::string utf8 = "\xC3\x9Cnreal \xE2\x80\x93 GOTY";
    EXPECT_EQ(DefinitionTextToUtf8(utf8), utf8);
    EXPECT_EQ(DefinitionTextToUtf8("\xEF\xBB\xBF" + utf8), utf8);
    EXPECT_EQ(DefinitionTextToUtf8("\xDCnreal \x96 GOTY"), utf8);
    // One byte that is not UTF-8 makes the whole file Windows-1252.
    EXPECT_EQ(DefinitionTextToUtf8("\xC3\x9C \xDC"), "\xC3\x83\xC5\x93 \xC3\x9C");
}
