// The catalogue server's pieces without the network: body parsing, replies, store, demo pictures.
#include "CatalogueReplies.h"
#include "CatalogueStore.h"
#include "FormBody.h"
#include "LanguagePacks.h"
#include "RequestHandler.h"
#include "StoreLocation.h"
#include "Suggestions.h"
#include "TestDatabase.h"
#include "TrustedProxies.h"
#include "core/picture/PictureDecoders.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPictures.h"
#include "demo/DemoScenes.h"
#include "demo/PngWriter.h"

#include <QImage>
#include <QTest>

class TestServerParts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestionValues_data();
    void suggestionValues();
    void catalogueRequestValues();
    void versionScope_data();
    void versionScope();
    void absoluteUrls();
    void catalogueReplyBytes();
    void messageReplyPicksNewestInScope();
    void languageFileVersion_data();
    void languageFileVersion();
    void storeKeepsBytesAndNeverReusesNumbers();
    void generationMovesOnlyWithCatalogue();
    void pngDecodes();
    void scenesFollowTheClock();
    void picturesAreKeptForTheirFrame();
    void handlerRoutes_data();
    void handlerRoutes();
    void clientBehindProxies_data();
    void clientBehindProxies();
    void clientsCountedByNetwork();
};

void TestServerParts::suggestionValues_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("category");

    QTest::newRow("as Lumora sends it")
        << QByteArray(
               "title=Harbour&description=Boats&source=http://c.example/p.jpg&webpage=http://c.example/"
               "&country=Norway&refresh=60&language=0&category=suggested")
        << true << QByteArray("Harbour") << QByteArray("http://c.example/p.jpg") << QByteArray("suggested");
    QTest::newRow("& and = typed into fields stay in them")
        << QByteArray("title=Tom & Jerry=fun&description=&source=http://c.example/p.jpg?a=1&b=2&webpage="
                      "&country=&refresh=&language=0&category=suggested")
        << true << QByteArray("Tom & Jerry=fun") << QByteArray("http://c.example/p.jpg?a=1&b=2")
        << QByteArray("suggested");
    QTest::newRow("every field empty")
        << QByteArray("title=&description=&source=&webpage=&country=&refresh=&language=0&category=suggested")
        << true << QByteArray() << QByteArray() << QByteArray("suggested");
    QTest::newRow("quotes and SQL kept as typed")
        << QByteArray("title=x'); DROP TABLE cams;--&description=\"q\"&source=s&webpage=&country=&refresh="
                      "&language=0&category=suggested")
        << true << QByteArray("x'); DROP TABLE cams;--") << QByteArray("s") << QByteArray("suggested");
    QTest::newRow("other order, plain pairs")
        << QByteArray("source=http://x/y.gif&title=Y") << true << QByteArray("Y")
        << QByteArray("http://x/y.gif") << QByteArray();
    QTest::newRow("no source: not a suggestion")
        << QByteArray("title=Y&country=Z") << false << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe=&&==", 10) << false << QByteArray()
                            << QByteArray() << QByteArray();
    QTest::newRow("empty body") << QByteArray() << false << QByteArray() << QByteArray() << QByteArray();
}

void TestServerParts::suggestionValues() {
    QFETCH(QByteArray, body);
    QFETCH(bool, accepted);
    const std::optional<TSuggestion> suggestion = ParseSuggestion(body);
    QCOMPARE(suggestion.has_value(), accepted);
    if (!suggestion)
        return;
    QTEST(suggestion->Title, "title");
    QTEST(suggestion->Source, "source");
    QTEST(suggestion->Category, "category");
    QCOMPARE(suggestion->Body, body);
}

void TestServerParts::catalogueRequestValues() {
    const QByteArray body = "language=12&computer=AB=CD&refid=7&language=3";
    QCOMPARE(FormBody::IntegerValue(body, "language", 0), 12); // the first pair wins
    QCOMPARE(FormBody::Value(body, "computer"), QByteArray("AB=CD"));
    QCOMPARE(FormBody::IntegerValue(body, "refid", 0), 7);
    QCOMPARE(FormBody::IntegerValue("language=x1", "language", 0), 0);
    QCOMPARE(FormBody::IntegerValue("language=99999999999999999999999", "language", 0), 0);
    QVERIFY(!FormBody::Value("computer=1", "language"));
}

void TestServerParts::versionScope_data() {
    QTest::addColumn<QByteArray>("scope");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("inScope");
    QTest::newRow("every version") << QByteArray() << QByteArray("1.0.0.0") << true;
    QTest::newRow("exact") << QByteArray("1.0.0.0") << QByteArray("1.0.0.0") << true;
    QTest::newRow("leading part") << QByteArray("1.0") << QByteArray("1.0.3.7") << true;
    QTest::newRow("not a whole part") << QByteArray("1.0") << QByteArray("1.01.0.0") << false;
    QTest::newRow("other version") << QByteArray("2") << QByteArray("1.0.0.0") << false;
    QTest::newRow("longer scope") << QByteArray("1.0.0.0.1") << QByteArray("1.0.0.0") << false;
}

void TestServerParts::versionScope() {
    QFETCH(QByteArray, scope);
    QFETCH(QByteArray, version);
    QTEST(VersionInScope(scope, version), "inScope");
}

void TestServerParts::absoluteUrls() {
    QCOMPARE(AbsoluteUrl("localhost", "/demo/a.jpg"), QByteArray("http://localhost/demo/a.jpg"));
    QCOMPARE(AbsoluteUrl("cams.example:8080", "/packs/p.pak"),
             QByteArray("http://cams.example:8080/packs/p.pak"));
    QCOMPARE(AbsoluteUrl("localhost", "http://elsewhere.example/x.gif"),
             QByteArray("http://elsewhere.example/x.gif"));
    QCOMPARE(AbsoluteUrl(QByteArray(), "/demo/a.jpg"), QByteArray("/demo/a.jpg"));
}

void TestServerParts::catalogueReplyBytes() {
    TStoredCam everywhere;
    everywhere.Cam.RefID = 4;
    everywhere.Cam.URL = "/demo/a.jpg";
    everywhere.Cam.Name = "A";
    everywhere.Cam.Description = " two  blanks ";
    everywhere.Cam.Refresh = 30;
    everywhere.Cam.Category = "Skies";
    everywhere.Cam.Webpage = "http://w.example/?a=1&b=2";
    everywhere.Cam.Country = "Norway";
    TStoredCam german = everywhere;
    german.Cam.RefID = 9;
    german.Cam.URL = "http://g.example/g.gif";
    german.Language = 2;
    const std::vector<TStoredLanguage> languages = {{0, "English", "/demo/", 3, "/packs/lang0-v3.pak"}};

    const QByteArray expectedCam = "object=cam\r\nrefid=4\r\nurl=http://cams.example/demo/a.jpg\r\nname=A\r\n"
                                   "description= two  blanks \r\nrefresh=30\r\ncategory=Skies\r\n"
                                   "webpage=http://w.example/?a=1&b=2\r\ncountry=Norway\r\nend\r\n";
    const QByteArray expectedLanguage =
        "object=language\r\nrefid=0\r\n"
        "languagepack=http://cams.example/packs/lang0-v3.pak\r\nname=English\r\n"
        "packversion=3\r\nwebpage=http://cams.example/demo/\r\nend\r\n";
    QCOMPARE(BuildCatalogueReply({everywhere, german}, languages, 0, "cams.example"),
             expectedCam + expectedLanguage);
    const QByteArray forGerman = BuildCatalogueReply({everywhere, german}, languages, 2, "cams.example");
    QVERIFY(forGerman.contains("refid=9\r\nurl=http://g.example/g.gif\r\n"));

    // What Lumora's own reader makes of it.
    TCamList list;
    list.LoadFromText(forGerman);
    QCOMPARE(list.Count(), 2);
    QCOMPARE(list.Items(0)->Description, QByteArray(" two  blanks "));
    QCOMPARE(list.Items(1)->RefID, 9);
}

void TestServerParts::messageReplyPicksNewestInScope() {
    const std::vector<TStoredMessage> newestFirst = {
        {7, 2, "", "http://m.example/de.html"},
        {5, std::nullopt, "1.0", ""},
        {3, std::nullopt, "", "http://m.example/all.html"},
    };
    QCOMPARE(BuildMessageReply(newestFirst, 2, "1.0.0.0", "h"),
             QByteArray("object=message\r\nrefid=7\r\nurl=http://m.example/de.html\r\nend\r\n"));
    QCOMPARE(BuildMessageReply(newestFirst, 0, "1.0.0.0", "h"),
             QByteArray("object=message\r\nrefid=5\r\nurl=http://h/messages/5.html\r\nend\r\n"));
    QCOMPARE(BuildMessageReply(newestFirst, 0, "2.0.0.0", "h"),
             QByteArray("object=message\r\nrefid=3\r\nurl=http://m.example/all.html\r\nend\r\n"));
    QCOMPARE(BuildMessageReply({}, 0, "1.0.0.0", "h"), QByteArray());
}

void TestServerParts::languageFileVersion_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint64>("version"); // -1: none
    QTest::newRow("plain") << QByteArray("object=global\r\nversion=3\r\nend\r\n") << qint64(3);
    QTest::newRow("trimmed lines") << QByteArray("  object=global \n\tversion=5\nend\n") << qint64(5);
    QTest::newRow("first line of a block counts")
        << QByteArray("object=global\nversion=2\nversion=9\nend\n") << qint64(2);
    QTest::newRow("last block wins") << QByteArray(
                                            "object=global\nversion=2\nend\nobject=global\nversion=4\nend\n")
                                     << qint64(4);
    QTest::newRow("no global block") << QByteArray("object=mainform\nversion=2\nend\n") << qint64(-1);
    QTest::newRow("not a number") << QByteArray("object=global\nversion=two\nend\n") << qint64(-1);
}

void TestServerParts::languageFileVersion() {
    QFETCH(QByteArray, file);
    QFETCH(qint64, version);
    QCOMPARE(LanguageFileVersion(file).value_or(-1), version);
}

void TestServerParts::storeKeepsBytesAndNeverReusesNumbers() {
    const std::unique_ptr<TCatalogueStore> opened = OpenStore(FreshDatabase(QStringLiteral("c.db")));
    TCatalogueStore& store = *opened;
    TStoredCam cam;
    cam.Cam.URL = "http://x/'; DELETE FROM cams; --";
    cam.Cam.Name = QByteArray("\xe9t\xe9\x00nul", 8); // Latin-1 bytes and a NUL stay as they are
    const qint64 first = store.PutCam(cam);
    const qint64 second = store.PutCam(cam);
    QCOMPARE(second, first + 1);
    const std::vector<TStoredCam> cams = store.Cams();
    QCOMPARE(cams.size(), std::size_t(2));
    QCOMPARE(cams.front().Cam.URL, cam.Cam.URL);
    QCOMPARE(cams.front().Cam.Name, cam.Cam.Name);

    store.DeleteAllCams();
    QVERIFY(store.PutCam(cam) > second);
    cam.Cam.RefID = 500;
    QCOMPARE(store.PutCam(cam), 500);
    cam.Cam.RefID = 0;
    QCOMPARE(store.PutCam(cam), 501);
}

void TestServerParts::generationMovesOnlyWithCatalogue() {
    const std::unique_ptr<TCatalogueStore> opened = OpenStore(FreshDatabase(QStringLiteral("c.db")));
    TCatalogueStore& store = *opened;
    const qint64 start = store.CatalogueGeneration();
    store.AddSuggestion(TSuggestion{});
    store.AddMessage({0, std::nullopt, "", "http://m/"}, QByteArray());
    QCOMPARE(store.CatalogueGeneration(), start);
    store.PutCam(TStoredCam{});
    QVERIFY(store.CatalogueGeneration() > start);
    const qint64 afterCam = store.CatalogueGeneration();
    store.PutLanguage({1, "X", "", 1, "/packs/lang1-v1.pak"}, "pack");
    QVERIFY(store.CatalogueGeneration() > afterCam);

    // A failed transaction leaves nothing behind.
    const std::size_t cams = store.Cams().size();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, store.Transaction([&] {
        store.PutCam(TStoredCam{});
        throw std::runtime_error("stop");
    }));
    QCOMPARE(store.Cams().size(), cams);
}

void TestServerParts::pngDecodes() {
    const TPicture picture = RenderScene(TScene::Harbour, 120, 90, 3600 * 12, "PNG");
    const QByteArray png = EncodePng(picture);
    QImage image;
    QVERIFY(image.loadFromData(png, "PNG"));
    QCOMPARE(image.size(), QSize(120, 90));
    for (const QPoint point : {QPoint(0, 0), QPoint(60, 70), QPoint(119, 89)}) {
        const char* pixel = picture.Row(point.y()) + point.x() * 3;
        QCOMPARE(image.pixel(point), qRgb(uchar(pixel[2]), uchar(pixel[1]), uchar(pixel[0])));
    }
    QVERIFY(EncodePng(TPicture{}).isEmpty());
}

void TestServerParts::scenesFollowTheClock() {
    // The sky of the top row: dark at night, bright by day.
    const auto skyBrightness = [](double seconds) {
        const TPicture picture = RenderScene(TScene::Sky, 64, 48, seconds, "");
        const char* pixel = picture.Row(47 * 5 / 6 - 1) + 63 * 3;
        return uchar(pixel[0]) + uchar(pixel[1]) + uchar(pixel[2]);
    };
    QVERIFY(skyBrightness(2 * 3600) < 150);
    QVERIFY(skyBrightness(13 * 3600) > 400);
    const TPicture a = RenderScene(TScene::Traffic, 320, 240, 1000, "");
    const TPicture b = RenderScene(TScene::Traffic, 320, 240, 1001, "");
    QVERIFY(a.Pixels != b.Pixels); // the cars moved
}

void TestServerParts::picturesAreKeptForTheirFrame() {
    TDemoPictures pictures;
    const auto at = [](qint64 ms) { return TDemoPictures::Clock::time_point(std::chrono::milliseconds(ms)); };
    const std::optional<TDemoPicture> first = pictures.Picture("clock-london.jpg", at(1'000'000'100));
    const std::optional<TDemoPicture> same = pictures.Picture("clock-london.jpg", at(1'000'000'900));
    const std::optional<TDemoPicture> next = pictures.Picture("clock-london.jpg", at(1'000'001'100));
    QVERIFY(first && same && next);
    QCOMPARE(first->ContentType, QByteArray("image/jpeg"));
    QCOMPARE(same->Bytes, first->Bytes);
    QVERIFY(next->Bytes != first->Bytes);
    QVERIFY(DecodeJpeg(first->Bytes));
    QVERIFY(!pictures.Picture("../etc/passwd"));
    QVERIFY(!pictures.Picture("clock-london.JPG"));
}

void TestServerParts::handlerRoutes_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("headers");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("catalogue") << QByteArray("POST") << QByteArray("/lmr/camlist3.php")
                               << QByteArray("language=0") << 5 << 200 << QByteArray("name=Harbour\r\n");
    QTest::newRow("scripts are posted to") << QByteArray("GET") << QByteArray("/lmr/camlist3.php")
                                           << QByteArray() << 5 << 404 << QByteArray("404 not found\n");
    QTest::newRow("too many header lines") << QByteArray("POST") << QByteArray("/lmr/camlist3.php")
                                           << QByteArray("language=0") << 101 << 431 << QByteArray("header");
    QTest::newRow("not a suggestion") << QByteArray("POST") << QByteArray("/lmr/p_suggest.php")
                                      << QByteArray("title=x") << 5 << 400 << QByteArray("refused");
    QTest::newRow("HEAD is a GET") << QByteArray("HEAD") << QByteArray("/demo/") << QByteArray() << 5 << 200
                                   << QByteArray("<");
    QTest::newRow("demo picture") << QByteArray("GET") << QByteArray("/demo/clock-london.jpg") << QByteArray()
                                  << 5 << 200 << QByteArray("\xff\xd8");
    QTest::newRow("no such pack") << QByteArray("GET") << QByteArray("/packs/lang0-v1.pak") << QByteArray()
                                  << 5 << 404 << QByteArray("404 not found\n");
    QTest::newRow("pack path with more") << QByteArray("GET") << QByteArray("/packs/lang0-v1.pak.bak")
                                         << QByteArray() << 5 << 404 << QByteArray("404");
    QTest::newRow("path out of the demo folder") << QByteArray("GET") << QByteArray("/demo/../../etc/passwd")
                                                 << QByteArray() << 5 << 404 << QByteArray("404");
    QTest::newRow("message page of none") << QByteArray("GET") << QByteArray("/messages/1.html")
                                          << QByteArray() << 5 << 404 << QByteArray("404");
}

// The routes answer plain requests, with no network in between.
void TestServerParts::handlerRoutes() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    QFETCH(int, headers);
    QFETCH(int, status);
    QFETCH(QByteArray, reply);

    const std::unique_ptr<TCatalogueStore> opened = OpenStore(FreshDatabase(QStringLiteral("c.db")));
    TCatalogueStore& store = *opened;
    TStoredCam cam;
    cam.Cam.URL = "http://a.example/a.jpg";
    cam.Cam.Name = "Harbour";
    store.PutCam(cam);
    TDemoPictures pictures;
    TRequestHandler handler(store, store, pictures, "cams.example", false);

    THttpRequest request{"127.0.0.1", method.toStdString(), path.toStdString(), {}, body};
    for (int i = 0; i < headers; ++i)
        request.Headers.emplace_back("X-" + std::to_string(i), "y");
    const THttpResponse response = handler.Answer(request);
    QCOMPARE(response.Status, status);
    QVERIFY2(response.Body->contains(reply), response.Body->left(80).constData());
}

void TestServerParts::clientBehindProxies_data() {
    QTest::addColumn<QString>("trusted");
    QTest::addColumn<QByteArray>("peer");
    QTest::addColumn<QByteArray>("forwardedFor");
    QTest::addColumn<QByteArray>("client");
    QTest::newRow("untrusted peer") << "10.0.0.0/8" << QByteArray("192.0.2.1") << QByteArray("203.0.113.9")
                                    << QByteArray("192.0.2.1");
    QTest::newRow("peer in a /25") << "192.168.1.128/25" << QByteArray("192.168.1.130")
                                   << QByteArray("203.0.113.9") << QByteArray("203.0.113.9");
    QTest::newRow("peer outside a /26") << "192.168.1.192/26" << QByteArray("192.168.1.130")
                                        << QByteArray("203.0.113.9") << QByteArray("192.168.1.130");
    QTest::newRow("two proxies in a row") << "10.0.0.0/8" << QByteArray("10.0.0.1")
                                          << QByteArray("203.0.113.9, 10.0.0.2") << QByteArray("203.0.113.9");
    QTest::newRow("the client's own entry")
        << "10.0.0.1" << QByteArray("10.0.0.1") << QByteArray("192.0.2.5,203.0.113.9")
        << QByteArray("203.0.113.9");
    QTest::newRow("IPv4 peer mapped into IPv6") << "10.0.0.0/8" << QByteArray("::ffff:10.0.0.1")
                                                << QByteArray("203.0.113.9") << QByteArray("203.0.113.9");
    QTest::newRow("IPv6 proxy") << "2001:db8::/32" << QByteArray("2001:db8:5::1") << QByteArray("2001:db9::7")
                                << QByteArray("2001:db9::7");
    QTest::newRow("IPv6 peer outside") << "2001:db8::/32" << QByteArray("2001:db9::1")
                                       << QByteArray("203.0.113.9") << QByteArray("2001:db9::1");
    QTest::newRow("no address where the proxy writes one")
        << "10.0.0.0/8" << QByteArray("10.0.0.1") << QByteArray("203.0.113.9, unknown")
        << QByteArray("10.0.0.1");
}

void TestServerParts::clientBehindProxies() {
    QFETCH(QString, trusted);
    QFETCH(QByteArray, peer);
    QFETCH(QByteArray, forwardedFor);
    QFETCH(QByteArray, client);
    const TResult<TTrustedProxies> proxies = TTrustedProxies::Parse(trusted);
    QVERIFY(proxies.Ok());
    const THttpHeaders headers = {{"x-forwarded-for", forwardedFor.toStdString()}};
    QCOMPARE(QByteArray::fromStdString(proxies->Client(peer.toStdString(), headers)), client);
}

// One IPv6 customer gets a /64 and may take any address of it.
void TestServerParts::clientsCountedByNetwork() {
    QCOMPARE(LimitKey("2001:db8:1:2:aaaa::1"), LimitKey("2001:db8:1:2:bbbb::2"));
    QVERIFY(LimitKey("2001:db8:1:2::1") != LimitKey("2001:db8:1:3::1"));
    QCOMPARE(LimitKey("::ffff:192.0.2.1"), LimitKey("192.0.2.1"));
    QVERIFY(LimitKey("192.0.2.1") != LimitKey("192.0.2.2"));
}

QTEST_GUILESS_MAIN(TestServerParts)
#include "tst_server_parts.moc"
