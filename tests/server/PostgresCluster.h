#pragma once

#include <QString>
#include <QStringList>

// A private PostgreSQL cluster for tests: initdb and pg_ctl from /usr/lib/postgresql/*/bin, data and unix
// socket in a temporary folder, listening on 127.0.0.1 on a free port, trusted logins as the user
// "lumora". PostgreSQL refuses to run as root; then the cluster runs as "nobody", in a folder it owns.
// The cluster is stopped and its folder removed when the object ends.
class TPostgresCluster {
public:
    TPostgresCluster() = default;
    ~TPostgresCluster();
    TPostgresCluster(const TPostgresCluster&) = delete;
    TPostgresCluster& operator=(const TPostgresCluster&) = delete;

    // Creates and starts the cluster; an empty text on success, else what went wrong.
    QString Start();
    void Stop();

    quint16 Port() const { return m_port; }
    // The address of a database of the cluster, with server settings for its sessions ("name=value").
    QString Uri(const QString& database, const QStringList& settings = {}) const;
    // Drops the schema when it exists and creates it empty in the database "postgres"; an empty text on
    // success. A schema is as good as a database for a test and made in an instant.
    QString FreshSchema(const QString& schema);

private:
    // Runs a PostgreSQL program as the cluster's user; an empty text on success.
    QString RunTool(const QString& tool, const QStringList& arguments);

    QString m_bin;
    QString m_folder;
    quint16 m_port = 0;
    bool m_running = false;
};
