#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

class TestAutostart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QDir(QFileInfo(AutostartEntryPath()).absolutePath()).removeRecursively(); }

    void entryPathIsTheUsersAutostartFolder() {
        QCOMPARE(AutostartEntryPath(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/lumora.desktop");
    }

    void onWritesAnEntryThatWaits() {
        QVERIFY(!IsRunOnStartup());
        // A fresh account has no autostart folder: it is made.
        QCOMPARE(SetRunOnStartup(true, QStringLiteral("/opt/lumora/bin/lumora")), QString());
        QVERIFY(IsRunOnStartup());
        QSettings entry(AutostartEntryPath(), QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value("Exec").toString(), QStringLiteral("/opt/lumora/bin/lumora /d40"));
        QCOMPARE(entry.value("Type").toString(), QStringLiteral("Application"));
        QCOMPARE(entry.value("Name").toString(), QStringLiteral("Lumora"));
    }

    void offRemovesItAndOnWritesTheCurrentPath() {
        QCOMPARE(SetRunOnStartup(true, QStringLiteral("/old/place/lumora")), QString());
        QCOMPARE(SetRunOnStartup(false, QString()), QString());
        QVERIFY(!IsRunOnStartup());
        QCOMPARE(SetRunOnStartup(false, QString()), QString());
        QCOMPARE(SetRunOnStartup(true, QStringLiteral("/new/place/lumora")), QString());
        QFile file(AutostartEntryPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Exec=/new/place/lumora /d40\n"));
    }

    // What another copy of the program wrote counts: the content is not examined.
    void anyEntryCountsAsOn() {
        QVERIFY(QDir().mkpath(QFileInfo(AutostartEntryPath()).absolutePath()));
        QFile file(AutostartEntryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nExec=/elsewhere/lumora /d40\n");
        file.close();
        QVERIFY(IsRunOnStartup());
    }

    void execArgument_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "/usr/bin/lumora"
                               << "/usr/bin/lumora";
        QTest::newRow("space") << "/home/a b/lumora"
                               << "\"/home/a b/lumora\"";
        QTest::newRow("percent") << "/opt/100%/lumora"
                                 << "/opt/100%%/lumora";
        // Inside quotes, " ` $ \ take a backslash, and the file's own escaping doubles backslashes.
        QTest::newRow("dollar") << "/opt/$x/lumora"
                                << "\"/opt/\\\\$x/lumora\"";
        QTest::newRow("quote") << "/opt/a\"b/lumora"
                               << "\"/opt/a\\\\\"b/lumora\"";
    }
    void execArgument() {
        QFETCH(QString, argument);
        QTEST(DesktopExecArgument(argument), "written");
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
