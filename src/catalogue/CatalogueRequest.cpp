#include "catalogue/CatalogueRequest.h"

#include "platform/SettingsKey.h"

#include <QFileInfo>

namespace CatalogueServer {

QByteArray Host() {
    const QByteArray host = qgetenv("LUMORA_CATALOGUE_HOST");
    return host.isEmpty() ? QByteArrayLiteral(LUMORA_DEFAULT_CATALOGUE_HOST) : host;
}

QByteArray ScriptUrl(const char* script) {
    return "http://" + Host() + script;
}

} // namespace CatalogueServer

qint32 StoredActiveRefID() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open();
    if (!key)
        return 0;
    return key->ReadInteger(QStringLiteral("RefID")).value_or(0);
}

QByteArray CatalogueRequestBody(int language, const QByteArray& computer, qint32 storedRefID) {
    QByteArray body = "language=" + QByteArray::number(language) + "&computer=" + computer;
    if (storedRefID > 0)
        body += "&refid=" + QByteArray::number(storedRefID);
    return body;
}

void LoadCustomCamsFile(TCamList& list, const QString& path) {
    if (QFileInfo::exists(path))
        list.LoadFromFile(path);
}

void ReadCatalogueRecords(const QByteArray& reply, TCamList& cams, TLanguageList& languages) {
    const RecordText::LineViews lines = RecordText::SplitLineViews(reply);
    cams.LoadFromLines(lines);
    languages.LoadFromLines(lines);
}
