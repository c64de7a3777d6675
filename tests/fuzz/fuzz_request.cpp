// Requests from anyone, as lumora-server's routes see them once the front has read them: the input
// is a request line ("METHOD /path?query"), header lines up to an empty line, then the body. The
// routes answer from a real SQLite store holding the demo catalogue, opened once; every answer must
// be a sane one, and a suggestion answered "ok" must be stored byte for byte.
#include "FuzzTarget.h"
#include "RequestHandler.h"
#include "SqliteConnection.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPictures.h"

#include <QFile>
#include <memory>
#include <string_view>

namespace {

// A store that the suggestions of a long run would grow without end is replaced after this many.
constexpr qint64 SuggestionsPerStore = 4096;

struct TServer {
    std::unique_ptr<TCatalogueStore> Store;
    TDemoPictures Pictures;
    std::unique_ptr<TRequestHandler> Handler;
    qint64 Stored = 0;

    void Open() {
        Handler.reset();
        Store.reset();
        const QString path = FuzzScratchFolder() + QStringLiteral("/catalogue.db");
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
        Store = std::make_unique<TCatalogueStore>(std::make_unique<TSqliteConnection>(path));
        SeedDemoCatalogue(*Store);
        Handler = std::make_unique<TRequestHandler>(*Store, *Store, Pictures, "cams.example", false);
        Stored = 0;
    }
};

TServer& Server() {
    static TServer server;
    if (!server.Store)
        server.Open();
    return server;
}

// The request's parts, split as the front splits them: the query never reaches the routes.
THttpRequest ReadRequest(const QByteArray& input) {
    THttpRequest request;
    request.Client = "127.0.0.1";
    qsizetype lineEnd = input.indexOf('\n');
    const QByteArray first = input.left(lineEnd < 0 ? input.size() : lineEnd);
    const qsizetype blank = first.indexOf(' ');
    request.Method = first.left(blank < 0 ? first.size() : blank).toStdString();
    if (blank >= 0) {
        const QByteArray target = first.mid(blank + 1);
        const qsizetype query = target.indexOf('?');
        request.Path = target.left(query < 0 ? target.size() : query).toStdString();
    }
    while (lineEnd >= 0) {
        const qsizetype start = lineEnd + 1;
        lineEnd = input.indexOf('\n', start);
        const QByteArray line = input.mid(start, lineEnd < 0 ? -1 : lineEnd - start);
        if (line.isEmpty()) {
            request.Body = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);
            break;
        }
        const qsizetype colon = line.indexOf(':');
        request.Headers.emplace_back(line.left(colon).toStdString(),
                                     colon < 0 ? std::string() : line.mid(colon + 1).trimmed().toStdString());
    }
    return request;
}

// Nothing that would end a header line, or the header block, on the wire.
bool OneLine(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

} // namespace

// The store and its demo catalogue are made before the first input, so that their making (seconds
// under the sanitizers) never counts as a slow input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)Server();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TServer& server = Server();
    const THttpRequest request =
        ReadRequest(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const THttpResponse response = server.Handler->Answer(request);

    FUZZ_REQUIRE(response.Status >= 200 && response.Status <= 599);
    FUZZ_REQUIRE(response.Body != nullptr);
    FUZZ_REQUIRE(response.Status < 400 || !response.Body->isEmpty());
    FUZZ_REQUIRE(!response.ContentType.empty() && OneLine(response.ContentType));
    for (const auto& [name, value] : response.Headers)
        FUZZ_REQUIRE(!name.empty() && OneLine(name) && OneLine(value));

    // Too many header lines are refused before any route, and only they.
    const bool tooManyHeaders = request.Headers.size() > TRequestHandler::MaxHeaderCount;
    FUZZ_REQUIRE((response.Status == 431) == tooManyHeaders);

    if (request.Method == "POST" && request.Path == "/lmr/p_suggest.php" && !tooManyHeaders) {
        FUZZ_REQUIRE(response.Status == 200 || response.Status == 400);
        if (response.Status == 200) {
            const std::optional<TSuggestion> stored = server.Store->Suggestion(++server.Stored);
            FUZZ_REQUIRE(stored && stored->Body == request.Body && stored->Status == "new");
            if (server.Stored >= SuggestionsPerStore)
                server.Open();
        }
    }
    return 0;
}
