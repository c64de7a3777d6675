#include "RequestHandler.h"

#include "FormBody.h"
#include "Health.h"
#include "NetworkAddress.h"
#include "ServerMetrics.h"
#include "Suggestions.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPictures.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace {

constexpr std::string_view CatalogueListPath = "/lmr/camlist3.php";

// The value of a request header, its name compared without regard to case; empty when missing.
std::string HeaderValue(const THttpHeaders& headers, std::string_view name) {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return value;
    }
    return {};
}

std::string Text(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

THttpResponse Shared(std::shared_ptr<const QByteArray> body, std::string contentType) {
    THttpResponse response;
    response.ContentType = std::move(contentType);
    response.Body = std::move(body);
    return response;
}

THttpResponse NotFound() {
    return MakeResponse(404, QByteArray());
}

// A failure answered without words of its own still says what happened.
void ExplainFailure(THttpResponse& response) {
    if (response.Status < 400 || !response.Body->isEmpty())
        return;
    response.ContentType = "text/plain";
    response.Body = std::make_shared<const QByteArray>(
        response.Status == 404 ? QByteArray("404 not found\n")
                               : QByteArray::number(response.Status) + " refused\n");
}

// The numbered pieces of a path that matches the pattern whole.
std::optional<std::smatch> Match(const std::string& path, const std::regex& pattern) {
    std::smatch match;
    if (!std::regex_match(path, match, pattern))
        return std::nullopt;
    return match;
}

qint64 Number(const std::ssub_match& digits) {
    return QByteArray::fromStdString(digits.str()).toLongLong();
}

std::string CatalogueDetail(const THttpRequest& request) {
    std::string detail = "language=" + Text(FormBody::Value(request.Body, "language").value_or("-"));
    if (const auto refid = FormBody::Value(request.Body, "refid"))
        detail += " refid=" + Text(*refid);
    return detail;
}

} // namespace

TRequestHandler::TRequestHandler(TCatalogueStore& store, TCatalogueStore& suggestions,
                                 TDemoPictures& pictures, const QByteArray& publicHost, bool accessLog,
                                 const TSuggestionLimits& limits, TServerMetrics* metrics)
    : m_store(store)
    , m_suggestions(suggestions)
    , m_pictures(pictures)
    , m_publicHost(publicHost)
    , m_log(accessLog)
    , m_replies(store, publicHost)
    , m_maxPending(limits.MaxPending)
    , m_suggestionRate(limits.Rate)
    , m_metrics(metrics) {}

THttpResponse TRequestHandler::Answer(const THttpRequest& request) {
    THttpResponse response;
    try {
        response = Route(request);
    } catch (const std::exception& error) {
        m_log.Note(std::string("request failed: ") + error.what());
        response = MakeResponse(500, "500 the server could not answer\n");
    }
    ExplainFailure(response);
    Record(request, response);
    return response;
}

bool TRequestHandler::AnswersFromMemory(const THttpRequest& request) {
    return RouteOf(request) == TRoute::Catalogue;
}

THttpResponse TRequestHandler::Refuse(const THttpRequest& request, int status) {
    THttpResponse response = MakeResponse(status, QByteArray());
    ExplainFailure(response);
    Record(request, response);
    return response;
}

void TRequestHandler::CheckForChanges() {
    m_replies.CheckForChanges();
}

TRequestHandler::TRoute TRequestHandler::RouteOf(const THttpRequest& request) {
    const std::string& path = request.Path;
    if (request.Method == "POST") {
        if (path == CatalogueListPath)
            return TRoute::Catalogue;
        if (path == "/lmr/p_suggest.php")
            return TRoute::Suggest;
        if (path == "/lmr/cam_message.php")
            return TRoute::Message;
    } else if (request.Method == "GET" || request.Method == "HEAD") {
        if (path.starts_with("/packs/"))
            return TRoute::Packs;
        if (path == "/demo/")
            return TRoute::DemoIndex;
        if (path.starts_with("/demo/"))
            return TRoute::Demo;
        if (path.starts_with("/messages/"))
            return TRoute::Messages;
        if (path == "/healthz")
            return TRoute::Health;
    }
    return TRoute::Other;
}

std::string_view TRequestHandler::RouteLabel(TRoute route) {
    switch (route) {
    case TRoute::Catalogue:
        return "catalogue";
    case TRoute::Suggest:
        return "suggest";
    case TRoute::Message:
        return "message";
    case TRoute::Packs:
        return "packs";
    case TRoute::DemoIndex:
    case TRoute::Demo:
        return "demo";
    case TRoute::Messages:
        return "messages";
    case TRoute::Health:
        return "healthz";
    case TRoute::Other:
        break;
    }
    return "other";
}

THttpResponse TRequestHandler::Route(const THttpRequest& request) {
    if (request.Headers.size() > MaxHeaderCount)
        return MakeResponse(431, "too many header lines\n");

    switch (RouteOf(request)) {
    case TRoute::Catalogue:
        return CatalogueList(request);
    case TRoute::Suggest:
        return Suggest(request);
    case TRoute::Message:
        return CamMessage(request);
    case TRoute::Packs:
        return LanguagePack(request.Path);
    case TRoute::DemoIndex:
        return DemoIndex();
    case TRoute::Demo:
        return DemoPicture(request.Path);
    case TRoute::Messages:
        return MessagePage(request.Path);
    case TRoute::Health:
        return HealthReply(m_store, THealthDetail::Public);
    case TRoute::Other:
        break;
    }
    return NotFound();
}

THttpResponse TRequestHandler::CatalogueList(const THttpRequest& request) {
    const qint64 language = FormBody::IntegerValue(request.Body, "language", 0);
    return Shared(m_replies.Reply(language), "text/plain");
}

// A refusal is answered with words other than "ok", which Lumora shows as its failure notice; nothing
// is stored.
THttpResponse TRequestHandler::Suggest(const THttpRequest& request) {
    std::optional<TSuggestion> suggestion = ParseSuggestion(request.Body);
    if (!suggestion)
        return MakeResponse(400, "refused: not a cam suggestion");
    if (!m_suggestionRate.Take(LimitKey(request.Client)))
        return MakeResponse(429, "refused: too many suggestions from your address, try again later");
    TCatalogueStore::TAdmission admission;
    try {
        admission = m_suggestions.AddPendingSuggestion(*suggestion, m_maxPending);
    } catch (const TStoreError& error) {
        m_log.Note(std::string("a suggestion could not be stored: ") + error.what());
        return MakeResponse(503, "refused: the suggestion could not be stored");
    }
    if (admission == TCatalogueStore::TAdmission::Full) {
        if (!m_saidFull.exchange(true))
            m_log.Note("suggestions are refused: " + std::to_string(m_maxPending) +
                       " wait for review (--max-pending-suggestions); approving or rejecting makes room");
        return MakeResponse(503, "refused: too many suggestions wait for review, try again later");
    }
    if (admission == TCatalogueStore::TAdmission::Stored)
        m_saidFull = false;
    // The same cam waiting for review already counts as taken: the user's suggestion is there. Answered
    // only once the suggestion is committed: an "ok" is never lost.
    return MakeResponse(200, "ok");
}

THttpResponse TRequestHandler::CamMessage(const THttpRequest& request) {
    const qint64 language = FormBody::IntegerValue(request.Body, "language", 0);
    const QByteArray version = FormBody::Value(request.Body, "version").value_or(QByteArray());
    return MakeResponse(200, BuildMessageReply(m_store.ActiveMessages(), language, version, m_publicHost));
}

THttpResponse TRequestHandler::LanguagePack(const std::string& path) {
    static const std::regex pattern(R"(/packs/lang(\d{1,9})-v(\d{1,9})\.pak)");
    const auto match = Match(path, pattern);
    if (!match)
        return NotFound();
    std::optional<QByteArray> pack = m_store.Pack(Number((*match)[1]), Number((*match)[2]));
    if (!pack)
        return NotFound();
    return MakeResponse(200, std::move(*pack), "application/octet-stream");
}

THttpResponse TRequestHandler::DemoIndex() {
    return MakeResponse(200, DemoIndexPage(), "text/html; charset=utf-8");
}

THttpResponse TRequestHandler::DemoPicture(const std::string& path) {
    static const std::regex pattern(R"(/demo/([A-Za-z0-9_.-]{1,64}))");
    const auto match = Match(path, pattern);
    if (!match)
        return NotFound();
    const QByteArray name = QByteArray::fromStdString((*match)[1]);
    const TDemoCam* cam = FindDemoCam(name);
    const TDemoDelivery delivery = cam ? cam->Delivery : TDemoDelivery::Whole;
    // A stream of a few seconds: a client that stays for more asks again.
    constexpr int StreamFrames = 5;
    std::optional<TDemoPicture> picture =
        delivery == TDemoDelivery::Stream ? m_pictures.Stream(name, StreamFrames) : m_pictures.Picture(name);
    if (!picture)
        return NotFound();
    THttpResponse response = MakeResponse(200, std::move(picture->Bytes), Text(picture->ContentType));
    response.Unsized = delivery != TDemoDelivery::Whole;
    // Every request must see the cam's current picture, never a copy kept on the way.
    response.Headers.emplace_back("Cache-Control", "no-store");
    return response;
}

THttpResponse TRequestHandler::MessagePage(const std::string& path) {
    static const std::regex pattern(R"(/messages/(\d{1,9})\.html)");
    const auto match = Match(path, pattern);
    if (!match)
        return NotFound();
    std::optional<QByteArray> page = m_store.MessagePage(Number((*match)[1]));
    if (!page)
        return NotFound();
    return MakeResponse(200, std::move(*page), "text/html; charset=utf-8");
}

void TRequestHandler::Record(const THttpRequest& request, const THttpResponse& response) {
    const auto bytes = static_cast<std::size_t>(response.Body->size());
    if (m_metrics != nullptr)
        m_metrics->CountRequest(RouteLabel(RouteOf(request)), response.Status, bytes);
    if (!m_log.Enabled())
        return;
    std::string detail = request.Path == CatalogueListPath ? CatalogueDetail(request) : std::string();
    // Last on the line, as it may hold blanks: who asked (Lumora, or the browser of its messages).
    const std::string agent = HeaderValue(request.Headers, "User-Agent");
    if (!agent.empty())
        detail += (detail.empty() ? "agent=" : " agent=") + agent;
    m_log.Write(request.Client, request.Method, request.Path, response.Status, bytes, detail);
}
