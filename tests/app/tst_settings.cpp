// The general settings, the first-run test and the refresh rules, on the real settings file.
#include "app/GeneralSettings.h"
#include "core/SettingsKey.h"
#include "wallpaper/RefreshRule.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QFile::remove(TSettingsKey::FilePath()); }

    void missingKeyLoadsAndSavesNothing() {
        QVERIFY(!LoadGeneralSettings());
        QVERIFY(!SaveGeneralSettings(true, true, true, 3));
        QVERIFY(!TSettingsKey::Exists());
    }

    void saveThenLoad() {
        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        QVERIFY(SaveGeneralSettings(true, false, true, 12));
        const std::optional<TGeneralSettings> settings = LoadGeneralSettings();
        QVERIFY(settings);
        QCOMPARE(settings->Stretch, std::optional<bool>(true));
        QCOMPARE(settings->Active, std::optional<bool>(false));
        QCOMPARE(settings->ShowMessages, std::optional<bool>(true));
        QCOMPARE(settings->Language, std::optional<int>(12));
        // Booleans are stored as integers.
        QFile file(TSettingsKey::FilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("Stretch=1") && text.contains("Active=0"), text.constData());
    }

    void absentAndBrokenValuesLeaveTheProgramsOwn() {
        QFile file(TSettingsKey::FilePath());
        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nActive=yes\nLanguage=4\n");
        file.close();
        const std::optional<TGeneralSettings> settings = LoadGeneralSettings();
        QVERIFY(settings);
        QVERIFY(!settings->Active);
        QVERIFY(!settings->ShowMessages);
        QVERIFY(!settings->Stretch);
        QCOMPARE(settings->Language, std::optional<int>(4));
    }

    // A program killed while it took the file's lock leaves the lock file empty; one killed while it
    // removed a dead owner's lock leaves Qt's guard for that removal empty. The next save takes either over
    // instead of waiting the half minute Qt gives a lock that names no owner.
    void saveAfterAWriterWasKilledTakingTheLock_data() {
        QTest::addColumn<QByteArray>("lockContent");
        QTest::addColumn<bool>("removalGuardLeft");
        QTest::newRow("lock left empty") << QByteArray() << false;
        QTest::newRow("removal guard left empty")
            << "999999999\nlumora\n" + QSysInfo::machineHostName().toUtf8() + "\n"
            << true;
    }
    void saveAfterAWriterWasKilledTakingTheLock() {
        QFETCH(QByteArray, lockContent);
        QFETCH(bool, removalGuardLeft);
        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        const QString lockPath = TSettingsKey::FilePath() + ".lock";
        QFile left(lockPath);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write(lockContent);
        left.close();
        if (removalGuardLeft)
            QVERIFY(QFile(lockPath + ".rmlock").open(QIODevice::WriteOnly));
        QElapsedTimer saving;
        saving.start();
        QVERIFY(SaveGeneralSettings(true, false, true, 7));
        QVERIFY2(saving.elapsed() < 15000, "the save waited for the abandoned lock");
        QCOMPARE(LoadGeneralSettings()->Language, std::optional<int>(7));
    }

    void firstRun_data() {
        QTest::addColumn<QByteArray>("content"); // "-" for no settings file at all
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("no key") << QByteArray("-") << true;
        QTest::newRow("no URL") << QByteArray("[General]\nActive=1\n") << true;
        QTest::newRow("empty URL") << QByteArray("[General]\nURL=\n") << true;
        QTest::newRow("a cam was committed") << QByteArray("[General]\nURL=http://cams/a.jpg\n") << false;
    }
    void firstRun() {
        QFETCH(QByteArray, content);
        if (content != "-") {
            QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
            QFile file(TSettingsKey::FilePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QTEST(IsFirstRun(), "firstRun");
        // Asking creates the key, so that the first save has somewhere to go.
        QVERIFY(TSettingsKey::Exists());
    }

    void refreshFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fallback");
        QTest::addColumn<int>("refresh");
        QTest::newRow("typed number") << "5" << 60 << 5;
        QTest::newRow("letters") << "abc" << 30 << 30;
        QTest::newRow("empty") << "" << 30 << 30;
        QTest::newRow("zero") << "0" << 30 << 30;
        QTest::newRow("negative") << "-7" << 30 << 30;
        QTest::newRow("too long for a timer") << "3000000" << 30 << 30;
        QTest::newRow("longest") << "2147483" << 30 << 2147483;
    }
    void refreshFromText() {
        QFETCH(QString, text);
        QFETCH(int, fallback);
        QTEST(RefreshFromText(text, fallback), "refresh");
    }

    void timerInterval_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("a minute") << 60 << 60000;
        QTest::newRow("one second") << 1 << 1000;
        // A stored 0 would fetch without pause; it gets the catalogue's default.
        QTest::newRow("zero") << 0 << 60000;
        QTest::newRow("negative") << -5 << 60000;
        QTest::newRow("too long") << 3000000 << 60000;
    }
    void timerInterval() {
        QFETCH(int, seconds);
        QTEST(RefreshIntervalMilliseconds(seconds), "milliseconds");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
