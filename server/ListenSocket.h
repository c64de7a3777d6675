#pragma once

#include <string>

struct TListenSocket {
    int Fd = -1;
    int Port = -1; // the port actually bound: a free one when 0 was asked for
};

// A non-blocking listening TCP socket on the host (a name or address; empty: every address) and port;
// Fd is -1 when it cannot be bound. The caller closes it.
TListenSocket OpenListenSocket(const std::string& host, int port, int backlog);
