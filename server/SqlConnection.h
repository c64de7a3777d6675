#pragma once

#include "CheckerLease.h"
#include "SqlStatement.h"

#include <QtGlobal>
#include <optional>

struct TStorageSizes {
    qint64 Database = 0; // bytes
    // SQLite's write-ahead log beside the database file; none on PostgreSQL, which keeps its own.
    std::optional<qint64> WriteAheadLog;
};

// One connection to the catalogue's database engine. Statements are written once for every engine,
// with numbered placeholders (?1, ?2, ...) and in the SQL both engines share; each engine creates and
// migrates its own schema. A connection is used by one thread at a time.
class TSqlConnection {
public:
    virtual ~TSqlConnection() = default;

    // The kept statement for this text (a string literal: its address is the key), prepared once.
    virtual TStatementUse Prepare(const char* sql) = 0;

    // A write transaction; one runs at a time across every process that uses the database.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;

    // True when the database takes no writes (a standby, or read-only by its settings).
    virtual bool ReadOnly() const = 0;

    virtual TStorageSizes Sizes() = 0;

    // The lease that lets one process of all that use this database check the cams.
    virtual std::unique_ptr<TCheckerLease> CheckerLease() = 0;

    // Returns once the catalogue may have changed, or when the descriptor `wakeUp` is readable.
    // Called on a thread of its own, beside the other calls.
    virtual void WaitForChange(int wakeUp) = 0;
};
