#include "platform/DataFolderMove.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

void CreateFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestLMRLib : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dataAndCacheFollowTheBaseDirectories() {
        QCOMPARE(DataDirectory(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/lumora"));
        QCOMPARE(CacheDirectory(), qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/lumora"));
        QCOMPARE(LanguageDirectory(QStringLiteral("/x"), 12), QStringLiteral("/x/lang12"));
    }

    // The old documents folder moves over whole, once; a new folder that exists already is never
    // mixed with it. The other file system is a memory file system where the machine has one.
    void theOldDataFolderMovesOverOnce_data() {
        QTest::addColumn<QString>("oldBase");
        QTest::addColumn<bool>("newExists");
        QTest::addColumn<bool>("moved");
        const QString home = qEnvironmentVariable("HOME");
        QTest::newRow("same file system") << home << false << true;
        QTest::newRow("another file system") << QStringLiteral("/dev/shm") << false << true;
        QTest::newRow("the new folder exists") << home << true << false;
    }
    void theOldDataFolderMovesOverOnce() {
        QFETCH(QString, oldBase);
        QFETCH(bool, newExists);
        QFETCH(bool, moved);
        QTemporaryDir old(oldBase + QStringLiteral("/Lumora-XXXXXX"));
        QVERIFY(old.isValid());
        const QTemporaryDir scratch;
        const QString target = scratch.filePath(QStringLiteral("share/lumora"));
        if (newExists)
            CreateFile(target + QStringLiteral("/Custom.Cams"));
        for (const char* name : {"Custom.Cams", "messages.cam", "lang1/properties.cam"})
            CreateFile(old.filePath(QLatin1String(name)));

        const TResult<bool> result = MoveOldDataFolder(old.path(), target);
        QVERIFY2(result.Ok(), qPrintable(result.Error()));
        QCOMPARE(*result, moved);
        QCOMPARE(QFileInfo::exists(old.path()), !moved);
        QCOMPARE(QFileInfo::exists(target + QStringLiteral("/lang1/properties.cam")), moved);
        QCOMPARE(QFileInfo::exists(target + QStringLiteral("/messages.cam")), moved);
        QVERIFY(!QFileInfo::exists(target + QStringLiteral(".moving")));
        QVERIFY(MoveOldDataFolder(old.path(), target).Ok()); // once: a second start finds nothing to move
    }

    void formatsIdentifierParts_data() {
        QTest::addColumn<quint32>("signature");
        QTest::addColumn<quint32>("high");
        QTest::addColumn<quint32>("low");
        QTest::addColumn<QString>("text");
        QTest::newRow("zeros") << 0u << 0u << 0u << QStringLiteral("0000-0000-0000-0000-0000-0000");
        QTest::newRow("mixed") << 0x000806ECu << 0xDEADBEEFu << 0x1u
                               << QStringLiteral("0008-06EC-DEAD-BEEF-0000-0001");
    }
    void formatsIdentifierParts() {
        QFETCH(quint32, signature);
        QFETCH(quint32, high);
        QFETCH(quint32, low);
        QFETCH(QString, text);
        QCOMPARE(FormatProcessorId({signature, high, low}), text);
    }

    void picksTheFirstRealAdapter_data() {
        using Addresses = QList<MachineIdentity::HardwareAddress>;
        QTest::addColumn<Addresses>("addresses");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << Addresses{} << QStringLiteral("00-00-00-00-00-00");
        QTest::newRow("first real") << Addresses{{0, 0, 0, 0, 0, 0},
                                                 {0x52, 0x54, 0, 0xab, 0x0c, 0xff},
                                                 {1, 2, 3, 4, 5, 6}}
                                    << QStringLiteral("52-54-00-AB-0C-FF");
    }
    void picksTheFirstRealAdapter() {
        QFETCH(QList<MachineIdentity::HardwareAddress>, addresses);
        QFETCH(QString, text);
        QCOMPARE(AdapterAddressText(addresses), text);
    }

    void computerIdentifierHasItsShape() {
        QCOMPARE(FormatVolumeId(std::nullopt), QStringLiteral("00000000"));
        QCOMPARE(FormatVolumeId(0xABCu), QStringLiteral("00000ABC"));
        const QString id = ComputerIdentifier();
        QCOMPARE(id.size(), 29 + 17 + 8);
        static const QRegularExpression shape(
            QStringLiteral("^[0-9A-F]{4}(-[0-9A-F]{4}){5}[0-9A-F]{2}(-[0-9A-F]{2}){5}[0-9A-F]{8}$"));
        QVERIFY2(shape.match(id).hasMatch(), qPrintable(id));
        QCOMPARE(ComputerIdentifier(), id);
    }

    void versionTextHasFourNumbers() {
        static const QRegularExpression shape(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
        QVERIFY(shape.match(ProgramVersionText()).hasMatch());
    }

    void helpPagesPreferTheDataDirectory() {
        QList<QUrl> opened;
        SetShellOpenHandler([&](const QUrl& url) {
            opened << url;
            return true;
        });
        const QString relative = QStringLiteral("/lang3/help/index.html");
        const QString inData = DataDirectory() + relative;
        const QString inProgram = ProgramDirectory() + relative;

        OpenHelpPage(QStringLiteral("index"), 3);
        QVERIFY(opened.isEmpty());

        CreateFile(inProgram);
        OpenHelpPage(QStringLiteral("index"), 3);
        CreateFile(inData);
        OpenHelpPage(QStringLiteral("index"), 3);
        QDir(ProgramDirectory() + QStringLiteral("/lang3")).removeRecursively();

        QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(inProgram), QUrl::fromLocalFile(inData)}));
        QVERIFY(HelpPagePath(QStringLiteral("camform"), 3).isEmpty());
        SetShellOpenHandler({});
    }

    void createsDirectoriesWithParents() {
        QTemporaryDir dir;
        const QString nested = dir.filePath(QStringLiteral("a/b/c/"));
        QVERIFY(!DirectoryExists(nested));
        QVERIFY(ForceDirectories(nested).Ok());
        QVERIFY(DirectoryExists(nested));
        QVERIFY(ForceDirectories(nested).Ok());
        QCOMPARE(ForceDirectories(QString()).Error(),
                 QStringLiteral("Das Verzeichnis kann nicht erstellt werden"));
        QVERIFY(!ForceDirectories(QStringLiteral("/proc/lumora/x")).Ok());
        QVERIFY(!DirectoryExists(dir.filePath(QStringLiteral("missing"))));
    }
};

QTEST_GUILESS_MAIN(TestLMRLib)
#include "tst_lmrlib.moc"
