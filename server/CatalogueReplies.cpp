#include "CatalogueReplies.h"

#include <limits>

namespace {

// The key under which every language without cams of its own keeps its reply.
constexpr qint64 SharedReplyKey = std::numeric_limits<qint64>::min();

} // namespace

QByteArray AbsoluteUrl(const QByteArray& publicHost, const QByteArray& stored) {
    if (publicHost.isEmpty() || !stored.startsWith('/'))
        return stored;
    const QByteArray scheme = publicHost.left(8).toLower();
    if (scheme.startsWith("http://") || scheme.startsWith("https://"))
        return publicHost + stored;
    return "http://" + publicHost + stored;
}

void AppendCamRecords(RecordText::Lines& lines, const std::vector<TStoredCam>& cams,
                      const QByteArray& publicHost) {
    for (const TStoredCam& stored : cams) {
        const TWebCam& cam = stored.Cam;
        RecordText::WriteRecord(lines, "cam",
                                {{"refid", QByteArray::number(cam.RefID)},
                                 {"url", AbsoluteUrl(publicHost, cam.URL)},
                                 {"name", cam.Name},
                                 {"description", cam.Description},
                                 {"refresh", QByteArray::number(cam.Refresh)},
                                 {"category", cam.Category},
                                 {"webpage", AbsoluteUrl(publicHost, cam.Webpage)},
                                 {"country", cam.Country}});
    }
}

QByteArray BuildCatalogueReply(const std::vector<TStoredCam>& cams,
                               const std::vector<TStoredLanguage>& languages, qint64 language,
                               const QByteArray& publicHost) {
    std::vector<TStoredCam> offered;
    for (const TStoredCam& cam : cams) {
        if (!cam.Language || *cam.Language == language)
            offered.push_back(cam);
    }
    RecordText::Lines lines;
    AppendCamRecords(lines, offered, publicHost);
    for (const TStoredLanguage& entry : languages) {
        RecordText::WriteRecord(lines, "language",
                                {{"refid", QByteArray::number(entry.RefID)},
                                 {"languagepack", AbsoluteUrl(publicHost, entry.PackUrl)},
                                 {"name", entry.Name},
                                 {"packversion", QByteArray::number(entry.PackVersion)},
                                 {"webpage", AbsoluteUrl(publicHost, entry.Webpage)}});
    }
    // A client takes an empty body for a failed request; a catalogue with nothing in it yet is
    // still a catalogue, so it gets one line break.
    if (lines.isEmpty())
        return QByteArrayLiteral("\r\n");
    return RecordText::JoinLines(lines);
}

bool VersionInScope(const QByteArray& scope, const QByteArray& version) {
    if (scope.isEmpty() || scope == version)
        return true;
    return version.startsWith(scope) && version.at(scope.size()) == '.';
}

QByteArray BuildMessageReply(const std::vector<TStoredMessage>& messages, qint64 language,
                             const QByteArray& version, const QByteArray& publicHost) {
    for (const TStoredMessage& message : messages) {
        if (message.Language && *message.Language != language)
            continue;
        if (!VersionInScope(message.Version, version))
            continue;
        // A message without an address is a page this server holds itself.
        const QByteArray url =
            message.Url.isEmpty() ? "/messages/" + QByteArray::number(message.RefID) + ".html" : message.Url;
        RecordText::Lines lines;
        RecordText::WriteRecord(
            lines, "message",
            {{"refid", QByteArray::number(message.RefID)}, {"url", AbsoluteUrl(publicHost, url)}});
        return RecordText::JoinLines(lines);
    }
    return QByteArray();
}

TCatalogueReplies::TCatalogueReplies(TCatalogueStore& store, QByteArray publicHost)
    : m_store(store)
    , m_publicHost(std::move(publicHost)) {}

TCatalogueReplies::TSnapshot TCatalogueReplies::LoadSnapshot() {
    TSnapshot snapshot;
    // The generation is read first: a change that lands while the rest is read moves it again, and
    // the next check loads the catalogue once more.
    snapshot.Generation = m_store.CatalogueGeneration();
    snapshot.Cams = m_store.OfferedCams();
    snapshot.Languages = m_store.Languages();
    for (const TStoredCam& cam : snapshot.Cams) {
        if (cam.Language)
            snapshot.LanguagesWithOwnCams.insert(*cam.Language);
    }
    return snapshot;
}

void TCatalogueReplies::Take(TSnapshot snapshot) {
    m_snapshot = std::move(snapshot);
    m_replies.clear();
    m_loaded = true;
}

std::shared_ptr<const QByteArray> TCatalogueReplies::Reply(qint64 language) {
    std::lock_guard lock(m_mutex);
    if (!m_loaded)
        Take(LoadSnapshot());
    const bool ownCams = m_snapshot.LanguagesWithOwnCams.count(language) > 0;
    const qint64 key = ownCams ? language : SharedReplyKey;
    auto found = m_replies.find(key);
    if (found == m_replies.end()) {
        // A language without cams of its own sees only the cams meant for every language.
        const qint64 buildFor = ownCams ? language : SharedReplyKey;
        auto reply = std::make_shared<const QByteArray>(
            BuildCatalogueReply(m_snapshot.Cams, m_snapshot.Languages, buildFor, m_publicHost));
        found = m_replies.emplace(key, std::move(reply)).first;
    }
    return found->second;
}

void TCatalogueReplies::CheckForChanges() {
    const qint64 generation = m_store.CatalogueGeneration();
    {
        std::lock_guard lock(m_mutex);
        if (m_loaded && generation == m_snapshot.Generation)
            return;
    }
    TSnapshot snapshot = LoadSnapshot();
    std::lock_guard lock(m_mutex);
    Take(std::move(snapshot));
}
