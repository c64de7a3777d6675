#include "SqlStatement.h"

#include <sqlite3.h>

TSqlStatement::TSqlStatement(sqlite3* db, sqlite3_stmt* statement)
    : m_db(db)
    , m_statement(statement) {}

TSqlStatement::~TSqlStatement() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

void TSqlStatement::Check(int result, const char* what) const {
    if (result != SQLITE_OK)
        throw TStoreError(std::string(what) + ": " + sqlite3_errmsg(m_db));
}

TSqlStatement& TSqlStatement::Bind(int index, const QByteArray& bytes) {
    // A null pointer would store NULL; an empty value stays an empty blob.
    static const char empty = 0;
    const char* data = bytes.isEmpty() ? &empty : bytes.constData();
    Check(sqlite3_bind_blob64(m_statement, index, data, static_cast<sqlite3_uint64>(bytes.size()),
                              SQLITE_TRANSIENT),
          "binding a value");
    return *this;
}

TSqlStatement& TSqlStatement::Bind(int index, qint64 value) {
    Check(sqlite3_bind_int64(m_statement, index, value), "binding a number");
    return *this;
}

TSqlStatement& TSqlStatement::Bind(int index, std::optional<qint64> value) {
    if (value)
        return Bind(index, *value);
    Check(sqlite3_bind_null(m_statement, index), "binding an empty value");
    return *this;
}

bool TSqlStatement::Step() {
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    throw TStoreError(std::string("running ") + sqlite3_sql(m_statement) + ": " + sqlite3_errmsg(m_db));
}

void TSqlStatement::Run() {
    while (Step()) {
    }
}

QByteArray TSqlStatement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return data ? QByteArray(static_cast<const char*>(data), size) : QByteArray();
}

qint64 TSqlStatement::Integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

std::optional<qint64> TSqlStatement::OptionalInteger(int column) const {
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return std::nullopt;
    return Integer(column);
}
