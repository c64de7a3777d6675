#pragma once

#include <QByteArray>

// The parts of an address as the fetcher uses them.
struct THostAndPath {
    // "http" or "https"; an address without a scheme is fetched over plain HTTP.
    QByteArray Scheme;
    // As written: a name, a dotted address or a bracketed IPv6 address ("[2001:db8::5]").
    QByteArray Host;
    // The digits after the host's ":"; empty for the scheme's own port.
    QByteArray Port;
    QByteArray Path; // from the first "/" on, "/" included
};

// The scheme is "http://" or "https://" at the very start of the address (in any case) and is
// optional; the host (with its port) is what comes before the next "/", the path the rest. Without
// any "/" the host is empty and the whole text is the path, which makes the transfer fail. A host
// whose port is not a number from 1 to 65535 keeps the whole text as its host, which fails too.
THostAndPath SplitUrl(const QByteArray& url);

// The address the parts stand for, port kept: "https://[2001:db8::5]:8443/x.jpg".
QByteArray JoinUrl(const THostAndPath& parts);
