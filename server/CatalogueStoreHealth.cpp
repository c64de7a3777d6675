// The cam checker's part of the store: which cams to check, and what the checks found.
#include "CatalogueStore.h"

TCamHealth TCatalogueStore::ReadHealth(const TSqlStatement& row, int first) {
    TCamHealth health;
    health.Url = row.Bytes(first);
    health.LastCheck = row.Bytes(first + 1);
    health.LastSuccess = row.Bytes(first + 2);
    health.Failures = row.Integer(first + 3);
    health.LastFailure = row.Bytes(first + 4);
    health.ContentType = row.Bytes(first + 5);
    health.Bytes = row.Integer(first + 6);
    health.Width = int(row.Integer(first + 7));
    health.Height = int(row.Integer(first + 8));
    health.Digest = row.Bytes(first + 9);
    health.Changed = row.Bytes(first + 10);
    health.ChangedSincePrevious = row.Integer(first + 11) != 0;
    health.Withheld = row.Bytes(first + 12);
    return health;
}

std::vector<TCamToCheck> TCatalogueStore::CamsToCheck() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT c.refid, c.url, h.last_check FROM cams c "
        "LEFT JOIN cam_health h ON h.refid = c.refid AND h.url = c.url ORDER BY c.refid");
    std::vector<TCamToCheck> cams;
    while (query->Step()) {
        TCamToCheck cam{query->Integer(0), query->Bytes(1), query->Bytes(2)};
        if (!cam.Url.startsWith('/') && !cam.Url.isEmpty())
            cams.push_back(std::move(cam));
    }
    return cams;
}

std::optional<TCamHealth> TCatalogueStore::CamHealth(qint64 refid, const QByteArray& url) {
    TStatementUse query = m_connection->Prepare(
        "SELECT h.url, h.last_check, h.last_success, h.failures, h.last_failure, h.content_type, h.bytes, "
        "h.width, h.height, h.digest, h.changed, h.changed_since_previous, h.withheld "
        "FROM cams c LEFT JOIN cam_health h ON h.refid = c.refid WHERE c.refid = ?1 AND c.url = ?2");
    query->Bind(1, refid).Bind(2, url);
    if (!query->Step())
        return std::nullopt;
    // A row without health (its columns NULL) stands for a cam never checked.
    return query->OptionalInteger(3) ? ReadHealth(*query, 0) : TCamHealth{};
}

std::vector<TRecordedCheck> TCatalogueStore::RecordChecks(const std::vector<TCheckRecord>& records,
                                                          const TWithholdingRules& rules) {
    std::vector<TRecordedCheck> recorded;
    Transaction([&] {
        TStatementUse put = m_connection->Prepare(
            "INSERT INTO cam_health(refid, url, last_check, last_success, failures, last_failure, "
            "content_type, bytes, width, height, digest, changed, changed_since_previous, withheld) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14) "
            "ON CONFLICT(refid) DO UPDATE SET url = ?2, last_check = ?3, last_success = ?4, failures = ?5, "
            "last_failure = ?6, content_type = ?7, bytes = ?8, width = ?9, height = ?10, digest = ?11, "
            "changed = ?12, changed_since_previous = ?13, withheld = ?14");
        for (const TCheckRecord& record : records) {
            const std::optional<TCamHealth> before = CamHealth(record.RefID, record.Url);
            if (!before)
                continue; // the cam went, or moved to another address, while it was checked
            const std::optional<TCamHealth> known = before->Url.isEmpty() ? std::nullopt : before;
            const TCamHealth health = HealthAfterCheck(known, record.Url, record.Result, rules);
            put->Bind(1, record.RefID)
                .Bind(2, health.Url)
                .Bind(3, health.LastCheck)
                .Bind(4, health.LastSuccess)
                .Bind(5, health.Failures)
                .Bind(6, health.LastFailure)
                .Bind(7, health.ContentType)
                .Bind(8, health.Bytes)
                .Bind(9, qint64(health.Width))
                .Bind(10, qint64(health.Height))
                .Bind(11, health.Digest)
                .Bind(12, health.Changed)
                .Bind(13, qint64(health.ChangedSincePrevious))
                .Bind(14, health.Withheld)
                .Run();
            put->Reset();
            recorded.push_back({record.RefID, known ? known->Withheld : QByteArray(), health});
        }
    });
    return recorded;
}

std::vector<TCamWithHealth> TCatalogueStore::CamsWithHealth() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT c.refid, c.url, c.name, c.description, c.refresh, c.category, c.webpage, c.country, "
        "c.language, h.url, h.last_check, h.last_success, h.failures, h.last_failure, h.content_type, "
        "h.bytes, h.width, h.height, h.digest, h.changed, h.changed_since_previous, h.withheld "
        "FROM cams c LEFT JOIN cam_health h ON h.refid = c.refid AND h.url = c.url ORDER BY c.refid");
    std::vector<TCamWithHealth> cams;
    while (query->Step()) {
        TCamWithHealth entry{ReadCam(*query), std::nullopt};
        if (query->OptionalInteger(12))
            entry.Health = ReadHealth(*query, 9);
        cams.push_back(std::move(entry));
    }
    return cams;
}

TCamCounts TCatalogueStore::CamCounts() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT (SELECT count(*) FROM cams), (SELECT count(*) FROM cams c JOIN cam_health h "
        "ON h.refid = c.refid AND h.url = c.url WHERE h.withheld <> ?1)");
    query->Bind(1, Withholding::None);
    if (!query->Step())
        return {};
    return {query->Integer(0), query->Integer(1)};
}

void TCatalogueStore::ForgetRemovedCamsHealth() {
    TTimedLock lock(*this);
    m_connection->Prepare("DELETE FROM cam_health WHERE refid NOT IN (SELECT refid FROM cams)")->Run();
}
