#include "HttpFront.h"

#include "HttpWorker.h"
#include "ListenSocket.h"
#include "ServerMetrics.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int ListenBacklog = 1024;
// Descriptors kept for everything but connections: the database, its journal, standard streams.
constexpr rlim_t ReservedDescriptors = 64;
// Each open connection may hold a request head of up to MaxHeadBytes: this bounds their memory.
constexpr rlim_t MaxConnections = 10000;
// Answers that wait for the database or the disk are made by this many threads at once.
constexpr int PoolThreads = 4;
// A stop waits at most this long for answers still being written.
constexpr auto DrainLimit = std::chrono::seconds(20);
// Bodies from this size on are sent as a shared answer once a worker serves this many connections;
// for fewer, copying each answer from one buffer is faster.
constexpr qsizetype SharedReplyMinBytes = 64 * 1024;
constexpr unsigned SharedReplyMinConnections = 8;
// The library hands a shared answer's socket 128 KiB per turn; the socket asks for more only once less
// than that waits to be sent.
constexpr int SharedReplyUnsentBytes = 128 * 1024;

unsigned ConnectionLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1000;
    return unsigned(
        std::min(std::max(limit.rlim_cur, 2 * ReservedDescriptors) - ReservedDescriptors, MaxConnections));
}

std::string AddressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "-";
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

std::string ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr)
        return "-";
    return AddressText(info->client_addr);
}

MHD_Result CollectHeader(void* headers, MHD_ValueKind, const char* key, const char* value) {
    static_cast<THttpHeaders*>(headers)->emplace_back(key, value != nullptr ? value : "");
    return MHD_YES;
}

std::optional<unsigned long long> DeclaredLength(MHD_Connection* connection) {
    const char* text =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (text == nullptr)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long length = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text)
        return ~0ull;
    return length;
}

void ReleaseBody(void* body) {
    delete static_cast<std::shared_ptr<const QByteArray>*>(body);
}

// An answer without a length is read out of the handler's bytes; its end closes the connection.
constexpr std::size_t UnsizedBlock = 64 * 1024;
ssize_t ReadUnsized(void* body, uint64_t position, char* buffer, std::size_t size) {
    const QByteArray& bytes = **static_cast<std::shared_ptr<const QByteArray>*>(body);
    if (position >= uint64_t(bytes.size()))
        return MHD_CONTENT_READER_END_OF_STREAM;
    const std::size_t count = std::min(size, std::size_t(uint64_t(bytes.size()) - position));
    std::memcpy(buffer, bytes.constData() + position, count);
    return ssize_t(count);
}

// A connection fed from a shared answer keeps little unsent data in the kernel. Otherwise each of
// hundreds of sockets piles up to megabytes there, which then leave a piece at a time as the client
// acknowledges what it got, on the client's time: the server idles half the time and serves a fifth
// fewer clients.
void LimitUnsentBytes(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info != nullptr)
        ::setsockopt(info->connect_fd, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &SharedReplyUnsentBytes,
                     sizeof SharedReplyUnsentBytes);
}

unsigned OpenConnections(MHD_Daemon* worker) {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(worker, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    return info != nullptr ? info->num_connections : 0;
}

// The answer goes out straight from the handler's bytes, which live as long as the response.
MHD_Result Send(MHD_Connection* connection, const THttpResponse& response, bool closeAfter) {
    auto* body = new std::shared_ptr<const QByteArray>(response.Body);
    MHD_Response* reply = response.Unsized
                              ? MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, UnsizedBlock, ReadUnsized,
                                                                  body, ReleaseBody)
                              : MHD_create_response_from_buffer_with_free_callback_cls(
                                    std::size_t(response.Body->size()),
                                    const_cast<char*>(response.Body->constData()), ReleaseBody, body);
    if (reply == nullptr) {
        delete body;
        return MHD_NO;
    }
    AddHead(reply, response);
    if (closeAfter)
        MHD_add_response_header(reply, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(response.Status), reply);
    MHD_destroy_response(reply);
    return queued;
}

} // namespace

// One request on its way in: libmicrohttpd hands over its head first and then its body in pieces.
struct THttpFront::TExchange {
    THttpRequest Request;
    std::optional<THttpResponse> Response; // made by the pool, waiting to be sent
    bool Refused = false;
    bool Answering = false;
};

struct THttpFront::TCallbacks {
    static MHD_Result Request(void* self, MHD_Connection* connection, const char* url, const char* method,
                              const char*, const char* upload, std::size_t* uploadSize, void** context) {
        // Nothing may be thrown into the library: a request that fails this way loses its connection.
        try {
            return Receive(*static_cast<THttpFront*>(self), connection, url, method, upload, uploadSize,
                           context);
        } catch (const std::exception& error) {
            static_cast<THttpFront*>(self)->Log().Note(std::string("request failed: ") + error.what());
            return MHD_NO;
        }
    }

    static MHD_Result Receive(THttpFront& front, MHD_Connection* connection, const char* url,
                              const char* method, const char* upload, std::size_t* uploadSize,
                              void** context) {
        auto* exchange = static_cast<TExchange*>(*context);
        if (exchange == nullptr) {
            // The head has arrived.
            exchange = new TExchange;
            *context = exchange;
            THttpRequest& request = exchange->Request;
            request.Method = method;
            request.Path = url;
            MHD_get_connection_values(connection, MHD_HEADER_KIND, CollectHeader, &request.Headers);
            request.Client =
                front.m_options.TrustedProxies.Client(ClientAddress(connection), request.Headers);
            if (const auto length = DeclaredLength(connection)) {
                if (*length > front.m_options.MaxBodyBytes) {
                    exchange->Refused = true;
                    return Send(connection, front.m_handler.Refuse(request, MHD_HTTP_CONTENT_TOO_LARGE),
                                true);
                }
                request.Body.reserve(qsizetype(*length));
            }
            return MHD_YES;
        }
        if (exchange->Refused)
            return MHD_NO;
        QByteArray& body = exchange->Request.Body;
        if (*uploadSize != 0) {
            if (std::size_t(body.size()) + *uploadSize > front.m_options.MaxBodyBytes)
                return MHD_NO;
            body.append(upload, qsizetype(*uploadSize));
            *uploadSize = 0;
            return MHD_YES;
        }
        // The whole request is here, or the pool has answered it.
        if (exchange->Response)
            return Queue(front, connection, *exchange->Response);
        if (!front.BeginAnswer())
            return MHD_NO;
        exchange->Answering = true;
        if (!TRequestHandler::AnswersFromMemory(exchange->Request)) {
            front.AnswerInPool(connection, *exchange);
            return MHD_YES;
        }
        return Queue(front, connection, front.m_handler.Answer(exchange->Request));
    }

    static MHD_Result Queue(THttpFront& front, MHD_Connection* connection, const THttpResponse& response) {
        const bool closeAfter = front.StopRequested();
        if (MHD_Response* shared = closeAfter ? nullptr : front.SharedReply(connection, response))
            return MHD_queue_response(connection, unsigned(response.Status), shared);
        return Send(connection, response, closeAfter);
    }

    static void Connection(void* self, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code) {
        THttpFront& front = *static_cast<THttpFront*>(self);
        if (front.m_metrics != nullptr) {
            if (code == MHD_CONNECTION_NOTIFY_STARTED)
                front.m_metrics->ConnectionOpened();
            else if (code == MHD_CONNECTION_NOTIFY_CLOSED)
                front.m_metrics->ConnectionClosed();
        }
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (code == MHD_CONNECTION_NOTIFY_CLOSED && info != nullptr)
            front.m_connections.Close(info->connect_fd);
    }

    static void Completed(void* front, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
        auto* exchange = static_cast<TExchange*>(*context);
        if (exchange == nullptr)
            return;
        if (exchange->Answering)
            static_cast<THttpFront*>(front)->EndAnswer();
        delete exchange;
        *context = nullptr;
    }

    // The library's own words are mostly about broken requests: written with the access log.
    static void Log(void* self, const char* format, va_list arguments) {
        TAccessLog& log = static_cast<THttpFront*>(self)->Log();
        if (!log.Enabled())
            return;
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::string line = text;
        while (!line.empty() && line.back() == '\n')
            line.pop_back();
        log.Note(line);
    }
};

THttpFront::THttpFront(TCatalogueStore& store, TCatalogueStore& suggestions, TDemoPictures& pictures,
                       const TFrontOptions& options, TServerMetrics* metrics)
    : m_options(options)
    , m_metrics(metrics)
    , m_handler(store, suggestions, pictures, options.PublicHost, options.AccessLog, options.Suggestions,
                metrics)
    , m_connections(options.ConnectionsPerClient)
    , m_wakeUp(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    m_pool.setMaxThreadCount(PoolThreads);
}

THttpFront::~THttpFront() {
    Stop();
    m_pool.waitForDone();
    StopWorkers();
    if (m_watcher.joinable())
        m_watcher.join();
    if (m_listenSocket >= 0)
        ::close(m_listenSocket);
    ::close(m_wakeUp);
}

int THttpFront::Bind(const std::string& host, int port) {
    const TListenSocket socket = OpenListenSocket(host, port, ListenBacklog);
    m_listenSocket = socket.Fd;
    return socket.Port;
}

bool THttpFront::Run() {
    if (m_listenSocket < 0 || !StartWorkers())
        return false;
    m_watcher = std::thread([this] { WatchCatalogue(); });
    AcceptUntilStop();
    // New connections are refused from here on.
    ::close(m_listenSocket);
    m_listenSocket = -1;
    Drain();
    // No connection may rest in a worker that stops.
    m_pool.waitForDone();
    StopWorkers();
    m_watcher.join();
    return true;
}

// One libmicrohttpd daemon per worker thread, each waiting on its share of the connections with epoll.
bool THttpFront::StartWorkers() {
    const unsigned count = unsigned(std::max(1, m_options.Threads));
    const bool tls = !m_options.TlsCertificate.isEmpty();
    const unsigned flags = MHD_USE_EPOLL | MHD_USE_ITC | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_NO_LISTEN_SOCKET |
                           MHD_USE_ERROR_LOG | (tls ? MHD_USE_TLS : 0);
    // Nothing older than TLS 1.2, which is what Lumora's fetcher asks for too.
    static constexpr char TlsPriorities[] = "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2";
    std::vector<MHD_OptionItem> tlsOptions;
    if (tls)
        tlsOptions = {{MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(m_options.TlsCertificate.constData())},
                      {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(m_options.TlsKey.constData())},
                      {MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(TlsPriorities)}};
    tlsOptions.push_back({MHD_OPTION_END, 0, nullptr});
    for (unsigned i = 0; i < count; ++i) {
        MHD_Daemon* daemon = MHD_start_daemon(
            flags, 0, nullptr, nullptr, &TCallbacks::Request, this, MHD_OPTION_EXTERNAL_LOGGER,
            &TCallbacks::Log, this, MHD_OPTION_CONNECTION_LIMIT, std::max(1u, ConnectionLimit() / count),
            MHD_OPTION_CONNECTION_TIMEOUT, unsigned(m_options.TimeoutSeconds),
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_options.MaxHeadBytes, MHD_OPTION_NOTIFY_COMPLETED,
            &TCallbacks::Completed, this, MHD_OPTION_NOTIFY_CONNECTION, &TCallbacks::Connection, this,
            MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1, MHD_OPTION_ARRAY, tlsOptions.data(), MHD_OPTION_END);
        if (daemon == nullptr) {
            StopWorkers();
            return false;
        }
        // A connection the worker refuses (at its limit) is closed by the library.
        m_workers.push_back(
            std::make_unique<THttpWorker>(daemon, [this](int socket) { m_connections.Close(socket); }));
    }
    return true;
}

// The connection rests while a pool thread makes its answer, so that a wait for the database or the
// disk holds up no other client of the worker; the library calls again once it is resumed.
void THttpFront::AnswerInPool(MHD_Connection* connection, TExchange& exchange) {
    THttpWorker& worker = *m_workers[WorkerOf(connection)];
    MHD_suspend_connection(connection);
    m_pool.start([this, connection, &exchange, &worker] {
        exchange.Response = m_handler.Answer(exchange.Request);
        worker.Resume(connection);
    });
}

// With many clients at once a large body goes out as its worker's shared answer.
MHD_Response* THttpFront::SharedReply(MHD_Connection* connection, const THttpResponse& response) {
    const std::size_t worker = WorkerOf(connection);
    if (response.Unsized || response.Body->size() < SharedReplyMinBytes ||
        OpenConnections(m_workers[worker]->Daemon()) < SharedReplyMinConnections)
        return nullptr;
    MHD_Response* shared = m_sharedReplies.Find(response, worker);
    if (shared != nullptr)
        LimitUnsentBytes(connection);
    return shared;
}

std::size_t THttpFront::WorkerOf(MHD_Connection* connection) const {
    const MHD_Daemon* daemon = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_DAEMON)->daemon;
    return std::size_t(std::find_if(m_workers.begin(), m_workers.end(),
                                    [&](const auto& worker) { return worker->Daemon() == daemon; }) -
                       m_workers.begin());
}

// Workers still running may look up the others while one stops: none is let go before all stopped.
void THttpFront::StopWorkers() {
    for (const auto& worker : m_workers)
        worker->Stop();
    m_workers.clear();
}

// Every waiting connection is taken at once and handed to the workers in turn, so that a crowd of
// new clients is neither kept in the kernel's queue nor piled onto one worker. Each worker gets its
// share in one piece, and wakes once for it.
void THttpFront::AcceptUntilStop() {
    std::size_t next = 0;
    std::vector<std::vector<TAcceptedSocket>> shares(m_workers.size());
    while (!StopRequested()) {
        pollfd watched[2] = {{m_listenSocket, POLLIN, 0}, {m_wakeUp, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 && errno != EINTR)
            break;
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            const int client = ::accept4(m_listenSocket, reinterpret_cast<sockaddr*>(&address), &length,
                                         SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) {
                // Out of descriptors: the connection waits in the queue until some are free again.
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    ::poll(&watched[1], 1, 100);
                break;
            }
            if (!OpenConnection(client, AddressText(reinterpret_cast<sockaddr*>(&address)))) {
                ::close(client);
                continue;
            }
            shares[next++ % shares.size()].push_back({client, address, length});
        }
        for (std::size_t worker = 0; worker < shares.size(); ++worker) {
            if (!shares[worker].empty())
                m_workers[worker]->Add(std::exchange(shares[worker], {}));
        }
    }
}

// A trusted proxy carries many clients' connections: its own limits hold for them.
bool THttpFront::OpenConnection(int socket, const std::string& peer) {
    return m_options.TrustedProxies.Trusts(peer) || m_connections.Open(socket, LimitKey(peer));
}

void THttpFront::Stop() {
    std::lock_guard lock(m_mutex);
    m_stopRequested = true;
    m_changed.notify_all();
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeUp, &one, sizeof one);
}

bool THttpFront::StopRequested() {
    std::lock_guard lock(m_mutex);
    return m_stopRequested;
}

void THttpFront::WaitForStop() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopRequested; });
}

// Every request whose answer has begun is finished, and connections kept open are closed after their
// next answer. Then nothing more is answered.
void THttpFront::Drain() {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, DrainLimit, [this] { return m_answering == 0; });
    m_closing = true;
}

bool THttpFront::BeginAnswer() {
    std::lock_guard lock(m_mutex);
    if (m_closing)
        return false;
    ++m_answering;
    return true;
}

void THttpFront::EndAnswer() {
    std::lock_guard lock(m_mutex);
    --m_answering;
    m_changed.notify_all();
}

// The wake-up descriptor stays readable once Stop wrote to it, which ends the wait.
void THttpFront::WatchCatalogue() {
    while (!StopRequested()) {
        try {
            m_handler.CheckForChanges();
        } catch (const TStoreError& error) {
            Log().Note(std::string("cannot check the catalogue for changes: ") + error.what());
        }
        m_handler.WaitForChange(m_wakeUp);
    }
}
