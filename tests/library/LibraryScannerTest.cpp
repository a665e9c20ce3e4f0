// Scanning real folders and archives into a real database: what gets read,
// what a re-scan reads again, and what bad files and folders get.

#include "library/LibraryScanner.h"
#include "tests/common/TempFolder.h"
#include "tests/library/LibraryTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fenlark::library {
namespace {

using test::ArchiveKind;
using test::WriteArchive;

class LibraryScannerTest : public ::testing::Test {
protected:
    LibraryScannerTest() { std::filesystem::create_directories(folder); }

    ScanSummary scan(std::atomic<bool>* cancel = nullptr,
                     const std::function<void(const ScanProgress&)>& onProgress = {}) {
        LibraryScanner scanner(db, test::TextDescribers(&calls, delay), test::IsTestExtension);
        ScanOptions options;
        options.folders = {folder};
        options.threads = 2;
        std::atomic<bool> never{false};
        return scanner.scan(options, onProgress, cancel != nullptr ? *cancel : never);
    }

    std::vector<DemoRecord> rows() { return db.query({}); }

    const DemoRecord* find(const std::string& relative, const std::string& member = "") {
        static std::vector<DemoRecord> last;
        last = rows();
        const std::string path = canonicalFolder() + "/" + relative;
        for (const DemoRecord& row : last)
            if (row.location.path == path && row.location.member == member)
                return &row;
        return nullptr;
    }

    std::string canonicalFolder() const { return std::filesystem::canonical(folder).string(); }

    bool skipped(const ScanSummary& summary, const std::string& fragment) const {
        return std::any_of(summary.skips.begin(), summary.skips.end(), [&](const ScanSkip& skip) {
            return skip.reason.find(fragment) != std::string::npos;
        });
    }

    fenlark::test::TempFolder temp;
    std::string folder = temp.path("demos");
    LibraryDatabase db{temp.path("library.sqlite")};
    std::atomic<int> calls{0};
    std::chrono::microseconds delay{0};
};

TEST_F(LibraryScannerTest, ReadsPlainDemosAndEveryArchiveKindInPlace) {
    temp.write("demos/top.dm_68", "map=top;players=A,B");
    temp.write("demos/deep/er/nested.DEM", "map=nested");
    temp.write("demos/readme.txt", "not listed");
    ASSERT_TRUE(WriteArchive(folder + "/pack.zip", ArchiveKind::Zip,
                             {{"one.dm_68", "map=zip1"},
                              {"sub/two.dm_68", "map=zip2;players=C"},
                              {"notes.txt", "ignored"}}));
    ASSERT_TRUE(
        WriteArchive(folder + "/pack.tar.gz", ArchiveKind::TarGz, {{"t.dm_68", "map=tar"}}));
    ASSERT_TRUE(WriteArchive(folder + "/pack.7z", ArchiveKind::SevenZip, {{"s.dem", "map=seven"}}));
    ASSERT_TRUE(WriteArchive(folder + "/single.dm_68.gz", ArchiveKind::Gzip, {{"x", "map=gz"}}));

    const ScanSummary summary = scan();
    EXPECT_EQ(summary.demosStored, 7u);
    EXPECT_EQ(summary.filesIgnored, 1u);
    EXPECT_TRUE(summary.skips.empty());

    const DemoRecord* top = find("top.dm_68");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->info.players, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(top->size, 19u);
    EXPECT_EQ(top->dateSource, DateSource::File);
    ASSERT_NE(find("deep/er/nested.DEM"), nullptr);

    const DemoRecord* zipped = find("pack.zip", "sub/two.dm_68");
    ASSERT_NE(zipped, nullptr);
    EXPECT_EQ(zipped->info.map, "zip2");
    EXPECT_EQ(zipped->size, 18u);        // the member's own size
    EXPECT_EQ(zipped->date, 1600000000); // the member's time from the archive
    EXPECT_EQ(find("pack.zip", "notes.txt"), nullptr);
    ASSERT_NE(find("pack.tar.gz", "t.dm_68"), nullptr);
    EXPECT_EQ(find("pack.tar.gz", "t.dm_68")->info.map, "tar");
    ASSERT_NE(find("pack.7z", "s.dem"), nullptr);
    EXPECT_EQ(find("pack.7z", "s.dem")->info.map, "seven");
    ASSERT_NE(find("single.dm_68.gz", "single.dm_68"), nullptr);
    EXPECT_EQ(find("single.dm_68.gz", "single.dm_68")->info.map, "gz");
}

TEST_F(LibraryScannerTest, ReScanReadsOnlyWhatChangedAndKeepsWhatWentAway) {
    temp.write("demos/keep.dm_68", "map=keep");
    temp.write("demos/change.dm_68", "map=before");
    temp.write("demos/remove.dm_68", "map=remove");
    temp.write("demos/rename.dm_68", "map=rename");
    ASSERT_TRUE(WriteArchive(folder + "/a.zip", ArchiveKind::Zip,
                             {{"x.dm_68", "map=x"}, {"y.dm_68", "map=y"}}));
    scan();
    EXPECT_EQ(calls.load(), 6);

    calls = 0;
    const ScanSummary unchanged = scan();
    EXPECT_EQ(calls.load(), 0);
    EXPECT_EQ(unchanged.filesUnchanged, 5u);
    EXPECT_EQ(unchanged.filesGone, 0u);

    calls = 0;
    temp.write("demos/change.dm_68", "map=after, longer");
    std::filesystem::remove(folder + "/remove.dm_68");
    std::filesystem::rename(folder + "/rename.dm_68", folder + "/renamed.dm_68");
    ASSERT_TRUE(WriteArchive(folder + "/a.zip", ArchiveKind::Zip, {{"y.dm_68", "map=y2"}}));
    const ScanSummary changed = scan();
    EXPECT_EQ(calls.load(), 3); // change, renamed, and the one member left in a.zip
    EXPECT_EQ(changed.filesGone, 2u);
    EXPECT_EQ(find("change.dm_68")->info.map, "after, longer");
    EXPECT_TRUE(find("remove.dm_68")->missing);
    EXPECT_TRUE(find("rename.dm_68")->missing);
    EXPECT_FALSE(find("renamed.dm_68")->missing);
    EXPECT_TRUE(find("a.zip", "x.dm_68")->missing);
    EXPECT_EQ(find("a.zip", "y.dm_68")->info.map, "y2");
    EXPECT_FALSE(find("keep.dm_68")->missing);

    // A demo that comes back is present again; forgetting removes only the rest.
    temp.write("demos/remove.dm_68", "map=remove");
    scan();
    EXPECT_FALSE(find("remove.dm_68")->missing);
    EXPECT_EQ(db.forgetMissing(), 2);
    EXPECT_EQ(find("rename.dm_68"), nullptr);
}

TEST_F(LibraryScannerTest, BadFilesAndFoldersGetRowsOrReasonsAndTheScanGoesOn) {
    temp.write("demos/empty.dm_68", "");
    temp.write("demos/garbage.dm_68", "\x01\x02 not a demo");
    temp.write("demos/fake.zip", "PK\x03\x04 this is no zip at all, only a header");
    temp.write("demos/fake.tar.gz", "not gzip data");
    temp.write("demos/fake.dm_68.gz", "not gzip data either");
    ASSERT_TRUE(
        WriteArchive(folder + "/cut.zip", ArchiveKind::Zip,
                     {{"first.dm_68", "map=first"}, {"second.dm_68", std::string(5000, 'z')}}));
    std::filesystem::resize_file(folder + "/cut.zip", 120);
    ASSERT_EQ(::mkfifo((folder + "/pipe.dm_68").c_str(), 0644), 0);
    std::filesystem::create_directory_symlink(folder, folder + "/loop");
    std::filesystem::create_directory_symlink(folder + "/nowhere", folder + "/dangling");
    temp.write("demos/after/last.dm_68", "map=last");

    const ScanSummary summary = scan();
    EXPECT_FALSE(summary.cancelled);
    const DemoRecord* empty = find("empty.dm_68");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size, 0u);
    EXPECT_EQ(empty->info.message, "not a test demo");
    EXPECT_EQ(find("garbage.dm_68")->info.message, "not a test demo");
    EXPECT_TRUE(skipped(summary, "not a regular file")); // the FIFO, never opened
    EXPECT_TRUE(skipped(summary, "reached again by a link"));
    for (const char* archive : {"fake.zip", "fake.tar.gz", "fake.dm_68.gz", "cut.zip"}) {
        const std::string path = canonicalFolder() + "/" + archive;
        EXPECT_TRUE(std::any_of(summary.skips.begin(), summary.skips.end(),
                                [&](const ScanSkip& skip) { return skip.path == path; }))
            << archive;
    }
    ASSERT_NE(find("after/last.dm_68"), nullptr);

    // A damaged archive is not read again until it changes.
    calls = 0;
    const ScanSummary again = scan();
    EXPECT_EQ(calls.load(), 0);
    EXPECT_EQ(again.filesGone, 0u);
}

TEST_F(LibraryScannerTest, CancelKeepsStoredRowsAndMarksNothingGone) {
    for (int i = 0; i < 40; ++i)
        temp.write("demos/d" + std::to_string(i) + ".dm_68", "map=m" + std::to_string(i));
    scan();
    for (int i = 0; i < 40; ++i)
        temp.write("demos/d" + std::to_string(i) + ".dm_68", "map=changed" + std::to_string(i));
    std::filesystem::remove(folder + "/d0.dm_68");

    delay = std::chrono::milliseconds(20); // the scan outlasts the first report
    std::atomic<bool> cancel{false};
    std::size_t reports = 0;
    const ScanSummary summary = scan(&cancel, [&](const ScanProgress& progress) {
        ++reports;
        EXPECT_LE(progress.filesDone, progress.filesTotal);
        cancel = true;
    });
    EXPECT_TRUE(summary.cancelled);
    EXPECT_GE(reports, 1u);
    EXPECT_FALSE(find("d0.dm_68")->missing);
    EXPECT_EQ(db.demoCount(), 40);
}

TEST_F(LibraryScannerTest, RefusesAFolderThatIsNotOne) {
    LibraryScanner scanner(db, test::TextDescribers(), test::IsTestExtension);
    ScanOptions options;
    options.folders = {temp.path("no-such-folder")};
    std::atomic<bool> cancel{false};
    EXPECT_THROW(scanner.scan(options, {}, cancel), LibraryError);
    options.folders = {temp.write("file.dm_68", "map=x")};
    EXPECT_THROW(scanner.scan(options, {}, cancel), LibraryError);
}

TEST(LowerExtensionTest, TakesTheTextAfterTheLastDot) {
    EXPECT_EQ(LowerExtension("a.b.DM_68"), "dm_68");
    EXPECT_EQ(LowerExtension("noext"), "");
    EXPECT_EQ(LowerExtension("trailing."), "");
}

} // namespace
} // namespace fenlark::library
