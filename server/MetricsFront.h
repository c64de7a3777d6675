#pragma once

#include "HttpExchange.h"

#include <string>

class TCatalogueStore;
class TServerMetrics;
struct MHD_Daemon;

// The operators' own address (serve --metrics-listen): GET /metrics for Prometheus and GET /healthz,
// nothing else. Kept apart from the clients' address so that it can stay inside the operators'
// network. One thread of its own answers the few scrapers one after the other.
class TMetricsFront {
public:
    TMetricsFront(const TServerMetrics& metrics, TCatalogueStore& store);
    ~TMetricsFront();
    TMetricsFront(const TMetricsFront&) = delete;
    TMetricsFront& operator=(const TMetricsFront&) = delete;

    // Binds the address and answers from now on, until the object ends; the port actually bound (a free
    // one for port 0), or -1 on failure.
    int Start(const std::string& host, int port);

private:
    struct TCallbacks;

    THttpResponse Answer(const std::string& method, const std::string& path);

    const TServerMetrics& m_metrics;
    TCatalogueStore& m_store;
    MHD_Daemon* m_daemon = nullptr;
};
