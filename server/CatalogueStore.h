#pragma once

#include "CamHealth.h"
#include "CheckerLease.h"
#include "SqlConnection.h"
#include "core/UCams.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A catalogue cam; one without a language is offered in every language.
struct TStoredCam {
    TWebCam Cam;
    std::optional<qint64> Language;
};

struct TStoredLanguage {
    qint64 RefID = 0;
    QByteArray Name;
    QByteArray Webpage;
    qint64 PackVersion = 0;
    // Where clients fetch the pack: a path on this server ("/packs/...") or an absolute address.
    QByteArray PackUrl;
};

struct TStoredMessage {
    qint64 RefID = 0;
    std::optional<qint64> Language; // none: every language
    QByteArray Version;             // empty: every version
    QByteArray Url;                 // empty for a page the server holds itself
};

// A message as the administrator lists it.
struct TListedMessage {
    TStoredMessage Message;
    bool Active = true; // false once retired
    QByteArray Created; // UTC, ISO 8601
};

// The fields of a suggestion as they arrived, beside the whole body.
struct TSuggestion {
    qint64 Id = 0;
    QByteArray Received; // UTC, ISO 8601 with milliseconds
    QByteArray Body;
    QByteArray Title, Description, Source, Webpage, Country, Refresh, Language, Category;
    QByteArray Status; // "new", "approved" or "rejected"
    std::optional<qint64> CamRefID;
};

// A cam the checker looks at: its address, and when it was last checked there (empty: never).
struct TCamToCheck {
    qint64 RefID = 0;
    QByteArray Url;
    QByteArray LastCheck;
};

// The outcome of one check, as the checker hands it to the store.
struct TCheckRecord {
    qint64 RefID = 0;
    QByteArray Url;
    TCheckResult Result;
};

// What the store made of one check.
struct TRecordedCheck {
    qint64 RefID = 0;
    QByteArray WithheldBefore;
    TCamHealth Health;
};

struct TCamCounts {
    qint64 Cams = 0;
    qint64 Withheld = 0;
};

struct TCamWithHealth {
    TStoredCam Cam;
    std::optional<TCamHealth> Health; // none before the first check at the cam's address
};

// The catalogue server's store, over one connection to SQLite or PostgreSQL and used through prepared
// statements only. Every operation is serialised on the one connection; errors are thrown as TStoreError.
class TCatalogueStore {
public:
    explicit TCatalogueStore(std::unique_ptr<TSqlConnection> connection);
    ~TCatalogueStore();
    TCatalogueStore(const TCatalogueStore&) = delete;
    TCatalogueStore& operator=(const TCatalogueStore&) = delete;

    // True when the database takes no writes (a standby).
    bool ReadOnly() const { return m_connection->ReadOnly(); }

    // Grows with every change of cams or languages, whichever process made it.
    qint64 CatalogueGeneration();
    // Returns once the catalogue may have changed, or when the descriptor `wakeUp` is readable. For the
    // one thread that watches the catalogue; the other calls go on meanwhile.
    void WaitForCatalogueChange(int wakeUp) { m_connection->WaitForChange(wakeUp); }

    // Runs the work as one transaction: everything or nothing is stored.
    void Transaction(const std::function<void()>& work);

    std::vector<TStoredCam> Cams();
    // The cams clients are offered: every cam but those the checker withholds.
    std::vector<TStoredCam> OfferedCams();
    // Stores the cam under its RefID when that is positive, else under a new number, which is
    // returned. Numbers are never given out twice.
    qint64 PutCam(const TStoredCam& cam);
    void DeleteAllCams();
    std::optional<qint64> FindCamByUrl(const QByteArray& url);

    std::vector<TStoredLanguage> Languages();
    std::optional<TStoredLanguage> Language(qint64 refid);
    void PutLanguage(const TStoredLanguage& language, const QByteArray& pack);
    std::optional<QByteArray> Pack(qint64 refid, qint64 packVersion);

    qint64 AddMessage(const TStoredMessage& message, const QByteArray& page);
    // Retires the messages of exactly this language and version scope.
    int RetireMessages(std::optional<qint64> language, const QByteArray& version);
    // Retires one message; false when there is no message of that number in force.
    bool RetireMessage(qint64 refid);
    // Messages in force, newest first.
    std::vector<TStoredMessage> ActiveMessages();
    // Every message ever published, in force or retired, oldest first.
    std::vector<TListedMessage> AllMessages();
    std::optional<QByteArray> MessagePage(qint64 refid);

    qint64 AddSuggestion(const TSuggestion& suggestion);
    enum class TAdmission { Stored, AlreadyPending, Full };
    // Stores a new suggestion, unless one of the same source address waits for review already or
    // `maxPending` (0: no ceiling) do. One transaction: servers sharing the database keep the ceiling
    // together.
    TAdmission AddPendingSuggestion(const TSuggestion& suggestion, qint64 maxPending);
    // Every suggestion with this status (all of them for an empty status), oldest first.
    std::vector<TSuggestion> Suggestions(const QByteArray& status);
    std::optional<TSuggestion> Suggestion(qint64 id);
    qint64 PendingSuggestions();
    // Decides a new suggestion; false when it is no longer new (decided meanwhile by somebody else).
    bool DecideSuggestion(qint64 id, const QByteArray& status, std::optional<qint64> camRefID);

    // Cams whose picture lies elsewhere (a path on this server is its own picture, not checked),
    // by number.
    std::vector<TCamToCheck> CamsToCheck();
    // Stores what the checks found, all in one transaction; a cam deleted or given another address
    // meanwhile is passed over.
    std::vector<TRecordedCheck> RecordChecks(const std::vector<TCheckRecord>& records,
                                             const TWithholdingRules& rules);
    // Every cam with what the checker knows of it at its present address, by number.
    std::vector<TCamWithHealth> CamsWithHealth();
    TCamCounts CamCounts();
    // Forgets the health of cams that no longer exist.
    void ForgetRemovedCamsHealth();
    // The lease that lets one process of all that share this database check the cams.
    std::unique_ptr<TCheckerLease> CheckerLease() { return m_connection->CheckerLease(); }

    // What the database takes on disk, for the administrator.
    TStorageSizes Sizes() { return m_connection->Sizes(); }

    // Told how long each operation took, in seconds, from any thread that uses the store.
    void SetQueryObserver(std::function<void(double)> observer);

private:
    // Every operation holds this while it uses the connection: it serialises them and tells the
    // observer how long each took once it had the connection. An operation made inside another (the
    // statements of a transaction) counts as part of the outer one.
    class TTimedLock {
    public:
        explicit TTimedLock(TCatalogueStore& store);
        ~TTimedLock();
        TTimedLock(const TTimedLock&) = delete;
        TTimedLock& operator=(const TTimedLock&) = delete;

    private:
        TCatalogueStore& m_store;
        std::chrono::steady_clock::time_point m_start;
    };

    static TSuggestion ReadSuggestion(const TSqlStatement& row);
    static TStoredCam ReadCam(const TSqlStatement& row);
    static std::vector<TStoredCam> ReadCams(TSqlStatement& query);
    static TCamHealth ReadHealth(const TSqlStatement& row, int first);
    std::optional<TCamHealth> CamHealth(qint64 refid, const QByteArray& url);
    static std::vector<TListedMessage> ListMessages(TSqlStatement& query);

    std::unique_ptr<TSqlConnection> m_connection;
    std::recursive_mutex m_mutex;
    // Guarded by m_mutex.
    int m_operationDepth = 0;
    std::function<void(double)> m_queryObserver;
};
