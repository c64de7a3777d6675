#include "ServerMetrics.h"

#include "SqlStatement.h"

namespace {

std::string_view View(const std::string& text) {
    return text;
}

// A statement on a local database takes well under a millisecond; one that waits for a lock or a
// distant PostgreSQL takes up to seconds.
std::vector<double> StoreQueryBounds() {
    return {0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
}

// A cam answers within a fraction of a second or takes up to the fetcher's time limit.
std::vector<double> CamCheckBounds() {
    return {0.05, 0.1, 0.25, 0.5, 1, 2, 5, 10, 20, 30, 60};
}

} // namespace

TServerMetrics::TServerMetrics()
    : m_storeQueries(StoreQueryBounds())
    , m_camChecks(CamCheckBounds()) {}

void TServerMetrics::CountRequest(std::string_view route, int status, std::size_t replyBytes) {
    std::lock_guard lock(m_mutex);
    ++m_requests[{std::string(route), status}];
    m_replyBytes[std::string(route)] += replyBytes;
}

void TServerMetrics::ConnectionOpened() {
    ++m_openConnections;
}

void TServerMetrics::ConnectionClosed() {
    --m_openConnections;
}

void TServerMetrics::ObserveStoreQuery(double seconds) {
    m_storeQueries.Observe(seconds);
}

void TServerMetrics::ObserveCamCheck(double seconds, std::string_view failureReason) {
    m_camChecks.Observe(seconds);
    std::lock_guard lock(m_mutex);
    ++m_checks;
    if (!failureReason.empty())
        ++m_checkFailures[std::string(failureReason)];
}

void TServerMetrics::SetCatalogueSource(std::function<TCatalogueFigures()> source) {
    std::lock_guard lock(m_mutex);
    m_catalogueSource = std::move(source);
}

QByteArray TServerMetrics::Render() const {
    TMetricsText text;
    {
        std::lock_guard lock(m_mutex);
        text.Family("lumora_http_requests_total", "counter", "Requests answered, by route and status.");
        for (const auto& [key, count] : m_requests) {
            const std::string status = std::to_string(key.second);
            text.Sample("lumora_http_requests_total", {{"route", View(key.first)}, {"status", View(status)}},
                        double(count));
        }
        text.Family("lumora_http_response_bytes_total", "counter", "Bytes of reply bodies, by route.");
        for (const auto& [route, bytes] : m_replyBytes)
            text.Sample("lumora_http_response_bytes_total", {{"route", View(route)}}, double(bytes));
        text.Family("lumora_cam_checks_total", "counter", "Cam checks made, failed or not.");
        text.Sample("lumora_cam_checks_total", double(m_checks));
        text.Family("lumora_cam_check_failures_total", "counter", "Cam checks that failed, by reason.");
        for (const auto& [reason, count] : m_checkFailures)
            text.Sample("lumora_cam_check_failures_total", {{"reason", View(reason)}}, double(count));
    }
    text.Family("lumora_http_open_connections", "gauge", "Client connections open now.");
    text.Sample("lumora_http_open_connections", double(m_openConnections.load()));
    m_camChecks.Write(text, "lumora_cam_check_duration_seconds", "Time one cam check took.");
    m_storeQueries.Write(text, "lumora_store_query_duration_seconds",
                         "Time one store operation took on the database, from the moment it had the "
                         "connection.");
    RenderCatalogue(text);
    return text.Text();
}

// The source reads the store, which may not answer: the scrape then goes without these figures.
void TServerMetrics::RenderCatalogue(TMetricsText& text) const {
    std::function<TCatalogueFigures()> source;
    {
        std::lock_guard lock(m_mutex);
        source = m_catalogueSource;
    }
    if (!source)
        return;
    TCatalogueFigures figures;
    try {
        figures = source();
    } catch (const TStoreError&) {
        return;
    }
    text.Family("lumora_catalogue_cams", "gauge", "Cams in the catalogue.");
    text.Sample("lumora_catalogue_cams", double(figures.Cams));
    text.Family("lumora_catalogue_cams_alive", "gauge", "Catalogue cams that answered their last check.");
    text.Sample("lumora_catalogue_cams_alive", double(figures.Alive));
    text.Family("lumora_catalogue_cams_withheld", "gauge",
                "Catalogue cams withheld from clients until they recover.");
    text.Sample("lumora_catalogue_cams_withheld", double(figures.Withheld));
}
