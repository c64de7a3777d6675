#pragma once

#include "CatalogueStore.h"

#include <map>
#include <unordered_map>
#include <vector>

// When each cam is next checked. Cams new to the schedule are spread evenly over one interval, the
// cams of one host far apart; a cam checked before keeps its rhythm from its last check, whoever
// made it; a cam whose address changed is due at once. Times are milliseconds since the epoch.
class TCheckSchedule {
public:
    // `intervalMs` 0: each cam is checked once, in the order of the spread, and then no more.
    explicit TCheckSchedule(qint64 intervalMs)
        : m_intervalMs(intervalMs) {}

    // Takes the cams the store lists now: adds the new ones, drops those that went.
    void Update(const std::vector<TCamToCheck>& cams, qint64 nowMs);

    // Calls `start` with each cam due by `nowMs`, earliest first, that is not being checked, for as
    // long as it returns true; a cam it returns false for stays due (its host is busy, say) and is
    // passed over. `more` is asked before each: false ends the walk (every check slot taken).
    template <typename MayStart, typename Start> void StartDue(qint64 nowMs, MayStart mayStart, Start start);
    // The check of the cam ended; it is due again after one interval from `beganMs`.
    void Ended(qint64 refid, qint64 beganMs);

    // When the next cam is due; none when nothing is.
    std::optional<qint64> NextDue() const;
    bool Empty() const { return m_due.empty(); }

private:
    struct TEntry {
        TCamToCheck Cam;
        bool Running = false;
        std::multimap<qint64, qint64>::iterator Due; // valid while not running
    };
    void Schedule(TEntry& entry, qint64 dueMs);

    const qint64 m_intervalMs;
    std::unordered_map<qint64, TEntry> m_entries;
    std::multimap<qint64, qint64> m_due; // due time -> cam
};

template <typename MayStart, typename Start>
void TCheckSchedule::StartDue(qint64 nowMs, MayStart mayStart, Start start) {
    for (auto due = m_due.begin(); due != m_due.end() && due->first <= nowMs && mayStart();) {
        TEntry& entry = m_entries.at(due->second);
        if (!start(entry.Cam)) {
            ++due;
            continue;
        }
        entry.Running = true;
        due = m_due.erase(due);
    }
}

// The order in which new cams are spread: the first cam of every host, then the second of every
// host, and so on, so that one host's cams lie as far apart as they can.
std::vector<TCamToCheck> InterleaveHosts(std::vector<TCamToCheck> cams);
