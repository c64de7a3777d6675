// One transfer at a time: busy drops, cancel, destruction, progress and the WaitThread loop.
#include "FetchHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <sys/wait.h>

namespace {

using Misbehaviour = TestHttpServer::Misbehaviour;

TestHttpServer::Reply Trickle(const QByteArray& body, int bytes, int milliseconds) {
    TestHttpServer::Reply reply;
    reply.Body = body;
    reply.Behaviour = Misbehaviour::Trickle;
    reply.TrickleBytes = bytes;
    reply.TrickleDelay = std::chrono::milliseconds(milliseconds);
    return reply;
}

TestHttpServer::Reply Stall(const QByteArray& body, qint64 after) {
    TestHttpServer::Reply reply;
    reply.Body = body;
    reply.Behaviour = Misbehaviour::StallMidBody;
    reply.StallAfter = after;
    return reply;
}

QStringList PartFiles(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files);
}

bool WaitForQuietNetwork() {
    return QTest::qWaitFor([] { return THTTPGet::RunningFetchers() == 0; }, 15000);
}

} // namespace

class TestHTTPGetLifecycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void busyComponentDropsNewStarts();
    void handlerCannotRestartItsOwnComponent();
    void cancelDuringTheBody_data();
    void cancelDuringTheBody();
    void cancelAfterTheFetcherEndedStillFails();
    void destroyingTheComponentSilencesIt_data();
    void destroyingTheComponentSilencesIt();
    void abandonedTransferSparesItsSuccessorsFile();
    void progressOnTheMainThreadInOrder();
    void waitThreadDispatchesQueuedEvents_data();
    void waitThreadDispatchesQueuedEvents();
    void fileFetchWithWaitThreadReturnsWhenDone();

private:
    std::unique_ptr<TestHttpServer> m_server;
    QTemporaryDir m_dir;
};

void TestHTTPGetLifecycle::init() {
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->IsListening());
    RouteToServer(*m_server);
}

void TestHTTPGetLifecycle::cleanup() {
    QVERIFY(WaitForQuietNetwork());
    m_server.reset();
}

void TestHTTPGetLifecycle::busyComponentDropsNewStarts() {
    const QByteArray body(600, 'p');
    m_server->Serve("/slow.jpg", Trickle(body, 100, 50));
    m_server->Serve("/other.jpg", "other");
    THTTPGet get;
    FetchRecord record(get);
    get.BinaryData = true;
    get.URL = "http://cams.example/slow.jpg";
    get.FileName = m_dir.filePath("TMP.jpg");
    get.FetchFile();
    QVERIFY(get.Busy());

    get.URL = "http://cams.example/other.jpg";
    get.FileName = m_dir.filePath("other.jpg");
    get.FetchFile();
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));

    QCOMPARE(record.Events, QStringList{"file"});
    QCOMPARE(record.FileName, m_dir.filePath("TMP.jpg"));
    QFile file(m_dir.filePath("TMP.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), body);
    QCOMPARE(m_server->RequestCount(), 1);
    QVERIFY(!QFile::exists(m_dir.filePath("other.jpg")));
}

void TestHTTPGetLifecycle::handlerCannotRestartItsOwnComponent() {
    m_server->Serve("/lmr/camlist3.php", "object=cam\nend\n");
    THTTPGet get;
    FetchRecord record(get);
    connect(&get, &THTTPGet::OnDoneString, this, [&get] {
        get.URL = "http://localhost/again";
        get.FetchString();
    });
    get.URL = "http://localhost/lmr/camlist3.php";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QTest::qWait(200);
    QCOMPARE(record.Events, QStringList{"string"});
    QVERIFY(!record.IdleDuringEvent);
    QVERIFY(!record.OffMainThread);
    QCOMPARE(m_server->RequestCount(), 1);
}

void TestHTTPGetLifecycle::cancelDuringTheBody_data() {
    QTest::addColumn<bool>("fromProgress");
    QTest::newRow("from the progress handler") << true;
    QTest::newRow("while the server is silent") << false;
}

void TestHTTPGetLifecycle::cancelDuringTheBody() {
    QFETCH(bool, fromProgress);
    const QByteArray body(10000, 'c');
    m_server->Serve("/pack.pak", Stall(body, 4000));
    THTTPGet get;
    FetchRecord record(get);
    qint64 received = 0;
    connect(&get, &THTTPGet::OnProgress, this, [&](THTTPGet*, qint64, qint64 readed) {
        received = readed;
        if (fromProgress && readed >= 2000)
            get.Cancel();
    });
    get.BinaryData = true;
    get.URL = "http://cams.example/pack.pak";
    get.FileName = m_dir.filePath("pack.pak");
    QElapsedTimer clock;
    clock.start();
    get.FetchFile();
    if (!fromProgress) {
        QTRY_COMPARE(received, qint64(4000));
        QTest::qWait(200);
        get.Cancel();
    }
    QVERIFY(WaitUntilIdle(get));

    QCOMPARE(record.Events, QStringList{"error"});
    QVERIFY2(clock.elapsed() < 10000, "a cancel must not wait for the stall bound");
    QVERIFY(received >= 2000);
    QVERIFY(!QFile::exists(get.FileName));
}

void TestHTTPGetLifecycle::cancelAfterTheFetcherEndedStillFails() {
    m_server->Serve("/pic.jpg", "picture");
    THTTPGet get;
    FetchRecord record(get);
    get.Cancel(); // idle: nothing happens
    get.URL = "http://cams.example/pic.jpg";
    get.FileName = m_dir.filePath("pic.jpg");
    get.FetchFile();
    // The fetcher ends while the main thread is busy; its outcome waits, unread. Not reaped here:
    // that is the component's job.
    siginfo_t ended{};
    QCOMPARE(waitid(P_ALL, 0, &ended, WEXITED | WNOWAIT), 0);
    QCOMPARE(ended.si_code, CLD_EXITED);
    // The target appears only when the transfer is delivered as a success.
    QVERIFY(!QFile::exists(get.FileName));
    get.Cancel();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"error"});
    QVERIFY(!get.LastResult());
    // Reported as failed, so the file it wrote goes too.
    QCOMPARE(PartFiles(m_dir), QStringList());
}

void TestHTTPGetLifecycle::destroyingTheComponentSilencesIt_data() {
    QTest::addColumn<bool>("fromProgress");
    QTest::newRow("while the server is silent") << false;
    QTest::newRow("from its progress handler") << true;
}

void TestHTTPGetLifecycle::destroyingTheComponentSilencesIt() {
    QFETCH(bool, fromProgress);
    m_server->Serve("/cam.jpg", Stall(QByteArray(5000, 'd'), 3000));
    QObject window;
    QPointer<THTTPGet> get = new THTTPGet(&window);
    FetchRecord record(*get);
    if (fromProgress)
        connect(get, &THTTPGet::OnProgress, &window,
                [get](THTTPGet*, qint64, qint64) { get->deleteLater(); });
    get->BinaryData = true;
    get->URL = "http://cams.example/cam.jpg";
    get->FileName = m_dir.filePath("destroyed.jpg");
    get->FetchFile();
    if (!fromProgress) {
        QVERIFY(m_server->WaitForRequests(1));
        QTest::qWait(200);
        delete get;
    }
    QTRY_VERIFY(get.isNull());
    QVERIFY(WaitForQuietNetwork());
    QVERIFY(m_server->WaitForClosedConnections(1));
    QTest::qWait(100);
    QCOMPARE(record.Events, QStringList());
    QVERIFY(!QFile::exists(m_dir.filePath("destroyed.jpg")));
}

// A preview that gives way lets its fetcher go while the next one fetches into the same file: the
// old transfer's clean-up must not take the new one's file, nor may its body tear it.
void TestHTTPGetLifecycle::abandonedTransferSparesItsSuccessorsFile() {
    m_server->Serve("/old.jpg", Stall(QByteArray(5000, 'o'), 1000));
    const QByteArray fresh(400, 'n');
    m_server->Serve("/new.jpg", Trickle(fresh, 40, 50));
    const QString target = m_dir.filePath(QStringLiteral("PTMP.jpg"));
    auto* old = new THTTPGet;
    qint64 oldReceived = 0;
    connect(old, &THTTPGet::OnProgress, this,
            [&](THTTPGet*, qint64, qint64 readed) { oldReceived = readed; });
    old->BinaryData = true;
    old->URL = "http://cams.example/old.jpg";
    old->FileName = target;
    old->FetchFile();
    QTRY_COMPARE(oldReceived, qint64(1000));

    THTTPGet next;
    FetchRecord record(next);
    qint64 nextReceived = 0;
    connect(&next, &THTTPGet::OnProgress, this,
            [&](THTTPGet*, qint64, qint64 readed) { nextReceived = readed; });
    next.BinaryData = true;
    next.URL = "http://cams.example/new.jpg";
    next.FileName = target;
    next.FetchFile();
    QTRY_VERIFY(nextReceived > 0);
    delete old;
    QVERIFY(WaitUntilIdle(next));

    QCOMPARE(record.Events, QStringList{"file"});
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), fresh);
    QVERIFY(WaitForQuietNetwork());
    QTRY_COMPARE(PartFiles(m_dir), QStringList());
}

void TestHTTPGetLifecycle::progressOnTheMainThreadInOrder() {
    const QByteArray body(10000, 'r');
    m_server->Serve("/lang1.pak", body);
    THTTPGet get;
    QStringList order;
    QList<qint64> readings;
    bool offMainThread = false;
    connect(&get, &THTTPGet::OnProgress, this, [&](THTTPGet* sender, qint64 totalSize, qint64 readed) {
        offMainThread = offMainThread || QThread::currentThread() != qApp->thread();
        QCOMPARE(sender, &get);
        QCOMPARE(totalSize, body.size());
        readings.append(readed);
        order.append("progress");
    });
    connect(&get, &THTTPGet::OnDoneFile, this, [&] { order.append("file"); });
    get.BinaryData = true;
    get.URL = "http://cams.example/lang1.pak";
    get.FileName = m_dir.filePath("pack.pak");
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));

    QVERIFY(!offMainThread);
    QVERIFY(readings.size() >= 10);
    QCOMPARE(order.last(), QString("file"));
    QCOMPARE(order.count("progress"), readings.size());
    qint64 previous = 0;
    for (const qint64 readed : readings) {
        QVERIFY(readed > previous && readed - previous <= 1025);
        previous = readed;
    }
    QCOMPARE(previous, body.size());
}

void TestHTTPGetLifecycle::waitThreadDispatchesQueuedEvents_data() {
    QTest::addColumn<bool>("waitThread");
    QTest::newRow("WaitThread") << true;
    QTest::newRow("no WaitThread") << false;
}

void TestHTTPGetLifecycle::waitThreadDispatchesQueuedEvents() {
    QFETCH(bool, waitThread);
    m_server->Serve("/lmr/camlist3.php", Trickle("object=cam\nend\n", 5, 50));
    THTTPGet get;
    FetchRecord record(get);
    bool queuedRan = false;
    QMetaObject::invokeMethod(
        this, [&] { queuedRan = true; }, Qt::QueuedConnection);
    get.WaitThread = waitThread;
    get.URL = "http://localhost/lmr/camlist3.php";
    get.PostQuery = "lang=0";
    get.FetchString();
    QCOMPARE(queuedRan, waitThread);
    // It does not wait for the transfer itself.
    QVERIFY(get.Busy());
    QVERIFY(record.Events.isEmpty());
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{"string"});
}

void TestHTTPGetLifecycle::fileFetchWithWaitThreadReturnsWhenDone() {
    m_server->Serve("/pic.jpg", Trickle("picture", 2, 30));
    THTTPGet get;
    FetchRecord record(get);
    get.WaitThread = true;
    get.URL = "http://cams.example/pic.jpg";
    get.FileName = m_dir.filePath("pic.jpg");
    get.FetchFile();
    QVERIFY(!get.Busy());
    QCOMPARE(record.Events, QStringList{"file"});
}

QTEST_GUILESS_MAIN(TestHTTPGetLifecycle)
#include "tst_httpget_lifecycle.moc"
