#pragma once

#include <QByteArray>

// Host and path of an address as the fetcher sends it. There is no port syntax: the connection
// always goes to port 80, so "host:8080" stays a host name (and fails to resolve).
struct THostAndPath {
    QByteArray Host;
    QByteArray Path; // from the first "/" on, "/" included
};

// Drops the first seven characters when "http://" occurs anywhere in the address (in any case);
// the host is what comes before the first "/", the path the rest. Without any "/" the host is
// empty and the whole text is the path, which makes the transfer fail.
THostAndPath SplitUrl(const QByteArray& url);
