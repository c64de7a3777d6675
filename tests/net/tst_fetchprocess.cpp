// The fetcher process behind the component: a fetcher that dies, breaks its protocol or cannot be
// started fails the transfer clearly; cancel and destruction kill it; the protocol carries every
// field of a request and survives being read a byte at a time.
#include "FetchHarness.h"
#include "net/FetchProtocol.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

using Misbehaviour = TestHttpServer::Misbehaviour;

// The fetcher processes this test has started and not yet reaped.
QList<pid_t> FetcherChildren() {
    QList<pid_t> children;
    const QString self = QString::number(getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold blanks, the fields after it do not.
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (line.contains("(lumora-fetch)") && fields.size() > 1 && fields.at(1) == self.toLatin1())
            children << entry.toInt();
    }
    return children;
}

TestHttpServer::Reply Reply(const QByteArray& body, Misbehaviour behaviour, qint64 stallAfter = 0) {
    TestHttpServer::Reply reply;
    reply.Body = body;
    reply.Behaviour = behaviour;
    reply.StallAfter = stallAfter;
    return reply;
}

} // namespace

class TestFetchProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fetcher = qgetenv("LUMORA_FETCH"); }
    void cleanup() { qputenv("LUMORA_FETCH", m_fetcher); }

    void brokenFetcherFailsTheTransfer_data();
    void brokenFetcherFailsTheTransfer();
    void killedFetcherLeavesNoPartialFile();
    void cancelAndDestructionKillTheFetcher_data();
    void cancelAndDestructionKillTheFetcher();
    void requestTravelsWhole();
    void repliesAreReadAcrossAnySplit();

private:
    QByteArray m_fetcher;
};

void TestFetchProcess::brokenFetcherFailsTheTransfer_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("failure");
    // None reads the request: the transfer fails all the same, and nothing waits on the fetcher.
    QTest::newRow("unknown frame") << QByteArray(R"(printf 'X\000\000\000\000')") << QByteArray("protocol");
    QTest::newRow("progress nobody asked for")
        << QByteArray(R"(printf 'P\000\000\000\020AAAAAAAABBBBBBBB')") << QByteArray("protocol");
    QTest::newRow("frame past its bound")
        << QByteArray(R"(printf 'R\177\377\377\377')") << QByteArray("protocol");
    QTest::newRow("garbled outcome") << QByteArray(R"(printf 'R\000\000\000\003abc')")
                                     << QByteArray("protocol");
    QTest::newRow("outcome cut short")
        << QByteArray(R"(printf 'R\000\000\001\000abc')") << QByteArray("without an outcome");
    QTest::newRow("says nothing") << QByteArray("exit 0") << QByteArray("without an outcome");
    QTest::newRow("fails") << QByteArray("exit 3") << QByteArray("status 3");
    QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << QByteArray("signal 11");
    QTest::newRow("missing") << QByteArray() << QByteArray("cannot start");
}

void TestFetchProcess::brokenFetcherFailsTheTransfer() {
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, failure);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("fetcher"));
    if (!script.isEmpty()) {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script + "\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }
    qputenv("LUMORA_FETCH", QFile::encodeName(program));

    THTTPGet get;
    FetchRecord record(get);
    get.URL = "http://cams.example/text";
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{QStringLiteral("error")});
    QVERIFY2(get.LastFailure().contains(failure), get.LastFailure().constData());
    QCOMPARE(get.LastStatus(), 0);
}

void TestFetchProcess::killedFetcherLeavesNoPartialFile() {
    TestHttpServer server;
    server.Serve("/big.jpg", Reply(QByteArray(100000, 'x'), Misbehaviour::StallMidBody, 40000));
    RouteToServer(server);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("big.jpg"));

    THTTPGet get;
    FetchRecord record(get);
    qint64 received = 0;
    connect(&get, &THTTPGet::OnProgress, &get, [&](THTTPGet*, qint64, qint64 readed) { received = readed; });
    get.URL = "http://cams.example/big.jpg";
    get.FileName = target;
    get.FetchFile();
    QTRY_COMPARE(received, qint64(40000));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // the transfer's part file
    const QList<pid_t> children = FetcherChildren();
    QCOMPARE(children.size(), 1);
    QCOMPARE(kill(children.first(), SIGKILL), 0);

    QVERIFY(WaitUntilIdle(get));
    QCOMPARE(record.Events, QStringList{QStringLiteral("error")});
    QVERIFY2(get.LastFailure().contains("fetcher"), get.LastFailure().constData());
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestFetchProcess::cancelAndDestructionKillTheFetcher_data() {
    QTest::addColumn<bool>("destroy");
    QTest::newRow("cancel") << false;
    QTest::newRow("destruction") << true;
}

void TestFetchProcess::cancelAndDestructionKillTheFetcher() {
    QFETCH(bool, destroy);
    TestHttpServer server;
    server.Serve("/text", Reply("x", Misbehaviour::NeverAnswer));
    RouteToServer(server);

    auto get = std::make_unique<THTTPGet>();
    get->StallTimeout = 0; // only the cancel ends it
    get->URL = "http://cams.example/text";
    get->FetchString();
    QVERIFY(server.WaitForRequests(1));
    const QList<pid_t> children = FetcherChildren();
    QCOMPARE(children.size(), 1);

    if (destroy) {
        get.reset();
    } else {
        get->Cancel();
        QVERIFY(WaitUntilIdle(*get));
        QCOMPARE(get->LastFailure(), QByteArray("cancelled"));
    }
    // Reaped, not merely killed: the component waits for its child.
    QTRY_VERIFY(!QFile::exists(QStringLiteral("/proc/%1").arg(children.first())));
    QTRY_COMPARE(THTTPGet::RunningFetchers(), 0);
}

void TestFetchProcess::requestTravelsWhole() {
    THTTPRequest sent;
    sent.AcceptTypes = "image/*";
    sent.Agent = "Agent";
    sent.URL = "http://cams.example/a b.jpg";
    sent.FileName = QStringLiteral("/tmp/ä.jpg");
    sent.UserName = "user";
    sent.Password = QByteArray("pa\0ss", 5);
    sent.PostQuery = "a=1&b=2";
    sent.Referer = "http://ref.example/";
    sent.BinaryData = true;
    sent.UseCache = true;
    sent.ToFile = true;
    sent.ReportProgress = true;
    sent.ConnectTimeout = 7;
    sent.StallTimeout = 9;
    sent.MaxStringSize = 11;
    sent.MaxFileSize = qint64(5) << 32;
    sent.ConnectTo = {"cams.example:80:127.0.0.1:1234", "localhost:80:127.0.0.1:5678"};

    const QByteArray bytes = EncodeFetchRequest(sent);
    const std::optional<THTTPRequest> received = DecodeFetchRequest(bytes);
    QVERIFY(received);
    QCOMPARE(EncodeFetchRequest(*received), bytes);
    QCOMPARE(received->Password, sent.Password);
    QCOMPARE(received->FileName, sent.FileName);
    QCOMPARE(received->MaxFileSize, sent.MaxFileSize);
    QCOMPARE(received->ConnectTo, sent.ConnectTo);
    // A request cut short or followed by more is no request.
    QVERIFY(!DecodeFetchRequest(bytes.chopped(1)));
    QVERIFY(!DecodeFetchRequest(bytes + "x"));
}

void TestFetchProcess::repliesAreReadAcrossAnySplit() {
    THTTPTransferState child;
    child.Success = true;
    child.Status = 200;
    child.AnnouncedSize = 3;
    child.Total = 3;
    child.TargetWritten = true;
    const QByteArray replies = EncodeFetchFrame(FetchFrame::TargetBegun) +
                               EncodeFetchFrame(FetchFrame::Progress, EncodeFetchProgress(3, 2)) +
                               EncodeFetchFrame(FetchFrame::Progress, EncodeFetchProgress(3, 3)) +
                               EncodeFetchFrame(FetchFrame::Outcome, EncodeFetchOutcome(child));

    THTTPTransferState state;
    state.Request.ToFile = true;
    state.Request.ReportProgress = true;
    TFetchReplyReader reader(state);
    QList<qint64> progress;
    for (const char byte : replies)
        QVERIFY(reader.Feed(QByteArray(1, byte), [&](qint64, qint64 readed) { progress << readed; }));
    QVERIFY(reader.Complete());
    QCOMPARE(progress, (QList<qint64>{2, 3}));
    QVERIFY(state.Success);
    QCOMPARE(state.Status, 200L);
    QVERIFY(state.TargetWritten);
    // Nothing may follow the outcome.
    QVERIFY(!reader.Feed(EncodeFetchFrame(FetchFrame::TargetBegun), [](qint64, qint64) {}));
    QVERIFY(!state.Success);
}

QTEST_GUILESS_MAIN(TestFetchProcess)
#include "tst_fetchprocess.moc"
