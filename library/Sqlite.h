#pragma once
// A thin owner of SQLite handles: the connection, prepared statements and
// transactions, each closed or rolled back by its destructor. Every failure
// becomes a SqliteError carrying SQLite's own message.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace fenlark::library {

class SqliteError : public std::runtime_error {
public:
    SqliteError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class SqliteStatement;

class SqliteConnection {
public:
    // Opens (creating when `create`) the database file at `path`.
    SqliteConnection(const std::string& path, bool create);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Runs one or more statements that return no rows.
    void exec(const std::string& sql);
    SqliteStatement prepare(std::string_view sql);
    std::int64_t changes() const;
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement& operator=(SqliteStatement&&) = delete;

    // Parameters are numbered from 1.
    void bind(int index, std::int64_t value);
    void bind(int index, std::string_view text);
    void bind(int index, const std::optional<std::int64_t>& value);
    void bindNull(int index);

    // Steps once: true while a row is ready, false when done.
    bool step();
    // Steps a statement that returns no rows, then makes it ready to run again.
    void run();
    void reset();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    std::optional<std::int64_t> optionalInt64(int column) const;
    std::string text(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE on construction; rolled back unless commit() was called.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteConnection& connection_;
    bool open_ = true;
};

} // namespace fenlark::library
