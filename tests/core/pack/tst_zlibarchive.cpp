#include "core/pack/HandPack.h"
#include "core/pack/ZLIBArchive.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <unistd.h>

using HandPack::Builder;
using HandPack::Entry;
using HandPack::ReadFile;

namespace {

QByteArray Text(int size, char seed) {
    QByteArray text;
    while (text.size() < size)
        text += "line " + QByteArray::number(text.size()) + " of the help page " + seed + "\r\n";
    return text.left(size);
}

using Tweak = std::function<void(Builder&)>;

} // namespace

class TestZLIBArchive : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    int m_serial = 0;

    QString Place(const QByteArray& bytes) {
        const QString path = m_scratch.filePath(QStringLiteral("pack%1.pak").arg(++m_serial));
        HandPack::WriteFile(path, bytes);
        return path;
    }
    QString NewDestination() { return m_scratch.filePath(QStringLiteral("out%1/").arg(++m_serial)); }

private Q_SLOTS:
    // The standard check value of this CRC-32, whole and fed in uneven pieces as the reader does.
    void packChecksumIsTheCommonCrc32() {
        const QByteArray check("123456789");
        QCOMPARE(PackCRC::Checksum(check), 0xCBF43926u);
        quint32 running = PackCRC::Empty;
        for (int at = 0; at < check.size(); at += 4)
            running =
                PackCRC::Update(running, check.constData() + at, std::min<qsizetype>(4, check.size() - at));
        QCOMPARE(running, 0xCBF43926u);
    }

    void defaults() {
        const TZLBArchive archive;
        QCOMPARE(archive.CompressionLevel, fcDefault);
        QVERIFY(!archive.ExtractWithPath && !archive.CheckCRC && !archive.SavePaths && !archive.RecursePaths);
        QVERIFY(!archive.OnReplaceFile && !archive.OnFileExtracted && !archive.OnArchiveOpened &&
                !archive.OnProgress);
        QVERIFY(archive.ArchiveName().isEmpty());
        QCOMPARE(archive.FileCount().Error(), QStringLiteral("No archive is currently open"));
    }

    void extractsMembers_data() {
        QTest::addColumn<bool>("compressDirectory");
        QTest::addColumn<char>("filler");
        QTest::newRow("plain directory") << false << '\0';
        QTest::newRow("compressed directory") << true << '\0';
        QTest::newRow("ignored bytes filled") << false << '\xAB';
        QTest::newRow("ignored bytes filled, compressed directory") << true << '\x5A';
    }
    void extractsMembers() {
        QFETCH(bool, compressDirectory);
        QFETCH(char, filler);
        Builder pack;
        const QByteArray text = Text(9000, 'a');
        const QByteArray noise = HandPack::NoiseBytes(5000, 3);
        pack.Body = "leading bytes no entry points at";
        pack.Add("Language.lng", "", text, false);
        pack.Add("back.bmp", "skins\\main", noise, true);
        pack.Add("empty.txt", "", QByteArray(), true);
        pack.Add("index.html", "\\help\\", Text(4096, 'b'), false);
        for (Entry& entry : pack.Entries) {
            entry.Filler = filler;
            if (filler != '\0')
                entry.PackedSize.reset();
        }
        TZLBArchive archive;
        archive.ExtractWithPath = true;
        archive.CheckCRC = true;
        const QString path = Place(pack.Finish(compressDirectory, filler));
        QVERIFY(archive.OpenArchive(path).ValueOr(false));
        QCOMPARE(archive.ArchiveName(), path);
        QCOMPARE(*archive.FileCount(), 4);
        const TZLBFileEntry entry = *archive.GetFileEntry(1);
        QCOMPARE(entry.FileName(), QByteArray("back.bmp"));
        QCOMPARE(entry.RelativeDirectory(), QByteArray("skins\\main"));
        QCOMPARE(entry.Size(), 5000);
        QVERIFY(entry.Stored());
        QCOMPARE(entry.CRC(), HandPack::Crc(noise));
        QVERIFY(!archive.GetFileEntry(0)->Stored());

        const QString destination = NewDestination();
        QVERIFY(archive.ExtractFiles(destination));
        QCOMPARE(ReadFile(destination + "Language.lng"), text);
        QCOMPARE(ReadFile(destination + "skins/main/back.bmp"), noise);
        QVERIFY(QFileInfo(destination + "empty.txt").isFile());
        QCOMPARE(ReadFile(destination + "help/index.html"), Text(4096, 'b'));
    }

    void zeroEntries_data() {
        QTest::addColumn<bool>("compressDirectory");
        QTest::newRow("plain") << false;
        QTest::newRow("compressed") << true;
    }
    void zeroEntries() {
        QFETCH(bool, compressDirectory);
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(Place(Builder().Finish(compressDirectory))).ValueOr(false));
        QCOMPARE(*archive.FileCount(), 0);
        const QString destination = NewDestination();
        QVERIFY(archive.ExtractFiles(destination));
        QVERIFY(!QFileInfo::exists(destination));
        QCOMPARE(archive.GetFileEntry(0).Error(), QStringLiteral("Index out of bounds"));
    }

    void emptyNameOpensNothing() {
        TZLBArchive archive;
        QCOMPARE(archive.OpenArchive(QString()).ValueOr(true), false);
        QVERIFY(archive.ArchiveName().isEmpty());
    }

    void ignoresTrailerBytesItDoesNotRead_data() {
        QTest::addColumn<int>("at");
        for (int at : {8, 11, 12, 15, 21, 28, 35})
            QTest::addRow("trailer byte %d", at) << at;
    }
    void ignoresTrailerBytesItDoesNotRead() {
        QFETCH(int, at);
        Builder pack;
        pack.Add("a.txt", "", "alpha", false);
        QByteArray bytes = pack.Finish(false);
        bytes[bytes.size() - 36 + at] = static_cast<char>(bytes[bytes.size() - 36 + at] ^ 0x5A);
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(Place(bytes)).ValueOr(false));
        QCOMPARE(*archive.FileCount(), 1);
    }

    // Every byte before the trailer is covered by its CRC, as is a file too short to hold one.
    void refusesCorruptedArchive_data() {
        QTest::addColumn<QByteArray>("bytes");
        Builder pack;
        pack.Add("a.txt", "", Text(300, 'c'), false);
        const QByteArray good = pack.Finish(true);
        for (int at : {0, 5, int(good.size()) - 37, int(good.size()) - 36, int(good.size()) - 33}) {
            QByteArray changed = good;
            changed[at] = static_cast<char>(changed[at] ^ 1);
            QTest::addRow("byte %d changed", at) << changed;
        }
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("35 bytes") << QByteArray(35, '\0');
        QTest::newRow("trailer cut short") << good.left(good.size() - 1);
    }
    void refusesCorruptedArchive() {
        QFETCH(QByteArray, bytes);
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(Place(Builder().Finish(false))).ValueOr(false));
        QCOMPARE(archive.OpenArchive(Place(bytes)).Error(),
                 QStringLiteral("The archive file appears to be corrupted"));
        QVERIFY(archive.ArchiveName().isEmpty());
        QCOMPARE(archive.Trailer().Bytes, TZLBTrailer().Bytes);
        QCOMPARE(archive.FileCount().Error(), QStringLiteral("No archive is currently open"));
    }

    void refusesMissingOrUnopenableFile() {
        TZLBArchive archive;
        QCOMPARE(archive.OpenArchive(m_scratch.filePath("absent.pak")).Error(),
                 QStringLiteral("Archive file not found"));
        QVERIFY(archive.ArchiveName().isEmpty());
        const QString folder = m_scratch.filePath("folder.pak");
        QDir().mkpath(folder);
        QCOMPARE(archive.OpenArchive(folder).Error(), QStringLiteral("Unable to open file (%1)").arg(folder));
        QVERIFY(archive.ArchiveName().isEmpty());
    }

    void refusesUnreadableDirectory_data() {
        QTest::addColumn<QByteArray>("bytes");
        Builder pack;
        pack.Add("a.txt", "", Text(2000, 'd'), false);
        pack.Add("b.txt", "", Text(3000, 'e'), true);
        const QByteArray directory = pack.DirectoryBytes();
        const qint32 at = pack.Body.size();
        const auto archive = [&](const QByteArray& tail, qint32 count, qint32 offset, bool compressed) {
            return Builder::WithTrailer(pack.Body + tail, {count, offset, compressed});
        };
        QTest::newRow("negative count") << archive(directory, -1, at, false);
        QTest::newRow("count past the file") << archive(directory, 3, at, false);
        QTest::newRow("count past the bound") << archive(HandPack::ZlibStream(QByteArray(532 * 2, '\0')),
                                                         TZLBArchive::MaxEntries + 1, at, true);
        QTest::newRow("negative offset") << archive(directory, 2, -532, false);
        QTest::newRow("offset past the trailer") << archive(directory, 2, at + 4096, false);
        QTest::newRow("offset inside the trailer") << archive(directory, 2, at + 1064 + 4, true);
        QTest::newRow("plain directory runs into the trailer") << archive(directory, 2, at + 1, false);
        QTest::newRow("compressed directory is not zlib") << archive(directory, 2, at, true);
        QTest::newRow("compressed directory cut short")
            << archive(HandPack::ZlibStream(directory).chopped(10), 2, at, true);
        QTest::newRow("compressed directory ends early")
            << archive(HandPack::ZlibStream(directory.left(600)), 2, at, true);

        Builder huge;
        huge.Body = "x";
        huge.Entries = {Entry{"big1", "", qint32(TZLBArchive::MaxUnpackedBytes / 2 + 1), 0, 0, false, {}},
                        Entry{"big2", "", qint32(TZLBArchive::MaxUnpackedBytes / 2 + 1), 0, 0, false, {}}};
        QTest::newRow("members claim more than any pack needs") << huge.Finish(true);
    }
    void refusesUnreadableDirectory() {
        QFETCH(QByteArray, bytes);
        TZLBArchive archive;
        QCOMPARE(archive.OpenArchive(Place(bytes)).Error(),
                 QStringLiteral("Unable to read archive file list"));
        QVERIFY(archive.ArchiveName().isEmpty());
        QCOMPARE(archive.FileCount().Error(), QStringLiteral("No archive is currently open"));
    }

    void failingOpenedHandlerFailsTheOpening() {
        TZLBArchive archive;
        int calls = 0;
        archive.OnArchiveOpened = [&](TZLBArchive* sender) {
            // Told anything but this archive, open and empty, the handler fails the first opening too.
            const bool told = sender == &archive && sender->FileCount().ValueOr(-1) == 0;
            return ++calls == 2 || !told ? TResult<>(Failure("handler gave up")) : TResult<>();
        };
        const QString path = Place(Builder().Finish(false));
        QVERIFY(archive.OpenArchive(path).ValueOr(false));
        QCOMPARE(archive.OpenArchive(path).Error(), QStringLiteral("Unable to read archive file list"));
        QVERIFY(archive.ArchiveName().isEmpty());
    }

    void extractionNeedsAnOpenArchive() {
        TZLBArchive archive;
        QCOMPARE(archive.ExtractFiles(NewDestination()).Error(),
                 QStringLiteral("No archive is currently open"));
    }

    // The component holds no handle: the file may go away between opening and extracting.
    void archiveGoneBeforeExtraction() {
        Builder pack;
        pack.Add("a.txt", "", "alpha", true);
        const QString path = Place(pack.Finish(false));
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(path).ValueOr(false));
        QVERIFY(QFile::remove(path));
        QCOMPARE(archive.ExtractFiles(NewDestination()).Error(),
                 QStringLiteral("Unable to open file (%1)").arg(path));
        QCOMPARE(*archive.FileCount(), 1);
    }

    void destinationThatCannotBeMade() {
        Builder pack;
        pack.Add("first.txt", "", "first", true);
        pack.Add("second.txt", "blocked", "second", true);
        const QString destination = NewDestination();
        HandPack::WriteFile(destination + "blocked", "a file where a folder should go");
        TZLBArchive archive;
        archive.ExtractWithPath = true;
        QVERIFY(archive.OpenArchive(Place(pack.Finish(false))).ValueOr(false));
        QCOMPARE(archive.ExtractFiles(destination).Error(),
                 QStringLiteral("Unable to create destination path"));
        QCOMPARE(ReadFile(destination + "first.txt"), QByteArray("first"));
        QCOMPARE(*archive.FileCount(), 2);
    }

    // Entry 0 is sound; entry 1 is spoilt by the tweak. The sound file stays, nothing leaves the
    // destination, and the message names entry 1.
    void refusesCorruptMember_data() {
        QTest::addColumn<Tweak>("tweak");
        QTest::addColumn<bool>("checkCRC");
        const auto set = [](std::function<void(Entry&)> change) {
            return Tweak([change](Builder& pack) { change(pack.Entries[1]); });
        };
        QTest::newRow("size larger than the inflated data") << set([](Entry& e) { e.Size += 1; }) << false;
        QTest::newRow("inflates to more than its size") << set([](Entry& e) { e.Size -= 1; }) << false;
        QTest::newRow("negative size") << set([](Entry& e) { e.Size = -5; }) << false;
        QTest::newRow("negative offset") << set([](Entry& e) { e.Offset = -1; }) << false;
        QTest::newRow("offset past the trailer") << set([](Entry& e) { e.Offset = 1 << 30; }) << false;
        QTest::newRow("offset not at a stream") << set([](Entry& e) { e.Offset = 1; }) << false;
        QTest::newRow("stored member runs into the trailer") << set([](Entry& e) {
            e.Stored = true;
            e.Size = 1 << 20;
        }) << false;
        QTest::newRow("wrong CRC checked") << set([](Entry& e) { e.CRC ^= 1; }) << true;
        QTest::newRow("climbs out by its directory")
            << set([](Entry& e) { e.Directory = "..\\..\\escaped"; }) << false;
        QTest::newRow("climbs out with slashes")
            << set([](Entry& e) { e.Directory = "sub/../../escaped"; }) << false;
        QTest::newRow("drive in the directory")
            << set([](Entry& e) { e.Directory = "C:\\escaped"; }) << false;
        QTest::newRow("name is ..") << set([](Entry& e) { e.Name = ".."; }) << false;
        QTest::newRow("name with a separator") << set([](Entry& e) { e.Name = "..\\escaped.txt"; }) << false;
        QTest::newRow("name with a slash") << set([](Entry& e) { e.Name = "../escaped.txt"; }) << false;
        QTest::newRow("empty name") << set([](Entry& e) { e.Name.clear(); }) << false;
        QTest::newRow("member stream cut short") << Tweak([](Builder& pack) { pack.Body.chop(6); }) << false;
    }
    void refusesCorruptMember() {
        QFETCH(Tweak, tweak);
        QFETCH(bool, checkCRC);
        Builder pack;
        pack.Add("first.txt", "", Text(5000, 'f'), false);
        pack.Add("second.txt", "inner", Text(7000, 'g'), false);
        tweak(pack);
        const QString root = m_scratch.filePath(QStringLiteral("jail%1").arg(++m_serial));
        const QString destination = root + "/a/b/";
        TZLBArchive archive;
        archive.ExtractWithPath = true;
        archive.CheckCRC = checkCRC;
        QVERIFY(archive.OpenArchive(Place(pack.Finish(true))).ValueOr(false));
        QCOMPARE(archive.ExtractFiles(destination).Error(), QStringLiteral("File (1) is corrupt"));
        QCOMPARE(ReadFile(destination + "first.txt"), Text(5000, 'f'));
        QVERIFY(!QFileInfo::exists(root + "/escaped") && !QFileInfo::exists(root + "/a/escaped") &&
                !QFileInfo::exists(root + "/a/escaped.txt") && !QFileInfo::exists(root + "/escaped.txt"));
        QCOMPARE(archive.VerifyFile(1).Error(), QStringLiteral("File (1) is corrupt"));
        QCOMPARE(archive.VerifyFile(0).Error(), QString());
    }

    // Members are inflated whole when the directory's packed size covers their stream; where it does
    // not, or the quick way finds fault with what the stream accepts, the stream reads them.
    void readsMembersTheQuickWayCannot_data() {
        QTest::addColumn<Tweak>("tweak");
        QTest::newRow("packed size too small")
            << Tweak([](Builder& pack) { pack.Entries[0].PackedSize = 3; });
        QTest::newRow("packed size past the trailer")
            << Tweak([](Builder& pack) { pack.Entries[0].PackedSize = 1 << 20; });
        QTest::newRow("Adler-32 spoilt, CRC-32 compared")
            << Tweak([](Builder& pack) { pack.Body[pack.Entries[1].Offset - 1] ^= 1; });
    }
    void readsMembersTheQuickWayCannot() {
        QFETCH(Tweak, tweak);
        Builder pack;
        pack.Add("a.txt", "", Text(30000, 'a'), false);
        pack.Add("b.txt", "", Text(20000, 'b'), false);
        tweak(pack);
        TZLBArchive archive;
        archive.CheckCRC = true;
        QVERIFY(archive.OpenArchive(Place(pack.Finish(false))).ValueOr(false));
        const QString destination = NewDestination();
        QVERIFY(archive.ExtractFiles(destination));
        QCOMPARE(ReadFile(destination + "a.txt"), Text(30000, 'a'));
        QCOMPARE(ReadFile(destination + "b.txt"), Text(20000, 'b'));
    }

    void wrongCRCUnnoticedWithoutCheck() {
        Builder pack;
        pack.Add("a.txt", "", "alpha", false);
        pack.Entries[0].CRC ^= 0xFFFF;
        TZLBArchive archive;
        QVERIFY(archive.OpenArchive(Place(pack.Finish(false))).ValueOr(false));
        const QString destination = NewDestination();
        QVERIFY(archive.ExtractFiles(destination));
        QCOMPARE(ReadFile(destination + "a.txt"), QByteArray("alpha"));
    }

    // Unpacking again over an installed language replaces every file whole. Whatever still shows an
    // old file keeps its old bytes: a reader holding it open, another name linked to it. Modes stay,
    // a short file replacing a long one keeps none of the long one's tail, and nothing is left over.
    void unpackingAgainReplacesFilesWhole() {
        Builder first;
        first.Add("long.txt", "", Text(20000, 'l'), false);
        first.Add("short.txt", "", Text(3000, 's'), true);
        first.Add("held.txt", "help", Text(5000, 'h'), false);
        first.Add("linked.txt", "help", Text(4000, 'k'), false);
        first.Add("private.txt", "skins\\main", Text(2000, 'p'), true);
        Builder second;
        second.Add("long.txt", "", Text(100, 'L'), false);
        second.Add("short.txt", "", Text(10, 'S'), true);
        second.Add("held.txt", "help", Text(7000, 'H'), false);
        second.Add("linked.txt", "help", Text(6000, 'K'), true);
        second.Add("private.txt", "skins\\main", Text(9000, 'P'), false);
        second.Add("new.txt", "skins\\main", Text(500, 'n'), false);

        const QString destination = NewDestination();
        TZLBArchive archive;
        archive.ExtractWithPath = true;
        archive.CheckCRC = true;
        QVERIFY(archive.OpenArchive(Place(first.Finish(false))).ValueOr(false));
        QVERIFY(archive.ExtractFiles(destination));

        QFile held(destination + "help/held.txt");
        QVERIFY(held.open(QIODevice::ReadOnly));
        const QString otherName = m_scratch.filePath(QStringLiteral("other%1.txt").arg(++m_serial));
        QCOMPARE(::link(QFile::encodeName(destination + "help/linked.txt").constData(),
                        QFile::encodeName(otherName).constData()),
                 0);
        QVERIFY(QFile::setPermissions(destination + "skins/main/private.txt",
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        QVERIFY(archive.OpenArchive(Place(second.Finish(true))).ValueOr(false));
        QVERIFY(archive.ExtractFiles(destination));

        QCOMPARE(held.readAll(), Text(5000, 'h'));
        QCOMPARE(ReadFile(otherName), Text(4000, 'k'));
        QCOMPARE(QFile::permissions(destination + "skins/main/private.txt"),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                     QFileDevice::WriteUser);
        QStringList files;
        archive.RecursePaths = true;
        archive.ListDirectory(destination, files);
        QStringList relative;
        for (const QString& file : files)
            relative << QDir(destination).relativeFilePath(file);
        QCOMPARE(relative, (QStringList{"help/held.txt", "help/linked.txt", "long.txt", "short.txt",
                                        "skins/main/new.txt", "skins/main/private.txt"}));
        for (const Entry& entry : second.Entries) {
            const QString path = destination + QString::fromLatin1(entry.Directory).replace('\\', '/') +
                                 (entry.Directory.isEmpty() ? "" : "/") + QString::fromLatin1(entry.Name);
            QCOMPARE(ReadFile(path).size(), qsizetype(entry.Size));
            QCOMPARE(HandPack::Crc(ReadFile(path)), entry.CRC);
        }
    }

    void foldsSeparators_data() {
        QTest::addColumn<bool>("withPath");
        QTest::addColumn<QByteArray>("directory");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one before, two after")
            << true << QByteArray("\\help\\\\") << QStringLiteral("help/page.html");
        QTest::newRow("runs inside") << true << QByteArray("skins\\\\\\main")
                                     << QStringLiteral("skins/main/page.html");
        QTest::newRow("without paths") << false << QByteArray("\\help\\\\") << QStringLiteral("page.html");
        QTest::newRow("directory ignored without paths")
            << false << QByteArray("..\\..\\outside") << QStringLiteral("page.html");
    }
    void foldsSeparators() {
        QFETCH(bool, withPath);
        QFETCH(QByteArray, directory);
        QFETCH(QString, expected);
        Builder pack;
        pack.Add("page.html", directory, "<html>", true);
        const QString destination = m_scratch.filePath(QStringLiteral("fold%1//").arg(++m_serial));
        HandPack::WriteFile(QDir::cleanPath(destination + "/" + expected), "old");
        TZLBArchive archive;
        archive.ExtractWithPath = withPath;
        QString asked;
        archive.OnReplaceFile = [&](const QString& name, bool& replace) {
            asked = name;
            replace = true;
        };
        QStringList extracted;
        archive.OnFileExtracted = [&](const QString& name) { extracted << name; };
        QVERIFY(archive.OpenArchive(Place(pack.Finish(false))).ValueOr(false));
        QVERIFY(archive.ExtractFiles(destination));
        const QString folded = QDir::cleanPath(destination) + "/" + expected;
        QCOMPARE(asked, folded);
        QCOMPARE(ReadFile(folded), QByteArray("<html>"));
        // The extracted-file event names the destination as given, followed by the bare file name.
        QCOMPARE(extracted, QStringList{destination + "page.html"});
    }

    void asksBeforeReplacing_data() {
        QTest::addColumn<int>("handler"); // 0: none, 1: keeps, 2: replaces
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no handler overwrites") << 0 << QByteArray("new");
        QTest::newRow("handler that keeps") << 1 << QByteArray("old");
        QTest::newRow("handler that replaces") << 2 << QByteArray("new");
    }
    void asksBeforeReplacing() {
        QFETCH(int, handler);
        QFETCH(QByteArray, after);
        Builder pack;
        pack.Add("a.txt", "", "new", false);
        pack.Add("b.txt", "", "fresh", false);
        const QString destination = NewDestination();
        HandPack::WriteFile(destination + "a.txt", "old");
        TZLBArchive archive;
        QStringList asked;
        if (handler > 0)
            archive.OnReplaceFile = [&](const QString& name, bool& replace) {
                asked << name;
                QVERIFY(!replace);
                replace = handler == 2;
            };
        QVERIFY(archive.OpenArchive(Place(pack.Finish(false))).ValueOr(false));
        QVERIFY(archive.ExtractFiles(destination));
        QCOMPARE(ReadFile(destination + "a.txt"), after);
        QCOMPARE(ReadFile(destination + "b.txt"), QByteArray("fresh"));
        QCOMPARE(asked, handler > 0 ? QStringList{destination + "a.txt"} : QStringList{});
    }

    void reportsProgress() {
        Builder pack;
        pack.Add("big.txt", "", Text(10000, 'h'), false);
        for (int i = 0; i < 10; ++i)
            pack.Add(QByteArray("f") + QByteArray::number(i), "", "x", true);
        const QString path = Place(pack.Finish(true));
        TZLBArchive archive;
        QList<QPair<QString, int>> reports;
        archive.OnProgress = [&](const QString& message, int percentage) {
            reports.append({message, percentage});
        };
        QVERIFY(archive.OpenArchive(path).ValueOr(false));
        // 11 entries make 5852 directory bytes: two chunks of 4096 bytes at most.
        const QList<QPair<QString, int>> opening{{QString(), 0},
                                                 {"Extracting archive registry", 70},
                                                 {"Extracting archive registry", 100},
                                                 {path, 0}};
        QCOMPARE(reports, opening);
        reports.clear();
        QVERIFY(archive.ExtractFiles(NewDestination()));
        QCOMPARE(reports.mid(0, 3),
                 (QList<QPair<QString, int>>{
                     {"Extracting big.txt", 41}, {"Extracting big.txt", 82}, {"Extracting big.txt", 100}}));
        QCOMPARE(reports.value(3), (QPair<QString, int>{"Extracting f0", 100}));
        QCOMPARE(reports.last(), (QPair<QString, int>{path, 0}));
        reports.clear();
        archive.CloseArchive();
        QCOMPARE(reports, (QList<QPair<QString, int>>{{QString(), 0}}));

        // A component going away closes its archive without a word.
        int calls = 0;
        {
            TZLBArchive doomed;
            QVERIFY(doomed.OpenArchive(path).ValueOr(false));
            doomed.OnProgress = [&](const QString&, int) { ++calls; };
        }
        QCOMPARE(calls, 0);
    }

    void listsDirectories_data() {
        QTest::addColumn<bool>("recurse");
        QTest::addColumn<bool>("savePaths");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("flat") << false << false << QStringList{".hidden", "b.txt"};
        QTest::newRow("flat with paths") << false << true << QStringList{".hidden", "b.txt", "sub"};
        QTest::newRow("recursive") << true << false
                                   << QStringList{".hidden", "b.txt", "sub/c.txt", "sub/deep/d.txt"};
        QTest::newRow("recursive with paths")
            << true << true
            << QStringList{".hidden", "b.txt", "sub", "sub/c.txt", "sub/deep", "sub/deep/d.txt"};
    }
    void listsDirectories() {
        QFETCH(bool, recurse);
        QFETCH(bool, savePaths);
        QFETCH(QStringList, expected);
        const QString root = m_scratch.filePath(QStringLiteral("tree%1").arg(++m_serial));
        for (const char* name : {".hidden", "b.txt", "sub/c.txt", "sub/deep/d.txt"})
            HandPack::WriteFile(root + "/" + name, name);
        QFile::link(root + "/sub", root + "/sub/deep/loop");
        TZLBArchive archive;
        archive.RecursePaths = recurse;
        archive.SavePaths = savePaths;
        QStringList files;
        archive.ListDirectory(root, files);
        QStringList relative;
        for (const QString& file : files)
            relative << QDir(root).relativeFilePath(file);
        QCOMPARE(relative, expected);
    }

    void temporaryFileName() {
        const QString name = TZLBArchive().TemporaryFileName();
        QVERIFY(QFileInfo(name).fileName().startsWith("ZLB"));
        QCOMPARE(QFileInfo(name).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(name != TZLBArchive().TemporaryFileName());
        QFile::remove(name);
    }
};

QTEST_GUILESS_MAIN(TestZLIBArchive)
#include "tst_zlibarchive.moc"
