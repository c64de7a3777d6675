// A 100 MB file fetched from a server on 127.0.0.1 by THTTPGet into a file, against `curl -o` of the
// same file from the same server in the same run. The server is the test server (tests/net), run
// inside this process on threads of its own: it needs no configuration, sends from memory with
// large writes so it is never the slower side, and serves both clients identically. The HTTPS row
// fetches the same file through a TLS front (socat) with a certificate of an authority made for the
// run, which both clients trust through their own setting.
#include "TestHttpServer.h"
#include "TlsFront.h"
#include "net/HTTPGet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr qint64 FileSize = 100LL * 1024 * 1024;
constexpr int Rounds = 5;
constexpr double Goal = 0.5;
constexpr double HttpsGoal = 0.9;
const QByteArray Host = "bench.example";

// Seconds for one fetch by the component, or a negative number when it failed.
double FetchWithComponent(const QString& target, bool withProgress,
                          const QByteArray& url = "http://" + Host + "/big.bin") {
    THTTPGet get;
    get.Agent = "LMR";
    get.BinaryData = true;
    get.URL = url;
    get.FileName = target;
    qint64 reports = 0;
    if (withProgress)
        QObject::connect(&get, &THTTPGet::OnProgress, [&reports](THTTPGet*, qint64, qint64) { ++reports; });
    bool ok = false;
    QEventLoop loop;
    QObject::connect(&get, &THTTPGet::OnDoneFile, &loop, [&](THTTPGet*, const QString&, qint64 size) {
        ok = size == FileSize;
        loop.quit();
    });
    QObject::connect(&get, &THTTPGet::OnError, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    get.FetchFile();
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    return ok && QFileInfo(target).size() == FileSize ? seconds : -1;
}

double FetchWithCurl(const QString& target, const QStringList& arguments) {
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start("curl", QStringList{"-s", "-0", "-o", target} + arguments);
    const bool ok = curl.waitForFinished(120000) && curl.exitCode() == 0;
    const double seconds = clock.nsecsElapsed() / 1e9;
    return ok && QFileInfo(target).size() == FileSize ? seconds : -1;
}

// Every fetch starts from the same disk state: no old file to truncate, no earlier fetch's dirty
// pages still being written back while it runs.
void SettleDisk(const QString& target) {
    QFile::remove(target);
    ::sync();
}

double MegabytesPerSecond(double seconds) {
    return FileSize / 1048576.0 / seconds;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TestHttpServer server;
    QByteArray body(FileSize, '\0');
    for (qint64 i = 0; i < FileSize; i += 4096)
        body[i] = char(i / 4096);
    server.Serve("/big.bin", body, "application/octet-stream");
    qputenv("LUMORA_CONNECT_TO", server.ConnectToRule(Host));
    for (const char* name : {"http_proxy", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);

    double ours = 1e300, curl = 1e300, ourWithProgress = 1e300;
    const QString target = dir.filePath("big.bin");
    for (int round = 0; round < Rounds; ++round) {
        SettleDisk(target);
        const double c = FetchWithCurl(target, {"--connect-to",
                                                Host + ":80:127.0.0.1:" + QByteArray::number(server.Port()),
                                                "http://" + Host + "/big.bin"});
        SettleDisk(target);
        const double o = FetchWithComponent(target, false);
        SettleDisk(target);
        const double p = FetchWithComponent(target, true);
        if (c < 0 || o < 0 || p < 0) {
            std::printf("a fetch failed (curl %.3f, THTTPGet %.3f, with progress %.3f)\n", c, o, p);
            std::printf("bench_fetch ratio=0 goal=%.2f\n", Goal);
            return 1;
        }
        std::printf("round %d: curl %.3f s, THTTPGet %.3f s, with progress %.3f s\n", round + 1, c, o, p);
        curl = std::min(curl, c);
        ours = std::min(ours, o);
        ourWithProgress = std::min(ourWithProgress, p);
    }
    std::printf("100 MB from 127.0.0.1, best of %d rounds\n", Rounds);
    std::printf("curl -o                              %7.3f s  %8.1f MB/s\n", curl, MegabytesPerSecond(curl));
    std::printf("THTTPGet, no progress handler        %7.3f s  %8.1f MB/s  ratio %.2f\n", ours,
                MegabytesPerSecond(ours), curl / ours);
    std::printf("THTTPGet, progress handler per chunk %7.3f s  %8.1f MB/s  ratio %.2f\n", ourWithProgress,
                MegabytesPerSecond(ourWithProgress), curl / ourWithProgress);

    TestCertificates authority;
    const TlsFront front(authority.Issue("bench", {"DNS:localhost"}), server.Port());
    if (!authority.IsReady() || !front.IsListening()) {
        std::printf("no TLS front (openssl and socat are needed)\n");
        std::printf("bench_fetch ratio=0 goal=%.2f\n", Goal);
        return 1;
    }
    qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(authority.CaFile()));
    // curl checks against the same anchors: the system's and the added authority.
    const QString anchors = dir.filePath("anchors.pem");
    QFile system(QStringLiteral("/etc/ssl/certs/ca-certificates.crt")), added(authority.CaFile()),
        both(anchors);
    if (!system.open(QIODevice::ReadOnly) || !added.open(QIODevice::ReadOnly) ||
        !both.open(QIODevice::WriteOnly) || both.write(system.readAll() + '\n' + added.readAll()) < 0) {
        std::printf("cannot gather the trust anchors for curl\n");
        std::printf("bench_fetch ratio=0 goal=%.2f\n", Goal);
        return 1;
    }
    both.close();
    const QByteArray secure = "https://localhost:" + QByteArray::number(front.Port()) + "/big.bin";
    double secureCurl = 1e300, secureOurs = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        SettleDisk(target);
        const double c = FetchWithCurl(target, {"--cacert", anchors, QString::fromLatin1(secure)});
        SettleDisk(target);
        const double o = FetchWithComponent(target, false, secure);
        if (c < 0 || o < 0) {
            std::printf("an HTTPS fetch failed (curl %.3f, THTTPGet %.3f)\n", c, o);
            std::printf("bench_fetch ratio=0 goal=%.2f\n", Goal);
            return 1;
        }
        std::printf("HTTPS round %d: curl %.3f s, THTTPGet %.3f s\n", round + 1, c, o);
        secureCurl = std::min(secureCurl, c);
        secureOurs = std::min(secureOurs, o);
    }
    std::printf("HTTPS curl -o                        %7.3f s  %8.1f MB/s\n", secureCurl,
                MegabytesPerSecond(secureCurl));
    std::printf("HTTPS THTTPGet, no progress handler  %7.3f s  %8.1f MB/s  ratio %.2f goal %.2f\n",
                secureOurs, MegabytesPerSecond(secureOurs), secureCurl / secureOurs, HttpsGoal);
    std::printf("bench_fetch https ratio=%.2f goal=%.2f\n", secureCurl / secureOurs, HttpsGoal);
    std::printf("bench_fetch ratio=%.2f goal=%.2f\n", curl / ours, Goal);
    return 0;
}
