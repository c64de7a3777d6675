#include "CatalogueStore.h"

#include <QDateTime>
#include <sqlite3.h>

namespace {

// Cams and languages bump one counter through triggers, so a running server notices changes that
// an administration command made in another process.
const char* const Schema = R"sql(
CREATE TABLE IF NOT EXISTS cams(
  refid INTEGER PRIMARY KEY AUTOINCREMENT,
  url BLOB NOT NULL, name BLOB NOT NULL, description BLOB NOT NULL, refresh INTEGER NOT NULL,
  category BLOB NOT NULL, webpage BLOB NOT NULL, country BLOB NOT NULL, language INTEGER);
CREATE TABLE IF NOT EXISTS languages(
  refid INTEGER PRIMARY KEY, name BLOB NOT NULL, webpage BLOB NOT NULL, packversion INTEGER NOT NULL,
  packurl BLOB NOT NULL, pack BLOB);
CREATE TABLE IF NOT EXISTS messages(
  refid INTEGER PRIMARY KEY AUTOINCREMENT, language INTEGER, version BLOB NOT NULL, url BLOB NOT NULL,
  page BLOB, active INTEGER NOT NULL, created TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS suggestions(
  id INTEGER PRIMARY KEY AUTOINCREMENT, received TEXT NOT NULL, body BLOB NOT NULL,
  title BLOB, description BLOB, source BLOB, webpage BLOB, country BLOB, refresh BLOB, language BLOB,
  category BLOB, status BLOB NOT NULL, cam_refid INTEGER);
CREATE TABLE IF NOT EXISTS catalogue_state(id INTEGER PRIMARY KEY CHECK (id = 1), generation INTEGER NOT NULL);
INSERT OR IGNORE INTO catalogue_state(id, generation) VALUES (1, 0);
CREATE TRIGGER IF NOT EXISTS cams_inserted AFTER INSERT ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cams_updated AFTER UPDATE ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS cams_deleted AFTER DELETE ON cams
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_inserted AFTER INSERT ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_updated AFTER UPDATE ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
CREATE TRIGGER IF NOT EXISTS languages_deleted AFTER DELETE ON languages
  BEGIN UPDATE catalogue_state SET generation = generation + 1; END;
)sql";

QByteArray NowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1();
}

} // namespace

TCatalogueStore::TCatalogueStore(const QString& path) {
    const QByteArray file = path.toUtf8();
    // Without CREATE the open fails for a missing folder or an unwritable place instead of later.
    const int result = sqlite3_open_v2(
        file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (result != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(result);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TStoreError("cannot open the database " + file.toStdString() + ": " + reason);
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        Execute("PRAGMA journal_mode=WAL");
        // A suggestion answered with "ok" must survive a power cut, not only a stopped process.
        Execute("PRAGMA synchronous=FULL");
        Execute(Schema);
    } catch (const TStoreError& error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TStoreError("cannot use the database " + file.toStdString() + ": " + error.what());
    }
}

TCatalogueStore::~TCatalogueStore() {
    for (const auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    sqlite3_close(m_db);
}

void TCatalogueStore::Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string reason = message ? message : sqlite3_errmsg(m_db);
        sqlite3_free(message);
        throw TStoreError(reason);
    }
}

TSqlStatement TCatalogueStore::Prepare(const char* sql) {
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            throw TStoreError(std::string("preparing ") + sql + ": " + sqlite3_errmsg(m_db));
        found = m_statements.emplace(sql, statement).first;
    }
    return TSqlStatement(m_db, found->second);
}

void TCatalogueStore::Transaction(const std::function<void()>& work) {
    std::lock_guard lock(m_mutex);
    Execute("BEGIN IMMEDIATE");
    try {
        work();
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

qint64 TCatalogueStore::CatalogueGeneration() {
    std::lock_guard lock(m_mutex);
    TSqlStatement query = Prepare("SELECT generation FROM catalogue_state WHERE id = 1");
    return query.Step() ? query.Integer(0) : 0;
}

std::vector<TStoredCam> TCatalogueStore::Cams() {
    std::lock_guard lock(m_mutex);
    TSqlStatement query =
        Prepare("SELECT refid, url, name, description, refresh, category, webpage, country, "
                "language FROM cams ORDER BY refid");
    std::vector<TStoredCam> cams;
    while (query.Step()) {
        TStoredCam stored;
        TWebCam& cam = stored.Cam;
        cam.RefID = static_cast<qint32>(query.Integer(0));
        cam.URL = query.Bytes(1);
        cam.Name = query.Bytes(2);
        cam.Description = query.Bytes(3);
        cam.Refresh = static_cast<qint32>(query.Integer(4));
        cam.Category = query.Bytes(5);
        cam.Webpage = query.Bytes(6);
        cam.Country = query.Bytes(7);
        stored.Language = query.OptionalInteger(8);
        cams.push_back(std::move(stored));
    }
    return cams;
}

qint64 TCatalogueStore::PutCam(const TStoredCam& stored) {
    std::lock_guard lock(m_mutex);
    const TWebCam& cam = stored.Cam;
    TSqlStatement put = Prepare(
        "INSERT INTO cams(refid, url, name, description, refresh, category, webpage, country, language) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
        "ON CONFLICT(refid) DO UPDATE SET url = ?2, name = ?3, description = ?4, refresh = ?5, "
        "category = ?6, webpage = ?7, country = ?8, language = ?9");
    put.Bind(1, cam.RefID > 0 ? std::optional<qint64>(cam.RefID) : std::nullopt)
        .Bind(2, cam.URL)
        .Bind(3, cam.Name)
        .Bind(4, cam.Description)
        .Bind(5, qint64(cam.Refresh))
        .Bind(6, cam.Category)
        .Bind(7, cam.Webpage)
        .Bind(8, cam.Country)
        .Bind(9, stored.Language);
    put.Run();
    return cam.RefID > 0 ? cam.RefID : sqlite3_last_insert_rowid(m_db);
}

void TCatalogueStore::DeleteAllCams() {
    std::lock_guard lock(m_mutex);
    Prepare("DELETE FROM cams").Run();
}

std::optional<qint64> TCatalogueStore::FindCamByUrl(const QByteArray& url) {
    std::lock_guard lock(m_mutex);
    TSqlStatement query = Prepare("SELECT refid FROM cams WHERE url = ?1 ORDER BY refid LIMIT 1");
    query.Bind(1, url);
    return query.Step() ? std::optional<qint64>(query.Integer(0)) : std::nullopt;
}

std::vector<TStoredLanguage> TCatalogueStore::Languages() {
    std::lock_guard lock(m_mutex);
    TSqlStatement query =
        Prepare("SELECT refid, name, webpage, packversion, packurl FROM languages ORDER BY refid");
    std::vector<TStoredLanguage> languages;
    while (query.Step())
        languages.push_back(
            {query.Integer(0), query.Bytes(1), query.Bytes(2), query.Integer(3), query.Bytes(4)});
    return languages;
}

std::optional<TStoredLanguage> TCatalogueStore::Language(qint64 refid) {
    std::lock_guard lock(m_mutex);
    TSqlStatement query =
        Prepare("SELECT refid, name, webpage, packversion, packurl FROM languages WHERE refid = ?1");
    query.Bind(1, refid);
    if (!query.Step())
        return std::nullopt;
    return TStoredLanguage{query.Integer(0), query.Bytes(1), query.Bytes(2), query.Integer(3),
                           query.Bytes(4)};
}

void TCatalogueStore::PutLanguage(const TStoredLanguage& language, const QByteArray& pack) {
    std::lock_guard lock(m_mutex);
    TSqlStatement put =
        Prepare("INSERT OR REPLACE INTO languages(refid, name, webpage, packversion, packurl, pack) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    put.Bind(1, language.RefID)
        .Bind(2, language.Name)
        .Bind(3, language.Webpage)
        .Bind(4, language.PackVersion)
        .Bind(5, language.PackUrl);
    if (pack.isEmpty())
        put.Bind(6, std::optional<qint64>());
    else
        put.Bind(6, pack);
    put.Run();
}

std::optional<QByteArray> TCatalogueStore::Pack(qint64 refid, qint64 packVersion) {
    std::lock_guard lock(m_mutex);
    TSqlStatement query =
        Prepare("SELECT pack FROM languages WHERE refid = ?1 AND packversion = ?2 AND pack IS NOT NULL");
    query.Bind(1, refid).Bind(2, packVersion);
    return query.Step() ? std::optional<QByteArray>(query.Bytes(0)) : std::nullopt;
}

qint64 TCatalogueStore::AddMessage(const TStoredMessage& message, const QByteArray& page) {
    std::lock_guard lock(m_mutex);
    TSqlStatement add = Prepare("INSERT INTO messages(language, version, url, page, active, created) "
                                "VALUES (?1, ?2, ?3, ?4, 1, ?5)");
    add.Bind(1, message.Language).Bind(2, message.Version).Bind(3, message.Url).Bind(5, NowText());
    if (page.isNull())
        add.Bind(4, std::optional<qint64>());
    else
        add.Bind(4, page);
    add.Run();
    return sqlite3_last_insert_rowid(m_db);
}

int TCatalogueStore::RetireMessages(std::optional<qint64> language, const QByteArray& version) {
    std::lock_guard lock(m_mutex);
    TSqlStatement retire =
        Prepare("UPDATE messages SET active = 0 WHERE active = 1 AND language IS ?1 AND version = ?2");
    retire.Bind(1, language).Bind(2, version);
    retire.Run();
    return sqlite3_changes(m_db);
}

std::vector<TListedMessage> TCatalogueStore::ListMessages(TSqlStatement query) {
    std::vector<TListedMessage> messages;
    while (query.Step())
        messages.push_back({{query.Integer(0), query.OptionalInteger(1), query.Bytes(2), query.Bytes(3)},
                            query.Integer(4) != 0,
                            query.Bytes(5)});
    return messages;
}

bool TCatalogueStore::RetireMessage(qint64 refid) {
    std::lock_guard lock(m_mutex);
    TSqlStatement retire = Prepare("UPDATE messages SET active = 0 WHERE active = 1 AND refid = ?1");
    retire.Bind(1, refid);
    retire.Run();
    return sqlite3_changes(m_db) > 0;
}

std::vector<TStoredMessage> TCatalogueStore::ActiveMessages() {
    std::lock_guard lock(m_mutex);
    std::vector<TStoredMessage> messages;
    for (const TListedMessage& listed :
         ListMessages(Prepare("SELECT refid, language, version, url, active, created FROM messages "
                              "WHERE active = 1 ORDER BY refid DESC")))
        messages.push_back(listed.Message);
    return messages;
}

std::vector<TListedMessage> TCatalogueStore::AllMessages() {
    std::lock_guard lock(m_mutex);
    return ListMessages(
        Prepare("SELECT refid, language, version, url, active, created FROM messages ORDER BY refid"));
}

std::optional<QByteArray> TCatalogueStore::MessagePage(qint64 refid) {
    std::lock_guard lock(m_mutex);
    TSqlStatement query = Prepare("SELECT page FROM messages WHERE refid = ?1 AND page IS NOT NULL");
    query.Bind(1, refid);
    return query.Step() ? std::optional<QByteArray>(query.Bytes(0)) : std::nullopt;
}

qint64 TCatalogueStore::AddSuggestion(const TSuggestion& s) {
    std::lock_guard lock(m_mutex);
    TSqlStatement add = Prepare(
        "INSERT INTO suggestions(received, body, title, description, source, webpage, country, refresh, "
        "language, category, status) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    add.Bind(1, s.Received.isEmpty() ? NowText() : s.Received)
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
    add.Run();
    return sqlite3_last_insert_rowid(m_db);
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
    std::lock_guard lock(m_mutex);
    TSqlStatement query = Prepare("SELECT " SUGGESTION_COLUMNS
                                  " FROM suggestions WHERE length(?1) = 0 OR status = ?1 ORDER BY id");
    query.Bind(1, status);
    std::vector<TSuggestion> suggestions;
    while (query.Step())
        suggestions.push_back(ReadSuggestion(query));
    return suggestions;
}

std::optional<TSuggestion> TCatalogueStore::Suggestion(qint64 id) {
    std::lock_guard lock(m_mutex);
    TSqlStatement query = Prepare("SELECT " SUGGESTION_COLUMNS " FROM suggestions WHERE id = ?1");
    query.Bind(1, id);
    if (!query.Step())
        return std::nullopt;
    return ReadSuggestion(query);
}

void TCatalogueStore::SetSuggestionStatus(qint64 id, const QByteArray& status,
                                          std::optional<qint64> camRefID) {
    std::lock_guard lock(m_mutex);
    TSqlStatement update = Prepare("UPDATE suggestions SET status = ?2, cam_refid = ?3 WHERE id = ?1");
    update.Bind(1, id).Bind(2, status).Bind(3, camRefID);
    update.Run();
}
