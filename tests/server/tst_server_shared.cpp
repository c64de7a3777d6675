// Several lumora-server processes on one PostgreSQL database: a change reaches every server's kept
// catalogue reply, suggestions sent to any of them are all stored, a server stopped in the middle loses
// nothing it answered "ok", a read-only database serves with suggestions going to its primary, and one
// server checks the cams until it dies, when another takes over.
#include "ServerHarness.h"
#include "StoreLocation.h"
#include "TestDatabase.h"
#include "TestHttpServer.h"

#include <QTest>
#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

namespace {

const QByteArray CatalogueBody = "language=0&computer=GenuineIntel000000000000000000000000000000000000";

QByteArray Catalogue(quint16 port) {
    return Post(port, "/lmr/camlist3.php", CatalogueBody).Body;
}

QByteArray CamRecord(const QByteArray& name) {
    return "object=cam\r\nurl=http://" + name + ".example/p.jpg\r\nname=" + name + "\r\nend\r\n";
}

qsizetype StoredSuggestions(const QString& db) {
    return qsizetype(OpenStore(db)->Suggestions(QByteArray()).size());
}

QByteArray SuggestionBody(int client, int round) {
    const QByteArray name = "c" + QByteArray::number(client) + "r" + QByteArray::number(round);
    return "title=" + name + "&description=&source=http://s/" + name +
           ".jpg&webpage=&country=&refresh=&language=0&category=";
}

} // namespace

class TestServerShared : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void changeReachesEveryServer();
    void suggestionsToBothAreAllStored();
    void standbyServesWithSuggestionsOnThePrimary();
    void oneCheckerTakesOverFromAnother();

private:
    QString m_db;
    TRunningServer m_first, m_second;
};

void TestServerShared::initTestCase() {
    m_db = FreshDatabase(QStringLiteral("shared"));
    // The clients of these tests all come from 127.0.0.1.
    QVERIFY(m_first.Start(m_db, {"--no-access-log", "--suggestion-rate", "0"}));
    QVERIFY(m_second.Start(m_db, {"--no-access-log", "--suggestion-rate", "0"}));
}

void TestServerShared::changeReachesEveryServer() {
    // Both servers keep their reply; an import by the administrator reaches both within a second.
    QCOMPARE(Catalogue(m_first.Port()), QByteArray("\r\n"));
    QCOMPARE(Catalogue(m_second.Port()), QByteArray("\r\n"));
    const TCommandResult imported =
        RunServerCommand({"import-cams", WriteScratchFile("one.txt", CamRecord("harbour")), "--db", m_db});
    QCOMPARE(imported.ExitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Catalogue(m_first.Port()).contains("name=harbour"), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(Catalogue(m_second.Port()).contains("name=harbour"), 1000);

    // Numbers are never given twice, whoever imports: two imports at once get different ones.
    const QString a = WriteScratchFile("a.txt", CamRecord("a").repeated(20));
    const QString b = WriteScratchFile("b.txt", CamRecord("b").repeated(20));
    TCommandResult first, second;
    std::thread other([&] { first = RunServerCommand({"import-cams", a, "--db", m_db}); });
    second = RunServerCommand({"import-cams", b, "--db", m_db});
    other.join();
    QCOMPARE(first.ExitCode, 0);
    QCOMPARE(second.ExitCode, 0);
    const QByteArray exported = RunServerCommand({"export-cams", "--db", m_db}).Out;
    QCOMPARE(exported.count("object=cam"), 41);
    QTRY_COMPARE_WITH_TIMEOUT(Catalogue(m_second.Port()).count("object=cam"), 41, 1000);
    QTRY_COMPARE_WITH_TIMEOUT(Catalogue(m_first.Port()).count("object=cam"), 41, 1000);
    for (int refid = 1; refid <= 41; ++refid)
        QCOMPARE(exported.count("\r\nrefid=" + QByteArray::number(refid) + "\r\n"), 1);
}

// Clients send suggestions to both servers while the first one is stopped in the middle: every "ok"
// answer is one stored suggestion, and the second server goes on taking them.
void TestServerShared::suggestionsToBothAreAllStored() {
    const qsizetype before = StoredSuggestions(m_db);
    std::atomic<int> oks{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c) {
        const quint16 port = c % 2 ? m_second.Port() : m_first.Port();
        clients.emplace_back([&, c, port] {
            for (int round = 0; !stop; ++round) {
                const THttpReply reply = Post(port, "/lmr/p_suggest.php", SuggestionBody(c, round));
                if (reply.Body == "ok")
                    ++oks;
                else if (reply.Status == 0)
                    return; // that server has gone
            }
        });
    }
    QTRY_VERIFY_WITH_TIMEOUT(oks.load() > 30, 20000);
    QCOMPARE(m_first.Stop(), 0);
    const int atStop = oks.load();
    QTRY_VERIFY_WITH_TIMEOUT(oks.load() > atStop + 20, 20000); // the second one still answers
    stop = true;
    for (std::thread& client : clients)
        client.join();
    QCOMPARE(StoredSuggestions(m_db), before + oks.load());
}

// A standby is read-only; a database read-only by its settings stands in for one here.
void TestServerShared::standbyServesWithSuggestionsOnThePrimary() {
    const QString standby =
        SchemaUri(QStringLiteral("shared"), {QStringLiteral("default_transaction_read_only=on")});
    TCommandResult refused = RunServerCommand({"serve", "--db", standby, "--listen", "127.0.0.1:0"});
    QCOMPARE(refused.ExitCode, 1);
    QVERIFY2(refused.Err.contains("read-only") && refused.Err.contains("--suggestions-db"),
             refused.Err.constData());
    refused = RunServerCommand({"import-cams", WriteScratchFile("s.txt", CamRecord("s")), "--db", standby});
    QCOMPARE(refused.ExitCode, 1);
    QVERIFY2(refused.Err.contains("read-only"), refused.Err.constData());

    TRunningServer front;
    QVERIFY(front.Start(standby, {"--suggestions-db", m_db}));
    QVERIFY(Catalogue(front.Port()).contains("name=harbour"));
    const qsizetype before = StoredSuggestions(m_db);
    QCOMPARE(Post(front.Port(), "/lmr/p_suggest.php", SuggestionBody(9, 9)).Body, QByteArray("ok"));
    QCOMPARE(StoredSuggestions(m_db), before + 1);
    // The front follows changes made on the primary.
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("late.txt", CamRecord("late")), "--db", m_db})
                 .ExitCode,
             0);
    QTRY_VERIFY_WITH_TIMEOUT(Catalogue(front.Port()).contains("name=late"), 1000);
}

QTEST_GUILESS_MAIN(TestServerShared)
#include "tst_server_shared.moc"

void TestServerShared::oneCheckerTakesOverFromAnother() {
    TestHttpServer cams;
    cams.Serve("/p.jpg", "not a picture, checked all the same", "image/jpeg");
    const QString db = FreshDatabase(QStringLiteral("checked"));
    const QByteArray record = "object=cam\r\nurl=" + cams.Url("/p.jpg") + "\r\nname=p\r\nend\r\n";
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("checked.txt", record), "--db", db}).ExitCode,
             0);
    const QStringList options = {"--no-access-log", "--check-interval", "1s"};
    TRunningServer servers[3];
    for (TRunningServer& server : servers)
        QVERIFY(server.Start(db, options));

    const QByteArray holding = "cam checker: this server checks the cams";
    const auto holders = [&] {
        std::vector<TRunningServer*> found;
        for (TRunningServer& server : servers)
            if (server.ErrorOutput().count(holding) > 0)
                found.push_back(&server);
        return found;
    };
    QTRY_COMPARE_WITH_TIMEOUT(holders().size(), std::size_t(1), 15000);
    QVERIFY(cams.WaitForRequests(2));
    // However it ends, the holder lets the lease go, and another server takes it within seconds.
    TRunningServer* first = holders().front();
    ::kill(pid_t(first->ProcessId()), SIGKILL);
    first->Stop();
    const int checksBefore = cams.RequestCount();
    QTRY_COMPARE_WITH_TIMEOUT(holders().size(), std::size_t(2), 25000);
    QVERIFY(cams.WaitForRequests(checksBefore + 2));
}
