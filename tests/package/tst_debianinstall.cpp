// The three Debian packages as a distribution and a user meet them: lintian finds nothing to
// complain about, and apt-get installs them on this machine, their programs run from /usr, and a
// purge leaves nothing behind.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

namespace {

struct TRun {
    int ExitCode = -1;
    QByteArray Output;
};

TRun Run(const QString& program, const QStringList& arguments, int timeout = 600000) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeout))
        return {-1, "did not end: " + process.readAll()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

// Another apt run (an upgrade in the background) may hold the lock for a while.
const QStringList Apt{QStringLiteral("-o"), QStringLiteral("DPkg::Lock::Timeout=600"), QStringLiteral("-y")};
const QStringList Names{QStringLiteral("lumora"), QStringLiteral("lumora-browser"),
                        QStringLiteral("lumora-server")};

} // namespace

class TestDebianInstall : public QObject {
    Q_OBJECT
    QStringList m_packages;

private Q_SLOTS:
    void initTestCase() {
        const QDir folder(QStringLiteral(LUMORA_PACKAGE_DIR));
        for (const QString& name : Names) {
            const QFileInfoList found =
                folder.entryInfoList({name + QStringLiteral("_*.deb")}, QDir::Files, QDir::Time);
            QVERIFY2(!found.isEmpty(), qPrintable(name + " was not built"));
            m_packages << found.first().absoluteFilePath();
        }
    }

    void lintianFindsNothing() {
        if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
            QSKIP("lintian is not installed (scripts/setup installs it)");
        const TRun lintian =
            Run(QStringLiteral("lintian"), QStringList{"--tag-display-limit", "0"} + m_packages);
        const QStringList complaints = QString::fromUtf8(lintian.Output)
                                           .split(u'\n')
                                           .filter(QRegularExpression(QStringLiteral("^[EW]: ")));
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(u'\n')));
    }

    void installsRunsAndPurges() {
        if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("apt-get")).isEmpty())
            QSKIP("installing packages needs root and apt-get");
        QStringList local;
        for (const QString& package : m_packages)
            local << QStringLiteral("./") + QDir::current().relativeFilePath(package);
        const TRun install =
            Run(QStringLiteral("apt-get"), Apt + QStringList{"install", "--no-install-recommends"} + local);
        QVERIFY2(install.ExitCode == 0, install.Output.constData());

        const QList<QStringList> commands{{"/usr/bin/lumora", "--version"},
                                          {"/usr/bin/lumora-server", "--help"},
                                          {"/usr/bin/lumora-pack", "--help"},
                                          {"man", "-w", "lumora"},
                                          {"ldd", "/usr/libexec/lumora/lumora_embeddedwb.so"}};
        for (const QStringList& command : commands) {
            const TRun run = Run(command.first(), command.mid(1), 60000);
            QVERIFY2(run.ExitCode == 0 && !run.Output.contains("not found"),
                     qPrintable(command.join(u' ') + QStringLiteral(": ") + QString::fromUtf8(run.Output)));
        }
        QVERIFY(Run(QStringLiteral("getent"), {"passwd", "lumora-server"}).ExitCode == 0);

        const TRun purge = Run(QStringLiteral("apt-get"), Apt + QStringList{"purge"} + Names);
        QVERIFY2(purge.ExitCode == 0, purge.Output.constData());
        for (const char* path : {"/usr/bin/lumora", "/usr/bin/lumora-server", "/usr/libexec/lumora",
                                 "/usr/share/lumora", "/usr/share/doc/lumora", "/usr/share/doc/lumora-server",
                                 "/var/lib/lumora-server", "/usr/lib/sysusers.d/lumora-server.conf"})
            QVERIFY2(!QFileInfo::exists(QLatin1String(path)), path);
        QVERIFY(!Run(QStringLiteral("dpkg-query"), {"-W", "lumora"}).Output.contains("lumora\t"));
    }
};

QTEST_GUILESS_MAIN(TestDebianInstall)
#include "tst_debianinstall.moc"
