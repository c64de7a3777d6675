#include "Commands.h"

#include "CamCommands.h"
#include "CommandError.h"
#include "CommandLine.h"
#include "CommandOptions.h"
#include "HttpFront.h"
#include "LanguagePacks.h"
#include "MetricsFront.h"
#include "PostgresConnection.h"
#include "ServerMetrics.h"
#include "StoreLocation.h"
#include "Suggestions.h"
#include "core/AtomicFile.h"
#include "core/UCams.h"
#include "demo/DemoCatalogue.h"
#include "demo/DemoPictures.h"

#include <QFile>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <microhttpd.h>
#include <pthread.h>
#include <thread>

namespace {

struct TCommand {
    const char* Name;
    const char* Summary;
    const char* Usage;
    QStringList ValuedOptions;
    QStringList Flags;
    int PositionalCount;
    std::function<int(const TCommandLine&)> Run;
};

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TCommandError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

qint64 SuggestionId(const TCommandLine& line) {
    const std::optional<qint64> id = ParseNumber(line.Positional().value(0));
    if (!id)
        throw TCommandError(QStringLiteral("\"%1\" is not a suggestion id").arg(line.Positional().value(0)));
    return *id;
}

TSuggestion NewSuggestion(TCatalogueStore& store, qint64 id) {
    const std::optional<TSuggestion> suggestion = store.Suggestion(id);
    if (!suggestion)
        throw TCommandError(QStringLiteral("there is no suggestion %1").arg(id));
    if (suggestion->Status != "new")
        throw TCommandError(QStringLiteral("suggestion %1 was already %2")
                                .arg(id)
                                .arg(QString::fromLatin1(suggestion->Status)));
    return *suggestion;
}

// Another administrator may decide the same suggestion at the same time on another machine.
void DecideSuggestion(TCatalogueStore& store, qint64 id, const QByteArray& status,
                      std::optional<qint64> camRefID) {
    if (!store.DecideSuggestion(id, status, camRefID))
        throw TCommandError(QStringLiteral("suggestion %1 was decided meanwhile").arg(id));
}

// --- serve --------------------------------------------------------------------------------------

bool SplitListenAddress(const QString& text, std::string& host, int& port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QString portText = colon < 0 ? text : text.mid(colon + 1);
    const std::optional<qint64> number = ParseNumber(portText);
    if (!number || *number < 0 || *number > 65535)
        return false;
    host = colon <= 0 ? std::string("0.0.0.0") : text.left(colon).toStdString();
    port = static_cast<int>(*number);
    return true;
}

// --tls-cert and --tls-key, which come together: the server then speaks only HTTPS, and every
// address it hands out says so.
void ReadTlsIdentity(const TCommandLine& line, TFrontOptions& options) {
    const bool certificate = line.Has(QStringLiteral("tls-cert"));
    if (certificate != line.Has(QStringLiteral("tls-key")))
        throw TCommandError(QStringLiteral("--tls-cert and --tls-key come together"));
    if (!certificate)
        return;
    if (MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
        throw TCommandError(QStringLiteral("this libmicrohttpd was built without TLS"));
    const auto read = [&](const QString& option) {
        const QString name = line.Value(option);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            throw TCommandError(QStringLiteral("cannot read --%1 %2").arg(option, name));
        return file.readAll();
    };
    options.TlsCertificate = read(QStringLiteral("tls-cert"));
    options.TlsKey = read(QStringLiteral("tls-key"));
    if (!options.TlsCertificate.contains("-----BEGIN CERTIFICATE-----") ||
        !options.TlsKey.contains("PRIVATE KEY-----"))
        throw TCommandError(
            QStringLiteral("--tls-cert needs a PEM certificate, --tls-key a PEM private key"));
    options.PublicHost = "https://" + options.PublicHost;
}

// What one client may take of the server, so that a flood from one address neither fills the disk nor
// crowds out the others. A limit of 0 is none.
void ReadClientLimits(const TCommandLine& line, TFrontOptions& options) {
    const TResult<TRate> rate =
        TRate::Parse(line.Value(QStringLiteral("suggestion-rate"), QStringLiteral("5/min")));
    if (!rate)
        throw TCommandError(QStringLiteral("--suggestion-rate: ") + rate.Error());
    options.Suggestions.Rate = *rate;
    options.Suggestions.MaxPending = CountOption(line, QStringLiteral("max-pending-suggestions"), 10000);
    options.ConnectionsPerClient =
        unsigned(std::min<qint64>(CountOption(line, QStringLiteral("connections-per-client"), 64), 1000000));
    const TResult<TTrustedProxies> proxies =
        TTrustedProxies::Parse(line.Value(QStringLiteral("trust-proxy")));
    if (!proxies)
        throw TCommandError(QStringLiteral("--trust-proxy: ") + proxies.Error());
    options.TrustedProxies = *proxies;
}

TServerMetrics::TCatalogueFigures CountCams(TCatalogueStore& store) {
    const TCamCounts counts = store.CamCounts();
    return {counts.Cams, counts.Cams - counts.Withheld, counts.Withheld};
}

int Serve(const TCommandLine& line) {
    std::string host;
    int port = 0;
    const QString listen = line.Value(QStringLiteral("listen"), QStringLiteral("127.0.0.1:18080"));
    if (!SplitListenAddress(listen, host, port))
        throw TCommandError(QStringLiteral("--listen needs HOST:PORT, not \"%1\"").arg(listen));
    std::string metricsHost;
    int metricsPort = 0;
    const bool metricsWanted = line.Has(QStringLiteral("metrics-listen"));
    const QString metricsListen = line.Value(QStringLiteral("metrics-listen"));
    if (metricsWanted && !SplitListenAddress(metricsListen, metricsHost, metricsPort))
        throw TCommandError(
            QStringLiteral("--metrics-listen needs HOST:PORT, not \"%1\"").arg(metricsListen));
    // Made before the stores, which report to it as long as they live.
    TServerMetrics metrics;

    TFrontOptions options;
    options.PublicHost =
        line.Value(QStringLiteral("public-host"), QStringLiteral(LUMORA_DEFAULT_CATALOGUE_HOST)).toUtf8();
    ReadClientLimits(line, options);
    if (line.Has(QStringLiteral("threads")))
        options.Threads =
            static_cast<int>(std::clamp<qint64>(NumberOption(line, QStringLiteral("threads")), 1, 1024));
    options.AccessLog = !line.Has(QStringLiteral("no-access-log"));
    ReadTlsIdentity(line, options);

    // A front server may read the catalogue from a standby; what clients write goes to the primary.
    const QString location = line.Value(QStringLiteral("db"));
    std::unique_ptr<TCatalogueStore> store = OpenStore(location, TStoreAccess::ReadOnly);
    if (store->ReadOnly() &&
        (line.Has(QStringLiteral("demo")) || !line.Has(QStringLiteral("suggestions-db"))))
        throw TCommandError(
            QStringLiteral("the database %1 is read-only (a standby, or read-only by its settings): %2")
                .arg(PrintableLocation(location),
                     line.Has(QStringLiteral("demo"))
                         ? QStringLiteral("seed the demo on its primary")
                         : QStringLiteral(
                               "suggestions could not be stored; give --suggestions-db with its primary")));
    // Suggestions have a connection of their own: one that waits for a database held by an
    // administrator's command must not hold up the catalogue, messages and packs behind it.
    std::unique_ptr<TCatalogueStore> suggestionStore = OpenStore(
        line.Has(QStringLiteral("suggestions-db")) ? line.Value(QStringLiteral("suggestions-db")) : location);
    if (line.Has(QStringLiteral("demo"))) {
        for (const QString& done : SeedDemoCatalogue(*store))
            Print(stderr, QStringLiteral("lumora-server: demo: ") + done);
    }
    const auto observeQuery = [&metrics](double seconds) { metrics.ObserveStoreQuery(seconds); };
    store->SetQueryObserver(observeQuery);
    suggestionStore->SetQueryObserver(observeQuery);
    metrics.SetCatalogueSource([&store] { return CountCams(*store); });

    // Stop signals are taken by one thread of their own: every worker started from here on
    // inherits the blocked mask, so a stop never lands in the middle of a request.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The checker writes what it finds, so it works on the primary, as suggestions do, on a connection
    // of its own.
    const qint64 checkInterval = DurationOption(line, QStringLiteral("check-interval"), 30 * 60);
    const TCheckerSettings checkerSettings = CheckerSettings(line, options.PublicHost);
    std::unique_ptr<TCatalogueStore> checkerStore;
    if (checkInterval > 0) {
        checkerStore = OpenStore(line.Has(QStringLiteral("suggestions-db"))
                                     ? line.Value(QStringLiteral("suggestions-db"))
                                     : location);
        checkerStore->SetQueryObserver(observeQuery);
    }

    TDemoPictures pictures;
    THttpFront front(*store, *suggestionStore, pictures, options, &metrics);
    const int bound = front.Bind(host, port);
    if (bound < 0)
        throw TCommandError(QStringLiteral("cannot listen on %1").arg(listen));
    // Answers from its own thread from here on, and stops when Serve returns.
    TMetricsFront metricsFront(metrics, *store);
    const int metricsBound = metricsWanted ? metricsFront.Start(metricsHost, metricsPort) : -1;
    if (metricsWanted && metricsBound < 0)
        throw TCommandError(QStringLiteral("cannot listen on %1 for metrics").arg(metricsListen));

    std::atomic<bool> finished{false};
    std::thread signalWatcher([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (signal == SIGUSR1)
            return;
        front.Log().Note(signal == SIGTERM ? "stopping (SIGTERM)" : "stopping (SIGINT)");
        // A stop that arrives before the accept loop runs would be lost: repeat it until it took.
        while (!finished) {
            front.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    const QString address = QStringLiteral("%1:%2").arg(QString::fromStdString(host)).arg(bound);
    const QByteArray served =
        options.TlsCertificate.isEmpty() ? "http://" + options.PublicHost : options.PublicHost;
    front.Log().Note(
        QStringLiteral("serving %1 for %2/").arg(address, QString::fromUtf8(served)).toStdString());
    // The line scripts and tests wait for: the server accepts connections from here on.
    Print(stdout, QStringLiteral("lumora-server listening on %1").arg(address));
    if (metricsWanted)
        Print(stdout, QStringLiteral("lumora-server metrics on %1:%2")
                          .arg(QString::fromStdString(metricsHost))
                          .arg(metricsBound));

    std::unique_ptr<TCamChecker> checker;
    if (checkerStore) {
        TCheckerSettings settings = checkerSettings;
        settings.IntervalSeconds = checkInterval;
        settings.Note = [&front](const std::string& text) { front.Log().Note("cam checker: " + text); };
        settings.Checked = [&metrics](const TCheckResult& result) {
            metrics.ObserveCamCheck(result.Seconds, result.FailureKind.toStdString());
        };
        checker = std::make_unique<TCamChecker>(*checkerStore, std::move(settings));
        checker->Start();
    }

    const bool ok = front.Run();
    if (checker)
        checker->Stop();
    finished = true;
    pthread_kill(signalWatcher.native_handle(), SIGUSR1);
    signalWatcher.join();
    front.Log().Note("stopped");
    return ok ? 0 : 1;
}

// --- administration ------------------------------------------------------------------------------

int SeedDemo(const TCommandLine& line) {
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    for (const QString& done : SeedDemoCatalogue(*store))
        Print(stdout, done);
    return 0;
}

int ImportCams(const TCommandLine& line) {
    const QString path = line.Positional().value(0);
    const QByteArray text = ReadWholeFile(path);
    if (text.contains('\0'))
        throw TCommandError(QStringLiteral("%1 is not record text: it holds a NUL byte").arg(path));
    TCamList list;
    list.LoadFromLines(RecordText::SplitLines(text));
    if (list.Count() == 0)
        throw TCommandError(QStringLiteral("%1 holds no cam record (\"object=cam\" ... \"end\")").arg(path));
    for (qsizetype i = 0; i < list.Count(); ++i) {
        if (list.Items(i)->URL.isEmpty())
            throw TCommandError(QStringLiteral("%1: cam record %2 (\"%3\") has no url")
                                    .arg(path)
                                    .arg(i + 1)
                                    .arg(QString::fromUtf8(list.Items(i)->Name)));
    }
    const std::optional<qint64> language = OptionalNumberOption(line, QStringLiteral("language"));

    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    int added = 0;
    store->Transaction([&] {
        if (line.Has(QStringLiteral("replace")))
            store->DeleteAllCams();
        // Numbered cams first: a new number must never be one that a later record of the file claims.
        for (const bool numbered : {true, false}) {
            for (const TWebCamPtr& cam : list) {
                if ((cam->RefID > 0) != numbered)
                    continue;
                // Numbers the reader gave locally (0 and below) are not the catalogue's.
                TStoredCam stored{*cam, language};
                if (!numbered) {
                    stored.Cam.RefID = 0;
                    ++added;
                }
                store->PutCam(stored);
            }
        }
    });
    Print(stdout, QStringLiteral("imported %1 cams (%2 with new numbers)").arg(list.Count()).arg(added));
    return 0;
}

int ExportCams(const TCommandLine& line) {
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    RecordText::Lines lines;
    AppendCamRecords(lines, store->Cams(), QByteArray());
    const QByteArray text = RecordText::JoinLines(lines);
    if (!line.Has(QStringLiteral("output"))) {
        PrintBytes(text);
        return 0;
    }
    const QString error = WriteFileAtomically(line.Value(QStringLiteral("output")), text);
    if (!error.isEmpty())
        throw TCommandError(error);
    return 0;
}

int AddLanguage(const TCommandLine& line) {
    TLanguageEntry entry;
    if (!line.Has(QStringLiteral("refid")) || !line.Has(QStringLiteral("name")))
        throw TCommandError(QStringLiteral("add-language needs --refid and --name"));
    entry.RefID = NumberOption(line, QStringLiteral("refid"));
    entry.Name = line.Value(QStringLiteral("name")).toUtf8();
    entry.Webpage = line.Value(QStringLiteral("webpage")).toUtf8();
    const bool fromDirectory = line.Has(QStringLiteral("dir"));
    if (fromDirectory == line.Has(QStringLiteral("pack")))
        throw TCommandError(QStringLiteral("add-language needs either --dir or --pack"));

    const std::optional<qint64> leastVersion = OptionalNumberOption(line, QStringLiteral("packversion"));
    const QByteArray pack = fromDirectory ? QByteArray() : ReadWholeFile(line.Value(QStringLiteral("pack")));
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    Print(stdout, fromDirectory ? AddLanguageFromDirectory(*store, entry, line.Value(QStringLiteral("dir")),
                                                           leastVersion)
                                : AddLanguageFromPack(*store, entry, pack, leastVersion));
    return 0;
}

int SetMessage(const TCommandLine& line) {
    const int sources = int(line.Has(QStringLiteral("url"))) + int(line.Has(QStringLiteral("page"))) +
                        int(line.Has(QStringLiteral("none")));
    if (sources != 1)
        throw TCommandError(QStringLiteral("set-message needs one of --url, --page or --none"));
    TStoredMessage message;
    message.Language = OptionalNumberOption(line, QStringLiteral("language"));
    message.Version = line.Value(QStringLiteral("version")).toUtf8();
    QByteArray page;
    if (line.Has(QStringLiteral("page")))
        page = ReadWholeFile(line.Value(QStringLiteral("page")));
    message.Url = line.Value(QStringLiteral("url")).toUtf8();

    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    qint64 refid = 0;
    int retired = 0;
    store->Transaction([&] {
        retired = store->RetireMessages(message.Language, message.Version);
        if (!line.Has(QStringLiteral("none")))
            refid = store->AddMessage(message, line.Has(QStringLiteral("page")) ? page : QByteArray());
    });
    if (refid > 0)
        Print(stdout, QStringLiteral("message %1 is in force (%2 retired)").arg(refid).arg(retired));
    else
        Print(stdout, QStringLiteral("%1 messages retired").arg(retired));
    return 0;
}

int ListMessages(const TCommandLine& line) {
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    const bool retiredToo = line.Has(QStringLiteral("all"));
    for (const auto& [message, active, created] : store->AllMessages()) {
        if (!active && !retiredToo)
            continue;
        const QString language =
            message.Language ? QString::number(*message.Language) : QStringLiteral("every language");
        const QString version = message.Version.isEmpty() ? QStringLiteral("every version")
                                                          : QStringLiteral("version ") + message.Version;
        const QString page = message.Url.isEmpty()
                                 ? QStringLiteral("page /messages/%1.html").arg(message.RefID)
                                 : QString::fromUtf8(message.Url);
        Print(stdout, QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                          .arg(message.RefID)
                          .arg(active ? QStringLiteral("in force") : QStringLiteral("retired"),
                               message.Language ? QStringLiteral("language ") + language : language, version,
                               page, QString::fromLatin1(created)));
    }
    return 0;
}

int RetireMessage(const TCommandLine& line) {
    const std::optional<qint64> refid = ParseNumber(line.Positional().value(0));
    if (!refid)
        throw TCommandError(QStringLiteral("\"%1\" is not a message number").arg(line.Positional().value(0)));
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    if (!store->RetireMessage(*refid))
        throw TCommandError(QStringLiteral("no message %1 is in force").arg(*refid));
    Print(stdout, QStringLiteral("message %1 retired").arg(*refid));
    return 0;
}

int ListSuggestions(const TCommandLine& line) {
    const QString status = line.Value(QStringLiteral("status"), QStringLiteral("new"));
    static const QStringList statuses = {QStringLiteral("new"), QStringLiteral("approved"),
                                         QStringLiteral("rejected"), QStringLiteral("all")};
    if (!statuses.contains(status))
        throw TCommandError(QStringLiteral("--status is one of new, approved, rejected, all"));
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    for (const TSuggestion& suggestion :
         store->Suggestions(status == QLatin1String("all") ? QByteArray() : status.toLatin1()))
        PrintBytes(SuggestionRecord(suggestion));
    return 0;
}

int Approve(const TCommandLine& line) {
    const qint64 id = SuggestionId(line);
    const QByteArray category = line.Value(QStringLiteral("category"), QStringLiteral("Suggested")).toUtf8();
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    qint64 refid = 0;
    store->Transaction([&] {
        const TSuggestion suggestion = NewSuggestion(*store, id);
        if (suggestion.Source.isEmpty())
            throw TCommandError(
                QStringLiteral("suggestion %1 has no picture address (source); reject it").arg(id));
        refid = store->PutCam({CamFromSuggestion(suggestion, category), std::nullopt});
        DecideSuggestion(*store, id, "approved", refid);
    });
    Print(stdout, QStringLiteral("suggestion %1 is cam %2").arg(id).arg(refid));
    return 0;
}

int Reject(const TCommandLine& line) {
    const qint64 id = SuggestionId(line);
    std::unique_ptr<TCatalogueStore> store = OpenStore(line.Value(QStringLiteral("db")));
    store->Transaction([&] {
        NewSuggestion(*store, id);
        DecideSuggestion(*store, id, "rejected", std::nullopt);
    });
    Print(stdout, QStringLiteral("suggestion %1 rejected").arg(id));
    return 0;
}

int Status(const TCommandLine& line) {
    const QString location = line.Value(QStringLiteral("db"));
    std::unique_ptr<TCatalogueStore> store = OpenStore(location, TStoreAccess::ReadOnly);
    const TStorageSizes sizes = store->Sizes();
    Print(stdout, QStringLiteral("database\t%1")
                      .arg(PrintableLocation(location.isEmpty() ? DefaultDatabasePath() : location)));
    Print(stdout, QStringLiteral("size\t%1 bytes").arg(sizes.Database));
    if (sizes.WriteAheadLog)
        Print(stdout, QStringLiteral("write-ahead log\t%1 bytes").arg(*sizes.WriteAheadLog));
    Print(stdout, QStringLiteral("pending suggestions\t%1").arg(store->PendingSuggestions()));
    return 0;
}

const QString DbOption = QStringLiteral("db");

const std::vector<TCommand>& Commands() {
    static const std::vector<TCommand> commands = {
        {"serve",
         "answer Lumora's requests",
         "serve [--listen HOST:PORT] [--db FILE|URI] [--suggestions-db FILE|URI] [--public-host HOST] "
         "[--suggestion-rate RATE] [--max-pending-suggestions N] [--connections-per-client N] "
         "[--trust-proxy CIDR[,CIDR]] "
         "[--threads N] [--demo] [--no-access-log] [--tls-cert FILE --tls-key FILE] "
         "[--metrics-listen HOST:PORT] [--check-interval TIME] [--check-concurrency N] "
         "[--frozen-after TIME]\n"
         "  --listen       address and port to listen on (default 127.0.0.1:18080; port 0 takes a free one)\n"
         "  --db           the catalogue database: a SQLite file (default "
         "$XDG_DATA_HOME/lumora-server/catalogue.db)\n"
         "                 or a PostgreSQL address (postgresql://USER@HOST/DB), which several servers share\n"
         "  --suggestions-db  where suggestions are stored (default: --db); needed when --db is a standby\n"
         "  --public-host  host name clients use for this server, in every address it hands out\n"
         "                 (default " LUMORA_DEFAULT_CATALOGUE_HOST "; port 80 unless the name carries one)\n"
         "  --threads      workers, each answering its share of the open connections\n"
         "                 (default one per two processors)\n"
         "  --suggestion-rate  N[/min|/h][:BURST]: suggestions one client address may send, N a minute\n"
         "                 or an hour, BURST at once (default 5/min, burst twice N; 0: no limit)\n"
         "  --max-pending-suggestions  suggestions waiting for review; more are refused until some are\n"
         "                 approved or rejected (default 10000; 0: no ceiling)\n"
         "  --connections-per-client  connections one client address may hold open (default 64;\n"
         "                 0: no limit)\n"
         "  --trust-proxy  CIDR[,CIDR]: proxies in front whose X-Forwarded-For names the client\n"
         "                 (default: none, the header is ignored)\n"
         "  --demo         seed the demo catalogue first (see the demo command)\n"
         "  --no-access-log  no line per request on standard error\n"
         "  --tls-cert     serve HTTPS with this PEM certificate (its chain after it), for hosts without\n"
         "                 a TLS proxy in front; every address handed out becomes https://\n"
         "  --tls-key      the certificate's PEM private key (keep it readable by the server only)\n"
         "  --metrics-listen  address and port for operators (default: none): GET /metrics in the\n"
         "                 Prometheus text format and GET /healthz, plain HTTP; keep it off the internet\n"
         "  --check-interval  how often every cam's picture is checked, the checks spread evenly (default\n"
         "                 30m; 0: no checks). Of all servers sharing a database one checks at a "
         "time.\n" LUMORA_CHECKER_USAGE
         "Prints \"lumora-server listening on HOST:PORT\" once it accepts connections (then\n"
         "\"lumora-server metrics on HOST:PORT\" with --metrics-listen); stops cleanly on SIGTERM or\n"
         "SIGINT after answering the requests it has accepted. GET /healthz answers 200 while the\n"
         "database answers, 503 when it does not (with the database's reason on the metrics port).",
         {DbOption, "suggestions-db", "listen", "public-host", "threads", "suggestion-rate",
          "max-pending-suggestions", "connections-per-client", "trust-proxy", "tls-cert", "tls-key",
          "metrics-listen", "check-interval", "check-concurrency", "frozen-after"},
         {"demo", "no-access-log"},
         0,
         Serve},
        {"check-cams",
         "check the cams' pictures now",
         "check-cams [--db FILE|URI] [--cam REFID] [--public-host HOST] [--check-concurrency N] "
         "[--frozen-after TIME]\n"
         "  Fetches every cam's picture once, as Lumora would, keeps what it found and prints it; for cron\n"
         "  where no server runs the checks (serve checks on its own). A cam whose last 3 checks failed,\n"
         "  or whose picture has not changed for --frozen-after, is withheld from the catalogue until a\n"
         "  check finds it well again; nothing is deleted. Pictures this server serves are not checked.\n"
         "  --cam          check this cam only (also while a server checks the others)\n"
         "  --public-host  this catalogue's host name, told to the cams in the "
         "User-Agent\n" LUMORA_CHECKER_USAGE,
         {DbOption, "cam", "public-host", "check-concurrency", "frozen-after"},
         {},
         0,
         CheckCams},
        {"cams",
         "list the cams, with --status their health",
         "cams [--status] [--withheld] [--json] [--db FILE|URI]\n"
         "  One line per cam: number, category, name and address; with --status what the checks found:\n"
         "  state (alive, failing, dead or frozen: the two withheld; unchecked; local: served here), "
         "failures\n"
         "  in a row, last check and success, when the picture last changed, type, bytes and size.\n"
         "  --withheld     only the cams withheld from the catalogue (implies --status)\n"
         "  --json         the same as a JSON array",
         {DbOption},
         {"status", "withheld", "json"},
         0,
         ListCams},
        {"demo",
         "seed the demo catalogue",
         "demo [--db FILE]\n"
         "  Adds the demo cams (pictures rendered by this server), English, German and French with the\n"
         "  packs built from the shipped language directories, and a welcome message for each of these\n"
         "  languages where none is in force. Safe to run again: a pack whose files changed gets a\n"
         "  higher version.",
         {DbOption},
         {},
         0,
         SeedDemo},
        {"import-cams",
         "add or update cams from a record text file",
         "import-cams FILE [--db FILE] [--replace] [--language N]\n"
         "  FILE holds cam records as Lumora reads them (\"object=cam\", key lines, \"end\").\n"
         "  A record with a positive refid replaces the cam of that number; others get new numbers.\n"
         "  --replace   remove every cam first (the file becomes the whole catalogue)\n"
         "  --language  offer these cams only to clients of language N (default: every language)",
         {DbOption, "language"},
         {"replace"},
         1,
         ImportCams},
        {"export-cams",
         "write every cam as record text",
         "export-cams [--db FILE] [--output FILE]\n"
         "  Writes every cam with its number, in the form import-cams reads (standard output by default).",
         {DbOption, "output"},
         {},
         0,
         ExportCams},
        {"add-language",
         "offer a language and its pack, or a new pack of it",
         "add-language --refid N --name NAME (--dir DIR | --pack FILE) [--packversion V] [--webpage URL] "
         "[--db FILE]\n"
         "  --dir          a language directory (properties.cam, skins, help pages); its pack is built here\n"
         "  --pack         a ready-made pack (lumora-pack create)\n"
         "  --packversion  offer at least this version (default: the version in the global block of\n"
         "                 properties.cam)\n"
         "  Lumora installs a pack when its version is above the one it has. Replacing a language's pack\n"
         "  with different files raises its version by one when the given version would not be higher;\n"
         "  the version offered is written into the pack's properties.cam. The same files again change\n"
         "  nothing.",
         {DbOption, "refid", "name", "dir", "pack", "packversion", "webpage"},
         {},
         0,
         AddLanguage},
        {"set-message",
         "put a message in force or retire it",
         "set-message [--language N] [--version V] (--url URL | --page FILE | --none) [--db FILE]\n"
         "  The message replaces the one in force for the same language and version scope.\n"
         "  --language  only for clients of language N (default: every language)\n"
         "  --version   only for program versions V or V.* (default: every version)\n"
         "  --url       the page to show; --page an HTML file that this server serves itself\n"
         "  --none      retire the message of that scope",
         {DbOption, "language", "version", "url", "page"},
         {"none"},
         0,
         SetMessage},
        {"messages",
         "list the messages",
         "messages [--all] [--db FILE]\n"
         "  One line per message in force (with --all also the retired ones): number, state, language,\n"
         "  version, page and when it was published.",
         {DbOption},
         {"all"},
         0,
         ListMessages},
        {"retire-message",
         "retire one message",
         "retire-message REFID [--db FILE]\n"
         "  Clients are no longer offered that message; a page this server held stays stored.",
         {DbOption},
         {},
         1,
         RetireMessage},
        {"suggestions",
         "list cam suggestions",
         "suggestions [--status new|approved|rejected|all] [--db FILE]\n"
         "  Lists suggestions (default: the new ones) as records, with the values as they arrived.",
         {DbOption, "status"},
         {},
         0,
         ListSuggestions},
        {"approve",
         "turn a suggestion into a catalogue cam",
         "approve ID [--category NAME] [--db FILE]\n"
         "  The suggestion becomes a cam with a new number, in category NAME (default \"Suggested\").",
         {DbOption, "category"},
         {},
         1,
         Approve},
        {"reject", "turn a suggestion down", "reject ID [--db FILE]", {DbOption}, {}, 1, Reject},
        {"status",
         "what the database takes on disk and what waits for review",
         "status [--db FILE]\n"
         "  The size of the database, of its write-ahead log (SQLite; a running server keeps it small)\n"
         "  and the number of suggestions waiting for review.",
         {DbOption},
         {},
         0,
         Status},
    };
    return commands;
}

void PrintOverview(std::FILE* stream) {
    QString text = QStringLiteral(
        "usage: lumora-server COMMAND [options]   (lumora-server COMMAND --help)\n\ncommands:\n");
    for (const TCommand& command : Commands())
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.Name).leftJustified(15),
                         QString::fromLatin1(command.Summary));
    Print(stream, text.trimmed());
}

} // namespace

int RunCommand(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        PrintOverview(stderr);
        return 2;
    }
    const QString name = arguments.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        PrintOverview(stdout);
        return 0;
    }
    const auto command = std::find_if(Commands().begin(), Commands().end(),
                                      [&](const TCommand& c) { return name == QLatin1String(c.Name); });
    if (command == Commands().end()) {
        Print(stderr, QStringLiteral("lumora-server: unknown command \"%1\"").arg(name));
        PrintOverview(stderr);
        return 2;
    }
    const QStringList rest = arguments.mid(1);
    const QString usage = QStringLiteral("usage: lumora-server ") + QString::fromUtf8(command->Usage);
    if (rest.contains(QLatin1String("--help")) || rest.contains(QLatin1String("-h"))) {
        Print(stdout, usage);
        return 0;
    }
    const TResult<TCommandLine> line = TCommandLine::Parse(rest, command->ValuedOptions, command->Flags);
    if (!line || line->Positional().size() != command->PositionalCount) {
        Print(stderr, QStringLiteral("lumora-server %1: %2")
                          .arg(name, line ? QStringLiteral("wrong number of arguments") : line.Error()));
        Print(stderr, usage);
        return 2;
    }
    try {
        return command->Run(*line);
    } catch (const TCommandError& failure) {
        Print(stderr,
              QStringLiteral("lumora-server %1: %2").arg(name, QString::fromStdString(failure.what())));
    } catch (const TStoreError& failure) {
        Print(stderr, QStringLiteral("lumora-server %1: database error: %2")
                          .arg(name, QString::fromStdString(failure.what())));
    }
    return 1;
}
