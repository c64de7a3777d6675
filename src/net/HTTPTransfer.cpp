#include "net/HTTPTransfer.h"

#include "core/LogCategories.h"
#include "core/picture/WholePicture.h"
#include "net/SplitUrl.h"
#include "net/StreamFirstPicture.h"
#include "net/TrustAnchors.h"

#include <QFile>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// The body is handled in chunks of this many bytes: each is appended and reported as progress on
// its own.
constexpr size_t ChunkSize = 1025;
// The socket is read in larger blocks, which are then handled chunk by chunk: a system call per
// 1025 bytes would halve the speed of a large download.
constexpr long ReadSize = 256 * 1024;
// A Content-Length value longer than the header buffer is no number the program can use.
constexpr qsizetype HeaderBufferSize = 1024;
// Cams that moved answer with a redirect; a few hops are plenty, more is a loop.
constexpr long MaxRedirects = 5;
// Buffer of the target file: chunks are small, the disk should not see each of them.
constexpr size_t FileBufferSize = 64 * 1024;

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

void Append(CurlList& list, const QByteArray& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.constData());
    if (grown) {
        (void)list.release();
        list.reset(grown);
    }
}

bool IsIPv6Literal(const QByteArray& host) {
    if (host.size() < 3 || !host.startsWith('[') || !host.endsWith(']'))
        return false;
    for (const char c : host.mid(1, host.size() - 2))
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
            return false;
    return true;
}

// A host is a name, a dotted address or a bracketed IPv6 address; anything else (credentials,
// blanks, a port that is no number) is refused before a connection is tried.
bool IsFetchableHost(const QByteArray& host) {
    if (host.isEmpty())
        return false;
    if (host.startsWith('['))
        return IsIPv6Literal(host);
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        const bool letterOrDigit =
            (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
        if (!letterOrDigit && c != '.' && c != '-' && c != '_' && byte < 0x80)
            return false;
    }
    return true;
}

// Blanks and control bytes cannot stand on a request line; they travel percent-encoded, which
// also keeps a line break in an address from smuggling a header into the request.
QByteArray EncodeBlanks(const QByteArray& path) {
    QByteArray encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            encoded += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        else
            encoded += c;
    }
    return encoded;
}

// Header values set by the program stay on one line.
QByteArray OneLine(const QByteArray& text) {
    const qsizetype end = text.indexOf('\r') >= 0 ? text.indexOf('\r') : text.indexOf('\n');
    return end >= 0 ? text.left(end) : text;
}

std::optional<qint64> ParseContentLength(const QByteArray& value) {
    if (value.isEmpty() || value.size() > HeaderBufferSize || value.size() > 18)
        return std::nullopt;
    for (const char c : value)
        if (c < '0' || c > '9')
            return std::nullopt;
    return value.toLongLong();
}

} // namespace

bool IsSecurityRefusal(CURLcode code) {
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return true;
    default:
        return false;
    }
}

namespace {

// libcurl follows every 3xx reply that names a new address; such a reply's body is not ours.
bool IsFollowedRedirect(long code) {
    return code >= 300 && code < 400;
}

} // namespace

class THTTPTransfer::Transfer {
public:
    Transfer(THTTPTransferState& state, THTTPTransferHooks hooks)
        : m_state(state)
        , m_request(state.Request)
        , m_hooks(std::move(hooks)) {}
    ~Transfer() {
        if (m_file)
            std::fclose(m_file);
    }

    CURL* Begin();
    void Finish(CURLcode code);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
        return static_cast<Transfer*>(self)->Header(QByteArray::fromRawData(data, qsizetype(size * count)));
    }
    static size_t OnBody(char* data, size_t size, size_t count, void* self) {
        return static_cast<Transfer*>(self)->Body(data, size * count);
    }
    static int OnRequest(void* self, char*, char*, int, int) {
        return static_cast<Transfer*>(self)->Request() ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
    }

    bool Configure(CURL* curl, const THostAndPath& target);
    bool Request();
    size_t Header(const QByteArray& line);
    bool BeginBody();
    size_t Body(const char* data, size_t size);
    bool Chunk(const char* data, size_t size);
    bool Fail(const char* reason) {
        if (!m_failed)
            m_state.FailureReason = reason;
        m_failed = true;
        return false;
    }
    bool Succeeded(CURLcode code);
    bool StreamBody(const char* data, size_t size);
    bool CameWhole();

    THTTPTransferState& m_state;
    const THTTPRequest& m_request;
    const THTTPTransferHooks m_hooks;
    std::unique_ptr<CURL, CurlEasyDeleter> m_curl;
    CurlList m_headers;
    CurlList m_connectTo;
    QByteArray m_address;
    QByteArray m_trustAnchors;
    char m_errorText[CURL_ERROR_SIZE] = {};
    // The transfer reached https: no later hop may go back to plain http.
    bool m_secure = false;

    // The head being read; a redirect or an interim reply starts another one.
    bool m_lengthSeen = false;
    QByteArray m_lengthValue;
    QByteArray m_typeValue;
    bool m_locationSeen = false;

    bool m_bodyStarted = false;
    bool m_lengthKnown = false;
    // A binary reply without a Content-Length, whole only when its format says so.
    bool m_lengthless = false;
    // An MJPEG stream: read until its first whole picture, which is the body.
    std::optional<TStreamFirstPicture> m_stream;
    bool m_failed = false;
    FILE* m_file = nullptr;
};

bool THTTPTransfer::Transfer::Configure(CURL* curl, const THostAndPath& target) {
    const bool post = !m_request.PostQuery.isEmpty();
    THostAndPath encoded = target;
    encoded.Path = EncodeBlanks(target.Path);
    m_address = JoinUrl(encoded);
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, m_address.constData());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect may lead from http to https, never from https back (see Request for later hops).
    set(CURLOPT_REDIR_PROTOCOLS_STR, target.Scheme == "https" ? "https" : "http,https");
    // Certificates are always checked against the system's trust store and the host name; there
    // is no way to switch that off, only to add anchors (TrustAnchors.h).
    set(CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_ERRORBUFFER, m_errorText);
    if (!m_trustAnchors.isEmpty()) {
        curl_blob anchors{m_trustAnchors.data(), size_t(m_trustAnchors.size()), CURL_BLOB_NOCOPY};
        set(CURLOPT_CAINFO_BLOB, &anchors);
    }
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    set(CURLOPT_PATH_AS_IS, 1L);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_BUFFERSIZE, ReadSize);
    set(CURLOPT_CONNECTTIMEOUT, long(m_request.ConnectTimeout));
    if (m_request.StallTimeout > 0) {
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, long(m_request.StallTimeout));
    }
    if (m_request.TransferTimeout > 0)
        set(CURLOPT_TIMEOUT, long(m_request.TransferTimeout));
    set(CURLOPT_PREREQFUNCTION, &THTTPTransfer::Transfer::OnRequest);
    set(CURLOPT_PREREQDATA, this);
    set(CURLOPT_HEADERFUNCTION, &THTTPTransfer::Transfer::OnHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &THTTPTransfer::Transfer::OnBody);
    set(CURLOPT_WRITEDATA, this);
    // libcurl copies the texts it is given, so temporaries are fine here.
    if (!m_request.Agent.isEmpty())
        set(CURLOPT_USERAGENT, OneLine(m_request.Agent).constData());
    if (!m_request.Referer.isEmpty())
        set(CURLOPT_REFERER, OneLine(m_request.Referer).constData());
    if (!m_request.UserName.isEmpty()) {
        set(CURLOPT_USERNAME, m_request.UserName.constData());
        set(CURLOPT_PASSWORD, m_request.Password.constData());
    }

    // An empty value removes the header libcurl would send by itself.
    Append(m_headers, "Accept: " + OneLine(m_request.AcceptTypes));
    if (!m_request.UseCache) {
        Append(m_headers, "Pragma: no-cache");
        Append(m_headers, "Cache-Control: no-cache");
    }
    if (post) {
        Append(m_headers, "Content-Type: application/x-www-form-urlencoded");
        Append(m_headers, "Expect:");
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_request.PostQuery.size()));
        set(CURLOPT_POSTFIELDS, m_request.PostQuery.constData());
    } else {
        set(CURLOPT_FOLLOWLOCATION, 1L);
        set(CURLOPT_MAXREDIRS, MaxRedirects);
    }
    set(CURLOPT_HTTPHEADER, m_headers.get());

    for (const QByteArray& rule : m_request.ConnectTo)
        Append(m_connectTo, rule);
    if (m_connectTo)
        set(CURLOPT_CONNECT_TO, m_connectTo.get());
    return ok;
}

// Before each request goes out, the first and every redirected one: once the transfer has reached
// https, a request in the clear would give away what the secure one kept private.
bool THTTPTransfer::Transfer::Request() {
    const char* scheme = nullptr;
    curl_easy_getinfo(m_curl.get(), CURLINFO_SCHEME, &scheme);
    const bool secure = scheme && QByteArray(scheme).toLower() == "https";
    if (m_secure && !secure)
        return Fail("redirected from https to plain http");
    m_secure = secure;
    return true;
}

size_t THTTPTransfer::Transfer::Header(const QByteArray& line) {
    // Trailers after the body are not a new reply.
    if (m_bodyStarted)
        return line.size();
    if (line.startsWith("HTTP/")) {
        m_lengthSeen = false;
        m_lengthValue.clear();
        m_typeValue.clear();
        m_locationSeen = false;
        return line.size();
    }
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty()) {
        long code = 0;
        curl_easy_getinfo(m_curl.get(), CURLINFO_RESPONSE_CODE, &code);
        if (code >= 100 && code < 200)
            return line.size(); // an interim reply; the real one follows
        if (m_request.PostQuery.isEmpty() && m_locationSeen && IsFollowedRedirect(code))
            return line.size(); // libcurl follows it; its body is not ours
        return BeginBody() ? line.size() : 0;
    }
    const qsizetype colon = trimmed.indexOf(':');
    if (colon <= 0)
        return line.size();
    const QByteArray name = trimmed.left(colon).trimmed().toLower();
    if (name == "content-length" && !m_lengthSeen) {
        m_lengthSeen = true;
        m_lengthValue = trimmed.mid(colon + 1).trimmed();
    } else if (name == "content-type" && m_typeValue.isEmpty()) {
        m_typeValue = trimmed.mid(colon + 1).trimmed();
    } else if (line.toLower().startsWith("location:")) {
        m_locationSeen = m_locationSeen || !trimmed.mid(colon + 1).trimmed().isEmpty();
    }
    return line.size();
}

// The head of the reply is complete: decide whether its body is wanted, then prepare its target.
bool THTTPTransfer::Transfer::BeginBody() {
    m_state.ContentType = m_typeValue;
    const QByteArray boundary = MixedReplaceBoundary(m_typeValue);
    if (!boundary.isEmpty()) {
        // A stream's length, if it gives one at all, is not that of its first picture.
        m_stream.emplace(boundary);
    } else if (m_lengthSeen) {
        const std::optional<qint64> length = ParseContentLength(m_lengthValue);
        if (!length)
            return Fail("Content-Length is not a number");
        m_state.AnnouncedSize = *length;
        m_lengthKnown = true;
    } else if (m_request.BinaryData) {
        m_lengthless = true;
    }
    if (m_request.ToFile) {
        if (m_state.AnnouncedSize > m_request.MaxFileSize)
            return Fail("announced file larger than its limit");
        if (m_hooks.TargetBegun)
            m_hooks.TargetBegun();
        m_file = std::fopen(QFile::encodeName(m_request.FileName).constData(), "wb");
        if (!m_file)
            return Fail("cannot create the target file");
        m_state.TargetWritten = true;
        std::setvbuf(m_file, nullptr, _IOFBF, FileBufferSize);
    } else {
        // Such a reply can only end cut short or past the cap: it is not read at all.
        if (m_state.AnnouncedSize > m_request.MaxStringSize)
            return Fail("announced reply larger than any text reply can be");
        m_state.Text.clear();
    }
    m_bodyStarted = true;
    return true;
}

size_t THTTPTransfer::Transfer::Body(const char* data, size_t size) {
    if (!m_bodyStarted) {
        Fail("body without a reply head");
        return 0;
    }
    if (m_stream)
        return StreamBody(data, size) ? size : 0;
    for (size_t at = 0; at < size; at += ChunkSize)
        if (!Chunk(data + at, std::min<size_t>(ChunkSize, size - at)))
            return 0;
    return size;
}

// One chunk of the body: the unit of appending and of progress reports.
bool THTTPTransfer::Transfer::Chunk(const char* data, size_t size) {
    // Bytes beyond the announced size are not part of the reply.
    qint64 wanted = qint64(size);
    if (m_lengthKnown)
        wanted = std::min(wanted, m_state.AnnouncedSize - m_state.Total);
    if (wanted <= 0)
        return true;
    if (m_request.ToFile) {
        if (m_state.Total + wanted > m_request.MaxFileSize)
            return Fail("file grew past its limit");
        if (std::fwrite(data, 1, size_t(wanted), m_file) != size_t(wanted))
            return Fail("cannot write the target file");
    } else {
        if (m_state.Text.size() + wanted > m_request.MaxStringSize)
            return Fail("reply larger than any text reply can be");
        m_state.Text.append(data, qsizetype(wanted));
    }
    m_state.Total += wanted;
    if (m_request.ReportProgress)
        m_hooks.Progress(m_state.AnnouncedSize, m_state.Total);
    return true;
}

// Holds a stream's bytes until its first whole picture, which then becomes the body like any other;
// the transfer ends there, as the stream would go on for ever.
bool THTTPTransfer::Transfer::StreamBody(const char* data, size_t size) {
    if (!m_stream->Feed(data, qsizetype(size))) {
        const qint64 limit = m_request.ToFile ? m_request.MaxFileSize : m_request.MaxStringSize;
        return m_stream->Held() <= limit || Fail("stream sent no whole picture within its limit");
    }
    const QByteArray& picture = m_stream->Picture();
    for (qsizetype at = 0; at < picture.size(); at += qsizetype(ChunkSize))
        if (!Chunk(picture.constData() + at, std::min<size_t>(ChunkSize, size_t(picture.size() - at))))
            return false;
    return false; // ends the transfer; Succeeded knows the picture is whole
}

// A reply without a Content-Length that must be a picture is whole when its format says so.
bool THTTPTransfer::Transfer::CameWhole() {
    if (!m_request.ToFile)
        return IsWholePicture(m_state.Text);
    QFile file(m_request.FileName);
    return file.open(QIODevice::ReadOnly) && IsWholePicture(file.readAll());
}

bool THTTPTransfer::Transfer::Succeeded(CURLcode code) {
    if (m_failed)
        return false;
    if (IsSecurityRefusal(code)) {
        m_state.FailureReason = code == CURLE_UNSUPPORTED_PROTOCOL && m_secure
                                    ? "redirected from https to plain http"
                                : m_errorText[0] ? QByteArray(m_errorText)
                                                 : QByteArray(curl_easy_strerror(code));
        m_failed = true;
        return false;
    }
    if (!m_bodyStarted)
        return Fail("no reply");
    if (m_stream && m_stream->Found()) {
        m_state.AnnouncedSize = m_state.Total;
        return true;
    }
    // A server that stopped sending, reset the connection or closed it before the announced end
    // sent no whole reply: a failure even when part of the body arrived, for text as for files, so
    // that half a catalogue or message is never taken for the whole.
    if (code == CURLE_OPERATION_TIMEDOUT)
        return Fail("the server stopped answering");
    if (code != CURLE_OK)
        return Fail("the reply was cut off");
    if (m_stream)
        return Fail("the stream ended before a whole picture");
    if (m_lengthKnown && m_state.Total < m_state.AnnouncedSize)
        return Fail("body shorter than announced");
    if (m_lengthless) {
        if (!CameWhole())
            return Fail("picture without Content-Length is not whole");
        m_state.AnnouncedSize = m_state.Total;
        return true;
    }
    if (m_request.ToFile)
        return m_state.Total == m_state.AnnouncedSize || Fail("body shorter than announced");
    return m_state.Total > 0 || Fail("empty reply");
}

CURL* THTTPTransfer::Transfer::Begin() {
    const THostAndPath target = SplitUrl(m_request.URL);
    if (!IsFetchableHost(target.Host)) {
        Fail("no host in the address");
        return nullptr;
    }
    const std::optional<QByteArray> anchors = TrustAnchorsForTransfers();
    if (!anchors) {
        Fail("cannot read the added trust anchors");
        qCWarning(lcNet, "%s refused: LUMORA_EXTRA_CA_FILE holds no readable certificate",
                  m_request.URL.constData());
        return nullptr;
    }
    m_trustAnchors = *anchors;
    m_curl.reset(curl_easy_init());
    if (!m_curl || !Configure(m_curl.get(), target)) {
        Fail("cannot prepare the request");
        return nullptr;
    }
    return m_curl.get();
}

void THTTPTransfer::Transfer::Finish(CURLcode code) {
    curl_easy_getinfo(m_curl.get(), CURLINFO_RESPONSE_CODE, &m_state.Status);
    if (m_file && std::fclose(m_file) != 0)
        Fail("cannot write the target file");
    m_file = nullptr;
    m_state.Success = Succeeded(code);
    if (m_state.Success)
        return;
    if (m_state.FailureReason.isEmpty())
        m_state.FailureReason = curl_easy_strerror(code);
    if (IsSecurityRefusal(code) || m_state.FailureReason.startsWith("redirected from https"))
        qCWarning(lcNet, "%s refused: %s", m_request.URL.constData(), m_state.FailureReason.constData());
    // Here rather than in the program alone: a destroyed component never hears of its transfer.
    DiscardTarget(m_state);
}

THTTPTransfer::THTTPTransfer(THTTPTransferState& state, THTTPTransferHooks hooks)
    : m_transfer(std::make_unique<Transfer>(state, std::move(hooks))) {
    state.Success = false;
}

THTTPTransfer::~THTTPTransfer() = default;

CURL* THTTPTransfer::Begin() {
    return m_transfer->Begin();
}

void THTTPTransfer::Finish(CURLcode code) {
    m_transfer->Finish(code);
}

void RunHTTPTransfer(THTTPTransferState& state, const THTTPTransferHooks& hooks) {
    THTTPTransfer transfer(state, hooks);
    if (CURL* handle = transfer.Begin())
        transfer.Finish(curl_easy_perform(handle));
}

void PrepareHTTPTransfers() {
    static std::once_flag prepared;
    std::call_once(prepared, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
