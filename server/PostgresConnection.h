#pragma once

#include "SqlConnection.h"

#include <QString>
#include <memory>
#include <string>
#include <unordered_map>

struct pg_conn;

// The catalogue in a PostgreSQL database that any number of servers and commands share. The schema is
// created and brought up to date by whichever of them connects first; each write transaction holds one
// lock of the database, as SQLite's writers do; every change of cams or languages is announced to
// every listening server (LISTEN/NOTIFY). A lost connection is opened again between transactions.
class TPostgresConnection : public TSqlConnection {
public:
    // `uri` is a postgresql:// or postgres:// address as libpq reads it.
    explicit TPostgresConnection(const QString& uri);
    ~TPostgresConnection() override;

    TStatementUse Prepare(const char* sql) override;
    void Begin() override;
    void Commit() override;
    void Rollback() noexcept override;
    bool ReadOnly() const override { return m_readOnly; }
    void WaitForChange(int wakeUp) override;
    TStorageSizes Sizes() override;
    std::unique_ptr<TCheckerLease> CheckerLease() override;

private:
    class TStatement;
    struct TResultDeleter {
        void operator()(struct pg_result* result) const;
    };
    using TResult = std::unique_ptr<struct pg_result, TResultDeleter>;

    TResult Execute(const char* sql);
    TResult Run(TStatement& statement);
    void Reconnect();
    void MigrateSchema();
    void CheckSchema();
    bool ListenForChanges();

    const std::string m_uri;
    pg_conn* m_conn = nullptr;
    pg_conn* m_listener = nullptr; // the watching thread's own connection
    bool m_readOnly = false;
    bool m_inTransaction = false;
    int m_session = 0; // grows with every new connection: prepared statements live in one session
    std::unordered_map<const char*, std::unique_ptr<TStatement>> m_statements;
};

// True for a database address that names PostgreSQL rather than a SQLite file.
bool IsPostgresUri(const QString& location);
// The address without its password, for messages.
QString PrintableLocation(const QString& location);
