#pragma once

#include "CatalogueStore.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TCheckSchedule;
class TCheckTransfers;

struct TCheckerSettings {
    // Each cam is checked this often; the checks are spread evenly over it.
    qint64 IntervalSeconds = 30 * 60;
    // Checks under way at once, never two of them at one host.
    int Concurrency = 16;
    TWithholdingRules Rules;
    QByteArray Agent;
    // Told of every check as it ends (counting them), and of what an administrator should read.
    std::function<void(const TCheckResult&)> Checked;
    std::function<void(const std::string&)> Note;
};

// The cam checker: fetches every cam's picture as Lumora would, keeps what it found in the store, and
// the store withholds the cams found dead or frozen from the catalogue clients get.
class TCamChecker {
public:
    TCamChecker(TCatalogueStore& store, TCheckerSettings settings);
    ~TCamChecker();
    TCamChecker(const TCamChecker&) = delete;
    TCamChecker& operator=(const TCamChecker&) = delete;

    // Checks these cams once each, now, as fast as the bounds allow; what each check found.
    std::vector<TRecordedCheck> CheckOnce(const std::vector<TCamToCheck>& cams);

    // Checks on schedule, on a thread of its own, while this process holds the checker lease, until
    // Stop. The store is read again for new and changed cams every minute.
    void Start();
    void Stop();

private:
    void Serve();
    // Starts the checks due and lets checks go on for at most `waitMs`; what ended is kept in a batch
    // that is stored at least once a second.
    void RunDueChecks(TCheckSchedule& schedule, qint64 waitMs);
    void Keep();
    // Waits this long unless stopped; false once stopped.
    bool Pause(int ms);

    TCatalogueStore& m_store;
    const TCheckerSettings m_settings;
    std::unique_ptr<TCheckTransfers> m_transfers;
    std::vector<TCheckRecord> m_batch;
    qint64 m_keptAtMs = 0;
    std::vector<TRecordedCheck> m_recorded; // CheckOnce's

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_stopping;
    std::atomic<bool> m_stop{false};
};
