// A scan killed at a random moment leaves a database that opens, passes
// SQLite's integrity check and holds every row committed before the kill.

#include "library/LibraryScanner.h"
#include "tests/common/TempFolder.h"
#include "tests/library/LibraryTestSupport.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace fenlark::library {
namespace {

// Rows committed so far, seen through a connection of its own; -1 while the
// database cannot be read yet.
std::int64_t CommittedRows(const std::string& path) {
    sqlite3* db = nullptr;
    std::int64_t count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM demos", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

TEST(KillDuringScanTest, KilledScanKeepsEveryCommittedRow) {
    fenlark::test::TempFolder temp;
    constexpr int DemoCount = 400;
    for (int i = 0; i < DemoCount; ++i)
        temp.write("demos/" + std::to_string(i % 7) + "/d" + std::to_string(i) + ".dm_68",
                   "map=m" + std::to_string(i) + ";players=p" + std::to_string(i));
    const std::string dbPath = temp.path("library.sqlite");
    const std::string folder = temp.path("demos");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            LibraryDatabase db(dbPath);
            LibraryScanner scanner(db, test::TextDescribers(nullptr, std::chrono::milliseconds(2)),
                                   test::IsTestExtension);
            ScanOptions options;
            options.folders = {folder};
            options.threads = 2;
            options.batchSize = 10;
            std::atomic<bool> cancel{false};
            scanner.scan(options, {}, cancel);
        } catch (...) {
            _exit(2);
        }
        _exit(0);
    }

    // Kill it while rows are still coming in.
    std::int64_t seen = 0;
    for (int wait = 0; wait < 2000 && seen < 60; ++wait) {
        seen = std::max(seen, CommittedRows(dbPath));
        usleep(5000);
    }
    seen = std::max(seen, CommittedRows(dbPath));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the scan ended before it could be killed";
    ASSERT_GE(seen, 60);
    ASSERT_LT(seen, DemoCount);

    EXPECT_EQ(IntegrityCheck(dbPath), "ok");
    LibraryDatabase db(dbPath);
    EXPECT_GE(db.demoCount(), seen);
    // The full-text index holds exactly the committed rows.
    LibraryQuery everyMap;
    everyMap.search = "m";
    EXPECT_EQ(static_cast<std::int64_t>(db.query(everyMap).size()), db.demoCount());

    // The next scan finishes the job.
    LibraryScanner scanner(db, test::TextDescribers(), test::IsTestExtension);
    ScanOptions options;
    options.folders = {folder};
    std::atomic<bool> cancel{false};
    const ScanSummary summary = scanner.scan(options, {}, cancel);
    EXPECT_EQ(db.demoCount(), DemoCount);
    EXPECT_EQ(summary.filesUnchanged + summary.filesRead, static_cast<std::size_t>(DemoCount));
}

} // namespace
} // namespace fenlark::library
