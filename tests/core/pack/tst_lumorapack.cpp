#include "core/pack/HandPack.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using HandPack::ReadFile;
using HandPack::WriteFile;

namespace {

struct Run {
    int Exit = -1;
    QString Out;
    QString Error;
};

Run Pack(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(LUMORA_PACK_TOOL), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class TestLumoraPack : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_language;

private Q_SLOTS:
    void initTestCase() {
        m_language = m_scratch.filePath("lang4");
        WriteFile(m_language + "/Language.lng", QByteArray(3000, 'L'));
        WriteFile(m_language + "/skins/main/back.bmp", HandPack::NoiseBytes(5000, 9));
        WriteFile(m_language + "/help/index.html", "<html>manual</html>");
    }

    void createsListsTestsAndExtracts_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("directory");
        QTest::newRow("defaults") << QStringList{} << "compressed"
                                  << "directory compressed";
        QTest::newRow("stored, plain directory") << QStringList{"--stored", "--plain-directory"} << "stored"
                                                 << "directory plain";
    }
    void createsListsTestsAndExtracts() {
        QFETCH(QStringList, options);
        QFETCH(QString, method);
        QFETCH(QString, directory);
        const QString pack = m_scratch.filePath("lang4.pak");
        const Run create = Pack(QStringList{"create"} + options + QStringList{pack, m_language});
        QCOMPARE(create.Exit, 0);
        QVERIFY2(create.Out.startsWith("Wrote " + pack + ": 3 files"), qPrintable(create.Out));
        // This pack is too small for the program's download window, and the author hears of it.
        QVERIFY2(create.Error.contains("warning: Lumora takes a downloaded pack of 20000 bytes or less"),
                 qPrintable(create.Error));

        const Run list = Pack({"list", pack});
        QCOMPARE(list.Exit, 0);
        const QString crc =
            QStringLiteral("%1").arg(HandPack::Crc(QByteArray(3000, 'L')), 8, 16, QLatin1Char('0'));
        QVERIFY2(
            list.Out.contains(QRegularExpression("\\b3000  " + method + " +" + crc + " +Language\\.lng\n")),
            qPrintable(list.Out));
        QVERIFY2(
            list.Out.contains(QRegularExpression("5000  stored +[0-9a-f]{8}  skins\\\\main +back\\.bmp\n")),
            qPrintable(list.Out));
        QVERIFY(list.Out.endsWith("3 files, 8019 bytes; " + directory + "\n"));

        const Run test = Pack({"test", pack});
        QCOMPARE(test.Exit, 0);
        QVERIFY(test.Out.contains("3 files are sound"));

        const QString out = m_scratch.filePath("extracted");
        const Run extract = Pack({"extract", "--check-crc", pack, out});
        QCOMPARE(extract.Exit, 0);
        QCOMPARE(ReadFile(out + "/skins/main/back.bmp"), HandPack::NoiseBytes(5000, 9));
        QCOMPARE(ReadFile(out + "/help/index.html"), QByteArray("<html>manual</html>"));
    }

    void reportsBrokenPacks() {
        HandPack::Builder builder;
        builder.Add("good.txt", "", QByteArray(500, 'g'), false);
        builder.Add("bad.txt", "sub", QByteArray(500, 'b'), false);
        builder.Entries[1].CRC ^= 1;
        const QString pack = m_scratch.filePath("broken.pak");
        WriteFile(pack, builder.Finish(true));

        const Run test = Pack({"test", pack});
        QCOMPARE(test.Exit, 1);
        QVERIFY2(test.Error.contains("sub\\bad.txt: File (1) is corrupt"), qPrintable(test.Error));
        QVERIFY(test.Error.contains("1 of 2 files are corrupt"));
        // Extraction trusts the entries as the program does, unless asked to check.
        QCOMPARE(Pack({"extract", pack, m_scratch.filePath("trusting")}).Exit, 0);
        const Run checked = Pack({"extract", "--check-crc", pack, m_scratch.filePath("checking")});
        QCOMPARE(checked.Exit, 1);
        QVERIFY(checked.Error.contains("File (1) is corrupt"));

        QByteArray spoilt = ReadFile(pack);
        spoilt[3] = static_cast<char>(spoilt[3] ^ 0x10);
        WriteFile(pack, spoilt);
        const QStringList extract{"extract", pack, m_scratch.filePath("never")};
        for (const QStringList& arguments : {QStringList{"list", pack}, QStringList{"test", pack}, extract}) {
            const Run run = Pack(arguments);
            QCOMPARE(run.Exit, 1);
            QVERIFY(run.Error.contains("The archive file appears to be corrupted"));
        }
        QVERIFY(!QFileInfo::exists(m_scratch.filePath("never")));
    }

    void failsClearly_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << 2 << "Usage: lumora-pack COMMAND";
        QTest::newRow("unknown command") << QStringList{"pack"} << 2 << "unknown command pack";
        QTest::newRow("missing arguments") << QStringList{"create", "x.pak"} << 2 << "missing arguments";
        QTest::newRow("extra argument")
            << QStringList{"list", "a.pak", "b.pak"} << 2 << "unexpected argument b.pak";
        QTest::newRow("unknown option")
            << QStringList{"list", "--fast", "a.pak"} << 2 << "unknown option --fast";
        QTest::newRow("missing pack") << QStringList{"test", "absent.pak"} << 1 << "Archive file not found";
        QTest::newRow("empty pack name") << QStringList{"list", ""} << 1 << "no pack file named";
        QTest::newRow("missing folder")
            << QStringList{"create", "x.pak", "absent"} << 1 << "is not a directory";
    }
    void failsClearly() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const Run run = Pack(arguments);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(run.Error.contains(message), qPrintable(run.Error));
    }

    void explainsEachCommand_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("usage");
        QTest::newRow("tool") << QStringList{"--help"} << "Usage: lumora-pack COMMAND";
        QTest::newRow("create") << QStringList{"create", "--help"} << "Usage: lumora-pack create [--stored]";
        QTest::newRow("list") << QStringList{"list", "-h"} << "Usage: lumora-pack list PACK.pak";
        QTest::newRow("test") << QStringList{"test", "--help"} << "Usage: lumora-pack test PACK.pak";
        QTest::newRow("extract") << QStringList{"extract", "--help"}
                                 << "Usage: lumora-pack extract [--check-crc]";
    }
    void explainsEachCommand() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, usage);
        const Run run = Pack(arguments);
        QCOMPARE(run.Exit, 0);
        QVERIFY2(run.Out.startsWith(usage), qPrintable(run.Out));
    }
};

QTEST_GUILESS_MAIN(TestLumoraPack)
#include "tst_lumorapack.moc"
