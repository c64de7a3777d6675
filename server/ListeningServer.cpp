#include "ListeningServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int Milliseconds(time_t seconds, time_t microseconds) {
    return int(seconds * 1000 + microseconds / 1000);
}

bool WaitFor(socket_t sock, short events, int milliseconds) {
    pollfd entry{sock, events, 0};
    int result;
    do {
        result = ::poll(&entry, 1, milliseconds);
    } while (result < 0 && errno == EINTR);
    return result > 0 && (entry.revents & (events | POLLHUP | POLLERR));
}

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

// One connection: reads are buffered (the request head is read a byte at a time) and each request
// has a budget of bytes and a deadline.
class TBoundedStream : public httplib::Stream {
public:
    TBoundedStream(socket_t sock, int readMs, int writeMs)
        : m_sock(sock)
        , m_readMs(readMs)
        , m_writeMs(writeMs) {}

    void StartRequest(std::size_t budget, Clock::time_point deadline) {
        m_budget = budget;
        m_deadline = deadline;
    }

    bool is_readable() const override { return m_begin < m_end || WaitFor(m_sock, POLLIN, ReadWait()); }
    bool is_writable() const override { return WaitFor(m_sock, POLLOUT, m_writeMs); }

    ssize_t read(char* ptr, size_t size) override {
        if (m_begin == m_end) {
            const int wait = ReadWait();
            if (m_budget == 0 || wait <= 0 || !WaitFor(m_sock, POLLIN, wait))
                return -1;
            ssize_t got;
            do {
                got = ::recv(m_sock, m_buffer, std::min(sizeof m_buffer, m_budget), 0);
            } while (got < 0 && errno == EINTR);
            if (got <= 0)
                return got;
            m_budget -= std::size_t(got);
            m_begin = 0;
            m_end = std::size_t(got);
        }
        const std::size_t n = std::min(size, m_end - m_begin);
        std::memcpy(ptr, m_buffer + m_begin, n);
        m_begin += n;
        return ssize_t(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable())
            return -1;
        ssize_t sent;
        do {
            sent = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(m_sock, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            AddressOf(address, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(m_sock, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            AddressOf(address, ip, port);
    }

    socket_t socket() const override { return m_sock; }

private:
    int ReadWait() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        return int(std::min<long long>(left, m_readMs));
    }

    socket_t m_sock;
    int m_readMs, m_writeMs;
    std::size_t m_budget = 0;
    Clock::time_point m_deadline;
    char m_buffer[4096];
    std::size_t m_begin = 0, m_end = 0;
};

} // namespace

bool TListeningServer::WidenBacklog(int backlog) {
    return ::listen(svr_sock_, backlog) == 0;
}

bool TListeningServer::WaitForNextRequest(socket_t sock) const {
    // Idle keep-alive connections are looked at in short steps, so that a stop ends them at once.
    const auto until = Clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
    while (svr_sock_ != INVALID_SOCKET) {
        if (WaitFor(sock, POLLIN, 100))
            return true;
        if (Clock::now() >= until)
            return false;
    }
    return false;
}

bool TListeningServer::process_and_close_socket(socket_t sock) {
    TBoundedStream stream(sock, Milliseconds(read_timeout_sec_, read_timeout_usec_),
                          Milliseconds(write_timeout_sec_, write_timeout_usec_));
    bool ok = false;
    for (std::size_t left = keep_alive_max_count_; left > 0 && WaitForNextRequest(sock); --left) {
        stream.StartRequest(MaxHeadBytes + m_maxBodyBytes,
                            Clock::now() + std::chrono::seconds(RequestSeconds));
        bool closed = false;
        ok = process_request(stream, left == 1, closed, nullptr);
        if (!ok || closed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}
