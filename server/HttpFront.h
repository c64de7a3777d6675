#pragma once

#include "ConnectionsPerClient.h"
#include "RequestHandler.h"
#include "SharedReplies.h"
#include "TrustedProxies.h"

#include <QByteArray>
#include <QThreadPool>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TDemoPictures;
class THttpWorker;
class TServerMetrics;
struct MHD_Daemon;
struct MHD_Connection;

struct TFrontOptions {
    // As clients reach this server: "cams.example.org", with a port when not the scheme's own, and
    // "https://" before it when the server speaks TLS.
    QByteArray PublicHost;
    // PEM texts of the server's certificate (its chain after it) and private key; both empty for
    // plain HTTP.
    QByteArray TlsCertificate;
    QByteArray TlsKey;
    // Threads that each watch their share of the connections and answer their requests. Sending the
    // large catalogue replies is mostly the kernel's work, which needs processors of its own: one
    // worker per two processors serves more clients, and each of them sooner, than one per processor.
    int Threads = int(std::max(1u, std::thread::hardware_concurrency() / 2));
    // Large enough for every Lumora request; a bigger body is refused before it is read.
    std::size_t MaxBodyBytes = 64 * 1024;
    // The request line and header lines of one request; a longer head is refused.
    std::size_t MaxHeadBytes = 32 * 1024;
    // A connection that neither sends nor takes a byte for this long is closed.
    int TimeoutSeconds = 5;
    bool AccessLog = true;
    // Whose X-Forwarded-For names the client; their own connections are not limited per client.
    TTrustedProxies TrustedProxies;
    // Connections one client may hold open at once; 0: no limit.
    unsigned ConnectionsPerClient = 0;
    TSuggestionLimits Suggestions;
};

// The network side of the catalogue server: one thread accepts connections and its workers wait on
// all of them at once (idle and half-sent ones cost a socket and a little memory, never a thread),
// handing each whole request to the request handler: on the worker when the answer comes from
// memory, in a small pool when it may wait for the database.
class THttpFront {
public:
    // Suggestions go to `suggestions`, which may be `store` itself. Connections and requests are
    // counted in `metrics` when given.
    THttpFront(TCatalogueStore& store, TCatalogueStore& suggestions, TDemoPictures& pictures,
               const TFrontOptions& options, TServerMetrics* metrics = nullptr);
    ~THttpFront();

    // Binds the address; the port actually bound (a free one for port 0), or -1 on failure.
    int Bind(const std::string& host, int port);
    // Answers requests until Stop; requests already being answered are finished before it returns.
    bool Run();
    // May come from any thread, before or during Run.
    void Stop();

    TAccessLog& Log() { return m_handler.Log(); }

private:
    struct TCallbacks;
    struct TExchange;

    bool StartWorkers();
    // Which of the workers serves the connection.
    std::size_t WorkerOf(MHD_Connection* connection) const;
    void StopWorkers();
    void AnswerInPool(MHD_Connection* connection, TExchange& exchange);
    MHD_Response* SharedReply(MHD_Connection* connection, const THttpResponse& response);
    void AcceptUntilStop();
    // Counts the peer's new connection; false when the peer holds all it may.
    bool OpenConnection(int socket, const std::string& peer);
    bool BeginAnswer();
    void EndAnswer();
    bool StopRequested();
    void WaitForStop();
    void Drain();
    void WatchCatalogue();

    const TFrontOptions m_options;
    TServerMetrics* const m_metrics;
    TRequestHandler m_handler;
    TSharedReplies m_sharedReplies;
    TConnectionsPerClient m_connections;
    int m_listenSocket = -1;
    const int m_wakeUp; // made readable by Stop
    std::vector<std::unique_ptr<THttpWorker>> m_workers;
    QThreadPool m_pool;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopRequested = false;
    bool m_closing = false; // no request is answered any more
    int m_answering = 0;    // requests between their answer's start and its last byte
    std::thread m_watcher;
};
