#pragma once

#include "AccessLog.h"
#include "CatalogueReplies.h"
#include "CatalogueStore.h"

#include <QByteArray>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class TDemoPictures;
class TListeningServer;

struct TFrontOptions {
    QByteArray PublicHost;
    int Threads = 32;
    // Large enough for every Lumora request; a bigger body is refused before it is read.
    std::size_t MaxBodyBytes = 64 * 1024;
    int TimeoutSeconds = 5;
    bool AccessLog = true;
};

// The HTTP side of the catalogue server: the three scripts Lumora posts to, language packs, demo
// pictures and message pages, on a bounded pool of workers.
class THttpFront {
public:
    THttpFront(TCatalogueStore& store, TDemoPictures& pictures, const TFrontOptions& options);
    ~THttpFront();

    // Binds the address; the port actually bound (a free one for port 0), or -1 on failure.
    int Bind(const std::string& host, int port);
    // Answers requests until Stop; requests already accepted are answered before it returns.
    bool Run();
    void Stop();

    TAccessLog& Log() { return m_log; }

private:
    void Route();
    void WatchCatalogue();

    TCatalogueStore& m_store;
    TDemoPictures& m_pictures;
    const TFrontOptions m_options;
    TAccessLog m_log;
    TCatalogueReplies m_replies;
    std::unique_ptr<TListeningServer> m_server;
    std::atomic<bool> m_stopping{false};
    std::thread m_watcher;
};
