#include "gamedef/DefinitionReader.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

using fenlark::ReadDefinitionValue;
using fenlark::ReadDefinitionValueFromText;

namespace {

std::string Read(const std::string& ini, const std::string& section, const std::string& key,
                 const std::string& fallback = "<default>") {
    return ReadDefinitionValueFromText(ini, section, key, fallback);
}

} // namespace

TEST(DefinitionReader, NamesMatchIgnoringCaseAndBlanksAroundValuesAreDropped) {
    const std::string ini = "[Kalvenor Game]\r\n"
                            "Game Name =   Quake III Arena  \r\n"
                            "[fenlark - dm_68]\n"
                            "FENLARK TYPE=2\n";
    EXPECT_EQ(Read(ini, "kalvenor game", "game name"), "Quake III Arena");
    EXPECT_EQ(Read(ini, "Fenlark - dm_68", "Fenlark Type"), "2");
}

TEST(DefinitionReader, FirstSectionAndFirstKeyWin) {
    const std::string ini = "[A]\nkey=first\nkey=second\n[B]\nkey=b\n[a]\nkey=third\nother=x\n";
    EXPECT_EQ(Read(ini, "A", "key"), "first");
    // Only the first section of a name is searched.
    EXPECT_EQ(Read(ini, "A", "other"), "<default>");
    EXPECT_EQ(Read(ini, "B", "key"), "b");
}

TEST(DefinitionReader, MissingFileSectionOrKeyGiveTheDefaultButAnEmptyValueIsEmpty) {
    const std::string ini = "[S]\nempty=\nblank=   \n";
    EXPECT_EQ(Read(ini, "S", "empty"), "");
    EXPECT_EQ(Read(ini, "S", "blank"), "");
    EXPECT_EQ(Read(ini, "S", "missing"), "<default>");
    EXPECT_EQ(Read(ini, "T", "empty"), "<default>");
    EXPECT_EQ(ReadDefinitionValue("/nonexistent/folder/x.kgd", "S", "k", "dflt"), "dflt");
}

TEST(DefinitionReader, OnePairOfMatchingQuotesIsRemoved) {
    const std::string ini = "[S]\n"
                            "double=\" spaced value \"\n"
                            "single='x'\n"
                            "mixed=\"x'\n"
                            "inner=a \"b\" c\n"
                            "lone=\"\n";
    EXPECT_EQ(Read(ini, "S", "double"), " spaced value ");
    EXPECT_EQ(Read(ini, "S", "single"), "x");
    EXPECT_EQ(Read(ini, "S", "mixed"), "\"x'");
    EXPECT_EQ(Read(ini, "S", "inner"), "a \"b\" c");
    EXPECT_EQ(Read(ini, "S", "lone"), "\"");
}

TEST(DefinitionReader, OnlyWholeLineSemicolonCommentsAreComments) {
    const std::string ini = "; a comment\n"
                            "[S]\n"
                            "  ; key=commented\n"
                            "key=value ; not a comment\n"
                            "probe=rvd::1::300::hex:6d61703a::4::1::hex:00\n"
                            "next=line \\\n"
                            "continued=yes\n";
    EXPECT_EQ(Read(ini, "S", "; key"), "<default>");
    EXPECT_EQ(Read(ini, "S", "key"), "value ; not a comment");
    EXPECT_EQ(Read(ini, "S", "probe"), "rvd::1::300::hex:6d61703a::4::1::hex:00");
    // No continuation lines: the backslash is part of the value.
    EXPECT_EQ(Read(ini, "S", "next"), "line \\");
    EXPECT_EQ(Read(ini, "S", "continued"), "yes");
}

TEST(DefinitionReader, ValuesAreCutAfter1023Characters) {
    const std::string longValue(5000, 'v');
    const std::string ini = "[S]\nlong=" + longValue + "\nafter=ok\n";
    EXPECT_EQ(Read(ini, "S", "long"), std::string(1023, 'v'));
    EXPECT_EQ(Read(ini, "S", "after"), "ok");
}

TEST(DefinitionReader, ValuesKeepEqualsSignsAndAnEmptyKeyNameIsAKeyLikeAnyOther) {
    const std::string ini = "[S]\nexpr=a=b==c\n=no name\n";
    EXPECT_EQ(Read(ini, "S", "expr"), "a=b==c");
    EXPECT_EQ(Read(ini, "S", ""), "no name");
}

TEST(DefinitionReader, ReadsFromAFile) {
    fenlark::test::TempFolder folder;
    const auto path = folder.writeDefinition("g.kgd", "[Kalvenor Game]\nDemo Extensions=dem;;\n");
    EXPECT_EQ(ReadDefinitionValue(path, "Kalvenor Game", "demo extensions", ""), "dem;;");
}
