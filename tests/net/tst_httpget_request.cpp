// What the fetcher puts on the wire: request line, headers and body, byte for byte.
#include "FetchHarness.h"
#include "net/SplitUrl.h"

#include <QtTest>

class TestHTTPGetRequest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitUrl_data();
    void splitUrl();
    void requestOnTheWire_data();
    void requestOnTheWire();
    void credentialsAreSent();
    void addressesThatCannotBeFetched_data();
    void addressesThatCannotBeFetched();
    void proxyFromTheEnvironment();
};

void TestHTTPGetRequest::splitUrl_data() {
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("scheme");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<QByteArray>("path");
    const QByteArray http = "http";
    QTest::newRow("plain") << QByteArray("http://cams.example/a/b.jpg?x=1") << http
                           << QByteArray("cams.example") << QByteArray() << QByteArray("/a/b.jpg?x=1");
    QTest::newRow("upper-case scheme")
        << QByteArray("HTTP://Cams.Example/Pic.JPG") << http << QByteArray("Cams.Example") << QByteArray()
        << QByteArray("/Pic.JPG");
    QTest::newRow("no scheme") << QByteArray("cams.example/pic.jpg") << http << QByteArray("cams.example")
                               << QByteArray() << QByteArray("/pic.jpg");
    QTest::newRow("no slash after the host") << QByteArray("http://cams.example") << http << QByteArray()
                                             << QByteArray() << QByteArray("cams.example");
    QTest::newRow("root only") << QByteArray("http://cams.example/") << http << QByteArray("cams.example")
                               << QByteArray() << QByteArray("/");
    // The scheme counts only at the start; one later in the address is part of the path.
    QTest::newRow("scheme later in the address")
        << QByteArray("cams.example/go?to=http://elsewhere/") << http << QByteArray("cams.example")
        << QByteArray() << QByteArray("/go?to=http://elsewhere/");
    QTest::newRow("port") << QByteArray("http://cam.example:8080/snap.jpg") << http
                          << QByteArray("cam.example") << QByteArray("8080") << QByteArray("/snap.jpg");
    QTest::newRow("https, IPv6 and port")
        << QByteArray("HTTPS://[2001:db8::5]:8443/x.jpg") << QByteArray("https")
        << QByteArray("[2001:db8::5]") << QByteArray("8443") << QByteArray("/x.jpg");
    QTest::newRow("IPv6 without port") << QByteArray("http://[::1]/x.jpg") << http << QByteArray("[::1]")
                                       << QByteArray() << QByteArray("/x.jpg");
    // A port that is no port stays part of the host, which no transfer can reach.
    QTest::newRow("port out of range") << QByteArray("http://cam.example:65536/x") << http
                                       << QByteArray("cam.example:65536") << QByteArray() << QByteArray("/x");
}

void TestHTTPGetRequest::splitUrl() {
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, scheme);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, port);
    QFETCH(QByteArray, path);
    const THostAndPath split = SplitUrl(url);
    QCOMPARE(split.Scheme, scheme);
    QCOMPARE(split.Host, host);
    QCOMPARE(split.Port, port);
    QCOMPARE(split.Path, path);
}

void TestHTTPGetRequest::requestOnTheWire_data() {
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("agent");
    QTest::addColumn<QByteArray>("acceptTypes");
    QTest::addColumn<QByteArray>("referer");
    QTest::addColumn<bool>("useCache");
    QTest::addColumn<QByteArray>("postQuery");
    QTest::addColumn<QByteArray>("head");

    const QByteArray msie = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
    QTest::newRow("picture GET") << QByteArray("http://cams.example/cam.jpg?w=640&h=480") << msie
                                 << QByteArray("*/*") << QByteArray() << false << QByteArray()
                                 << QByteArray("GET /cam.jpg?w=640&h=480 HTTP/1.0\r\n"
                                               "Host: cams.example\r\n"
                                               "User-Agent: " +
                                               msie +
                                               "\r\n"
                                               "Accept: */*\r\n"
                                               "Pragma: no-cache\r\n"
                                               "Cache-Control: no-cache\r\n\r\n");
    QTest::newRow("no agent, referer, own accept types, cache allowed")
        << QByteArray("http://cams.example/x") << QByteArray() << QByteArray("image/jpeg, image/gif")
        << QByteArray("http://cams.example/page.html") << true << QByteArray()
        << QByteArray("GET /x HTTP/1.0\r\n"
                      "Host: cams.example\r\n"
                      "Referer: http://cams.example/page.html\r\n"
                      "Accept: image/jpeg, image/gif\r\n\r\n");
    QTest::newRow("no accept types") << QByteArray("http://cams.example/x") << QByteArray("LMR")
                                     << QByteArray() << QByteArray() << true << QByteArray()
                                     << QByteArray("GET /x HTTP/1.0\r\n"
                                                   "Host: cams.example\r\n"
                                                   "User-Agent: LMR\r\n\r\n");
    QTest::newRow("catalogue POST") << QByteArray("http://localhost/lmr/camlist3.php") << QByteArray("LMR")
                                    << QByteArray("*/*") << QByteArray() << false
                                    << QByteArray("lang=0&id=00AB&name=Caf\xe9 +%20&empty=")
                                    << QByteArray("POST /lmr/camlist3.php HTTP/1.0\r\n"
                                                  "Host: localhost\r\n"
                                                  "User-Agent: LMR\r\n"
                                                  "Accept: */*\r\n"
                                                  "Pragma: no-cache\r\n"
                                                  "Cache-Control: no-cache\r\n"
                                                  "Content-Type: application/x-www-form-urlencoded\r\n"
                                                  "Content-Length: 36\r\n\r\n");
    QTest::newRow("upper-case scheme, no scheme test on the path")
        << QByteArray("HTTP://cams.example/Pic.JPG") << QByteArray("LMR") << QByteArray("*/*") << QByteArray()
        << true << QByteArray()
        << QByteArray(
               "GET /Pic.JPG HTTP/1.0\r\nHost: cams.example\r\nUser-Agent: LMR\r\nAccept: */*\r\n\r\n");
    QTest::newRow("no scheme, dots kept, blanks encoded")
        << QByteArray("cams.example/a/../b c\r\nX: 1") << QByteArray("LMR") << QByteArray("*/*")
        << QByteArray() << true << QByteArray()
        << QByteArray("GET /a/../b%20c%0D%0AX:%201 HTTP/1.0\r\nHost: cams.example\r\nUser-Agent: LMR\r\n"
                      "Accept: */*\r\n\r\n");
}

void TestHTTPGetRequest::requestOnTheWire() {
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, agent);
    QFETCH(QByteArray, acceptTypes);
    QFETCH(QByteArray, referer);
    QFETCH(bool, useCache);
    QFETCH(QByteArray, postQuery);
    QFETCH(QByteArray, head);

    TestHttpServer server;
    RouteToServer(server);
    THTTPGet get;
    get.URL = url;
    get.Agent = agent;
    get.AcceptTypes = acceptTypes;
    get.Referer = referer;
    get.UseCache = useCache;
    get.PostQuery = postQuery;
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));

    QCOMPARE(server.RequestCount(), 1);
    const TestHttpServer::Request request = server.Requests().at(0);
    QCOMPARE(request.Head, head);
    QCOMPARE(request.Body, postQuery);
}

void TestHTTPGetRequest::credentialsAreSent() {
    TestHttpServer server;
    RouteToServer(server);
    THTTPGet get;
    get.URL = "http://cams.example/private.jpg";
    get.UserName = "ann";
    get.Password = "secret";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(server.Requests().value(0).Header("Authorization"), QByteArray("Basic YW5uOnNlY3JldA=="));
}

void TestHTTPGetRequest::addressesThatCannotBeFetched_data() {
    QTest::addColumn<QByteArray>("url");
    QTest::newRow("no slash after the host") << QByteArray("http://cams.example");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a port that is no number") << QByteArray("http://cams.example:80x/x.jpg");
    QTest::newRow("port zero") << QByteArray("http://cams.example:0/x.jpg");
    QTest::newRow("IPv6 address without brackets") << QByteArray("http://::1/x.jpg");
    QTest::newRow("credentials in the host") << QByteArray("http://ann@cams.example/x.jpg");
    QTest::newRow("another scheme") << QByteArray("ftp://cams.example/x.jpg");
}

void TestHTTPGetRequest::addressesThatCannotBeFetched() {
    QFETCH(QByteArray, url);
    TestHttpServer server;
    server.Serve("/x.jpg", "picture");
    RouteToServer(server);
    THTTPGet get;
    FetchRecord record(get);
    get.URL = url;
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"error"});
    QCOMPARE(server.RequestCount(), 0);
}

void TestHTTPGetRequest::proxyFromTheEnvironment() {
    TestHttpServer proxy;
    proxy.Serve("/cam.jpg", "through the proxy");
    RouteToServer(proxy);
    qunsetenv("LUMORA_CONNECT_TO");
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxy.Port()));
    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/cam.jpg";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    qunsetenv("http_proxy");

    QCOMPARE(record.Text, QByteArray("through the proxy"));
    QCOMPARE(proxy.Requests().value(0).Target, QByteArray("http://cams.example/cam.jpg"));
}

QTEST_GUILESS_MAIN(TestHTTPGetRequest)
#include "tst_httpget_request.moc"
