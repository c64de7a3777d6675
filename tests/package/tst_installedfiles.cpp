// What `cmake --install` puts in place for the desktop and the system: each file passes the
// validator of its format, the icons are what their theme folders promise, and the man pages
// describe every command and option the installed programs accept.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TRun {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

TRun Run(const QString& program, const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    TRun run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        run.ExitCode = process.exitCode();
    run.Out = process.readAllStandardOutput();
    run.Err = process.readAllStandardError();
    return run;
}

// The validators come with scripts/setup; a missing one is a failure, never a skipped check.
QString Tool(const char* name) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    if (path.isEmpty())
        qWarning("%s is missing: run scripts/setup", name);
    return path;
}

// Every "--option" a text names, as the reader types it.
QSet<QString> Options(const QString& text) {
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    QSet<QString> options;
    for (const QRegularExpressionMatch& match : option.globalMatch(text))
        options.insert(match.captured());
    options.remove(QStringLiteral("--help"));
    return options;
}

// The commands listed in a program's overview: indented lines under the heading, first word each.
QStringList Commands(const QString& overview, const QString& heading) {
    QStringList commands;
    const QStringList lines = overview.section(heading, 1).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1String("  ")))
            break;
        commands << line.trimmed().section(QLatin1Char(' '), 0, 0);
    }
    return commands;
}

} // namespace

class TestInstalledFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_prefix;

    QString Installed(const QString& relative) const { return m_prefix.filePath(relative); }

    QByteArray ManSource(const QString& program) const {
        return Run(QStringLiteral("gzip"),
                   {QStringLiteral("-dc"), Installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program))})
            .Out;
    }

    // The man page's text with troff's escaped minus signs as the reader types them.
    QString ManPage(const QString& program) const {
        return QString::fromUtf8(ManSource(program)).replace(QLatin1String("\\-"), QLatin1String("-"));
    }

private Q_SLOTS:
    void initTestCase() {
        const TRun install =
            Run(QStringLiteral(LUMORA_CMAKE), {QStringLiteral("--install"), QStringLiteral(LUMORA_BUILD_DIR),
                                               QStringLiteral("--prefix"), m_prefix.path()});
        QVERIFY2(install.ExitCode == 0, install.Err.constData());
    }

    void passesItsValidator_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        const QString metainfo = Installed(QStringLiteral("share/metainfo/" LUMORA_METAINFO_NAME));
        QTest::newRow("menu entry") << "desktop-file-validate"
                                    << QStringList{
                                           Installed(QStringLiteral("share/applications/lumora.desktop"))};
        QTest::newRow("AppStream data") << "appstreamcli"
                                        << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                                       QStringLiteral("--pedantic"), metainfo};
        // The installed tree as a software centre reads it: the data, its menu entry and its icons.
        QTest::newRow("AppStream tree")
            << "appstreamcli"
            << QStringList{QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                           QStringLiteral("--pedantic"), m_prefix.path()};
        QTest::newRow("service user")
            << "systemd-sysusers"
            << QStringList{QStringLiteral("--dry-run"), QStringLiteral("--root"), m_prefix.path(),
                           Installed(QStringLiteral("lib/sysusers.d/lumora-server.conf"))};
    }

    void passesItsValidator() {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        const QString program = Tool(tool.toLatin1().constData());
        QVERIFY(!program.isEmpty());
        const TRun run = Run(program, arguments);
        QVERIFY2(run.ExitCode == 0, (run.Out + run.Err).constData());
    }

    // systemd checks the unit's options, that its program exists and that its documentation opens.
    void serviceUnitVerifies() {
        const QString analyze = Tool("systemd-analyze");
        QVERIFY(!analyze.isEmpty());
        const QString unit = Installed(QStringLiteral("lib/systemd/system/lumora-server.service"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MANPATH"), Installed(QStringLiteral("share/man")));
        const TRun verify = Run(analyze, {QStringLiteral("verify"), unit}, environment);
        QVERIFY2(verify.ExitCode == 0 && verify.Err.isEmpty(), verify.Err.constData());

        QFile file(unit);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("\nExecStart=" + Installed(QStringLiteral("bin/lumora-server")).toUtf8() +
                              " serve "));
        // The sandbox the service relies on: its own user, its database in its state directory.
        for (const QByteArray& line :
             {QByteArray("User=lumora-server"), QByteArray("StateDirectory=lumora-server"),
              QByteArray("ProtectSystem=strict"), QByteArray("NoNewPrivileges=yes")})
            QVERIFY2(text.contains("\n" + line + "\n"), line.constData());
    }

    void iconsAtEveryThemeSize() {
        const QDir theme(Installed(QStringLiteral("share/icons/hicolor")));
        QVERIFY(QFileInfo(theme.filePath(QStringLiteral("scalable/apps/lumora.svg"))).size() > 0);
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(theme.filePath(QStringLiteral("%1x%1/apps/lumora.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
            // The round mark on a transparent square.
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
    }

    // A command or option added to a program without its man page fails here.
    void manPagesDescribeEveryCommandAndOption_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("commandsHeading");
        QTest::newRow("lumora-server") << "lumora-server"
                                       << "commands:\n";
        QTest::newRow("lumora-pack") << "lumora-pack"
                                     << "Commands:\n";
    }

    void manPagesDescribeEveryCommandAndOption() {
        QFETCH(QString, program);
        QFETCH(QString, commandsHeading);
        const QString binary = Installed(QStringLiteral("bin/") + program);
        const QString page = ManPage(program);
        QVERIFY(page.contains(QLatin1String(".TH ") + program.toUpper() + QLatin1Char(' ')));

        const QStringList commands =
            Commands(QString::fromUtf8(Run(binary, {QStringLiteral("--help")}).Out), commandsHeading);
        QVERIFY(commands.size() >= 4);
        for (const QString& command : commands) {
            QVERIFY2(page.contains(QLatin1String(".B ") + command) ||
                         page.contains(QStringLiteral(".B %1 %2").arg(program, command)),
                     qPrintable(command));
            const TRun help = Run(binary, {command, QStringLiteral("--help")});
            QCOMPARE(help.ExitCode, 0);
            for (const QString& option : Options(QString::fromUtf8(help.Out)))
                QVERIFY2(page.contains(option), qPrintable(command + QLatin1Char(' ') + option));
        }
    }

    // The tray program leaves every transfer to its fetcher, which lies where the program looks for it;
    // only the fetcher needs libcurl.
    void fetcherLiesWhereTheProgramLooks() {
        const QString fetcher = QDir(Installed(QStringLiteral("bin")))
                                    .filePath(QStringLiteral(LUMORA_FETCH_FROM_BIN "/lumora-fetch"));
        QVERIFY2(QFileInfo(fetcher).isExecutable(), qPrintable(fetcher));
        const QString readelf = Tool("readelf");
        QVERIFY(!readelf.isEmpty());
        const auto needed = [&](const QString& binary) {
            return Run(readelf, {QStringLiteral("-d"), binary}).Out;
        };
        QVERIFY(needed(fetcher).contains("[libcurl"));
        QVERIFY(!needed(Installed(QStringLiteral("bin/lumora"))).contains("[libcurl"));
    }

    // Each page is well-formed troff: groff reports no warning while it typesets it.
    void manPagesTypesetCleanly_data() {
        QTest::addColumn<QString>("program");
        for (const char* program : {"lumora", "lumora-server", "lumora-pack"})
            QTest::newRow(program) << QString::fromLatin1(program);
    }

    void manPagesTypesetCleanly() {
        QFETCH(QString, program);
        const QString groff = Tool("groff");
        QVERIFY(!groff.isEmpty());
        QProcess typeset;
        typeset.start(groff, {QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-z"),
                              QStringLiteral("-Tutf8")});
        QVERIFY(typeset.waitForStarted());
        typeset.write(ManSource(program));
        typeset.closeWriteChannel();
        QVERIFY(typeset.waitForFinished(30000));
        QCOMPARE(typeset.exitCode(), 0);
        QCOMPARE(typeset.readAllStandardError(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestInstalledFiles)
#include "tst_installedfiles.moc"
