// The index itself: rows in and out of a real SQLite file, the full-text
// search, filters and sorting, and databases it must refuse without harm.

#include "library/LibraryDatabase.h"
#include "tests/common/TempFolder.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace fenlark::library {
namespace {

DemoRecord Demo(const std::string& path, const std::string& member, const std::string& game,
                const std::string& map, std::vector<std::string> players, std::int64_t date) {
    DemoRecord record;
    record.location = {path, member};
    record.info.game = game;
    record.info.map = map;
    record.info.players = std::move(players);
    record.size = 100;
    record.date = date;
    return record;
}

ScannedFile File(const std::string& path, std::vector<DemoRecord> demos, bool archive = false) {
    ScannedFile file;
    file.path = path;
    file.state = {123, 456};
    file.archive = archive;
    file.demos = std::move(demos);
    return file;
}

std::vector<std::string> Paths(const std::vector<DemoRecord>& records) {
    std::vector<std::string> paths;
    for (const DemoRecord& record : records)
        paths.push_back(record.location.path +
                        (record.location.member.empty() ? "" : "#" + record.location.member));
    return paths;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// The first column of the first row of a query, as a number.
std::int64_t QueryNumber(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::int64_t number = -1;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        number = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return number;
}

class LibraryDatabaseTest : public ::testing::Test {
protected:
    fenlark::test::TempFolder temp;
    std::string dbPath = temp.path("library.sqlite");
};

TEST_F(LibraryDatabaseTest, RowsSurviveReopeningWithEveryColumn) {
    DemoRecord full =
        Demo("/d/a.dm_68", "", "Quake III", "q3dm17", {"Blue One", "Red Two"}, 1700000000);
    full.info.demoType = "Quake III Arena 1.32";
    full.info.protocol = "68";
    full.info.server = "Server";
    full.info.mod = "osp";
    full.info.recorder = "Blue One";
    full.info.durationMs = 600000;
    full.info.scoreRed = 3;
    full.info.scoreBlue = 5;
    full.info.winner = "blue";
    full.info.message = "a message";
    full.info.demoTime = 1690000000;
    full.date = 1690000000;
    full.dateSource = DateSource::Demo;
    {
        LibraryDatabase db(dbPath);
        db.store({File("/d/a.dm_68", {full})});
    }
    LibraryDatabase db(dbPath);
    const auto rows = db.query({});
    ASSERT_EQ(rows.size(), 1u);
    const DemoRecord& row = rows[0];
    EXPECT_EQ(row.location, full.location);
    EXPECT_EQ(row.info.players, full.info.players);
    EXPECT_EQ(row.info.demoType, "Quake III Arena 1.32");
    EXPECT_EQ(row.info.server, "Server");
    EXPECT_EQ(row.info.durationMs, 600000);
    EXPECT_EQ(row.info.scoreRed, 3);
    EXPECT_EQ(row.info.scoreBlue, 5);
    EXPECT_EQ(row.info.winner, "blue");
    EXPECT_EQ(row.info.message, "a message");
    EXPECT_EQ(row.dateSource, DateSource::Demo);
    EXPECT_EQ(row.date, 1690000000);
    EXPECT_FALSE(row.missing);
    EXPECT_EQ(db.knownFiles().at("/d/a.dm_68"), (FileState{123, 456}));
}

TEST_F(LibraryDatabaseTest, SearchMatchesWordPrefixesInEveryIndexedColumn) {
    LibraryDatabase db(dbPath);
    DemoRecord chat = Demo("/d/c.dm_68", "", "G", "q3dm6", {"Zed"}, 3);
    chat.info.chat = "good game everyone";
    DemoRecord server = Demo("/d/d.dm_68", "", "G", "q3dm7", {"Other"}, 4);
    server.info.server = "Fragland Public";
    db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "G", "q3dm17", {"Fatal1ty", "Zero4"}, 1)}),
              File("/d/b.dm_68", {Demo("/d/b.dm_68", "", "G", "q3tourney2", {"Zero4"}, 2)}),
              File("/d/c.dm_68", {chat}), File("/d/d.dm_68", {server})});

    const auto search = [&](const std::string& text) {
        LibraryQuery query;
        query.search = text;
        return Paths(db.query(query));
    };
    EXPECT_EQ(search("zero4"), (std::vector<std::string>{"/d/a.dm_68", "/d/b.dm_68"}));
    EXPECT_EQ(search("fatal"), (std::vector<std::string>{"/d/a.dm_68"}));
    EXPECT_EQ(search("zero q3tour"), (std::vector<std::string>{"/d/b.dm_68"}));
    EXPECT_EQ(search("everyone"), (std::vector<std::string>{"/d/c.dm_68"}));
    EXPECT_EQ(search("fragland"), (std::vector<std::string>{"/d/d.dm_68"}));
    // Words with the query language's own characters are plain text.
    EXPECT_TRUE(search("\"zero OR").empty());
    EXPECT_TRUE(search("NEAR(x) -y *").empty());
    EXPECT_EQ(search("   ").size(), 4u);
}

TEST_F(LibraryDatabaseTest, SearchFollowsRowsThatChangeOrGo) {
    LibraryDatabase db(dbPath);
    db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "G", "old", {"Alpha"}, 1)})});
    db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "G", "new", {"Beta"}, 1)})});
    LibraryQuery query;
    query.search = "alpha";
    EXPECT_TRUE(db.query(query).empty());
    query.search = "beta";
    EXPECT_EQ(db.query(query).size(), 1u);
    // One batch that names a demo twice indexes it once.
    DemoRecord twice = Demo("/d/a.dm_68", "", "G", "new", {"Beta"}, 1);
    db.store({File("/d/a.dm_68", {twice, twice})});
    EXPECT_EQ(db.query(query).size(), 1u);
    RunSql(dbPath, "INSERT INTO demos_fts(demos_fts) VALUES ('integrity-check')");

    db.markGone({"/d/a.dm_68"});
    EXPECT_TRUE(db.knownFiles().empty());
    query.missingOnly = true;
    EXPECT_EQ(db.query(query).size(), 1u);
    EXPECT_EQ(db.forgetMissing(), 1);
    EXPECT_TRUE(db.query(query).empty());
    EXPECT_EQ(db.demoCount(), 0);
}

TEST_F(LibraryDatabaseTest, ReReadArchiveHidesMembersItNoLongerHolds) {
    LibraryDatabase db(dbPath);
    db.store({File("/d/x.zip",
                   {Demo("/d/x.zip", "a.dm_68", "G", "m", {}, 1),
                    Demo("/d/x.zip", "b.dm_68", "G", "m", {}, 1)},
                   true)});
    db.store({File("/d/x.zip", {Demo("/d/x.zip", "b.dm_68", "G", "m", {}, 1)}, true)});
    const auto rows = db.query({});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].missing);
    EXPECT_EQ(rows[0].location.member, "a.dm_68");
    EXPECT_FALSE(rows[1].missing);
}

TEST_F(LibraryDatabaseTest, FiltersAndSorting) {
    LibraryDatabase db(dbPath);
    db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "Quake III", "b", {}, 100)}),
              File("/d/b.dm_68", {Demo("/d/b.dm_68", "", "Quake Live", "c", {}, 200)}),
              File("/d/c.dm_68", {Demo("/d/c.dm_68", "", "Quake III", "a", {}, 300)})});
    LibraryQuery query;
    query.game = "Quake III";
    EXPECT_EQ(Paths(db.query(query)), (std::vector<std::string>{"/d/a.dm_68", "/d/c.dm_68"}));
    query = {};
    query.dateFrom = 150;
    query.dateTo = 300;
    EXPECT_EQ(Paths(db.query(query)), (std::vector<std::string>{"/d/b.dm_68", "/d/c.dm_68"}));
    query = {};
    query.sort = SortColumn::Map;
    EXPECT_EQ(Paths(db.query(query)),
              (std::vector<std::string>{"/d/c.dm_68", "/d/a.dm_68", "/d/b.dm_68"}));
    query.sort = SortColumn::Date;
    query.descending = true;
    query.limit = 1;
    EXPECT_EQ(Paths(db.query(query)), (std::vector<std::string>{"/d/c.dm_68"}));
    EXPECT_EQ(db.games(), (std::vector<std::string>{"Quake III", "Quake Live"}));
}

TEST_F(LibraryDatabaseTest, RefusesWhatItCannotUseAndLeavesItUnchanged) {
    // Not a database at all.
    const std::string text = temp.write("notes.txt", "these are my notes, not a database\n");
    EXPECT_THROW(LibraryDatabase{text}, LibraryError);
    EXPECT_EQ(ReadBytes(text), "these are my notes, not a database\n");

    // Another program's database.
    const std::string foreign = temp.path("foreign.sqlite");
    RunSql(foreign, "CREATE TABLE accounts(name TEXT); INSERT INTO accounts VALUES ('x')");
    const std::string foreignBytes = ReadBytes(foreign);
    EXPECT_THROW(LibraryDatabase{foreign}, LibraryError);
    EXPECT_TRUE(ReadBytes(foreign) == foreignBytes);

    // A library from a newer version keeps its rows.
    {
        LibraryDatabase db(dbPath);
        db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "G", "m", {}, 1)})});
    }
    RunSql(dbPath, "UPDATE library_schema SET version = 99");
    try {
        LibraryDatabase db(dbPath);
        ADD_FAILURE() << "a newer library was opened";
    } catch (const LibraryError& error) {
        EXPECT_NE(std::string(error.what()).find("newer version"), std::string::npos);
    }
    // A library of version 1 keeps its rows, and its files are read again
    // by the next scan, which fills the columns version 1 did not.
    RunSql(dbPath, "UPDATE library_schema SET version = 1");
    {
        LibraryDatabase db(dbPath);
        EXPECT_EQ(db.demoCount(), 1);
        const auto known = db.knownFiles();
        ASSERT_EQ(known.count("/d/a.dm_68"), 1u);
        EXPECT_EQ(known.at("/d/a.dm_68").mtimeNs, -1);
    }
    EXPECT_EQ(LibraryDatabase(dbPath).knownFiles().at("/d/a.dm_68").mtimeNs, -1);

    // A schema older than any known layout is refused, not emptied.
    RunSql(dbPath, "UPDATE library_schema SET version = 0");
    EXPECT_THROW(LibraryDatabase{dbPath}, LibraryError);
    RunSql(dbPath, "UPDATE library_schema SET version = 2");
    EXPECT_EQ(LibraryDatabase(dbPath).demoCount(), 1);
}

TEST_F(LibraryDatabaseTest, LibraryWhoseIndexFollowedByTriggersIsUpgradedWithItsIndex) {
    {
        LibraryDatabase db(dbPath);
        db.store({File("/d/a.dm_68", {Demo("/d/a.dm_68", "", "G", "m", {"Alpha"}, 1)})});
    }
    // The layout of version 2: triggers on the rows keep the index up to date.
    RunSql(dbPath, R"sql(
UPDATE library_schema SET version = 2;
CREATE TRIGGER demos_after_insert AFTER INSERT ON demos BEGIN
  INSERT INTO demos_fts(rowid, players, map, server, mod, chat)
  VALUES (new.id, new.players, new.map, new.server, new.mod, new.chat);
END;
CREATE TRIGGER demos_after_delete AFTER DELETE ON demos BEGIN
  INSERT INTO demos_fts(demos_fts, rowid, players, map, server, mod, chat)
  VALUES ('delete', old.id, old.players, old.map, old.server, old.mod, old.chat);
END;
CREATE TRIGGER demos_after_update AFTER UPDATE OF players, map, server, mod, chat ON demos BEGIN
  INSERT INTO demos_fts(demos_fts, rowid, players, map, server, mod, chat)
  VALUES ('delete', old.id, old.players, old.map, old.server, old.mod, old.chat);
  INSERT INTO demos_fts(rowid, players, map, server, mod, chat)
  VALUES (new.id, new.players, new.map, new.server, new.mod, new.chat);
END;
INSERT INTO demos(path, member, game, demo_type, protocol, map, server, mod, players, recorder,
  winner, size, date, date_source, message, chat)
VALUES ('/d/b.dm_68', '', 'G', '', '', 'm', '', '', 'Beta', '', '', 1, 1, 'file', '', '');
)sql");

    LibraryDatabase db(dbPath);
    const auto search = [&](const std::string& text) {
        LibraryQuery query;
        query.search = text;
        return Paths(db.query(query));
    };
    // Rows indexed under version 2 are found; rewritten and forgotten rows
    // leave the index once, as a trigger left behind would make them leave
    // it twice and break it.
    EXPECT_EQ(search("beta"), (std::vector<std::string>{"/d/b.dm_68"}));
    db.store({File("/d/b.dm_68", {Demo("/d/b.dm_68", "", "G", "m", {"Gamma"}, 1)})});
    db.markGone({"/d/a.dm_68"});
    EXPECT_EQ(db.forgetMissing(), 1);
    EXPECT_TRUE(search("beta").empty());
    EXPECT_TRUE(search("alpha").empty());
    EXPECT_EQ(search("gamma"), (std::vector<std::string>{"/d/b.dm_68"}));
    EXPECT_EQ(search("m"), (std::vector<std::string>{"/d/b.dm_68"}));
    RunSql(dbPath, "INSERT INTO demos_fts(demos_fts) VALUES ('integrity-check')");
    // The triggers went with the upgrade: they would index every row twice.
    EXPECT_EQ(QueryNumber(dbPath, "SELECT count(*) FROM sqlite_schema WHERE type = 'trigger'"), 0);
    EXPECT_EQ(QueryNumber(dbPath, "SELECT max(version) FROM library_schema"), 3);
}

TEST(FullTextQueryTest, QuotesEveryWordAsAPrefix) {
    EXPECT_EQ(FullTextQuery("  a  b\tc "), "\"a\"* \"b\"* \"c\"*");
    EXPECT_EQ(FullTextQuery("say\"hi"), "\"say\"\"hi\"*");
    EXPECT_EQ(FullTextQuery(""), "");
}

} // namespace
} // namespace fenlark::library
