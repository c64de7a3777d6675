#pragma once

#include "AccessLog.h"
#include "CatalogueReplies.h"
#include "CatalogueStore.h"
#include "ClientRateLimit.h"
#include "HttpExchange.h"

#include <atomic>
#include <string_view>

class TDemoPictures;
class TServerMetrics;

// What one client may leave in the store. Without limits unless given (the serve command gives them).
struct TSuggestionLimits {
    TRate Rate;
    qint64 MaxPending = 0; // suggestions waiting for review; 0: no ceiling
};

// The catalogue server's answers, apart from the network: the three scripts Lumora posts to,
// language packs, demo pictures, message pages and the health probe. Every answer is written to the
// access log and counted in the metrics. Safe to call from several threads at once.
class TRequestHandler {
public:
    static constexpr std::size_t MaxHeaderCount = 100;

    // Suggestions go to `suggestions`, which may be `store` itself.
    TRequestHandler(TCatalogueStore& store, TCatalogueStore& suggestions, TDemoPictures& pictures,
                    const QByteArray& publicHost, bool accessLog, const TSuggestionLimits& limits = {},
                    TServerMetrics* metrics = nullptr);

    THttpResponse Answer(const THttpRequest& request);
    // Whether the answer is made from memory alone (the kept catalogue replies), never waiting for
    // the database or the disk.
    static bool AnswersFromMemory(const THttpRequest& request);
    // The answer to a request refused before it was read whole (a body over the limit).
    THttpResponse Refuse(const THttpRequest& request, int status);

    // Lets the kept catalogue replies follow the store; called now and then by the front.
    void CheckForChanges();
    // Returns once the catalogue may have changed, or when `wakeUp` is readable.
    void WaitForChange(int wakeUp) { m_store.WaitForCatalogueChange(wakeUp); }

    TAccessLog& Log() { return m_log; }

private:
    // What a request asks for, as the routes tell it apart; the metrics count requests by it.
    enum class TRoute { Catalogue, Suggest, Message, Packs, DemoIndex, Demo, Messages, Health, Other };
    static TRoute RouteOf(const THttpRequest& request);
    static std::string_view RouteLabel(TRoute route);

    THttpResponse Route(const THttpRequest& request);
    THttpResponse CatalogueList(const THttpRequest& request);
    THttpResponse Suggest(const THttpRequest& request);
    THttpResponse CamMessage(const THttpRequest& request);
    THttpResponse LanguagePack(const std::string& path);
    THttpResponse DemoIndex();
    THttpResponse DemoPicture(const std::string& path);
    THttpResponse MessagePage(const std::string& path);
    // The access log line and the metrics of an answered request.
    void Record(const THttpRequest& request, const THttpResponse& response);

    TCatalogueStore& m_store;
    TCatalogueStore& m_suggestions;
    TDemoPictures& m_pictures;
    const QByteArray m_publicHost;
    TAccessLog m_log;
    TCatalogueReplies m_replies;
    const qint64 m_maxPending;
    TClientRateLimit m_suggestionRate;
    std::atomic<bool> m_saidFull{false}; // the ceiling is told once each time it is reached
    TServerMetrics* const m_metrics;     // none: nothing is counted
};
