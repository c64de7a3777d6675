#include "CatalogueStore.h"

#include <QDateTime>

namespace {

QByteArray NowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1();
}

} // namespace

TCatalogueStore::TCatalogueStore(std::unique_ptr<TSqlConnection> connection)
    : m_connection(std::move(connection)) {}

TCatalogueStore::~TCatalogueStore() = default;

TCatalogueStore::TTimedLock::TTimedLock(TCatalogueStore& store)
    : m_store(store) {
    m_store.m_mutex.lock();
    if (m_store.m_operationDepth++ == 0)
        m_start = std::chrono::steady_clock::now();
}

TCatalogueStore::TTimedLock::~TTimedLock() {
    if (--m_store.m_operationDepth == 0 && m_store.m_queryObserver)
        m_store.m_queryObserver(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count());
    m_store.m_mutex.unlock();
}

void TCatalogueStore::SetQueryObserver(std::function<void(double)> observer) {
    std::lock_guard lock(m_mutex);
    m_queryObserver = std::move(observer);
}

void TCatalogueStore::Transaction(const std::function<void()>& work) {
    TTimedLock lock(*this);
    m_connection->Begin();
    try {
        work();
        m_connection->Commit();
    } catch (...) {
        m_connection->Rollback();
        throw;
    }
}

qint64 TCatalogueStore::CatalogueGeneration() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare("SELECT generation FROM catalogue_state WHERE id = 1");
    return query->Step() ? query->Integer(0) : 0;
}

TStoredCam TCatalogueStore::ReadCam(const TSqlStatement& row) {
    TStoredCam stored;
    TWebCam& cam = stored.Cam;
    cam.RefID = static_cast<qint32>(row.Integer(0));
    cam.URL = row.Bytes(1);
    cam.Name = row.Bytes(2);
    cam.Description = row.Bytes(3);
    cam.Refresh = static_cast<qint32>(row.Integer(4));
    cam.Category = row.Bytes(5);
    cam.Webpage = row.Bytes(6);
    cam.Country = row.Bytes(7);
    stored.Language = row.OptionalInteger(8);
    return stored;
}

std::vector<TStoredCam> TCatalogueStore::ReadCams(TSqlStatement& query) {
    std::vector<TStoredCam> cams;
    while (query.Step())
        cams.push_back(ReadCam(query));
    return cams;
}

std::vector<TStoredCam> TCatalogueStore::Cams() {
    TTimedLock lock(*this);
    TStatementUse query =
        m_connection->Prepare("SELECT refid, url, name, description, refresh, category, webpage, country, "
                              "language FROM cams ORDER BY refid");
    return ReadCams(*query);
}

std::vector<TStoredCam> TCatalogueStore::OfferedCams() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT c.refid, c.url, c.name, c.description, c.refresh, c.category, c.webpage, c.country, "
        "c.language FROM cams c LEFT JOIN cam_health h ON h.refid = c.refid AND h.url = c.url "
        "WHERE h.withheld IS NULL OR h.withheld = ?1 ORDER BY c.refid");
    query->Bind(1, Withholding::None);
    return ReadCams(*query);
}

qint64 TCatalogueStore::PutCam(const TStoredCam& stored) {
    TTimedLock lock(*this);
    const TWebCam& cam = stored.Cam;
    TStatementUse put = m_connection->Prepare(
        "INSERT INTO cams(refid, url, name, description, refresh, category, webpage, country, language) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
        "ON CONFLICT(refid) DO UPDATE SET url = ?2, name = ?3, description = ?4, refresh = ?5, "
        "category = ?6, webpage = ?7, country = ?8, language = ?9 RETURNING refid");
    put->Bind(1, cam.RefID > 0 ? std::optional<qint64>(cam.RefID) : std::nullopt)
        .Bind(2, cam.URL)
        .Bind(3, cam.Name)
        .Bind(4, cam.Description)
        .Bind(5, qint64(cam.Refresh))
        .Bind(6, cam.Category)
        .Bind(7, cam.Webpage)
        .Bind(8, cam.Country)
        .Bind(9, stored.Language);
    if (!put->Step())
        throw TStoreError("storing a cam gave no number back");
    return put->Integer(0);
}

void TCatalogueStore::DeleteAllCams() {
    TTimedLock lock(*this);
    m_connection->Prepare("DELETE FROM cams")->Run();
}

std::optional<qint64> TCatalogueStore::FindCamByUrl(const QByteArray& url) {
    TTimedLock lock(*this);
    TStatementUse query =
        m_connection->Prepare("SELECT refid FROM cams WHERE url = ?1 ORDER BY refid LIMIT 1");
    query->Bind(1, url);
    return query->Step() ? std::optional<qint64>(query->Integer(0)) : std::nullopt;
}

std::vector<TStoredLanguage> TCatalogueStore::Languages() {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT refid, name, webpage, packversion, packurl FROM languages ORDER BY refid");
    std::vector<TStoredLanguage> languages;
    while (query->Step())
        languages.push_back(
            {query->Integer(0), query->Bytes(1), query->Bytes(2), query->Integer(3), query->Bytes(4)});
    return languages;
}

std::optional<TStoredLanguage> TCatalogueStore::Language(qint64 refid) {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT refid, name, webpage, packversion, packurl FROM languages WHERE refid = ?1");
    query->Bind(1, refid);
    if (!query->Step())
        return std::nullopt;
    return TStoredLanguage{query->Integer(0), query->Bytes(1), query->Bytes(2), query->Integer(3),
                           query->Bytes(4)};
}

void TCatalogueStore::PutLanguage(const TStoredLanguage& language, const QByteArray& pack) {
    TTimedLock lock(*this);
    TStatementUse put = m_connection->Prepare("INSERT INTO languages(refid, name, webpage, packversion, "
                                              "packurl, pack) VALUES (?1, ?2, ?3, ?4, ?5, ?6) "
                                              "ON CONFLICT(refid) DO UPDATE SET name = ?2, webpage = ?3, "
                                              "packversion = ?4, packurl = ?5, pack = ?6");
    put->Bind(1, language.RefID)
        .Bind(2, language.Name)
        .Bind(3, language.Webpage)
        .Bind(4, language.PackVersion)
        .Bind(5, language.PackUrl);
    if (pack.isEmpty())
        put->BindNull(6);
    else
        put->Bind(6, pack);
    put->Run();
}

std::optional<QByteArray> TCatalogueStore::Pack(qint64 refid, qint64 packVersion) {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT pack FROM languages WHERE refid = ?1 AND packversion = ?2 AND pack IS NOT NULL");
    query->Bind(1, refid).Bind(2, packVersion);
    return query->Step() ? std::optional<QByteArray>(query->Bytes(0)) : std::nullopt;
}

qint64 TCatalogueStore::AddMessage(const TStoredMessage& message, const QByteArray& page) {
    TTimedLock lock(*this);
    TStatementUse add =
        m_connection->Prepare("INSERT INTO messages(language, version, url, page, active, created) "
                              "VALUES (?1, ?2, ?3, ?4, 1, ?5) RETURNING refid");
    add->Bind(1, message.Language).Bind(2, message.Version).Bind(3, message.Url).Bind(5, NowText());
    if (page.isNull())
        add->BindNull(4);
    else
        add->Bind(4, page);
    if (!add->Step())
        throw TStoreError("storing a message gave no number back");
    return add->Integer(0);
}

int TCatalogueStore::RetireMessages(std::optional<qint64> language, const QByteArray& version) {
    TTimedLock lock(*this);
    TStatementUse retire =
        m_connection->Prepare("UPDATE messages SET active = 0 WHERE active = 1 AND language IS NOT DISTINCT "
                              "FROM ?1 AND version = ?2 RETURNING refid");
    retire->Bind(1, language).Bind(2, version);
    return retire->Run();
}

std::vector<TListedMessage> TCatalogueStore::ListMessages(TSqlStatement& query) {
    std::vector<TListedMessage> messages;
    while (query.Step())
        messages.push_back({{query.Integer(0), query.OptionalInteger(1), query.Bytes(2), query.Bytes(3)},
                            query.Integer(4) != 0,
                            query.Bytes(5)});
    return messages;
}

bool TCatalogueStore::RetireMessage(qint64 refid) {
    TTimedLock lock(*this);
    TStatementUse retire = m_connection->Prepare(
        "UPDATE messages SET active = 0 WHERE active = 1 AND refid = ?1 RETURNING refid");
    retire->Bind(1, refid);
    return retire->Run() > 0;
}

std::vector<TStoredMessage> TCatalogueStore::ActiveMessages() {
    TTimedLock lock(*this);
    std::vector<TStoredMessage> messages;
    for (const TListedMessage& listed : ListMessages(
             *m_connection->Prepare("SELECT refid, language, version, url, active, created FROM messages "
                                    "WHERE active = 1 ORDER BY refid DESC")))
        messages.push_back(listed.Message);
    return messages;
}

std::vector<TListedMessage> TCatalogueStore::AllMessages() {
    TTimedLock lock(*this);
    return ListMessages(*m_connection->Prepare(
        "SELECT refid, language, version, url, active, created FROM messages ORDER BY refid"));
}

std::optional<QByteArray> TCatalogueStore::MessagePage(qint64 refid) {
    TTimedLock lock(*this);
    TStatementUse query =
        m_connection->Prepare("SELECT page FROM messages WHERE refid = ?1 AND page IS NOT NULL");
    query->Bind(1, refid);
    return query->Step() ? std::optional<QByteArray>(query->Bytes(0)) : std::nullopt;
}

qint64 TCatalogueStore::AddSuggestion(const TSuggestion& s) {
    TTimedLock lock(*this);
    TStatementUse add = m_connection->Prepare(
        "INSERT INTO suggestions(received, body, title, description, source, webpage, country, refresh, "
        "language, category, status) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) RETURNING id");
    add->Bind(1, s.Received.isEmpty() ? NowText() : s.Received)
        .Bind(2, s.Body)
        .Bind(3, s.Title)
        .Bind(4, s.Description)
        .Bind(5, s.Source)
        .Bind(6, s.Webpage)
        .Bind(7, s.Country)
        .Bind(8, s.Refresh)
        .Bind(9, s.Language)
        .Bind(10, s.Category)
        .Bind(11, QByteArrayLiteral("new"));
    if (!add->Step())
        throw TStoreError("storing a suggestion gave no number back");
    return add->Integer(0);
}

TCatalogueStore::TAdmission TCatalogueStore::AddPendingSuggestion(const TSuggestion& s, qint64 maxPending) {
    TTimedLock lock(*this);
    TAdmission admission = TAdmission::Stored;
    Transaction([&] {
        TStatementUse pending =
            m_connection->Prepare("SELECT id FROM suggestions WHERE status = ?1 AND source = ?2 LIMIT 1");
        pending->Bind(1, QByteArrayLiteral("new")).Bind(2, s.Source);
        if (pending->Step()) {
            admission = TAdmission::AlreadyPending;
            return;
        }
        if (maxPending > 0 && PendingSuggestions() >= maxPending) {
            admission = TAdmission::Full;
            return;
        }
        AddSuggestion(s);
    });
    return admission;
}

qint64 TCatalogueStore::PendingSuggestions() {
    TTimedLock lock(*this);
    TStatementUse count = m_connection->Prepare("SELECT count(*) FROM suggestions WHERE status = ?1");
    count->Bind(1, QByteArrayLiteral("new"));
    return count->Step() ? count->Integer(0) : 0;
}

TSuggestion TCatalogueStore::ReadSuggestion(const TSqlStatement& row) {
    TSuggestion s;
    s.Id = row.Integer(0);
    s.Received = row.Bytes(1);
    s.Body = row.Bytes(2);
    s.Title = row.Bytes(3);
    s.Description = row.Bytes(4);
    s.Source = row.Bytes(5);
    s.Webpage = row.Bytes(6);
    s.Country = row.Bytes(7);
    s.Refresh = row.Bytes(8);
    s.Language = row.Bytes(9);
    s.Category = row.Bytes(10);
    s.Status = row.Bytes(11);
    s.CamRefID = row.OptionalInteger(12);
    return s;
}

#define SUGGESTION_COLUMNS                                                                                   \
    "id, received, body, title, description, source, webpage, country, refresh, language, category, "        \
    "status, "                                                                                               \
    "cam_refid"

std::vector<TSuggestion> TCatalogueStore::Suggestions(const QByteArray& status) {
    TTimedLock lock(*this);
    TStatementUse query = m_connection->Prepare(
        "SELECT " SUGGESTION_COLUMNS " FROM suggestions WHERE length(?1) = 0 OR status = ?1 ORDER BY id");
    query->Bind(1, status);
    std::vector<TSuggestion> suggestions;
    while (query->Step())
        suggestions.push_back(ReadSuggestion(*query));
    return suggestions;
}

std::optional<TSuggestion> TCatalogueStore::Suggestion(qint64 id) {
    TTimedLock lock(*this);
    TStatementUse query =
        m_connection->Prepare("SELECT " SUGGESTION_COLUMNS " FROM suggestions WHERE id = ?1");
    query->Bind(1, id);
    if (!query->Step())
        return std::nullopt;
    return ReadSuggestion(*query);
}

bool TCatalogueStore::DecideSuggestion(qint64 id, const QByteArray& status, std::optional<qint64> camRefID) {
    TTimedLock lock(*this);
    TStatementUse update = m_connection->Prepare(
        "UPDATE suggestions SET status = ?2, cam_refid = ?3 WHERE id = ?1 AND status = ?4 RETURNING id");
    update->Bind(1, id).Bind(2, status).Bind(3, camRefID).Bind(4, QByteArrayLiteral("new"));
    return update->Run() > 0;
}
