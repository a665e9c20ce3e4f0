#pragma once
// The demo library's index: an SQLite database in WAL mode. Every write runs
// in a transaction, so a program killed at any moment leaves a database that
// opens and holds every batch committed before.
//
// Tables: `files` (every file on disk the scanner read: its size and
// modification time, so that a re-scan reads only what changed), `demos`
// (one row per demo, keyed by path and archive member) and `demos_fts` (a
// full-text index over players, map, server, mod and chat).

#include "library/DemoRecord.h"
#include "library/Sqlite.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace fenlark::library {

// A database that cannot be used: not a database, a foreign one, one made by
// a newer version, or a failure of SQLite itself. The message says which.
class LibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FileState {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileState&) const = default;
};

// The outcome of reading one file on disk: the demos found in it (one for a
// plain demo file, any number for an archive) and, when it could not be read
// completely, the reason.
struct ScannedFile {
    std::string path;
    FileState state;
    bool archive = false;
    std::vector<DemoRecord> demos;
    std::string skipReason;
};

enum class SortColumn : std::uint8_t {
    File,
    Game,
    DemoType,
    Protocol,
    Map,
    Server,
    Mod,
    Players,
    Recorder,
    Duration,
    Scores,
    Winner,
    Size,
    Date,
};

struct LibraryQuery {
    std::string search; // words matched as prefixes against players, map, server, mod, chat
    bool missingOnly = false;
    std::string game;                     // exact game text, "" for all
    std::optional<std::int64_t> dateFrom; // seconds since 1970, inclusive
    std::optional<std::int64_t> dateTo;   // seconds since 1970, inclusive
    SortColumn sort = SortColumn::File;
    bool descending = false;
    std::optional<std::int64_t> limit;
};

class LibraryDatabase {
public:
    // 2: rows hold the definition's game and the demo's own date; the rows
    // of version 1 are read again by the next scan.
    static constexpr std::int64_t SchemaVersion = 3;

    // Opens or creates the index at `path`. Throws LibraryError.
    explicit LibraryDatabase(const std::string& path);

    // The files read by earlier scans, by path.
    std::unordered_map<std::string, FileState> knownFiles();

    // Stores a batch of scanned files in one transaction. A re-read archive
    // first marks all its members missing; the members still in it come back.
    void store(const std::vector<ScannedFile>& batch);

    // Marks the demos of files that went away as missing and forgets the
    // files themselves, so that a file that comes back is read again.
    void markGone(const std::vector<std::string>& paths);

    // Removes the rows of missing demos; returns how many.
    std::int64_t forgetMissing();

    std::vector<DemoRecord> query(const LibraryQuery& query);
    // The distinct game texts, sorted, for a filter.
    std::vector<std::string> games();
    std::int64_t demoCount();

private:
    void useWriteAheadLog();
    void createSchema();
    void checkSchema();

    SqliteConnection connection_;
};

// The full-text query for the words of `text`: each word a quoted prefix,
// all of them required. "" when the text has no words.
std::string FullTextQuery(const std::string& text);

} // namespace fenlark::library
