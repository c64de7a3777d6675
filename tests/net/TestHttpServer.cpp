#include "TestHttpServer.h"

#include <QFile>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds Slice{20};

QByteArray HeaderLine(const QByteArray& head, const QByteArray& name) {
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line;
    }
    return {};
}

} // namespace

QByteArray TestHttpServer::Request::Header(const QByteArray& name) const {
    const QByteArray line = HeaderLine(Head, name);
    return line.isEmpty() ? QByteArray() : line.mid(line.indexOf(':') + 1).trimmed();
}

bool TestHttpServer::Request::HasHeader(const QByteArray& name) const {
    return !HeaderLine(Head, name).isEmpty();
}

QList<QByteArray> TestHttpServer::Request::HeaderNames() const {
    QList<QByteArray> names;
    const QList<QByteArray> lines = Head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            names.append(lines[i].left(colon).trimmed());
    }
    return names;
}

TestHttpServer::TestHttpServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return;
    const int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (const int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    m_changed.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread& thread : m_threads)
        thread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

QByteArray TestHttpServer::Url(const QByteArray& path) const {
    return "http://127.0.0.1:" + QByteArray::number(m_port) + path;
}

QByteArray TestHttpServer::ConnectToRule(const QByteArray& host) const {
    return host + ":80:127.0.0.1:" + QByteArray::number(m_port);
}

void TestHttpServer::Serve(const QByteArray& path, const Reply& reply) {
    std::lock_guard lock(m_mutex);
    m_replies[path] = reply;
}

void TestHttpServer::Serve(const QByteArray& path, const QByteArray& body, const QByteArray& contentType) {
    Reply reply;
    reply.Body = body;
    reply.ContentType = contentType;
    Serve(path, reply);
}

void TestHttpServer::ServeFile(const QByteArray& path, const QString& fileName,
                               const QByteArray& contentType) {
    QFile file(fileName);
    Serve(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), contentType);
}

QList<TestHttpServer::Request> TestHttpServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int TestHttpServer::MostAtOnce(const QByteArray& host, std::chrono::milliseconds slack) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_spans.find(host);
    if (found == m_spans.end())
        return 0;
    int most = 0;
    for (const Span& span : found->second) {
        const auto overlapping =
            std::count_if(found->second.begin(), found->second.end(), [&](const Span& other) {
                return other.Received <= span.Received && span.Received < other.Answered - slack;
            });
        most = std::max(most, int(overlapping));
    }
    return most;
}

int TestHttpServer::RequestCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_requests.size());
}

bool TestHttpServer::WaitForRequests(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

int TestHttpServer::ClosedConnections() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

bool TestHttpServer::WaitForClosedConnections(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_closed >= count; });
}

void TestHttpServer::AcceptLoop() {
    for (;;) {
        pollfd waiting{m_listenFd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, int(Slice.count()));
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        if (ready <= 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        m_openFds.push_back(fd);
        m_threads.emplace_back([this, fd] { HandleConnection(fd); });
    }
}

void TestHttpServer::HandleConnection(int fd) {
    Request request;
    if (ReadRequest(fd, request)) {
        const auto received = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(m_mutex);
            m_requests.append(request);
        }
        m_changed.notify_all();
        SendReply(fd, ReplyFor(request));
        std::lock_guard lock(m_mutex);
        m_spans[request.Header("Host")].push_back({received, std::chrono::steady_clock::now()});
    }
    std::lock_guard lock(m_mutex);
    m_openFds.erase(std::find(m_openFds.begin(), m_openFds.end(), fd));
    ::close(fd);
    ++m_closed;
    m_changed.notify_all();
}

bool TestHttpServer::ReadRequest(int fd, Request& request) {
    QByteArray received;
    qsizetype headEnd = -1;
    qint64 bodyLength = 0;
    char buffer[16384];
    for (;;) {
        if (headEnd < 0) {
            headEnd = received.indexOf("\r\n\r\n");
            if (headEnd >= 0) {
                request.Head = received.left(headEnd + 4);
                bodyLength = request.Header("Content-Length").toLongLong();
            }
        }
        if (headEnd >= 0 && received.size() - (headEnd + 4) >= bodyLength)
            break;
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, int(Slice.count())) <= 0) {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return false;
            continue;
        }
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            return false;
        received.append(buffer, count);
    }
    request.Body = received.mid(headEnd + 4, bodyLength);
    const QList<QByteArray> requestLine = request.Head.left(request.Head.indexOf("\r\n")).split(' ');
    request.Method = requestLine.value(0);
    request.Target = requestLine.value(1);
    request.Path = request.Target;
    if (request.Path.startsWith("http://")) {
        const qsizetype slash = request.Path.indexOf('/', 7);
        request.Path = slash >= 0 ? request.Path.mid(slash) : QByteArray("/");
    }
    return true;
}

TestHttpServer::Reply TestHttpServer::ReplyFor(const Request& request) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_replies.find(request.Path);
    if (found != m_replies.end())
        return found->second;
    Reply missing;
    missing.Status = "404 Not Found";
    missing.ContentType = "text/plain";
    missing.Body = "not found";
    return missing;
}

void TestHttpServer::SendReply(int fd, const Reply& reply) {
    if (!reply.Raw.isEmpty()) {
        SendAll(fd, reply.Raw.constData(), reply.Raw.size());
        return;
    }
    switch (reply.Behaviour) {
    case Misbehaviour::NeverAnswer:
        WaitUntilClientLeaves(fd);
        return;
    case Misbehaviour::CloseAtOnce:
        return;
    case Misbehaviour::Flood:
    case Misbehaviour::FloodHead:
        SendFlood(fd, reply);
        return;
    default:
        break;
    }
    qint64 announced = reply.Body.size();
    qint64 sent = reply.Body.size();
    if (reply.Behaviour == Misbehaviour::ShortBody)
        announced += reply.ShortBy;
    if (reply.Behaviour == Misbehaviour::LongBody)
        announced = std::max<qint64>(0, announced - reply.LongBy);
    if (reply.Behaviour == Misbehaviour::StallMidBody)
        sent = std::min(sent, reply.StallAfter);
    if (reply.Behaviour == Misbehaviour::ResetMidBody)
        sent = std::min(sent, reply.ResetAfter);

    QByteArray head = "HTTP/1.0 " + reply.Status + "\r\n";
    if (!reply.ContentType.isEmpty())
        head += "Content-Type: " + reply.ContentType + "\r\n";
    if (reply.Behaviour != Misbehaviour::NoContentLength)
        head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    for (const QByteArray& line : reply.ExtraHeaders)
        head += line + "\r\n";
    head += "\r\n";
    if (!SendAll(fd, head.constData(), head.size()))
        return;

    if (reply.Behaviour == Misbehaviour::Trickle) {
        const qint64 step = std::max<qint64>(1, reply.TrickleBytes);
        for (qint64 at = 0; at < sent; at += step) {
            if (!SendAll(fd, reply.Body.constData() + at, std::min(step, sent - at)) ||
                (at + step < sent && !Pause(reply.TrickleDelay)))
                return;
        }
        return;
    }
    if (!SendAll(fd, reply.Body.constData(), sent))
        return;
    if (reply.Behaviour == Misbehaviour::StallMidBody)
        WaitUntilClientLeaves(fd);
    if (reply.Behaviour == Misbehaviour::ResetMidBody) {
        // A lingering time of zero turns the close that follows into a reset.
        const linger abort{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
}

void TestHttpServer::SendFlood(int fd, const Reply& reply) {
    const bool endlessHead = reply.Behaviour == Misbehaviour::FloodHead;
    QByteArray head = "HTTP/1.0 " + reply.Status + "\r\n";
    if (reply.FloodAnnounces >= 0)
        head += "Content-Length: " + QByteArray::number(reply.FloodAnnounces) + "\r\n";
    for (const QByteArray& line : reply.ExtraHeaders)
        head += line + "\r\n";
    if (!endlessHead)
        head += "\r\n";
    QByteArray block = reply.Body.isEmpty() ? QByteArray(64 * 1024, 'f') : reply.Body;
    if (endlessHead)
        block = QByteArray("X-Filler: " + QByteArray(100, 'f') + "\r\n").repeated(600);
    if (!SendAll(fd, head.constData(), head.size()))
        return;
    // Ends when the client leaves (the send fails) or the server stops (the socket is shut down).
    for (qint64 left = reply.FloodBytes; left > 0; left -= block.size())
        if (!SendAll(fd, block.constData(), std::min<qint64>(left, block.size())))
            return;
}

bool TestHttpServer::SendAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t count = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        data += count;
        size -= count;
    }
    return true;
}

bool TestHttpServer::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [&] { return m_stopping; });
}

// Holds the connection open without answering until the client closes it or the server stops.
void TestHttpServer::WaitUntilClientLeaves(int fd) {
    char buffer[4096];
    for (;;) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, int(Slice.count()));
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
        }
        if (ready > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0)
            return;
    }
}
