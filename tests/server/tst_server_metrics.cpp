// What lumora-server tells its operators: GET /metrics, scraped as Prometheus does, and GET /healthz.
// The faults these catch: a request counted twice, not at all, or only while the access log is on; a
// client's path turned into a label; an exposition Prometheus would refuse (a malformed sample line,
// a family without HELP or TYPE, histogram buckets that are not cumulative or do not end in +Inf =
// _count, a label value not escaped); open connections that are never taken off again; store
// operations left untimed, or timed twice when nested; a store that fails answered "ok" by /healthz
// or breaking the scrape; metrics offered on the clients' address.
#include "CatalogueStore.h"
#include "PostgresCluster.h"
#include "ServerHarness.h"
#include "ServerMetrics.h"
#include "StoreLocation.h"
#include "TestDatabase.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <cmath>

namespace {

// One exposition read back the way Prometheus reads it. Samples are keyed by their name and their
// unescaped labels in the order written: `name{a="x",b="y"}`.
struct TScrape {
    QMap<QByteArray, double> Samples;
    QString Fault; // the first thing a scraper would refuse; empty when none

    double Value(const QByteArray& key) const { return Samples.value(key, std::nan("")); }
    QList<QByteArray> Series(const QByteArray& name) const {
        QList<QByteArray> series;
        for (const QByteArray& key : Samples.keys())
            if (key == name || key.startsWith(name + '{'))
                series += key;
        return series;
    }
};

// Reads `a="x",b="y"` (escapes \\ \" \n) into `a=x,b=y`, the bucket bound `le` apart; false when
// malformed.
bool ReadLabels(const QString& text, QByteArray& labels, QByteArray& le) {
    static const QString pair = QStringLiteral(R"re(([a-zA-Z_]\w*)="((?:[^"\\\n]|\\[\\"n])*)")re");
    static const QRegularExpression whole(QStringLiteral("^(?:%1(?:,(?!$)|$))*$").arg(pair)), one(pair);
    if (!whole.match(text).hasMatch())
        return false;
    for (const QRegularExpressionMatch& match : one.globalMatch(text)) {
        const QByteArray escaped = match.captured(2).toUtf8();
        QByteArray value;
        for (qsizetype i = 0; i < escaped.size(); ++i)
            value += escaped[i] != '\\' ? escaped[i] : escaped[++i] == 'n' ? '\n' : escaped[i];
        if (match.captured(1) == QLatin1String("le"))
            le = value;
        else
            labels += (labels.isEmpty() ? "" : ",") + match.captured(1).toUtf8() + '=' + value;
    }
    return true;
}

bool ReadNumber(const QByteArray& text, double& value) {
    bool ok = true;
    value = text == "+Inf" ? INFINITY : text == "-Inf" ? -INFINITY : text.toDouble(&ok);
    return ok;
}

TScrape Parse(const QByteArray& exposition) {
    TScrape scrape;
    QMap<QByteArray, QByteArray> types;
    QSet<QByteArray> helped;
    // Histogram buckets by series: bounds and counts in the order written.
    QMap<QByteArray, QList<std::pair<double, double>>> buckets;
    static const QRegularExpression sample(
        QStringLiteral("^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\\{(.*)\\})? (\\S+)$"));
    const auto fail = [&](const QString& why, const QByteArray& line) {
        if (scrape.Fault.isEmpty())
            scrape.Fault = why + QStringLiteral(": ") + QString::fromUtf8(line);
    };
    if (!exposition.endsWith('\n'))
        fail(QStringLiteral("no line feed at the end"), exposition.right(40));
    for (const QByteArray& line : exposition.split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> words = line.split(' ');
        if (line.startsWith("# HELP ") && words.size() >= 4) {
            helped.insert(words[2]);
            continue;
        }
        if (line.startsWith("# TYPE ") && words.size() == 4) {
            if (!helped.contains(words[2]) || types.contains(words[2]))
                fail(QStringLiteral("TYPE without HELP, or twice"), line);
            types.insert(words[2], words[3]);
            continue;
        }
        const QRegularExpressionMatch match = sample.match(QString::fromUtf8(line));
        QByteArray labels, le;
        double value = 0;
        if (!match.hasMatch() || !ReadLabels(match.captured(2), labels, le) ||
            !ReadNumber(match.captured(3).toUtf8(), value)) {
            fail(QStringLiteral("malformed line"), line);
            continue;
        }
        const QByteArray name = match.captured(1).toUtf8();
        static const QRegularExpression histogramPart(QStringLiteral("_(bucket|sum|count)$"));
        const QByteArray family =
            types.contains(name) ? name : QString::fromUtf8(name).remove(histogramPart).toUtf8();
        if (!types.contains(family) || (family != name && types[family] != "histogram"))
            fail(QStringLiteral("sample before its family's TYPE"), line);
        const QByteArray key = labels.isEmpty() ? name : name + '{' + labels + '}';
        if (name.endsWith("_bucket")) {
            buckets[family + '{' + labels + '}'] += {le == "+Inf" ? INFINITY : le.toDouble(), value};
            continue;
        }
        if (scrape.Samples.contains(key))
            fail(QStringLiteral("sample twice"), line);
        scrape.Samples.insert(key, value);
    }
    for (auto series = buckets.cbegin(); series != buckets.cend(); ++series) {
        const QList<std::pair<double, double>>& list = series.value();
        for (qsizetype i = 1; i < list.size(); ++i)
            if (list[i].first <= list[i - 1].first || list[i].second < list[i - 1].second)
                fail(QStringLiteral("buckets not cumulative"), series.key());
        QByteArray count = series.key();
        count.replace("{", "_count{").replace("_count{}", "_count");
        if (list.isEmpty() || !std::isinf(list.last().first) || list.last().second != scrape.Value(count))
            fail(QStringLiteral("buckets do not end in +Inf = _count"), series.key());
    }
    return scrape;
}

// The catalogue reply names each language's pack as http://HOST/packs/...: the path on this server.
QByteArray SomePackPath(const QByteArray& catalogue) {
    static const QRegularExpression pack(QStringLiteral("languagepack=https?://[^/]+(/packs/[^\\r]+)"));
    return pack.match(QString::fromUtf8(catalogue)).captured(1).toUtf8();
}

double SumOf(const TScrape& scrape, const QByteArray& name) {
    double sum = 0;
    for (const QByteArray& key : scrape.Series(name))
        sum += scrape.Value(key);
    return sum;
}

} // namespace

class TestServerMetrics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void requestsCountedByRouteAndStatus();
    void hostilePathAddsNoLabel();
    void openConnectionsComeAndGo();
    void healthAndMetricsAddresses();
    void storeTimesEachOperationOnce_data();
    void storeTimesEachOperationOnce();
    void camChecksAndEscapedLabels();
    void healthFailsWhenTheDatabaseStops();

private:
    // Scrapes the running server; the exposition must be one Prometheus accepts.
    TScrape Scrape();

    QString m_db;
    TRunningServer m_server;
};

TScrape TestServerMetrics::Scrape() {
    const THttpReply reply = Get(m_server.MetricsPort(), "/metrics");
    TScrape scrape = Parse(reply.Body);
    if (reply.Status != 200 && scrape.Fault.isEmpty())
        scrape.Fault = QStringLiteral("status %1").arg(reply.Status);
    return scrape;
}

void TestServerMetrics::initTestCase() {
    m_db = FreshDatabase("metrics.db");
    // Without the access log: requests are counted all the same.
    QVERIFY(m_server.Start(m_db, {"--demo", "--no-access-log", "--metrics-listen", "127.0.0.1:0"}));
    QVERIFY(m_server.MetricsPort() != 0);
}

void TestServerMetrics::requestsCountedByRouteAndStatus() {
    const TScrape before = Scrape();
    QVERIFY2(before.Fault.isEmpty(), qPrintable(before.Fault));

    const THttpReply catalogue = Post(m_server.Port(), "/lmr/camlist3.php", "language=0");
    QCOMPARE(catalogue.Status, 200);
    const THttpReply pack = Get(m_server.Port(), SomePackPath(catalogue.Body));
    QCOMPARE(pack.Status, 200);
    QCOMPARE(Get(m_server.Port(), "/nowhere").Status, 404);
    QCOMPARE(Get(m_server.Port(), "/healthz").Status, 200);

    const TScrape after = Scrape();
    QVERIFY2(after.Fault.isEmpty(), qPrintable(after.Fault));
    const auto moved = [&](const QByteArray& key) { return after.Value(key) - before.Samples.value(key, 0); };
    QCOMPARE(moved("lumora_http_requests_total{route=catalogue,status=200}"), 1.0);
    QCOMPARE(moved("lumora_http_requests_total{route=packs,status=200}"), 1.0);
    QCOMPARE(moved("lumora_http_requests_total{route=other,status=404}"), 1.0);
    QCOMPARE(moved("lumora_http_requests_total{route=healthz,status=200}"), 1.0);
    QCOMPARE(SumOf(after, "lumora_http_requests_total") - SumOf(before, "lumora_http_requests_total"), 4.0);
    QCOMPARE(moved("lumora_http_response_bytes_total{route=catalogue}"), double(catalogue.Body.size()));
    QCOMPARE(moved("lumora_http_response_bytes_total{route=packs}"), double(pack.Body.size()));
    // The pack and the health probe each asked the store once, besides the scrapes' own questions.
    QVERIFY(moved("lumora_store_query_duration_seconds_count") >= 2);
    QCOMPARE(after.Value("lumora_catalogue_cams"), double(OpenStore(m_db)->Cams().size()));
    QCOMPARE(after.Value("lumora_catalogue_cams_withheld"), 0.0);
}

void TestServerMetrics::hostilePathAddsNoLabel() {
    QCOMPARE(Get(m_server.Port(), "/nowhere").Status, 404);
    const TScrape before = Scrape();
    QCOMPARE(Get(m_server.Port(), "/%22%7D%0Aevil%7Broute=%22x%22%7D%201%5C").Status, 404);
    QCOMPARE(SendRaw(m_server.Port(), "BREW /pot HTTP/1.0\r\n\r\n").Status, 404);
    const TScrape after = Scrape();
    QVERIFY2(after.Fault.isEmpty(), qPrintable(after.Fault));
    QCOMPARE(after.Series("lumora_http_requests_total"), before.Series("lumora_http_requests_total"));
    QCOMPARE(after.Value("lumora_http_requests_total{route=other,status=404}") -
                 before.Value("lumora_http_requests_total{route=other,status=404}"),
             2.0);
}

void TestServerMetrics::openConnectionsComeAndGo() {
    const auto open = [&] { return Scrape().Value("lumora_http_open_connections"); };
    QTRY_COMPARE(open(), 0.0);
    QTcpSocket held;
    held.connectToHost(QStringLiteral("127.0.0.1"), m_server.Port());
    QVERIFY(held.waitForConnected(5000));
    held.write("GET /demo/ HTTP/1.1\r\nHost: localhost\r\n");
    QVERIFY(held.waitForBytesWritten(5000));
    QTRY_COMPARE(open(), 1.0);
    held.abort();
    QTRY_COMPARE(open(), 0.0);
}

void TestServerMetrics::healthAndMetricsAddresses() {
    for (const quint16 port : {m_server.Port(), m_server.MetricsPort()}) {
        const THttpReply health = Get(port, "/healthz");
        QCOMPARE(health.Status, 200);
        QCOMPARE(health.Body, QByteArray("ok\n"));
    }
    const THttpReply metrics = Get(m_server.MetricsPort(), "/metrics");
    QCOMPARE(metrics.Headers.value("content-type"), QByteArray("text/plain; version=0.0.4; charset=utf-8"));
    QVERIFY(metrics.LengthMatches());
    // Each address answers its own paths only.
    QCOMPARE(Get(m_server.Port(), "/metrics").Status, 404);
    QCOMPARE(Get(m_server.MetricsPort(), "/demo/").Status, 404);
    QCOMPARE(Post(m_server.MetricsPort(), "/metrics", "x=1").Status, 404);
}

void TestServerMetrics::storeTimesEachOperationOnce_data() {
    QTest::addColumn<int>("operation");
    QTest::newRow("one read") << 0;
    QTest::newRow("a transaction of three writes") << 1;
    QTest::newRow("an operation that fails") << 2;
}

void TestServerMetrics::storeTimesEachOperationOnce() {
    QFETCH(int, operation);
    std::unique_ptr<TCatalogueStore> store = OpenStore(FreshDatabase("timing.db"));
    QList<double> reported;
    store->SetQueryObserver([&](double seconds) { reported += seconds; });
    TStoredCam cam;
    cam.Cam.URL = "http://cams.example/a.jpg";
    switch (operation) {
    case 0:
        store->Cams();
        break;
    case 1:
        store->Transaction([&] {
            for (int i = 0; i < 3; ++i)
                store->PutCam(cam);
        });
        QCOMPARE(store->Cams().size(), std::size_t(3));
        reported.removeLast();
        break;
    default:
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, store->Transaction([&] {
            store->PutCam(cam);
            throw std::runtime_error("given up half-way");
        }));
    }
    QCOMPARE(reported.size(), 1);
    QVERIFY(reported.first() >= 0 && std::isfinite(reported.first()));
}

void TestServerMetrics::camChecksAndEscapedLabels() {
    TServerMetrics metrics;
    metrics.ObserveCamCheck(0.2, "");
    metrics.ObserveCamCheck(1.5, "timeout");
    metrics.ObserveCamCheck(40, "timeout");
    metrics.ObserveCamCheck(0.3, "odd \"reason\" \\ on\ntwo lines");
    metrics.SetCatalogueSource([]() -> TServerMetrics::TCatalogueFigures { throw TStoreError("gone"); });
    TScrape scrape = Parse(metrics.Render());
    QVERIFY2(scrape.Fault.isEmpty(), qPrintable(scrape.Fault));
    QCOMPARE(scrape.Value("lumora_cam_checks_total"), 4.0);
    QCOMPARE(scrape.Value("lumora_cam_check_failures_total{reason=timeout}"), 2.0);
    QCOMPARE(scrape.Value("lumora_cam_check_failures_total{reason=odd \"reason\" \\ on\ntwo lines}"), 1.0);
    QCOMPARE(scrape.Value("lumora_cam_check_duration_seconds_count"), 4.0);
    QCOMPARE(scrape.Value("lumora_cam_check_duration_seconds_sum"), 42.0);
    // A store that does not answer leaves its figures out, and nothing else.
    QVERIFY(scrape.Series("lumora_catalogue_cams").isEmpty());

    metrics.SetCatalogueSource([] { return TServerMetrics::TCatalogueFigures{5, 4, 1}; });
    scrape = Parse(metrics.Render());
    QCOMPARE(scrape.Value("lumora_catalogue_cams"), 5.0);
    QCOMPARE(scrape.Value("lumora_catalogue_cams_alive"), 4.0);
    QCOMPARE(scrape.Value("lumora_catalogue_cams_withheld"), 1.0);
}

// Last: the database is gone afterwards.
void TestServerMetrics::healthFailsWhenTheDatabaseStops() {
    if (!TestingPostgres())
        QSKIP("a SQLite file cannot be taken away from a server that has it open; the PostgreSQL run "
              "stops its cluster");
    TestCluster().Stop();
    for (const quint16 port : {m_server.Port(), m_server.MetricsPort()})
        QTRY_COMPARE_WITH_TIMEOUT(Get(port, "/healthz").Status, 503, 10000);
    // The database's own words reach the private port only.
    QCOMPARE(Get(m_server.Port(), "/healthz").Body, QByteArray("the database does not answer\n"));
    QVERIFY(Get(m_server.MetricsPort(), "/healthz").Body.startsWith("the database does not answer: "));
    const TScrape scrape = Scrape();
    QVERIFY2(scrape.Fault.isEmpty(), qPrintable(scrape.Fault));
    QVERIFY(scrape.Series("lumora_catalogue_cams").isEmpty());
    QVERIFY(scrape.Value("lumora_http_requests_total{route=healthz,status=503}") >= 1);
}

QTEST_GUILESS_MAIN(TestServerMetrics)
#include "tst_server_metrics.moc"
