// lumora-server checks its cams: a local server plays cams that are alive, slow, streaming, secure,
// dead, not pictures, untrusted and frozen; check-cams and serve's own checker must withhold exactly
// the bad ones from the catalogue reply, bring them back once they recover, and never send two
// checks to one host at once.
#include "ServerHarness.h"
#include "TestDatabase.h"
#include "TestHttpServer.h"
#include "TlsFront.h"
#include "core/picture/PictureEncoders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <optional>
#include <set>
#include <thread>

namespace {

// A small JPEG of one shade: every shade gives other bytes.
QByteArray Shade(int shade) {
    TPicture picture = MakePicture(64, 48);
    picture.Pixels.fill(char(shade));
    return EncodeJpeg(picture);
}

// An MJPEG stream that never ends: the same part sent over and over.
TestHttpServer::Reply EndlessStream(const QByteArray& jpeg) {
    TestHttpServer::Reply reply;
    reply.ExtraHeaders = {"Content-Type: multipart/x-mixed-replace; boundary=frame"};
    reply.Body = "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(jpeg.size()) +
                 "\r\n\r\n" + jpeg + "\r\n";
    reply.Behaviour = TestHttpServer::Misbehaviour::Flood;
    reply.FloodBytes = qint64(1) << 40;
    return reply;
}

TestHttpServer::Reply NotFound() {
    TestHttpServer::Reply reply;
    reply.Body = "gone";
    reply.Status = "404 Not Found";
    reply.ContentType = "text/plain";
    return reply;
}

TestHttpServer::Reply Slow(const QByteArray& jpeg) {
    TestHttpServer::Reply reply;
    reply.Body = jpeg;
    reply.ContentType = "image/jpeg";
    reply.Behaviour = TestHttpServer::Misbehaviour::Trickle;
    reply.TrickleBytes = qMax<qint64>(1, jpeg.size() / 10);
    reply.TrickleDelay = std::chrono::milliseconds(30);
    return reply;
}

std::set<int> OfferedCams(quint16 port) {
    std::set<int> refids;
    const QByteArray body = Post(port, "/lmr/camlist3.php", "language=0").Body;
    static const QRegularExpression refid(QStringLiteral("object=cam\\r\\nrefid=(\\d+)"));
    for (const QRegularExpressionMatch& match : refid.globalMatch(QString::fromLatin1(body)))
        refids.insert(match.captured(1).toInt());
    return refids;
}

// The running server takes the store's change within a moment.
std::set<int> OfferedOnce(quint16 port, const std::set<int>& expected) {
    std::set<int> offered;
    for (int i = 0; i < 150 && (offered = OfferedCams(port)) != expected; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return offered;
}

QString CamRecord(int refid, const QByteArray& url) {
    return QStringLiteral("object=cam\r\nrefid=%1\r\nurl=%2\r\nname=cam %1\r\ncategory=Test\r\nend\r\n")
        .arg(refid)
        .arg(QString::fromLatin1(url));
}

std::map<int, QString> States(const QString& db) {
    const TCommandResult listed = RunServerCommand({"cams", "--status", "--json", "--db", db});
    std::map<int, QString> states;
    for (const QJsonValue& cam : QJsonDocument::fromJson(listed.Out).array())
        states[cam["refid"].toInt()] = cam["state"].toString();
    return states;
}

enum Cam { Alive = 1, SlowCam, Stream, Secure, Dead, NotPicture, Untrusted, Frozen, Local };

} // namespace

class TestServerChecker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void checkCamsWithholdsAndRecovers();
    void serveChecksOnItsOwn();
    void oneCheckAtATimeAtEachHost();

private:
    // Every live cam shows another picture from now on.
    void NextPictures();
    QString ImportCams(const QString& name, const std::map<int, QByteArray>& urls);

    TestHttpServer m_cams;
    TestCertificates m_authority;
    std::optional<TlsFront> m_secure;
    std::optional<TlsFront> m_untrusted;
    int m_shade = 0;
};

void TestServerChecker::initTestCase() {
    QVERIFY(m_cams.IsListening());
    QVERIFY(m_authority.IsReady());
    m_secure.emplace(m_authority.Issue("cams", {"DNS:localhost", "IP:127.0.0.1"}), m_cams.Port());
    m_untrusted.emplace(m_authority.SelfSigned("stranger", {"DNS:localhost", "IP:127.0.0.1"}), m_cams.Port());
    QVERIFY(m_secure->IsListening() && m_untrusted->IsListening());
    qputenv("LUMORA_EXTRA_CA_FILE", m_authority.CaFile().toUtf8());
    QByteArrayList rules;
    for (const QByteArray host : {"alive", "slow", "stream", "dead", "html", "frozen", "p", "q"})
        rules << m_cams.ConnectToRule(host + ".cams.test");
    qputenv("LUMORA_CONNECT_TO", rules.join(','));
    m_cams.Serve("/gone.jpg", NotFound());
    m_cams.Serve("/index.html", "<html>a web page</html>", "text/html");
    m_cams.Serve("/still.jpg", Shade(200), "image/jpeg");
}

void TestServerChecker::NextPictures() {
    const QByteArray picture = Shade(++m_shade * 10);
    m_cams.Serve("/a.jpg", picture, "image/jpeg");
    m_cams.Serve("/s.jpg", Slow(picture));
    m_cams.Serve("/live.mjpg", EndlessStream(picture));
}

QString TestServerChecker::ImportCams(const QString& name, const std::map<int, QByteArray>& urls) {
    QString records;
    for (const auto& [refid, url] : urls)
        records += CamRecord(refid, url);
    const QString db = FreshDatabase(name);
    const TCommandResult imported =
        RunServerCommand({"import-cams", WriteScratchFile(name + ".txt", records.toUtf8()), "--db", db});
    return imported.ExitCode == 0 ? db : QString();
}

void TestServerChecker::checkCamsWithholdsAndRecovers() {
    const QByteArray securePort = QByteArray::number(m_secure->Port());
    const QString db = ImportCams(
        "checks.db", {{Alive, "http://alive.cams.test/a.jpg"},
                      {SlowCam, "http://slow.cams.test/s.jpg"},
                      {Stream, "http://stream.cams.test/live.mjpg"},
                      {Secure, "https://localhost:" + securePort + "/a.jpg"},
                      {Dead, "http://dead.cams.test/gone.jpg"},
                      {NotPicture, "http://html.cams.test/index.html"},
                      {Untrusted, "https://localhost:" + QByteArray::number(m_untrusted->Port()) + "/a.jpg"},
                      {Frozen, "http://frozen.cams.test/still.jpg"},
                      {Local, "/demo/harbour.jpg"}});
    QVERIFY(!db.isEmpty());
    TRunningServer server;
    QVERIFY(server.Start(db, {"--check-interval", "0"}));
    const std::set<int> every = {Alive, SlowCam, Stream, Secure, Dead, NotPicture, Untrusted, Frozen, Local};
    const std::set<int> live = {Alive, SlowCam, Stream, Secure, Local};

    const QStringList check = {"check-cams", "--db", db, "--frozen-after", "2s"};
    QElapsedTimer sinceFirst; // from the end of the first pass, which saw the frozen cam's picture
    for (int pass = 1; pass <= 3; ++pass) {
        NextPictures();
        if (pass == 3) // the frozen cam has shown one picture for longer than --frozen-after by now
            std::this_thread::sleep_for(
                std::chrono::milliseconds(qMax<qint64>(0, 2100 - sinceFirst.elapsed())));
        const TCommandResult checked = RunServerCommand(check);
        if (pass == 1)
            sinceFirst.start();
        QVERIFY2(checked.ExitCode == 0, checked.Err.constData());
        QVERIFY2(checked.Out.contains("checked 8 cams"), checked.Out.constData());
        // Two failures are not yet a dead cam: the catalogue stays whole until the third.
        QVERIFY2(OfferedOnce(server.Port(), pass < 3 ? every : live) == (pass < 3 ? every : live),
                 checked.Out.constData());
    }
    const std::map<int, QString> states = States(db);
    const std::map<int, QString> expected = {{Alive, "alive"},    {SlowCam, "alive"}, {Stream, "alive"},
                                             {Secure, "alive"},   {Dead, "dead"},     {NotPicture, "dead"},
                                             {Untrusted, "dead"}, {Frozen, "frozen"}, {Local, "local"}};
    QCOMPARE(states, expected);
    const QByteArray withheld = RunServerCommand({"cams", "--withheld", "--db", db}).Out;
    QCOMPARE(withheld.count("\n"), 1 + 4);
    QVERIFY2(withheld.contains("HTTP status 404"), withheld.constData());
    for (const TestHttpServer::Request& request : m_cams.Requests())
        QVERIFY2(request.Header("User-Agent").startsWith("lumora-server/"), request.Head.constData());

    // Recovered: found alive once, offered again; nothing was deleted meanwhile.
    m_cams.Serve("/gone.jpg", Shade(1), "image/jpeg");
    m_cams.Serve("/index.html", Shade(2), "image/jpeg");
    m_cams.Serve("/still.jpg", Shade(3), "image/jpeg");
    NextPictures();
    QCOMPARE(RunServerCommand(check).ExitCode, 0);
    std::set<int> recovered = every;
    recovered.erase(Untrusted);
    QCOMPARE(OfferedOnce(server.Port(), recovered), recovered);
    QVERIFY(RunServerCommand({"export-cams", "--db", db}).Out.contains("refid=7"));
}

void TestServerChecker::serveChecksOnItsOwn() {
    m_cams.Serve("/broken.jpg", NotFound());
    NextPictures();
    const QString db = ImportCams(
        "serve.db", {{Alive, "http://alive.cams.test/a.jpg"}, {Dead, "http://dead.cams.test/broken.jpg"}});
    QVERIFY(!db.isEmpty());
    TRunningServer server;
    QVERIFY(server.Start(db, {"--check-interval", "1s", "--metrics-listen", "127.0.0.1:0"}));
    QCOMPARE(OfferedOnce(server.Port(), {Alive}), std::set<int>{Alive});
    // Operators see it too.
    const QByteArray metrics = Get(server.MetricsPort(), "/metrics").Body;
    QVERIFY2(metrics.contains("\nlumora_catalogue_cams_withheld 1\n"), metrics.constData());
    QVERIFY2(metrics.contains("\nlumora_cam_check_failures_total{reason=\"status\"} "), metrics.constData());
    m_cams.Serve("/broken.jpg", Shade(5), "image/jpeg");
    QCOMPARE(OfferedOnce(server.Port(), {Alive, Dead}), (std::set<int>{Alive, Dead}));
    QCOMPARE(server.Stop(), 0);
    const QByteArray log = server.ErrorOutput();
    QVERIFY2(log.contains("cam checker: this server checks the cams"), log.constData());
    QVERIFY2(log.contains("cam checker: cam 5 is withheld (dead): HTTP status 404"), log.constData());
    QVERIFY2(log.contains("cam checker: cam 5 is offered again"), log.constData());
}

void TestServerChecker::oneCheckAtATimeAtEachHost() {
    NextPictures();
    std::map<int, QByteArray> cams;
    for (int i = 1; i <= 8; ++i)
        cams[i] = (i % 2 ? "http://p.cams.test/s.jpg?" : "http://q.cams.test/s.jpg?") + QByteArray::number(i);
    m_cams.Serve("/s.jpg", Slow(Shade(7)));
    for (int i = 1; i <= 8; ++i)
        m_cams.Serve("/s.jpg?" + QByteArray::number(i), Slow(Shade(7)));
    const QString db = ImportCams("hosts.db", cams);
    QVERIFY(!db.isEmpty());
    const TCommandResult checked = RunServerCommand({"check-cams", "--db", db, "--check-concurrency", "8"});
    QVERIFY2(checked.Out.contains("checked 8 cams: 8 alive"), checked.Out.constData());
    QCOMPARE(m_cams.MostAtOnce("p.cams.test"), 1);
    QCOMPARE(m_cams.MostAtOnce("q.cams.test"), 1);
}

QTEST_GUILESS_MAIN(TestServerChecker)
#include "tst_server_checker.moc"
