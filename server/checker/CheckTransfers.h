#pragma once

#include "CatalogueStore.h"

#include <QByteArray>
#include <QList>
#include <map>
#include <memory>
#include <set>
#include <vector>

// The checks under way: each fetches a cam's picture with the rules and bounds of Lumora's own
// transfers (HTTPTransfer.h), all of them on one libcurl multi handle driven by the calling thread.
class TCheckTransfers {
public:
    // `agent` is sent as the User-Agent of every check.
    explicit TCheckTransfers(QByteArray agent);
    ~TCheckTransfers();
    TCheckTransfers(const TCheckTransfers&) = delete;
    TCheckTransfers& operator=(const TCheckTransfers&) = delete;

    // The host and port an address is fetched from: one check at a time goes to each.
    static QByteArray HostOf(const QByteArray& url);

    bool HostBusy(const QByteArray& host) const { return m_busyHosts.count(host) > 0; }
    int Running() const { return int(m_running.size()); }

    void Start(const TCamToCheck& cam);
    // Lets the checks go on for at most `timeoutMs`, less when one ends or Wake is called, and returns
    // the checks that ended.
    std::vector<TCheckRecord> Progress(int timeoutMs);
    // Ends a Progress early; may be called from any thread.
    void Wake();

private:
    struct TRunning;

    const QByteArray m_agent;
    const QList<QByteArray> m_connectTo;
    void* m_multi;
    std::map<void*, std::unique_ptr<TRunning>> m_running; // by easy handle
    std::set<QByteArray> m_busyHosts;
    std::vector<TCheckRecord> m_endedEarly; // checks that could not begin
};
