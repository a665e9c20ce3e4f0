#include "extract/TextCleanup.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

std::string Strip(std::string text) {
    return StripColorCodes(text);
}

std::string Replace(std::string text, const std::string& search, std::size_t extra) {
    return ReplaceText(text, search, "", extra);
}

} // namespace

TEST(ReplaceText, RemovesEveryOccurrenceWithItsFollowingCharacters) {
    EXPECT_EQ(Replace("a^Xff0000b^X123456c", "^X", 6), "abc");
    // Fewer characters than the count follow: the text ends there.
    EXPECT_EQ(Replace("ab^XAB", "^X", 6), "ab");
    EXPECT_EQ(Replace("abc", "^X", 6), "abc");
    EXPECT_EQ(Replace("", "^1", 0), "");
    // Letter case counts.
    EXPECT_EQ(Replace("^x123456", "^X", 6), "^x123456");

    std::string text = "1-2-3";
    EXPECT_EQ(&ReplaceText(text, "-", "+", 0), &text);
    EXPECT_EQ(text, "1+2+3");
}

TEST(ReplaceText, SearchesAgainFromTheStartSoNewlyFormedOccurrencesGoToo) {
    EXPECT_EQ(Replace("^^11x", "^1", 0), "x");
    EXPECT_EQ(Replace("^^^111", "^1", 0), "");
}

TEST(StripColorCodes, OnePassRemovesTheTableCodes) {
    EXPECT_EQ(Strip("^1Pla^7yer"), "Player");
    EXPECT_EQ(Strip("^F^f^N^n^b^B"), "");
    EXPECT_EQ(Strip("^Xff0000Red"), "Red");
    EXPECT_EQ(Strip("^xff0000Red"), "Red");
    EXPECT_EQ(Strip("^XAB"), "");
    EXPECT_EQ(Strip(""), "");
}

TEST(StripColorCodes, TheTableOrderDecidesWhatOnePassLeaves) {
    // The inner ^1 goes, the ^1 it forms goes in the same row.
    EXPECT_EQ(Strip("^^11x"), "x");
    // Removing ^9 forms ^0, which the second "^0" row removes.
    EXPECT_EQ(Strip("^^90"), "");
    // ^1 forms only after the "^b" row, so it stays until a second pass.
    EXPECT_EQ(Strip("^^b1"), "^1");
    EXPECT_EQ(Strip(Strip("^^b1")), "");
    // Removing ^X with its six characters forms ^x, whose row comes later.
    EXPECT_EQ(Strip("^^X123456x654321z"), "z");
}

TEST(StripColorCodes, LeavesCodesOutsideTheTable) {
    EXPECT_EQ(Strip("a^zb"), "a^zb");
    EXPECT_EQ(Strip("^^"), "^^");
    EXPECT_EQ(Strip("name^"), "name^");
    EXPECT_EQ(Strip("^c^C"), "^c^C");
}
