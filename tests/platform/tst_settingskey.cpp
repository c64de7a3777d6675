#include "platform/SettingsKey.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

class TestSettingsKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(TSettingsKey::FilePath()); }

    void missingKeyIsNotCreatedByOpen() {
        QVERIFY(!TSettingsKey::Open());
        QVERIFY(!TSettingsKey::Exists());
        QVERIFY(!QFileInfo::exists(TSettingsKey::FilePath()));
    }

    void creatingTheKeyCreatesItsFile() {
        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        QVERIFY(TSettingsKey::Exists());
        QVERIFY(TSettingsKey::FilePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QVERIFY(TSettingsKey::Open());
    }

    void valuesRoundTrip() {
        {
            auto key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
            key->WriteBool(QStringLiteral("Active"), true);
            key->WriteInteger(QStringLiteral("Refresh"), -5);
            key->WriteString(QStringLiteral("URL"), "http://h/a.jpg?x=1&y=2, z");
            key->WriteString(QStringLiteral("Name"), "@Ünïcode; \"quoted\"");
            key->WriteString(QStringLiteral("Empty"), QByteArray());
            QVERIFY(key->Close());
        }
        auto key = TSettingsKey::Open();
        QVERIFY(key);
        QCOMPARE(key->ReadBool(QStringLiteral("Active")), std::optional<bool>(true));
        QCOMPARE(key->ReadInteger(QStringLiteral("Active")), std::optional<int>(1));
        QCOMPARE(key->ReadInteger(QStringLiteral("Refresh")), std::optional<int>(-5));
        QCOMPARE(key->ReadString(QStringLiteral("URL")),
                 std::optional<QByteArray>("http://h/a.jpg?x=1&y=2, z"));
        QCOMPARE(key->ReadString(QStringLiteral("Name")), std::optional<QByteArray>("@Ünïcode; \"quoted\""));
        QVERIFY(key->ValueExists(QStringLiteral("Empty")));
        QCOMPARE(key->ReadString(QStringLiteral("Empty")), std::optional<QByteArray>(QByteArray()));
        QVERIFY(!key->ValueExists(QStringLiteral("Missing")));
        QVERIFY(!key->ReadInteger(QStringLiteral("Missing")));
        QVERIFY(!key->ReadString(QStringLiteral("Missing")));
        QVERIFY(!key->ReadInteger(QStringLiteral("URL")));

        key->DeleteValue(QStringLiteral("URL"));
        key->Close();
        QVERIFY(!TSettingsKey::Open()->ValueExists(QStringLiteral("URL")));
    }

    void valuesSitAtTheTopLevelOfTheFile() {
        auto key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        key->WriteInteger(QStringLiteral("Language"), 3);
        key->Close();
        QFile file(TSettingsKey::FilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().trimmed(), QByteArray("[General]\nLanguage=3"));
    }

    void aBrokenFileReadsAsMissingValues() {
        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        QFile file(TSettingsKey::FilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\0\xff[[[=\n=Active\nActive=yes\n", 26));
        file.close();
        auto key = TSettingsKey::Open();
        QVERIFY(key);
        QVERIFY(!key->ReadBool(QStringLiteral("Active")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsKey)
#include "tst_settingskey.moc"
