#include "library/LibraryDatabase.h"

#include <sqlite3.h>

#include <array>

namespace fenlark::library {

namespace {

constexpr const char* CreateStatements = R"sql(
CREATE TABLE library_schema(version INTEGER NOT NULL);
CREATE TABLE files(
  path TEXT PRIMARY KEY,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  skip_reason TEXT NOT NULL DEFAULT ''
) WITHOUT ROWID;
CREATE TABLE demos(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL,
  member TEXT NOT NULL,
  game TEXT NOT NULL,
  demo_type TEXT NOT NULL,
  protocol TEXT NOT NULL,
  map TEXT NOT NULL,
  server TEXT NOT NULL,
  mod TEXT NOT NULL,
  players TEXT NOT NULL,
  recorder TEXT NOT NULL,
  duration_ms INTEGER,
  score_red INTEGER,
  score_blue INTEGER,
  winner TEXT NOT NULL,
  size INTEGER NOT NULL,
  date INTEGER NOT NULL,
  date_source TEXT NOT NULL,
  missing INTEGER NOT NULL DEFAULT 0,
  message TEXT NOT NULL,
  chat TEXT NOT NULL,
  demo_time INTEGER,
  UNIQUE(path, member)
);
CREATE INDEX demos_game ON demos(game);
CREATE INDEX demos_date ON demos(date);
CREATE VIRTUAL TABLE demos_fts USING fts5(players, map, server, mod, chat,
  content='demos', content_rowid='id');
)sql";

// The full-text index is written by store() and forgetMissing(), a batch at a
// time: the index flushes its pending terms into a new segment whenever a
// statement begins, so an index written row by row (as triggers on `demos`
// would) builds, and then merges, one segment per demo.
constexpr const char* CreateBatchTable =
    "CREATE TEMP TABLE IF NOT EXISTS batch_demos(path TEXT NOT NULL, member TEXT NOT NULL, "
    "PRIMARY KEY(path, member)) WITHOUT ROWID";
constexpr const char* AddToBatch =
    "INSERT OR IGNORE INTO batch_demos(path, member) VALUES (?1, ?2)";
constexpr const char* UnindexBatch = R"sql(
INSERT INTO demos_fts(demos_fts, rowid, players, map, server, mod, chat)
SELECT 'delete', d.id, d.players, d.map, d.server, d.mod, d.chat
FROM batch_demos b JOIN demos d ON d.path = b.path AND d.member = b.member
)sql";
constexpr const char* IndexBatch = R"sql(
INSERT INTO demos_fts(rowid, players, map, server, mod, chat)
SELECT d.id, d.players, d.map, d.server, d.mod, d.chat
FROM batch_demos b JOIN demos d ON d.path = b.path AND d.member = b.member
)sql";
constexpr const char* UnindexMissing = R"sql(
INSERT INTO demos_fts(demos_fts, rowid, players, map, server, mod, chat)
SELECT 'delete', id, players, map, server, mod, chat FROM demos WHERE missing = 1
)sql";

constexpr const char* UpsertDemo = R"sql(
INSERT INTO demos(path, member, game, demo_type, protocol, map, server, mod, players,
  recorder, duration_ms, score_red, score_blue, winner, size, date, date_source, missing,
  message, chat, demo_time)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18,
  ?19, ?20, ?21)
ON CONFLICT(path, member) DO UPDATE SET
  game = excluded.game, demo_type = excluded.demo_type, protocol = excluded.protocol,
  map = excluded.map, server = excluded.server, mod = excluded.mod,
  players = excluded.players, recorder = excluded.recorder,
  duration_ms = excluded.duration_ms, score_red = excluded.score_red,
  score_blue = excluded.score_blue, winner = excluded.winner, size = excluded.size,
  date = excluded.date, date_source = excluded.date_source, missing = 0,
  message = excluded.message, chat = excluded.chat, demo_time = excluded.demo_time
)sql";

// The columns of a demo row, in the order SelectColumns reads them and
// UpsertDemo numbers its parameters (column + 1).
namespace column {
enum : int {
    Path,
    Member,
    Game,
    DemoType,
    Protocol,
    Map,
    Server,
    Mod,
    Players,
    Recorder,
    DurationMs,
    ScoreRed,
    ScoreBlue,
    Winner,
    Size,
    Date,
    DateSourceText,
    Missing,
    Message,
    Chat,
    DemoTime,
};
} // namespace column

constexpr const char* SelectColumns =
    "SELECT d.path, d.member, d.game, d.demo_type, d.protocol, d.map, d.server, d.mod, "
    "d.players, d.recorder, d.duration_ms, d.score_red, d.score_blue, d.winner, d.size, d.date, "
    "d.date_source, d.missing, d.message, d.chat, d.demo_time FROM demos d";

// Steps from one schema version to the next, run in one transaction with the
// version update; a database below the oldest step is refused, never emptied.
struct SchemaUpgrade {
    std::int64_t from;
    const char* statements;
};
constexpr std::array<SchemaUpgrade, 2> SchemaUpgrades{{
    // Version 1 rows name the server's game version as the game and date
    // every demo by its file. No modification time matches -1, so the next
    // scan reads every file again and rewrites its rows; until then the
    // rows stay as they were.
    {1, "UPDATE files SET mtime_ns = -1"},
    // Version 2 kept the full-text index up to date by triggers on `demos`;
    // the library now writes it itself. The index holds the same rows either
    // way, so only the triggers go.
    {2, "DROP TRIGGER IF EXISTS demos_after_insert; DROP TRIGGER IF EXISTS demos_after_delete; "
        "DROP TRIGGER IF EXISTS demos_after_update"},
}};

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty()) {
            joined += '\n';
        }
        joined += line;
    }
    return joined;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

const char* SortExpression(SortColumn column) {
    switch (column) {
    case SortColumn::File:
        return "d.path, d.member";
    case SortColumn::Game:
        return "d.game";
    case SortColumn::DemoType:
        return "d.demo_type";
    case SortColumn::Protocol:
        return "d.protocol";
    case SortColumn::Map:
        return "d.map";
    case SortColumn::Server:
        return "d.server";
    case SortColumn::Mod:
        return "d.mod";
    case SortColumn::Players:
        return "d.players";
    case SortColumn::Recorder:
        return "d.recorder";
    case SortColumn::Duration:
        return "d.duration_ms";
    case SortColumn::Scores:
        return "d.score_red, d.score_blue";
    case SortColumn::Winner:
        return "d.winner";
    case SortColumn::Size:
        return "d.size";
    case SortColumn::Date:
        return "d.date";
    }
    return "d.path, d.member";
}

DemoRecord ReadRecord(const SqliteStatement& row) {
    DemoRecord record;
    record.location.path = row.text(column::Path);
    record.location.member = row.text(column::Member);
    DemoInfo& info = record.info;
    info.game = row.text(column::Game);
    info.demoType = row.text(column::DemoType);
    info.protocol = row.text(column::Protocol);
    info.map = row.text(column::Map);
    info.server = row.text(column::Server);
    info.mod = row.text(column::Mod);
    info.players = SplitLines(row.text(column::Players));
    info.recorder = row.text(column::Recorder);
    info.durationMs = row.optionalInt64(column::DurationMs);
    if (auto red = row.optionalInt64(column::ScoreRed)) {
        info.scoreRed = static_cast<std::int32_t>(*red);
    }
    if (auto blue = row.optionalInt64(column::ScoreBlue)) {
        info.scoreBlue = static_cast<std::int32_t>(*blue);
    }
    info.winner = row.text(column::Winner);
    record.size = static_cast<std::uint64_t>(row.int64(column::Size));
    record.date = row.int64(column::Date);
    record.dateSource =
        row.text(column::DateSourceText) == "demo" ? DateSource::Demo : DateSource::File;
    record.missing = row.int64(column::Missing) != 0;
    info.message = row.text(column::Message);
    info.chat = row.text(column::Chat);
    info.demoTime = row.optionalInt64(column::DemoTime);
    return record;
}

// SQLite's primary result code, without the extended code's detail bits.
int PrimaryCode(int code) {
    constexpr int PrimaryBits = 0xff;
    return code & PrimaryBits;
}

// The first column of the first row of a query ("" or 0 when there is none).
std::string QueryText(SqliteConnection& connection, const char* sql) {
    auto row = connection.prepare(sql);
    return row.step() ? row.text(0) : std::string();
}

std::int64_t QueryNumber(SqliteConnection& connection, const char* sql) {
    auto row = connection.prepare(sql);
    return row.step() ? row.int64(0) : 0;
}

} // namespace

std::string FullTextQuery(const std::string& text) {
    std::string query;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
            ++start;
        }
        std::size_t end = start;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') {
            ++end;
        }
        if (end > start) {
            // A quoted string is one phrase whatever its characters; a quote
            // inside it is written twice.
            std::string word = "\"";
            for (std::size_t i = start; i < end; ++i) {
                word += text[i];
                if (text[i] == '"') {
                    word += '"';
                }
            }
            word += "\"*";
            query += (query.empty() ? "" : " ") + word;
        }
        start = end;
    }
    return query;
}

LibraryDatabase::LibraryDatabase(const std::string& path) try : connection_(path, true) {
    checkSchema();
} catch (const SqliteError& error) {
    if (PrimaryCode(error.code()) == SQLITE_NOTADB) {
        throw LibraryError(path + " is not a library database (not an SQLite file)");
    }
    throw LibraryError(path + ": " + error.what());
}

void LibraryDatabase::checkSchema() {
    // Nothing is written before the file is known to be ours: even the
    // switch to write-ahead logging changes a database's header.
    const bool empty = QueryNumber(connection_, "SELECT count(*) FROM sqlite_schema") == 0;
    if (empty) {
        useWriteAheadLog();
        createSchema();
        return;
    }
    if (QueryNumber(connection_, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                                 "name = 'library_schema'") == 0) {
        throw LibraryError("the database holds other tables but no library: not a Fenlark "
                           "library database; choose another file");
    }
    std::int64_t version = QueryNumber(connection_, "SELECT max(version) FROM library_schema");
    if (version > SchemaVersion) {
        throw LibraryError("the library database was made by a newer version of Fenlark (schema " +
                           std::to_string(version) + "; this version reads schema " +
                           std::to_string(SchemaVersion) + " and older); it was left unchanged");
    }
    useWriteAheadLog();
    while (version < SchemaVersion) {
        const SchemaUpgrade* step = nullptr;
        for (const SchemaUpgrade& upgrade : SchemaUpgrades) {
            if (upgrade.from == version) {
                step = &upgrade;
            }
        }
        if (step == nullptr) {
            throw LibraryError("the library database has schema " + std::to_string(version) +
                               ", which this version cannot upgrade; it was left unchanged");
        }
        SqliteTransaction transaction(connection_);
        connection_.exec(step->statements);
        ++version;
        connection_.exec("UPDATE library_schema SET version = " + std::to_string(version));
        transaction.commit();
    }
}

void LibraryDatabase::useWriteAheadLog() {
    // WAL lets readers (the window) read while a scan writes, and together
    // with transactions keeps every committed batch when the program dies.
    if (QueryText(connection_, "PRAGMA journal_mode=WAL") != "wal") {
        throw LibraryError("the database cannot use write-ahead logging");
    }
    connection_.exec("PRAGMA synchronous=NORMAL");
}

void LibraryDatabase::createSchema() {
    SqliteTransaction transaction(connection_);
    connection_.exec(CreateStatements);
    connection_.exec("INSERT INTO library_schema(version) VALUES (" +
                     std::to_string(SchemaVersion) + ")");
    transaction.commit();
}

std::unordered_map<std::string, FileState> LibraryDatabase::knownFiles() {
    std::unordered_map<std::string, FileState> known;
    auto rows = connection_.prepare("SELECT path, size, mtime_ns FROM files");
    while (rows.step()) {
        known.emplace(rows.text(0),
                      FileState{static_cast<std::uint64_t>(rows.int64(1)), rows.int64(2)});
    }
    return known;
}

void LibraryDatabase::store(const std::vector<ScannedFile>& batch) {
    try {
        SqliteTransaction transaction(connection_);
        auto upsertFile = connection_.prepare(
            "INSERT INTO files(path, size, mtime_ns, skip_reason) VALUES (?1, ?2, ?3, ?4) "
            "ON CONFLICT(path) DO UPDATE SET size = excluded.size, mtime_ns = excluded.mtime_ns, "
            "skip_reason = excluded.skip_reason");
        auto hideMembers =
            connection_.prepare("UPDATE demos SET missing = 1 WHERE path = ?1 AND member <> ''");
        auto upsertDemo = connection_.prepare(UpsertDemo);
        connection_.exec(CreateBatchTable);
        auto addToBatch = connection_.prepare(AddToBatch);
        for (const ScannedFile& file : batch) {
            for (const DemoRecord& demo : file.demos) {
                addToBatch.bind(1, demo.location.path);
                addToBatch.bind(2, demo.location.member);
                addToBatch.run();
            }
        }
        // Rows about to be rewritten leave the index with the words it holds
        // for them, and come back with their new ones below.
        connection_.exec(UnindexBatch);
        for (const ScannedFile& file : batch) {
            upsertFile.bind(1, file.path);
            upsertFile.bind(2, static_cast<std::int64_t>(file.state.size));
            upsertFile.bind(3, file.state.mtimeNs);
            upsertFile.bind(4, file.skipReason);
            upsertFile.run();
            if (file.archive) {
                hideMembers.bind(1, file.path);
                hideMembers.run();
            }
            for (const DemoRecord& demo : file.demos) {
                const DemoInfo& info = demo.info;
                upsertDemo.bind(column::Path + 1, demo.location.path);
                upsertDemo.bind(column::Member + 1, demo.location.member);
                upsertDemo.bind(column::Game + 1, info.game);
                upsertDemo.bind(column::DemoType + 1, info.demoType);
                upsertDemo.bind(column::Protocol + 1, info.protocol);
                upsertDemo.bind(column::Map + 1, info.map);
                upsertDemo.bind(column::Server + 1, info.server);
                upsertDemo.bind(column::Mod + 1, info.mod);
                upsertDemo.bind(column::Players + 1, JoinLines(info.players));
                upsertDemo.bind(column::Recorder + 1, info.recorder);
                upsertDemo.bind(column::DurationMs + 1, info.durationMs);
                upsertDemo.bind(column::ScoreRed + 1,
                                info.scoreRed ? std::optional<std::int64_t>(*info.scoreRed)
                                              : std::nullopt);
                upsertDemo.bind(column::ScoreBlue + 1,
                                info.scoreBlue ? std::optional<std::int64_t>(*info.scoreBlue)
                                               : std::nullopt);
                upsertDemo.bind(column::Winner + 1, info.winner);
                upsertDemo.bind(column::Size + 1, static_cast<std::int64_t>(demo.size));
                upsertDemo.bind(column::Date + 1, demo.date);
                upsertDemo.bind(column::DateSourceText + 1,
                                demo.dateSource == DateSource::Demo ? "demo" : "file");
                upsertDemo.bind(column::Missing + 1, std::int64_t{0});
                upsertDemo.bind(column::Message + 1, info.message);
                upsertDemo.bind(column::Chat + 1, info.chat);
                upsertDemo.bind(column::DemoTime + 1, info.demoTime);
                upsertDemo.run();
            }
        }
        connection_.exec(IndexBatch);
        connection_.exec("DELETE FROM batch_demos");
        transaction.commit();
    } catch (const SqliteError& error) {
        throw LibraryError(std::string("cannot write to the library: ") + error.what());
    }
}

void LibraryDatabase::markGone(const std::vector<std::string>& paths) {
    SqliteTransaction transaction(connection_);
    auto hide = connection_.prepare("UPDATE demos SET missing = 1 WHERE path = ?1");
    auto forget = connection_.prepare("DELETE FROM files WHERE path = ?1");
    for (const std::string& path : paths) {
        hide.bind(1, path);
        hide.run();
        forget.bind(1, path);
        forget.run();
    }
    transaction.commit();
}

std::int64_t LibraryDatabase::forgetMissing() {
    SqliteTransaction transaction(connection_);
    connection_.exec(UnindexMissing);
    connection_.exec("DELETE FROM demos WHERE missing = 1");
    const std::int64_t removed = connection_.changes();
    transaction.commit();
    return removed;
}

std::vector<DemoRecord> LibraryDatabase::query(const LibraryQuery& query) {
    std::string sql = SelectColumns;
    const std::string match = FullTextQuery(query.search);
    if (!match.empty()) {
        sql += " JOIN demos_fts f ON f.rowid = d.id";
    }
    std::vector<std::string> conditions;
    if (!match.empty()) {
        conditions.emplace_back("demos_fts MATCH ?1");
    }
    if (query.missingOnly) {
        conditions.emplace_back("d.missing = 1");
    }
    if (!query.game.empty()) {
        conditions.emplace_back("d.game = ?2");
    }
    if (query.dateFrom) {
        conditions.emplace_back("d.date >= ?3");
    }
    if (query.dateTo) {
        conditions.emplace_back("d.date <= ?4");
    }
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    }
    sql += std::string(" ORDER BY ") + SortExpression(query.sort);
    if (query.descending) {
        sql += " DESC";
    }
    if (query.sort != SortColumn::File) {
        sql += ", d.path, d.member";
    }
    if (query.limit) {
        sql += " LIMIT " + std::to_string(*query.limit);
    }

    std::vector<DemoRecord> records;
    try {
        auto rows = connection_.prepare(sql);
        if (!match.empty()) {
            rows.bind(1, match);
        }
        if (!query.game.empty()) {
            rows.bind(2, query.game);
        }
        if (query.dateFrom) {
            rows.bind(3, *query.dateFrom);
        }
        if (query.dateTo) {
            rows.bind(4, *query.dateTo);
        }
        while (rows.step()) {
            records.push_back(ReadRecord(rows));
        }
    } catch (const SqliteError& error) {
        throw LibraryError(std::string("cannot read the library: ") + error.what());
    }
    return records;
}

std::vector<std::string> LibraryDatabase::games() {
    std::vector<std::string> names;
    auto rows = connection_.prepare("SELECT DISTINCT game FROM demos WHERE game <> '' ORDER BY 1");
    while (rows.step()) {
        names.push_back(rows.text(0));
    }
    return names;
}

std::int64_t LibraryDatabase::demoCount() {
    return QueryNumber(connection_, "SELECT count(*) FROM demos");
}

} // namespace fenlark::library
