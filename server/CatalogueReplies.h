#pragma once

#include "CatalogueStore.h"

#include <QByteArray>
#include <map>
#include <memory>
#include <mutex>
#include <set>

// Addresses in replies (cam pictures and web pages, packs, messages): a stored path that begins with "/" is
// served by this server and becomes "http://" + the public host + the path (port 80 unless the host itself
// names one); anything else is an address elsewhere and stays as stored.
QByteArray AbsoluteUrl(const QByteArray& publicHost, const QByteArray& stored);

// Cam records in the order Lumora reads them, each with its real number. With an empty public host the
// stored addresses are written as they stand (the export form, which import reads back).
void AppendCamRecords(RecordText::Lines& lines, const std::vector<TStoredCam>& cams,
                      const QByteArray& publicHost);

// The catalogue reply for one language: every cam of that language or of none, then every language.
QByteArray BuildCatalogueReply(const std::vector<TStoredCam>& cams,
                               const std::vector<TStoredLanguage>& languages, qint64 language,
                               const QByteArray& publicHost);

// A message's version scope holds a version when it is empty, equal to it, or a leading part of it
// that ends before a "." ("1.0" holds "1.0.0.0" but not "1.01.0.0").
bool VersionInScope(const QByteArray& scope, const QByteArray& version);

// The message reply: the newest message in force for the language and version, or no record.
QByteArray BuildMessageReply(const std::vector<TStoredMessage>& messages, qint64 language,
                             const QByteArray& version, const QByteArray& publicHost);

// Catalogue replies kept in memory and built again only after the catalogue changed. Languages
// without cams of their own share one reply, so numbers a client makes up cannot fill the memory.
class TCatalogueReplies {
public:
    TCatalogueReplies(TCatalogueStore& store, QByteArray publicHost);

    // Reads the store only the first time; afterwards the catalogue comes from memory.
    std::shared_ptr<const QByteArray> Reply(qint64 language);
    // Reads the catalogue again and drops the kept replies when the store's catalogue generation
    // moved; cheap enough to poll. Replies are answered meanwhile from the catalogue read before.
    void CheckForChanges();

private:
    struct TSnapshot {
        qint64 Generation = -1;
        std::vector<TStoredCam> Cams;
        std::vector<TStoredLanguage> Languages;
        std::set<qint64> LanguagesWithOwnCams;
    };
    TSnapshot LoadSnapshot();
    void Take(TSnapshot snapshot);

    TCatalogueStore& m_store;
    const QByteArray m_publicHost;
    std::mutex m_mutex;
    bool m_loaded = false;
    TSnapshot m_snapshot;
    std::map<qint64, std::shared_ptr<const QByteArray>> m_replies;
};
