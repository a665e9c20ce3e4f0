#include "library/Sqlite.h"

#include <sqlite3.h>

namespace fenlark::library {

namespace {

[[noreturn]] void Fail(sqlite3* db, int code, const std::string& doing) {
    const char* detail = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw SqliteError(doing + ": " + detail, code);
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string detail = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError("cannot open " + path + ": " + detail, code);
    }
    // Another program (the window and the command line) may hold the write
    // lock for a moment; wait for it rather than fail.
    constexpr int BusyWaitMs = 5000;
    sqlite3_busy_timeout(db_, BusyWaitMs);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close(db_);
}

void SqliteConnection::exec(const std::string& sql) {
    char* error = nullptr;
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        const std::string detail = error != nullptr ? error : sqlite3_errstr(code);
        sqlite3_free(error);
        throw SqliteError(detail, code);
    }
}

SqliteStatement SqliteConnection::prepare(std::string_view sql) {
    return {db_, sql};
}

std::int64_t SqliteConnection::changes() const {
    return sqlite3_changes64(db_);
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    const int code = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (code != SQLITE_OK) {
        Fail(db, code, "cannot prepare statement");
    }
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

void SqliteStatement::bind(int index, std::int64_t value) {
    const int code = sqlite3_bind_int64(statement_, index, value);
    if (code != SQLITE_OK) {
        Fail(db_, code, "cannot bind a value");
    }
}

void SqliteStatement::bind(int index, std::string_view text) {
    const int code = sqlite3_bind_text64(statement_, index, text.data(), text.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) {
        Fail(db_, code, "cannot bind a value");
    }
}

void SqliteStatement::bind(int index, const std::optional<std::int64_t>& value) {
    if (value) {
        bind(index, *value);
    } else {
        bindNull(index);
    }
}

void SqliteStatement::bindNull(int index) {
    const int code = sqlite3_bind_null(statement_, index);
    if (code != SQLITE_OK) {
        Fail(db_, code, "cannot bind a value");
    }
}

bool SqliteStatement::step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(statement_);
    Fail(db_, code, "database error");
}

void SqliteStatement::run() {
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::int64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::optional<std::int64_t> SqliteStatement::optionalInt64(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return int64(column);
}

std::string SqliteStatement::text(int column) const {
    const unsigned char* bytes = sqlite3_column_text(statement_, column);
    if (bytes == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char*>(bytes),
            static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : connection_(connection) {
    connection_.exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (open_) {
        try {
            connection_.exec("ROLLBACK");
        } catch (const SqliteError&) {
            // Nothing more can be done; SQLite rolls back on close anyway.
        }
    }
}

void SqliteTransaction::commit() {
    connection_.exec("COMMIT");
    open_ = false;
}

} // namespace fenlark::library
