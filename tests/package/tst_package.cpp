// The Debian packages as a user gets them: unpacked into a scratch folder, their programs run from
// there with the libraries their dependencies name, and find the files they ship.
#include "E2EHarness.h"
#include "server/ServerHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace E2E;

namespace {

const QString Unpacked = QStringLiteral(LUMORA_UNPACKED_DIR);

QString UnpackedPath(const QString& relative) {
    return Unpacked + QStringLiteral("/usr/") + relative;
}

QByteArray RunToEnd(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

// The newest package of each name in the folder, by its name.
QMap<QString, QString> NewestPackages(const QString& folder) {
    QMap<QString, QString> packages;
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({QStringLiteral("*.deb")}, QDir::Files, QDir::Time)) {
        const QString name = file.fileName().section(u'_', 0, 0);
        if (!packages.contains(name))
            packages.insert(name, file.filePath());
    }
    return packages;
}

// Every file below a folder, by its path relative to the folder, with its bytes.
QMap<QString, QByteArray> FilesBelow(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(file.fileName()), file.readAll());
    }
    return files;
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT
    // The tray program's, the browser module's and the server's package.
    QMap<QString, QString> m_packages;

    QByteArray Depends(const QString& package) {
        return RunToEnd(QStringLiteral("dpkg-deb"),
                        {QStringLiteral("-f"), m_packages.value(package), QStringLiteral("Depends")});
    }

private Q_SLOTS:
    void initTestCase() {
        // LUMORA_PACKAGES names another build's folder of packages (scripts/package checks its
        // optimised ones).
        const QString folder = qEnvironmentVariable("LUMORA_PACKAGES", QStringLiteral(LUMORA_PACKAGE_DIR));
        m_packages = NewestPackages(folder);
        QVERIFY2(m_packages.size() == 3, "not every package: run cpack first");
        QVERIFY(QDir(Unpacked).removeRecursively());
        for (const QString& package : std::as_const(m_packages)) {
            int exitCode = -1;
            const QByteArray output =
                RunToEnd(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), package, Unpacked}, &exitCode);
            QVERIFY2(exitCode == 0, output.constData());
        }
    }

    // The dependencies come from the programs' libraries, not from a hand-written list; the server's
    // package pulls in no GUI library, nor the browser engine.
    void dependenciesNameTheLinkedLibraries() {
        for (const char* library : {"libc6", "libqt6core6", "libqt6widgets6", "libcurl4", "zlib1g"})
            QVERIFY2(Depends("lumora").contains(QByteArray(library) + " ("), Depends("lumora").constData());
        QVERIFY(Depends("lumora-browser").contains("libqt6webenginewidgets6 ("));
        const QByteArray server = Depends("lumora-server");
        for (const char* library : {"libqt6core6", "libsqlite3-0", "libmicrohttpd12"})
            QVERIFY2(server.contains(QByteArray(library) + " ("), server.constData());
        for (const char* gui : {"libqt6gui", "libqt6widgets", "libqt6webengine", "libx11"})
            QVERIFY2(!server.contains(gui), server.constData());
    }

    // lumora-pack packs the shipped language directory, checks the pack and gives back every file.
    void packToolRoundTripsTheShippedLanguage() {
        QTemporaryDir scratch;
        const QString tool = UnpackedPath(QStringLiteral("bin/lumora-pack"));
        const QString shipped = UnpackedPath(QStringLiteral("share/lumora/lang0"));
        const QString pack = scratch.filePath(QStringLiteral("lang0.pak"));
        const QString extracted = scratch.filePath(QStringLiteral("extracted"));
        for (const QStringList& arguments :
             {QStringList{QStringLiteral("create"), pack, shipped}, QStringList{QStringLiteral("test"), pack},
              QStringList{QStringLiteral("extract"), QStringLiteral("--check-crc"), pack, extracted}}) {
            int exitCode = -1;
            const QByteArray output = RunToEnd(tool, arguments, &exitCode);
            QVERIFY2(exitCode == 0, (arguments.first().toUtf8() + ": " + output).constData());
        }
        const QMap<QString, QByteArray> files = FilesBelow(shipped);
        QVERIFY(files.contains(QStringLiteral("help/index.html")));
        QCOMPARE(FilesBelow(extracted), files);
    }

    // lumora-server seeds its demo into a new database and answers the catalogue request with it.
    void serverSeedsAndServesTheDemoCatalogue() {
        const QString database = ScratchPath(QStringLiteral("catalogue.db"));
        const TCommandResult demo =
            RunServerCommand({QStringLiteral("demo"), QStringLiteral("--db"), database});
        QVERIFY2(demo.ExitCode == 0, demo.Err.constData());

        TRunningServer server;
        QVERIFY2(server.Start(database), server.ErrorOutput().constData());
        const THttpReply reply = Post(server.Port(), "/lmr/camlist3.php", "language=0&computer=x");
        QCOMPARE(reply.Status, 200);
        QVERIFY(reply.LengthMatches());
        QVERIFY(reply.Body.contains("object=cam\r\n"));
        QVERIFY(reply.Body.contains("object=language\r\n"));
        QCOMPARE(server.Stop(), 0);
    }

    // Lumora without a catalogue server shows its notice; the notice's help button opens the help
    // page shipped in the package, through the desktop's opener (here one that notes the address).
    void lumoraOpensItsShippedHelpPage() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QProcess trayer;
        QProcess lumora;
        const auto stop = qScopeGuard([&] {
            Stop(lumora);
            Stop(trayer);
        });
        QVERIFY(StartTrayer(trayer));

        QTemporaryDir opener;
        const QString opened = opener.filePath(QStringLiteral("opened"));
        QFile script(opener.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + opened.toUtf8() + ".part' && mv '" +
                     opened.toUtf8() + ".part' '" + opened.toUtf8() + "'\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QProcessEnvironment environment =
            LumoraEnvironment("localhost", "localhost:80:127.0.0.1:" + QByteArray::number(port));
        environment.insert(QStringLiteral("PATH"),
                           opener.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
        lumora.setProcessEnvironment(environment);
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(UnpackedPath(QStringLiteral("bin/lumora")), {});
        QVERIFY(lumora.waitForStarted());

        // The notice is the only 300 x 193 window; its help button sits at (4, 164), 35 x 26.
        QList<QPoint> notices;
        QTRY_VERIFY_WITH_TIMEOUT(!(notices = VisibleWindowsOfSize(300, 193)).isEmpty(), 30000);
        // A click that lands while the notice is still being mapped is lost: click again until the
        // page is opened (opening it twice is harmless).
        QElapsedTimer sinceClick;
        const bool pageOpened = QTest::qWaitFor(
            [&] {
                if (QFileInfo::exists(opened))
                    return true;
                if (!sinceClick.isValid() || sinceClick.elapsed() > 3000) {
                    ClickAt(notices.first() + QPoint(4 + 17, 164 + 13));
                    sinceClick.start();
                }
                return false;
            },
            30000);
        QVERIFY2(pageOpened, "the help button opened nothing");
        QFile address(opened);
        QVERIFY(address.open(QIODevice::ReadOnly));
        QCOMPARE(QUrl(QString::fromUtf8(address.readAll())).toLocalFile(),
                 UnpackedPath(QStringLiteral("share/lumora/lang0/help/attentionform.html")));

        // Exit in the notice ends the program.
        QVERIFY(ClickAt(notices.first() + QPoint(183 + 57, 164 + 13)));
        QVERIFY(lumora.waitForFinished(15000));
        QCOMPARE(lumora.exitStatus(), QProcess::NormalExit);
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
