#pragma once

#include <QString>

// The store the server tests run against: with LUMORA_TEST_STORE=postgresql a private PostgreSQL
// cluster, started the first time a database is asked for and removed when the program ends; otherwise
// SQLite files in the test's scratch folder. The same tests run on both (ctest registers both runs).
bool TestingPostgres();

// A new empty database under this name (a file name such as "http.db"): the path of a SQLite file, or
// the address of a database of the test cluster. A cluster that cannot start ends the program with the
// reason: a PostgreSQL run never passes without PostgreSQL.
QString FreshDatabase(const QString& name);

class TPostgresCluster;
// The test program's one cluster, started on first use (ends the program when it cannot start).
TPostgresCluster& TestCluster();
