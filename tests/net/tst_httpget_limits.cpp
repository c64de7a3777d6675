// No reply can make a file transfer write more than its caller's limit: a server that announces too
// much is refused before the target is touched, one that keeps sending is cut off at the limit.
#include "FetchHarness.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(TestHttpServer::Reply)

namespace {

using Misbehaviour = TestHttpServer::Misbehaviour;

// The picture and pack limits scaled down, so that a failing build does not write hundreds of MB.
constexpr qint64 PictureLimit = 256 * 1024;
constexpr qint64 PackLimit = 512 * 1024;
constexpr qint64 EightGiB = qint64(8) * 1024 * 1024 * 1024;

const QByteArray Previous = "previous picture";
const QByteArray Missing = "<missing>";

QByteArray Bytes(qint64 size) {
    QByteArray bytes(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + i / 509) & 0xff);
    return bytes;
}

TestHttpServer::Reply Flood(qint64 announces) {
    TestHttpServer::Reply reply;
    reply.Behaviour = Misbehaviour::Flood;
    reply.FloodAnnounces = announces;
    return reply;
}

TestHttpServer::Reply Sized(qint64 size, Misbehaviour behaviour = Misbehaviour::None) {
    TestHttpServer::Reply reply;
    reply.Body = Bytes(size);
    reply.Behaviour = behaviour;
    return reply;
}

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : Missing;
}

} // namespace

class TestHTTPGetLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fileLimit_data();
    void fileLimit();

private:
    std::unique_ptr<TestHttpServer> m_server;
    QTemporaryDir m_dir;
};

void TestHTTPGetLimits::init() {
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->IsListening());
    RouteToServer(*m_server);
}

void TestHTTPGetLimits::cleanup() {
    QVERIFY(QTest::qWaitFor([] { return THTTPGet::RunningFetchers() == 0; }, 15000));
    m_server.reset();
}

void TestHTTPGetLimits::fileLimit_data() {
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<TestHttpServer::Reply>("reply");
    QTest::addColumn<QString>("event");
    // The target's bytes afterwards; it held Previous before the transfer.
    QTest::addColumn<QByteArray>("file");

    // The picture fetchers are binary: a body beyond its announced size is never read, so only an
    // announcement can ask for too much. A text-mode transfer can be made to grow without end.
    QTest::newRow("picture announcing 8 GiB, target untouched")
        << PictureLimit << true << Flood(EightGiB) << "error" << Previous;
    QTest::newRow("picture announcing one byte too many, target untouched")
        << PictureLimit << true << Sized(PictureLimit + 1) << "error" << Previous;
    QTest::newRow("picture exactly at its limit")
        << PictureLimit << true << Sized(PictureLimit) << "file" << Bytes(PictureLimit);
    QTest::newRow("picture growing past its limit, no Content-Length")
        << PictureLimit << false << Flood(-1) << "error" << Missing;

    QTest::newRow("pack announcing 8 GiB, target untouched")
        << PackLimit << true << Flood(EightGiB) << "error" << Previous;
    QTest::newRow("pack exactly at its limit")
        << PackLimit << true << Sized(PackLimit) << "file" << Bytes(PackLimit);
    QTest::newRow("pack growing past its limit, no Content-Length")
        << PackLimit << false << Flood(-1) << "error" << Missing;
    QTest::newRow("pack one byte past its limit, no Content-Length")
        << PackLimit << false << Sized(PackLimit + 1, Misbehaviour::NoContentLength) << "error" << Missing;
}

void TestHTTPGetLimits::fileLimit() {
    QFETCH(qint64, limit);
    QFETCH(bool, binary);
    QFETCH(TestHttpServer::Reply, reply);
    QFETCH(QString, event);
    QFETCH(QByteArray, file);

    m_server->Serve("/download", reply);
    const QString target = m_dir.filePath("download");
    QFile previous(target);
    QVERIFY(previous.open(QIODevice::WriteOnly | QIODevice::Truncate));
    previous.write(Previous);
    previous.close();

    THTTPGet get;
    FetchRecord record(get);
    get.MaxFileSize = limit;
    get.BinaryData = binary;
    get.URL = "http://cams.example/download";
    get.FileName = target;
    qint64 mostReported = 0;
    connect(&get, &THTTPGet::OnProgress, this,
            [&](THTTPGet*, qint64, qint64 readed) { mostReported = std::max(mostReported, readed); });
    // The main loop keeps running while the body streams in; it watches the disk meanwhile.
    qint64 mostOnDisk = 0;
    int watchedWhileWriting = 0;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [&] {
        // The body goes into a part file beside the target first.
        qint64 size = 0;
        for (const QFileInfo& file : QDir(m_dir.path()).entryInfoList(QDir::Files))
            size = std::max(size, file.size());
        mostOnDisk = std::max(mostOnDisk, size);
        if (get.Busy() && size > Previous.size())
            ++watchedWhileWriting;
    });
    watch.start();
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));
    watch.stop();

    QCOMPARE(record.Events, QStringList{event});
    QVERIFY2(mostReported <= limit, qPrintable(QString::number(mostReported)));
    QVERIFY2(mostOnDisk <= limit, qPrintable(QString::number(mostOnDisk)));
    if (reply.Behaviour == Misbehaviour::Flood && !binary)
        QVERIFY(watchedWhileWriting > 0);
    QCOMPARE(ReadAll(target), file);
}

QTEST_GUILESS_MAIN(TestHTTPGetLimits)
#include "tst_httpget_limits.moc"
