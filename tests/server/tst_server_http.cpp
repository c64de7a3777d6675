// lumora-server over real HTTP on 127.0.0.1: replies, suggestions, messages, packs, demo pictures,
// hostile clients, many clients at once and a stop in the middle of it all.
#include "ServerHarness.h"
#include "StoreLocation.h"
#include "TestDatabase.h"
#include "core/pack/ZLIBArchive.h"
#include "core/picture/PictureDecoders.h"

#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTest>
#include <atomic>
#include <functional>
#include <future>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

const QByteArray CamFile =
    "object=cam\r\nrefid=3\r\nurl=http://a.example/a.jpg?x=1&y=2\r\nname=Harbour\r\n"
    "description=Boats\r\nrefresh=30\r\ncategory=Harbours\r\nwebpage=http://a.example/\r\n"
    "country=Norway\r\nend\r\n";
const QByteArray GermanCamFile = "object=cam\r\nrefid=8\r\nurl=/demo/clock-london.jpg\r\nname=Uhr\r\nend\r\n";

QString LanguageDirectory() {
    WriteScratchFile("lang9/properties.cam", "object=global\r\nversion=4\r\nend\r\n");
    QByteArray filler(30000, Qt::Uninitialized);
    QRandomGenerator random(3);
    for (char& c : filler)
        c = char(random.bounded(256));
    WriteScratchFile("lang9/mainform/background.bmp", filler);
    return ScratchPath("lang9");
}

QByteArray CatalogueBody(int language) {
    return "language=" + QByteArray::number(language) +
           "&computer=GenuineIntel000000000000000000000000000000000000";
}

qsizetype StoredSuggestions(const QString& db) {
    return qsizetype(OpenStore(db)->Suggestions(QByteArray()).size());
}

// An administrator's command that keeps suggestions from being written until it ends: the returned
// function ends it; empty when the lock could not be taken.
std::function<void()> HoldSuggestions(const QString& db) {
    if (TestingPostgres()) {
        PGconn* administrator = PQconnectdb(QFile::encodeName(db).constData());
        PQclear(PQexec(administrator, "BEGIN"));
        PGresult* locked = PQexec(administrator, "LOCK TABLE suggestions IN ACCESS EXCLUSIVE MODE");
        const bool held = PQresultStatus(locked) == PGRES_COMMAND_OK;
        PQclear(locked);
        if (!held) {
            PQfinish(administrator);
            return {};
        }
        return [administrator] {
            PQclear(PQexec(administrator, "COMMIT"));
            PQfinish(administrator);
        };
    }
    sqlite3* administrator = nullptr;
    if (sqlite3_open(QFile::encodeName(db).constData(), &administrator) != SQLITE_OK ||
        sqlite3_exec(administrator, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(administrator);
        return {};
    }
    return [administrator] {
        sqlite3_exec(administrator, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(administrator);
    };
}

} // namespace

class TestServerHttp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void catalogueReply();
    void catalogueFollowsTheStore();
    void emptyCatalogueIsStillAReply();
    void suggestionStoredVerbatim_data();
    void suggestionStoredVerbatim();
    void refusedSuggestions();
    void messages();
    void demoCatalogue();
    void hostileRequests();
    void slowClientDoesNotBlockOthers();
    void concurrentClients();
    void busyDatabaseHoldsUpOnlyItsClients();
    void stopLosesNoSuggestion();

private:
    QString m_db;
    TRunningServer m_server;
};

void TestServerHttp::initTestCase() {
    m_db = FreshDatabase("http.db");
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("cams.txt", CamFile), "--db", m_db}).ExitCode,
             0);
    QCOMPARE(RunServerCommand(
                 {"import-cams", WriteScratchFile("de.txt", GermanCamFile), "--db", m_db, "--language", "9"})
                 .ExitCode,
             0);
    QCOMPARE(RunServerCommand({"add-language", "--refid", "9", "--name", "Deutsch", "--dir",
                               LanguageDirectory(), "--db", m_db})
                 .ExitCode,
             0);
    // Every client of these tests comes from 127.0.0.1: the limits per client are tested on their own.
    QVERIFY(m_server.Start(m_db, {"--public-host", "cams.example", "--suggestion-rate", "0"}));
}

void TestServerHttp::catalogueReply() {
    const QByteArray language =
        "object=language\r\nrefid=9\r\nlanguagepack=http://cams.example/packs/lang9-v4.pak\r\n"
        "name=Deutsch\r\npackversion=4\r\nwebpage=\r\nend\r\n";
    const QByteArray harbour =
        "object=cam\r\nrefid=3\r\nurl=http://a.example/a.jpg?x=1&y=2\r\nname=Harbour\r\n"
        "description=Boats\r\nrefresh=30\r\ncategory=Harbours\r\nwebpage=http://a.example/\r\n"
        "country=Norway\r\nend\r\n";
    const QByteArray clock =
        "object=cam\r\nrefid=8\r\nurl=http://cams.example/demo/clock-london.jpg\r\nname=Uhr\r\n"
        "description=\r\nrefresh=0\r\ncategory=\r\nwebpage=\r\ncountry=\r\nend\r\n";
    THttpReply reply = Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0));
    QCOMPARE(reply.Status, 200);
    QVERIFY(reply.LengthMatches());
    QCOMPARE(reply.Body, harbour + language);

    reply = Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(9) + "&refid=3");
    QCOMPARE(reply.Body, harbour + clock + language);
    // A language number nobody has gets the shared reply; so does a body without one.
    QCOMPARE(Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(12345)).Body, harbour + language);
    QCOMPARE(Post(m_server.Port(), "/lmr/camlist3.php", "computer=x").Body, harbour + language);

    const THttpReply pack = Get(m_server.Port(), "/packs/lang9-v4.pak");
    QCOMPARE(pack.Status, 200);
    QVERIFY(pack.LengthMatches());
    QVERIFY(pack.Body.size() > 20000);
    QCOMPARE(Get(m_server.Port(), "/packs/lang9-v3.pak").Status, 404);
    QTRY_VERIFY(m_server.ErrorOutput().contains("\"POST /lmr/camlist3.php\" 200 "));
}

void TestServerHttp::catalogueFollowsTheStore() {
    const QByteArray late = "object=cam\r\nurl=http://late.example/l.jpg\r\nname=Late Cam\r\nend\r\n";
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("late.txt", late), "--db", m_db}).ExitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Body.contains("name=Late Cam\r\n"),
        5000);
}

void TestServerHttp::emptyCatalogueIsStillAReply() {
    TRunningServer fresh;
    QVERIFY(fresh.Start(FreshDatabase("empty.db")));
    const THttpReply reply = Post(fresh.Port(), "/lmr/camlist3.php", CatalogueBody(0));
    QCOMPARE(reply.Status, 200);
    QVERIFY(reply.LengthMatches());
    QCOMPARE(reply.Body.trimmed(), QByteArray());
    QVERIFY(!reply.Body.isEmpty());
}

void TestServerHttp::suggestionStoredVerbatim_data() {
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("source");
    QTest::newRow("plain") << QByteArray("Lighthouse") << QByteArray("http://l.example/l.jpg");
    QTest::newRow("& and =") << QByteArray("Tom & Jerry = fun") << QByteArray("http://l.example/p?a=1&b=2");
    QTest::newRow("SQL and quotes") << QByteArray("x'); DELETE FROM cams; --\"")
                                    << QByteArray("s' OR '1'='1");
    QTest::newRow("8-bit text") << QByteArray("Z\xfcrich \xe9t\xe9") << QByteArray("http://z.example/z.gif");
}

void TestServerHttp::suggestionStoredVerbatim() {
    QFETCH(QByteArray, title);
    QFETCH(QByteArray, source);
    const QByteArray body = "title=" + title + "&description=d&source=" + source +
                            "&webpage=&country=Schweiz&refresh=90&language=9&category=suggested";
    const THttpReply reply = Post(m_server.Port(), "/lmr/p_suggest.php", body);
    QCOMPARE(reply.Body, QByteArray("ok"));

    const TSuggestion stored = OpenStore(m_db)->Suggestions("new").back();
    QCOMPARE(stored.Title, title);
    QCOMPARE(stored.Source, source);
    QCOMPARE(stored.Body, body);
    QCOMPARE(stored.Refresh, QByteArray("90"));
    QVERIFY(!stored.Received.isEmpty());

    const TCommandResult approved = RunServerCommand({"approve", QString::number(stored.Id), "--db", m_db});
    QCOMPARE(approved.ExitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(9))
                                 .Body.contains("\r\nurl=" + source + "\r\nname=" + title + "\r\n"),
                             5000);
}

void TestServerHttp::refusedSuggestions() {
    const qsizetype before = StoredSuggestions(m_db);
    THttpReply reply = Post(m_server.Port(), "/lmr/p_suggest.php", QByteArray("\x00\x01\x02\xff binary", 11));
    QCOMPARE(reply.Status, 400);
    QVERIFY(reply.Body != "ok");
    reply = Post(m_server.Port(), "/lmr/p_suggest.php", "title=only a title");
    QVERIFY(reply.Body != "ok");
    // Ten megabytes are refused before they are read; the server goes on answering.
    reply = Post(m_server.Port(), "/lmr/p_suggest.php", "source=" + QByteArray(10 * 1024 * 1024, 'a'));
    QVERIFY(reply.Body != "ok");
    QCOMPARE(StoredSuggestions(m_db), before);
    QCOMPARE(Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Status, 200);
}

void TestServerHttp::messages() {
    const QString page = WriteScratchFile("news.html", "<html><body>News for 1.0</body></html>");
    QCOMPARE(
        RunServerCommand({"set-message", "--url", "http://news.example/all.html", "--db", m_db}).ExitCode, 0);
    QCOMPARE(
        RunServerCommand({"set-message", "--version", "1.0", "--language", "9", "--page", page, "--db", m_db})
            .ExitCode,
        0);
    const auto message = [&](const QByteArray& body) {
        return Post(m_server.Port(), "/lmr/cam_message.php", body);
    };
    QCOMPARE(message("language=9&version=1.0.0.0").Body,
             QByteArray("object=message\r\nrefid=2\r\nurl=http://cams.example/messages/2.html\r\nend\r\n"));
    QCOMPARE(message("language=0&version=1.0.0.0").Body,
             QByteArray("object=message\r\nrefid=1\r\nurl=http://news.example/all.html\r\nend\r\n"));
    QCOMPARE(message("language=9&version=2.0.0.0").Body,
             QByteArray("object=message\r\nrefid=1\r\nurl=http://news.example/all.html\r\nend\r\n"));
    const THttpReply shown = Get(m_server.Port(), "/messages/2.html");
    QCOMPARE(shown.Status, 200);
    QVERIFY(shown.Body.contains("News for 1.0"));
    QCOMPARE(Get(m_server.Port(), "/messages/1.html").Status, 404);

    // A new message of the same scope replaces the old one; --none retires it.
    QCOMPARE(
        RunServerCommand({"set-message", "--url", "http://news.example/new.html", "--db", m_db}).ExitCode, 0);
    QVERIFY(message("language=0&version=1.0.0.0").Body.startsWith("object=message\r\nrefid=3\r\n"));
    QCOMPARE(RunServerCommand({"set-message", "--none", "--db", m_db}).ExitCode, 0);
    QCOMPARE(RunServerCommand({"set-message", "--none", "--version", "1.0", "--language", "9", "--db", m_db})
                 .ExitCode,
             0);
    const THttpReply none = message("language=9&version=1.0.0.0");
    QCOMPARE(none.Status, 200);
    QCOMPARE(none.Body, QByteArray());
}

void TestServerHttp::demoCatalogue() {
    TRunningServer demo;
    const QString db = FreshDatabase("demo.db");
    QVERIFY(demo.Start(db, {"--demo"}));
    const THttpReply reply = Post(demo.Port(), "/lmr/camlist3.php", CatalogueBody(0));
    TCamList cams;
    cams.LoadFromText(reply.Body);
    QCOMPARE(cams.Count(), 14);
    QStringList categories, countries;
    int largest = 0;
    for (const TWebCamPtr& cam : cams) {
        categories << QString::fromUtf8(cam->Category);
        countries << QString::fromUtf8(cam->Country);
        QVERIFY(cam->RefID > 0);
        QVERIFY2(cam->URL.startsWith("http://localhost/demo/"), cam->URL.constData());
        const THttpReply picture = Get(demo.Port(), cam->URL.mid(int(qstrlen("http://localhost"))));
        QCOMPARE(picture.Status, 200);
        // Besides the usual cams, a snapshot script without a length and an MJPEG stream.
        QCOMPARE(picture.Headers.contains("content-length"),
                 !cam->URL.endsWith(".cgi") && !cam->URL.endsWith(".mjpg"));
        if (picture.Headers.contains("content-length"))
            QVERIFY(picture.LengthMatches());
        TResult<TPicture> decoded = Failure("no picture");
        if (cam->URL.endsWith(".mjpg")) {
            // Frames of the live picture: the first, right after the first head, is a whole JPEG.
            QVERIFY(picture.Headers.value("content-type").startsWith("multipart/x-mixed-replace; boundary="));
            const qsizetype first = picture.Body.indexOf("\r\n\r\n") + 4;
            QVERIFY(picture.Body.indexOf("\xff\xd8", first + 2) > first);
            decoded = DecodeJpeg(picture.Body.mid(first, picture.Body.indexOf("\r\n--", first) - first));
        } else if (cam->URL.endsWith(".jpg") || cam->URL.endsWith(".cgi"))
            decoded = DecodeJpeg(picture.Body);
        else if (cam->URL.endsWith(".gif"))
            decoded = DecodeGif(picture.Body);
        else if (cam->URL.endsWith(".bmp"))
            decoded = DecodeBmp(picture.Body);
        else {
            QVERIFY(cam->URL.endsWith(".png"));
            const QImage image = QImage::fromData(picture.Body, "PNG");
            QVERIFY(!image.isNull());
            continue;
        }
        QVERIFY2(decoded, cam->URL.constData());
        largest = std::max(largest, decoded->Width);
    }
    QVERIFY(largest > 3840);
    categories.removeDuplicates();
    countries.removeDuplicates();
    QVERIFY(categories.size() >= 4);
    QCOMPARE(countries.size(), 12);

    // English, with a pack of the shipped language directory that Lumora's own reader unpacks.
    QVERIFY(reply.Body.contains(
        "object=language\r\nrefid=0\r\nlanguagepack=http://localhost/packs/lang0-v1.pak\r\n"
        "name=English\r\npackversion=1\r\n"));
    const THttpReply pack = Get(demo.Port(), "/packs/lang0-v1.pak");
    QVERIFY(pack.LengthMatches());
    QVERIFY(pack.Body.size() > 20000);
    const QString packFile = WriteScratchFile("demo/pack.pak", pack.Body);
    TZLBArchive archive;
    archive.ExtractWithPath = true;
    archive.CheckCRC = true;
    QVERIFY(archive.OpenArchive(packFile).ValueOr(false));
    QVERIFY(
        archive.ExtractFiles(ScratchPath("demo/lang0/"))); // Lumora passes the directory with its separator
    for (const QString& file :
         {QStringLiteral("properties.cam"), QStringLiteral("help/index.html"),
          QStringLiteral("help/attentionform.html"), QStringLiteral("help/camform.html"),
          QStringLiteral("help/downloadform.html"), QStringLiteral("help/mform.html")}) {
        QFile unpacked(ScratchPath("demo/lang0/") + file);
        QFile shipped(QStringLiteral(LUMORA_SOURCE_DIR "/resources/lang/lang0/") + file);
        QVERIFY2(unpacked.open(QIODevice::ReadOnly) && shipped.open(QIODevice::ReadOnly), qPrintable(file));
        QCOMPARE(unpacked.readAll(), shipped.readAll());
    }

    // The welcome message is a page of the server itself.
    const THttpReply message = Post(demo.Port(), "/lmr/cam_message.php", "language=0&version=1.0.0.0");
    QVERIFY(message.Body.startsWith("object=message\r\nrefid=1\r\nurl=http://localhost/messages/1.html\r\n"));
    QVERIFY(Get(demo.Port(), "/messages/1.html").Body.contains("Welcome"));
    QCOMPARE(Get(demo.Port(), "/demo/").Status, 200);
    QCOMPARE(demo.Stop(), 0);

    // Seeding again changes nothing the clients rely on.
    const TCommandResult again = RunServerCommand({"demo", "--db", db});
    QCOMPARE(again.ExitCode, 0);
    QVERIFY(again.Out.contains("14 demo cams (0 new)"));
    QVERIFY(again.Out.contains("unchanged"));
}

void TestServerHttp::hostileRequests() {
    const quint16 port = m_server.Port();
    const qsizetype before = StoredSuggestions(m_db);
    QByteArray manyHeaders = "POST /lmr/p_suggest.php HTTP/1.0\r\n";
    for (int i = 0; i < 300; ++i)
        manyHeaders += "X-Filler-" + QByteArray::number(i) + ": y\r\n";
    manyHeaders += "Content-Length: 8\r\n\r\nsource=x";

    const QList<QByteArray> requests = {
        "garbage\r\n\r\n",
        QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), // a TLS hello
        "GET /" + QByteArray(20000, 'a') + " HTTP/1.0\r\n\r\n",
        "POST /lmr/camlist3.php HTTP/1.0\r\nContent-Length: -5\r\n\r\nlanguage=0",
        "POST /lmr/camlist3.php HTTP/1.0\r\nContent-Length: 99999999999999999999\r\n\r\n",
        "POST /lmr/camlist3.php HTTP/1.0\r\nX-Long: " + QByteArray(100000, 'h') + "\r\n\r\n",
        manyHeaders,
        "GET / HTTP/1.0\r\n" +
            QByteArray("X-Flood: 0123456789abcdef\r\n").repeated(100000), // a head of 2.6 MB
        "GET /demo/..%2f..%2fetc%2fpasswd HTTP/1.0\r\n\r\n",
        "GET /packs/lang0-v99999999999999999999.pak HTTP/1.0\r\n\r\n",
        "GET /messages/-1.html HTTP/1.0\r\n\r\n",
    };
    for (const QByteArray& request : requests) {
        const THttpReply reply = SendRaw(port, request);
        QVERIFY2(reply.Status == 0 || reply.Status >= 400, request.left(60).constData());
        QVERIFY(reply.Body != "ok");
    }
    QCOMPARE(SendRaw(port, manyHeaders).Status, 431);
    QCOMPARE(StoredSuggestions(m_db), before);
    QCOMPARE(Post(port, "/lmr/camlist3.php", CatalogueBody(0)).Status, 200);
}

void TestServerHttp::slowClientDoesNotBlockOthers() {
    // A client that sends half a request and waits holds one worker; everybody else is answered.
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < 4; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), m_server.Port());
        QVERIFY(socket->waitForConnected(5000));
        socket->write("POST /lmr/p_suggest.php HTTP/1.0\r\nContent-Length: 100\r\n\r\nsource=");
        socket->waitForBytesWritten(5000);
        slow.push_back(std::move(socket));
    }
    for (int i = 0; i < 10; ++i)
        QCOMPARE(Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Status, 200);
    // The slow ones are cut off after the server's timeout, their half suggestion unstored.
    for (const auto& socket : slow)
        QVERIFY(socket->state() == QAbstractSocket::UnconnectedState || socket->waitForDisconnected(15000));
}

void TestServerHttp::concurrentClients() {
    const qsizetype before = StoredSuggestions(m_db);
    const QByteArray expected = Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Body;
    constexpr int Clients = 12, Rounds = 15;
    std::atomic<int> good{0}, oks{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < Clients; ++c) {
        clients.emplace_back([&, c] {
            for (int r = 0; r < Rounds; ++r) {
                if (Post(m_server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Body == expected)
                    ++good;
                const QByteArray body = "title=c" + QByteArray::number(c) + "r" + QByteArray::number(r) +
                                        "&description=&source=s" + QByteArray::number(c) + "r" +
                                        QByteArray::number(r) +
                                        "&webpage=&country=&refresh=&language=0&category=suggested";
                if (Post(m_server.Port(), "/lmr/p_suggest.php", body).Body == "ok")
                    ++oks;
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    QCOMPARE(good.load(), Clients * Rounds);
    QCOMPARE(oks.load(), Clients * Rounds);
    QCOMPARE(StoredSuggestions(m_db), before + Clients * Rounds);
}

// A suggestion waits while an administrator's command holds the database; the catalogue and the
// messages are answered meanwhile, even by a single worker, and the suggestion is stored once the
// database is free.
void TestServerHttp::busyDatabaseHoldsUpOnlyItsClients() {
    const QString db = FreshDatabase("busy.db");
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("busy.txt", CamFile), "--db", db}).ExitCode,
             0);
    TRunningServer server;
    QVERIFY(server.Start(db, {"--threads", "1"}));
    std::future<THttpReply> suggestion;
    std::function<void()> endCommand = HoldSuggestions(db);
    QVERIFY(endCommand);
    // Ended before the suggestion is waited for, also when a check fails.
    const auto ended = qScopeGuard([&] {
        if (endCommand)
            std::exchange(endCommand, {})();
    });

    suggestion = std::async(std::launch::async, [&] {
        return Post(server.Port(), "/lmr/p_suggest.php", "source=http://s/busy.jpg&title=busy");
    });
    QTest::qWait(300);
    QCOMPARE(Post(server.Port(), "/lmr/camlist3.php", CatalogueBody(0)).Status, 200);
    QCOMPARE(Post(server.Port(), "/lmr/cam_message.php", "language=0&version=1.0.0.0").Status, 200);
    QVERIFY(suggestion.wait_for(std::chrono::seconds(0)) == std::future_status::timeout);

    std::exchange(endCommand, {})();
    QCOMPARE(suggestion.get().Body, QByteArray("ok"));
    QCOMPARE(StoredSuggestions(db), qsizetype(1));
}

void TestServerHttp::stopLosesNoSuggestion() {
    const QString db = FreshDatabase("stop.db");
    TRunningServer server;
    QVERIFY(server.Start(db, {"--threads", "4", "--suggestion-rate", "0"}));
    std::atomic<bool> stop{false};
    std::atomic<int> oks{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c) {
        clients.emplace_back([&, c] {
            for (int round = 0; !stop; ++round) {
                const THttpReply reply = Post(server.Port(), "/lmr/p_suggest.php",
                                              "source=http://s/" + QByteArray::number(c) + "-" +
                                                  QByteArray::number(round) + ".jpg&title=t");
                if (reply.Body == "ok")
                    ++oks;
                else if (reply.Status == 0)
                    return; // the server has gone
            }
        });
    }
    QTRY_VERIFY_WITH_TIMEOUT(oks.load() > 20, 20000);
    QCOMPARE(server.Stop(), 0);
    stop = true;
    for (std::thread& client : clients)
        client.join();
    QCOMPARE(StoredSuggestions(db), qsizetype(oks.load()));
    QVERIFY(server.ErrorOutput().contains("stopped"));
}

QTEST_GUILESS_MAIN(TestServerHttp)
#include "tst_server_http.moc"
