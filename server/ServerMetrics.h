#pragma once

#include "LatencyHistogram.h"

#include <QByteArray>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

// What a running server tells its operators at GET /metrics: requests, reply bytes, open connections,
// the catalogue's size and health, cam checks and the store's query latency. One object per server,
// fed from every thread at once.
//
// Label values come from fixed sets that the callers choose (route names, failure reasons), never
// from what a client sent: a client must not be able to add series.
class TServerMetrics {
public:
    struct TCatalogueFigures {
        qint64 Cams = 0;
        qint64 Alive = 0;
        qint64 Withheld = 0;
    };

    TServerMetrics();

    void CountRequest(std::string_view route, int status, std::size_t replyBytes);
    void ConnectionOpened();
    void ConnectionClosed();
    void ObserveStoreQuery(double seconds);
    // An empty reason is a success.
    void ObserveCamCheck(double seconds, std::string_view failureReason);
    // Read at each scrape. When it throws TStoreError, that scrape leaves the catalogue's figures out.
    void SetCatalogueSource(std::function<TCatalogueFigures()> source);

    // The Prometheus text exposition format, version 0.0.4.
    QByteArray Render() const;

private:
    void RenderCatalogue(TMetricsText& text) const;

    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, int>, std::uint64_t> m_requests; // by route and status
    std::map<std::string, std::uint64_t> m_replyBytes;               // by route
    std::map<std::string, std::uint64_t> m_checkFailures;            // by reason
    std::uint64_t m_checks = 0;
    std::function<TCatalogueFigures()> m_catalogueSource;

    std::atomic<std::int64_t> m_openConnections{0};
    TLatencyHistogram m_storeQueries;
    TLatencyHistogram m_camChecks;
};
