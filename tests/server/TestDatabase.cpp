#include "TestDatabase.h"

#include "PostgresCluster.h"
#include "ServerHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <memory>

namespace {

std::unique_ptr<TPostgresCluster> RunningCluster;

void StopCluster() {
    RunningCluster.reset();
}

QString SchemaName(const QString& name) {
    QString schema = name.toLower();
    schema.replace(QLatin1Char('.'), QLatin1Char('_'));
    return schema;
}

} // namespace

bool TestingPostgres() {
    return qEnvironmentVariable("LUMORA_TEST_STORE") == QLatin1String("postgresql");
}

TPostgresCluster& TestCluster() {
    if (!RunningCluster) {
        RunningCluster = std::make_unique<TPostgresCluster>();
        const QString error = RunningCluster->Start();
        if (!error.isEmpty())
            qFatal("cannot start a PostgreSQL cluster for the tests: %s", qPrintable(error));
        // Stopped while the application object still exists, before static objects go.
        qAddPostRoutine(StopCluster);
    }
    return *RunningCluster;
}

QString FreshDatabase(const QString& name) {
    if (!TestingPostgres()) {
        QDir().mkpath(ScratchPath(QString()));
        QFile::remove(ScratchPath(name));
        return ScratchPath(name);
    }
    const QString error = TestCluster().FreshSchema(SchemaName(name));
    if (!error.isEmpty())
        qFatal("cannot create the test schema for %s: %s", qPrintable(name), qPrintable(error));
    return SchemaUri(name);
}

QString SchemaUri(const QString& name, const QStringList& settings) {
    return TestCluster().Uri(QStringLiteral("postgres"),
                             QStringList{QStringLiteral("search_path=") + SchemaName(name)} + settings);
}
