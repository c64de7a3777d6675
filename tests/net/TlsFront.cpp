#include "TlsFront.h"

#include <QDeadlineTimer>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The loopback address of either family, with a port.
sockaddr_in6 Loopback(bool ipv6, quint16 port, socklen_t& length) {
    sockaddr_in6 address{};
    if (ipv6) {
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(port);
        length = sizeof address;
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        v4->sin_port = htons(port);
        length = sizeof *v4;
    }
    return address;
}

// A port of the loopback address that nothing listens on right now (port 0: a free one), or
// whether something accepts connections on `port`.
quint16 Probe(bool ipv6, quint16 port) {
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    socklen_t length = 0;
    sockaddr_in6 address = Loopback(ipv6, port, length);
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    quint16 found = 0;
    if (port != 0)
        found = ::connect(fd, raw, length) == 0 ? port : 0;
    else if (::bind(fd, raw, length) == 0 && ::getsockname(fd, raw, &length) == 0)
        found = ntohs(address.sin6_port); // the same place in either family
    ::close(fd);
    return found;
}

QString AltNames(const QStringList& names) {
    return QStringLiteral("subjectAltName=") + names.join(u',');
}

} // namespace

TestCertificates::TestCertificates() {
    m_ready = m_dir.isValid() &&
              Openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", m_dir.filePath("ca.key"), "-out", CaFile(), "-days", "2", "-subj",
                       "/CN=Lumora test authority", "-addext", "basicConstraints=critical,CA:true", "-addext",
                       "keyUsage=critical,keyCertSign"});
}

bool TestCertificates::Openssl(const QStringList& arguments) {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    openssl.start(QStringLiteral("openssl"), arguments);
    openssl.closeWriteChannel();
    openssl.readAllStandardOutput();
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

TestCertificates::Identity TestCertificates::Issue(const QString& label, const QStringList& names, int days) {
    const Identity identity{m_dir.filePath(label + ".pem"), m_dir.filePath(label + ".key")};
    const QString request = m_dir.filePath(label + ".csr");
    const QString extensions = m_dir.filePath(label + ".ext");
    QFile file(extensions);
    if (!file.open(QIODevice::WriteOnly) || file.write(AltNames(names).toUtf8() + '\n') < 0)
        return {};
    file.close();
    const bool made =
        Openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                 identity.Key, "-out", request, "-subj", "/CN=" + label}) &&
        Openssl({"x509", "-req", "-in", request, "-CA", CaFile(), "-CAkey", m_dir.filePath("ca.key"), "-days",
                 QString::number(days), "-extfile", extensions, "-out", identity.Certificate});
    return made ? identity : Identity{};
}

TestCertificates::Identity TestCertificates::SelfSigned(const QString& label, const QStringList& names) {
    const Identity identity{m_dir.filePath(label + ".pem"), m_dir.filePath(label + ".key")};
    const bool made = Openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                               "-nodes", "-keyout", identity.Key, "-out", identity.Certificate, "-days", "2",
                               "-subj", "/CN=" + label, "-addext", AltNames(names)});
    return made ? identity : Identity{};
}

TlsFront::TlsFront(const TestCertificates::Identity& identity, quint16 plainPort, bool ipv6) {
    m_port = Probe(ipv6, 0);
    const QString listen =
        QStringLiteral("OPENSSL-LISTEN:%1,%2,reuseaddr,fork,verify=0,cert=%3,key=%4")
            .arg(m_port)
            .arg(ipv6 ? QStringLiteral("pf=ip6,bind=[::1]") : QStringLiteral("pf=ip4,bind=127.0.0.1"))
            .arg(identity.Certificate, identity.Key);
    // Every failed handshake, the ones tests provoke included, is a line on its error output.
    m_socat.setStandardOutputFile(QProcess::nullDevice());
    m_socat.setStandardErrorFile(QProcess::nullDevice());
    m_socat.start(QStringLiteral("socat"), {listen, QStringLiteral("TCP4:127.0.0.1:%1").arg(plainPort)});
    if (!m_socat.waitForStarted(10000))
        return;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_socat.state() == QProcess::Running && Probe(ipv6, m_port) == 0)
        QThread::msleep(20);
    m_listening = m_socat.state() == QProcess::Running && Probe(ipv6, m_port) != 0;
}

TlsFront::~TlsFront() {
    m_socat.kill();
    m_socat.waitForFinished(5000);
}
