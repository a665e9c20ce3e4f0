#include "gamedef/DefinitionReader.h"
#include "core/FileStamp.h"
#include "tests/common/TempFolder.h"

#include <array>
#include <chrono>
#include <filesystem>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

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

TEST(DefinitionReader, Utf8WithOrWithoutBomAndWindows1252ReadTheSame) {
    fenlark::test::TempFolder folder;
    const std::string utf8 = "[Kalvenor Game]\r\nGame Name=\xC3\x9Cnreal \xE2\x80\x93 GOTY\r\n";
    const std::string windows1252 = "[Kalvenor Game]\r\nGame Name=\xDCnreal \x96 GOTY\r\n";
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"plain.kgd", utf8}, {"bom.kgd", "\xEF\xBB\xBF" + utf8}, {"cp.kgd", windows1252}}) {
        // The byte-order mark must not hide the first section.
        EXPECT_EQ(ReadDefinitionValue(folder.writeDefinition(name, bytes), "kalvenor game",
                                      "Game Name", "<default>"),
                  "\xC3\x9Cnreal \xE2\x80\x93 GOTY")
            << name;
    }
}

TEST(DefinitionReader, AFileIsParsedOnceAndReadAgainWhenItChanges) {
    fenlark::test::TempFolder folder;
    const auto path = folder.writeDefinition("g.kgd", "[S]\nk=one\n");
    const auto first = fenlark::LoadDefinitionFile(path);
    EXPECT_EQ(fenlark::LoadDefinitionFile(path), first); // the same parse, not a new read
    folder.writeDefinition("g.kgd", "[S]\nk=second\n");
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "second");
    EXPECT_EQ(fenlark::LoadDefinitionFile(folder.path("missing.kgd")), nullptr);
}

namespace {

// Sets a file's modification time, as an editor that keeps it or a copy
// that carries it over would.
void SetModified(const std::string& path, std::int64_t secondsSinceEpoch) {
#ifdef _WIN32 // no utimensat; the C++ library sets the write time there
    std::error_code error;
    std::filesystem::last_write_time(path,
                                     std::chrono::file_clock::from_sys(std::chrono::sys_seconds{
                                         std::chrono::seconds{secondsSinceEpoch}}),
                                     error);
    ASSERT_FALSE(error) << error.message();
#else
    std::array<timespec, 2> times{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(secondsSinceEpoch);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times.data(), 0), 0);
#endif
}

// Lets the stamp decide alone, as for files that have not changed for a while.
class StampOnly {
public:
    StampOnly() : saved_(fenlark::RecentChangeWindowNs()) { fenlark::SetRecentChangeWindowNs(0); }
    ~StampOnly() { fenlark::SetRecentChangeWindowNs(saved_); }
    StampOnly(const StampOnly&) = delete;
    StampOnly& operator=(const StampOnly&) = delete;

private:
    std::int64_t saved_;
};

constexpr std::int64_t SomeDay = 1600000000;

} // namespace

TEST(DefinitionReader, AnEditOfTheSameSizeIsSeenWhateverItsTime) {
    fenlark::test::TempFolder folder;
    const auto path = folder.writeDefinition("g.kgd", "[S]\nk=one\n");
    SetModified(path, SomeDay);
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "one");
    // Rewritten at once with the old time put back: the times alone may not
    // tell, so a file changed this recently is compared by its bytes.
    folder.writeDefinition("g.kgd", "[S]\nk=two\n");
    SetModified(path, SomeDay);
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "two");
    const auto kept = fenlark::LoadDefinitionFile(path);
    EXPECT_EQ(fenlark::LoadDefinitionFile(path), kept) << "same bytes, same parse";

    // Once the stamp is trusted, a new time of the same size is a new file.
    const StampOnly stampOnly;
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "two");
    EXPECT_EQ(fenlark::LoadDefinitionFile(path), kept);
    folder.writeDefinition("g.kgd", "[S]\nk=six\n");
    SetModified(path, SomeDay + 1);
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "six");
}

TEST(DefinitionReader, ADeletedOrReplacedFileIsNoLongerRead) {
    fenlark::test::TempFolder folder;
    const auto path = folder.writeDefinition("g.kgd", "[S]\nk=one\n");
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", "<default>"), "one");
    std::filesystem::remove(path);
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", "<default>"), "<default>");
    EXPECT_EQ(fenlark::LoadDefinitionFile(path), nullptr);
    folder.writeDefinition("g.kgd", "[S]\nk=back\n");
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", "<default>"), "back");

    // A folder in its place cannot be read; malformed text has no values.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", "<default>"), "<default>");
    std::filesystem::remove(path);
    folder.writeDefinition("g.kgd", "S]\n=k=one\n[");
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", "<default>"), "<default>");
}

TEST(DefinitionReader, ACutValueNeverEndsInsideACharacter) {
    // 1022 ASCII bytes, then a two-byte character across the 1023-byte limit.
    const std::string ini = "[S]\nk=" + std::string(1022, 'a') + "\xC3\xA9tail\n";
    EXPECT_EQ(Read(ini, "S", "k"), std::string(1022, 'a'));
}

TEST(DefinitionReader, AReadScopeTakesEachFileAsItFirstReadIt) {
    fenlark::test::TempFolder folder;
    const auto path = folder.writeDefinition("g.kgd", "[S]\nk=one\n");
    const auto gone = folder.path("Data/gone.kgd");
    {
        const fenlark::DefinitionReadScope outer;
        EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "one");
        EXPECT_EQ(ReadDefinitionValue(gone, "S", "k", "<default>"), "<default>");
        folder.writeDefinition("g.kgd", "[S]\nk=two, a longer value\n");
        folder.writeDefinition("gone.kgd", "[S]\nk=here\n");
        {
            const fenlark::DefinitionReadScope inner;
            EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "one");
        }
        // The inner scope's end does not end the outer one.
        EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "one");
        EXPECT_EQ(ReadDefinitionValue(gone, "S", "k", "<default>"), "<default>");
    }
    EXPECT_EQ(ReadDefinitionValue(path, "S", "k", ""), "two, a longer value");
    EXPECT_EQ(ReadDefinitionValue(gone, "S", "k", "<default>"), "here");
}
