#pragma once

#include "SqlConnection.h"

#include <QString>
#include <memory>
#include <unordered_map>

struct sqlite3;

// The catalogue in one SQLite file in WAL mode, which several processes on one machine can share.
// Changes made by other processes are noticed by a counter that the schema's triggers raise.
class TSqliteConnection : public TSqlConnection {
public:
    // Opens (and when missing creates) the database and its tables.
    explicit TSqliteConnection(const QString& path);
    ~TSqliteConnection() override;

    TStatementUse Prepare(const char* sql) override;
    void Begin() override;
    void Commit() override;
    void Rollback() noexcept override;
    bool ReadOnly() const override { return false; }
    void WaitForChange(int wakeUp) override;
    TStorageSizes Sizes() override;
    std::unique_ptr<TCheckerLease> CheckerLease() override;

private:
    class TStatement;
    void Execute(const char* sql);

    sqlite3* m_db = nullptr;
    std::unordered_map<const char*, std::unique_ptr<TStatement>> m_statements;
};
