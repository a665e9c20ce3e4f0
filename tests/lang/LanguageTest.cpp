#include "lang/Language.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(Language, EveryShippedTextExistsInEnglishAndGerman) {
    test::TempFolder temp;
    temp.installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
    Language language;
    const std::string folder = temp.programFolder() + "/../";
    // Every text the tool asks for.
    for (const std::string number : {"085", "086", "183", "184", "185", "186", "187", "188"}) {
        auto english = language.GetText("1" + number, folder);
        auto german = language.GetText("2" + number, folder);
        ASSERT_TRUE(english && german) << number;
        EXPECT_NE(*english, *german) << number;
    }
    // Texts stay UTF-8, as the window and the reports show them.
    EXPECT_NE(language.GetText("2185", folder)->find("\xC3\xBC"), std::string::npos);
}

TEST(Language, UnknownLanguagesFallBackToEnglishAndUnknownNumbersFail) {
    test::TempFolder temp;
    temp.write("fenlark-texts.lng", "# test\n1184=Open\n2184=Oeffnen\n1085=line\\nbreak\n");
    Language language;
    const std::string folder = temp.root().string() + "/";
    EXPECT_EQ(language.GetText("0184", folder), "Open");
    EXPECT_EQ(language.GetText("7184", folder), "Open");
    EXPECT_EQ(language.GetText("2184", folder), "Oeffnen");
    EXPECT_EQ(language.GetText("1085", folder), "line\r\nbreak");
    EXPECT_EQ(language.GetText("1999", folder), std::nullopt);
    EXPECT_EQ(language.GetText("1184", folder + "missing/"), std::nullopt);
}
