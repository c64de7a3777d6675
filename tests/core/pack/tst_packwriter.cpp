#include "core/pack/HandPack.h"
#include "core/pack/PackWriter.h"
#include "core/pack/ZLIBArchive.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using HandPack::ReadFile;
using HandPack::WriteFile;

namespace {

// Every file below root with its content, keyed by its path relative to root.
QMap<QString, QByteArray> Tree(const QString& root) {
    QMap<QString, QByteArray> tree;
    QDirIterator files(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        tree.insert(QDir(root).relativeFilePath(path), ReadFile(path));
    }
    return tree;
}

} // namespace

class TestPackWriter : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_language;

private Q_SLOTS:
    void initTestCase() {
        m_language = m_scratch.filePath("lang7");
        QByteArray help;
        for (int i = 0; i < 3000; ++i)
            help += "<p>Paragraph " + QByteArray::number(i) + " of the manual.</p>\r\n";
        WriteFile(m_language + "/Language.lng", "object=mainform\r\ncaption=Lumora\r\nend\r\n");
        WriteFile(m_language + "/help/index.html", help);
        WriteFile(m_language + "/help/pictures/shot.gif", HandPack::NoiseBytes(7000, 5));
        WriteFile(m_language + "/skins/main/back.bmp", QByteArray(60000, '\x40'));
        WriteFile(m_language + "/skins/.keep", QByteArray());
        WriteFile(m_language + "/Überschrift.txt", "non-ASCII names travel as UTF-8 bytes");
    }

    void roundTrips_data() {
        QTest::addColumn<bool>("compressMembers");
        QTest::addColumn<bool>("compressDirectory");
        QTest::newRow("compressed members and directory") << true << true;
        QTest::newRow("compressed members, plain directory") << true << false;
        QTest::newRow("stored members, compressed directory") << false << true;
        QTest::newRow("stored members, plain directory") << false << false;
    }
    void roundTrips() {
        QFETCH(bool, compressMembers);
        QFETCH(bool, compressDirectory);
        const QString pack = m_scratch.filePath("roundtrip.pak");
        QCOMPARE(WritePack(pack, m_language, {compressMembers, compressDirectory}).Error(), QString());

        TZLBArchive archive;
        archive.ExtractWithPath = true;
        archive.CheckCRC = true;
        QVERIFY(archive.OpenArchive(pack).ValueOr(false));
        QCOMPARE(*archive.FileCount(), 6);
        QCOMPARE(archive.Trailer().DirectoryCompressed(), compressDirectory);
        QMap<QByteArray, TZLBFileEntry> entries;
        for (int i = 0; i < *archive.FileCount(); ++i) {
            const TZLBFileEntry entry = *archive.GetFileEntry(i);
            entries.insert(entry.RelativeDirectory() + '|' + entry.FileName(), entry);
            QVERIFY(archive.VerifyFile(i));
        }
        QVERIFY(entries.contains("help\\pictures|shot.gif"));
        QVERIFY(entries.contains("|Language.lng"));
        // Compressing stores what would not shrink, so packs of pictures cost nothing extra.
        QCOMPARE(entries["skins\\main|back.bmp"].Stored(), !compressMembers);
        QVERIFY(entries["help\\pictures|shot.gif"].Stored());
        QVERIFY(entries["skins|.keep"].Stored());
        QCOMPARE(entries["help|index.html"].Size(), ReadFile(m_language + "/help/index.html").size());

        const QString out =
            m_scratch.filePath(QStringLiteral("out-%1-%2").arg(compressMembers).arg(compressDirectory));
        QVERIFY(archive.ExtractFiles(out + "/"));
        QCOMPARE(Tree(out), Tree(m_language));
    }

    void memoryAndFileAgree() {
        const QString pack = m_scratch.filePath("same.pak");
        QCOMPARE(WritePack(pack, m_language).Error(), QString());
        QCOMPARE(BuildPack(m_language, {}).ValueOr({}), ReadFile(pack));
    }

    void packInsideItsOwnFolderLeavesItselfOut() {
        const QString folder = m_scratch.filePath("self");
        WriteFile(folder + "/a.txt", "alpha");
        QCOMPARE(WritePack(folder + "/pack.pak", folder).Error(), QString());
        QCOMPARE(WritePack(folder + "/pack.pak", folder).Error(), QString());
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(folder + "/pack.pak").ValueOr(false));
        QCOMPARE(*archive.FileCount(), 1);
    }

    void emptyFolderMakesAnEmptyPack() {
        const QString folder = m_scratch.filePath("empty");
        QDir().mkpath(folder);
        const TResult<QByteArray> pack = BuildPack(folder, {});
        QVERIFY2(pack.Ok(), qPrintable(pack.Error()));
        TZLBArchive archive;
        WriteFile(folder + ".pak", *pack);
        QVERIFY(archive.OpenArchive(folder + ".pak").ValueOr(false));
        QCOMPARE(*archive.FileCount(), 0);
    }

    void refusesWhatAPackCannotHold_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QString>("reason");
        QTest::newRow("backslash in a name") << "skins/odd\\name.bmp"
                                             << "directory separator";
        QTest::newRow("directory over 255 bytes") << QString(130, 'd') + "/" + QString(130, 'e') + "/f.txt"
                                                  << "longer than 255 bytes";
    }
    void refusesWhatAPackCannotHold() {
        QFETCH(QString, relativePath);
        QFETCH(QString, reason);
        const QString folder = m_scratch.filePath(QTest::currentDataTag());
        WriteFile(folder + "/" + relativePath, "x");
        const QString pack = m_scratch.filePath("refused.pak");
        WriteFile(pack, "previous pack");
        const QString error = WritePack(pack, folder).Error();
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(ReadFile(pack), QByteArray("previous pack"));
        QCOMPARE(BuildPack(folder, {}).Error(), error);
    }

    void refusesMissingFolderAndUnwritablePack() {
        const QString absent = m_scratch.filePath("absent");
        QVERIFY(WritePack(m_scratch.filePath("x.pak"), absent).Error().contains("not a directory"));
        const QString blocked = m_scratch.filePath("blocker");
        WriteFile(blocked, "a file, not a folder");
        QVERIFY(WritePack(blocked + "/x.pak", m_language).Error().startsWith("cannot write"));

        // A file larger than the program would ever unpack is refused before it is read; a sparse file
        // makes one without filling the disk.
        const QString huge = m_scratch.filePath("huge");
        QDir().mkpath(huge);
        QFile sparse(huge + "/video.avi");
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(TZLBArchive::MaxUnpackedBytes + 1));
        sparse.close();
        const QString refused = WritePack(m_scratch.filePath("huge.pak"), huge).Error();
        QVERIFY(refused.contains("the program would refuse the pack"));
    }
};

QTEST_GUILESS_MAIN(TestPackWriter)
#include "tst_packwriter.moc"
