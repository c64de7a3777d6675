// The pack download window against a real HTTP server on 127.0.0.1: what it installs, what it
// refuses, and that nothing of a refused pack is written.
#include "TestHttpServer.h"
#include "core/LanguageList.h"
#include "core/pack/HandPack.h"
#include "core/pack/PackWriter.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPGet.h"

#include <QDirIterator>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray LanguageFileBytes =
    "object=global\r\nversion=2\r\nend\r\nobject=camform\r\ntitle=Titel\r\nend\r\n";

// A language directory written by the project's own pack writer; noise keeps it above 20000 bytes.
QByteArray WriterPack() {
    QTemporaryDir source;
    HandPack::WriteFile(source.filePath(QStringLiteral("properties.cam")), LanguageFileBytes);
    HandPack::WriteFile(source.filePath(QStringLiteral("help/index.html")), HandPack::NoiseBytes(30000, 7));
    return BuildPack(source.path(), {}).ValueOr({});
}

// Exactly 20001 bytes: one stored member and a plain directory.
QByteArray SmallestPack() {
    HandPack::Builder builder;
    builder.Add("properties.cam", "",
                LanguageFileBytes + QByteArray(20001 - 568 - LanguageFileBytes.size(), ' '), true);
    return builder.Finish(false);
}

// A sound first member, then one whose checksum is wrong.
QByteArray CorruptSecondMember() {
    HandPack::Builder builder;
    builder.Add("properties.cam", "", LanguageFileBytes, false);
    builder.Add("noise.bin", "help", HandPack::NoiseBytes(30000, 3), true);
    builder.Entries[1].CRC ^= 1;
    return builder.Finish(true);
}

// A member whose directory climbs out of the language directory.
QByteArray EscapingPack() {
    HandPack::Builder builder;
    builder.Add("properties.cam", "", LanguageFileBytes, false);
    builder.Add("evil.txt", "..\\..\\", HandPack::NoiseBytes(30000, 5), true);
    return builder.Finish(false);
}

QStringList FilesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestDownloadForm : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    TDownloadForm m_form;

    TWebLanguage Language(const QByteArray& path) {
        TWebLanguage language;
        language.languagepack = "http://packs.test" + path;
        return language;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.IsListening());
        qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule("packs.test"));
    }

    void outcomes_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QStringList>("installed");
        const QStringList untouched{"keep.txt"};
        const QStringList whole{"help/index.html", "keep.txt", "properties.cam"};
        QTest::newRow("pack of the writer") << WriterPack() << QByteArray("200 OK") << whole;
        QTest::newRow("20001 bytes") << SmallestPack() << QByteArray("200 OK")
                                     << QStringList{"keep.txt", "properties.cam"};
        QTest::newRow("20000 bytes") << SmallestPack().left(20000) << QByteArray("200 OK") << untouched;
        QTest::newRow("error page") << QByteArray(400, 'x') << QByteArray("404 Not Found") << untouched;
        // A refused version is noted, so that it is not fetched again.
        const QStringList refused{"keep.txt", "pack.refused"};
        QTest::newRow("not an archive") << HandPack::NoiseBytes(40000, 1) << QByteArray("200 OK") << refused;
        QTest::newRow("corrupt member") << CorruptSecondMember() << QByteArray("200 OK") << refused;
        QTest::newRow("escaping member") << EscapingPack() << QByteArray("200 OK") << refused;
    }
    void outcomes() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, status);
        QFETCH(QStringList, installed);
        QVERIFY(body.size() >= 400);
        TestHttpServer::Reply reply;
        reply.Body = body;
        reply.Status = status;
        m_server.Serve("/packs/de.pak", reply);

        QTemporaryDir root;
        const QString dir = root.filePath(QStringLiteral("data/lang1"));
        HandPack::WriteFile(dir + QStringLiteral("/keep.txt"), "mine");
        // An older pack left behind is never unpacked.
        HandPack::WriteFile(dir + QStringLiteral("/pack.pak"), WriterPack());
        const bool expectInstalled = installed.size() > 1 && !installed.contains("pack.refused");
        QCOMPARE(m_form.DownloadPack(Language("/packs/de.pak"), dir).ValueOr(!expectInstalled),
                 expectInstalled);

        QCOMPARE(FilesUnder(root.path()), QStringList(installed).replaceInStrings(
                                              QRegularExpression("^"), QStringLiteral("data/lang1/")));
        QVERIFY(!m_form.isVisible());
        if (expectInstalled) {
            QCOMPARE(m_form.ProgressBar->value(), m_form.ProgressBar->maximum());
            QCOMPARE(m_form.ProgressBar->maximum(), body.size());
        }
    }

    void messageNamesThePackFile() {
        m_server.Serve("/packs/fr.pak", WriterPack());
        QTemporaryDir root;
        m_form.MessageText = QStringLiteral("Lade");
        QVERIFY(m_form.DownloadPack(Language("/packs/fr.pak"), root.filePath(QStringLiteral("lang2")))
                    .ValueOr(false));
        QCOMPARE(m_form.MessageLabel->text(), QStringLiteral("Lade fr.pak"));
        m_form.MessageText.clear();
        QVERIFY(m_form.DownloadPack(Language("/packs/fr.pak"), root.filePath(QStringLiteral("lang2")))
                    .ValueOr(false));
        QCOMPARE(m_form.MessageLabel->text(), QStringLiteral(" fr.pak"));
    }

    // The close box ends the wait and the transfer with it (Escape does not); the next download
    // works.
    void closingTheWindowStopsTheTransfer() {
        TestHttpServer::Reply slow;
        slow.Body = WriterPack();
        slow.Behaviour = TestHttpServer::Misbehaviour::Trickle;
        slow.TrickleBytes = 100;
        slow.TrickleDelay = std::chrono::milliseconds(20);
        m_server.Serve("/packs/slow.pak", slow);
        m_server.Serve("/packs/de.pak", WriterPack());
        QTemporaryDir root;
        const QString dir = root.filePath(QStringLiteral("lang1"));
        const int closedBefore = m_server.ClosedConnections();

        bool escapeKeptItOpen = false;
        QTimer::singleShot(0, this, [this, &escapeKeptItOpen] {
            QVERIFY(QTest::qWaitFor([this] { return m_form.ProgressBar->value() > 0; }, 10000));
            QTest::keyClick(&m_form, Qt::Key_Escape);
            escapeKeptItOpen = m_form.isVisible();
            m_form.close();
        });
        QCOMPARE(m_form.DownloadPack(Language("/packs/slow.pak"), dir).ValueOr(true), false);
        QVERIFY(escapeKeptItOpen);
        QVERIFY(!m_form.PackGet->Busy());
        QVERIFY(m_server.WaitForClosedConnections(closedBefore + 1));
        QCOMPARE(FilesUnder(dir), QStringList());

        QVERIFY(m_form.DownloadPack(Language("/packs/de.pak"), dir).ValueOr(false));
        QVERIFY(QFile::exists(dir + QStringLiteral("/properties.cam")));
    }
};

QTEST_MAIN(TestDownloadForm)
#include "tst_downloadform.moc"
