#include "MetricsFront.h"

#include "Health.h"
#include "ListenSocket.h"
#include "MetricsText.h"
#include "ServerMetrics.h"
#include "SharedReplies.h"

#include <microhttpd.h>
#include <unistd.h>

namespace {

// Scrapers are few; a crowd on this address is refused rather than served.
constexpr unsigned MaxConnections = 32;
constexpr unsigned TimeoutSeconds = 5;
constexpr int ListenBacklog = 16;

} // namespace

struct TMetricsFront::TCallbacks {
    static MHD_Result Request(void* self, MHD_Connection* connection, const char* url, const char* method,
                              const char*, const char*, std::size_t* uploadSize, void** context) {
        // The first call brings the head; a body, which no request here needs, is passed over.
        static int headSeen;
        if (*context == nullptr) {
            *context = &headSeen;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            *uploadSize = 0;
            return MHD_YES;
        }
        try {
            const THttpResponse response = static_cast<TMetricsFront*>(self)->Answer(method, url);
            MHD_Response* reply = MHD_create_response_from_buffer(
                std::size_t(response.Body->size()), const_cast<char*>(response.Body->constData()),
                MHD_RESPMEM_MUST_COPY);
            if (reply == nullptr)
                return MHD_NO;
            AddHead(reply, response);
            const MHD_Result queued = MHD_queue_response(connection, unsigned(response.Status), reply);
            MHD_destroy_response(reply);
            return queued;
        } catch (const std::exception&) {
            // Nothing may be thrown into the library: the connection is closed instead.
            return MHD_NO;
        }
    }
};

TMetricsFront::TMetricsFront(const TServerMetrics& metrics, TCatalogueStore& store)
    : m_metrics(metrics)
    , m_store(store) {}

TMetricsFront::~TMetricsFront() {
    if (m_daemon != nullptr)
        MHD_stop_daemon(m_daemon);
}

int TMetricsFront::Start(const std::string& host, int port) {
    const TListenSocket socket = OpenListenSocket(host, port, ListenBacklog);
    if (socket.Fd < 0)
        return -1;
    m_daemon = MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL, 0, nullptr, nullptr,
                                &TCallbacks::Request, this, MHD_OPTION_LISTEN_SOCKET, socket.Fd,
                                MHD_OPTION_CONNECTION_LIMIT, MaxConnections, MHD_OPTION_CONNECTION_TIMEOUT,
                                TimeoutSeconds, MHD_OPTION_END);
    if (m_daemon == nullptr) {
        ::close(socket.Fd);
        return -1;
    }
    return socket.Port;
}

THttpResponse TMetricsFront::Answer(const std::string& method, const std::string& path) {
    if (method == "GET" || method == "HEAD") {
        if (path == "/metrics")
            return MakeResponse(200, m_metrics.Render(), TMetricsText::ContentType);
        if (path == "/healthz")
            return HealthReply(m_store, THealthDetail::WithCause);
    }
    return MakeResponse(404, "404 not found\n");
}
