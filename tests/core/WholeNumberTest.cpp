#include "core/WholeNumber.h"

#include <gtest/gtest.h>

using fenlark::ConvertInt16;
using fenlark::ConvertInt32;

TEST(WholeNumber, DecimalWithBlanksSignsAndFractionsRoundingHalfToEven) {
    EXPECT_EQ(ConvertInt32(" 42 "), 42);
    EXPECT_EQ(ConvertInt32("-7"), -7);
    EXPECT_EQ(ConvertInt32("+ 3"), 3);
    EXPECT_EQ(ConvertInt32("2.5"), 2);
    EXPECT_EQ(ConvertInt32("3.5"), 4);
    EXPECT_EQ(ConvertInt32("-0.5"), 0);
    EXPECT_EQ(ConvertInt32("1e2"), 100);
}

TEST(WholeNumber, HexadecimalWithPrefix) {
    EXPECT_EQ(ConvertInt32("&H44"), 0x44);
    EXPECT_EQ(ConvertInt32("&hff"), 255);
    EXPECT_EQ(ConvertInt32("&HFFFF"), -1); // four digits read as a 16-bit value
    EXPECT_EQ(ConvertInt32("&H0001FFFF"), 0x1FFFF);
    EXPECT_FALSE(ConvertInt32("&HZZ"));
}

TEST(WholeNumber, TextThatIsNotANumberOrOutOfRangeFails) {
    EXPECT_FALSE(ConvertInt32(""));
    EXPECT_FALSE(ConvertInt32("   "));
    EXPECT_FALSE(ConvertInt32("abc"));
    EXPECT_FALSE(ConvertInt32("12abc"));
    EXPECT_FALSE(ConvertInt32("HEX:0a"));
    EXPECT_FALSE(ConvertInt32("4294967296"));
    EXPECT_EQ(ConvertInt16("32767"), 32767);
    EXPECT_FALSE(ConvertInt16("32768"));
    EXPECT_FALSE(ConvertInt16("-32769"));
}

TEST(WholeNumber, HexDigitsOfEitherCase) {
    EXPECT_EQ(fenlark::HexDigitValue('7'), 7);
    EXPECT_EQ(fenlark::HexDigitValue('b'), 11);
    EXPECT_EQ(fenlark::HexDigitValue('F'), 15);
    EXPECT_EQ(fenlark::HexDigitValue('g'), -1);
}
