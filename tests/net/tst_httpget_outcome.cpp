// Which replies succeed, what they deliver, and how misbehaving servers end.
#include "FetchHarness.h"
#include "core/picture/PictureEncoders.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TestHttpServer::Reply)

namespace {

using Misbehaviour = TestHttpServer::Misbehaviour;

QByteArray PictureBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

TestHttpServer::Reply MakeReply(const QByteArray& body, Misbehaviour behaviour = Misbehaviour::None,
                                const QByteArray& status = "200 OK") {
    TestHttpServer::Reply reply;
    reply.Body = body;
    reply.Behaviour = behaviour;
    reply.Status = status;
    return reply;
}

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// One part of an MJPEG stream as IP cameras send it, with its length or only its delimiters.
QByteArray StreamPart(const QByteArray& picture, bool withLength = true) {
    QByteArray part = "--frame\r\nContent-Type: image/jpeg\r\n";
    if (withLength)
        part += "Content-Length: " + QByteArray::number(picture.size()) + "\r\n";
    return part + "\r\n" + picture + "\r\n";
}

// A stream that sends `body` and then keeps the connection open, as a camera does between frames.
TestHttpServer::Reply Stream(const QByteArray& body) {
    TestHttpServer::Reply reply = MakeReply(body, Misbehaviour::StallMidBody);
    reply.StallAfter = body.size();
    reply.ContentType = "multipart/x-mixed-replace; boundary=frame";
    return reply;
}

const QByteArray Previous = "previous picture";
const QByteArray Missing = "<missing>";

} // namespace

class TestHTTPGetOutcome : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void outcomes_data();
    void outcomes();
    void redirectIsFollowed();
    void postDeliversARedirectAsItCame();
    void nobodyListening();
    void textReplyIsCapped();
    void targetThatCannotBeCreated();
    void silentServerEndsInBoundedTime_data();
    void silentServerEndsInBoundedTime();
    void slowTrickleIsNoStall();

private:
    std::unique_ptr<TestHttpServer> m_server;
    QTemporaryDir m_dir;
};

void TestHTTPGetOutcome::init() {
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->IsListening());
    RouteToServer(*m_server);
}

void TestHTTPGetOutcome::outcomes_data() {
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<TestHttpServer::Reply>("reply");
    QTest::addColumn<QString>("event");
    // The string delivered, or the target file's bytes afterwards (it held Previous before).
    QTest::addColumn<QByteArray>("result");

    const QByteArray picture = PictureBytes(5000);
    QTest::newRow("picture") << true << true << MakeReply(picture) << "file" << picture;
    QTest::newRow("empty picture announced as empty")
        << true << true << MakeReply({}) << "file" << QByteArray();
    QTest::newRow("binary without Content-Length, no picture, removed")
        << true << true << MakeReply(picture, Misbehaviour::NoContentLength) << "error" << Missing;

    // Snapshot scripts that send no length: the picture's own format tells whether it is whole.
    const QByteArray jpeg = EncodeJpeg(MakePicture(40, 30));
    const QByteArray gif = EncodeGif(MakePicture(20, 10));
    const QByteArray bmp = EncodeBmp(MakePicture(9, 7));
    for (const auto& [name, whole] : {std::pair{"JPEG", jpeg}, {"GIF", gif}, {"BMP", bmp}}) {
        QTest::addRow("whole %s without Content-Length", name)
            << true << true << MakeReply(whole, Misbehaviour::NoContentLength) << "file" << whole;
        QTest::addRow("torn %s without Content-Length, removed", name)
            << true << true << MakeReply(whole.chopped(whole.size() / 3), Misbehaviour::NoContentLength)
            << "error" << Missing;
    }
    // An end-of-image marker inside a segment (an embedded thumbnail's) is not the picture's end.
    const QByteArray thumbnail("\xff\xe1\x00\x04\xff\xd9", 6);
    QTest::newRow("JPEG torn after an end marker inside a segment")
        << true << true << MakeReply(jpeg.left(2) + thumbnail, Misbehaviour::NoContentLength) << "error"
        << Missing;

    // MJPEG streams never end by themselves: the first whole picture ends the transfer at once.
    const QByteArray secondFrame = EncodeJpeg(MakePicture(24, 24));
    QTest::newRow("stream, first frame")
        << true << true << Stream(StreamPart(jpeg) + StreamPart(secondFrame) + "--frame\r\n") << "file"
        << jpeg;
    QTest::newRow("stream without part lengths, first frame")
        << true << true << Stream(StreamPart(jpeg, false) + StreamPart(secondFrame, false)) << "file" << jpeg;
    QTest::newRow("stream, torn frame passed over")
        << true << true << Stream(StreamPart(jpeg.left(500)) + StreamPart(secondFrame)) << "file"
        << secondFrame;
    QTest::newRow("stream as text, first frame")
        << false << true << Stream(StreamPart(jpeg) + StreamPart(secondFrame)) << "string" << jpeg;
    QTest::newRow("picture cut short, partial file removed")
        << true << true << MakeReply(picture, Misbehaviour::ShortBody) << "error" << Missing;
    QTest::newRow("body longer than announced, cut at the announced size")
        << true << true << MakeReply(picture, Misbehaviour::LongBody) << "file" << picture.left(4900);
    QTest::newRow("error page into a file")
        << true << true << MakeReply("<html>gone</html>", {}, "404 Not Found") << "file"
        << QByteArray("<html>gone</html>");
    QTest::newRow("text file without Content-Length, removed")
        << true << false << MakeReply("some text", Misbehaviour::NoContentLength) << "error" << Missing;
    QTest::newRow("empty text file without Content-Length")
        << true << false << MakeReply({}, Misbehaviour::NoContentLength) << "file" << QByteArray();
    QTest::newRow("text without Content-Length")
        << false << false << MakeReply("object=cam\nend\n", Misbehaviour::NoContentLength) << "string"
        << QByteArray("object=cam\nend\n");
    QTest::newRow("every byte kept, NUL bytes too")
        << false << false << MakeReply(QByteArray("a\0b\0\0c", 6)) << "string" << QByteArray("a\0b\0\0c", 6);
    QTest::newRow("empty text") << false << false << MakeReply({}) << "error" << QByteArray();
    QTest::newRow("error page as text")
        << false << false << MakeReply("oops", {}, "500 Internal Server Error") << "string"
        << QByteArray("oops");
    QTest::newRow("binary text without Content-Length")
        << false << true << MakeReply("abc", Misbehaviour::NoContentLength) << "error" << QByteArray();
    // Half a catalogue is no catalogue: a text reply must be whole, as a file must.
    QTest::newRow("text cut short") << false << false << MakeReply("object=cam", Misbehaviour::ShortBody)
                                    << "error" << QByteArray();
    TestHttpServer::Reply reset = MakeReply("object=cam\nrefid=1\nend\n", Misbehaviour::ResetMidBody);
    reset.ResetAfter = 10;
    QTest::newRow("text reset mid-body") << false << false << reset << "error" << QByteArray();
    TestHttpServer::Reply resetPicture = MakeReply(picture, Misbehaviour::ResetMidBody);
    resetPicture.ResetAfter = 2000;
    QTest::newRow("picture reset mid-body, removed") << true << true << resetPicture << "error" << Missing;
    QTest::newRow("nothing answered")
        << false << false << MakeReply("x", Misbehaviour::CloseAtOnce) << "error" << QByteArray();
    TestHttpServer::Reply notANumber;
    notANumber.Raw = "HTTP/1.0 200 OK\r\nContent-Length: 5x\r\n\r\nhello";
    QTest::newRow("Content-Length not a number") << false << false << notANumber << "error" << QByteArray();
    TestHttpServer::Reply notHttp;
    notHttp.Raw = "hello, this is no HTTP\r\n\r\n";
    QTest::newRow("no HTTP at all") << false << false << notHttp << "error" << QByteArray();
}

void TestHTTPGetOutcome::outcomes() {
    QFETCH(bool, toFile);
    QFETCH(bool, binary);
    QFETCH(TestHttpServer::Reply, reply);
    QFETCH(QString, event);
    QFETCH(QByteArray, result);

    m_server->Serve("/reply", reply);
    const QString target = m_dir.filePath("TMP.jpg");
    QFile previous(target);
    QVERIFY(previous.open(QIODevice::WriteOnly | QIODevice::Truncate));
    previous.write(Previous);
    previous.close();

    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/reply";
    get.BinaryData = binary;
    get.FileName = target;
    if (toFile)
        get.FetchFile();
    else
        get.FetchString();
    QVERIFY(WaitUntilIdle(get));

    QCOMPARE(record.Events, QStringList{event});
    QCOMPARE(get.LastResult(), event != "error");
    if (toFile) {
        QCOMPARE(ReadAll(target), result);
        if (event == "file") {
            QCOMPARE(record.FileName, target);
            QCOMPARE(record.FileSize, result.size());
        }
    } else {
        QCOMPARE(record.Text, result);
        QCOMPARE(ReadAll(target), Previous);
    }
}

void TestHTTPGetOutcome::redirectIsFollowed() {
    TestHttpServer::Reply moved = MakeReply("<a href=/new.jpg>moved</a>", {}, "302 Found");
    moved.ExtraHeaders = {"Location: http://cams.example/new.jpg"};
    m_server->Serve("/old.jpg", moved);
    m_server->Serve("/new.jpg", PictureBytes(3000));

    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/old.jpg";
    get.BinaryData = true;
    get.FileName = m_dir.filePath("moved.jpg");
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"file"});
    QCOMPARE(ReadAll(get.FileName), PictureBytes(3000));
    QCOMPARE(m_server->RequestCount(), 2);
}

void TestHTTPGetOutcome::postDeliversARedirectAsItCame() {
    TestHttpServer::Reply moved = MakeReply("see elsewhere", {}, "302 Found");
    moved.ExtraHeaders = {"Location: http://localhost/elsewhere"};
    m_server->Serve("/lmr/p_suggest.php", moved);
    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://localhost/lmr/p_suggest.php";
    get.PostQuery = "name=cam";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"string"});
    QCOMPARE(record.Text, QByteArray("see elsewhere"));
    QCOMPARE(m_server->RequestCount(), 1);
}

void TestHTTPGetOutcome::nobodyListening() {
    m_server.reset(new TestHttpServer);
    const QByteArray closedPort = m_server->ConnectToRule("cams.example");
    m_server.reset();
    qputenv("LUMORA_CONNECT_TO", closedPort);
    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/pic.jpg";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"error"});
}

void TestHTTPGetOutcome::textReplyIsCapped() {
    m_server->Serve("/fits", QByteArray(1000, 'a'));
    m_server->Serve("/too-long", MakeReply(QByteArray(1001, 'a'), Misbehaviour::NoContentLength));
    THTTPGet get;
    FetchRecord record(get);
    get.MaxStringSize = 1000;
    get.URL = "http://cams.example/fits";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    get.URL = "http://cams.example/too-long";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, (QStringList{"string", "error"}));
}

void TestHTTPGetOutcome::targetThatCannotBeCreated() {
    m_server->Serve("/pic.jpg", PictureBytes(100));
    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/pic.jpg";
    get.FileName = m_dir.filePath("no such folder/TMP.jpg");
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"error"});
}

void TestHTTPGetOutcome::silentServerEndsInBoundedTime_data() {
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<TestHttpServer::Reply>("reply");
    TestHttpServer::Reply stall = MakeReply(PictureBytes(5000), Misbehaviour::StallMidBody);
    // libcurl averages the rate over a few seconds: a stall after a single byte ends soonest.
    stall.StallAfter = 1;
    QTest::newRow("no answer, file") << true << MakeReply("x", Misbehaviour::NeverAnswer);
    QTest::newRow("no answer, text") << false << MakeReply("x", Misbehaviour::NeverAnswer);
    QTest::newRow("stall in the body, file") << true << stall;
    QTest::newRow("stall in the body, text") << false << stall;
    TestHttpServer::Reply stream =
        MakeReply("--frame\r\nContent-Type: image/jpeg\r\n\r\n\xff\xd8\xff", Misbehaviour::StallMidBody);
    stream.ContentType = "multipart/x-mixed-replace; boundary=frame";
    stream.StallAfter = stream.Body.size();
    QTest::newRow("stream that never completes a frame") << true << stream;
}

void TestHTTPGetOutcome::silentServerEndsInBoundedTime() {
    QFETCH(bool, toFile);
    QFETCH(TestHttpServer::Reply, reply);
    m_server->Serve("/silent", reply);
    THTTPGet get;
    FetchRecord record(get);
    get.StallTimeout = 1;
    get.URL = "http://cams.example/silent";
    get.FileName = m_dir.filePath("silent.jpg");
    QElapsedTimer clock;
    clock.start();
    toFile ? get.FetchFile() : get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"error"});
    QVERIFY2(clock.elapsed() < 10000, "a silent server must not hold the fetcher for long");
    QVERIFY(m_server->WaitForClosedConnections(1));
    QVERIFY(!QFile::exists(get.FileName));
}

void TestHTTPGetOutcome::slowTrickleIsNoStall() {
    TestHttpServer::Reply trickle = MakeReply(PictureBytes(1500), Misbehaviour::Trickle);
    trickle.TrickleBytes = 100;
    trickle.TrickleDelay = std::chrono::milliseconds(100);
    m_server->Serve("/slow.jpg", trickle);
    THTTPGet get;
    FetchRecord record(get);
    get.StallTimeout = 1;
    get.BinaryData = true;
    get.URL = "http://cams.example/slow.jpg";
    get.FileName = m_dir.filePath("slow.jpg");
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"file"});
    QCOMPARE(ReadAll(get.FileName), PictureBytes(1500));
}

QTEST_GUILESS_MAIN(TestHTTPGetOutcome)
#include "tst_httpget_outcome.moc"
