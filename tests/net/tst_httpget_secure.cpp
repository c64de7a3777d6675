// Addresses of real cams: https with certificates checked, ports, IPv6 literals, and redirects
// between the schemes. The servers are on the loopback addresses, behind a private authority.
#include "FetchHarness.h"
#include "TlsFront.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Picture = "picture bytes of the secure cam";

} // namespace

class TestHTTPGetSecure : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void addresses_data();
    void addresses();
    void unreadableTrustAnchorsFail();

private:
    TestCertificates m_authority;
    QHash<QString, TestCertificates::Identity> m_identities;
    QTemporaryDir m_dir;
};

void TestHTTPGetSecure::initTestCase() {
    QVERIFY(m_authority.IsReady());
    const QStringList loopback{"DNS:localhost", "IP:127.0.0.1", "IP:::1"};
    m_identities["trusted"] = m_authority.Issue("trusted", loopback);
    m_identities["wrong host name"] = m_authority.Issue("elsewhere", {"DNS:elsewhere.example"});
    m_identities["expired"] = m_authority.Issue("expired", loopback, -1);
    m_identities["self-signed"] = m_authority.SelfSigned("self", loopback);
    for (const TestCertificates::Identity& identity : std::as_const(m_identities))
        QVERIFY(QFile::exists(identity.Certificate));
    qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(m_authority.CaFile()));
}

void TestHTTPGetSecure::addresses_data() {
    QTest::addColumn<QString>("certificate"); // of the TLS front; "trusted" for plain addresses
    QTest::addColumn<QString>("address");     // %1 the TLS front's port, %2 the plain server's
    QTest::addColumn<bool>("delivered");

    QTest::newRow("https picture") << "trusted"
                                   << "https://localhost:%1/cam.jpg" << true;
    QTest::newRow("https, IPv6 loopback") << "trusted"
                                          << "https://[::1]:%1/cam.jpg" << true;
    QTest::newRow("plain http on a port") << "trusted"
                                          << "http://127.0.0.1:%2/cam.jpg" << true;
    QTest::newRow("redirect from http to https") << "trusted"
                                                 << "http://127.0.0.1:%2/to-secure" << true;
    QTest::newRow("wrong host name") << "wrong host name"
                                     << "https://localhost:%1/cam.jpg" << false;
    QTest::newRow("expired") << "expired"
                             << "https://localhost:%1/cam.jpg" << false;
    QTest::newRow("self-signed") << "self-signed"
                                 << "https://localhost:%1/cam.jpg" << false;
    QTest::newRow("redirect from https to http refused") << "trusted"
                                                         << "https://localhost:%1/to-plain" << false;
    QTest::newRow("redirect from http to https and back refused")
        << "trusted"
        << "http://127.0.0.1:%2/to-secure-then-plain" << false;
}

void TestHTTPGetSecure::addresses() {
    QFETCH(QString, certificate);
    QFETCH(QString, address);
    QFETCH(bool, delivered);

    TestHttpServer server;
    RouteToServer(server);
    const bool ipv6 = address.contains(QLatin1String("[::1]"));
    TlsFront front(m_identities.value(certificate), server.Port(), ipv6);
    QVERIFY(front.IsListening());
    const QByteArray secure = "https://localhost:" + QByteArray::number(front.Port());
    const auto redirect = [](const QByteArray& to) {
        TestHttpServer::Reply moved;
        moved.Status = "302 Found";
        moved.ExtraHeaders = {"Location: " + to};
        return moved;
    };
    server.Serve("/cam.jpg", Picture);
    server.Serve("/to-secure", redirect(secure + "/cam.jpg"));
    server.Serve("/to-plain", redirect(server.Url("/cam.jpg")));
    server.Serve("/to-secure-then-plain", redirect(secure + "/to-plain"));

    const QString target = m_dir.filePath("cam.jpg");
    QFile::remove(target);
    THTTPGet get;
    FetchRecord record(get);
    get.BinaryData = true;
    get.URL = QString(address)
                  .replace(QLatin1String("%1"), QString::number(front.Port()))
                  .replace(QLatin1String("%2"), QString::number(server.Port()))
                  .toLatin1();
    get.FileName = target;
    get.FetchFile();
    QVERIFY(WaitUntilIdle(get));

    QVERIFY2(record.Events == QStringList{delivered ? "file" : "error"}, get.LastFailure().constData());
    QCOMPARE(QFile::exists(target), delivered);
    if (delivered) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), Picture);
    }
    // Whatever refused the transfer refused it before the picture was asked for in the clear.
    if (!delivered) {
        for (const TestHttpServer::Request& request : server.Requests())
            QVERIFY(request.Path != "/cam.jpg");
    }
}

// Added anchors that cannot be read are a mistake of the deployment, not a reason to go on with
// fewer: the transfer fails.
void TestHTTPGetSecure::unreadableTrustAnchorsFail() {
    TestHttpServer server;
    RouteToServer(server);
    server.Serve("/cam.jpg", Picture);
    qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(m_dir.filePath("no such file.pem")));
    THTTPGet get;
    FetchRecord record(get);
    get.URL = server.Url("/cam.jpg");
    get.FetchString();
    QVERIFY(WaitUntilIdle(get));
    qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(m_authority.CaFile()));
    QCOMPARE(record.Events, QStringList{"error"});
    QCOMPARE(server.RequestCount(), 0);
}

QTEST_GUILESS_MAIN(TestHTTPGetSecure)
#include "tst_httpget_secure.moc"
