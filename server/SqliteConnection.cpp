#include "SqliteConnection.h"

#include <QFileInfo>
#include <poll.h>
#include <sqlite3.h>

namespace {

// Cams and languages bump one counter through triggers, so a running server notices changes that
// an administration command made in another process.
const char* const Schema = R"sql(
CREATE TABLE IF NOT EXISTS cams(
  refid INTEGER PRIMARY KEY AUTOINCREMENT,
  url BLOB NOT NULL, name BLOB NOT NULL, description BLOB NOT NULL, refresh INTEGER NOT NULL,
  category BLOB NOT NULL, webpage BLOB NOT NULL, country BLOB NOT NULL, language INTEGER);
CREATE TABLE IF NOT EXISTS languages(
  refid INTEGER PRIMARY KEY, name BLOB NOT NULL, webpage BLOB NOT NULL, packversion INTEGER NOT NULL,
  packurl BLOB NOT NULL, pack BLOB);
CREATE TABLE IF NOT EXISTS messages(
  refid INTEGER PRIMARY KEY AUTOINCREMENT, language INTEGER, version BLOB NOT NULL, url BLOB NOT NULL,
  page BLOB, active INTEGER NOT NULL, created TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS suggestions(
  id INTEGER PRIMARY KEY AUTOINCREMENT, received TEXT NOT NULL, body BLOB NOT NULL,
  title BLOB, description BLOB, source BLOB, webpage BLOB, country BLOB, refresh BLOB, language BLOB,
  category BLOB, status BLOB NOT NULL, cam_refid INTEGER);
CREATE INDEX IF NOT EXISTS suggestions_by_status ON suggestions(status, source);
CREATE TABLE IF NOT EXISTS catalogue_state(id INTEGER PRIMARY KEY CHECK (id = 1), generation INTEGER NOT NULL);
INSERT OR IGNORE INTO catalogue_state(id, generation) VALUES (1, 0);
CREATE TRIGGER IF NOT EXISTS cams_inserted AFTER INSERT ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cams_updated AFTER UPDATE ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cams_deleted AFTER DELETE ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_inserted AFTER INSERT ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_updated AFTER UPDATE ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_deleted AFTER DELETE ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TABLE IF NOT EXISTS cam_health(
  refid INTEGER PRIMARY KEY, url BLOB NOT NULL, last_check BLOB NOT NULL, last_success BLOB NOT NULL,
  failures INTEGER NOT NULL, last_failure BLOB NOT NULL, content_type BLOB NOT NULL, bytes INTEGER NOT NULL,
  width INTEGER NOT NULL, height INTEGER NOT NULL, digest BLOB NOT NULL, changed BLOB NOT NULL,
  changed_since_previous INTEGER NOT NULL, withheld BLOB NOT NULL);
CREATE TRIGGER IF NOT EXISTS cam_health_inserted AFTER INSERT ON cam_health WHEN NEW.withheld <> X''
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cam_health_updated AFTER UPDATE ON cam_health
  WHEN OLD.withheld <> NEW.withheld OR OLD.url <> NEW.url
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cam_health_deleted AFTER DELETE ON cam_health WHEN OLD.withheld <> X''
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
)sql";

// Another process's change is seen within this time.
constexpr int ChangeCheckMs = 250;

} // namespace

class TSqliteConnection::TStatement : public TSqlStatement {
public:
    TStatement(sqlite3* db, sqlite3_stmt* statement)
        : m_db(db)
        , m_statement(statement) {}
    ~TStatement() override { sqlite3_finalize(m_statement); }

    TSqlStatement& Bind(int index, const QByteArray& bytes) override {
        // A null pointer would store NULL; an empty value stays an empty blob.
        static const char empty = 0;
        const char* data = bytes.isEmpty() ? &empty : bytes.constData();
        Check(sqlite3_bind_blob64(m_statement, index, data, static_cast<sqlite3_uint64>(bytes.size()),
                                  SQLITE_TRANSIENT),
              "binding a value");
        return *this;
    }
    TSqlStatement& Bind(int index, qint64 value) override {
        Check(sqlite3_bind_int64(m_statement, index, value), "binding a number");
        return *this;
    }
    TSqlStatement& BindNull(int index) override {
        Check(sqlite3_bind_null(m_statement, index), "binding an empty value");
        return *this;
    }
    bool Step() override {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        throw TStoreError(std::string("running ") + sqlite3_sql(m_statement) + ": " + sqlite3_errmsg(m_db));
    }
    QByteArray Bytes(int column) const override {
        const void* data = sqlite3_column_blob(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return data ? QByteArray(static_cast<const char*>(data), size) : QByteArray();
    }
    qint64 Integer(int column) const override { return sqlite3_column_int64(m_statement, column); }
    std::optional<qint64> OptionalInteger(int column) const override {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
            return std::nullopt;
        return Integer(column);
    }
    void Reset() override {
        // SQLite checkpoints its write-ahead log only after a write statement stepped to its end, not
        // when one is reset early. A write that returns a row (INSERT ... RETURNING) and is dropped after
        // it, outside a transaction, would commit without a checkpoint, and under a steady stream of
        // them the log grew by every write, to hundreds of megabytes.
        if (sqlite3_stmt_busy(m_statement) && !sqlite3_stmt_readonly(m_statement)) {
            while (sqlite3_step(m_statement) == SQLITE_ROW) {
            }
        }
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

private:
    void Check(int result, const char* what) const {
        if (result != SQLITE_OK)
            throw TStoreError(std::string(what) + ": " + sqlite3_errmsg(m_db));
    }

    sqlite3* m_db;
    sqlite3_stmt* m_statement;
};

TSqliteConnection::TSqliteConnection(const QString& path) {
    const QByteArray file = path.toUtf8();
    // Without CREATE the open fails for a missing folder or an unwritable place instead of later.
    const int result = sqlite3_open_v2(
        file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (result != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(result);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TStoreError("cannot open the database " + file.toStdString() + ": " + reason);
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        Execute("PRAGMA journal_mode=WAL");
        // A suggestion answered with "ok" must survive a power cut, not only a stopped process.
        Execute("PRAGMA synchronous=FULL");
        Execute(Schema);
        // The log is started over after each checkpoint that copied all of it; a log that a large
        // transaction made long is then cut back to 8 MiB instead of keeping its size for good.
        Execute("PRAGMA journal_size_limit=8388608");
    } catch (const TStoreError& error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TStoreError("cannot use the database " + file.toStdString() + ": " + error.what());
    }
}

TSqliteConnection::~TSqliteConnection() {
    m_statements.clear();
    sqlite3_close(m_db);
}

void TSqliteConnection::Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string reason = message ? message : sqlite3_errmsg(m_db);
        sqlite3_free(message);
        throw TStoreError(reason);
    }
}

TStatementUse TSqliteConnection::Prepare(const char* sql) {
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            throw TStoreError(std::string("preparing ") + sql + ": " + sqlite3_errmsg(m_db));
        found = m_statements.emplace(sql, std::make_unique<TStatement>(m_db, statement)).first;
    }
    return TStatementUse(found->second.get());
}

void TSqliteConnection::Begin() {
    // Takes the write lock at once: two writers never both read before one of them writes.
    Execute("BEGIN IMMEDIATE");
}

void TSqliteConnection::Commit() {
    Execute("COMMIT");
}

void TSqliteConnection::Rollback() noexcept {
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

TStorageSizes TSqliteConnection::Sizes() {
    const QString file = QString::fromUtf8(sqlite3_db_filename(m_db, "main"));
    const QFileInfo log(file + QStringLiteral("-wal"));
    return {QFileInfo(file).size(), log.exists() ? log.size() : 0};
}

void TSqliteConnection::WaitForChange(int wakeUp) {
    pollfd watched{wakeUp, POLLIN, 0};
    ::poll(&watched, 1, ChangeCheckMs);
}

// Servers sharing a SQLite file run on one machine: a lock on a file beside it will do.
std::unique_ptr<TCheckerLease> TSqliteConnection::CheckerLease() {
    return FileLease(QString::fromUtf8(sqlite3_db_filename(m_db, "main")) + QStringLiteral("-checker.lock"));
}
