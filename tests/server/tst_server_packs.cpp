// The language packs lumora-server offers: the version it writes into a pack, the demo's languages,
// and the version an administrator's new pack gets, seen over real HTTP on 127.0.0.1.
#include "LanguagePacks.h"
#include "ServerHarness.h"
#include "TestDatabase.h"
#include "core/LanguageList.h"
#include "core/pack/ZLIBArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

namespace {

std::vector<TWebLanguage> OfferedLanguages(quint16 port) {
    const THttpReply reply = Post(port, "/lmr/camlist3.php", "language=0&computer=x");
    TLanguageList list;
    list.LoadFromLines(RecordText::SplitLines(reply.Body));
    std::vector<TWebLanguage> languages;
    for (qsizetype i = 0; i < list.Count(); ++i)
        languages.push_back(list.Items(i));
    return languages;
}

// The language file inside the pack a language record points to, unpacked as Lumora unpacks it.
QByteArray LanguageFileOfPack(quint16 port, const TWebLanguage& language, const QString& scratchName) {
    const QByteArray path = QUrl(QString::fromUtf8(language.languagepack)).path().toUtf8();
    const THttpReply pack = Get(port, path);
    if (pack.Status != 200 || !pack.LengthMatches() || pack.Body.size() <= SmallestFailedPackBytes)
        return {};
    TZLBArchive archive;
    archive.ExtractWithPath = true;
    archive.CheckCRC = true;
    if (!archive.OpenArchive(WriteScratchFile(scratchName + QStringLiteral(".pak"), pack.Body))
             .ValueOr(false) ||
        !archive.ExtractFiles(ScratchPath(scratchName) + QLatin1Char('/')))
        return {};
    QFile file(ScratchPath(scratchName) + QStringLiteral("/properties.cam"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void CopyTree(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        QDir().mkpath(QFileInfo(to + source.mid(from.size())).absolutePath());
        QFile::copy(source, to + source.mid(from.size()));
    }
}

} // namespace

class TestServerPacks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionWrittenIntoLanguageFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("stamped");
        QTest::newRow("in place, other blocks and line ends kept")
            << QByteArray("object=global\r\nversion=1\r\nend\r\nobject=mainform\r\nversion=9\r\nend\r\n")
            << QByteArray("object=global\r\nversion=5\r\nend\r\nobject=mainform\r\nversion=9\r\nend\r\n");
        QTest::newRow("no global block: one is added in front")
            << QByteArray("object=mainform\nok_hint=OK\nend\n")
            << QByteArray("object=global\r\nversion=5\r\nend\r\nobject=mainform\nok_hint=OK\nend\n");
        QTest::newRow("carriage returns alone end lines")
            << QByteArray("object=global\rversion=1\rend\r") << QByteArray("object=global\rversion=5\rend\r");
        QTest::newRow("every version line of every global block, numbers or not")
            << QByteArray("object=global\nversion=x\nversion=2\nend\nobject=global\n  version=3 \nend")
            << QByteArray("object=global\nversion=5\nversion=5\nend\nobject=global\nversion=5\nend");
    }
    void versionWrittenIntoLanguageFile() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, stamped);
        QCOMPARE(WithPackVersion(file, 5), stamped);
        QCOMPARE(LanguageFileVersion(WithPackVersion(file, 5)).value_or(-1), 5);
    }

    // The demo offers English, German and French; each record's version is the one in its pack, so
    // Lumora fetches each pack once. A changed pack an administrator adds gets the next version.
    void demoLanguagesAndRaisedVersion() {
        const QString db = FreshDatabase(QStringLiteral("packs.db"));
        TRunningServer server;
        QVERIFY(server.Start(db, {QStringLiteral("--demo")}));

        std::vector<TWebLanguage> languages = OfferedLanguages(server.Port());
        QCOMPARE(languages.size(), std::size_t(3));
        const QList<std::pair<qint32, QByteArray>> expected{{0, "English"}, {1, "Deutsch"}, {2, "Français"}};
        for (std::size_t i = 0; i < languages.size(); ++i) {
            const TWebLanguage& language = languages[i];
            QCOMPARE(language.refid, expected[qsizetype(i)].first);
            QCOMPARE(language.name, expected[qsizetype(i)].second);
            QVERIFY(language.packversion >= 1);
            QCOMPARE(language.languagepack, "http://localhost/packs/lang" +
                                                QByteArray::number(language.refid) + "-v" +
                                                QByteArray::number(language.packversion) + ".pak");
            const QByteArray languageFile =
                LanguageFileOfPack(server.Port(), language, QStringLiteral("lang%1").arg(language.refid));
            QCOMPARE(LanguageFileVersion(languageFile).value_or(-1), language.packversion);
        }
        const qint32 german = languages[1].packversion;

        // A German directory with one text changed, offered under the version it names.
        const QString changed = ScratchPath(QStringLiteral("lang1-changed"));
        CopyTree(QStringLiteral(LUMORA_PACK_DIR "/lang1"), changed);
        QFile file(changed + QStringLiteral("/properties.cam"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray text = file.readAll().replace("country=Land", "country=Staat");
        QVERIFY(file.resize(0) && file.write(text) == text.size());
        file.close();
        const QStringList addGerman{"add-language", "--refid", "1",    "--name", "Deutsch",
                                    "--dir",        changed,   "--db", db};
        const TCommandResult added = RunServerCommand(addGerman);
        QCOMPARE(added.ExitCode, 0);
        QVERIFY2(added.Out.contains("pack version " + QByteArray::number(german + 1)), added.Out.constData());

        QTRY_COMPARE(OfferedLanguages(server.Port()).at(1).packversion, german + 1);
        languages = OfferedLanguages(server.Port());
        const QByteArray served =
            LanguageFileOfPack(server.Port(), languages[1], QStringLiteral("lang1-new"));
        QCOMPARE(LanguageFileVersion(served).value_or(-1), german + 1);
        QVERIFY(served.contains("country=Staat"));
        // The author's directory keeps its own version line.
        QFile author(changed + QStringLiteral("/properties.cam"));
        QVERIFY(author.open(QIODevice::ReadOnly));
        QCOMPARE(author.readAll(), text);

        // The same files again change nothing.
        const TCommandResult again = RunServerCommand(addGerman);
        QCOMPARE(again.ExitCode, 0);
        QVERIFY2(again.Out.contains("unchanged"), again.Out.constData());
        QCOMPARE(server.Stop(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServerPacks)
#include "tst_server_packs.moc"
