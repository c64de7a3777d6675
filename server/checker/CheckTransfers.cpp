#include "checker/CheckTransfers.h"

#include "core/picture/Picture.h"
#include "core/picture/WholePicture.h"
#include "net/HTTPTransfer.h"
#include "net/SplitUrl.h"

#include <QCryptographicHash>
#include <QElapsedTimer>

namespace {

CURLM* Multi(void* handle) {
    return static_cast<CURLM*>(handle);
}

THTTPRequest CheckRequest(const TCamToCheck& cam, const QByteArray& agent,
                          const QList<QByteArray>& connectTo) {
    // As Lumora asks for a cam's picture, with the bounds of its fetcher.
    THTTPRequest request;
    request.URL = cam.Url;
    request.Agent = agent;
    request.AcceptTypes = "image/jpeg, image/gif, image/bmp, multipart/x-mixed-replace, */*;q=0.1";
    request.BinaryData = true;
    request.ConnectTimeout = TransferBounds::ConnectTimeout;
    request.StallTimeout = TransferBounds::StallTimeout;
    request.TransferTimeout = TransferBounds::TransferTimeout;
    request.MaxStringSize = MaxPictureFileBytes;
    request.ConnectTo = connectTo;
    return request;
}

void Fail(TCheckResult& result, const QByteArray& kind, const QByteArray& reason) {
    result.Success = false;
    result.FailureKind = kind;
    result.FailureReason = reason;
}

bool IsHttpSuccess(long status) {
    return status >= 200 && status < 300;
}

// What a finished transfer says of the cam: alive only with a picture that Lumora can show.
void Judge(TCheckResult& result, const THTTPTransferState& state, CURLcode code) {
    if (state.Status != 0 && !IsHttpSuccess(state.Status))
        return Fail(result, "status", "HTTP status " + QByteArray::number(qint64(state.Status)));
    if (!state.Success) {
        const QByteArray& reason = state.FailureReason;
        if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT)
            return Fail(result, "connect", reason);
        if (IsSecurityRefusal(code) || reason.startsWith("redirected from https"))
            return Fail(result, "tls", reason);
        if (code == CURLE_OPERATION_TIMEDOUT || reason == "the server stopped answering")
            return Fail(result, "timeout", reason);
        if (reason.contains("limit") || reason.contains("larger than"))
            return Fail(result, "too-large", reason);
        return Fail(result, "cut-off", reason);
    }
    result.ContentType = state.ContentType;
    result.Bytes = state.Text.size();
    const std::optional<QSize> size = PictureDimensions(state.Text);
    if (!size)
        return Fail(result, "not-picture", "not a JPEG, GIF or bitmap picture (" + state.ContentType + ")");
    result.Success = true;
    result.Size = *size;
    result.Digest = QCryptographicHash::hash(state.Text, QCryptographicHash::Sha256);
}

} // namespace

struct TCheckTransfers::TRunning {
    TCamToCheck Cam;
    QByteArray Host;
    QDateTime Began;
    QElapsedTimer Timer;
    THTTPTransferState State;
    std::unique_ptr<THTTPTransfer> Transfer;
};

TCheckTransfers::TCheckTransfers(QByteArray agent)
    : m_agent(std::move(agent))
    , m_connectTo(ConnectToRules(qgetenv("LUMORA_CONNECT_TO")))
    , m_multi(curl_multi_init()) {
    PrepareHTTPTransfers();
}

TCheckTransfers::~TCheckTransfers() {
    for (const auto& [handle, running] : m_running)
        curl_multi_remove_handle(Multi(m_multi), static_cast<CURL*>(handle));
    m_running.clear();
    curl_multi_cleanup(Multi(m_multi));
}

QByteArray TCheckTransfers::HostOf(const QByteArray& url) {
    const THostAndPath target = SplitUrl(url);
    const QByteArray port = !target.Port.isEmpty()     ? target.Port
                            : target.Scheme == "https" ? QByteArray("443")
                                                       : QByteArray("80");
    return target.Host.toLower() + ':' + port;
}

void TCheckTransfers::Start(const TCamToCheck& cam) {
    auto running = std::make_unique<TRunning>();
    running->Cam = cam;
    running->Host = HostOf(cam.Url);
    running->Began = QDateTime::currentDateTimeUtc();
    running->Timer.start();
    running->State.Request = CheckRequest(cam, m_agent, m_connectTo);
    running->Transfer = std::make_unique<THTTPTransfer>(running->State);
    CURL* handle = running->Transfer->Begin();
    if (!handle || curl_multi_add_handle(Multi(m_multi), handle) != CURLM_OK) {
        TCheckRecord record{cam.RefID, cam.Url, {}};
        record.Result.At = running->Began;
        Fail(record.Result, "connect", running->State.FailureReason);
        m_endedEarly.push_back(std::move(record));
        return;
    }
    m_busyHosts.insert(running->Host);
    m_running.emplace(handle, std::move(running));
}

std::vector<TCheckRecord> TCheckTransfers::Progress(int timeoutMs) {
    std::vector<TCheckRecord> ended;
    ended.swap(m_endedEarly);
    if (!ended.empty())
        timeoutMs = 0;
    int active = 0;
    curl_multi_poll(Multi(m_multi), nullptr, 0, timeoutMs, nullptr);
    curl_multi_perform(Multi(m_multi), &active);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_multi), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        const CURLcode code = message->data.result;
        curl_multi_remove_handle(Multi(m_multi), handle);
        const auto found = m_running.find(handle);
        if (found == m_running.end())
            continue;
        TRunning& running = *found->second;
        running.Transfer->Finish(code);
        TCheckRecord record{running.Cam.RefID, running.Cam.Url, {}};
        record.Result.At = running.Began;
        Judge(record.Result, running.State, code);
        record.Result.Seconds = double(running.Timer.nsecsElapsed()) / 1e9;
        m_busyHosts.erase(running.Host);
        m_running.erase(found);
        ended.push_back(std::move(record));
    }
    return ended;
}

void TCheckTransfers::Wake() {
    curl_multi_wakeup(Multi(m_multi));
}
