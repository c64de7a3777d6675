#include "checker/CheckSchedule.h"

#include "checker/CheckTransfers.h"

#include <QDateTime>
#include <algorithm>
#include <limits>
#include <unordered_set>

std::vector<TCamToCheck> InterleaveHosts(std::vector<TCamToCheck> cams) {
    std::map<QByteArray, qint64> seen; // cams of each host so far
    std::vector<std::pair<qint64, std::size_t>> order;
    order.reserve(cams.size());
    for (std::size_t i = 0; i < cams.size(); ++i)
        order.emplace_back(seen[TCheckTransfers::HostOf(cams[i].Url)]++, i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TCamToCheck> interleaved;
    interleaved.reserve(cams.size());
    for (const auto& [rank, index] : order)
        interleaved.push_back(std::move(cams[index]));
    return interleaved;
}

void TCheckSchedule::Schedule(TEntry& entry, qint64 dueMs) {
    entry.Due = m_due.emplace(dueMs, entry.Cam.RefID);
}

void TCheckSchedule::Update(const std::vector<TCamToCheck>& cams, qint64 nowMs) {
    std::unordered_set<qint64> listed;
    std::vector<TCamToCheck> fresh;
    for (const TCamToCheck& cam : cams) {
        listed.insert(cam.RefID);
        const auto known = m_entries.find(cam.RefID);
        if (known != m_entries.end() && known->second.Cam.Url == cam.Url)
            continue;
        if (known != m_entries.end()) {
            // Another address: what the running check finds is passed over by the store.
            if (!known->second.Running)
                m_due.erase(known->second.Due);
            m_entries.erase(known);
        }
        fresh.push_back(cam);
    }
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        if (listed.count(entry->first)) {
            ++entry;
            continue;
        }
        if (!entry->second.Running)
            m_due.erase(entry->second.Due);
        entry = m_entries.erase(entry);
    }

    fresh = InterleaveHosts(std::move(fresh));
    const qint64 count = qint64(fresh.size());
    for (qint64 i = 0; i < count; ++i) {
        TEntry& entry = m_entries[fresh[std::size_t(i)].RefID];
        entry.Cam = std::move(fresh[std::size_t(i)]);
        const QDateTime last =
            QDateTime::fromString(QString::fromLatin1(entry.Cam.LastCheck), Qt::ISODateWithMs);
        // A single pass takes them all at once, in this order (equal times keep it).
        qint64 due = nowMs + (m_intervalMs > 0 ? m_intervalMs * i / count : 0);
        if (m_intervalMs > 0 && last.isValid())
            due = std::max(nowMs, last.toMSecsSinceEpoch() + m_intervalMs);
        Schedule(entry, due);
    }
}

void TCheckSchedule::Ended(qint64 refid, qint64 beganMs) {
    const auto found = m_entries.find(refid);
    if (found == m_entries.end() || !found->second.Running)
        return;
    found->second.Running = false;
    if (m_intervalMs > 0)
        Schedule(found->second, beganMs + m_intervalMs);
    else
        m_entries.erase(found);
}

std::optional<qint64> TCheckSchedule::NextDue() const {
    if (m_due.empty())
        return std::nullopt;
    return m_due.begin()->first;
}
