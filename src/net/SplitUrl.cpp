#include "net/SplitUrl.h"

namespace {

bool IsPortNumber(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    const int port = text.toInt();
    return port >= 1 && port <= 65535;
}

// Splits "host:port" and "[v6]:port"; a host that is neither keeps its whole text and no port.
void SplitPort(const QByteArray& authority, THostAndPath& parts) {
    parts.Host = authority;
    const qsizetype colon = authority.startsWith('[') ? authority.indexOf(']') + 1 : authority.indexOf(':');
    if (colon <= 0 || colon >= authority.size() || authority[colon] != ':')
        return;
    if (!IsPortNumber(authority.mid(colon + 1)))
        return;
    parts.Host = authority.left(colon);
    parts.Port = authority.mid(colon + 1);
}

} // namespace

THostAndPath SplitUrl(const QByteArray& url) {
    THostAndPath parts;
    QByteArray rest = url;
    const QByteArray lower = url.left(8).toLower();
    if (lower.startsWith("https://")) {
        parts.Scheme = "https";
        rest.remove(0, 8);
    } else {
        parts.Scheme = "http";
        if (lower.startsWith("http://"))
            rest.remove(0, 7);
    }
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0) {
        parts.Path = rest;
        return parts;
    }
    SplitPort(rest.left(slash), parts);
    parts.Path = rest.mid(slash);
    return parts;
}

QByteArray JoinUrl(const THostAndPath& parts) {
    QByteArray url = parts.Scheme + "://" + parts.Host;
    if (!parts.Port.isEmpty())
        url += ':' + parts.Port;
    return url + parts.Path;
}
