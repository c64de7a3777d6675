#pragma once

#include <QByteArray>
#include <optional>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// Every failure of the store: the message says what was being done and what SQLite answered.
class TStoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One use of a prepared statement that the connection keeps: values are bound by position (from 1),
// rows are stepped through, and the statement is reset for its next use when this object ends.
class TSqlStatement {
public:
    TSqlStatement(sqlite3* db, sqlite3_stmt* statement);
    ~TSqlStatement();
    TSqlStatement(const TSqlStatement&) = delete;
    TSqlStatement& operator=(const TSqlStatement&) = delete;

    // Texts are bound as blobs: the store keeps the bytes Lumora sent, whatever their encoding.
    TSqlStatement& Bind(int index, const QByteArray& bytes);
    TSqlStatement& Bind(int index, qint64 value);
    TSqlStatement& Bind(int index, std::optional<qint64> value);

    // True while a row is available.
    bool Step();
    // Runs a statement that returns no row.
    void Run();

    QByteArray Bytes(int column) const;
    qint64 Integer(int column) const;
    std::optional<qint64> OptionalInteger(int column) const;

private:
    void Check(int result, const char* what) const;

    sqlite3* m_db;
    sqlite3_stmt* m_statement;
};
