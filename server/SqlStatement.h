#pragma once

#include <QByteArray>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

// Every failure of the store: the message says what was being done and what the database answered.
class TStoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A prepared statement that a connection keeps for its SQL text: values are bound by position (from 1),
// rows are stepped through. Texts are bound as bytes: the store keeps the bytes Lumora sent, whatever
// their encoding.
class TSqlStatement {
public:
    virtual ~TSqlStatement() = default;

    virtual TSqlStatement& Bind(int index, const QByteArray& bytes) = 0;
    virtual TSqlStatement& Bind(int index, qint64 value) = 0;
    // NULL, of whatever type the statement expects there.
    virtual TSqlStatement& BindNull(int index) = 0;
    TSqlStatement& Bind(int index, std::optional<qint64> value) {
        return value ? Bind(index, *value) : BindNull(index);
    }

    // True while a row is available.
    virtual bool Step() = 0;
    // Runs a statement and returns how many rows it gave back.
    int Run() {
        int rows = 0;
        while (Step())
            ++rows;
        return rows;
    }

    virtual QByteArray Bytes(int column) const = 0;
    virtual qint64 Integer(int column) const = 0;
    virtual std::optional<qint64> OptionalInteger(int column) const = 0;

    // Forgets the bindings and the rows, ending whatever the statement held open in the database.
    virtual void Reset() = 0;
};

struct TStatementReset {
    void operator()(TSqlStatement* statement) const { statement->Reset(); }
};

// One use of a kept statement: it is reset when the use ends, so that no read stays open.
using TStatementUse = std::unique_ptr<TSqlStatement, TStatementReset>;
