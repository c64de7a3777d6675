#include "PostgresCluster.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QUrl>
#include <QVersionNumber>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// The newest installed PostgreSQL's programs; empty when none is installed.
QString PostgresBinaries() {
    QString best;
    QVersionNumber bestVersion;
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    for (const QString& version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        const QVersionNumber number = QVersionNumber::fromString(version);
        if (QFile::exists(bin + QStringLiteral("/initdb")) && (best.isEmpty() || number > bestVersion)) {
            best = bin;
            bestVersion = number;
        }
    }
    return best;
}

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

TPostgresCluster::~TPostgresCluster() {
    Stop();
}

QString TPostgresCluster::RunTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    QStringList command{m_bin + QLatin1Char('/') + tool};
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                              QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                              QStringLiteral("--")} +
                  command;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_folder);
    process.start(command.takeFirst(), command + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) +
               process.errorString();
    return QString();
}

QString TPostgresCluster::Start() {
    m_bin = PostgresBinaries();
    if (m_bin.isEmpty())
        return QStringLiteral(
            "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb): run scripts/setup");
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/lumora-pg.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return QStringLiteral("cannot make a folder for the cluster");
    m_folder = QString::fromLocal8Bit(pattern);
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr || ::chown(pattern.constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            return QStringLiteral("cannot give %1 to the user nobody").arg(m_folder);
    }
    QString error = RunTool(QStringLiteral("initdb"),
                            {QStringLiteral("-D"), m_folder + QStringLiteral("/data"), QStringLiteral("-U"),
                             QStringLiteral("lumora"), QStringLiteral("-A"), QStringLiteral("trust"),
                             QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
                             QStringLiteral("--no-sync")});
    if (!error.isEmpty())
        return error;
    // A port found free may be taken before the server binds it: one more try with another one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreePort();
        const QString settings =
            QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -c unix_socket_directories=%2 -c fsync=off "
                           "-c full_page_writes=off -c shared_buffers=16MB -c max_connections=60")
                .arg(m_port)
                .arg(m_folder);
        error = RunTool(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), m_folder + QStringLiteral("/data"), QStringLiteral("-l"),
                         m_folder + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("-t"),
                         QStringLiteral("60"), QStringLiteral("-o"), settings, QStringLiteral("start")});
        if (error.isEmpty()) {
            m_running = true;
            return QString();
        }
    }
    QFile log(m_folder + QStringLiteral("/log"));
    log.open(QIODevice::ReadOnly);
    return error + QString::fromLocal8Bit(log.readAll());
}

void TPostgresCluster::Stop() {
    if (m_running)
        RunTool(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), m_folder + QStringLiteral("/data"), QStringLiteral("-m"),
                 QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    m_running = false;
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    m_folder.clear();
}

QString TPostgresCluster::Uri(const QString& database, const QStringList& settings) const {
    QString options;
    for (const QString& setting : settings)
        options += (options.isEmpty() ? QStringLiteral("?options=") : QStringLiteral("%20")) +
                   QStringLiteral("-c%20") + QString::fromLatin1(QUrl::toPercentEncoding(setting));
    return QStringLiteral("postgresql://lumora@127.0.0.1:%1/%2%3").arg(m_port).arg(database, options);
}

QString TPostgresCluster::FreshSchema(const QString& schema) {
    const QByteArray uri = Uri(QStringLiteral("postgres")).toUtf8();
    PGconn* conn = PQconnectdb(uri.constData());
    QString error;
    if (PQstatus(conn) != CONNECTION_OK) {
        error = QString::fromLocal8Bit(PQerrorMessage(conn));
    } else {
        for (const QByteArray& sql : {"DROP SCHEMA IF EXISTS \"" + schema.toUtf8() + "\" CASCADE",
                                      "CREATE SCHEMA \"" + schema.toUtf8() + "\""}) {
            PGresult* result = PQexec(conn, sql.constData());
            if (PQresultStatus(result) != PGRES_COMMAND_OK && error.isEmpty())
                error = QString::fromLocal8Bit(PQerrorMessage(conn));
            PQclear(result);
        }
    }
    PQfinish(conn);
    return error;
}
