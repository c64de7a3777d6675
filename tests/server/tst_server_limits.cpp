// lumora-server flooded by one client: what a client address may leave in the store and how many
// connections it may hold are limited, other clients are served as before, and the store's files stay
// small while the flood goes on.
#include "ServerHarness.h"
#include "StoreLocation.h"
#include "TestDatabase.h"

#include <QFileInfo>
#include <QTcpSocket>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

const QString Other = QStringLiteral("127.0.0.2");

QByteArray SuggestFrom(quint16 port, const QString& from, const QByteArray& source,
                       const QByteArray& forwardedFor = {}) {
    const QByteArray body =
        "title=t&description=&source=" + source + "&webpage=&country=&refresh=&language=0&category=suggested";
    QByteArray head = "POST /lmr/p_suggest.php HTTP/1.0\r\nHost: localhost\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n";
    if (!forwardedFor.isEmpty())
        head += "X-Forwarded-For: " + forwardedFor + "\r\n";
    return SendRaw(port, head + "\r\n" + body, 15000, from).Body;
}

QByteArray Suggest(quint16 port, const QByteArray& source) {
    return SuggestFrom(port, QString(), source);
}

qint64 Pending(const QString& db) {
    return OpenStore(db)->PendingSuggestions();
}

} // namespace

class TestServerLimits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void suggestionRateIsPerClient();
    void pendingSuggestionsHaveACeiling();
    void pendingSourceIsStoredOnce();
    void forwardedForOnlyFromTrustedProxies_data();
    void forwardedForOnlyFromTrustedProxies();
    void connectionsPerClient();
    void writeAheadLogStaysSmall();
};

void TestServerLimits::initTestCase() {
    QTcpSocket probe;
    if (!probe.bind(QHostAddress(Other)))
        QSKIP("this system cannot send from 127.0.0.2");
}

// The rate is an hour's, so that nothing is refilled while the test runs.
void TestServerLimits::suggestionRateIsPerClient() {
    const QString db = FreshDatabase("rate.db");
    TRunningServer server;
    QVERIFY(server.Start(db, {"--no-access-log", "--suggestion-rate", "1/h:3"}));
    QList<QByteArray> answers;
    for (int i = 0; i < 6; ++i)
        answers.append(Suggest(server.Port(), "http://flood.example/" + QByteArray::number(i)));
    QCOMPARE(answers.mid(0, 3), QList<QByteArray>(3, "ok"));
    for (const QByteArray& refused : answers.mid(3))
        QVERIFY2(!refused.isEmpty() && refused != "ok", refused.constData());
    QCOMPARE(SuggestFrom(server.Port(), Other, "http://other.example/"), QByteArray("ok"));
    QCOMPARE(Pending(db), 4);
}

void TestServerLimits::pendingSuggestionsHaveACeiling() {
    const QString db = FreshDatabase("ceiling.db");
    TRunningServer server;
    QVERIFY(
        server.Start(db, {"--no-access-log", "--suggestion-rate", "0", "--max-pending-suggestions", "3"}));
    QList<QByteArray> answers;
    for (int i = 0; i < 5; ++i)
        answers.append(Suggest(server.Port(), "http://full.example/" + QByteArray::number(i)));
    QCOMPARE(answers.count("ok"), 3);
    QVERIFY(!answers.last().isEmpty());
    QVERIFY(RunServerCommand({"status", "--db", db}).Out.contains("pending suggestions\t3\n"));
    QTRY_COMPARE(server.ErrorOutput().count("--max-pending-suggestions"), 1);

    const qint64 first = OpenStore(db)->Suggestions("new").front().Id;
    QCOMPARE(RunServerCommand({"reject", QString::number(first), "--db", db}).ExitCode, 0);
    QCOMPARE(Suggest(server.Port(), "http://full.example/room"), QByteArray("ok"));
    QVERIFY(Suggest(server.Port(), "http://full.example/again") != "ok");
    QCOMPARE(Pending(db), 3);
}

// The same cam suggested again while it waits counts as taken; once decided it may come again.
void TestServerLimits::pendingSourceIsStoredOnce() {
    const QString db = FreshDatabase("duplicates.db");
    TRunningServer server;
    QVERIFY(server.Start(db, {"--no-access-log", "--suggestion-rate", "0"}));
    QCOMPARE(Suggest(server.Port(), "http://same.example/cam.jpg"), QByteArray("ok"));
    QCOMPARE(SuggestFrom(server.Port(), Other, "http://same.example/cam.jpg"), QByteArray("ok"));
    QCOMPARE(Pending(db), 1);

    const qint64 first = OpenStore(db)->Suggestions("new").front().Id;
    QCOMPARE(RunServerCommand({"reject", QString::number(first), "--db", db}).ExitCode, 0);
    QCOMPARE(Suggest(server.Port(), "http://same.example/cam.jpg"), QByteArray("ok"));
    QCOMPARE(Pending(db), 1);
}

// One suggestion an hour per client; the second request names another client in its header.
void TestServerLimits::forwardedForOnlyFromTrustedProxies_data() {
    QTest::addColumn<QString>("trusted");
    QTest::addColumn<QByteArray>("secondForwardedFor");
    QTest::addColumn<bool>("secondTaken");
    QTest::newRow("a trusted proxy's clients") << "10.0.0.0/8,127.0.0.1" << QByteArray("203.0.113.2") << true;
    QTest::newRow("an untrusted peer's header") << "10.0.0.0/8" << QByteArray("203.0.113.2") << false;
    QTest::newRow("a client's own entry before the proxy's")
        << "127.0.0.1" << QByteArray("203.0.113.2, 203.0.113.1") << false;
}

void TestServerLimits::forwardedForOnlyFromTrustedProxies() {
    QFETCH(QString, trusted);
    QFETCH(QByteArray, secondForwardedFor);
    QFETCH(bool, secondTaken);
    TRunningServer server;
    QVERIFY(
        server.Start(FreshDatabase("proxy.db"), {"--suggestion-rate", "1/h:1", "--trust-proxy", trusted}));
    QCOMPARE(SuggestFrom(server.Port(), QString(), "http://p.example/1", "203.0.113.1"), QByteArray("ok"));
    QCOMPARE(SuggestFrom(server.Port(), QString(), "http://p.example/2", secondForwardedFor) == "ok",
             secondTaken);
}

void TestServerLimits::connectionsPerClient() {
    TRunningServer server;
    QVERIFY(
        server.Start(FreshDatabase("connections.db"), {"--no-access-log", "--connections-per-client", "4"}));
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<QTcpSocket>());
        held.back()->connectToHost(QStringLiteral("127.0.0.1"), server.Port());
        QVERIFY(held.back()->waitForConnected(5000));
    }
    // Silent connections are closed after a few seconds: everything here comes well before.
    QCOMPARE(Get(server.Port(), "/demo/").Status, 0);
    QCOMPARE(SendRaw(server.Port(), "GET /demo/ HTTP/1.0\r\n\r\n", 15000, Other).Status, 200);
    held.clear();
    QTRY_COMPARE(Get(server.Port(), "/demo/").Status, 200);
}

void TestServerLimits::writeAheadLogStaysSmall() {
    if (TestingPostgres())
        QSKIP("PostgreSQL keeps its own log");
    const QString db = FreshDatabase("log.db");
    TRunningServer server;
    QVERIFY(
        server.Start(db, {"--no-access-log", "--suggestion-rate", "0", "--max-pending-suggestions", "0"}));
    std::atomic<bool> done{false};
    qint64 largest = 0;
    std::thread watcher([&] {
        while (!done) {
            largest = std::max(largest, QFileInfo(db + "-wal").size());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::vector<std::thread> clients;
    std::atomic<int> oks{0};
    for (int c = 0; c < 4; ++c) {
        clients.emplace_back([&, c] {
            for (int i = 0; i < 1000; ++i) {
                const QByteArray source =
                    "http://log.example/" + QByteArray::number(c * 1000 + i) + "/" + QByteArray(1500, 'x');
                oks += Suggest(server.Port(), source) == "ok" ? 1 : 0;
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    done = true;
    watcher.join();
    QCOMPARE(oks.load(), 4000);
    QVERIFY2(largest < 12 * 1024 * 1024, qPrintable(QString::number(largest)));
    const TCommandResult status = RunServerCommand({"status", "--db", db});
    QVERIFY2(status.Out.contains("write-ahead log\t"), status.Out.constData());
    QVERIFY(status.Out.contains("pending suggestions\t4000\n"));
}

QTEST_GUILESS_MAIN(TestServerLimits)
#include "tst_server_limits.moc"
