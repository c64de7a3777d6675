#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private certificate authority made at test time with the openssl command, in a folder of its
// own. Fetchers trust it through LUMORA_EXTRA_CA_FILE=CaFile().
class TestCertificates {
public:
    struct Identity {
        QString Certificate;
        QString Key;
    };

    TestCertificates();
    bool IsReady() const { return m_ready; }
    QString CaFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    // A server certificate for `names` ("DNS:localhost", "IP:::1"), signed by the authority and
    // valid from now for `days` (a negative count gives one that has expired).
    Identity Issue(const QString& label, const QStringList& names, int days = 30);
    // A certificate for `names` that signs itself.
    Identity SelfSigned(const QString& label, const QStringList& names);

private:
    bool Openssl(const QStringList& arguments);

    QTemporaryDir m_dir;
    bool m_ready = false;
};

// Serves TLS on a free port of 127.0.0.1 (or ::1) with `identity`, passing each connection on to a
// plain server on 127.0.0.1 (socat, so the plain test server's misbehaviours come through as they
// are).
class TlsFront {
public:
    TlsFront(const TestCertificates::Identity& identity, quint16 plainPort, bool ipv6 = false);
    ~TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    // The front accepts connections.
    bool IsListening() const { return m_listening; }
    quint16 Port() const { return m_port; }

private:
    QProcess m_socat;
    quint16 m_port = 0;
    bool m_listening = false;
};
