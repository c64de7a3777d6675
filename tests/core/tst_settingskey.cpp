#include "core/SettingsKey.h"

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

    // Text in cams and paths is bytes in whatever code page the server or user wrote it.
    void stringValuesKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("value");
        for (int code = 0; code < 256; ++code)
            QTest::addRow("byte %02x", code) << QByteArray(1, char(code));
        QByteArray everyByte;
        for (int code = 255; code >= 0; --code)
            everyByte.append(char(code));
        QTest::newRow("every byte") << everyByte;
        QTest::newRow("latin-1 name") << QByteArray("Z\xfc"
                                                    "rich, Bahnhof; \"S\xfc"
                                                    "d\"");
        QTest::newRow("utf-8 name") << QByteArray("Z\xc3\xbcrich");
        QTest::newRow("line breaks and blanks") << QByteArray("  a\r\nb\n ");
    }

    void stringValuesKeepTheirBytes() {
        QFETCH(QByteArray, value);
        {
            auto key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
            key->WriteString(QStringLiteral("Name"), value);
            QVERIFY(key->Close());
        }
        QCOMPARE(TSettingsKey::Open()->ReadString(QStringLiteral("Name")), std::optional<QByteArray>(value));
    }

    void asciiValuesStayReadableInTheFile() {
        auto key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        key->WriteString(QStringLiteral("URL"), "http://cams.example/live.jpg");
        key->Close();
        QFile file(TSettingsKey::FilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("URL=http://cams.example/live.jpg\n"));
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
