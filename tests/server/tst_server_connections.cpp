// lumora-server under crowds of connections that say little or nothing: a real client is answered
// while they are open, each of them is closed after a while, and a stop does not wait for them.
#include "ServerHarness.h"
#include "TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Enough cams for a reply of several hundred kilobytes, like a real catalogue's.
QByteArray CamFile() {
    QByteArray file;
    for (int i = 0; i < 2000; ++i)
        file += "object=cam\r\nurl=http://a.example/" + QByteArray::number(i) + ".jpg\r\nname=Harbour " +
                QByteArray::number(i) + "\r\ndescription=The harbour seen from the lighthouse\r\nend\r\n";
    return file;
}

const QByteArray CatalogueRequest = "POST /lmr/camlist3.php HTTP/1.0\r\nContent-Length: 10\r\n\r\nlanguage=0";

// What a connection sends before it falls silent.
const QList<QByteArray> Openings = {
    QByteArray(),
    "GET /demo/ HTTP/1.1\r\nHost: loc",
    "POST /lmr/p_suggest.php HTTP/1.0\r\nContent-Length: 100\r\n\r\nsource=",
};

// A plain socket to the server on 127.0.0.1, closed with the object.
class TRawConnection {
public:
    explicit TRawConnection(quint16 port)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~TRawConnection() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TRawConnection(const TRawConnection&) = delete;
    TRawConnection& operator=(const TRawConnection&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    bool Send(const QByteArray& bytes) {
        return bytes.isEmpty() || ::send(m_fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) ==
                                      ssize_t(bytes.size());
    }

    // Reads what the server sends until it closes the connection; false when it did not in time.
    bool ReadUntilClosed(int timeoutMs, QByteArray* received = nullptr) {
        QElapsedTimer clock;
        clock.start();
        char buffer[65536];
        while (clock.elapsed() < timeoutMs) {
            pollfd entry{m_fd, POLLIN, 0};
            if (::poll(&entry, 1, int(timeoutMs - clock.elapsed())) <= 0)
                continue;
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                return true;
            if (received != nullptr)
                received->append(buffer, got);
        }
        return false;
    }

    // The server has sent something or closed the connection.
    bool HasHeardFromServer() const {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0;
    }

private:
    int m_fd;
};

using TCrowd = std::vector<std::unique_ptr<TRawConnection>>;

// Opens the connections, each sending one of the openings in turn; empty when one could not be opened.
TCrowd OpenCrowd(quint16 port, int size) {
    TCrowd crowd;
    for (int i = 0; i < size; ++i) {
        auto connection = std::make_unique<TRawConnection>(port);
        if (!connection->IsOpen() || !connection->Send(Openings.at(i % Openings.size())))
            return {};
        crowd.push_back(std::move(connection));
    }
    return crowd;
}

QString CatalogueDatabase() {
    const QString db = FreshDatabase("connections.db");
    RunServerCommand({"import-cams", WriteScratchFile("cams.txt", CamFile()), "--db", db});
    return db;
}

} // namespace

class TestServerConnections : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void crowdDoesNotDelayACatalogueRequest_data();
    void crowdDoesNotDelayACatalogueRequest();
    void requestInABurstIsAnsweredAtOnce();
    void silentConnectionsAreClosed();

private:
    QString m_db;
};

void TestServerConnections::initTestCase() {
    // A thousand connections need a thousand descriptors on this side too.
    rlimit files{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &files) == 0);
    files.rlim_cur = files.rlim_max;
    QVERIFY(setrlimit(RLIMIT_NOFILE, &files) == 0);
    if (files.rlim_cur < 1200)
        QSKIP("this system allows fewer than 1,200 open files");
    m_db = CatalogueDatabase();
}

// With a crowd open, large replies leave as an answer shared by the connections: it holds the whole
// reply, and the new one once the catalogue changed.
// The shared answer's bytes live in an unnamed file in the temporary folder, or in memory where that
// folder cannot hold one.
void TestServerConnections::crowdDoesNotDelayACatalogueRequest_data() {
    QTest::addColumn<QString>("temporaryFolder");
    QTest::addColumn<QString>("sharedFile"); // how the server's descriptor of it reads
    QTest::newRow("unnamed file") << ScratchPath(QStringLiteral("tmp"))
                                  << ScratchPath(QStringLiteral("tmp/#"));
    QTest::newRow("in memory") << QStringLiteral("/nonexistent/lumora-tmp")
                               << QStringLiteral("/memfd:lumora-reply");
}

// The descriptors of the process that lead to a file whose name starts so.
int OpenFilesStartingWith(qint64 process, const QString& start) {
    int count = 0;
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(process));
    for (const QString& descriptor : descriptors.entryList(QDir::Files | QDir::System))
        count += QFile::symLinkTarget(descriptors.filePath(descriptor)).startsWith(start) ? 1 : 0;
    return count;
}

void TestServerConnections::crowdDoesNotDelayACatalogueRequest() {
    QFETCH(QString, temporaryFolder);
    QFETCH(QString, sharedFile);
    const QByteArray ownFolder = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] { qputenv("TMPDIR", ownFolder); });
    qputenv("TMPDIR", QFile::encodeName(temporaryFolder));
    if (QTest::currentDataTag() == QByteArrayView("unnamed file")) {
        QVERIFY(QDir().mkpath(temporaryFolder));
        const int probe = ::open(QFile::encodeName(temporaryFolder).constData(), O_TMPFILE | O_RDWR, 0600);
        if (probe < 0)
            QSKIP("the scratch folder's file system cannot hold unnamed files");
        ::close(probe);
    }
    TRunningServer server;
    // The crowd comes from one address, as no real one would.
    QVERIFY(server.Start(m_db, {"--no-access-log", "--threads", "2", "--connections-per-client", "0"}));
    const THttpReply alone = SendRaw(server.Port(), CatalogueRequest);
    QCOMPARE(alone.Status, 200);
    QVERIFY(alone.Body.size() > 256 * 1024);
    TCrowd crowd = OpenCrowd(server.Port(), 1000);
    QCOMPARE(int(crowd.size()), 1000);

    // Meant to come within a second; the bound is generous for a busy machine. The connections go
    // to the workers in turn: three requests meet each worker's shared answer, one of them twice.
    for (int i = 0; i < 3; ++i) {
        const THttpReply reply = SendRaw(server.Port(), CatalogueRequest, 5000);
        QCOMPARE(reply.Status, 200);
        QVERIFY(reply.LengthMatches());
        QVERIFY(reply.Body == alone.Body);
    }
    // The kept file, and the answer of each of the two workers.
    QCOMPARE(OpenFilesStartingWith(server.ProcessId(), sharedFile), 3);

    // Named by the row: the rows share the database, and each must wait for its own change.
    const QByteArray late = "name=Late " + QByteArray(QTest::currentDataTag()) + "\r\n";
    RunServerCommand(
        {"import-cams",
         WriteScratchFile("late.txt", "object=cam\r\nurl=http://b.example/b.jpg\r\n" + late + "end\r\n"),
         "--db", m_db});
    THttpReply changed;
    QTRY_VERIFY_WITH_TIMEOUT((changed = SendRaw(server.Port(), CatalogueRequest)).Body.contains(late), 10000);
    // A fresh crowd, as the silent connections are closed after a few seconds.
    crowd.clear();
    const TCrowd secondCrowd = OpenCrowd(server.Port(), 1000);
    QCOMPARE(int(secondCrowd.size()), 1000);
    const THttpReply changedInCrowd = SendRaw(server.Port(), CatalogueRequest, 5000);
    QVERIFY(changedInCrowd.LengthMatches());
    QVERIFY(changedInCrowd.Body == changed.Body);

    // Nothing that was only half sent is waited for.
    QCOMPARE(server.Stop(), 0);
}

// A burst of connections arrives at once: a full round of ready sockets for the worker, one of them
// with a whole request. It is answered while the others are still open, not once they time out.
void TestServerConnections::requestInABurstIsAnsweredAtOnce() {
    TRunningServer server;
    QVERIFY(server.Start(m_db, {"--no-access-log", "--threads", "1", "--connections-per-client", "0"}));
    const THttpReply alone = SendRaw(server.Port(), CatalogueRequest);
    QCOMPARE(alone.Status, 200);

    // While the server is stopped the kernel takes the connections and the request's bytes.
    QCOMPARE(::kill(pid_t(server.ProcessId()), SIGSTOP), 0);
    const auto resume = qScopeGuard([&] { ::kill(pid_t(server.ProcessId()), SIGCONT); });
    const TCrowd crowd = OpenCrowd(server.Port(), 127);
    QCOMPARE(int(crowd.size()), 127);
    TRawConnection request(server.Port());
    QVERIFY(request.IsOpen() && request.Send(CatalogueRequest));
    QCOMPARE(::kill(pid_t(server.ProcessId()), SIGCONT), 0);

    QByteArray received;
    QVERIFY(request.ReadUntilClosed(15000, &received));
    const THttpReply reply = ParseHttpReply(received);
    QVERIFY(reply.LengthMatches());
    QVERIFY(reply.Body == alone.Body);
    for (const auto& connection : crowd)
        QVERIFY(!connection->HasHeardFromServer());
}

void TestServerConnections::silentConnectionsAreClosed() {
    TRunningServer server;
    QVERIFY(server.Start(m_db, {"--no-access-log"}));
    TCrowd crowd = OpenCrowd(server.Port(), int(Openings.size()));
    QCOMPARE(crowd.size(), std::size_t(Openings.size()));
    // A connection kept open after its answer falls silent as well.
    auto keptAlive = std::make_unique<TRawConnection>(server.Port());
    QVERIFY(keptAlive->Send("GET /demo/ HTTP/1.1\r\nHost: localhost\r\n\r\n"));
    crowd.push_back(std::move(keptAlive));

    for (std::size_t i = 0; i < crowd.size(); ++i)
        QVERIFY2(crowd[i]->ReadUntilClosed(20000), qPrintable(QStringLiteral("connection %1").arg(i)));
}

QTEST_GUILESS_MAIN(TestServerConnections)
#include "tst_server_connections.moc"
