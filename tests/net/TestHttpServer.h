#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP/1.0 server on 127.0.0.1 for tests, running on threads of its own (so it answers
// while the test's main thread blocks or spins its own loop). It serves canned replies by request
// path, misbehaves on demand, and records every request's raw bytes (head and body) as received.
//
//   TestHttpServer server;                            // listens on 127.0.0.1, a free port
//   server.Serve("/cam.jpg", jpegBytes, "image/jpeg");
//   qputenv("LUMORA_CONNECT_TO", server.ConnectToRule("cams.example"));
//   ... fetch "http://cams.example/cam.jpg" ...
//   server.Requests().at(0).Head                      // "GET /cam.jpg HTTP/1.0\r\nHost: ..."
//
// A path not served is answered "404 Not Found" with a short body.
class TestHttpServer {
public:
    enum class Misbehaviour {
        None,
        NoContentLength, // no Content-Length header; the body ends when the connection closes
        ShortBody,       // announces ShortBy more bytes than it sends, then closes
        LongBody,        // sends LongBy more bytes than it announces
        StallMidBody,    // sends the head and StallAfter bytes of the body, then nothing until stopped
        NeverAnswer,     // reads the request and never answers (the connection stays open)
        CloseAtOnce,     // closes the connection right after reading the request, answering nothing
        Trickle,         // sends the body TrickleBytes at a time, TrickleDelay apart
        Flood,           // announces FloodAnnounces bytes (no Content-Length when negative), then sends
                         // the body over and over, FloodBytes in all, as fast as the client reads
        FloodHead,       // sends the status line, then header lines without end, FloodBytes in all
        ResetMidBody,    // announces the whole body, sends ResetAfter bytes of it, then resets the
                         // connection (RST instead of an orderly close)
    };

    struct Reply {
        QByteArray Body;
        QByteArray Status = "200 OK";
        QByteArray ContentType = "application/octet-stream";
        QList<QByteArray> ExtraHeaders; // whole header lines without CRLF, e.g. "Location: /x"
        Misbehaviour Behaviour = Misbehaviour::None;
        qint64 ShortBy = 100;
        qint64 LongBy = 100;
        qint64 StallAfter = 0;
        qint64 ResetAfter = 0;
        qint64 TrickleBytes = 1;
        std::chrono::milliseconds TrickleDelay{10};
        qint64 FloodAnnounces = -1;
        qint64 FloodBytes = 16 * 1024 * 1024;
        // When not empty, written exactly as given (status line, headers, body) and nothing else.
        QByteArray Raw;
    };

    struct Request {
        QByteArray Head;   // request line and headers, up to and including the empty line
        QByteArray Body;   // as many bytes as its Content-Length announced
        QByteArray Method; // "GET", "POST"
        QByteArray Target; // as on the request line: "/path?query", or absolute for a proxy
        QByteArray Path;   // the target without scheme and host
        // The value of the first header of that name (case-insensitive); empty when missing.
        QByteArray Header(const QByteArray& name) const;
        bool HasHeader(const QByteArray& name) const;
        // Header names in the order sent.
        QList<QByteArray> HeaderNames() const;
    };

    TestHttpServer();
    // Stops listening and closes every connection, stalled ones included.
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool IsListening() const { return m_listenFd >= 0; }
    quint16 Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by the path.
    QByteArray Url(const QByteArray& path) const;
    // A LUMORA_CONNECT_TO rule sending port 80 of `host` to this server.
    QByteArray ConnectToRule(const QByteArray& host = "localhost") const;

    // Replies for a request path ("/lmr/camlist3.php", query included when the request carries one).
    // The last reply set for a path wins; it is served for every request of that path.
    void Serve(const QByteArray& path, const Reply& reply);
    void Serve(const QByteArray& path, const QByteArray& body,
               const QByteArray& contentType = "application/octet-stream");
    void ServeFile(const QByteArray& path, const QString& fileName,
                   const QByteArray& contentType = "application/octet-stream");

    // Requests received so far, in order of arrival.
    QList<Request> Requests() const;
    int RequestCount() const;
    // Waits until at least `count` requests have been read completely.
    bool WaitForRequests(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The most requests naming `host` in their Host header that were being answered at one time: a
    // request that came in while another one's answer still had more than `slack` to go overlaps it.
    int MostAtOnce(const QByteArray& host,
                   std::chrono::milliseconds slack = std::chrono::milliseconds(20)) const;
    // Connections that the client closed (or that ended) so far; for tests that the client gave up.
    int ClosedConnections() const;
    bool WaitForClosedConnections(int count,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    void AcceptLoop();
    void HandleConnection(int fd);
    bool ReadRequest(int fd, Request& request);
    void SendReply(int fd, const Reply& reply);
    void SendFlood(int fd, const Reply& reply);
    bool SendAll(int fd, const char* data, qint64 size);
    bool Pause(std::chrono::milliseconds duration);
    void WaitUntilClientLeaves(int fd);
    Reply ReplyFor(const Request& request) const;

    int m_listenFd = -1;
    quint16 m_port = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stopping = false;
    std::map<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
    struct Span {
        std::chrono::steady_clock::time_point Received, Answered;
    };
    std::map<QByteArray, std::vector<Span>> m_spans; // by Host header
    int m_closed = 0;
    std::vector<int> m_openFds;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};
