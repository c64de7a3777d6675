#include "HttpFront.h"

#include "FormBody.h"
#include "ListeningServer.h"
#include "Suggestions.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPictures.h"

namespace {

constexpr int ListenBacklog = 1024;
constexpr std::size_t MaxHeaderCount = 100;

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Text(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Replies are shared with the cache: the body is written from it without a copy.
void SetSharedContent(httplib::Response& res, std::shared_ptr<const QByteArray> body,
                      const char* contentType) {
    if (body->isEmpty()) {
        res.set_content("", contentType);
        return;
    }
    res.set_content_provider(static_cast<std::size_t>(body->size()), contentType,
                             [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 return sink.write(body->constData() + offset, length);
                             });
}

std::optional<qint64> MatchedNumber(const httplib::Request& req, std::size_t index) {
    bool ok = false;
    const qint64 number = QByteArray::fromStdString(req.matches[index].str()).toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

std::string CatalogueDetail(const httplib::Request& req) {
    const QByteArray body = Bytes(req.body);
    std::string detail = "language=" + Text(FormBody::Value(body, "language").value_or("-"));
    if (const auto refid = FormBody::Value(body, "refid"))
        detail += " refid=" + Text(*refid);
    return detail;
}

} // namespace

THttpFront::THttpFront(TCatalogueStore& store, TDemoPictures& pictures, const TFrontOptions& options)
    : m_store(store)
    , m_pictures(pictures)
    , m_options(options)
    , m_log(options.AccessLog)
    , m_replies(store, options.PublicHost)
    , m_server(std::make_unique<TListeningServer>()) {
    const std::size_t threads = static_cast<std::size_t>(std::max(1, options.Threads));
    m_server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    m_server->set_payload_max_length(options.MaxBodyBytes);
    m_server->SetMaxBodyBytes(options.MaxBodyBytes);
    m_server->set_read_timeout(options.TimeoutSeconds, 0);
    m_server->set_write_timeout(options.TimeoutSeconds, 0);
    m_server->set_keep_alive_timeout(options.TimeoutSeconds);
    m_server->set_keep_alive_max_count(100);
    m_server->set_tcp_nodelay(true);
    Route();
}

THttpFront::~THttpFront() {
    Stop();
    if (m_watcher.joinable())
        m_watcher.join();
}

void THttpFront::Route() {
    httplib::Server& s = *m_server;

    s.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.headers.size() <= MaxHeaderCount)
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 431;
        res.set_content("too many header lines\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });

    s.Post("/lmr/camlist3.php", [this](const httplib::Request& req, httplib::Response& res) {
        const qint64 language = FormBody::IntegerValue(Bytes(req.body), "language", 0);
        SetSharedContent(res, m_replies.Reply(language), "text/plain");
    });

    s.Post("/lmr/p_suggest.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::optional<TSuggestion> suggestion = ParseSuggestion(Bytes(req.body));
        if (!suggestion) {
            res.status = 400;
            res.set_content("refused: not a cam suggestion", "text/plain");
            return;
        }
        try {
            m_store.AddSuggestion(*suggestion);
        } catch (const TStoreError& error) {
            m_log.Note(std::string("a suggestion could not be stored: ") + error.what());
            res.status = 503;
            res.set_content("refused: the suggestion could not be stored", "text/plain");
            return;
        }
        // Answered only once the suggestion is committed: an "ok" is never lost.
        res.set_content("ok", "text/plain");
    });

    s.Post("/lmr/cam_message.php", [this](const httplib::Request& req, httplib::Response& res) {
        const QByteArray body = Bytes(req.body);
        const qint64 language = FormBody::IntegerValue(body, "language", 0);
        const QByteArray version = FormBody::Value(body, "version").value_or(QByteArray());
        res.set_content(
            Text(BuildMessageReply(m_store.ActiveMessages(), language, version, m_options.PublicHost)),
            "text/plain");
    });

    s.Get(R"(/packs/lang(\d{1,9})-v(\d{1,9})\.pak)",
          [this](const httplib::Request& req, httplib::Response& res) {
              const auto refid = MatchedNumber(req, 1);
              const auto version = MatchedNumber(req, 2);
              const std::optional<QByteArray> pack = m_store.Pack(*refid, *version);
              if (!pack) {
                  res.status = 404;
                  return;
              }
              SetSharedContent(res, std::make_shared<const QByteArray>(*pack), "application/octet-stream");
          });

    s.Get("/demo/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(Text(DemoIndexPage()), "text/html; charset=utf-8");
    });

    s.Get(R"(/demo/([A-Za-z0-9_.-]{1,64}))", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<TDemoPicture> picture =
            m_pictures.Picture(QByteArray::fromStdString(req.matches[1]));
        if (!picture) {
            res.status = 404;
            return;
        }
        // Every request must see the cam's current picture, never a copy kept on the way.
        res.set_header("Cache-Control", "no-store");
        SetSharedContent(res, std::make_shared<const QByteArray>(picture->Bytes),
                         picture->ContentType.constData());
    });

    s.Get(R"(/messages/(\d{1,9})\.html)", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<QByteArray> page = m_store.MessagePage(*MatchedNumber(req, 1));
        if (!page) {
            res.status = 404;
            return;
        }
        res.set_content(Text(*page), "text/html; charset=utf-8");
    });

    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty() && res.content_length_ == 0)
            res.set_content(res.status == 404 ? std::string("404 not found\n")
                                              : std::to_string(res.status) + " refused\n",
                            "text/plain");
    });

    s.set_exception_handler(
        [this](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
            std::string what = "unknown error";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            m_log.Note("request failed: " + what);
            res.status = 500;
            res.set_content("500 the server could not answer\n", "text/plain");
        });

    s.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        const std::size_t bytes = std::max(res.body.size(), res.content_length_);
        std::string detail = req.path == "/lmr/camlist3.php" ? CatalogueDetail(req) : std::string();
        // Last on the line, as it may hold blanks: who asked (Lumora, or the browser of its messages).
        const std::string agent = req.get_header_value("User-Agent");
        if (!agent.empty())
            detail += (detail.empty() ? "agent=" : " agent=") + agent;
        m_log.Write(req.remote_addr, req.method, req.path, res.status, bytes, detail);
    });
}

int THttpFront::Bind(const std::string& host, int port) {
    if (port == 0) {
        const int bound = m_server->bind_to_any_port(host);
        if (bound <= 0)
            return -1;
        port = bound;
    } else if (!m_server->bind_to_port(host, port)) {
        return -1;
    }
    m_server->WidenBacklog(ListenBacklog);
    return port;
}

void THttpFront::WatchCatalogue() {
    while (!m_stopping) {
        try {
            m_replies.CheckForChanges();
        } catch (const TStoreError& error) {
            m_log.Note(std::string("cannot check the catalogue for changes: ") + error.what());
        }
        for (int i = 0; i < 5 && !m_stopping; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool THttpFront::Run() {
    m_watcher = std::thread([this] { WatchCatalogue(); });
    const bool ok = m_server->listen_after_bind();
    m_stopping = true;
    m_watcher.join();
    return ok;
}

void THttpFront::Stop() {
    m_stopping = true;
    m_server->stop();
}
