// Every fetch of the program against a server that misbehaves: the catalogue, the preview, the
// wallpaper, the language pack and the message. Each misbehaviour must end in the designed outcome
// of that fetch, in bounded time and memory, and the program must go on working: the next good reply
// takes effect again. One configuration window (with its refresh timer ticking), one pack window and
// one messages window serve every row, under the real event loop.
#include "TestHttpServer.h"
#include "app/MainFormParts.h"
#include "catalogue/CatalogueExchange.h"
#include "core/LanguageList.h"
#include "core/StoredSettings.h"
#include "core/pack/HandPack.h"
#include "core/pack/PackWriter.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPGet.h"
#include "outreach/EmbeddedWB.h"
#include "outreach/UAttentionForm.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RecordingDesktop.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

namespace {

using Misbehaviour = TestHttpServer::Misbehaviour;
using Reply = TestHttpServer::Reply;

enum class Fetch { Catalogue, Preview, Wallpaper, Pack, Message };

enum class Outcome {
    // The fetch fails and takes its designed failure path.
    Refused,
    // The reply is taken as it came but holds nothing the program can use.
    Useless,
    // The reply's good content takes effect.
    Taken,
};

constexpr qint64 EightGiB = qint64(8) * 1024 * 1024 * 1024;
// What an endless or lying server sends at most before the test gives up on it: far more than any
// cap the program may have, so a missing cap shows as memory growth.
constexpr qint64 FloodBytes = qint64(1024) * 1024 * 1024;
// The most a row may add to the test's peak memory: room for the largest text reply while it grows,
// far below what the server sends.
constexpr qint64 MemoryBound = qint64(512) * 1024 * 1024;

const QByteArray CatalogueHost = "catalogue.test";
const QByteArray CamHost = "cams.example";
const QByteArray PackHost = "packs.test";

const QByteArray HtmlErrorPage = "<html><head><title>500 Internal Server Error</title></head><body>"
                                 "<h1>Internal Server Error</h1><p>The server is on fire.</p></body></html>";

QByteArray GoodCatalogue() {
    return "object=cam\r\nrefid=12\r\nurl=http://cams.example/pier.jpg\r\nname=Pier\r\n"
           "refresh=1\r\ncategory=Sea\r\ncountry=Norway\r\nend\r\n";
}

QByteArray GoodMessage() {
    return "object=message\r\nrefid=5\r\nurl=http://catalogue.test/news.html\r\nend\r\n";
}

TPicture CamPicture() {
    return GradientPicture(64, 48);
}

QByteArray GoodPicture(const QByteArray& extension) {
    if (extension == ".gif")
        return EncodeGif(CamPicture());
    if (extension == ".bmp")
        return EncodeBmp(CamPicture());
    return EncodeJpeg(CamPicture());
}

// The same picture with a header that claims 65535 x 65535 pixels.
QByteArray HugePicture(const QByteArray& extension) {
    QByteArray bytes = GoodPicture(extension);
    if (extension == ".gif") {
        qToLittleEndian<quint16>(65535, bytes.data() + 6);
        qToLittleEndian<quint16>(65535, bytes.data() + 8);
    } else if (extension == ".bmp") {
        qToLittleEndian<qint32>(65535, bytes.data() + 18);
        qToLittleEndian<qint32>(65535, bytes.data() + 22);
    } else {
        const qsizetype frame = bytes.indexOf("\xff\xc0");
        qToBigEndian<quint16>(65535, bytes.data() + frame + 5);
        qToBigEndian<quint16>(65535, bytes.data() + frame + 7);
    }
    return bytes;
}

// A language directory written by the project's own pack writer; noise keeps it above the smallest
// size a pack may have.
QByteArray GoodPack() {
    QTemporaryDir source;
    HandPack::WriteFile(source.filePath(QStringLiteral("properties.cam")),
                        "object=global\r\nversion=2\r\nend\r\n");
    HandPack::WriteFile(source.filePath(QStringLiteral("help/index.html")), HandPack::NoiseBytes(30000, 7));
    return BuildPack(source.path(), {}).ValueOr({});
}

Reply Plain(const QByteArray& body, Misbehaviour behaviour = Misbehaviour::None) {
    Reply reply;
    reply.Body = body;
    reply.Behaviour = behaviour;
    return reply;
}

Reply Flood(qint64 announces) {
    Reply reply;
    reply.Behaviour = Misbehaviour::Flood;
    reply.FloodAnnounces = announces;
    reply.FloodBytes = FloodBytes;
    return reply;
}

struct FetchPlace {
    Fetch Kind;
    const char* Name;
    QByteArray Host;
    QByteArray Path;
    bool Binary;
    bool Post;
};

const FetchPlace Places[] = {
    {Fetch::Catalogue, "catalogue", CatalogueHost, "/lmr/camlist3.php", false, true},
    {Fetch::Preview, "preview", CamHost, "/preview/cam.jpg", true, false},
    {Fetch::Wallpaper, "wallpaper", CamHost, "/wall/cam.jpg", true, false},
    {Fetch::Pack, "pack", PackHost, "/packs/de.pak", true, false},
    {Fetch::Message, "message", CatalogueHost, "/lmr/cam_message.php", false, true},
};

QByteArray GoodBody(Fetch fetch, const QByteArray& path) {
    switch (fetch) {
    case Fetch::Catalogue:
        return GoodCatalogue();
    case Fetch::Message:
        return GoodMessage();
    case Fetch::Pack:
        return GoodPack();
    case Fetch::Preview:
    case Fetch::Wallpaper:
        break;
    }
    return GoodPicture(path.mid(path.lastIndexOf('.')));
}

// Peak resident memory since the last reset, from the kernel's own count.
qint64 StatusKilobytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

bool ResetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(Fetch)
Q_DECLARE_METATYPE(Outcome)

class TestHostileServers : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    RecordingDesktop* m_desktop = nullptr;
    std::unique_ptr<TMainForm> m_window;
    std::unique_ptr<TDownloadForm> m_download;
    std::unique_ptr<TMForm> m_messages;
    QTemporaryDir m_packRoot;

    void ServeGood(const QByteArray& path, Fetch fetch) {
        m_server.Serve(path, Plain(GoodBody(fetch, path)));
    }
    int RequestsFor(const QByteArray& path) const {
        const QList<TestHttpServer::Request> requests = m_server.Requests();
        return int(std::count_if(requests.begin(), requests.end(),
                                 [&](const TestHttpServer::Request& r) { return r.Path == path; }));
    }

    void Catalogue(const QByteArray& path, Outcome outcome);
    void Preview(const QByteArray& path, Outcome outcome);
    void Wallpaper(const QByteArray& path, Outcome outcome);
    void Pack(const QByteArray& path, Outcome outcome);
    void Message(const QByteArray& path, Outcome outcome);

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void hostileServer_data();
    void hostileServer();
};

void TestHostileServers::initTestCase() {
    QVERIFY(m_server.IsListening());
    QVERIFY(ResetPeakMemory());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    qputenv("LUMORA_CATALOGUE_HOST", CatalogueHost);
    qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule(CatalogueHost) + "," +
                                     m_server.ConnectToRule(CamHost) + "," +
                                     m_server.ConnectToRule(PackHost));
    for (const FetchPlace& place : Places)
        ServeGood(place.Path, place.Kind);
    m_server.Serve("/pier.jpg", Plain(GoodPicture(".jpg")));
    m_server.Serve("/news.html", Plain("<html><body>News</body></html>"));
    // No browser engine here: a message page goes to the plain browser.
    TEmbeddedWB::SetModuleSearchPath(QStringList());

    // A stored cam refreshed every second, messages off: the refresh timer ticks through every row.
    QVERIFY((TStoredSettings{"http://cams.example/pier.jpg", "Pier", 12, 1, false, false}.Store()));

    auto desktop = std::make_unique<RecordingDesktop>();
    m_desktop = desktop.get();
    m_window = std::make_unique<TMainForm>(QStringList(), std::move(desktop));
    QSignalSpy installed(&m_window->Cycle(), &TWallpaperCycle::Installed);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->CatalogueArrived() && m_window->isEnabled(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!installed.isEmpty(), 20000);
    // A stall and a trickle are ended by each fetcher's own bounds; short ones keep the test quick.
    m_window->Cycle().IEGet.StallTimeout = 1;
    m_window->Cycle().IEGet.TransferTimeout = 3;
    m_download = std::make_unique<TDownloadForm>();
    m_download->PackGet->StallTimeout = 1;
    m_download->PackGet->TransferTimeout = 3;
    m_messages = std::make_unique<TMForm>();
    m_messages->MGet->StallTimeout = 1;
    m_messages->MGet->TransferTimeout = 3;
}

void TestHostileServers::cleanupTestCase() {
    m_window.reset();
    QTRY_COMPARE_WITH_TIMEOUT(THTTPGet::RunningFetchers(), 0, 20000);
}

void TestHostileServers::hostileServer_data() {
    QTest::addColumn<Fetch>("fetch");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<Outcome>("outcome");

    for (const FetchPlace& place : Places) {
        const QByteArray good = GoodBody(place.Kind, place.Path);
        const auto row = [&](const char* name, const QByteArray& path, const Reply& reply, Outcome outcome) {
            QTest::addRow("%s: %s", place.Name, name) << place.Kind << path << reply << outcome;
        };
        const auto add = [&](const char* name, const Reply& reply, Outcome outcome) {
            row(name, place.Path, reply, outcome);
        };
        // A text reply may end with the connection; a binary one must say how long it is, unless it
        // is a picture whole by its own format. A torn picture is never taken.
        const bool picture = place.Kind == Fetch::Preview || place.Kind == Fetch::Wallpaper;
        add("no Content-Length", Plain(good, Misbehaviour::NoContentLength),
            place.Binary && !picture ? Outcome::Refused : Outcome::Taken);
        if (place.Binary)
            add("torn, no Content-Length", Plain(good.left(good.size() / 2), Misbehaviour::NoContentLength),
                Outcome::Refused);
        add("short body", Plain(good, Misbehaviour::ShortBody), Outcome::Refused);
        Reply stall = Plain(good, Misbehaviour::StallMidBody);
        stall.StallAfter = good.size() / 2;
        add("stall mid-body", stall, Outcome::Refused);
        // Above the stall bound, far below a useful speed: ended by the whole transfer's bound.
        Reply trickle = Plain(good, Misbehaviour::Trickle);
        trickle.TrickleDelay = std::chrono::milliseconds(250);
        add("trickle", trickle, Outcome::Refused);
        add("endless body", Flood(-1), Outcome::Refused);
        add("huge Content-Length", Flood(EightGiB), Outcome::Refused);
        Reply endlessHead = Flood(-1);
        endlessHead.Behaviour = Misbehaviour::FloodHead;
        add("endless head", endlessHead, Outcome::Refused);
        Reply error = Plain(HtmlErrorPage);
        error.Status = "500 Internal Server Error";
        error.ContentType = "text/html";
        add("HTML error page", error, Outcome::Useless);
        // A GET follows redirects up to a limit; a POST takes the redirect's own body.
        Reply loop = Plain("<html><body>Moved</body></html>");
        loop.Status = "302 Found";
        loop.ExtraHeaders = {"Location: http://" + place.Host + place.Path};
        add("redirect loop", loop, place.Post ? Outcome::Useless : Outcome::Refused);
        Reply garbage;
        garbage.Raw = "\x16\x03\x01 garbage \xff\r\nContent-Length: " + QByteArray::number(good.size()) +
                      "\r\n\r\n" + good;
        add("garbage status line", garbage, Outcome::Refused);
        Reply reset = Plain(good, Misbehaviour::ResetMidBody);
        reset.ResetAfter = good.size() / 2;
        add("reset mid-body", reset, Outcome::Refused);

        if (place.Kind != Fetch::Preview && place.Kind != Fetch::Wallpaper)
            continue;
        const QByteArray folder = place.Path.left(place.Path.lastIndexOf('/') + 1);
        for (const QByteArray extension : {".jpg", ".gif", ".bmp"}) {
            const QByteArray path = folder + "cam" + extension;
            const QByteArray picture = GoodPicture(extension);
            row(qPrintable("picture cut, " + extension.mid(1)), path, Plain(picture.left(picture.size() / 2)),
                Outcome::Useless);
            row(qPrintable("picture of 65535 x 65535, " + extension.mid(1)), path,
                Plain(HugePicture(extension)), Outcome::Useless);
        }
    }
}

void TestHostileServers::hostileServer() {
    QFETCH(Fetch, fetch);
    QFETCH(QByteArray, path);
    QFETCH(Reply, reply);
    QFETCH(Outcome, outcome);

    const qint64 before = StatusKilobytes("VmRSS:") * 1024;
    QVERIFY(ResetPeakMemory());
    m_server.Serve(path, reply);
    switch (fetch) {
    case Fetch::Catalogue:
        Catalogue(path, outcome);
        break;
    case Fetch::Preview:
        Preview(path, outcome);
        break;
    case Fetch::Wallpaper:
        Wallpaper(path, outcome);
        break;
    case Fetch::Pack:
        Pack(path, outcome);
        break;
    case Fetch::Message:
        Message(path, outcome);
        break;
    }
    const qint64 growth = StatusKilobytes("VmHWM:") * 1024 - before;
    QVERIFY2(growth < MemoryBound,
             qPrintable(QStringLiteral("peak memory grew by %1 MiB").arg(growth >> 20)));
    // The program is still there for the next row: the window answers and its timer runs.
    QVERIFY(m_window->Cycle().Timer.isActive());
}

// A failed catalogue request shows the no-connection notice; Retry asks again with a new fetcher.
void TestHostileServers::Catalogue(const QByteArray& path, Outcome outcome) {
    TMainForm& w = *m_window;
    int notices = 0;
    QTimer answer;
    answer.setInterval(20);
    connect(&answer, &QTimer::timeout, this, [&] {
        if (TAttentionForm* notice = Shown<TAttentionForm>()) {
            ++notices;
            ServeGood(path, Fetch::Catalogue);
            notice->RetryButClick();
        }
    });
    answer.start();
    const auto phpGet = [&]() -> THTTPGet& { return w.findChild<TCatalogueExchange*>()->PHPGet(); };
    const auto ask = [&] {
        QVERIFY(!phpGet().Busy());
        phpGet().StallTimeout = 1;
        phpGet().TransferTimeout = 3;
        w.SelectLanguage(w.LanguageNumber());
        QVERIFY(!w.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled() && !phpGet().Busy(), 30000);
    };
    ask();
    QCOMPARE(notices, outcome == Outcome::Refused ? 1 : 0);
    // A reply without records is a catalogue without cams; the tree follows it.
    QCOMPARE(Browser(w).CamList()->Count(), outcome == Outcome::Useless ? 0 : 1);
    if (outcome != Outcome::Refused) {
        ServeGood(path, Fetch::Catalogue);
        ask();
    }
    QCOMPARE(Browser(w).CamList()->Count(), 1);
    QVERIFY(w.Cycle().Timer.isActive());
}

// A failed preview shows the not-available display; the next preview works again.
void TestHostileServers::Preview(const QByteArray& path, Outcome outcome) {
    TMainForm& w = *m_window;
    auto cam = std::make_shared<TWebCam>();
    cam->URL = "http://" + CamHost + path;
    cam->Name = "Harbour";
    cam->RefID = 77;
    w.MakeControls();
    const auto show = [&] {
        Label(w, "TitleLabel")->clear();
        Browser(w).ShowPreview(cam);
        THTTPGet& pGet = *Browser(w).findChild<THTTPGet*>();
        pGet.StallTimeout = 1;
        pGet.TransferTimeout = 3;
        QTRY_VERIFY_WITH_TIMEOUT(!Browser(w).PreviewBusy() && !pGet.Busy(), 30000);
    };
    show();
    QCOMPARE(Label(w, "TitleLabel")->text(),
             outcome == Outcome::Taken ? QStringLiteral("Harbour") : QStringLiteral("Sorry...not available"));
    QCOMPARE(Browser(w).findChild<THTTPGet*>()->LastResult(), outcome != Outcome::Refused);
    ServeGood(path, Fetch::Preview);
    show();
    QCOMPARE(Label(w, "TitleLabel")->text(), QStringLiteral("Harbour"));
    QCOMPARE(Browser(w).SelectedCam()->URL, cam->URL);
}

// A failed wallpaper download leaves the desktop as it was; the next tick tries again. A picture
// taken becomes the wallpaper.
void TestHostileServers::Wallpaper(const QByteArray& path, Outcome outcome) {
    TMainForm& w = *m_window;
    THTTPGet& get = w.Cycle().IEGet;
    QTRY_VERIFY_WITH_TIMEOUT(!w.Cycle().Busy(), 30000);
    // From here on every tick asks for the hostile reply.
    w.ActiveCam()->URL = "http://" + CamHost + path;
    const qsizetype installs = m_desktop->Writes.size();
    const int asked = RequestsFor(path);
    QTRY_VERIFY_WITH_TIMEOUT(RequestsFor(path) > asked && !w.Cycle().Busy(), 30000);
    if (outcome == Outcome::Taken) {
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop->Writes.size() > installs, 30000);
        QVERIFY(get.LastResult());
        return;
    }
    QCOMPARE(m_desktop->Writes.size(), installs);
    QCOMPARE(get.LastResult(), outcome != Outcome::Refused);
    QSignalSpy installed(&w.Cycle(), &TWallpaperCycle::Installed);
    ServeGood(path, Fetch::Wallpaper);
    QTRY_VERIFY_WITH_TIMEOUT(!installed.isEmpty(), 30000);
    QCOMPARE(m_desktop->DecodedSizes.last(), QSize(64, 48));
}

// A failed pack download installs nothing and leaves no pack file behind; the next one installs.
void TestHostileServers::Pack(const QByteArray& path, Outcome outcome) {
    QVERIFY(outcome != Outcome::Taken);
    TWebLanguage language;
    language.languagepack = "http://" + PackHost + path;
    const QString dir = m_packRoot.filePath(QStringLiteral("lang1"));
    QDir(dir).removeRecursively();
    QCOMPARE(m_download->DownloadPack(language, dir).ValueOr(true), false);
    QVERIFY(!m_download->isVisible());
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    ServeGood(path, Fetch::Pack);
    QVERIFY(m_download->DownloadPack(language, dir).ValueOr(false));
    QVERIFY(QFile::exists(dir + QStringLiteral("/properties.cam")));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/pack.pak")));
}

// A failed or useless message reply shows nothing; a good one afterwards is shown.
void TestHostileServers::Message(const QByteArray& path, Outcome outcome) {
    TMForm& form = *m_messages;
    form.hide();
    const auto ask = [&] {
        const int asked = RequestsFor(path);
        form.RequestMessage(0);
        QTRY_VERIFY_WITH_TIMEOUT(RequestsFor(path) > asked && !form.MGet->Busy(), 30000);
    };
    ask();
    QCOMPARE(form.isVisible(), outcome == Outcome::Taken);
    QCOMPARE(form.MGet->LastResult(), outcome != Outcome::Refused);
    form.hide();
    ServeGood(path, Fetch::Message);
    ask();
    QVERIFY(form.isVisible());
    form.hide();
}

QTEST_MAIN(TestHostileServers)
#include "tst_hostileservers.moc"
