#pragma once

#include <QString>
#include <QStringList>

// The store the server tests run against: with LUMORA_TEST_STORE=postgresql a private PostgreSQL
// cluster, started the first time a database is asked for and removed when the program ends; otherwise
// SQLite files in the test's scratch folder. The same tests run on both (ctest registers both runs).
bool TestingPostgres();

// A new empty database under this name (a file name such as "http.db"): the path of a SQLite file, or
// the address of a schema of the test cluster's database. A cluster that cannot start ends the program with
// the reason: a PostgreSQL run never passes without PostgreSQL.
QString FreshDatabase(const QString& name);

// The address of the test cluster's schema `name` (as FreshDatabase made it), with more server
// settings ("name=value") for its sessions.
QString SchemaUri(const QString& name, const QStringList& settings = {});

class TPostgresCluster;
// The test program's one cluster, started on first use (ends the program when it cannot start).
TPostgresCluster& TestCluster();
